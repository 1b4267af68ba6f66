#include "SkillRequester.h"

#include "geometry/Point.h"
#include "objects/BodyState.h"
#include "skills/MidLevelSkills.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/BackKick.h"
#include "skills/lowLevelSkills/Kick.h"
#include "skills/lowLevelSkills/NaoBesideWalking.h"
#include "skills/lowLevelSkills/NaoKick2.h"
#include "skills/lowLevelSkills/NaoStandUp.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "skills/lowLevelSkills/RestartSkill.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "skills/lowLevelSkills/TurnSkill.h"

namespace {

// Restart: half a degree counts as aligned, the aligner's usual gain, and
// at rest below the gyro rate the stand-up also waits for.
constexpr float kRestartTelorance = 0.5f;
constexpr float kRestartPower = 10.0f;
constexpr float kRestartStablity = 0.0f;
constexpr float kRestartGyroThr = 0.3f;
// The side step the decision layer's skill test makes: the large one.
constexpr int kBesideStep = 3;
// How closely the behaviours that end facing somewhere must face it, as the
// attackers and the goalie ask (degrees).
constexpr double kFacingTolerance = 10.0;
constexpr double kPointTolerance = 5.0;

}  // namespace

SkillRequester::SkillRequester(const SkillRunOptions& o) : options(o) {}

SkillID SkillRequester::chosenID() const {
    const std::string& s = options.skill;
    if (s == "stand" || s == "zero") return SKILL_PATTERN_ALIGNER;
    if (s == "restart") return SKILL_RESTART;
    if (s == "walk") return SKILL_TFS_WALK;
    if (s == "turn") return SKILL_TFS_TURN;
    if (s == "besidewalk") return SKILL_NAO_BESIDE_WALKING;
    if (s == "kick") return SKILL_NAO_KICK;
    if (s == "backkick") return SKILL_KICK;
    if (s == "naokick2") return SKILL_NAO_KICK2;
    if (s == "standup") return SKILL_NAO_STANDUP;
    return SKILL_NOTHING;
}

SkillBase* SkillRequester::create() const {
    const std::string& s = options.skill;
    if (s == "stand") return new PatternAligner();
    if (s == "zero") {
        PatternAligner* pa = new PatternAligner();
        BodyState straight;
        straight.setAllZero();
        pa->setPattern(straight);
        return pa;
    }
    if (s == "restart") {
        return new RestartSkill(kRestartTelorance, kRestartPower, kRestartStablity,
                                kRestartGyroThr);
    }
    if (s == "walk") {
        TFSWalk* walk = new TFSWalk(options.speed);
        walk->setDegree(options.turn);
        return walk;
    }
    if (s == "turn") return new TurnSkill(options.heading);
    if (s == "besidewalk") {
        NaoBesideWalking* step = new NaoBesideWalking(options.speed < 0);
        step->setSpeed(kBesideStep);
        return step;
    }
    if (s == "kick") return new Kick();
    if (s == "backkick") return new BackKick();
    if (s == "naokick2") return new NaoKick2();
    if (s == "standup") return new NaoStandUp();
    return nullptr;
}

SkillBase* SkillRequester::midLevel() const {
    MidLevelSkills* mls = MidLevelSkills::getUniqueInstance();
    const std::string& s = options.skill;
    const Point target(options.targetX, options.targetY, 0.0);
    bool reached = false;
    if (s == "goto") return mls->goToward(target);
    if (s == "gotopoint") return mls->goToPoint(target, options.heading, kPointTolerance);
    if (s == "behindball") return mls->goBehindBall(reached, kFacingTolerance);
    if (s == "dribble") return mls->goTowardGoal();
    if (s == "togoal") return mls->goToGoal(reached, kFacingTolerance);
    if (s == "kicktogoal") return mls->kickTowardGoal();
    return nullptr;
}

void SkillRequester::request(SkillManager* manager, bool fallen) {
    const bool first = firstCycle;
    firstCycle = false;
    if (isMidLevelSkill(options.skill)) {
        // As the decision layer does: a fallen robot stands up first.
        manager->putSkillInQ(fallen ? new NaoStandUp() : midLevel());
        return;
    }
    if (chosenID() == SKILL_NAO_STANDUP) {
        if (first || fallen) manager->putSkillInQ(create());
        return;
    }
    SkillBase* running = manager->getRunningSkill();
    if (running != nullptr && running->getSkillID() == chosenID()) {
        manager->putSkillInQ(running);
    } else {
        manager->putSkillInQ(create());
    }
}
