// Brings a fallen robot back onto its feet. First every joint is
// straightened and the body is left to come to rest (gyro rate at most 0.3);
// then the fall detector's view of the feet tells whether the robot lies on
// its front or its back, and the joints are driven through the three
// keyframes of that side, a pattern monitor deciding when each is reached;
// last the body returns to the standing posture and every joint is stopped.
//
// Falls are detected outside: the decision layer queues a new stand-up in
// every cycle in which DMUtil::isFallen() reports a fall.
#pragma once

#include <cstddef>
#include <memory>

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"

class NaoStandUp : public SkillBase {
public:
    // Above this gyro rate magnitude the body is still moving.
    static constexpr double kRestGyro = 0.3;
    // Lying, gravity pulls along the torso's forward axis: about +9.8 on the
    // back, -9.8 on the front. Beyond this the reading decides the side.
    static constexpr double kLyingAcc = 7.0;
    // While the second keyframe on the front is driven, it counts as reached
    // a little earlier.
    static constexpr double kFrontSecondThr = 1.02;
    static constexpr double kThr = 1.0;
    // A keyframe the joints cannot reach would keep the robot on the ground
    // for good (the front's second one asks for a hip pitch of 110 degrees;
    // the joint stops at 100). Once the posture has come no closer to it,
    // by this much of the monitor's error, for this many cycles (0.5 s), it
    // counts as reached.
    static constexpr double kStallProgress = 0.01;
    static constexpr int kStallCycles = 25;

    NaoStandUp();
    ~NaoStandUp() override;
    NaoStandUp(const NaoStandUp&) = delete;
    NaoStandUp& operator=(const NaoStandUp&) = delete;

    // Overwritten when the side is detected.
    void setFaceSide(bool faceDown);

    bool run() override;
    SkillID getSkillID() override;

    bool isSettled() const { return initFlag; }
    bool isSideDetected() const { return isDetectFace; }
    bool isFaceDown() const { return face_down; }
    // Null until the side is detected.
    const PatternMonitor* getMonitor() const { return PM.get(); }

protected:
    void loadKeyframes();
    void skipUnreachableKeyframe();

    std::unique_ptr<PatternMonitor> PM;
    PatternAligner pa[3];
    PatternAligner initAlighn;
    bool initFlag;
    std::unique_ptr<BodyState> BS;
    double beginTime;
    bool start;
    bool face_down;
    bool face;
    bool isDetectFace;
    // Keyframes left when the stall watch last started, the least error
    // since, and the cycles without progress.
    std::size_t stallStage = 0;
    double stallBest = 0.0;
    int stallCycles = 0;
};
