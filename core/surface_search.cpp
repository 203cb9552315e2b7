#include "core/surface_search.h"
#include "core/numerics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrevin {

namespace {

constexpr int kDirections = 16;  // a step's directions on the lattice, over half a turn
// Where the map's edge is read as on it (rounding of the lattice's corners).
constexpr double kOnEdge = 1e-9;

double At(const SurfaceView& view, int i, int j) {
  return view.volts[static_cast<std::size_t>(j) * static_cast<std::size_t>(view.lattice.nx) +
                    static_cast<std::size_t>(i)];
}

}  // namespace

double SurfaceView::Exact(double x, double y) const {
  return amperes * PotentialAt(solution, kernel, {x, y, 0});
}

std::optional<double> SurfaceView::Read(double x, double y) const {
  if (lattice.nx < 2 || lattice.ny < 2) return std::nullopt;
  double u = (x - lattice.x0) / lattice.step;
  double v = (y - lattice.y0) / lattice.step;
  const double lastU = lattice.nx - 1;
  const double lastV = lattice.ny - 1;
  if (u < -kOnEdge * lastU || v < -kOnEdge * lastV || u > lastU * (1 + kOnEdge) ||
      v > lastV * (1 + kOnEdge) || !std::isfinite(u) || !std::isfinite(v)) {
    return std::nullopt;
  }
  u = std::clamp(u, 0.0, lastU);
  v = std::clamp(v, 0.0, lastV);
  const int i = std::min(static_cast<int>(u), lattice.nx - 2);
  const int j = std::min(static_cast<int>(v), lattice.ny - 2);
  const double s = u - i;
  const double t = v - j;
  return (1 - t) * ((1 - s) * At(*this, i, j) + s * At(*this, i + 1, j)) +
         t * ((1 - s) * At(*this, i, j + 1) + s * At(*this, i + 1, j + 1));
}

std::optional<SurfaceSpot> LowestWithin(const SurfaceView& view, const PlanRegion& region) {
  if (!region.HasArea()) return std::nullopt;
  const Lattice& l = view.lattice;
  std::optional<SurfaceSpot> best;
  for (int j = 0; j < l.ny; ++j) {
    for (const auto& [from, to] : RowSpans(region, l.Y(j))) {
      const int first = std::max(0, static_cast<int>(std::ceil((from - l.x0) / l.step - kOnEdge)));
      const int last = std::min(l.nx - 1, static_cast<int>(std::floor((to - l.x0) / l.step + kOnEdge)));
      for (int i = first; i <= last; ++i) {
        const double v = At(view, i, j);
        if (!best || v < best->volts) best = SurfaceSpot{l.X(i), l.Y(j), v};
      }
    }
  }
  SurfaceSpot spot;
  if (best) {
    spot = {best->x, best->y, view.Exact(best->x, best->y)};
  } else {
    // No lattice point within (a polygon smaller than a cell): its corners.
    spot.volts = std::numeric_limits<double>::infinity();
    for (const Polygon& polygon : region.areas) {
      for (const RodPoint& corner : polygon) {
        const double v = view.Exact(corner.x, corner.y);
        if (v < spot.volts) spot = {corner.x, corner.y, v};
      }
    }
  }
  // Refined by steps that halve to a centimetre, staying within.
  for (int level = 1; std::ldexp(l.step, -level) >= kFinestM; ++level) {
    const double h = std::ldexp(l.step, -level);
    for (bool moved = true; moved;) {
      moved = false;
      for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1},
                                   {-1, 1}, {-1, -1}}) {
        const double x = spot.x + dx * h;
        const double y = spot.y + dy * h;
        if (!region.Within(x, y)) continue;
        const double v = view.Exact(x, y);
        if (v < spot.volts) {
          spot = {x, y, v};
          moved = true;
        }
      }
    }
  }
  return spot;
}

std::optional<SurfaceStep> LargestStep(const SurfaceView& view, double paceM) {
  const Lattice& l = view.lattice;
  std::optional<SurfaceStep> best;
  double bestAngle = 0;
  for (int k = 0; k < kDirections; ++k) {
    const double angle = kPi * k / kDirections;
    const double dx = paceM * std::cos(angle);
    const double dy = paceM * std::sin(angle);
    for (int j = 0; j < l.ny; ++j) {
      for (int i = 0; i < l.nx; ++i) {
        const double x = l.X(i);
        const double y = l.Y(j);
        const std::optional<double> there = view.Read(x + dx, y + dy);
        if (!there) continue;
        const double difference = std::abs(At(view, i, j) - *there);
        if (!best || difference > best->volts) {
          best = SurfaceStep{x, y, x + dx, y + dy, difference};
          bestAngle = angle;
        }
      }
    }
  }
  if (!best) return best;
  // Refined in place and direction with exact potentials.
  double x = best->x1;
  double y = best->y1;
  double angle = bestAngle;
  const auto difference = [&](double px, double py, double a) {
    return std::abs(view.Exact(px, py) - view.Exact(px + paceM * std::cos(a), py + paceM * std::sin(a)));
  };
  double value = difference(x, y, angle);
  for (int level = 1; std::ldexp(l.step, -level) >= kFinestM; ++level) {
    const double h = std::ldexp(l.step, -level);
    const double turn = std::ldexp(kPi / kDirections, -level);
    for (bool moved = true; moved;) {
      moved = false;
      for (const auto& [mx, my, ma] : {std::tuple{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0},
                                       {0, 0, 1}, {0, 0, -1}}) {
        const double v = difference(x + mx * h, y + my * h, angle + ma * turn);
        if (v > value) {
          x += mx * h;
          y += my * h;
          angle += ma * turn;
          value = v;
          moved = true;
        }
      }
    }
  }
  const double x2 = x + paceM * std::cos(angle);
  const double y2 = y + paceM * std::sin(angle);
  if (view.Exact(x, y) >= view.Exact(x2, y2)) return SurfaceStep{x, y, x2, y2, value};
  return SurfaceStep{x2, y2, x, y, value};
}

std::optional<SurfaceSpot> LowestAround(const SurfaceView& view, const PlanRegion& region,
                                        double awayM) {
  const std::vector<RodPoint> path = PathAround(region, awayM, kFinestM);
  std::optional<std::size_t> lowest;
  double least = std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < path.size(); ++k) {
    const std::optional<double> v = view.Read(path[k].x, path[k].y);
    if (v && *v < least) {
      least = *v;
      lowest = k;
    }
  }
  if (!lowest) return std::nullopt;
  // Refined with exact potentials over 10 cm either side along the path.
  SurfaceSpot spot{path[*lowest].x, path[*lowest].y, view.Exact(path[*lowest].x, path[*lowest].y)};
  const RodPoint& centre = path[*lowest];
  const std::size_t from = *lowest >= 10 ? *lowest - 10 : 0;
  for (std::size_t k = from; k <= std::min(*lowest + 10, path.size() - 1); ++k) {
    if (std::hypot(path[k].x - centre.x, path[k].y - centre.y) > 11 * kFinestM) continue;
    const double v = view.Exact(path[k].x, path[k].y);
    if (v < spot.volts) spot = {path[k].x, path[k].y, v};
  }
  return spot;
}

}  // namespace ostrevin
