#include "worldModel/GameConf.h"

#include <cstring>
#include <iostream>

#include "buildMode.h"
#include "worldModel/WorldModel.h"

namespace {

// Landmark names by index; the index is the one the world model and the
// perception update use for the same landmark.
const char* const kFlagNames[GameConf::kFlagCount] = {"G1L", "G2L", "G2R", "G1R",
                                                      "F1L", "F2L", "F1R", "F2R"};

// Joint names by DOFID, in the order the server reports the hinge joints:
// the world model fills slot n with the n-th joint reported, and the motion
// code drives slot 12 ("rlj3") with "rle3", so the labels follow the slots.
const char* const kDofNames[DOF_COUNT] = {
    "hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2", "laj3", "laj4", "rlj1",
    "rlj2", "rlj3", "rlj4", "rlj5", "rlj6", "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};

struct PlayModeWords {
    PlayMode pm;
    const char* text;
    const char* name;
};

const PlayModeWords kPlayModes[] = {
    {PM_UNKNOWN, "", "PM_UNKNOWN"},
    {PM_BEFORE_KICK_OFF, "BeforeKickOff", "PM_BEFORE_KICK_OFF"},
    {PM_PLAY_ON, "PlayOn", "PM_PLAY_ON"},
    {PM_KICKOFF_LEFT, "KickOff_Left", "PM_KICKOFF_LEFT"},
    {PM_KICKOFF_RIGHT, "KickOff_Right", "PM_KICKOFF_RIGHT"},
    {PM_GOAL_KICK_LEFT, "goal_kick_left", "PM_GOAL_KICK_LEFT"},
    {PM_GOAL_KICK_RIGHT, "goal_kick_right", "PM_GOAL_KICK_RIGHT"},
    {PM_KICKIN_LEFT, "KickIn_Left", "PM_KICKIN_LEFT"},
    {PM_KICKIN_RIGHT, "KickIn_Right", "PM_KICKIN_RIGHT"},
    {PM_FREE_KICK_LEFT, "free_kick_left", "PM_FREE_KICK_LEFT"},
    {PM_FREE_KICK_RIGHT, "free_kick_right", "PM_FREE_KICK_RIGHT"},
    {PM_GOAL_LEFT, "Goal_Left", "PM_GOAL_LEFT"},
    {PM_GOAL_RIGHT, "Goal_Right", "PM_GOAL_RIGHT"},
    {PM_CORNER_KICK_LEFT, "corner_kick_left", "PM_CORNER_KICK_LEFT"},
    {PM_CORNER_KICK_RIGHT, "corner_kick_right", "PM_CORNER_KICK_RIGHT"},
    {PM_GAME_OVER, "GameOver", "PM_GAME_OVER"},
};
constexpr int kPlayModeCount = sizeof(kPlayModes) / sizeof(kPlayModes[0]);

const char* const kSideNames[] = {"SIDE_UNKNOWN", "SIDE_LEFT", "SIDE_RIGHT",
                                  "SIDE_CENTER",  "SIDE_OUR",  "SIDE_OPP"};
constexpr int kSideCount = sizeof(kSideNames) / sizeof(kSideNames[0]);

}  // namespace

std::string GameConf::rsgPath = "(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)";

GameConf* GameConf::getUniqueInstance() {
    // Kept for the whole process on purpose: nothing may outlive it at exit.
    static GameConf* instance = new GameConf();
    return instance;
}

GameConf::GameConf()
    : WM(WorldModel::getUniqueInstance()), fieldLength(0), fieldWidth(0), goalWidth(0) {
    for (int i = 0; i < DOF_COUNT; ++i) dofName[i] = kDofNames[i];
    for (int i = 0; i < kFlagCount; ++i) flag[i].setName(kFlagNames[i]);
}

void GameConf::init() {
    calFieldLength();
    calFieldWidth();
    calGoalWidth();
    calFlagPos();
}

void GameConf::calFieldLength() {
    fieldLength = 12;
    devOut("Field Length: ", fieldLength, "\n");
}

void GameConf::calFieldWidth() {
    fieldWidth = 8;
    devOut("FieldWidth: ", fieldWidth, "\n");
}

void GameConf::calGoalWidth() { goalWidth = 1.4f; }

void GameConf::calFlagPos() {
    const double hl = fieldLength / 2.0;
    const double hw = fieldWidth / 2.0;
    const double hg = goalWidth / 2.0;
    // Seen from a team playing on the left; the right team's view is the
    // mirror image and is handled where positions are computed.
    const Point pos[kFlagCount] = {Point(-hl, hg, 0.8), Point(-hl, -hg, 0.8), Point(hl, hg, 0.8),
                                   Point(hl, -hg, 0.8), Point(-hl, hw, 0),    Point(-hl, -hw, 0),
                                   Point(hl, hw, 0),    Point(hl, -hw, 0)};
    for (int i = 0; i < kFlagCount; ++i) flag[i].setCartesianPos(pos[i]);
}

float GameConf::getFieldLength() const { return fieldLength; }

float GameConf::getFieldWidth() const { return fieldWidth; }

float GameConf::getGoalWidth() const { return goalWidth; }

Flag GameConf::getFlag(int i) const {
    if (i < 0 || i >= kFlagCount) return Flag();
    return flag[i];
}

Point GameConf::getFlagPos(int i) const {
    if (i < 0 || i >= kFlagCount) return Point(0, 0, 0);
    return flag[i].getCartesianPos();
}

std::string GameConf::getRSGPath() const { return rsgPath; }

void GameConf::setRSGPath(const std::string& path) { rsgPath = path; }

std::string GameConf::getDOFName(DOFID id) const {
    if (id < 0 || id >= DOF_COUNT) return std::string();
    return dofName[id];
}

DOFID GameConf::getDOFid(const std::string& name) const {
    for (int i = 0; i < DOF_COUNT; ++i) {
        if (dofName[i] == name) return static_cast<DOFID>(i);
    }
    return DOF_COUNT;
}

void GameConf::testFlag() const {
    if constexpr (kCompetitionBuild) return;
    for (int i = 0; i < kFlagCount; ++i) {
        const Point p = flag[i].getCartesianPos();
        devOut("flags pos are=", p.getX(), "\t", p.getY(), "\t", p.getZ(), "\n");
    }
}

const char* GameConf::getPlayModeText(PlayMode pm) {
    for (const PlayModeWords& w : kPlayModes) {
        if (w.pm == pm) return w.text;
    }
    return "";
}

PlayMode GameConf::getPlayModeByText(const char* text) {
    if (text == nullptr || *text == '\0') return PM_UNKNOWN;
    for (int i = 1; i < kPlayModeCount; ++i) {
        if (std::strcmp(kPlayModes[i].text, text) == 0) return kPlayModes[i].pm;
    }
    return PM_UNKNOWN;
}

const char* GameConf::getPlayModeName(PlayMode pm) {
    for (const PlayModeWords& w : kPlayModes) {
        if (w.pm == pm) return w.name;
    }
    return "PM_UNKNOWN";
}

const char* GameConf::getSideName(Side side) {
    const int i = static_cast<int>(side);
    if (i < 0 || i >= kSideCount) return "SIDE_UNKNOWN";
    return kSideNames[i];
}
