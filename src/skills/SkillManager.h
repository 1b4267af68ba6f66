// Keeps the running skill and at most one waiting skill, decides what a new
// request means for them (continue, wait, go through the standing posture
// first, or pre-empt for a stand-up) and owns every skill handed to it.
#pragma once

#include "types.h"

class SkillBase;

class SkillManager {
public:
    static SkillManager* getUniqueInstance();

    // Hands a skill over (a heap object or null). The manager takes
    // ownership of every object passed: it is installed, kept waiting, or
    // deleted at once. Passing the running or the waiting skill again is
    // allowed; passing an object the manager has already deleted is not.
    void putSkillInQ(SkillBase* skill);
    // Runs one cycle of the current skill; false when there is none.
    bool runSkills();

    // Ownership stays with the manager.
    SkillBase* getRunningSkill();
    SkillBase* getNextSkill();
    SkillID getPrevSkillID();

    SkillManager(const SkillManager&) = delete;
    SkillManager& operator=(const SkillManager&) = delete;

private:
    SkillManager();
    // Makes the waiting skill the current one, leaving none waiting.
    void promoteNext();
    void printQueue();

    SkillBase* curSkill;
    SkillBase* nextSkill;
    SkillID prevSkillID;
    bool shouldContinue;
};
