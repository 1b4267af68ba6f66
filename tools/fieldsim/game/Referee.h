// The referee, as the real server's rules have it in the judge's
// configuration: every rule that moves a robot or the ball, run once per
// cycle after the physics step, in the real server's order (clock and
// halves, the play mode's rules, the automatic referee). A change of play
// mode it makes shows in the next perception.
//
// Play-mode rules: before kick-off the ball is held on the centre spot and
// each team is kept out of the other's half; at a kick-off (and in a goal's
// pause, for the kick-off to come) the defenders are kept out of the centre
// circle and the kicking team out of the other half beyond the circle; a
// touch starts play, 15 s without one drops the ball. Goals, the ball going
// out (kick-in, corner, goal kick: after a 1 s pause the opponents are
// cleared, the taker given room, the ball put on its spot until touched),
// the kick taker touching twice (an indirect free kick), goals that do not
// count, and the drop ball after 15 s. The fouls are FoulRules'.
//
// Its randomness (which team is handled first, the order within a team)
// comes from fieldsim's seeded generator, so a run repeats exactly.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "game/FoulRules.h"
#include "game/GameRules.h"
#include "game/RefereeRecord.h"
#include "game/RuleMover.h"
#include "game/World.h"
#include "robot/BodyModel.h"
#include "util/Random.h"

class Referee {
public:
    // The judge's values.
    static constexpr double kCircle =
        2.0;  // centre circle; the room kept around a set piece's ball
    static constexpr double kClearance = 2.5;  // how far a robot in the way is sent
    static constexpr double kRepel = 0.5;  // room the kicking team leaves the ball at its set piece
    static constexpr double kGoalKickDistance = 1.0;  // the goal kick's spot before the goal line
    static constexpr double kGoalKickClearX =
        1.7;                                   // where opponents in the way of a goal kick are sent
    static constexpr double kGoalPause = 3.0;  // s after a goal
    static constexpr double kSetPiecePause =
        1.0;  // s before a kick-in, corner, goal or free kick is set up
    static constexpr double kDropBallAfter = 15.0;  // s of a kick-off or set piece without a touch
    static constexpr double kDoubleTouch =
        0.1;  // s: the kick taker touching again this late is a foul
    static constexpr double kOutMargin = 0.001;  // m beyond line plus radius: the ball is out
    static constexpr double kAgentRadius = 0.4;  // spacing of the start spots, torso height there

    Referee(GameRules& rules, World& world, std::uint64_t seed);

    // One cycle's rules, after the step that produced `contacts`.
    void update(double now, double dt, const StepContacts& contacts);
    // What it did in the last cycle.
    const RefereeRecord& record() const { return mover_.record(); }

    // Where the next robot of a team that sends its init stands, facing the
    // opponent goal: the left team from (-L/2 + 0.8, W/2 - 0.8) down the
    // field in steps of 1.2 m, a new column 0.8 m further in once past the
    // side line; the right team the same from x = L/2 - 0.8.
    Vec3 startSpot(TeamSide side);
    void robotLeft(int clientId);

    // Someone has touched the ball (the real server changes nothing when a
    // ball nobody ever touched goes out).
    bool everTouched() const { return everTouched_; }
    bool fouled(int clientId) const { return fouls_.held(clientId); }
    const FoulRules& fouls() const { return fouls_; }

private:
    void noteTouches(double now, const StepContacts& contacts);
    void enterMode(double now);
    void handleMode(double now);
    void beforeKickOff();
    void kickOff(double now, TeamSide kicking, bool goalPause);
    void clearForKickOff(TeamSide kicking);
    void playOn(double now);
    void setPiece(double now);
    void goal(TeamSide scorer, double now);
    void ballOut(double now);
    void dropBall(Vec3 at, double now, const std::string& why);
    void checkDoubleTouch(double now);
    // Robots (of one team, or of both) whose box comes within the circle
    // around `spot` go 2.5 m from it toward their own goal, or across the
    // field when that would put them behind the goal line.
    void clearAround(const Vec3& spot, bool bothTeams, TeamSide team, const std::string& rule,
                     const std::string& why);
    void putBall(const Vec3& spot, const std::string& rule, const std::string& why);
    void holdBall(const Vec3& spot);
    void setTaker(const Robot& robot, double now, bool indirect);
    Vec3 setPieceSpot(PlayMode mode) const;
    bool ballOnField(const Vec3& p) const;
    bool ballInGoal(const Vec3& before, const Vec3& after, bool& rightGoal) const;
    // The teams in a drawn order, each one's robots shuffled.
    std::vector<Robot*> drawnOrder();
    int robotsInGame() const;

    GameRules& rules_;
    World& world_;
    Random random_;
    RuleMover mover_;
    FoulRules fouls_;
    unsigned long seenChanges_ = 0;
    int started_[2] = {0, 0};

    // Touches of the ball.
    std::vector<int> touchers_;  // this cycle
    std::map<int, double> lastTouch_;
    bool everTouched_ = false;
    TeamSide lastToucher_ = TeamSide::Left;
    Vec3 ballBefore_;
    bool haveBallBefore_ = false;
    Vec3 freeKickSpot_;
    bool outNoted_ = false;

    // The set piece under way.
    Vec3 spot_;
    bool repelled_ = false;
    double repelledAt_ = 0.0;
    bool goalKickTouched_ = false;

    // The kick taker of the last kick-off or set piece: touching the ball
    // again before anybody else is a foul, and a goal straight from its
    // indirect kick does not count.
    int taker_ = -1;
    TeamSide takerSide_ = TeamSide::Left;
    double takerFirstTouch_ = 0.0;
    double takerLastTouch_ = 0.0;
    bool takerIndirect_ = false;
    // After a kick-off with more than two robots, the kicking team may not
    // score until the other team touched the ball, or it touched it outside
    // the centre circle.
    bool kickOffRestricted_ = false;
    TeamSide kickOffTeam_ = TeamSide::Left;
};
