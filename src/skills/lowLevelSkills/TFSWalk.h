// The agent's walk: forward, backward and curving while walking. Each cycle
// it picks a speed and a hip-yaw amplitude from the requested turning angle
// and the speed reached so far, ramps the reached speed toward the requested
// one (rescaling the joint amplitudes with it), slows down when the body
// spins too fast, and lets the follower send the joint commands.
//
// The behaviour layer keeps one walk running and steers it through
// SkillManager::getRunningSkill(): setDegree() (positive turns right),
// setspeed() (signed fraction of full speed, negative walks backward) and
// stop(), repeated every cycle until the walk reports finished.
#pragma once

#include <vector>

#include "etc/SkillParams.h"
#include "skills/lowLevelSkills/TFSSkill.h"

class TFSWalk : public TFSSkill {
public:
    // Requested speed 1.0 (full forward), reached speed 0.
    TFSWalk();
    explicit TFSWalk(double speed);

    bool run() override;
    SkillID getSkillID() override;
    // Straight ahead at full requested speed from standstill, the gait and
    // ramp of params/walk.params (design values where it has none), gait
    // phase starting now.
    void init() override;

    // The walk's tuned values, in the order of the walk learner's vector:
    // the ten gait values (aK, knee hold window end, cK, aArm, aHY, aH, bH,
    // cH, half period, timeR) under the names of the tuner's tfswalk.params,
    // then the seconds of the forward speed ramp from standstill to full
    // speed and back, then the heading hold's gain (hip-yaw degrees per
    // degree turned away; 0 switches it off).
    static const std::vector<SkillParams::Param>& paramList();
    static constexpr const char* kSkillName = "walk";
    static constexpr int kGaitCount = 10;

    // The follower alone, for learning.
    bool runGA();
    bool runnew();
    // Requests a stop; the walk finishes once the reached speed is 0 and a
    // stop has zeroed the sway and turn scales, so it is repeated each cycle.
    bool stop();
    // The same, going straight: a walk that still curves keeps walking (a
    // sharp curve holds its speed up).
    bool stopStraight();
    bool checkState();

    void setDegree(double d);
    double getDegree() const;
    void setspeed(double s);
    float getspeed() const;
    void setDistance(double d);
    void setTimeR(double t);
    void setARot(double a);
    void setArmParmeter(double a);
    bool isstop() const;
    bool isstopping() const;
    void updateR();
    // The speed actually reached (signed).
    double getLastSpeed() const;
    double getARot() const;

    // New step duration; the knee hold window keeps its share of the cycle
    // (it keeps its length when there was no step duration to scale from).
    // A duration that is not a finite number is ignored.
    void changeTFSfPeriods(double hPeriod);
    void setCurveParameters(float a, float b, float c);

    // The steps of run().
    void setCloseLoopWalkParameter();
    void updaters();
    void PtoPWalk();
    void MtoMWalk();
    void tozero();

    // Above this gyro rate (length of the rate vector) the body spins too
    // fast and the walk slows to a crawl.
    static constexpr double kGyroLimit = 400.0;
    // The heading hold never yaws the hips further than a mild turn does at
    // full speed.
    static constexpr double kMaxHold = 2.5;
    // Steering by the gyro, degrees a second of turn for each degree asked:
    // faster, the hips yaw so wide that a walk started from the beam's drop
    // falls more often than it turns.
    static constexpr double kSteerRate = 0.5;

    // Degrees turned (counter-clockwise positive) since the walk last went
    // straight, from the gyro.
    double getHeadingDrift() const { return headingDrift; }

private:
    // Sets the amplitude scales for ramped speed magnitude r, walking
    // forward (sign +1) or backward (-1).
    void applySpeed(double r, double sign);
    // Hip-yaw amplitude for a left turn at the reached speed (a right turn
    // takes its negative); false, leaving `left` alone, while the walk still
    // moves against the requested direction.
    bool turnBand(double& left) const;
    // Sets aRot for a turn to the right (true) or left at the reached speed.
    void turn(bool right);
    // Walking straight (or steering mildly): yaws the hips, at most `limit`
    // degrees, toward the heading to hold, from the turn the gyro has seen
    // since the hold began.
    void holdHeading(double limit);
    // A mild turn: by the gyro when the heading hold is on, else by the
    // band's fixed yaw.
    void steerOrTurn(bool right);

    double degree;
    double dest;
    float stoptime;
    double speed;
    bool stopflag;
    bool isstoppingflag;
    double newRI;
    double newRD;
    double lastspeed;
    // Seconds of the forward ramp, from the values file.
    double forwardAccelTime;
    double forwardBrakeTime;
    // The gait turns by itself; walking straight, the hips yaw against the
    // turn the gyro has seen since the straight walk began, and a mild turn
    // asked for is steered the same way toward a heading that moves.
    double headingGain;
    double headingDrift;
    double headingRef;
    bool holding;
    bool steering;
};
