#include "core/plan_geometry.h"
#include "core/numerics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

namespace ostrevin {

namespace {


double Cross(const RodPoint& o, const RodPoint& a, const RodPoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// The largest |coordinate| of the points, at least 1: what tolerances scale with.
template <class Points>
double ScaleOf(const Points& points) {
  double scale = 1;
  for (const RodPoint& p : points) scale = std::max({scale, std::abs(p.x), std::abs(p.y)});
  return scale;
}

// Where the segments p1-p2 and q1-q2 meet: the parameters along each (0 to
// 1) of the points they share: one where they cross or one ends on the
// other, the ends of the shared part where they overlap, none otherwise.
std::vector<std::pair<double, double>> Meetings(const RodPoint& p1, const RodPoint& p2,
                                                const RodPoint& q1, const RodPoint& q2,
                                                double tolerance) {
  const double dx = p2.x - p1.x;
  const double dy = p2.y - p1.y;
  const double ex = q2.x - q1.x;
  const double ey = q2.y - q1.y;
  const double lp = std::hypot(dx, dy);
  const double lq = std::hypot(ex, ey);
  const double denominator = dx * ey - dy * ex;
  std::vector<std::pair<double, double>> met;
  const auto along = [](const RodPoint& a, double ux, double uy, double length, const RodPoint& p) {
    return ((p.x - a.x) * ux + (p.y - a.y) * uy) / (length * length);
  };
  if (std::abs(denominator) <= 1e-12 * lp * lq) {
    // Parallel: they meet only on one line, along the part both cover.
    if (DistanceToSegment(q1, p1, p2) > tolerance && DistanceToSegment(q2, p1, p2) > tolerance &&
        DistanceToSegment(p1, q1, q2) > tolerance && DistanceToSegment(p2, q1, q2) > tolerance) {
      return met;
    }
    if (std::abs(Cross(p1, p2, q1)) > tolerance * lp || std::abs(Cross(p1, p2, q2)) > tolerance * lp) {
      return met;
    }
    for (const RodPoint& q : {q1, q2}) {
      const double t = along(p1, dx, dy, lp, q);
      if (t >= -tolerance / lp && t <= 1 + tolerance / lp) {
        met.emplace_back(std::clamp(t, 0.0, 1.0), along(q1, ex, ey, lq, q));
      }
    }
    for (const RodPoint& p : {p1, p2}) {
      const double u = along(q1, ex, ey, lq, p);
      if (u >= -tolerance / lq && u <= 1 + tolerance / lq) {
        met.emplace_back(along(p1, dx, dy, lp, p), std::clamp(u, 0.0, 1.0));
      }
    }
    for (auto& [t, u] : met) {
      t = std::clamp(t, 0.0, 1.0);
      u = std::clamp(u, 0.0, 1.0);
    }
    return met;
  }
  const double t = ((q1.x - p1.x) * ey - (q1.y - p1.y) * ex) / denominator;
  const double u = ((q1.x - p1.x) * dy - (q1.y - p1.y) * dx) / denominator;
  if (t >= -tolerance / lp && t <= 1 + tolerance / lp && u >= -tolerance / lq &&
      u <= 1 + tolerance / lq) {
    met.emplace_back(std::clamp(t, 0.0, 1.0), std::clamp(u, 0.0, 1.0));
  }
  return met;
}

// Points closer than the tolerance as one vertex: each point looked up in
// its cell and the cells around it.
class Vertices {
 public:
  explicit Vertices(double tolerance) : tolerance_(tolerance), cell_(4 * tolerance) {}
  int Add(const RodPoint& p) {
    const std::int64_t cx = std::llround(std::floor(p.x / cell_));
    const std::int64_t cy = std::llround(std::floor(p.y / cell_));
    for (std::int64_t i = cx - 1; i <= cx + 1; ++i) {
      for (std::int64_t j = cy - 1; j <= cy + 1; ++j) {
        const auto it = cells_.find({i, j});
        if (it == cells_.end()) continue;
        for (const int v : it->second) {
          const RodPoint& q = points_[static_cast<std::size_t>(v)];
          if (std::hypot(p.x - q.x, p.y - q.y) <= tolerance_) return v;
        }
      }
    }
    points_.push_back(p);
    const int made = static_cast<int>(points_.size()) - 1;
    cells_[{cx, cy}].push_back(made);
    return made;
  }
  const std::vector<RodPoint>& Points() const { return points_; }

 private:
  double tolerance_, cell_;
  std::vector<RodPoint> points_;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<int>> cells_;
};

// The sides and lines of a region by where they lie, for the distance from
// a point to the nearest within a reach: each in every cell its box, grown
// by the reach, covers.
class SideIndex {
 public:
  SideIndex(const PlanRegion& region, double reach) : cell_(std::max(reach, 1e-6)) {
    for (const Polygon& polygon : region.areas) {
      for (std::size_t i = 0; i < polygon.size(); ++i) {
        Add({polygon[i], polygon[(i + 1) % polygon.size()]}, reach);
      }
    }
    for (const PlanLine& line : region.lines) Add(line, reach);
  }
  // The distance to the nearest side or line, or infinity beyond the reach.
  double Nearest(const RodPoint& p) const {
    const auto it = cells_.find(CellOf(p));
    double nearest = std::numeric_limits<double>::infinity();
    if (it == cells_.end()) return nearest;
    for (const int k : it->second) {
      const PlanLine& side = sides_[static_cast<std::size_t>(k)];
      nearest = std::min(nearest, DistanceToSegment(p, side.a, side.b));
    }
    return nearest;
  }

 private:
  std::pair<std::int64_t, std::int64_t> CellOf(const RodPoint& p) const {
    return {static_cast<std::int64_t>(std::floor(p.x / cell_)),
            static_cast<std::int64_t>(std::floor(p.y / cell_))};
  }
  void Add(const PlanLine& side, double reach) {
    const int k = static_cast<int>(sides_.size());
    sides_.push_back(side);
    const auto [i0, j0] = CellOf({std::min(side.a.x, side.b.x) - reach, std::min(side.a.y, side.b.y) - reach});
    const auto [i1, j1] = CellOf({std::max(side.a.x, side.b.x) + reach, std::max(side.a.y, side.b.y) + reach});
    for (std::int64_t i = i0; i <= i1; ++i) {
      for (std::int64_t j = j0; j <= j1; ++j) {
        // Only the cells the side's reach touches (a long slanting side crosses few of its box's).
        const RodPoint middle{(static_cast<double>(i) + 0.5) * cell_, (static_cast<double>(j) + 0.5) * cell_};
        if (DistanceToSegment(middle, side.a, side.b) > reach + cell_) continue;
        cells_[{i, j}].push_back(k);
      }
    }
  }
  double cell_;
  std::vector<PlanLine> sides_;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<int>> cells_;
};

// Points every `spacing` or less from a to b, a included, b not.
void Along(std::vector<RodPoint>& out, const RodPoint& a, const RodPoint& b, double spacing) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(1, static_cast<int>(std::ceil(length / spacing)));
  for (int k = 0; k < steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
  }
}

// Points on the arc about c of `radius` from angle `from` anticlockwise by `turn`, `from` included.
void Arc(std::vector<RodPoint>& out, const RodPoint& c, double radius, double from, double turn,
         double spacing) {
  const int steps = std::max(1, static_cast<int>(std::ceil(turn * radius / spacing)));
  for (int k = 0; k < steps; ++k) {
    const double angle = from + turn * k / steps;
    out.push_back({c.x + radius * std::cos(angle), c.y + radius * std::sin(angle)});
  }
}

}  // namespace

double SignedArea(std::span<const RodPoint> polygon) {
  double twice = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const RodPoint& a = polygon[i];
    const RodPoint& b = polygon[(i + 1) % polygon.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2;
}

double PolygonArea(std::span<const RodPoint> polygon) { return std::abs(SignedArea(polygon)); }

bool WithinPolygon(std::span<const RodPoint> polygon, double x, double y) {
  const double tolerance = 1e-9 * ScaleOf(polygon);
  int winding = 0;
  const RodPoint p{x, y};
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const RodPoint& a = polygon[i];
    const RodPoint& b = polygon[(i + 1) % polygon.size()];
    if (DistanceToSegment(p, a, b) <= tolerance) return true;
    if (a.y <= y) {
      if (b.y > y && Cross(a, b, p) > 0) ++winding;
    } else if (b.y <= y && Cross(a, b, p) < 0) {
      --winding;
    }
  }
  return winding != 0;
}

double PlanRegion::Area() const {
  double total = 0;
  for (const Polygon& polygon : areas) total += PolygonArea(polygon);
  return total;
}

bool PlanRegion::Within(double x, double y) const {
  return std::any_of(areas.begin(), areas.end(),
                     [&](const Polygon& polygon) { return WithinPolygon(polygon, x, y); });
}

std::optional<PlanRegion::Box> PlanRegion::Extent() const {
  if (Empty()) return std::nullopt;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  Box box{kInf, -kInf, kInf, -kInf};
  const auto take = [&](const RodPoint& p) {
    box.x0 = std::min(box.x0, p.x);
    box.x1 = std::max(box.x1, p.x);
    box.y0 = std::min(box.y0, p.y);
    box.y1 = std::max(box.y1, p.y);
  };
  for (const Polygon& polygon : areas) std::for_each(polygon.begin(), polygon.end(), take);
  for (const PlanLine& line : lines) {
    take(line.a);
    take(line.b);
  }
  return box;
}

std::vector<std::pair<double, double>> RowSpans(const PlanRegion& region, double y) {
  std::vector<std::pair<double, double>> spans;
  for (const Polygon& polygon : region.areas) {
    // Crossings of the row, each with the side's direction (the winding's step).
    std::vector<std::pair<double, int>> crossings;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const RodPoint& a = polygon[i];
      const RodPoint& b = polygon[(i + 1) % polygon.size()];
      if ((a.y <= y) == (b.y <= y)) continue;  // half-open: a corner on the row counted once
      const double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
      crossings.emplace_back(x, b.y > a.y ? 1 : -1);
    }
    std::sort(crossings.begin(), crossings.end());
    int winding = 0;
    double start = 0;
    for (const auto& [x, step] : crossings) {
      if (winding == 0) start = x;
      winding += step;
      if (winding == 0 && x > start) spans.emplace_back(start, x);
    }
    // A side along the row itself is within.
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const RodPoint& a = polygon[i];
      const RodPoint& b = polygon[(i + 1) % polygon.size()];
      if (a.y == y && b.y == y) spans.emplace_back(std::min(a.x, b.x), std::max(a.x, b.x));
    }
  }
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<double, double>> joined;
  for (const auto& span : spans) {
    if (!joined.empty() && span.first <= joined.back().second) {
      joined.back().second = std::max(joined.back().second, span.second);
    } else {
      joined.push_back(span);
    }
  }
  return joined;
}

double DistanceToSegment(const RodPoint& p, const RodPoint& a, const RodPoint& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t =
      length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double DistanceToRegion(const PlanRegion& region, const RodPoint& p) {
  if (region.Within(p.x, p.y)) return 0;
  double nearest = std::numeric_limits<double>::infinity();
  for (const Polygon& polygon : region.areas) {
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      nearest = std::min(nearest, DistanceToSegment(p, polygon[i], polygon[(i + 1) % polygon.size()]));
    }
  }
  for (const PlanLine& line : region.lines) nearest = std::min(nearest, DistanceToSegment(p, line.a, line.b));
  return nearest;
}

Polygon ConvexHull(std::vector<RodPoint> points) {
  std::sort(points.begin(), points.end(), [](const RodPoint& p, const RodPoint& q) {
    return p.x < q.x || (p.x == q.x && p.y < q.y);
  });
  points.erase(std::unique(points.begin(), points.end(),
                           [](const RodPoint& p, const RodPoint& q) { return p.x == q.x && p.y == q.y; }),
               points.end());
  if (points.size() < 3) return points;
  // Andrew's monotone chain; turns within rounding of straight are no corners.
  const double scale = ScaleOf(points);
  const double slack = 1e-9 * scale * scale;
  Polygon hull(2 * points.size());
  std::size_t k = 0;
  for (const RodPoint& point : points) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], point) <= slack) --k;
    hull[k++] = point;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= slack) --k;
    hull[k++] = points[i];
  }
  hull.resize(k > 0 ? k - 1 : 0);
  return hull;
}

std::optional<std::pair<std::size_t, std::size_t>> FindSelfCrossing(std::span<const RodPoint> polygon) {
  const std::size_t n = polygon.size();
  const double tolerance = 1e-9 * ScaleOf(polygon);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const bool neighbours = j == i + 1 || (i == 0 && j == n - 1);
      const RodPoint& a1 = polygon[i];
      const RodPoint& a2 = polygon[(i + 1) % n];
      const RodPoint& b1 = polygon[j];
      const RodPoint& b2 = polygon[(j + 1) % n];
      const std::vector<std::pair<double, double>> met = Meetings(a1, a2, b1, b2, tolerance);
      if (met.empty()) continue;
      if (!neighbours) return std::pair(i, j);
      // Neighbours share a corner; more than that is a fold back along the side.
      for (const auto& [t, u] : met) {
        const bool shared = (j == i + 1) ? (t >= 1 - 1e-12 && u <= 1e-12) : (t <= 1e-12 && u >= 1 - 1e-12);
        if (!shared) return std::pair(i, j);
      }
    }
  }
  return std::nullopt;
}

std::vector<RodPoint> PathAround(const PlanRegion& region, double awayM, double spacingM) {
  std::vector<RodPoint> candidates;
  const auto outward = [](const RodPoint& a, const RodPoint& b) {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    return std::pair((b.y - a.y) / length, -(b.x - a.x) / length);
  };
  const double scale = [&] {
    double s = 1;
    for (const Polygon& polygon : region.areas) s = std::max(s, ScaleOf(polygon));
    for (const PlanLine& line : region.lines) s = std::max({s, ScaleOf(std::array{line.a, line.b})});
    return s;
  }();
  const double tolerance = 1e-9 * scale;
  for (const Polygon& polygon : region.areas) {
    const std::size_t n = polygon.size();
    for (std::size_t i = 0; i < n; ++i) {
      const RodPoint& a = polygon[i];
      const RodPoint& b = polygon[(i + 1) % n];
      const RodPoint& c = polygon[(i + 2) % n];
      if (std::hypot(b.x - a.x, b.y - a.y) <= tolerance) continue;
      const auto [nx, ny] = outward(a, b);
      Along(candidates, {a.x + awayM * nx, a.y + awayM * ny}, {b.x + awayM * nx, b.y + awayM * ny},
            spacingM);
      // Round the corner at b when the outline turns left there (a convex
      // corner of an anticlockwise polygon), from this side's normal to the next's.
      if (std::hypot(c.x - b.x, c.y - b.y) <= tolerance) continue;
      const auto [mx, my] = outward(b, c);
      const double turn = std::atan2(nx * my - ny * mx, nx * mx + ny * my);
      const bool back = std::abs(turn) >= kPi * (1 - 1e-12);  // a side run back along itself
      if (turn > 0 || back) Arc(candidates, b, awayM, std::atan2(ny, nx), back ? kPi : turn, spacingM);
    }
  }
  for (const PlanLine& line : region.lines) {
    const double length = std::hypot(line.b.x - line.a.x, line.b.y - line.a.y);
    if (length <= tolerance) {
      Arc(candidates, line.a, awayM, 0, 2 * kPi, spacingM);
      continue;
    }
    const auto [nx, ny] = outward(line.a, line.b);
    const double angle = std::atan2(ny, nx);
    Along(candidates, {line.a.x + awayM * nx, line.a.y + awayM * ny},
          {line.b.x + awayM * nx, line.b.y + awayM * ny}, spacingM);
    Arc(candidates, line.b, awayM, angle, kPi, spacingM);
    Along(candidates, {line.b.x - awayM * nx, line.b.y - awayM * ny},
          {line.a.x - awayM * nx, line.a.y - awayM * ny}, spacingM);
    Arc(candidates, line.a, awayM, angle + kPi, kPi, spacingM);
  }
  // What lies nearer another side than `awayM` is not on the path.
  const SideIndex index(region, awayM);
  std::vector<RodPoint> path;
  path.reserve(candidates.size());
  const double least = awayM * (1 - 1e-9) - tolerance;
  for (const RodPoint& p : candidates) {
    if (index.Nearest(p) >= least) path.push_back(p);
  }
  return path;
}

std::vector<Polygon> MeshOutlines(std::span<const PlanLine> segments) {
  std::vector<PlanLine> kept;
  double scale = 1;
  for (const PlanLine& s : segments) scale = std::max({scale, std::abs(s.a.x), std::abs(s.a.y),
                                                       std::abs(s.b.x), std::abs(s.b.y)});
  const double tolerance = 1e-9 * scale;
  for (const PlanLine& s : segments) {
    if (std::hypot(s.b.x - s.a.x, s.b.y - s.a.y) > tolerance) kept.push_back(s);
  }
  // Cut where they meet: pairs by their boxes, swept along x.
  const std::size_t n = kept.size();
  std::vector<std::vector<double>> cuts(n, std::vector<double>{0, 1});
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  const auto left = [&](std::size_t i) { return std::min(kept[i].a.x, kept[i].b.x); };
  const auto right = [&](std::size_t i) { return std::max(kept[i].a.x, kept[i].b.x); };
  std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return left(i) < left(j); });
  for (std::size_t p = 0; p < n; ++p) {
    const std::size_t i = order[p];
    for (std::size_t q = p + 1; q < n && left(order[q]) <= right(i) + tolerance; ++q) {
      const std::size_t j = order[q];
      const double low = std::max(std::min(kept[i].a.y, kept[i].b.y), std::min(kept[j].a.y, kept[j].b.y));
      const double high = std::min(std::max(kept[i].a.y, kept[i].b.y), std::max(kept[j].a.y, kept[j].b.y));
      if (low > high + tolerance) continue;
      for (const auto& [t, u] : Meetings(kept[i].a, kept[i].b, kept[j].a, kept[j].b, tolerance)) {
        cuts[i].push_back(t);
        cuts[j].push_back(u);
      }
    }
  }
  // The graph: vertices merged within the tolerance, edges between cuts.
  Vertices vertices(tolerance);
  std::map<std::pair<int, int>, bool> edgeSet;
  for (std::size_t i = 0; i < n; ++i) {
    std::sort(cuts[i].begin(), cuts[i].end());
    int previous = -1;
    for (const double t : cuts[i]) {
      const RodPoint p{kept[i].a.x + (kept[i].b.x - kept[i].a.x) * t,
                       kept[i].a.y + (kept[i].b.y - kept[i].a.y) * t};
      const int v = vertices.Add(p);
      if (previous >= 0 && previous != v) edgeSet[{std::min(previous, v), std::max(previous, v)}] = true;
      previous = v;
    }
  }
  const std::vector<RodPoint>& at = vertices.Points();
  std::vector<std::vector<int>> next(at.size());
  for (const auto& [edge, unused] : edgeSet) {
    next[static_cast<std::size_t>(edge.first)].push_back(edge.second);
    next[static_cast<std::size_t>(edge.second)].push_back(edge.first);
  }
  // What closes no mesh pruned: ends of degree one, again and again.
  std::vector<int> degree(at.size());
  std::vector<int> ends;
  for (std::size_t v = 0; v < at.size(); ++v) {
    degree[v] = static_cast<int>(next[v].size());
    if (degree[v] == 1) ends.push_back(static_cast<int>(v));
  }
  std::vector<bool> gone(at.size(), false);
  while (!ends.empty()) {
    const int v = ends.back();
    ends.pop_back();
    if (gone[static_cast<std::size_t>(v)]) continue;
    gone[static_cast<std::size_t>(v)] = true;
    for (const int w : next[static_cast<std::size_t>(v)]) {
      if (gone[static_cast<std::size_t>(w)]) continue;
      if (--degree[static_cast<std::size_t>(w)] == 1) ends.push_back(w);
    }
  }
  for (std::size_t v = 0; v < at.size(); ++v) {
    std::erase_if(next[v], [&](int w) { return gone[static_cast<std::size_t>(w)]; });
    if (next[v].empty()) gone[v] = true;
  }
  // Each connected part walked round outside: from its lowest (then
  // leftmost) vertex, at every vertex the first side anticlockwise from the
  // one come along (the sharpest right turn), back to the start.
  const auto angle = [&](int from, int to) {
    const RodPoint& a = at[static_cast<std::size_t>(from)];
    const RodPoint& b = at[static_cast<std::size_t>(to)];
    return std::atan2(b.y - a.y, b.x - a.x);
  };
  std::vector<bool> seen(at.size(), false);
  std::vector<Polygon> outlines;
  for (std::size_t s = 0; s < at.size(); ++s) {
    if (gone[s] || seen[s]) continue;
    // The part: every vertex reached from s.
    std::vector<int> part{static_cast<int>(s)};
    seen[s] = true;
    for (std::size_t k = 0; k < part.size(); ++k) {
      for (const int w : next[static_cast<std::size_t>(part[k])]) {
        if (!seen[static_cast<std::size_t>(w)]) {
          seen[static_cast<std::size_t>(w)] = true;
          part.push_back(w);
        }
      }
    }
    const int start = *std::min_element(part.begin(), part.end(), [&](int a, int b) {
      const RodPoint& p = at[static_cast<std::size_t>(a)];
      const RodPoint& q = at[static_cast<std::size_t>(b)];
      return p.y < q.y || (p.y == q.y && p.x < q.x);
    });
    const auto turnFrom = [&](int v, double back) {
      int best = -1;
      double least = 10;
      for (const int w : next[static_cast<std::size_t>(v)]) {
        double turn = std::remainder(angle(v, w) - back, 2 * kPi);
        if (turn <= 1e-12) turn += 2 * kPi;  // the way back comes last
        if (turn < least) {
          least = turn;
          best = w;
        }
      }
      return best;
    };
    Polygon outline;
    int from = start;
    int to = turnFrom(start, kPi);  // as if come along the row from the left
    const int first = to;
    const std::size_t most = 2 * edgeSet.size() + 2;
    for (std::size_t step = 0; step < most; ++step) {
      outline.push_back(at[static_cast<std::size_t>(from)]);
      const int after = turnFrom(to, angle(to, from));
      from = to;
      to = after;
      if (from == start && to == first) break;
    }
    if (outline.size() >= 3 && SignedArea(outline) > 0) outlines.push_back(std::move(outline));
  }
  // A part within another's outline adds nothing to it.
  std::vector<Polygon> outer;
  for (std::size_t i = 0; i < outlines.size(); ++i) {
    bool inner = false;
    for (std::size_t j = 0; j < outlines.size() && !inner; ++j) {
      inner = j != i && WithinPolygon(outlines[j], outlines[i][0].x, outlines[i][0].y) &&
              PolygonArea(outlines[j]) > PolygonArea(outlines[i]);
    }
    if (!inner) outer.push_back(outlines[i]);
  }
  return outer;
}

}  // namespace ostrevin
