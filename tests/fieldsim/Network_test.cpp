// fieldsim as a server: lockstep pacing over real sockets, and clients that
// misbehave without hurting the others.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <cmath>
#include <random>
#include <thread>

#include "FieldsimTestKit.h"

TEST(Server, ClientsThatMisbehaveAreDroppedAloneAndTheOthersAreServed) {
    SimOptions o = testOptions();
    o.lockstepTimeout = 0.2;
    ServerThread server(o);
    TestClient good(server.port()), silent(server.port()), leaving(server.port()), oversized(server.port());
    ASSERT_TRUE(good.join("VOR", 1));
    ASSERT_TRUE(silent.join("VOR", 2)) << "then never answers";
    ASSERT_TRUE(leaving.join("OPP", 1));
    ASSERT_TRUE(leaving.sendBytes(std::string("\x00\x00\x00\x64", 4) + "(he1 1"));
    leaving.close();
    ASSERT_TRUE(oversized.sendBytes(std::string("\x00\x10\x00\x00", 4) + "(scene"));
    EXPECT_TRUE(oversized.waitClosed(5000));
    std::vector<std::unique_ptr<TestClient>> crowd;
    for (int round = 0; round < 2; ++round) {
        // The server sees the ones that left, then takes in a crowd up to the limit.
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(good.sendFrame("(syn)") && good.readFrame());
        while (round == 0 && crowd.size() + 2 < Server::kMaxClients) crowd.push_back(std::make_unique<TestClient>(server.port()));
    }
    TestClient extra(server.port());
    EXPECT_TRUE(extra.waitClosed(5000)) << "turned away beyond the limit";
    int received = 0;
    for (int i = 0; i < 50; ++i) received += good.sendFrame("(syn)") && good.readFrame(3000);
    EXPECT_EQ(received, 50);
    server.stop();
    const std::string log = server.console();
    for (const char* said : {"did not answer", "middle of a frame", "more than 65536", "turned away",
                             "(left 2 VOR) left: server stopping"})  // the silent one stays connected
        EXPECT_NE(log.find(said), std::string::npos) << said << "\n" << log;
}

TEST(Robustness, RandomAndMutatedFramesFromManyClients) {
    SimOptions o = testOptions();
    o.lockstepTimeout = 0.05;
    ServerThread server(o);
    std::atomic<bool> done{false};

    const std::vector<std::string> seeds = {
        "(scene rsg/agent/nao/nao.rsg)", "(init (unum 0)(teamname FUZ))", "(init (unum 3)(teamname ZZZ))",
        "(beam -1 2 30)", "(he1 3.5)", "(rle3 -2.0)(lle4 1e308)", "(say hello)", "(syn)",
        "(he2 nan)", "((((((((((", "))))", "(beam inf -inf 1)",
    };
    auto fuzzer = [&](unsigned seed) {
        std::mt19937 rng(seed);
        int sent = 0;
        while (sent < 1200 && !done.load()) {
            TestClient c(server.port());
            const int burst = 50 + static_cast<int>(rng() % 300);
            for (int k = 0; k < burst && sent < 1200; ++k, ++sent) {
                std::string text = seeds[rng() % seeds.size()];
                const unsigned how = rng() % 5;
                if (how == 0) {  // random bytes
                    text.resize(rng() % 200);
                    for (char& ch : text) ch = static_cast<char>(rng());
                } else if (how == 1) {  // flipped bytes
                    for (int f = 0; f < 3 && !text.empty(); ++f) text[rng() % text.size()] ^= static_cast<char>(1 + rng() % 255);
                } else if (how == 2) {  // cut short
                    text.resize(rng() % (text.size() + 1));
                }
                std::string bytes = frame(text);
                if (rng() % 200 == 0) bytes = std::string("\xff\xff\xff\xff", 4);  // absurd length
                if (rng() % 100 == 0) bytes.resize(rng() % bytes.size());        // truncated frame
                for (size_t at = 0; at < bytes.size();) {  // sent in random pieces
                    const size_t piece = 1 + rng() % bytes.size();
                    if (!c.sendBytes(bytes.substr(at, piece))) break;
                    at += piece;
                }
                if (rng() % 4 == 0) c.readFrame(1);  // read a little now and then
            }
        }
    };

    TestClient good(server.port());
    ASSERT_TRUE(good.join("VOR", 1));
    std::vector<std::thread> fuzzers;
    for (unsigned s = 1; s <= 4; ++s) fuzzers.emplace_back(fuzzer, s);

    // The well-behaved robot is served throughout and its commands still work.
    int received = 0;
    std::string last;
    for (int i = 0; i < 400; ++i) {
        good.sendFrame(i == 0 ? "(he1 1.0)" : "(syn)");
        auto m = good.readFrame(5000);
        received += m.has_value();
        if (m) last = *m;
    }
    done = true;
    for (auto& t : fuzzers) t.join();
    EXPECT_EQ(received, 400);
    EXPECT_NEAR(jointAngle(last, "hj1"), 123.0, 3.5) << "driven to its limit by the one command";
    server.stop();
    EXPECT_GT(server.sim().stats().malformed, 100);
    for (const auto& [id, robot] : server.sim().world().robots()) {
        for (int j = 0; j < NaoModel::kJointCount; ++j) {
            EXPECT_GE(robot.body().angle(j) * 180.0 / M_PI, NaoModel::joint(j).minDeg - 1e-9);
            EXPECT_LE(robot.body().angle(j) * 180.0 / M_PI, NaoModel::joint(j).maxDeg + 1e-9);
        }
    }
}
