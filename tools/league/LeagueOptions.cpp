#include "LeagueOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "ToolCommandLine.h"

namespace {

// A whole word that is a finite number; nothing else counts.
bool readNumber(const std::string& word, double& out) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool readWhole(const std::string& word, double lo, double hi, double& out) {
    double v = 0;
    if (!readNumber(word, v) || v != std::floor(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

bool isGoodLeagueTeamName(const std::string& name) {
    if (name.empty() || name.size() > static_cast<size_t>(LeagueOptions::kTeamNameMax))
        return false;
    for (char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!plain) return false;
    }
    return true;
}

LeagueParse parseLeagueOptions(int argc, char** argv, LeagueOptions& o, std::string& error) {
    ToolCommandLine line;
    auto text = [&line](const char* name, std::string& to) {
        line.option(name, 1, std::string(name) + " needs a value",
                    std::string("bad value for ") + name + ": an empty word",
                    [&to](const std::vector<std::string>& v) {
                        if (v[0].empty()) return false;
                        to = v[0];
                        return true;
                    });
    };
    auto teamName = [&line](const char* name, std::string& to) {
        line.option(name, 1, std::string(name) + " needs a value",
                    std::string("bad value for ") + name +
                        ": 1 to 63 letters, digits, '_' or '-' (it names a folder too)",
                    [&to](const std::vector<std::string>& v) {
                        if (!isGoodLeagueTeamName(v[0])) return false;
                        to = v[0];
                        return true;
                    });
    };
    auto number = [&line](const char* name, const char* rule, double lo, double hi, double& to) {
        line.option(name, 1, std::string(name) + " needs a value",
                    std::string("bad value for ") + name + ": " + rule,
                    [lo, hi, &to](const std::vector<std::string>& v) {
                        double x = 0;
                        if (!readNumber(v[0], x) || x < lo || x > hi) return false;
                        to = x;
                        return true;
                    });
    };
    auto whole = [&line](const char* name, const char* rule, double lo, double hi, auto& to) {
        line.option(name, 1, std::string(name) + " needs a value",
                    std::string("bad value for ") + name + ": " + rule,
                    [lo, hi, &to](const std::vector<std::string>& v) {
                        double x = 0;
                        if (!readWhole(v[0], lo, hi, x)) return false;
                        to = static_cast<std::remove_reference_t<decltype(to)>>(x);
                        return true;
                    });
    };

    // Program paths and folders are handed on as they are: a name that
    // starts with '-' is still a name.
    line.rawOption("--a", "--a needs a program", [&o](const std::vector<std::string>& v) {
        o.a.program = v[0];
        return !v[0].empty();
    });
    line.rawOption("--b", "--b needs a program", [&o](const std::vector<std::string>& v) {
        o.b.program = v[0];
        return !v[0].empty();
    });
    text("--a-params", o.a.params);
    text("--b-params", o.b.params);
    teamName("--a-name", o.a.name);
    teamName("--b-name", o.b.name);
    whole("--players", "a whole number from 1 to 11", 1, LeagueOptions::kMaxPlayers, o.players);
    number("--seconds", "seconds of game time above 0 and at most 600", 0.02,
           LeagueOptions::kMaxSeconds, o.seconds);
    whole("--matches", "a whole number from 1 to 1000", 1, LeagueOptions::kMaxMatches, o.matches);
    number("--kickoff-after", "seconds from 0 to 60", 0, 60, o.kickoffAfter);
    whole("--jobs", "a whole number from 1 to 64", 1, 64, o.jobs);
    whole("--seed", "a whole number from 0 to 2^53", 0, 9007199254740992.0, o.seed);
    text("--out", o.outDir);
    text("--fieldsim", o.fieldsim);
    number("--match-timeout", "wall-clock seconds from 10 to 86400", 10, 86400, o.matchTimeout);
    text("--analyse", o.analyseDir);

    // The switches take no value; the shared reader knows only options with
    // values, so they are taken out first (a program path after --a or --b
    // stays what it is, whatever it looks like).
    const struct {
        const char* name;
        bool* to;
        bool value;
    } switches[] = {{"--noise", &o.noise, true},
                    {"--no-noise", &o.noise, false},
                    {"--full-truth", &o.fullTruth, true},
                    {"--keep-traces", &o.keepTraces, true}};
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i] != nullptr ? argv[i] : "";
        bool taken = false;
        for (const auto& s : switches) {
            if (i > 0 && word == s.name) {
                *s.to = s.value;
                taken = true;
            }
        }
        if (!taken) rest.push_back(argv[i]);
        if ((word == "--a" || word == "--b") && i + 1 < argc) rest.push_back(argv[++i]);
    }
    rest.push_back(nullptr);

    switch (line.read(static_cast<int>(rest.size()) - 1, rest.data(), error)) {
        case CommandLineOutcome::Help:
            return LeagueParse::Help;
        case CommandLineOutcome::Error:
            return LeagueParse::Error;
        case CommandLineOutcome::Run:
            break;
    }
    if (!line.freeWords().empty()) {
        error = "unexpected word " + line.freeWords().front() + " (every value follows its option)";
        return LeagueParse::Error;
    }
    if (o.a.name == o.b.name) {
        // fieldsim tells the teams apart by name alone.
        error = "the two teams need different names (both are " + o.a.name + ")";
        return LeagueParse::Error;
    }
    return LeagueParse::Run;
}

void printLeagueHelp(std::ostream& out) {
    out << "Usage: league [--a PROGRAM] [--b PROGRAM] [--a-params P] [--b-params P]\n"
           "              [--a-name NAME] [--b-name NAME] [--players N] [--seconds S]\n"
           "              [--matches N] [--kickoff-after S] [--jobs N] [--seed N] [--no-noise]\n"
           "              [--out DIR] [--fieldsim PATH] [--full-truth] [--keep-traces]\n"
           "              [--match-timeout S]\n"
           "       league --analyse DIR\n"
           "\n"
           "Plays N matches of team A against team B on fieldsim's physics model in\n"
           "lockstep, each with its own seed and, where the system allows, in a network\n"
           "namespace of its own (the players always connect to port 3100), several at\n"
           "once. Team A plays on the left in odd matches and on the right in even ones.\n"
           "Prints per match and in total, per team: goals, falls per robot-minute,\n"
           "stand-up times, referee moves and fouls, the time from kick-off to the first\n"
           "touch and the ball's share of time in each half; writes league.csv and\n"
           "referee.csv beside one folder per match (truth log, consoles), which\n"
           "fieldsim --replay DIR/match-NN plays again.\n"
           "\n"
           "Options:\n"
           "  --a PROGRAM        program of team A, one process per robot (default: the\n"
           "                     matchagent beside league); --b likewise for team B\n"
           "  --a-params P       tuned (the program's own parameter files, default),\n"
           "                     design (the values the skills were designed with:\n"
           "                     --design-params) or a folder of parameter files\n"
           "                     (--params DIR); --b-params likewise\n"
           "  --a-name NAME      team name (default TeamA / TeamB for --b-name)\n"
           "  --players N        robots per team, 1 to 11 (default 3)\n"
           "  --seconds S        game time of a match after its kick-off (default 60)\n"
           "  --matches N        number of matches (default 10)\n"
           "  --kickoff-after S  seconds before the kick-off once every robot is in (default 3)\n"
           "  --jobs N           matches at once (default: the number of cores; 1 where no\n"
           "                     network namespace can be made)\n"
           "  --seed N           seed of the first match; match k has N + k - 1 (default 1)\n"
           "  --no-noise         no vision and beam noise: every seed then plays the same\n"
           "                     match (--noise, the default, turns it on)\n"
           "  --out DIR          output folder (default run/league); an earlier league's\n"
           "                     files there are replaced\n"
           "  --fieldsim PATH    the fieldsim program (default: the one beside league)\n"
           "  --full-truth       keep the whole truth log (default: without each robot's\n"
           "                     joints and commands, which the replay does not use)\n"
           "  --keep-traces      keep each player's Msg.txt (default: removed after the match)\n"
           "  --match-timeout S  wall-clock seconds before a match that has not ended is\n"
           "                     stopped (default 300 plus 30 per second of game time)\n"
           "  --analyse DIR      print and write the figures of a league played before\n"
           "                     (its folders and truth logs), playing nothing\n"
           "  --help             this text\n";
}
