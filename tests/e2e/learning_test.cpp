// The learning programs end to end, on the fixed ports (3100 for the
// simulator, 4100 for the optimiser link): learnagent's and tuner's command
// lines, the engine waiting on port 4100 (and retrying while the port is
// taken), the tuner against a scripted agent, and a real three-episode run
// of learnagent with fieldsim and tuner.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ai/learning/LearningTestKit.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "support/ChildProcess.h"

namespace {

const int kWait = 10000;

std::string bin(const char* name) { return std::string(BIN_DIR) + "/" + name; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> cells(const std::string& line, char separator) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, separator);) out.push_back(cell);
    return out;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A listening TCP socket on 127.0.0.1:port, or -1.
int listenOn(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_port = htons(static_cast<uint16_t>(port));
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
        ::listen(fd, 4) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

int acceptWithin(int listener, int ms) {
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return -1;
    return ::accept(listener, nullptr, nullptr);
}

int connectWithin(int port, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0) return fd;
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

// One line from `fd`, waiting at most `ms`; "" when none came.
std::string readLine(int fd, int ms) {
    std::string line;
    char c = 0;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, ms) > 0 && ::recv(fd, &c, 1, 0) == 1) {
        if (c == '\n') return line;
        line += c;
    }
    return line;
}

void sendText(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    for (double v = 0; in >> v;) out.push_back(v);
    return out;
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

const char* const kThreeParams =
    "# a small test problem\n"
    "a  1.0   0.5\n"
    "b -2.0   0.5  -3  0\n"
    "\n"
    "c  0.25  0.1\n";

// Plays learnagent for the tuner: answers every vector with the squared
// distance to (0, -1, 0.5) (or with `reply` when it is set).
struct ScriptedAgent {
    int listener = listenOn(4100);
    int fd = -1;
    std::vector<std::vector<double>> vectors;

    ~ScriptedAgent() {
        if (fd >= 0) ::close(fd);
        if (listener >= 0) ::close(listener);
    }

    void serve(int episodes, const std::string& reply = "") {
        ASSERT_GE(listener, 0) << "port 4100 busy";
        fd = acceptWithin(listener, kWait);
        ASSERT_GE(fd, 0);
        for (int i = 0; i < episodes; ++i) {
            const std::vector<double> v = numbers(readLine(fd, kWait));
            ASSERT_EQ(v.size(), 3u);
            vectors.push_back(v);
            const double f =
                (v[0]) * (v[0]) + (v[1] + 1) * (v[1] + 1) + (v[2] - 0.5) * (v[2] - 0.5);
            char text[64];
            std::snprintf(text, sizeof text, "%g\n", f);
            sendText(fd, reply.empty() ? text : reply);
        }
    }
};

}  // namespace

TEST(LearnAgentCommandLine, HelpNamesEveryLearnerAndBadLinesAreRefused) {
    TempDir dir;
    ChildProcess help;
    ASSERT_TRUE(help.start(bin("learnagent"), {"--help"}, dir.path()));
    EXPECT_EQ(help.wait(kWait), 0);
    for (const char* part : {"tfswalk", "bsw", "turn", "curve", "kick", "naowalk", "walk",
                             "--simulator fieldsim[=PATH]", "port 4100", "learning.log"}) {
        EXPECT_NE(help.out().find(part), std::string::npos) << part;
    }

    const std::vector<std::vector<std::string>> bad = {{},
                                                       {"run"},
                                                       {"tfswalk", "kick"},
                                                       {"tfswalk", "--simulator", "gazebo"},
                                                       {"tfswalk", "--fieldsim-arg", "--noise"},
                                                       {"tfswalk", "--simulator"}};
    for (const auto& args : bad) {
        ChildProcess p;
        ASSERT_TRUE(p.start(bin("learnagent"), args, dir.path()));
        EXPECT_EQ(p.wait(kWait), 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(p.err().find("learnagent: "), std::string::npos);
        EXPECT_NE(p.err().find("Try 'learnagent --help'."), std::string::npos);
    }
}

TEST(TunerCommandLine, HelpAndBadParameterFilesNameTheirLine) {
    TempDir dir;
    ChildProcess help;
    ASSERT_TRUE(help.start(bin("tuner"), {"--help"}, dir.path()));
    EXPECT_EQ(help.wait(kWait), 0);
    EXPECT_NE(help.out().find("NAME START STEP [MIN MAX]"), std::string::npos);
    EXPECT_NE(help.out().find("127.0.0.1:4100"), std::string::npos);

    const std::vector<std::pair<std::string, std::string>> files = {
        {"a 1\n", "line 1: expected NAME START STEP [MIN MAX]"},
        {"# c\na 1 0.5\nb 1 0\n", "line 3: STEP must be a number above 0"},
        {"a 1 0.5 2 3\n", "line 1: START lies outside MIN..MAX"},
        {"a nan 0.5\n", "line 1: START is not a number"},
        {"# nothing\n", "holds no parameter"}};
    for (const auto& f : files) {
        writeFile(dir.file("p.params"), f.first);
        ChildProcess p;
        ASSERT_TRUE(p.start(bin("tuner"), {"p.params", "--wait", "0"}, dir.path()));
        EXPECT_EQ(p.wait(kWait), 2) << f.first;
        EXPECT_NE(p.err().find(f.second), std::string::npos) << p.err();
    }
    ChildProcess budget;
    writeFile(dir.file("p.params"), kThreeParams);
    ASSERT_TRUE(budget.start(bin("tuner"), {"p.params", "--budget", "0"}, dir.path()));
    EXPECT_EQ(budget.wait(kWait), 2);
}

TEST(Tuner, ProposesBoundedVectorsLogsEveryEpisodeAndTheBestAndRepeatsForASeed) {
    std::vector<std::string> csvs;
    for (int run = 0; run < 2; ++run) {
        TempDir dir;
        writeFile(dir.file("p.params"), kThreeParams);
        ScriptedAgent agent;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(bin("tuner"),
                                {"p.params", "--budget", "12", "--lambda", "4", "--seed", "7"},
                                dir.path()));
        agent.serve(12);
        EXPECT_EQ(tuner.wait(kWait), 0) << tuner.err();
        ASSERT_EQ(agent.vectors.size(), 12u);
        // The first generation is drawn around the start vector, within the bounds.
        for (const auto& v : agent.vectors) {
            EXPECT_GE(v[1], -3.0);
            EXPECT_LE(v[1], 0.0);
        }

        const std::string csv = readWholeFile(dir.file("tuner.csv"));
        const auto rows = lines(csv);
        ASSERT_EQ(rows.size(), 13u);
        EXPECT_EQ(rows[0], "episode,generation,fitness,best_fitness,a,b,c");
        double best = 1e300;
        for (int i = 1; i <= 12; ++i) {
            const auto c = cells(rows[i], ',');
            ASSERT_EQ(c.size(), 7u);
            EXPECT_EQ(std::stoi(c[0]), i);
            EXPECT_EQ(std::stoi(c[1]), (i - 1) / 4 + 1);
            best = std::min(best, std::stod(c[2]));
            EXPECT_NEAR(std::stod(c[3]), best, 1e-9 * (1 + std::fabs(best)));
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(std::stod(c[4 + k]), agent.vectors[i - 1][k], 1e-6);
        }
        // The search moves toward the optimum: the last generation does
        // better than the first on average.
        double first = 0, last = 0;
        for (int i = 1; i <= 4; ++i) first += std::stod(cells(rows[i], ',')[2]);
        for (int i = 9; i <= 12; ++i) last += std::stod(cells(rows[i], ',')[2]);
        EXPECT_LT(last, first);
        const auto bestFile = lines(readWholeFile(dir.file("tuner-best.params")));
        ASSERT_EQ(bestFile.size(), 5u);
        EXPECT_EQ(bestFile[3].rfind("b ", 0), 0u);
        EXPECT_EQ(cells(bestFile[3], ' ').size(), 5u) << "bounds kept";
        csvs.push_back(csv);
    }
    EXPECT_EQ(csvs[0], csvs[1]) << "the same seed and fitness values give the same run";
}

TEST(Tuner, UnusableFitnessRanksLastAndALostAgentEndsTheRun) {
    TempDir dir;
    writeFile(dir.file("p.params"), kThreeParams);
    {
        ScriptedAgent agent;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(bin("tuner"), {"p.params", "--budget", "2"}, dir.path()));
        agent.serve(2, "nan\n");
        EXPECT_EQ(tuner.wait(kWait), 0);
        EXPECT_NE(tuner.err().find("episode 1: no usable fitness in 'nan'; it ranks last"),
                  std::string::npos)
            << tuner.err();
        EXPECT_EQ(lines(readWholeFile(dir.file("tuner.csv"))).size(), 3u);
    }
    {
        ScriptedAgent agent;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(bin("tuner"), {"p.params", "--budget", "5"}, dir.path()));
        agent.serve(1);
        ::close(agent.fd);
        agent.fd = -1;
        EXPECT_EQ(tuner.wait(kWait), 1);
        EXPECT_NE(tuner.err().find("learnagent closed the link during episode 2"),
                  std::string::npos)
            << tuner.err();
    }
}

TEST(LearningBase, WaitsOnPort4100AndTriesAgainWhileThePortIsTaken) {
    learningkit::Kit kit;
    int blocker = listenOn(4100);
    ASSERT_GE(blocker, 0) << "port 4100 busy";

    // Restarts are recorded, but the pauses (the retry's second included) are real.
    struct PausingSimulator : learningkit::RecordingSimulator {
        using RecordingSimulator::RecordingSimulator;
        void wait(unsigned seconds) override { SimulatorControl::wait(seconds); }
    };
    std::unique_ptr<TFSWalkingLearning> learner;
    testing::internal::CaptureStdout();
    std::thread making([&] {
        learner = std::make_unique<TFSWalkingLearning>(
            std::make_unique<PausingSimulator>(kit.events, kit.server.port()));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ::close(blocker);
    const int optimiser = connectWithin(4100, kWait);
    making.join();
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GE(optimiser, 0);

    EXPECT_EQ(
        out.rfind("Waiting for matlab connection\nTry 2: Creating Matlab Connection... \n", 0), 0u)
        << out;
    EXPECT_EQ(*kit.events, (learningkit::Events{"kill", "start"}));
    // The link works both ways: a vector in, a fitness out.
    sendText(optimiser, learningkit::vectorOf(10));
    learningkit::World world;
    testing::internal::CaptureStdout();
    learningkit::Kit::cycle(*learner, world);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(learner->getParam(9), 10.0);
    ::close(optimiser);
}

TEST(LearnAgent, ThreeEpisodesWithTunerEachInAFreshFieldsim) {
    TempDir agentDir;
    TempDir tunerDir;
    ChildProcess agent;
    ChildProcess tuner;
    ASSERT_TRUE(
        agent.start(bin("learnagent"), {"tfswalk", "--simulator", "fieldsim"}, agentDir.path()));
    ASSERT_TRUE(tuner.start(bin("tuner"),
                            {std::string(FIXTURE_DIR) + "/../../tools/tuner/tfswalk.params",
                             "--budget", "3", "--seed", "3"},
                            tunerDir.path()));
    EXPECT_EQ(tuner.wait(100000), 0) << tuner.err() << agent.err();
    // The optimiser has left: learnagent stops by itself and its simulator with it.
    EXPECT_EQ(agent.wait(30000), 0) << agent.err();

    const auto csv = lines(readWholeFile(tunerDir.file("tuner.csv")));
    ASSERT_EQ(csv.size(), 4u) << tuner.out();
    const auto logged = lines(readWholeFile(agentDir.file("learning.log")));
    ASSERT_GE(logged.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::vector<double> row = numbers(logged[i]);
        ASSERT_EQ(row.size(), 11u) << logged[i];
        const double fitness = row[10];
        EXPECT_TRUE(std::isfinite(fitness)) << logged[i];
        const auto c = cells(csv[i + 1], ',');
        EXPECT_NEAR(std::stod(c[2]), fitness, 1e-4 * (1 + std::fabs(fitness)));
        for (int k = 0; k < 10; ++k) {
            EXPECT_NEAR(row[k], std::stod(c[4 + k]), 1e-4 * (1 + std::fabs(row[k])));
        }
        std::printf("episode %d fitness %s\n", i + 1, c[2].c_str());
    }

    const std::string out = agent.out();
    EXPECT_EQ(count(out, "Evaluation Done!"), 3u);
    for (const char* line : {"Episod 2 started...", "Episod 3 started...", "Episod 4 started..."}) {
        EXPECT_NE(out.find(line), std::string::npos) << line;
    }
    // Every episode ran in a fieldsim of its own, each stopped cleanly.
    const std::string sims = readWholeFile(agentDir.file("fieldsim.log"));
    EXPECT_GE(count(sims, "listening on 127.0.0.1:3100"), 5u);
    EXPECT_EQ(count(sims, "summary:"), count(sims, "listening on 127.0.0.1:3100")) << sims;
    EXPECT_GE(count(sims, "(left 1 VOR_Learning) joined"), 3u);
}
