// The forward kick with either foot, from the standing posture.
//
// When it is created it looks at the ball once: the ball's side chooses the
// kicking foot (the other leg carries the robot), its distance in front of
// the legs is kept as the distance case, and its distance ahead moves the
// cocked foot with the ball (reach). The kick then runs a fixed
// sequence of timed phases, each a posture the joints are led to along a
// straight line in joint space within the phase's time:
//
//   shift    rolls both legs so that the torso comes over the support foot
//   lift     lifts the kicking foot off the ground and cocks it behind the ball
//   swing    swings it forward through the ball
//   retract  pulls it back under the body, still in the air
//   lower    sets it down again beside the support foot
//   return   rolls the weight back onto both feet, standing posture
//   hold     stands still a moment longer before the kick counts as over
//
// Every joint follows its line with the line's own speed plus a correction
// toward where the line was when the sensed angle was taken (the server shows
// a command two cycles later), so the motion keeps its timing where the
// body's weight slows a joint, and the balance planned for each phase holds.
//
// The angles, times and the lean are read from params/kick.params (values of
// the "kick" skill, names as in paramList()); a value the file lacks keeps the
// value the kick was designed with.
//
// Ball window (where an approach has to leave the robot, standing still):
// the ball's centre 0.18 to 0.23 m in front of the torso centre (best 0.20 m)
// and 0.02 to 0.08 m to the side of the torso centre (best 0.055 m, straight
// in front of the kicking foot), the robot facing where the ball is to go.
// The ball's side chooses the foot. Inside the window the ball travels 3.0 to
// 3.3 m within 3 degrees of the robot's heading on the physics model (up to
// 11 degrees off with the ball 8 cm to the side); the kicker stays up also
// outside it. The kick looks at the ball once, as it starts: a ball it has
// not seen in the last 0.1 s makes it tilt the head down first (up to 1 s).
#pragma once

#include <vector>

#include "etc/SkillParams.h"
#include "skills/SkillBase.h"
#include "types.h"

class Kick : public SkillBase {
public:
    // A ball at most this far in front of the legs (metres) is too near for
    // the normal kick.
    static constexpr double kNearDistance = 0.16;
    // The degree-to-radian factor the leg distance was designed with
    // (slightly off pi/180).
    static constexpr double kDegToRad = 0.017453292519444445;
    // One server cycle, seconds.
    static constexpr double kCycle = 0.02;
    // The fastest a joint moves (rad/s); the server clips there anyway.
    static constexpr double kMaxSpeed = 6.1395;
    // Cycles from a command to the first sensed angle that shows it.
    static constexpr int kLatency = 2;
    static constexpr const char* kSkillName = "kick";

    enum Phase {
        PHASE_SHIFT = 0,
        PHASE_LIFT,
        PHASE_SWING,
        PHASE_RETRACT,
        PHASE_LOWER,
        PHASE_RETURN,
        PHASE_HOLD,
        PHASE_DONE,
        PHASE_COUNT = PHASE_DONE
    };

    // The kick's values in the order the learner's vector uses, each with
    // the value the kick was designed with.
    static const std::vector<SkillParams::Param>& paramList();
    // Where each value sits in paramList().
    enum ParamIndex {
        P_SHIFT_ROLL = 0,
        P_SHIFT_TIME,
        P_LEAN,
        P_LIFT_HIP,
        P_LIFT_KNEE,
        P_LIFT_TIME,
        P_SWING_HIP,
        P_SWING_KNEE,
        P_SWING_ANKLE,
        P_SWING_TIME,
        P_RETRACT_TIME,
        P_LOWER_TIME,
        P_RETURN_TIME,
        P_HOLD_TIME,
        P_SUPPORT_ROLL,
        P_ARM_OUT,
        P_KICK_ROLL,
        P_SWING_LEAN,
        P_REACH,
        P_COUNT
    };

    // Chooses the case from the ball as seen now and plans the phases.
    Kick();
    ~Kick() override = default;
    Kick(const Kick&) = delete;
    Kick& operator=(const Kick&) = delete;

    // Chooses the case, reads the values and plans the phases anew; always
    // true.
    bool init();
    // One cycle; true once the kick has played out.
    bool run() override;
    SkillID getSkillID() override;

    // Starts the kick again on this object: all joints stopped, case chosen
    // anew from the current ball, phases planned again, one cycle run.
    void RestartSkill();
    // Drives the head tilt toward `tilt`; true once within 0.01 degree.
    bool moveHead(double tilt);
    // How far the ball lies in front of the legs (metres), from its seen
    // distance and elevation and the head tilt at that sighting.
    double calcLegDistToBall();
    // How far the ball lies before the head along the body's forward axis
    // (metres), from the last sighting and the head's pan and tilt then.
    double calcBallAhead();
    double getBallAhead() const { return ahead; }

    // 1: ball not too near, 2: ball too near.
    int getCasePos() const { return Case_Pos; }
    // 1: the right foot kicks, 2: the left foot.
    int getCaseFt() const { return Case_Ft; }
    Phase getPhase() const { return phase; }
    // Cycles the phase lasts (at least one).
    int getPhaseCycles(Phase p) const;
    // The posture (degrees by DOFID) a phase leads to.
    const double* getPhaseTarget(Phase p) const;
    // The values in use, in paramList() order.
    const std::vector<double>& getValues() const { return values; }

    // A joint's limits (degrees) as the server enforces them; targets are
    // kept a little inside them.
    static double minAngle(int dof);
    static double maxAngle(int dof);

protected:
    // Foot and distance case from the ball as last seen.
    void chooseCase();
    // One cycle of looking down for the ball; true once the case is chosen.
    bool look();
    // Fills the phase postures and lengths from `values` and the foot.
    void plan();
    // Where joint `dof` should be after `n` command cycles: on the line from
    // the previous phase's posture to this phase's.
    double lineAt(int n, int dof) const;
    // Commands every joint of the kick (all but the head) along the line.
    void follow();

    std::vector<double> values;
    double targets[PHASE_COUNT][DOF_COUNT];
    int cycles[PHASE_COUNT];
    // The sensed posture the kick started from.
    double from[DOF_COUNT];
    Phase phase;
    // Command cycles since the kick began (the first run() is cycle 0).
    int cycle;
    bool started;
    // Looking down for the ball before the kick can choose its foot.
    bool looking;
    int lookCycles;
    int headDownCycles;
    // The ball's distance ahead as the case was chosen.
    double ahead;
    bool endStart;
    int Case_Pos;
    int Case_Ft;
};
