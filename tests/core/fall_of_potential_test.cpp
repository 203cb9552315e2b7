#include "core/fall_of_potential.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace ostrevin {
namespace {

// A hemisphere of radius r in soil rho (ohm-m), the current probe at d, the
// electrical centre c behind where distances are measured from: the
// reading at x (the theory the 61.8 % rule and the slope method rest on).
double Hemisphere(double rho, double r, double d, double x, double c = 0) {
  const double k = rho / (2 * std::numbers::pi);
  return k * (1 / r - 1 / (d + c) - 1 / (x + c) + 1 / (d - x));
}

std::vector<FallReading> Readings(std::initializer_list<std::pair<double, double>> rows) {
  std::vector<FallReading> out;
  for (const auto& [x, ohms] : rows) out.push_back({x, ohms, static_cast<int>(out.size()) + 1});
  return out;
}

TEST(FallOfPotential, TheHemisphereTheWorkedExampleRecoversByEveryMethod) {
  // Published to three decimals: 100 ohm-m, r = 1 m, D = 100 m.
  const auto readings = Readings({{20, 15.160}, {40, 15.624}, {50, 15.756}, {60, 15.889},
                                  {61.8, 15.915}, {70, 16.059}});
  const double truth = 100 / (2 * std::numbers::pi);
  const auto answer = ReadFallTest(readings, 100, std::nullopt);
  ASSERT_TRUE(answer) << answer.why();
  ASSERT_TRUE(answer->ohms618);
  EXPECT_NEAR(*answer->ohms618, truth, 1e-3);
  ASSERT_TRUE(answer->slopeMu);
  EXPECT_NEAR(*answer->slopeMu, 0.571, 5e-4);
  ASSERT_TRUE(answer->slopeShare);
  EXPECT_NEAR(*answer->slopeShare, 0.618, 1e-3);
  ASSERT_TRUE(answer->slopeOhms);
  EXPECT_NEAR(*answer->slopeOhms, truth, 2e-3);
  ASSERT_TRUE(answer->fit) << answer->fit.why();
  EXPECT_NEAR(answer->fit->ohms, truth, 2e-3);
  EXPECT_NEAR(answer->fit->k, truth, 0.05);         // rho / 2 pi, the hemisphere's radius 1 m
  EXPECT_NEAR(answer->fit->offsetM, 0, 0.05);
  EXPECT_LT(answer->fit->rmsPercent, 0.01);          // three-decimal readings
  EXPECT_TRUE(answer->fallingRows.empty());
  // Nothing beyond 70 m: 72 % cannot be judged, and it is said why.
  EXPECT_FALSE(answer->plateau.has_value());
  EXPECT_NE(answer->plateauWhy, "");
}

TEST(FallOfPotential, ThePlateauJudgedAndTheDistanceThatWouldDo) {
  // A far probe: flat around 62 %.
  std::vector<FallReading> far;
  for (double x = 10; x < 100; x += 10) far.push_back({x, Hemisphere(100, 1, 100, x), 0});
  far.push_back({61.8, Hemisphere(100, 1, 100, 61.8), 0});
  const auto flat = ReadFallTest(far, 100, 10.0);
  ASSERT_TRUE(flat);
  ASSERT_TRUE(flat->plateau.has_value());
  EXPECT_TRUE(*flat->plateau);
  EXPECT_DOUBLE_EQ(*flat->enoughCurrentProbeM, 50);
  // An electrode as large as the distance to the current probe: its centre
  // 30 m behind the point distances were taken from, a current probe at 40 m.
  std::vector<FallReading> near;
  for (double x = 2; x < 40; x += 2) near.push_back({x, Hemisphere(100, 30, 40, x, 30), 0});
  const auto steep = ReadFallTest(near, 40, std::nullopt);
  ASSERT_TRUE(steep);
  ASSERT_TRUE(steep->plateau.has_value());
  EXPECT_FALSE(*steep->plateau);
  // The slope method finds the shifted centre where the 61.8 % rule cannot.
  ASSERT_TRUE(steep->slopeMu);
  EXPECT_GT(*steep->slopeMu, 0.9);
}

TEST(FallOfPotential, ThePlateausFivePercentIsItsEdge) {
  // 52 % and 72 % within 5 % of 62 % is flat; a hundredth of an ohm more is not.
  for (const auto& [low, flat] : std::vector<std::pair<double, bool>>{{95, true}, {94.99, false}}) {
    const auto answer = ReadFallTest(Readings({{30, 80}, {52, low}, {62, 100}, {72, 105}, {90, 130}}),
                                     100, std::nullopt);
    ASSERT_TRUE(answer && answer->plateau.has_value()) << low;
    EXPECT_EQ(*answer->plateau, flat) << low;
  }
  // Two equal readings in a row are not falling.
  const auto level = ReadFallTest(Readings({{10, 5}, {20, 5}, {30, 6}}), 100, std::nullopt);
  ASSERT_TRUE(level);
  EXPECT_TRUE(level->fallingRows.empty());
}

TEST(FallOfPotential, TheFitIsTheLeastRelativeMisfitOfNoisyReadings) {
  // Readings 3 % high and low in turn: the fit minimises the misfit relative
  // to each reading (a far reading of many ohms weighs no more than a near
  // one), so no small change of R or k lowers it.
  std::vector<FallReading> noisy;
  for (int i = 1; i < 20; ++i) {
    const double x = 5.0 * i;
    noisy.push_back({x, Hemisphere(100, 1, 100, x, 3) * (i % 2 ? 1.03 : 0.97), i});
  }
  const auto answer = ReadFallTest(noisy, 100, std::nullopt);
  ASSERT_TRUE(answer && answer->fit) << answer->fit.why();
  const auto relative = [&](const CurveFit& fit) {
    double sum = 0;
    for (const FallReading& r : noisy) {
      const double e = (FittedReading(fit, 100, r.distanceM) - r.ohms) / r.ohms;
      sum += e * e;
    }
    return sum;
  };
  const CurveFit best = *answer->fit;
  EXPECT_NEAR(100 * std::sqrt(relative(best) / static_cast<double>(noisy.size())), best.rmsPercent, 1e-9);
  EXPECT_NEAR(best.rmsPercent, 3, 0.3);
  for (const double step : {-1e-3, 1e-3}) {
    CurveFit moved = best;
    moved.ohms *= 1 + step;
    EXPECT_GT(relative(moved), relative(best)) << "R " << step;
    moved = best;
    moved.k *= 1 + step;
    EXPECT_GT(relative(moved), relative(best)) << "k " << step;
  }
}

TEST(FallOfPotential, TheSlopeMethodAndTheFitFindAnElectrodeMeasuredFromItsEdge) {
  // The electrical centre 30 m behind the origin, D = 100 m: the 61.8 % rule
  // reads 1.5 % high; the slope method and the fit find the true resistance.
  const double truth = 100 / (2 * std::numbers::pi) / 2;  // a hemisphere of 2 m
  std::vector<FallReading> readings;
  for (double x = 5; x < 100; x += 5) readings.push_back({x, Hemisphere(100, 2, 100, x, 30), 0});
  const auto answer = ReadFallTest(readings, 100, std::nullopt);
  ASSERT_TRUE(answer);
  EXPECT_GT(*answer->ohms618, truth * 1.01);
  ASSERT_TRUE(answer->slopeOhms) << answer->slopeOhms.why();
  EXPECT_NEAR(*answer->slopeOhms / truth, 1, 3e-3);  // interpolated between 5 m steps
  ASSERT_TRUE(answer->fit);
  EXPECT_NEAR(answer->fit->ohms, truth, 1e-9);
  EXPECT_NEAR(answer->fit->offsetM, 30, 1e-6);
  EXPECT_NEAR(FittedReading(*answer->fit, 100, 37), Hemisphere(100, 2, 100, 37, 30), 1e-9);
}

TEST(FallOfPotential, SlopePositionsFromTaggsTheoryAndItsRange) {
  // mu 0.5714 (the centre where distances start) gives 0.618; a larger mu
  // moves the position toward the electrode.
  ASSERT_TRUE(SlopePosition(4.0 / 7));
  EXPECT_NEAR(*SlopePosition(4.0 / 7), (std::sqrt(5.0) - 1) / 2, 1e-9);
  EXPECT_LT(*SlopePosition(1.0), *SlopePosition(0.8));
  EXPECT_TRUE(SlopePosition(0.4));
  EXPECT_TRUE(SlopePosition(1.6));
  EXPECT_TRUE(SlopePosition(0.39).noAnswer());
  EXPECT_TRUE(SlopePosition(1.61).noAnswer());
  EXPECT_TRUE(SlopePosition(NAN).noAnswer());
}

TEST(FallOfPotential, RefusalsNameTheirRowsAndFallingReadingsAreWarnedOf) {
  struct Row {
    const char* name;
    std::vector<FallReading> readings;
    double d;
    const char* why;
  };
  const std::vector<Row> rows = {
      {"two readings", Readings({{10, 5}, {20, 6}}), 100, "at least 3 readings"},
      {"repeated, the same", Readings({{10, 5}, {20, 6}, {20, 6}}), 100, "2 given"},
      {"repeated, differing", Readings({{10, 5}, {20, 6}, {30, 7}, {20, 6.5}}), 100,
       "rows 2 and 4 read the same distance differently"},
      {"beyond the current probe", Readings({{10, 5}, {20, 6}, {120, 7}}), 100,
       "row 3: the potential probe stands at or beyond the current probe"},
      {"at the current probe", Readings({{10, 5}, {20, 6}, {100, 7}}), 100, "row 3:"},
      {"at the electrode", Readings({{0, 5}, {20, 6}, {30, 7}}), 100, "row 1:"},
      {"a reading of zero", Readings({{10, 5}, {20, 0}, {30, 7}}), 100, "row 2: a reading"},
      {"no current probe", Readings({{10, 5}, {20, 6}, {30, 7}}), 0, "current probe"},
  };
  for (const Row& row : rows) {
    const auto answer = ReadFallTest(row.readings, row.d, std::nullopt);
    ASSERT_TRUE(answer.refused()) << row.name;
    EXPECT_NE(answer.why().find(row.why), std::string::npos) << row.name << ": " << answer.why();
  }
  // Readings that fall: an answer, the rows named.
  const auto falling = ReadFallTest(Readings({{10, 5}, {20, 6}, {30, 5.5}, {40, 7}, {50, 6.9}}),
                                    100, std::nullopt);
  ASSERT_TRUE(falling);
  EXPECT_EQ(falling->fallingRows, (std::vector<int>{3, 5}));
  // Short of 61.8 %: no answer, and why.
  EXPECT_TRUE(falling->ohms618.noAnswer());
  EXPECT_TRUE(ReadingAt(std::vector<FallReading>{}, 1) == std::nullopt);
}

}  // namespace
}  // namespace ostrevin

namespace ostrevin {
namespace {

// A 20 m grid with rods read from theory, the current probe at 30 m: the
// fit gave -0.887 ohms and a centre 31 km behind; now no answer, with why.
// At 100 m the readings within the grid (size known) are left out of it.
TEST(FallOfPotential, AFitNoElectrodeGivesIsNoAnswer) {
  const std::vector<FallReading> close{{1.5, 0.2093, 1}, {3, 0.2522, 2},   {6, 0.3252, 3},   {9, 0.4806, 4},
                                       {12, 1.1140, 5},  {15, 1.6308, 6},  {15.6, 1.7229, 7}, {18, 2.0999, 8},
                                       {18.6, 2.2018, 9}, {21, 2.6834, 10}, {21.6, 2.8330, 11}, {24, 3.6719, 12},
                                       {27, 6.4037, 13}};
  const Result<FallTestReading> read = ReadFallTest(close, 30, std::nullopt);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->fit.noAnswer());
  const std::vector<FallReading> far{{5, 0.1555, 1},  {10, 0.3157, 2}, {20, 1.4564, 3}, {30, 1.7748, 4},
                                     {40, 1.9528, 5}, {50, 2.0884, 6}, {52, 2.1142, 7}, {60, 2.2223, 8},
                                     {62, 2.2520, 9}, {70, 2.3935, 10}, {72, 2.4378, 11}, {80, 2.6876, 12},
                                     {90, 3.5057, 13}};
  const Result<FallTestReading> unsized = ReadFallTest(far, 100, std::nullopt);
  const Result<FallTestReading> sized = ReadFallTest(far, 100, 28.3);
  ASSERT_TRUE(unsized && unsized->fit && sized && sized->fit);
  EXPECT_LT(unsized->fit->ohms / 2.2511, 0.9);  // pulled low by the probe within the grid
  EXPECT_NEAR(sized->fit->ohms / 2.2511, 1, 0.005);
  EXPECT_EQ(sized->leftOutOfFit, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace ostrevin
