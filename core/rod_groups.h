// Groups of identical driven rods bonded together: their resistance to earth
// by two methods, Dwight's two-rod formulas beside them, and the fewest rods
// in a line or a ring for a wanted resistance.
//
// Units. Everything here is SI but the resistivity: rho in ohm-cm as in the
// rest of the program, lengths, radii, spacings and positions in metres,
// resistances in ohms. Nothing is rounded.
//
// Rods at one potential (the default method: the average-potential method
// of Dwight, "Calculation of resistances to ground", Electrical Engineering
// 55, 1936, with the mutual resistance of parallel vertical conductors of
// Sunde, "Earth Conduction Effects in Transmission Systems", 1949). Bonded rods stand at one
// potential V. Rod i's self resistance is the single-rod formula,
//   R_ii = rho / (2 pi L) (ln(4L/r) - 1),
// and the mutual resistance of two vertical rods d apart is the average
// potential along one from a uniform current along the other and its image
// in the surface:
//   R_ij = rho / (2 pi L) (asinh(2L/d) - sqrt(1 + (d/2L)^2) + d/2L),
// which tends to rho / (2 pi d) far apart. The currents solve R I = 1 (a
// Cholesky factorisation); the group is 1 / sum(I). Whenever R is positive
// definite, adding a rod never raises the group's resistance (the Schur
// complement of the new rod is positive), so no group is above one rod
// alone. The conductor bonding the rods is not counted.
// Validity: uniform soil, slender rods (at least kMinSlenderness radii
// long; real rods are 100 to 1,000) standing no closer than their diameter.
//
// BS 7430:2011+A1:2015, rods in parallel: R = R1 (1 + lambda alpha) / n,
// alpha = rho / (2 pi R1 s), with lambda from the standard's table for rods
// in a line (2 to 10 rods) and otherwise from the rods' positions,
// lambda = (1/n) sum_i sum_(j != i) s / d_ij. Valid with the rods at least
// about their length apart; closer, it overstates the group's resistance.
//
// Worked examples: rho 20000 ohm-cm, L 3 m, r 0.01 m: one rod 64.618 ohms;
// two rods 0.3 m apart at one potential 46.836 ohms (Dwight's close-spacing
// formula gives the same). rho 10000 ohm-cm, four 3 m by 16 mm rods 3 m
// apart in a line: BS 7430 with lambda 2.15, 11.2 ohms.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/electrode_formulas.h"
#include "core/result.h"

namespace ostrevin {

struct RodPoint {
  double x = 0, y = 0;  // metres
};

// Groups larger than this are refused: the work grows with the cube of the count.
inline constexpr int kMaxGroupRods = 1000;
// A rod at least this many radii long is slender enough for the line-source
// model: two rods, or many packed as closely as rods can stand, never come
// out worse than one (the matrix stays positive definite; it fails near 3).
inline constexpr double kMinSlenderness = 10;

// The resistance of one rod, unrounded: (rho/100) / (2 pi L) (ln(4L/r) - 1).
// No result unless the inputs are finite and positive and the value is
// positive (L above e/4 of r).
std::optional<double> SingleRodOhms(double rho, double lengthM, double radiusM);

// The mutual resistance of two rods `distanceM` apart (formula above).
double MutualRodOhms(double rho, double lengthM, double distanceM);

// Rod positions of the layouts, `spacing` apart (metres).
std::vector<RodPoint> LineLayout(int rods, double spacing);
std::vector<RodPoint> TriangleLayout(double spacing);  // three rods, equilateral
// A hollow square of `perSide` rods a side (4 (perSide - 1) rods, at least 2 a side).
std::vector<RodPoint> HollowSquareLayout(int perSide, double spacing);
// `rods` on a circle, neighbours `spacing` apart along the chord.
std::vector<RodPoint> RingLayout(int rods, double spacing);

// The distance between the two closest rods; infinity for fewer than two.
double NearestDistance(std::span<const RodPoint> rods);

// Whether the group can be worked out, or why it is refused: no rods, more
// than kMaxGroupRods, a rod the rod formula gives no positive value for, a
// rod shorter than kMinSlenderness radii, or two rods closer than the rod's
// diameter ("rods 1 and 2 stand 0.010 m apart, closer than their diameter
// (0.016 m)"; distances in feet and inches when `units` is English).
Checked CheckGroup(double rho, double lengthM, double radiusM, std::span<const RodPoint> rods,
                   UnitSystem units = UnitSystem::Metric);

// The group's resistance with the rods at one potential, or why there is
// none (CheckGroup's refusals; a matrix that is not positive definite).
Result<double> PotentialGroupOhms(double rho, double lengthM, double radiusM,
                                  std::span<const RodPoint> rods);

// Which of BS 7430's tables a layout may take its lambda from.
enum class TabulatedLayout { kNone, kLine };

struct Bs7430Group {
  double ohms = 0;
  double lambda = 0;
  bool tabulated = false;     // lambda from the standard's table
  bool closeSpacing = false;  // s below the rod length: outside the method's validity
};

// The group by BS 7430, with s the spacing that names the layout. lambda is
// the table's where `layout` has one for this many rods, else the
// positions'. Refused where CheckGroup refuses the group or s is not
// positive; no answer where the factors give a group above one rod alone,
// which no group can be (they do not hold with the rods that close).
Result<Bs7430Group> Bs7430GroupOhms(double rho, double lengthM, double radiusM,
                                    std::span<const RodPoint> rods, double spacing,
                                    TabulatedLayout layout = TabulatedLayout::kNone);

// BS 7430's lambda of the positions: 1 for two rods s apart, 2 (1/2 + ... +
// 1/n) for n rods in a line, 0 for one rod. No result when two rods coincide.
std::optional<double> PositionLambda(std::span<const RodPoint> rods, double spacing);
// The table's lambda for n rods in a line (2 to 10), or nothing.
std::optional<double> TabulatedLineLambda(int rods);

// Two rods s apart by Dwight's formulas (Dwight 1936, as IEEE Std 142-2007
// lists them), for s > L:
//   rho/(4 pi L) (ln(4L/r) - 1) + rho/(4 pi s) (1 - L^2/(3 s^2) + 2 L^4/(5 s^4))
// and for s <= L:
//   rho/(4 pi L) (ln(4L/r) + ln(4L/s) - 2 + s/(2L) - s^2/(16 L^2) + s^4/(512 L^4)).
// The far series is truncated: it jumps about 3.5 % at s = L.
std::optional<double> DwightTwoRods(double rho, double lengthM, double radiusM, double spacing);

enum class GroupMethod { kPotential, kBs7430 };
enum class RodLine { kLine, kRing };

// The fewest rods, up to kMaxRods, in a line or a ring at the given spacing
// whose group resistance by `method` is at or below the target. Every count
// is tried (BS 7430's value is not monotone at close spacing).
inline constexpr int kMaxRods = 100;
struct FewestRodsResult {
  std::optional<int> rods;  // the count, when one reaches the target
  double ohms = 0;          // the group at that count
  double lowestOhms = 0;    // otherwise the lowest reached
  int lowestAt = 0;         // and at how many rods
};
// Refused where CheckGroup refuses two rods at the spacing.
Result<FewestRodsResult> FewestRods(double rho, double lengthM, double radiusM, RodLine layout,
                            double spacing, double targetOhms, GroupMethod method);

}  // namespace ostrevin
