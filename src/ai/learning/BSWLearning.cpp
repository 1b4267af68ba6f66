#include "ai/learning/BSWLearning.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {
// A fall in the very cycle the run starts must not divide by zero.
constexpr double kShortestRun = 0.02;
}  // namespace

BSWLearning::BSWLearning(std::unique_ptr<SimulatorControl> simulator,
                         std::unique_ptr<Communicator> optimiser)
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)), dir(0.0) {
    quiet = kCompetitionBuild;
    console() << "================== constructor ================" << std::endl;
}

std::unique_ptr<BSWalk>& BSWLearning::sideStepSlot() {
    static std::unique_ptr<BSWalk> sideStep;
    return sideStep;
}

BSWalk* BSWLearning::getSharedSideStep() { return sideStepSlot().get(); }

bool BSWLearning::isEvalDone() { return walkingEvalDone(dmutil->isFallen()); }

void BSWLearning::continueEval() {
    printProgress();
    if (stepCount == kIdleStep) {
        beginRun();
        // The side step measures its gait phase from its creation; a fresh
        // one per run starts every episode at the same phase, on the clock
        // of the simulator that runs this episode.
        sideStepSlot() = std::make_unique<BSWalk>(BesideLeft);
    } else if (stepCount > kIdleStep) {
        std::unique_ptr<BSWalk>& sideStep = sideStepSlot();
        if (!sideStep) {
            sideStep = std::make_unique<BSWalk>(BesideLeft);
        }
        sideStep->setOscParameters(params.get());
        sideStep->run();
    } else {
        runOpening();
    }
}

double BSWLearning::calcFitness() {
    const Point pos = runStarted() ? WM->getMyCartPos() : Point(startX, startY, 0.0);
    const double dx = std::fabs(pos.getX() - startX);
    const double dy = std::fabs(pos.getY() - startY);
    const double duration = runTime();
    double F = -2.0 * dx + dy;
    if (fault) {
        F -= 5.0 / std::max(duration, kShortestRun);
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    console() << "Delta X (cm):" << dx * 100.0 << "\nDelta Y(cm):" << dy * 100.0 << std::endl;
    console() << "fitness = " << F << "\nfitDurTime = " << duration << std::endl;
    return -F;
}
