#include "ParameterFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

bool lineError(std::string& error, int line, const std::string& what) {
    error = "line " + std::to_string(line) + ": " + what;
    return false;
}

bool parseNumber(const std::string& word, double& value) {
    std::istringstream in(word);
    in >> value;
    return !in.fail() && (in >> std::ws).eof() && std::isfinite(value);
}

}  // namespace

bool ParameterFile::read(const std::string& path, std::vector<Parameter>& parameters,
                         std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    parameters.clear();
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::istringstream words(text);
        std::vector<std::string> w;
        // A '#' word starts a comment, also after the numbers, as in the
        // skills' values files.
        for (std::string word; words >> word && word[0] != '#';) w.push_back(word);
        if (w.empty()) continue;
        if (w.size() == 2) {
            return lineError(error, line,
                             w[0] +
                                 " has a value but no STEP: the tuner needs NAME START STEP "
                                 "[MIN MAX] (the players read only NAME VALUE)");
        }
        if (w.size() != 3 && w.size() != 5) {
            return lineError(error, line, "expected NAME START STEP [MIN MAX]");
        }
        Parameter p;
        p.name = w[0];
        if (!parseNumber(w[1], p.start)) return lineError(error, line, "START is not a number");
        if (!parseNumber(w[2], p.step) || p.step <= 0) {
            return lineError(error, line, "STEP must be a number above 0");
        }
        if (w.size() == 5) {
            p.bounded = true;
            if (!parseNumber(w[3], p.min) || !parseNumber(w[4], p.max)) {
                return lineError(error, line, "MIN and MAX must be numbers");
            }
            if (p.min >= p.max) return lineError(error, line, "MIN must be below MAX");
            if (p.start < p.min || p.start > p.max) {
                return lineError(error, line, "START lies outside MIN..MAX");
            }
        }
        if (parameters.size() >= kMaxParameters) {
            return lineError(error, line,
                             "more than " + std::to_string(kMaxParameters) + " parameters");
        }
        parameters.push_back(p);
    }
    if (parameters.empty()) {
        error = path + " holds no parameter";
        return false;
    }
    return true;
}

bool ParameterFile::write(const std::string& path, const std::vector<Parameter>& parameters,
                          const std::vector<double>& values, const std::string& comment) {
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out) return false;
    out << "# " << comment << "\n# name start step [min max]\n";
    char number[64];
    for (std::size_t i = 0; i < parameters.size() && i < values.size(); ++i) {
        const Parameter& p = parameters[i];
        out << p.name;
        std::snprintf(number, sizeof number, " %.9g %.9g", values[i], p.step);
        out << number;
        if (p.bounded) {
            std::snprintf(number, sizeof number, " %.9g %.9g", p.min, p.max);
            out << number;
        }
        out << "\n";
    }
    return static_cast<bool>(out);
}
