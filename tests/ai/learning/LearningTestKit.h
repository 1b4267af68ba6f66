// Shared pieces of the learning tests: a simulator stand-in that records what
// the engine asks of it, an optimiser end scripted by the test (on an
// ephemeral port, so these tests never touch 4100 or 3100), and a world the
// test sets cycle by cycle.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
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
#include "support/LoopbackListener.h"
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

inline std::string vectorOf(unsigned count) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) text += std::to_string(i + 1.0) + " ";
    return text + "\n";
}

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
        WM->setFRPCenterL(Point(0, 0, feetDown ? -0.01 : 0));
        WM->setFRPCenterR(Point(0, 0, feetDown ? -0.01 : 0));
        HingeJoint joint;
        joint.setAxis(0.0f);
        for (int i = 0; i < DOF_COUNT; ++i) WM->setAHingeJoint(joint, i);
        for (const auto& [i, angle] : joints) {
            joint.setAxis(static_cast<float>(angle));
            WM->setAHingeJoint(joint, i);
        }
    }
};

// Server time of step s: a simulator that has already run for a while.
inline World standing(unsigned s) {
    World w;
    w.time = 20.0 + 0.02 * s;
    return w;
}

// A learner in a temporary working directory, wired to the stand-ins; the
// test plays the optimiser through send() and received().
class Kit {
public:
    Kit() {
        EXPECT_EQ(::chdir(dir.path().c_str()), 0);
        EXPECT_TRUE(server.listenOn(0));
        // A learner waiting on a socket the test forgot to feed ends the test
        // before the test's time limit would.
        ::alarm(20);
    }
    ~Kit() {
        ::alarm(0);
        closeOptimiser();
    }

    // A learner connected to the test; `firstVector` numbers are sent at once.
    template <typename Learner>
    std::unique_ptr<Learner> make(unsigned firstVector = 0) {
        unsigned short port = 0;
        listener = listenOnLoopback(port);
        auto agentEnd = std::make_unique<Communicator>(LearningBase::kOptimiserBufSize, false);
        EXPECT_TRUE(agentEnd->connect2(port, "127.0.0.1"));
        fd = ::accept(listener, nullptr, nullptr);
        auto learner = std::make_unique<Learner>(
            std::make_unique<RecordingSimulator>(events, server.port()), std::move(agentEnd));
        if (firstVector > 0) send(vectorOf(firstVector));
        return learner;
    }

    bool send(const std::string& text) {
        return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) > 0;
    }

    // Everything the learner has sent so far (waits up to `ms` for the first byte).
    std::string received(int ms = 2000) {
        std::string text;
        pollfd p{fd, POLLIN, 0};
        char chunk[256];
        ssize_t n = 0;
        while (::poll(&p, 1, text.empty() ? ms : 50) > 0 &&
               (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0) {
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }

    void closeOptimiser() {
        if (fd >= 0) ::close(fd);
        if (listener >= 0) ::close(listener);
        fd = listener = -1;
    }

    // The server side of the learner's latest (re)connection: its first frame.
    std::string acceptScene() {
        server.closeClient();
        return server.acceptClient(2000) ? server.readFrame(2000).value_or("") : "";
    }

    // One cycle as learnagent runs it; the command the learner prepared.
    static std::string cycle(LearningBase& learner, const World& world = World{}) {
        world.apply();
        CommandCreator::getUniqueInstance()->reset();
        learner.learn();
        return CommandCreator::getUniqueInstance()->getPreparedCommand();
    }

    std::string file(const std::string& name) const { return readWholeFile(dir.file(name)); }

    TempDir dir;
    FakeServer server;
    std::shared_ptr<Events> events = std::make_shared<Events>();

private:
    int listener = -1, fd = -1;
};

// One episode, as far as it goes within `maxSteps`: the first cycle takes the
// vector the test has sent, the next vector is queued right after it (the
// engine reads it only when the episode is over), then cycles run on the
// scripted world until a fitness arrives.
struct Episode {
    std::vector<std::string> commands{""};  // by step; [0] unused
    unsigned endStep = 0;                   // 0: still running after maxSteps
    std::string fitness;                    // the text sent, "" while running
    std::string out;                        // standard output of the episode
    double value() const { return std::strtod(fitness.c_str(), nullptr); }
};

inline Episode runEpisode(Kit& kit, LearningBase& learner,
                          const std::function<World(unsigned)>& world, unsigned maxSteps,
                          const std::string& nextVector) {
    Episode e;
    testing::internal::CaptureStdout();
    for (unsigned s = 1; s <= maxSteps && e.fitness.empty(); ++s) {
        e.commands.push_back(Kit::cycle(learner, world(s)));
        if (s == 1) kit.send(nextVector);
        e.fitness = kit.received(0);
        if (!e.fitness.empty()) e.endStep = s;
    }
    e.out = testing::internal::GetCapturedStdout();
    return e;
}

}  // namespace learningkit
