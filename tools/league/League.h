// The league: plans the matches (team A on the left in odd ones), plays
// them several at once in processes of their own, reads each match's truth
// log as soon as it ends, and reports per match and in total.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "LeagueOptions.h"
#include "MatchFigures.h"
#include "MatchPlan.h"

class League {
public:
    explicit League(const LeagueOptions& options) : options_(options) {}
    // Plays (or, with --analyse, reads) the league and writes its files;
    // the program's exit status: 0 when every match was played and read.
    int run(std::ostream& out, std::ostream& err);

    // The program beside this one called `name` (league lives in the build
    // folder with the others).
    static std::string besideSelf(const std::string& name);
    // Whether `program --help` mentions `option`: an agent that does not
    // know an option ignores it, so a parameter set it cannot take would
    // be played silently with its own.
    static bool programTakes(const std::string& program, const std::string& option);

private:
    bool prepare(std::ostream& err);
    int play(std::ostream& out, std::ostream& err);
    int analyse(std::ostream& out, std::ostream& err);
    // Reads a finished match's truth log (pruning it unless the whole log
    // is kept) and tidies its folder.
    bool readMatch(const MatchPlan& plan, bool prune, MatchFigures& figures, std::string& error);
    int report(std::ostream& out, std::ostream& err, const std::vector<MatchFigures>& results,
               const TeamSetup& a, const TeamSetup& b, bool allPlayed);

    LeagueOptions options_;
    std::vector<MatchPlan> plans_;
};
