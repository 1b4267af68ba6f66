// fieldsim as a server: lockstep pacing over real sockets, frames in pieces,
// and clients that misbehave without hurting the others.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <cmath>
#include <random>
#include <thread>

#include "FieldsimTestKit.h"
#include "CommandLine.h"
#include "support/ChildProcess.h"

namespace {

// Joins as a robot and returns the first perception.
std::optional<std::string> joinOver(TestClient& c, const std::string& team, int unum) {
    if (!c.sendFrame("(scene rsg/agent/nao/nao.rsg)")) return std::nullopt;
    if (!c.sendFrame("(init (unum " + std::to_string(unum) + ")(teamname " + team + "))")) return std::nullopt;
    return c.readFrame();
}

double timeOf(const std::string& perception) {
    const size_t at = perception.find("(now ");
    return at == std::string::npos ? -1.0 : std::stod(perception.substr(at + 5));
}

}  // namespace

TEST(Server, LockstepAnswersDriveTheCycles) {
    ServerThread server;
    ASSERT_GT(server.port(), 0);
    TestClient c(server.port());
    ASSERT_TRUE(c.connected());
    auto first = joinOver(c, "VOR", 1);
    ASSERT_TRUE(first);
    double last = timeOf(*first);
    // Every answer brings exactly the next cycle; 1000 of them run quickly.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(c.sendFrame(i == 0 ? "(he1 1.0)" : "(syn)"));
        auto m = c.readFrame();
        ASSERT_TRUE(m) << "cycle " << i;
        EXPECT_NEAR(timeOf(*m) - last, 0.02, 1e-6);
        last = timeOf(*m);
    }
    server.stop();
    EXPECT_EQ(server.sim().stats().messagesIn, 1002);
    EXPECT_EQ(server.sim().stats().malformed, 0);
}

TEST(Server, FramesSplitIntoPiecesOrMergedAreAllRead) {
    ServerThread server;
    TestClient c(server.port());
    const std::string both = frame("(scene rsg/agent/nao/nao.rsg)") + frame("(init (unum 4)(teamname VOR))");
    for (char byte : both) {
        ASSERT_TRUE(c.sendBytes(std::string(1, byte)));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    auto m = c.readFrame();
    ASSERT_TRUE(m);
    // The init may land one cycle after the scene; the number shows once it has.
    for (int i = 0; i < 3 && m->find("(unum 4)") == std::string::npos; ++i) {
        c.sendFrame("(syn)");
        m = c.readFrame();
        ASSERT_TRUE(m);
    }
    EXPECT_NE(m->find("(unum 4) (team left)"), std::string::npos);
    // Three commands merged into one write.
    ASSERT_TRUE(c.sendBytes(frame("(he1 1.0)") + frame("(he2 -1.0)") + frame("(syn)")));
    std::optional<std::string> next;
    double hj2 = 0.0;
    for (int i = 0; i < 3 && hj2 == 0.0; ++i) {
        next = c.readFrame();
        ASSERT_TRUE(next);
        hj2 = jointAngle(*next, "hj2");
        c.sendFrame("(syn)");
    }
    EXPECT_NEAR(hj2, -1.146, 0.0011);
    server.stop();
    EXPECT_EQ(server.sim().stats().malformed, 0);
}

TEST(Server, OversizedFrameClosesOnlyThatConnection) {
    ServerThread server;
    TestClient good(server.port());
    ASSERT_TRUE(joinOver(good, "VOR", 1));
    TestClient bad(server.port());
    ASSERT_TRUE(bad.sendBytes(std::string("\x00\x10\x00\x00", 4) + "(scene"));
    EXPECT_TRUE(bad.waitClosed(5000));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(good.sendFrame("(syn)"));
        ASSERT_TRUE(good.readFrame()) << i;
    }
    server.stop();
    EXPECT_NE(server.console().find("more than 65536"), std::string::npos) << server.console();
}

TEST(Server, ClientLeavingMidFrameOrFallingSilentDoesNotStopOthers) {
    SimOptions o = testOptions();
    o.lockstepTimeout = 0.2;
    ServerThread server(o);
    TestClient good(server.port());
    ASSERT_TRUE(joinOver(good, "VOR", 1));
    TestClient silent(server.port());
    ASSERT_TRUE(joinOver(silent, "VOR", 2)) << "then never answers";
    TestClient leaving(server.port());
    ASSERT_TRUE(joinOver(leaving, "OPP", 1));
    ASSERT_TRUE(leaving.sendBytes(std::string("\x00\x00\x00\x64", 4) + "(he1 1"));
    leaving.close();

    int received = 0;
    for (int i = 0; i < 200; ++i) {
        good.sendFrame("(syn)");
        if (good.readFrame(3000)) ++received;
    }
    EXPECT_EQ(received, 200);
    server.stop();
    const std::string log = server.console();
    EXPECT_NE(log.find("did not answer"), std::string::npos) << log;
    EXPECT_NE(log.find("middle of a frame"), std::string::npos) << log;
    EXPECT_NE(log.find("(left 2 VOR) left: server stopping"), std::string::npos) << "the silent one stays connected";
}

TEST(Server, AClientThatDoesNotReadDoesNotSlowTheOthers) {
    // Real-time pace: a robot that never reads its perceptions piles up
    // output (and is dropped once that passes 4 MiB), while the reading robot
    // keeps getting one message per cycle.
    SimOptions o = testOptions();
    o.pace = Pace::Realtime;
    ServerThread server(o);
    TestClient good(server.port());
    ASSERT_TRUE(joinOver(good, "VOR", 1));
    TestClient idle(server.port());
    ASSERT_TRUE(idle.sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum 2)(teamname VOR))"));
    int got = 0;
    for (int i = 0; i < 25; ++i) got += good.readFrame(1000) ? 1 : 0;
    EXPECT_EQ(got, 25);
    server.stop();
}

TEST(Robustness, RandomAndMutatedFramesFromManyClients) {
    SimOptions o = testOptions();
    o.lockstepTimeout = 0.05;
    ServerThread server(o);
    const int port = server.port();
    std::atomic<bool> done{false};
    std::atomic<long> framesSent{0};

    const std::vector<std::string> seeds = {
        "(scene rsg/agent/nao/nao.rsg)", "(init (unum 0)(teamname FUZ))", "(init (unum 3)(teamname ZZZ))",
        "(beam -1 2 30)", "(he1 3.5)", "(rle3 -2.0)(lle4 1e308)", "(say hello)", "(syn)",
        "(he2 nan)", "((((((((((", "))))", "(beam inf -inf 1)",
    };
    auto fuzzer = [&](unsigned seed) {
        std::mt19937 rng(seed);
        int sent = 0;
        while (sent < 1200 && !done.load()) {
            TestClient c(port);
            if (!c.connected()) break;
            const int burst = 50 + static_cast<int>(rng() % 300);
            for (int k = 0; k < burst && sent < 1200; ++k, ++sent) {
                std::string text = seeds[rng() % seeds.size()];
                switch (rng() % 5) {
                    case 0: {  // random bytes
                        text.resize(rng() % 200);
                        for (char& ch : text) ch = static_cast<char>(rng());
                        break;
                    }
                    case 1:  // flipped bytes
                        for (int f = 0; f < 3 && !text.empty(); ++f) text[rng() % text.size()] ^= static_cast<char>(1 + rng() % 255);
                        break;
                    case 2:  // cut short
                        text.resize(rng() % (text.size() + 1));
                        break;
                    default:
                        break;
                }
                std::string bytes = frame(text);
                if (rng() % 200 == 0) bytes = std::string("\xff\xff\xff\xff", 4);  // absurd length
                if (rng() % 100 == 0) bytes.resize(rng() % bytes.size());        // truncated frame
                // Sent in random pieces.
                size_t at = 0;
                while (at < bytes.size()) {
                    const size_t piece = 1 + rng() % bytes.size();
                    if (!c.sendBytes(bytes.substr(at, piece))) break;
                    at += piece;
                }
                ++framesSent;
                if (rng() % 4 == 0) c.readFrame(1);  // read a little now and then
            }
        }
    };

    TestClient good(server.port());
    ASSERT_TRUE(joinOver(good, "VOR", 1));
    std::vector<std::thread> fuzzers;
    for (unsigned s = 1; s <= 4; ++s) fuzzers.emplace_back(fuzzer, s);

    // The well-behaved robot is served throughout and its commands still work.
    int received = 0;
    double hj1 = 0.0;
    for (int i = 0; i < 400; ++i) {
        good.sendFrame(i == 0 ? "(he1 1.0)" : "(syn)");
        auto m = good.readFrame(5000);
        if (!m) continue;
        ++received;
        const double a = jointAngle(*m, "hj1");
        if (!std::isnan(a)) hj1 = a;
    }
    done = true;
    for (auto& t : fuzzers) t.join();
    EXPECT_EQ(received, 400);
    EXPECT_NEAR(hj1, 120.0, 1e-9) << "driven to its limit by the one command";
    server.stop();
    EXPECT_GE(framesSent.load(), 1000);
    EXPECT_GT(server.sim().stats().malformed, 100);
    for (const auto& [id, robot] : server.sim().world().robots()) {
        for (int j = 0; j < NaoModel::kJointCount; ++j) {
            const JointSpec& figure = NaoModel::joint(j);
            EXPECT_GE(robot.body.angle(j) * 180.0 / M_PI, figure.minDeg - 1e-9);
            EXPECT_LE(robot.body.angle(j) * 180.0 / M_PI, figure.maxDeg + 1e-9);
        }
        EXPECT_TRUE(robot.body.torso().pos.isFinite());
    }
}

TEST(Program, StopsByItselfAndPrintsASummary) {
    TempDir dir;
    ChildProcess p;
    ASSERT_TRUE(p.start(FIELDSIM_BIN, {"--port", "0", "--pace", "lockstep", "--max-cycles", "25"}, dir.path()));
    EXPECT_EQ(p.wait(10000), 0);
    const std::string out = p.out();
    EXPECT_NE(out.find("fieldsim listening on 127.0.0.1:"), std::string::npos) << out;
    EXPECT_NE(out.find("summary: 25 cycles (0.50 s)"), std::string::npos) << out;
}

TEST(Program, HelpIsHonestAndBadOptionsAreRefused) {
    TempDir dir;
    ChildProcess help;
    ASSERT_TRUE(help.start(FIELDSIM_BIN, {"--help"}, dir.path()));
    EXPECT_EQ(help.wait(10000), 0);
    const std::string text = help.out();
    for (const char* honest : {"no rigid-body dynamics", "tilts\nbeyond 45 degrees", "outside its soles for 0.3 s"}) {
        EXPECT_NE(text.find(honest), std::string::npos) << honest;
    }
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "70000"}, {"--latency", "0"}, {"--vision-every"}, {"--goal-width", "9", "--field", "12x8"}};
    for (const auto& args : bad) {
        ChildProcess p;
        ASSERT_TRUE(p.start(FIELDSIM_BIN, args, dir.path()));
        EXPECT_EQ(p.wait(10000), 2) << args[0];
        EXPECT_FALSE(p.err().empty());
    }
}

TEST(Program, CommandLineValuesReachTheOptions) {
    SimOptions o;
    std::string error;
    const char* argv[] = {"fieldsim", "--field=20x10", "--goal-width", "2", "--pace", "lockstep", "--seed", "9",
                          "--full-view", "--kickoff-after", "-1", "--duration", "3.5"};
    ASSERT_EQ(CommandLine::parse(13, argv, o, error), CommandLine::Outcome::Run) << error;
    EXPECT_EQ(o.fieldLength, 20.0);
    EXPECT_EQ(o.fieldWidth, 10.0);
    EXPECT_EQ(o.kickoffAfter, -1.0);
    EXPECT_EQ(o.duration, 3.5);
    EXPECT_EQ(o.port, 3100) << "the default port stays";
}

TEST(Server, TurnsAwayConnectionsBeyondTheLimit) {
    ServerThread server;
    TestClient good(server.port());
    ASSERT_TRUE(joinOver(good, "VOR", 1));
    std::vector<std::unique_ptr<TestClient>> crowd;
    for (size_t i = 1; i < Server::kMaxClients; ++i) crowd.push_back(std::make_unique<TestClient>(server.port()));
    // Let the server accept them all before the one too many arrives.
    for (int i = 0; i < 5; ++i) {
        good.sendFrame("(syn)");
        ASSERT_TRUE(good.readFrame());
    }
    TestClient extra(server.port());
    EXPECT_TRUE(extra.waitClosed(5000));
    good.sendFrame("(syn)");
    EXPECT_TRUE(good.readFrame());
    server.stop();
    EXPECT_NE(server.console().find("turned away"), std::string::npos);
}
