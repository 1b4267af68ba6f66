#include "ai/learning/TurnLearning.h"

#include <cmath>
#include <iostream>
#include <utility>

#include "etc/SkillParams.h"
#include "geometry/Geometry.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {
// The beam goes out in the cycle after the init command, as the agent sends
// its own.
constexpr unsigned kBeamStep = 2;
}  // namespace

const std::vector<double>& TurnLearning::turns() {
    // Both ways, and back to where it started, so that a gait that turns
    // better one way than the other cannot hide it.
    static const std::vector<double> list = {90, -150, 45, -45, 150, -90};
    return list;
}

TurnLearning::TurnLearning(std::unique_ptr<SimulatorControl> simulator,
                           std::unique_ptr<Communicator> optimiser)
    : MotionLearning(static_cast<unsigned>(TurnSkill::paramList().size()), std::move(simulator),
                     std::move(optimiser)) {}

TurnLearning::~TurnLearning() = default;

void TurnLearning::loadParams() const {
    const std::vector<SkillParams::Param>& list = TurnSkill::paramList();
    for (unsigned i = 0; i < list.size() && i < paramsCount; ++i) {
        SkillParams::getUniqueInstance()->set(TurnSkill::kSkillName, list[i].name, params[i]);
    }
}

double TurnLearning::distanceWandered() const {
    if (!runStarted()) return 0.0;
    const Point pos = WM->getMyCartPos();
    const double d = std::hypot(pos.getX() - startX, pos.getY() - startY);
    return std::isfinite(d) ? d : 0.0;
}

void TurnLearning::startSpan(unsigned next) {
    const double yaw = WM->getDir().getZ();
    // The first target is measured from where the robot faces; the later
    // ones from the previous target, so a miss is not carried along.
    const double from = next == 1 ? (std::isfinite(yaw) ? yaw : 0.0) : target;
    span = next;
    target = Geometry::normalizeAngle(from + turns()[next - 1]);
    spanStart = WM->getTime();
    lastAway = spanStart;
    turn = std::make_unique<TurnSkill>(target);
    console() << "turn " << next << " to " << target << std::endl;
}

void TurnLearning::closeSpan() {
    if (span == 0 || span > turns().size() || finalErrors.size() >= span) return;
    finalErrors.push_back(std::fabs(lastError));
    const double arrived = std::fabs(lastError) <= kArrived ? lastAway - spanStart : kSpanTime;
    arrivalTimes.push_back(arrived);
    console() << "turn " << span << ": error " << lastError << ", within " << kArrived
              << " degrees after " << arrived << " s" << std::endl;
}

bool TurnLearning::isEvalDone() {
    fault = false;
    fatalError = false;
    bool done = false;
    const double elapsed = runTime() - kSettleTime;
    if (WM->getMyCartPos().getZ() < kFallHeight) {
        console() << "\nAgent fell!" << std::endl;
        fault = true;
        done = true;
    } else if (stepCount > kIdleStep &&
               elapsed >= kSpanTime * static_cast<double>(turns().size())) {
        closeSpan();
        console() << "learning Time is finished" << std::endl;
        done = true;
    }
    return finalJudgement(done);
}

void TurnLearning::continueEval() {
    printProgress();
    if (stepCount == kIdleStep) {
        beginRun();
        loadParams();
        turn.reset();
        span = 0;
        finalErrors.clear();
        arrivalTimes.clear();
        return;
    }
    if (stepCount < kIdleStep) {
        if (stepCount == kBeamStep) {
            CC->beam(static_cast<float>(kBeamX), static_cast<float>(kBeamY), 0.0f);
        } else {
            runOpening();
        }
        return;
    }
    const double elapsed = runTime() - kSettleTime;
    if (elapsed < 0.0) {
        // From the start posture (legs straight) into the standing posture
        // the agent turns from.
        PatternAligner standing;
        standing.run();
        return;
    }
    const unsigned due = static_cast<unsigned>(elapsed / kSpanTime) + 1;
    if (due > turns().size()) return;
    if (due != span) {
        closeSpan();
        startSpan(due);
    }
    turn->run();
    lastError = Geometry::normalizeAngle(target - WM->getDir().getZ());
    if (!(std::fabs(lastError) <= kArrived)) lastAway = WM->getTime();
}

double TurnLearning::calcFitness() {
    if (fatalError) {
        console() << "fitness = " << kUnscoredFitness << std::endl;
        return kUnscoredFitness;
    }
    double cost = 0.0;
    for (std::size_t i = 0; i < finalErrors.size(); ++i) {
        cost += finalErrors[i] + kSecondCost * arrivalTimes[i];
    }
    const double d = distanceWandered();
    cost += kMetreCost * d;
    if (fault) {
        const std::size_t undone = turns().size() - finalErrors.size();
        cost += kFallCost + kUndoneCost * static_cast<double>(undone);
    }
    console() << "Distance = " << d << std::endl;
    console() << "fitness = " << cost << "    ,fitDurTime=" << runTime() << std::endl;
    return cost;
}
