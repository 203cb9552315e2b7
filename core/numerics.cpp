#include "core/numerics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#if !defined(__EMSCRIPTEN__)
#include <thread>
#endif

#include <Eigen/Cholesky>
#include <Eigen/Core>

namespace ostrevin {

namespace {

GaussRule MakeRule(int n) {
  GaussRule rule{std::vector<double>(static_cast<std::size_t>(n)),
                 std::vector<double>(static_cast<std::size_t>(n))};
  for (int i = 0; i < n; ++i) {
    // Newton's method on P_n from Tricomi's estimate of its i-th root.
    double x = std::cos(kPi * (i + 0.75) / (n + 0.5));
    double derivative = 1;
    for (int iteration = 0; iteration < 100; ++iteration) {
      double p0 = 1;
      double p1 = x;
      for (int k = 2; k <= n; ++k) {
        const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      derivative = n * (x * p1 - p0) / (x * x - 1);
      const double step = p1 / derivative;
      x -= step;
      if (std::abs(step) < 1e-16) break;
    }
    rule.nodes[static_cast<std::size_t>(i)] = (x + 1) / 2;
    rule.weights[static_cast<std::size_t>(i)] = 1 / ((1 - x * x) * derivative * derivative);
  }
  return rule;
}

}  // namespace

const GaussRule& GaussLegendre(int n) {
  static const std::array<GaussRule, kMostGaussPoints> rules = [] {
    std::array<GaussRule, kMostGaussPoints> made;
    for (int k = 1; k <= kMostGaussPoints; ++k) made[static_cast<std::size_t>(k - 1)] = MakeRule(k);
    return made;
  }();
  return rules[static_cast<std::size_t>(std::clamp(n, 1, kMostGaussPoints) - 1)];
}

double BesselJ0(double x) {
  x = std::abs(x);
  if (x < kBesselSplit) {
    constexpr int kPoints = 48;
    double sum = 0;
    for (int j = 0; j < kPoints; ++j) sum += std::cos(x * std::sin(kPi * j / kPoints));
    return sum / kPoints;
  }
  // P ~ sum (-1)^k a_2k, Q ~ sum (-1)^k a_(2k+1), a_k = prod_(j<=k) (-(2j-1)^2) / (k! (8x)^k).
  double p = 1;
  double q = 0;
  double term = 1;
  double last = std::numeric_limits<double>::infinity();
  for (int k = 1; k < 60; ++k) {
    term *= -static_cast<double>((2 * k - 1) * (2 * k - 1)) / (k * 8.0 * x);
    if (std::abs(term) >= last) break;  // the series has begun to grow: stop at its least term
    last = std::abs(term);
    const double sign = (k / 2) % 2 == 0 ? 1.0 : -1.0;
    (k % 2 == 0 ? p : q) += sign * term;
  }
  const double chi = x - kPi / 4;
  return std::sqrt(2 / (kPi * x)) * (p * std::cos(chi) - q * std::sin(chi));
}

int GaussPointsFor(double length, double distance) {
  const double ratio = length / distance;
  if (ratio < 0.01) return 1;
  if (ratio < 0.2) return 2;
  if (ratio < 0.43) return 3;
  if (ratio < 0.7) return 4;
  if (ratio < 1) return 5;
  return 6;
}

std::array<double, 4> CatmullRomWeights(double t) {
  const double t2 = t * t;
  const double t3 = t2 * t;
  return {(-t3 + 2 * t2 - t) / 2, (3 * t3 - 5 * t2 + 2) / 2, (-3 * t3 + 4 * t2 + t) / 2,
          (t3 - t2) / 2};
}

std::array<double, 4> LagrangeCubicWeights(double t) {
  return {-t * (t - 1) * (t - 2) / 6, (t + 1) * (t - 1) * (t - 2) / 2,
          -(t + 1) * t * (t - 2) / 2, (t + 1) * t * (t - 1) / 6};
}

Result<Bisection> Bisect(const std::function<Result<bool>(double)>& lowSide, double lo, double hi,
                       double tolerance, Halving halving, int most) {
  Bisection bracket{lo, hi, 0, false};
  const auto narrow = [&] {
    switch (halving) {
      case Halving::kLinear:
        return std::abs(bracket.hi - bracket.lo) <= tolerance;
      case Halving::kGeometric:
        return std::max(bracket.hi / bracket.lo, bracket.lo / bracket.hi) <= 1 + tolerance;
      case Halving::kWhole:
        return std::abs(bracket.hi - bracket.lo) <= 1;
    }
    return true;
  };
  while (!(bracket.narrowed = narrow()) && bracket.halvings < most) {
    double middle = (bracket.lo + bracket.hi) / 2;
    if (halving == Halving::kGeometric) middle = std::sqrt(bracket.lo * bracket.hi);
    if (halving == Halving::kWhole) middle = std::floor(middle);
    const Result<bool> side = lowSide(middle);
    OSTREVIN_PASS_ON(side);
    (*side ? bracket.lo : bracket.hi) = middle;
    ++bracket.halvings;
  }
  return bracket;
}

Result<Network> SolveNetwork(std::span<const double> resistances, std::span<const double> weights) {
  const auto n = static_cast<Eigen::Index>(weights.size());
  const Eigen::Map<const Eigen::MatrixXd> matrix(resistances.data(), n, n);
  const Eigen::Map<const Eigen::VectorXd> w(weights.data(), n);
  const Eigen::LLT<Eigen::MatrixXd> factor(matrix);
  if (factor.info() != Eigen::Success) {
    return Why{Failure::kNoAnswer, "the mutual resistances are not positive definite",
               {std::string(kNotPositiveDefinite), {}, {}}};
  }
  const Eigen::VectorXd x = factor.solve(w);
  Network network{{x.data(), x.data() + x.size()}, 0};
  for (Eigen::Index i = 0; i < n; ++i) network.conductance += w(i) * x(i);  // in order: one rounding everywhere
  if (!(network.conductance > 0) || !std::isfinite(network.conductance) || !x.allFinite()) {
    return Why{Failure::kNoAnswer, "the currents could not be solved",
               {std::string(kCurrentsNotSolved), {}, {}}};
  }
  return network;
}

Result<Iterated> ConjugateGradients(const LinearMap& apply, const LinearMap& precondition,
                                    std::span<const double> b, double tolerance, int most,
                                    const std::function<void(double)>& tell) {
  const std::size_t n = b.size();
  const auto dot = [n](const std::vector<double>& u, const std::vector<double>& v) {
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += u[i] * v[i];
    return sum;
  };
  Iterated result;
  result.x.assign(n, 0);
  std::vector<double> r(b.begin(), b.end());
  const double bNorm = std::sqrt(dot(r, r));
  if (!(bNorm > 0)) return result;
  std::vector<double> z(n);
  const auto solve = [&](const std::vector<double>& from, std::vector<double>& to) {
    if (precondition) {
      precondition(from, to);
    } else {
      to = from;
    }
  };
  solve(r, z);
  std::vector<double> p = z;
  std::vector<double> ap(n);
  double rz = dot(r, z);
  const double start = std::log(tolerance);
  for (int step = 1; step <= most; ++step) {
    apply(p, ap);
    const double pap = dot(p, ap);
    if (!(pap > 0)) {
      return Why{Failure::kNoAnswer, "the system is not positive definite", {std::string(kNotPositiveDefinite), {}, {}}};
    }
    const double alpha = rz / pap;
    for (std::size_t i = 0; i < n; ++i) {
      result.x[i] += alpha * p[i];
      r[i] -= alpha * ap[i];
    }
    result.steps = step;
    result.residual = std::sqrt(dot(r, r)) / bNorm;
    if (tell) tell(std::clamp(std::log(std::max(result.residual, 1e-300)) / start, 0.0, 1.0));
    if (result.residual <= tolerance) return result;
    solve(r, z);
    const double next = dot(r, z);
    const double beta = next / rz;
    rz = next;
    for (std::size_t i = 0; i < n; ++i) p[i] = z[i] + beta * p[i];
  }
  return Why{Failure::kNoAnswer,
             "the iteration stopped after " + std::to_string(most) + " steps at a residual of " +
                 std::to_string(result.residual),
             {std::string(kNotConverged), {}, {result.residual}}};
}

int ParallelWorkers() {
#if defined(__EMSCRIPTEN__)
  return 1;
#else
  return static_cast<int>(std::min(std::max(std::thread::hardware_concurrency(), 1U), 8U));
#endif
}

void ParallelFor(std::size_t count, const std::function<void(std::size_t k, int worker)>& work,
                 const std::function<void(double)>& tell) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  const auto run = [&](int worker) {
    for (std::size_t k; (k = next.fetch_add(1)) < count;) {
      work(k, worker);
      const std::size_t finished = done.fetch_add(1) + 1;
      if (worker == 0 && tell) tell(static_cast<double>(finished) / static_cast<double>(count));
    }
  };
#if defined(__EMSCRIPTEN__)
  run(0);
#else
  std::vector<std::thread> threads;
  for (int t = 1; t < ParallelWorkers() && static_cast<std::size_t>(t) < count; ++t) threads.emplace_back(run, t);
  run(0);
  for (std::thread& thread : threads) thread.join();
#endif
}

}  // namespace ostrevin
