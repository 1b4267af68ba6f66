// The fixed facts of the game: play-mode and side vocabularies, field and
// goal sizes, where the eight landmarks stand, the scene command that loads
// the robot model, and the joint names.
#pragma once

#include <string>

#include "geometry/Point.h"
#include "objects/Flag.h"
#include "types.h"

class WorldModel;

class GameConf {
public:
    static constexpr int kFlagCount = 8;

    static GameConf* getUniqueInstance();

    GameConf(const GameConf&) = delete;
    GameConf& operator=(const GameConf&) = delete;

    // Sizes first, flag positions last: the flags are computed from the sizes.
    void init();
    void calFieldLength();
    void calFieldWidth();
    void calGoalWidth();
    void calFlagPos();

    float getFieldLength() const;
    float getFieldWidth() const;
    float getGoalWidth() const;

    // Landmark index 0..7 ("G1L", "G2L", "G2R", "G1R", "F1L", "F2L", "F1R",
    // "F2R"). Any other index gives a blank flag at (0, 0, 0).
    Flag getFlag(int i) const;
    Point getFlagPos(int i) const;

    std::string getRSGPath() const;
    void setRSGPath(const std::string& path);

    // Joint name of a DOFID; "" outside 0..21.
    std::string getDOFName(DOFID id) const;
    // First joint with that name; DOF_COUNT when no joint has it.
    DOFID getDOFid(const std::string& name) const;

    // Flag positions on standard output (development build only).
    void testFlag() const;

    // Play-mode vocabulary. The server word of a mode ("" for PM_UNKNOWN and
    // out-of-range values), the mode of a server word (PM_UNKNOWN for any
    // word that is not exactly one of the sixteen), and the enumerator name
    // used in human-readable traces ("PM_PLAY_ON", "SIDE_LEFT").
    static const char* getPlayModeText(PlayMode pm);
    static PlayMode getPlayModeByText(const char* text);
    static const char* getPlayModeName(PlayMode pm);
    static const char* getSideName(Side side);

private:
    GameConf();

    // Taken at construction so that the world model exists before any
    // configuration is handed out.
    [[maybe_unused]] WorldModel* WM;
    float fieldLength;
    float fieldWidth;
    float goalWidth;
    Flag flag[kFlagCount];
    std::string dofName[DOF_COUNT];
    static std::string rsgPath;
};
