// Where a person stands worst on the surface above a solved electrode: the
// lowest potential within its outline (the largest touch voltage, GPR less
// it), the largest difference between two points a pace (1 m) apart (the
// step voltage), and the lowest potential 1 m outside the outline (the
// touch voltage at a fence bonded to the electrode). Each is found on the
// surface map's lattice (surface_map.h), then refined with the exact
// potential: to 1 cm for a point, and for a step also its direction.
//
// Units: metres, volts; the map's potentials and `amperes` the current into
// the electrode (the map was worked out for it).
#pragma once

#include <span>
#include <vector>

#include "core/earth_solver.h"
#include "core/rod_groups.h"
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

// What the searches need: the solution and its kernel (for exact
// potentials), the map and the current it is for.
struct SurfaceView {
  const Solution& solution;
  const EarthKernel& kernel;
  const Lattice& lattice;
  const std::vector<double>& volts;
  double amperes = 1;

  double Exact(double x, double y) const;
  // The map's potential between its points (cubic each way); nothing outside it.
  std::optional<double> Read(double x, double y) const;
};

// The lowest potential within a convex polygon (anticlockwise; at least
// three corners); nothing when no lattice point lies within it.
std::optional<SurfaceSpot> LowestWithin(const SurfaceView& view, std::span<const RodPoint> outline);

// The largest difference over `paceM` in any direction, both points on the map.
SurfaceStep LargestStep(const SurfaceView& view, double paceM = 1);

// The lowest potential on the path `awayM` outside the plan's points (the
// outline grown by that: straight along its sides, round its corners).
SurfaceSpot LowestAround(const SurfaceView& view, std::span<const RodPoint> outline, double awayM = 1);

}  // namespace ostrevin
