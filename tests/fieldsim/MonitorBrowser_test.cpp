// The web monitor in a real browser: headless chromium opens the page while a
// scripted match publishes truth-log states every 20 ms, and the test reads
// back over the browser's debugging pipe where the page drew each robot and
// the ball, in which colour and heading, and what its header shows; first fed
// by the event stream, then by polling. Skipped where chromium is not
// installed (scripts/install-deps.sh installs it).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "MonitorPage.h"
#include "MonitorServer.h"
#include "support/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TruthRobot {
    std::string side;
    int unum;
    double x, y, yaw;
    std::string state;
};

// Cycle k of the scripted match: robots drift and turn, so that every cycle
// differs from the last; one robot lies on its front.
std::vector<TruthRobot> robotsAt(long long k) {
    const double t = static_cast<double>(k) * 0.02;
    const double lx[] = {-4.5, -2.0, -1.0}, ly[] = {0.0, 2.5, -2.0}, rx[] = {4.5, 2.5, 1.5}, ry[] = {-1.0, -2.5, 2.2};
    std::vector<TruthRobot> robots;
    for (int i = 0; i < 3; ++i) {
        robots.push_back({"left", i + 1, lx[i] + 0.6 * std::sin(t + i), ly[i] + 0.3 * std::cos(t),
                          std::fmod(40.0 * t + 100.0 * i, 360.0) - 180.0, "upright"});
        robots.push_back({"right", i == 2 ? 11 : i + 1, rx[i] - 0.6 * std::sin(t + i), ry[i],
                          std::fmod(170.0 - 30.0 * t - 70.0 * i + 720.0, 360.0), i == 1 ? "front" : "upright"});
    }
    return robots;
}

std::pair<double, double> ballAt(long long k) {
    const double t = static_cast<double>(k) * 0.02;
    return {0.5 + 1.5 * std::cos(0.7 * t), -0.4 + std::sin(0.7 * t)};
}

double gameTimeAt(long long k) { return 95.0 + static_cast<double>(k) * 0.02; }

// One line in the truth log's format.
std::string stateAt(long long k) {
    char buf[512];
    const auto [bx, by] = ballAt(k);
    std::snprintf(buf, sizeof buf,
                  "{\"cycle\":%lld,\"time\":%.3f,\"game_time\":%.3f,\"play_mode\":\"PlayOn\",\"score\":{\"left\":1,"
                  "\"right\":2},\"ball\":{\"x\":%.4f,\"y\":%.4f,\"z\":0.0420,\"vx\":0.0000,\"vy\":0.0000},\"robots\":[",
                  k, static_cast<double>(k) * 0.02, gameTimeAt(k), bx, by);
    std::string s = buf;
    for (const TruthRobot& r : robotsAt(k)) {
        std::snprintf(buf, sizeof buf,
                      "{\"team\":\"%s\",\"side\":\"%s\",\"unum\":%d,\"x\":%.4f,\"y\":%.4f,\"z\":0.3850,\"yaw\":%.3f,"
                      "\"pitch\":0.000,\"roll\":0.000,\"state\":\"%s\",\"joints\":{},\"commands\":\"\"},",
                      r.side == "left" ? "VOR" : "OPP<b>", r.side.c_str(), r.unum, r.x, r.y, r.yaw, r.state.c_str());
        s += buf;
    }
    s.back() = ']';
    return s + "}";
}

// The monitor driven by its own thread, one state every 20 ms as in fieldsim.
class ScriptedMatch {
public:
    ScriptedMatch() : server_(MonitorField{}) {
        std::string error;
        if (server_.start(0, error)) thread_ = std::thread([this] { run(); });
    }
    ~ScriptedMatch() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return server_.port(); }

private:
    void run() {
        auto next = Clock::now();
        for (long long k = 0; !stop_;) {
            std::vector<pollfd> fds;
            server_.addPollFds(fds);
            ::poll(fds.data(), fds.size(), 4);
            server_.handlePoll(fds);
            if (Clock::now() >= next) {
                server_.publish(stateAt(k++));
                next += std::chrono::milliseconds(20);
            }
        }
    }

    MonitorServer server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// The string value after `"key":"` in a message from the browser, unescaped.
std::optional<std::string> stringField(const std::string& message, const std::string& key) {
    const std::string tag = "\"" + key + "\":\"";
    size_t i = message.find(tag);
    if (i == std::string::npos) return std::nullopt;
    std::string out;
    for (i += tag.size(); i < message.size() && message[i] != '"'; ++i) {
        if (message[i] != '\\' || ++i >= message.size()) {
            out += message[i];
        } else if (message[i] == 'n') {
            out += '\n';
        } else if (message[i] == 'u' && i + 4 < message.size()) {
            out += static_cast<char>(std::stoi(message.substr(i + 1, 4), nullptr, 16));  // ASCII is all we ask for
            i += 4;
        } else {
            out += message[i];
        }
    }
    return out;
}

// Chromium with --remote-debugging-pipe: commands go in on its descriptor 3,
// answers and events come out of 4, each message ended by a NUL byte.
class HeadlessBrowser {
public:
    ~HeadlessBrowser() {
        if (pid_ > 0) {
            call("Browser.close", "{}", "", 2000);
            for (int i = 0; i < 250 && ::waitpid(pid_, nullptr, WNOHANG) != pid_; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ::kill(-pid_, SIGKILL);  // whatever is left of its process group
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_}) {
            if (fd >= 0) ::close(fd);
        }
    }

    bool start(const std::string& program, const std::string& profileDir) {
        int toBrowser[2], fromBrowser[2];
        if (::pipe(toBrowser) != 0 || ::pipe(fromBrowser) != 0) return false;
        const std::vector<std::string> args = {
            program, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync", "--mute-audio",
            "--window-size=1000,700", "--remote-debugging-pipe", "--user-data-dir=" + profileDir};
        const std::string logPath = profileDir + "/chromium.log";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            // Copies above 4 first, in case a pipe end already is 3 or 4.
            const int in = ::fcntl(toBrowser[0], F_DUPFD, 10), out = ::fcntl(fromBrowser[1], F_DUPFD, 10);
            const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || log < 0) ::_exit(126);
            ::dup2(log, 1);
            ::dup2(log, 2);
            ::dup2(in, 3);
            ::dup2(out, 4);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(toBrowser[0]);
        ::close(fromBrowser[1]);
        in_ = toBrowser[1];
        out_ = fromBrowser[0];
        return pid_ > 0;
    }

    // Opens `url` in a new tab; the session to talk to it, or nothing.
    std::optional<std::string> open(const std::string& url) {
        const auto created = call("Target.createTarget", "{\"url\":\"" + url + "\"}", "", 30000);
        const auto target = created ? stringField(*created, "targetId") : std::nullopt;
        if (!target) return std::nullopt;
        const auto attached =
            call("Target.attachToTarget", "{\"targetId\":\"" + *target + "\",\"flatten\":true}", "", 30000);
        return attached ? stringField(*attached, "sessionId") : std::nullopt;
    }

    // The string an expression (free of double quotes and backslashes) gives in a page.
    std::optional<std::string> evaluate(const std::string& session, const std::string& expression) {
        const auto answer = call("Runtime.evaluate", "{\"expression\":\"" + expression + "\",\"returnByValue\":true}",
                                 session, 15000);
        if (!answer || answer->find("\"exceptionDetails\"") != std::string::npos) return std::nullopt;
        return stringField(*answer, "value");
    }

private:
    // Sends one command and waits for its answer, passing over events.
    std::optional<std::string> call(const std::string& method, const std::string& params, const std::string& session,
                                    int timeoutMs) {
        const std::string answerStart = "{\"id\":" + std::to_string(++lastId_) + ",";
        std::string message = answerStart + "\"method\":\"" + method + "\",\"params\":" + params +
                              (session.empty() ? "" : ",\"sessionId\":\"" + session + "\"") + "}";
        message.push_back('\0');
        if (in_ < 0 || ::write(in_, message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
            return std::nullopt;
        }
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (size_t nul; (nul = buffer_.find('\0')) != std::string::npos;) {
                const std::string one = buffer_.substr(0, nul);
                buffer_.erase(0, nul + 1);
                if (one.rfind(answerStart, 0) == 0) return one;
            }
            pollfd p{out_, POLLIN, 0};
            char buf[65536];
            if (Clock::now() >= end || ::poll(&p, 1, 100) < 0) return std::nullopt;
            if (!(p.revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0) return std::nullopt;  // the browser has gone
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, lastId_ = 0;
    std::string buffer_;
};

// The page's record of its last frame and its header, as lines separated by ';'.
const std::string kSnapshotScript =
    "(() => { const d = document.getElementById('drawn'), q = id => document.getElementById(id).textContent;"
    " const lines = [['record', d.dataset.cycle, d.dataset.events, d.dataset.source || '-', d.dataset.fieldLeft,"
    " d.dataset.fieldTop, d.dataset.fieldRight, d.dataset.fieldBottom, innerWidth, innerHeight].join(' ')];"
    " for (const r of d.querySelectorAll('i.robot')) lines.push(['robot', r.dataset.side, r.dataset.unum,"
    " r.dataset.state, r.dataset.x, r.dataset.y, r.dataset.tipX, r.dataset.tipY,"
    " (r.dataset.rgb || '-1,-1,-1').split(',').join(' ')].join(' '));"
    " for (const b of d.querySelectorAll('i.ball')) lines.push('ball ' + b.dataset.x + ' ' + b.dataset.y);"
    " for (const id of ['mode', 'clock', 'left-score', 'right-score', 'left-team', 'right-team'])"
    " lines.push(id + ' ' + q(id));"
    " return lines.join(';'); })()";

struct DrawnRobot {
    std::string state;
    double x = 0, y = 0, tipX = 0, tipY = 0;
    int r = -1, g = -1, b = -1;
};

struct Snapshot {
    long long cycle = -1, events = 0;
    std::string source;
    double left = 0, top = 0, right = 0, bottom = 0;  // the field's corners in page pixels
    double width = 0, height = 0;                     // the window
    std::map<std::pair<std::string, int>, DrawnRobot> robots;
    std::vector<std::pair<double, double>> balls;
    std::map<std::string, std::string> header;
};

Snapshot parseSnapshot(const std::string& text) {
    Snapshot s;
    std::istringstream lines(text);
    std::string line, kind;
    while (std::getline(lines, line, ';')) {
        std::istringstream in(line);
        in >> kind;
        if (kind == "record") {
            in >> s.cycle >> s.events >> s.source >> s.left >> s.top >> s.right >> s.bottom >> s.width >> s.height;
        } else if (kind == "robot") {
            std::string side;
            int unum = 0;
            DrawnRobot r;
            in >> side >> unum >> r.state >> r.x >> r.y >> r.tipX >> r.tipY >> r.r >> r.g >> r.b;
            s.robots[{side, unum}] = r;
        } else if (kind == "ball") {
            double x = 0, y = 0;
            in >> x >> y;
            s.balls.emplace_back(x, y);
        } else {
            std::getline(in >> std::ws, s.header[kind]);
        }
    }
    return s;
}

// Everything a snapshot shows, against the truth of the cycle it drew.
void expectDrawnAsTruth(const Snapshot& s, const std::string& source) {
    SCOPED_TRACE("page fed by " + source + ", cycle " + std::to_string(s.cycle));
    const MonitorField field;
    EXPECT_EQ(s.source, source);
    // The field upright in the window, at one scale for x and y.
    ASSERT_GT(s.right - s.left, 0.6 * s.width);
    ASSERT_GT(s.bottom - s.top, 0);
    EXPECT_TRUE(s.left >= 0 && s.right <= s.width && s.top >= 0 && s.bottom <= s.height);
    const double sx = (s.right - s.left) / field.length, sy = (s.bottom - s.top) / field.width;
    EXPECT_NEAR(sx, sy, 0.01);
    auto pixelX = [&](double x) { return s.left + (x + field.length / 2) * sx; };
    auto pixelY = [&](double y) { return s.top + (field.width / 2 - y) * sy; };

    const std::vector<TruthRobot> truth = robotsAt(s.cycle);
    EXPECT_EQ(s.robots.size(), truth.size());
    for (const TruthRobot& t : truth) {
        SCOPED_TRACE(t.side + " " + std::to_string(t.unum));
        const auto it = s.robots.find({t.side, t.unum});
        ASSERT_NE(it, s.robots.end());
        const DrawnRobot& d = it->second;
        EXPECT_NEAR(d.x, pixelX(t.x), 0.6);
        EXPECT_NEAR(d.y, pixelY(t.y), 0.6);
        EXPECT_EQ(d.state, t.state);
        // The heading arrow points along the yaw, counter-clockwise from +x.
        const double drawnYaw = std::atan2(d.y - d.tipY, d.tipX - d.x) * 180.0 / 3.14159265358979323846;
        EXPECT_NEAR(std::remainder(drawnYaw - t.yaw, 360.0), 0.0, 2.0);
    }
    ASSERT_EQ(s.balls.size(), 1u);
    EXPECT_NEAR(s.balls[0].first, pixelX(ballAt(s.cycle).first), 0.6);
    EXPECT_NEAR(s.balls[0].second, pixelY(ballAt(s.cycle).second), 0.6);

    // The header shows the newest state received, at most a few frames ahead of the drawing.
    EXPECT_EQ(s.header.at("left-score") + ":" + s.header.at("right-score"), "1:2");
    EXPECT_EQ(s.header.at("right-team"), "OPP<b>") << "a team name is text, never markup";
    int minutes = 0;
    double seconds = -1;
    std::sscanf(s.header.at("clock").c_str(), "%d:%lf", &minutes, &seconds);
    EXPECT_GE(60 * minutes + seconds, gameTimeAt(s.cycle) - 0.06) << s.header.at("clock");
    EXPECT_LE(60 * minutes + seconds, gameTimeAt(s.cycle) + 1.0) << s.header.at("clock");
}

std::string chromiumPath() {
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
        if (::access(path, X_OK) == 0) return path;
    }
    return "";
}

}  // namespace

TEST(MonitorBrowser, PageDrawsRobotsAndBallWhereTheTruthHasThemAndFollowsTheMatch) {
    const std::string chromium = chromiumPath();
    if (chromium.empty()) {
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it); "
                        "the monitor page is not tried in a browser";
    }
    ::signal(SIGPIPE, SIG_IGN);
    ScriptedMatch match;
    ASSERT_GT(match.port(), 0);
    TempDir profile;
    HeadlessBrowser browser;
    ASSERT_TRUE(browser.start(chromium, profile.path()));
    auto snapshot = [&](const std::string& session) {
        const auto text = browser.evaluate(session, kSnapshotScript);
        return text ? parseSnapshot(*text) : Snapshot();
    };
    for (const std::string source : {"events", "poll"}) {
        const auto session = browser.open("http://127.0.0.1:" + std::to_string(match.port()) +
                                          (source == "poll" ? "/?poll" : "/"));
        ASSERT_TRUE(session) << readWholeFile(profile.file("chromium.log"));
        Snapshot first = snapshot(*session);
        for (int i = 0; i < 300 && first.cycle < 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            first = snapshot(*session);
        }
        ASSERT_GE(first.cycle, 0) << "nothing drawn; browser log:\n" << readWholeFile(profile.file("chromium.log"));
        expectDrawnAsTruth(first, source);
        // A second later it shows a later cycle, again where the truth has it.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const Snapshot later = snapshot(*session);
        expectDrawnAsTruth(later, source);
        EXPECT_GE(later.cycle, first.cycle + 10);
        EXPECT_GE(later.events, first.events + 3);
    }
}
