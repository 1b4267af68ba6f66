// The kinematic model of one robot: joint angles and commanded velocities,
// the torso's placement on the field, whether it stands or lies, and what its
// body sensors read. There are no rigid-body dynamics. While upright, the
// stance foot (the lower sole) is fixed flat on the ground and the torso
// hangs on it through the stance leg's forward kinematics, so leg motion
// carries the robot over the field; when the other sole comes lower, support
// passes to it. The robot falls when its torso tilts beyond 45 degrees, when
// its centre of mass stays outside the support area for 0.3 s, when its pose
// jumps absurdly within a cycle, or when knocked over from outside.
#pragma once

#include "robot/BodyKinematics.h"
#include "robot/RobotBody.h"
#include "robot/NaoModel.h"
#include "util/Pose.h"
#include "robot/kinematic/SupportArea.h"
#include "util/Vec3.h"

// The robot's outline on the ground for pushing other robots and the ball:
// the points within `radius` of the segment a-b (a point when upright).
struct Footprint {
    Vec3 a;
    Vec3 b;
    double radius = 0.0;
};

class KinematicBody : public RobotBody {
public:
    static constexpr double kFallDuration = 0.4;        // s from standing to lying
    static constexpr double kGetUpHipFlexionDeg = 75.0;  // both hips beyond this while lying
    static constexpr double kGetUpToleranceDeg = 10.0;   // leg joints near the standing pose
    static constexpr double kContactTolerance = 0.005;   // m: a sole this close to the ground bears weight
    static constexpr double kMaxTiltDeg = 45.0;          // beyond this the torso topples
    static constexpr double kMaxOffBalance = 0.3;        // s with the centre of mass outside the support
    // A robot on one foot whose weight leaves that sole tips onto its other
    // foot when that lies within this tilt (degrees) of the ground.
    static constexpr double kMaxTipOntoFootDeg = 12.0;
    static constexpr double kMaxTurnPerUpdateDeg = 45.0;  // a larger jump of the pose is not a motion
    static constexpr double kStanceTie = 1e-5;           // m the other sole must come lower to take over
    static constexpr double kFootDown = 0.001;           // m: a sole this low stands on the ground
    static constexpr double kFallReach = 0.25;  // m from the feet to the lying torso, at least
    static constexpr double kUprightRadius = 0.1;        // m, footprint of a standing robot among robots
    // The ball meets a standing robot's feet (as boxes) and, above them,
    // its legs: a narrower circle than the one other robots keep away from.
    static constexpr double kUprightBallRadius = 0.05;
    static constexpr double kLyingRadius = 0.08;         // m, half the width of a lying robot
    // A cycle's leg motion is followed in steps of at most this many degrees
    // per joint, so that support passes to the other foot about when it
    // touches down, not a whole cycle of motion later.
    static constexpr double kSubStepDeg = 1.0;
    static constexpr int kMaxSubSteps = 12;

    KinematicBody();

    // Joints. Velocities are clamped to the joint's maximum speed; a value
    // that is not finite is refused (false) and the old velocity stays.
    bool setVelocity(int joint, double radPerSec) override;
    double velocity(int joint) const { return velocities_[joint]; }
    double angle(int joint) const override { return angles_[joint]; }  // rad
    // The angle the joint's sensor reports (rad). A joint driven against its
    // limit reads a few degrees past it, between 0.5 short of it and 6.5
    // beyond, changing from cycle to cycle, as the real server's soft limits
    // do; elsewhere the true angle.
    double sensedAngle(int joint) const override;
    const JointAngles& angles() const { return angles_; }
    // Sets an angle directly (clamped to the limits); used for scripted postures.
    void setAngle(int joint, double rad);
    void stepJoints(double dt);

    // Puts the robot upright with its torso above (x, y), facing `headingDeg`
    // (counter-clockwise from the world +x axis). Velocities of the body are
    // zeroed. Values that are not finite are refused and change nothing.
    void place(double x, double y, double headingDeg) override;
    void refreshSensors() override { update(0.0); }
    // Starts a fall onto the front or the back, toward where it faces or away.
    void knockOver(bool onFront) override;
    // Starts a fall with the head toward the world direction `toward`
    // (horizontal), ending on the front or the back.
    void fall(const Vec3& toward, bool onFront, FallCause cause);
    // Moves the whole robot over the ground (pushed by another body).
    void shift(double dx, double dy);
    // The referee's move. Nothing holds this model's robot in the air: one
    // moved above where it would stand or lie comes down at the next update.
    void relocate(const Vec3& torsoCentre) override;

    // Recomputes the pose, the fall rules and the sensors after the joints
    // have moved by `dt` seconds.
    void update(double dt);

    BodyState state() const override { return state_; }
    bool isFalling() const { return state_ != BodyState::Upright && fallProgress_ < 1.0; }
    double heading() const override { return headingDeg_; }  // deg, counter-clockwise from +x
    double pitch() const override { return pitchDeg_; }      // deg, positive leaning back
    double roll() const override { return rollDeg_; }        // deg, positive leaning to its right
    Pose torso() const override { return torso_; }  // world placement of the torso frame
    const LimbPoses& limbs() const { return limbs_; }
    Pose camera() const override;                    // head centre, head orientation
    Vec3 partCentre(VisiblePart part) const override;
    std::array<Pose, NaoModel::kBodyPartCount> partPoses() const override;
    // World position of a body centre given at the zero pose, torso-relative.
    Vec3 worldPoint(const Pose& limb, const Vec3& zeroPosePoint) const;

    // Standing: which foot carries the robot and where it is anchored.
    bool rightStance() const { return rightStance_; }
    // Both soles stand on the ground (flat, or tipped onto their edges).
    bool onBothFeet() const { return onBothFeet_; }
    const Vec3& anchor() const { return anchor_; }  // stance sole centre, world
    const Vec3& centreOfMass() const { return com_; }  // world
    const SupportArea& support() const { return support_; }
    // Seconds the centre of mass has been outside the support; negative when inside.
    double offBalanceFor() const { return offBalanceFor_; }
    // Foot boxes in the world (centre and orientation) and their velocities.
    Pose footBox(int foot) const;  // 0 right, 1 left
    const Vec3& footVelocity(int foot) const { return footVelocity_[foot == 0 ? 0 : 1]; }
    // Velocity of the torso over the ground, m/s.
    const Vec3& torsoVelocity() const { return torsoVelocity_; }
    Footprint footprint() const;

    // The cause of a fall that began since the last call, or None.
    FallCause takeNewFall() override;

    const Vec3& gyro() const override { return gyro_; }          // deg/s, torso frame
    const Vec3& accelerometer() const override { return acc_; }  // m/s^2, torso frame
    const FootContact& rightFoot() const override { return feet_[0]; }
    const FootContact& leftFoot() const override { return feet_[1]; }

private:
    Vec3 soleInTorso(bool right) const;
    // Where the other sole was before the joints moved: it takes the weight there.
    struct SoleOnGround {
        bool known = false;
        bool down = false;  // on the ground (within kFootDown)
        Vec3 position;
        double yaw = 0.0;  // rad, as anchorYaw_
    };
    SoleOnGround otherSole() const;
    // Hangs the torso on the stance foot; passes support to the other foot
    // when its sole comes lower and can carry the robot alone. When neither
    // foot can stand alone without the other below the ground, or the robot
    // stood on both and the motion would lift either of them, it rests on
    // both soles, tipped as far as needed onto their edges.
    void standOnStance(const SoleOnGround& was);
    void passSupportToOtherFoot(const SoleOnGround& was);
    void rockOntoBothFeet();
    void tipOntoOtherFoot();
    double lowestCorner(int foot) const;  // world z of the lowest sole corner
    void poseFromAnchor();
    void setTorso(const Mat3& rot, const Vec3& pos);
    void applyFallRules(const Mat3& previousRot, bool comparable, double dt);
    void advanceFall(double dt);
    void checkGettingUp();
    bool legsNearStandingPose() const;
    void updateSupport();
    void updateFootContacts();
    void updateInertialSensors(double dt);
    void updateFeetMotion(double dt);
    void resetMotionHistory();
    // Brings a robot the referee moved up or down back to where it stands or lies.
    void land();
    void moveBy(const Vec3& d);
    Mat3 orientation() const;

    JointAngles angles_{};
    JointAngles velocities_{};
    unsigned long jointSteps_ = 0;  // picks each cycle's past-limit reading
    LimbPoses limbs_;
    JointAngles limbAngles_{};  // the angles limbs_ was computed from

    BodyState state_ = BodyState::Upright;
    Vec3 position_;  // torso centre, world
    double headingDeg_ = 0.0;
    double pitchDeg_ = 0.0;
    double rollDeg_ = 0.0;
    Pose torso_;

    // Standing on one foot: the stance sole's centre on the ground and the
    // turn of that foot about the vertical (rad, in the model frame: the
    // foot's forward axis is +y turned by this angle).
    bool rightStance_ = true;
    bool onBothFeet_ = false;
    Vec3 anchor_;
    double anchorYaw_ = 0.0;
    Vec3 com_;
    SupportArea support_;
    bool soleTouches_[2] = {true, true};
    double offBalanceFor_ = -1.0;

    // Fall animation from the pose at the moment of the fall to the lying pose.
    double fallProgress_ = 1.0;
    Vec3 fallFrom_;
    Vec3 fallTo_;
    double fallPitchFrom_ = 0.0;
    double fallRollFrom_ = 0.0;
    double fallHeadingFrom_ = 0.0;
    double fallHeadingTo_ = 0.0;
    bool hipsFlexedWhileLying_ = false;
    FallCause newFall_ = FallCause::None;
    // How far the referee has moved the robot above where it stands or lies.
    double lifted_ = 0.0;

    // Sensor history.
    int historyLength_ = 0;
    Vec3 prevPos_;
    Vec3 prevPrevPos_;
    Mat3 prevRot_;
    Vec3 gyro_;
    Vec3 acc_{0.0, 0.0, NaoModel::kGravity};
    Vec3 torsoVelocity_;
    FootContact feet_[2];
    Vec3 footCentre_[2];
    Vec3 prevFootCentre_[2];
    Vec3 footVelocity_[2];
    bool feetHistory_ = false;
    unsigned long updates_ = 0;
};
