#include "MatchRunner.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "ChildProgram.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long one step of starting a match may take before it counts as failed:
// a program loading, connecting or joining. Generous for the sanitizer build
// on a busy machine.
constexpr int kStepMs = 60000;

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The last line of a program's error output, to say why it stopped.
std::string lastLine(const std::string& path) {
    std::string text = readText(path);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t cut = text.rfind('\n');
    text = cut == std::string::npos ? text : text.substr(cut + 1);
    return text.empty() ? "(nothing on its error output)" : text;
}

bool makeDir(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

struct Player {
    std::string team;
    const TeamSetup* setup;
    int unum;
    std::string dir;
    std::unique_ptr<ChildProgram> program;
};

// What the system knew of the match's programs and connections when they
// failed to join: their states and the socket table, in joining.txt.
void keepDiagnostics(const std::string& dir, ChildProgram& server, std::vector<Player>& players) {
    std::ofstream out(dir + "/joining.txt");
    auto process = [&out](const std::string& who, pid_t pid) {
        const std::string base = "/proc/" + std::to_string(pid);
        out << who << ", process " << pid << ": " << readText(base + "/stat") << "  waits in "
            << readText(base + "/wchan") << ", system call " << readText(base + "/syscall");
    };
    process("fieldsim", server.pid());
    for (Player& p : players) {
        if (p.program->pid() > 0) process(p.team + " " + std::to_string(p.unum), p.program->pid());
    }
    out << "\n/proc/net/tcp:\n" << readText("/proc/net/tcp");
}

}  // namespace

int MatchRunner::socketsOnPort(unsigned short port, const std::string& state, bool unreadOnly) {
    // One line per socket: "sl local rem st tx_queue:rx_queue ...", the
    // addresses as hex "address:port". The system may list a socket twice
    // in one reading while connections come and go (seen here: four
    // counted of three), so each is counted once, by its remote end.
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    std::set<std::string> found;
    while (std::getline(table, line)) {
        std::istringstream cells(line);
        std::string slot, local, remote, st, queues;
        cells >> slot >> local >> remote >> st >> queues;
        const size_t colon = local.rfind(':');
        const size_t queueColon = queues.find(':');
        if (colon == std::string::npos || queueColon == std::string::npos || st != state) continue;
        char* end = nullptr;
        const unsigned long localPort = std::strtoul(local.c_str() + colon + 1, &end, 16);
        if (localPort != port) continue;
        const unsigned long unread = std::strtoul(queues.c_str() + queueColon + 1, &end, 16);
        if (!unreadOnly || unread > 0) found.insert(remote);
    }
    return static_cast<int>(found.size());
}

int MatchRunner::joinedLines(const std::string& console) {
    // "... (left 2 VOR) joined"
    int n = 0;
    for (size_t at = console.find(") joined"); at != std::string::npos;
         at = console.find(") joined", at + 1))
        ++n;
    return n;
}

bool MatchRunner::run(std::string& error) {
    const std::string& dir = plan_.dir;
    const std::string console = dir + "/fieldsim.log";
    std::vector<Player> players;
    for (const TeamSetup* team : {&plan_.left, &plan_.right}) {
        if (!makeDir(dir + "/" + team->name)) {
            error = "cannot make the folder " + dir + "/" + team->name;
            return false;
        }
        for (int n = 1; n <= plan_.players; ++n) {
            const std::string playerDir = dir + "/" + team->name + "/p" + std::to_string(n);
            if (!makeDir(playerDir)) {
                error = "cannot make the folder " + playerDir;
                return false;
            }
            players.push_back({team->name, team, n, playerDir, std::make_unique<ChildProgram>()});
        }
    }
    if (socketsOnPort(kAgentPort, "0A", false) > 0) {
        error = "something already listens on port 3100 here";
        return false;
    }

    ChildProgram server;
    if (!server.start(plan_.fieldsim, plan_.serverArgs(), dir, "fieldsim.log", "fieldsim.err",
                      error))
        return false;
    const bool listening = waitUntil(
        [&] { return server.ended() || socketsOnPort(kAgentPort, "0A", false) > 0; }, kStepMs);
    if (!listening || server.ended()) {
        error = "fieldsim did not start: " + lastLine(dir + "/fieldsim.err");
        return false;
    }
    // With --wait-for it runs no cycle before all robots have loaded theirs,
    // so holding it here changes nothing but this: each robot's first
    // command stays unread, which tells that the robot has connected, and
    // the order of connecting fixes the order the server numbers them in.
    if (!server.pause()) {
        error = "fieldsim stopped while the players started: " + lastLine(dir + "/fieldsim.err");
        return false;
    }
    for (size_t i = 0; i < players.size(); ++i) {
        Player& p = players[i];
        if (!p.program->start(p.setup->program, plan_.playerArgs(*p.setup, p.unum), p.dir,
                              "out.txt", "err.txt", error)) {
            return false;
        }
        const int connected = static_cast<int>(i) + 1;
        const bool in = waitUntil(
            [&] {
                return p.program->ended() || socketsOnPort(kAgentPort, "01", true) >= connected;
            },
            kStepMs);
        if (!in || p.program->ended()) {
            keepDiagnostics(dir, server, players);
            error = p.team + " player " + std::to_string(p.unum) +
                    " did not connect: " + lastLine(p.dir + "/err.txt");
            return false;
        }
        p.program->pause();
    }
    // Each robot in turn answers its first perception with its init and
    // joins before the next is let go: the first team to join plays on the
    // left.
    server.resume();
    for (size_t i = 0; i < players.size(); ++i) {
        Player& p = players[i];
        p.program->resume();
        const int joined = static_cast<int>(i) + 1;
        if (!waitUntil([&] { return server.ended() || joinedLines(readText(console)) >= joined; },
                       kStepMs) ||
            server.ended()) {
            keepDiagnostics(dir, server, players);
            error = p.team + " player " + std::to_string(p.unum) +
                    " did not join: " + lastLine(p.dir + "/err.txt");
            return false;
        }
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(
                                             static_cast<long long>(plan_.timeoutSeconds * 1000));
    while (!server.ended()) {
        if (Clock::now() >= deadline) {
            error = "the match had not ended after " +
                    std::to_string(static_cast<long>(plan_.timeoutSeconds)) +
                    " s of wall time; stopped";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The players end when the server closes their connections.
    waitUntil(
        [&] {
            for (Player& p : players) {
                if (!p.program->ended()) return false;
            }
            return true;
        },
        5000);
    for (Player& p : players) p.program->stop(1000);
    if (server.exitStatus() != 0) {
        error = "fieldsim ended with status " + std::to_string(server.exitStatus()) + ": " +
                lastLine(dir + "/fieldsim.err");
        return false;
    }
    return true;
}
