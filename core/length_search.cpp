#include "core/length_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/electrode_formulas.h"
#include "core/field_ranges.h"

namespace ostrevin {

std::optional<double> FindRodLengthByScan(double rho, double diameter, UnitSystem units, double target) {
  std::optional<double> bestLength;
  double bestDiff = kScanTolerance;  // an accepted step must lie strictly closer
  // The accumulated length, rounding of every addition included, defines the
  // answer. NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
  for (double length = RodRadiusMetres(diameter, units) * kScanStartFactor;
       length < kScanUpperBound; length += kScanStep) {
    const std::optional<double> resistance = RodResistance(rho, diameter, length, units);
    if (!resistance) continue;
    const double diff = std::fabs(*resistance - target);
    if (diff < bestDiff) {
      bestDiff = diff;
      bestLength = length;
    }
  }
  return bestLength;
}

namespace {

using Index = std::int64_t;

// The lengths of the scan, addressable by step number without walking them.
//
// Inside one binade [2^e, 2^(e+1)) every double is a multiple of the same ulp,
// so adding the step rounds the same way each time unless the step is an odd
// multiple of half that ulp (a tie, decided by the parity of the length): the
// lengths of a binade form an exact arithmetic progression. A run is such a
// progression; the step that leaves a binade, and every step of a binade with
// a tie, are real additions that start the next run.
class ScanLengths {
 public:
  explicit ScanLengths(double start) {
    runs_.reserve(64);
    Index first = 0;
    double length = start;
    while (length < kScanUpperBound) {
      int exponent = 0;
      std::frexp(length, &exponent);  // length in [2^(exponent-1), 2^exponent)
      const double ulp = std::ldexp(1.0, exponent - 53);
      const double limit = std::min(std::ldexp(1.0, exponent), kScanUpperBound);
      const double increment = (length + kScanStep) - length;  // exact
      Index count = 1;
      if (std::fmod(kScanStep, ulp) != ulp / 2) count = CountBelow(length, increment, limit);
      runs_.push_back({length, increment, first, count});
      first += count;
      length = At(runs_.back(), count - 1) + kScanStep;
    }
    size_ = first;
  }

  Index size() const { return size_; }

  double operator[](Index k) const {
    // (std::upper_bound rather than its ranges form, which emscripten's C++ library lacks.)
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), k,
                                      [](Index key, const Run& r) { return key < r.first; }) -
                     1;
    return At(*run, k - run->first);
  }

 private:
  struct Run {
    double start, increment;
    Index first, count;
  };

  // start + j * increment is exact for every j of a run: both are multiples of
  // the binade's ulp and the sum stays inside the binade.
  static double At(const Run& run, Index j) {
    return run.start + static_cast<double>(j) * run.increment;
  }

  // How many of start, start + increment, ... lie below limit.
  static Index CountBelow(double start, double increment, double limit) {
    auto n = static_cast<Index>((limit - start) / increment);
    while (n > 0 && start + static_cast<double>(n) * increment >= limit) --n;
    while (start + static_cast<double>(n + 1) * increment < limit) ++n;
    return n + 1;
  }

  std::vector<Run> runs_;
  Index size_ = 0;
};

// Steps on each side of the formula's peak that are compared one by one.
constexpr Index kPeakMargin = 16;

// The first step of [from, to) where `holds`, true on a prefix of the steps,
// is false; `to` when it holds throughout (a binary search).
template <class Predicate>
Index FirstFailing(Index from, Index to, Predicate holds) {
  while (from < to) {
    const Index middle = from + (to - from) / 2;
    if (holds(middle)) {
      from = middle + 1;
    } else {
      to = middle;
    }
  }
  return from;
}

// The step nearest the formula's peak at e^2/4 of the radius: the first one at
// or beyond it.
Index PeakStep(const ScanLengths& lengths, double radius) {
  const double peakLength = radius * std::exp(2.0) / 4;
  return FirstFailing(0, lengths.size(), [&](Index k) { return lengths[k] < peakLength; });
}

bool InFormRanges(double rho, double diameter, double target) {
  return kRhoRange.Contains(rho) && kDiameterRange.Contains(diameter) &&
         kTargetRange.Contains(target);
}

}  // namespace

// The rounded resistance of the scan's steps rises up to the formula's peak at
// e^2/4 of the radius and falls after it: neighbouring steps away from the
// peak differ by far more than the formula's rounding error, and rounding to
// three decimals keeps the order. So on each side the best difference lies at
// the first step that reaches the target, or at the first step of the plateau
// just before it, and both are found by binary search. The steps around the
// peak are compared one by one. Candidates are then taken in step order with
// the scan's own acceptance rule, which gives the scan's answer.
std::optional<double> FindRodLength(double rho, double diameter, UnitSystem units, double target) {
  if (!InFormRanges(rho, diameter, target)) {
    return FindRodLengthByScan(rho, diameter, units, target);
  }
  const double radius = RodRadiusMetres(diameter, units);
  const ScanLengths lengths(radius * kScanStartFactor);
  const Index n = lengths.size();
  bool missing = false;
  const auto ohms = [&](Index k) {
    const std::optional<double> r = RodResistance(rho, diameter, lengths[k], units);
    missing = missing || !r;
    return r.value_or(std::numeric_limits<double>::quiet_NaN());
  };

  const Index peak = PeakStep(lengths, radius);
  const Index low = std::max<Index>(0, peak - kPeakMargin);
  const Index high = std::min<Index>(n, peak + kPeakMargin + 1);

  std::vector<Index> candidates;
  candidates.reserve(static_cast<std::size_t>(high - low) + 4);
  // Rising side [0, low): the first step at or above the target, and the first
  // step of the plateau below it.
  const Index up = FirstFailing(0, low, [&](Index k) { return ohms(k) < target; });
  if (up > 0) {
    const double below = ohms(up - 1);
    candidates.push_back(FirstFailing(0, up, [&](Index k) { return ohms(k) < below; }));
  }
  if (up < low) candidates.push_back(up);
  for (Index k = low; k < high; ++k) candidates.push_back(k);
  // Falling side [high, n): the first step at or below the target, and the
  // first step of the plateau above it.
  const Index down = FirstFailing(high, n, [&](Index k) { return ohms(k) > target; });
  if (down > high) {
    const double above = ohms(down - 1);
    candidates.push_back(FirstFailing(high, down, [&](Index k) { return ohms(k) > above; }));
  }
  if (down < n) candidates.push_back(down);

  std::optional<Index> best;
  double bestDiff = kScanTolerance;
  for (const Index k : candidates) {
    const double diff = std::fabs(ohms(k) - target);
    if (diff < bestDiff) {
      bestDiff = diff;
      best = k;
    }
  }
  if (missing) return FindRodLengthByScan(rho, diameter, units, target);
  if (!best) return std::nullopt;
  return lengths[*best];
}

std::optional<double> PeakRodResistance(double rho, double diameter, UnitSystem units) {
  if (!kRhoRange.Contains(rho) || !kDiameterRange.Contains(diameter)) return std::nullopt;
  const double radius = RodRadiusMetres(diameter, units);
  const ScanLengths lengths(radius * kScanStartFactor);
  const Index peak = PeakStep(lengths, radius);
  std::optional<double> highest;
  for (Index k = std::max<Index>(0, peak - kPeakMargin);
       k < std::min<Index>(lengths.size(), peak + kPeakMargin + 1); ++k) {
    const std::optional<double> ohms = RodResistance(rho, diameter, lengths[k], units);
    if (ohms && (!highest || *ohms > *highest)) highest = ohms;
  }
  return highest;
}

}  // namespace ostrevin
