#include "utils/ServerCommunicationManager.h"

#include <cstring>
#include <iostream>

namespace {
ServerCommunicationManager* s_Instance = nullptr;
}

ServerCommunicationManager* ServerCommunicationManager::getUniqueInstance() {
    if (s_Instance == nullptr) {
        s_Instance = new ServerCommunicationManager();
    }
    return s_Instance;
}

ServerCommunicationManager::ServerCommunicationManager()
    : buf(std::make_unique<char[]>(kBufSize + 1)) {}

ServerCommunicationManager::~ServerCommunicationManager() {
    if (s_Instance == this) {
        s_Instance = nullptr;
    }
}

bool ServerCommunicationManager::connect2(int port, const char* host) {
    if (connected) {
        std::cerr << "ServerCommunicationManager::connect2(): Already Connected To Server!"
                  << std::endl;
    }
    hostName = host != nullptr ? host : "";
    this->port = port;
    // Release the old connection before opening the new one, so its socket
    // is closed and the server sees this player leave.
    con.reset();
    con = std::make_unique<TRoboCupConnection>(hostName.c_str(), port);
    connected = con->connected();
    return connected;
}

bool ServerCommunicationManager::sendMsg(const char* text) {
    return con != nullptr && con->sendCommand(text);
}

bool ServerCommunicationManager::sendMsg(const std::string& text) { return sendMsg(text.c_str()); }

char* ServerCommunicationManager::readMsg() {
    std::memset(buf.get(), 0, bufSize + 1);
    if (con == nullptr) {
        return nullptr;
    }
    if (!con->getMessage(buf.get(), bufSize) && !con->connected()) {
        return nullptr;
    }
    return buf.get();
}

void ServerCommunicationManager::disconnect() {
    if (con != nullptr) {
        con->closeConnection();
    }
    connected = false;
}
