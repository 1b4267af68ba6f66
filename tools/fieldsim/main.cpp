// fieldsim: the stand-in simulation server the agent is tested and shown against.
#include <csignal>
#include <iostream>
#include <string>

#include "app/CommandLine.h"
#include "game/Scenario.h"
#include "net/Server.h"
#include "game/Simulation.h"

namespace {

Server* gServer = nullptr;

void onSignal(int) {
    if (gServer) gServer->requestStop();
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    switch (CommandLine::parse(argc, argv, options, error)) {
        case CommandLine::Outcome::Help:
            std::cout << CommandLine::helpText();
            return 0;
        case CommandLine::Outcome::Error:
            std::cerr << "fieldsim: " << error << "\n(fieldsim --help lists the options)\n";
            return 2;
        case CommandLine::Outcome::Run:
            break;
    }

    Scenario scenario;
    if (!options.scenarioFile.empty() && !Scenario::load(options.scenarioFile, scenario, error)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 2;
    }

    Simulation simulation(options, std::cout);
    simulation.setScenario(scenario);
    if (!simulation.openTruthLog(error)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 1;
    }

    Server server(options, simulation, std::cout);
    if (!server.start(error)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 1;
    }

    std::signal(SIGPIPE, SIG_IGN);
    gServer = &server;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::cout << "fieldsim listening on " << options.bindAddress << ":" << server.port() << " ("
              << (options.pace == Pace::Lockstep ? "lockstep" : "realtime") << " pace)" << std::endl;
    if (server.monitorPort() > 0) {
        std::cout << "monitor at http://127.0.0.1:" << server.monitorPort() << "/" << std::endl;
    }
    server.run();
    gServer = nullptr;
    simulation.log(simulation.summary());
    return 0;
}
