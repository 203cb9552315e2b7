// Geometry in plan (x and y on the ground, metres): the polygons an
// electrode's outline is made of, whether a point lies within them, the
// rows of a lattice that do, the path a given distance outside them (where
// a fence, or a person 1 m beyond it, stands), the convex hull, and the
// outline of the meshes a set of conductors closes.
//
// An outline is a PlanRegion: polygons with an area (anticlockwise; they
// need not be convex, and may touch themselves at a point or run along a
// bridge and back, as the boundary of meshes joined by one conductor does),
// and lines without one (a strip, rods standing apart: segments, a rod a
// segment of no length). A point on a polygon's side counts as within it.
//
// Tolerances: points and sides within 1e-9 of the plan's extent are one;
// a path's points are spaced by at most the spacing asked for and lie at
// the distance asked from the region to 1e-9 of it.
//
// Example: the L of a 70 m x 105 m grid less 35 m x 70 m at its +x,+y
// corner, {(0,0), (70,0), (70,35), (35,35), (35,105), (0,105)}, has an area
// of 4,900 m²; (56, 61) is not within it; the path 1 m outside runs 1 m
// from every side and round the five convex corners on arcs of 1 m.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/rod_groups.h"

namespace ostrevin {

using Polygon = std::vector<RodPoint>;

struct PlanLine {
  RodPoint a, b;  // a == b: a point (a rod seen from above)
};

struct PlanRegion {
  std::vector<Polygon> areas;   // anticlockwise, each of three corners or more
  std::vector<PlanLine> lines;  // what has no area

  bool HasArea() const { return !areas.empty(); }
  bool Empty() const { return areas.empty() && lines.empty(); }
  // The polygons' area, square metres.
  double Area() const;
  // Whether (x, y) lies within a polygon (on its side included).
  bool Within(double x, double y) const;
  // The least and greatest x and y of every corner and line end.
  struct Box {
    double x0, x1, y0, y1;
  };
  std::optional<Box> Extent() const;
};

// The signed area: positive for an anticlockwise polygon (the shoelace formula).
double SignedArea(std::span<const RodPoint> polygon);
// Its size, whichever way round.
double PolygonArea(std::span<const RodPoint> polygon);
// Whether (x, y) lies within the polygon or on its side (by the winding
// number, so that a side run along and back again, a bridge, adds nothing).
bool WithinPolygon(std::span<const RodPoint> polygon, double x, double y);

// The stretches of the row y that lie within the region's polygons, from
// left to right, overlapping stretches joined (for scanning a lattice).
std::vector<std::pair<double, double>> RowSpans(const PlanRegion& region, double y);

// The distance from p to the segment from a to b (a point where a == b).
double DistanceToSegment(const RodPoint& p, const RodPoint& a, const RodPoint& b);
// The distance from p to the region: zero within a polygon, else to the
// nearest side or line.
double DistanceToRegion(const PlanRegion& region, const RodPoint& p);

// The convex hull, anticlockwise, collinear points dropped; fewer than three
// points where it has no area (one point, or the two ends of a line).
Polygon ConvexHull(std::vector<RodPoint> points);

// The first two sides of a polygon that cross or overlap without being
// neighbours (counted from 0: side i runs from corner i to the next), or
// nothing when the polygon is simple.
std::optional<std::pair<std::size_t, std::size_t>> FindSelfCrossing(std::span<const RodPoint> polygon);

// The path at `awayM` outside the region, as points at most `spacingM`
// apart in order along it: beside every side and line at that distance, and
// round every convex corner and every end on an arc; the parts nearer the
// region than `awayM` (beside a concave corner, between parts closer than
// twice it) left out. Empty for an empty region.
std::vector<RodPoint> PathAround(const PlanRegion& region, double awayM, double spacingM);

// The outline of the meshes that segments close in plan (a table of
// conductors seen from above): the segments cut where they cross or one
// ends on another, what closes no mesh (a spur, a tree) pruned away, and
// the boundary of each connected part that is left walked round outside,
// anticlockwise. A part lying within another's outline is dropped. Empty
// when no mesh is closed.
std::vector<Polygon> MeshOutlines(std::span<const PlanLine> segments);

}  // namespace ostrevin
