// Internal to the electrode solver (earth_solver.h): the electrode's
// symmetry, found among its segments (mirrors, quarter turns, a ring's
// turns about the middle of its extent), so that segments a turn or a
// mirror carries onto each other are solved as one unknown.
#pragma once

#include <optional>
#include <vector>

#include "core/earth_kernel.h"

namespace ostrevin {

struct Symmetry {
  std::vector<int> orbit;  // each element's orbit
  int orbits = 0;
  int order = 1;
  double cx = 0, cy = 0;   // the centre
  int turns = 1;
  std::optional<double> mirror;  // twice the mirror line's angle
};

// The elements' orbits under the symmetry found (within `tolerance`, times
// a thousand); each element its own orbit when `use` is false.
Symmetry FindSymmetry(const std::vector<Element>& elements, double tolerance, bool use);

}  // namespace ostrevin
