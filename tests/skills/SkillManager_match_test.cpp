// The competition build hands skills over by the same rules but stays silent.
#include "skills/SkillManager.h"

#include <gtest/gtest.h>

#include "control/PatternMonitor.h"
#include "skills/lowLevelSkills/NaoStandUp.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "skills/lowLevelSkills/TurnSkill.h"

TEST(SkillManagerMatch, SameRulesNoOutput) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    sm->putSkillInQ(nullptr);
    sm->putSkillInQ(new TFSWalk());
    sm->putSkillInQ(new TurnSkill(30));
    EXPECT_EQ(sm->getNextSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);
    sm->putSkillInQ(new NaoStandUp());
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_NAO_STANDUP);
    EXPECT_EQ(PatternMonitor(1.0, 0.0).monitor(), 0u);  // an empty pattern is silent too
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
