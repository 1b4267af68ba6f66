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
        if (con.getMessage(dest.data(), capacity)) return dest.data();
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
    LoopbackPort bound(false);  // holds the port: nothing listens there
    testing::internal::CaptureStderr();
    TRoboCupConnection refused("127.0.0.1", bound.port);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("TConnection::openConnection: ") + std::strerror(ECONNREFUSED) + "\n");
    EXPECT_FALSE(refused.connected());

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

}

TEST(TRoboCupConnection, EndsWhenThePeerClosesAnywhere) {
    for (bool insidePrefix : {false, true}) {
        Linked link;
        writeAll(link.peer.fd, frame("(a)") + std::string(insidePrefix ? 2 : 0, '\0'));
        link.peer.reset();
        EXPECT_EQ(link.next(), "(a)");
        testing::internal::CaptureStderr();
        EXPECT_EQ(link.next(), "<closed>");
        EXPECT_EQ(testing::internal::GetCapturedStderr().empty(), !insidePrefix);
        EXPECT_EQ(link.next(), "<closed>") << "a closed link must not block";
    }
}
