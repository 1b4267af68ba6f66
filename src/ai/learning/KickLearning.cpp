#include "ai/learning/KickLearning.h"

#include <iostream>
#include <utility>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {
constexpr unsigned kStopFrom = 3;
constexpr unsigned kStopTo = 49;
}  // namespace

KickLearning::KickLearning(std::unique_ptr<SimulatorControl> simulator,
                           std::unique_ptr<Communicator> optimiser)
    : LearningBase(kParamCount, std::move(simulator), std::move(optimiser)),
      fault(false),
      fatalError(false),
      testTime(0.0),
      bTime(0.0),
      pastTime(0.0f),
      time(0.0f),
      walkTime(0.4f),
      idleStep(70),
      fallen(false) {}

std::ostream& KickLearning::console() const {
    static std::ostream nowhere(nullptr);
    if constexpr (kCompetitionBuild) {
        return nowhere;
    }
    return std::cout;
}

bool KickLearning::isEvalDone() {
    fault = false;
    fatalError = false;
    bool done = pastTime > kEpisodeTime;
    fallen = dmutil->isFallen();
    fault = fallen && stepCount > kFallWindowSteps;
    const double now = WM->getTime();
    if (stepCount == kStallSampleStep) {
        testTime = now;
    } else if (stepCount == kStallCheckStep && now == testTime) {
        console() << "\n\n\n!!!!!!!!!!! FATAL ERROR !!!!!!!!!!!!!\n\n\n" << std::endl;
        fatalError = true;
        done = true;
    }
    return fault || done;
}

void KickLearning::continueEval() {
    time = WM->getTime();
    if (stepCount == 1) {
        CC->init(0, kTeamName);
        obj.setTFSParameters(params.get());
        return;
    }

    if (stepCount == idleStep) {
        CC->stopAllJoints();
        obj.init();
        // The approach times itself from its own start: restart it too, so
        // it is measured on this episode's clock.
        obj.init2();
        bTime = time;
        pastTime = 0.0f;
        firstPos = WM->getGlobalPosOfBall();
        console() << bTime << ": the ball is in (" << firstPos.getX() << " , " << firstPos.getY()
                  << " )" << std::endl;
    } else if (stepCount > idleStep) {
        pastTime = static_cast<float>(time - bTime);
    } else {
        pastTime = 0.0f;
    }

    const Point ball = WM->getGlobalPosOfBall();
    console() << stepCount << "\nBallPos: (" << ball.getX() << " , " << ball.getY() << " , "
              << ball.getZ() << " )" << std::endl;

    if (stepCount >= kStopFrom && stepCount <= kStopTo) {
        CC->stopAllJoints();
    }
    if (stepCount > idleStep && obj.walkBeforeKick(walkTime)) {
        console() << "LEARNING ..." << std::endl;
        obj.run();
    }
    if (!fallen) {
        lastPos = WM->getGlobalPosOfBall();
    }
}

double KickLearning::calcFitness() {
    // An episode that ended before the kick began has moved no ball; the
    // start position would be the previous episode's.
    const bool kicked = stepCount > idleStep;
    double F = kicked ? 10.0 * (lastPos.getX() - firstPos.getX()) : 0.0;
    if (fault) {
        F -= 2.0;
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    const double duration = kicked ? WM->getTime() - bTime : 0.0;
    console() << "fitness = " << F << "    ,fitDurTime=" << duration << std::endl;
    return -F;
}
