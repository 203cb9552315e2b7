// The IEEE 80 grid with rods the tests and benchmarks solve: 70 m by 70 m,
// 10 by 10 meshes, 0.5 m deep, 10 mm conductor, 20 rods of 7.5 m and 20 mm
// at every other perimeter node.
#pragma once

#include <vector>

#include "core/electrode_layouts.h"

namespace ostrevin {

inline std::vector<Conductor> IeeeGridWithRods() {
  const GridPlan plan{70, 70, 10, 10, 0.5, 0.01, std::nullopt};
  std::vector<Conductor> grid = GridConductors(plan);
  const std::vector<RodPoint> perimeter = GridPerimeterNodes(plan);
  std::vector<RodPoint> at;
  for (std::size_t i = 0; i < perimeter.size(); i += 2) at.push_back(perimeter[i]);
  const std::vector<Conductor> rods = RodsAt(at, 7.5, 0.02, 0.5);
  grid.insert(grid.end(), rods.begin(), rods.end());
  return grid;
}

}  // namespace ostrevin
