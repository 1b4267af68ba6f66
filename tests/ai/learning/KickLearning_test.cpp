// The kick learner on scripted world states (the stalled clock is covered by
// the match build): the episode's commands, the vector handed to the kick,
// waiting for the kick-off, and the fitness from the ball's path and falls.
#include "ai/learning/KickLearning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ai/learning/LearningTestKit.h"
#include "etc/SkillParams.h"
#include "types.h"

using namespace learningkit;

namespace {

constexpr unsigned kKickOff = 150;  // the step the game kicks off in

// Before kick-off the ball waits; `kickedAt` steps after the kick-off it
// rolls 3 m along the direction `degrees` (counter-clockwise) in 50 steps.
// The torso is down from step `fall` on.
std::function<World(unsigned)> episode(unsigned fall, double degrees = 0.0,
                                       unsigned kickedAt = 60) {
    return [=](unsigned s) {
        World w = standing(s);
        const double a = degrees * 3.14159265358979323846 / 180.0;
        const unsigned rollFrom = kKickOff + kickedAt;
        const double d =
            s < rollFrom ? 0.0 : (s > rollFrom + 50 ? 3.0 : (s - rollFrom) * 3.0 / 50.0);
        w.ball = Point(d * std::cos(a), d * std::sin(a), 0.04);
        w.pos = Point(KickLearning::kBeamX, KickLearning::kBeamY, 0.38);
        WorldModel* WM = WorldModel::getUniqueInstance();
        WM->setPlayMode(s < kKickOff ? PM_BEFORE_KICK_OFF : PM_KICKOFF_LEFT);
        WM->setAcc(s < fall ? Point(0, 0, 9.81) : Point(0, 9.81, 0.3));
        // The ball in sight at the feet: the kick needs no look around.
        Ball b = WM->getBall();
        b.setPolarPos(Point(0.25, -60, 15));
        b.setLastTimeSeenBall(w.time);
        WM->setBall(b);
        return w;
    };
}

double sentFitness(const Episode& e) { return std::strtod(e.fitness.c_str(), nullptr); }

// The kick's design values as the optimiser would send them, one changed.
std::string designVector(int changed = -1, double value = 0.0) {
    std::string text;
    const auto& list = Kick::paramList();
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        text += std::to_string(i == changed ? value : list[i].designValue) + " ";
    }
    return text + "\n";
}

std::unique_ptr<KickLearning> learnerOn(Kit& kit, const std::string& vector = designVector()) {
    auto learner = kit.make<KickLearning>();
    kit.send(vector);
    return learner;
}

}  // namespace

TEST(KickLearning, EpisodeBeamsStandsWaitsForTheKickOffAndHandsTheVectorToTheKick) {
    Kit kit;
    auto learner = learnerOn(kit, designVector(Kick::P_ARM_OUT, 7.0));
    ASSERT_EQ(learner->getParamsCount(), Kick::paramList().size());
    const Episode e = runEpisode(kit, *learner, episode(100000), 1000, designVector());
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_LEARNING_KICK))");
    EXPECT_EQ(e.commands[2], "(beam -0.200000 -0.055000 0.000000)");
    // The vector is the kick's values, in the kick's order.
    const auto& list = Kick::paramList();
    for (unsigned i = 0; i < list.size(); ++i) {
        EXPECT_NEAR(SkillParams::getUniqueInstance()->value(Kick::kSkillName, list[i].name, -1),
                    i == Kick::P_ARM_OUT ? 7.0 : list[i].designValue, 1e-6)
            << list[i].name;
    }
    // Standing until the kick-off (step 150, after the 100 settling steps):
    // the standing aligner's knee command, not the kick's roll.
    EXPECT_NE(e.commands[120].find("(rle2 0.000000)"), std::string::npos) << e.commands[120];
    EXPECT_TRUE(learner->hasKicked());
    // The kick runs for its phases, then at least 2 s more are watched.
    EXPECT_GE(e.endStep, kKickOff + KickLearning::kWatchSteps);
    EXPECT_NEAR(learner->getAlong(), 3.0, 1e-9);
    EXPECT_NEAR(sentFitness(e), -3.0, 1e-4);
}

TEST(KickLearning, BallOffTheHeadingCostsAndAFallAfterTheKickCostsMore) {
    {
        Kit kit;
        auto learner = learnerOn(kit);
        const Episode e = runEpisode(kit, *learner, episode(100000, -10.0), 1000, designVector());
        EXPECT_NEAR(learner->getAngleError(), -10.0, 1e-6);
        EXPECT_NEAR(sentFitness(e), -(3.0 * std::cos(10.0 * 3.14159265358979 / 180.0) - 1.0), 1e-4);
    }
    {
        // Down 30 steps after the kick began: the episode ends ten steps
        // later with the ball where it is and the fall's cost.
        Kit kit;
        auto learner = learnerOn(kit);
        const Episode e =
            runEpisode(kit, *learner, episode(kKickOff + 30, 0.0, 0), 1000, designVector());
        EXPECT_TRUE(learner->hadFault());
        EXPECT_EQ(e.endStep, kKickOff + 30 + KickLearning::kDownSteps - 1);
        EXPECT_NEAR(sentFitness(e), -(learner->getAlong() - KickLearning::kFallCost), 1e-4);
        EXPECT_GT(sentFitness(e), 5.0);
    }
}

TEST(KickLearning, LyingBeforeTheKickIsNoFaultOfTheKick) {
    Kit kit;
    auto learner = learnerOn(kit);
    // Down for the first 40 steps (the beam's drop), then up.
    const auto world = [](unsigned s) {
        World w = episode(100000)(s);
        if (s < 40) WorldModel::getUniqueInstance()->setAcc(Point(0, 9.81, 0.3));
        return w;
    };
    const Episode e = runEpisode(kit, *learner, world, 1000, designVector());
    EXPECT_FALSE(learner->hadFault());
    EXPECT_NEAR(sentFitness(e), -3.0, 1e-4);
}
