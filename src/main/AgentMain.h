// The agent's runtime: command line, start-up exchange with the server, the
// perception-decision-action cycle and the replay of a command log.
#pragma once

#include <string>

// Process-wide options, set from the command line before the cycle starts.
struct AgentOptions {
    static constexpr int kTeamNameSize = 64;  // at most 63 characters and the terminator
    char teamName[kTeamNameSize] = "VOR";
    int unum = 0;
    std::string hostName = "127.0.0.1";
    unsigned int port = 3100;  // fixed: no option changes it
    bool enableLog = false;
    bool replayMode = false;
    std::string logPath;
    // The skills' tuned values: a folder of parameter files named on the
    // command line (empty: the default folders), or the design values.
    std::string paramsDir;
    bool designParams = false;
};

AgentOptions& agentOptions();

// The message buffer of the cycle holds the largest message the server link
// accepts, so no perception is ever cut.
constexpr int MAX = 4096 + 1;

void printGreeting();
void printHelp();
// Walks the command line; "--help" (and a host that is too short) exit the process.
void readOptions(int argc, char** argv);
bool init();
void run();
void replay();
// Next message of the server; nullptr once the server has closed the connection.
char* readMsg();
char* getMsg();
void sendMsg(const std::string& cmd);
void readSettingsFromFile();

// The whole program: banner, options, start-up, cycle or replay, exit line.
int agentMain(int argc, char** argv);
