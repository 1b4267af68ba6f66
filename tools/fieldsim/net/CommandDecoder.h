// Turns the expressions of a client message into robot actions and
// connection-level requests (scene, init), checking every value.
#pragma once

#include <string>
#include <vector>

#include "net/RobotAction.h"
#include "net/SExpr.h"

struct DecodedCommand {
    enum class Kind { Action, Scene, Init, Sync, Unknown, Malformed };
    Kind kind = Kind::Unknown;
    RobotAction action;    // Action
    std::string path;      // Scene
    int unum = 0;          // Init
    std::string teamName;  // Init
    std::string problem;   // Malformed: what was wrong
};

class CommandDecoder {
public:
    static constexpr size_t kMaxTeamName = 64;

    static DecodedCommand decode(const SExpr& expression);
    // A number written the usual ways (strtod) that is finite.
    static bool parseNumber(const std::string& text, double& out);
};
