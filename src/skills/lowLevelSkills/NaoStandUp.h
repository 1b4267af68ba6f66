// Brings a fallen robot back onto its feet. First every joint is
// straightened and the body is left to come to rest (gyro rate at most 0.3);
// then the fall detector's view of the feet tells whether the robot lies on
// its front or its back, and the joints are driven through the three
// keyframes of that side, a pattern monitor deciding when each is reached;
// last the body returns to the standing posture and every joint is stopped.
//
// Falls are detected outside: the decision layer queues a new stand-up in
// every cycle in which DMUtil::isFallen() reports a fall. That detector
// looks back half a second, so it may still report the fall just after a
// stand-up has ended: a stand-up that finds the robot upright before it has
// moved a joint (gravity along the torso) only returns to the standing
// posture, instead of throwing a standing robot down with the lying
// keyframes and starting over.
//
// Its gains, thresholds and the rest it waits for come from
// params/standup.params (paramList()).
#pragma once

#include <memory>
#include <vector>

#include "control/PatternMonitor.h"
#include "etc/SkillParams.h"
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
    // Upright, gravity lies along the torso's up axis; this many readings
    // in a row of at least kUprightAcc mean the robot is not lying.
    static constexpr double kUprightAcc = 8.5;
    static constexpr int kUprightReadings = 3;
    static constexpr const char* kSkillName = "standup";
    // Lying on its side, gravity lies along the torso's sideways axis.
    // Neither keyframe chain gets the robot up from there, and it lies on
    // its side steadily: the arms and hips swing forward (degrees) for
    // kRollTime seconds, which tips it off the side toward its back, and it
    // settles again from there.
    static constexpr double kRollArms = 90.0;
    static constexpr double kRollHips = 90.0;
    static constexpr double kRollTime = 0.2;

    // The values of params/standup.params with their design values: the
    // gyro rate counted as at rest before the side is read, the aligners'
    // gains (straightening, keyframes, rising to the standing posture), the
    // keyframe thresholds (mean degrees off per joint) and how straight
    // (degrees, every joint) the joints must be before the side is read.
    static const std::vector<SkillParams::Param>& paramList();

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
    // True when it found the robot upright and only stood.
    bool foundUpright() const { return upright; }
    // True once it has tried to tip the robot off its side.
    bool rolledOffSide() const { return rolled; }
    // Null until the side is detected.
    const PatternMonitor* getMonitor() const { return PM.get(); }

protected:
    void loadKeyframes();

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
    bool upright;
    int uprightReadings;
    double rollStart;
    bool rolled;
    int flatReadings;
    double restGyro;
    double straightenPower;
    double keyframePower;
    double keyframeThr;
    double frontSecondThr;
    double risePower;

private:
    // Gravity across the torso sideways (and the roll's time not yet up).
    bool liesOnSide();
    // Counts this cycle's accelerometer reading toward "upright".
    bool readsUpright();
    // The standing posture at the rising gain; true once reached.
    bool standUp();
};
