// The process-wide server link as the runtime uses it, over real loopback TCP.
#include <gtest/gtest.h>

#include <string>

#include "utils/ServerCommunicationManager.h"
#include "LinkTestSupport.h"

using linktest::Fd;
using linktest::frame;
using linktest::LoopbackPort;
using linktest::writeAll;

namespace {
const char* const kAlready = "ServerCommunicationManager::connect2(): Already Connected To Server!\n";
}

TEST(ServerCommunicationManager, IsOneInstanceThatCanBeReplacedAfterDeletion) {
    ServerCommunicationManager* first = ServerCommunicationManager::getUniqueInstance();
    EXPECT_EQ(first, ServerCommunicationManager::getUniqueInstance());
    // Before any connection: nothing to read or send, and no crash.
    EXPECT_EQ(first->readMsg(), nullptr);
    EXPECT_FALSE(first->sendMsg("(syn)"));
    first->disconnect();
    delete first;
    ServerCommunicationManager* second = ServerCommunicationManager::getUniqueInstance();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->isConnected());
}

TEST(ServerCommunicationManager, CarriesTheCycleUntilTheServerCloses) {
    LoopbackPort server(true);
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    ASSERT_TRUE(scm->connect2(server.port(), "127.0.0.1"));
    EXPECT_TRUE(scm->isConnected());
    Fd peer(server.acceptOne());

    ASSERT_TRUE(scm->sendMsg("(scene rsg/agent/nao/nao.rsg)"));
    ASSERT_TRUE(scm->sendMsg(std::string("(beam -1 0 0)")));
    EXPECT_EQ(linktest::readExactly(peer.get(), 4 + 29 + 4 + 13),
              frame("(scene rsg/agent/nao/nao.rsg)") + frame("(beam -1 0 0)"));

    // The full 4096 characters arrive whole; 4097 give one empty text and the
    // next message is read from its own prefix.
    const std::string full(4096, 'p');
    ASSERT_TRUE(writeAll(peer.get(), frame(full) + frame(std::string(4097, 'q')) + frame("(time (now 3.00))")));
    char* text = scm->readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), full);
    text = scm->readMsg();
    ASSERT_NE(text, nullptr) << "a refused message is not a closed link";
    EXPECT_STREQ(text, "");
    text = scm->readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "(time (now 3.00))");

    peer.reset();
    EXPECT_EQ(scm->readMsg(), nullptr);
    EXPECT_FALSE(scm->isConnected());
    EXPECT_EQ(scm->readMsg(), nullptr);
}

TEST(ServerCommunicationManager, ReconnectingReplacesAndClosesTheOldConnection) {
    LoopbackPort server(true);
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    ASSERT_TRUE(scm->connect2(server.port(), "127.0.0.1"));
    Fd firstPeer(server.acceptOne());

    testing::internal::CaptureStderr();
    ASSERT_TRUE(scm->connect2(server.port(), "localhost"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kAlready);
    Fd secondPeer(server.acceptOne());
    EXPECT_TRUE(linktest::peerClosed(firstPeer.get())) << "the replaced connection is released";
    EXPECT_EQ(scm->getHostName(), "localhost");
    EXPECT_EQ(scm->getPort(), server.port());

    ASSERT_TRUE(scm->sendMsg("(syn)"));
    EXPECT_EQ(linktest::readExactly(secondPeer.get(), 9), frame("(syn)"));

    // The learning framework's reconnect: disconnect, then connect2 again,
    // without the "already connected" line.
    scm->disconnect();
    EXPECT_FALSE(scm->isConnected());
    EXPECT_TRUE(linktest::peerClosed(secondPeer.get()));
    EXPECT_EQ(scm->readMsg(), nullptr);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(scm->connect2(server.port(), "127.0.0.1"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    Fd thirdPeer(server.acceptOne());
    ASSERT_TRUE(writeAll(thirdPeer.get(), frame("(GS (t 0.00))")));
    char* text = scm->readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "(GS (t 0.00))");
}

TEST(ServerCommunicationManager, FailedConnectLeavesAClosedLink) {
    LoopbackPort bound(false);
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(scm->connect2(bound.port(), "127.0.0.1"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("TConnection::openConnection: "),
              std::string::npos);
    EXPECT_FALSE(scm->isConnected());
    EXPECT_EQ(scm->readMsg(), nullptr);
    EXPECT_FALSE(scm->sendMsg("(syn)"));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(scm->connect2(3100, "no-such-host.invalid"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("TConnection::gethostbyname: ", 0), 0u) << err;
    EXPECT_EQ(scm->readMsg(), nullptr);
}
