// Rod groups against published worked examples (with the tolerance their
// printed digits allow), the limits the mutual resistance must reach, and
// the properties every accepted group must have at every spacing.
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/rod_groups.h"

namespace ostrevin {
namespace {

using enum ostrevin::UnitSystem;

double Potential(double rho, double length, double radius, const std::vector<RodPoint>& rods) {
  const Result<double> ohms = PotentialGroupOhms(rho, length, radius, rods);
  EXPECT_TRUE(ohms) << ohms.why();
  return ohms ? *ohms : NAN;
}

TEST(RodGroups, PublishedWorkedExamples) {
  // rho 200 ohm-m, L 3 m, r 0.01 m: one rod 64.6 ohms; two rods 6 m and 7 m
  // apart by Dwight's formula (s > L) 34.8 and 34.5 ohms.
  EXPECT_NEAR(*SingleRodOhms(20000, 3, 0.01), 64.6, 0.05);
  EXPECT_NEAR(*DwightTwoRods(20000, 3, 0.01, 6), 34.8, 0.05);
  EXPECT_NEAR(*DwightTwoRods(20000, 3, 0.01, 7), 34.5, 0.05);
  // Two rods 0.3 m apart: at one potential (R11 + R12) / 2 is Dwight's
  // close-spacing value, 46.836 ohms, while BS 7430 outside its validity
  // gives 85.4, worse than one rod (64.6): no answer.
  const double close = Potential(20000, 3, 0.01, LineLayout(2, 0.3));
  EXPECT_NEAR(close, 46.836, 0.0005);
  EXPECT_NEAR(close, *DwightTwoRods(20000, 3, 0.01, 0.3), 0.0005);
  EXPECT_NEAR(close, (*SingleRodOhms(20000, 3, 0.01) + MutualRodOhms(20000, 3, 0.3)) / 2, 1e-12);
  const Result<Bs7430Group> bs =
      Bs7430GroupOhms(20000, 3, 0.01, LineLayout(2, 0.3), 0.3, TabulatedLayout::kLine);
  EXPECT_TRUE(bs.noAnswer());
  EXPECT_EQ(bs.why(),
            "the factors give 85.361 ohms for 2 rods, more than one rod alone (64.618 "
            "ohms), which no group can be: they do not hold with the rods this close");
  // Closer than their length yet below one rod: an answer, flagged.
  const Result<Bs7430Group> near =
      Bs7430GroupOhms(20000, 3, 0.01, LineLayout(2, 2.5), 2.5, TabulatedLayout::kLine);
  ASSERT_TRUE(near);
  EXPECT_LT(near->ohms, *SingleRodOhms(20000, 3, 0.01));
  EXPECT_TRUE(near->closeSpacing);
  // Far apart Dwight's series is a truncation: a few per cent from the exact method.
  EXPECT_NEAR(Potential(20000, 3, 0.01, LineLayout(2, 6)) / *DwightTwoRods(20000, 3, 0.01, 6), 1,
              0.03);
  // A training example of BS 7430: 100 ohm-m, four 3 m by 16 mm rods 3 m
  // apart in a line: lambda 2.15 from the table, 11.2 ohms.
  const auto four = *Bs7430GroupOhms(10000, 3, 0.008, LineLayout(4, 3), 3, TabulatedLayout::kLine);
  EXPECT_TRUE(four.tabulated);
  EXPECT_EQ(four.lambda, 2.15);
  EXPECT_NEAR(four.ohms, 11.2, 0.05);
}

TEST(RodGroups, MutualResistanceReachesItsLimits) {
  // Far apart, two point sources: rho / (2 pi d).
  const double far = MutualRodOhms(20000, 3, 300);
  EXPECT_NEAR(far / (200 / (2 * std::numbers::pi * 300)), 1, 1e-4);
  // At the rod's own surface, a slender rod's self resistance.
  for (const double radius : {0.001, 0.008, 0.03}) {
    EXPECT_NEAR(MutualRodOhms(20000, 3, radius) / *SingleRodOhms(20000, 3, radius), 1, 0.002)
        << radius;
  }
}

TEST(RodGroups, LambdaFromTheTableAndFromPositions) {
  const double printed[] = {1, 1.667, 2.167, 2.567};  // the position formula, n = 2 to 5
  for (int n = 2; n <= 5; ++n) {
    double harmonic = 0;
    for (int k = 2; k <= n; ++k) harmonic += 1.0 / k;
    const double lambda = *PositionLambda(LineLayout(n, 3.0), 3.0);
    EXPECT_NEAR(lambda, 2 * harmonic, 1e-12) << n;
    EXPECT_NEAR(lambda, printed[n - 2], 0.0005) << n;
  }
  EXPECT_EQ(TabulatedLineLambda(10), 3.80);
  EXPECT_FALSE(TabulatedLineLambda(11));  // beyond the table: the positions'
  EXPECT_FALSE(
      Bs7430GroupOhms(20000, 3, 0.01, LineLayout(11, 3), 3, TabulatedLayout::kLine)->tabulated);
  EXPECT_NEAR(*PositionLambda(TriangleLayout(2), 2), 2, 1e-12);  // each rod sees two at s
  EXPECT_EQ(*PositionLambda(LineLayout(1, 1), 1), 0);
  EXPECT_EQ(HollowSquareLayout(3, 1).size(), 8u);
  EXPECT_FALSE(PositionLambda(std::vector<RodPoint>{{1, 1}, {1, 1}}, 1));
}

TEST(RodGroups, WhatNoMethodAccepts) {
  const auto problem = [](double length, double radius, std::vector<RodPoint> rods) {
    const Checked checked = CheckGroup(20000, length, radius, rods);
    return checked ? std::string("(accepted)") : checked.why();
  };
  EXPECT_EQ(problem(3, 0.01, {{0, 0}, {0.015, 0}}),
            "rods 1 and 2 stand 0.015 m apart, closer than their diameter (0.020 m)");
  EXPECT_EQ(problem(3, 0.01, {{0, 0}, {0.02, 0}}), "(accepted)");  // touching
  EXPECT_EQ(problem(3, 0.01, {{0, 0}, {0, 1e-320}}).substr(0, 24), "rods 1 and 2 stand 0.000");
  EXPECT_EQ(problem(3, 0.01, std::vector<RodPoint>(1001)),
            "1001 rods: a group may have at most 1000");
  EXPECT_EQ(problem(0.09, 0.01, {{0, 0}}),
            "the rod is shorter than 10 times its radius: group methods need slender rods");
  EXPECT_EQ(problem(0.1, 0.01, {{0, 0}}), "(accepted)");
  // At e/4 of the radius the rod formula is zero: no group, no division by it.
  EXPECT_NE(problem(0.01 * std::numbers::e / 4, 0.01, {{0, 0}}).find("e/4"), std::string::npos);
  EXPECT_EQ(CheckGroup(20000, 8 * 0.3048, 0.625 * 0.0254 / 2, LineLayout(2, 0.01), English).why(),
            "rods 1 and 2 stand 0.033 ft apart, closer than their diameter (0.625 in)");
}

// Every accepted group, over the whole range of inputs: finite, never above
// one rod alone, never raised by one more rod in a line at the same spacing.
TEST(RodGroups, NeverAboveOneRodAndNeverRaisedByAnotherRod) {
  std::mt19937_64 random(20261207);
  const auto logUniform = [&](double low, double high) {
    return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(random));
  };
  int checked = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const double radius = logUniform(0.0005 * 0.0254, 5.0);
    const double length = std::max(kMinSlenderness * radius, logUniform(0.03, 10000.0));
    const double rho = logUniform(0.0001, 1e6);
    const double spacing = logUniform(2 * radius, std::max(4 * radius, 300 * length));
    const int rods = static_cast<int>(logUniform(2, 60));
    const double single = *SingleRodOhms(rho, length, radius);
    double previous = single;
    for (int n = 2; n <= rods; ++n) {
      const double group = Potential(rho, length, radius, LineLayout(n, spacing));
      ASSERT_TRUE(std::isfinite(group) && group > 0);
      ASSERT_LE(group, previous * (1 + 1e-12))
          << n << " rods, L " << length << " r " << radius << " s " << spacing;
      previous = group;
      ++checked;
    }
    const double ring = Potential(rho, length, radius, RingLayout(rods, spacing));
    EXPECT_LE(ring, single * (1 + 1e-12));
  }
  EXPECT_GT(checked, 1000);
}

TEST(RodGroups, TheDensestGroupsStayPositiveDefinite) {
  // A thousand touching rods, the shortest accepted, in a line, a ring and
  // packed hexagonally: the line-source model holds and one rod is worse.
  const double radius = 0.01, length = kMinSlenderness * radius;
  const double single = *SingleRodOhms(20000, length, radius);
  std::vector<RodPoint> packed;
  for (int i = 0; i < 31; ++i) {
    for (int j = 0; j < 31; ++j) {
      packed.push_back({2 * radius * (i + 0.5 * (j % 2)), 2 * radius * j * std::sqrt(3.0) / 2});
    }
  }
  for (const auto& rods : {LineLayout(1000, 2 * radius), RingLayout(1000, 2 * radius), packed}) {
    const double group = Potential(20000, length, radius, rods);
    EXPECT_GT(group, 0);
    EXPECT_LT(group, single);
  }
}

TEST(RodGroups, FewestRodsTriesEveryCount) {
  // Rods at one potential: two 6 m apart give 34.8 ohms; 35 needs two.
  const FewestRodsResult two =
      *FewestRods(20000, 3, 0.01, RodLine::kLine, 6, 35, GroupMethod::kPotential);
  EXPECT_EQ(two.rods, 2);
  EXPECT_LE(two.ohms, 35);
  // BS 7430 at close spacing first rises above one rod, then falls: the
  // search goes on past the rise (10 ft rods 1 ft apart: seven for 30
  // ohms, lambda 3.15 from the table; 28.491 with the positions' 3.267).
  const FewestRodsResult close = *FewestRods(10000, 10 * 0.3048, 0.625 * 0.0254 / 2, RodLine::kLine,
                                            0.3048, 30, GroupMethod::kBs7430);
  EXPECT_EQ(close.rods, 7);
  EXPECT_NEAR(close.ohms, 28.224, 0.0005);
  // The hundredth rod counts: a target met exactly there is met.
  const double hundred = Potential(20000, 3, 0.01, LineLayout(100, 3));
  EXPECT_EQ(FewestRods(20000, 3, 0.01, RodLine::kLine, 3, hundred, GroupMethod::kPotential)->rods,
            100);
  // A target met exactly is met, with no rod more.
  const double seven = *PotentialGroupOhms(20000, 3, 0.01, LineLayout(7, 3));
  EXPECT_EQ(FewestRods(20000, 3, 0.01, RodLine::kLine, 3, seven, GroupMethod::kPotential)->rods, 7);
  const FewestRodsResult none =
      *FewestRods(20000, 3, 0.01, RodLine::kRing, 3, 0.5, GroupMethod::kPotential);
  EXPECT_FALSE(none.rods);
  EXPECT_EQ(none.lowestAt, 100);
  EXPECT_NEAR(none.lowestOhms, Potential(20000, 3, 0.01, RingLayout(100, 3)), 1e-9);
  EXPECT_EQ(FewestRods(20000, 3, 0.01, RodLine::kLine, 0.001, 5, GroupMethod::kPotential).why(),
            "rods 1 and 2 stand 0.001 m apart, closer than their diameter (0.020 m)");
}

TEST(RodGroups, DwightsBranchesMeetAtTheRodLength) {
  // s = L belongs to the close-spacing formula, continuous from below; the
  // far series, a truncation, lands about 3.5 % away just above it.
  const double at = *DwightTwoRods(20000, 3, 0.01, 3);
  EXPECT_NEAR(at, *DwightTwoRods(20000, 3, 0.01, 3 * (1 - 1e-12)), 1e-9);
  const double above = *DwightTwoRods(20000, 3, 0.01, 3 * (1 + 1e-12));
  EXPECT_NEAR(std::abs(above - at) / at, 0.035, 0.01);
}

}  // namespace
}  // namespace ostrevin
