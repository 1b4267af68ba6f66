#include "League.h"

#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "LeagueReport.h"
#include "MatchAnalyser.h"
#include "MatchRunner.h"
#include "NetworkNamespace.h"
#include "NumberFormat.h"
#include "TeamTotals.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A console longer than this keeps its end only.
constexpr std::uintmax_t kConsoleKeep = 1 << 20;

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string absolute(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return "";
    return resolved;
}

// The program at `path` as an absolute path, or empty (and why).
std::string runnable(const std::string& path, std::string& why) {
    const std::string full = absolute(path);
    if (full.empty()) {
        why = std::strerror(errno);
        return "";
    }
    if (fs::is_directory(full) || access(full.c_str(), X_OK) != 0) {
        why = "not an executable file";
        return "";
    }
    return full;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Keeps the last kConsoleKeep bytes of a long console, from a line start.
void trimConsole(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size <= kConsoleKeep) return;
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - kConsoleKeep));
    std::string tail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const size_t lineStart = tail.find('\n');
    if (lineStart != std::string::npos) tail.erase(0, lineStart + 1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[league: the first " << (size - tail.size()) << " bytes of this console were removed]\n"
        << tail;
}

void writeText(const std::string& path, const std::string& text, std::ostream& err) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) err << "league: cannot write " << path << "\n";
}

}  // namespace

std::string League::besideSelf(const std::string& name) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    self[n] = '\0';
    return (fs::path(self).parent_path() / name).string();
}

bool League::programTakes(const std::string& program, const std::string& option) {
    int link[2];
    if (pipe(link) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(link[0]);
        close(link[1]);
        return false;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(link[1], 1);
        dup2(link[1], 2);
        close(link[0]);
        close(link[1]);
        execl(program.c_str(), program.c_str(), "--help", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(link[1]);
    std::string said;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    char buffer[4096];
    while (said.size() < (1 << 16) && Clock::now() < deadline) {
        pollfd p{link[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = read(link[0], buffer, sizeof buffer);
        if (n <= 0) break;
        said.append(buffer, static_cast<size_t>(n));
    }
    close(link[0]);
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return said.find(option) != std::string::npos;
}

int League::run(std::ostream& out, std::ostream& err) {
    if (!options_.analyseDir.empty()) return analyse(out, err);
    if (!prepare(err)) return 2;
    return play(out, err);
}

bool League::prepare(std::ostream& err) {
    std::string why;
    for (TeamSetup* team : {&options_.a, &options_.b}) {
        const std::string given = team->program.empty() ? besideSelf("matchagent") : team->program;
        team->program = runnable(given, why);
        if (team->program.empty()) {
            err << "league: " << team->name << "'s program " << given << " cannot be run: " << why
                << "\n";
            return false;
        }
        if (team->params == "design") {
            if (!programTakes(team->program, "--design-params")) {
                err << "league: " << team->program << " does not take --design-params, so "
                    << team->name << " cannot play with the values its skills were designed with\n";
                return false;
            }
        } else if (team->params != "tuned") {
            const std::string dir = absolute(team->params);
            if (dir.empty() || !fs::is_directory(dir)) {
                err << "league: " << team->name << "'s parameters " << team->params
                    << " are neither tuned, design nor a folder\n";
                return false;
            }
            if (!programTakes(team->program, "--params")) {
                err << "league: " << team->program << " does not take --params, so " << team->name
                    << " cannot play with " << dir << "\n";
                return false;
            }
            team->params = dir;
        }
    }
    const std::string fieldsimGiven =
        options_.fieldsim.empty() ? besideSelf("fieldsim") : options_.fieldsim;
    options_.fieldsim = runnable(fieldsimGiven, why);
    if (options_.fieldsim.empty()) {
        err << "league: fieldsim " << fieldsimGiven << " cannot be run: " << why << "\n";
        return false;
    }

    std::error_code ec;
    fs::create_directories(options_.outDir, ec);
    const std::string outDir = absolute(options_.outDir);
    if (outDir.empty() || !fs::is_directory(outDir)) {
        err << "league: cannot make the output folder " << options_.outDir << "\n";
        return false;
    }
    options_.outDir = outDir;
    // An earlier league's files go; anything else there stays.
    for (const fs::directory_entry& entry : fs::directory_iterator(outDir, ec)) {
        const std::string name = entry.path().filename().string();
        if ((entry.is_directory() && name.rfind("match-", 0) == 0) || name == "league.csv" ||
            name == "referee.csv" || name == "summary.txt") {
            fs::remove_all(entry.path(), ec);
        }
    }

    const int width = options_.matches >= 100 ? 3 : 2;
    for (int k = 1; k <= options_.matches; ++k) {
        MatchPlan plan;
        plan.number = k;
        plan.seed = options_.seed + static_cast<unsigned long long>(k - 1);
        // Team A on the left in odd matches, so neither side's advantage
        // decides the totals.
        plan.left = k % 2 == 1 ? options_.a : options_.b;
        plan.right = k % 2 == 1 ? options_.b : options_.a;
        plan.players = options_.players;
        plan.seconds = options_.seconds;
        plan.kickoffAfter = options_.kickoffAfter;
        plan.noise = options_.noise;
        plan.fieldsim = options_.fieldsim;
        plan.timeoutSeconds =
            options_.matchTimeout > 0 ? options_.matchTimeout : 300 + 30 * options_.seconds;
        char name[32];
        std::snprintf(name, sizeof name, "match-%0*d", width, k);
        plan.dir = outDir + "/" + name;
        fs::create_directories(plan.dir, ec);
        if (ec) {
            err << "league: cannot make " << plan.dir << ": " << ec.message() << "\n";
            return false;
        }
        writeText(plan.dir + "/match.json", plan.toJson(), err);
        plans_.push_back(plan);
    }
    return true;
}

int League::play(std::ostream& out, std::ostream& err) {
    std::string why;
    const bool namespaces = NetworkNamespace::available(why);
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    int jobs = options_.jobs > 0 ? options_.jobs : static_cast<int>(std::max(1L, cores));
    if (!namespaces) {
        out << "league: no network namespace can be made here (" << why
            << "): the matches are played one at a time on port 3100\n";
        jobs = 1;
    }
    jobs = std::min(jobs, static_cast<int>(plans_.size()));
    out << "league: " << plans_.size() << " matches of " << options_.a.name << " against "
        << options_.b.name << ", " << options_.players << " v " << options_.players << ", "
        << formatFixed(options_.seconds, 1) << " s each, " << jobs << " at once; files in "
        << options_.outDir << "\n";
    out.flush();

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {
    }, oldTerm{};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);

    const auto leagueStart = Clock::now();
    const pid_t self = getpid();
    std::map<pid_t, std::pair<size_t, Clock::time_point>> running;  // worker -> plan, start
    std::vector<MatchFigures> results;
    std::ostringstream summary;
    size_t next = 0;
    bool allPlayed = true;
    while ((next < plans_.size() || !running.empty()) && !interrupted) {
        while (next < plans_.size() && static_cast<int>(running.size()) < jobs) {
            const MatchPlan& plan = plans_[next];
            std::cout.flush();
            std::cerr.flush();
            const pid_t pid = fork();
            if (pid < 0) {
                err << "league: cannot start match " << plan.number << ": " << std::strerror(errno)
                    << "\n";
                allPlayed = false;
                ++next;
                continue;
            }
            if (pid == 0) {
                // The match's own process: its own group (so that the
                // league can end all of it at once), gone with the league.
                setpgid(0, 0);
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (getppid() != self) _exit(1);
                signal(SIGINT, SIG_DFL);
                signal(SIGTERM, SIG_DFL);
                std::string error;
                bool ok = !namespaces || NetworkNamespace::enter(error);
                if (ok) ok = MatchRunner(plan).run(error);
                if (!ok) {
                    std::ofstream note(plan.dir + "/league-error.txt");
                    note << error << "\n";
                }
                _exit(ok ? 0 : 1);
            }
            setpgid(pid, pid);
            running[pid] = {next, Clock::now()};
            ++next;
        }
        int status = 0;
        const pid_t done = waitpid(-1, &status, 0);
        if (done < 0) continue;  // interrupted, or nothing left
        const auto it = running.find(done);
        if (it == running.end()) continue;
        const MatchPlan& plan = plans_[it->second.first];
        const double wall = secondsSince(it->second.second);
        running.erase(it);
        std::ostringstream block;
        const bool played = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        MatchFigures figures;
        std::string error;
        if (!played) {
            std::string said = readText(plan.dir + "/league-error.txt");
            while (!said.empty() && said.back() == '\n') said.pop_back();
            block << "match " << plan.number << "/" << plans_.size() << " (seed " << plan.seed
                  << ") was not played to its end: "
                  << (said.empty() ? "its process ended early" : said) << "; its files are in "
                  << plan.dir << "\n";
            allPlayed = false;
        } else if (!readMatch(plan, !options_.fullTruth, figures, error)) {
            block << "match " << plan.number << ": " << error << "\n";
            allPlayed = false;
        } else {
            LeagueReport::printMatch(block, figures, static_cast<int>(plans_.size()), wall);
            results.push_back(figures);
        }
        out << block.str();
        out.flush();
        summary << block.str();
    }
    if (interrupted) {
        for (const auto& [pid, match] : running) kill(-pid, SIGKILL);
        for (const auto& [pid, match] : running) {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        out << "league: interrupted; " << results.size() << " of " << plans_.size()
            << " matches were played\n";
        allPlayed = false;
    }
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);

    std::sort(results.begin(), results.end(),
              [](const MatchFigures& x, const MatchFigures& y) { return x.match < y.match; });
    std::ostringstream totals;
    const int status = report(totals, err, results, options_.a, options_.b, allPlayed);
    totals << "Played in " << formatFixed(secondsSince(leagueStart), 1) << " s of wall time, "
           << jobs << " at once"
           << (namespaces ? ", each in its own network namespace" : ", on port 3100") << "\n";
    out << totals.str();
    summary << totals.str();
    writeText(options_.outDir + "/summary.txt", summary.str(), err);
    return interrupted ? 130 : status;
}

bool League::readMatch(const MatchPlan& plan, bool prune, MatchFigures& figures,
                       std::string& error) {
    MatchAnalyser analyser(plan.left.name, plan.right.name, plan.seconds);
    const std::string truth = plan.dir + "/truth.jsonl";
    if (prune) {
        const std::string pruned = truth + ".pruned";
        std::ofstream out(pruned, std::ios::binary | std::ios::trunc);
        if (!analyser.readFile(truth, &out, error)) return false;
        out.close();
        std::error_code ec;
        if (!out) {
            error = "cannot write " + pruned;
            fs::remove(pruned, ec);
        } else {
            fs::rename(pruned, truth, ec);
            if (ec) error = "cannot replace " + truth + ": " + ec.message();
        }
    } else if (!analyser.readFile(truth, nullptr, error)) {
        return false;
    }
    figures = analyser.finish();
    figures.match = plan.number;
    figures.seed = plan.seed;
    if (!error.empty()) figures.notes.push_back(error);
    error.clear();

    if (options_.analyseDir.empty()) {
        std::error_code ec;
        trimConsole(plan.dir + "/fieldsim.log");
        for (const TeamSetup* team : {&plan.left, &plan.right}) {
            for (int n = 1; n <= plan.players; ++n) {
                const fs::path player = fs::path(plan.dir) / team->name / ("p" + std::to_string(n));
                if (!options_.keepTraces) fs::remove(player / "Msg.txt", ec);
                trimConsole(player / "out.txt");
                trimConsole(player / "err.txt");
            }
        }
    }
    return true;
}

int League::report(std::ostream& out, std::ostream& err, const std::vector<MatchFigures>& results,
                   const TeamSetup& a, const TeamSetup& b, bool allPlayed) {
    TeamTotals totalA, totalB;
    totalA.team = a.name;
    totalB.team = b.name;
    for (const MatchFigures& m : results) {
        for (const TeamFigures* t : {&m.left, &m.right}) {
            if (t->team == a.name)
                totalA.add(m, *t);
            else if (t->team == b.name)
                totalB.add(m, *t);
        }
    }
    out << "\n";
    LeagueReport::printTotals(out, results, totalA, totalB);
    const std::string dir = options_.analyseDir.empty() ? options_.outDir : options_.analyseDir;
    writeText(dir + "/league.csv", LeagueReport::leagueCsv(results, totalA, totalB), err);
    writeText(dir + "/referee.csv", LeagueReport::refereeCsv(results, totalA, totalB), err);
    out << "Figures in " << dir << "/league.csv and referee.csv; replay a match with "
        << "fieldsim --replay " << dir << "/match-NN\n";
    return allPlayed ? 0 : 1;
}

int League::analyse(std::ostream& out, std::ostream& err) {
    const std::string dir = options_.analyseDir;
    std::error_code ec;
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_directory() && entry.path().filename().string().rfind("match-", 0) == 0) {
            folders.push_back(entry.path());
        }
    }
    if (ec || folders.empty()) {
        err << "league: " << dir << " holds no match folders (match-NN) to read\n";
        return 2;
    }
    std::sort(folders.begin(), folders.end());
    std::vector<MatchFigures> results;
    TeamSetup a, b;
    bool allRead = true;
    for (const fs::path& folder : folders) {
        MatchPlan plan;
        std::string error;
        if (!MatchPlan::fromJson(readText((folder / "match.json").string()), plan, error)) {
            out << folder.string() << ": skipped, its match.json is no match plan (" << error
                << ")\n";
            allRead = false;
            continue;
        }
        plan.dir = folder.string();
        if (results.empty() && a.name.empty()) {
            a = plan.number % 2 == 1 ? plan.left : plan.right;
            b = plan.number % 2 == 1 ? plan.right : plan.left;
        }
        MatchFigures figures;
        if (!readMatch(plan, false, figures, error)) {
            out << folder.string() << ": " << error << "\n";
            allRead = false;
            continue;
        }
        plans_.push_back(plan);
        LeagueReport::printMatch(out, figures, static_cast<int>(folders.size()), -1);
        results.push_back(figures);
    }
    if (a.name.empty()) return 1;
    return report(out, err, results, a, b, allRead);
}
