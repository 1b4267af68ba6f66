#include "ai/learning/TFSWalkingLearning.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "etc/SkillParams.h"
#include "geometry/Geometry.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
}  // namespace

TFSWalkingLearning::TFSWalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                                       std::unique_ptr<Communicator> optimiser)
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)), startDir(0.0),
      fallTime(-1.0) {}

TFSWalk& TFSWalkingLearning::getSharedWalk() {
    static TFSWalk walk;
    return walk;
}

void TFSWalkingLearning::applyParams() const {
    const std::vector<SkillParams::Param>& list = TFSWalk::paramList();
    const unsigned n = std::min<unsigned>(paramsCount, static_cast<unsigned>(list.size()));
    for (unsigned i = 0; i < n; ++i) {
        SkillParams::getUniqueInstance()->set(TFSWalk::kSkillName, list[i].name, params[i]);
    }
}

bool TFSWalkingLearning::isEvalDone() {
    const bool done = walkingEvalDone(legLimitsViolated());
    // The walking learners' common end test runs for fifteen seconds; this
    // episode ends once the walk has stopped and stood for a while.
    if (fault && runStarted() && fallTime < 0) fallTime = runTime();
    return done || (runStarted() && runTime() >= kWalkTime + kStopTime && finalJudgement(true));
}

void TFSWalkingLearning::continueEval() {
    printProgress();
    if (stepCount == kIdleStep) {
        beginRun();
        startDir = WM->getDir().getZ();
        fallTime = -1.0;
        applyParams();
        TFSWalk& walk = getSharedWalk();
        walk.init();
        walk.run();
    } else if (stepCount > kIdleStep) {
        TFSWalk& walk = getSharedWalk();
        if (runTime() < kWalkTime) {
            walk.setDegree(0);
            walk.setspeed(1.0);
            walk.run();
        } else if (!walk.stop()) {
            // As the behaviours stop it: stop() each cycle until it is done.
            walk.run();
        } else {
            PatternAligner standing;
            standing.run();
        }
    } else if (stepCount == 1) {
        runOpening();
    } else if (stepCount == kBeamStep) {
        // The beam follows the init, which takes the first cycle.
        CC->beam(static_cast<float>(kBeamX), static_cast<float>(kBeamY),
                 static_cast<float>(kBeamRot));
    } else if (stepCount > kBeamStep) {
        // The standing posture the agent holds before it walks.
        PatternAligner standing;
        standing.run();
    }
}

double TFSWalkingLearning::calcFitness() {
    const Point pos = runStarted() ? WM->getMyCartPos() : Point(startX, startY, 0.0);
    const double dx = pos.getX() - startX;
    const double dy = pos.getY() - startY;
    const double h = kBeamRot * kDegToRad;
    const double forward = dx * std::cos(h) + dy * std::sin(h);
    const double sideways = -dx * std::sin(h) + dy * std::cos(h);
    const double turned =
        runStarted() ? std::fabs(Geometry::normalizeAngle(WM->getDir().getZ() - startDir)) : 0.0;
    double F = 10.0 * forward - 12.0 * std::fabs(sideways) - kTurnCost * turned;
    if (fault) {
        const double whole = kWalkTime + kStopTime;
        const double when = fallTime < 0 ? 0.0 : std::min(fallTime, whole);
        F -= kFallCost + kEarlyFallCost * (1.0 - when / whole);
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    console() << "move=" << forward << ",punishDir=" << sideways << ",turned=" << turned
              << std::endl;
    console() << "fitness = " << F << "    ,fitDurTime=" << runTime() << std::endl;
    return -F;
}
