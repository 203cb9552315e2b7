#include "core/symmetry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_map>

#include "core/numerics.h"
#include "core/segmentation.h"

namespace ostrevin {

namespace {

Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Norm(const Point3& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

struct Turn {
  double c, s;  // cos and sin of the angle, or of twice a mirror's
  bool mirror;
  double Xof(double x, double y) const { return mirror ? c * x + s * y : c * x - s * y; }
  double Yof(double x, double y) const { return mirror ? s * x - c * y : s * x + c * y; }
};

int Find(std::vector<int>& parent, int i) {
  while (parent[static_cast<std::size_t>(i)] != i) {
    parent[static_cast<std::size_t>(i)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
    i = parent[static_cast<std::size_t>(i)];
  }
  return i;
}

// Elements by where they stand, for finding one's image: cells of a coarse
// grid by the middle point, each element compared with those of the cell and
// its neighbours, its ends (either way round) within `match` of the other's.
class ElementIndex {
 public:
  ElementIndex(const std::vector<Element>& elements, double match)
      : elements_(elements), match_(match), cell_(std::max(match * 1000, 1e-6)) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
      cells_[CellOf(elements[i].line.Middle())].push_back(static_cast<int>(i));
    }
  }
  // The element at `line` with this radius, or -1.
  int Find(const Segment3& line, double radius) const {
    const std::array<std::int64_t, 3> at = CellOf(line.Middle());
    for (std::int64_t dx = -1; dx <= 1; ++dx) {
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        for (std::int64_t dz = -1; dz <= 1; ++dz) {
          const auto it = cells_.find({at[0] + dx, at[1] + dy, at[2] + dz});
          if (it == cells_.end()) continue;
          for (const int i : it->second) {
            const Element& e = elements_[static_cast<std::size_t>(i)];
            if (std::abs(e.radius - radius) > match_) continue;
            const auto near = [&](const Point3& p, const Point3& q) {
              return Norm(Minus(p, q)) <= match_;
            };
            if ((near(e.line.a, line.a) && near(e.line.b, line.b)) ||
                (near(e.line.a, line.b) && near(e.line.b, line.a))) {
              return i;
            }
          }
        }
      }
    }
    return -1;
  }

 private:
  std::array<std::int64_t, 3> CellOf(const Point3& p) const {
    return {static_cast<std::int64_t>(std::floor(p.x / cell_)),
            static_cast<std::int64_t>(std::floor(p.y / cell_)),
            static_cast<std::int64_t>(std::floor(p.z / cell_))};
  }
  struct CellHash {
    std::size_t operator()(const std::array<std::int64_t, 3>& c) const {
      std::uint64_t h = 1469598103934665603ULL;
      for (const std::int64_t v : c) h = (h ^ static_cast<std::uint64_t>(v)) * 1099511628211ULL;
      return static_cast<std::size_t>(h);
    }
  };
  const std::vector<Element>& elements_;
  double match_, cell_;
  std::unordered_map<std::array<std::int64_t, 3>, std::vector<int>, CellHash> cells_;
};

}  // namespace

Symmetry FindSymmetry(const std::vector<Element>& elements, double tolerance, bool use) {
  const std::size_t n = elements.size();
  Symmetry symmetry;
  std::vector<int> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  if (use && n > 1) {
    const Extent box = BoxOf(elements);
    const double cx = (box.x0 + box.x1) / 2;
    const double cy = (box.y0 + box.y1) / 2;
    symmetry.cx = cx;
    symmetry.cy = cy;
    const ElementIndex index(elements, std::max(tolerance * 1000, 1e-9));
    // The map of every element under a turn, or nothing when one has no image.
    const auto images = [&](const Turn& turn) -> std::optional<std::vector<int>> {
      std::vector<int> to(n);
      for (std::size_t i = 0; i < n; ++i) {
        const Element& e = elements[i];
        const auto moved = [&](const Point3& p) {
          const double x = p.x - cx;
          const double y = p.y - cy;
          return Point3{turn.Xof(x, y) + cx, turn.Yof(x, y) + cy, p.z};
        };
        const int image = index.Find({moved(e.line.a), moved(e.line.b)}, e.radius);
        if (image < 0) return std::nullopt;
        to[i] = image;
      }
      return to;
    };
    // The orders of turns to try: a ring's count (the elements farthest
    // out), its divisors, and a square's four.
    double far = 0;
    for (const Element& e : elements) {
      const Point3 m = e.line.Middle();
      far = std::max(far, std::hypot(m.x - cx, m.y - cy));
    }
    int outer = 0;
    for (const Element& e : elements) {
      const Point3 m = e.line.Middle();
      if (std::hypot(m.x - cx, m.y - cy) > far * (1 - 1e-6)) ++outer;
    }
    std::vector<int> orders;
    for (int k = outer; k >= 2; --k) {
      if (outer % k == 0) orders.push_back(k);
    }
    orders.push_back(4);
    orders.push_back(2);
    int order = 1;
    std::vector<std::vector<int>> maps;
    for (const int k : orders) {
      const double angle = 2 * kPi / k;
      const auto turned = images({std::cos(angle), std::sin(angle), false});
      if (!turned) continue;
      order = k;
      symmetry.turns = k;
      maps.push_back(*turned);
      for (int j = 0; j < k; ++j) {
        const double mirror = 2 * kPi * j / k;  // twice the mirror line's angle
        if (auto reflected = images({std::cos(mirror), std::sin(mirror), true})) {
          maps.push_back(*reflected);
          order = 2 * k;
          symmetry.mirror = mirror;
          break;
        }
      }
      break;
    }
    if (maps.empty()) {
      // No turn: perhaps a mirror alone (a line of rods along a strip).
      for (const double mirror : {0.0, kPi, kPi / 2, 3 * kPi / 2}) {
        if (auto reflected = images({std::cos(mirror), std::sin(mirror), true})) {
          maps.push_back(*reflected);
          order = 2;
          symmetry.mirror = mirror;
          break;
        }
      }
    }
    for (const std::vector<int>& map : maps) {
      for (std::size_t i = 0; i < n; ++i) {
        const int a = Find(parent, static_cast<int>(i));
        const int b = Find(parent, map[i]);
        if (a != b) parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
      }
    }
    symmetry.order = order;
  }
  std::unordered_map<int, int> number;
  symmetry.orbit.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const int root = Find(parent, static_cast<int>(i));
    const auto [it, made] = number.try_emplace(root, static_cast<int>(number.size()));
    symmetry.orbit[i] = it->second;
  }
  symmetry.orbits = static_cast<int>(number.size());
  return symmetry;
}

}  // namespace ostrevin
