// The turn: the shorter way to its target (also across +-180), the first
// cycle's twelve leg commands, stopping where a step ends within its
// tolerance and standing until the target is clearly off, no reversal near
// half a turn, the heading carried by the gyro (also with the torso leaning)
// and taken afresh at a look at the landmarks, the values read from the
// parameter files, and the values file of the repository in the learner's
// order.
#include "skills/lowLevelSkills/TurnSkill.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "etc/SkillParams.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

constexpr double kCycle = 0.02;
constexpr double kHalfPeriod = 0.596956 / 2;

// The world model at `time`: its yaw, the gyro's rates, and whether this
// cycle's perception brought a look at a landmark.
void sense(double time, double yaw, double gx, double gy, double gz, bool look) {
    wm()->setTime(static_cast<float>(time));
    wm()->setDir(Point(0, 0, yaw));
    senseGyro(gx, gy, gz);
    if (look) {
        Flag f;
        f.setLastTimeSeenFlag(wm()->getTime(), 4);
        wm()->setAFlag(f, 4);
    }
}

// Runs `cycles` cycles from `time` on with the torso turning by `degPerCycle`
// clockwise (the yaw's sense) as the gyro tells it; the world model's yaw
// stays where it was, as it does when the flags are out of sight. Returns
// the time after them.
double spin(TurnSkill& turn, double time, double yaw, double degPerCycle, int cycles,
            std::vector<std::string>* texts = nullptr) {
    for (int i = 0; i < cycles; ++i) {
        time += kCycle;
        sense(time, yaw, 0, 0, -degPerCycle / kCycle, false);
        const std::string text = cycle(turn, nullptr, true);
        if (texts != nullptr) texts->push_back(text);
    }
    return time;
}

}  // namespace

TEST(TurnSkill, TurnsTheShorterWayAlsoAcrossHalfATurn) {
    senseAll(0);
    struct Case {
        double yaw, target, err;
        RotateDirection dir;
    };
    // A positive error makes the yaw grow: the gait's counter-clockwise phase.
    const Case cases[] = {{0, 90, 90, Counter_Clock_Wise},     {0, -90, -90, Clock_Wise},
                          {170, -170, 20, Counter_Clock_Wise}, {-170, 170, -20, Clock_Wise},
                          {10, 350, -20, Clock_Wise},          {0, 200, -160, Clock_Wise}};
    double time = 5.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        time += 1.0;
        sense(time, c.yaw, 0, 0, 0, true);
        TurnSkill turn(c.target);
        bool finished = true;
        EXPECT_EQ(parseCommand(cycle(turn, &finished, true)).size(), 12u);
        EXPECT_TRUE(turn.isStepping());
        EXPECT_FALSE(finished) << "a stepping turn is not done";
        EXPECT_EQ(turn.getRotDir(), c.dir);
        EXPECT_NEAR(turn.getHeadingError(), c.err, 1e-9);
    }
}

TEST(TurnSkill, FirstCycleDrivesTheTwelveLegJointsAlongTheGait) {
    wm()->setTime(5.0f);
    setBallUnseenFor(5.0);  // ball never seen: the phase must not care
    sense(5.0, 0, 0, 0, 0, true);
    senseAll(0);
    senseJoint(DOF_KNEE_R, -10);
    senseJoint(DOF_KNEE_L, -20);
    senseJoint(DOF_LEG_RT, -18);
    senseJoint(DOF_LEG_LT, -20.141633);  // 0.005 off its target: dead band
    senseJoint(DOF_ANKLE_RX, 10);
    senseJoint(DOF_ANKLE_LX, 15);
    TurnSkill ccw(30);
    // Phase 0.02 s of the 0.596956 s cycle; each ankle rolls with the other hip.
    // clang-format off
    expectSent(cycle(ccw, nullptr, true),
               {{"rle3", 0.1227175}, {"lle3", 0.9137085},  {"rle2", -2.2021375},
                {"lle2", 0.0},       {"rle4", -2.37775},   {"lle4", -0.4991795},
                {"rle1", -1.0733165}, {"lle1", 0.0},       {"rle5", 2.2550325},
                {"lle5", 2.085471},  {"rle6", 0.0},        {"lle6", -2.2021375}});
    // clang-format on
    const TurnSkill follower(10);
    EXPECT_EQ(follower.predictEffector(0, 0.005), 0.0);
    EXPECT_DOUBLE_EQ(follower.predictEffector(0, 0.01), 0.005);
    EXPECT_DOUBLE_EQ(follower.predictEffector(13, 0), -kLimit);
    EXPECT_EQ(follower.predictEffector(std::nan(""), 1), 0.0);
    EXPECT_EQ(follower.predictEffector(0, HUGE_VAL), 0.0);
}

// Design values: tolerance and stop error 5 degrees, 0.5 s of standing
// before turning again.
TEST(TurnSkill, StopsWhereAStepEndsThenStandsUntilTheTargetIsClearlyOff) {
    senseAll(0);
    double time = 10.0;
    sense(time, 0, 0, 0, 0, true);
    TurnSkill turn(90);
    cycle(turn, nullptr, true);
    ASSERT_TRUE(turn.isStepping());
    // Two degrees a cycle: within 5 degrees of 90 after 43 cycles, in the
    // third step of the gait; the stop waits for that step's end.
    double t = time;
    int stepped = 1;
    while (turn.isStepping() && stepped < 100) {
        t = spin(turn, t, 0, 2.0, 1);
        ++stepped;
    }
    ASSERT_FALSE(turn.isStepping());
    EXPECT_LE(turn.getHeadingError(), 5.0);
    const double phase = t - time + kCycle;  // the gait's time of that cycle
    EXPECT_LT(std::fmod(phase, kHalfPeriod), kCycle + 1e-9) << "stopped in mid-step at " << phase;
    EXPECT_GE(phase, 3 * kHalfPeriod - 1e-9);
    // Standing: the aligner drives all 22 joints; done once it has stood
    // still for the settle time, and a drift within the tolerance changes
    // nothing.
    bool finished = true;
    EXPECT_EQ(parseCommand(cycle(turn, &finished, true)).size(), 22u);
    EXPECT_FALSE(finished) << "still stopping";
    t = spin(turn, t, 0, -0.05, 30);
    cycle(turn, &finished, true);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(turn.isStepping());
    // A target clearly off turns again, the shorter way.
    t += kCycle;
    sense(t, 100, 0, 0, 0, true);
    turn.setDeg(60);
    cycle(turn, &finished, true);
    EXPECT_TRUE(turn.isStepping());
    EXPECT_EQ(turn.getRotDir(), Clock_Wise);
}

// Behaviours hand the turn its target every cycle; with the target about
// half a turn away the error flips between +180 and -180 as the heading
// wobbles. A stepping turn keeps its direction there; a reversal stops
// first and starts afresh after standing.
TEST(TurnSkill, NoReversalAtHalfATurnAndAReversalGoesThroughStanding) {
    EXPECT_EQ(TurnSkill::chooseDirection(179, true, Clock_Wise), Clock_Wise);
    EXPECT_EQ(TurnSkill::chooseDirection(-179, true, Counter_Clock_Wise), Counter_Clock_Wise);
    EXPECT_EQ(TurnSkill::chooseDirection(179, false, Clock_Wise), Counter_Clock_Wise);
    EXPECT_EQ(TurnSkill::chooseDirection(150, true, Clock_Wise), Counter_Clock_Wise);

    senseAll(0);
    double t = 20.0;
    sense(t, 0, 0, 0, 0, true);
    TurnSkill turn(-178);
    cycle(turn, nullptr, true);
    ASSERT_EQ(turn.getRotDir(), Clock_Wise);
    // The target creeps round past 180 (a behaviour's noise): the turn goes on.
    for (int i = 0; i < 20; ++i) {
        t = spin(turn, t, 0, 0.0, 1);
        turn.setDeg(i % 2 == 0 ? 178 : -178);
        EXPECT_TRUE(turn.isStepping());
        EXPECT_EQ(turn.getRotDir(), Clock_Wise) << i;
    }
    // A target well to the other side: stops at the end of the step, stands,
    // then turns the other way.
    turn.setDeg(60);
    std::vector<std::string> texts;
    t = spin(turn, t, 0, 0.0, 16, &texts);
    EXPECT_FALSE(turn.isStepping());
    EXPECT_EQ(turn.getRotDir(), Clock_Wise) << "no reversal in mid-step";
    t = spin(turn, t, 0, 0.0, 26);
    EXPECT_TRUE(turn.isStepping());
    EXPECT_EQ(turn.getRotDir(), Counter_Clock_Wise);
}

// The world model's yaw goes stale once the flags leave the view; the turn
// follows the torso with the gyro from the yaw it had at the last look, with
// the torso's lean taken into account: leaning back 30 degrees, a turn about
// the vertical shows only 87 % of its rate about the torso's own up axis.
TEST(TurnSkill, FollowsTheTorsoWithTheGyroFromTheYawAtALook) {
    senseAll(0);
    double t = 30.0;
    sense(t, 30, 0, 0, 0, false);
    TurnSkill turn(-90);
    cycle(turn, nullptr, true);
    EXPECT_TRUE(std::isnan(turn.getHeading())) << "waits for a look";
    EXPECT_FALSE(turn.isStepping());
    t += kCycle;
    sense(t, 30, 0, 0, 0, true);
    cycle(turn, nullptr, true);
    EXPECT_DOUBLE_EQ(turn.getHeading(), 30);

    t = spin(turn, t, 55, 1.0, 10);  // the stale yaw (55) is ignored
    EXPECT_NEAR(turn.getHeading(), 40, 1e-3);
    const auto gyro = [&](double gx, double gy, double gz, int cycles) {
        for (int i = 0; i < cycles; ++i) {
            t += kCycle;
            sense(t, 55, gx, gy, gz, false);
            cycle(turn, nullptr, true);
        }
    };
    gyro(300, 0, 0, 5);  // leaning back 30 degrees
    const double s = std::sin(30 / 57.29577951), c = std::cos(30 / 57.29577951);
    gyro(0, 100 * s, 100 * c, 10);  // 20 degrees counter-clockwise about the vertical
    gyro(-300, 0, 0, 5);
    EXPECT_NEAR(turn.getHeading(), 20, 0.1);

    // A new target waits for the next look for its heading: until then the
    // gyro's heading goes on.
    turn.setDeg(-100);
    gyro(0, 0, -50, 1);
    EXPECT_NEAR(turn.getHeading(), 21, 0.1);
    t += kCycle;
    sense(t, -5, 0, 0, 0, true);
    cycle(turn, nullptr, true);
    EXPECT_DOUBLE_EQ(turn.getHeading(), -5);
    // Without any look it takes the world model's yaw after 0.2 s anyway.
    turn.setDeg(0);
    gyro(0, 0, 0, 12);
    EXPECT_DOUBLE_EQ(turn.getHeading(), 55);
}

TEST(TurnSkill, ReadsItsValuesFromTheParameterFiles) {
    SkillParams* sp = SkillParams::getUniqueInstance();
    sp->set("turn", "period", 1.2);
    sp->set("turn", "hipYawAmplitude", -10);
    sp->set("turn", "tolerance", 20);
    senseAll(0);
    sense(40, 0, 0, 0, 0, true);
    TurnSkill wide(15);
    cycle(wide, nullptr, true);
    EXPECT_FALSE(wide.isStepping()) << "15 degrees is within the file's tolerance";
    TurnSkill turn(30);
    // Hip yaw at 0.02 s of a 1.2 s cycle: -10 sin(0.02 pi / 1.2 - pi) - 10.
    const double yaw = -10 * std::sin(0.02 * M_PI / 1.2 - M_PI) - 10;
    EXPECT_NEAR(speeds(cycle(turn, nullptr, true))["rle1"], yaw / 2, 1e-4);
    // A value that is no number falls back to a harmless one.
    sp->set("turn", "tolerance", std::nan(""));
    TurnSkill fallback(15);
    cycle(fallback, nullptr, true);
    EXPECT_TRUE(fallback.isStepping());
    EXPECT_DOUBLE_EQ(TurnSkill::yawScaleFor(60, 30, 0.3), 1.0);
    EXPECT_DOUBLE_EQ(TurnSkill::yawScaleFor(-15, 30, 0.3), 0.5);
    EXPECT_DOUBLE_EQ(TurnSkill::yawScaleFor(3, 30, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(TurnSkill::yawScaleFor(3, 0, 0.3), 1.0);
    sp->clear();
}

// The tuner reads params/turn.params as the learner's vector: its names must
// be the turn's values in the turn's order, each with a finite value.
TEST(TurnSkill, TheRepositorysValuesFileListsTheTurnsValuesInOrder) {
    const std::string path = std::string(FIXTURE_DIR) + "/../../params/turn.params";
    std::ifstream in(path);
    ASSERT_TRUE(in.good()) << path;
    std::vector<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name;
        double value = NAN;
        if (!(words >> name) || name[0] == '#') continue;
        ASSERT_TRUE(words >> value) << line;
        EXPECT_TRUE(std::isfinite(value)) << line;
        names.push_back(name);
    }
    const auto& list = TurnSkill::paramList();
    ASSERT_EQ(names.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(names[i], list[i].name) << i;
}
