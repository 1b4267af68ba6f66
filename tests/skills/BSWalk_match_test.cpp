// The competition side step sends the same commands and leaves no trace
// files behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "support/ChildProcess.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

TEST(BSWalkMatch, SameCommandsNoTraces) {
    TempDir dir;
    const std::filesystem::path original = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    WorldModel::getUniqueInstance()->setTime(5.0f);
    const double gait[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 0.5, 1.0};
    {
        BSWalk walk(BesideLeft);
        walk.setOscParameters(gait);
        CommandCreator::getUniqueInstance()->reset();
        EXPECT_TRUE(walk.run());
        const std::string text = CommandCreator::getUniqueInstance()->getPreparedCommand();
        EXPECT_EQ(text.rfind("(rle3 3.571429)(lle3 4.466666)(rle2 -1.790475)(lle2 0.000000)", 0),
                  0u)
            << text;
    }
    EXPECT_FALSE(std::filesystem::exists("log"));
    std::filesystem::current_path(original);
}
