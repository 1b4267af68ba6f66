// Covariance matrix adaptation evolution strategy, minimising. It searches
// in coordinates where every parameter's first step is 1, so parameters of
// very different scales are treated alike; the caller maps candidates to
// and from the real parameters. Sampling is seeded and uses its own normal
// draws, so a seed gives the same run on every machine.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <random>
#include <vector>

class CmaEs {
public:
    // `lambda` 0 picks the usual population 4 + 3 ln n.
    CmaEs(int n, std::uint64_t seed, int lambda = 0);

    // The next candidate to evaluate (in search coordinates).
    Eigen::VectorXd ask();
    // The fitness of the candidate handed out last, possibly changed by the
    // caller (a repaired candidate). After a whole population the search
    // distribution moves.
    void tell(const Eigen::VectorXd& candidate, double fitness);

    int getLambda() const { return lambda; }
    int getGeneration() const { return generation; }
    double getSigma() const { return sigma; }
    const Eigen::VectorXd& getMean() const { return mean; }

private:
    double normal();
    void update();
    void decompose();

    int n;
    int lambda;
    int mu;
    Eigen::VectorXd weights;
    double mueff;
    double cc, cs, c1, cmu, damps, chiN;

    Eigen::VectorXd mean;
    double sigma;
    Eigen::MatrixXd C;
    Eigen::MatrixXd B;
    Eigen::VectorXd D;
    Eigen::MatrixXd invSqrtC;
    Eigen::VectorXd pc;
    Eigen::VectorXd ps;
    int generation;

    std::vector<Eigen::VectorXd> candidates;
    std::vector<double> fitnesses;
    std::mt19937_64 rng;
    bool haveSpare;
    double spare;
};
