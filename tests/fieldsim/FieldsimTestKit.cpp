#include "FieldsimTestKit.h"

#include <gtest/gtest.h>

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
    // The game's rules and the protocol are tested on the kinematic model,
    // whose motion is exact and instant; the physics model has tests of its own.
    o.model = ModelKind::Kinematic;
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

bool SimHarness::script(const std::string& text) {
    Scenario s;
    std::string error;
    const bool ok = Scenario::parse(text, s, error);
    EXPECT_TRUE(ok) << error;
    if (ok) sim_->setScenario(s);
    return ok;
}

ServerThread::ServerThread(SimOptions options) {
    options.port = 0;
    sim_ = std::make_unique<Simulation>(options, console_);
    server_ = std::make_unique<Server>(options, *sim_, console_);
    std::string error;
    if (server_->start(error)) {
        port_ = server_->port();
        thread_ = std::thread([this] { server_->run(); });
    }
}

void ServerThread::stop() {
    if (thread_.joinable()) {
        server_->requestStop();
        thread_.join();
    }
}

std::string frame(const std::string& text) {
    const auto n = static_cast<uint32_t>(text.size());
    return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                       static_cast<char>(n)} + text;
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

int TestClient::receive(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd pfd{fd_, POLLIN, 0};
    if (fd_ < 0 || left <= 0 || ::poll(&pfd, 1, static_cast<int>(left)) <= 0) return -1;
    char buf[65536];
    const ssize_t got = ::recv(fd_, buf, sizeof buf, 0);
    if (got <= 0) return got == 0 ? 0 : -1;
    buffer_.append(buf, static_cast<size_t>(got));
    return 1;
}

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
        if (receive(deadline) <= 0) return std::nullopt;
    }
}

bool TestClient::waitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int got;
    while ((got = receive(deadline)) > 0) buffer_.clear();
    return got == 0;
}

std::optional<std::string> TestClient::join(const std::string& team, int unum) {
    if (!sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum " + std::to_string(unum) + ")(teamname " + team + "))"))
        return std::nullopt;
    return readFrame();
}

std::vector<std::string> labels(const std::string& message) {
    std::vector<std::string> out;
    int depth = 0;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == ')') --depth;
        if (message[i] != '(' || depth++ != 0) continue;
        std::string label = message.substr(i + 1, message.find_first_of(" ()", i + 1) - i - 1);
        const size_t name = i + label.size() + 5;  // after "(HJ (n "
        if (label == "HJ" || label == "FRP") label += " " + message.substr(name, message.find(')', i) - name);
        out.push_back(label);
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

std::vector<double> numbersAfter(const std::string& text, const std::string& key, int count) {
    std::vector<double> out;
    const size_t at = text.find(key);
    const char* p = at == std::string::npos ? "" : text.c_str() + at + key.size();
    for (char* end = nullptr; static_cast<int>(out.size()) < count; p = end) {
        const double v = std::strtod(p, &end);
        if (end == p) break;
        out.push_back(v);
    }
    return out;
}

double jointAngle(const std::string& message, const std::string& name) {
    const std::vector<double> v = numbersAfter(message, "(HJ (n " + name + ") (ax ", 1);
    return v.empty() ? std::nan("") : v[0];
}

std::map<std::string, std::array<double, 3>> seenObjects(const std::string& message) {
    std::map<std::string, std::array<double, 3>> out;
    const std::string see = expression(message, "(See");
    for (size_t at = see.find(" (pol "); at != std::string::npos; at = see.find(" (pol ", at + 1)) {
        const size_t open = see.rfind('(', at);
        const std::string name = see.substr(open + 1, at - open - 1);
        const std::vector<double> v = numbersAfter(see.substr(at), " (pol ", 3);
        if (v.size() == 3) out[name] = {v[0], v[1], v[2]};
    }
    return out;
}

namespace {

const char* const kEffectors[22] = {"he1",  "he2",  "rae1", "rae2", "rae3", "rae4", "lae1", "lae2",
                                    "lae3", "lae4", "rle1", "rle2", "rle3", "rle4", "rle5", "rle6",
                                    "lle1", "lle2", "lle3", "lle4", "lle5", "lle6"};

}  // namespace

Posture standingPosture() {
    Posture p{};
    p[12] = p[18] = 11.0;  // hip pitch
    p[13] = p[19] = -29.0;  // knee
    p[14] = p[20] = 18.0;  // ankle pitch
    return p;
}

std::string commandsToward(const Posture& target, const Posture& currentDeg) {
    std::string out;
    char buf[64];
    for (int j = 0; j < 22; ++j) {
        const double v = (target[j] - currentDeg[j]) * M_PI / 180.0 / 0.02;
        std::snprintf(buf, sizeof buf, "(%s %.6f)", kEffectors[j], v);
        out += buf;
    }
    return out;
}

Posture anglesIn(const std::string& perception) {
    Posture p;
    for (int j = 0; j < 22; ++j) {
        std::string name = kEffectors[j];
        name[name.size() - 2] = 'j';  // he1 -> hj1, rle3 -> rlj3
        p[j] = jointAngle(perception, name);
    }
    return p;
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
    p[12] = hipR + std::sqrt(0.5) * p[10], p[13] = kneeR, p[14] = -(hipR + kneeR);
    p[18] = hipL + std::sqrt(0.5) * p[16], p[19] = kneeL, p[20] = -(hipL + kneeL);
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

KinematicBody& standInGait(SimHarness& h, const Gait& gait, double x, double y, double headingDeg) {
    h.join(1, "VOR", 1);
    KinematicBody& body = h.body(1);
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
