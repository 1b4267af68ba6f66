// The agent's decision layer. Once per server message, after the perception
// has been applied to the world model, behave() picks the behaviour for the
// play mode and the robot's role (goalie or field player, by uniform
// number), lets the skill manager run the current skill, queues the skill
// for the next cycle, and hands back the command text the command builder
// has collected.
//
// Roles. Development build: number 1 (the world model's goalie number) is
// the goalie in every play mode once the game clock runs; in the goal play
// modes every player runs the goalie behaviour; in play-on number 10 also
// plays the goalie behaviour and every other field player stands still (the
// attacker behaviour belongs to number 1, which the goalie role takes
// first). Competition build: in play-on and in our restarts number 1 is the
// goalie, numbers 2 and 3 attack the ball and every other number blocks.
#pragma once

#include <string>

#include "geometry/Point.h"

class CommandCreator;
class DMUtil;
class GameConf;
class HighLevelSkills;
class LearningBase;
class Logger;
class MidLevelSkills;
class NaoBesideWalking;
class NaoGoalie;
class PatternAligner;
class SkillBase;
class ServerCommunicationManager;
class SkillManager;
class WorldModel;

class DMU {
public:
    // Diagnostic traces kept by the decision layer.
    static constexpr const char* kPosLog = "log/pos.log";
    static constexpr const char* kVelLog = "log/vel.log";
    static constexpr const char* kBallPosLog = "log/ballPos.log";
    static constexpr const char* kZLog = "log/logz.log";

    // Cycles after a beam during which the robot is woken.
    static constexpr int kWakeAfterBeam = 10;
    // A position this close to the home position on every axis is home.
    static constexpr double kHomeTolerance = 0.3;
    // The attacker plays while the game clock is strictly between these.
    static constexpr double kAttackUntil = 700.0;

    // The goalie's guard: a ball predicted to stop farther ahead than
    // diveRestAhead (params/play.params; metres, forward) is no danger; one
    // whose rest point lies within the band beside the goalie comes straight
    // at it.
    static constexpr double kStraightBand = 0.07;
    static constexpr double kRollGain = 0.91198;
    static constexpr double kRollOffset = 0.005713;
    static constexpr double kDiveSpeed = 6.13;
    // A dive is driven for at most this long after the last quiet cycle.
    static constexpr double kDiveFor = 1.0;
    // A teammate nearer the ball than this (m) takes it; the other waits.
    static constexpr double kTakerMargin = 0.3;
    // A field player takes the ball over from a teammate, or leaves it to
    // one, only when the other is this much worse or better placed to kick
    // it (m of walking).
    static constexpr double kSwapMargin = 0.4;
    // Our set piece's pause (s, with a margin for the sighting's lag) and
    // how near the spot (m, with a margin for the position's error) the
    // referee lets the taker stand when it ends.
    static constexpr double kSetPiecePause = 1.15;
    static constexpr double kTakerRepel = 0.7;
    // The goalie clears a ball it saw within kGoalieBallAge (s), lying in our
    // goal area (x below kGoalieAreaX, |y| below kGoalieAreaY, m, team
    // frame) within its reach (params/play.params), or kGoalieClearSlack (m)
    // more once it has begun.
    static constexpr double kGoalieBallAge = 1.0;
    static constexpr double kGoalieAreaX = -4.2;
    static constexpr double kGoalieAreaY = 2.0;
    static constexpr double kGoalieClearSlack = 0.5;
    // Alignment tolerance (degrees) of the walk back to the goal.
    static constexpr double kGoalAngleTol = 3.0;

    // The accelerometer tells a lying robot plainly: gravity lies across the
    // torso instead of along it. These many messages in a row with at least
    // kLyingAcross m/s^2 across the torso and at most kLyingAlong along it
    // count as lying; single readings spike when the robot hits something.
    static constexpr double kLyingAcross = 7.0;
    static constexpr double kLyingAlong = 4.0;
    static constexpr int kLyingMessages = 10;
    // Gravity this much along the torso and no more than kUprightAcross
    // across it (the torso tilted less than about 60 degrees): the robot is
    // up, or still catching itself. A stand-up begun on a robot that has not
    // landed throws it down when the walk would have recovered.
    static constexpr double kUprightAlong = 5.0;
    static constexpr double kUprightAcross = 8.5;

    static DMU* getUniqueInstance();
    // The runtime destroys the decision layer at exit (the only singleton it
    // destroys).
    static void destroyInstance();

    DMU(const DMU&) = delete;
    DMU& operator=(const DMU&) = delete;

    // One decision cycle; the command text of this cycle.
    std::string behave();

    void setServerCon(ServerCommunicationManager* con);
    // Waits 1 s, connects again to the local server on port 3100 and sends
    // the scene command (the learning framework uses it between episodes).
    void reconnectAgent();

    // ---- Play-mode handlers -------------------------------------------------
    void behaveBeforeKickOff();
    void behavePlayOn();
    void behaveKickOffUs();
    void behaveKickOffThem();
    void behaveGoalKickUs();
    void behaveGoalKickThem();
    void behaveKickInUs();
    void behaveKickInThem();
    void behaveCornerUs();
    void behaveCornerThem();
    void behaveGameOver();
    void behaveETC();

    // ---- Role behaviours ----------------------------------------------------
    // The attacker: goes for the ball, dribbles and kicks.
    void testBehave();
    // The goalie: guards, dives, lies, stands up and walks back to its goal.
    void behaveGoalie();
    // The blocker (competition build's numbers other than 1 to 3): the
    // attacker's cycle with the blocking walk; the development build, which
    // has no blocker, stops all joints.
    void behaveNum2();

    // ---- Queries no behaviour calls ------------------------------------------
    // The ball lies between us and our goal, inside the angle the two posts
    // span.
    bool shouldBlockBall();
    // The ball lies inside the angle spanned by the corner flags "F1R" and
    // "F2R".
    bool isReady2Kick();
    bool isBWBetter(double);
    void skillTest();
    void testDOF();

    // Whether this cycle's decision took the robot as fallen (the foot-force
    // detector, or the accelerometer showing it lying).
    bool isFallenThisCycle() const { return fallen; }

private:
    DMU();
    ~DMU();

    // Dispatches on the play mode (before kick-off, play-on and restarts,
    // game over, anything else).
    void dispatchPlayMode();
    // The attacker's cycle; the blocker runs it with the blocking walk.
    void runFieldPlayer(bool blocker);
    // Queues a stand-up and runs the skill manager; with nothing to run the
    // robot is driven toward the standing posture instead.
    void standUp();
    // The guard of behaveGoalie() while the goalie is in position.
    void guardGoal(double now);
    void dive(bool toLeft, double now);
    // Competition build: our set piece (the player nearest the ball takes
    // it), taking it, waiting in place while the other team takes theirs
    // (the goalie guards), holding still without falling, the attacker's
    // choice between going for the ball and leaving it to a teammate, and
    // the walk slowed near other robots.
    void ourSetPiece();
    void takeSetPiece();
    void holdOrGuard();
    void holdStill();
    SkillBase* attackOrSupport();
    SkillBase* limitSpeed(SkillBase* skill);
    // A stand-up the skill manager is still working through.
    bool standUpInProgress();
    // Whether the goalie goes out to clear the ball (competition build).
    bool goalieShouldClear() const;

    // The fall decision of this cycle: the foot-force detector (advanced once
    // per cycle here) or, when the server sends an accelerometer, a robot
    // plainly lying.
    bool detectFall();
    bool accelerometerShowsLying();
    bool accelerometerShowsUpright() const;
    // The accelerometer reading of this cycle's perception, when it has one.
    bool readAccelerometer(Point& a) const;

    static DMU* instance;

    CommandCreator* CC;
    WorldModel* WM;
    GameConf* GC;
    // The learning framework runs its episodes on its own; the decision layer
    // never sets this.
    [[maybe_unused]] LearningBase* LB;
    SkillManager* SM;
    DMUtil* dmutil;
    MidLevelSkills* MLS;
    HighLevelSkills* HLS;
    NaoGoalie* goalie;
    ServerCommunicationManager* serverCon;
    NaoBesideWalking* besideWalk;
    PatternAligner* align;
    Logger* loggerP;
    Logger* loggerV;
    Logger* loggerPosBAll;
    Logger* loggerZ;
    unsigned int step;
    Point beamPoint;
    Point goaliePoint;
    Point agentPoint1;
    Point agentPoint2;

    // Leaving the ball to a teammate (or the taker leaving it) last cycle.
    bool supporting = false;
    // The preparation posture has been reached since start-up or the last fall.
    bool ready;
    bool fallen;
    int lyingReadings;
    // Cycles left of waking the robot after a beam: the server leaves a robot
    // that holds still frozen where the beam put it, hanging above the
    // ground with no weight on its feet, until a joint is asked to move.
    int wakeCycles = 0;
    // The spot beamed to in this stoppage (before a kick-off or after a
    // goal). A beam is exact, while the self-localisation of a robot that
    // sees only the far corner flags (the goalie, facing the field) lags for
    // seconds: it would think itself elsewhere and beam again and again, and
    // every beam leaves it hanging above the ground once more.
    bool beamedThisStop = false;
    Point beamedTo;

    // The goalie's state between cycles.
    bool state1;         // in position, guarding
    bool isDropped;      // dived and lying
    double droppedTime;  // server time of the last dive command
    double dropTime;     // server time of the last cycle without a dive
    Point goalieBallVel; // last ball velocity estimate, body frame
    bool clearingBall = false;  // the goalie is out clearing the ball
};
