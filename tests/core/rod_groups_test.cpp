// Rod groups and the other formulas beyond one rod, against published worked
// examples (with the tolerance their printed digits allow) and properties.
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "core/rod_groups.h"

namespace ostrevin {
namespace {

constexpr double kFoot = 0.3048;

TEST(RodGroups, PublishedWorkedExamples) {
  // rho 200 ohm-m, L 3 m, r 0.01 m: one rod 64.6 ohms; two rods 6 m and 7 m
  // apart by Dwight's formula (s > L) 34.8 and 34.5 ohms.
  EXPECT_NEAR(*SingleRodOhms(20000, 3, 0.01), 64.6, 0.05);
  EXPECT_NEAR(*DwightTwoRods(20000, 3, 0.01, 6), 34.8, 0.05);
  EXPECT_NEAR(*DwightTwoRods(20000, 3, 0.01, 7), 34.5, 0.05);
  // Wenner a = 20 ft, R = 2 ohms: 7,660 ohm-cm (a handbook prints 7,662).
  EXPECT_NEAR(WennerResistivity(20 * kFoot, 0, 2), 7660, 1);
}

TEST(RodGroups, LambdaOfALineIsTheHarmonicForm) {
  const double printed[] = {1, 1.667, 2.167, 2.567};  // n = 2 to 5
  for (int n = 2; n <= 5; ++n) {
    double harmonic = 0;
    for (int k = 2; k <= n; ++k) harmonic += 1.0 / k;
    const std::vector<RodPoint> line = LineLayout(n, 3.0);
    const double lambda = *GroupLambda(line, 3.0);
    EXPECT_NEAR(lambda, 2 * harmonic, 1e-12) << n;
    EXPECT_NEAR(lambda, printed[n - 2], 0.0005) << n;
  }
  EXPECT_NEAR(*GroupLambda(TriangleLayout(2), 2), 2, 1e-12);  // each rod sees two at s
  EXPECT_EQ(HollowSquareLayout(3, 1).size(), 8u);
  EXPECT_FALSE(GroupLambda(std::vector<RodPoint>{{1, 1}, {1, 1}}, 1));  // rods at one place
}

TEST(RodGroups, Properties) {
  const double rho = 20000, length = 3, radius = 0.008;
  const double single = *SingleRodOhms(rho, length, radius);
  EXPECT_DOUBLE_EQ(GroupResistance(rho, length, radius, LineLayout(1, 3), 3)->ohms, single);
  for (const int n : {2, 3, 4, 8, 20}) {
    double previous = INFINITY;
    for (const double spacing : {3.0, 4.0, 6.0, 12.0, 50.0}) {
      for (const auto& layout : {LineLayout(n, spacing), RingLayout(n, spacing)}) {
        const GroupResult group = *GroupResistance(rho, length, radius, layout, spacing);
        EXPECT_GT(group.ohms, single / n);  // never better than n rods far apart
      }
      const double ohms =
          GroupResistance(rho, length, radius, LineLayout(n, spacing), spacing)->ohms;
      EXPECT_LE(ohms, previous) << n << " rods " << spacing << " m apart";  // apart never worse
      previous = ohms;
    }
  }
  EXPECT_TRUE(GroupResistance(rho, length, radius, LineLayout(2, 2), 2)->closeSpacing);
}

TEST(RodGroups, FewestRodsAndWhyNot) {
  // Two rods in a line give 34.9 ohms for the example rod; 35 needs two.
  const FewestRodsResult two = FewestRods(20000, 3, 0.01, RodLine::kLine, 6, 35);
  ASSERT_TRUE(two.count);
  EXPECT_EQ(two.count->rods, 2);
  EXPECT_LE(two.count->ohms, 35);
  const FewestRodsResult many = FewestRods(20000, 3, 0.01, RodLine::kRing, 6, 5);
  ASSERT_TRUE(many.count);
  EXPECT_LE(many.count->ohms, 5);
  const FewestRodsResult none = FewestRods(20000, 3, 0.01, RodLine::kLine, 6, 0.5);
  EXPECT_FALSE(none.count);
  EXPECT_EQ(none.reason.rfind("even 100 rods give ", 0), 0u) << none.reason;
}

TEST(RodGroups, TheTwentyFiveOhmRule) {
  // 8 ft, 5/8 in rod in 10,000 ohm-cm soil: about 40 ohms, a second rod is needed.
  const NecCheck poor = *CheckSingleRodRule(10000, 8 * kFoot, 0.625 * 0.0254);
  EXPECT_FALSE(poor.sufficient);
  EXPECT_NEAR(poor.singleOhms, 39.9, 0.1);
  EXPECT_LT(poor.secondRod2LOhms, poor.secondRod6ftOhms);
  EXPECT_LT(poor.secondRod6ftOhms, poor.singleOhms);
  EXPECT_TRUE(poor.warnings.empty());
  const NecCheck good = *CheckSingleRodRule(4000, 6 * kFoot, 0.5 * 0.0254);  // 21 ohms
  EXPECT_TRUE(good.sufficient);
  ASSERT_EQ(good.warnings.size(), 2u);
  EXPECT_EQ(good.warnings[0], "the rod is 6.00 ft long: the code asks for at least 8 ft");
}

TEST(RodGroups, InverseFormulasReturnTheirInputs) {
  // Resistivity from a driven rod, fed back into the rod formula, gives the
  // measured resistance; the probe-depth formula at depth 0 is 2 pi a R.
  for (const double ohms : {0.5, 25.0, 300.0}) {
    const double rho = *ResistivityFromRod(2.4, 0.008, ohms);
    EXPECT_NEAR(*SingleRodOhms(rho, 2.4, 0.008), ohms, ohms * 1e-14);
  }
  EXPECT_DOUBLE_EQ(WennerResistivity(3, 0, 1), 2 * std::numbers::pi * 3 * 100);
  EXPECT_GT(WennerResistivity(1, 0.3, 10), WennerResistivity(1, 0, 10));  // depth raises rho
  EXPECT_FALSE(ResistivityFromRod(0.001, 0.01, 10));                      // below e/4 of r
}

}  // namespace
}  // namespace ostrevin
