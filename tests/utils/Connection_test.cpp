// The server link (socket wrapper, length-prefixed framing, the runtime's
// link) and the optimiser link.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "utils/Communicator.h"
#include "utils/ServerCommunicationManager.h"
#include "utils/TRoboCupConnection.h"

namespace {

// The text as it travels: 4-byte big-endian length, then the text.
std::string frame(const std::string& text) {
    const std::uint32_t prefix = htonl(static_cast<std::uint32_t>(text.size()));
    return std::string(reinterpret_cast<const char*>(&prefix), 4) + text;
}

void writeAll(int fd, const std::string& data) {
    EXPECT_EQ(::send(fd, data.data(), data.size(), MSG_NOSIGNAL), ssize_t(data.size()));
}

// Every exchange here takes milliseconds; a read still waiting after this
// long waits for bytes that will never come.
constexpr int kReadLimitMs = 5000;

// Exactly `count` bytes, or fewer when the peer closes first; a failure
// when they do not come in time.
std::string readExactly(int fd, std::size_t count) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadLimitMs);
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            ADD_FAILURE() << "only " << out.size() << " of " << count << " bytes came";
            break;
        }
        char chunk[256];
        const ssize_t n = ::recv(fd, chunk, std::min(sizeof chunk, count - out.size()), 0);
        if (n <= 0) break;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    return out;
}

// For reads inside the code under test, which wait as long as the peer is
// there: once the limit has passed, the peer's end is shut, so the read ends
// as on a closed link and the test fails instead of hanging.
class ReadDeadline {
public:
    explicit ReadDeadline(int peerFd)
        : guard([this, peerFd] {
              std::unique_lock<std::mutex> lock(mutex);
              if (!woken.wait_for(lock, std::chrono::milliseconds(kReadLimitMs), [this] { return over; })) {
                  ADD_FAILURE() << "a read waited more than " << kReadLimitMs << " ms; the link was cut";
                  ::shutdown(peerFd, SHUT_RDWR);
              }
          }) {}
    ~ReadDeadline() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            over = true;
        }
        woken.notify_one();
        guard.join();
    }

private:
    std::mutex mutex;
    std::condition_variable woken;
    bool over = false;
    std::thread guard;
};

// Closes a raw descriptor at the end of the scope.
struct Fd {
    explicit Fd(int value = -1) : fd(value) {}
    ~Fd() { reset(); }
    void reset() { ::close(fd), fd = -1; }
    int fd;
};

// A TCP socket on an ephemeral loopback port, listening or merely holding it.
struct LoopbackPort {
    explicit LoopbackPort(bool listening) : socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(self);
        ::bind(socket.fd, reinterpret_cast<sockaddr*>(&self), size);
        ::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&self), &size);
        if (listening) ::listen(socket.fd, 8);
        port = ntohs(self.sin_port);
    }
    int acceptOne() const { return ::accept(socket.fd, nullptr, nullptr); }
    Fd socket;
    int port = 0;
};

// A framing connection on one end of a socketpair; the test plays the
// server on `peer`.
struct Linked {
    Linked() {
        int fds[2];
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
        con.attachSocket(fds[0]);
        peer.fd = fds[1];
        deadline = std::make_unique<ReadDeadline>(peer.fd);
    }
    // The next message, or "<refused>" / "<closed>".
    std::string next() {
        std::vector<char> dest(4096 + 1, 'x');
        if (con.getMessage(dest.data(), 4096)) return dest.data();
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
    std::unique_ptr<ReadDeadline> deadline;
};

}  // namespace

// Cut at every byte (inside either prefix too), and at the end, where one
// read brings all messages: the bytes behind the first are kept for the next.
TEST(TRoboCupConnection, SplitAndMergedMessagesAreDeliveredInOrder) {
    const std::string first = "(time (now 12.34))(GS (t 0.00) (pm BeforeKickOff))";
    const std::string stream = frame(first) + frame("") + frame("(HJ (n hj1) (ax -0.00))");
    for (std::size_t cut = 1; cut <= stream.size(); ++cut) {
        Linked link;
        std::thread writer = link.writeInPieces({stream.substr(0, cut), stream.substr(cut)});
        EXPECT_EQ(link.next(), first) << "cut at " << cut;
        EXPECT_EQ(link.next(), "") << "cut at " << cut;
        EXPECT_EQ(link.next(), "(HJ (n hj1) (ax -0.00))") << "cut at " << cut;
        writer.join();
        if (HasFailure()) break;  // one cut tells; the others would only repeat it
    }
}

TEST(TRoboCupConnection, CapacityFitsTooLongIsRefusedAndSkipped) {
    Linked link;
    // The byte behind the capacity + 1 bytes of the destination stays untouched.
    writeAll(link.peer.fd, frame(std::string(4096, 'a')));
    std::vector<char> dest(4096 + 2, '#');
    ASSERT_TRUE(link.con.getMessage(dest.data(), 4096));
    EXPECT_EQ(std::string(dest.data()), std::string(4096, 'a'));
    EXPECT_EQ(dest[4097], '#');
    // The payload to skip arrives only after the refusal, in pieces.
    const std::string longOne = frame(std::string(4097, 'c')) + frame("(later)");
    std::thread writer =
        link.writeInPieces({longOne.substr(0, 10), longOne.substr(10, 3000), longOne.substr(3010)});
    EXPECT_EQ(link.next(), "<refused>");
    EXPECT_EQ(link.next(), "(later)");
    writer.join();
}

TEST(TRoboCupConnection, EndsWhenThePeerClosesAnywhere) {
    for (bool insidePrefix : {false, true}) {
        Linked link;
        writeAll(link.peer.fd, frame("(a)") + std::string(insidePrefix ? 2 : 0, '\0'));
        link.peer.reset();
        testing::internal::CaptureStderr();
        // A send to a vanished peer is false and a line, not a SIGPIPE.
        EXPECT_FALSE(link.con.sendCommand("(he1 1.0)"));
        EXPECT_EQ(link.next(), "(a)");
        EXPECT_EQ(link.next(), "<closed>");
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(link.next(), "<closed>") << "a closed link must not block";
    }
}

TEST(ServerCommunicationManager, ConnectFailuresReconnectingAndClosing) {
    ServerCommunicationManager* scm = ServerCommunicationManager::getUniqueInstance();
    LoopbackPort bound(false);  // holds the port: nothing listens there
    testing::internal::CaptureStderr();
    EXPECT_FALSE(scm->connect2(bound.port, "127.0.0.1"));
    EXPECT_FALSE(scm->connect2(3100, "no-such-host.invalid"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(std::string("TConnection::openConnection: ") + std::strerror(ECONNREFUSED)),
              std::string::npos) << err;
    EXPECT_NE(err.find("TConnection::gethostbyname: "), std::string::npos) << err;
    LoopbackPort server(true);
    ASSERT_TRUE(scm->connect2(server.port, "127.0.0.1"));
    Fd firstPeer(server.acceptOne());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(scm->connect2(server.port, "localhost"));
    testing::internal::GetCapturedStderr();
    Fd peer(server.acceptOne());
    EXPECT_EQ(readExactly(firstPeer.fd, 1), "") << "the replaced connection is closed";
    ASSERT_TRUE(scm->sendMsg("(syn)"));
    EXPECT_EQ(readExactly(peer.fd, 9), std::string("\0\0\0\x05(syn)", 9));
    peer.reset();
    EXPECT_EQ(scm->readMsg(), nullptr);
    // The start-up deletes the link when it cannot connect; a new one follows.
    delete scm;
    EXPECT_FALSE(ServerCommunicationManager::getUniqueInstance()->isConnected());
}

TEST(Communicator, OptimiserLinkFramesBothWaysAndSkipsTooLongTexts) {
    LoopbackPort server(true);
    Communicator comm(4096, true);
    ASSERT_TRUE(comm.connect2(static_cast<unsigned>(server.port), "127.0.0.1"));
    Fd peer(server.acceptOne());
    ReadDeadline deadline(peer.fd);
    ASSERT_TRUE(comm.sendMsg("(done 0.5)"));
    EXPECT_EQ(readExactly(peer.fd, 14), frame("(done 0.5)"));
    // 4096 - 5 characters is too long for the buffer and skipped whole.
    writeAll(peer.fd, frame("1.25 -3.5 7") + frame(std::string(4092, 'x')) +
                          frame(std::string(4091, 'y')));
    EXPECT_STREQ(comm.readMsg(), "1.25 -3.5 7");
    testing::internal::CaptureStderr();
    EXPECT_STREQ(comm.readMsg(), "");
    EXPECT_STREQ(comm.readMsg(), std::string(4091, 'y').c_str());
    testing::internal::GetCapturedStderr();
}
