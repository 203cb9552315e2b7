#include "core/layered_earth.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/numerics.h"
#include "core/number_text.h"
#include "core/two_layer_soil.h"

namespace ostrevin {

namespace {

// F(r) / rho1 = int_0^inf K(lambda) J0(lambda r) dlambda, K = T1 / rho1 - 1,
// by the digital filter. K tends to c = rho_N / rho1 - 1 at lambda = 0, the
// part the filter reads least well (its 1/r): c exp(-lambda d) is taken out,
// d twice the half-space's depth, and added back by Lipschitz's integral,
// int_0^inf exp(-lambda d) J0(lambda r) dlambda = 1 / sqrt(r^2 + d^2).
double Excess(const LayeredSoil& soil, double depth, double r) {
  if (soil.rho.size() == 1) return 0.0;
  const double c = soil.rho.back() / soil.rho.front() - 1;
  const double d = 2 * depth;
  const auto kernel = [&](double lambda) { return TransformExcess(soil, lambda) - c * std::exp(-lambda * d); };
  return HankelJ0(kernel, r) + c / std::hypot(r, d);
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

double ArrayFactor(const FourElectrodes& array) {
  return 1 / std::abs(array.xm - array.xa) - 1 / std::abs(array.xn - array.xa) - 1 / std::abs(array.xm - array.xb) +
         1 / std::abs(array.xn - array.xb);
}

Result<double> ApparentResistivity(const LayeredSoil& soil, const FourElectrodes& array) {
  const Checked checked = CheckLayers(soil);
  OSTREVIN_PASS_ON(checked);
  const std::array<double, 4> r{std::abs(array.xm - array.xa), std::abs(array.xn - array.xa),
                                std::abs(array.xm - array.xb), std::abs(array.xn - array.xb)};
  for (const double d : r) {
    if (!(d > 0) || !std::isfinite(d)) return Refused("a potential electrode stands on a current electrode");
  }
  const double g = ArrayFactor(array);
  if (!(std::abs(g) > 1e-12 / std::max({r[0], r[1], r[2], r[3]}))) {
    return Refused("the array's geometric factor vanishes: it reads nothing");
  }
  // The filter asks the kernel up to 2.4e5 / r, where it must have fallen
  // (it falls as exp(-2 lambda h1)).
  const double widest = std::max({r[0], r[1], r[2], r[3]});
  if (soil.rho.size() > 1 && widest > kWidestOverTop * soil.thicknessM.front()) {
    return Refused("the top layer (" + FormatNumber(soil.thicknessM.front()) +
                   " m) is too thin against electrodes " + FormatNumber(widest) + " m apart (at most " +
                   FormatNumber(kWidestOverTop) + " times it)");
  }
  double depth = 0;
  for (const double h : soil.thicknessM) depth += h;
  std::array<double, 4> f{};
  for (std::size_t k = 0; k < r.size(); ++k) {
    // Symmetric arrays (Wenner's, Schlumberger's) repeat their distances.
    const auto* same = std::find(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(k), r[k]);
    f[k] = same != r.begin() + static_cast<std::ptrdiff_t>(k) ? f[static_cast<std::size_t>(same - r.begin())]
                                                              : Excess(soil, depth, r[k]);
  }
  return soil.rho.front() * (1 + (f[0] - f[1] - f[2] + f[3]) / g);
}

}  // namespace ostrevin
