// wmtrace: runs a recorded message trace offline through the agent's own
// perception update and prints, per message, what the world model then
// believes: time, play mode, side, own position and orientation, the ball's
// field position and how many players it sees. It is how a team looks into
// its localisation after a game.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "geometry/Point.h"
#include "objects/Player.h"
#include "types.h"
#include "utils/TraceReader.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// The agent's link refuses messages longer than this.
constexpr std::size_t kServerMessageLimit = 4096;
// The agent's own default team name.
const char* const kDefaultTeamName = "VOR";

const char* const kHeader =
    "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents";

void printHelp(std::ostream& out) {
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
           "                   (default " << kDefaultTeamName << ", as the agent's)\n"
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

// Drops whatever is written to it.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string number(double value, int decimals) {
    if (!std::isfinite(value)) return "nan";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // "-0.000" says nothing "0.000" does not.
    if (std::strspn(text, "-0.") == std::strlen(text) && text[0] == '-') {
        return std::string(text + 1);
    }
    return text;
}

// Players the last vision reported. The team-mate list also holds the
// agent itself (added once per message since the last vision, never seen)
// and any sighting of its own arms or feet, which carries our own number;
// the opponent list holds a never-seen placeholder when nobody was seen.
bool wasSeen(const Player& p) { return p.getLastTimeSeenPlayer() > 0.0; }

int countTeammates(const WorldModel& wm) {
    int count = 0;
    for (const Player& p : wm.getTmt()) {
        if (wasSeen(p) && p.getNum() != wm.getMyNum()) ++count;
    }
    return count;
}

int countOpponents(const WorldModel& wm) {
    int count = 0;
    for (const Player& p : wm.getOpp()) {
        if (wasSeen(p)) ++count;
    }
    return count;
}

std::string csvLine(const WorldModel& wm) {
    const Point pos = wm.getMyCartPos();
    const Point dir = wm.getDir();
    const Point ball = wm.getGlobalPosOfBall();
    std::string line;
    line += number(wm.getTime(), 3);
    line += ',';
    line += GameConf::getPlayModeName(wm.getPlayMode());
    line += ',';
    line += GameConf::getSideName(wm.getOurSide());
    for (double v : {pos.getX(), pos.getY(), pos.getZ()}) line += ',' + number(v, 4);
    for (double v : {dir.getX(), dir.getY(), dir.getZ()}) line += ',' + number(v, 3);
    for (double v : {ball.getX(), ball.getY(), ball.getZ()}) line += ',' + number(v, 4);
    line += ',' + std::to_string(countTeammates(wm));
    line += ',' + std::to_string(countOpponents(wm));
    return line;
}

int run(std::istream& in, std::ostream& out) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    GameConf::getUniqueInstance()->init();

    out << kHeader << '\n';
    TraceReader reader(in);
    std::string text;
    std::vector<char> buffer;
    while (reader.next(text)) {
        const long n = reader.getMessageNumber();
        if (reader.lastWasCut()) {
            std::cerr << "wmtrace: message " << n << " is longer than "
                      << TraceReader::kMaxMessageSize << " bytes; skipped\n";
            continue;
        }
        if (text.size() > kServerMessageLimit) {
            std::cerr << "wmtrace: message " << n << " has " << text.size()
                      << " bytes, more than the " << kServerMessageLimit
                      << " the agent accepts; read whole\n";
        }
        buffer.assign(text.begin(), text.end());
        buffer.push_back('\0');
        char* cursor = buffer.data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        out << csvLine(*wm) << '\n';
    }
    out.flush();
    return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::string teamName = kDefaultTeamName;
    Side side = SIDE_UNKNOWN;
    int unum = 0;
    bool pathGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printHelp(std::cout);
            return 0;
        }
        if (arg == "--teamname") {
            if (i + 1 >= argc) {
                std::cerr << "wmtrace: --teamname needs a name\n";
                return 2;
            }
            teamName = argv[++i];
        } else if (arg == "--side") {
            const std::string value = i + 1 < argc ? argv[++i] : "";
            if (value == "left") {
                side = SIDE_LEFT;
            } else if (value == "right") {
                side = SIDE_RIGHT;
            } else {
                std::cerr << "wmtrace: --side needs left or right\n";
                return 2;
            }
        } else if (arg == "--unum") {
            const std::string value = i + 1 < argc ? argv[++i] : "";
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 0 || n > 99) {
                std::cerr << "wmtrace: --unum needs a number from 0 to 99\n";
                return 2;
            }
            unum = static_cast<int>(n);
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            std::cerr << "wmtrace: unknown option " << arg << "\n";
            printHelp(std::cerr);
            return 2;
        } else if (pathGiven) {
            std::cerr << "wmtrace: only one trace file at a time\n";
            return 2;
        } else {
            path = arg;
            pathGiven = true;
        }
    }

    // The CSV goes to standard output on its own stream. The competition
    // library we link writes no console lines, but should a diagnostic line
    // of the agent's code ever reach std::cout it must not break the CSV.
    std::ostream csv(std::cout.rdbuf());
    NullBuffer nothing;
    std::cout.rdbuf(&nothing);

    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTeamName(teamName);
    wm->setOurSide(side);
    wm->setMyNum(unum);

    int status = 0;
    if (!pathGiven || path == "-") {
        status = run(std::cin, csv);
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::cerr << "wmtrace: cannot open " << path << "\n";
            status = 1;
        } else {
            status = run(file, csv);
        }
    }
    std::cout.rdbuf(csv.rdbuf());
    return status;
}
