#include "objects/BodyState.h"

#include <iostream>

#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

bool validId(DOFID id) { return static_cast<int>(id) >= 0 && static_cast<int>(id) < DOF_COUNT; }

}  // namespace

BodyState::BodyState()
    : WM(WorldModel::getUniqueInstance()), GC(GameConf::getUniqueInstance()), dof{} {
    for (double& angle : dof) {
        angle = kUnsetAngle;
    }
}

BodyState::BodyState(const BodyState& other) : WM(other.WM), GC(other.GC), dof{} {
    for (int i = 0; i < DOF_COUNT; ++i) {
        dof[i] = other.dof[i];
    }
}

BodyState::~BodyState() = default;

void BodyState::setDOF(DOFID id, double value) {
    if (validId(id)) {
        dof[id] = value;
    }
}

double BodyState::getDOF(DOFID id) const { return validId(id) ? dof[id] : kUnsetAngle; }

void BodyState::setAllZero() {
    for (double& angle : dof) {
        angle = 0.0;
    }
}

void BodyState::setBodyState(const double* dofArray) {
    if (dofArray == nullptr) {
        return;
    }
    for (int i = 0; i < DOF_COUNT; ++i) {
        dof[i] = dofArray[i];
    }
}

void BodyState::getFromBodyState(const double* dofArray) { setBodyState(dofArray); }

void BodyState::setBodyStateFromWorldModel() {
    for (int i = 0; i < DOF_COUNT; ++i) {
        dof[i] = WM->getDOF(static_cast<DOFID>(i));
    }
}

void BodyState::setBodyWithVORPattern(double RightSholderY, double RightSholderX,
                                      double LeftSholderX, double RightLegX, double LeftLegX,
                                      double RightWirst, double LeftWirst, double RightKnee,
                                      double LeftKnee, double RightAnkleX, double LeftAnkleX,
                                      double LeftSholderY, double RightLegY, double LeftLegY,
                                      double RightAnkleY, double LeftAnkleY) {
    dof[DOF_SHOULDER_RY] = RightSholderY;
    dof[DOF_SHOULDER_RX] = RightSholderX;
    dof[DOF_SHOULDER_LX] = LeftSholderX;
    dof[DOF_LEG_RX] = RightLegX;
    dof[DOF_LEG_LX] = LeftLegX;
    dof[DOF_SHOULDER_RT] = RightWirst;
    dof[DOF_SHOULDER_LT] = LeftWirst;
    dof[DOF_KNEE_R] = RightKnee;
    dof[DOF_KNEE_L] = LeftKnee;
    dof[DOF_ANKLE_RX] = RightAnkleX;
    dof[DOF_ANKLE_LX] = LeftAnkleX;
    dof[DOF_SHOULDER_LY] = LeftSholderY;
    dof[DOF_LEG_RY] = RightLegY;
    dof[DOF_LEG_LY] = LeftLegY;
    dof[DOF_ANKLE_RY] = RightAnkleY;
    dof[DOF_ANKLE_LY] = LeftAnkleY;
}

BodyState BodyState::operator=(const BodyState& other) {
    WM = other.WM;
    GC = other.GC;
    // A joint is taken over only when it is set on both sides: the sum of an
    // unset joint (9999) and any real angle stays at or above 9000. Callers
    // rely on this to update a target posture joint by joint.
    for (int i = 0; i < DOF_COUNT; ++i) {
        if (dof[i] + other.dof[i] < kUnsetLimit) {
            dof[i] = other.dof[i];
        }
    }
    return *this;
}

BodyState BodyState::operator-(const BodyState& other) const {
    BodyState result;
    for (int i = 0; i < DOF_COUNT; ++i) {
        if (dof[i] + other.dof[i] < kUnsetLimit) {
            result.dof[i] = dof[i] - other.dof[i];
        }
    }
    return result;
}

void BodyState::print() const {
    for (int i = 0; i < DOF_COUNT; ++i) {
        if (dof[i] < kUnsetLimit) {
            std::cout << GC->getDOFName(static_cast<DOFID>(i)) << ": " << dof[i] << '\n';
        }
    }
}
