#include "core/closed_forms.h"
#include "core/numerics.h"

#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {


// A value that is finite and positive, or nothing.
std::optional<double> Positive(double ohms) {
  if (!(ohms > 0) || !std::isfinite(ohms)) return std::nullopt;
  return ohms;
}

bool AllPositive(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return v > 0 && std::isfinite(v); });
}

}  // namespace

std::optional<double> DwightStripOhms(double rho, double lengthM, double radiusM, double depthM) {
  if (!AllPositive({rho, lengthM, radiusM, depthM})) return std::nullopt;
  const double l = lengthM / 2;
  const double s = 2 * depthM;
  const double q = s / (2 * l);
  return Positive(rho / 100 / (4 * kPi * l) *
                  (std::log(4 * l / radiusM) + std::log(4 * l / s) - 2 + q - q * q / 4 +
                   q * q * q * q / 32));
}

std::optional<double> DwightRingOhms(double rho, double ringM, double wireM, double depthM) {
  if (!AllPositive({rho, ringM, wireM, depthM})) return std::nullopt;
  const double s = 2 * depthM;
  return Positive(rho / 100 / (2 * kPi * kPi * ringM) *
                  (std::log(8 * ringM / wireM) + std::log(4 * ringM / s)));
}

double StripEquivalentDiameter(double widthM, double thicknessM) {
  return (widthM + thicknessM) / 2;
}

std::optional<double> Bs7430PlateOhms(double rho, double areaM2) {
  if (!AllPositive({rho, areaM2})) return std::nullopt;
  return Positive(rho / 100 / 8 * std::sqrt(kPi / areaM2));
}

Result<double> DwightPlateOhms(double rho, double areaM2, double centreM, PlateLying lying) {
  if (!AllPositive({rho, areaM2, centreM})) return Refused("a plate needs a resistivity, an area and a depth");
  const double a = std::sqrt(areaM2 / kPi);
  const double s = 2 * centreM;
  const bool flat = lying == PlateLying::kFlat;
  if (flat && !(s > a)) {
    return NoAnswer("the plate lies less than half its equivalent radius deep: IEEE 142's series "
                    "for a flat plate does not hold that near the surface");
  }
  if (!flat && !(s > 2 * a)) {
    return NoAnswer("the plate's equivalent round plate would reach the surface: IEEE 142's series "
                    "for an upright plate does not hold");
  }
  const double q = a * a / (s * s);
  const double image = flat ? 1 - 7 * q / 12 + 33 * q * q / 40 : 1 + 7 * q / 24 + 99 * q * q / 320;
  const std::optional<double> ohms = Positive(rho / 100 / (8 * a) + rho / 100 / (4 * kPi * s) * image);
  if (!ohms) return NoAnswer("the plate's resistance is no finite number");
  return *ohms;
}

std::optional<double> EncasedRodOhms(double rho, double rhoConcrete, double lengthM,
                                     double rodDiameterM, double concreteDiameterM) {
  if (!AllPositive({rho, rhoConcrete, lengthM, rodDiameterM, concreteDiameterM})) return std::nullopt;
  if (!(concreteDiameterM > rodDiameterM)) return std::nullopt;
  return Positive((rhoConcrete / 100 * std::log(concreteDiameterM / rodDiameterM) +
                   rho / 100 * (std::log(8 * lengthM / concreteDiameterM) - 1)) /
                  (2 * kPi * lengthM));
}

}  // namespace ostrevin
