// The inverse of the rod formula: which rod length gives a wanted resistance?
//
// The answer is defined by a scan of rod lengths in metres, starting at 0.68 of
// the rod's radius (just above e/4, where the formula starts to give a result)
// and growing by 0.001 m per step, accumulated by repeated addition in double
// precision, while the length stays below 9999.9 m. At every step the rod
// formula gives a resistance rounded to three decimals (steps without a result
// are skipped); a step is accepted when its plain double difference
// |R - target| is strictly below 0.2 ohm and strictly below the best accepted
// so far, so ties keep the shorter length. The resistance first rises, peaks
// near e^2/4 of the radius and then falls, so a target can be met on either
// side of the peak; the shorter one wins ties.
//
// Inputs: rho in ohm-cm, diameter in inches or metres (by `units`), target in
// ohms. Result: the accepted length in metres, exactly as the accumulation
// produced it. No result when no step comes within 0.2 ohm of the target (for
// instance a target above the rod's peak resistance), when the scan has no
// step at all, or when no step has a resistance (a negative resistivity).
#pragma once

#include <optional>

#include "core/electrode_formulas.h"

namespace ostrevin {

inline constexpr double kScanStartFactor = 0.68;
inline constexpr double kScanStep = 0.001;
inline constexpr double kScanUpperBound = 9999.9;
inline constexpr double kScanTolerance = 0.2;

// The rod length for the target resistance, as defined above.
std::optional<double> FindRodLength(double rho, double diameter, UnitSystem units, double target);

// The highest rounded resistance of any step of the scan: no target more than
// 0.2 ohm above it has an answer. No result outside the form's resistivity and
// diameter ranges, or when the scan has no step.
std::optional<double> PeakRodResistance(double rho, double diameter, UnitSystem units);

// The reference definition: visits every step (about ten million for a
// typical rod). FindRodLength returns the same answer.
std::optional<double> FindRodLengthByScan(double rho, double diameter, UnitSystem units, double target);

}  // namespace ostrevin
