// A whole-body posture: one angle in degrees per joint, indexed by DOFID.
// 9999 marks a joint the posture leaves free; anything from 9000 up counts
// as unset, so keyframes can constrain only some joints.
#pragma once

#include "types.h"

class WorldModel;
class GameConf;

class BodyState {
public:
    static constexpr double kUnsetAngle = 9999.0;
    static constexpr double kUnsetLimit = 9000.0;

    // All joints unset.
    BodyState();
    // Copies everything, unset joints included.
    BodyState(const BodyState& other);
    virtual ~BodyState();

    // An id outside 0..21 is ignored on write and reads as unset.
    void setDOF(DOFID id, double value);
    double getDOF(DOFID id) const;

    void setAllZero();
    // Both take 22 angles from the array; a null array changes nothing.
    void setBodyState(const double* dofArray);
    void getFromBodyState(const double* dofArray);
    // The posture the joint sensors report right now.
    void setBodyStateFromWorldModel();
    // Sets the 16 arm and leg joints of the VOR gait tables; head, elbows
    // and hip yaw joints keep their values.
    void setBodyWithVORPattern(double RightSholderY, double RightSholderX, double LeftSholderX,
                               double RightLegX, double LeftLegX, double RightWirst,
                               double LeftWirst, double RightKnee, double LeftKnee,
                               double RightAnkleX, double LeftAnkleX, double LeftSholderY,
                               double RightLegY, double LeftLegY, double RightAnkleY,
                               double LeftAnkleY);

    // Takes a joint over only where both postures have it set (the two
    // values add up to less than 9000); other joints keep their value.
    // So assigning into a fresh posture changes nothing: copy-construct
    // to duplicate a posture.
    BodyState operator=(const BodyState& other);
    // Joint-wise this - other where both are set, unset elsewhere.
    BodyState operator-(const BodyState& other) const;

    // "name: angle" per set joint on standard output.
    void print() const;

protected:
    WorldModel* WM;
    GameConf* GC;
    double dof[DOF_COUNT];
};
