#include "core/layered_earth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "core/numerics.h"
#include "core/two_layer_soil.h"

namespace ostrevin {

namespace {

// Where the kernel has fallen below 1e-15 of rho1 whatever the contrast
// (|T1 - rho1| <= rho1 2|K| / (1 - |K|) exp(-2 lambda h1), |K| < 0.998).
constexpr double kKernelDecay = 22;  // lambda h1
constexpr int kPoints = 16;
constexpr int kMostHalvings = 40;

// Gauss-Legendre with `points` on [from, to] of f.
template <class F>
double Gauss(const F& f, double from, double to, int points) {
  const GaussRule& rule = GaussLegendre(points);
  double sum = 0;
  for (std::size_t j = 0; j < rule.nodes.size(); ++j) sum += rule.weights[j] * f(from + (to - from) * rule.nodes[j]);
  return sum * (to - from);
}

// The integral of f on [from, to] to `tolerance`, halved where the kernel
// turns sharply (a resistive bottom puts a pole of T1 just left of 0):
// kPoints on the whole against kPoints / 2 on each half.
// Nothing where kMostHalvings did not reach the tolerance.
template <class F>
std::optional<double> Adaptive(const F& f, double from, double to, double tolerance, int depth = 0) {
  const double whole = Gauss(f, from, to, kPoints);
  const double mid = (from + to) / 2;
  const double halves = Gauss(f, from, mid, kPoints / 2) + Gauss(f, mid, to, kPoints / 2);
  if (std::abs(whole - halves) <= tolerance) return whole;
  if (depth >= kMostHalvings) return std::nullopt;
  const std::optional<double> left = Adaptive(f, from, mid, tolerance / 2, depth + 1);
  const std::optional<double> right = left ? Adaptive(f, mid, to, tolerance / 2, depth + 1) : std::nullopt;
  if (!right) return std::nullopt;
  return *left + *right;
}

// F(r) / rho1 = int_0^inf (T1 / rho1 - 1) J0(lambda r) dlambda.
Result<double> Excess(const LayeredSoil& soil, double r) {
  if (soil.rho.size() == 1) return 0.0;
  const double lambdaEnd = kKernelDecay / soil.thicknessM.front();
  const double intervals = std::ceil(lambdaEnd * r / kPi);
  if (intervals > kMostHankelIntervals) {
    return Refused("the top layer (" + std::to_string(soil.thicknessM.front()) +
                   " m) is too thin against electrodes " + std::to_string(r) + " m apart");
  }
  const auto f = [&](double lambda) { return TransformExcess(soil, lambda) * BesselJ0(lambda * r); };
  // F is compared with the array's 1/r terms: each half-period to 1e-13 of
  // 1/r times the kernel's largest (its value at lambda 0, rho_N / rho1 - 1).
  const double tolerance = 1e-13 / r * std::max(1.0, std::abs(TransformExcess(soil, 0)));
  double sum = 0;
  double from = 0;
  for (int k = 1; from < lambdaEnd; ++k) {
    const double to = (k - 0.25) * kPi / r;  // McMahon's k-th zero of J0, near enough
    const std::optional<double> part = Adaptive(f, from, to, tolerance);
    if (!part) {
      return NoAnswer("the integral for electrodes " + std::to_string(r) +
                      " m apart did not reach its tolerance");
    }
    sum += *part;
    from = to;
  }
  return sum;
}

}  // namespace

Checked CheckLayers(const LayeredSoil& soil) {
  const std::size_t n = soil.rho.size();
  if (n < 1 || n > static_cast<std::size_t>(kMostLayers)) {
    return Refused("a soil has 1 to " + std::to_string(kMostLayers) + " layers, not " + std::to_string(n));
  }
  if (soil.thicknessM.size() + 1 != n) return Refused("each layer but the last needs its thickness");
  for (std::size_t i = 0; i < n; ++i) {
    if (!(soil.rho[i] > 0) || !std::isfinite(soil.rho[i])) {
      return Refused("layer " + std::to_string(i + 1) + "'s resistivity must be positive");
    }
    if (i + 1 < n && (!(soil.thicknessM[i] > 0) || !std::isfinite(soil.thicknessM[i]))) {
      return Refused("layer " + std::to_string(i + 1) + "'s thickness must be positive");
    }
    if (i > 0) {
      const double ratio = soil.rho[i] / soil.rho[i - 1];
      if (ratio > kMaxLayerContrast || ratio < 1 / kMaxLayerContrast) {
        return Refused("layers " + std::to_string(i) + " and " + std::to_string(i + 1) +
                       " differ by more than " + std::to_string(static_cast<int>(kMaxLayerContrast)) +
                       " times");
      }
    }
  }
  return Ok{};
}

double TransformExcess(const LayeredSoil& soil, double lambda) {
  const std::size_t n = soil.rho.size();
  double t = soil.rho[n - 1];
  for (std::size_t i = n - 1; i-- > 0;) {
    const double th = std::tanh(lambda * soil.thicknessM[i]);
    t = (t + soil.rho[i] * th) / (1 + t * th / soil.rho[i]);
  }
  return t / soil.rho.front() - 1;
}

FourElectrodes WennerArray(double spacingM) { return {0, 3 * spacingM, spacingM, 2 * spacingM}; }

FourElectrodes SchlumbergerArray(double ab2M, double mn2M) { return {-ab2M, ab2M, -mn2M, mn2M}; }

FourElectrodes DipoleDipoleArray(double spacingM, double n) {
  return {0, spacingM, (n + 1) * spacingM, (n + 2) * spacingM};
}

Result<double> ApparentResistivity(const LayeredSoil& soil, const FourElectrodes& array) {
  const Checked checked = CheckLayers(soil);
  OSTREVIN_PASS_ON(checked);
  const std::array<double, 4> r{std::abs(array.xm - array.xa), std::abs(array.xn - array.xa),
                                std::abs(array.xm - array.xb), std::abs(array.xn - array.xb)};
  for (const double d : r) {
    if (!(d > 0) || !std::isfinite(d)) return Refused("a potential electrode stands on a current electrode");
  }
  const double g = 1 / r[0] - 1 / r[1] - 1 / r[2] + 1 / r[3];
  if (!(std::abs(g) > 1e-12 / std::max({r[0], r[1], r[2], r[3]}))) {
    return Refused("the array's geometric factor vanishes: it reads nothing");
  }
  std::array<double, 4> f{};
  for (std::size_t k = 0; k < r.size(); ++k) {
    const Result<double> excess = Excess(soil, r[k]);
    OSTREVIN_PASS_ON(excess);
    f[k] = *excess;
  }
  return soil.rho.front() * (1 + (f[0] - f[1] - f[2] + f[3]) / g);
}

}  // namespace ostrevin
