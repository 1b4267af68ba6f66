#include "trace/DifferenceTrack.h"

#include <algorithm>
#include <cmath>
#include <utility>

DifferenceTrack::DifferenceTrack(std::string name, std::string unit, double tolerance, int decimals,
                                 bool presence)
    : name_(std::move(name)),
      unit_(std::move(unit)),
      tolerance_(tolerance),
      decimals_(decimals),
      presence_(presence) {}

void DifferenceTrack::add(long long cycle, double diff, const std::string& detail) {
    // A difference that is not a number is as far off as it gets; a finite
    // stand-in keeps the text and the JSON readable.
    if (!std::isfinite(diff)) diff = kUnreadable;
    diff = std::fabs(diff);
    ++samples_;
    series_.emplace_back(cycle, diff);
    if (diff > tolerance_) {
        ++over_;
        if (first_.cycle < 0) first_ = {cycle, diff, detail};
    }
    if (largest_.cycle < 0 || diff > largest_.diff) largest_ = {cycle, diff, detail};
}

double DifferenceTrack::largestBefore(long long cycle) const {
    double worst = 0.0;
    for (const auto& [c, d] : series_) {
        if (c < cycle) worst = std::max(worst, d);
    }
    return worst;
}
