#include "WmtraceOptions.h"

#include <cstdlib>
#include <vector>

#include "ToolCommandLine.h"

WmtraceParse parseWmtraceOptions(int argc, char** argv, WmtraceOptions& o, std::string& error,
                                 bool& showHelp) {
    ToolCommandLine line({"--help", "-h"});
    showHelp = false;
    line.unknownOption = [&showHelp](const std::string& word) {
        showHelp = true;
        return "unknown option " + word;
    };
    line.option("--teamname", 1, "--teamname needs a name", "",
                [&o](const std::vector<std::string>& v) {
                    o.teamName = v[0];
                    return true;
                });
    const char* const sideRule = "--side needs left or right";
    line.option("--side", 1, sideRule, sideRule, [&o](const std::vector<std::string>& v) {
        if (v[0] != "left" && v[0] != "right") return false;
        o.side = v[0] == "left" ? SIDE_LEFT : SIDE_RIGHT;
        return true;
    });
    const char* const unumRule = "--unum needs a number from 0 to 99";
    line.option("--unum", 1, unumRule, unumRule, [&o](const std::vector<std::string>& v) {
        char* end = nullptr;
        const long n = std::strtol(v[0].c_str(), &end, 10);
        if (v[0].empty() || *end != '\0' || n < 0 || n > 99) return false;
        o.unum = static_cast<int>(n);
        return true;
    });
    switch (line.read(argc, argv, error)) {
        case CommandLineOutcome::Help:
            return WmtraceParse::Help;
        case CommandLineOutcome::Error:
            return WmtraceParse::Error;
        case CommandLineOutcome::Run:
            break;
    }
    if (line.freeWords().size() > 1) {
        error = "only one trace file at a time";
        return WmtraceParse::Error;
    }
    if (!line.freeWords().empty()) o.path = line.freeWords().front();
    return WmtraceParse::Run;
}

void printWmtraceHelp(std::ostream& out) {
    out << "Usage: wmtrace [--side left|right] [--unum N] [--teamname NAME] [FILE]\n"
           "\n"
           "Runs a message trace, as the agent writes it to \"Msg.txt\" (every message\n"
           "followed by an empty line), through the agent's perception update and\n"
           "prints one CSV line per message: what the world model believes after it.\n"
           "Reads FILE, or standard input when FILE is missing or \"-\".\n"
           "\n"
           "Options:\n"
           "  --side left|right  the side our team played on. The agent reads the game\n"
           "                   state that names side and number during its start-up,\n"
           "                   before it starts the trace, so give them here; a game\n"
           "                   state in the trace that names them wins\n"
           "  --unum N         our uniform number, as given to the agent (default 0)\n"
           "  --teamname NAME  our team's name, to tell team-mates from opponents\n"
           "                   (default "
        << WmtraceOptions::kDefaultTeamName
        << ", as the agent's)\n"
           "  --help           this text\n"
           "\n"
           "Columns (first line is the header):\n"
           "  time             server time, seconds\n"
           "  play_mode        play mode, e.g. PM_PLAY_ON, PM_BEFORE_KICK_OFF\n"
           "  side             our side: SIDE_LEFT, SIDE_RIGHT, or SIDE_UNKNOWN when\n"
           "                   neither --side nor the trace names it (then the\n"
           "                   values are those of a team on the left)\n"
           "  x,y,z            own position, metres; our own goal is always at negative\n"
           "                   x (a team on the right is mirrored); z is the camera height\n"
           "  roll,pitch,yaw   own orientation, degrees; yaw grows clockwise (turning\n"
           "                   right) and is 0 when facing the opponent goal; an\n"
           "                   upright robot has a roll of -180 or 180\n"
           "  ball_x,ball_y,ball_z  the ball's field position, metres, same frame\n"
           "  teammates        team-mates in the last vision, not counting ourselves\n"
           "  opponents        opponents in the last vision\n"
           "\n"
           "Localisation uses the last sighting of each corner flag, so the values are\n"
           "meaningful once all four corner flags have been seen. A message longer\n"
           "than 4096 bytes (the agent would refuse it) is read whole with a warning.\n";
}
