#include "utils/CommandCreator.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>

#include "buildMode.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {

const char kStopAllJoints[] =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";

// Effector opening texts by world-model joint slot: the order in which the
// server reports its hinge joints.
const char* const kEffectorBySlot[DOF_COUNT] = {
    "(he1 ",  "(he2 ",  "(rae1 ", "(rae2 ", "(rae3 ", "(rae4 ", "(lae1 ", "(lae2 ",
    "(lae3 ", "(lae4 ", "(rle1 ", "(rle2 ", "(rle3 ", "(rle4 ", "(rle5 ", "(rle6 ",
    "(lle1 ", "(lle2 ", "(lle3 ", "(lle4 ", "(lle5 ", "(lle6 "};

// Controller constants: errors within kTolerance count as reached; groups
// further than kTolerance * kReachRate away are reported as not there yet.
constexpr double kTolerance = 0.5;
constexpr double kReachRate = 4.0;
constexpr double kSpeedRate = 10.0;

// Narrows to float without the undefined behaviour of an out-of-range cast:
// values beyond the float range become infinite (and are then handled as such).
float toFloat(double value) {
    if (value > FLT_MAX) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -FLT_MAX) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

// NaN is never "within" a limit, so a broken reading never counts as reached.
bool beyond(float error, double limit) { return !(std::fabs(error) <= limit); }

}  // namespace

CommandCreator* CommandCreator::getUniqueInstance() {
    static CommandCreator instance;
    return &instance;
}

CommandCreator::CommandCreator() : WM(WorldModel::getUniqueInstance()) {
    std::memset(commandString, 0, sizeof commandString);
    std::memset(command, 0, sizeof command);
    std::memset(sayText, 0, sizeof sayText);
}

void CommandCreator::reset() {
    std::memset(commandString, 0, sizeof commandString);
    commandLength = 0;
    fullReported = false;
}

char* CommandCreator::getPreparedCommand() { return commandString; }

void CommandCreator::reportFull() {
    if (!fullReported) {
        devErr("CommandCreator: command text full, expressions dropped this cycle\n");
        fullReported = true;
    }
}

bool CommandCreator::appendAll(const char* const* pieces, std::size_t count) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        total += std::strlen(pieces[i]);
    }
    if (total > kCommandSize - 1 - commandLength) {
        reportFull();
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = std::strlen(pieces[i]);
        std::memcpy(commandString + commandLength, pieces[i], length);
        commandLength += length;
    }
    commandString[commandLength] = '\0';
    return true;
}

void CommandCreator::pushCmd(const char* text) {
    if (text == nullptr) {
        return;
    }
    const char* pieces[] = {text};
    appendAll(pieces, 1);
}

void CommandCreator::appendJoint(const char* effector, float value) {
    // The server cannot read "nan" or "inf"; a stopped joint is the safe reading.
    if (!std::isfinite(value)) {
        value = 0.0f;
    }
    std::snprintf(command, sizeof command, "%f", static_cast<double>(value));
    const char* pieces[] = {effector, command, ")"};
    appendAll(pieces, 3);
}

void CommandCreator::stopAllJoints() {
    static_assert(sizeof kStopAllJoints - 1 == 218, "zero text of all joints");
    std::memcpy(commandString, kStopAllJoints, sizeof kStopAllJoints);
    commandLength = sizeof kStopAllJoints - 1;
}

void CommandCreator::init(int i, const char* ch) {
    if (ch == nullptr) {
        ch = "";
    }
    // Cut the team name rather than the brackets, so the server can still parse it.
    const int frame = std::snprintf(nullptr, 0, "(init (unum %d)(teamname ))", i);
    const int room = static_cast<int>(kCommandSize - 1) - frame;
    std::snprintf(commandString, kCommandSize, "(init (unum %d)(teamname %.*s))", i,
                  room > 0 ? room : 0, ch);
    commandLength = std::strlen(commandString);
}

void CommandCreator::beam(float x, float y, float z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        devErr("CommandCreator: beam to a position that is not a number refused\n");
        return;
    }
    std::snprintf(commandString, kCommandSize, "(beam %f %f %f)", static_cast<double>(x),
                  static_cast<double>(y), static_cast<double>(z));
    commandLength = std::strlen(commandString);
    // The robot will stand exactly there: the localisation takes the pose.
    WM->noteOwnBeam(x, y, z);
}

void CommandCreator::beam(Point point) {
    beam(toFloat(point.getX()), toFloat(point.getY()), toFloat(point.getZ()));
}

void CommandCreator::say(const char* ch) {
    if (ch == nullptr) {
        ch = "";
    }
    double time = WM->getTime();
    if (!std::isfinite(time)) {
        time = 0.0;
    }
    std::snprintf(sayText, sizeof sayText, "V_U_D_%f_%s", time, ch);
    std::snprintf(commandString, kCommandSize, "(say %s)", sayText);
    commandLength = std::strlen(commandString);
}

void CommandCreator::moveHeadAx1(float value) { appendJoint("(he1 ", value); }
void CommandCreator::moveHeadAx2(float value) { appendJoint("(he2 ", value); }
void CommandCreator::moveRShoulderAx1(float value) { appendJoint("(rae1 ", value); }
void CommandCreator::moveRShoulderAx2(float value) { appendJoint("(rae2 ", value); }
void CommandCreator::rotateRShoulder(float value) { appendJoint("(rae3 ", value); }
void CommandCreator::moveRElbow(float value) { appendJoint("(rae4 ", value); }
void CommandCreator::moveLShoulderAx1(float value) { appendJoint("(lae1 ", value); }
void CommandCreator::moveLShoulderAx2(float value) { appendJoint("(lae2 ", value); }
void CommandCreator::rotateLShoulder(float value) { appendJoint("(lae3 ", value); }
void CommandCreator::moveLElbow(float value) { appendJoint("(lae4 ", value); }
void CommandCreator::rotateRLeg(float value) { appendJoint("(rle1 ", value); }
void CommandCreator::moveRLegAx1(float value) { moveRLegAx2_1(value); }
void CommandCreator::moveRLegAx2(float value) { moveRLegAx1_2(value); }
void CommandCreator::moveRKnee(float value) { appendJoint("(rle4 ", value); }
void CommandCreator::moveRAnkleAx1(float value) { appendJoint("(rle5 ", value); }
void CommandCreator::moveRAnkleAx2(float value) { appendJoint("(rle6 ", value); }
void CommandCreator::rotateLLeg(float value) { appendJoint("(lle1 ", value); }
void CommandCreator::moveLLegAx1(float value) { moveLLegAx2_1(value); }
void CommandCreator::moveLLegAx2(float value) { moveLLegAx1_2(value); }
void CommandCreator::moveLKnee(float value) { appendJoint("(lle4 ", value); }
void CommandCreator::moveLAnkleAx1(float value) { appendJoint("(lle5 ", value); }
void CommandCreator::moveLAnkleAx2(float value) { appendJoint("(lle6 ", value); }
void CommandCreator::moveRLegAx2_1(float value) { appendJoint("(rle3 ", value); }
void CommandCreator::moveRLegAx1_2(float value) { appendJoint("(rle2 ", value); }
void CommandCreator::moveLLegAx2_1(float value) { appendJoint("(lle3 ", value); }
void CommandCreator::moveLLegAx1_2(float value) { appendJoint("(lle2 ", value); }

void CommandCreator::moveRightLeg(float a, float b) {
    moveRLegAx1(a);
    moveRLegAx2(b);
}
void CommandCreator::moveLeftLeg(float a, float b) {
    moveLLegAx1(a);
    moveLLegAx2(b);
}
void CommandCreator::moveRightAnkle(float a, float b) {
    moveRAnkleAx1(a);
    moveRAnkleAx2(b);
}
void CommandCreator::moveLeftAnkle(float a, float b) {
    moveLAnkleAx1(a);
    moveLAnkleAx2(b);
}
void CommandCreator::moveRightShoulder(float a, float b) {
    moveRShoulderAx1(a);
    moveRShoulderAx2(b);
}
void CommandCreator::moveLeftShoulder(float a, float b) {
    moveLShoulderAx1(a);
    moveLShoulderAx2(b);
}
void CommandCreator::moveRightKnee(float a) { moveRKnee(a); }
void CommandCreator::moveLeftKnee(float a) { moveLKnee(a); }
void CommandCreator::rotateRightLeg(float a) { rotateRLeg(a); }
void CommandCreator::rotateLeftLeg(float a) { rotateLLeg(a); }
void CommandCreator::moveRightElbow(float a) { moveRElbow(a); }
void CommandCreator::moveLeftElbow(float a) { moveLElbow(a); }
void CommandCreator::rotateRightHand(float a) { rotateRShoulder(a); }
void CommandCreator::rotateLeftHand(float a) { rotateLShoulder(a); }

void CommandCreator::moveHingJoint(int index, float angle) {
    if (index < 0 || index >= DOF_COUNT) {
        return;
    }
    appendJoint(kEffectorBySlot[index], angle);
}

void CommandCreator::moveUniversalJoint(int index, float angleX, float angleY) {
    switch (index) {
        case 0:
            moveLeftShoulder(angleX, angleY);
            break;
        case 1:
            moveRightShoulder(angleX, angleY);
            break;
        case 2:
            moveLeftLeg(angleX, angleY);
            break;
        case 3:
            moveRightLeg(angleX, angleY);
            break;
        case 4:
            moveLeftAnkle(angleX, angleY);
            break;
        case 5:
            moveRightAnkle(angleX, angleY);
            break;
        default:
            std::cerr << "!!!This index is not available in universaljoint number!!!\n"
                         " you should select number between (0 -> 5)"
                      << std::endl;
            break;
    }
}

std::string CommandCreator::SetLegsAngle(double lleg, double rleg, double lknee, double rknee,
                                         double lfoot, double rfoot, double leleg, double releg,
                                         double lefoot, double refoot) {
    const double reach = kTolerance * kReachRate;
    std::string notThere;

    // One group of one or two joints: zero speed when every error is within
    // tolerance, otherwise a speed proportional to the error, and a label
    // when the group is still out of reach.
    auto drivePair = [&](float d, float e, void (CommandCreator::*move)(float, float),
                         const char* label) {
        if (!beyond(d, kTolerance) && !beyond(e, kTolerance)) {
            (this->*move)(0.0f, 0.0f);
            return;
        }
        (this->*move)(static_cast<float>(-d / kSpeedRate), static_cast<float>(-e / kSpeedRate));
        if (beyond(d, reach) || beyond(e, reach)) {
            notThere += label;
        }
    };
    auto driveOne = [&](float d, void (CommandCreator::*move)(float), const char* label) {
        if (!beyond(d, kTolerance)) {
            (this->*move)(0.0f);
            return;
        }
        (this->*move)(static_cast<float>(-d / kSpeedRate));
        if (beyond(d, reach)) {
            notThere += label;
        }
    };
    auto error = [this](DOFID id, double target) {
        return toFloat(WM->getDOF(id) - target);
    };

    drivePair(error(DOF_LEG_LX, lleg), error(DOF_LEG_LY, leleg), &CommandCreator::moveLeftLeg,
              "lleg,");
    drivePair(error(DOF_LEG_RX, rleg), error(DOF_LEG_RY, releg), &CommandCreator::moveRightLeg,
              "rleg,");
    driveOne(error(DOF_KNEE_L, lknee), &CommandCreator::moveLeftKnee, "lknee,");
    driveOne(error(DOF_KNEE_R, rknee), &CommandCreator::moveRightKnee, "rknee,");
    drivePair(error(DOF_ANKLE_LX, lfoot), error(DOF_ANKLE_LY, lefoot),
              &CommandCreator::moveLeftAnkle, "lfoot,");
    drivePair(error(DOF_ANKLE_RX, rfoot), error(DOF_ANKLE_RY, refoot),
              &CommandCreator::moveRightAnkle, "rfoot,");
    return notThere;
}

bool CommandCreator::SetArmsAngle(double lshoulderx, double rshoulderx, double lshouldery,
                                  double rshouldery, double lelbowx, double relbowx) {
    bool reached = true;
    auto drivePair = [&](float d, float e, void (CommandCreator::*move)(float, float)) {
        if (!beyond(d, kTolerance) && !beyond(e, kTolerance)) {
            (this->*move)(0.0f, 0.0f);
            return;
        }
        (this->*move)(static_cast<float>(-d / kSpeedRate), static_cast<float>(-e / kSpeedRate));
        reached = false;
    };
    auto driveOne = [&](float d, void (CommandCreator::*move)(float)) {
        if (!beyond(d, kTolerance)) {
            (this->*move)(0.0f);
            return;
        }
        (this->*move)(static_cast<float>(-d / kSpeedRate));
        reached = false;
    };
    auto error = [this](DOFID id, double target) {
        return toFloat(WM->getDOF(id) - target);
    };

    drivePair(error(DOF_SHOULDER_LX, lshoulderx), error(DOF_SHOULDER_LY, lshouldery),
              &CommandCreator::moveLeftShoulder);
    drivePair(error(DOF_SHOULDER_RX, rshoulderx), error(DOF_SHOULDER_RY, rshouldery),
              &CommandCreator::moveRightShoulder);
    driveOne(error(DOF_ELBOW_L, lelbowx), &CommandCreator::moveLeftElbow);
    driveOne(error(DOF_ELBOW_R, relbowx), &CommandCreator::moveRightElbow);
    return reached;
}
