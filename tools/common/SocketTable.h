// What the system's socket table and fieldsim's console tell about robots
// joining a match. The league and the end-to-end tests both hold fieldsim and
// let the players join one at a time, in a fixed order, so that which team
// plays on the left never depends on how busy the machine is; they wait on
// these readings.
#pragma once

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace sockettable {

// TCP sockets of this network namespace on local `port` in `state` (hex, as
// the system lists them: "0A" listening, "01" established), counting only
// those holding bytes not yet read when `unreadOnly`. The system may list a
// socket twice in one reading while connections come and go (seen: four
// counted of three), so each is counted once, by its remote end.
inline int socketsOnPort(unsigned short port, const std::string& state, bool unreadOnly) {
    // One line per socket: "sl local rem st tx_queue:rx_queue ...", the
    // addresses as hex "address:port".
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    std::set<std::string> found;
    while (std::getline(table, line)) {
        std::istringstream cells(line);
        std::string slot, local, remote, st, queues;
        cells >> slot >> local >> remote >> st >> queues;
        const size_t colon = local.rfind(':');
        const size_t queueColon = queues.find(':');
        if (colon == std::string::npos || queueColon == std::string::npos || st != state) continue;
        char* end = nullptr;
        if (std::strtoul(local.c_str() + colon + 1, &end, 16) != port) continue;
        const unsigned long unread = std::strtoul(queues.c_str() + queueColon + 1, &end, 16);
        if (!unreadOnly || unread > 0) found.insert(remote);
    }
    return static_cast<int>(found.size());
}

// fieldsim's console line for each robot that joins a team: "... (left 2 VOR) joined".
inline int joinedLines(const std::string& console) {
    int n = 0;
    for (size_t at = console.find(") joined"); at != std::string::npos;
         at = console.find(") joined", at + 1))
        ++n;
    return n;
}

}  // namespace sockettable
