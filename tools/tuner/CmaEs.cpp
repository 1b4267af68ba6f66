#include "CmaEs.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {
constexpr double kTwoPi = 6.283185307179586;
// Eigenvalues below this are taken as this: keeps the square roots real
// when rounding makes a tiny one negative.
constexpr double kMinEigen = 1e-20;
}  // namespace

CmaEs::CmaEs(int n, std::uint64_t seed, int lambda)
    : n(std::max(n, 1)),
      lambda(lambda > 1 ? lambda : 4 + static_cast<int>(3.0 * std::log(std::max(n, 1)))),
      generation(0),
      rng(seed),
      haveSpare(false),
      spare(0.0) {
    const double dn = this->n;
    mu = this->lambda / 2;
    weights.resize(mu);
    for (int i = 0; i < mu; ++i) {
        weights[i] = std::log(mu + 0.5) - std::log(i + 1.0);
    }
    weights /= weights.sum();
    mueff = 1.0 / weights.squaredNorm();

    cc = (4.0 + mueff / dn) / (dn + 4.0 + 2.0 * mueff / dn);
    cs = (mueff + 2.0) / (dn + mueff + 5.0);
    c1 = 2.0 / ((dn + 1.3) * (dn + 1.3) + mueff);
    cmu = std::min(1.0 - c1, 2.0 * (mueff - 2.0 + 1.0 / mueff) / ((dn + 2.0) * (dn + 2.0) + mueff));
    damps = 1.0 + 2.0 * std::max(0.0, std::sqrt((mueff - 1.0) / (dn + 1.0)) - 1.0) + cs;
    chiN = std::sqrt(dn) * (1.0 - 1.0 / (4.0 * dn) + 1.0 / (21.0 * dn * dn));

    mean = Eigen::VectorXd::Zero(this->n);
    sigma = 1.0;
    C = Eigen::MatrixXd::Identity(this->n, this->n);
    B = C;
    D = Eigen::VectorXd::Ones(this->n);
    invSqrtC = C;
    pc = Eigen::VectorXd::Zero(this->n);
    ps = Eigen::VectorXd::Zero(this->n);
}

double CmaEs::normal() {
    // Box-Muller on 53-bit uniforms: the same numbers from every library.
    if (haveSpare) {
        haveSpare = false;
        return spare;
    }
    const double scale = 1.0 / 9007199254740992.0;  // 2^-53
    double u1 = 0.0;
    do {
        u1 = static_cast<double>(rng() >> 11) * scale;
    } while (u1 <= 0.0);
    const double u2 = static_cast<double>(rng() >> 11) * scale;
    const double r = std::sqrt(-2.0 * std::log(u1));
    spare = r * std::sin(kTwoPi * u2);
    haveSpare = true;
    return r * std::cos(kTwoPi * u2);
}

Eigen::VectorXd CmaEs::ask() {
    Eigen::VectorXd z(n);
    for (int i = 0; i < n; ++i) {
        z[i] = normal();
    }
    return mean + sigma * (B * D.asDiagonal() * z);
}

void CmaEs::tell(const Eigen::VectorXd& candidate, double fitness) {
    candidates.push_back(candidate);
    // An unusable result ranks last.
    fitnesses.push_back(std::isnan(fitness) ? std::numeric_limits<double>::infinity() : fitness);
    if (static_cast<int>(candidates.size()) >= lambda) {
        update();
        candidates.clear();
        fitnesses.clear();
    }
}

void CmaEs::update() {
    ++generation;
    std::vector<int> order(candidates.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return fitnesses[a] < fitnesses[b]; });

    const Eigen::VectorXd oldMean = mean;
    Eigen::MatrixXd steps(n, mu);
    mean.setZero();
    for (int i = 0; i < mu; ++i) {
        const Eigen::VectorXd& x = candidates[order[i]];
        mean += weights[i] * x;
        steps.col(i) = (x - oldMean) / sigma;
    }
    const Eigen::VectorXd meanStep = (mean - oldMean) / sigma;

    ps = (1.0 - cs) * ps + std::sqrt(cs * (2.0 - cs) * mueff) * (invSqrtC * meanStep);
    const double psNorm = ps.norm();
    const double decay = 1.0 - std::pow(1.0 - cs, 2.0 * generation);
    const bool hsig = psNorm / std::sqrt(decay) / chiN < 1.4 + 2.0 / (n + 1.0);
    pc = (1.0 - cc) * pc;
    if (hsig) {
        pc += std::sqrt(cc * (2.0 - cc) * mueff) * meanStep;
    }

    const double lost = hsig ? 0.0 : cc * (2.0 - cc);
    C = (1.0 - c1 - cmu) * C + c1 * (pc * pc.transpose() + lost * C) +
        cmu * steps * weights.asDiagonal() * steps.transpose();
    sigma *= std::exp((cs / damps) * (psNorm / chiN - 1.0));
    decompose();
}

void CmaEs::decompose() {
    // Keep C exactly symmetric before the decomposition.
    C = 0.5 * (C + C.transpose()).eval();
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(C);
    if (solver.info() != Eigen::Success) {
        return;  // keep the previous axes
    }
    B = solver.eigenvectors();
    D = solver.eigenvalues().cwiseMax(kMinEigen).cwiseSqrt();
    invSqrtC = B * D.cwiseInverse().asDiagonal() * B.transpose();
}
