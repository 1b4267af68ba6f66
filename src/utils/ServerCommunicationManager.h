// The agent's one link to the simulation server, shared by the whole process.
#pragma once

#include <memory>
#include <string>

#include "utils/TRoboCupConnection.h"

class ServerCommunicationManager {
public:
    // The longest message text accepted from the server.
    static constexpr unsigned kBufSize = 4096;

    // Created on first use. Deleting the instance is allowed (the start-up
    // does so when it cannot connect); the next call then creates a new one.
    static ServerCommunicationManager* getUniqueInstance();
    // Closes and releases the current connection.
    ~ServerCommunicationManager();

    ServerCommunicationManager(const ServerCommunicationManager&) = delete;
    ServerCommunicationManager& operator=(const ServerCommunicationManager&) = delete;

    // Opens a new connection to `host`:`port`, replacing (and closing) any
    // previous one. When already connected, first prints
    // "ServerCommunicationManager::connect2(): Already Connected To Server!".
    // True when the new connection is up.
    bool connect2(int port, const char* host);
    // One framed command; false when there is no connection or it failed.
    bool sendMsg(const char* text);
    bool sendMsg(const std::string& text);
    // Waits for the next message. The text (at most kBufSize characters) is
    // valid until the next call; it is empty when the message was refused
    // as too long. nullptr when the connection is closed (or was never made).
    char* readMsg();
    // Closes the connection; a later connect2() opens a new one.
    void disconnect();

    // Whether the link is up right now (false once the server has closed it).
    bool isConnected() const { return connected && con != nullptr && con->connected(); }
    const std::string& getHostName() const { return hostName; }
    int getPort() const { return port; }

private:
    ServerCommunicationManager();

    std::unique_ptr<char[]> buf;  // bufSize + 1 bytes: the text and its terminator
    unsigned bufSize = kBufSize;
    bool connected = false;
    std::unique_ptr<TRoboCupConnection> con;
    std::string hostName;
    int port = -1;
};
