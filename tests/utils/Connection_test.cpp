// The socket wrapper and the server's length-prefixed framing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LinkTestSupport.h"
#include "utils/TRoboCupConnection.h"

using namespace linktest;

namespace {

// A framing connection on one end of a socketpair; the test plays the
// server on `peer`.
struct Linked {
    Linked() {
        int fds[2];
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
        con.attachSocket(fds[0]);
        peer.reset(fds[1]);
    }
    // The next message, or "<refused>" / "<closed>".
    std::string next(std::size_t capacity = 4096) {
        std::vector<char> dest(capacity + 1, 'x');
        if (con.getMessage(dest.data(), capacity)) {
            return dest.data();
        }
        EXPECT_EQ(dest[0], '\0') << "no message: an empty text";
        return con.connected() ? "<refused>" : "<closed>";
    }
    // Writes the pieces with a pause between them, from another thread.
    std::thread writeInPieces(std::vector<std::string> pieces) {
        return std::thread([this, pieces] {
            for (const std::string& piece : pieces) {
                writeAll(peer.fd, piece);
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
        });
    }
    TRoboCupConnection con;
    Fd peer;
};

}  // namespace

TEST(TConnection, ConnectsOrReportsWhyNot) {
    LoopbackPort server(true);
    TRoboCupConnection con("localhost", server.port);
    Fd accepted(server.acceptOne());
    EXPECT_TRUE(con.connected());
    EXPECT_FALSE(con.setLocalPort(4000)) << "refused while connected";
    EXPECT_TRUE(con.closeConnection());
    EXPECT_FALSE(con.closeConnection());

    LoopbackPort bound(false);  // holds the port: nothing listens there
    testing::internal::CaptureStderr();
    TRoboCupConnection refused("127.0.0.1", bound.port);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("TConnection::openConnection: ") + std::strerror(ECONNREFUSED) + "\n");
    EXPECT_FALSE(refused.connected());
    EXPECT_EQ(refused.getSocketFD(), -1);

    testing::internal::CaptureStderr();
    TRoboCupConnection unknown("no-such-host.invalid", 3100);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("TConnection::gethostbyname: ", 0), 0u) << err;
    EXPECT_FALSE(unknown.connected());
}

TEST(TRoboCupConnection, SendsThePrefixAndTheWholeText) {
    Linked link;
    ASSERT_TRUE(link.con.sendCommand("(init (unum 1)(teamname VOR))"));
    EXPECT_EQ(readExactly(link.peer.fd, 33),
              std::string("\0\0\0\x1D", 4) + "(init (unum 1)(teamname VOR))");
    ASSERT_TRUE(link.con.sendCommand(""));
    EXPECT_EQ(readExactly(link.peer.fd, 4), std::string(4, '\0'));

    // More than the socket takes in one write: the rest must follow.
    int small = 4096;
    ::setsockopt(link.con.getSocketFD(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    const std::string big(300000, 'j');
    std::string received;
    std::thread reader([&] { received = readExactly(link.peer.fd, 4 + big.size()); });
    EXPECT_TRUE(link.con.sendCommand(big.c_str()));
    reader.join();
    EXPECT_TRUE(received == frame(big));

    // A vanished peer: false and a line, not a SIGPIPE that ends the process.
    link.peer.reset();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(link.con.sendCommand("(he1 1.0)"));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("TRoboCupConnection::sendCommand: ", 0),
              0u);
}

TEST(TRoboCupConnection, DeliversEveryMessageOfOneReadInOrder) {
    Linked link;
    const std::string fourth = frame("(time (now 1.06))");
    writeAll(link.peer.fd,
             frame("(time (now 1.00))") + frame("") + frame("(B)") + fourth.substr(0, 2));
    EXPECT_EQ(link.next(), "(time (now 1.00))");
    EXPECT_EQ(link.next(), "");
    EXPECT_EQ(link.next(), "(B)");
    writeAll(link.peer.fd, fourth.substr(2));
    EXPECT_EQ(link.next(), "(time (now 1.06))");
}

TEST(TRoboCupConnection, ReassemblesMessagesCutAtEveryByte) {
    const std::string first = "(time (now 12.34))(GS (t 0.00) (pm BeforeKickOff))";
    const std::string second = "(HJ (n hj1) (ax -0.00))";
    const std::string stream = frame(first) + frame(second);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        Linked link;
        std::thread writer = link.writeInPieces({stream.substr(0, cut), stream.substr(cut)});
        EXPECT_EQ(link.next(), first) << "cut at " << cut;
        EXPECT_EQ(link.next(), second) << "cut at " << cut;
        writer.join();
    }
}

TEST(TRoboCupConnection, RefusesTooLongMessagesAndStaysInStep) {
    Linked link;
    // Exactly the capacity fits with its terminator; the byte behind the
    // capacity + 1 bytes of the destination stays untouched.
    writeAll(link.peer.fd, frame(std::string(4096, 'a')));
    std::vector<char> dest(4096 + 2, '#');
    ASSERT_TRUE(link.con.getMessage(dest.data(), 4096));
    EXPECT_EQ(std::string(dest.data()), std::string(4096, 'a'));
    EXPECT_EQ(dest[4097], '#');

    writeAll(link.peer.fd, frame(std::string(4097, 'b')) + frame("(after)"));
    EXPECT_EQ(link.next(), "<refused>");
    EXPECT_EQ(link.next(), "(after)");

    // The payload to skip arrives only after the refusal, in pieces.
    const std::string longOne = frame(std::string(20000, 'c')) + frame("(later)");
    std::thread writer =
        link.writeInPieces({longOne.substr(0, 10), longOne.substr(10, 9000), longOne.substr(9010)});
    EXPECT_EQ(link.next(), "<refused>");
    EXPECT_EQ(link.next(), "(later)");
    writer.join();

    // A caller with more room than the receive area still gets its limit.
    const std::size_t most = TRoboCupConnection::kMaxMessageSize;
    writer = link.writeInPieces(
        {frame(std::string(most, 'd')) + frame(std::string(most + 1, 'e')) + frame("(end)")});
    EXPECT_EQ(link.next(100000), std::string(most, 'd'));
    EXPECT_EQ(link.next(100000), "<refused>");
    EXPECT_EQ(link.next(100000), "(end)");
    writer.join();
}

TEST(TRoboCupConnection, EndsWhenThePeerClosesAnywhere) {
    const std::string hundred = frame(std::string(100, 'x')).substr(0, 4);
    const std::string tooLong = frame(std::string(5000, 'x')).substr(0, 4);
    const struct {
        const char* where;
        std::string bytes;
        bool reported;
    } cases[] = {
        {"between messages", "", false},
        {"inside the prefix", std::string(2, '\0'), true},
        {"inside the text", hundred + "(time", true},
        {"inside a refused message", tooLong + "(time", true},
    };
    for (const auto& c : cases) {
        Linked link;
        writeAll(link.peer.fd, frame("(a)") + c.bytes);
        link.peer.reset();
        EXPECT_EQ(link.next(), "(a)") << c.where;
        testing::internal::CaptureStderr();
        EXPECT_EQ(link.next(), "<closed>") << c.where;
        EXPECT_EQ(testing::internal::GetCapturedStderr().empty(), !c.reported) << c.where;
        EXPECT_EQ(link.next(), "<closed>") << c.where << ": a closed link must not block";
    }
}

TEST(TRoboCupConnection, ANewSocketStartsWithoutTheOldStreamsBytes) {
    Linked link;
    writeAll(link.peer.fd, frame("(old 1)") + frame("(old 2)"));
    EXPECT_EQ(link.next(), "(old 1)");
    EXPECT_FALSE(link.con.attachSocket(link.peer.fd)) << "refused while connected";
    ASSERT_TRUE(link.con.closeConnection());
    int fds[2];
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    ASSERT_TRUE(link.con.attachSocket(fds[0]));
    link.peer.reset(fds[1]);
    writeAll(link.peer.fd, frame("(new 1)"));
    EXPECT_EQ(link.next(), "(new 1)");
}
