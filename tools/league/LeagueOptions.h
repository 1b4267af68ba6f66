// Command line of league: which two teams play, how many matches of what
// length, and where the results go.
#pragma once

#include <ostream>
#include <string>

// One side of the league: a program that plays one robot, the parameter set
// it plays with and the name it plays under.
struct TeamSetup {
    std::string name;
    std::string program;
    // "tuned" (the program's own parameter files: nothing is passed),
    // "design" (the values the skills were designed with: --design-params)
    // or a folder of parameter files (--params DIR).
    std::string params = "tuned";
};

struct LeagueOptions {
    static constexpr int kTeamNameMax = 63;  // what the agent's name field holds
    static constexpr int kMaxPlayers = 11;   // a full team
    static constexpr int kMaxMatches = 1000;
    static constexpr double kMaxSeconds = 600;  // two halves of 300 s

    TeamSetup a{"TeamA", "", "tuned"};
    TeamSetup b{"TeamB", "", "tuned"};
    int players = 3;
    double seconds = 60.0;
    int matches = 10;
    double kickoffAfter = 3.0;
    int jobs = 0;  // 0: the number of cores
    unsigned long long seed = 1;
    // The real server's vision and beam noise: without it the seed changes
    // nothing and every match with the same sides is the same match.
    bool noise = true;
    std::string outDir = "run/league";
    std::string fieldsim;  // empty: the one beside the league program
    bool fullTruth = false;
    bool keepTraces = false;
    // Wall-clock seconds after which a match that has not ended is stopped
    // (0: 300 s plus 30 s per second of game time).
    double matchTimeout = 0;
    // Figures of a league already played, read from its folder; nothing is played.
    std::string analyseDir;
};

enum class LeagueParse { Run, Help, Error };

// Fills `options` from the command line. On Error, `error` says what was
// wrong in one line.
LeagueParse parseLeagueOptions(int argc, char** argv, LeagueOptions& options, std::string& error);

// A team name that fits the agent's name field, a folder name and a CSV cell.
bool isGoodLeagueTeamName(const std::string& name);

void printLeagueHelp(std::ostream& out);
