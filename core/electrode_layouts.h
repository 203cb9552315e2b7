// The conductors of the usual electrodes, for the solver (earth_solver.h):
// rods, a straight strip, a ring as a polygon, a rectangular or L-shaped
// grid and where rods stand on it, the conductor bonding a group of rods;
// and an electrode's plan: its outline and extent.
//
// Coordinates in metres: x and y in plan, z the depth below the surface.
// Rods stand with their tops at `topM` and go down; horizontal conductors
// lie at their depth. Nothing here checks the physics (the solver does).
//
// Example: GridConductors({70, 70, 10, 10, 0.5, 0.01}) is IEEE 80's square
// grid of 11 x 11 conductors 7 m apart, 0.5 m deep.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/earth_solver.h"
#include "core/plan_geometry.h"
#include "core/result.h"
#include "core/rod_groups.h"

namespace ostrevin {

// Vertical rods at the points, from `topM` down `lengthM`.
std::vector<Conductor> RodsAt(std::span<const RodPoint> at, double lengthM, double diameterM,
                              double topM = 0);

// A straight conductor `lengthM` long along x from the origin, `depthM` deep.
std::vector<Conductor> StripConductor(double lengthM, double depthM, double diameterM);

// A circle of diameter `ringM` about the origin as a polygon of `sides`
// straight sides, a corner on the +x axis; the corners lie on the circle.
std::vector<Conductor> RingConductors(double ringM, int sides, double depthM, double diameterM);
// `count` points evenly round that circle, the first on the +x axis.
std::vector<RodPoint> RingPoints(double ringM, int count);

// A grid: `sizeX` by `sizeY` with `meshesX` by `meshesY` meshes (so
// meshesX + 1 conductors along y and meshesY + 1 along x), from the origin;
// optionally L-shaped, less a cut-out `cutoutX` by `cutoutY` at its +x,+y
// corner, which must be whole meshes.
struct GridPlan {
  double sizeX = 0, sizeY = 0;
  int meshesX = 1, meshesY = 1;
  double depthM = 0, diameterM = 0;
  std::optional<std::pair<double, double>> cutout;
};
// Refused where the sizes or meshes are not positive, or the cut-out is not
// whole meshes smaller than the grid.
Checked CheckGridPlan(const GridPlan& plan);
// The conductors (each line of the grid one conductor, crossing the others).
std::vector<Conductor> GridConductors(const GridPlan& plan);
// Where rods may stand on it: every node; the perimeter's nodes in order
// round it from the origin (anticlockwise); the outline's corners.
std::vector<RodPoint> GridNodes(const GridPlan& plan);
std::vector<RodPoint> GridPerimeterNodes(const GridPlan& plan);
std::vector<RodPoint> GridCorners(const GridPlan& plan);

// The conductor bonding rods, `depthM` deep, from each point to the next
// (and back to the first when `closed`).
std::vector<Conductor> BondConductors(std::span<const RodPoint> at, bool closed, double depthM,
                                      double diameterM);

// The plan's outline, for the searches of the surface (plan_geometry.h):
// the grid's own polygon (an L is no rectangle); the outline of the meshes
// a set of conductors closes (empty when it closes none); the convex hull of
// the conductors' ends. Where these have no area, the conductors' lines.
PlanRegion GridOutline(const GridPlan& plan);
PlanRegion MeshOutline(std::span<const Conductor> conductors);
PlanRegion HullOutline(std::span<const Conductor> conductors);
// The conductors seen from above (a rod a point).
std::vector<PlanLine> PlanLines(std::span<const Conductor> conductors);
// The plan's extent: the least and greatest x and y of the conductors' ends
// (metres), and the greatest depth. All infinite for no conductors.
Extent ExtentOf(std::span<const Conductor> conductors);
// The total length of the conductors (metres).
double TotalLength(std::span<const Conductor> conductors);

}  // namespace ostrevin
