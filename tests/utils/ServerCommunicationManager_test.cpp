// The process-wide server link as the runtime uses it, over loopback TCP.
#include "utils/ServerCommunicationManager.h"

#include <gtest/gtest.h>

#include <string>

#include "LinkTestSupport.h"

using namespace linktest;

namespace {
std::string nextText(ServerCommunicationManager* scm) {
    const char* text = scm->readMsg();
    return text != nullptr ? text : "<closed>";
}
}  // namespace

TEST(ServerCommunicationManager, CarriesTheCycleUntilTheServerCloses) {
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    EXPECT_EQ(scm, ServerCommunicationManager::getUniqueInstance());
    EXPECT_EQ(nextText(scm), "<closed>") << "never connected";
    EXPECT_FALSE(scm->sendMsg("(syn)"));
    LoopbackPort bound(false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(scm->connect2(bound.port, "127.0.0.1"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("TConnection::openConnection: "),
              std::string::npos);

    LoopbackPort server(true);
    ASSERT_TRUE(scm->connect2(server.port, "127.0.0.1"));
    Fd peer(server.acceptOne());
    ASSERT_TRUE(scm->sendMsg("(scene rsg/agent/nao/nao.rsg)"));
    EXPECT_EQ(readExactly(peer.fd, 4 + 29), frame("(scene rsg/agent/nao/nao.rsg)"));

    // 4096 characters arrive whole; 4097 give one empty text and the next
    // message is read from its own prefix.
    writeAll(peer.fd, frame(std::string(4096, 'p')) + frame(std::string(4097, 'q')) +
                          frame("(time (now 3.00))"));
    EXPECT_EQ(nextText(scm), std::string(4096, 'p'));
    EXPECT_EQ(nextText(scm), "");
    EXPECT_EQ(nextText(scm), "(time (now 3.00))");

    peer.reset();
    EXPECT_EQ(nextText(scm), "<closed>");
    EXPECT_FALSE(scm->isConnected());

    // The start-up deletes the link when it cannot connect; a new one follows.
    delete scm;
    EXPECT_FALSE(ServerCommunicationManager::getUniqueInstance()->isConnected());
}

TEST(ServerCommunicationManager, ReconnectingReplacesAndClosesTheOldConnection) {
    LoopbackPort server(true);
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    ASSERT_TRUE(scm->connect2(server.port, "127.0.0.1"));
    Fd firstPeer(server.acceptOne());

    testing::internal::CaptureStderr();
    ASSERT_TRUE(scm->connect2(server.port, "localhost"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ServerCommunicationManager::connect2(): Already Connected To Server!\n");
    Fd secondPeer(server.acceptOne());
    EXPECT_EQ(readExactly(firstPeer.fd, 1), "") << "the replaced connection is closed";
    ASSERT_TRUE(scm->sendMsg("(syn)"));
    EXPECT_EQ(readExactly(secondPeer.fd, 9), frame("(syn)"));

    scm->disconnect();
    EXPECT_EQ(readExactly(secondPeer.fd, 1), "");
    EXPECT_EQ(nextText(scm), "<closed>");
}
