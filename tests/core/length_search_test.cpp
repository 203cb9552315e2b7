#include <cmath>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/length_search.h"

namespace ostrevin {
namespace {

using enum ostrevin::UnitSystem;

// The length as the form shows it: feet or metres, three decimals.
double Shown(double metres, UnitSystem units) { return RoundTo3Places(LengthFromMetres(metres, units)); }

struct SearchRow {
  const char* name;
  double rho, diameter;
  UnitSystem units;
  double target;
  std::optional<double> metres;  // nullopt: no answer
  double shown;                  // the length as displayed
  friend void PrintTo(const SearchRow& row, std::ostream* os) { *os << row.name; }
};

class FindRodLengthTest : public testing::TestWithParam<SearchRow> {};

TEST_P(FindRodLengthTest, FindsTheScansAnswer) {
  const SearchRow& row = GetParam();
  const std::optional<double> got = FindRodLength(row.rho, row.diameter, row.units, row.target);
  ASSERT_EQ(got.has_value(), row.metres.has_value());
  if (!got) return;
  EXPECT_NEAR(*got, *row.metres, 1e-9);
  EXPECT_EQ(Shown(*got, row.units), row.shown);
  const double diff = std::abs(*RodResistance(row.rho, row.diameter, *got, row.units) - row.target);
  EXPECT_LT(diff, kScanTolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindRodLengthTest,
    testing::Values(
        SearchRow{"DefaultEnglish", 2000, 0.625, English, 10, 1.8593975, 6.1},
        SearchRow{"DefaultMetric", 2000, 0.016, Metric, 10, 1.85644, 1.856},
        // 5.059 and 5.057 ohms are both a thousandth away in decimal; the double
        // difference of the later, longer step is the smaller one.
        SearchRow{"DoubleDifferenceDecides", 2000, 0.625, English, 5.058, 4.1883975, 13.741},
        // Thick rod: the rising side reaches 0.3 ohm first; the equal value on
        // the falling side does not replace it.
        SearchRow{"RisingSideWins", 2000, 10, Metric, 0.3, 5.945, 5.945},
        // The very first step meets the target exactly and is kept.
        SearchRow{"TargetIsTheFirstStep", 2000, 0.625, English, 0.373, 0.0053975, 0.018},
        // Above the peak of 217.052 ohms: nothing within 0.2 ohm.
        SearchRow{"AboveThePeak", 2000, 0.625, English, 1000, std::nullopt, 0},
        SearchRow{"HugeTarget", 2000, 0.625, English, 1e9, std::nullopt, 0},
        SearchRow{"ThickRodHugeTarget", 2000, 10, Metric, 1e9, std::nullopt, 0},
        SearchRow{"LowResistivityHugeTarget", 1, 0.625, English, 1e9, std::nullopt, 0},
        SearchRow{"NegativeResistivity", -2000, 0.625, English, 10, std::nullopt, 0},
        // 0.68 of the radius is already beyond the upper bound: no step at all.
        SearchRow{"NoStepAtAll", 2000, 30000, Metric, 0.001, std::nullopt, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindRodLength, ToleranceIsStrict) {
  // The default rod peaks at 217.052 ohms on the scan's steps. 217.252 lies
  // 0.20000000000001705 above it in double and is out of reach; 217.251 is in.
  const auto at = [](double target) { return FindRodLength(2000, 0.625, English, target); };
  EXPECT_FALSE(at(217.252).has_value());
  const std::optional<double> peak = at(217.251);
  ASSERT_TRUE(peak);
  EXPECT_EQ(RodResistance(2000, 0.625, *peak, English), 217.052);
}

TEST(FindRodLength, EqualDifferencesKeepTheShorterLength) {
  // The falling side of a thin rod has long plateaus of equal rounded
  // resistance; the answer is the first step of the best plateau.
  const std::optional<double> got = FindRodLength(2000, 0.625, English, 1.0);
  ASSERT_TRUE(got);
  const double ohms = *RodResistance(2000, 0.625, *got, English);
  const double before = *RodResistance(2000, 0.625, *got - kScanStep, English);
  EXPECT_EQ(ohms, 1.0);
  EXPECT_NE(before, ohms);
}

}  // namespace
}  // namespace ostrevin
