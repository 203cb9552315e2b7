// The surface map against the direct sum of every segment's potential, with
// and without the symmetry that saves work, in uniform and two-layer soil.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_layouts.h"
#include "core/surface_map.h"

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
    const std::vector<double> volts = SurfacePotentials(*solved, kernel, lattice);
    ASSERT_EQ(volts.size(), lattice.Size());
    double worst = 0;
    for (int j = 0; j < lattice.ny; j += 2) {
      for (int i = 0; i < lattice.nx; i += 3) {
        const double direct = PotentialAt(*solved, kernel, {lattice.X(i), lattice.Y(j), 0});
        worst = std::max(worst, std::abs(volts[static_cast<std::size_t>(j) * lattice.nx + i] - direct));
      }
    }
    EXPECT_LT(worst / solved->ohms, 1e-4) << row.name << " " << worst / solved->ohms;
  }
}

}  // namespace
}  // namespace ostrevin
