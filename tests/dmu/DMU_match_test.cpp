// Decision cycles of the competition build: its home positions, its role
// plan (goalie 1, attackers 2 and 3, blockers beyond), a dispatch without
// the development build's goal, goalie, fall and preparation steps, the same
// goalie, and not a line on either console stream.
#include "dmu/DMU.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "support/ChildProcess.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const std::string kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";

class MatchCycle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
        wm->setMyNum(2);
        wm->setPlayMode(PM_PLAY_ON);
        wm->setGSTime(5.0f);
        wm->setMyCartPos(Point(0, 0, 0.5));
        // Standing: the default aligner is done at once.
        const double standing[DOF_COUNT] = {0, 0, -90, -10, 90, 0, -90, 10, -90, 0, 0,
                                            0, 11, -29, 18, 0, 0, 0, 11, -29, 18, 0};
        for (int i = 0; i < DOF_COUNT; ++i) {
            HingeJoint hj;
            hj.setAxis(static_cast<float>(standing[i]));
            wm->setAHingeJoint(hj, i);
        }
        dmu = DMU::getUniqueInstance();
        printed = testing::internal::GetCapturedStdout();
    }
    void TearDown() override { EXPECT_EQ(printed, ""); }

    std::string cycle(double t) {
        now = t;
        wm->resetForUpdate();
        wm->setTime(static_cast<float>(t));
        const Point sole = onFeet ? Point(0, -0.014, -0.01) : Point(0, 0, 0);
        wm->setFRPCenterL(sole);
        wm->setFRPCenterR(sole);
        CommandCreator::getUniqueInstance()->reset();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::string text = dmu->behave();
        printed += testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return text;
    }
    std::string cycle() { return cycle(now + 0.02); }
    // The ball seen now at body-relative (x, y); it lies still there.
    void see(double x, double y) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(std::hypot(x, y), 0, std::atan2(y, x) * 180.0 / 3.141592653589793));
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
    }
    SkillID skill(SkillBase* s) { return s == nullptr ? SKILL_NOTHING : s->getSkillID(); }
    SkillID running() { return skill(SkillManager::getUniqueInstance()->getRunningSkill()); }
    SkillID waiting() { return skill(SkillManager::getUniqueInstance()->getNextSkill()); }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMU* dmu = nullptr;
    double now = 10.0;
    bool onFeet = true;
    std::string printed;
};

TEST_F(MatchCycle, BeforeKickOffBeamsToTheCompetitionHomes) {
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    EXPECT_EQ(cycle(), "(beam -3.500000 -1.500000 0.000000)");
    // Number 3 has a fixed place on either side, and the blockers share it.
    wm->setOurSide(SIDE_RIGHT);
    wm->setMyNum(9);
    EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 0.000000)");
}

TEST_F(MatchCycle, DispatchWithoutGoalGoalieOrPreparationStepsAndTheSameGoalie) {
    // The goalie with the ball far away stands straight: the play-on behaviour.
    wm->setMyNum(1);
    see(5.0, 0.0);
    wm->setPlayMode(PM_CORNER_KICK_RIGHT);
    EXPECT_NE(cycle().find("(rle3 -"), std::string::npos);
    for (PlayMode pm : {PM_FREE_KICK_LEFT, PM_GOAL_RIGHT}) {
        wm->setPlayMode(pm);
        EXPECT_EQ(cycle(), kStopAll) << pm;
    }
    wm->setPlayMode(PM_GAME_OVER);
    EXPECT_EQ(cycle(), "");
    // It guards before the clock runs, too, and dives as in the development build.
    wm->setPlayMode(PM_PLAY_ON);
    wm->setGSTime(0.0f);
    see(0.5, 0.5);
    EXPECT_EQ(cycle(11.0), "(rle6 6.130000)(lle6 6.130000)(lle2 -6.130000)");
}

}  // namespace
