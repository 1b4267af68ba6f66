// The forward kick: foot and case from the ball, looking down first when the
// ball has not been seen lately, the values read from the kick's parameters
// (bad ones replaced, times and angles kept in bounds), the left foot's
// kick the mirror image of the right's, the joints led along each phase's
// line (and pulled back onto it when they lag), the phases in their order
// and length, and no speed that is not a number whatever is sensed.
#include "skills/lowLevelSkills/Kick.h"

#include <cmath>
#include <set>
#include <string>

#include "etc/SkillParams.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

void seeBall(double ro, double phi, double teta, double tiltAtSighting = 0) {
    Ball b;
    b.setPolarPos(Point(ro, phi, teta));
    b.setLastStepSeenHeadTiltDegree(tiltAtSighting);
    b.setLastTimeSeenBall(wm()->getTime());
    wm()->setBall(b);
}

SkillParams* params() { return SkillParams::getUniqueInstance(); }

// Degrees per cycle as the speed the kick commands (rad/s).
double perCycle(double degrees) { return degrees * 3.14159265358979323846 / 180.0 / Kick::kCycle; }

double valueOf(const char* name) {
    const auto& list = Kick::paramList();
    for (const auto& p : list) {
        if (std::string(p.name) == name)
            return params()->value(Kick::kSkillName, name, p.designValue);
    }
    ADD_FAILURE() << "no value " << name;
    return 0;
}

}  // namespace

TEST(Kick, BallChoosesDistanceCaseAndFoot) {
    params()->clear();
    sense(kStanding);
    seeBall(0.16, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 2) << "0.16 m exactly is too near";
    seeBall(0.1601, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 1);
    seeBall(0.3, 30, -10, 30);  // 0.3 m at 30 + 30 degrees is 0.15 m
    EXPECT_EQ(Kick().getCasePos(), 2);
    senseJoint(DOF_HEAD_PAN, 10);  // side: head pan plus bearing; 0 is the left foot
    seeBall(0.5, 0, -10);
    EXPECT_EQ(Kick().getCaseFt(), 2);
    seeBall(0.5, 0, -10.001);
    EXPECT_EQ(Kick().getCaseFt(), 1);
}

TEST(Kick, WithoutAFreshSightingItLooksDownBeforeChoosingTheFoot) {
    params()->clear();
    sense(kStanding);
    wm()->setTime(30.0f);
    Ball old;
    old.setPolarPos(Point(0.2, -70, 15));  // seen on the left, long ago
    old.setLastTimeSeenBall(20.0);
    wm()->setBall(old);
    Kick k;
    auto sent = speeds(cycle(k));
    EXPECT_LT(sent["he2"], 0) << "the head tilts down";
    EXPECT_EQ(sent["rle3"], 0) << "the legs hold still meanwhile";
    EXPECT_EQ(k.getPhase(), Kick::PHASE_SHIFT);
    senseJoint(DOF_HEAD_TILT, -30);
    for (int i = 0; i < Kick::kLatency + 3; ++i) cycle(k);
    EXPECT_EQ(speeds(cycle(k))["rle3"], 0) << "the old sighting does not count";

    seeBall(0.2, -40, -15);  // now seen on the right
    auto started = speeds(cycle(k));
    EXPECT_EQ(k.getCaseFt(), 1);
    EXPECT_NE(started["rle2"], 0) << "the shift has begun";
}

TEST(Kick, GivesUpLookingAfterASecond) {
    params()->clear();
    sense(kStanding);
    wm()->setTime(30.0f);
    Ball old;
    old.setLastTimeSeenBall(1.0);
    wm()->setBall(old);
    Kick k;
    senseJoint(DOF_HEAD_TILT, -30);
    int looked = 0;
    while (speeds(cycle(k))["rle2"] == 0 && looked < 200) ++looked;
    EXPECT_EQ(looked, 49);
}

TEST(Kick, ReadsItsValuesAndKeepsThemInBounds) {
    params()->clear();
    sense(kStanding);
    seeBall(0.2, -40, 15);
    const auto& list = Kick::paramList();
    ASSERT_EQ(list.size(), static_cast<std::size_t>(Kick::P_COUNT));
    std::set<std::string> names;
    for (const auto& p : list) EXPECT_TRUE(names.insert(p.name).second) << p.name << " twice";

    {
        Kick designed;
        EXPECT_EQ(designed.getPhaseCycles(Kick::PHASE_SWING),
                  static_cast<int>(std::lround(list[Kick::P_SWING_TIME].designValue / 0.02)));
    }
    params()->set("kick", "swingTime", 0.2);
    params()->set("kick", "liftKnee", -80);
    params()->set("kick", "shiftTime", std::nan(""));  // a learner gone astray
    params()->set("kick", "holdTime", 1e9);
    params()->set("kick", "lowerTime", -1);
    params()->set("kick", "swingHip", 500);
    Kick k;
    EXPECT_EQ(k.getPhaseCycles(Kick::PHASE_SWING), 10);
    EXPECT_EQ(k.getPhaseTarget(Kick::PHASE_LIFT)[DOF_KNEE_L], -80) << "the left foot kicks";
    EXPECT_EQ(k.getPhaseCycles(Kick::PHASE_SHIFT),
              static_cast<int>(std::lround(list[Kick::P_SHIFT_TIME].designValue / 0.02)));
    EXPECT_EQ(k.getPhaseCycles(Kick::PHASE_HOLD), 150) << "no phase longer than 3 s";
    EXPECT_EQ(k.getPhaseCycles(Kick::PHASE_LOWER), 1) << "no phase shorter than a cycle";
    for (int p = 0; p < Kick::PHASE_COUNT; ++p) {
        for (int j = 0; j < DOF_COUNT; ++j) {
            const double a = k.getPhaseTarget(static_cast<Kick::Phase>(p))[j];
            EXPECT_GT(a, Kick::minAngle(j)) << "phase " << p << " joint " << j;
            EXPECT_LT(a, Kick::maxAngle(j)) << "phase " << p << " joint " << j;
        }
    }
    EXPECT_NEAR(k.getPhaseTarget(Kick::PHASE_SWING)[DOF_LEG_LX], 99.5, 1e-9);
}

TEST(Kick, LeftFootKickIsTheMirrorImageOfTheRight) {
    params()->clear();
    sense(kStanding);
    seeBall(0.2, -40, -15);
    Kick right;
    ASSERT_EQ(right.getCaseFt(), 1);
    seeBall(0.2, -40, 15);
    Kick left;
    ASSERT_EQ(left.getCaseFt(), 2);
    const DOFID pairs[][2] = {{DOF_LEG_RX, DOF_LEG_LX},     {DOF_KNEE_R, DOF_KNEE_L},
                              {DOF_ANKLE_RX, DOF_ANKLE_LX}, {DOF_LEG_RY, DOF_LEG_LY},
                              {DOF_ANKLE_RY, DOF_ANKLE_LY}, {DOF_SHOULDER_RY, DOF_SHOULDER_LY}};
    for (int p = 0; p < Kick::PHASE_COUNT; ++p) {
        const double* r = right.getPhaseTarget(static_cast<Kick::Phase>(p));
        const double* l = left.getPhaseTarget(static_cast<Kick::Phase>(p));
        for (const auto& pair : pairs) {
            const bool roll =
                pair[0] == DOF_LEG_RY || pair[0] == DOF_ANKLE_RY || pair[0] == DOF_SHOULDER_RY;
            EXPECT_DOUBLE_EQ(r[pair[0]], (roll ? -1 : 1) * l[pair[1]]) << "phase " << p;
            EXPECT_DOUBLE_EQ(r[pair[1]], (roll ? -1 : 1) * l[pair[0]]) << "phase " << p;
        }
    }
    // Right foot kicking: the torso goes over the left foot (hips roll
    // negative), the right knee bends to lift the foot, then swings forward.
    const double* shift = right.getPhaseTarget(Kick::PHASE_SHIFT);
    EXPECT_LT(shift[DOF_LEG_RY], 0);
    EXPECT_DOUBLE_EQ(shift[DOF_LEG_RY], shift[DOF_LEG_LY]);
    EXPECT_DOUBLE_EQ(shift[DOF_ANKLE_LY], -shift[DOF_LEG_LY]) << "the support sole stays flat";
    EXPECT_LT(right.getPhaseTarget(Kick::PHASE_LIFT)[DOF_KNEE_R], shift[DOF_KNEE_R]);
    EXPECT_GT(right.getPhaseTarget(Kick::PHASE_SWING)[DOF_LEG_RX],
              right.getPhaseTarget(Kick::PHASE_LIFT)[DOF_LEG_RX]);
    EXPECT_EQ(right.getPhaseTarget(Kick::PHASE_LIFT)[DOF_KNEE_L], kStanding[DOF_KNEE_L]);
}

TEST(Kick, JointsFollowEachPhasesLineAndCatchUpWhenTheyLag) {
    params()->clear();
    sense(kStanding);
    seeBall(0.2, -40, 15);  // left foot: the right leg carries
    Kick k;
    const int n = k.getPhaseCycles(Kick::PHASE_SHIFT);
    const double roll = k.getPhaseTarget(Kick::PHASE_SHIFT)[DOF_LEG_RY];
    EXPECT_NEAR(roll, valueOf("shiftRoll"), 1e-9);
    auto sent = speeds(cycle(k));
    EXPECT_NEAR(sent["rle2"], perCycle(roll / n), 1e-5);
    EXPECT_EQ(sent.count("he1") + sent.count("he2"), 0u) << "the head is left to the behaviour";
    EXPECT_EQ(sent.size(), 20u);
    cycle(k);
    // Two cycles in, the sensed roll should show one cycle of the line; it
    // still reads 0, so the kick pushes harder.
    sent = speeds(cycle(k));
    EXPECT_NEAR(sent["rle2"], perCycle(roll / n + 0.3 * (roll / n)), 1e-5);
    senseJoint(DOF_LEG_RY, 3 * roll / n);  // ahead of the line: held back
    EXPECT_LT(std::fabs(speeds(cycle(k))["rle2"]), std::fabs(perCycle(roll / n)));
}

TEST(Kick, PhasesRunInOrderForTheirCyclesThenTheKickStops) {
    params()->clear();
    sense(kStanding);
    seeBall(0.2, -40, -15);
    params()->set("kick", "swingTime", 0.06);
    Kick k;
    int total = 0;
    for (int p = 0; p < Kick::PHASE_COUNT; ++p) {
        for (int c = 0; c < k.getPhaseCycles(static_cast<Kick::Phase>(p)); ++c) {
            bool done = true;
            cycle(k, &done);
            ASSERT_FALSE(done);
            ASSERT_EQ(k.getPhase(), p) << "cycle " << total;
            ++total;
        }
    }
    EXPECT_EQ(k.getPhaseCycles(Kick::PHASE_SWING), 3);
    const auto last = parseCommand(cycle(k));
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(k.getPhase(), Kick::PHASE_DONE);
    EXPECT_EQ(last.size(), 20u);
    for (const auto& [name, speed] : last) EXPECT_EQ(speed, 0) << name << ": left still";
    EXPECT_EQ(cycle(k), "") << "a finished kick commands nothing";

    k.RestartSkill();
    EXPECT_FALSE(k.isFinished());
    EXPECT_EQ(k.getPhase(), Kick::PHASE_SHIFT);
}

TEST(Kick, SpeedsStayFiniteWhateverIsSensed) {
    params()->clear();
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        senseAll(bad);
        seeBall(bad, bad, bad, bad);
        Kick broken;
        for (int i = 0; i < 200; ++i) {
            const std::string text = cycle(broken);
            EXPECT_TRUE(allFinite(text)) << text;
            for (const auto& [name, speed] : parseCommand(text)) {
                EXPECT_LE(std::fabs(speed), Kick::kMaxSpeed) << name;
            }
        }
        cc()->reset();
        EXPECT_FALSE(broken.moveHead(10)) << "a head reading that is no angle never arrives";
        senseJoint(DOF_HEAD_TILT, 0);
        EXPECT_FALSE(broken.moveHead(1e300)) << "a speed no float can hold";
        EXPECT_EQ(std::string(cc()->getPreparedCommand()), "(he2 0.000000)(he2 0.000000)");
    }
}
