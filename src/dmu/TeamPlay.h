// How the competition team plays within the referee's rules. The referee
// moves or sends off a robot that breaks them, and a robot moved in mid-stride
// usually falls, so the team keeps to them on its own:
//
// - Before a kick-off each team stays in its own half, and the team that does
//   not kick off stays out of the centre circle: our kick-off taker waits at
//   the ball only when we kick off, and outside the circle otherwise.
// - The player that takes one of our kick-offs or set pieces may not touch the
//   ball again until another robot has: it leaves the ball alone until it sees
//   the ball moved from where it came to rest (or, at the latest, for
//   leaveBallFor seconds).
// - A robot that runs into another near the ball at walking pace is a charger
//   and is sent off for good: near other robots the walk slows down below the
//   pace the referee counts as charging, and a player keeps out of a crowd of
//   robots around the ball (a third robot in contact is pushed away).
//
// One copy for the process; the decision layer tells it the play mode every
// cycle before it asks anything.
#pragma once

#include <vector>

#include "etc/SkillParams.h"
#include "geometry/Point.h"
#include "types.h"

class WorldModel;

class TeamPlay {
public:
    // The player that takes our kick-offs, and the set pieces when nobody is
    // known to be nearer the ball.
    static constexpr int kTaker = 3;

    static constexpr const char* kSkill = "play";
    // The play layer's values (params/play.params), in this order.
    static const std::vector<SkillParams::Param>& paramList();
    enum PlayParam {
        P_KICK_OFF_X = 0,
        P_KICK_OFF_Y,
        P_WAIT_X,
        P_LEAVE_BALL_FOR,
        P_NEAR_ROBOT,
        P_NEAR_SPEED,
        P_GOALIE_LIE_FOR,
        P_DIVE_REACH,
        P_DIVE_BALL_SPEED,
        P_SUPPORT_AHEAD,
        P_SUPPORT_SIDE,
        P_WING_X,
        P_WING_Y,
        P_GOALIE_CLEAR,
        P_DIVE_REST_AHEAD,
        P_COUNT
    };
    // One value, from the file or its design value.
    static double param(PlayParam which);

    static TeamPlay* getUniqueInstance();

    // The play mode of this cycle, which side we play on, the game clock and
    // the server time. Keeps track of who kicked off and who kicks off next.
    void observe(PlayMode mode, Side ourSide, double gameTime, double now);

    // Whether our team takes the next kick-off. After a goal the team that
    // conceded kicks off; the second half is kicked off by the team that did
    // not kick off the first. Before the first kick-off of a game nothing
    // tells, and the left team is taken to kick off (as the simulator's own
    // automatic kick-off does).
    bool weKickOffNext() const;

    // Where player `unum` waits for the next kick-off, in the team's frame,
    // with the beam's rotation (degrees) as z. Every spot lies in our own
    // half with room for the arms and the feet; only our taker, and only when
    // we kick off, stands inside the centre circle, at the ball.
    Point kickOffSpot(int unum) const;

    // The taker of our last kick-off or set piece must leave the ball alone
    // until another robot can have touched it; true for that player during
    // that time (it ends early once the ball is seen moved from where it
    // came to rest: noteBall).
    bool mustLeaveBall(int unum, double now) const;
    // Seconds since the play mode last changed (server time).
    double modeTime(double now) const { return now - modeStart; }
    // Whether `mode` is a kick-off or set piece of our side's.
    static bool isOurSetPiece(PlayMode mode, Side ourSide);
    // Player `unum` takes the set piece of the current mode: noted so that it
    // then leaves the ball alone once play goes on.
    void takingSetPiece(int unum);

    // Where a field player waits that leaves the ball to a teammate (team
    // frame): `supportAhead` beyond the ball toward the opponent goal and
    // `supportSide` to the side of it, toward the middle of the field (for a
    // ball near the middle, number 2 to the right and 3 to the left), kept
    // on the field and out of the goal areas. Where the attacker's kick
    // sends the ball (about 3 m on toward the goal) the supporter is then
    // nearer than the kicker and takes it on.
    static Point supportSpot(const Point& ball, int unum);
    // Where the taker of our kick-off or set piece waits while it must leave
    // the ball alone: near the ball behind it, ready to take it once another
    // robot has touched it, out of the way of the teammate that goes for it.
    static Point leaveSpot(const Point& ball);

    // The walk-speed setting a player may use with the nearest other robot
    // `robotDistance` metres away: full speed in the open, slower close to
    // others so that a contact is never a charge.
    static double speedLimit(double robotDistance);

    // A robot seen lately, where it stood relative to our body when it was
    // seen (x forward, y to the left, metres).
    struct Sighting {
        double x;
        double y;
        bool teammate;
        int unum;
    };
    // Every other robot seen within `maxAge` seconds (the robot itself, which
    // sees its own arms, is left out).
    static std::vector<Sighting> robotsSeen(const WorldModel& wm, double maxAge);
    // Distance to the nearest of them; infinity when none was seen.
    static double nearestRobot(const WorldModel& wm);
    // Whether a field-playing teammate (not the goalie, nor the taker that
    // must leave the ball alone) stands nearer the ball than we do by more
    // than `margin` metres, as far as we can see.
    static bool teammateNearerToBall(const WorldModel& wm, double margin);

    // Where each field-playing teammate was last seen on the field (team
    // frame), noted every cycle from what was just seen: a teammate out of
    // view is still known for kTeammateMemory seconds.
    void noteTeammates(const WorldModel& wm);
    // What it costs a player at (x, y) to kick the ball toward the goal, in
    // metres of walking: the way to the point behind the ball, plus the way
    // round the ball from its far side.
    static double kickCost(double x, double y, const Point& ball);
    // Whether a field-playing teammate (not the goalie, nor the taker that
    // must leave the ball alone) is better placed to kick the ball than we
    // are by more than `margin` metres of kickCost(), as far as we know.
    bool teammateBetterPlaced(const WorldModel& wm, double margin) const;
    static constexpr double kTeammateMemory = 2.0;

    // Watches the ball while the taker must leave it alone: the ball does
    // not move by itself, so once it has come to rest after the taker's
    // kick and is then seen well away from there, another robot has touched
    // it and the taker may play it again (the time limit of leaveBallFor
    // stays as the last resort).
    void noteBall(const WorldModel& wm);
    static constexpr double kBallRolls = 3.0;     // s after the kick before the ball is at rest
    static constexpr double kBallMoved = 0.8;     // m from its resting place
    static constexpr int kMovedSightings = 3;

    // Forgets everything (tests).
    void reset();

private:
    TeamPlay() = default;
    TeamPlay(const TeamPlay&) = delete;
    TeamPlay& operator=(const TeamPlay&) = delete;

    // Starts `taker` leaving the ball alone from `now` on.
    void startLeaving(int taker, double now);

    PlayMode lastMode = PM_UNKNOWN;
    Side side = SIDE_LEFT;
    // Who kicked off the first half (unknown until its kick-off is seen).
    bool firstKickOffKnown = false;
    bool weKickedOffFirst = false;
    // Who kicks off next, when a goal or a half time has told.
    bool nextKnown = false;
    bool weKickOffNextKnown = false;
    struct Known {
        double x = 0.0, y = 0.0;
        double time = -1e9;
    };
    // Teammates by uniform number (1 to 11).
    Known teammates[12];
    int setPieceTaker = 0;
    int leaveBallTaker = 0;
    double leaveBallUntil = -1.0;
    // Where the ball came to rest after the taker's kick, and how many
    // sightings in a row have put it well away from there since.
    double leaveSince = -1.0;
    double modeStart = 0.0;
    bool restKnown = false;
    double restX = 0.0, restY = 0.0;
    int movedSightings = 0;
};
