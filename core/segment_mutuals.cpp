#include "core/segment_mutuals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace ostrevin {

namespace {

std::int64_t Quantum(double v, double q) { return std::llround(v / q); }

}  // namespace

bool SegmentMutuals::Key::operator==(const Key& other) const {
  return std::equal(std::begin(v), std::end(v), std::begin(other.v));
}

std::size_t SegmentMutuals::KeyHash::operator()(const Key& key) const {
  // Each word mixed in by splitmix64's finaliser: shifts of a grid's
  // positions (multiples of one length) spread over every bucket.
  std::uint64_t h = 0x9E3779B97F4A7C15ULL;
  for (const std::int64_t x : key.v) {
    std::uint64_t z = h ^ static_cast<std::uint64_t>(x);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    h = z ^ (z >> 31);
  }
  return static_cast<std::size_t>(h);
}

SegmentMutuals::SegmentMutuals(const EarthKernel& kernel, const std::vector<Element>& elements, bool canonical)
    : kernel_(kernel), elements_(elements), canonical_(canonical) {
  // Each element's shape: its line less its first end's (x, y).
  std::map<std::array<std::int64_t, 6>, int> shapes;
  for (const Element& e : elements) {
    const Point3 d{e.line.b.x - e.line.a.x, e.line.b.y - e.line.a.y, e.line.b.z - e.line.a.z};
    const bool vertical = std::abs(d.x) + std::abs(d.y) <= 1e-12 * std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    vertical_.push_back(vertical);
    const std::array<std::int64_t, 6> key{Quantum(d.x, kQ), Quantum(d.y, kQ), Quantum(e.line.a.z, kQ),
                                          Quantum(d.z, kQ), Quantum(e.radius, kQ), e.layer};
    const auto [it, made] = shapes.try_emplace(key, static_cast<int>(shapes.size()));
    if (made) {
      Element origin = e;
      origin.line = {{0, 0, e.line.a.z}, {d.x, d.y, e.line.b.z}};
      shapes_.push_back(origin);
    }
    shape_.push_back(it->second);
  }
}

double SegmentMutuals::operator()(std::size_t f, std::size_t s) {
  const Element& a = elements_[f];
  const Element& b = elements_[s];
  const double dx = b.line.a.x - a.line.a.x;
  const double dy = b.line.a.y - a.line.a.y;
  const bool upright = vertical_[f] && vertical_[s];
  // Two upright segments are alike at any bearing, others by their shift.
  const Key key = upright ? Key{{shape_[f], shape_[s], Quantum(std::hypot(dx, dy), kQ), -1}}
                          : Key{{shape_[f], shape_[s], Quantum(dx, kQ), Quantum(dy, kQ)}};
  const auto it = cache_.find(key);
  if (it != cache_.end()) return it->second;
  double value = 0;
  if (canonical_) {
    Element moved = shapes_[static_cast<std::size_t>(shape_[s])];
    const double sx = static_cast<double>(key.v[2]) * kQ;
    const double sy = upright ? 0 : static_cast<double>(key.v[3]) * kQ;
    moved.line.a.x += sx;
    moved.line.b.x += sx;
    moved.line.a.y += sy;
    moved.line.b.y += sy;
    value = kernel_.Mutual(shapes_[static_cast<std::size_t>(shape_[f])], moved);
  } else {
    value = kernel_.Mutual(a, b);
  }
  if (cache_.size() < kMaxCached) cache_.emplace(key, value);
  return value;
}

}  // namespace ostrevin
