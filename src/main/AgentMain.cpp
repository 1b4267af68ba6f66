#include "main/AgentMain.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

#include <unistd.h>

#include "buildMode.h"
#include "dmu/DMU.h"
#include "etc/SettingsManager.h"
#include "etc/SkillParams.h"
#include "utils/CommandCreator.h"
#include "utils/CommandLogger.h"
#include "utils/ServerCommunicationManager.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const char* const kTraceFile = "Msg.txt";

std::vector<char>& msgBuffer() {
    static std::vector<char> msg(MAX, '\0');  // allocated once at program start
    return msg;
}

// The command logger exists only when logging or replay was asked for.
std::unique_ptr<CommandLogger>& commandLogger() {
    static std::unique_ptr<CommandLogger> CL;
    return CL;
}

// Copies at most capacity - 1 characters and always terminates.
void copyBounded(char* dest, size_t capacity, const char* src) {
    size_t n = std::strlen(src);
    if (n >= capacity) n = capacity - 1;
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

void parseInto(char* buffer) {
    char* cursor = buffer;
    WorldModelUpdater updater;
    updater.setMessage(&cursor);
    updater.parseMessage();
}

}  // namespace

AgentOptions& agentOptions() {
    static AgentOptions options;
    return options;
}

void printGreeting() {
    std::cout << "\t\t* * * * < < < < <   V U D   2 0 0 8     > > > > > * * * *\n";
}

void printHelp() {
    std::cout << "No Help Available Yet!" << std::endl;
    // The historical one-liner above stays first; users still deserve the
    // options, in both builds (a league asks the program what it takes).
    if constexpr (kCompetitionBuild) {
        std::cout << "Usage: matchagent [--teamname NAME] [--unum N] [--host HOST]\n"
                     "                  [--params DIR | --design-params]\n"
                     "  --teamname NAME  team name sent with init (default VOR, at most 63 chars)\n"
                     "  --unum N         uniform number (default 0: the server picks)\n"
                     "  --host HOST      server host name or address (default 127.0.0.1; must be\n"
                     "                   at least 8 characters long; any word starting with -h\n"
                     "                   is this option)\n";
    } else {
        std::cout << "Usage: agent [--teamname NAME] [--unum N] [--host HOST]\n"
                     "             [--enable-log | --disable-log] [--replay FILE]\n"
                     "             [--params DIR | --design-params]\n"
                     "  --teamname NAME  team name sent with init (default VOR, at most 63 chars)\n"
                     "  --unum N         uniform number (default 0: the server picks)\n"
                     "  --host HOST      server host name or address (default 127.0.0.1;\n"
                     "                   must be at least 8 characters long)\n"
                     "  --enable-log     log every sent command to log/cmdLog_N.txt\n"
                     "  --disable-log    do not log commands (default)\n"
                     "  --replay FILE    send the commands of a log again, one per message\n"
                     "                   (an empty FILE replays the most recent log)\n";
    }
    std::cout << "  --params DIR     the skills' tuned values from the parameter files in DIR\n"
                 "                   (default: ./params, else the params folder beside the\n"
                 "                   program)\n"
                 "  --design-params  the values the skills were designed with: no files,\n"
                 "                   whatever --params says\n"
                 "  --help           this text\n"
                 "The server port is always 3100.\n";
}

void readOptions(int argc, char** argv) {
    AgentOptions& o = agentOptions();
    for (int i = 0; i < argc; ++i) {
        const char* word = argv[i];
        if (word == nullptr) continue;
        // An option that needs an argument but comes last is treated as absent.
        const bool hasNext = (i + 1 < argc) && argv[i + 1] != nullptr;
        bool isHost = std::strncmp(word, "--host", 6) == 0;
        if constexpr (kCompetitionBuild) {
            isHost = isHost || std::strncmp(word, "-h", 2) == 0;
        }
        if (std::strcmp(word, "--help") == 0) {
            printHelp();
            std::exit(0);
        } else if (std::strcmp(word, "--teamname") == 0) {
            if (!hasNext) continue;
            copyBounded(o.teamName, sizeof o.teamName, argv[++i]);
        } else if (std::strcmp(word, "--unum") == 0) {
            if (!hasNext) continue;
            o.unum = std::atoi(argv[++i]);
        } else if (isHost) {
            if (!hasNext) continue;
            const char* host = argv[++i];
            if (std::strlen(host) < 8) {
                printHelp();
                if constexpr (!kCompetitionBuild) std::cout << "Short" << std::endl;
                std::exit(0);
            }
            o.hostName = host;
        } else if (std::strcmp(word, "--enable-log") == 0) {
            o.enableLog = true;
        } else if (std::strcmp(word, "--disable-log") == 0) {
            o.enableLog = false;
        } else if (std::strcmp(word, "--params") == 0) {
            if (!hasNext) continue;
            o.paramsDir = argv[++i];
        } else if (std::strcmp(word, "--design-params") == 0) {
            o.designParams = true;
        } else if (std::strcmp(word, "--replay") == 0) {
            o.replayMode = true;
            o.enableLog = false;
            if (hasNext) o.logPath = argv[++i];
        }
    }
}

char* getMsg() { return msgBuffer().data(); }

char* readMsg() {
    std::vector<char>& msg = msgBuffer();
    std::fill(msg.begin(), msg.end(), '\0');
    char* received = ServerCommunicationManager::getUniqueInstance()->readMsg();
    if (received == nullptr) return nullptr;
    copyBounded(msg.data(), msg.size(), received);
    return msg.data();
}

void sendMsg(const std::string& cmd) {
    const AgentOptions& o = agentOptions();
    ServerCommunicationManager* SCM = ServerCommunicationManager::getUniqueInstance();
    CommandLogger* CL = commandLogger().get();
    if (o.enableLog) {
        if (CL) CL->log(cmd);
        SCM->sendMsg(cmd.c_str());
    } else if (o.replayMode) {
        std::string logged;
        if (CL && CL->getCmd(logged)) SCM->sendMsg(logged);
        else SCM->sendMsg("");
    } else {
        SCM->sendMsg(cmd.c_str());
    }
}

void readSettingsFromFile() { SettingsManager::getUniqueInstance()->readAndSaveSettings(); }

bool init() {
    AgentOptions& o = agentOptions();
    if constexpr (!kCompetitionBuild) {
        std::ofstream trace(kTraceFile, std::ios::out | std::ios::trunc);
        std::cerr << o.teamName << ": connecting to " << o.hostName << ":" << o.port << "... ";
    }
    ServerCommunicationManager* SCM = ServerCommunicationManager::getUniqueInstance();
    if (!SCM->connect2(static_cast<int>(o.port), o.hostName.c_str())) {
        delete SCM;
        return false;
    }
    devOut("Done.\n");
    std::cout.flush();

    if (o.enableLog || o.replayMode) commandLogger().reset(new CommandLogger(o.logPath, o.replayMode));

    CommandCreator* CC = CommandCreator::getUniqueInstance();
    WorldModel* WM = WorldModel::getUniqueInstance();
    DMU::getUniqueInstance();

    sendMsg(GameConf::getUniqueInstance()->getRSGPath());
    WM->setMyNum(o.unum);
    WM->setTeamName(o.teamName);

    std::vector<char> buffer(4096 + 1, '\0');
    char* received = SCM->readMsg();
    if (received == nullptr) {
        std::cerr << "The server closed the connection before the first perception." << std::endl;
        return false;
    }
    copyBounded(buffer.data(), buffer.size(), received);
    parseInto(buffer.data());

    GameConf::getUniqueInstance()->init();
    CC->init(o.unum, o.teamName);
    sendMsg(CC->getPreparedCommand());

    CC->reset();
    received = SCM->readMsg();
    if (received == nullptr) {
        std::cerr << "The server closed the connection before the second perception." << std::endl;
        return false;
    }
    copyBounded(buffer.data(), buffer.size(), received);
    parseInto(buffer.data());

    if constexpr (!kCompetitionBuild) CC->beam(-0.5f, 4.0f, 0.6f);
    sendMsg(CC->getPreparedCommand());
    return true;
}

void run() {
    const bool trace = !kCompetitionBuild;
    std::vector<char> work(MAX, '\0');  // allocated once per run
    CommandCreator* CC = CommandCreator::getUniqueInstance();
    DMU* dmu = DMU::getUniqueInstance();
    while (readMsg() != nullptr) {
        CC->reset();
        copyBounded(work.data(), work.size(), getMsg());
        if (trace) {
            std::ofstream logMsg(kTraceFile, std::ios::out | std::ios::app);
            logMsg << work.data() << "\n\n";
        }
        parseInto(work.data());
        sendMsg(dmu->behave());
    }
}

void replay() {
    const int stopTime = 3;
    ServerCommunicationManager* SCM = ServerCommunicationManager::getUniqueInstance();
    CommandLogger* CL = commandLogger().get();
    for (;;) {
        if (readMsg() == nullptr) {
            devOut("Exited!\n");
            return;
        }
        // Only the end of the log ends the replay; a logged empty command is
        // replayed as an empty command.
        std::string logged;
        if (CL == nullptr || !CL->getCmd(logged)) {
            devOut("End of logfile!\n", "Exiting within ", stopTime, " seconds...\n");
            std::cout.flush();
            sleep(stopTime);
            devOut("Exited!\n");
            return;
        }
        SCM->sendMsg(logged);
    }
}

int agentMain(int argc, char** argv) {
    printGreeting();
    readOptions(argc, argv);
    SkillParams* params = SkillParams::getUniqueInstance();
    params->configure(agentOptions().designParams, agentOptions().paramsDir,
                      SkillParams::programDirectory(argc > 0 ? argv[0] : nullptr));
    devOut("Skill parameters: ", params->source(), "\n");
    if (!init()) return 1;
    if (agentOptions().replayMode) replay();
    else run();
    DMU::destroyInstance();
    std::cout << "\nVOR Agent exited successfuly!" << std::endl;
    return 0;
}
