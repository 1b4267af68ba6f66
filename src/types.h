// Enumerations shared by every subsystem of the agent.
#pragma once

#include <cstdint>

enum PlayMode : int {
    PM_UNKNOWN = 0,
    PM_BEFORE_KICK_OFF = 1,
    PM_PLAY_ON = 2,
    PM_KICKOFF_LEFT = 3,
    PM_KICKOFF_RIGHT = 4,
    PM_GOAL_KICK_LEFT = 5,
    PM_GOAL_KICK_RIGHT = 6,
    PM_KICKIN_LEFT = 7,
    PM_KICKIN_RIGHT = 8,
    PM_FREE_KICK_LEFT = 9,
    PM_FREE_KICK_RIGHT = 10,
    PM_GOAL_LEFT = 11,
    PM_GOAL_RIGHT = 12,
    PM_CORNER_KICK_LEFT = 13,
    PM_CORNER_KICK_RIGHT = 14,
    PM_GAME_OVER = 15
};

enum Side : int {
    SIDE_UNKNOWN = 0,
    SIDE_LEFT = 1,
    SIDE_RIGHT = 2,
    SIDE_CENTER = 3,
    SIDE_OUR = 4,
    SIDE_OPP = 5
};

// Identity a skill reports; SkillBase::skillsName holds the printable names.
enum SkillID : std::int32_t {
    SKILL_NOTHING = 0,
    SKILL_AIR_KICK = 1,
    SKILL_BESIDE_RESTART = 2,
    SKILL_BESIDE_WALK = 3,
    SKILL_DRIBBLE = 4,
    SKILL_KICK = 5,
    SKILL_RESTART = 6,
    SKILL_ROTATE = 7,
    SKILL_WALK = 8,
    SKILL_STANDUP = 9,
    SKILL_DIRECTED_KICK = 10,
    SKILL_DIVE = 11,
    SKILL_PATTERN_ALIGNER = 12,
    SKILL_HUMAN_STANDUP = 13,
    SKILL_REVERSEBODY = 14,
    SKILL_DOING_STANDUP = 15,
    SKILL_STABLE_WALK = 16,
    SKILL_WALK_NEU = 17,
    SKILL_NAO_STANDUP = 18,
    SKILL_TFS_WALK = 19,
    SKILL_NAO_KICK = 20,
    SKILL_NAO_BESIDE_WALKING = 21,
    SKILL_TFS_TURN = 22,
    SKILL_TFS_FAST_WALK = 23,
    SKILL_TFS_BACK_WALK = 24,
    SKILL_TFS_RWB = 25,
    SKILL_NAO_KICK2 = 26,
    SKILL_TFS_ROTATE = 27,
    SKILL_COUNT = 28
};

// Joint index into every 22-entry joint array. The Y joint of each hip has
// the lower number, matching the order in which the server reports joints.
enum DOFID : int {
    DOF_HEAD_PAN = 0,
    DOF_HEAD_TILT = 1,
    DOF_SHOULDER_RX = 2,
    DOF_SHOULDER_RY = 3,
    DOF_SHOULDER_RT = 4,
    DOF_ELBOW_R = 5,
    DOF_SHOULDER_LX = 6,
    DOF_SHOULDER_LY = 7,
    DOF_SHOULDER_LT = 8,
    DOF_ELBOW_L = 9,
    DOF_LEG_RT = 10,
    DOF_LEG_RY = 11,
    DOF_LEG_RX = 12,
    DOF_KNEE_R = 13,
    DOF_ANKLE_RX = 14,
    DOF_ANKLE_RY = 15,
    DOF_LEG_LT = 16,
    DOF_LEG_LY = 17,
    DOF_LEG_LX = 18,
    DOF_KNEE_L = 19,
    DOF_ANKLE_LX = 20,
    DOF_ANKLE_LY = 21,
    DOF_COUNT = 22
};

// A seen body part of another player.
enum BONEDID : int {
    head = 0,
    rLowerArm = 1,
    lLowerArm = 2,
    rFoot = 3,
    lFoot = 4
};

// Side-step direction of the beside walk.
enum Direction : std::int32_t {
    BesideLeft = 0,
    BesideRight = 1
};

enum RotateDirection : std::int32_t {
    Counter_Clock_Wise = 0,
    Clock_Wise = 1
};
