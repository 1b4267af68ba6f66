// The web monitor in a real browser: headless chromium opens the page while a
// scripted match publishes truth-log states every 20 ms, and the test reads
// back, over the browser's debugging pipe, where the page drew each robot and
// the ball, in which colour and heading, and what the header shows, first
// over the event stream and then by polling. Skipped where chromium is not
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
constexpr double kPi = 3.14159265358979323846;

// ---- the scripted match -------------------------------------------------

struct TruthRobot {
    std::string team, side;
    int unum;
    double x, y, yaw;
    std::string state;
};

// Where everything is in cycle k: robots drift and turn, so that every cycle
// differs from the last; one robot lies on its front.
std::vector<TruthRobot> robotsAt(long long k) {
    const double t = static_cast<double>(k) * 0.02;
    std::vector<TruthRobot> robots;
    const double lx[] = {-4.5, -2.0, -1.0}, ly[] = {0.0, 2.5, -2.0};
    const double rx[] = {4.5, 2.5, 1.5}, ry[] = {-1.0, -2.5, 2.2};
    for (int i = 0; i < 3; ++i) {
        robots.push_back({"VOR", "left", i + 1, lx[i] + 0.6 * std::sin(t + i), ly[i] + 0.3 * std::cos(t),
                          std::fmod(40.0 * t + 100.0 * i, 360.0) - 180.0, "upright"});
        robots.push_back({"OPP<b>", "right", i == 2 ? 11 : i + 1, rx[i] - 0.6 * std::sin(t + i), ry[i],
                          std::fmod(170.0 - 30.0 * t - 70.0 * i + 720.0, 360.0), i == 1 ? "front" : "upright"});
    }
    return robots;
}

std::pair<double, double> ballAt(long long k) {
    const double t = static_cast<double>(k) * 0.02;
    return {0.5 + 1.5 * std::cos(0.7 * t), -0.4 + std::sin(0.7 * t)};
}

double gameTimeAt(long long k) { return 95.0 + static_cast<double>(k) * 0.02; }

std::string fixed4(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

// One line in the truth log's format.
std::string stateAt(long long k) {
    const auto [bx, by] = ballAt(k);
    std::string s = "{\"cycle\":" + std::to_string(k) + ",\"time\":" + fixed4(static_cast<double>(k) * 0.02) +
                    ",\"game_time\":" + fixed4(gameTimeAt(k)) +
                    ",\"play_mode\":\"PlayOn\",\"score\":{\"left\":1,\"right\":2},\"ball\":{\"x\":" + fixed4(bx) +
                    ",\"y\":" + fixed4(by) + ",\"z\":0.0420,\"vx\":0.0000,\"vy\":0.0000},\"robots\":[";
    bool first = true;
    for (const TruthRobot& r : robotsAt(k)) {
        if (!first) s += ',';
        first = false;
        s += "{\"team\":\"" + r.team + "\",\"side\":\"" + r.side + "\",\"unum\":" + std::to_string(r.unum) +
             ",\"x\":" + fixed4(r.x) + ",\"y\":" + fixed4(r.y) + ",\"z\":0.3850,\"yaw\":" + fixed4(r.yaw) +
             ",\"pitch\":0.000,\"roll\":0.000,\"state\":\"" + r.state + "\",\"joints\":{},\"commands\":\"\"}";
    }
    return s + "]}";
}

// The monitor in its own thread, publishing one state every 20 ms as fieldsim does.
class ScriptedMatch {
public:
    explicit ScriptedMatch(const MonitorField& field) : server_(field) {
        std::string error;
        started_ = server_.start(0, error);
        port_ = server_.port();
        if (started_) thread_ = std::thread([this] { run(); });
    }
    ~ScriptedMatch() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool started() const { return started_; }
    int port() const { return port_; }
    long long published() const { return published_.load(); }

private:
    void run() {
        auto next = Clock::now();
        long long k = 0;
        while (!stop_) {
            std::vector<pollfd> fds;
            server_.addPollFds(fds);
            ::poll(fds.data(), fds.size(), 4);
            server_.handlePoll(fds);
            if (Clock::now() >= next) {
                server_.publish(stateAt(k));
                published_ = ++k;
                next += std::chrono::milliseconds(20);
            }
        }
    }

    MonitorServer server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> published_{0};
    bool started_ = false;
    int port_ = 0;
};

// ---- headless chromium over its debugging pipe ---------------------------

std::string chromiumPath() {
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
        if (::access(path, X_OK) == 0) return path;
    }
    return "";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The JSON string value after `"key":` in `message` (escapes resolved, the
// \u forms of the basic plane written as UTF-8); nothing when absent.
std::optional<std::string> stringField(const std::string& message, const std::string& key) {
    const std::string tag = "\"" + key + "\":\"";
    size_t i = message.find(tag);
    if (i == std::string::npos) return std::nullopt;
    std::string out;
    for (i += tag.size(); i < message.size(); ++i) {
        const char c = message[i];
        if (c == '"') return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= message.size()) break;
        switch (message[i]) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (i + 4 >= message.size()) return std::nullopt;
                const unsigned code = static_cast<unsigned>(std::stoul(message.substr(i + 1, 4), nullptr, 16));
                i += 4;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xc0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3f));
                } else {
                    out += static_cast<char>(0xe0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
                    out += static_cast<char>(0x80 | (code & 0x3f));
                }
                break;
            }
            default: out += message[i]; break;
        }
    }
    return std::nullopt;
}

// Chromium with --remote-debugging-pipe: commands go in on its descriptor 3,
// answers and events come out on 4, each message ended by a NUL byte.
class HeadlessBrowser {
public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser() { quit(); }
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    bool start(const std::string& program, const std::string& profileDir) {
        int toBrowser[2], fromBrowser[2];
        if (::pipe(toBrowser) != 0) return false;
        if (::pipe(fromBrowser) != 0) {
            ::close(toBrowser[0]);
            ::close(toBrowser[1]);
            return false;
        }
        for (int fd : {toBrowser[0], toBrowser[1], fromBrowser[0], fromBrowser[1]}) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        const std::vector<std::string> args = {
            program, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--mute-audio", "--window-size=1000,700", "--remote-debugging-pipe",
            "--user-data-dir=" + profileDir};
        const std::string logPath = profileDir + "/chromium.log";
        pid_ = ::fork();
        if (pid_ == 0) {
            // Its own process group, so that its helpers can be ended with it.
            ::setpgid(0, 0);
            // Copies above 3 and 4 first, in case a pipe end already is 3 or 4.
            const int in = ::fcntl(toBrowser[0], F_DUPFD, 10);
            const int out = ::fcntl(fromBrowser[1], F_DUPFD, 10);
            const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int null = ::open("/dev/null", O_RDWR);
            if (in < 0 || out < 0 || log < 0 || null < 0) ::_exit(126);
            ::dup2(null, 0);
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
        toBrowser_ = toBrowser[1];
        fromBrowser_ = fromBrowser[0];
        if (pid_ < 0) {
            quit();
            return false;
        }
        return true;
    }

    // Opens `url` in a new tab; the session to talk to it, or nothing.
    std::optional<std::string> open(const std::string& url) {
        const auto created = call("Target.createTarget", "{\"url\":" + jsonString(url) + "}", "", 30000);
        const auto target = created ? stringField(*created, "targetId") : std::nullopt;
        if (!target) return std::nullopt;
        const auto attached = call("Target.attachToTarget",
                                   "{\"targetId\":" + jsonString(*target) + ",\"flatten\":true}", "", 30000);
        return attached ? stringField(*attached, "sessionId") : std::nullopt;
    }

    // The string a JavaScript expression gives in the page of `session`.
    std::optional<std::string> evaluate(const std::string& session, const std::string& expression) {
        const auto answer = call("Runtime.evaluate",
                                 "{\"expression\":" + jsonString(expression) + ",\"returnByValue\":true}", session,
                                 15000);
        if (!answer || answer->find("\"exceptionDetails\"") != std::string::npos) return std::nullopt;
        return stringField(*answer, "value");
    }

    void quit() {
        if (pid_ > 0) {
            call("Browser.close", "{}", "", 2000);
            if (!reaped(5000)) {
                ::kill(-pid_, SIGKILL);
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
            pid_ = -1;
        }
        for (int* fd : {&toBrowser_, &fromBrowser_}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    }

private:
    bool reaped(int timeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < end) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // Sends one command and waits for its answer, skipping events.
    std::optional<std::string> call(const std::string& method, const std::string& params,
                                     const std::string& session, int timeoutMs) {
        if (toBrowser_ < 0) return std::nullopt;
        const int id = ++lastId_;
        std::string message = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params;
        if (!session.empty()) message += ",\"sessionId\":" + jsonString(session);
        message += "}";
        message.push_back('\0');
        for (size_t sent = 0; sent < message.size();) {
            const ssize_t n = ::write(toBrowser_, message.data() + sent, message.size() - sent);
            if (n <= 0) return std::nullopt;
            sent += static_cast<size_t>(n);
        }
        const std::string answerStart = "{\"id\":" + std::to_string(id) + ",";
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            size_t nul;
            while ((nul = buffer_.find('\0')) != std::string::npos) {
                std::string one = buffer_.substr(0, nul);
                buffer_.erase(0, nul + 1);
                if (one.rfind(answerStart, 0) == 0) return one;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return std::nullopt;
            pollfd p{fromBrowser_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buf[65536];
            const ssize_t n = ::read(fromBrowser_, buf, sizeof buf);
            if (n <= 0) return std::nullopt;  // the browser has gone
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int lastId_ = 0;
    std::string buffer_;
};

// ---- what the page drew --------------------------------------------------

// Reads the page's record of its last frame and its header as plain lines.
const char* const kSnapshotScript = R"JS((() => {
  const d = document.getElementById("drawn");
  const q = id => document.getElementById(id).textContent;
  const lines = [["record", d.dataset.cycle, d.dataset.events, d.dataset.source || "-", d.dataset.fieldLeft,
                  d.dataset.fieldTop, d.dataset.fieldRight, d.dataset.fieldBottom,
                  window.innerWidth, window.innerHeight].join(" ")];
  for (const r of d.querySelectorAll("i.robot")) {
    lines.push(["robot", r.dataset.side, r.dataset.unum, r.dataset.state, r.dataset.x, r.dataset.y,
                r.dataset.tipX, r.dataset.tipY, (r.dataset.rgb || "-1,-1,-1").split(",").join(" ")].join(" "));
  }
  for (const b of d.querySelectorAll("i.ball")) lines.push(["ball", b.dataset.x, b.dataset.y].join(" "));
  lines.push("mode " + q("mode"));
  lines.push("clock " + q("clock"));
  lines.push("score " + q("left-score") + " " + q("right-score"));
  lines.push("left " + q("left-team"));
  lines.push("right " + q("right-team"));
  return lines.join("\n");
})())JS";

struct DrawnRobot {
    std::string state;
    double x = 0, y = 0, tipX = 0, tipY = 0;
    int r = -1, g = -1, b = -1;
};

struct Snapshot {
    long long cycle = -1;
    long long events = 0;
    std::string source;
    double left = 0, top = 0, right = 0, bottom = 0;  // the field's corners in page pixels
    double width = 0, height = 0;                     // the window
    std::map<std::pair<std::string, int>, DrawnRobot> robots;
    int balls = 0;
    double ballX = 0, ballY = 0;
    std::map<std::string, std::string> header;
};

Snapshot parseSnapshot(const std::string& text) {
    Snapshot s;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
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
            in >> s.ballX >> s.ballY;
            ++s.balls;
        } else {
            std::string rest;
            std::getline(in >> std::ws, rest);
            s.header[kind] = rest;
        }
    }
    return s;
}

double clockSeconds(const std::string& text) {
    int minutes = 0;
    double seconds = 0;
    char colon = 0;
    std::istringstream in(text);
    if (!(in >> minutes >> colon >> seconds) || colon != ':') return -1;
    return 60.0 * minutes + seconds;
}

// Everything the snapshot shows against the truth of the cycle it drew.
void expectDrawnAsTruth(const Snapshot& s, const MonitorField& field, const std::string& source) {
    SCOPED_TRACE("page drawn from " + source + ", cycle " + std::to_string(s.cycle));
    EXPECT_EQ(s.source, source);
    ASSERT_GE(s.cycle, 0);
    EXPECT_GE(s.events, 1);
    // The field is drawn upright in the window at one scale for x and y.
    EXPECT_NEAR(s.width, 1000, 1);
    ASSERT_GT(s.right - s.left, 0.6 * s.width);
    ASSERT_GT(s.bottom - s.top, 0);
    EXPECT_GE(s.left, 0);
    EXPECT_LE(s.right, s.width);
    EXPECT_GE(s.top, 0);
    EXPECT_LE(s.bottom, s.height);
    const double sx = (s.right - s.left) / field.length;
    const double sy = (s.bottom - s.top) / field.width;
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
        const double drawnYaw = std::atan2(-(d.tipY - d.y), d.tipX - d.x) * 180.0 / kPi;
        EXPECT_NEAR(std::remainder(drawnYaw - t.yaw, 360.0), 0.0, 2.0);
        if (t.state != "upright") continue;
        // The body really is on the canvas there, in the team's colour.
        if (t.side == "left") {
            EXPECT_GT(d.b, d.r + 80);
            EXPECT_GT(d.b, d.g + 40);
        } else {
            EXPECT_GT(d.r, d.g + 80);
            EXPECT_GT(d.r, d.b + 80);
        }
    }
    ASSERT_EQ(s.balls, 1);
    const auto [bx, by] = ballAt(s.cycle);
    EXPECT_NEAR(s.ballX, pixelX(bx), 0.6);
    EXPECT_NEAR(s.ballY, pixelY(by), 0.6);

    // The header shows the newest state received, at most a few frames ahead of the drawing.
    EXPECT_EQ(s.header.at("mode"), "PlayOn");
    EXPECT_EQ(s.header.at("score"), "1 2");
    EXPECT_EQ(s.header.at("left"), "VOR");
    EXPECT_EQ(s.header.at("right"), "OPP<b>") << "a team name is text, never markup";
    const double shown = clockSeconds(s.header.at("clock"));
    EXPECT_GE(shown, gameTimeAt(s.cycle) - 0.06) << s.header.at("clock");
    EXPECT_LE(shown, gameTimeAt(s.cycle) + 1.0) << s.header.at("clock");
}

// Snapshots until the page has drawn a state (or time runs out).
std::optional<Snapshot> firstDrawing(HeadlessBrowser& browser, const std::string& session) {
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end) {
        const auto text = browser.evaluate(session, kSnapshotScript);
        if (text) {
            Snapshot s = parseSnapshot(*text);
            if (s.cycle >= 0) return s;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
}

}  // namespace

TEST(MonitorBrowser, PageDrawsRobotsAndBallWhereTheTruthHasThemAndFollowsTheMatch) {
    const std::string chromium = chromiumPath();
    if (chromium.empty()) {
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it); "
                        "the monitor page is not tried in a browser";
    }
    ::signal(SIGPIPE, SIG_IGN);
    const MonitorField field;
    ScriptedMatch match(field);
    ASSERT_TRUE(match.started());
    TempDir profile;
    HeadlessBrowser browser;
    ASSERT_TRUE(browser.start(chromium, profile.path()));
    const std::string base = "http://127.0.0.1:" + std::to_string(match.port()) + "/";

    for (const std::string source : {"events", "poll"}) {
        const auto session = browser.open(source == "events" ? base : base + "?poll");
        ASSERT_TRUE(session) << readWholeFile(profile.file("chromium.log"));
        const auto first = firstDrawing(browser, *session);
        ASSERT_TRUE(first) << "the page drew no state; browser log:\n" << readWholeFile(profile.file("chromium.log"));
        expectDrawnAsTruth(*first, field, source);

        // A moment later it shows a later cycle, again where the truth has it.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto text = browser.evaluate(*session, kSnapshotScript);
        ASSERT_TRUE(text);
        const Snapshot later = parseSnapshot(*text);
        expectDrawnAsTruth(later, field, source);
        EXPECT_GE(later.cycle, first->cycle + 10) << "published up to " << match.published();
        EXPECT_GE(later.events, first->events + 3);
        EXPECT_NE(later.robots.at({"left", 1}).x, first->robots.at({"left", 1}).x);
    }
}
