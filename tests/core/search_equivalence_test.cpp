// The fast rod-length search against the exhaustive scan, on rods that span
// the form's ranges and targets where a search can go wrong.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "scan_reference.h"

namespace ostrevin {
namespace {

using testing_support::Rod;
using testing_support::ScanTable;

void ExpectSameAnswers(const Rod& rod, std::mt19937_64& random, int targets) {
  const ScanTable table(rod.rho, rod.diameter, rod.units);
  EXPECT_EQ(PeakRodResistance(rod.rho, rod.diameter, rod.units), table.PeakOhms());
  for (const double target : testing_support::TargetsFor(table, random, targets)) {
    const std::optional<double> fast = FindRodLength(rod.rho, rod.diameter, rod.units, target);
    ASSERT_EQ(fast, table.Answer(target)) << "rho " << rod.rho << " diameter " << rod.diameter
                                          << " units " << rod.units << " target " << target;
  }
}

TEST(SearchEquivalence, TableAgreesWithTheScanItself) {
  const ScanTable table(2000, 0.625, English);
  for (const double target : {10.0, 5.058, 217.251, 0.373, 1000.0}) {
    EXPECT_EQ(table.Answer(target), FindRodLengthByScan(2000, 0.625, English, target)) << target;
  }
}

TEST(SearchEquivalence, NamedRods) {
  std::mt19937_64 random(1);
  const Rod rods[] = {
      {2000, 0.625, English},    // the default rod
      {2000, 0.016, Metric},     // its metric twin
      {2000, 10, Metric},        // thickest: the rising side spans thousands of steps
      {2000, 10, English},       //
      {2000, 0.001, English},    // thinnest: starts in the binade with a rounding tie
      {1000000, 0.001, Metric},  // highest resistances
      {0.0001, 0.5, English},    // resistances that round to zero
      {57.3, 3.3, Metric},
  };
  for (const Rod& rod : rods) ExpectSameAnswers(rod, random, 30);
}

TEST(SearchEquivalence, RandomRods) {
  // OSTREVIN_SEARCH_RODS widens the run; the long run is its own program.
  const char* wanted = std::getenv("OSTREVIN_SEARCH_RODS");
  const int rods = wanted != nullptr ? std::atoi(wanted) : 6;
  std::mt19937_64 random(20261206);
  for (int i = 0; i < rods; ++i) ExpectSameAnswers(testing_support::RandomRod(random), random, 20);
}

TEST(SearchEquivalence, OutsideTheFormsRangesTheScanAnswers) {
  EXPECT_EQ(FindRodLength(-2000, 0.625, English, 10), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 30000, Metric, 0.001), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 0.625, English, 2e9), std::nullopt);
  EXPECT_EQ(FindRodLength(2000, 0.625, English, std::nan("")), std::nullopt);
}

}  // namespace
}  // namespace ostrevin
