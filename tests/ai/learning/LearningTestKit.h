// Shared pieces of the learning tests: a simulator stand-in that records
// what the engine asks of it without waiting, an optimiser end scripted by
// the test (on an ephemeral port, so these tests never touch 4100 or 3100),
// and a world the test sets cycle by cycle.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ai/learning/LearningBase.h"
#include "ai/learning/SimulatorControl.h"
#include "objects/HingeJoint.h"
#include "support/ChildProcess.h"
#include "support/FakeServer.h"
#include "utils/CommandCreator.h"
#include "utils/Communicator.h"
#include "worldModel/WorldModel.h"

namespace learningkit {

using Events = std::vector<std::string>;

class RecordingSimulator : public SimulatorControl {
public:
    RecordingSimulator(std::shared_ptr<Events> events, int port)
        : events(std::move(events)), port(port) {}
    void killSimulator() override { events->push_back("kill"); }
    void startSimulator() override { events->push_back("start"); }
    void wait(unsigned seconds) override { events->push_back("wait " + std::to_string(seconds)); }
    int serverPort() const override { return port; }

private:
    std::shared_ptr<Events> events;
    int port;
};

// The test's end of the optimiser link.
class ScriptedOptimiser {
public:
    ~ScriptedOptimiser() { close(); }

    // Returns the agent's end, already connected.
    std::unique_ptr<Communicator> open() {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof self;
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&self), size) != 0 ||
            ::listen(listener, 1) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&self), &size) != 0) {
            return nullptr;
        }
        auto agentEnd = std::make_unique<Communicator>(LearningBase::kOptimiserBufSize, false);
        if (!agentEnd->connect2(ntohs(self.sin_port), "127.0.0.1")) return nullptr;
        fd = ::accept(listener, nullptr, nullptr);
        return fd >= 0 ? std::move(agentEnd) : nullptr;
    }

    bool send(const std::string& text) {
        return fd >= 0 && ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) ==
                              static_cast<ssize_t>(text.size());
    }

    // Everything the agent has sent so far (waits up to `ms` for the first byte).
    std::string received(int ms = 2000) {
        std::string text;
        pollfd p{fd, POLLIN, 0};
        while (fd >= 0 && ::poll(&p, 1, text.empty() ? ms : 50) > 0) {
            char chunk[256];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }

    void close() {
        if (fd >= 0) ::close(fd);
        if (listener >= 0) ::close(listener);
        fd = listener = -1;
    }

private:
    int listener = -1;
    int fd = -1;
};

// What one cycle's perception would have told the world model.
struct World {
    double time = 0.0;
    Point pos{-0.5, 0.0, 0.45};
    double heading = 0.0;
    Point ball{0.0, 0.0, 0.04};
    bool feetDown = true;
    std::vector<std::pair<int, double>> joints;  // angles other than 0

    void apply() const {
        WorldModel* WM = WorldModel::getUniqueInstance();
        WM->setTime(static_cast<float>(time));
        WM->setMyCartPos(pos);
        WM->setDir(Point(0, 0, heading));
        WM->setGlobalPosOfBall(ball);
        // A foot with ground contact reports its pressure centre below the sole.
        const Point centre = feetDown ? Point(0, 0, -0.01) : Point(0, 0, 0);
        WM->setFRPCenterL(centre);
        WM->setFRPCenterR(centre);
        for (int i = 0; i < DOF_COUNT; ++i) {
            HingeJoint joint;
            joint.setAxis(0.0f);
            for (const auto& j : joints) {
                if (j.first == i) joint.setAxis(static_cast<float>(j.second));
            }
            WM->setAHingeJoint(joint, i);
        }
    }
};

// A learner in a temporary working directory, wired to the stand-ins.
class Kit {
public:
    Kit() {
        char here[4096];
        oldDir = ::getcwd(here, sizeof here) != nullptr ? here : "/tmp";
        EXPECT_EQ(::chdir(dir.path().c_str()), 0);
        EXPECT_TRUE(server.listenOn(0));
        // A learner that waits on a socket the test forgot to feed ends the
        // test instead of hanging it.
        ::alarm(120);
    }
    ~Kit() {
        ::alarm(0);
        if (::chdir(oldDir.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldDir;
    }

    template <typename Learner>
    std::unique_ptr<Learner> make() {
        auto agentEnd = optimiser.open();
        EXPECT_NE(agentEnd, nullptr);
        return std::make_unique<Learner>(
            std::make_unique<RecordingSimulator>(events, server.port()), std::move(agentEnd));
    }

    // The server side of the agent's latest (re)connection: its first frame.
    std::string acceptScene() {
        server.closeClient();
        if (!server.acceptClient(2000)) return "";
        return server.readFrame(2000).value_or("");
    }

    // One cycle as learnagent runs it; the command the learner prepared.
    static std::string cycle(LearningBase& learner, const World& world) {
        world.apply();
        CommandCreator::getUniqueInstance()->reset();
        learner.learn();
        return CommandCreator::getUniqueInstance()->getPreparedCommand();
    }

    std::string file(const std::string& name) const { return readWholeFile(dir.file(name)); }

    TempDir dir;
    FakeServer server;
    ScriptedOptimiser optimiser;
    std::shared_ptr<Events> events = std::make_shared<Events>();

private:
    std::string oldDir;
};

// One episode, as far as it goes within `maxSteps`: the first cycle takes
// the vector the test has sent, the next vector is queued right after it
// (the engine reads it only when the episode is over), then cycles run on
// the scripted world until a fitness arrives.
struct Episode {
    std::vector<std::string> commands;  // by step; [0] unused
    unsigned endStep = 0;               // 0: still running after maxSteps
    std::string fitness;                // the text sent, "" while running
    std::string out;                    // standard output of the episode
};

inline Episode runEpisode(Kit& kit, LearningBase& learner,
                          const std::function<World(unsigned)>& world, unsigned maxSteps,
                          const std::string& nextVector) {
    Episode e;
    e.commands.push_back("");
    testing::internal::CaptureStdout();
    for (unsigned s = 1; s <= maxSteps; ++s) {
        e.commands.push_back(Kit::cycle(learner, world(s)));
        if (s == 1) {
            kit.optimiser.send(nextVector);
        }
        e.fitness = kit.optimiser.received(0);
        if (!e.fitness.empty()) {
            e.endStep = s;
            break;
        }
    }
    e.out = testing::internal::GetCapturedStdout();
    return e;
}

// Server time of step s: a simulator that has already run for a while.
inline double timeAt(unsigned s) { return 20.0 + 0.02 * s; }

inline std::string vectorOf(unsigned count, double first = 1.0) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) text += std::to_string(first + i) + " ";
    return text + "\n";
}

}  // namespace learningkit
