// What the game sees of one robot's body, whichever model moves it: joint
// commands in, pose and sensor readings out. The kinematic model places the
// body by geometry and rules; the physics model simulates it as rigid bodies.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "robot/NaoModel.h"
#include "util/Pose.h"
#include "util/Vec3.h"

enum class BodyState { Upright, LyingFront, LyingBack };

const char* bodyStateName(BodyState state);

// Why the robot last fell. The kinematic model names its rule; in the physics
// model a fall is simply the torso coming to lie (Toppled).
enum class FallCause { None, Knocked, Tilt, Balance, Spin, Toppled };

const char* fallCauseName(FallCause cause);

struct FootContact {
    bool touching = false;
    Vec3 centre;  // in the foot frame, m
    Vec3 force;   // in the foot frame, N
};

// The parts of a robot that other robots see.
enum class VisiblePart { Head, RightLowerArm, LeftLowerArm, RightFoot, LeftFoot };

class RobotBody {
public:
    virtual ~RobotBody() = default;

    // A target velocity for one joint (rad/s), clamped to its maximum speed.
    // False, and nothing changes, for an unknown joint or a value that is not
    // finite.
    virtual bool setVelocity(int joint, double radPerSec) = 0;
    virtual double angle(int joint) const = 0;        // rad, the true angle
    virtual double sensedAngle(int joint) const = 0;  // rad, what the joint sensor reports

    // Puts the robot upright with its torso above (x, y), facing `headingDeg`
    // (counter-clockwise from the world +x axis), joints as they are.
    // Values that are not finite are refused and change nothing.
    virtual void place(double x, double y, double headingDeg) = 0;
    // The robot's own beam: a placement as place(), carried out where the
    // real server carries it out in its cycle. There the beam comes in the
    // pass before the step, after the accelerometer has taken its sample, so
    // that sample still shows the robot as it was (the physics model keeps
    // this order; the kinematic model places at once).
    virtual void beam(double x, double y, double headingDeg) { place(x, y, headingDeg); }
    // The referee's move: the whole robot translated so that its torso
    // centre comes to `torsoCentre`, every body by the same offset, so its
    // orientation and joint angles stay as they are; every body stops, and
    // a robot the physics had frozen is not woken (it stays where it is
    // put, even in the air). A target that is not finite changes nothing.
    virtual void relocate(const Vec3& torsoCentre) = 0;
    // Brings the sensors up to date with a placement made outside a cycle
    // (a new robot, a robot joining), so that the next perception shows it.
    virtual void refreshSensors() = 0;
    // Knocks the robot over toward its front or its back.
    virtual void knockOver(bool onFront) = 0;
    // The cause of a fall that began since the last call, or None.
    virtual FallCause takeNewFall() = 0;
    // What else the model did to the robot since the last call that a user
    // debugging its motion wants to know (one line each); none by default.
    virtual std::vector<std::string> takeNotes() { return {}; }

    virtual BodyState state() const = 0;
    virtual double heading() const = 0;  // deg, counter-clockwise from +x
    virtual double pitch() const = 0;    // deg, positive leaning back
    virtual double roll() const = 0;     // deg, positive leaning to its right
    virtual Pose torso() const = 0;      // world placement of the torso frame
    virtual Pose camera() const = 0;     // head centre, head orientation
    virtual Vec3 partCentre(VisiblePart part) const = 0;  // world
    // World placement of each of the robot's 23 bodies (in the robot model's
    // order of parts, NaoModel::bodyPart): its centre and orientation.
    virtual std::array<Pose, NaoModel::kBodyPartCount> partPoses() const = 0;

    virtual const Vec3& gyro() const = 0;           // deg/s, torso frame
    virtual const Vec3& accelerometer() const = 0;  // m/s^2, torso frame
    virtual const FootContact& rightFoot() const = 0;
    virtual const FootContact& leftFoot() const = 0;
};
