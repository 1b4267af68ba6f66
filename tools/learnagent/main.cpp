// learnagent: the driver of the learning framework. It connects the server
// link, creates one learner (which waits for the optimiser on port 4100 and
// restarts the simulator), and then, once per server cycle, applies the
// perception to the world model, lets the learner run its cycle in place of
// the decision-making unit and sends the command the learner prepared.

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "LearnAgentOptions.h"
#include "LearnerFactory.h"
#include "ai/learning/ChildSimulator.h"
#include "ai/learning/ShellSimulator.h"
#include "etc/SkillParams.h"
#include "utils/CommandCreator.h"
#include "utils/ServerCommunicationManager.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const char* const kFieldsimLog = "fieldsim.log";
const char* const kCommandLog = "simulator.log";

// A stopped learnagent must not leave its simulator running.
extern "C" void onStopSignal(int sig) {
    ChildSimulator::stopRunningChild();
    ::_exit(128 + sig);
}

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

std::unique_ptr<SimulatorControl> makeSimulator(const LearnAgentOptions& options,
                                                const char* argv0) {
    if (options.simulator == LearnAgentOptions::Simulator::Shell) {
        return std::make_unique<ShellSimulator>();
    }
    if (options.simulator == LearnAgentOptions::Simulator::Command) {
        std::cout << "Simulator: " << options.command << " (console in " << kCommandLog << ")"
                  << std::endl;
        return ChildSimulator::fromCommand(options.command, kCommandLog);
    }
    std::string program = options.fieldsimPath;
    if (program.empty()) {
        program = SkillParams::programDirectory(argv0) + "/fieldsim";
    }
    // Lockstep, so episodes run as fast as the agent answers; the whole
    // field in view, because the agent places itself by all four corner
    // flags and the learners measure the run by that place.
    std::vector<std::string> args = {"--pace", "lockstep", "--full-view"};
    args.insert(args.end(), options.fieldsimArgs.begin(), options.fieldsimArgs.end());
    std::cout << "Simulator: " << program << " --pace lockstep --full-view (console in "
              << kFieldsimLog << ")" << std::endl;
    return std::make_unique<ChildSimulator>(program, args, kFieldsimLog);
}

void applyPerception(const char* received, std::vector<char>& area) {
    std::strncpy(area.data(), received, area.size() - 1);
    area.back() = '\0';
    char* cursor = area.data();
    WorldModelUpdater updater;
    updater.setMessage(&cursor);
    updater.parseMessage();
}

}  // namespace

int main(int argc, char** argv) {
    LearnAgentOptions options;
    std::string error;
    switch (parseLearnAgentOptions(argc, argv, options, error)) {
        case LearnAgentParse::Help:
            printLearnAgentHelp(std::cout);
            return 0;
        case LearnAgentParse::Error:
            std::cerr << "learnagent: " << error << "\nTry 'learnagent --help'." << std::endl;
            return 2;
        case LearnAgentParse::Run:
            break;
    }
    installStopHandlers();

    std::unique_ptr<SimulatorControl> simulator = makeSimulator(options, argv[0]);
    ServerCommunicationManager* SCM = ServerCommunicationManager::getUniqueInstance();
    if (!SCM->connect2(simulator->serverPort(), simulator->serverHost().c_str())) {
        std::cout << "No simulator is running yet; the learner starts one." << std::endl;
    }
    GameConf::getUniqueInstance()->init();
    WorldModel* WM = WorldModel::getUniqueInstance();
    WM->setMyNum(0);
    WM->setTeamName(LearnerFactory::teamNameOf(options.learner));
    CommandCreator* CC = CommandCreator::getUniqueInstance();

    std::unique_ptr<LearningBase> learner =
        LearnerFactory::create(options.learner, std::move(simulator));
    if (!learner) {
        std::cerr << "learnagent: unknown learner '" << options.learner << "'" << std::endl;
        return 2;
    }

    std::vector<char> area(ServerCommunicationManager::kBufSize + 1, '\0');
    int status = 0;
    for (;;) {
        const char* received = SCM->readMsg();
        if (received == nullptr) {
            std::cerr << "learnagent: the simulator closed the connection in episode "
                      << learner->getEpisodCount() << "; learning stops." << std::endl;
            status = 1;
            break;
        }
        CC->reset();
        applyPerception(received, area);
        learner->learn();
        SCM->sendMsg(CC->getPreparedCommand());
        if (!learner->isOptimiserConnected()) {
            std::cout << "learnagent: the optimiser has closed the learning link after "
                      << learner->getEpisodCount() - 1 << " episodes; learning stops." << std::endl;
            break;
        }
    }
    // Ends the simulator this run started (a child simulator is stopped).
    learner.reset();
    std::cout << "learnagent exited." << std::endl;
    return status;
}
