// The competition build hands skills over by the same rules but stays silent.
#include <gtest/gtest.h>

#include <string>

#include "control/PatternMonitor.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "types.h"

namespace {

class FakeSkill : public SkillBase {
public:
    explicit FakeSkill(SkillID skillId) : id(skillId) {}
    bool run() override { return finished; }
    SkillID getSkillID() override { return id; }
    void setFinished(bool f) { finished = f; }

private:
    SkillID id;
};

}  // namespace

TEST(SkillManagerMatch, SameRulesNoOutput) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    sm->putSkillInQ(nullptr);
    auto* walk = new FakeSkill(SKILL_TFS_WALK);
    sm->putSkillInQ(walk);
    EXPECT_TRUE(sm->runSkills());
    sm->putSkillInQ(new FakeSkill(SKILL_TFS_TURN));
    ASSERT_NE(sm->getNextSkill(), nullptr);
    EXPECT_EQ(sm->getNextSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);
    walk->setFinished(true);
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
    sm->putSkillInQ(new FakeSkill(SKILL_NAO_STANDUP));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_NAO_STANDUP);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SkillManagerMatch, EmptyPatternMonitorIsSilent) {
    PatternMonitor pm(1.0, 0.0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
