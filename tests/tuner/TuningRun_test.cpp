// The tuning run over workers played by the test: a generation's vectors go
// to whichever worker is free, and still the same seed gives the same
// vectors, CSV and best vector whatever the number of workers, their speed,
// and workers that die or hang on the way (their vectors go to another).
#include "TuningRun.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ParameterFile.h"
#include "TunerOptions.h"
#include "WorkerPool.h"
#include "support/ChildProcess.h"
#include "support/LoopbackListener.h"

namespace {

// How a played worker behaves: it answers each vector after `delayMs` with
// a fitness that depends on the vector alone, until episode `dieAt` (it
// closes its link on receiving that vector) or `hangAt` (it never answers
// that one). 0: never.
struct Behaviour {
    int delayMs = 0;
    int dieAt = 0;
    int hangAt = 0;
};

// The squared distance from (1, -2, 3): what a learner would measure.
std::string fitnessOf(const std::string& line) {
    std::istringstream in(line);
    const double target[] = {1.0, -2.0, 3.0};
    double sum = 0.0;
    double v = 0.0;
    for (int i = 0; i < 3 && in >> v; ++i) sum += (v - target[i]) * (v - target[i]);
    char text[64];
    std::snprintf(text, sizeof text, "%g\n", sum);
    return text;
}

class PlayedWorker {
public:
    explicit PlayedWorker(Behaviour behaviour) : behaviour(behaviour) {
        listener = listenOnLoopback(port);
        thread = std::thread([this] { serve(); });
    }
    ~PlayedWorker() {
        thread.join();
        ::close(listener);
    }

    WorkerEndpoint endpoint() const {
        WorkerEndpoint e;
        e.host = "127.0.0.1";
        e.port = port;
        return e;
    }
    int episodes = 0;  // vectors received

private:
    // Ends when the tuner closes the link, or after 20 s without a word, so
    // that a test that goes wrong fails instead of hanging.
    void serve() {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) return;
        const int fd = ::accept(listener, nullptr, nullptr);
        std::string pending;
        char chunk[512];
        for (;;) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 20000) <= 0) break;
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            pending.append(chunk, static_cast<std::size_t>(n));
            std::size_t end = 0;
            bool stop = false;
            while (!stop && (end = pending.find('\n')) != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                ++episodes;
                if (episodes == behaviour.dieAt) stop = true;
                if (episodes == behaviour.hangAt) continue;  // keeps silent
                if (stop) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(behaviour.delayMs));
                const std::string reply = fitnessOf(line);
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
            if (stop) break;
        }
        ::close(fd);
    }

    Behaviour behaviour;
    int listener = -1;
    unsigned short port = 0;
    std::thread thread;
};

struct Outcome {
    int status = -1;
    std::string csv, best, out, err;
};

// One run of budget 14 with 6 vectors a generation (the last one partial).
Outcome tune(const std::vector<Behaviour>& behaviours, double episodeTimeout = 20.0) {
    TempDir dir;
    std::ofstream(dir.file("p.params")) << "# name start step min max\n"
                                           "a 0 1 -5 5\n"
                                           "b 0 0.5\n"
                                           "c 0 2 -1 2.5\n";
    std::vector<Parameter> parameters;
    std::string error;
    EXPECT_TRUE(ParameterFile::read(dir.file("p.params"), parameters, error)) << error;
    TunerOptions options;
    options.budget = 14;
    options.lambda = 6;
    options.seed = 7;
    options.csvPath = dir.file("tuner.csv");
    options.bestPath = dir.file("best.params");

    std::vector<std::unique_ptr<PlayedWorker>> workers;
    std::vector<WorkerEndpoint> endpoints;
    for (const Behaviour& b : behaviours) {
        workers.push_back(std::make_unique<PlayedWorker>(b));
        endpoints.push_back(workers.back()->endpoint());
    }
    Outcome o;
    std::ostringstream out, err;
    {
        WorkerPool pool(episodeTimeout, err);
        EXPECT_TRUE(pool.connect(endpoints, 5.0));
        TuningRun run(parameters, options);
        o.status = run.run(pool, out, err);
    }
    workers.clear();
    o.csv = readWholeFile(options.csvPath);
    o.best = readWholeFile(options.bestPath);
    o.out = out.str();
    o.err = err.str();
    return o;
}

}  // namespace

TEST(TuningRun, TheSameSeedGivesTheSameRunWhateverTheWorkersAndTheirSpeed) {
    const Outcome one = tune({Behaviour{}});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(std::count(one.csv.begin(), one.csv.end(), '\n'), 15) << one.csv;
    EXPECT_NE(one.csv.find("\n14,3,"), std::string::npos) << one.csv;

    // The slow one gets fewer vectors, and the answers come out of order.
    const Outcome three = tune({Behaviour{30}, Behaviour{0}, Behaviour{7}});
    ASSERT_EQ(three.status, 0) << three.err;
    EXPECT_EQ(three.csv, one.csv);
    EXPECT_EQ(three.best, one.best);
    EXPECT_NE(three.out.find("done on worker"), std::string::npos);
}

TEST(TuningRun, AWorkerThatDiesOrHangsHasItsVectorRunByAnother) {
    const Outcome one = tune({Behaviour{}});
    // One closes its link on its third vector, one never answers its second;
    // the third carries on alone.
    const Outcome rough = tune({Behaviour{0, 3, 0}, Behaviour{0, 0, 2}, Behaviour{5}}, 2.0);
    ASSERT_EQ(rough.status, 0) << rough.err;
    EXPECT_EQ(rough.csv, one.csv);
    EXPECT_EQ(rough.best, one.best);
    EXPECT_NE(rough.err.find("closed the link in episode"), std::string::npos) << rough.err;
    EXPECT_NE(rough.err.find("has not answered within 2 s"), std::string::npos) << rough.err;
    EXPECT_NE(rough.err.find("its vector goes to another worker"), std::string::npos);
}

TEST(TuningRun, StopsWithStatusOneWhenNoWorkerIsLeftKeepingWhatCameIn) {
    const Outcome lost = tune({Behaviour{0, 4, 0}, Behaviour{0, 3, 0}});
    EXPECT_EQ(lost.status, 1);
    EXPECT_NE(lost.err.find("no worker is left"), std::string::npos) << lost.err;
    EXPECT_NE(lost.err.find("every worker is lost; stopping after 5 of 14 episodes"),
              std::string::npos)
        << lost.err;
    // The five answered episodes are kept, each on its line.
    EXPECT_EQ(std::count(lost.csv.begin(), lost.csv.end(), '\n'), 6) << lost.csv;
}

TEST(WorkerPool, AWorkerThatCannotBeReachedIsLeftOutAndTheOthersServe) {
    // A port that was free a moment ago: nobody listens there.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&self), size), 0);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&self), &size);
    ::close(s);
    WorkerEndpoint nobody;
    nobody.host = "127.0.0.1";
    nobody.port = ntohs(self.sin_port);

    PlayedWorker worker(Behaviour{});
    std::ostringstream log;
    WorkerPool pool(20.0, log);
    ASSERT_TRUE(pool.connect({nobody, worker.endpoint()}, 0.5));
    EXPECT_EQ(pool.alive(), 1u);
    EXPECT_NE(log.str().find("worker " + nobody.name() + " left out"), std::string::npos);
    std::vector<std::string> replies;
    ASSERT_TRUE(pool.run({"1 -2 3", "0 0 0"}, 1, replies));
    EXPECT_EQ(replies, (std::vector<std::string>{"0", "14"}));
    pool.closeAll();
}

TEST(WorkerEndpoint, HostAndPortOrNothing) {
    WorkerEndpoint e;
    ASSERT_TRUE(WorkerEndpoint::parse("node-07.cluster:4101", e));
    EXPECT_EQ(e.host, "node-07.cluster");
    EXPECT_EQ(e.port, 4101);
    for (const char* bad :
         {"node", "node:", ":4100", "node:0", "node:65536", "node:41a", "n:123456"})
        EXPECT_FALSE(WorkerEndpoint::parse(bad, e)) << bad;
}
