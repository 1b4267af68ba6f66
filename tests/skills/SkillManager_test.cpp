// The skill manager's hand-over rules, its two console lines, and that it
// frees every skill exactly once whatever arrives.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
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
    bool run() override {
        ++runs;
        return finished;
    }
    SkillID getSkillID() override { return id; }
    void setFinished(bool f) { finished = f; }

    static int live;
    int runs = 0;

private:
    SkillID id;
};

int FakeSkill::live = 0;

std::string put(SkillManager* sm, SkillBase* skill) {
    testing::internal::CaptureStdout();
    sm->putSkillInQ(skill);
    return testing::internal::GetCapturedStdout();
}

std::string lines(const std::string& cur, const std::string& next) {
    return "curSkill: " + cur + "\nnextSkill: " + next + "\n";
}

}  // namespace

TEST(SkillBase, NamesFollowTheIdentifiers) {
    EXPECT_EQ(SkillBase::skillsName[SKILL_NOTHING], "SKILL_NOTHING");
    EXPECT_EQ(SkillBase::skillsName[SKILL_PATTERN_ALIGNER], "SKILL_PATTERN_ALIGNER");
    EXPECT_EQ(SkillBase::skillsName[SKILL_NAO_BESIDE_WALKING], "SKILL_NAO_BESIDE_WALKING");
    EXPECT_EQ(SkillBase::skillsName[SKILL_TFS_ROTATE], "SKILL_TFS_ROTATE");
    FakeSkill s(SKILL_NAO_KICK2);
    EXPECT_EQ(s.getName(), "SKILL_NAO_KICK2");
    EXPECT_FALSE(s.isFinished());
    FakeSkill odd(static_cast<SkillID>(SKILL_COUNT));
    EXPECT_EQ(odd.getName(), "SKILL_UNKNOWN");
    EXPECT_EQ(FakeSkill::live, 2);
}

TEST(SkillManager, EmptyManagerRunsANewSkillInTheSameCycle) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    EXPECT_EQ(sm, SkillManager::getUniqueInstance());
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NOTHING);

    auto* a = new FakeSkill(SKILL_TFS_WALK);
    EXPECT_EQ(put(sm, a), lines("SKILL_TFS_WALK", "NULL"));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(sm->getRunningSkill(), a);
    EXPECT_EQ(sm->getNextSkill(), nullptr);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NOTHING);
}

TEST(SkillManager, NullRequests) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    // Into an empty manager: installed as "nothing", both lines printed.
    EXPECT_EQ(put(sm, nullptr), lines("NULL", "NULL"));
    EXPECT_FALSE(sm->runSkills());

    auto* a = new FakeSkill(SKILL_TFS_WALK);
    put(sm, a);
    put(sm, new FakeSkill(SKILL_NAO_KICK));
    ASSERT_NE(sm->getNextSkill(), nullptr);
    EXPECT_EQ(FakeSkill::live, 2);
    // With a skill running: the waiting one is cancelled, nothing printed.
    EXPECT_EQ(put(sm, nullptr), "");
    EXPECT_EQ(sm->getNextSkill(), nullptr);
    EXPECT_EQ(sm->getRunningSkill(), a);
    EXPECT_EQ(FakeSkill::live, 1);
    // ... and the running skill retires once it finishes.
    a->setFinished(true);
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(FakeSkill::live, 0);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
}

TEST(SkillManager, AnotherKindWaitsBehindAStandingAligner) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* a = new FakeSkill(SKILL_TFS_WALK);
    put(sm, a);
    sm->runSkills();

    EXPECT_EQ(put(sm, new FakeSkill(SKILL_TFS_TURN)),
              lines("SKILL_TFS_WALK", "SKILL_PATTERN_ALIGNER"));
    EXPECT_EQ(FakeSkill::live, 1) << "the turn request is not kept";
    SkillBase* aligner = sm->getNextSkill();
    ASSERT_NE(aligner, nullptr);
    EXPECT_NE(dynamic_cast<PatternAligner*>(aligner), nullptr);

    // Asked again while the walk still runs: a fresh aligner replaces the
    // waiting one (the old one is freed; the sanitizer run checks that).
    put(sm, new FakeSkill(SKILL_TFS_TURN));
    EXPECT_EQ(sm->getNextSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 2);

    // The walk finishes: in the same cycle it retires and the aligner runs.
    a->setFinished(true);
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(FakeSkill::live, 0);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
    ASSERT_NE(sm->getRunningSkill(), nullptr);
    EXPECT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_PATTERN_ALIGNER);

    // With the aligner running the requested skill is queued as it is.
    auto* b = new FakeSkill(SKILL_TFS_TURN);
    EXPECT_EQ(put(sm, b), lines("SKILL_PATTERN_ALIGNER", "SKILL_TFS_TURN"));
    EXPECT_EQ(sm->getNextSkill(), b);
}

TEST(SkillManager, AnAlignerRequestIsQueuedAsItIs) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    put(sm, new FakeSkill(SKILL_TFS_WALK));
    auto* pa = new PatternAligner();
    EXPECT_EQ(put(sm, pa), lines("SKILL_TFS_WALK", "SKILL_PATTERN_ALIGNER"));
    EXPECT_EQ(sm->getNextSkill(), pa);
}

TEST(SkillManager, NaoKickAndStandUpSkipTheAligner) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* a = new FakeSkill(SKILL_TFS_WALK);
    put(sm, a);
    auto* kick = new FakeSkill(SKILL_NAO_KICK);
    EXPECT_EQ(put(sm, kick), lines("SKILL_TFS_WALK", "SKILL_NAO_KICK"));
    EXPECT_EQ(sm->getNextSkill(), kick);
    // A kick waits for the walk to finish.
    sm->runSkills();
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(kick->runs, 0);

    // A second kick replaces the waiting one.
    auto* kick2 = new FakeSkill(SKILL_NAO_KICK);
    put(sm, kick2);
    EXPECT_EQ(sm->getNextSkill(), kick2);
    EXPECT_EQ(FakeSkill::live, 2);

    a->setFinished(true);
    sm->runSkills();
    EXPECT_EQ(sm->getRunningSkill(), kick2);
    EXPECT_EQ(kick2->runs, 1);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);
}

TEST(SkillManager, StandUpPreemptsAnyOtherSkillAtOnce) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* a = new FakeSkill(SKILL_NAO_KICK);
    put(sm, a);
    sm->runSkills();
    auto* up = new FakeSkill(SKILL_NAO_STANDUP);
    EXPECT_EQ(put(sm, up), lines("SKILL_NAO_KICK", "SKILL_NAO_STANDUP"));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(FakeSkill::live, 1) << "the kick is destroyed";
    EXPECT_EQ(sm->getRunningSkill(), up);
    EXPECT_EQ(up->runs, 1) << "the stand-up runs in the same cycle";
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NAO_KICK);
    EXPECT_EQ(sm->getNextSkill(), nullptr);
}

TEST(SkillManager, AStandUpIsNotInterruptedByAnother) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* first = new FakeSkill(SKILL_NAO_STANDUP);
    put(sm, first);
    sm->runSkills();
    auto* second = new FakeSkill(SKILL_NAO_STANDUP);
    EXPECT_EQ(put(sm, second), lines("SKILL_NAO_STANDUP", "SKILL_NAO_STANDUP"));
    EXPECT_EQ(sm->getNextSkill(), second);
    sm->runSkills();
    EXPECT_EQ(first->runs, 2);
    EXPECT_EQ(second->runs, 0);
    first->setFinished(true);
    sm->runSkills();
    EXPECT_EQ(sm->getRunningSkill(), second);
    EXPECT_EQ(second->runs, 1);
    EXPECT_EQ(FakeSkill::live, 1);
}

TEST(SkillManager, SameKindKeepsTheRunningInstanceEvenWhenFinished) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    auto* a = new FakeSkill(SKILL_TFS_WALK);
    put(sm, a);
    sm->runSkills();
    a->setFinished(true);

    // A new instance of the same kind: discarded, the running one goes on.
    EXPECT_EQ(put(sm, new FakeSkill(SKILL_TFS_WALK)), lines("SKILL_TFS_WALK", "NULL"));
    EXPECT_EQ(FakeSkill::live, 1);
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 2);

    // runSkills() leaves the continue mark alone: only the next request clears it.
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 3);

    // The same object handed over again counts as a request too.
    EXPECT_EQ(put(sm, a), lines("SKILL_TFS_WALK", "NULL"));
    EXPECT_TRUE(sm->runSkills());
    EXPECT_EQ(a->runs, 4);
    EXPECT_EQ(FakeSkill::live, 1);

    // A cycle whose request is something else: the finished walk retires.
    put(sm, nullptr);
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(FakeSkill::live, 0);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_TFS_WALK);

    // A cycle that starts empty forgets the retired skill.
    EXPECT_FALSE(sm->runSkills());
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NOTHING);
}

TEST(SkillManager, WaitingSkillHandedOverAgainIsKeptNotFreed) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    put(sm, new FakeSkill(SKILL_TFS_WALK));
    auto* kick = new FakeSkill(SKILL_NAO_KICK);
    put(sm, kick);
    EXPECT_EQ(put(sm, kick), lines("SKILL_TFS_WALK", "SKILL_NAO_KICK"));
    EXPECT_EQ(sm->getNextSkill(), kick);
    EXPECT_EQ(FakeSkill::live, 2);

    // A waiting aligner handed over again while a walk runs: kept as well.
    SkillBase* aligner = nullptr;
    put(sm, new FakeSkill(SKILL_TFS_TURN));
    aligner = sm->getNextSkill();
    EXPECT_EQ(FakeSkill::live, 1) << "the waiting kick was replaced";
    put(sm, aligner);
    EXPECT_EQ(sm->getNextSkill(), aligner);

    // A waiting stand-up behind a running one, handed over again.
    auto* up = new FakeSkill(SKILL_NAO_STANDUP);
    put(sm, up);
    sm->runSkills();
    ASSERT_EQ(sm->getRunningSkill(), up);
    auto* up2 = new FakeSkill(SKILL_NAO_STANDUP);
    put(sm, up2);
    put(sm, up2);
    EXPECT_EQ(sm->getNextSkill(), up2);
    EXPECT_EQ(FakeSkill::live, 2);
}

TEST(SkillManager, RandomRequestsNeverLeakNorDoubleFree) {
    SkillManager* sm = SkillManager::getUniqueInstance();
    const SkillID ids[] = {SKILL_NAO_STANDUP, SKILL_NAO_KICK, SKILL_PATTERN_ALIGNER,
                           SKILL_TFS_WALK, SKILL_TFS_TURN};
    auto heldFakes = [sm] {
        return (dynamic_cast<FakeSkill*>(sm->getRunningSkill()) != nullptr ? 1 : 0) +
               (dynamic_cast<FakeSkill*>(sm->getNextSkill()) != nullptr ? 1 : 0);
    };
    testing::internal::CaptureStdout();
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> action(0, 9);
        std::uniform_int_distribution<int> pick(0, 4);
        std::bernoulli_distribution coin(0.3);
        for (int step = 0; step < 20000; ++step) {
            switch (action(rng)) {
                case 0:
                    sm->putSkillInQ(nullptr);
                    break;
                case 1:
                    sm->putSkillInQ(sm->getRunningSkill());
                    break;
                case 2:
                    sm->putSkillInQ(sm->getNextSkill());
                    break;
                case 3:
                    sm->putSkillInQ(new PatternAligner());
                    break;
                case 4:
                case 5:
                    sm->runSkills();
                    break;
                case 6:
                    if (auto* f = dynamic_cast<FakeSkill*>(sm->getRunningSkill())) {
                        f->setFinished(coin(rng));
                    }
                    break;
                default:
                    sm->putSkillInQ(new FakeSkill(ids[pick(rng)], coin(rng)));
                    break;
            }
            ASSERT_LE(FakeSkill::live, 2) << "seed " << seed << " step " << step;
            ASSERT_EQ(FakeSkill::live, heldFakes()) << "seed " << seed << " step " << step;
            ASSERT_TRUE(sm->getRunningSkill() == nullptr ||
                        sm->getRunningSkill() != sm->getNextSkill());
        }
    }
    testing::internal::GetCapturedStdout();
}
