// The evolution strategy on functions with a known minimum: it must rank the
// candidates the right way round (the mean follows the best), adapt its step
// to the distance left, and give the same run for the same seed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "CmaEs.h"

namespace {

using Fitness = std::function<double(const Eigen::VectorXd&)>;

// A point away from the search's start at the origin, different in every
// coordinate, at about `scale` times 2 to 5.
Eigen::VectorXd shift(int n, double scale) {
    Eigen::VectorXd c(n);
    for (int i = 0; i < n; ++i) c[i] = scale * (i % 2 == 0 ? 1.0 + 0.5 * i : -1.0 - 0.25 * i);
    return c;
}

// Squared distance from `centre`: the minimum 0 lies there.
Fitness sphereAround(Eigen::VectorXd centre) {
    return [centre](const Eigen::VectorXd& x) { return (x - centre).squaredNorm(); };
}

double rosenbrock(const Eigen::VectorXd& x) {
    double sum = 0.0;
    for (int i = 0; i + 1 < x.size(); ++i) {
        sum += 100.0 * std::pow(x[i + 1] - x[i] * x[i], 2) + std::pow(1.0 - x[i], 2);
    }
    return sum;
}

struct Generation {
    double best;    // the best fitness among its candidates
    double atMean;  // the fitness of the mean it left behind
};

// What the search is told of a candidate and its true fitness.
using Report = std::function<double(const Eigen::VectorXd&, double)>;

// Runs whole generations, telling the true fitness unless a test spoils it.
std::vector<Generation> run(CmaEs& search, int generations, const Fitness& f,
                            const Report& reported = [](const Eigen::VectorXd&, double value) {
                                return value;
                            }) {
    std::vector<Generation> out;
    for (int g = 0; g < generations; ++g) {
        double best = std::numeric_limits<double>::infinity();
        for (int k = 0; k < search.getLambda(); ++k) {
            const Eigen::VectorXd x = search.ask();
            const double value = f(x);
            best = std::fmin(best, value);
            search.tell(x, reported(x, value));
        }
        out.push_back({best, f(search.getMean())});
    }
    return out;
}

}  // namespace

TEST(CmaEs, ShiftedSphereConvergesOnItsMinimum) {
    const Eigen::VectorXd centre = shift(6, 1.0);
    const Fitness sphere = sphereAround(centre);
    CmaEs search(6, 7);
    const double atStart = sphere(search.getMean());
    const std::vector<Generation> gens = run(search, 60, sphere);
    EXPECT_EQ(search.getGeneration(), 60);
    // From about 24 at the origin to a thousandth of that and less.
    EXPECT_LT(gens.back().best, 1e-3 * gens.front().best);
    EXPECT_LT(gens.back().atMean, 1e-3 * atStart);
    EXPECT_LT((search.getMean() - centre).norm(), 0.05) << search.getMean().transpose();
    // Near the minimum the steps shrink with the distance left.
    EXPECT_LT(search.getSigma(), 0.05);
}

TEST(CmaEs, RosenbrockValleyIsFollowedTowardItsMinimum) {
    // The bent valley needs the covariance to turn along it; the minimum is
    // 0 at (1, 1, 1, 1), the origin scores 3.
    CmaEs search(4, 11);
    const std::vector<Generation> gens = run(search, 150, rosenbrock);
    EXPECT_LT(gens.back().best, 0.05);
    EXPECT_LT(gens.back().atMean, 0.05);
    EXPECT_LT((search.getMean() - Eigen::VectorXd::Ones(4)).norm(), 0.5) << search.getMean().transpose();
}

TEST(CmaEs, StepGrowsWhileTheMinimumIsFarAway) {
    // A start step of 1 where the minimum is about 200 away: the step must
    // grow rather than crawl there.
    const Eigen::VectorXd centre = shift(4, 100.0);
    const Fitness sphere = sphereAround(centre);
    CmaEs search(4, 3);
    const std::vector<Generation> gens = run(search, 25, sphere);
    EXPECT_GT(search.getSigma(), 5.0);
    EXPECT_LT(gens.back().atMean, 0.25 * sphere(Eigen::VectorXd::Zero(4)));
}

TEST(CmaEs, UnusableResultsRankLast) {
    // Every candidate beyond x0 = 1 fails (NaN, as a broken episode reports),
    // while the minimum lies at x0 = 3: the search must settle on the edge of
    // the usable region nearest the minimum, not wander into the failures.
    Eigen::VectorXd centre = Eigen::VectorXd::Zero(5);
    centre[0] = 3.0;
    centre[1] = -1.0;
    const Fitness sphere = sphereAround(centre);
    CmaEs search(5, 2);
    run(search, 60, sphere,
        [](const Eigen::VectorXd& x, double value) { return x[0] > 1.0 ? NAN : value; });
    const Eigen::VectorXd& mean = search.getMean();
    ASSERT_TRUE(mean.allFinite()) << mean.transpose();
    EXPECT_GT(mean[0], 0.9) << mean.transpose();
    EXPECT_LE(mean[0], 1.0) << mean.transpose();
    EXPECT_NEAR(mean[1], -1.0, 0.2) << mean.transpose();
    EXPECT_LT(search.getSigma(), 0.15);
}

TEST(CmaEs, SameSeedSameRunOtherSeedAnotherRun) {
    const Fitness sphere = sphereAround(Eigen::VectorXd::Zero(3));
    CmaEs a(3, 42), b(3, 42), c(3, 43);
    run(a, 5, sphere);
    run(b, 5, sphere);
    run(c, 5, sphere);
    EXPECT_EQ(a.getLambda(), 7) << "4 + 3 ln 3 candidates per generation";
    EXPECT_EQ(a.getMean(), b.getMean());
    EXPECT_EQ(a.getSigma(), b.getSigma());
    EXPECT_NE(a.getMean(), c.getMean());
}
