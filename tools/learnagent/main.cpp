// learnagent: the driver of the learning framework. It loads the skills'
// tuned values as the agent does, waits for the optimiser on the link port,
// and then runs each episode in a process of its own (EpisodeRunner): there
// one learner restarts the simulator and, once per server cycle, applies the
// perception to the world model, runs its cycle in place of the
// decision-making unit and sends the command it prepared.

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "EpisodeRunner.h"
#include "LearnAgentOptions.h"
#include "LearnerFactory.h"
#include "StopSignals.h"
#include "ai/learning/ChildSimulator.h"
#include "ai/learning/LearningBase.h"
#include "etc/SkillParams.h"
#include "utils/Communicator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// A stopped learnagent must not leave a simulator or an episode running:
// the parent passes the signal to the episode's process, which stops its
// simulator.
extern "C" void onStopSignal(int sig) {
    EpisodeRunner::stopRunningEpisode(sig);
    ChildSimulator::stopRunningChild();
    ::_exit(128 + sig);
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
    installStopHandlers(onStopSignal);

    // Everything every episode starts from, made once here.
    const std::string programDir = SkillParams::programDirectory(argv[0]);
    SkillParams* skillParams = SkillParams::getUniqueInstance();
    skillParams->configure(options.designParams, options.paramsDir, programDir);
    std::cout << "Skill values: " << skillParams->source() << std::endl;
    GameConf::getUniqueInstance()->init();
    WorldModel* WM = WorldModel::getUniqueInstance();
    WM->setMyNum(0);
    WM->setTeamName(LearnerFactory::teamNameOf(options.learner));
    // The episodes append to it.
    std::ofstream(LearningBase::kLogFile, std::ios::out | std::ios::trunc);

    std::unique_ptr<Communicator> optimiser = LearningBase::listenForOptimiser(options.linkPort);
    EpisodeRunner runner(options, argv[0]);
    const int status = runner.run(*optimiser);
    std::cout << "learnagent exited." << std::endl;
    return status;
}
