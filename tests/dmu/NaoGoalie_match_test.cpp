// The competition build's goalie (number 1 in play-on): the same guard,
// dives and timers as the development build, without a console line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "dmu/DMU.h"
#include "dmu/NaoGoalie.h"
#include "objects/Ball.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "support/ChildProcess.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const char* const kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";
const char* const kDiveLeft = "(rle6 6.130000)(lle6 6.130000)(lle2 -6.130000)";
const char* const kDiveRight = "(rle6 -6.130000)(lle6 -6.130000)(rle2 6.130000)";

class MatchGoalie : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
        wm->setMyNum(1);
        wm->setPlayMode(PM_PLAY_ON);
        wm->setGSTime(5.0f);
        dmu = DMU::getUniqueInstance();
        printed = testing::internal::GetCapturedStdout();
        cc = CommandCreator::getUniqueInstance();
    }
    void TearDown() override { EXPECT_EQ(printed, ""); }

    // The ball seen at body-relative (x, y) in the current message; from the
    // cycle at time t on it lies still there.
    std::string ballStillAt(double x, double y, double t) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(std::hypot(x, y), 0, std::atan2(y, x) * 180.0 / 3.141592653589793));
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
        return restAt(t);
    }
    std::string restAt(double t) {
        now = t;
        wm->resetForUpdate();
        wm->setTime(static_cast<float>(t));
        wm->setFRPCenterL(Point(0, -0.014, -0.01));
        wm->setFRPCenterR(Point(0, -0.014, -0.01));
        cc->reset();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::string text = dmu->behave();
        printed += testing::internal::GetCapturedStdout();
        printed += testing::internal::GetCapturedStderr();
        return text;
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMU* dmu = nullptr;
    CommandCreator* cc = nullptr;
    double now = 0;
    std::string printed;
};

TEST_F(MatchGoalie, GuardsDivesAndStopsAfterOneSecondSilently) {
    EXPECT_NE(ballStillAt(5.0, 0.0, 10.0).find("(rle3 "), std::string::npos);
    EXPECT_EQ(ballStillAt(0.3, 0.05, 10.02), "");
    EXPECT_EQ(ballStillAt(0.5, 0.5, 10.04), kDiveLeft);
    EXPECT_EQ(ballStillAt(0.5, -0.5, 10.98), kDiveRight);
    EXPECT_EQ(restAt(11.0), kStopAll);
}

TEST_F(MatchGoalie, StandsUpNineteenSecondsAfterItsLastDive) {
    ballStillAt(5.0, 0.0, 10.0);
    EXPECT_EQ(ballStillAt(0.5, 0.5, 10.5), kDiveLeft);
    ballStillAt(5.0, 0.0, 11.0);
    restAt(29.5);
    EXPECT_EQ(SkillManager::getUniqueInstance()->getRunningSkill(), nullptr);
    restAt(29.52);
    SkillBase* running = SkillManager::getUniqueInstance()->getRunningSkill();
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->getSkillID(), SKILL_NAO_STANDUP);
}

TEST_F(MatchGoalie, AlternativeRoutineIsSilentToo) {
    NaoGoalie goalie;
    cc->reset();
    testing::internal::CaptureStdout();
    goalie.run();
    goalie.beamPoint();
    printed += testing::internal::GetCapturedStdout();
    EXPECT_STREQ(cc->getPreparedCommand(), "(beam -5.730000 0.000000 1.000000)");
}

}  // namespace
