// Rods on the electrode solver: in two layers at the limits they must reach
// and continuous across the interface, groups never above one rod, the
// fallback past the bound close to the solver, the fewest rods and the
// length for a target; and the layouts the electrodes are built from.
#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_layouts.h"
#include "core/rod_solver.h"

namespace ostrevin {
namespace {

EarthSoil Layers(double rho1, double h, double rho2) { return {0, TwoLayerSoil{rho1, h, rho2}}; }

double Group(const EarthSoil& soil, double length, double radius, const std::vector<RodPoint>& at,
             const SolveOptions& options = {}) {
  const Result<RodGroupAnswer> group = SolvedGroup(soil, length, radius, at, std::nullopt, options);
  EXPECT_TRUE(group) << group.why();
  return group ? group->ohms : NAN;
}

double OneRod(const EarthSoil& soil, double length, double radius) {
  const Result<double> ohms = SolvedRodOhms(soil, length, radius);
  EXPECT_TRUE(ohms) << ohms.why();
  return ohms ? *ohms : NAN;
}

TEST(SolvedRods, InTwoLayersReachTheUniformLimits) {
  const double length = 3, radius = 0.008;
  const double uniform = OneRod({20000, {}}, length, radius);
  // The rod formula takes the current as uniform: 0.5 to 2 % above.
  const double formula = *SingleRodOhms(20000, length, radius);
  EXPECT_LT(uniform, formula);
  EXPECT_GT(uniform, 0.98 * formula);
  EXPECT_NEAR(OneRod(Layers(20000, 1.3, 20000), length, radius) / uniform, 1, 1e-3);
  EXPECT_NEAR(OneRod(Layers(20000, 5000, 2000), length, radius) / uniform, 1, 1e-4);
  const double bottom = OneRod({2000, {}}, length, radius);
  EXPECT_NEAR(OneRod(Layers(20000, 0.001, 2000), length, radius) / bottom, 1, 1e-3);
  // A group too: equal layers are the uniform soil to 0.1 %.
  const std::vector<RodPoint> square = HollowSquareLayout(3, 2);
  EXPECT_NEAR(Group(Layers(20000, 1.3, 20000), length, radius, square) /
                  Group({20000, {}}, length, radius, square),
              1, 1e-3);
}

TEST(SolvedRods, AreContinuousAcrossTheInterface) {
  // A rod growing through the boundary: its resistance falls, never by a jump.
  const EarthSoil soil = Layers(41300, 3, 12300);
  double previous = OneRod(soil, 2.79, 0.008);
  for (double length = 2.8; length < 3.21; length += 0.01) {
    const double ohms = OneRod(soil, length, 0.008);
    EXPECT_LT(ohms, previous) << length;
    EXPECT_GT(ohms / previous, 0.97) << length;
    previous = ohms;
  }
  // The boundary anywhere along the rod moves the answer smoothly.
  previous = OneRod(Layers(41300, 0.5, 12300), 3, 0.008);
  for (double h = 0.6; h < 4; h += 0.1) {
    const double ohms = OneRod(Layers(41300, h, 12300), 3, 0.008);
    EXPECT_GT(ohms, previous);  // more of the worse soil, a higher resistance
    EXPECT_LT(ohms / previous, 1.15) << h;
    previous = ohms;
  }
}

TEST(SolvedRods, GroupsAreNeverAboveOneRodAndFallInCount) {
  for (const EarthSoil& soil : {EarthSoil{20000, {}}, Layers(41300, 2.2, 12300),
                                Layers(2000, 0.5, 200000), Layers(200000, 10, 2000)}) {
    const double single = OneRod(soil, 3, 0.008);
    double previous = single;
    for (const int n : {2, 3, 5, 8}) {
      for (const double spacing : {0.05, 1.0, 6.0}) {
        EXPECT_LT(Group(soil, 3, 0.008, LineLayout(n, spacing)), single);
      }
      const double line = Group(soil, 3, 0.008, LineLayout(n, 3));
      EXPECT_LT(line, previous);
      previous = line;
    }
  }
}

std::size_t DistinctDistances(const std::vector<RodPoint>& rods) {
  std::set<long long> distances;
  for (std::size_t i = 0; i < rods.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      distances.insert(std::llround(std::hypot(rods[i].x - rods[j].x, rods[i].y - rods[j].y) * 1e9));
    }
  }
  return distances.size();
}

TEST(SolvedRods, PastTheBoundTheRodsMutualResistancesStandIn) {
  // Each rod carrying a lone rod's current: a little high, never low.
  struct Row {
    const char* name;
    EarthSoil soil;
    std::vector<RodPoint> at;
    double length;
    double within;
  };
  const std::vector<Row> rows{
      {"UniformLineOf30", {20000, {}, {}}, LineLayout(30, 3), 3, 1e-3},
      {"TwoLayersLineOf30", Layers(30000, 2, 10000), LineLayout(30, 3), 3, 1e-3},
      {"SquareATenthOfTheLengthApart", {10000, {}, {}}, HollowSquareLayout(5, 0.1), 1, 0.025},
  };
  SolveOptions small;
  small.maxBytes = 10'000;
  for (const Row& row : rows) {
    const Result<RodGroupAnswer> fallen =
        SolvedGroup(row.soil, row.length, 0.008, row.at, std::nullopt, small);
    ASSERT_TRUE(fallen) << row.name;
    EXPECT_TRUE(fallen->fallback);
    ASSERT_EQ(fallen->notes.size(), 1u);
    // Worked out once for each distance the rods stand apart.
    EXPECT_EQ(fallen->mutualSums, DistinctDistances(row.at)) << row.name;
    EXPECT_NE(fallen->notes[0].find("need more than the solver's bound of 0.01 MB"), std::string::npos)
        << fallen->notes[0];
    const double solved = Group(row.soil, row.length, 0.008, row.at);
    EXPECT_GE(fallen->ohms, solved * (1 - 1e-9)) << row.name;
    EXPECT_LT(fallen->ohms / solved - 1, row.within) << row.name;
  }
  // At the bound itself the solver answers; a byte short of it, the fallback.
  const std::vector<RodPoint> line = LineLayout(12, 3);
  const std::size_t needed = WorkFor(RodsAt(line, 3, 0.016), {20000, {}})->bytes;
  SolveOptions exact;
  exact.maxBytes = needed;
  EXPECT_FALSE(SolvedGroup({20000, {}}, 3, 0.008, line, std::nullopt, exact)->fallback);
  exact.maxBytes = needed - 1;
  EXPECT_TRUE(SolvedGroup({20000, {}}, 3, 0.008, line, std::nullopt, exact)->fallback);
  // Irregular positions (more distances than are worked out one by one):
  // the mutual resistances read from their table.
  std::vector<RodPoint> scattered;
  std::mt19937 random(7);  // the same positions everywhere: its output, not a distribution's
  while (scattered.size() < 80) {
    const RodPoint p{static_cast<double>(random() % 90000) / 1000, static_cast<double>(random() % 61000) / 1000};
    if (std::ranges::all_of(scattered, [&](const RodPoint& q) { return std::hypot(p.x - q.x, p.y - q.y) >= 1; })) {
      scattered.push_back(p);
    }
  }
  const EarthSoil layers = Layers(30000, 2, 10000);
  const Result<RodGroupAnswer> tabulated = SolvedGroup(layers, 3, 0.008, scattered, std::nullopt, small);
  ASSERT_TRUE(tabulated) << tabulated.why();
  // From a table of fewer points than the distances (each a double sum over the segments).
  EXPECT_GT(DistinctDistances(scattered), 512u);
  EXPECT_LT(tabulated->mutualSums, DistinctDistances(scattered) / 4);
  const double solved = Group(layers, 3, 0.008, scattered);
  EXPECT_GE(tabulated->ohms, solved * (1 - 1e-6));
  EXPECT_LT(tabulated->ohms / solved - 1, 1e-3);
}

TEST(SolvedRods, TheBondingConductorLowersTheGroup) {
  const EarthSoil soil{10000, {}};
  const std::vector<RodPoint> ring = RingLayout(6, 4);
  const double rods = Group(soil, 3, 0.008, ring);
  const Result<RodGroupAnswer> bonded = SolvedGroup(soil, 3, 0.008, ring, Bond{0.5, 0.01, true});
  ASSERT_TRUE(bonded) << bonded.why();
  EXPECT_LT(bonded->ohms, rods);
  EXPECT_GT(bonded->ohms, 0.7 * rods);
  // A bond above ground is refused as the solver refuses it.
  EXPECT_FALSE(SolvedGroup(soil, 3, 0.008, ring, Bond{0.001, 0.01, true}));
}

TEST(SolvedRods, TheFewestRodsAndTheLengthForATarget) {
  for (const EarthSoil& soil : {EarthSoil{20000, {}}, Layers(41300, 2.2, 12300)}) {
    const FewestRodsResult fewest = *FewestSolvedRods(soil, 3, 0.008, RodLine::kLine, 3, 10);
    ASSERT_TRUE(fewest.rods);
    EXPECT_NEAR(fewest.ohms, Group(soil, 3, 0.008, LineLayout(*fewest.rods, 3)), 1e-12);
    EXPECT_LE(fewest.ohms, 10);
    EXPECT_GT(Group(soil, 3, 0.008, LineLayout(*fewest.rods - 1, 3)), 10);
    // The hundredth rod counts: a target met there is met, with 100 rods;
    // a hair below it, none is, and the lowest is the hundred rods'.
    const double hundred = Group(soil, 3, 0.008, LineLayout(100, 3));
    EXPECT_EQ(FewestSolvedRods(soil, 3, 0.008, RodLine::kLine, 3, hundred)->rods, 100);
    const FewestRodsResult none = *FewestSolvedRods(soil, 3, 0.008, RodLine::kLine, 3, hundred * 0.999);
    EXPECT_FALSE(none.rods);
    EXPECT_EQ(none.lowestAt, 100);
    EXPECT_EQ(none.lowestOhms, hundred);
    // One rod that is enough is one rod; a target met exactly by 7 (within
    // the doubling's bracket) or by 4 (where the doubling stops) is met there,
    // with no rod more.
    EXPECT_EQ(FewestSolvedRods(soil, 3, 0.008, RodLine::kLine, 3, 1000)->rods, 1);
    for (const int rods : {7, 4}) {
      const double exactly = Group(soil, 3, 0.008, LineLayout(rods, 3));
      EXPECT_EQ(FewestSolvedRods(soil, 3, 0.008, RodLine::kLine, 3, exactly)->rods, rods);
    }
    const FewestRodsResult ring = *FewestSolvedRods(soil, 3, 0.008, RodLine::kRing, 3, 10);
    ASSERT_TRUE(ring.rods);
    EXPECT_LE(ring.ohms, 10);
    EXPECT_GT(Group(soil, 3, 0.008, RingLayout(*ring.rods - 1, 3)), 10);
  }
  const EarthSoil soil = Layers(41300, 2.2, 12300);
  const SolvedLength length = *SolvedRodLength(soil, 0.008, 25);
  ASSERT_TRUE(length.lengthM);
  EXPECT_NEAR(OneRod(soil, *length.lengthM, 0.008), 25, 25e-6);
  EXPECT_FALSE(SolvedRodLength(soil, 0.008, 1e6)->lengthM);    // above the shortest rod
  EXPECT_FALSE(SolvedRodLength(soil, 0.008, 0.001)->lengthM);  // below the longest
}

TEST(ElectrodeLayouts, GridsTheirNodesAndOutlines) {
  const GridPlan square{70, 70, 10, 10, 0.5, 0.01, std::nullopt};
  ASSERT_TRUE(CheckGridPlan(square));
  EXPECT_EQ(GridConductors(square).size(), 22u);  // 11 each way
  EXPECT_EQ(GridNodes(square).size(), 121u);
  const std::vector<RodPoint> perimeter = GridPerimeterNodes(square);
  ASSERT_EQ(perimeter.size(), 40u);
  EXPECT_DOUBLE_EQ(perimeter[10].x, 70);  // anticlockwise: the second corner
  EXPECT_DOUBLE_EQ(perimeter[10].y, 0);
  EXPECT_DOUBLE_EQ(TotalLength(GridConductors(square)), 1540);
  EXPECT_DOUBLE_EQ(GridOutline(square).Area(), 4900);
  EXPECT_DOUBLE_EQ(MeshOutline(GridConductors(square)).Area(), 4900);
  // An L: 40 x 30 with 4 x 3 meshes, less 20 x 10 at the far corner.
  const GridPlan ell{40, 30, 4, 3, 0.5, 0.01, std::pair(20.0, 10.0)};
  ASSERT_TRUE(CheckGridPlan(ell));
  EXPECT_EQ(GridNodes(ell).size(), 20u - 2u);  // 5 x 4 less the two inside the cut-out
  EXPECT_EQ(GridCorners(ell).size(), 6u);
  EXPECT_EQ(GridPerimeterNodes(ell).size(), 14u);
  EXPECT_DOUBLE_EQ(TotalLength(GridConductors(ell)), 5 * 30 - 2 * 10 + 4 * 40 - 20);
  // The outline is the L's own, as are the meshes' its conductors close;
  // the hull bridges the cut-out's corner.
  EXPECT_DOUBLE_EQ(GridOutline(ell).Area(), 1200 - 200);
  EXPECT_DOUBLE_EQ(MeshOutline(GridConductors(ell)).Area(), 1200 - 200);
  EXPECT_DOUBLE_EQ(HullOutline(GridConductors(ell)).Area(), 1200 - 100);
  // What is refused.
  EXPECT_EQ(CheckGridPlan({40, 30, 4, 3, 0.5, 0.01, std::pair(15.0, 10.0)}).why(),
            "the cut-out must be whole meshes (10.000 by 10.000 m)");
  EXPECT_FALSE(CheckGridPlan({40, 30, 4, 3, 0.5, 0.01, std::pair(40.0, 10.0)}));
  EXPECT_FALSE(CheckGridPlan({40, 30, 0, 3, 0.5, 0.01, std::nullopt}));
  // A strip, or rods in a line, have no area.
  EXPECT_FALSE(HullOutline(StripConductor(50, 0.5, 0.01)).HasArea());
  EXPECT_FALSE(HullOutline(RodsAt(LineLayout(5, 3), 3, 0.016)).HasArea());
  EXPECT_FALSE(MeshOutline(RodsAt(LineLayout(5, 3), 3, 0.016)).HasArea());
  // A ring's corners lie on the circle.
  EXPECT_NEAR(MeshOutline(RingConductors(20, 64, 0.5, 0.01)).Area(), 100 * std::numbers::pi, 2);
  // A ring's rods lie on its circle, evenly spaced all the way round (the
  // last as far from the first as from the one before).
  for (const int count : {1, 2, 3, 7, 1000}) {
    const std::vector<RodPoint> rods = RingPoints(20, count);
    ASSERT_EQ(rods.size(), static_cast<std::size_t>(count));
    const double chord = 20 * std::sin(std::numbers::pi / count);
    for (int k = 0; k < count; ++k) {
      const RodPoint& p = rods[static_cast<std::size_t>(k)];
      const RodPoint& next = rods[static_cast<std::size_t>((k + 1) % count)];
      EXPECT_NEAR(std::hypot(p.x, p.y), 10, 1e-12) << count;
      if (count > 1) {
        EXPECT_NEAR(std::hypot(next.x - p.x, next.y - p.y), chord, 1e-9) << count << " " << k;
      }
    }
  }
}

}  // namespace
}  // namespace ostrevin
