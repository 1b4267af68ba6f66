// The referee on its own bench: a world of bare robots (every joint at 0,
// arms straight forward, as the real server's rules were measured with), the
// game state and the referee, run cycle by cycle as the simulation runs them.
// A test may add ball touches the robots did not make themselves.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "game/GameRules.h"
#include "game/Referee.h"
#include "game/World.h"

class RefereeBench {
public:
    static constexpr double kCycle = 0.02;

    explicit RefereeBench(ModelKind model = ModelKind::Kinematic, std::uint64_t seed = 1,
                          double halfTime = 300.0)
        : world_(FieldGeometry(), model),
          rules_(config(halfTime), world_.field()),
          referee_(rules_, world_, seed) {}

    World& world() { return world_; }
    GameRules& rules() { return rules_; }
    Referee& referee() { return referee_; }
    Ball& ball() { return world_.ball(); }
    double now() const { return now_; }  // server time of the last cycle

    // A robot of a team (Ants on the left, Bees on the right), standing with
    // its torso above (x, y), facing `heading` degrees counter-clockwise from +x.
    Robot& add(int id, TeamSide side, int unum, double x, double y, double heading) {
        Robot& r = world_.addRobot(id);
        r.joined = true;
        r.side = side;
        r.unum = unum;
        r.team = side == TeamSide::Left ? "Ants" : "Bees";
        r.body().place(x, y, heading);
        r.body().refreshSensors();
        return r;
    }
    Robot& robot(int id) { return *world_.robot(id); }
    Vec3 torso(int id) { return robot(id).body().torso().pos; }

    // Sets the play mode as a scenario does, at the time of the next cycle.
    void mode(PlayMode m) { rules_.setPlayMode(m, next_ * kCycle); }

    // One cycle: the robots and the ball move, then the referee; `touchers`
    // are counted as having touched the ball in it.
    void cycle(const std::vector<int>& touchers = {}) {
        now_ = static_cast<double>(next_++) * kCycle;
        world_.step(kCycle, rules_.paused());
        StepContacts contacts = world_.contacts();
        for (const int id : touchers) {
            if (std::find(contacts.ballTouchers.begin(), contacts.ballTouchers.end(), id) ==
                contacts.ballTouchers.end()) {
                contacts.ballTouchers.push_back(id);
            }
        }
        referee_.update(now_, kCycle, contacts);
        for (const std::string& line : rules_.takeMessages()) console_ += line + "\n";
    }
    void cycles(int n) {
        for (int i = 0; i < n; ++i) cycle();
    }
    // Runs until the play mode changes, at most `limit` cycles; false if it did not.
    bool untilModeChanges(int limit) {
        const PlayMode start = rules_.playMode();
        for (int i = 0; i < limit; ++i) {
            cycle();
            if (rules_.playMode() != start) return true;
        }
        return false;
    }

    const RefereeRecord& record() const { return referee_.record(); }
    // The last cycle's entry of a rule for a robot (or the ball, id -1); null if none.
    const RefereeEntry* entry(const std::string& rule, int id = -1) {
        for (const RefereeEntry& e : record().entries) {
            if (e.rule != rule) continue;
            if (id < 0 ? e.ball : (!e.ball && e.side == robot(id).side && e.unum == robot(id).unum))
                return &e;
        }
        return nullptr;
    }
    const std::string& console() const { return console_; }

private:
    static GameRulesConfig config(double halfTime) {
        GameRulesConfig c;
        c.halfTime = halfTime;
        c.kickoffAfter = -1.0;
        return c;
    }

    World world_;
    GameRules rules_;
    Referee referee_;
    long long next_ = 0;
    double now_ = 0.0;
    std::string console_;
};
