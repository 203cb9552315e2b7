// Rods and groups of rods on the electrode solver (earth_solver.h), in
// uniform or two-layer soil: one rod, a group (optionally with the buried
// conductor that bonds it), the fewest rods in a line or a ring for a
// wanted resistance, and in two layers the rod length for one.
//
// The solver takes the current along each rod as it really leaks (finer
// toward the foot and the interface) with every rod at one potential. Where
// a group needs more unknowns than the solver's bound, it falls back, with
// a note, to mutual resistances between rods each carrying a lone rod's
// current profile (the lone rod solved, the mutual resistance of two such
// rods tabulated against their distance): the average-potential method with
// the solver's kernel. Restricting the currents so can only raise the
// resistance (the method is variational): by under 0.1 % for rods a length
// apart (as the note the user reads says, and the tests hold it), 2 % for
// rods a tenth of their length apart, where the closed-form mutual resistances of rod_groups.h, with
// uniform current, are 0.4 to 5 % high.
//
// Units: resistivities in ohm-cm, lengths and positions in metres, ohms.
//
// Worked example: 100 ohm-m, a rod 3 m by 16 mm: 33.22 ohms (the rod
// formula, with uniform current, gives 33.49).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/earth_solver.h"
#include "core/result.h"
#include "core/rod_groups.h"

namespace ostrevin {

// A group's buried bonding conductor: from rod to rod in their order (round
// to the first again when `closed`), `depthM` deep.
struct Bond {
  double depthM = 0, diameterM = 0;
  bool closed = false;
};

struct RodGroupAnswer {
  double ohms = 0;
  std::size_t segments = 0;  // 0 when the fallback was used
  bool fallback = false;     // past the solver's bound: mutual resistances instead
  bool compressed = false;   // by the compressed solver (else the dense one)
  std::vector<std::string> notes;
  // With the fallback, the mutual resistances worked out: one for each
  // distinct distance, or past 512 of them a table's points (24 a decade).
  std::size_t mutualSums = 0;
};

// The group with its rods (tops at the surface) at one potential. Refused
// as SolveElectrode refuses the conductors; a bonded group past the bound
// is refused too (the fallbacks know rods only).
Result<RodGroupAnswer> SolvedGroup(const EarthSoil& soil, double lengthM, double radiusM,
                                   std::span<const RodPoint> rods,
                                   const std::optional<Bond>& bond = std::nullopt,
                                   const SolveOptions& options = {});

// One rod alone.
Result<double> SolvedRodOhms(const EarthSoil& soil, double lengthM, double radiusM);

// The fewest rods, up to kMaxRods, in a line or a ring at `spacing` whose
// group is at or below the target: by doubling the count, then halving the
// bracket (more rods never raise the group). Where none reaches it, the
// lowest is the hundred rods'.
Result<FewestRodsResult> FewestSolvedRods(const EarthSoil& soil, double lengthM, double radiusM,
                                          RodLine layout, double spacing, double targetOhms,
                                          const SolveOptions& options = {});

// The rod length (metres) whose resistance is the target, found
// continuously (the resistance falls as the rod grows): between the
// shortest rod the method takes (kMinSlenderness radii) and kLongestRodM.
// No length when even the shortest rod is below the target or the longest
// above it; the resistances at both ends are given either way.
inline constexpr double kLongestRodM = 9999.9;
struct SolvedLength {
  std::optional<double> lengthM;
  double shortestM = 0, shortestOhms = 0;  // the shortest rod and its resistance
  double longestOhms = 0;                  // the longest rod's resistance
};
// Refused with the soil's or the rod's problem when nothing could be worked out.
Result<SolvedLength> SolvedRodLength(const EarthSoil& soil, double radiusM, double targetOhms);

}  // namespace ostrevin
