// The formulas of a single driven ground rod: unit factors, the two rounding
// rules, the rod's resistance to earth and the soil resistivity from a
// four-probe reading.
//
// Units. Resistivity is always in ohm-centimetres and resistances in ohms.
// Diameters are in inches (English) or metres (Metric); lengths and probe
// spacings are in feet (English) or metres (Metric). The window's radio group
// stores the unit system as an integer: UnitSystemOf reads it (greater than
// zero is Metric, zero or less is English).
//
// Every operation is carried out in double precision in the order written
// below; results are rounded to three decimals, so a last-bit change in a
// factor can move a result across a rounding boundary. Nothing here allocates,
// throws or keeps state.
#pragma once

#include <optional>
#include <string_view>

namespace ostrevin {

enum class UnitSystem : int { English = 0, Metric = 1 };
enum CalcType : int { Length = 0, GroundResistance = 1 };

// The unit system a radio group's integer stands for.
constexpr UnitSystem UnitSystemOf(int radio) {
  return radio > 0 ? UnitSystem::Metric : UnitSystem::English;
}
constexpr bool IsMetric(UnitSystem units) { return units != UnitSystem::English; }
// "english" or "metric", as --units and the JSON name them.
constexpr std::string_view UnitSystemName(UnitSystem units) {
  return IsMetric(units) ? "metric" : "english";
}

// Inches to metres.
inline constexpr double kMetresPerInch = 0.0254;
// Feet to metres: 12 x 0.0254 as a double product, 0.30479999999999996, one
// unit in the last place below the double nearest 0.3048.
inline constexpr double kMetresPerFoot = 12 * kMetresPerInch;
// The decimal 6.28318530717959, not the double nearest 2 pi.
inline constexpr double kTwoPi = 6.28318530717959;

// x rounded half away from zero to three decimals: the integer nearest
// x * 1000, divided by 1000. Zero and NaN pass through.
double RoundTo3Places(double x);

// x rounded half away from zero to an integer value.
double RoundToWhole(double x);

// Radius in metres of a rod of the given diameter (inches or metres).
double RodRadiusMetres(double diameter, UnitSystem units);
// A diameter (inches or metres) in metres.
double DiameterToMetres(double diameter, UnitSystem units);

// Resistance to earth, in ohms rounded to three decimals, of a rod of the
// given diameter driven lengthMetres deep into soil of resistivity rho:
//   (rho / 100) * (ln(4 L / r) - 1) / (2 pi L).
// No result when the formula does not apply: a length below e/4 of the radius
// (the logarithm term turns negative), or a length that is zero or negative.
std::optional<double> RodResistance(double rho, double diameter, double lengthMetres, UnitSystem units);

// A resistivity in ohm-cm as the form shows it: whole above 1000 ohm-cm,
// three decimals at 1000 and below.
double RoundResistivity(double ohmCm);

// Soil resistivity in ohm-cm from a four-probe reading: 2 pi a R x 100, with
// the spacing a in feet or metres and the measured resistance R in ohms.
// Whole ohm-cm above 1000, three decimals at 1000 and below.
double ResistivityFromProbes(double spacing, double measuredR, UnitSystem units);

// A rod length or probe spacing given in the unit system's length unit, in
// metres.
double LengthToMetres(double length, UnitSystem units);

// A length in metres, in the unit system's length unit (unrounded).
double LengthFromMetres(double metres, UnitSystem units);

// The form's values when the units switch: a length or spacing (feet <->
// metres) or a diameter (inches <-> metres) converted to the other system and
// rounded to three decimals. toMetric tells the direction.
double ConvertLengthUnits(double value, bool toMetric);
double ConvertDiameterUnits(double value, bool toMetric);

}  // namespace ostrevin
