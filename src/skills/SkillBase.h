// The interface every motion of the agent implements. The skill manager calls
// run() once per server cycle on the skill it holds; the skill issues its
// joint commands through the command builder and raises `finished` when it
// is done. A skill handed to the skill manager is created with new; the
// manager destroys it through a SkillBase pointer.
#pragma once

#include <string>

#include "types.h"

class WorldModel;
class CommandCreator;
class GameConf;
class DMUtil;

class SkillBase {
public:
    // Printable name of every SkillID value, indexed by the value.
    static const std::string skillsName[SKILL_COUNT];

    // Takes the four singletons; not finished.
    SkillBase();
    virtual ~SkillBase();

    // One cycle of the skill. The skill manager ignores the result.
    virtual bool run() = 0;
    virtual SkillID getSkillID() = 0;

    // The name of getSkillID(); "SKILL_UNKNOWN" for a value outside the table.
    std::string getName();
    bool isFinished() const;

protected:
    WorldModel* WM;
    CommandCreator* CC;
    GameConf* GC;
    DMUtil* dmutil;
    bool finished;
};
