// One tuning run: CMA-ES over a pool of workers, a generation at a time.
// All vectors of a generation are drawn before any is sent, handed to the
// free workers, and the search moves only once the whole generation's
// fitness values are in, taken in the order the vectors were drawn. So the
// same seed gives the same vectors, the same CSV and the same best vector
// however many workers there are and whichever answers first.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ParameterFile.h"
#include "TunerOptions.h"
#include "WorkerPool.h"

class TuningRun {
public:
    TuningRun(std::vector<Parameter> parameters, const TunerOptions& options);

    // 0 when the budget is spent; 1 when every worker is lost or the CSV
    // cannot be written.
    int run(WorkerPool& pool, std::ostream& out, std::ostream& err);

    double getBestFitness() const { return best; }
    const std::vector<double>& getBestValues() const { return bestValues; }

    // A fitness line as learnagent sends it; false when it holds no finite
    // number.
    static bool parseFitness(const std::string& line, double& fitness);

private:
    std::vector<Parameter> parameters;
    TunerOptions options;
    double best;
    std::vector<double> bestValues;
};
