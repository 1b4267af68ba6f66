// Where a tuner finds one worker: a learnagent's learning link, "HOST:PORT".
#pragma once

#include <sys/types.h>

#include <cstdlib>
#include <string>

struct WorkerEndpoint {
    std::string host;
    int port = 0;
    // A learnagent this tuner started; -1 for one started elsewhere.
    pid_t pid = -1;

    std::string name() const { return host + ":" + std::to_string(port); }

    // "HOST:PORT" with a port from 1 to 65535; false when it is not one.
    static bool parse(const std::string& text, WorkerEndpoint& endpoint) {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
        const std::string portText = text.substr(colon + 1);
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        const long port = std::strtol(portText.c_str(), nullptr, 10);
        if (port < 1 || port > 65535) return false;
        endpoint.host = text.substr(0, colon);
        endpoint.port = static_cast<int>(port);
        endpoint.pid = -1;
        return true;
    }
};
