// A listening socket on 127.0.0.1 at a port the system picks, for tests that
// play the other end of a link (an optimiser, a worker).
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The listening descriptor; `port` gets the port it listens on.
inline int listenOnLoopback(unsigned short& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    EXPECT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&self), size), 0);
    EXPECT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&self), &size);
    port = ntohs(self.sin_port);
    return listener;
}
