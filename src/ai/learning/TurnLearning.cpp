#include "ai/learning/TurnLearning.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "skills/lowLevelSkills/TurnSkill.h"
#include "worldModel/WorldModel.h"

namespace {
// A fault in the very cycle the run starts must not divide by zero.
constexpr double kShortestRun = 0.02;
}  // namespace

TurnLearning::TurnLearning(std::unique_ptr<SimulatorControl> simulator,
                           std::unique_ptr<Communicator> optimiser)
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)),
      bDir(0.0),
      sumDir(0.0) {}

std::unique_ptr<TurnSkill>& TurnLearning::turnSlot() {
    static std::unique_ptr<TurnSkill> turn;
    return turn;
}

TurnSkill* TurnLearning::getSharedTurn() { return turnSlot().get(); }

double TurnLearning::normalAngle(double a) {
    // A negative heading is the same direction one full turn up; headings
    // thus run continuously through 360 instead of jumping past it.
    return a >= 0 ? a : 360.0 + a;
}

bool TurnLearning::isEvalDone() { return walkingEvalDone(legLimitsViolated()); }

void TurnLearning::continueEval() {
    printProgress();
    const double heading = WM->getDir().getZ();
    if (stepCount == kIdleStep) {
        beginRun();
        bDir = heading;
        sumDir = 0.0;
        // The turn measures its gait phase from its creation: a fresh one
        // per run starts on the clock of this episode's simulator.
        turnSlot() = std::make_unique<TurnSkill>();
    } else if (stepCount > kIdleStep) {
        sumDir += normalAngle(heading);
        std::unique_ptr<TurnSkill>& turn = turnSlot();
        if (!turn) {
            turn = std::make_unique<TurnSkill>();
        }
        turn->setOscParameters(params.get());
        turn->run();
    } else {
        runOpening();
    }
}

double TurnLearning::calcFitness() {
    const Point pos = runStarted() ? WM->getMyCartPos() : Point(startX, startY, 0.0);
    const double dx = pos.getX() - startX;
    const double dy = pos.getY() - startY;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double duration = runTime();
    double F = (runStarted() ? sumDir : 0.0) - 90.0 * d;
    if (fault) {
        F -= 900.0 / std::max(duration, kShortestRun);
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    std::cout << "Distance = " << d << std::endl;
    std::cout << "fitness = " << F << "    ,fitDurTime=" << duration << std::endl;
    return -F;
}
