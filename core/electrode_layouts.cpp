#include "core/electrode_layouts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {


// Whether `part` is a whole number of `step`s (to a part in 10^9).
bool Whole(double part, double step) {
  const double count = part / step;
  return std::abs(count - std::round(count)) <= 1e-9 * std::max(1.0, count);
}

// The outline's corners, anticlockwise from the origin.
std::vector<RodPoint> Corners(const GridPlan& plan) {
  const double x = plan.sizeX;
  const double y = plan.sizeY;
  if (!plan.cutout) return {{0, 0}, {x, 0}, {x, y}, {0, y}};
  const auto [cx, cy] = *plan.cutout;
  return {{0, 0}, {x, 0}, {x, y - cy}, {x - cx, y - cy}, {x - cx, y}, {0, y}};
}

// Whether a node of the rectangle is in the cut-out (beyond both its edges).
bool CutOut(const GridPlan& plan, double x, double y) {
  if (!plan.cutout) return false;
  const double slack = 1e-9 * std::max(plan.sizeX, plan.sizeY);
  return x > plan.sizeX - plan.cutout->first + slack && y > plan.sizeY - plan.cutout->second + slack;
}

}  // namespace

std::vector<Conductor> RodsAt(std::span<const RodPoint> at, double lengthM, double diameterM,
                              double topM) {
  std::vector<Conductor> rods;
  rods.reserve(at.size());
  for (const RodPoint& p : at) {
    rods.push_back({{p.x, p.y, topM}, {p.x, p.y, topM + lengthM}, diameterM});
  }
  return rods;
}

std::vector<Conductor> StripConductor(double lengthM, double depthM, double diameterM) {
  return {{{0, 0, depthM}, {lengthM, 0, depthM}, diameterM}};
}

std::vector<RodPoint> RingPoints(double ringM, int count) {
  std::vector<RodPoint> points;
  for (int i = 0; i < count; ++i) {
    const double angle = 2 * kPi * i / count;
    points.push_back({ringM / 2 * std::cos(angle), ringM / 2 * std::sin(angle)});
  }
  return points;
}

std::vector<Conductor> RingConductors(double ringM, int sides, double depthM, double diameterM) {
  const std::vector<RodPoint> corners = RingPoints(ringM, sides);
  return BondConductors(corners, true, depthM, diameterM);
}

Checked CheckGridPlan(const GridPlan& plan) {
  if (!(plan.sizeX > 0 && plan.sizeY > 0) || !std::isfinite(plan.sizeX) ||
      !std::isfinite(plan.sizeY)) {
    return Refused("the grid needs a positive size each way");
  }
  if (plan.meshesX < 1 || plan.meshesY < 1) return Refused("the grid needs a mesh or more each way");
  if (!plan.cutout) return Ok{};
  const auto [cx, cy] = *plan.cutout;
  const double dx = plan.sizeX / plan.meshesX;
  const double dy = plan.sizeY / plan.meshesY;
  if (!(cx > 0 && cy > 0 && cx < plan.sizeX && cy < plan.sizeY)) {
    return Refused("the cut-out must be smaller than the grid each way");
  }
  if (!Whole(cx, dx) || !Whole(cy, dy)) {
    return Refused("the cut-out must be whole meshes (" + FormatDouble("%.3f", dx) + " by " +
                       FormatDouble("%.3f", dy) + " m)",
                   {"cutout-meshes", {}, {dx, dy}});
  }
  return Ok{};
}

std::vector<Conductor> GridConductors(const GridPlan& plan) {
  std::vector<Conductor> grid;
  const double d = plan.depthM;
  const double innerX = plan.cutout ? plan.sizeX - plan.cutout->first : plan.sizeX;
  const double innerY = plan.cutout ? plan.sizeY - plan.cutout->second : plan.sizeY;
  for (int i = 0; i <= plan.meshesX; ++i) {
    const double x = plan.sizeX * i / plan.meshesX;
    const double top = CutOut(plan, x, plan.sizeY) ? innerY : plan.sizeY;
    grid.push_back({{x, 0, d}, {x, top, d}, plan.diameterM});
  }
  for (int j = 0; j <= plan.meshesY; ++j) {
    const double y = plan.sizeY * j / plan.meshesY;
    const double right = CutOut(plan, plan.sizeX, y) ? innerX : plan.sizeX;
    grid.push_back({{0, y, d}, {right, y, d}, plan.diameterM});
  }
  return grid;
}

std::vector<RodPoint> GridNodes(const GridPlan& plan) {
  std::vector<RodPoint> nodes;
  for (int j = 0; j <= plan.meshesY; ++j) {
    for (int i = 0; i <= plan.meshesX; ++i) {
      const double x = plan.sizeX * i / plan.meshesX;
      const double y = plan.sizeY * j / plan.meshesY;
      if (!CutOut(plan, x, y)) nodes.push_back({x, y});
    }
  }
  return nodes;
}

std::vector<RodPoint> GridPerimeterNodes(const GridPlan& plan) {
  const std::vector<RodPoint> corners = Corners(plan);
  const double dx = plan.sizeX / plan.meshesX;
  const double dy = plan.sizeY / plan.meshesY;
  std::vector<RodPoint> nodes;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const RodPoint& a = corners[k];
    const RodPoint& b = corners[(k + 1) % corners.size()];
    // Each side runs along x or along y, a whole number of meshes long.
    const bool alongX = std::abs(b.y - a.y) < std::abs(b.x - a.x);
    const int steps = static_cast<int>(
        std::lround(alongX ? std::abs(b.x - a.x) / dx : std::abs(b.y - a.y) / dy));
    for (int s = 0; s < steps; ++s) {
      const double t = static_cast<double>(s) / steps;
      nodes.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
    }
  }
  return nodes;
}

std::vector<RodPoint> GridCorners(const GridPlan& plan) { return Corners(plan); }

std::vector<Conductor> BondConductors(std::span<const RodPoint> at, bool closed, double depthM,
                                      double diameterM) {
  std::vector<Conductor> bond;
  const std::size_t n = at.size();
  const std::size_t sides = closed && n > 2 ? n : (n > 0 ? n - 1 : 0);
  for (std::size_t i = 0; i < sides; ++i) {
    const RodPoint& a = at[i];
    const RodPoint& b = at[(i + 1) % n];
    bond.push_back({{a.x, a.y, depthM}, {b.x, b.y, depthM}, diameterM});
  }
  return bond;
}

PlanRegion GridOutline(const GridPlan& plan) { return {{Corners(plan)}, {}}; }

std::vector<PlanLine> PlanLines(std::span<const Conductor> conductors) {
  std::vector<PlanLine> lines;
  lines.reserve(conductors.size());
  for (const Conductor& c : conductors) lines.push_back({{c.a.x, c.a.y}, {c.b.x, c.b.y}});
  return lines;
}

PlanRegion MeshOutline(std::span<const Conductor> conductors) {
  return {MeshOutlines(PlanLines(conductors)), {}};
}

PlanRegion HullOutline(std::span<const Conductor> conductors) {
  std::vector<RodPoint> ends;
  for (const Conductor& c : conductors) {
    ends.push_back({c.a.x, c.a.y});
    ends.push_back({c.b.x, c.b.y});
  }
  Polygon hull = ConvexHull(std::move(ends));
  if (hull.size() >= 3) return {{std::move(hull)}, {}};
  return {{}, PlanLines(conductors)};
}

Extent ExtentOf(std::span<const Conductor> conductors) {
  Extent extent;
  for (const Conductor& c : conductors) {
    extent.Take(c.a);
    extent.Take(c.b);
  }
  return extent;
}

double TotalLength(std::span<const Conductor> conductors) {
  double total = 0;
  for (const Conductor& c : conductors) total += Segment3{c.a, c.b}.Length();
  return total;
}

}  // namespace ostrevin
