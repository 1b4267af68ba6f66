// Team play for a field player of a three-player team on top of the
// mid-level skills: either this robot goes for the ball and kicks it toward
// the opponent goal, or it keeps its distance behind the ball, out of the
// goalie's way, until the ball comes its way.
#pragma once

#include "geometry/Point.h"
#include "skills/MidLevelSkills.h"

class SkillBase;

// On which side of the reference point the waiting point lies.
enum Arrow { FORWARD = 0, BACKWARD = 1 };

class HighLevelSkills : public MidLevelSkills {
public:
    static HighLevelSkills* getUniqueInstance();

    // The skill for this cycle (or null when the robot is to stay where it
    // is).
    SkillBase* runPlayer();
    // Moves to the waiting point that belongs to p; null when the robot is
    // nearer than posTol to p.
    SkillBase* keepDistanceWithPoint(Point p, double r, Arrow arrow, double posTol);
    // True when the robot stands at least d from p on the field plane.
    bool posDist(Point p, double d);

private:
    HighLevelSkills() = default;
};
