#include "robot/physics/NaoBuild.h"

#include "robot/NaoModel.h"

namespace {

using S = PartShape;
using N = NaoModel;
using B = NaoBuild;

// The left side mirrors the right: every x negated.
const PartBuild kParts[NaoBuild::kPartCount] = {
    {"torso", S::Box, {0.10, 0.10, 0.18}, 1.2171, {0, 0, 0}, -1, -1, true},
    {"neck", S::Capsule, {0.015, 0.08, 0}, 0.05, {0, 0, 0.090}, B::Torso, N::HJ1, true},
    {"head", S::Sphere, {0.065, 0, 0}, 0.35, {0, 0, 0.155}, B::Neck, N::HJ2, true},
    {"rshoulder", S::Sphere, {0.01, 0, 0}, 0.07, {0.098, 0, 0.075}, B::Torso, N::RAJ1, false},
    {"rupperarm", S::Box, {0.07, 0.08, 0.06}, 0.15, {0.108, 0.02, 0.075}, B::RShoulder, N::RAJ2, true},
    {"relbow", S::Sphere, {0.01, 0, 0}, 0.035, {0.098, 0.09, 0.084}, B::RUpperArm, N::RAJ3, false},
    {"rlowerarm", S::Box, {0.05, 0.11, 0.05}, 0.2, {0.098, 0.14, 0.084}, B::RElbow, N::RAJ4, true},
    {"lshoulder", S::Sphere, {0.01, 0, 0}, 0.07, {-0.098, 0, 0.075}, B::Torso, N::LAJ1, false},
    {"lupperarm", S::Box, {0.07, 0.08, 0.06}, 0.15, {-0.108, 0.02, 0.075}, B::LShoulder, N::LAJ2, true},
    {"lelbow", S::Sphere, {0.01, 0, 0}, 0.035, {-0.098, 0.09, 0.084}, B::LUpperArm, N::LAJ3, false},
    {"llowerarm", S::Box, {0.05, 0.11, 0.05}, 0.2, {-0.098, 0.14, 0.084}, B::LElbow, N::LAJ4, true},
    {"rhip1", S::Sphere, {0.01, 0, 0}, 0.09, {0.055, -0.01, -0.115}, B::Torso, N::RLJ1, false},
    {"rhip2", S::Sphere, {0.01, 0, 0}, 0.125, {0.055, -0.01, -0.115}, B::RHip1, N::RLJ2, false},
    {"rthigh", S::Box, {0.07, 0.07, 0.14}, 0.275, {0.055, 0, -0.155}, B::RHip2, N::RLJ3, true},
    {"rshank", S::Box, {0.08, 0.07, 0.11}, 0.225, {0.055, 0.005, -0.280}, B::RThigh, N::RLJ4, true},
    {"rankle", S::Sphere, {0.01, 0, 0}, 0.125, {0.055, -0.005, -0.335}, B::RShank, N::RLJ5, false},
    {"rfoot", S::Box, {0.08, 0.16, 0.02}, 0.2, {0.055, 0.025, -0.375}, B::RAnkle, N::RLJ6, true},
    {"lhip1", S::Sphere, {0.01, 0, 0}, 0.09, {-0.055, -0.01, -0.115}, B::Torso, N::LLJ1, false},
    {"lhip2", S::Sphere, {0.01, 0, 0}, 0.125, {-0.055, -0.01, -0.115}, B::LHip1, N::LLJ2, false},
    {"lthigh", S::Box, {0.07, 0.07, 0.14}, 0.275, {-0.055, 0, -0.155}, B::LHip2, N::LLJ3, true},
    {"lshank", S::Box, {0.08, 0.07, 0.11}, 0.225, {-0.055, 0.005, -0.280}, B::LThigh, N::LLJ4, true},
    {"lankle", S::Sphere, {0.01, 0, 0}, 0.125, {-0.055, -0.005, -0.335}, B::LShank, N::LLJ5, false},
    {"lfoot", S::Box, {0.08, 0.16, 0.02}, 0.2, {-0.055, 0.025, -0.375}, B::LAnkle, N::LLJ6, true},
};

}  // namespace

const PartBuild& NaoBuild::part(int index) {
    if (index < 0 || index >= kPartCount) return kParts[0];
    return kParts[index];
}

int NaoBuild::childOf(int joint) {
    for (int i = 0; i < kPartCount; ++i) {
        if (kParts[i].joint == joint) return i;
    }
    return Torso;
}
