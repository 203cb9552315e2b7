#include "core/length_search.h"

#include <cmath>

#include "core/electrode_formulas.h"

namespace ostrevin {

std::optional<double> FindRodLengthByScan(double rho, double diameter, int units, double target) {
  std::optional<double> bestLength;
  double bestDiff = kScanTolerance;  // an accepted step must lie strictly closer
  for (double length = RodRadiusMetres(diameter, units) * kScanStartFactor;
       length < kScanUpperBound; length += kScanStep) {
    const std::optional<double> resistance = RodResistance(rho, diameter, length, units);
    if (!resistance) continue;
    const double diff = std::fabs(*resistance - target);
    if (diff < bestDiff) {
      bestDiff = diff;
      bestLength = length;
    }
  }
  return bestLength;
}

std::optional<double> FindRodLength(double rho, double diameter, int units, double target) {
  return FindRodLengthByScan(rho, diameter, units, target);
}

}  // namespace ostrevin
