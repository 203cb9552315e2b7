// The soil's resistivity from a field measurement beyond the window's
// four-probe formula: a Wenner reading with the probes driven to a depth,
// and a rod driven and measured. SI units; resistivity in ohm-cm.
//
// Worked example: probes 1 m apart and 0.3 m deep reading 10 ohms: 7152
// ohm-cm (at the surface 2 pi a R would give 6283).
#pragma once

#include <optional>

namespace ostrevin {

// Beyond this a resistivity is no soil's (dry rock reaches about 10^6
// ohm-cm): a result above it is shown with a warning.
inline constexpr double kHighestSoilOhmCm = 1'000'000;

// The soil resistivity (ohm-cm) from a rod of length L and radius r driven
// and measured at R ohms, the rod formula solved for rho:
// 2 pi L R / (ln(4L/r) - 1) x 100. No result where the rod formula gives no
// positive value (L at or below e/4 of r) or R is not positive.
std::optional<double> ResistivityFromRod(double lengthM, double radiusM, double ohms);

// The Wenner reading with probes `depth` deep (Wenner 1915, as IEEE Std
// 81-2012 gives it for the Wenner arrangement), ohm-cm:
//   4 pi a R / (1 + 2a / sqrt(a^2 + 4b^2) - a / sqrt(a^2 + b^2)) x 100,
// which is 2 pi a R x 100 at depth 0. Spacing and depth in metres.
double WennerResistivity(double spacingM, double depthM, double ohms);

}  // namespace ostrevin
