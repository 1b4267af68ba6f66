// The physical state of one robot: joint angles and commanded velocities, the
// torso's placement on the field, whether it stands or lies, and what its
// body sensors read. There are no rigid-body dynamics: the torso's height and
// tilt follow the legs by forward kinematics, and falls are imposed from
// outside (knockOver).
#pragma once

#include "BodyKinematics.h"
#include "NaoModel.h"
#include "Pose.h"
#include "Vec3.h"

enum class BodyState { Upright, LyingFront, LyingBack };

const char* bodyStateName(BodyState state);

struct FootContact {
    bool touching = false;
    Vec3 centre;  // in the foot frame, m
    Vec3 force;   // in the foot frame, N
};

class RobotBody {
public:
    static constexpr double kFallDuration = 0.4;        // s from standing to lying
    static constexpr double kGetUpHipFlexionDeg = 75.0;  // both hips beyond this while lying
    static constexpr double kGetUpToleranceDeg = 10.0;   // leg joints near the standing pose
    static constexpr double kContactTolerance = 0.005;   // m: a sole this close to the ground bears weight

    RobotBody();

    // Joints. Velocities are clamped to the joint's maximum speed; a value
    // that is not finite is refused (false) and the old velocity stays.
    bool setVelocity(int joint, double radPerSec);
    double velocity(int joint) const { return velocities_[joint]; }
    double angle(int joint) const { return angles_[joint]; }  // rad
    const JointAngles& angles() const { return angles_; }
    // Sets an angle directly (clamped to the limits); used for scripted postures.
    void setAngle(int joint, double rad);
    void stepJoints(double dt);

    // Puts the robot upright with its torso above (x, y), facing `headingDeg`
    // (counter-clockwise from the world +x axis). Velocities of the body are zeroed.
    void place(double x, double y, double headingDeg);
    // Starts a fall onto the front or the back.
    void knockOver(bool onFront);

    // Recomputes the pose and the sensors after the joints have moved.
    void update(double dt);

    BodyState state() const { return state_; }
    bool isFalling() const { return state_ != BodyState::Upright && fallProgress_ < 1.0; }
    double heading() const { return headingDeg_; }  // deg, counter-clockwise from +x
    double pitch() const { return pitchDeg_; }      // deg, positive leaning back
    double roll() const { return rollDeg_; }        // deg, positive leaning to its right
    const Pose& torso() const { return torso_; }    // world placement of the torso frame
    const LimbPoses& limbs() const { return limbs_; }
    Pose camera() const;                             // head centre, head orientation
    // World position of a body centre given at the zero pose, torso-relative.
    Vec3 worldPoint(const Pose& limb, const Vec3& zeroPosePoint) const;

    const Vec3& gyro() const { return gyro_; }          // deg/s, torso frame
    const Vec3& accelerometer() const { return acc_; }  // m/s^2, torso frame
    const FootContact& rightFoot() const { return feet_[0]; }
    const FootContact& leftFoot() const { return feet_[1]; }

private:
    void placeUprightTorso();
    void advanceFall(double dt);
    void checkGettingUp();
    bool legsNearStandingPose() const;
    void updateFootContacts();
    void updateInertialSensors(double dt);
    void resetMotionHistory();
    Mat3 orientation() const;

    JointAngles angles_{};
    JointAngles velocities_{};
    LimbPoses limbs_;

    BodyState state_ = BodyState::Upright;
    Vec3 position_;  // torso centre, world
    double headingDeg_ = 0.0;
    double pitchDeg_ = 0.0;
    double rollDeg_ = 0.0;
    Pose torso_;
    bool rightStance_ = true;

    // Fall animation from the pose at the moment of the knock to the lying pose.
    double fallProgress_ = 1.0;
    Vec3 fallFrom_;
    Vec3 fallTo_;
    double fallPitchFrom_ = 0.0;
    double fallRollFrom_ = 0.0;
    bool hipsFlexedWhileLying_ = false;

    // Sensor history.
    int historyLength_ = 0;
    Vec3 prevPos_;
    Vec3 prevPrevPos_;
    Mat3 prevRot_;
    Vec3 gyro_;
    Vec3 acc_{0.0, 0.0, NaoModel::kGravity};
    FootContact feet_[2];
    unsigned long updates_ = 0;
};
