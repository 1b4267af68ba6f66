// Turns a tactical wish (get behind the ball, go back to our goal, dribble
// on, kick, go to a point) into the skill the skill manager is to run this
// cycle. Each operation is called once per cycle, reads the world model and
// returns either the skill that is already running (a walk or a turn, after
// steering it) or a new skill object for the caller to queue; the caller
// hands whatever it gets to SkillManager::putSkillInQ(), which owns it.
//
// Directions. Bearings read from sightings (the ball, goal posts, points
// behind the ball) grow counter-clockwise, to the robot's left. The robot's
// yaw (WorldModel::getDir().getZ()) grows clockwise, 0 facing the opponent
// goal. A walk's degree turns it clockwise when positive, so steering toward
// a sighted bearing b means degree -b. TurnSkill turns clockwise for a
// positive target heading and counter-clockwise for a negative one, and
// compares that heading with the yaw.
//
// Behaviour state that must outlive a cycle (fitting stages, the kick
// approach, ball ownership) lives in process-wide variables of the operation
// that uses it, one copy each, shared with HighLevelSkills.
#pragma once

#include <vector>

#include "etc/SkillParams.h"
#include "geometry/Point.h"
#include "skills/ApproachPlan.h"
#include "objects/BodyState.h"
#include "skills/lowLevelSkills/PatternAligner.h"

class CommandCreator;
class DMUtil;
class GameConf;
class ParserT;
class SkillBase;
class SkillManager;
class TFSWalk;
class TurnSkill;
class WorldModel;

class MidLevelSkills {
public:
    static constexpr const char* kApproachSkill = "approach";
    // The approach's values (params/approach.params), in this order, with
    // the values the approach was designed with.
    static const std::vector<SkillParams::Param>& approachParamList();
    enum ApproachParam {
        A_BEHIND_DIST = 0,  // how far behind the ball the approach lines up (m)
        A_FIT_RANGE,        // within this of that point the robot turns to face the ball (m)
        A_FIT_LEAVE,        // a fitting robot this far off the point walks back to it (m)
        A_FACE_TOL,         // facing the ball within this (degrees): lined up
        A_LINE_TOL,         // ball and goal middle this far apart in bearing at most (degrees)
        A_STOP_DIST,        // the walk to the ball stops with the ball this far before the legs (m)
        A_FOOT_SIDE,        // the ball is steered this far to the side of the torso (m)
        A_OWNER_RANGE,      // nearer than this the player lines up for the kick (m)
        A_COUNT
    };
    // One approach value, from the file or its design value.
    static double approachValue(ApproachParam which);

    static MidLevelSkills* getUniqueInstance();

    MidLevelSkills(const MidLevelSkills&) = delete;
    MidLevelSkills& operator=(const MidLevelSkills&) = delete;
    virtual ~MidLevelSkills();

    // The field player's play-on behaviour: get behind the ball, then
    // dribble toward the opponent goal while the ball stays ahead.
    SkillBase* attackBallOwner();
    // Walks to the point 0.7 m behind the ball (seen from the opponent
    // goal) and turns to face the ball; `reached` is set in the cycle the
    // robot stands there facing the ball within angleTol degrees.
    SkillBase* goBehindBall(bool& reached, double angleTol);
    // Walks to the point `dist` metres behind the ball (on the line from the
    // opponent goal through the ball) and waits there: a player that leaves
    // the ball to a teammate stays near enough to take over.
    SkillBase* goBehindBallAt(double dist);
    // Dribbles: walks on through the ball, steering half the ball's bearing.
    SkillBase* goTowardGoal();
    // The goalie's walk back to the middle of our goal, ending facing the
    // opponent goal within angleTol degrees (`reached`).
    SkillBase* goToGoal(bool& reached, double angleTol);
    // Walks up to the ball, stops, kicks; once the kick has finished the
    // next call approaches the ball again. The competition build takes the
    // planned approach (approachAndKick()).
    SkillBase* kickTowardGoal();
    // The competition attacker's way to a kick at the goal (ApproachPlan):
    // to the staging point behind the ball, onto the kick line, up to the
    // ball, stop, kick; a kick at once whenever it stands with the ball in
    // the kick's window and the goal ahead. Searches for a ball lost from
    // sight.
    SkillBase* approachAndKick();
    // A field player that leaves the ball to a teammate: walks to `spot`
    // (field, team frame), round the ball, and waits there facing the ball.
    SkillBase* supportAt(Point spot);
    SkillBase* clearBall();
    // Walks (or, for a target more than 90 degrees off, turns) toward a
    // global point.
    SkillBase* goToward(Point target);
    // Goes to a global point and turns there to face yaw finalDir; null
    // once the robot stands there aligned within angleTol.
    SkillBase* goToPoint(Point target, double finalDir, double angleTol);
    // Gets to the kicking point 0.3 m behind the ball on the line from the
    // target through the ball; null once ready to shoot.
    SkillBase* getReadyToKick(Point target, double angleTol);
    SkillBase* kickToTarget(Point target, double angleTol);
    // The competition team's blocker: walks at the ball with the head
    // tracking it, and backs off slowly once close to the opponent goal.
    // Present in both builds; only the competition behaviour calls it.
    SkillBase* blockOpp();

    // One step of driving the joints toward the preparation posture; true
    // once every joint is within the aligner's tolerance.
    bool readyForRunningSkills();

    bool canShootBall();
    bool isBWBetter();

protected:
    MidLevelSkills();

    CommandCreator* CC;
    WorldModel* WM;
    GameConf* GC;
    DMUtil* dmutil;
    SkillManager* SM;
    // The kick tables are not loaded: nothing here plans kicks from them,
    // and loading would read four files at start.
    ParserT* PT;
    PatternAligner PA;
    // The preparation posture: straight joints, arms down beside the body.
    BodyState BS;
    double avoidTime;
    bool keyChangeFlag;

private:
    // What approachAndKick() and supportAt() steer by: the robot's pose,
    // the ball and the running walk, from the world model.
    void situation(ApproachPlan::Situation& s, TFSWalk* walk) const;
    // Whether the opponent goal's middle lies within `tolerance` degrees of
    // the ball's bearing, so that a kick straight at the ball goes at the
    // goal; always true for a tolerance of 180 or more.
    bool ballLinedUpWithGoal(double tolerance) const;
    // The running walk when there is one, else a new walk (not yet queued).
    TFSWalk* runningOrNewWalk();
    // A new turn toward `heading`. A running walk is asked to stop, since
    // the skill manager lets the turn start only once the walk has finished.
    TurnSkill* newTurn(double heading);
    // Turns on the spot by `clockwise` degrees from the present heading: the
    // turn under way is retargeted, or a new one started.
    SkillBase* turnBy(double clockwise);
    // A turn under way that is no longer wanted, brought to a stop where it
    // is (and returned to be run on), or null when none runs.
    SkillBase* endTurn(SkillBase* running);
    // Holds the head while dribbling or kicking: pan to 0, tilt to -30
    // degrees.
    void holdHead();
};
