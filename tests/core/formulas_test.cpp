#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"

namespace ostrevin {
namespace {

using enum ostrevin::UnitSystem;

// --- Constants and rounding -------------------------------------------------

TEST(Constants, HaveTheExactBits) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(kMetresPerInch), 0x3F9A027525460AA6u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(kMetresPerFoot), 0x3FD381D7DBF487FCu);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(kTwoPi), 0x401921FB54442D1Cu);
  // The foot factor is one unit in the last place below the double nearest 0.3048.
  EXPECT_EQ(std::nextafter(kMetresPerFoot, 1.0), 0.3048);
}

struct RoundingRow {
  const char* name;
  double in;
  double out;
  friend void PrintTo(const RoundingRow& row, std::ostream* os) { *os << row.name; }
};

class RoundTo3PlacesTest : public testing::TestWithParam<RoundingRow> {};

TEST_P(RoundTo3PlacesTest, Rounds) {
  const double got = RoundTo3Places(GetParam().in);
  EXPECT_EQ(got, GetParam().out) << GetParam().in;
  EXPECT_EQ(std::signbit(got), std::signbit(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundTo3PlacesTest,
    testing::Values(RoundingRow{"HalfAwayFromZeroUp", 0.0625, 0.063},
                    RoundingRow{"HalfAwayFromZeroDown", -0.0625, -0.063},
                    RoundingRow{"SmallNegative", -0.0012, -0.001}, RoundingRow{"Zero", 0.0, 0.0},
                    RoundingRow{"ExactHalfAfterScaling", 1.0005, 1.001},
                    // 0.5005 * 1000 is 500.49999999999994: the scaled value decides.
                    RoundingRow{"ScaledJustBelowHalf", 0.5005, 0.5},
                    RoundingRow{"NegativeScaledJustBelowHalf", -0.5005, -0.5},
                    RoundingRow{"AlreadyRounded", 17.868, 17.868},
                    RoundingRow{"Large", 1234567.8915, 1234567.892}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundToWhole, RoundsHalfAwayFromZero) {
  EXPECT_EQ(RoundToWhole(2.5), 3.0);
  EXPECT_EQ(RoundToWhole(-2.5), -3.0);
  EXPECT_EQ(RoundToWhole(1884.955), 1885.0);
  EXPECT_EQ(RoundToWhole(0.4), 0.0);
  EXPECT_EQ(RoundToWhole(0.0), 0.0);
}

TEST(UnitConversion, ConvertsAndRoundsTheFormValues) {
  EXPECT_EQ(ConvertDiameterUnits(0.625, true), 0.016);  // 0.015875 rounded
  EXPECT_EQ(ConvertDiameterUnits(0.016, false), 0.63);  // not back to 0.625
  EXPECT_EQ(ConvertLengthUnits(3.0, true), 0.914);
  EXPECT_EQ(ConvertLengthUnits(0.914, false), 2.999);
  EXPECT_EQ(ConvertLengthUnits(0.0, false), 0.0);
  EXPECT_FALSE(std::signbit(ConvertLengthUnits(0.0, false)));
}

TEST(UnitSystem, AnyPositiveValueIsMetric) {
  // The window's radio group stores an integer: any positive value is Metric.
  EXPECT_EQ(UnitSystemOf(1), Metric);
  EXPECT_EQ(UnitSystemOf(7), Metric);
  EXPECT_EQ(UnitSystemOf(0), English);
  EXPECT_EQ(UnitSystemOf(-3), English);
  EXPECT_EQ(RodRadiusMetres(0.625, UnitSystemOf(2)), 0.3125);
}

// --- Rod formula --------------------------------------------------------------

struct RodRow {
  const char* name;
  double rho, diameter, lengthMetres;
  UnitSystem units;
  std::optional<double> ohms;
  friend void PrintTo(const RodRow& row, std::ostream* os) { *os << row.name; }
};

class RodResistanceTest : public testing::TestWithParam<RodRow> {};

TEST_P(RodResistanceTest, Computes) {
  const RodRow& row = GetParam();
  EXPECT_EQ(RodResistance(row.rho, row.diameter, row.lengthMetres, row.units), row.ohms);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RodResistanceTest,
    testing::Values(RodRow{"DefaultEnglishRod", 2000, 0.625, 3 * kMetresPerFoot, English, 17.868},
                    RodRow{"MetricRod", 2000, 0.016, 0.914, Metric, 17.847},
                    RodRow{"ScanStartOfDefaultRod", 2000, 0.625, 0.0053975, English, 0.373},
                    // ln(e) is exactly 1: zero ohms is a result, not a missing one.
                    RodRow{"LogTermExactlyZero", 2000, 8, 2.718281828459045, Metric, 0.0},
                    RodRow{"ShorterThanRadius", 2000, 10, 0.1, Metric, std::nullopt},
                    RodRow{"ZeroLength", 2000, 0.625, 0.0, English, std::nullopt},
                    RodRow{"NegativeLength", 2000, 0.625, -1.0, English, std::nullopt},
                    RodRow{"NegativeResistivity", -2000, 0.625, 1.0, English, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RodResistance, ThinRodRisesSteeply) {
  // Default rod: 0.373, 84.884 and 135.903 ohms at the first three scan steps.
  const double start = RodRadiusMetres(0.625, English) * 0.68;
  EXPECT_EQ(RodResistance(2000, 0.625, start + 0.001, English), 84.884);
  EXPECT_EQ(RodResistance(2000, 0.625, start + 0.001 + 0.001, English), 135.903);
}

// --- Resistivity ----------------------------------------------------------------

TEST(ResistivityFromProbes, ThreeDecimalsUpTo1000WholeAbove) {
  EXPECT_EQ(ResistivityFromProbes(3, 1, English), 574.534);
  EXPECT_EQ(ResistivityFromProbes(3, 1, Metric), 1885.0);      // 1884.955...
  EXPECT_EQ(ResistivityFromProbes(1.6, 1, Metric), 1005.0);    // 1005.309...
  EXPECT_EQ(ResistivityFromProbes(1.59, 1, Metric), 999.026);  // 999.0264...
  EXPECT_EQ(ResistivityFromProbes(0.001, 0.0001, Metric), 0.0);
}

}  // namespace
}  // namespace ostrevin
