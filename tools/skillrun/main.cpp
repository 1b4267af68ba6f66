// skillrun: lets a user watch one skill move. It enters a simulation server
// the way the agent does, then every cycle applies the perception to the
// world model with the agent's own perception update, runs the chosen skill
// through the skill manager as the decision layer would, sends the joint
// commands the skill composed and records the cycle in a CSV file, for a
// given span of server time.

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "CycleCsv.h"
#include "SkillRequester.h"
#include "SkillRunOptions.h"
#include "dmu/DMUtil.h"
#include "etc/SkillParams.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "utils/CommandCreator.h"
#include "utils/ServerCommunicationManager.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// The agent's server port; like the agent, skillrun has no option for it.
constexpr int kServerPort = 3100;
// Server times are kept in single precision; a millisecond of slack keeps
// "exactly S seconds later" from running one cycle too long.
constexpr double kTimeSlack = 1e-3;

// The link's message (at most its buffer size) copied into a writable,
// terminated area, as the perception update needs.
class MessageArea {
public:
    MessageArea() : text(ServerCommunicationManager::kBufSize + 1, '\0') {}
    // False when the server has closed the connection.
    bool read(ServerCommunicationManager* link) {
        const char* received = link->readMsg();
        if (received == nullptr) return false;
        std::strncpy(text.data(), received, text.size() - 1);
        text.back() = '\0';
        return true;
    }
    void applyTo(WorldModelUpdater& updater) {
        char* cursor = text.data();
        updater.setMessage(&cursor);
        updater.parseMessage();
    }

private:
    std::vector<char> text;
};

int usageError(const std::string& error) {
    std::cerr << "skillrun: " << error << "\nTry 'skillrun --help'.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    SkillRunOptions options;
    std::string error;
    switch (parseSkillRunOptions(argc, argv, options, error)) {
        case SkillRunParse::Help:
            printSkillRunHelp(std::cout);
            return 0;
        case SkillRunParse::Error:
            return usageError(error);
        case SkillRunParse::Run:
            break;
    }

    SkillParams::getUniqueInstance()->configure(options.designParams, options.paramsDir,
                                                SkillParams::programDirectory(argv[0]));

    CycleCsv csv;
    if (!csv.open(options.csvPath, error)) {
        std::cerr << "skillrun: " << error << "\n";
        return 1;
    }

    ServerCommunicationManager* link = ServerCommunicationManager::getUniqueInstance();
    if (!link->connect2(kServerPort, options.host.c_str())) {
        std::cerr << "skillrun: cannot connect to " << options.host << ":" << kServerPort << "\n";
        return 1;
    }
    CommandCreator* CC = CommandCreator::getUniqueInstance();
    WorldModel* WM = WorldModel::getUniqueInstance();
    GameConf* GC = GameConf::getUniqueInstance();
    DMUtil* dmutil = DMUtil::getUniqueInstance();
    SkillManager* manager = SkillManager::getUniqueInstance();

    // The agent's start-up exchange, with the beam where the user asked.
    MessageArea message;
    link->sendMsg(GC->getRSGPath());
    WM->setMyNum(options.unum);
    WM->setTeamName(options.teamName);
    {
        WorldModelUpdater startUpdater;
        if (!message.read(link)) {
            std::cerr << "skillrun: the server closed the connection during the start-up\n";
            return 1;
        }
        message.applyTo(startUpdater);
        GC->init();
        CC->init(options.unum, options.teamName.c_str());
        link->sendMsg(CC->getPreparedCommand());
        CC->reset();
        if (!message.read(link)) {
            std::cerr << "skillrun: the server closed the connection during the start-up\n";
            return 1;
        }
        message.applyTo(startUpdater);
        CC->beam(static_cast<float>(options.beamX), static_cast<float>(options.beamY),
                 static_cast<float>(options.beamR));
        link->sendMsg(CC->getPreparedCommand());
    }
    csv.writeHeader(*WM);

    SkillRequester requester(options);
    bool started = false;
    double startTime = 0;
    bool timeUp = false;
    while (message.read(link)) {
        CC->reset();
        WorldModelUpdater updater;
        message.applyTo(updater);
        const double now = WM->getTime();
        if (!started) {
            started = true;
            startTime = now;
        }
        if (now - startTime + kTimeSlack >= options.settle + options.seconds) {
            timeUp = true;
            break;
        }
        // The fall detector advances once per cycle, as in the decision layer.
        const bool fallen = dmutil->isFallen();
        const bool settling = now - startTime + kTimeSlack < options.settle;
        if (settling) {
            // The standing posture the decision layer falls back on.
            PatternAligner standing;
            standing.run();
        } else {
            requester.request(manager, fallen);
        }
        if (!settling && !manager->runSkills()) {
            // The decision layer's fallback when the manager is empty.
            PatternAligner standing;
            standing.run();
        }
        const char* command = CC->getPreparedCommand();
        csv.writeCycle(*WM, command);
        link->sendMsg(command);
    }

    std::cout << "skillrun: " << csv.lines() << " cycles of " << options.skill << " written to "
              << options.csvPath << std::endl;
    if (!csv.ok()) {
        std::cerr << "skillrun: writing " << options.csvPath << " failed\n";
        return 1;
    }
    if (!timeUp) {
        std::cerr << "skillrun: the server closed the connection after " << csv.lines()
                  << " cycles\n";
        return 1;
    }
    return 0;
}
