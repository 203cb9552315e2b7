// The numerical routines alone, each against brute force at its edges:
// Gauss-Legendre rules, the points they need for 1/r, cubic weights,
// bisection, and the segment integrals at every branch edge to the one
// tolerance they state (a part in 10^5).
#include "core/numerics.h"
#include "core/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/line_integrals.h"

namespace ostrevin {
namespace {

TEST(Numerics, GaussLegendreIsExactToItsDegree) {
  for (int n = 1; n <= kMostGaussPoints; ++n) {
    const GaussRule& rule = GaussLegendre(n);
    ASSERT_EQ(rule.nodes.size(), static_cast<std::size_t>(n));
    double weights = 0;
    double top = 0;      // x^(2n-1): exact
    double smooth = 0;   // e^x: to rounding from 3 points on
    for (int i = 0; i < n; ++i) {
      const double x = rule.nodes[static_cast<std::size_t>(i)];
      const double w = rule.weights[static_cast<std::size_t>(i)];
      EXPECT_GT(x, 0);
      EXPECT_LT(x, 1);
      weights += w;
      top += w * std::pow(x, 2 * n - 1);
      smooth += w * std::exp(x);
    }
    EXPECT_NEAR(weights, 1, 1e-13) << n;
    if (n <= 12) {  // beyond, x^(2n-1) is too small at most nodes to test the rule
      EXPECT_NEAR(top * 2 * n, 1, 1e-11) << n;
    }
    if (n >= 6) {
      EXPECT_NEAR(smooth, std::exp(1.0) - 1, 1e-13) << n;
    }
  }
  EXPECT_EQ(&GaussLegendre(0), &GaussLegendre(1));  // clamped to what there is
}

// The outer integral of the exact line potential by Gauss points, against
// 200 pieces of 16 points each.
double Outer(const Segment3& f, const Segment3& s, double radius, int points, int pieces) {
  const GaussRule& rule = GaussLegendre(points);
  double sum = 0;
  for (int k = 0; k < pieces; ++k) {
    for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
      const double t = (k + rule.nodes[i]) / pieces;
      const Point3 x{f.a.x + (f.b.x - f.a.x) * t, f.a.y + (f.b.y - f.a.y) * t, f.a.z + (f.b.z - f.a.z) * t};
      sum += rule.weights[i] / pieces * LinePotential(x, s, radius);
    }
  }
  return sum * f.Length();
}

TEST(Numerics, GaussPointsForOneOverRHoldAPartIn100000AtEveryEdge) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> u(-1, 1);
  for (const double ratio : {0.0099, 0.199, 0.429, 0.699, 0.999}) {
    const int points = GaussPointsFor(1, 1 / ratio);
    double worst = 0;
    for (int trial = 0; trial < 200; ++trial) {
      const Segment3 f{{0, 0, 0}, {1, 0, 0}};
      Point3 toward{u(random), u(random), u(random)};
      const double norm = std::hypot(toward.x, toward.y, toward.z);
      const Point3 near{0.5 + toward.x / norm / ratio, toward.y / norm / ratio, toward.z / norm / ratio};
      const Point3 way{u(random), u(random), u(random)};
      const Segment3 s{near, {near.x + 3 * way.x, near.y + 3 * way.y, near.z + 3 * way.z}};
      const double distance = SegmentDistance(f, s);
      if (distance < 0.95 / ratio) continue;  // the source nearer than the edge asked about
      const double brute = Outer(f, s, 0.005, 16, 200);
      worst = std::max(worst, std::abs(Outer(f, s, 0.005, points, 1) / brute - 1));
    }
    EXPECT_LT(worst, 1e-5) << ratio << " with " << points << " points";
  }
}

TEST(Numerics, CubicWeightsInterpolateWhatTheyPromise) {
  const auto at = [](const std::array<double, 4>& w, auto f) {
    return w[0] * f(-1.0) + w[1] * f(0.0) + w[2] * f(1.0) + w[3] * f(2.0);
  };
  const auto quadratic = [](double x) { return 3 * x * x - 2 * x + 1; };
  const auto cubic = [](double x) { return x * x * x - 4 * x * x + x + 2; };
  for (double t = 0; t <= 1; t += 0.125) {
    const std::array<double, 4> cr = CatmullRomWeights(t);
    const std::array<double, 4> lg = LagrangeCubicWeights(t);
    EXPECT_NEAR(cr[0] + cr[1] + cr[2] + cr[3], 1, 1e-15);
    EXPECT_NEAR(at(cr, [](double x) { return x; }), t, 1e-14);
    EXPECT_NEAR(at(lg, cubic), cubic(t), 1e-13);
    // Catmull-Rom: exact for quadratics only at the nodes; within a cell
    // it misses a quadratic by at most a sixteenth of its second difference.
    EXPECT_NEAR(at(cr, quadratic), quadratic(t), 6.0 / 16 + 1e-12);
  }
  EXPECT_NEAR(at(CatmullRomWeights(0), quadratic), quadratic(0), 1e-15);
  EXPECT_NEAR(at(CatmullRomWeights(1), quadratic), quadratic(1), 1e-15);
}

TEST(Numerics, BisectionNarrowsOrStopsAndPassesFailuresOn) {
  const auto below = [](double root) {
    return [root](double x) -> Result<bool> { return x < root; };
  };
  const Result<Bisection> linear = Bisect(below(std::sqrt(2.0)), 0, 2, 1e-12);
  ASSERT_TRUE(linear);
  EXPECT_TRUE(linear->narrowed);
  EXPECT_LE(linear->lo, std::sqrt(2.0));
  EXPECT_GE(linear->hi, std::sqrt(2.0));
  EXPECT_LE(linear->hi - linear->lo, 1e-12);
  const Result<Bisection> geometric = Bisect(below(3e-7), 1e-9, 1e3, 1e-9, Halving::kGeometric);
  ASSERT_TRUE(geometric);
  EXPECT_LE(geometric->hi / geometric->lo, 1 + 1e-9);
  EXPECT_NEAR(geometric->hi / 3e-7, 1, 2e-9);
  const Result<Bisection> whole = Bisect(below(37.5), 0, 100, 0, Halving::kWhole);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->lo, 37);
  EXPECT_EQ(whole->hi, 38);
  // Out of halvings: said, not taken as narrowed.
  const Result<Bisection> short_ = Bisect(below(0.3), 0, 1, 1e-12, Halving::kLinear, 5);
  ASSERT_TRUE(short_);
  EXPECT_FALSE(short_->narrowed);
  EXPECT_EQ(short_->halvings, 5);
  // A failure of the side's test ends the search with it, never a side.
  int asked = 0;
  const Result<Bisection> failed = Bisect(
      [&](double x) -> Result<bool> {
        if (++asked == 3) return NoAnswer("the solver failed at " + std::to_string(x));
        return x < 0.7;
      },
      0, 1, 1e-9);
  EXPECT_TRUE(failed.noAnswer());
  EXPECT_EQ(asked, 3);
}

// PairIntegral against brute force (the exact inner integral, the outer one
// in 200 pieces of 16 points) just either side of each of its branches'
// edges, in random orientations: a part in 10^5 everywhere (the one-point
// branch was 3e-3 out).
TEST(Numerics, TheSegmentIntegralsHoldOneToleranceAtEveryBranch) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> u(-1, 1);
  const double radius = 0.005;
  for (const double gap : {0.5, 0.99, 1.01, 1.5, 2.05, 3.05, 10.5, 17.5, 40.0}) {
    double worst = 0;
    for (int trial = 0; trial < 60; ++trial) {
      const Segment3 f{{0, 0, 0}, {1, 0, 0}};
      const Point3 way{u(random), u(random), u(random)};
      const double norm = std::hypot(way.x, way.y, way.z);
      const Point3 near{1 + gap, 0.3 * u(random), 0.3 * u(random)};
      const double ls = 0.3 + std::abs(u(random));
      const Segment3 s{near, {near.x + ls * std::abs(way.x) / norm, near.y + ls * way.y / norm,
                              near.z + ls * way.z / norm}};
      const double brute = Outer(f, s, radius, 16, 200);
      worst = std::max(worst, std::abs(PairIntegral(f, radius, s, radius) / brute - 1));
    }
    EXPECT_LT(worst, 1e-5) << "a gap of " << gap << " lengths";
  }
  // Bent at a joint, continuous as the bend closes to a straight line (a
  // pair turned 0.4 degrees was 1.5 % above the same pair straight).
  for (const double length : {0.02, 0.2, 2.0}) {
    const Segment3 f{{0, 0, 1}, {length, 0, 1}};
    const auto bent = [&](double degrees) {
      const double t = degrees * kPi / 180;
      return PairIntegral(f, 0.008, {{length, 0, 1}, {length * (1 + std::cos(t)), length * std::sin(t), 1}}, 0.008);
    };
    EXPECT_NEAR(bent(0.4) / bent(0), 1, 1e-4) << length;
    EXPECT_NEAR(bent(1e-7) / bent(0), 1, 1e-5) << length;
    double last = bent(0);
    for (double degrees = 5; degrees <= 175; degrees += 5) {  // the ends close in: more
      EXPECT_GT(bent(degrees), last) << length << " " << degrees;
      last = bent(degrees);
    }
  }
}

TEST(Numerics, ANetworkSolvedOrWhyNot) {
  // Two conductors: 2 ohms each, 1 ohm between: 1/3 A each at one volt.
  const Result<Network> two = SolveNetwork(std::vector<double>{2, 1, 1, 2}, std::vector<double>{1, 1});
  ASSERT_TRUE(two) << two.why();
  EXPECT_NEAR(two->currents[0], 1.0 / 3, 1e-15);
  EXPECT_NEAR(two->conductance, 2.0 / 3, 1e-15);
  // Weighted (an orbit of three): R x = w, conductance w . x, checked by the residual.
  const std::vector<double> r{4, 1, 0.5, 1, 3, 0.25, 0.5, 0.25, 2};
  const std::vector<double> w{3, 1, 2};
  const Result<Network> three = SolveNetwork(r, w);
  ASSERT_TRUE(three);
  double dot = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    double row = 0;
    for (std::size_t j = 0; j < 3; ++j) row += r[i * 3 + j] * three->currents[j];
    EXPECT_NEAR(row, w[i], 1e-13) << i;
    dot += w[i] * three->currents[i];
  }
  EXPECT_NEAR(three->conductance, dot, 1e-13);
  // Mutual resistances above the self: no network of conductors has them.
  const Result<Network> indefinite = SolveNetwork(std::vector<double>{1, 2, 2, 1}, std::vector<double>{1, 1});
  ASSERT_TRUE(indefinite.noAnswer());
  EXPECT_EQ(indefinite.Failed().detail.code, kNotPositiveDefinite);
  // A resistance so small that the current overflows.
  const Result<Network> overflow = SolveNetwork(std::vector<double>{1e-320}, std::vector<double>{1});
  ASSERT_TRUE(overflow.noAnswer());
  EXPECT_EQ(overflow.Failed().detail.code, kCurrentsNotSolved);
}

// Conjugate gradients: the header's example in two steps; a larger system
// against Cholesky's answer to its tolerance, fewer steps with a
// preconditioner; a system that is not positive definite, or a budget too
// short, said and not taken as an answer.
TEST(Numerics, ConjugateGradientsConvergeOrSayWhy) {
  const LinearMap small = [](std::span<const double> x, std::span<double> y) {
    y[0] = 4 * x[0] + x[1];
    y[1] = x[0] + 3 * x[1];
  };
  const Result<Iterated> two = ConjugateGradients(small, {}, std::vector<double>{1, 2}, 1e-14, 10);
  ASSERT_TRUE(two) << two.why();
  EXPECT_EQ(two->steps, 2);
  EXPECT_NEAR(two->x[0], 1.0 / 11, 1e-15);
  EXPECT_NEAR(two->x[1], 7.0 / 11, 1e-15);
  // A smooth kernel's matrix with a strong diagonal, as the segments' mutual resistances.
  constexpr std::size_t n = 300;
  std::vector<double> a(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      a[i * n + j] = i == j ? 8 + 0.01 * static_cast<double>(i) : 1 / (1 + std::abs(double(i) - double(j)));
    }
  }
  const LinearMap apply = [&](std::span<const double> x, std::span<double> y) {
    for (std::size_t i = 0; i < n; ++i) {
      y[i] = 0;
      for (std::size_t j = 0; j < n; ++j) y[i] += a[i * n + j] * x[j];
    }
  };
  const LinearMap jacobi = [&](std::span<const double> r, std::span<double> z) {
    for (std::size_t i = 0; i < n; ++i) z[i] = r[i] / a[i * n + i];
  };
  const std::vector<double> b(n, 1);
  const Result<Network> exact = SolveNetwork(a, b);
  ASSERT_TRUE(exact);
  const Result<Iterated> plain = ConjugateGradients(apply, {}, b, 1e-10, 500);
  const Result<Iterated> preconditioned = ConjugateGradients(apply, jacobi, b, 1e-10, 500);
  ASSERT_TRUE(plain) << plain.why();
  ASSERT_TRUE(preconditioned) << preconditioned.why();
  EXPECT_LE(preconditioned->residual, 1e-10);
  EXPECT_LT(preconditioned->steps, plain->steps);
  for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(preconditioned->x[i], exact->currents[i], 1e-9) << i;
  const Result<Iterated> short_ = ConjugateGradients(apply, {}, b, 1e-14, 3);
  ASSERT_TRUE(short_.noAnswer());
  EXPECT_EQ(short_.Failed().detail.code, kNotConverged);
  EXPECT_GT(short_.Failed().detail.metres[0], 1e-14);
  const LinearMap indefinite = [](std::span<const double> x, std::span<double> y) {
    y[0] = x[0] + 2 * x[1];
    y[1] = 2 * x[0] + x[1];
  };
  const Result<Iterated> none = ConjugateGradients(indefinite, {}, std::vector<double>{1, -1}, 1e-12, 10);
  ASSERT_TRUE(none.noAnswer());
  EXPECT_EQ(none.Failed().detail.code, kNotPositiveDefinite);
}

// J0 by its integral on a fine midpoint rule: brute force, to 1e-15.
double SlowJ0(double x) {
  constexpr int kPoints = 20000;
  double sum = 0;
  for (int j = 0; j < kPoints; ++j) sum += std::cos(x * std::sin(kPi * (j + 0.5) / kPoints));
  return sum / kPoints;
}

TEST(BesselJ0, AgreesWithItsIntegralEitherSideOfTheSplit) {
  EXPECT_DOUBLE_EQ(BesselJ0(0), 1);
  EXPECT_NEAR(BesselJ0(2.404825557695773), 0, 1e-14);  // its first zero
  for (const double x : {0.5, 1.0, 7.0, 24.99, kBesselSplit, 25.01, 40.0, 100.0, 733.3}) {
    EXPECT_NEAR(BesselJ0(x), SlowJ0(x), 1e-13) << x;
    EXPECT_EQ(BesselJ0(-x), BesselJ0(x)) << x;
  }
}

// The filter against transforms known in closed form: one that vanishes at
// 0 (as a layered kernel with its value there taken out), and one that does
// not (what the filter reads least well), from spreads of 1 mm to 10 km.
TEST(HankelJ0, ExactPairsWithinTheirStatedTolerances) {
  for (const double r : {0.001, 0.1, 1.0, 3.0, 50.0, 10000.0}) {
    const double s = r / 2;  // lambda e^(-(s lambda)^2) <-> e^(-r^2 / (4 s^2)) / (2 s^2)
    EXPECT_NEAR(HankelJ0([&](double l) { return l * std::exp(-s * s * l * l); }, r) * 2 * s * s,
                std::exp(-1.0), 1e-10)
        << r;
    for (const double d : {0.1 * r, r, 10 * r}) {
      EXPECT_NEAR(HankelJ0([&](double l) { return std::exp(-l * d); }, r) * std::hypot(r, d), 1, 1e-5)
          << r << ", " << d;
    }
  }
}

// The fits' solver: the header's example, and a budget too small said.
TEST(MinimizeSquares, ConvergesOnItsExampleAndSaysWhenTheBudgetRunsOut) {
  const Residuals line = [](const Eigen::VectorXd& x, Eigen::VectorXd& r) {
    r[0] = x[0] - 3;
    r[1] = 2 * (x[1] - x[0]);
  };
  Eigen::VectorXd x = Eigen::VectorXd::Zero(2);
  const LeastSquares solved = MinimizeSquares(line, 2, x, 100);
  EXPECT_TRUE(solved.converged);
  EXPECT_NEAR(x[0], 3, 1e-8);
  EXPECT_NEAR(x[1], 3, 1e-8);
  // Rosenbrock's valley from its usual start, allowed five evaluations.
  const Residuals valley = [](const Eigen::VectorXd& v, Eigen::VectorXd& r) {
    r[0] = 10 * (v[1] - v[0] * v[0]);
    r[1] = 1 - v[0];
  };
  Eigen::VectorXd y(2);
  y << -1.2, 1;
  const LeastSquares cut = MinimizeSquares(valley, 2, y, 5);
  EXPECT_FALSE(cut.converged);
  EXPECT_LE(cut.evaluations, 8);
}

}  // namespace
}  // namespace ostrevin
