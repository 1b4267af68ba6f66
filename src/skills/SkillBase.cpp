#include "skills/SkillBase.h"

#include "dmu/DMUtil.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

const std::string SkillBase::skillsName[SKILL_COUNT] = {"SKILL_NOTHING",
                                                        "SKILL_AIR_KICK",
                                                        "SKILL_BESIDE_RESTART",
                                                        "SKILL_BESIDE_WALK",
                                                        "SKILL_DRIBBLE",
                                                        "SKILL_KICK",
                                                        "SKILL_RESTART",
                                                        "SKILL_ROTATE",
                                                        "SKILL_WALK",
                                                        "SKILL_STANDUP",
                                                        "SKILL_DIRECTED_KICK",
                                                        "SKILL_DIVE",
                                                        "SKILL_PATTERN_ALIGNER",
                                                        "SKILL_HUMAN_STANDUP",
                                                        "SKILL_REVERSEBODY",
                                                        "SKILL_DOING_STANDUP",
                                                        "SKILL_STABLE_WALK",
                                                        "SKILL_WALK_NEU",
                                                        "SKILL_NAO_STANDUP",
                                                        "SKILL_TFS_WALK",
                                                        "SKILL_NAO_KICK",
                                                        "SKILL_NAO_BESIDE_WALKING",
                                                        "SKILL_TFS_TURN",
                                                        "SKILL_TFS_FAST_WALK",
                                                        "SKILL_TFS_BACK_WALK",
                                                        "SKILL_TFS_RWB",
                                                        "SKILL_NAO_KICK2",
                                                        "SKILL_TFS_ROTATE"};

SkillBase::SkillBase()
    : WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      dmutil(DMUtil::getUniqueInstance()),
      finished(false) {}

SkillBase::~SkillBase() = default;

std::string SkillBase::getName() {
    const int id = static_cast<int>(getSkillID());
    if (id < 0 || id >= SKILL_COUNT) {
        return "SKILL_UNKNOWN";
    }
    return skillsName[id];
}

bool SkillBase::isFinished() const { return finished; }
