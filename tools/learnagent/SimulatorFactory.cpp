#include "SimulatorFactory.h"

#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

#include "ai/learning/ChildSimulator.h"
#include "ai/learning/ShellSimulator.h"
#include "etc/SkillParams.h"

namespace {

const char* const kFieldsimLog = "fieldsim.log";
const char* const kCommandLog = "simulator.log";
const char* const kScenarioFile = "learning-scenario.txt";

std::string workingDirectory() {
    std::vector<char> path(PATH_MAX + 1, '\0');
    return ::getcwd(path.data(), PATH_MAX) != nullptr ? std::string(path.data()) : ".";
}

std::unique_ptr<SimulatorControl> makeSimulator(const LearnAgentOptions& options,
                                                const char* argv0);

}  // namespace

std::unique_ptr<SimulatorControl> SimulatorFactory::make(const LearnAgentOptions& options,
                                                         const char* argv0) {
    std::unique_ptr<SimulatorControl> simulator = makeSimulator(options, argv0);
    simulator->setServerPort(static_cast<int>(options.serverPort));
    return simulator;
}

namespace {

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
    // flags and the learners measure the run by that place. The clock
    // waits for the robot, so every episode starts on the same cycle
    // however busy the machine is, and the game goes on (PlayOn, or a
    // kick-off) only after the start beam: the server takes beams only
    // before it.
    char kickoff[32];
    std::snprintf(kickoff, sizeof kickoff, "%g",
                  options.playOnAfter >= 0 ? -1.0 : options.kickoffAfter);
    std::vector<std::string> args = {
        "--pace",     "lockstep", "--full-view",     "--port", std::to_string(options.serverPort),
        "--wait-for", "1",        "--kickoff-after", kickoff};
    if (options.playOnAfter >= 0) {
        // The game goes on without a kick-off, by fieldsim's timed events.
        std::ofstream(kScenarioFile) << options.playOnAfter << " playmode PlayOn\n";
        args.push_back("--scenario");
        args.push_back(workingDirectory() + "/" + kScenarioFile);
    }
    args.insert(args.end(), options.fieldsimArgs.begin(), options.fieldsimArgs.end());
    std::cout << "Simulator: " << program;
    for (const std::string& a : args) std::cout << " " << a;
    std::cout << " (console in " << kFieldsimLog << ")" << std::endl;
    auto child = std::make_unique<ChildSimulator>(program, args, kFieldsimLog);
    // fieldsim says when it takes agents: no fixed pause needed.
    child->setReadyText("listening on");
    return child;
}

}  // namespace
