#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

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

// An option with a value: its rule, as the complaint about a bad value names
// it, and how a good value is stored (false: the value breaks the rule).
struct ValueOption {
    const char* name;
    const char* rule;
    std::function<bool(const std::string& value, SimOptions& o)> store;
};

bool integer(const std::string& v, long long lo, long long hi, long long& n) {
    return toInteger(v, n) && n >= lo && n <= hi;
}

bool real(const std::string& v, double lo, double hi, double& d) { return toDouble(v, d) && inRange(d, lo, hi); }

const std::vector<ValueOption>& valueOptions() {
    static const std::vector<ValueOption> options = {
        {"--port", "0 to 65535",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 0, 65535, n)) return false;
             o.port = static_cast<int>(n);
             return true;
         }},
        {"--bind", "an IPv4 address",
         [](const std::string& v, SimOptions& o) {
             o.bindAddress = v;
             return !v.empty();
         }},
        {"--pace", "realtime or lockstep",
         [](const std::string& v, SimOptions& o) {
             if (v != "realtime" && v != "lockstep") return false;
             o.pace = v == "lockstep" ? Pace::Lockstep : Pace::Realtime;
             return true;
         }},
        {"--lockstep-timeout", "0.001 to 3600 s",
         [](const std::string& v, SimOptions& o) { return real(v, 0.001, 3600, o.lockstepTimeout); }},
        {"--field", "LxW, each 1 to 1000 m",
         [](const std::string& v, SimOptions& o) {
             const size_t x = v.find('x');
             double l = 0, w = 0;
             if (x == std::string::npos || !real(v.substr(0, x), 1, 1000, l) || !real(v.substr(x + 1), 1, 1000, w)) {
                 return false;
             }
             o.fieldLength = l;
             o.fieldWidth = w;
             return true;
         }},
        {"--goal-width", "0.1 to 100 m", [](const std::string& v, SimOptions& o) { return real(v, 0.1, 100, o.goalWidth); }},
        {"--half-time", "0.02 to 1e6 s", [](const std::string& v, SimOptions& o) { return real(v, 0.02, 1e6, o.halfTime); }},
        {"--halves", "1 to 100",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 1, 100, n)) return false;
             o.halves = static_cast<int>(n);
             return true;
         }},
        {"--kickoff-after", "seconds, at most 1e6",
         [](const std::string& v, SimOptions& o) { return real(v, -HUGE_VAL, 1e6, o.kickoffAfter); }},
        {"--vision-every", "1 to 1000",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 1, 1000, n)) return false;
             o.visionEvery = static_cast<int>(n);
             return true;
         }},
        {"--seed", "a number from 0",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 0, LLONG_MAX, n)) return false;
             o.seed = static_cast<unsigned long long>(n);
             return true;
         }},
        {"--say-limit", "0 to 4096",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 0, 4096, n)) return false;
             o.sayLimit = static_cast<int>(n);
             return true;
         }},
        {"--latency", "1 to 50",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 1, 50, n)) return false;
             o.latency = static_cast<int>(n);
             return true;
         }},
        {"--model", "physics or kinematic",
         [](const std::string& v, SimOptions& o) {
             if (v != "physics" && v != "kinematic") return false;
             o.model = v == "physics" ? ModelKind::Physics : ModelKind::Kinematic;
             return true;
         }},
        {"--truth", "a file name",
         [](const std::string& v, SimOptions& o) {
             o.truthFile = v;
             return !v.empty();
         }},
        {"--scenario", "a file name",
         [](const std::string& v, SimOptions& o) {
             o.scenarioFile = v;
             return !v.empty();
         }},
        {"--max-cycles", "at least 1",
         [](const std::string& v, SimOptions& o) { return integer(v, 1, LLONG_MAX, o.maxCycles); }},
        {"--duration", "0 to 1e7 s", [](const std::string& v, SimOptions& o) { return real(v, 0.0, 1e7, o.duration); }},
        {"--monitor-port", "0 to 65535",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 0, 65535, n)) return false;
             o.monitorPort = static_cast<int>(n);
             return true;
         }},
        {"--wait-for", "0 to 22 robots",
         [](const std::string& v, SimOptions& o) {
             long long n = 0;
             if (!integer(v, 0, 2 * 11, n)) return false;
             o.waitFor = static_cast<int>(n);
             return true;
         }},
        {"--wait-timeout", "0 to 86400 s",
         [](const std::string& v, SimOptions& o) { return real(v, 0.0, 86400.0, o.waitTimeout); }},
        {"--replay", "a run folder or truth log",
         [](const std::string& v, SimOptions& o) {
             o.replayPath = v;
             return !v.empty();
         }},
        {"--play-trace", "a trace file (.jsonl or .jsonl.gz)",
         [](const std::string& v, SimOptions& o) {
             o.playTracePath = v;
             return !v.empty();
         }},
        {"--play-trace-json", "a file name",
         [](const std::string& v, SimOptions& o) {
             o.playTraceJson = v;
             return !v.empty();
         }},
    };
    return options;
}

struct FlagOption {
    const char* name;
    bool SimOptions::*field;
};

const FlagOption kFlags[] = {
    {"--full-view", &SimOptions::fullView},
    {"--noise", &SimOptions::noise},
    {"--verbose", &SimOptions::verbose},
    {"--gs-classic", &SimOptions::gsClassic},
};

// CLI11 words its complaints its own way; ours name the option as typed.
std::string complaint(const CLI::ParseError& e) {
    const std::string what = e.what();
    const size_t overridden = what.find(" was given a disallowed flag override");
    if (overridden != std::string::npos) return "--" + what.substr(0, overridden) + " takes no value";
    const size_t colon = what.find(':');
    if (what.rfind("--", 0) == 0 && colon != std::string::npos) return what.substr(0, colon) + " needs a value";
    return what;
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
        "  --replay RUN_DIR       play a recorded game again in the browser instead:\n"
        "                         RUN_DIR/truth.jsonl drives the field, each player's\n"
        "                         RUN_DIR/TEAM/pN/beliefs.csv (from wmtrace) is drawn\n"
        "                         beside it; served on --monitor-port (a free port when\n"
        "                         not given, printed); --field and --goal-width apply,\n"
        "                         the other options do not\n"
        "  --play-trace FILE      replay a real-server trace (gzip or plain JSON lines)\n"
        "                         open loop in fieldsim, in-process and in lockstep,\n"
        "                         and report per cycle how far fieldsim's readings,\n"
        "                         torso and ball were from the real server's, and the\n"
        "                         referee's moves and the falls on both sides; --model,\n"
        "                         --latency and --verbose apply. Exit 0 when it ran,\n"
        "                         2 on a file that cannot be read\n"
        "  --play-trace-json FILE also write that comparison as JSON\n"
        "  --help                 print this text\n";
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv, SimOptions& o,
                                        std::string& error) {
    // CLI11 reads the words: each option's values, as the next word or after
    // "=", and what matches no option. Every use of an option is kept and
    // checked in turn, so that a later one wins and a bad one is never hidden.
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    bool help = false;
    app.add_flag("-h,--help", help);
    std::vector<std::pair<const ValueOption*, CLI::Option*>> values;
    for (const ValueOption& option : valueOptions()) {
        CLI::Option* read = app.add_option(option.name);
        read->expected(1);
        read->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        values.emplace_back(&option, read);
    }
    std::vector<std::pair<const FlagOption*, CLI::Option*>> flags;
    for (const FlagOption& flag : kFlags) flags.emplace_back(&flag, app.add_flag(flag.name)->disable_flag_override());

    // CLI11 takes the words last first.
    std::vector<std::string> words;
    for (int i = argc - 1; i >= 1; --i) words.emplace_back(argv[i] != nullptr ? argv[i] : "");
    try {
        app.parse(words);
    } catch (const CLI::ParseError& e) {
        for (const std::string& w : words) {
            if (w == "--help" || w == "-h") return Outcome::Help;
        }
        error = complaint(e);
        return Outcome::Error;
    }
    if (help) return Outcome::Help;
    for (const std::string& word : app.remaining()) {
        error = "unknown option " + (word.rfind("--", 0) == 0 ? word.substr(0, word.find('=')) : word);
        return Outcome::Error;
    }
    for (const auto& [flag, read] : flags) {
        if (read->count() > 0) o.*(flag->field) = true;
    }
    for (const auto& [option, read] : values) {
        for (const std::string& value : read->results()) {
            if (!option->store(value, o)) {
                error = "bad value '" + value + "' for " + option->name + " (" + option->rule + ")";
                return Outcome::Error;
            }
        }
    }
    if (!o.playTraceJson.empty() && o.playTracePath.empty()) {
        error = "--play-trace-json needs --play-trace";
        return Outcome::Error;
    }
    if (o.goalWidth > o.fieldWidth) {
        error = "the goal is wider than the field";
        return Outcome::Error;
    }
    return Outcome::Run;
}
