// Timed events read from a scenario file, one per line:
//   TIME EVENT ARGS      TIME in seconds of server time, or cycle:N
// Blank lines and lines starting with '#' are ignored. A line that cannot be
// understood, or that places or pushes something beyond reason, refuses the
// whole file, naming the line.
#pragma once

#include <string>
#include <vector>

#include "game/PlayMode.h"

struct ScenarioEvent {
    enum class Kind { PlayMode, PlaceBall, PushBall, KnockOver, PlaceRobot, DropConnection, SendRaw, Stop };
    Kind kind = Kind::Stop;
    int line = 0;
    long long cycle = 0;  // the cycle in which it happens
    PlayMode mode = PlayMode::BeforeKickOff;
    TeamSide side = TeamSide::Left;
    int unum = 0;
    bool front = true;
    double values[3] = {0.0, 0.0, 0.0};  // positions, velocities, heading
    std::string text;                    // SendRaw
};

// How far events may place or push things. A value beyond these is a slip
// (or garbage), refused when the file is read rather than acted upon.
struct ScenarioBounds {
    static constexpr double kBorder = 1.0;      // m beyond the lines, where the walls stand
    static constexpr double kMaxHeight = 100.0;  // m, a lifted ball
    static constexpr double kMaxSpeed = 100.0;   // m/s, each component of a push
    // Half the field's length and width; the defaults take the largest field.
    double halfLength = 500.0;
    double halfWidth = 500.0;
};

class Scenario {
public:
    static constexpr double kCycle = 0.02;

    static bool load(const std::string& path, Scenario& out, std::string& error,
                     const ScenarioBounds& bounds = ScenarioBounds());
    static bool parse(const std::string& text, Scenario& out, std::string& error,
                      const ScenarioBounds& bounds = ScenarioBounds());

    // Events due in `cycle` (and any earlier ones not yet handed out), in file order.
    std::vector<ScenarioEvent> due(long long cycle);
    bool empty() const { return events_.empty(); }
    size_t size() const { return events_.size(); }

private:
    std::vector<ScenarioEvent> events_;  // sorted by cycle, then line
    size_t next_ = 0;
};
