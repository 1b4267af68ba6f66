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

#include "WmtraceOptions.h"
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

const char* const kHeader =
    "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents";

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
    WmtraceOptions options;
    std::string error;
    bool showHelp = false;
    switch (parseWmtraceOptions(argc, argv, options, error, showHelp)) {
        case WmtraceParse::Help:
            printWmtraceHelp(std::cout);
            return 0;
        case WmtraceParse::Error:
            std::cerr << "wmtrace: " << error << "\n";
            if (showHelp) printWmtraceHelp(std::cerr);
            return 2;
        case WmtraceParse::Run:
            break;
    }

    // The CSV goes to standard output on its own stream. The competition
    // library we link writes no console lines, but should a diagnostic line
    // of the agent's code ever reach std::cout it must not break the CSV.
    std::ostream csv(std::cout.rdbuf());
    NullBuffer nothing;
    std::cout.rdbuf(&nothing);

    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTeamName(options.teamName);
    wm->setOurSide(options.side);
    wm->setMyNum(options.unum);

    int status = 0;
    const std::string& path = options.path;
    if (path == "-") {
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
