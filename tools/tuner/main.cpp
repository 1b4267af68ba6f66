// tuner: CMA-ES over the learning link. It proposes parameter vectors to
// learnagent, one per episode, reads back each episode's fitness and keeps
// a CSV line per episode and the best vector found so far.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "CmaEs.h"
#include "LearningLink.h"
#include "ParameterFile.h"
#include "TunerOptions.h"

namespace {

std::string formatNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// The fitness line learnagent sent; false when it holds no usable number.
bool parseFitness(const std::string& line, double& fitness) {
    const char* begin = line.c_str();
    char* end = nullptr;
    fitness = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' && std::isfinite(fitness);
}

// Candidate (search coordinates) to parameter values; a value outside its
// bounds is put on the bound, and the candidate moved with it, so that the
// search learns from the vector that was really tried.
std::vector<double> toValues(const std::vector<Parameter>& parameters, Eigen::VectorXd& candidate) {
    std::vector<double> values(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const Parameter& p = parameters[i];
        double v = p.start + p.step * candidate[static_cast<Eigen::Index>(i)];
        if (p.bounded && (v < p.min || v > p.max)) {
            v = v < p.min ? p.min : p.max;
            candidate[static_cast<Eigen::Index>(i)] = (v - p.start) / p.step;
        }
        values[i] = v;
    }
    return values;
}

std::string joined(const std::vector<double>& values, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += separator;
        text += formatNumber(values[i]);
    }
    return text;
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
    std::ofstream csv(options.csvPath, std::ios::out | std::ios::trunc);
    if (!csv) {
        std::cerr << "tuner: cannot write " << options.csvPath << std::endl;
        return 1;
    }
    csv << "episode,generation,fitness,best_fitness";
    for (const Parameter& p : parameters) csv << "," << p.name;
    csv << std::endl;

    CmaEs search(static_cast<int>(parameters.size()), options.seed, options.lambda);
    std::cout << "tuner: " << parameters.size() << " parameters, " << search.getLambda()
              << " vectors per generation, budget " << options.budget << " episodes, seed "
              << options.seed << std::endl;

    LearningLink link;
    std::cout << "tuner: waiting for learnagent on " << options.host << ":" << options.port
              << std::endl;
    if (!link.connectTo(options.host, options.port, options.waitSeconds, error)) {
        std::cerr << "tuner: " << error << std::endl;
        return 1;
    }

    double best = std::numeric_limits<double>::infinity();
    std::vector<double> bestValues;
    for (int episode = 1; episode <= options.budget; ++episode) {
        Eigen::VectorXd candidate = search.ask();
        const std::vector<double> values = toValues(parameters, candidate);
        const int generation = search.getGeneration() + 1;
        std::string reply;
        if (!link.sendLine(joined(values, " ")) || !link.readLine(reply)) {
            std::cerr << "tuner: learnagent closed the link during episode " << episode
                      << std::endl;
            return 1;
        }
        double fitness = 0.0;
        if (!parseFitness(reply, fitness)) {
            std::cerr << "tuner: episode " << episode << ": no usable fitness in '"
                      << reply.substr(0, 80) << "'; it ranks last" << std::endl;
            fitness = std::numeric_limits<double>::infinity();
        }
        search.tell(candidate, fitness);
        if (fitness < best) {
            best = fitness;
            bestValues = values;
            const std::string comment = "best of tuner run (seed " + std::to_string(options.seed) +
                                        "): fitness " + formatNumber(best) + " in episode " +
                                        std::to_string(episode);
            if (!ParameterFile::write(options.bestPath, parameters, bestValues, comment)) {
                std::cerr << "tuner: cannot write " << options.bestPath << std::endl;
            }
        }
        csv << episode << "," << generation << "," << formatNumber(fitness) << ","
            << formatNumber(best) << "," << joined(values, ",") << std::endl;
        std::cout << "episode " << episode << " (generation " << generation << "): fitness "
                  << formatNumber(fitness) << ", best " << formatNumber(best) << std::endl;
    }
    link.close();
    std::cout << "tuner: best fitness " << formatNumber(best) << ": " << joined(bestValues, " ")
              << std::endl;
    return 0;
}
