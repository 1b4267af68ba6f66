#include "ai/learning/TFSCurveLearning.h"

#include <cmath>
#include <iostream>
#include <utility>

#include "ai/learning/TFSWalkingLearning.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "worldModel/WorldModel.h"

namespace {

// The walk's default gait, reloaded every cycle: the curve parameters are
// tuned on the ordinary walk, and the turn phase shortens the period.
const double kDefaultGait[TFSWalkingLearning::kParamCount] = {
    -20.9241, 0.466287, -29.7735, 20.7945, -7.0, -18.05, 11.6474, 15.2049, 0.2, 1.38886};

constexpr float kTurnPeriod = 0.2f;
constexpr double kRunsOfWalkTime = 3.0;

}  // namespace

TFSCurveLearning::TFSCurveLearning(std::unique_ptr<SimulatorControl> simulator,
                                   std::unique_ptr<Communicator> optimiser)
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)),
      turnAngle(90.0),
      walkTime(4.0),
      isInTurn(true) {}

Point TFSCurveLearning::targetPoint() const {
    const double d = beginPos.getDistanceTo(step1Pos);
    return Point(step1Pos.getX(), step1Pos.getY() - 2.0 * d, step1Pos.getZ());
}

bool TFSCurveLearning::isEvalDone() {
    fault = false;
    fatalError = false;
    bool done = false;
    const double elapsed = runTime();
    if (WM->getMyCartPos().getZ() < kFallHeight) {
        if (elapsed < walkTime) {
            std::cout << "\n\n\n!!!!!!!!!!! EARLY LEARNING ERROR !!!!!!!!!!!!!\n\n\n" << std::endl;
            fatalError = true;
        } else {
            std::cout << "\n========    AGENT FELT ==========\n" << std::endl;
            fault = true;
        }
        done = true;
    } else if (stepCount > kIdleStep && elapsed >= kRunsOfWalkTime * walkTime) {
        std::cout << "learning Time is finished" << std::endl;
        done = true;
    }
    return finalJudgement(done);
}

void TFSCurveLearning::continueEval() {
    printProgress();
    if (stepCount < kIdleStep) {
        runOpening();
        return;
    }
    TFSWalk& walk = TFSWalkingLearning::getSharedWalk();
    if (stepCount == kIdleStep) {
        beginRun();
        beginPos = WM->getMyCartPos();
        walk.init();
        return;
    }

    walk.setOSCParamsByHipY(kDefaultGait);
    const double elapsed = runTime();
    const bool aligned = std::fabs(turnAngle - WM->getDir().getZ()) < kAlignedWithin;
    if (elapsed < walkTime) {
        isInTurn = true;
        std::cout << "agent is now step1 walking" << std::endl;
        walk.run();
        step1Pos = WM->getMyCartPos();
    } else if (!aligned && isInTurn) {
        std::cout << "agent is now turning" << std::endl;
        walk.setCurveParameters(static_cast<float>(params[0]), static_cast<float>(params[1]),
                                kTurnPeriod);
        walk.run();
    } else {
        isInTurn = false;
        std::cout << "agent is now Walking step 3" << std::endl;
        walk.run();
    }
}

double TFSCurveLearning::calcFitness() {
    const Point target = targetPoint();
    double F = 10.0 * WM->getMyCartPos().getDistanceTo(target);
    if (fault) {
        F += kFaultCost;
    }
    if (fatalError) {
        F = kFatalCost;
    }
    std::cout << "the position is: (" << target.getX() << " , " << target.getY() << " , "
              << target.getZ() << " )" << std::endl;
    std::cout << "fitness = " << F << "    ,fitDurTime=" << runTime() << std::endl;
    return F;
}
