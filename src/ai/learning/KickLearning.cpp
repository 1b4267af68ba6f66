#include "ai/learning/KickLearning.h"

#include <cmath>
#include <iostream>
#include <utility>

#include "buildMode.h"
#include "etc/SkillParams.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

KickLearning::KickLearning(std::unique_ptr<SimulatorControl> simulator,
                           std::unique_ptr<Communicator> optimiser)
    : LearningBase(kParamCount, std::move(simulator), std::move(optimiser)),
      fault(false),
      fatalError(false),
      testTime(0.0),
      kickStep(0),
      finishStep(0),
      downSteps(0),
      heading(0.0),
      firstPos(),
      lastPos(),
      kick(),
      stand() {}

std::ostream& KickLearning::console() const {
    static std::ostream nowhere(nullptr);
    if constexpr (kCompetitionBuild) {
        return nowhere;
    }
    return std::cout;
}

void KickLearning::applyParams() const {
    const auto& list = Kick::paramList();
    for (unsigned i = 0; i < paramsCount && i < list.size(); ++i) {
        SkillParams::getUniqueInstance()->set(Kick::kSkillName, list[i].name, params[i]);
    }
}

bool KickLearning::torsoDown() {
    // A message without an accelerometer says nothing either way.
    if (!WM->hasAcc()) return downSteps >= kDownSteps;
    downSteps = WM->getAcc().getZ() < kUprightAcc ? downSteps + 1 : 0;
    return downSteps >= kDownSteps;
}

bool KickLearning::isEvalDone() {
    // The counters belong to this episode: the previous one may have ended
    // with the kicker down.
    if (stepCount == 1) {
        fault = false;
        fatalError = false;
        kickStep = 0;
        finishStep = 0;
        downSteps = 0;
    }
    if (kick && kick->isFinished() && finishStep == 0) finishStep = stepCount;
    bool done = finishStep != 0 && stepCount >= finishStep + kAfterSteps &&
                stepCount >= kickStep + kWatchSteps;
    // Only a fall after the kick began is the kick's doing; the beam's drop
    // before it is not.
    const bool down = torsoDown();
    if (kickStep != 0 && down) fault = true;

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
    // The call right after a restart has no perception of the new
    // simulator yet; the episode starts with the next one.
    if (stepCount == 0) return;
    if (stepCount == 1) {
        CC->init(0, kTeamName);
        applyParams();
        kick.reset();
        return;
    }
    if (stepCount == 2) {
        CC->beam(static_cast<float>(kBeamX), static_cast<float>(kBeamY), 0.0f);
        return;
    }

    if (kickStep == 0) {
        const bool settled = stepCount >= kSettleSteps;
        const bool kickedOff = WM->getPlayMode() != PM_BEFORE_KICK_OFF;
        if (!settled || (!kickedOff && stepCount < kSettleSteps + kLongestWait)) {
            stand.run();
            return;
        }
        if (!kickedOff) console() << "no kick-off yet; kicking anyway" << std::endl;
        kickStep = stepCount;
        firstPos = WM->getGlobalPosOfBall();
        lastPos = firstPos;
        // The agent's heading grows clockwise; the ball's path is measured
        // counter-clockwise.
        heading = -WM->getDir().getZ();
        kick = std::make_unique<Kick>();
        console() << WM->getTime() << ": kick from (" << firstPos.getX() << " , " << firstPos.getY()
                  << " ), heading " << heading << std::endl;
    }

    if (kick && !kick->isFinished()) {
        kick->run();
    } else {
        stand.run();
    }
    lastPos = WM->getGlobalPosOfBall();
}

double KickLearning::getAlong() const {
    const double a = heading * kPi / 180.0;
    return (lastPos.getX() - firstPos.getX()) * std::cos(a) +
           (lastPos.getY() - firstPos.getY()) * std::sin(a);
}

double KickLearning::getAngleError() const {
    const double dx = lastPos.getX() - firstPos.getX();
    const double dy = lastPos.getY() - firstPos.getY();
    // A ball that hardly moved has no direction worth the name.
    if (std::hypot(dx, dy) < 0.05) return 0.0;
    double e = std::atan2(dy, dx) * 180.0 / kPi - heading;
    while (e > 180.0) e -= 360.0;
    while (e < -180.0) e += 360.0;
    return e;
}

double KickLearning::calcFitness() {
    if (fatalError) {
        console() << "fitness = " << kFatalFitness << std::endl;
        return -kFatalFitness;
    }
    // An episode that ended before the kick began has moved no ball.
    double F = 0.0;
    if (kickStep != 0) {
        F = getAlong() - kAngleCost * std::fabs(getAngleError());
    }
    if (fault) F -= kFallCost;
    if (!std::isfinite(F)) F = -kFallCost;
    console() << "fitness = " << F << "  (along " << (kickStep ? getAlong() : 0.0) << " m, "
              << (kickStep ? getAngleError() : 0.0) << " deg off" << (fault ? ", fell" : "") << ")"
              << std::endl;
    return -F;
}
