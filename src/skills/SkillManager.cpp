#include "skills/SkillManager.h"

#include <string>

#include "buildMode.h"
#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"

SkillManager* SkillManager::getUniqueInstance() {
    // Lives for the whole process on purpose: skills it still holds at exit
    // may touch other singletons in their destructors, and those are never
    // torn down either.
    static SkillManager* instance = new SkillManager();
    return instance;
}

SkillManager::SkillManager()
    : curSkill(nullptr), nextSkill(nullptr), prevSkillID(SKILL_NOTHING), shouldContinue(false) {}

void SkillManager::putSkillInQ(SkillBase* skill) {
    shouldContinue = false;

    // The waiting skill is dropped in any case; it is only freed here when
    // nobody else holds it (a waiting skill handed over again is re-judged
    // below like any new request).
    if (nextSkill != nullptr) {
        if (nextSkill != curSkill && nextSkill != skill) {
            delete nextSkill;
        }
        nextSkill = nullptr;
    }

    if (curSkill == nullptr) {
        curSkill = skill;
        prevSkillID = SKILL_NOTHING;
    } else if (skill == nullptr) {
        // Cancels the waiting skill; the current one may retire when done.
        return;
    } else if (skill == curSkill) {
        shouldContinue = true;
    } else {
        const SkillID cur = curSkill->getSkillID();
        const SkillID req = skill->getSkillID();
        if (cur == req && req != SKILL_NAO_STANDUP) {
            // The running instance keeps its state; the new parameters are
            // steered through getRunningSkill() by the behaviour.
            shouldContinue = true;
            delete skill;
        } else if (cur != req && cur != SKILL_PATTERN_ALIGNER && req != SKILL_PATTERN_ALIGNER &&
                   req != SKILL_NAO_STANDUP && req != SKILL_NAO_KICK) {
            // Go through the standing posture first; the behaviour asks for
            // the skill again once the aligner runs.
            nextSkill = new PatternAligner();
            delete skill;
        } else {
            nextSkill = skill;
        }
    }

    printQueue();
}

bool SkillManager::runSkills() {
    if (curSkill == nullptr) {
        prevSkillID = SKILL_NOTHING;
        promoteNext();
    }
    if (curSkill == nullptr) {
        return false;
    }

    if (curSkill->isFinished() && !shouldContinue) {
        prevSkillID = curSkill->getSkillID();
        delete curSkill;
        curSkill = nullptr;
        promoteNext();
    } else if (nextSkill != nullptr && curSkill->getSkillID() != SKILL_NAO_STANDUP &&
               nextSkill->getSkillID() == SKILL_NAO_STANDUP) {
        // A stand-up pre-empts anything but another stand-up.
        prevSkillID = curSkill->getSkillID();
        delete curSkill;
        curSkill = nullptr;
        promoteNext();
    }

    if (curSkill == nullptr) {
        return false;
    }
    curSkill->run();
    return true;
}

SkillBase* SkillManager::getRunningSkill() { return curSkill; }

SkillBase* SkillManager::getNextSkill() { return nextSkill; }

SkillID SkillManager::getPrevSkillID() { return prevSkillID; }

void SkillManager::promoteNext() {
    curSkill = nextSkill;
    nextSkill = nullptr;
}

void SkillManager::printQueue() {
    if constexpr (!kCompetitionBuild) {
        devOut("curSkill: ", curSkill != nullptr ? curSkill->getName() : std::string("NULL"), "\n");
        devOut("nextSkill: ", nextSkill != nullptr ? nextSkill->getName() : std::string("NULL"),
               "\n");
    }
}
