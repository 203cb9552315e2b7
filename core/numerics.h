// The numerical routines of the core, each once, with what it promises:
// Gauss-Legendre rules, the Bessel function J0, the Hankel transform of
// order 0 by a digital filter, the weights of cubic
// interpolation between four nodes, and bisection of a bracket. Plain C++, no allocation after a
// rule's first use.
//
// Example: GaussLegendre(3) integrates x^5 on [0, 1] exactly (1/6);
// Bisect on [0, 2] for x*x >= 2 to 1e-12 gives a bracket about sqrt(2).
#pragma once

#include <array>
#include <functional>
#include <numbers>
#include <span>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace ostrevin {

inline constexpr double kPi = std::numbers::pi;

// Gauss-Legendre on [0, 1]: `n` nodes and their weights (which sum to 1),
// exact for polynomials of degree up to 2n - 1; nodes found by Newton's
// method on the Legendre polynomial to rounding (1e-15). From 1 to
// kMostGaussPoints points, made once and kept.
inline constexpr int kMostGaussPoints = 64;
struct GaussRule {
  std::vector<double> nodes, weights;
};
const GaussRule& GaussLegendre(int n);

// The Bessel function J0(x) to 1e-14 absolute: below kBesselSplit by its
// integral (1/pi) int_0^pi cos(x sin t) dt on an equally spaced rule (exact
// to rounding for a periodic integrand once the points outnumber x, here
// 48); from there by Hankel's asymptotic expansion (Abramowitz and Stegun
// 9.2.5, 9.2.9, 9.2.10), summed while its terms fall. Even in x.
inline constexpr double kBesselSplit = 25;
double BesselJ0(double x);

// The Hankel transform of order 0, int_0^inf f(lambda) J0(lambda r) dlambda
// for r > 0, by Key's 201-point digital filter (Geophysics 77(3), F21-F30,
// 2012): (1/r) sum_i w_i f(b_i / r), b_i = exp((i - 100) 0.124), so f is
// asked at 201 wavenumbers from 4e-6 / r to 2.4e5 / r. Exact pairs come out
// within 1e-10 for an f that vanishes at 0 and falls fast (lambda e^-lambda^2:
// e^(-r^2 / 4) / 2) and within 1e-5 for one that does not vanish (e^-lambda:
// 1 / sqrt(1 + r^2)); a caller subtracts such a part and adds its closed form.
// f must be smooth and fall to nothing within the wavenumbers asked.
inline constexpr int kHankelPoints = 201;
std::span<const double, kHankelPoints> HankelJ0Weights();
std::span<const double, kHankelPoints> HankelJ0Abscissae();  // b_i, made once
template <class F>
double HankelJ0(const F& f, double r) {
  const std::span<const double, kHankelPoints> weights = HankelJ0Weights();
  const std::span<const double, kHankelPoints> abscissae = HankelJ0Abscissae();
  double sum = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) sum += weights[i] * f(abscissae[i] / r);
  return sum / r;
}

// How many Gauss-Legendre points integrate 1/r along a segment of
// `length` to a part in 10^5 when the source is `distance` away (or the
// kernel varies over that scale): the error of n points falls as
// (length / distance)^2n; measured against brute force, at most 1e-5 at
// every edge of this table (1 point below 0.01, 2 below 0.2, 3 below
// 0.43, 4 below 0.7, 5 below 1, else 6, where a caller must cut finer).
int GaussPointsFor(double length, double distance);

// The weights of four nodes at -1, 0, 1 and 2 for a value at t in [0, 1]
// between the middle two: Catmull-Rom's spline (a cubic through the two,
// their slopes the neighbours' differences; exact for quadratics, first
// derivative continuous from cell to cell), and Lagrange's cubic through
// all four (exact for cubics, not smooth across cells). Each sums to 1.
std::array<double, 4> CatmullRomWeights(double t);
std::array<double, 4> LagrangeCubicWeights(double t);

// Bisection: a bracket [lo, hi] whose `lo` lies on one side of what is
// sought and `hi` on the other, halved until it is narrower than the
// tolerance (hi - lo, or for a geometric halving hi / lo - 1; whole
// numbers halve to neighbours) or `most` halvings are done. `lowSide(x)`
// says whether x lies on lo's side; a failure it gives ends the search and
// is passed on, never taken as a side.
enum class Halving { kLinear, kGeometric, kWhole };
struct Bisection {
  double lo = 0, hi = 0;
  int halvings = 0;
  bool narrowed = false;  // within the tolerance (else `most` was reached)
};
Result<Bisection> Bisect(const std::function<Result<bool>(double)>& lowSide, double lo, double hi,
                       double tolerance, Halving halving = Halving::kLinear, int most = 200);

// Conductors held at one volt, `resistances` their n x n mutual resistances
// (symmetric, so either storage order): the currents x of R x = w, `weights`
// each unknown's weight w (1 a rod; an orbit of symmetric segments its
// size), and the conductance w . x. By Cholesky (Eigen's LLT), to rounding.
// No answer, with its code, when R is not positive definite
// (kNotPositiveDefinite: the model that made R does not hold) or when the
// conductance is not positive and finite (kCurrentsNotSolved: R near
// singular). Example: R = [[2, 1], [1, 2]], w = [1, 1]: x = [1/3, 1/3],
// conductance 2/3.
inline constexpr std::string_view kNotPositiveDefinite = "not-positive-definite";
inline constexpr std::string_view kCurrentsNotSolved = "currents-not-solved";
struct Network {
  std::vector<double> currents;
  double conductance = 0;
};
Result<Network> SolveNetwork(std::span<const double> resistances, std::span<const double> weights);

// Preconditioned conjugate gradients (Hestenes and Stiefel 1952; Saad,
// "Iterative Methods for Sparse Linear Systems", 2003, alg. 9.1) for A x = b,
// A symmetric positive definite given as its product y = A x, and a
// preconditioner z = M^-1 r (symmetric positive definite too; nothing for
// none). Stopped where the residual is `tolerance` of b or less (the
// relative residual, |b - A x| / |b|), or after `most` steps. No answer when
// it did not get there (kNotConverged, the residual reached in the detail's
// metres), or when p.Ap <= 0 (kNotPositiveDefinite: A is not). Example:
// A = [[4, 1], [1, 3]], b = [1, 2]: x = [1/11, 7/11] in two steps.
inline constexpr std::string_view kNotConverged = "not-converged";
using LinearMap = std::function<void(std::span<const double> x, std::span<double> y)>;
struct Iterated {
  std::vector<double> x;
  int steps = 0;
  double residual = 0;  // relative, reached
};
Result<Iterated> ConjugateGradients(const LinearMap& apply, const LinearMap& precondition,
                                    std::span<const double> b, double tolerance, int most,
                                    const std::function<void(double)>& tell = {});

// Calls work(k, worker) for each k in [0, count) on as many threads as the
// machine has, up to eight (one in the page's WebAssembly, which has no
// threads): the calling thread is worker 0 and alone hears `tell` (the
// share of the calls done, 0 to 1); the others are workers 1 to
// ParallelWorkers() - 1. Each k is taken once, in rising order.
int ParallelWorkers();
void ParallelFor(std::size_t count, const std::function<void(std::size_t k, int worker)>& work,
                 const std::function<void(double)>& tell = {});

}  // namespace ostrevin
