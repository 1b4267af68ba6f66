// Writes the perception message one robot receives in one cycle, in the real
// server's order and number forms: time, game state, hear, gyro,
// accelerometer, head joints, vision, arm joints, leg joints with the foot
// force sensors between the fifth and sixth joint of each leg.
#pragma once

#include <string>
#include <vector>

#include "game/Ball.h"
#include "game/FieldGeometry.h"
#include "game/PlayMode.h"
#include "util/Random.h"
#include "game/Robot.h"

struct GameSnapshot {
    double now = 0.0;
    double gameTime = 0.0;
    PlayMode mode = PlayMode::BeforeKickOff;
    int scoreLeft = 0;
    int scoreRight = 0;
};

class PerceptionWriter {
public:
    PerceptionWriter(const FieldGeometry& field, bool fullView, bool gsClassic);

    // `robots` are all robots on the field (the viewer included: a robot sees
    // its own arms and feet, as on the real server). `noise` is null without noise.
    std::string write(const Robot& self, const GameSnapshot& game, const std::vector<std::string>& hear,
                      bool withVision, const std::vector<const Robot*>& robots, const Ball& ball,
                      Random* noise) const;

    // Only the vision expression, "(See ...)".
    std::string writeVision(const Robot& self, const std::vector<const Robot*>& robots, const Ball& ball,
                            Random* noise) const;

private:
    void appendGameState(std::string& out, const Robot& self, const GameSnapshot& game) const;
    bool appendPolar(std::string& out, const char* name, const Robot& self, const Vec3& point,
                     Random* noise) const;

    FieldGeometry field_;
    bool fullView_;
    bool gsClassic_;
};
