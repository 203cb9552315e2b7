// The surface map against the direct sum of every segment's potential, with
// and without the symmetry that saves work, in uniform and two-layer soil,
// its totals summed directly and compressed.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_layouts.h"
#include "core/surface_map.h"
#include "core/numerics.h"
#include "core/surface_search.h"

namespace ostrevin {
namespace {

TEST(SurfaceMap, IsTheDirectSumWithinATenThousandth) {
  struct Row {
    const char* name;
    GridPlan plan;
    EarthSoil soil;
    double step;
    bool flipped = false;  // x -> -x: an L's cut-out at the -x,+y corner
  };
  const std::vector<Row> rows{
      {"SquareGridUniform", {20, 20, 4, 4, 0.5, 0.01, std::nullopt}, {10000, {}}, 0.25},
      {"LShapedGridInLayers", {30, 20, 3, 2, 0.6, 0.01, std::pair(10.0, 10.0)},
       {0, TwoLayerSoil{30000, 2, 8000}}, 0.25},
      {"RectangleCoarseLattice", {24, 12, 4, 2, 0.5, 0.01, std::nullopt}, {10000, {}}, 1.5},
      // An L with equal arms: its only symmetry the mirror across the diagonal.
      {"LMirroredOnlyAcrossItsDiagonal", {20, 20, 4, 4, 0.5, 0.01, std::pair(10.0, 10.0)}, {10000, {}}, 0.5},
      {"LMirroredOnlyAcrossTheOtherDiagonal", {20, 20, 4, 4, 0.5, 0.01, std::pair(10.0, 10.0)}, {10000, {}},
       0.5, true},
  };
  for (const Row& row : rows) {
    std::vector<Conductor> electrode = GridConductors(row.plan);
    const std::vector<Conductor> rods = RodsAt(GridCorners(row.plan), 3, 0.016, row.plan.depthM);
    electrode.insert(electrode.end(), rods.begin(), rods.end());
    if (row.flipped) {
      for (Conductor& c : electrode) {
        c.a.x = -c.a.x;
        c.b.x = -c.b.x;
      }
    }
    const Result<Solution> solved = SolveElectrode(electrode, row.soil);
    ASSERT_TRUE(solved) << row.name;
    if (row.plan.cutout && row.plan.sizeX == row.plan.sizeY) {
      EXPECT_EQ(solved->symmetry, 2) << row.name;  // the identity and the mirror
    }
    const EarthKernel kernel = KernelFor(*solved);
    const double west = row.flipped ? -row.plan.sizeX : 0;
    const Lattice lattice = LatticeOver(west, west + row.plan.sizeX, 0, row.plan.sizeY, 3, row.step);
    // Covers the outline and 3 m round it, centred.
    EXPECT_LE(lattice.x0, west - 3 + 1e-9) << row.name;
    EXPECT_GE(lattice.X(lattice.nx - 1), west + row.plan.sizeX + 3 - 1e-9) << row.name;
    EXPECT_NEAR(lattice.x0 + lattice.X(lattice.nx - 1), 2 * west + row.plan.sizeX, 1e-9) << row.name;
    // The exact totals summed directly (as a small site's are), and through
    // the hierarchical matrix of points and segments (as a large site's).
    for (const double directPairs : {kDirectPairs, 0.0}) {
      const std::vector<double> volts = SurfacePotentials(*solved, kernel, lattice, {}, directPairs);
      ASSERT_EQ(volts.size(), lattice.Size());
      double worst = 0;
      for (int j = 0; j < lattice.ny; j += 2) {
        for (int i = 0; i < lattice.nx; i += 3) {
          const double direct = PotentialAt(*solved, kernel, {lattice.X(i), lattice.Y(j), 0});
          worst = std::max(worst, std::abs(volts[static_cast<std::size_t>(j) * lattice.nx + i] - direct));
        }
      }
      EXPECT_LT(worst / solved->ohms, 1e-4) << row.name << " " << worst / solved->ohms << " " << directPairs;
    }
  }
}

// The largest step against a brute-force search: a 10 m strip with a rod at
// its far end, 1 kA, the strip turned 11.25 degrees (between two of the
// coarse search's directions when there are 8). The step is largest at the
// strip's free end, facing out along it; found within 3 cm and 2 parts in
// 10^4 of the volts (the refinement moves place and direction in turn, and
// stops 1.2e-4 short on this ridge), and above every step of a global scan
// at 0.5 m in 32 directions.
TEST(SurfaceSearch, TheLargestStepAsABruteForceSearchFindsIt) {
  const double turn = kPi / 16;
  const auto turned = [&](double u, double v, double z) {
    return Point3{u * std::cos(turn) - v * std::sin(turn), u * std::sin(turn) + v * std::cos(turn), z};
  };
  const std::vector<Conductor> electrode{{turned(0, 0, 0.5), turned(10, 0, 0.5), 0.01},
                                         {turned(10, 0, 0.5), turned(10, 0, 3.5), 0.016}};
  const Result<Solution> solved = SolveElectrode(electrode, {10000, {}});
  ASSERT_TRUE(solved);
  const EarthKernel kernel = KernelFor(*solved);
  const Point3 end = turned(10, 0, 0);
  const Lattice lattice = LatticeOver(std::min(0.0, end.x), std::max(0.0, end.x), std::min(0.0, end.y),
                                      std::max(0.0, end.y), 3, 0.25);
  const std::vector<double> volts = SurfacePotentials(*solved, kernel, lattice);
  const SurfaceView view{*solved, kernel, lattice, volts, 1000};
  const std::optional<SurfaceStep> step = LargestStep(view, 1);
  ASSERT_TRUE(step);
  const auto across = [&](const Point3& p, double angle) {
    return std::abs(view.Exact(p.x, p.y) - view.Exact(p.x + std::cos(angle), p.y + std::sin(angle)));
  };
  double global = 0;
  for (double x = -3; x <= 13; x += 0.5) {
    for (double y = -3; y <= 5; y += 0.5) {
      for (int k = 0; k < 32; ++k) global = std::max(global, across({x, y, 0}, kPi * k / 16));
    }
  }
  EXPECT_GE(step->volts, global);
  double best = 0;
  Point3 bestAt;
  for (double u = 0.2; u <= 0.6; u += 0.005) {
    for (double v = -0.1; v <= 0.1; v += 0.01) {
      for (double degrees = 170; degrees <= 190; degrees += 0.5) {
        const double value = across(turned(u, v, 0), turn + degrees * kPi / 180);
        if (value > best) {
          best = value;
          bestAt = turned(u, v, 0);
        }
      }
    }
  }
  EXPECT_NEAR(step->volts / best, 1, 2e-4);
  EXPECT_NEAR(std::hypot(step->x1 - bestAt.x, step->y1 - bestAt.y), 0, 0.03);
  EXPECT_NEAR(std::hypot(step->x2 - step->x1, step->y2 - step->y1), 1, 1e-12);
}

}  // namespace
}  // namespace ostrevin
