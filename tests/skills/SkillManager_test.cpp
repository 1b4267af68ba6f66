// The skill manager's hand-over rules, its two console lines, and that it
// frees every skill exactly once whatever arrives.
#include "skills/SkillManager.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"

namespace {

// A skill that counts how many of its kind are alive and how often it ran.
struct FakeSkill : SkillBase {
    explicit FakeSkill(SkillID i, bool done = false) : id(i) { finished = done, ++live; }
    ~FakeSkill() override { --live; }
    bool run() override { return ++runs, finished; }
    SkillID getSkillID() override { return id; }
    void setFinished(bool f) { finished = f; }
    static int live;
    int runs = 0;
    SkillID id;
};
int FakeSkill::live = 0;

SkillManager* sm() { return SkillManager::getUniqueInstance(); }

std::string put(SkillBase* skill) {
    testing::internal::CaptureStdout();
    sm()->putSkillInQ(skill);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(SkillManager, RequestWhileASkillRuns) {
    const SkillID W = SKILL_TFS_WALK, T = SKILL_TFS_TURN, K = SKILL_NAO_KICK,
                  U = SKILL_NAO_STANDUP, A = SKILL_PATTERN_ALIGNER;
    const char* const aligner = "SKILL_PATTERN_ALIGNER";
    // {running, requested, printed name of the waiting skill afterwards}
    const struct { SkillID cur, req; const char* waiting; } rows[] = {
        {W, W, "NULL"}, {W, T, aligner}, {K, W, aligner}, {U, W, aligner},
        {W, A, aligner}, {A, T, "SKILL_TFS_TURN"}, {A, A, "NULL"}, {W, K, "SKILL_NAO_KICK"},
        {K, K, "NULL"}, {W, U, "SKILL_NAO_STANDUP"}, {U, U, "SKILL_NAO_STANDUP"}};
    EXPECT_EQ(put(nullptr), "curSkill: NULL\nnextSkill: NULL\n");
    for (const auto& r : rows) {
        const std::string cur = SkillBase::skillsName[r.cur];
        auto* running = new FakeSkill(r.cur);
        put(running);
        auto* req = new FakeSkill(r.req);
        EXPECT_EQ(put(req), "curSkill: " + cur + "\nnextSkill: " + r.waiting + "\n") << r.req;
        // The request is kept exactly when it is the waiting skill.
        EXPECT_EQ(FakeSkill::live, sm()->getNextSkill() == req ? 2 : 1);
        EXPECT_EQ(put(nullptr), "");  // cancel, finish, retire
        running->setFinished(true);
        EXPECT_FALSE(sm()->runSkills());
        EXPECT_EQ(sm()->getPrevSkillID(), r.cur);
        EXPECT_EQ(FakeSkill::live, 0);
    }
}

TEST(SkillManager, HandOverInTheSameCycleAndStandUpPreemption) {
    auto* walk = new FakeSkill(SKILL_TFS_WALK);
    put(walk);
    EXPECT_TRUE(sm()->runSkills());  // an empty manager runs it at once
    walk->setFinished(true);
    put(walk);  // finished but requested again: it goes on
    EXPECT_TRUE(sm()->runSkills());
    EXPECT_EQ(walk->runs, 2);
    put(new FakeSkill(SKILL_TFS_TURN));
    EXPECT_TRUE(sm()->runSkills());  // retired; the aligner runs in this cycle
    EXPECT_EQ(FakeSkill::live, 0);
    EXPECT_EQ(sm()->getRunningSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);
    put(new FakeSkill(SKILL_NAO_KICK));
    auto* up = new FakeSkill(SKILL_NAO_STANDUP);
    put(up);
    EXPECT_TRUE(sm()->runSkills());
    EXPECT_EQ(up->runs, 1) << "the stand-up pre-empts and runs in the same cycle";
    put(new FakeSkill(SKILL_NAO_STANDUP));
    sm()->runSkills();
    EXPECT_EQ(up->runs, 2) << "a stand-up is not pre-empted";
}

TEST(SkillManager, RandomRequestsNeverLeakNorDoubleFree) {
    const SkillID ids[] = {SKILL_NAO_STANDUP, SKILL_NAO_KICK, SKILL_PATTERN_ALIGNER, SKILL_TFS_WALK,
                           SKILL_TFS_TURN};
    auto held = [](SkillBase* s) { return dynamic_cast<FakeSkill*>(s) != nullptr ? 1 : 0; };
    testing::internal::CaptureStdout();
    std::mt19937 rng(1);
    for (int step = 0; step < 100000; ++step) {
        const unsigned a = rng() % 10;
        if (a == 0) sm()->putSkillInQ(nullptr);
        if (a == 1) sm()->putSkillInQ(sm()->getRunningSkill());
        if (a == 2) sm()->putSkillInQ(sm()->getNextSkill());
        if (a == 3) sm()->putSkillInQ(new PatternAligner());
        if (a == 4 || a == 5) sm()->runSkills();
        if (auto* f = dynamic_cast<FakeSkill*>(sm()->getRunningSkill()); f && a == 6) {
            f->setFinished(rng() % 3 == 0);
        }
        if (a >= 7) sm()->putSkillInQ(new FakeSkill(ids[rng() % 5], rng() % 3 == 0));
        ASSERT_EQ(FakeSkill::live, held(sm()->getRunningSkill()) + held(sm()->getNextSkill()))
            << "step " << step;
        ASSERT_TRUE(sm()->getNextSkill() == nullptr ||
                    sm()->getRunningSkill() != sm()->getNextSkill());
    }
    testing::internal::GetCapturedStdout();
}
