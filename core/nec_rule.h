// The US electrical code's rule for a single rod electrode (NFPA 70, the
// National Electrical Code, 2020 and 2023 editions):
//   250.52(A)(5)      a rod electrode is at least 8 ft (2.44 m) long;
//   250.52(A)(5)(b)   and at least 5/8 in (15.87 mm) thick, or 1/2 in
//                     (12.70 mm) when listed;
//   250.53(A)(2)      one rod of 25 ohms or less suffices alone; otherwise
//                     a supplemental electrode is required;
//   250.53(A)(3)      rod, pipe and plate electrodes at least 6 ft (1.83 m)
//                     apart.
// In uniform soil the rod is judged by the single-rod formula (unrounded),
// as the window gives it; in two layers by the electrode solver's rod. The
// second rods come from the solver, with the solver's one rod beside them
// (so that what a second rod gains is read on one basis) and, in uniform
// soil, Dwight's two-rod formula. SI units, rho in ohm-cm.
//
// Worked example: an 8 ft, 5/8 in rod in 10,000 ohm-cm soil is 39.9 ohms,
// more than 25: a second rod is required.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/earth_kernel.h"
#include "core/result.h"

namespace ostrevin {

inline constexpr double kNecMaxOhms = 25.0;
inline constexpr double kNecMinSpacingM = 6 * 0.3048;
inline constexpr double kNecMinLengthM = 8 * 0.3048;
inline constexpr double kNecMinDiameterM = 0.625 * 0.0254;
inline constexpr double kNecListedMinDiameterM = 0.5 * 0.0254;
inline constexpr const char* kNecEdition = "NEC 2020/2023";

struct SecondRod {
  double spacingM = 0;
  double ohms = 0;                   // at one potential
  std::optional<double> dwightOhms;  // Dwight's two-rod formula (uniform soil)
};

struct SecondRods {
  SecondRod at6ft;  // a second rod 6 ft away
  SecondRod at2L;   // a second rod twice the rod length away
};

struct NecCheck {
  double singleOhms = 0;    // judged by (the rod formula; in two layers the solver's)
  bool sufficient = false;  // 25 ohms or less
  // The second rods, or why there are none (a rod too stubby for the two-rod methods).
  Result<SecondRods> secondRods = NoAnswer("not worked out");
  std::optional<double> solverSingleOhms;  // the solver's one rod, the second rods' basis
  // Where the rod or the second rod falls short of the code, each naming its clause.
  std::vector<std::string> notes;
};

// No answer where the rod formula gives no positive value (uniform soil) or
// the solver none (two layers).
Result<NecCheck> CheckSingleRodRule(const EarthSoil& soil, double lengthM, double diameterM);

// A value as text with as many decimals (three at least) as it takes to see
// on which side of `bound` it lies: 25.0000001 is not shown as 25.000.
std::string ShowBeside(double value, double bound);

}  // namespace ostrevin
