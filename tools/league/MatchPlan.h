// Everything one match of the league needs to be played, and to be read
// again later: which team plays on which side, with which programs and
// parameters, the seed and the length. Kept beside the match as match.json.
#pragma once

#include <string>
#include <vector>

#include "LeagueOptions.h"

struct MatchPlan {
    int number = 1;
    unsigned long long seed = 1;
    TeamSetup left, right;
    int players = 3;
    double seconds = 60;
    double kickoffAfter = 3;
    bool noise = true;
    std::string dir;       // the match's folder
    std::string fieldsim;  // the server program
    double timeoutSeconds = 600;

    // fieldsim's own stop: the kick-off countdown (again after half time),
    // the played time and a little more, in seconds of server time.
    double serverSeconds() const;
    // The command line of fieldsim, started in `dir`.
    std::vector<std::string> serverArgs() const;
    // The command line of player `unum` of the team on `side`.
    std::vector<std::string> playerArgs(const TeamSetup& team, int unum) const;

    std::string toJson() const;
    // False (and why) when `text` is no plan this program wrote.
    static bool fromJson(const std::string& text, MatchPlan& plan, std::string& error);
};
