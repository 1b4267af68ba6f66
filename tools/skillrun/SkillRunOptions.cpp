#include "SkillRunOptions.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kSkills[] = {"stand", "zero",  "restart",  "walk",     "turn",
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
    // --help wins wherever it stands, as with the agent.
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::strcmp(argv[i], "--help") == 0) return SkillRunParse::Help;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i] != nullptr ? argv[i] : "";
        // How many words follow the option word.
        auto need = [&](int n) {
            if (i + n < argc) return true;
            error = word + " needs " + (n == 1 ? "a value" : std::to_string(n) + " values");
            return false;
        };
        auto bad = [&](const char* what) {
            error = "bad value for " + word + ": " + what;
            return SkillRunParse::Error;
        };
        if (word == "--seconds") {
            if (!need(1)) return SkillRunParse::Error;
            double v = 0;
            if (!readNumber(argv[++i], v) || !(v > 0) || v > SkillRunOptions::kMaxSeconds) {
                return bad("a number of seconds above 0 and at most 86400");
            }
            o.seconds = v;
        } else if (word == "--unum") {
            if (!need(1)) return SkillRunParse::Error;
            if (!readInt(argv[++i], 0, 99, o.unum)) return bad("a whole number from 0 to 99");
        } else if (word == "--teamname") {
            if (!need(1)) return SkillRunParse::Error;
            const std::string name = argv[++i];
            if (!isGoodTeamName(name)) {
                return bad("1 to 63 characters without blanks or brackets");
            }
            o.teamName = name;
        } else if (word == "--host") {
            if (!need(1)) return SkillRunParse::Error;
            const std::string host = argv[++i];
            if (host.empty() || host.size() > 255) return bad("a host name or address");
            o.host = host;
        } else if (word == "--speed") {
            if (!need(1)) return SkillRunParse::Error;
            double v = 0;
            if (!readNumber(argv[++i], v) || v < -1 || v > 1) return bad("a number from -1 to 1");
            o.speed = v;
        } else if (word == "--turn") {
            if (!need(1)) return SkillRunParse::Error;
            double v = 0;
            if (!readNumber(argv[++i], v) || v < -180 || v > 180) {
                return bad("degrees from -180 to 180");
            }
            o.turn = v;
        } else if (word == "--heading") {
            if (!need(1)) return SkillRunParse::Error;
            double v = 0;
            if (!readNumber(argv[++i], v) || v < -180 || v > 180) {
                return bad("degrees from -180 to 180");
            }
            o.heading = v;
        } else if (word == "--beam") {
            if (!need(3)) return SkillRunParse::Error;
            double x = 0, y = 0, r = 0;
            if (!readNumber(argv[i + 1], x) || !readNumber(argv[i + 2], y) ||
                !readNumber(argv[i + 3], r)) {
                return bad("three numbers X Y R");
            }
            i += 3;
            o.beamX = x;
            o.beamY = y;
            o.beamR = r;
        } else if (word == "--target") {
            if (!need(2)) return SkillRunParse::Error;
            double x = 0, y = 0;
            if (!readNumber(argv[i + 1], x) || !readNumber(argv[i + 2], y) || std::fabs(x) > 100 ||
                std::fabs(y) > 100) {
                return bad("two numbers X Y, metres from -100 to 100");
            }
            i += 2;
            o.targetX = x;
            o.targetY = y;
        } else if (word == "--csv") {
            if (!need(1)) return SkillRunParse::Error;
            o.csvPath = argv[++i];
            if (o.csvPath.empty()) return bad("a file name");
        } else if (word.rfind("--", 0) == 0) {
            error = "unknown option " + word;
            return SkillRunParse::Error;
        } else if (!o.skill.empty()) {
            error = "one skill at a time (got " + o.skill + " and " + word + ")";
            return SkillRunParse::Error;
        } else if (!isKnownSkill(word)) {
            error = "unknown skill " + word;
            return SkillRunParse::Error;
        } else {
            o.skill = word;
        }
    }
    if (o.skill.empty()) {
        error = "no skill given";
        return SkillRunParse::Error;
    }
    return SkillRunParse::Run;
}

void printSkillRunHelp(std::ostream& out) {
    out << "Usage: skillrun SKILL [--seconds S] [--unum N] [--teamname T] [--host H]\n"
           "                [--speed V] [--turn D] [--heading H] [--target X Y]\n"
           "                [--beam X Y R] [--csv FILE]\n"
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
