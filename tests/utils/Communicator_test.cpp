// The optimiser link, with and without the length prefix.
#include "utils/Communicator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "LinkTestSupport.h"

using namespace linktest;

namespace {

// `server.create(port)` in a thread while a raw client connects.
struct Served {
    Served(Communicator& server, int port) {
        std::thread listener([&] { created = server.create(static_cast<unsigned>(port)); });
        client.reset(connectTo(port));
        listener.join();
    }
    bool created = false;
    Fd client;
};

std::string nextText(Communicator& comm) {
    const char* text = comm.readMsg();
    return text != nullptr ? text : "<closed>";
}

}  // namespace

TEST(Communicator, PrefixedLinkFramesBothWays) {
    const int port = LoopbackPort(false).port;
    Communicator server(4096, true);
    Served link(server, port);
    ASSERT_TRUE(link.created);
    ASSERT_TRUE(server.sendMsg("(done 0.5)"));
    EXPECT_EQ(readExactly(link.client.fd, 14), frame("(done 0.5)"));

    // A prefix in two pieces; then one message too long for the buffer
    // (4096 - 5), which is skipped whole.
    const std::string block = frame("1.25 -3.5 7");
    std::thread writer([&] {
        writeAll(link.client.fd, block.substr(0, 2));
        ::usleep(5000);
        writeAll(link.client.fd,
                 block.substr(2) + frame(std::string(4092, 'x')) + frame(std::string(4091, 'y')));
    });
    EXPECT_EQ(nextText(server), "1.25 -3.5 7");
    testing::internal::CaptureStderr();
    EXPECT_EQ(nextText(server), "");
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(nextText(server), std::string(4091, 'y'));
    writer.join();

    link.client.reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nextText(server), "<closed>");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "recv: connection closed by peer\n");
    EXPECT_FALSE(server.isConnected());
}

TEST(Communicator, PlainLinkCarriesTheTextAsItIsWithinTheBuffer) {
    const int port = LoopbackPort(false).port;
    Communicator server(16, false);
    Served link(server, port);
    ASSERT_TRUE(link.created);
    ASSERT_TRUE(server.sendMsg(std::string("0.1 0.2")));
    EXPECT_EQ(readExactly(link.client.fd, 7), "0.1 0.2");

    writeAll(link.client.fd, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(nextText(server), "abcdefghijklmno") << "15 characters and the terminator";
    EXPECT_EQ(nextText(server), "pqrstuvwxyz");
}

TEST(Communicator, ClientAndServerTalkAndThePortCanBeListenedOnAgain) {
    const int port = LoopbackPort(false).port;
    for (int round = 0; round < 2; ++round) {
        Communicator server(4096, false);
        Communicator client(4096, false);
        bool created = false;
        std::thread listener([&] { created = server.create(static_cast<unsigned>(port)); });
        testing::internal::CaptureStderr();  // refused tries while the server starts
        bool connected = false;
        for (int attempt = 0; attempt < 200 && !connected;
             ++attempt, ::usleep(connected ? 0 : 10000)) {
            connected = client.connect2(static_cast<unsigned>(port), "127.0.0.1");
        }
        testing::internal::GetCapturedStderr();
        listener.join();
        ASSERT_TRUE(connected && created) << "round " << round;
        ASSERT_TRUE(client.sendMsg("0.3 0.4"));
        EXPECT_EQ(nextText(server), "0.3 0.4");
        ASSERT_TRUE(server.sendMsg("12.5"));
        EXPECT_EQ(nextText(client), "12.5");
    }
}

TEST(Communicator, FailuresAreReportedWithTheirLabels) {
    Communicator comm(64, false);
    LoopbackPort listening(true);
    LoopbackPort bound(false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(comm.connect2(static_cast<unsigned>(bound.port), "127.0.0.1"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("connect: ") + std::strerror(ECONNREFUSED) + "\n");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(comm.connect2(4100, "no-such-host.invalid"));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("gethostbyname: ", 0), 0u);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(comm.create(static_cast<unsigned>(listening.port)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("Bind: ") + std::strerror(EADDRINUSE) + "\n");
    EXPECT_EQ(nextText(comm), "<closed>");
}
