// The 25-ohm rule at its boundaries: exactly 25 ohms, exactly 8 ft, 5/8 and
// 1/2 in, a second rod exactly 6 ft away; and values never shown on the
// wrong side of the bound they are judged by.
#include <cmath>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/nec_rule.h"
#include "core/rcd_rule.h"
#include "core/rod_groups.h"

namespace ostrevin {
namespace {

using enum ostrevin::UnitSystem;

constexpr double kFoot = 0.3048;
const double kEightFeet = 8 * kMetresPerFoot;  // as an English length reaches the core
const double kFiveEighths = 0.625 * kMetresPerInch;

NecCheck Check(double rho, double lengthM, double diameterM) {
  Result<NecCheck> check = CheckSingleRodRule({rho, {}}, lengthM, diameterM);
  EXPECT_TRUE(check) << check.why();
  return check ? *std::move(check) : NecCheck{};
}

TEST(NecRule, AnEightFootRodInPoorSoilNeedsASecond) {
  // 8 ft, 5/8 in rod in 10,000 ohm-cm soil: about 40 ohms.
  const NecCheck poor = Check(10000, kEightFeet, kFiveEighths);
  EXPECT_FALSE(poor.sufficient);
  EXPECT_NEAR(poor.singleOhms, 39.9, 0.1);
  ASSERT_TRUE(poor.secondRods);
  const SecondRods& second = *poor.secondRods;
  EXPECT_LT(second.at2L.ohms, second.at6ft.ohms);
  EXPECT_LT(second.at6ft.ohms, poor.singleOhms);
  EXPECT_EQ(second.at6ft.spacingM, kNecMinSpacingM);
  // Dwight's formula, with uniform current, a little above the solver's.
  EXPECT_GT(*second.at6ft.dwightOhms, second.at6ft.ohms);
  EXPECT_LT(*second.at6ft.dwightOhms / second.at6ft.ohms, 1.02);
  // The solver's one rod beside them, a little below the rod formula's.
  ASSERT_TRUE(poor.solverSingleOhms);
  EXPECT_LT(*poor.solverSingleOhms, poor.singleOhms);
  EXPECT_GT(*poor.solverSingleOhms, 0.98 * poor.singleOhms);
  EXPECT_TRUE(poor.notes.empty());
}

TEST(NecRule, TwentyFiveOhmsExactlySuffices) {
  // The resistivity whose rod is 25 ohms to the last bit.
  const double perOhmCm = *SingleRodOhms(1, kEightFeet, kFiveEighths / 2);
  double rho = 25 / perOhmCm;
  while (*SingleRodOhms(rho, kEightFeet, kFiveEighths / 2) > 25) rho = std::nextafter(rho, 0.0);
  while (*SingleRodOhms(rho, kEightFeet, kFiveEighths / 2) < 25) rho = std::nextafter(rho, 1e9);
  ASSERT_EQ(*SingleRodOhms(rho, kEightFeet, kFiveEighths / 2), 25.0);
  EXPECT_TRUE(Check(rho, kEightFeet, kFiveEighths).sufficient);
  EXPECT_FALSE(Check(std::nextafter(rho, 1e9), kEightFeet, kFiveEighths).sufficient);
}

TEST(NecRule, ValuesShowWhichSideOfTheBoundTheyAreOn) {
  EXPECT_EQ(ShowBeside(25.0004, 25), "25.0004");  // "25.000" would read as 25 or less
  EXPECT_EQ(ShowBeside(24.9996, 25), "24.9996");
  EXPECT_EQ(ShowBeside(25, 25), "25.000");
  EXPECT_EQ(ShowBeside(39.905, 25), "39.905");
  EXPECT_EQ(ShowBeside(7.9999, 8), "7.9999");
}

TEST(NecRule, ShortThinAndCloseRodsAreNamedWithTheirClause) {
  EXPECT_TRUE(Check(10000, kEightFeet, kFiveEighths).notes.empty());  // 8 ft, 5/8 in: enough
  const NecCheck shortRod = Check(10000, 7.999 * kMetresPerFoot, kFiveEighths);
  ASSERT_EQ(shortRod.notes.size(), 1u);
  EXPECT_EQ(shortRod.notes[0],
            "the rod is 7.999 ft long: the code asks for at least 8 ft (250.52(A)(5))");
  const NecCheck listed = Check(10000, kEightFeet, 0.5 * kMetresPerInch);
  ASSERT_EQ(listed.notes.size(), 1u);
  EXPECT_EQ(listed.notes[0],
            "the rod is thinner than 5/8 in: only a listed rod of 1/2 in or more qualifies "
            "(250.52(A)(5)(b))");
  const NecCheck thin = Check(10000, kEightFeet, 0.49 * kMetresPerInch);
  ASSERT_EQ(thin.notes.size(), 1u);
  EXPECT_EQ(thin.notes[0],
            "the rod is thinner than 1/2 in, the least even for a listed rod (250.52(A)(5)(b))");
  // Twice a 3 ft rod is the code's 6 ft exactly; twice a 2 ft rod is under it.
  const NecCheck three = Check(10000, 3 * kMetresPerFoot, kFiveEighths);
  EXPECT_EQ(three.notes.size(), 1u);  // only its length
  const NecCheck two = Check(10000, 2 * kFoot, kFiveEighths);
  ASSERT_EQ(two.notes.size(), 2u);
  EXPECT_EQ(two.notes[1],
            "a second rod at twice the length stands 4.000 ft away, under the code's 6 ft "
            "(250.53(A)(3))");
}

TEST(NecRule, AStubbyRodGetsItsVerdictWithoutSecondRods) {
  const NecCheck stubby = Check(10000, 0.05, 0.02);  // 5 radii long
  EXPECT_FALSE(stubby.secondRods);
  EXPECT_EQ(stubby.secondRods.why(),
            "the rod is shorter than 10 times its radius: group methods need slender rods");
}

TEST(NecRule, NoVerdictWhereTheRodFormulaHasNoValue) {
  const double radius = 0.01;
  const Result<NecCheck> check =
      CheckSingleRodRule({2000, {}}, radius * std::numbers::e / 4, 2 * radius);
  EXPECT_TRUE(check.noAnswer());
  EXPECT_EQ(check.why(),
            "the rod is shorter than e/4 of its radius, where the formula does not apply");
}

// The RCD rule of IEC 60364 and BS 7671: Table 41.5's printed rows, IEC's
// U_L / I_dn beside them, 25 V locations, and the bounds refused.
struct RcdCase {
  const char* name;
  EarthCode code;
  double amps, volts;
  double ohms;         // the limit, or 0 where refused
  const char* clause;  // or the start of the refusal
};

class RcdRule : public testing::TestWithParam<RcdCase> {};

TEST_P(RcdRule, GivesTheLargestElectrodeResistance) {
  const RcdCase& c = GetParam();
  const Result<RcdLimit> limit = RcdLimitOhms(c.code, c.amps, c.volts);
  if (c.ohms == 0) {
    ASSERT_FALSE(limit);
    EXPECT_EQ(limit.why().rfind(c.clause, 0), 0u) << limit.why();
    return;
  }
  ASSERT_TRUE(limit) << limit.why();
  EXPECT_NEAR(limit->ohms, c.ohms, 1e-9 * c.ohms);
  EXPECT_EQ(limit->clause, c.clause);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RcdRule,
    testing::Values(
        RcdCase{"Bs30mA", EarthCode::kBs7671, 0.030, 50, 1667, "Table 41.5"},
        RcdCase{"Bs100mA", EarthCode::kBs7671, 0.100, 50, 500, "Table 41.5"},
        RcdCase{"Bs300mA", EarthCode::kBs7671, 0.300, 50, 167, "Table 41.5"},
        RcdCase{"Bs500mA", EarthCode::kBs7671, 0.500, 50, 100, "Table 41.5"},
        RcdCase{"BsOffTheTable", EarthCode::kBs7671, 1, 50, 50, "411.5.3"},
        RcdCase{"BsSpecialLocation", EarthCode::kBs7671, 0.030, 25, 25 / 0.030, "411.5.3"},
        RcdCase{"Iec30mA", EarthCode::kIec60364, 0.030, 50, 50 / 0.030, "411.5.3"},
        RcdCase{"IecLeast", EarthCode::kIec60364, 0.001, 50, 50000, "411.5.3"},
        RcdCase{"IecMost", EarthCode::kIec60364, 10, 25, 2.5, "411.5.3"},
        RcdCase{"BelowOneMilliampere", EarthCode::kIec60364, 0.0009, 50, 0, "an RCD's rated"},
        RcdCase{"AboveTenAmperes", EarthCode::kBs7671, 10.5, 50, 0, "an RCD's rated"},
        RcdCase{"NoSuchTouchVoltage", EarthCode::kIec60364, 0.030, 40, 0, "U_L is 50 V"},
        RcdCase{"TheNecHasNone", EarthCode::kNec, 0.030, 50, 0, "the NEC's rule"}),
    [](const testing::TestParamInfo<RcdCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrevin
