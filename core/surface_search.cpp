#include "core/surface_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace ostrevin {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kFinestM = 0.01;    // where a point's search stops
constexpr int kDirections = 16;      // a step's directions on the lattice, over half a turn

bool Within(std::span<const RodPoint> polygon, double x, double y) {
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const RodPoint& a = polygon[i];
    const RodPoint& b = polygon[(i + 1) % polygon.size()];
    if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < -1e-9) return false;
  }
  return true;
}

}  // namespace

double SurfaceView::Exact(double x, double y) const {
  return amperes * PotentialAt(solution, kernel, {x, y, 0});
}

std::optional<double> SurfaceView::Read(double x, double y) const {
  const double u = (x - lattice.x0) / lattice.step;
  const double v = (y - lattice.y0) / lattice.step;
  if (u < 0 || v < 0 || u > lattice.nx - 1 || v > lattice.ny - 1) return std::nullopt;
  const int i = std::min(static_cast<int>(u), lattice.nx - 2);
  const int j = std::min(static_cast<int>(v), lattice.ny - 2);
  const double s = u - i;
  const double t = v - j;
  const auto at = [&](int a, int b) {
    return volts[static_cast<std::size_t>(j + b) * static_cast<std::size_t>(lattice.nx) +
                 static_cast<std::size_t>(i + a)];
  };
  return (1 - t) * ((1 - s) * at(0, 0) + s * at(1, 0)) + t * ((1 - s) * at(0, 1) + s * at(1, 1));
}

std::optional<SurfaceSpot> LowestWithin(const SurfaceView& view, std::span<const RodPoint> outline) {
  if (outline.size() < 3) return std::nullopt;
  const Lattice& l = view.lattice;
  std::optional<SurfaceSpot> best;
  for (int j = 0; j < l.ny; ++j) {
    for (int i = 0; i < l.nx; ++i) {
      if (!Within(outline, l.X(i), l.Y(j))) continue;
      const double v = view.volts[static_cast<std::size_t>(j) * static_cast<std::size_t>(l.nx) +
                                  static_cast<std::size_t>(i)];
      if (!best || v < best->volts) best = SurfaceSpot{l.X(i), l.Y(j), v};
    }
  }
  if (!best) return best;
  // Refined by steps that halve to a centimetre, staying within.
  SurfaceSpot spot{best->x, best->y, view.Exact(best->x, best->y)};
  for (int level = 1; std::ldexp(l.step, -level) >= kFinestM; ++level) {
    const double h = std::ldexp(l.step, -level);
    for (bool moved = true; moved;) {
      moved = false;
      for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1},
                                   {-1, 1}, {-1, -1}}) {
        const double x = spot.x + dx * h;
        const double y = spot.y + dy * h;
        if (!Within(outline, x, y)) continue;
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

SurfaceStep LargestStep(const SurfaceView& view, double paceM) {
  const Lattice& l = view.lattice;
  SurfaceStep best;
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
        const double here = view.volts[static_cast<std::size_t>(j) * static_cast<std::size_t>(l.nx) +
                                       static_cast<std::size_t>(i)];
        if (std::abs(here - *there) > best.volts) {
          best = {x, y, x + dx, y + dy, std::abs(here - *there)};
          bestAngle = angle;
        }
      }
    }
  }
  // Refined in place and direction with exact potentials.
  double x = best.x1;
  double y = best.y1;
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
  if (view.Exact(x, y) >= view.Exact(x2, y2)) return {x, y, x2, y2, value};
  return {x2, y2, x, y, value};
}

SurfaceSpot LowestAround(const SurfaceView& view, std::span<const RodPoint> outline, double awayM) {
  // The path, every centimetre: along each side moved out (the right of an
  // anticlockwise outline), round each corner on a circle.
  std::vector<std::pair<double, double>> path;
  const std::size_t n = outline.size();
  const auto normal = [&](std::size_t i) {  // of the side from corner i to the next
    const RodPoint& a = outline[i];
    const RodPoint& b = outline[(i + 1) % n];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    return std::pair((b.y - a.y) / length, -(b.x - a.x) / length);
  };
  if (n == 1) {
    for (int k = 0; k * kFinestM / awayM < 2 * kPi; ++k) {
      const double t = k * kFinestM / awayM;
      path.emplace_back(outline[0].x + awayM * std::cos(t), outline[0].y + awayM * std::sin(t));
    }
  }
  for (std::size_t i = 0; n >= 2 && i < n; ++i) {
    const RodPoint& a = outline[i];
    const RodPoint& b = outline[(i + 1) % n];
    const auto [nx, ny] = normal(i);
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    for (int k = 0; k * kFinestM < length; ++k) {
      const double s = k * kFinestM;
      path.emplace_back(a.x + (b.x - a.x) * s / length + awayM * nx,
                        a.y + (b.y - a.y) * s / length + awayM * ny);
    }
    // Round corner i + 1, from this side's normal to the next's (turning
    // left, as the outline does).
    const auto [mx, my] = normal((i + 1) % n);
    const double from = std::atan2(ny, nx);
    double to = std::atan2(my, mx);
    while (to < from) to += 2 * kPi;
    for (int k = 0; from + k * kFinestM / awayM < to; ++k) {
      const double t = from + k * kFinestM / awayM;
      path.emplace_back(b.x + awayM * std::cos(t), b.y + awayM * std::sin(t));
    }
  }
  std::size_t lowest = 0;
  double least = std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < path.size(); ++k) {
    const std::optional<double> v = view.Read(path[k].first, path[k].second);
    if (v && *v < least) {
      least = *v;
      lowest = k;
    }
  }
  // Refined with exact potentials over 10 cm either side.
  SurfaceSpot spot{path[lowest].first, path[lowest].second, INFINITY};
  for (std::ptrdiff_t d = -10; d <= 10; ++d) {
    const auto k = static_cast<std::size_t>((static_cast<std::ptrdiff_t>(lowest) + d +
                                             static_cast<std::ptrdiff_t>(path.size())) %
                                            static_cast<std::ptrdiff_t>(path.size()));
    const double v = view.Exact(path[k].first, path[k].second);
    if (v < spot.volts) spot = {path[k].first, path[k].second, v};
  }
  return spot;
}

}  // namespace ostrevin
