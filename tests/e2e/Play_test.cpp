// The agents play on fieldsim (lockstep, no noise) and fieldsim's truth log
// judges what they did: beams home, going for the ball, standing up after a
// knock, the goalie keeping to its goal, a match that ends cleanly; and the
// behaviours no match reaches, run one at a time through skillrun.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/ChildProcess.h"
#include "support/JoinInOrder.h"
#include "support/TruthLog.h"

namespace {

const std::string kBin = BIN_DIR;
const int kWait = 110000;

using Robot = TruthRobot;
using Cycle = TruthCycle;

double distance(double ax, double ay, double bx, double by) { return std::hypot(ax - bx, ay - by); }

std::string subdir(const TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    ::mkdir(path.c_str(), 0755);
    return path;
}

// fieldsim in lockstep with a truth log and a scenario; started first, so
// the robots find it listening. The robots join it in a fixed order in its
// first cycle (--wait-for and JoinInOrder): in lockstep the clock runs as
// fast as those who have joined answer, so a robot that joined first would
// otherwise play on alone for as long as the others take to start, which is
// as long as the machine is busy.
struct Server {
    TempDir dir;
    ChildProcess sim;
    void start(std::vector<std::string> args, const std::string& scenario) {
        std::ofstream(dir.file("scenario.txt")) << scenario;
        // Once all have joined, a slow answer (sanitizers, a busy machine)
        // must not let the clock run on without it. Nor may the wait for them
        // end before the test stops waiting itself: fieldsim's wait counts
        // wall time from its start, the time the robots take to start
        // included, and after it fieldsim plays on in real time alone while
        // the held robots are let go one by one, each loaded a cycle or more
        // after the last (a robot let go later can then be waited for while
        // it is still held, 30 s at a time).
        args.insert(args.end(), {"--pace", "lockstep", "--lockstep-timeout", "30", "--wait-timeout",
                                 std::to_string(kWait / 1000), "--truth", dir.file("truth.jsonl"),
                                 "--scenario", dir.file("scenario.txt")});
        ASSERT_TRUE(sim.start(kBin + "/fieldsim", args, dir.path()));
    }
};

}  // namespace

// Competition team against competition team, both of three: goalie 1 at
// (-5.73, 0), attackers 2 at (-3.5, -1.5) and 3 at its kick-off place, each
// in its own team's frame (the right team's is turned half a circle). The
// match is played under the real server's rules: the kick-off's taker kicks
// off and then leaves the ball to the others.
TEST(PlayEndToEnd, TwoTeamsBeamHomeChaseTheBallStandUpAndEndWithTheServer) {
    Server server;
    server.start({"--model", "physics", "--wait-for", "6", "--kickoff-after", "4", "--duration", "24"},
                 "10 knock-over left 3 front\n12 knock-over right 2 back\n");
    // All join before the clock moves on, Lefts first (so on the left), and
    // the kick-off follows 4 s later.
    std::vector<std::unique_ptr<ChildProcess>> players;
    JoinInOrder joining(server.sim, 3100, kWait);
    ASSERT_TRUE(joining.serverHeld()) << server.sim.out() << server.sim.err();
    for (const char* team : {"Lefts", "Rights"}) {
        for (const char* unum : {"1", "2", "3"}) {
            players.push_back(std::make_unique<ChildProcess>());
            ASSERT_TRUE(players.back()->start(MATCHAGENT_BIN, {"--teamname", team, "--unum", unum},
                                              subdir(server.dir, std::string(team) + unum)));
            ASSERT_TRUE(joining.add(*players.back())) << team << " " << unum << " did not connect";
        }
    }
    ASSERT_TRUE(joining.release()) << server.sim.out();
    ASSERT_EQ(server.sim.wait(kWait), 0) << server.sim.out() << server.sim.err();
    for (auto& p : players) {
        EXPECT_EQ(p->wait(10000), 0) << "a player outlived the server or failed";
        EXPECT_EQ(p->err().find("Sanitizer"), std::string::npos) << p->err();
        EXPECT_EQ(p->err().find("runtime error"), std::string::npos) << p->err();
    }
    const std::string log = server.sim.out();
    EXPECT_EQ(countBefore(log, "malformed"), 0) << log;

    std::vector<Cycle> truth = readTruthLog(server.dir.file("truth.jsonl"));
    // From here on every cycle lists all six.
    while (!truth.empty() && truth.front().robots.size() < 6) truth.erase(truth.begin());
    ASSERT_GT(truth.size(), 1000u);
    // The kick-off places, in each team's own frame: number 3 takes our
    // kick-offs and waits at the ball when its team kicks off (the left team
    // does first), outside the centre circle otherwise; number 2 waits on the
    // wing near the middle line, outside the circle.
    const std::pair<double, double> home[] = {{-5.73, 0.0}, {-0.6, -2.4}, {-0.20, -0.055}};
    const std::pair<double, double> rightHome[] = {{-5.73, 0.0}, {-0.6, -2.4}, {-2.45, 0.0}};
    const Cycle* lastBefore = nullptr;
    for (const Cycle& c : truth) {
        if (c.mode == "BeforeKickOff") lastBefore = &c;
        for (const auto& [name, r] : c.robots) {
            EXPECT_EQ(r.commands.find("nan"), std::string::npos) << name << ": " << r.commands;
            EXPECT_EQ(r.commands.find("inf"), std::string::npos) << name << ": " << r.commands;
        }
    }
    ASSERT_NE(lastBefore, nullptr);
    ASSERT_EQ(lastBefore->robots.size(), 6u);
    for (int unum = 1; unum <= 3; ++unum) {
        for (double mirror : {1.0, -1.0}) {
            const Robot& r =
                lastBefore->robots.at((mirror > 0 ? "left " : "right ") + std::to_string(unum));
            const auto& spot = mirror > 0 ? home[unum - 1] : rightHome[unum - 1];
            EXPECT_NEAR(r.x, mirror * spot.first, 0.1) << unum << " " << mirror;
            EXPECT_NEAR(r.y, mirror * spot.second, 0.1) << unum << " " << mirror;
        }
    }

    // An attacker gets to the ball within 8 s of game time.
    double reached = -1;
    for (const Cycle& c : truth) {
        for (const char* who : {"left 2", "left 3", "right 2", "right 3"}) {
            const Robot& r = c.robots.at(who);
            if (reached < 0 && c.gameTime > 0 && distance(r.x, r.y, c.ballX, c.ballY) < 0.5) {
                reached = c.gameTime;
            }
        }
    }
    EXPECT_GT(reached, 0) << "no attacker came within 0.5 m of the ball";
    EXPECT_LT(reached, 8.0);

    // The knocked-over attackers get up and play on. On the physics model a
    // knock is a shove that topples them (it may take a stagger or two), and
    // a robot that has got up may fall again soon, as on the real server:
    // playing on is judged by getting up and moving on its feet afterwards.
    const std::pair<const char*, double> knocked[] = {{"left 3", 10.0}, {"right 2", 12.0}};
    for (const auto& [who, knock] : knocked) {
        SCOPED_TRACE(who);
        const Cycle *down = nullptr, *up = nullptr;
        for (const Cycle& c : truth) {
            if (c.time < knock) continue;
            const std::string& state = c.robots.at(who).state;
            if (!down && state != "upright") down = &c;
            if (down && !up && state == "upright") up = &c;
        }
        ASSERT_NE(down, nullptr) << "the knock did not topple it";
        EXPECT_LT(down->time - knock, 2.0);
        ASSERT_NE(up, nullptr) << "never stood up";
        EXPECT_LT(up->time - down->time, 8.0);
        double walked = 0;
        for (const Cycle* c = up + 1; c <= &truth.back(); ++c) {
            const Robot &r = c->robots.at(who), &before = (c - 1)->robots.at(who);
            if (r.state == "upright" && before.state == "upright") walked += distance(r.x, r.y, before.x, before.y);
        }
        EXPECT_GT(walked, 0.3) << "did not play on";
    }

    // The goalies keep to their goal areas all game.
    for (const Cycle& c : truth) {
        if (c.mode == "BeforeKickOff") continue;
        const Robot& left = c.robots.at("left 1");
        const Robot& right = c.robots.at("right 1");
        ASSERT_TRUE(left.x < -4.5 && std::fabs(left.y) < 1.5) << c.time << ": " << left.x << " " << left.y;
        ASSERT_TRUE(right.x > 4.5 && std::fabs(right.y) < 1.5) << c.time << ": " << right.x << " " << right.y;
    }
}

// Behaviours no match reaches, each driving one robot through skillrun: each
// must turn toward its target and get nearer to it.
TEST(PlayEndToEnd, BehavioursSteerTowardTheirTargets) {
    Server server;
    // The kinematic model: this test is about where each behaviour steers,
    // and needs the robots on their feet for the whole run. On the physics
    // model the agent's turning and its turn-to-walk hand-overs fall now and
    // then, which is the subject of the physics tests, not of this one.
    // Play is on once the beams have landed, so that the ball stays where
    // the scenario puts it (before kick-off the referee holds it on the
    // centre spot).
    server.start({"--model", "kinematic", "--wait-for", "5", "--full-view", "--kickoff-after", "-1", "--duration", "15"},
                 "cycle:20 playmode PlayOn\ncycle:20 place-ball -1.0 -3.0\n");
    struct Run {
        const char* unum;
        std::vector<std::string> args;
    } runs[] = {
        // Target behind and to the left: it turns counter-clockwise first.
        {"1", {"gotopoint", "--target", "-3.5", "2.5", "--beam", "-1", "1", "0"}},
        // Our goal behind and to the right.
        {"2", {"togoal", "--beam", "-2.5", "2.5", "0"}},
        {"3", {"kicktogoal", "--beam", "-2.0", "-2.6", "0"}},
        // A clockwise turn to yaw 90 (truth yaw -90).
        {"4", {"turn", "--heading", "90", "--beam", "-4.5", "3.2", "0"}},
        // Ahead and to the left (bearing 45): a walk curving left.
        {"5", {"goto", "--target", "-2", "-0.5", "--beam", "-4.5", "-3", "0"}},
    };
    std::vector<std::unique_ptr<ChildProcess>> tools;
    JoinInOrder joining(server.sim, 3100, kWait);
    ASSERT_TRUE(joining.serverHeld()) << server.sim.out() << server.sim.err();
    for (Run& r : runs) {
        r.args.insert(r.args.end(), {"--unum", r.unum, "--seconds", "12"});
        tools.push_back(std::make_unique<ChildProcess>());
        ASSERT_TRUE(tools.back()->start(kBin + "/skillrun", r.args,
                                        subdir(server.dir, std::string("p") + r.unum)));
        ASSERT_TRUE(joining.add(*tools.back())) << "skillrun " << r.unum << " did not connect";
    }
    ASSERT_TRUE(joining.release()) << server.sim.out();
    ASSERT_EQ(server.sim.wait(kWait), 0) << server.sim.out() << server.sim.err();
    for (auto& t : tools) {
        EXPECT_EQ(t->wait(10000), 0) << t->err();
        EXPECT_EQ(t->err().find("runtime error"), std::string::npos) << t->err();
    }

    std::vector<Cycle> truth = readTruthLog(server.dir.file("truth.jsonl"));
    // All join in one cycle; each tool leaves 12 s of server time later, a
    // little before the server stops. Times below count from the joining.
    while (!truth.empty() && truth.front().robots.size() < 5) truth.erase(truth.begin());
    while (!truth.empty() && truth.back().robots.size() < 5) truth.pop_back();
    ASSERT_GT(truth.size(), 500u);
    const double joined = truth.front().time;
    // Ten cycles after the last tool joined, every beam has landed.
    const Cycle& begin = truth.at(10);
    const Cycle& last = truth.back();
    // goto curves left and gets nearer, if slowly (a sharp curve leaves
    // the walk at a fifth of its speed).
    const Robot &start = begin.robots.at("left 5"), &walker = last.robots.at("left 5");
    EXPECT_LT(distance(walker.x, walker.y, -2.0, -0.5), distance(start.x, start.y, -2.0, -0.5) - 0.8);
    EXPECT_GT(walker.yaw, 20.0);
    EXPECT_EQ(walker.state, "upright");
    // togoal walks from (-2.5, 2.5) to the middle of our goal and stays up.
    const Robot& goer = last.robots.at("left 2");
    EXPECT_LT(distance(goer.x, goer.y, -6.0, 0.0), 0.5) << goer.x << " " << goer.y;
    EXPECT_EQ(goer.state, "upright");
    // The first 3 s: gotopoint turns counter-clockwise toward its target
    // (bearing 149 degrees), the turn to heading 90 clockwise (truth yaw
    // toward -90; the gait wobbles a little either way), and the kicker
    // closes in on the ball.
    double pointTurned = 0, turnTurned = 0, kickerNearest = 1e9;
    for (size_t i = 1; i < truth.size(); ++i) {
        const Cycle &c = truth[i], &before = truth[i - 1];
        const Robot& kicker = c.robots.at("left 3");
        kickerNearest = std::fmin(kickerNearest, distance(kicker.x, kicker.y, c.ballX, c.ballY));
        if (c.time > joined + 3.0) continue;
        auto turned = [&](const char* who) {
            const double d = c.robots.at(who).yaw - before.robots.at(who).yaw;
            return std::remainder(d, 360.0);
        };
        pointTurned += turned("left 1");
        turnTurned += turned("left 4");
    }
    EXPECT_GT(pointTurned, 30.0);
    EXPECT_LT(turnTurned, -60.0);
    // gotopoint then walks to its point, and stays up when the turning gait
    // hands over to the walk.
    const Robot &pointFrom = begin.robots.at("left 1"), &pointer = last.robots.at("left 1");
    EXPECT_LT(distance(pointer.x, pointer.y, -3.5, 2.5), distance(pointFrom.x, pointFrom.y, -3.5, 2.5) - 1.5)
        << pointer.x << " " << pointer.y;
    EXPECT_EQ(pointer.state, "upright");
    // Having passed its heading the turn stops there rather than spinning on,
    // and stays up.
    EXPECT_EQ(last.robots.at("left 4").state, "upright");
    double turnLeast = 0;
    for (const Cycle& c : truth) {
        const Robot& r = c.robots.at("left 4");
        if (r.state != "upright" || c.time < joined + 0.5) continue;
        turnLeast = std::fmin(turnLeast, r.yaw);
        ASSERT_LT(r.yaw, 5.0) << "spun round at " << c.time;
    }
    EXPECT_GT(turnLeast, -100.0);
    EXPECT_LT(kickerNearest, 0.3);
}

// A robot at (-3.6, 0) facing the opponent goal with its head still sees the
// far corners and the ball, but not the corners behind it: its world model
// must not put the ball at its own feet. Once it has seen all four, the ball
// is where it lies, at the centre spot.
TEST(PlayEndToEnd, BallStaysOffTheRobotUntilTheLandmarksAreSeen) {
    TempDir dir;
    const std::string ahead =
        "(F1R (pol 10.410 22.620 -2.750)) (F2R (pol 10.410 -22.620 -2.750)) "
        "(B (pol 3.630 0.000 -7.280))";
    const std::string behind = "(F1L (pol 4.690 120.960 -6.120)) (F2L (pol 4.690 -120.960 -6.120))";
    std::ofstream(dir.file("Msg.txt"))
        << "(time (now 1.00))(GS (t 0.00) (pm BeforeKickOff))(See " << ahead << ")\n\n"
        << "(time (now 1.06))(GS (t 0.00) (pm BeforeKickOff))(See " << ahead << " " << behind
        << ")\n\n";
    ChildProcess trace;
    ASSERT_TRUE(trace.start(kBin + "/wmtrace", {"--side", "left", dir.file("Msg.txt")}, dir.path()));
    ASSERT_EQ(trace.wait(kWait), 0) << trace.err();
    std::vector<std::vector<double>> rows;  // x, y, ball_x, ball_y
    for (const auto& cells : csvRows(trace.out())) {
        ASSERT_GE(cells.size(), 11u) << trace.out();
        rows.push_back({std::stod(cells[3]), std::stod(cells[4]), std::stod(cells[9]), std::stod(cells[10])});
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GT(distance(rows[0][0], rows[0][1], rows[0][2], rows[0][3]), 1.0) << trace.out();
    EXPECT_NEAR(rows[1][0], -3.6, 0.05) << trace.out();
    EXPECT_NEAR(rows[1][1], 0.0, 0.05) << trace.out();
    EXPECT_LT(distance(rows[1][2], rows[1][3], 0.0, 0.0), 0.1) << trace.out();
}
