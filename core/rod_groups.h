// Beyond one rod: groups of identical rods, the fewest rods for a target,
// the single-rod rule of the US electrical code, resistivity from a driven
// rod, and the four-probe (Wenner) reading with the probes' depth.
//
// Units. Everything here is SI but the resistivity: rho in ohm-cm as in the
// rest of the program, lengths, radii, spacings and positions in metres,
// resistances in ohms. Nothing is rounded; nothing allocates but the layouts.
//
// Rod groups use the mutual-resistance (average potential) method of BS 7430:
//   R_n = R_1 (1 + lambda alpha) / n,   alpha = rho / (2 pi R_1 s),
//   lambda = (1/n) sum_i sum_(j != i) s / d_ij
// with R_1 the single rod (rho/(2 pi L)) (ln(4L/r) - 1), s the spacing that
// names the layout and d_ij the distances between the rods. Valid when the
// rods stand at least about one rod length apart: closer, the method
// overstates the benefit (the result says so, it does not refuse).
//
// Worked example: rho 20000 ohm-cm (200 ohm-m), L 3 m, r 0.01 m: one rod
// 64.6 ohms; two rods 6 m apart by Dwight's formula 34.8 ohms.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostrevin {

struct RodPoint {
  double x = 0, y = 0;  // metres
};

// The resistance of one rod, unrounded: (rho/100) / (2 pi L) (ln(4L/r) - 1).
// No result unless rho, L and r are positive and L above e/4 of r.
std::optional<double> SingleRodOhms(double rho, double lengthM, double radiusM);

// Rod positions of the layouts, `spacing` apart (metres).
std::vector<RodPoint> LineLayout(int rods, double spacing);
std::vector<RodPoint> TriangleLayout(double spacing);  // three rods, equilateral
// A hollow square of `perSide` rods a side (4 (perSide - 1) rods, at least 2 a side).
std::vector<RodPoint> HollowSquareLayout(int perSide, double spacing);
// `rods` on a circle, neighbours `spacing` apart along the chord.
std::vector<RodPoint> RingLayout(int rods, double spacing);

// lambda of the positions for the naming spacing s: 1 for two rods s apart,
// 2 (1/2 + ... + 1/n) for n rods in a line. No result when two rods coincide.
std::optional<double> GroupLambda(std::span<const RodPoint> rods, double spacing);

struct GroupResult {
  double ohms = 0;        // the group
  double singleOhms = 0;  // one rod
  double lambda = 0;
  int rods = 0;
  bool closeSpacing = false;  // spacing below the rod length: outside the method's validity
};

// The group's resistance by the method above. No result for no rods, rods at
// the same place, or a rod the formula does not apply to.
std::optional<GroupResult> GroupResistance(double rho, double lengthM, double radiusM,
                                           std::span<const RodPoint> rods, double spacing);

// Two rods s apart by Dwight's formulas (IEEE 142), for s > L:
//   rho/(4 pi L) (ln(4L/r) - 1) + rho/(4 pi s) (1 - L^2/(3 s^2) + 2 L^4/(5 s^4))
// and for s <= L:
//   rho/(4 pi L) (ln(4L/r) + ln(4L/s) - 2 + s/(2L) - s^2/(16 L^2) + s^4/(512 L^4)).
std::optional<double> DwightTwoRods(double rho, double lengthM, double radiusM, double spacing);

enum class RodLine { kLine, kRing };

struct RodCount {
  int rods = 0;
  double ohms = 0;
};

// The fewest rods in a line or a ring at the given spacing whose group
// resistance is at or below the target; up to kMaxRods. Otherwise the reason:
// the lowest the layout reaches within kMaxRods, or that the rod does not
// apply.
inline constexpr int kMaxRods = 100;
struct FewestRodsResult {
  std::optional<RodCount> count;
  std::string reason;  // when there is no count
};
FewestRodsResult FewestRods(double rho, double lengthM, double radiusM, RodLine layout,
                            double spacing, double targetOhms);

// The single-rod rule of NEC 250.53(A)(2): a rod of 25 ohms or less suffices
// alone; otherwise a supplemental electrode is needed, at least 6 ft (1.8288
// m) away. Rods must be at least 8 ft long and 5/8 in thick (1/2 in when
// listed): the warnings say where the rod falls short.
inline constexpr double kNecMaxOhms = 25.0;
inline constexpr double kNecMinSpacingM = 6 * 0.3048;
inline constexpr double kNecMinLengthM = 8 * 0.3048;
inline constexpr double kNecMinDiameterM = 0.625 * 0.0254;
inline constexpr double kNecListedMinDiameterM = 0.5 * 0.0254;

struct NecCheck {
  double singleOhms = 0;
  bool sufficient = false;
  double secondRod6ftOhms = 0;  // two rods 6 ft apart
  double secondRod2LOhms = 0;   // two rods twice the rod length apart
  std::vector<std::string> warnings;
};
std::optional<NecCheck> CheckSingleRodRule(double rho, double lengthM, double diameterM);

// The soil resistivity (ohm-cm) from a rod of length L and radius r driven
// and measured at R ohms: 2 pi L R / (ln(4L/r) - 1) x 100. No result where
// the rod formula does not apply.
std::optional<double> ResistivityFromRod(double lengthM, double radiusM, double ohms);

// The Wenner reading with probes `depth` deep (IEEE 81), ohm-cm:
//   4 pi a R / (1 + 2a / sqrt(a^2 + 4b^2) - a / sqrt(a^2 + b^2)) x 100,
// which is 2 pi a R x 100 at depth 0. Spacing and depth in metres.
double WennerResistivity(double spacingM, double depthM, double ohms);

}  // namespace ostrevin
