// league: N matches of team A against team B on fieldsim's physics model,
// with the figures the team's developers measure their work by.

#include <iostream>
#include <string>

#include "League.h"
#include "LeagueOptions.h"

int main(int argc, char** argv) {
    LeagueOptions options;
    std::string error;
    switch (parseLeagueOptions(argc, argv, options, error)) {
        case LeagueParse::Help:
            printLeagueHelp(std::cout);
            return 0;
        case LeagueParse::Error:
            std::cerr << "league: " << error << " (league --help lists the options)\n";
            return 2;
        case LeagueParse::Run:
            break;
    }
    League league(options);
    return league.run(std::cout, std::cerr);
}
