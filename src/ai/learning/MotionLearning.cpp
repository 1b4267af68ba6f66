#include "ai/learning/MotionLearning.h"

#include <iostream>
#include <utility>

#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

struct JointLimit {
    DOFID joint;
    double low;
    double high;
    const char* message;
};

// Limits beyond which the walk is doing something no gait should.
const JointLimit kLegLimits[] = {
    {DOF_LEG_LX, -90, 90, "########## Left Leg Ax1 ###########"},
    {DOF_LEG_LY, -60, 60, "########## Left Leg Ax2 ###########"},
    {DOF_LEG_RX, -90, 90, "########## Right Leg Ax1 ###########"},
    {DOF_LEG_RY, -60, 60, "########## Right Leg Ax2 ###########"},
    {DOF_ANKLE_LX, -100, 100, "########## Left Ankle Ax1 ###########"},
    {DOF_ANKLE_LY, -60, 60, "########## Left Ankle Ax2 ###########"},
    {DOF_ANKLE_RX, -100, 100, "########## Right Ankle Ax1 ###########"},
    {DOF_ANKLE_RY, -60, 60, "########## Right Ankle Ax2 ###########"},
    {DOF_KNEE_L, -160, 8, "########## Left Knee ###########"},
    {DOF_KNEE_R, -160, 8, "########## Right Knee ###########"},
};

constexpr unsigned kStopFrom = 3;
constexpr unsigned kAlignFrom = 50;

}  // namespace

MotionLearning::MotionLearning(unsigned count, std::unique_ptr<SimulatorControl> simulator,
                               std::unique_ptr<Communicator> optimiser)
    : LearningBase(count, std::move(simulator), std::move(optimiser)),
      fault(false),
      fatalError(false),
      testTime(0.0),
      bTime(0.0),
      startX(0.0),
      startY(0.0) {
    beamAtStart(kStartX, kStartY, kStartDir);
}

std::ostream& MotionLearning::console() const {
    static std::ostream nowhere(nullptr);
    return quiet ? nowhere : std::cout;
}

double MotionLearning::runTime() const {
    if (!runStarted()) {
        return 0.0;
    }
    return static_cast<double>(WM->getTime()) - bTime;
}

bool MotionLearning::legLimitsViolated() const {
    bool violated = false;
    for (const JointLimit& limit : kLegLimits) {
        const double angle = WM->getDOF(limit.joint);
        if (angle < limit.low || angle > limit.high) {
            console() << limit.message << std::endl;
            if (limit.joint == DOF_LEG_LY) {
                console() << "angle = " << angle << std::endl;
            }
            violated = true;
        }
    }
    return violated;
}

bool MotionLearning::walkingEvalDone(bool abnormal) {
    fault = abnormal;
    fatalError = false;
    bool done = false;
    if (fault) {
        console() << "\nAbnormal behavior!" << std::endl;
        if (!quiet) {
            WM->printJoints();
        }
        done = true;
    } else if (WM->getMyCartPos().getZ() < kFallHeight) {
        console() << "\nAgent fell!" << std::endl;
        fault = true;
        done = true;
    } else if (stepCount > kIdleStep && runTime() >= kLearningTime) {
        console() << "learning Time is finished" << std::endl;
        done = true;
    }
    return finalJudgement(done);
}

bool MotionLearning::finalJudgement(bool done) {
    // The opening is never judged: the robot may still be settling.
    if (stepCount < kIdleStep) {
        done = false;
    }
    if (simulatorStalled()) {
        done = true;
    }
    return done;
}

bool MotionLearning::simulatorStalled() {
    const double now = WM->getTime();
    if (stepCount == kStallSampleStep) {
        testTime = now;
    } else if (stepCount == kStallCheckStep && now == testTime) {
        console() << "\n\n\n!!!!!!!!!!! FATAL ERROR !!!!!!!!!!!!!\n\n\n" << std::endl;
        fatalError = true;
        return true;
    }
    return false;
}

void MotionLearning::printProgress() const {
    const Point pos = WM->getMyCartPos();
    console() << "X=" << pos.getX() << "\nY=" << pos.getY() << "\nZ=" << pos.getZ() << "\n"
              << stepCount << " : " << runTime() << std::endl;
}

void MotionLearning::runOpening() {
    if (stepCount == 1) {
        CC->init(0, kTeamName);
    } else if (stepCount >= kStopFrom && stepCount < kAlignFrom) {
        CC->stopAllJoints();
    } else if (stepCount >= kAlignFrom && stepCount < kIdleStep) {
        double posture[DOF_COUNT] = {};
        posture[DOF_SHOULDER_RY] = -10;
        posture[DOF_SHOULDER_RT] = 90;
        posture[DOF_SHOULDER_LY] = 10;
        posture[DOF_SHOULDER_LT] = -90;
        PatternAligner aligner;
        aligner.setPattern(posture);
        aligner.run();
    }
}

void MotionLearning::beginRun() {
    CC->stopAllJoints();
    bTime = WM->getTime();
    const Point pos = WM->getMyCartPos();
    startX = pos.getX();
    startY = pos.getY();
    console() << " the agent is in (" << startX << " , " << startY << " )" << std::endl;
}
