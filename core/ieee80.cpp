#include "core/ieee80.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrevin {

namespace {

constexpr double kPi = std::numbers::pi;

std::optional<double> Positive(double ohms) {
  if (!(ohms > 0) || !std::isfinite(ohms)) return std::nullopt;
  return ohms;
}

}  // namespace

std::optional<double> SverakOhms(double rho, double totalLengthM, double areaM2, double depthM) {
  if (!(rho > 0 && totalLengthM > 0 && areaM2 > 0 && depthM >= 0)) return std::nullopt;
  const double ohmM = rho / 100;
  return Positive(ohmM * (1 / totalLengthM +
                          1 / std::sqrt(20 * areaM2) *
                              (1 + 1 / (1 + depthM * std::sqrt(20 / areaM2)))));
}

SchwarzCoefficients SchwarzK(double depthM, double areaM2, double lengthToWidth) {
  const double x = lengthToWidth;
  // Figure 25: curves A (h = 0), B (h = sqrt(A)/10) and C (h = sqrt(A)/6).
  const SchwarzCoefficients a{-0.04 * x + 1.41, 0.15 * x + 5.50};
  const SchwarzCoefficients b{-0.05 * x + 1.20, 0.10 * x + 4.68};
  const SchwarzCoefficients c{-0.05 * x + 1.13, -0.05 * x + 4.40};
  const double depth = depthM / std::sqrt(areaM2);
  const auto between = [](const SchwarzCoefficients& p, const SchwarzCoefficients& q, double t) {
    return SchwarzCoefficients{p.k1 + (q.k1 - p.k1) * t, p.k2 + (q.k2 - p.k2) * t};
  };
  if (depth <= 0.1) return between(a, b, std::max(depth, 0.0) / 0.1);
  return between(b, c, std::min((depth - 0.1) / (1.0 / 6 - 0.1), 1.0));
}

std::optional<double> SchwarzOhms(const SchwarzGrid& grid) {
  if (!(grid.rho > 0 && grid.conductorLengthM > 0 && grid.conductorRadiusM > 0 &&
        grid.depthM > 0 && grid.areaM2 > 0)) {
    return std::nullopt;
  }
  const double rho = grid.rho / 100;
  const double lc = grid.conductorLengthM;
  const double root = std::sqrt(grid.areaM2);
  const auto [k1, k2] = SchwarzK(grid.depthM, grid.areaM2, std::max(grid.lengthToWidth, 1.0));
  const double aPrime = std::sqrt(2 * grid.conductorRadiusM * grid.depthM);
  const double r1 = rho / (kPi * lc) * (std::log(2 * lc / aPrime) + k1 * lc / root - k2);
  if (grid.rods <= 0) return Positive(r1);
  if (!(grid.rodLengthM > 0 && grid.rodRadiusM > 0)) return std::nullopt;
  const double n = grid.rods;
  const double lr = grid.rodLengthM;
  const double r2 = rho / (2 * kPi * n * lr) *
                    (std::log(4 * lr / grid.rodRadiusM) - 1 +
                     2 * k1 * lr / root * (std::sqrt(n) - 1) * (std::sqrt(n) - 1));
  const double rm = rho / (kPi * lc) * (std::log(2 * lc / lr) + k1 * lc / root - k2 + 1);
  return Positive((r1 * r2 - rm * rm) / (r1 + r2 - 2 * rm));
}

}  // namespace ostrevin
