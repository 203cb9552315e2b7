#include "core/electrode_formulas.h"

#include <cmath>

namespace ostrevin {

double RoundToWhole(double x) {
  if (x > 0) return std::floor(x + 0.5);
  if (x < 0) return -std::floor(-x + 0.5);
  return x;
}

double RoundTo3Places(double x) { return RoundToWhole(x * 1000) / 1000; }

double DiameterToMetres(double diameter, UnitSystem units) {
  return IsMetric(units) ? diameter : diameter * kMetresPerInch;
}

double RodRadiusMetres(double diameter, UnitSystem units) {
  const double radius = diameter * 0.5;
  return IsMetric(units) ? radius : radius * kMetresPerInch;
}

std::optional<double> RodResistance(double rho, double diameter, double lengthMetres, UnitSystem units) {
  const double rhoM = rho / 100;
  const double w = lengthMetres * kTwoPi;
  const double r = RodRadiusMetres(diameter, units);
  const double q = (lengthMetres * 4) / r;
  const double b = (std::log(q) - 1) * rhoM;
  if (b < 0) return std::nullopt;
  if (!(w > 0)) return std::nullopt;
  return RoundTo3Places(b / w);
}

double ResistivityFromProbes(double spacing, double measuredR, UnitSystem units) {
  const double aM = LengthToMetres(spacing, units);
  return RoundResistivity(aM * kTwoPi * measuredR * 100);
}

double RoundResistivity(double ohmCm) {
  return ohmCm > 1000 ? RoundToWhole(ohmCm) : RoundTo3Places(ohmCm);
}

double LengthToMetres(double length, UnitSystem units) {
  return IsMetric(units) ? length : length * kMetresPerFoot;
}

double LengthFromMetres(double metres, UnitSystem units) {
  return IsMetric(units) ? metres : metres / kMetresPerFoot;
}

double ConvertLengthUnits(double value, bool toMetric) {
  return RoundTo3Places(toMetric ? value * kMetresPerFoot : value / kMetresPerFoot);
}

double ConvertDiameterUnits(double value, bool toMetric) {
  return RoundTo3Places(toMetric ? value * kMetresPerInch : value / kMetresPerInch);
}

}  // namespace ostrevin
