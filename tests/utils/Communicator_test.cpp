// The optimiser link: both ends of one TCP connection, with and without the
// length prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "utils/Communicator.h"
#include "LinkTestSupport.h"

using linktest::Fd;
using linktest::frame;
using linktest::writeAll;

namespace {

// Runs `server.create(port)` in a thread while a raw client connects.
struct ServedLink {
    ServedLink(Communicator& server, int port) {
        std::thread listener([&] { created = server.create(static_cast<unsigned>(port)); });
        client.reset(linktest::connectTo(port));
        listener.join();
    }
    bool created = false;
    Fd client;
};

} // namespace

TEST(Communicator, PrefixedLinkFramesBothWays) {
    Communicator server(4096, true);
    ServedLink link(server, linktest::freePort());
    ASSERT_TRUE(link.created);
    ASSERT_GE(link.client.get(), 0);
    EXPECT_TRUE(server.isConnected());

    ASSERT_TRUE(server.sendMsg("(done 0.5)"));
    EXPECT_EQ(linktest::readExactly(link.client.get(), 14), frame("(done 0.5)"));

    // A message whose prefix arrives in two pieces is read whole.
    std::thread writer([&] {
        const std::string block = frame("1.25 -3.5 7");
        writeAll(link.client.get(), block.substr(0, 2));
        ::usleep(5000);
        writeAll(link.client.get(), block.substr(2, 5));
        ::usleep(5000);
        writeAll(link.client.get(), block.substr(7));
    });
    char* text = server.readMsg();
    writer.join();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "1.25 -3.5 7");

    // Longer than the buffer allows (4096 - 5): an empty text, then in step.
    ASSERT_TRUE(writeAll(link.client.get(), frame(std::string(4092, 'x')) + frame(std::string(4091, 'y'))));
    testing::internal::CaptureStderr();
    text = server.readMsg();
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    text = server.readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), std::string(4091, 'y'));

    link.client.reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(server.readMsg(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "recv: connection closed by peer\n");
    EXPECT_FALSE(server.isConnected());
}

TEST(Communicator, PlainLinkCarriesTheTextAsItIs) {
    Communicator server(16, false);
    ServedLink link(server, linktest::freePort());
    ASSERT_TRUE(link.created);

    ASSERT_TRUE(server.sendMsg(std::string("0.1 0.2")));
    ASSERT_TRUE(server.sendMsg(""));
    server.disconnect();
    EXPECT_EQ(linktest::readExactly(link.client.get(), 100), "0.1 0.2");
}

TEST(Communicator, PlainReadsAreBoundedByTheBuffer) {
    Communicator server(16, false);
    ServedLink link(server, linktest::freePort());
    ASSERT_TRUE(link.created);
    ASSERT_TRUE(writeAll(link.client.get(), "abcdefghijklmnopqrstuvwxyz"));
    char* text = server.readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "abcdefghijklmno") << "15 characters and the terminator";
    text = server.readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "pqrstuvwxyz");
}

TEST(Communicator, TwoCommunicatorsTalkAndTheServerCanListenAgain) {
    const int port = linktest::freePort();
    for (int round = 0; round < 2; ++round) {
        Communicator server(4096, true);
        Communicator client(4096, true);
        bool created = false;
        std::thread listener([&] { created = server.create(static_cast<unsigned>(port)); });
        bool connected = false;
        testing::internal::CaptureStderr(); // refused attempts while the server starts
        for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
            connected = client.connect2(static_cast<unsigned>(port), "127.0.0.1");
            if (!connected) {
                ::usleep(10000);
            }
        }
        testing::internal::GetCapturedStderr();
        listener.join();
        ASSERT_TRUE(connected) << "round " << round;
        ASSERT_TRUE(created) << "round " << round << ": the port must be free again";

        ASSERT_TRUE(client.sendMsg("0.3 0.4"));
        char* text = server.readMsg();
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "0.3 0.4");
        ASSERT_TRUE(server.sendMsg("12.5"));
        text = client.readMsg();
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "12.5");
    }
}

TEST(Communicator, FailuresAreReportedWithTheirLabels) {
    Communicator comm(64, false);
    {
        linktest::LoopbackPort bound(false);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(comm.connect2(static_cast<unsigned>(bound.port()), "127.0.0.1"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("connect: ") + std::strerror(ECONNREFUSED) + "\n");
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(comm.connect2(4100, "no-such-host.invalid"));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("gethostbyname: ", 0), 0u);

    linktest::LoopbackPort taken(true);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(comm.create(static_cast<unsigned>(taken.port())));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("Bind: ") + std::strerror(EADDRINUSE) + "\n");

    EXPECT_FALSE(comm.isConnected());
    testing::internal::CaptureStderr();
    EXPECT_EQ(comm.readMsg(), nullptr);
    EXPECT_FALSE(comm.sendMsg("x"));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}
