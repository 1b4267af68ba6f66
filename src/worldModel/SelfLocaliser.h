// Where the robot stands and which way it faces, from what it sees now.
//
// The vision is restricted to a cone of 120 degrees and comes every third
// message, so the robot rarely sees the same landmarks twice and often sees
// only one or two of the eight (corner flags and goal posts). Every look at
// the landmarks is therefore used on its own, never mixed with older
// sightings (which were taken from elsewhere and facing elsewhere):
//
// - two or more landmarks in one vision message give position and heading
//   at once (a weighted fit of the seen points onto the known ones, the
//   heading leaning on the gyro's where the landmarks alone fix it poorly);
// - one landmark with the heading carried by the gyro gives the position;
// - between looks, and when nothing is seen, the heading is carried by the
//   torso attitude (TorsoAttitude, the gyro's rates) and the position kept.
//
// A sighting that does not fit the others is dropped; a lone landmark that
// puts the robot far from where it was is believed only when the next look
// agrees (the referee may carry a robot off without telling), while two
// landmarks that agree with each other are believed at once. After the
// robot's own beam the beamed pose holds until vision says otherwise.
//
// Frames: the localiser works in the field frame of a team on the left (the
// frame of the landmark table) and answers in our team's own frame (our
// goal at -x; a team on the right sees it turned half a circle). Positions
// are the torso's (x, y) with the camera's height as z; the yaw grows
// clockwise and is 0 facing the opponent goal, as the world model has it.
#pragma once

#include "geometry/Point.h"
#include "worldModel/TorsoAttitude.h"

class SelfLocaliser {
public:
    static constexpr int kLandmarkCount = 8;
    // At most this many landmark sightings count from one vision message.
    static constexpr int kMaxSightings = 16;
    // The camera (head centre) above the torso's centre, in the torso frame.
    static constexpr double kCameraAboveTorso = 0.155;
    // Vision shows a teleport a cycle late, and comes every third cycle: for
    // this long after our own beam what it shows is where we were before.
    static constexpr double kBeamBlind = 0.05;
    // A lone landmark that moves the robot farther than this must be
    // confirmed by the next look.
    static constexpr double kJumpDistance = 1.0;

    // One landmark as the vision reported it: distance (m), azimuth and
    // elevation (degrees, relative to the head; azimuth positive to the
    // left), and the head's pan and tilt (degrees) at the sighting.
    struct Sighting {
        int slot;
        double distance;
        double azimuth;
        double elevation;
        double pan;
        double tilt;
    };

    // What the last vision message did to the belief.
    enum FixKind { FIX_NONE, FIX_SEVERAL, FIX_ONE, FIX_HELD, FIX_REJECTED };

    SelfLocaliser();

    // Forgets everything: pose unknown, torso upright.
    void reset();
    // Where landmark `slot` stands, field frame of a team on the left.
    void setLandmark(int slot, const Point& pos);
    // Our side: answers and beams are in our team's frame.
    void setRightSide(bool right);

    // Every message: carries the attitude over the time since the last
    // message with the gyro's rate (degrees per second, torso frame), and
    // corrects its lean with the accelerometer when one was reported.
    void carry(double time, const Point& gyroRate, const Point* acc);
    // A vision message: the landmark sightings it brought (possibly none).
    FixKind see(double time, const Sighting* sightings, int count);
    // Our own beam to (x, y) facing `rotDeg` (counter-clockwise, 0 toward
    // the opponent goal), our team's frame, sent at `time`.
    void beamed(double time, double x, double y, double rotDeg);

    // Whether a pose has been found (from vision or a beam).
    bool known() const { return poseKnown; }
    // Torso position (x, y) and camera height (z), our team's frame.
    Point position() const;
    // Degrees, clockwise, 0 facing the opponent goal.
    double yaw() const { return currentYaw; }
    // Roll (180 when upright, as the world model has always reported it;
    // growing as the torso leans to its right) and pitch (positive when it
    // leans forward), degrees.
    double roll() const;
    double pitch() const;
    // Field position (our team's frame) of something seen at `distance`,
    // horizontal angle `azimuth` and vertical angle `elevation` in the body
    // frame (head angles already added), taken as lying on the ground at
    // `groundHeight` when it is low enough to be there.
    Point fieldPointOf(double distance, double azimuth, double elevation,
                       double groundHeight) const;

    const TorsoAttitude& attitude() const { return torso; }
    // Where landmark `slot` stands, field frame of a team on the left.
    Point landmark(int slot) const {
        return slot >= 0 && slot < kLandmarkCount ? landmarks[slot] : Point(0, 0, 0);
    }
    // Landmarks used by the last fix, and sightings dropped as outliers.
    int usedInLastFix() const { return lastUsed; }
    int rejectedInLastFix() const { return lastRejected; }

private:
    struct Seen {
        int slot;
        double distance;
        double landmarkX, landmarkY, landmarkZ;
        // Horizontal direction in the reference frame (radians) and the
        // camera height this sighting alone implies.
        double bearing;
        double cameraZ;
        // Horizontal offset from the camera, reference frame.
        double ux, uy;
    };

    // Fits position and heading offset to `n` sightings; `usePrior` lets
    // the carried heading take part. Fills the worst residual over its
    // allowance and its index.
    void fit(const Seen* s, int n, bool usePrior, double& psi, double& px, double& py,
             double& worstExcess, int& worst) const;
    // The camera position (world frame) from one sighting at heading offset
    // psi.
    // Whether a fix there is possible at all.
    bool onField(double x, double y) const;
    void placeBy(const Seen& s, double psi, double& px, double& py) const;
    void carryAttitude(double time, const Point& gyroRate, const Point* acc);
    FixKind fix(double time, const Sighting* sightings, int count);
    // One try of the fix with the attitude as it stands.
    FixKind fixWith(double time, const Sighting* sightings, int count);
    void refreshYaw();
    void accept(double px, double py, double psi, double cameraZ);
    // The torso's horizontal offset from the camera, world frame.
    void torsoFromCamera(double& dx, double& dy) const;

    Point landmarks[kLandmarkCount];
    bool right = false;
    TorsoAttitude torso;
    // The attitude as of the message before, which the vision shows.
    TorsoAttitude seenBy;
    bool leveled = false;
    int leanLostCount = 0;
    double lastCarry;

    bool poseKnown = false;
    // Camera position and height, world frame.
    double camX = 0.0, camY = 0.0, camZ = 0.5;
    // The reference frame's +x in the world, counter-clockwise radians:
    // the torso faces psi + its facing in the reference frame.
    double psi = 0.0;
    bool psiKnown = false;
    double currentYaw = 0.0;

    double beamTime;
    // A far jump by a lone landmark waiting for the next look to agree.
    bool jumpPending = false;
    double jumpX = 0.0, jumpY = 0.0, jumpTime = 0.0;

    int lastUsed = 0;
    int lastRejected = 0;
    // The last try was refused because its landmarks put the camera where a
    // robot's camera cannot be.
    bool leanImplausible = false;
};
