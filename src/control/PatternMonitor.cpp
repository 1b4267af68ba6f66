#include "control/PatternMonitor.h"

#include <cmath>
#include <limits>

#include "buildMode.h"

PatternMonitor::PatternMonitor() : PatternMonitor(2.0, 0.0) {}

PatternMonitor::PatternMonitor(double thr, double errMethod)
    : thr(thr), dist(0.0), useMSE(errMethod != 0.0) {
    // Every owner sets its weights at once; an even weighting is the
    // sensible measure should one forget.
    for (double& w : weight) {
        w = 1.0;
    }
}

void PatternMonitor::enQ(const BodyState& keyframe) { pattern.push_back(keyframe); }

BodyState PatternMonitor::deQ() {
    if (pattern.empty()) {
        return BodyState();
    }
    BodyState front(pattern.front());
    pattern.pop_front();
    return front;
}

std::list<BodyState> PatternMonitor::getPattern() const { return pattern; }

void PatternMonitor::setPattern(const std::list<BodyState>& newPattern) { pattern = newPattern; }

double PatternMonitor::getThr() const { return thr; }

void PatternMonitor::setThr(double newThr) { thr = newThr; }

double PatternMonitor::getDist() const { return dist; }

void PatternMonitor::setErrMethod(double m) { useMSE = (m != 0.0); }

bool PatternMonitor::doesUseMSE() const { return useMSE; }

void PatternMonitor::setWeight(const double* w) {
    if (w == nullptr) {
        return;
    }
    for (int i = 0; i < DOF_COUNT; ++i) {
        weight[i] = w[i];
    }
}

void PatternMonitor::setWeight(double w, int i) {
    if (i >= 0 && i < DOF_COUNT) {
        weight[i] = w;
    }
}

double* PatternMonitor::getWeights() { return weight; }

double PatternMonitor::getWeight(int i) const {
    return (i >= 0 && i < DOF_COUNT) ? weight[i] : 0.0;
}

double PatternMonitor::weightedError(const BodyState& current, const BodyState& target,
                                     bool squared) const {
    const BodyState d = target - current;
    double errorSum = 0.0;
    double weightSum = 0.0;
    for (int i = 0; i < DOF_COUNT; ++i) {
        // A joint unset in either posture holds 9999 in the difference and
        // stays out, whatever its weight. The test is on the difference, not
        // on the weighted term: a bound on the term would let a small weight
        // smuggle an unset joint in, and would drop every joint more than
        // about 95 degrees off from the squared measure, so that a posture
        // far from the keyframe could count as reached.
        const double diff = d.getDOF(static_cast<DOFID>(i));
        if (!(std::fabs(diff) < BodyState::kUnsetLimit)) {
            continue;
        }
        const double scaled = diff * weight[i];
        errorSum += squared ? scaled * scaled : std::fabs(scaled);
        weightSum += weight[i];
    }
    // Nothing left to compare: no keyframe may count as reached.
    if (!(weightSum > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return errorSum / weightSum;
}

double PatternMonitor::getWME(const BodyState& current, const BodyState& target) {
    return weightedError(current, target, false);
}

double PatternMonitor::getWMSE(const BodyState& current, const BodyState& target) {
    return weightedError(current, target, true);
}

double PatternMonitor::getWME() {
    if (pattern.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    tmpBS.setBodyStateFromWorldModel();
    return getWME(tmpBS, pattern.front());
}

double PatternMonitor::getWMSE() {
    if (pattern.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    tmpBS.setBodyStateFromWorldModel();
    return getWMSE(tmpBS, pattern.front());
}

unsigned int PatternMonitor::monitor() {
    if (pattern.empty()) {
        devErr("PatternMonitor::monitor(): PatternMonitor is monitoring empty pattern!\n");
        return 0;
    }
    dist = useMSE ? getWMSE() : getWME();
    if (thr > dist) {
        pattern.pop_front();
    }
    return static_cast<unsigned int>(pattern.size());
}
