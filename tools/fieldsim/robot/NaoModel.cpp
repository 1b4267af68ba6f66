#include "robot/NaoModel.h"

namespace {

// The real server holds the joints' top speed as 351.77 deg/s and converts
// it (6.1395433 rad/s); 6.13954, the figure rounded, caps a command for full
// speed 3e-6 rad/s lower, enough to make a replayed walk part from the real
// one a quarter of a second earlier. The ankles take their own figure.
constexpr double kSpeed = 351.77 * 3.14159265358979323846 / 180.0;
constexpr double kAnkleSpeed = 6.1395;
constexpr double kDiag = 0.7071;

const JointFigures kJoints[NaoModel::kJointCount] = {
    {"hj1", "he1", {0, 0, 1}, {0, 0, 0.090}, -120, 120, kSpeed},
    {"hj2", "he2", {1, 0, 0}, {0, 0, 0.150}, -45, 45, kSpeed},
    {"raj1", "rae1", {1, 0, 0}, {0.098, 0, 0.075}, -120, 120, kSpeed},
    {"raj2", "rae2", {0, 0, 1}, {0.098, 0, 0.075}, -95, 1, kSpeed},
    {"raj3", "rae3", {0, 1, 0}, {0.098, 0.090, 0.084}, -120, 120, kSpeed},
    {"raj4", "rae4", {0, 0, 1}, {0.098, 0.090, 0.084}, -1, 90, kSpeed},
    {"laj1", "lae1", {1, 0, 0}, {-0.098, 0, 0.075}, -120, 120, kSpeed},
    {"laj2", "lae2", {0, 0, 1}, {-0.098, 0, 0.075}, -1, 95, kSpeed},
    {"laj3", "lae3", {0, 1, 0}, {-0.098, 0.090, 0.084}, -120, 120, kSpeed},
    {"laj4", "lae4", {0, 0, 1}, {-0.098, 0.090, 0.084}, -90, 1, kSpeed},
    {"rlj1", "rle1", {-kDiag, 0, kDiag}, {0.055, -0.01, -0.115}, -90, 1, kSpeed},
    {"rlj2", "rle2", {0, 1, 0}, {0.055, -0.01, -0.115}, -45, 25, kSpeed},
    {"rlj3", "rle3", {1, 0, 0}, {0.055, -0.01, -0.115}, -25, 100, kSpeed},
    {"rlj4", "rle4", {1, 0, 0}, {0.055, -0.005, -0.235}, -130, 1, kSpeed},
    {"rlj5", "rle5", {1, 0, 0}, {0.055, -0.005, -0.335}, -45, 75, kAnkleSpeed},
    {"rlj6", "rle6", {0, 1, 0}, {0.055, -0.005, -0.340}, -25, 45, kAnkleSpeed},
    {"llj1", "lle1", {-kDiag, 0, -kDiag}, {-0.055, -0.01, -0.115}, -90, 1, kSpeed},
    {"llj2", "lle2", {0, 1, 0}, {-0.055, -0.01, -0.115}, -25, 45, kSpeed},
    {"llj3", "lle3", {1, 0, 0}, {-0.055, -0.01, -0.115}, -25, 100, kSpeed},
    {"llj4", "lle4", {1, 0, 0}, {-0.055, -0.005, -0.235}, -130, 1, kSpeed},
    {"llj5", "lle5", {1, 0, 0}, {-0.055, -0.005, -0.335}, -45, 75, kAnkleSpeed},
    {"llj6", "lle6", {0, 1, 0}, {-0.055, -0.005, -0.340}, -45, 25, kAnkleSpeed},
};

// Masses and zero-pose centres of the bodies; the left side mirrors the right.
const BodyPart kParts[NaoModel::kBodyPartCount] = {
    {"torso", 1.2171, {0, 0, 0}, -1},
    {"neck", 0.05, {0, 0, 0.090}, NaoModel::HJ1},
    {"head", 0.35, {0, 0, 0.155}, NaoModel::HJ2},
    {"rshoulder", 0.07, {0.098, 0, 0.075}, NaoModel::RAJ1},
    {"rupperarm", 0.15, {0.108, 0.02, 0.075}, NaoModel::RAJ2},
    {"relbow", 0.035, {0.098, 0.09, 0.084}, NaoModel::RAJ3},
    {"rlowerarm", 0.2, {0.098, 0.14, 0.084}, NaoModel::RAJ4},
    {"lshoulder", 0.07, {-0.098, 0, 0.075}, NaoModel::LAJ1},
    {"lupperarm", 0.15, {-0.108, 0.02, 0.075}, NaoModel::LAJ2},
    {"lelbow", 0.035, {-0.098, 0.09, 0.084}, NaoModel::LAJ3},
    {"llowerarm", 0.2, {-0.098, 0.14, 0.084}, NaoModel::LAJ4},
    {"rhip1", 0.09, {0.055, -0.01, -0.115}, NaoModel::RLJ1},
    {"rhip2", 0.125, {0.055, -0.01, -0.115}, NaoModel::RLJ2},
    {"rthigh", 0.275, {0.055, 0, -0.155}, NaoModel::RLJ3},
    {"rshank", 0.225, {0.055, 0.005, -0.280}, NaoModel::RLJ4},
    {"rankle", 0.125, {0.055, -0.005, -0.335}, NaoModel::RLJ5},
    {"rfoot", 0.2, {0.055, 0.025, -0.375}, NaoModel::RLJ6},
    {"lhip1", 0.09, {-0.055, -0.01, -0.115}, NaoModel::LLJ1},
    {"lhip2", 0.125, {-0.055, -0.01, -0.115}, NaoModel::LLJ2},
    {"lthigh", 0.275, {-0.055, 0, -0.155}, NaoModel::LLJ3},
    {"lshank", 0.225, {-0.055, 0.005, -0.280}, NaoModel::LLJ4},
    {"lankle", 0.125, {-0.055, -0.005, -0.335}, NaoModel::LLJ5},
    {"lfoot", 0.2, {-0.055, 0.025, -0.375}, NaoModel::LLJ6},
};

}  // namespace

const BodyPart& NaoModel::bodyPart(int index) {
    if (index < 0 || index >= kBodyPartCount) {
        return kParts[0];
    }
    return kParts[index];
}

const JointFigures& NaoModel::joint(int index) {
    if (index < 0 || index >= kJointCount) {
        return kJoints[0];
    }
    return kJoints[index];
}

int NaoModel::jointByEffector(const std::string& name) {
    for (int i = 0; i < kJointCount; ++i) {
        if (name == kJoints[i].effector) return i;
    }
    return -1;
}

int NaoModel::jointByPerceptor(const std::string& name) {
    for (int i = 0; i < kJointCount; ++i) {
        if (name == kJoints[i].perceptor) return i;
    }
    return -1;
}
