// The optimiser link, with and without the length prefix.
#include "utils/Communicator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "LinkTestSupport.h"

using namespace linktest;

namespace {

std::string nextText(Communicator& comm) {
    const char* text = comm.readMsg();
    return text != nullptr ? text : "<closed>";
}

}  // namespace

TEST(Communicator, PrefixedLinkFramesBothWays) {
    const int port = LoopbackPort(false).port;
    Communicator server(4096, true);
    bool created = false;
    std::thread listener([&] { created = server.create(static_cast<unsigned>(port)); });
    Fd client(connectTo(port));
    listener.join();
    ASSERT_TRUE(created);
    ASSERT_TRUE(server.sendMsg("(done 0.5)"));
    EXPECT_EQ(readExactly(client.fd, 14), frame("(done 0.5)"));

    // A prefix in two pieces; then one message too long for the buffer
    // (4096 - 5), which is skipped whole.
    const std::string block = frame("1.25 -3.5 7");
    std::thread writer([&] {
        writeAll(client.fd, block.substr(0, 2));
        ::usleep(5000);
        writeAll(client.fd,
                 block.substr(2) + frame(std::string(4092, 'x')) + frame(std::string(4091, 'y')));
    });
    EXPECT_EQ(nextText(server), "1.25 -3.5 7");
    testing::internal::CaptureStderr();
    EXPECT_EQ(nextText(server), "");
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(nextText(server), std::string(4091, 'y'));
    writer.join();

    client.reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nextText(server), "<closed>");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "recv: connection closed by peer\n");
    EXPECT_FALSE(server.isConnected());
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
}
