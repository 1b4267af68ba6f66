#include "ai/learning/TFSWalkingLearning.h"

#include <cmath>
#include <iostream>
#include <utility>

#include "skills/lowLevelSkills/TFSWalk.h"
#include "worldModel/WorldModel.h"

TFSWalkingLearning::TFSWalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                                       std::unique_ptr<Communicator> optimiser)
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)) {}

TFSWalk& TFSWalkingLearning::getSharedWalk() {
    static TFSWalk walk;
    return walk;
}

bool TFSWalkingLearning::isEvalDone() { return walkingEvalDone(legLimitsViolated()); }

void TFSWalkingLearning::continueEval() {
    printProgress();
    if (stepCount == kIdleStep) {
        beginRun();
        getSharedWalk().init();
    } else if (stepCount > kIdleStep) {
        TFSWalk& walk = getSharedWalk();
        walk.setOSCParamsByHipY(params.get());
        walk.runGA();
    } else {
        runOpening();
    }
}

double TFSWalkingLearning::calcFitness() {
    const Point pos = runStarted() ? WM->getMyCartPos() : Point(startX, startY, 0.0);
    const double move = pos.getX() - startX;
    const double drift = std::fabs(pos.getY() - startY);
    double F = 10.0 * move - 12.0 * drift;
    if (fault) {
        F -= 10.0;
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    std::cout << "move=" << move << ",punishDir=" << drift << std::endl;
    std::cout << "fitness = " << F << "    ,fitDurTime=" << runTime() << std::endl;
    return -F;
}
