// Helpers for the fieldsim tests: a simulation driven without sockets, a
// server running on a free port in a thread, a framed test client, and small
// readers for perception texts (independent of fieldsim's own parser).
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/Server.h"
#include "game/SimOptions.h"
#include "game/Simulation.h"
#include "robot/kinematic/KinematicBody.h"

// Options for tests: the kinematic model, lockstep, a free port, no automatic kick-off.
SimOptions testOptions();

// A simulation fed directly with client messages.
class SimHarness {
public:
    explicit SimHarness(const SimOptions& options = testOptions());

    Simulation& sim() { return *sim_; }
    std::string console() const { return console_.str(); }
    // scene + init for a new client; false when refused.
    bool join(int clientId, const std::string& team, int unum);
    Robot& robot(int clientId) { return *sim_->world().robot(clientId); }
    // The body of a robot in the kinematic model, for tests of its rules.
    KinematicBody& body(int clientId) { return dynamic_cast<KinematicBody&>(robot(clientId).body()); }
    // Runs one cycle and returns the perception for the client (empty if none).
    std::string step(int clientId);
    // Runs one cycle and keeps every outgoing message.
    std::vector<Outgoing> stepAll();
    void steps(int n) { for (int i = 0; i < n; ++i) stepAll(); }
    // Loads a scenario text; false (with a test failure) when it is refused.
    bool script(const std::string& text);

private:
    std::ostringstream console_;
    std::unique_ptr<Simulation> sim_;
};

// fieldsim's server on a free port, run in its own thread until destroyed.
class ServerThread {
public:
    explicit ServerThread(SimOptions options = testOptions());
    ~ServerThread() { stop(); }
    int port() const { return port_; }
    // Stops the server and waits for it; afterwards sim() and console() are safe to read.
    void stop();
    Simulation& sim() { return *sim_; }
    std::string console() const { return console_.str(); }

private:
    std::ostringstream console_;
    std::unique_ptr<Simulation> sim_;
    std::unique_ptr<Server> server_;
    std::thread thread_;
    int port_ = 0;
};

std::string frame(const std::string& text);

// A blocking TCP client speaking the length-prefixed framing, with timeouts.
class TestClient {
public:
    explicit TestClient(int port);
    ~TestClient() { close(); }
    bool sendFrame(const std::string& text) { return sendBytes(frame(text)); }
    bool sendBytes(const std::string& bytes);
    // The next frame; nothing on time-out or when the server closed.
    std::optional<std::string> readFrame(int timeoutMs = 5000);
    // True once the server has closed the connection (pending frames are skipped).
    bool waitClosed(int timeoutMs);
    void close();
    // scene + init, then the first perception.
    std::optional<std::string> join(const std::string& team, int unum);

private:
    // Appends what arrives by the deadline: 1 data, 0 closed, -1 time-out or error.
    int receive(std::chrono::steady_clock::time_point deadline);
    int fd_ = -1;
    std::string buffer_;
};

// Labels of the top-level expressions: "time", "GS", "HJ hj1", "FRP rf", "See", ...
std::vector<std::string> labels(const std::string& message);
// The top-level expression that starts with `prefix`, e.g. "(GS" or "(HJ (n hj1)".
std::string expression(const std::string& message, const std::string& prefix);
// The angle a hinge joint reports, in degrees (NaN when missing).
double jointAngle(const std::string& message, const std::string& name);
// Landmarks, the ball and robot parts in a vision expression by name: distance, azimuth, elevation.
std::map<std::string, std::array<double, 3>> seenObjects(const std::string& message);
// Up to `count` numbers that follow `key` in `text`, e.g. key "(rt " for the gyro.
std::vector<double> numbersAfter(const std::string& text, const std::string& key, int count);

// Joint targets in degrees, by perception index (hj1 = 0 ... llj6 = 21).
using Posture = std::array<double, 22>;
// A standing posture: hips 11, knees -29, ankles 18, everything else 0.
Posture standingPosture();
// The velocity commands that bring joints from `currentDeg` to `target` in
// one 20 ms cycle (as far as the joints' speed allows), as message text.
std::string commandsToward(const Posture& target, const Posture& currentDeg);
// The 22 joint angles a perception reports, in degrees.
Posture anglesIn(const std::string& perception);

// A scripted stepping gait of period 0.4 s (angles in degrees): the hips
// swing by +-amplitude about `centre` in opposition, the leg swinging forward
// lifts its knee by up to `lift`, the ankles keep the soles parallel to the
// torso. The stance knee is chosen so that both legs are equally long at the
// ends of the swing, so that each step ends on both feet. Optional turning
// (hip yaw-pitch during one foot's stance) and side stepping (legs spread by
// a hip roll during the right stance, closed during the left one).
struct Gait {
    double amplitude = 10.0;
    double centre = 10.0;
    double lift = 20.0;
    double yawRight = 0.0;  // right hip yaw-pitch reached during the right stance
    double yawLeft = 0.0;   // left one, during the left stance
    double roll = 0.0;
    static constexpr double kPeriod = 0.4;

    double stanceKnee() const;
    // Time 0 is a moment of double support with the right foot in front;
    // the right foot stands from 0 to half the period.
    Posture at(double t) const;
};

// Client 1 joins the left team and stands at (x, y) facing `headingDeg`,
// in the gait's first posture.
KinematicBody& standInGait(SimHarness& h, const Gait& gait, double x = -3.0, double y = 0.0, double headingDeg = 0.0);
// Runs the gait for client 1 through the message interface: every cycle the
// joint commands that answer the perception, as an agent would send them.
void walk(SimHarness& h, const Gait& gait, double seconds,
          const std::function<void(const std::string&)>& eachPerception = {});
