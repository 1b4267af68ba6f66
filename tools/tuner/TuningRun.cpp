#include "TuningRun.h"

#include <Eigen/Dense>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <utility>

#include "CmaEs.h"

namespace {

std::string formatNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
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

TuningRun::TuningRun(std::vector<Parameter> parameters, const TunerOptions& options)
    : parameters(std::move(parameters)),
      options(options),
      best(std::numeric_limits<double>::infinity()) {}

bool TuningRun::parseFitness(const std::string& line, double& fitness) {
    const char* begin = line.c_str();
    char* end = nullptr;
    fitness = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' && std::isfinite(fitness);
}

int TuningRun::run(WorkerPool& pool, std::ostream& out, std::ostream& err) {
    std::ofstream csv(options.csvPath, std::ios::out | std::ios::trunc);
    if (!csv) {
        err << "tuner: cannot write " << options.csvPath << std::endl;
        return 1;
    }
    csv << "episode,generation,fitness,best_fitness";
    for (const Parameter& p : parameters) csv << "," << p.name;
    csv << std::endl;

    CmaEs search(static_cast<int>(parameters.size()), options.seed, options.lambda);
    out << "tuner: " << parameters.size() << " parameters, " << search.getLambda()
        << " vectors per generation, budget " << options.budget << " episodes, seed "
        << options.seed << ", " << pool.alive() << " worker" << (pool.alive() == 1 ? "" : "s")
        << std::endl;

    const int lambda = search.getLambda();
    int episode = 1;
    int answered = 0;
    while (episode <= options.budget) {
        const int generation = search.getGeneration() + 1;
        const int count = std::min(lambda, options.budget - episode + 1);
        std::vector<Eigen::VectorXd> candidates;
        std::vector<std::vector<double>> values;
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i) {
            candidates.push_back(search.ask());
            values.push_back(toValues(parameters, candidates.back()));
            lines.push_back(joined(values.back(), " "));
        }
        std::vector<std::string> replies;
        const bool several = pool.alive() > 1;
        const bool complete = pool.run(
            lines, episode, replies,
            [&](std::size_t job, const std::string& reply, const std::string& worker) {
                if (several) {
                    out << "  episode " << episode + static_cast<int>(job) << " done on worker "
                        << worker << ": " << reply.substr(0, 40) << std::endl;
                }
            });
        // In the order drawn, whichever came first, so the search and the
        // files do not depend on the workers.
        for (int i = 0; i < count; ++i, ++episode) {
            if (!complete && replies[static_cast<std::size_t>(i)].empty()) continue;
            ++answered;
            double fitness = 0.0;
            if (!parseFitness(replies[static_cast<std::size_t>(i)], fitness)) {
                err << "tuner: episode " << episode << ": no usable fitness in '"
                    << replies[static_cast<std::size_t>(i)].substr(0, 80) << "'; it ranks last"
                    << std::endl;
                fitness = std::numeric_limits<double>::infinity();
            }
            if (complete) search.tell(candidates[static_cast<std::size_t>(i)], fitness);
            if (fitness < best) {
                best = fitness;
                bestValues = values[static_cast<std::size_t>(i)];
                const std::string comment =
                    "best of tuner run (seed " + std::to_string(options.seed) + "): fitness " +
                    formatNumber(best) + " in episode " + std::to_string(episode);
                if (!ParameterFile::write(options.bestPath, parameters, bestValues, comment)) {
                    err << "tuner: cannot write " << options.bestPath << std::endl;
                }
            }
            csv << episode << "," << generation << "," << formatNumber(fitness) << ","
                << formatNumber(best) << "," << joined(values[static_cast<std::size_t>(i)], ",")
                << std::endl;
            out << "episode " << episode << " (generation " << generation << "): fitness "
                << formatNumber(fitness) << ", best " << formatNumber(best) << std::endl;
        }
        if (!complete) {
            err << "tuner: every worker is lost; stopping after " << answered << " of "
                << options.budget << " episodes" << std::endl;
            pool.closeAll();
            return 1;
        }
    }
    pool.closeAll();
    out << "tuner: best fitness " << formatNumber(best) << ": " << joined(bestValues, " ")
        << std::endl;
    return 0;
}
