// The socket wrapper and the server's length-prefixed framing:
// TDataPorter, TConnection and TRoboCupConnection.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

#include "utils/TDataPorter.h"
#include "utils/TRoboCupConnection.h"
#include "LinkTestSupport.h"

using linktest::Fd;
using linktest::frame;
using linktest::LoopbackPort;
using linktest::prefixOnly;
using linktest::writeAll;

namespace {

// A framing connection on one end of a socketpair; the test writes into and
// reads from `peer`.
struct Linked {
    Linked() {
        const auto fds = linktest::streamPair();
        con.attachSocket(fds.first);
        peer.reset(fds.second);
    }
    // The next message with the agent's capacity, or "<refused>"/"<closed>".
    std::string next(std::size_t capacity = 4096) {
        std::vector<char> dest(capacity + 1, 'x');
        if (con.getMessage(dest.data(), capacity)) {
            return std::string(dest.data());
        }
        if (!con.connected()) {
            return "<closed>";
        }
        EXPECT_EQ(dest[0], '\0') << "a refused message must leave an empty text";
        return "<refused>";
    }
    TRoboCupConnection con;
    Fd peer;
};

bool descriptorOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

} // namespace

TEST(TDataPorter, OwnsExactlyOneDescriptorAtATime) {
    const auto pair1 = linktest::streamPair();
    const int adopted = pair1.first;
    Fd otherEnd1(pair1.second);
    {
        TDataPorter porter(CONN_TCP, adopted);
        EXPECT_TRUE(porter.isActive());
        EXPECT_FALSE(porter.open()) << "already active";
        EXPECT_FALSE(porter.setSocketFD(-1, CONN_UDP)) << "refused while active";
        EXPECT_EQ(porter.getSocketFD(), adopted);

        EXPECT_TRUE(porter.reOpen());
        EXPECT_NE(porter.getSocketFD(), -1);
        EXPECT_TRUE(linktest::peerClosed(otherEnd1.get())) << "reOpen closes the old socket";
        int type = 0;
        socklen_t size = sizeof(type);
        ::getsockopt(porter.getSocketFD(), SOL_SOCKET, SO_TYPE, &type, &size);
        EXPECT_EQ(type, SOCK_STREAM);

        EXPECT_TRUE(porter.closeAll());
        EXPECT_FALSE(porter.closeAll()) << "nothing left to close";
        EXPECT_FALSE(porter.isActive());

        ASSERT_TRUE(porter.setSocketFD(-1, CONN_UDP));
        ASSERT_TRUE(porter.open());
        ::getsockopt(porter.getSocketFD(), SOL_SOCKET, SO_TYPE, &type, &size);
        EXPECT_EQ(type, SOCK_DGRAM);
    }
    const auto pair2 = linktest::streamPair();
    const int other = pair2.first;
    Fd otherEnd2(pair2.second);
    { TDataPorter porter(CONN_TCP, other); }
    EXPECT_FALSE(descriptorOpen(other)) << "destruction closes the descriptor";
}

TEST(TConnection, ConnectsToAListeningServer) {
    LoopbackPort server(true);
    ASSERT_GT(server.port(), 0);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        TRoboCupConnection con(host, server.port());
        EXPECT_TRUE(con.connected()) << host;
        Fd accepted(server.acceptOne());
        EXPECT_GE(accepted.get(), 0);
        EXPECT_EQ(con.getConnectionType(), CONN_TCP);
        EXPECT_FALSE(con.setLocalPort(4000)) << "refused while connected";
        EXPECT_TRUE(con.closeConnection());
        EXPECT_FALSE(con.closeConnection());
        EXPECT_TRUE(con.setLocalPort(4000));
        EXPECT_EQ(con.getLocalPort(), 4000);
    }
    TRoboCupConnection notOpened;
    EXPECT_FALSE(notOpened.connected()) << "no host given: nothing is opened";
}

TEST(TConnection, ReportsWhenNothingListens) {
    LoopbackPort bound(false); // holds the port so nobody else listens there
    ASSERT_GT(bound.port(), 0);
    testing::internal::CaptureStderr();
    TRoboCupConnection con("127.0.0.1", bound.port());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(con.connected());
    EXPECT_EQ(con.getSocketFD(), -1) << "the failed socket is closed";
    EXPECT_EQ(err, std::string("TConnection::openConnection: ") + std::strerror(ECONNREFUSED) + "\n");
}

TEST(TConnection, ReportsAnUnknownHost) {
    testing::internal::CaptureStderr();
    TRoboCupConnection con("no-such-host.invalid", 3100);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(con.connected());
    EXPECT_EQ(err.rfind("TConnection::gethostbyname: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');

    testing::internal::CaptureStderr();
    EXPECT_FALSE(con.openConnection("127.0.0.1", 70000));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("TConnection::openConnection"),
              std::string::npos);
}

TEST(TRoboCupConnection, SendsLengthPrefixAndTextExactly) {
    Linked link;
    ASSERT_TRUE(link.con.sendCommand("(init (unum 1)(teamname VOR))"));
    const std::string wire = linktest::readExactly(link.peer.get(), 33);
    EXPECT_EQ(wire, std::string("\x00\x00\x00\x1D", 4) + "(init (unum 1)(teamname VOR))");

    ASSERT_TRUE(link.con.sendCommand(""));
    EXPECT_EQ(linktest::readExactly(link.peer.get(), 4), std::string(4, '\0'));

    EXPECT_FALSE(link.con.sendCommand(nullptr));
    TRoboCupConnection unconnected;
    EXPECT_FALSE(unconnected.sendCommand("(syn)"));
}

TEST(TRoboCupConnection, CompletesACommandLargerThanTheSocketTakesAtOnce) {
    Linked link;
    int small = 4096;
    ::setsockopt(link.con.getSocketFD(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    const std::string big(300000, 'j');
    std::string received;
    std::thread reader([&] { received = linktest::readExactly(link.peer.get(), 4 + big.size()); });
    const bool sent = link.con.sendCommand(big.c_str());
    reader.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(received, frame(big));
}

TEST(TRoboCupConnection, SendingToAVanishedPeerFailsWithoutKillingTheProcess) {
    Linked link;
    link.peer.reset();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(link.con.sendCommand("(he1 1.0)"));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("TRoboCupConnection::sendCommand: ", 0),
              0u);
}

TEST(TRoboCupConnection, DeliversEveryMessageOfOneReadInOrder) {
    Linked link;
    ASSERT_TRUE(writeAll(link.peer.get(), frame("(time (now 1.00))") + frame("") + frame("(B)")));
    EXPECT_EQ(link.next(), "(time (now 1.00))");
    EXPECT_EQ(link.next(), "");
    EXPECT_EQ(link.next(), "(B)");

    // A message and the start of the next, cut inside the next prefix.
    const std::string tail = frame("(time (now 1.04))");
    ASSERT_TRUE(writeAll(link.peer.get(), frame("(time (now 1.02))") + tail.substr(0, 2)));
    EXPECT_EQ(link.next(), "(time (now 1.02))");
    ASSERT_TRUE(writeAll(link.peer.get(), tail.substr(2)));
    EXPECT_EQ(link.next(), "(time (now 1.04))");
}

TEST(TRoboCupConnection, ReassemblesMessagesCutAtEveryByte) {
    const std::string first = "(time (now 12.34))(GS (t 0.00) (pm BeforeKickOff))";
    const std::string second = "(HJ (n hj1) (ax -0.00))";
    const std::string stream = frame(first) + frame(second);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        Linked link;
        std::thread writer([&] {
            writeAll(link.peer.get(), stream.substr(0, cut));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            writeAll(link.peer.get(), stream.substr(cut));
        });
        EXPECT_EQ(link.next(), first) << "cut at " << cut;
        EXPECT_EQ(link.next(), second) << "cut at " << cut;
        writer.join();
    }
}

TEST(TRoboCupConnection, RefusesTooLongMessagesAndStaysInStep) {
    Linked link;
    // Exactly the capacity fits, terminator included, and nothing is written
    // behind the capacity + 1 bytes of the destination.
    const std::string full(4096, 'a');
    ASSERT_TRUE(writeAll(link.peer.get(), frame(full)));
    std::vector<char> dest(4096 + 1 + 8, '#');
    ASSERT_TRUE(link.con.getMessage(dest.data(), 4096));
    EXPECT_EQ(std::string(dest.data()), full);
    EXPECT_EQ(std::string(dest.data() + 4097, 8), std::string(8, '#'));

    // One byte more is refused; its payload is skipped, also when it comes
    // together with the next message or only after the refusal.
    ASSERT_TRUE(writeAll(link.peer.get(), frame(std::string(4097, 'b')) + frame("(after)")));
    EXPECT_EQ(link.next(), "<refused>");
    EXPECT_EQ(link.next(), "(after)");

    const std::string longOne = frame(std::string(20000, 'c')) + frame("(later)");
    std::thread writer([&] {
        writeAll(link.peer.get(), longOne.substr(0, 10));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        writeAll(link.peer.get(), longOne.substr(10, 9000));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        writeAll(link.peer.get(), longOne.substr(9010));
    });
    EXPECT_EQ(link.next(), "<refused>");
    EXPECT_EQ(link.next(), "(later)");
    writer.join();
}

TEST(TRoboCupConnection, NeverAcceptsMoreThanTheReceiveAreaHolds) {
    Linked link;
    const std::size_t huge = 100000; // a caller with more room than the area
    std::thread writer([&] {
        writeAll(link.peer.get(), frame(std::string(TRoboCupConnection::kMaxMessageSize, 'd')) +
                                      frame(std::string(TRoboCupConnection::kMaxMessageSize + 1, 'e')) +
                                      frame("(end)"));
    });
    EXPECT_EQ(link.next(huge), std::string(TRoboCupConnection::kMaxMessageSize, 'd'));
    EXPECT_EQ(link.next(huge), "<refused>");
    EXPECT_EQ(link.next(huge), "(end)");
    writer.join();
}

TEST(TRoboCupConnection, EndsWhenThePeerCloses) {
    struct Case {
        const char* name;
        std::string bytes;
        bool reported;
    };
    const std::vector<Case> cases = {
        {"between messages", frame("(a)"), false},
        {"inside the prefix", frame("(a)") + std::string("\0\0", 2), true},
        {"inside the text", frame("(a)") + prefixOnly(100) + "(time", true},
        {"inside a refused message", frame("(a)") + prefixOnly(5000) + "(time", true},
    };
    for (const Case& c : cases) {
        Linked link;
        ASSERT_TRUE(writeAll(link.peer.get(), c.bytes));
        link.peer.reset();
        EXPECT_EQ(link.next(), "(a)") << c.name;
        testing::internal::CaptureStderr();
        EXPECT_EQ(link.next(), "<closed>") << c.name;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(!err.empty(), c.reported) << c.name << ": " << err;
        EXPECT_EQ(link.next(), "<closed>") << c.name << ": a closed link must not block";
    }
}

TEST(TRoboCupConnection, ANewSocketStartsWithoutTheOldStreamsBytes) {
    Linked link;
    ASSERT_TRUE(writeAll(link.peer.get(), frame("(old 1)") + frame("(old 2)")));
    EXPECT_EQ(link.next(), "(old 1)");
    const auto spare = linktest::streamPair();
    Fd spare1(spare.first);
    Fd spare2(spare.second);
    EXPECT_FALSE(link.con.attachSocket(spare.first)) << "refused while connected";

    ASSERT_TRUE(link.con.closeConnection());
    const auto fds = linktest::streamPair();
    ASSERT_TRUE(link.con.attachSocket(fds.first));
    link.peer.reset(fds.second);
    ASSERT_TRUE(writeAll(link.peer.get(), frame("(new 1)")));
    EXPECT_EQ(link.next(), "(new 1)");
}
