// fieldsim: the stand-in simulation server the agent is tested and shown against.
#include <csignal>
#include <iostream>
#include <string>

#include <unistd.h>

#include "app/CommandLine.h"
#include "app/ConsoleWriter.h"
#include "app/PlayTrace.h"
#include "game/Scenario.h"
#include "net/Server.h"
#include "game/Simulation.h"
#include "replay/ReplayRunner.h"

namespace {

Server* gServer = nullptr;
ReplayRunner* gReplay = nullptr;

void onSignal(int) {
    if (gServer) gServer->requestStop();
    if (gReplay) gReplay->requestStop();
}

// Serves a recorded game until stopped by a signal.
int replay(const SimOptions& options) {
    ConsoleWriter consoleOut(STDOUT_FILENO);
    std::ostream console(&consoleOut);
    ReplayRunner runner(options, console);
    std::string error;
    if (!runner.start(error)) {
        consoleOut.drain(2.0);
        std::cerr << "fieldsim: " << error << "\n";
        return 1;
    }
    gReplay = &runner;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    console << "replay at http://127.0.0.1:" << runner.port() << "/" << std::endl;
    runner.run();
    gReplay = nullptr;
    consoleOut.drain(2.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A console or client that went away must end a write, not the server.
    std::signal(SIGPIPE, SIG_IGN);
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
    if (!options.replayPath.empty()) return replay(options);
    if (!options.playTracePath.empty()) return PlayTrace::run(options, std::cout, std::cerr);

    Scenario scenario;
    ScenarioBounds bounds;
    bounds.halfLength = options.fieldLength / 2.0;
    bounds.halfWidth = options.fieldWidth / 2.0;
    if (!options.scenarioFile.empty() && !Scenario::load(options.scenarioFile, scenario, error, bounds)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 2;
    }

    // Everything after start-up goes to the console through a writer that
    // never waits for a reader, so a console nobody reads cannot stall the game.
    ConsoleWriter consoleOut(STDOUT_FILENO);
    std::ostream console(&consoleOut);
    Simulation simulation(options, console);
    simulation.setScenario(scenario);
    if (!simulation.openTruthLog(error)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 1;
    }

    Server server(options, simulation, console);
    if (!server.start(error)) {
        std::cerr << "fieldsim: " << error << "\n";
        return 1;
    }

    gServer = &server;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    console << "fieldsim listening on " << options.bindAddress << ":" << server.port() << " ("
            << (options.pace == Pace::Lockstep ? "lockstep" : "realtime") << " pace)" << std::endl;
    if (server.monitorPort() > 0) {
        console << "monitor at http://127.0.0.1:" << server.monitorPort() << "/" << std::endl;
    }
    server.run();
    gServer = nullptr;
    simulation.log(simulation.summary());
    // The summary matters most; give a slow reader a moment for it, not forever.
    consoleOut.drain(2.0);
    return 0;
}
