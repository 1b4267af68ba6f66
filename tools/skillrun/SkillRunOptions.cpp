#include "SkillRunOptions.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ToolCommandLine.h"

namespace {

const char* const kSkills[] = {"stand",      "zero", "restart",  "walk",     "turn",
                               "besidewalk", "kick", "backkick", "naokick2", "standup"};
const char* const kMidLevelSkills[] = {"goto",    "gotopoint", "behindball",
                                       "dribble", "togoal",    "kicktogoal"};

// A whole word that is a finite number; nothing else counts.
bool readNumber(const char* word, double& out) {
    if (word == nullptr || *word == '\0') return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(word, &end);
    if (end == word || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool readInt(const char* word, int lo, int hi, int& out) {
    double v = 0;
    if (!readNumber(word, v) || v != std::floor(v) || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

// The name travels inside an S-expression: no blanks, brackets or control
// characters, and it must fit the agent's name field.
bool isGoodTeamName(const std::string& name) {
    if (name.empty() || name.size() > static_cast<std::size_t>(SkillRunOptions::kTeamNameMax)) {
        return false;
    }
    for (unsigned char c : name) {
        if (std::isspace(c) || std::iscntrl(c) || c == '(' || c == ')') return false;
    }
    return true;
}

}  // namespace

bool isMidLevelSkill(const std::string& name) {
    for (const char* s : kMidLevelSkills) {
        if (name == s) return true;
    }
    return false;
}

bool isKnownSkill(const std::string& name) {
    for (const char* s : kSkills) {
        if (name == s) return true;
    }
    return isMidLevelSkill(name);
}

SkillRunParse parseSkillRunOptions(int argc, char** argv, SkillRunOptions& o, std::string& error) {
    ToolCommandLine line;
    // One number each, read whole and kept within its range.
    auto number = [&line](const char* name, const char* rule, double lo, double hi, double& to,
                          bool aboveLow = false) {
        line.option(
            name, 1, std::string(name) + " needs a value",
            std::string("bad value for ") + name + ": " + rule,
            [lo, hi, aboveLow, &to](const std::vector<std::string>& v) {
                double x = 0;
                if (!readNumber(v[0].c_str(), x) || x > hi || (aboveLow ? !(x > lo) : x < lo)) {
                    return false;
                }
                to = x;
                return true;
            });
    };
    number("--seconds", "a number of seconds above 0 and at most 86400", 0,
           SkillRunOptions::kMaxSeconds, o.seconds, true);
    number("--settle", "a number of seconds from 0 to 86400", 0, SkillRunOptions::kMaxSeconds, o.settle);
    line.option(
        "--unum", 1, "--unum needs a value", "bad value for --unum: a whole number from 0 to 99",
        [&o](const std::vector<std::string>& v) { return readInt(v[0].c_str(), 0, 99, o.unum); });
    line.option("--teamname", 1, "--teamname needs a value",
                "bad value for --teamname: 1 to 63 characters without blanks or brackets",
                [&o](const std::vector<std::string>& v) {
                    if (!isGoodTeamName(v[0])) return false;
                    o.teamName = v[0];
                    return true;
                });
    line.option("--host", 1, "--host needs a value", "bad value for --host: a host name or address",
                [&o](const std::vector<std::string>& v) {
                    if (v[0].empty() || v[0].size() > 255) return false;
                    o.host = v[0];
                    return true;
                });
    number("--speed", "a number from -1 to 1", -1, 1, o.speed);
    number("--turn", "degrees from -180 to 180", -180, 180, o.turn);
    number("--heading", "degrees from -180 to 180", -180, 180, o.heading);
    line.option("--beam", 3, "--beam needs 3 values", "bad value for --beam: three numbers X Y R",
                [&o](const std::vector<std::string>& v) {
                    double x = 0, y = 0, r = 0;
                    if (!readNumber(v[0].c_str(), x) || !readNumber(v[1].c_str(), y) ||
                        !readNumber(v[2].c_str(), r)) {
                        return false;
                    }
                    o.beamX = x;
                    o.beamY = y;
                    o.beamR = r;
                    return true;
                });
    line.option("--target", 2, "--target needs 2 values",
                "bad value for --target: two numbers X Y, metres from -100 to 100",
                [&o](const std::vector<std::string>& v) {
                    double x = 0, y = 0;
                    if (!readNumber(v[0].c_str(), x) || !readNumber(v[1].c_str(), y) ||
                        std::fabs(x) > 100 || std::fabs(y) > 100) {
                        return false;
                    }
                    o.targetX = x;
                    o.targetY = y;
                    return true;
                });
    line.option("--csv", 1, "--csv needs a value", "bad value for --csv: a file name",
                [&o](const std::vector<std::string>& v) {
                    if (v[0].empty()) return false;
                    o.csvPath = v[0];
                    return true;
                });
    line.option("--params", 1, "--params needs a value", "bad value for --params: a folder name",
                [&o](const std::vector<std::string>& v) {
                    if (v[0].empty()) return false;
                    o.paramsDir = v[0];
                    return true;
                });
    line.flag("--design-params", [&o](const std::vector<std::string>&) {
        o.designParams = true;
        return true;
    });

    switch (line.read(argc, argv, error)) {
        case CommandLineOutcome::Help:
            return SkillRunParse::Help;
        case CommandLineOutcome::Error:
            return SkillRunParse::Error;
        case CommandLineOutcome::Run:
            break;
    }
    for (const std::string& word : line.freeWords()) {
        if (!o.skill.empty()) {
            error = "one skill at a time (got " + o.skill + " and " + word + ")";
            return SkillRunParse::Error;
        }
        if (!isKnownSkill(word)) {
            error = "unknown skill " + word;
            return SkillRunParse::Error;
        }
        o.skill = word;
    }
    if (o.skill.empty()) {
        error = "no skill given";
        return SkillRunParse::Error;
    }
    return SkillRunParse::Run;
}

void printSkillRunHelp(std::ostream& out) {
    out << "Usage: skillrun SKILL [--seconds S] [--settle S] [--unum N] [--teamname T] [--host H]\n"
           "                [--speed V] [--turn D] [--heading H] [--target X Y]\n"
           "                [--beam X Y R] [--csv FILE] [--params DIR | --design-params]\n"
           "\n"
           "Connects to a simulation server on port 3100 as the agent does (scene, first\n"
           "perception, init, second perception, beam), then every cycle applies the\n"
           "perception to the world model, runs one skill through the skill manager and\n"
           "sends the joint commands it composed, for S seconds of server time.\n"
           "\n"
           "Skills:\n"
           "  stand       hold the standing posture (the default posture aligner)\n"
           "  zero        align every joint to 0 degrees\n"
           "  restart     restart posture (arms down), finished once aligned and at rest\n"
           "  walk        walk at --speed, turning by --turn\n"
           "  turn        turn on the spot to --heading\n"
           "  besidewalk  step sideways: left hip out, or right hip out when --speed < 0\n"
           "  kick        forward kick; the ball as seen at the start picks foot and distance\n"
           "  backkick    back kick (the head first looks back)\n"
           "  naokick2    four-keyframe kick with the right leg\n"
           "  standup     stand up: queued at the start and again in every cycle in which\n"
           "              the fall detector reports a fall, as the agent does\n"
           "\n"
           "Behaviours (each cycle they pick and steer one of the skills above):\n"
           "  goto        walk toward --target (turning on the spot first when it lies\n"
           "              more than 90 degrees off)\n"
           "  gotopoint   go to --target and turn there to face yaw --heading\n"
           "  behindball  get 0.7 m behind the ball, facing it\n"
           "  dribble     walk on through the ball toward the opponent goal\n"
           "  togoal      walk back to the middle of our goal, facing the field\n"
           "  kicktogoal  walk up to the ball, stop and kick\n"
           "\n"
           "Options:\n"
           "  --seconds S      server time to run, seconds (default 5, at most 86400)\n"
           "  --settle S       first hold the standing posture for S seconds, then run\n"
           "                   the skill for --seconds (default 0)\n"
           "  --unum N         uniform number sent with init (default 0: the server picks)\n"
           "  --teamname T     team name sent with init (default VOR, at most 63 characters)\n"
           "  --host H         server host name or address (default 127.0.0.1)\n"
           "  --speed V        walk speed, fraction of full speed from -1 (backward) to 1\n"
           "                   (default 1)\n"
           "  --turn D         walk turning degree, -180..180, positive turns right (default 0)\n"
           "  --heading H      turn target heading, degrees, -180..180 (default 0); the\n"
           "                   yaw grows clockwise and is 0 facing the opponent goal\n"
           "  --target X Y     field point for goto and gotopoint, metres, our goal at\n"
           "                   negative x (default 0 0)\n"
           "  --beam X Y R     where to beam: field position X Y (metres) and rotation R\n"
           "                   (default -0.5 4.0 0.6, as the agent)\n"
           "  --csv FILE       per-cycle record (default skillrun.csv)\n"
           "  --params DIR     the skills' tuned values from the parameter files in DIR\n"
           "                   (default: ./params, else the params folder beside skillrun)\n"
           "  --design-params  the values the skills were designed with: no files, whatever\n"
           "                   --params says\n"
           "  --help           this text\n"
           "\n"
           "CSV: a header line, then one line per cycle:\n"
           "  time             server time of the cycle's perception, seconds\n"
           "  hj1 ... llj6     the 22 sensed joint angles (degrees, as the server reports\n"
           "                   them), named by the joint names the server reported; empty\n"
           "                   for a joint the server has not reported\n"
           "  he1 ... lle6     the 22 commanded joint speeds, by effector, as sent; empty\n"
           "                   where no command was sent for that effector in the cycle\n"
           "\n"
           "Exit status: 0 after S seconds of server time, 1 when the server cannot be\n"
           "reached, closes the connection early or the CSV cannot be written, 2 for a\n"
           "bad command line.\n";
}
