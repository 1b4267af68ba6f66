// Where the referee actually puts a robot it moves: the spot it aims at,
// or the nearest spot to the robot's current one, found in steps of 0.4 m
// from the aimed one, that is not in or behind a goal, not within 1 m of the
// ball (unless the rule does not mind the ball) and whose 0.4 m sphere
// touches no other robot's box. As on the real server: at most 100 spots
// are tried, and when none of them is safe the aimed spot is used.
#pragma once

#include <vector>

#include "game/FieldGeometry.h"
#include "game/RobotExtent.h"
#include "util/Vec3.h"

class SafeReposition {
public:
    static constexpr double kStep = 0.4;           // m between spots tried (the agent radius)
    static constexpr double kSphere = 0.4;         // m, the room a robot needs
    static constexpr double kBallClearance = 1.0;  // m from the ball, when the rule avoids it
    static constexpr double kSameSpot =
        0.2;  // m: spots closer than this to one already found are the same
    static constexpr int kMaxTries = 100;

    explicit SafeReposition(const FieldGeometry& field) : field_(field) {}

    // The spot for a robot now at `current` aimed at `target` (its z is
    // kept), among `others` (the other robots' boxes). False when no spot
    // was safe; `out` is then the target.
    bool find(const Vec3& current, const Vec3& target, bool avoidBall, const Vec3& ball,
              const std::vector<Box3>& others, Vec3& out) const;

    bool safe(const Vec3& spot, bool avoidBall, const Vec3& ball,
              const std::vector<Box3>& others) const;

private:
    FieldGeometry field_;
};
