#include "FieldsimTestKit.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <netinet/in.h>
#include <poll.h>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

SimOptions testOptions() {
    SimOptions o;
    o.port = 0;
    o.pace = Pace::Lockstep;
    o.kickoffAfter = -1.0;
    o.lockstepTimeout = 0.5;
    return o;
}

SimHarness::SimHarness(const SimOptions& options)
    : sim_(std::make_unique<Simulation>(options, console_)) {}

bool SimHarness::join(int clientId, const std::string& team, int unum) {
    sim_->clientConnected(clientId, "test");
    return sim_->receive(clientId, "(scene rsg/agent/nao/nao.rsg)(init (unum " + std::to_string(unum) +
                                       ")(teamname " + team + "))");
}

Robot& SimHarness::robot(int clientId) { return *sim_->world().robot(clientId); }

std::vector<Outgoing> SimHarness::stepAll() {
    sim_->step();
    sim_->takeDrops();
    return sim_->takeOutbox();
}

std::string SimHarness::step(int clientId) {
    std::string found;
    for (Outgoing& o : stepAll()) {
        if (o.clientId == clientId && o.perception) found = o.text;
    }
    return found;
}

void SimHarness::steps(int n) {
    for (int i = 0; i < n; ++i) stepAll();
}

ServerThread::ServerThread(SimOptions options, const std::string& scenarioText) {
    options.port = 0;
    sim_ = std::make_unique<Simulation>(options, console_);
    if (!scenarioText.empty()) {
        Scenario scenario;
        std::string error;
        if (Scenario::parse(scenarioText, scenario, error)) sim_->setScenario(scenario);
    }
    std::string error;
    sim_->openTruthLog(error);
    server_ = std::make_unique<Server>(options, *sim_, console_);
    if (server_->start(error)) {
        port_ = server_->port();
        thread_ = std::thread([this] { server_->run(); });
    }
}

ServerThread::~ServerThread() { stop(); }

void ServerThread::stop() {
    if (stopped_) return;
    stopped_ = true;
    if (thread_.joinable()) {
        server_->requestStop();
        thread_.join();
    }
}

std::string frame(const std::string& text) {
    std::string out(4, '\0');
    const auto n = static_cast<uint32_t>(text.size());
    out[0] = static_cast<char>(n >> 24);
    out[1] = static_cast<char>(n >> 16);
    out[2] = static_cast<char>(n >> 8);
    out[3] = static_cast<char>(n);
    return out + text;
}

TestClient::TestClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TestClient::~TestClient() { close(); }

void TestClient::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TestClient::sendBytes(const std::string& bytes) {
    size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

bool TestClient::sendFrame(const std::string& text) { return sendBytes(frame(text)); }

std::optional<std::string> TestClient::readFrame(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (buffer_.size() >= 4) {
            const auto* p = reinterpret_cast<const unsigned char*>(buffer_.data());
            const size_t n = (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
            if (buffer_.size() >= 4 + n) {
                std::string text = buffer_.substr(4, n);
                buffer_.erase(0, 4 + n);
                return text;
            }
        }
        if (fd_ < 0) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) return std::nullopt;
        char buf[65536];
        const ssize_t got = ::recv(fd_, buf, sizeof buf, 0);
        if (got <= 0) return std::nullopt;
        buffer_.append(buf, static_cast<size_t>(got));
    }
}

bool TestClient::waitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) return false;
        char buf[65536];
        const ssize_t got = ::recv(fd_, buf, sizeof buf, 0);
        if (got <= 0) return true;
    }
    return true;
}

std::vector<std::string> labels(const std::string& message) {
    std::vector<std::string> out;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '(') {
            if (depth == 0) start = i;
            ++depth;
        } else if (message[i] == ')') {
            --depth;
            if (depth == 0) {
                const std::string e = message.substr(start, i - start + 1);
                const bool named = e.rfind("(HJ (n ", 0) == 0 || e.rfind("(FRP (n ", 0) == 0;
                if (named) {
                    const size_t n = e.find("(n ") + 3;
                    out.push_back(e.substr(1, e.find(' ') - 1) + " " + e.substr(n, e.find(')', n) - n));
                } else {
                    const size_t end = e.find_first_of(" ()", 1);
                    out.push_back(e.substr(1, end - 1));
                }
            }
        }
    }
    return out;
}

std::string expression(const std::string& message, const std::string& prefix) {
    const size_t start = message.find(prefix);
    if (start == std::string::npos) return "";
    int depth = 0;
    for (size_t i = start; i < message.size(); ++i) {
        if (message[i] == '(') ++depth;
        if (message[i] == ')' && --depth == 0) return message.substr(start, i - start + 1);
    }
    return "";
}

namespace {

// Three numbers written one after another from `at`.
std::vector<double> numbersAt(const std::string& text, size_t at, int count) {
    std::vector<double> out;
    const char* p = text.c_str() + at;
    for (int k = 0; k < count; ++k) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p) return {};
        out.push_back(v);
        p = end;
    }
    return out;
}

}  // namespace

double jointAngle(const std::string& message, const std::string& name) {
    const std::string key = "(HJ (n " + name + ") (ax ";
    const size_t at = message.find(key);
    if (at == std::string::npos) return std::nan("");
    const std::vector<double> v = numbersAt(message, at + key.size(), 1);
    return v.empty() ? std::nan("") : v[0];
}

std::map<std::string, SeenPolar> seenObjects(const std::string& message) {
    std::map<std::string, SeenPolar> out;
    const std::string see = expression(message, "(See");
    for (size_t at = see.find(" (pol "); at != std::string::npos; at = see.find(" (pol ", at + 1)) {
        const size_t open = see.rfind('(', at);
        const std::string name = see.substr(open + 1, at - open - 1);
        const std::vector<double> v = numbersAt(see, at + 6, 3);
        if (v.size() == 3) out[name] = {v[0], v[1], v[2]};
    }
    return out;
}

std::vector<double> triple(const std::string& text, const std::string& tag) {
    const std::string key = "(" + tag + " ";
    const size_t at = text.find(key);
    if (at == std::string::npos) return {};
    return numbersAt(text, at + key.size(), 3);
}

namespace {

const char* const kEffectors[22] = {"he1",  "he2",  "rae1", "rae2", "rae3", "rae4", "lae1", "lae2",
                                    "lae3", "lae4", "rle1", "rle2", "rle3", "rle4", "rle5", "rle6",
                                    "lle1", "lle2", "lle3", "lle4", "lle5", "lle6"};
const char* const kPerceptors[22] = {"hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2",
                                     "laj3", "laj4", "rlj1", "rlj2", "rlj3", "rlj4", "rlj5", "rlj6",
                                     "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};

}  // namespace

Posture standingPosture() {
    Posture p{};
    for (int first : {10, 16}) {
        p[first + 2] = 11.0;
        p[first + 3] = -29.0;
        p[first + 4] = 18.0;
    }
    return p;
}

std::string commandsToward(const Posture& target, const Posture& currentDeg) {
    std::string out;
    char buf[64];
    for (int j = 0; j < 22; ++j) {
        if (std::isnan(target[j])) continue;
        const double v = (target[j] - currentDeg[j]) * M_PI / 180.0 / 0.02;
        std::snprintf(buf, sizeof buf, "(%s %.6f)", kEffectors[j], v);
        out += buf;
    }
    return out;
}

Posture anglesIn(const std::string& perception) {
    Posture p;
    for (int j = 0; j < 22; ++j) p[j] = jointAngle(perception, kPerceptors[j]);
    return p;
}

bool hasNonFinite(const std::string& text) {
    // Outside JSON strings (the commands a robot sent may say anything).
    std::string bare;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (inString && text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            inString = !inString;
        } else if (!inString) {
            bare += text[i];
        }
    }
    for (const char* bad : {"nan", "NaN", "inf", "Inf"}) {
        if (bare.find(bad) != std::string::npos) return true;
    }
    return false;
}

double Gait::stanceKnee() const {
    // Equal leg lengths at centre +- amplitude: 0.12 sin C + 0.005 cos C + 0.1 sin(C + K0) = 0
    const double d = M_PI / 180.0;
    return std::asin(-(0.12 * std::sin(centre * d) + 0.005 * std::cos(centre * d)) / 0.1) / d - centre;
}

Posture Gait::at(double t) const {
    const double w = 2.0 * M_PI / kPeriod;
    const double s = std::sin(w * t + M_PI / 2.0), c = std::cos(w * t + M_PI / 2.0);
    Posture p{};
    const double k0 = stanceKnee();
    const double hipR = centre + amplitude * s, hipL = centre - amplitude * s;
    const double kneeR = k0 - lift * std::max(0.0, c), kneeL = k0 - lift * std::max(0.0, -c);
    // Joint indices: rlj1 10 ... rlj6 15, llj1 16 ... llj6 21, raj1 2, laj1 6.
    p[10] = -yawRight * (1.0 - s) / 2.0;
    p[16] = -yawLeft * (1.0 + s) / 2.0;
    // The yaw-pitch axis lies 45 degrees from the vertical: turning by v also
    // swings the leg forward by about 0.71 v, which the hip pitch takes back.
    p[12] = hipR + std::sqrt(0.5) * p[10];
    p[13] = kneeR;
    p[14] = -(hipR + kneeR);
    p[18] = hipL + std::sqrt(0.5) * p[16];
    p[19] = kneeL;
    p[20] = -(hipL + kneeL);
    // Over the right stance the right leg leans right (hip and ankle rolled
    // against each other) and the lifted left one spreads left; over the left
    // stance both straighten again.
    const double spread = roll * (1.0 - s) / 2.0;
    p[11] = -spread;
    p[15] = spread;
    p[17] = spread;
    p[21] = -spread;
    p[2] = p[6] = -90.0;  // arms down
    return p;
}

RobotBody& standInGait(SimHarness& h, const Gait& gait, double x, double y, double headingDeg) {
    h.join(1, "VOR", 1);
    RobotBody& body = h.robot(1).body;
    const Posture start = gait.at(0.0);
    for (int j = 0; j < 22; ++j) body.setAngle(j, start[j] * M_PI / 180.0);
    body.place(x, y, headingDeg);
    return body;
}

void walk(SimHarness& h, const Gait& gait, double seconds, const std::function<void(const std::string&)>& eachPerception) {
    std::string m = h.step(1);
    for (int i = 1; i * 0.02 <= seconds + 1e-9; ++i) {
        h.sim().receive(1, commandsToward(gait.at(i * 0.02), anglesIn(m)));
        m = h.step(1);
        if (eachPerception) eachPerception(m);
    }
}
