// Play modes and team sides, with the words the wire protocol uses for them.
#pragma once

#include <string>

enum class PlayMode {
    BeforeKickOff,
    KickOffLeft,
    KickOffRight,
    PlayOn,
    KickInLeft,
    KickInRight,
    CornerKickLeft,
    CornerKickRight,
    GoalKickLeft,
    GoalKickRight,
    FreeKickLeft,
    FreeKickRight,
    GoalLeft,
    GoalRight,
    GameOver
};

enum class TeamSide { Left, Right };

const char* playModeName(PlayMode mode);
// False when the word names no play mode.
bool playModeFromName(const std::string& word, PlayMode& mode);

const char* teamSideName(TeamSide side);
bool teamSideFromName(const std::string& word, TeamSide& side);
TeamSide opposite(TeamSide side);
