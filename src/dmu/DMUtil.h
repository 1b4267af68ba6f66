// Queries derived from the world model that behaviour, goalie, kick, stand-up
// and learning code share: who is closest to a point or the ball, who stands
// in front of or behind the ball, whether a point is in the agent's way and
// how to pass it, fall and legs-in-the-air detection from the foot sensors,
// field zones, arm lowering and raising, and a few fitted formulas (walk
// time, ball roll-out). Its only state of its own is the fall detector's
// window.
//
// Positions are global in our team's frame; distances are 3-D unless said
// otherwise. The team-mate list always holds the agent itself; players with
// number 0 are placeholders.
#pragma once

#include <string>
#include <vector>

#include "geometry/Point.h"
#include "objects/Player.h"
#include "types.h"

class CommandCreator;
class GameConf;
class WorldModel;

class DMUtil {
public:
    // Directory, relative to the working directory, that holds the ball
    // roll-out networks "nn.conf", "nn1.conf", "nn3.conf" and "nn4.conf".
    static constexpr const char* kNetworkDir = "ann/";
    // Placeholder position of a player that is not there: far off the field,
    // at standing height, so no distance test ever picks it.
    static constexpr double kAbsentPlayerX = 1000.0;
    static constexpr double kAbsentPlayerY = 1000.0;
    static constexpr double kAbsentPlayerZ = 0.38;

    static DMUtil* getUniqueInstance();

    DMUtil(const DMUtil&) = delete;
    DMUtil& operator=(const DMUtil&) = delete;

    // ---- Closest players -------------------------------------------------
    // Each scans its list in order and keeps the strictly nearer player, so
    // the first of equally distant players wins. When no player qualifies
    // the development build says "ILLEGAL USE" and the first player of the
    // list is returned; for an empty list that is a placeholder (number 0,
    // the list's side, at kAbsentPlayer*).
    Player getClosestTmt2Point(Point p);
    Player getClosestTmtExcept(Point p, int expId);
    Player getSecondClosestTmt2Point(Point p);
    Player getClosestTmt2Ball();
    Player getClosestOpp2Point(Point p);
    Player getClosestOppExcept(Point p, int expId);
    Player getSecondClosestOpp2Point(Point p);
    Player getClosestOpp2Ball();
    // Over both lists; an exclusion applies only when its number is >= 0.
    // The team-mate wins a tie.
    Player getClosestPlayerExcept(Point p, int expTmtId, int expOppId);
    Player getClosestPlayer2Point(Point p);
    Player getSecondClosestPlayer2Point(Point p);
    Player getClosestPlayer2Ball();
    // Nearest team-mate strictly in front of (x greater than) / level with or
    // behind the ball; minDist receives its distance to the ball. None: a
    // player numbered 0 of our side at (1000, 1000, 1000), minDist 10000.
    Player getClosestTmtFrontBall(double& minDist);
    Player getClosestTmtBehindBall(double& minDist);
    // The team-mate numbered id when side is our side, otherwise the
    // opponent numbered id. A number not in the list gives the placeholder
    // of that team (number 0, at kAbsentPlayer*), which is never near the
    // ball and matches no real player.
    Player getPlayer(int id, Side side);

    // ---- Ball and position -----------------------------------------------
    // Distance to the ball in the x-y plane.
    double get2DBallDist();
    // (get2DBallDist(), 0, the ball's seen azimuth).
    Point get2DRelBallPolPos();
    // How far the ball lies in front of the legs, from its seen distance and
    // elevation and the head tilt at the sighting (may be negative).
    double calcLegDistToBall();
    // 2 when the ball's seen azimuth is >= 11, 1 when <= -11, else 3.
    int getBallDir();
    // Turn that puts the ball behind: azimuth - 358 when 360 - azimuth <=
    // azimuth, else azimuth + 2.
    double getAng2BallBack();
    // Both points strictly in front of the ball, or both strictly behind.
    bool areInSameSideOfBall(Point p1, Point p2);
    // The point dist metres from the ball towards our goal centre
    // (-6, 0, 0); the ball itself when it lies on that centre.
    Point getPointFromBall(double dist);
    bool agentIsInMid();
    bool goalieIsInYourPlace();
    bool reachBallNear();
    bool reachBallToMiddle();
    // The ball's seen position moved less than 0.7 per second since the start
    // of the cycle. When no time has passed since the last sighting the step
    // is taken as one server cycle (0.02 s) instead of dividing by zero.
    bool isBallStopped();
    // Zone 1..5 of the agent's / the ball's x: 1 [-6, -2.5], 2 (-2.5, 0.5],
    // 3 (0.5, 3.5), 4 [3.5, 6], 5 off the field (field length 12).
    int partOfFieldAgent();
    int partOfFieldBall();
    int getFastestToBall();

    // ---- Body ------------------------------------------------------------
    bool isLeftLegInTheAir();
    bool isRightLegInTheAir();
    bool areBothLegsInTheAir();
    // Fall detector; advances its half-second window by one cycle, so it is
    // called exactly once per cycle. A robot is also fallen once the
    // accelerometer has shown it lying for kLyingReadings messages in a row
    // (gravity at least kLyingAcross across the torso, at most kLyingAlong
    // along it): the feet miss a robot on its back with its heels down and
    // see one on its front only when the toes touch. Ten readings (0.2 s),
    // as the decision layer counts them: an impact's jolt is shorter.
    bool isFallen();
    static constexpr double kLyingAcross = 7.0;
    static constexpr double kLyingAlong = 4.0;
    static constexpr int kLyingReadings = 10;
    bool isWatchingGround();
    bool isStright(double thr);
    // Advances the fall detector (calls isFallen()).
    bool isStoodenStright(double thr);
    // Lowers / raises both arms at rate; true (and both shoulders stopped)
    // once both are down (<= 0) / up (>= 90).
    bool keepHandInBeside(float rate);
    bool returnHandInOrgForm(float rate);

    // ---- Paths -----------------------------------------------------------
    bool isAvoidPointInMyWay(Point avoidPoint, Point target, double redius);
    Point calcAvoidancePoint(Point beginPoint, Point avoidPoint, Point target, double reduis);
    bool shouldGoalieAttack2Ball(int playerId, double ballX, double thr);
    bool amIBehidFastestTmt2Ball(double thr);
    bool shouldClearBall();

    // ---- Fitted formulas and ball roll-out -------------------------------
    double velToDistance(double vel);
    double distToVel(double dist);
    double getTimeWalkSkill(double d);
    double getTimeRotateSkill();
    double getPrediction(double vAmount);
    double distanceToZero(double vel);
    // Where a ball rolling from BallInitPos with BallInitVel stops. A ball
    // without speed (or with a speed that is not a number) stays where it is.
    Point BallStopPos(Point BallInitPos, Point BallInitVel);
    // Roll-out distance from the networks "nn3.conf" and "nn4.conf". When
    // they cannot be used the linear fit distanceToZero(|vel|) stands in;
    // a velocity that is not finite gives 0.
    double distanceToZeroDirect(Point vel);
    // Roll-out time from the networks "nn.conf" and "nn1.conf"; 0 when they
    // cannot be used or the velocity is not finite.
    double ballStopTraveallingTime(Point vel);
    // As BallStopPos with the network distance, on the ground (z = 0).
    Point BallStopPosZDir(Point BallInitPos, Point BallInitVel);

private:
    DMUtil();

    static Player absentPlayer(Side side);
    // Field length, or the standard 12 m before the game configuration has
    // been initialised.
    double fieldLength() const;
    int partOfField(double x) const;
    // Shared scan of one list. found is false when no player qualified.
    static Player closestIn(const std::vector<Player>& list, Point p, int expId, Side side,
                            double& minDist, bool& found);
    // closestIn, writing `illegalUse` when nobody qualified.
    Player closestOrSay(const std::vector<Player>& list, Point p, int expId, Side side,
                        const char* illegalUse);
    // The team-mate nearest the ball among those in front of it (larger x)
    // or not.
    Player closestTmtOnBallSide(bool inFront, double& minDist);
    // Evaluates networks first -> second (first's outputs 0..midCount-1 feed
    // second); false when either cannot be used.
    static bool runNetworks(const std::string& first, int firstFunc, const std::string& second,
                            int secondFunc, int midCount, Point vel, double& result);

    CommandCreator* CC;
    WorldModel* WM;
    GameConf* GC;

    double fallencycle;
    double fallencounterp;
    double fallencounterm;
    double fallencounter;
    double fallcountermm;
    double fallencounterr;
    double fallencounterrm;
    int lyingReadings;

    // Counts this cycle's accelerometer reading; true once kLyingReadings
    // in a row showed the robot lying. A message without a reading (or one
    // that is no number) starts the count again.
    bool accelerometerShowsLying();
};
