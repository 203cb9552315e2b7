// Where a person stands worst on the surface above a solved electrode: the
// lowest potential within its outline (the largest touch voltage, GPR less
// it), the largest difference between two points a pace (1 m) apart (the
// step voltage), and the lowest potential on a path a given distance
// outside the outline (where a person touching a fence bonded to the
// electrode stands). Each is found on a surface map's lattice
// (surface_map.h), then refined with the exact potential: to 1 cm for a
// point, and for a step also its direction. The outline may be any
// polygons (an L, the outline of a table's meshes) or, without an area,
// the conductors' lines (plan_geometry.h).
//
// Units: metres, volts; the map's potentials and `amperes` the current into
// the electrode (the map was worked out for it).
#pragma once

#include <optional>
#include <vector>

#include "core/earth_solver.h"
#include "core/plan_geometry.h"
#include "core/surface_map.h"

namespace ostrevin {

struct SurfaceSpot {
  double x = 0, y = 0;
  double volts = 0;
};

struct SurfaceStep {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // from the higher to the lower point
  double volts = 0;                      // their difference
};

// The spacing of the path searched outside an outline, and where a point's
// search stops: a centimetre.
inline constexpr double kFinestM = 0.01;

// What the searches need: the solution and its kernel (for exact
// potentials), the map and the current it is for.
struct SurfaceView {
  const Solution& solution;
  const EarthKernel& kernel;
  const Lattice& lattice;
  const std::vector<double>& volts;
  double amperes = 1;

  double Exact(double x, double y) const;
  // The map's potential between its points (bilinear); nothing outside it.
  std::optional<double> Read(double x, double y) const;
};

// The lowest potential within the region's polygons (on their sides
// included): the lattice's points within, or where none lies within (a
// polygon smaller than a cell) its corners, then refined staying within.
// Nothing when the region has no area.
std::optional<SurfaceSpot> LowestWithin(const SurfaceView& view, const PlanRegion& region);

// The largest difference over `paceM` in any direction, both points on the
// map; nothing when the map holds no two points a pace apart.
std::optional<SurfaceStep> LargestStep(const SurfaceView& view, double paceM = 1);

// The lowest potential on the path `awayM` outside the region
// (PathAround); nothing when the map does not reach the path.
std::optional<SurfaceSpot> LowestAround(const SurfaceView& view, const PlanRegion& region,
                                        double awayM);

}  // namespace ostrevin
