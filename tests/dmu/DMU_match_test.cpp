// Decision cycles of the competition build: its home positions, its role
// plan (goalie 1, attackers 2 and 3, blockers beyond), a play-mode dispatch
// without the goal, goalie, fall and preparation steps of the development
// build, and silence on both console streams.
#include "dmu/DMU.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/HingeJoint.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/TFSWalk.h"
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
const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

class MatchCycle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
        wm->setMyNum(2);
        dmu = DMU::getUniqueInstance();
        printed = testing::internal::GetCapturedStdout();
        cc = CommandCreator::getUniqueInstance();
        sm = SkillManager::getUniqueInstance();
        wm->setGSTime(5.0f);
        wm->setMyCartPos(Point(0, 0, 0.5));
        for (int i = 0; i < DOF_COUNT; ++i) {
            HingeJoint hj;
            const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
            hj.setAxis(static_cast<float>(shoulderX ? kStanding[i] - 90.0 : kStanding[i]));
            wm->setAHingeJoint(hj, i);
        }
    }
    void TearDown() override { EXPECT_EQ(printed, ""); }

    std::string cycle() {
        now += 0.02;
        wm->resetForUpdate();
        wm->setTime(static_cast<float>(now));
        if (onFeet) {
            wm->setFRPCenterL(Point(0, -0.014, -0.01));
            wm->setFRPCenterR(Point(0, -0.014, -0.01));
        }
        cc->reset();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::string text = dmu->behave();
        printed += testing::internal::GetCapturedStdout();
        printed += testing::internal::GetCapturedStderr();
        return text;
    }
    void ballAt(double dist, double teta) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(dist, 0, teta));
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
    }
    // The opponent goal seen `dist` metres ahead.
    void oppGoalAt(double dist) {
        const int posts[] = {wm->getIndexOfOppGoalFlag1(), wm->getIndexOfOppGoalFlag2()};
        const double bearings[] = {10, -10};
        for (int i = 0; i < 2; ++i) {
            Flag f = wm->getAFlagByIndex(posts[i]);
            f.setPolarPos(Point(dist, 0, bearings[i]));
            wm->setAFlag(f, posts[i]);
        }
    }
    SkillID running() {
        SkillBase* s = sm->getRunningSkill();
        return s == nullptr ? SKILL_NOTHING : s->getSkillID();
    }
    SkillID waiting() {
        SkillBase* s = sm->getNextSkill();
        return s == nullptr ? SKILL_NOTHING : s->getSkillID();
    }
    // The walk queued behind the running skill.
    double queuedWalkSpeed() {
        if (waiting() != SKILL_TFS_WALK) return 999;
        return static_cast<TFSWalk*>(sm->getNextSkill())->getspeed();
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMU* dmu = nullptr;
    CommandCreator* cc = nullptr;
    SkillManager* sm = nullptr;
    double now = 10.0;
    bool onFeet = true;
    std::string printed;
};

TEST_F(MatchCycle, BeforeKickOffBeamsToTheCompetitionHomes) {
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    wm->setMyNum(1);
    EXPECT_EQ(cycle(), "(beam -5.730000 0.000000 1.000000)");
    wm->setMyNum(2);
    EXPECT_EQ(cycle(), "(beam -3.500000 -1.500000 0.000000)");
    // Number 3 keeps its fixed place on either side; blockers share it.
    for (Side side : {SIDE_LEFT, SIDE_RIGHT}) {
        wm->setOurSide(side);
        for (int unum : {3, 4, 9}) {
            wm->setMyNum(unum);
            EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 0.000000)") << side << " " << unum;
        }
    }
}

TEST_F(MatchCycle, PlayModeDispatchWithoutTheDevelopmentSteps) {
    // The goalie with the ball far away stands straight: that shows the
    // play-on behaviour without touching the skill manager.
    wm->setMyNum(1);
    ballAt(5.0, 0);
    struct Case {
        PlayMode pm;
        bool plays;
    };
    const Case cases[] = {
        {PM_PLAY_ON, true},          {PM_KICKOFF_LEFT, true},       {PM_KICKOFF_RIGHT, false},
        {PM_GOAL_KICK_LEFT, true},   {PM_GOAL_KICK_RIGHT, false},   {PM_KICKIN_LEFT, true},
        {PM_KICKIN_RIGHT, false},    {PM_CORNER_KICK_LEFT, true},   {PM_CORNER_KICK_RIGHT, true},
        {PM_FREE_KICK_LEFT, false},  {PM_GOAL_LEFT, false},         {PM_GOAL_RIGHT, false},
        {PM_UNKNOWN, false},
    };
    for (const Case& c : cases) {
        wm->setPlayMode(c.pm);
        const std::string text = cycle();
        if (c.plays) {
            EXPECT_NE(text.find("(rle3 "), std::string::npos) << c.pm;
        } else {
            EXPECT_EQ(text, kStopAll) << c.pm;
        }
    }
    wm->setPlayMode(PM_GAME_OVER);
    EXPECT_EQ(cycle(), "");
    EXPECT_EQ(running(), SKILL_NOTHING);
    // Before the clock runs the goalie guards all the same.
    wm->setPlayMode(PM_PLAY_ON);
    wm->setGSTime(0.0f);
    EXPECT_NE(cycle().find("(rle3 "), std::string::npos);
}

TEST_F(MatchCycle, AttackersGoForTheBallAtOnce) {
    ballAt(3.0, 20);
    oppGoalAt(5.0);
    wm->setPlayMode(PM_PLAY_ON);
    wm->setMyNum(3);
    // No preparation posture first: the manager is asked at once and, being
    // empty, gets the standing aligner.
    EXPECT_EQ(cycle(), "");
    EXPECT_EQ(running(), SKILL_PATTERN_ALIGNER);
    cycle();
    EXPECT_EQ(waiting(), SKILL_TFS_WALK);
    EXPECT_GT(queuedWalkSpeed(), 0.0);
}

TEST_F(MatchCycle, BlockersBackOffNearTheOpponentGoal) {
    ballAt(3.0, 20);
    oppGoalAt(5.0);
    wm->setPlayMode(PM_KICKIN_LEFT);
    wm->setMyNum(4);
    EXPECT_EQ(cycle(), "");
    EXPECT_EQ(running(), SKILL_PATTERN_ALIGNER);
    cycle();
    EXPECT_FLOAT_EQ(queuedWalkSpeed(), -0.1f);
}

TEST_F(MatchCycle, AnAttackerThatFallsStandsUpWithoutAPreparationStep) {
    ballAt(3.0, 20);
    wm->setPlayMode(PM_PLAY_ON);
    onFeet = false;
    for (int i = 1; i < 20; ++i) cycle();
    EXPECT_NE(running(), SKILL_NAO_STANDUP);
    cycle();
    EXPECT_TRUE(dmu->isFallenThisCycle());
    EXPECT_EQ(waiting(), SKILL_NAO_STANDUP);
    cycle();
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
}

}  // namespace
