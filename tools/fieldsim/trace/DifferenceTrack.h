// One compared quantity over a replayed trace: how far fieldsim's value was
// from the real server's at each compared cycle, and what matters of that:
// the first cycle beyond the tolerance and the largest difference.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct DifferenceAt {
    long long cycle = -1;  // -1: none
    double diff = 0.0;
    std::string detail;  // which joint, foot or axis, when the quantity has several
};

class DifferenceTrack {
public:
    static constexpr double kUnreadable = 1e9;

    // `presence`: the quantity is a yes/no (a foot touching, the play mode);
    // every mismatch counts and no size is reported.
    DifferenceTrack(std::string name, std::string unit, double tolerance, int decimals,
                    bool presence = false);

    void add(long long cycle, double diff, const std::string& detail = {});

    const std::string& name() const { return name_; }
    const std::string& unit() const { return unit_; }
    double tolerance() const { return tolerance_; }
    int decimals() const { return decimals_; }
    bool presence() const { return presence_; }
    long long samples() const { return samples_; }
    long long cyclesOver() const { return over_; }
    const DifferenceAt& firstOver() const { return first_; }
    const DifferenceAt& largest() const { return largest_; }
    // Every compared cycle and its difference, in the order added.
    const std::vector<std::pair<long long, double>>& series() const { return series_; }
    // The largest difference in cycles before `cycle`; 0 when none was compared.
    double largestBefore(long long cycle) const;

private:
    std::string name_;
    std::string unit_;
    double tolerance_;
    int decimals_;
    bool presence_;
    long long samples_ = 0;
    long long over_ = 0;
    DifferenceAt first_;
    DifferenceAt largest_;
    std::vector<std::pair<long long, double>> series_;
};
