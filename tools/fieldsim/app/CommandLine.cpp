#include "app/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool toDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool toInteger(const std::string& text, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0') return false;
    out = v;
    return true;
}

bool inRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

bool takesValue(const std::string& arg) {
    static const char* const kValueOptions[] = {
        "--port", "--bind", "--pace", "--lockstep-timeout", "--field", "--goal-width",
        "--half-time", "--halves", "--kickoff-after", "--vision-every", "--seed", "--say-limit",
        "--latency", "--model", "--truth", "--scenario", "--max-cycles", "--duration", "--monitor-port",
        "--wait-for", "--wait-timeout"};
    for (const char* name : kValueOptions) {
        if (arg == name) return true;
    }
    return false;
}

}  // namespace

std::string CommandLine::helpText() {
    return
        "Usage: fieldsim [options]\n"
        "\n"
        "A stand-in for the humanoid soccer simulation server: it speaks the server's\n"
        "wire protocol, keeps the game (play modes, clock, score, goals, kick-ins, goal\n"
        "kicks, corners), moves every robot as commanded and reports what each robot\n"
        "senses. Two robot models move the robots:\n"
        "  physics    every robot the rigid bodies and motor-driven hinges of the real\n"
        "             server's robot, the ball a rigid sphere, on the ODE engine with\n"
        "             the real server's settings: standing, walking, falling, getting\n"
        "             up and kicking come out of the physics alone (the default)\n"
        "  kinematic  no dynamics: the standing sole stays fixed and the body hangs on\n"
        "             it through the leg's joints; a robot falls when its torso tilts\n"
        "             beyond 45 degrees or its centre of mass stays outside its soles\n"
        "             for 0.3 s, and gets up when its legs go through the stand-up\n"
        "             postures; a foot kicks the ball at a quarter of its speed. Exact\n"
        "             and instant, for tests of the protocol and the rules\n"
        "\n"
        "Options (defaults in brackets):\n"
        "  --port N               agent port [3100]; 0 picks a free port (printed)\n"
        "  --bind ADDR            address to listen on [127.0.0.1]\n"
        "  --model physics|kinematic\n"
        "                         robot model (above) [physics]\n"
        "  --pace realtime|lockstep\n"
        "                         realtime: one cycle every 20 ms; lockstep: the next\n"
        "                         cycle starts once every robot answered [realtime]\n"
        "  --lockstep-timeout S   longest wait for an answer in lockstep [1]\n"
        "  --field LxW            field size in metres [12x8]\n"
        "  --goal-width G         goal width in metres; posts are 0.8 m high [1.4]\n"
        "  --half-time S          length of a half in seconds [300]\n"
        "  --halves N             number of halves [2]\n"
        "  --kickoff-after S      seconds of BeforeKickOff after the first robot joined,\n"
        "                         then KickOff_Left; negative: wait for a scenario [5]\n"
        "  --vision-every N       cycles between vision reports [3]\n"
        "  --full-view            report everything, not only the 120-degree cone\n"
        "  --noise                the real server's vision and beam noise [off]\n"
        "  --seed N               seed of the noise [1]\n"
        "  --say-limit N          longest say text accepted [64]\n"
        "  --latency N            cycles between a command and its effect\n"
        "                         [1 kinematic, 2 physics]\n"
        "  --gs-classic           older game-state and hear forms (no score, no team)\n"
        "  --truth FILE           write the ground truth, one JSON object per cycle\n"
        "  --scenario FILE        timed events (play modes, ball, robots, faults)\n"
        "  --max-cycles N         stop after N cycles\n"
        "  --duration S           stop after S seconds of server time\n"
        "  --verbose              print every command received and message sent\n"
        "  --monitor-port N       serve a web page that shows the match live on\n"
        "                         http://127.0.0.1:N/; 0 picks a free port (printed) [off]\n"
        "  --wait-for N           the clock does not start until N robots have joined;\n"
        "                         until then the game stays before kick-off [0: no wait]\n"
        "  --wait-timeout S       longest such wait, in seconds of wall time; then the\n"
        "                         clock starts anyway [60]\n"
        "  --help                 print this text\n";
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv, SimOptions& o,
                                        std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        std::string value;
        bool hasInlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInlineValue = true;
        }
        auto flag = [&](bool& target) {
            if (hasInlineValue) {
                error = arg + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        auto next = [&]() {
            if (hasInlineValue) return true;
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&](const char* what) {
            error = "bad value '" + value + "' for " + arg + " (" + what + ")";
            return Outcome::Error;
        };
        long long n = 0;
        double d = 0.0;

        if (arg == "--help" || arg == "-h") return Outcome::Help;
        if (arg == "--full-view") {
            if (!flag(o.fullView)) return Outcome::Error;
        } else if (arg == "--noise") {
            if (!flag(o.noise)) return Outcome::Error;
        } else if (arg == "--verbose") {
            if (!flag(o.verbose)) return Outcome::Error;
        } else if (arg == "--gs-classic") {
            if (!flag(o.gsClassic)) return Outcome::Error;
        } else if (!takesValue(arg)) {
            error = "unknown option " + arg;
            return Outcome::Error;
        } else if (!next()) {
            return Outcome::Error;
        } else if (arg == "--port") {
            if (!toInteger(value, n) || n < 0 || n > 65535) return bad("0 to 65535");
            o.port = static_cast<int>(n);
        } else if (arg == "--bind") {
            if (value.empty()) return bad("an IPv4 address");
            o.bindAddress = value;
        } else if (arg == "--pace") {
            if (value == "realtime") {
                o.pace = Pace::Realtime;
            } else if (value == "lockstep") {
                o.pace = Pace::Lockstep;
            } else {
                return bad("realtime or lockstep");
            }
        } else if (arg == "--lockstep-timeout") {
            if (!toDouble(value, d) || !inRange(d, 0.001, 3600)) return bad("0.001 to 3600 s");
            o.lockstepTimeout = d;
        } else if (arg == "--field") {
            const size_t x = value.find('x');
            double l = 0, w = 0;
            if (x == std::string::npos || !toDouble(value.substr(0, x), l) ||
                !toDouble(value.substr(x + 1), w) || !inRange(l, 1, 1000) || !inRange(w, 1, 1000)) {
                return bad("LxW, each 1 to 1000 m");
            }
            o.fieldLength = l;
            o.fieldWidth = w;
        } else if (arg == "--goal-width") {
            if (!toDouble(value, d) || !inRange(d, 0.1, 100)) return bad("0.1 to 100 m");
            o.goalWidth = d;
        } else if (arg == "--half-time") {
            if (!toDouble(value, d) || !inRange(d, 0.02, 1e6)) return bad("0.02 to 1e6 s");
            o.halfTime = d;
        } else if (arg == "--halves") {
            if (!toInteger(value, n) || n < 1 || n > 100) return bad("1 to 100");
            o.halves = static_cast<int>(n);
        } else if (arg == "--kickoff-after") {
            if (!toDouble(value, d) || d > 1e6) return bad("seconds, at most 1e6");
            o.kickoffAfter = d;
        } else if (arg == "--vision-every") {
            if (!toInteger(value, n) || n < 1 || n > 1000) return bad("1 to 1000");
            o.visionEvery = static_cast<int>(n);
        } else if (arg == "--seed") {
            if (!toInteger(value, n) || n < 0) return bad("a number from 0");
            o.seed = static_cast<unsigned long long>(n);
        } else if (arg == "--say-limit") {
            if (!toInteger(value, n) || n < 0 || n > 4096) return bad("0 to 4096");
            o.sayLimit = static_cast<int>(n);
        } else if (arg == "--latency") {
            if (!toInteger(value, n) || n < 1 || n > 50) return bad("1 to 50");
            o.latency = static_cast<int>(n);
        } else if (arg == "--model") {
            if (value == "kinematic") {
                o.model = ModelKind::Kinematic;
            } else if (value == "physics") {
                o.model = ModelKind::Physics;
            } else {
                return bad("physics or kinematic");
            }
        } else if (arg == "--truth") {
            if (value.empty()) return bad("a file name");
            o.truthFile = value;
        } else if (arg == "--scenario") {
            if (value.empty()) return bad("a file name");
            o.scenarioFile = value;
        } else if (arg == "--max-cycles") {
            if (!toInteger(value, n) || n < 1) return bad("at least 1");
            o.maxCycles = n;
        } else if (arg == "--monitor-port") {
            if (!toInteger(value, n) || n < 0 || n > 65535) return bad("0 to 65535");
            o.monitorPort = static_cast<int>(n);
        } else if (arg == "--duration") {
            if (!toDouble(value, d) || !inRange(d, 0.0, 1e7)) return bad("0 to 1e7 s");
            o.duration = d;
        } else if (arg == "--wait-for") {
            if (!toInteger(value, n) || n < 0 || n > 2 * 11) return bad("0 to 22 robots");
            o.waitFor = static_cast<int>(n);
        } else if (arg == "--wait-timeout") {
            if (!toDouble(value, d) || !inRange(d, 0.0, 86400.0)) return bad("0 to 86400 s");
            o.waitTimeout = d;
        }
    }
    if (o.goalWidth > o.fieldWidth) {
        error = "the goal is wider than the field";
        return Outcome::Error;
    }
    return Outcome::Run;
}
