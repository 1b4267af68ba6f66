// Follows a keyframe motion: holds the keyframes still to be reached and,
// each time monitor() is called, drops the front one once the sensed posture
// is close enough to it. The number left is the phase the owning skill uses
// to choose its joint controller; the monitor never commands a joint.
#pragma once

#include <list>

#include "objects/BodyState.h"
#include "types.h"

class PatternMonitor {
public:
    // Threshold 2.0, mean absolute error.
    PatternMonitor();
    // errMethod 0 selects the weighted mean absolute error, anything else
    // the weighted mean squared error. Every weight starts at 1.
    PatternMonitor(double thr, double errMethod);

    // Appends a copy of the keyframe.
    void enQ(const BodyState& keyframe);
    // Removes and returns the front keyframe; an all-unset posture when the
    // queue is empty.
    BodyState deQ();

    std::list<BodyState> getPattern() const;
    void setPattern(const std::list<BodyState>& newPattern);

    double getThr() const;
    void setThr(double newThr);
    double getDist() const;

    void setErrMethod(double m);
    bool doesUseMSE() const;

    // Copies DOF_COUNT weights in joint order; a null array changes nothing.
    void setWeight(const double* w);
    // An index outside 0..21 is ignored.
    void setWeight(double w, int i);
    double* getWeights();
    // 0 for an index outside 0..21.
    double getWeight(int i) const;

    // Weighted error between two postures over the joints set in both. NaN
    // when no joint with a positive total weight is left to compare, so that
    // such a comparison never counts as reached.
    double getWME(const BodyState& current, const BodyState& target);
    double getWMSE(const BodyState& current, const BodyState& target);
    // The same between the sensed posture and the front keyframe; NaN when
    // the queue is empty.
    double getWME();
    double getWMSE();

    // Measures against the front keyframe, drops it when the error is
    // strictly below the threshold (at most one per call) and returns the
    // number of keyframes still queued.
    unsigned int monitor();

private:
    double weightedError(const BodyState& current, const BodyState& target, bool squared) const;

    std::list<BodyState> pattern;
    double weight[DOF_COUNT];
    double thr;
    BodyState tmpBS;
    double dist;
    bool useMSE;
};
