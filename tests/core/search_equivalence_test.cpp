// The fast rod-length search against the exhaustive scan, on rods that span
// the form's ranges and targets where a search can go wrong. (The long
// comparison over 100,000 pairs is bench/search_agreement.)
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/field_ranges.h"
#include "core/length_search.h"

namespace ostrevin {
namespace {

using enum ostrevin::UnitSystem;

struct Rod {
  double rho, diameter;
  UnitSystem units;
};

// Targets at a rounded resistance the rod reaches, midway between two, on
// both edges of the 0.2-ohm window around it (and one ulp inside and out),
// at the peak and just above its reach.
std::vector<double> TargetsFor(const Rod& rod, std::mt19937_64& random) {
  const double start = RodRadiusMetres(rod.diameter, rod.units) * kScanStartFactor;
  const double at = *RodResistance(rod.rho, rod.diameter,
                                   std::exp(std::uniform_real_distribution<double>(
                                       std::log(start), std::log(kScanUpperBound))(random)),
                                   rod.units);
  const double peak = *PeakRodResistance(rod.rho, rod.diameter, rod.units);
  std::vector<double> targets{at,
                              at + 0.0005,
                              at - 0.0005,
                              at + 0.2,
                              at - 0.2,
                              std::nextafter(at + 0.2, 0.0),
                              std::nextafter(at - 0.2, 1e300),
                              peak,
                              peak + 0.2,
                              peak - 0.1};
  std::erase_if(targets, [](double t) { return !kTargetRange.Contains(t); });
  return targets;
}

void ExpectSameAnswers(const Rod& rod, std::mt19937_64& random) {
  for (const double target : TargetsFor(rod, random)) {
    EXPECT_EQ(FindRodLength(rod.rho, rod.diameter, rod.units, target),
              FindRodLengthByScan(rod.rho, rod.diameter, rod.units, target))
        << "rho " << rod.rho << " diameter " << rod.diameter << " units " << UnitSystemName(rod.units) << " target "
        << target;
  }
}

TEST(SearchEquivalence, NamedRods) {
  std::mt19937_64 random(1);
  const Rod rods[] = {
      {2000, 0.625, English},    // the default rod
      {2000, 10, Metric},        // thickest: the rising side spans thousands of steps
      {2000, 0.001, English},    // thinnest: starts in the binade with a rounding tie
      {1000000, 0.001, Metric},  // highest resistances
      {0.0001, 0.5, English},    // resistances that round to zero
  };
  for (const Rod& rod : rods) ExpectSameAnswers(rod, random);
}

TEST(SearchEquivalence, RandomRods) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> rho(std::log(0.0001), std::log(1000000.0));
  std::uniform_real_distribution<double> diameter(std::log(0.001), std::log(10.0));
  for (int i = 0; i < 3; ++i) {
    ExpectSameAnswers({std::exp(rho(random)), std::exp(diameter(random)), UnitSystemOf(i % 2)}, random);
  }
}

TEST(SearchEquivalence, OutsideTheFormsRangesTheScanAnswers) {
  EXPECT_EQ(FindRodLength(-2000, 0.625, English, 10), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 30000, Metric, 0.001), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 0.625, English, 2e9), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 0.625, English, std::nan("")), std::nullopt);
  EXPECT_EQ(PeakRodResistance(2000, 0.625, English), 217.052);
}

}  // namespace
}  // namespace ostrevin
