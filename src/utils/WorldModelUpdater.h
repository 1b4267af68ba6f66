// Applies one perception message to the world model. Temporary minimal
// version: it only takes the server time; the full update replaces it.
#pragma once

class WorldModelUpdater {
public:
    WorldModelUpdater() = default;
    // Stores the address of the caller's cursor; parsing advances it.
    void setMessage(char** message) { strMsg = message; }
    void parseMessage();

private:
    char** strMsg = nullptr;
};
