#include "game/PlayMode.h"

namespace {

struct ModeWord {
    PlayMode mode;
    const char* word;
};

const ModeWord kModes[] = {
    {PlayMode::BeforeKickOff, "BeforeKickOff"},
    {PlayMode::KickOffLeft, "KickOff_Left"},
    {PlayMode::KickOffRight, "KickOff_Right"},
    {PlayMode::PlayOn, "PlayOn"},
    {PlayMode::KickInLeft, "KickIn_Left"},
    {PlayMode::KickInRight, "KickIn_Right"},
    {PlayMode::CornerKickLeft, "corner_kick_left"},
    {PlayMode::CornerKickRight, "corner_kick_right"},
    {PlayMode::GoalKickLeft, "goal_kick_left"},
    {PlayMode::GoalKickRight, "goal_kick_right"},
    {PlayMode::FreeKickLeft, "free_kick_left"},
    {PlayMode::FreeKickRight, "free_kick_right"},
    {PlayMode::GoalLeft, "Goal_Left"},
    {PlayMode::GoalRight, "Goal_Right"},
    {PlayMode::GameOver, "GameOver"},
};

}  // namespace

const char* playModeName(PlayMode mode) {
    for (const auto& m : kModes) {
        if (m.mode == mode) return m.word;
    }
    return "BeforeKickOff";
}

bool playModeFromName(const std::string& word, PlayMode& mode) {
    for (const auto& m : kModes) {
        if (word == m.word) {
            mode = m.mode;
            return true;
        }
    }
    return false;
}

const char* teamSideName(TeamSide side) { return side == TeamSide::Left ? "left" : "right"; }

bool teamSideFromName(const std::string& word, TeamSide& side) {
    if (word == "left") {
        side = TeamSide::Left;
        return true;
    }
    if (word == "right") {
        side = TeamSide::Right;
        return true;
    }
    return false;
}

TeamSide opposite(TeamSide side) { return side == TeamSide::Left ? TeamSide::Right : TeamSide::Left; }
