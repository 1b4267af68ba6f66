// An alternative goalie routine that works on global positions: it predicts
// where the ball will come to rest, works out where its path crosses the
// goalie's line in front of the goal, and dives toward that side; long after
// its last dive it may go out and clear a ball that lies near the goal. The
// match behaviour guards with DMU::behaveGoalie() instead; this routine is
// kept for experiments and can be driven directly.
#pragma once

#include "geometry/Point.h"

class CommandCreator;
class DMUtil;
class MidLevelSkills;
class SkillManager;
class UpdaterGoalie;
class WorldModel;

class NaoGoalie {
public:
    // Rolling model: a ball at speed v (m/s) rolls on for kRollGain * v -
    // kRollOffset metres.
    static constexpr double kRollGain = 0.91198;
    static constexpr double kRollOffset = 0.005713;
    // The goalie's line in front of the goal and the goal line itself (the
    // magnitudes of their x in our frame).
    static constexpr double kGoalieLineX = 5.7;
    static constexpr double kGoalLineX = 6.0;
    // Crossings farther to the side than this miss the goal.
    static constexpr double kGoalHalfWidth = 0.78;
    // The goalie only dives while it stands in its goal area.
    static constexpr double kInGoalX = -5.3;
    // Crossings within this of the goalie come straight at it.
    static constexpr double kStraightBand = 0.07;
    static constexpr double kDiveSpeed = 6.13;
    // After a dive the routine waits this long before it goes for the ball.
    static constexpr double kAttackPause = 20.0;
    // Where the goalie is beamed: the middle of the goal line's front.
    static constexpr double kHomeX = -5.73;
    static constexpr double kHomeRot = 1.0;

    NaoGoalie();
    ~NaoGoalie();
    NaoGoalie(const NaoGoalie&) = delete;
    NaoGoalie& operator=(const NaoGoalie&) = delete;

    // One cycle of the routine.
    void run();
    // Beams the goalie to (-5.73, 0) facing the field.
    void beamPoint();
    // Nothing to reset: the routine carries no state a restart would spoil.
    void resetGoalie();

    // What the last run() predicted, for whoever watches it.
    Point getPredictedRest() const { return outreal; }
    // Where the ball's path crosses the goalie's line (valid after a run()
    // that found a crossing).
    Point getCrossing() const { return dx; }

private:
    // True and the crossing in dx when the ball rolls over the goalie's
    // line before it stops.
    bool findCrossing();
    void dive(bool toLeft);

    UpdaterGoalie* updater;
    CommandCreator* CC;
    WorldModel* WM;
    SkillManager* SM;
    DMUtil* dmutil;
    MidLevelSkills* MLS;
    double startTime;
    [[maybe_unused]] double step1;
    double dt;
    [[maybe_unused]] double step3;
    double vAmount;
    double xAmount;
    Point ballpos;
    Point lastballpos;
    Point v;
    Point vnorm;
    Point outreal;
    Point dx;
    [[maybe_unused]] bool stop;
    // Server time of the last dive (the start time before the first).
    double timeBuffer;
};
