// Internal to the electrode solver (earth_solver.h): its conductors checked,
// joined where they meet (cut where they cross or one ends on another), cut
// at the interface, and cut into segments by one fixed rule (finer toward
// the ends and joints, near other conductors and near the interface; a
// conductor's own end at the interface down to a fiftieth of its radius).
// The work is bounded as it goes: a layout needing more segments than the
// memory bound holds (kLeastSegmentBytes each at least, whatever the
// solver) is refused as soon as that is known, before it is cut.
#pragma once

#include <span>
#include <vector>

#include "core/earth_solver.h"

namespace ostrevin {

// Below this |K| a conductor's end near the interface is cut as any other's.
inline constexpr double kGradedContrast = 0.05;

// The electrode cut into its segments (no currents yet), and the distance
// within which two points are one.
struct Segmented {
  Solution solution;
  double tolerance = 0;
};

// Refused as SolveElectrode refuses a conductor, the soil, or the bound on segments.
Result<Segmented> Segment(std::span<const Conductor> conductors, const EarthSoil& soil,
                          const SolveOptions& options);

// The elements' extent: in plan, and their greatest depth.
Extent BoxOf(const std::vector<Element>& elements);

}  // namespace ostrevin
