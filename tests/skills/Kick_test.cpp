// The forward kick: which case and foot the ball chooses, the phase sequence
// as the sensed posture reaches each keyframe (5 preparation and 10 swing
// cycles between keyframes 2 and 3), the return to standing, a restart on
// the same object, and no speed that is not a number whatever is sensed.
#include "skills/lowLevelSkills/Kick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

// A kick keyframe from its ten leg values (hip Y, hip X, knee, ankle X,
// ankle Y; right leg first), with the arms and head as every kick keyframe.
struct Keyframe {
    double a[DOF_COUNT] = {0, 15, 0, 0, 90, 30, 0, 0, -90, -30, 0};
    explicit Keyframe(std::initializer_list<double> legs) {
        const DOFID cols[] = {DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R, DOF_ANKLE_RX,
                              DOF_ANKLE_RY, DOF_LEG_LY, DOF_LEG_LX, DOF_KNEE_L,
                              DOF_ANKLE_LX, DOF_ANKLE_LY};
        int i = 0;
        for (double v : legs) a[cols[i++]] = v;
    }
};

const Keyframe kRight1({-15, 25, -45, 20, 15, -10, 10, -15, 10, 10});
const Keyframe kRight2({-15, 40, -55, 5, 15, -10, 7, -12, 7, 10});
const Keyframe kRight3({-10, 30, -25, 5, -10, -10, 30, -25, 5, 10});
const Keyframe kLeft1({10, 10, -15, 10, -10, 15, 25, -45, 20, -15});
const Keyframe kLeft2({10, 7, -12, 7, -10, 15, 40, -55, 5, -15});
const Keyframe kNearRight1({-20, 27, -40, 30, 20, -20, 27, -40, 30, 20});
const Keyframe kNearRight2({-20, 19.99, -30, 0, 20, -15, 20, -20, 10, 15});

WorldModel* wm() { return WorldModel::getUniqueInstance(); }

// The shoulder X joints are read back turned by 90 degrees.
void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

void sense(const double (&angles)[DOF_COUNT]) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

void seeBall(double ro, double phi, double teta, double tiltAtSighting = 0) {
    Ball b;
    b.setPolarPos(Point(ro, phi, teta));
    b.setLastStepSeenHeadTiltDegree(tiltAtSighting);
    wm()->setBall(b);
}

std::string cycle(Kick& k) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    k.run();
    return cc->getPreparedCommand();
}

std::map<std::string, double> speeds(const std::string& text) {
    std::map<std::string, double> out;
    const char* c = text.c_str();
    char name[16];
    double value = 0;
    int used = 0;
    while (std::sscanf(c, "(%15s %lf)%n", name, &value, &used) == 2) {
        out[name] = value;
        c += used;
    }
    return out;
}

}  // namespace

TEST(Kick, BallChoosesDistanceCaseAndFoot) {
    sense(kStanding);
    seeBall(0.16, 0, -10);
    {
        Kick k;
        EXPECT_EQ(k.getCasePos(), 2) << "0.16 m exactly is too near";
        EXPECT_EQ(k.getCaseFt(), 1) << "ball to the right: right foot";
        EXPECT_EQ(k.getSkillID(), SKILL_NAO_KICK);
        EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    }
    seeBall(0.1601, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 1);
    // Elevation and the head tilt at the sighting both lower the distance:
    // 0.3 m at 30 + 30 degrees lies 0.15 m in front of the legs.
    seeBall(0.3, 30, -10, 30);
    EXPECT_EQ(Kick().getCasePos(), 2);
    seeBall(0.3, 30, -10, 0);
    EXPECT_EQ(Kick().getCasePos(), 1);

    // Side: head pan plus bearing; exactly 0 is the left foot.
    senseJoint(DOF_HEAD_PAN, 10);
    seeBall(0.5, 0, -10);
    EXPECT_EQ(Kick().getCaseFt(), 2);
    seeBall(0.5, 0, -10.001);
    EXPECT_EQ(Kick().getCaseFt(), 1);

    // The tuned degree factor, not the exact one.
    seeBall(1.0, 60, 0);
    Kick k;
    EXPECT_DOUBLE_EQ(k.calcLegDistToBall(), std::cos(60 * 0.017453292519444445));
    EXPECT_GT(std::fabs(k.calcLegDistToBall() - std::cos(60 * 3.141592653589793 / 180)), 1e-11);
}

TEST(Kick, NormalDistanceRightFootPhasesAndSpeeds) {
    sense(kStanding);
    seeBall(0.5, 0, -20);
    Kick k;
    ASSERT_EQ(k.getCasePos(), 1);
    ASSERT_EQ(k.getCaseFt(), 1);

    // Standing: keyframe 1 is driven (hip X 11 -> 25).
    auto s = speeds(cycle(k));
    EXPECT_EQ(s.size(), 22u);
    EXPECT_NEAR(s["rle3"], 14 / 18.0 + 0.05, 1e-6);

    // Keyframe 1 reached, the head elsewhere: weight 0, so keyframe 2 is next.
    Keyframe key1 = kRight1;
    key1.a[DOF_HEAD_PAN] = 40;
    key1.a[DOF_HEAD_TILT] = -30;
    sense(key1.a);
    s = speeds(cycle(k));
    EXPECT_EQ(k.getQueuedKeyframes(), 2u);
    EXPECT_NEAR(s["rle3"], 15 / 18.0 + 0.05, 1e-6);   // 25 -> 40
    EXPECT_NEAR(s["lle3"], -3 / 18.0 - 0.05, 1e-6);   // 10 -> 7

    // Keyframe 2 reached: five cycles tip the kicking foot, nothing else.
    sense(kRight2.a);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(cycle(k), "(rle5 -1.000000)") << "preparation cycle " << i;
        EXPECT_EQ(k.getSwingCount(), i);
    }
    // Ten swing cycles: support leg leans, kicking leg whips.
    for (int i = 6; i <= 15; ++i) {
        EXPECT_EQ(cycle(k),
                  "(lle3 -1.000000)(lle5 1.000000)(rle3 6.100000)(rle4 6.100000)")
            << "swing cycle " << i;
    }
    EXPECT_EQ(k.getSwingCount(), 15);

    // Then keyframe 3 (right ankle Y 15 -> -10), still from keyframe 2.
    s = speeds(cycle(k));
    EXPECT_EQ(s.size(), 22u);
    EXPECT_NEAR(s["rle6"], -25 / 18.0 - 0.05, 1e-6);
    EXPECT_EQ(k.getSwingCount(), 15);
    EXPECT_FALSE(k.isFinished());

    // Keyframe 3 reached: back to standing (hip X 30 -> 11).
    sense(kRight3.a);
    s = speeds(cycle(k));
    EXPECT_EQ(k.getQueuedKeyframes(), 0u);
    EXPECT_NEAR(s["rle3"], -19 / 18.0 - 0.05, 1e-6);
    EXPECT_FALSE(k.isFinished());

    sense(kStanding);
    s = speeds(cycle(k));
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(s.size(), 22u);
    for (const auto& [effector, v] : s) EXPECT_EQ(v, 0.0) << effector;
    // A finished kick commands nothing further.
    EXPECT_EQ(cycle(k), "");
    EXPECT_TRUE(k.isFinished());
}

TEST(Kick, LeftFootAndTooNearSwingDifferently) {
    sense(kStanding);
    seeBall(0.5, 0, 20);
    Kick left;
    ASSERT_EQ(left.getCaseFt(), 2);
    sense(kLeft1.a);
    cycle(left);
    sense(kLeft2.a);
    EXPECT_EQ(cycle(left), "(lle5 -1.000000)");
    for (int i = 0; i < 4; ++i) cycle(left);
    EXPECT_EQ(cycle(left), "(rle3 -1.000000)(rle5 1.000000)(lle3 6.100000)(lle4 6.100000)");

    // From close up the preparation commands nothing and the support leg
    // does not lean: only the kicking leg swings.
    sense(kStanding);
    seeBall(0.1, 0, -20);
    Kick nearKick;
    ASSERT_EQ(nearKick.getCasePos(), 2);
    sense(kNearRight1.a);
    cycle(nearKick);
    sense(kNearRight2.a);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(cycle(nearKick), "") << "preparation cycle " << i;
        EXPECT_EQ(nearKick.getSwingCount(), i);
    }
    for (int i = 6; i <= 15; ++i) EXPECT_EQ(cycle(nearKick), "(rle3 6.100000)(rle4 6.100000)");
    // The closing keyframe from close up: everything straight, arms out a bit.
    auto s = speeds(cycle(nearKick));
    EXPECT_NEAR(s["rle3"], 19.99 / -18.0 - 0.05, 1e-4);
    EXPECT_NEAR(s["rae2"], -10 / 18.0 - 0.05, 1e-6);  // 0 -> -10
}

TEST(Kick, RestartChoosesAgainAndRefillsTheQueue) {
    sense(kStanding);
    seeBall(0.5, 0, -20);
    Kick k;
    sense(kRight1.a);
    cycle(k);
    sense(kRight2.a);
    for (int i = 0; i < 8; ++i) cycle(k);
    ASSERT_EQ(k.getSwingCount(), 8);

    seeBall(0.1, 0, 30);
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    k.RestartSkill();
    const std::string text = cc->getPreparedCommand();
    EXPECT_EQ(k.getCasePos(), 2);
    EXPECT_EQ(k.getCaseFt(), 2);
    EXPECT_EQ(k.getSwingCount(), 0);
    EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    // All joints stopped first, then the first keyframe of the new case driven.
    EXPECT_EQ(text.rfind("(he1 0.0)(he2 0.0)(rae1 0.0)", 0), 0u) << text;
    EXPECT_NE(text.find("(rle3 "), std::string::npos);
}

TEST(Kick, NoSpeedThatIsNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf}) {
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, bad);
        seeBall(bad, bad, bad, bad);
        Kick k;
        for (int i = 0; i < 30; ++i) {
            const std::string text = cycle(k);
            EXPECT_EQ(text.find("nan"), std::string::npos) << text;
            EXPECT_EQ(text.find("inf"), std::string::npos) << text;
        }
        CommandCreator* cc = CommandCreator::getUniqueInstance();
        cc->reset();
        EXPECT_FALSE(k.moveHead(10));
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 0.000000)");
        cc->reset();
        senseJoint(DOF_HEAD_TILT, 0);
        EXPECT_FALSE(k.moveHead(1e300)) << "a speed no float can hold";
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 0.000000)");
    }
}

TEST(Kick, MoveHeadCoversTheErrorInOneCycle) {
    senseJoint(DOF_HEAD_TILT, 0);
    Kick k;
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    EXPECT_FALSE(k.moveHead(10));
    EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 2.777778)");   // 10 / (0.02 * 180)
    cc->reset();
    senseJoint(DOF_HEAD_TILT, 9.995);
    EXPECT_TRUE(k.moveHead(10));
    EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 0.000000)");
}
