// Internal to the electrode solver (earth_solver.h): the mutual resistance
// of two segments (EarthKernel::Mutual), kept for pairs alike by a
// horizontal shift (a grid's segments are a few shapes at many places), up
// to kMaxCached pairs.
//
// As given, a pair's value is that of the first pair of its kind asked for.
// Canonical, it is worked out from the kind alone (the first segment of each
// shape, moved to the origin, and the shift): the same whichever pair, or
// which of several workers with a cache each, asks first, so that a solve
// on several threads gives one answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/earth_kernel.h"

namespace ostrevin {

class SegmentMutuals {
 public:
  SegmentMutuals(const EarthKernel& kernel, const std::vector<Element>& elements, bool canonical = false);
  // The average potential along segment f for one ampere spread along s.
  double operator()(std::size_t f, std::size_t s);

 private:
  struct Key {
    std::int64_t v[4];
    bool operator==(const Key& other) const;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  static constexpr std::size_t kMaxCached = 500'000;
  static constexpr double kQ = 1e-9;  // metres: positions one within this
  const EarthKernel& kernel_;
  const std::vector<Element>& elements_;
  bool canonical_;
  std::vector<bool> vertical_;
  std::vector<int> shape_;
  std::vector<Element> shapes_;  // each shape's first segment, its first end over the origin
  std::unordered_map<Key, double, KeyHash> cache_;
};

}  // namespace ostrevin
