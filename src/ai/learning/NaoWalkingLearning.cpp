#include "ai/learning/NaoWalkingLearning.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "geometry/Geometry.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kEndTime = 15.0;
constexpr double kMaxTurnAway = 45.0;
constexpr double kJointLimit = 120.0;
constexpr unsigned kStopFrom = 3;

}  // namespace

NaoWalkingLearning::NaoWalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                                       std::unique_ptr<Communicator> optimiser)
    : NaoWalkingLearning(std::move(simulator), std::move(optimiser), true, false) {}

NaoWalkingLearning::NaoWalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                                       std::unique_ptr<Communicator> optimiser, bool beamFirst,
                                       bool watchHeading)
    : LearningBase(kParamCount, std::move(simulator), std::move(optimiser)),
      count(0),
      fit1(0.0),
      fit2(0.0),
      fit3(0.0),
      stage1Done(false),
      stage2Done(false),
      fault(false),
      bTime(0.0),
      startX(0.0),
      startY(0.0),
      startDir(0.0),
      beamFirst(beamFirst),
      watchHeading(watchHeading) {
    if (beamFirst) {
        beamAtStart(kStartX, kStartY, kStartDir);
    }
}

double NaoWalkingLearning::elapsed() const {
    return stepCount > kIdleStep ? WM->getTime() - bTime : 0.0;
}

double NaoWalkingLearning::calcFit1() const { return std::min(elapsed(), kStageTime); }

double NaoWalkingLearning::calcFit2() const { return 10.0 * (WM->getMyCartPos().getX() - startX); }

double NaoWalkingLearning::calcFit3() const {
    return -12.0 * std::fabs(WM->getMyCartPos().getY() - startY);
}

bool NaoWalkingLearning::isEvalDone() {
    fault = false;
    if (stepCount <= kIdleStep) {
        return false;
    }
    const double t = elapsed();
    if (!stage1Done && t >= kStageTime) {
        fit1 = calcFit1();
        stage1Done = true;
    }
    if (!stage2Done && t >= 2.0 * kStageTime) {
        fit2 = calcFit2();
        stage2Done = true;
    }

    if (WM->getMyCartPos().getZ() < kFallHeight) {
        std::cout << "\nAgent fell!" << std::endl;
        fault = true;
        return true;
    }
    for (int j = 0; j < DOF_COUNT; ++j) {
        if (std::fabs(WM->getDOF(j)) > kJointLimit) {
            std::cout << "\nAbnormal behavior!" << std::endl;
            fault = true;
            return true;
        }
    }
    if (watchHeading &&
        std::fabs(Geometry::normalizeAngle(WM->getDir().getZ() - startDir)) > kMaxTurnAway) {
        std::cout << "out of angle" << std::endl;
        fault = true;
        return true;
    }
    if (t >= kEndTime) {
        std::cout << "\nGot end time!" << std::endl;
        return true;
    }
    return false;
}

void NaoWalkingLearning::continueEval() {
    if (stepCount == 1) {
        CC->init(0, kTeamName);
    } else if (stepCount >= kStopFrom && stepCount < kIdleStep) {
        CC->stopAllJoints();
    } else if (stepCount == kIdleStep) {
        bTime = WM->getTime();
        const Point pos = WM->getMyCartPos();
        startX = pos.getX();
        startY = pos.getY();
        startDir = WM->getDir().getZ();
        count = 0;
        fit1 = fit2 = fit3 = 0.0;
        stage1Done = stage2Done = false;
    } else if (stepCount > kIdleStep) {
        ++count;
    }
}

double NaoWalkingLearning::calcFitness() {
    // Stages already over keep the value they had when they ended; the
    // stage the episode ended in counts with its value now.
    double F = stage1Done ? fit1 : calcFit1();
    if (stage1Done) {
        F += stage2Done ? fit2 : calcFit2();
    }
    if (stage2Done) {
        fit3 = calcFit3();
        F += fit3;
    }
    if (fault) {
        F -= kFaultCost;
    }
    std::cout << "fitness = " << F << "    ,fitDurTime=" << elapsed() << std::endl;
    return -F;
}
