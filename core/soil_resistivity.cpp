#include "core/soil_resistivity.h"

#include <cmath>

#include "core/numerics.h"
#include "core/rod_groups.h"

namespace ostrevin {

std::optional<double> ResistivityFromRod(double lengthM, double radiusM, double ohms) {
  // The rod's resistance per ohm-cm of soil.
  const std::optional<double> perOhmCm = SingleRodOhms(1, lengthM, radiusM);
  if (!perOhmCm || !(ohms > 0) || !std::isfinite(ohms)) return std::nullopt;
  const double rho = ohms / *perOhmCm;
  if (!std::isfinite(rho)) return std::nullopt;
  return rho;
}

double WennerResistivity(double spacingM, double depthM, double ohms) {
  const double a = spacingM;
  const double b = depthM;
  const double denominator =
      1 + 2 * a / std::sqrt(a * a + 4 * b * b) - a / std::sqrt(a * a + b * b);
  return 4 * kPi * a * ohms / denominator * 100;
}

}  // namespace ostrevin
