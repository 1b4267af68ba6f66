// A network of the process's own: a fresh network namespace with only its
// loopback, up. Each match plays in one, so that every match's fieldsim
// listens on the agents' fixed port 3100 without meeting another's (or
// another developer's).
#pragma once

#include <string>

class NetworkNamespace {
public:
    // Moves the calling process, which must have no other threads, into a
    // new network namespace and brings its loopback up. As root the network
    // namespace alone; otherwise inside a user namespace of its own that maps
    // the caller to root, as `unshare -rn` does. False (and why) when the
    // system allows neither.
    static bool enter(std::string& error);
    // Whether enter() works here, tried in a child process that ends at once.
    static bool available(std::string& why);
};
