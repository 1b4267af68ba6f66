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
    : MotionLearning(kParamCount, std::move(simulator), std::move(optimiser)),
      startDir(0.0),
      fallTime(-1.0),
      headingRead(false),
      secondStarted(false),
      secondDir(0.0),
      firstScore(0.0) {}

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
    // The walking learners' common end test stops after fifteen seconds;
    // this episode's two walks take longer, so it has its own.
    fault = legLimitsViolated();
    fatalError = false;
    if (fault) {
        console() << "\nAbnormal behavior!" << std::endl;
    } else if (WM->getMyCartPos().getZ() < kFallHeight) {
        console() << "\nAgent fell!" << std::endl;
        fault = true;
    }
    if (fault && runStarted() && fallTime < 0) fallTime = runTime();
    const bool over = runStarted() && runTime() >= kEndTime;
    if (over) console() << "learning Time is finished" << std::endl;
    return finalJudgement(fault || over);
}

void TFSWalkingLearning::walkFor(double t) {
    TFSWalk& walk = getSharedWalk();
    if (t < kWalkTime) {
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
}

void TFSWalkingLearning::continueEval() {
    printProgress();
    if (stepCount == kIdleStep) {
        // Right after the beam: the first walk starts from the drop. The
        // world model has not seen the beam yet, but its place is known; the
        // heading is read once vision has caught up.
        beginRun();
        startX = kBeamX;
        startY = kBeamY;
        headingRead = false;
        secondStarted = false;
        firstScore = 0.0;
        applyParams();
        getSharedWalk().init();
        walkFor(0.0);
    } else if (stepCount > kIdleStep) {
        const double t = runTime();
        if (!headingRead && t >= kHeadingReadAt) {
            headingRead = true;
            startDir = WM->getDir().getZ();
        }
        if (t < kSecondStart) {
            walkFor(t);
        } else {
            if (!secondStarted) {
                // From the settled stance: a new walk, as the agent starts one.
                secondStarted = true;
                firstScore = score(Point(startX, startY, 0.0), startDir);
                secondFrom = WM->getMyCartPos();
                secondDir = WM->getDir().getZ();
                getSharedWalk().init();
            }
            walkFor(t - kSecondStart);
        }
    } else if (stepCount == 1) {
        fallTime = -1.0;
        secondStarted = false;
        runOpening();
    } else if (stepCount == kBeamStep) {
        CC->beam(static_cast<float>(kBeamX), static_cast<float>(kBeamY),
                 static_cast<float>(kBeamRot));
    } else if (stepCount > 1) {
        // The standing posture the agent holds before it walks.
        PatternAligner standing;
        standing.run();
    }
}

double TFSWalkingLearning::score(const Point& from, double fromDir) const {
    const Point pos = WM->getMyCartPos();
    const double dx = pos.getX() - from.getX();
    const double dy = pos.getY() - from.getY();
    const double h = kBeamRot * kDegToRad;
    const double forward = dx * std::cos(h) + dy * std::sin(h);
    const double sideways = -dx * std::sin(h) + dy * std::cos(h);
    const double turned = std::fabs(Geometry::normalizeAngle(WM->getDir().getZ() - fromDir));
    console() << "move=" << forward << ",punishDir=" << sideways << ",turned=" << turned
              << std::endl;
    return 10.0 * forward - 12.0 * std::fabs(sideways) - kTurnCost * turned;
}

double TFSWalkingLearning::calcFitness() {
    double F = 0.0;
    if (runStarted()) {
        F = secondStarted ? firstScore + score(secondFrom, secondDir)
                          : score(Point(startX, startY, 0.0), startDir);
    }
    if (fault) {
        const double when = fallTime < 0 ? 0.0 : std::min(fallTime, kEndTime);
        F -= kFallCost + kEarlyFallCost * (1.0 - when / kEndTime);
    }
    if (fatalError) {
        F = kFatalFitness;
    }
    console() << "fitness = " << F << "    ,fitDurTime=" << runTime() << std::endl;
    return -F;
}
