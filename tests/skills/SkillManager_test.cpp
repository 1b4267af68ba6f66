// The skill manager's hand-over rules, its two console lines, and that it
// frees every skill exactly once whatever arrives.
#include "skills/SkillManager.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"

namespace {

// A skill that counts how many of its kind are alive and how often it ran.
class FakeSkill : public SkillBase {
public:
    explicit FakeSkill(SkillID skillId, bool done = false) : id(skillId) {
        finished = done;
        ++live;
    }
    ~FakeSkill() override { --live; }
    bool run() override { return ++runs, finished; }
    SkillID getSkillID() override { return id; }
    void setFinished(bool f) { finished = f; }

    static int live;
    int runs = 0;

private:
    SkillID id;
};
int FakeSkill::live = 0;

std::string put(SkillBase* skill) {
    testing::internal::CaptureStdout();
    SkillManager::getUniqueInstance()->putSkillInQ(skill);
    return testing::internal::GetCapturedStdout();
}

std::string lines(const std::string& cur, const std::string& next) {
    return "curSkill: " + cur + "\nnextSkill: " + next + "\n";
}

}  // namespace

TEST(SkillBase, NamesFollowTheIdentifiers) {
    EXPECT_EQ(SkillBase::skillsName[SKILL_NOTHING], "SKILL_NOTHING");
    EXPECT_EQ(SkillBase::skillsName[SKILL_NAO_BESIDE_WALKING], "SKILL_NAO_BESIDE_WALKING");
    EXPECT_EQ(FakeSkill(SKILL_TFS_ROTATE).getName(), "SKILL_TFS_ROTATE");
    EXPECT_EQ(FakeSkill(static_cast<SkillID>(SKILL_COUNT)).getName(), "SKILL_UNKNOWN");
}

TEST(SkillManager, RequestWhileASkillRuns) {
    struct Row {
        SkillID cur, req;
        const char* waiting;  // printed name of the waiting skill afterwards
    };
    const Row rows[] = {
        {SKILL_TFS_WALK, SKILL_TFS_WALK, "NULL"},  // same kind: the running one goes on
        {SKILL_TFS_WALK, SKILL_TFS_TURN, "SKILL_PATTERN_ALIGNER"},
        {SKILL_NAO_KICK, SKILL_TFS_WALK, "SKILL_PATTERN_ALIGNER"},
        {SKILL_NAO_STANDUP, SKILL_TFS_WALK, "SKILL_PATTERN_ALIGNER"},
        {SKILL_TFS_WALK, SKILL_PATTERN_ALIGNER, "SKILL_PATTERN_ALIGNER"},
        {SKILL_PATTERN_ALIGNER, SKILL_TFS_TURN, "SKILL_TFS_TURN"},
        {SKILL_PATTERN_ALIGNER, SKILL_PATTERN_ALIGNER, "NULL"},
        {SKILL_TFS_WALK, SKILL_NAO_KICK, "SKILL_NAO_KICK"},
        {SKILL_NAO_KICK, SKILL_NAO_KICK, "NULL"},
        {SKILL_TFS_WALK, SKILL_NAO_STANDUP, "SKILL_NAO_STANDUP"},
        {SKILL_NAO_STANDUP, SKILL_NAO_STANDUP, "SKILL_NAO_STANDUP"},
    };
    SkillManager* sm = SkillManager::getUniqueInstance();
    for (const Row& r : rows) {
        auto* cur = new FakeSkill(r.cur);
        EXPECT_EQ(put(cur), lines(SkillBase::skillsName[r.cur], "NULL"));
        auto* req = new FakeSkill(r.req);
        EXPECT_EQ(put(req), lines(SkillBase::skillsName[r.cur], r.waiting))
            << SkillBase::skillsName[r.cur] << " <- " << SkillBase::skillsName[r.req];
        // The request is kept exactly when it is the waiting skill.
        EXPECT_EQ(FakeSkill::live, sm->getNextSkill() == req ? 2 : 1);
        // Empty the manager for the next row: cancel, finish, retire.
        EXPECT_EQ(put(nullptr), "");
        cur->setFinished(true);
        EXPECT_FALSE(sm->runSkills());
        EXPECT_EQ(sm->getPrevSkillID(), r.cur);
        EXPECT_EQ(FakeSkill::live, 0);
    }
}

TEST(SkillManager, EmptyManagerRunsANewSkillInTheSameCycle) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(put(nullptr), lines("NULL", "NULL"));
    EXPECT_FALSE(sm->runSkills());
    auto* a = new FakeSkill(SKILL_TFS_WALK);
    EXPECT_EQ(put(a), lines("SKILL_TFS_WALK", "NULL"));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NOTHING);
}

TEST(SkillManager, WaitingSkillStartsWhenTheRunningOneFinishes) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* walk = new FakeSkill(SKILL_TFS_WALK);
    put(walk);
    put(new FakeSkill(SKILL_TFS_TURN));
    put(new FakeSkill(SKILL_TFS_TURN));  // a fresh aligner replaces the waiting one
    sm->runSkills();
    EXPECT_EQ(walk->runs, 1);
    walk->setFinished(true);
    EXPECT_TRUE(sm->runSkills());  // retired and the aligner runs in this cycle
    EXPECT_EQ(FakeSkill::live, 0);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
    EXPECT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);
}

TEST(SkillManager, StandUpPreemptsAllButAStandUp) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    put(new FakeSkill(SKILL_NAO_KICK));
    auto* up = new FakeSkill(SKILL_NAO_STANDUP);
    put(up);
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(FakeSkill::live, 1) << "the kick is destroyed";
    EXPECT_EQ(up->runs, 1) << "the stand-up runs in the same cycle";
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NAO_KICK);

    auto* up2 = new FakeSkill(SKILL_NAO_STANDUP);
    put(up2);
    put(up2);  // the waiting skill handed over again stays waiting
    sm->runSkills();
    EXPECT_EQ(up->runs, 2);
    EXPECT_EQ(up2->runs, 0);
    EXPECT_EQ(sm->getNextSkill(), up2);
}

TEST(SkillManager, FinishedSkillKeepsRunningWhileRequested) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* a = new FakeSkill(SKILL_TFS_WALK, true);
    put(a);
    put(new FakeSkill(SKILL_TFS_WALK));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_TRUE(sm->runSkills()) << "runSkills() leaves the continue mark alone";
    EXPECT_EQ(put(a), lines("SKILL_TFS_WALK", "NULL"));  // the same object: a request too
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 3);
    EXPECT_EQ(FakeSkill::live, 1);
    put(nullptr);
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NOTHING) << "a cycle that starts empty forgets it";
}

TEST(SkillManager, RandomRequestsNeverLeakNorDoubleFree) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    const SkillID ids[] = {SKILL_NAO_STANDUP, SKILL_NAO_KICK, SKILL_PATTERN_ALIGNER, SKILL_TFS_WALK,
                           SKILL_TFS_TURN};
    auto held = [](SkillBase* s) { return dynamic_cast<FakeSkill*>(s) != nullptr ? 1 : 0; };
    testing::internal::CaptureStdout();
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> action(0, 9), pick(0, 4);
        std::bernoulli_distribution coin(0.3);
        for (int step = 0; step < 20000; ++step) {
            const int a = action(rng);
            if (a == 0) sm->putSkillInQ(nullptr);
            if (a == 1) sm->putSkillInQ(sm->getRunningSkill());
            if (a == 2) sm->putSkillInQ(sm->getNextSkill());
            if (a == 3) sm->putSkillInQ(new PatternAligner());
            if (a == 4 || a == 5) sm->runSkills();
            if (auto* f = dynamic_cast<FakeSkill*>(sm->getRunningSkill()); f && a == 6) {
                f->setFinished(coin(rng));
            }
            if (a >= 7) sm->putSkillInQ(new FakeSkill(ids[pick(rng)], coin(rng)));
            ASSERT_LE(FakeSkill::live, 2) << "seed " << seed << " step " << step;
            ASSERT_EQ(FakeSkill::live, held(sm->getRunningSkill()) + held(sm->getNextSkill()))
                << "seed " << seed << " step " << step;
            ASSERT_TRUE(sm->getNextSkill() == nullptr ||
                        sm->getRunningSkill() != sm->getNextSkill());
        }
    }
    testing::internal::GetCapturedStdout();
}
