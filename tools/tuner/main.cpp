// tuner: CMA-ES over the learning link. It proposes parameter vectors to
// one or more learnagents (workers), one per episode, reads back each
// episode's fitness and keeps a CSV line per episode and the best vector
// found so far. Workers are learnagents it starts itself (--workers N) or
// ones started elsewhere (--worker HOST:PORT).

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "LocalWorkers.h"
#include "ParameterFile.h"
#include "StopSignals.h"
#include "TunerOptions.h"
#include "TuningRun.h"
#include "WorkerPool.h"

namespace {

// A stopped tuner must not leave the learnagents it started running (each
// stops its own simulator on SIGTERM).
extern "C" void onStopSignal(int sig) {
    LocalWorkers::terminateAll();
    ::_exit(128 + sig);
}

std::string besideThisProgram(const std::string& name) {
    char path[PATH_MAX + 1] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, PATH_MAX);
    std::string self = n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "";
    const std::size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + name;
}

}  // namespace

int main(int argc, char** argv) {
    TunerOptions options;
    std::string error;
    switch (parseTunerOptions(argc, argv, options, error)) {
        case TunerParse::Help:
            printTunerHelp(std::cout);
            return 0;
        case TunerParse::Error:
            std::cerr << "tuner: " << error << "\nTry 'tuner --help'." << std::endl;
            return 2;
        case TunerParse::Run:
            break;
    }

    std::vector<Parameter> parameters;
    if (!ParameterFile::read(options.paramsPath, parameters, error)) {
        std::cerr << "tuner: " << options.paramsPath << ": " << error << std::endl;
        return 2;
    }
    installStopHandlers(onStopSignal);

    std::vector<WorkerEndpoint> endpoints;
    for (const std::string& text : options.workers) {
        WorkerEndpoint endpoint;
        WorkerEndpoint::parse(text, endpoint);  // checked with the command line
        endpoints.push_back(endpoint);
    }
    std::unique_ptr<LocalWorkers> local;
    if (options.localWorkers > 0) {
        std::vector<std::string> args = {options.learner};
        bool simulatorGiven = false;
        for (const std::string& a : options.learnagentArgs) {
            if (a.rfind("--simulator", 0) == 0) simulatorGiven = true;
        }
        if (!simulatorGiven) {
            args.push_back("--simulator");
            args.push_back("fieldsim");
        }
        args.insert(args.end(), options.learnagentArgs.begin(), options.learnagentArgs.end());
        const std::string program = options.learnagentPath.empty() ? besideThisProgram("learnagent")
                                                                   : options.learnagentPath;
        local = std::make_unique<LocalWorkers>(program, args, options.workDir);
        if (!local->start(options.localWorkers, endpoints, error)) {
            std::cerr << "tuner: " << error << std::endl;
            return 1;
        }
    }
    if (endpoints.empty()) {
        WorkerEndpoint endpoint;
        endpoint.host = "127.0.0.1";
        endpoint.port = 4100;
        endpoints.push_back(endpoint);
    }

    WorkerPool pool(options.episodeTimeout, std::cerr);
    std::cout << "tuner: waiting for " << endpoints.size() << " worker"
              << (endpoints.size() == 1 ? "" : "s") << ":";
    for (const WorkerEndpoint& e : endpoints) std::cout << " " << e.name();
    std::cout << std::endl;
    if (!pool.connect(endpoints, options.waitSeconds)) {
        std::cerr << "tuner: no worker could be reached" << std::endl;
        return 1;
    }
    TuningRun run(parameters, options);
    const int status = run.run(pool, std::cout, std::cerr);
    // The links are closed: the learnagents stop by themselves, and the
    // ones started here are stopped for sure.
    if (local) local->stop();
    return status;
}
