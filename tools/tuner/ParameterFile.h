// The tuner's parameter file: one parameter per line, "NAME START STEP" and
// optionally "MIN MAX"; blank lines and lines starting with '#' are skipped.
// START is the first mean of the search, STEP the first spread of that
// parameter; MIN and MAX bound every vector sent.
#pragma once

#include <string>
#include <vector>

struct Parameter {
    std::string name;
    double start = 0.0;
    double step = 1.0;
    bool bounded = false;
    double min = 0.0;
    double max = 0.0;
};

class ParameterFile {
public:
    static constexpr std::size_t kMaxParameters = 1000;

    // False with a one-line `error` (naming the line) when the file cannot
    // be read or a line is wrong.
    static bool read(const std::string& path, std::vector<Parameter>& parameters,
                     std::string& error);
    // Writes `values` as a parameter file that can start the next run.
    static bool write(const std::string& path, const std::vector<Parameter>& parameters,
                      const std::vector<double>& values, const std::string& comment);
};
