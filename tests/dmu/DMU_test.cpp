// Decision cycles of the development build: scripted world states, one
// DMU::behave() per cycle, assertions on the command text, the printed lines
// and the skill the manager holds. Covers the beam before kick-off, the role
// table, the play-mode dispatch, the preparation gate, and falls seen by the
// foot sensors or by the accelerometer of the perception.
#include "dmu/DMU.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "main/AgentMain.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "support/ChildProcess.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const char* const kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";

// The default aligner's standing posture and the field players' preparation
// posture (straight legs, arms down).
const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};
const double kPreparation[DOF_COUNT] = {0, 0, 0, -10, 90, 0, 0, 10, -90, 0, 0,
                                        0, 0, 0, 0,   0,  0, 0, 0,  0,   0, 0};

const char* const kGoalieLine = "Baba la aghal ino chap kon!";

class DmuCycle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
        wm->setMyNum(2);
        dmu = DMU::getUniqueInstance();
        created = testing::internal::GetCapturedStdout();
        cc = CommandCreator::getUniqueInstance();
        sm = SkillManager::getUniqueInstance();
        wm->setGSTime(5.0f);
        wm->setMyCartPos(Point(0, 0, 0.5));
    }

    // What the runtime does around one decision: the message bookkeeping of
    // the world model, a cleared command, behave(); the printed lines land
    // in `out`.
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
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return text;
    }

    // The runtime's cycle on a perception text: it stays in the runtime's
    // message buffer while the decision runs.
    std::string perceive(const std::string& text) {
        std::strncpy(getMsg(), text.c_str(), MAX - 1);
        std::vector<char> work(text.begin(), text.end());
        work.push_back('\0');
        char* cursor = work.data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        cc->reset();
        testing::internal::CaptureStdout();
        const std::string command = dmu->behave();
        out = testing::internal::GetCapturedStdout();
        return command;
    }

    void sense(const double (&posture)[DOF_COUNT]) {
        for (int i = 0; i < DOF_COUNT; ++i) {
            HingeJoint hj;
            const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
            hj.setAxis(static_cast<float>(shoulderX ? posture[i] - 90.0 : posture[i]));
            wm->setAHingeJoint(hj, i);
        }
    }

    // The ball seen now, body-relative, straight ahead at `dist` metres.
    void ballAhead(double dist) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(dist, 0, 0));
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
    }

    SkillID running() {
        SkillBase* s = sm->getRunningSkill();
        return s == nullptr ? SKILL_NOTHING : s->getSkillID();
    }
    SkillID waiting() {
        SkillBase* s = sm->getNextSkill();
        return s == nullptr ? SKILL_NOTHING : s->getSkillID();
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMU* dmu = nullptr;
    CommandCreator* cc = nullptr;
    SkillManager* sm = nullptr;
    double now = 10.0;
    bool onFeet = true;
    std::string created, out, err;
};

TEST_F(DmuCycle, ConstructionRegistersHomesAndOpensTheTraces) {
    EXPECT_NE(created.find("VOR agent initialized successfuly...\n"), std::string::npos);
    EXPECT_EQ(wm->getHomePos(1), Point(-5.73, 0, 1.0));
    EXPECT_EQ(wm->getHomePos(2), Point(-3.6, 0, 1.0));
    EXPECT_EQ(wm->getHomePos(3), Point(-1.5, 0, 1.0));
    for (const char* log : {DMU::kPosLog, DMU::kVelLog, DMU::kBallPosLog, DMU::kZLog}) {
        EXPECT_EQ(access(dir.file(log).c_str(), F_OK), 0) << log;
    }
}

// ---- Before kick-off ---------------------------------------------------------

TEST_F(DmuCycle, BeforeKickOffStandsUpStraightThenBeamsHome) {
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    wm->setMyNum(1);
    sense(kPreparation);
    const std::string aligning = cycle();
    EXPECT_EQ(aligning.find("(beam"), std::string::npos);
    EXPECT_NE(aligning.find("(rle3 "), std::string::npos);

    sense(kStanding);
    EXPECT_EQ(cycle(), "(beam -5.730000 0.000000 1.000000)");
    wm->setMyNum(2);
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)");
    // Number 3 starts near the centre circle on the left, deeper on the
    // right; numbers outside 1..3 share number 3's place.
    wm->setMyNum(3);
    EXPECT_EQ(cycle(), "(beam -0.160000 0.000000 1.000000)");
    wm->setOurSide(SIDE_RIGHT);
    EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 1.000000)");
    wm->setMyNum(0);
    EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 1.000000)");
}

TEST_F(DmuCycle, BeforeKickOffHomeToleranceAndBrokenPosition) {
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    sense(kStanding);
    // 0.3 off on an axis is still home: nothing to do.
    wm->setMyCartPos(Point(-3.4, 0.3, 1.25));
    EXPECT_EQ(cycle(), "");
    wm->setMyCartPos(Point(-3.6, 0.31, 1.0));
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)");
    // The camera's height counts as an axis too.
    wm->setMyCartPos(Point(-3.6, 0, 0.5));
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)");
    // A position that is not a number is not home.
    wm->setMyCartPos(Point(std::numeric_limits<double>::quiet_NaN(), 0, 1.0));
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)");
}

TEST_F(DmuCycle, BeforeKickOffAFallenPlayerAtHomeStandsUp) {
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    wm->setMyCartPos(Point(-3.6, 0, 1.0));
    onFeet = false;
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(cycle(), "") << i;
        EXPECT_EQ(running(), SKILL_NOTHING);
    }
    EXPECT_NE(cycle(), "");
    EXPECT_TRUE(dmu->isFallenThisCycle());
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
}

// ---- Roles and play modes ----------------------------------------------------

TEST_F(DmuCycle, GoalieStopsAllJointsUntilTheGameClockRuns) {
    wm->setMyNum(1);
    wm->setPlayMode(PM_PLAY_ON);
    wm->setGSTime(0.0f);
    ballAhead(5.0);
    EXPECT_EQ(cycle(), kStopAll);
    EXPECT_EQ(out.find(kGoalieLine), std::string::npos);

    // Once the clock runs number 1 guards in every play mode, without the
    // preparation gate, and never plays the attacker.
    sense(kStanding);
    for (PlayMode pm : {PM_PLAY_ON, PM_KICKOFF_RIGHT, PM_FREE_KICK_LEFT, PM_GAME_OVER}) {
        wm->setPlayMode(pm);
        wm->setGSTime(1.0f);
        const std::string text = cycle();
        EXPECT_NE(out.find(kGoalieLine), std::string::npos) << pm;
        EXPECT_EQ(out.find("Preparing"), std::string::npos) << pm;
        EXPECT_NE(text, kStopAll) << pm;
    }
    EXPECT_EQ(running(), SKILL_NOTHING);
}

TEST_F(DmuCycle, PlayOnRoleTable) {
    sense(kPreparation);
    wm->setPlayMode(PM_PLAY_ON);
    ballAhead(5.0);
    // Number 10 guards like the goalie; the other field players stand.
    wm->setMyNum(10);
    cycle();
    EXPECT_NE(out.find(kGoalieLine), std::string::npos);
    for (int unum : {0, 2, 3, 4, 11}) {
        wm->setMyNum(unum);
        EXPECT_EQ(cycle(), kStopAll) << unum;
        EXPECT_EQ(out.find(kGoalieLine), std::string::npos);
    }
    EXPECT_EQ(running(), SKILL_NOTHING);
}

TEST_F(DmuCycle, PlayModeDispatchOfAFieldPlayer) {
    // Number 10 shows which handlers lead to the play-on behaviour: it then
    // runs the goalie's guard.
    wm->setMyNum(10);
    sense(kPreparation);
    ballAhead(5.0);
    struct Case {
        PlayMode pm;
        bool plays;
    };
    const Case cases[] = {
        {PM_KICKOFF_LEFT, true},       {PM_KICKOFF_RIGHT, false},
        {PM_GOAL_KICK_LEFT, true},     {PM_GOAL_KICK_RIGHT, false},
        {PM_KICKIN_LEFT, true},        {PM_KICKIN_RIGHT, false},
        {PM_CORNER_KICK_LEFT, true},   {PM_CORNER_KICK_RIGHT, true},
        {PM_FREE_KICK_LEFT, false},    {PM_FREE_KICK_RIGHT, false},
        {PM_UNKNOWN, false},
    };
    for (const Case& c : cases) {
        wm->setPlayMode(c.pm);
        const std::string text = cycle();
        EXPECT_EQ(out.find(kGoalieLine) != std::string::npos, c.plays) << c.pm;
        if (!c.plays) {
            EXPECT_EQ(text, kStopAll) << c.pm;
        }
    }
    // On the right side the restarts change hands.
    wm->setOurSide(SIDE_RIGHT);
    wm->setPlayMode(PM_KICKOFF_RIGHT);
    cycle();
    EXPECT_NE(out.find(kGoalieLine), std::string::npos);
    wm->setPlayMode(PM_CORNER_KICK_LEFT);
    cycle();
    EXPECT_NE(out.find(kGoalieLine), std::string::npos);

    // Game over: nothing beyond the preparation step.
    wm->setPlayMode(PM_GAME_OVER);
    const std::string over = cycle();
    EXPECT_EQ(out.find(kGoalieLine), std::string::npos);
    EXPECT_NE(over, kStopAll);
    EXPECT_EQ(over.find("(he1 0.0)"), std::string::npos);
}

TEST_F(DmuCycle, GoalModesRunTheGoalieForEveryPlayer) {
    sense(kStanding);
    ballAhead(5.0);
    for (PlayMode pm : {PM_GOAL_LEFT, PM_GOAL_RIGHT}) {
        for (int unum : {1, 2, 7}) {
            wm->setMyNum(unum);
            wm->setPlayMode(pm);
            cycle();
            EXPECT_NE(out.find(kGoalieLine), std::string::npos) << pm << " " << unum;
            EXPECT_EQ(out.find("Preparing"), std::string::npos);
        }
    }
}

// ---- Preparation gate and falls -----------------------------------------------

TEST_F(DmuCycle, PreparationGateOpensOnceAndClosesAgainAfterAFall) {
    wm->setPlayMode(PM_PLAY_ON);
    sense(kStanding);
    const std::string preparing = cycle();
    EXPECT_NE(out.find("======== Preparing For Running Skills ========\n"), std::string::npos);
    EXPECT_NE(preparing, kStopAll);
    EXPECT_NE(preparing.find("(rle3 "), std::string::npos);

    sense(kPreparation);
    EXPECT_EQ(cycle(), kStopAll);
    // The gate stays open while the robot leaves the posture.
    sense(kStanding);
    EXPECT_EQ(cycle(), kStopAll);
    EXPECT_EQ(out.find("Preparing"), std::string::npos);

    // Close the detector's first half-second window (25 cycles) on the feet.
    for (int i = 4; i <= 25; ++i) EXPECT_EQ(cycle(), kStopAll) << i;

    // A fall (both feet off the ground for 20 of the detector's 25 cycles)
    // queues and runs a stand-up.
    onFeet = false;
    for (int i = 1; i < 20; ++i) EXPECT_EQ(cycle(), kStopAll) << i;
    const std::string standing = cycle();
    EXPECT_NE(out.find("Agent is felt\n"), std::string::npos);
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    EXPECT_NE(standing, kStopAll);
    EXPECT_NE(standing, "");

    // The detector holds the fall until its window closes; then the robot
    // goes through the preparation posture again.
    onFeet = true;
    for (int i = 21; i <= 25; ++i) {
        cycle();
        EXPECT_NE(out.find("Agent is felt"), std::string::npos) << i;
    }
    cycle();
    EXPECT_NE(out.find("Preparing For Running Skills"), std::string::npos);
}

// Perception texts as the server sends them: foot pressure and the
// accelerometer of one message.
std::string message(double now, const char* frp, const char* acc) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "(time (now %.2f))(GS (t 5.00) (pm PlayOn))(GYR (n torso) (rt 0.00 0.00 0.00))"
                  "%s%s",
                  now, acc, frp);
    return text;
}

const char* const kHeels =
    "(FRP (n rf) (c 0.000 -0.079 -0.012) (f 0.0 50.1 -12.1))"
    "(FRP (n lf) (c 0.000 -0.079 -0.012) (f 0.0 50.1 -12.1))";
const char* const kToes =
    "(FRP (n rf) (c 0.000 0.086 -0.020) (f -3.6 -55.2 -63.5))"
    "(FRP (n lf) (c 0.000 0.086 -0.020) (f 3.6 -55.2 -63.5))";
const char* const kOnBack = "(ACC (n torso) (a 0.00 9.81 0.00))";
const char* const kOnFront = "(ACC (n torso) (a 0.00 -9.81 0.00))";
const char* const kUpright = "(ACC (n torso) (a 0.00 0.00 9.81))";

TEST_F(DmuCycle, LyingOnTheBackWithHeelsDownIsSeenByTheAccelerometerOnly) {
    sense(kPreparation);
    // The foot sensors alone never report this fall.
    for (int i = 0; i < 60; ++i) {
        perceive(message(20.0 + 0.02 * i, kHeels, ""));
        ASSERT_FALSE(dmu->isFallenThisCycle()) << i;
    }
    // With the accelerometer: ten lying readings in a row.
    for (int i = 0; i < DMU::kLyingMessages - 1; ++i) {
        perceive(message(30.0 + 0.02 * i, kHeels, kOnBack));
        EXPECT_FALSE(dmu->isFallenThisCycle()) << i;
    }
    perceive(message(30.18, kHeels, kOnBack));
    EXPECT_TRUE(dmu->isFallenThisCycle());
    EXPECT_NE(out.find("Agent is felt"), std::string::npos);
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    // Upright again: no longer fallen.
    perceive(message(30.20, kHeels, kUpright));
    EXPECT_FALSE(dmu->isFallenThisCycle());
}

TEST_F(DmuCycle, LyingOnTheFrontWithToesTouchingNowAndThen) {
    sense(kPreparation);
    // Toes in one message of three: too few ground-free messages for the
    // foot detector, but the accelerometer says it plainly.
    for (int i = 0; i < 75; ++i) {
        perceive(message(30.0 + 0.02 * i, i % 3 == 0 ? kToes : "", ""));
        ASSERT_FALSE(dmu->isFallenThisCycle()) << i;
    }
    bool fallen = false;
    for (int i = 0; i < DMU::kLyingMessages; ++i) {
        perceive(message(40.0 + 0.02 * i, i % 3 == 0 ? kToes : "", kOnFront));
        fallen = dmu->isFallenThisCycle();
    }
    EXPECT_TRUE(fallen);
}

TEST_F(DmuCycle, AccelerometerSpikesStaleTextsAndMissingReadingsChangeNothing) {
    sense(kPreparation);
    // An impact spike interrupts the run of lying readings.
    double t = 50.0;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < DMU::kLyingMessages - 1; ++i, t += 0.02) {
            perceive(message(t, kHeels, kOnBack));
            EXPECT_FALSE(dmu->isFallenThisCycle());
        }
        perceive(message(t, kHeels, kUpright));
        t += 0.02;
        EXPECT_FALSE(dmu->isFallenThisCycle());
    }
    // Readings that are no numbers, or belong to another cycle, are not read.
    for (int i = 0; i < 2 * DMU::kLyingMessages; ++i, t += 0.02) {
        perceive(message(t, kHeels, "(ACC (n torso) (a nan 9.81 0.00))"));
        EXPECT_FALSE(dmu->isFallenThisCycle());
    }
    std::strncpy(getMsg(), message(99.0, kHeels, kOnBack).c_str(), MAX - 1);
    for (int i = 0; i < 2 * DMU::kLyingMessages; ++i) {
        cycle();
        EXPECT_FALSE(dmu->isFallenThisCycle());
    }
}

// ---- The attacker (reached only by calling it: number 1 is the goalie) --------

TEST_F(DmuCycle, AttackerPlaysWhileTheClockIsStrictlyBetweenZeroAnd700) {
    sense(kPreparation);
    for (float t : {0.0f, 700.0f}) {
        wm->setGSTime(t);
        cc->reset();
        dmu->testBehave();
        EXPECT_NE(std::string(cc->getPreparedCommand()).find("(rae2 "), std::string::npos) << t;
        EXPECT_EQ(running(), SKILL_NOTHING) << t;
    }

    wm->setGSTime(699.0f);
    ballAhead(3.0);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    dmu->testBehave();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Oops! No Skill To Run!\n");
    EXPECT_EQ(running(), SKILL_PATTERN_ALIGNER);

    // With a skill running, the approach to the ball is queued behind it.
    testing::internal::CaptureStdout();
    dmu->testBehave();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(waiting(), SKILL_TFS_WALK);
    EXPECT_EQ(out.find("ROOOOOOOOOOOOOOOOOOO"), std::string::npos);

    // A nearest opponent in view is reported with its distance.
    Player opp(4, SIDE_OPP, Point(1, 0, 0));
    opp.setPolarPos(Point(2.5, 0, 0));
    opp.setLastTimeSeenPlayer(wm->getTime());
    wm->addOpp(opp);
    testing::internal::CaptureStdout();
    dmu->testBehave();
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("ROOOOOOOOOOOOOOOOOOO 2.5\n"), std::string::npos);
}

TEST_F(DmuCycle, AttackerThatHasFallenQueuesAStandUp) {
    // Away from home before kick-off the decision only aligns, so the fall
    // detector can fill up without any skill being queued.
    wm->setPlayMode(PM_BEFORE_KICK_OFF);
    onFeet = false;
    for (int i = 0; i < 20; ++i) cycle();
    ASSERT_TRUE(dmu->isFallenThisCycle());
    ASSERT_EQ(running(), SKILL_NOTHING);
    testing::internal::CaptureStderr();
    dmu->testBehave();
    testing::internal::GetCapturedStderr();
    dmu->testBehave();
    EXPECT_EQ(running(), SKILL_PATTERN_ALIGNER);
    EXPECT_EQ(waiting(), SKILL_NAO_STANDUP);
}

}  // namespace
