// The kernel of soil in N layers, and electrodes solved in it, against a
// reference written here by other means: the layered equations for each
// wavenumber solved by finite volumes in depth (not the kernel's boundary
// system), Richardson-extrapolated, and the Hankel integral taken by
// composite Gauss-Legendre rules with std::cyl_bessel_j.
#include "core/layered_green.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/earth_solver.h"
#include "core/electrode_layouts.h"
#include "tests/core/ieee80_grid.h"
#include "core/numerics.h"

namespace ostrevin {
namespace {

// phi(lambda, z) at every node h apart, down to `bottom` (in the
// half-space), for one ampere at the node `source`: the spectral potential,
// normalised so that a whole space of rho gives rho e^(-lambda |z - w|).
// -(sigma phi')' + lambda^2 sigma phi = 2 lambda delta(z - w); no current
// through the surface; below, phi' = -lambda phi (the half-space's decay).
// (Into `phi`, its buffers kept from call to call: the columns are many.)
void Column(const LayeredSoil& soil, double lambda, std::size_t source, double h, double bottom,
            std::vector<double>& phi) {
  const auto nodes = static_cast<std::size_t>(std::llround(bottom / h)) + 1;
  thread_local std::vector<double> sigma, diagonal, upper;
  sigma.resize(nodes - 1);  // of each cell, by its middle
  std::size_t layer = 0;
  double top = 0;
  for (std::size_t j = 0; j + 1 < nodes; ++j) {
    const double middle = (static_cast<double>(j) + 0.5) * h;
    while (layer < soil.thicknessM.size() && middle > top + soil.thicknessM[layer]) top += soil.thicknessM[layer++];
    sigma[j] = 100 / soil.rho[layer];
  }
  // Rows: -sigma_(j-1/2)/h, the diagonal, -sigma_(j+1/2)/h; the right side in phi.
  diagonal.assign(nodes, 0);
  upper.assign(nodes, 0);
  phi.assign(nodes, 0);
  for (std::size_t j = 0; j < nodes; ++j) {
    if (j > 0) diagonal[j] += sigma[j - 1] / h + lambda * lambda * sigma[j - 1] * h / 2;
    if (j + 1 < nodes) {
      upper[j] = -sigma[j] / h;
      diagonal[j] += sigma[j] / h + lambda * lambda * sigma[j] * h / 2;
    }
  }
  diagonal[nodes - 1] += lambda * sigma[nodes - 2];
  phi[source] = 2 * lambda;
  // Thomas' algorithm (the matrix is symmetric: row j's lower entry is upper[j - 1]).
  for (std::size_t j = 1; j < nodes; ++j) {
    const double m = upper[j - 1] / diagonal[j - 1];
    diagonal[j] -= m * upper[j - 1];
    phi[j] -= m * phi[j - 1];
  }
  phi[nodes - 1] /= diagonal[nodes - 1];
  for (std::size_t j = nodes - 1; j-- > 0;) phi[j] = (phi[j] - upper[j] * phi[j + 1]) / diagonal[j];
}

double Read(const std::vector<double>& phi, double h, double z) {
  const double u = z / h;
  const auto j = std::min(static_cast<std::size_t>(u), phi.size() - 2);
  const double t = u - static_cast<double>(j);
  return phi[j] * (1 - t) + phi[j + 1] * t;
}

// A source point: depth, horizontal distance to the field, weight.
struct Source {
  double w, p, weight;
};

// The potential (V) at depth z of each weighted point source, one ampere
// times its weight: by reciprocity one column per wavenumber with the
// source at the field's depth (a node of both grids).
std::vector<double> ReferencePotentials(const LayeredSoil& soil, double z, const std::vector<Source>& sources, double fine) {
  double closest = INFINITY, farthest = 0;
  for (const Source& s : sources) {
    closest = std::min(closest, std::abs(s.w - z));
    farthest = std::max(farthest, s.p);
  }
  double deepest = 0;
  for (const double t : soil.thicknessM) deepest += t;
  const double bottom = std::ceil((deepest + 30) / (2 * fine)) * 2 * fine;
  const double last = 30 / closest;  // where e^(-lambda |z - w|) < 1e-13
  // Steps that follow J0's oscillation, the decay, and the layers' own
  // scale in lambda (1 / twice the deepest interface's depth).
  const double step = std::min({0.5 / closest, kPi / (2 * std::max(farthest, 1e-9)), 0.5 / (deepest + z + 1)});
  constexpr std::array<double, 6> kNodes{-0.9324695142, -0.6612093865, -0.2386191861,
                                        0.2386191861, 0.6612093865, 0.9324695142};
  constexpr std::array<double, 6> kWeights{0.1713244924, 0.3607615730, 0.4679139346,
                                          0.4679139346, 0.3607615730, 0.1713244924};
  std::vector<double> coarse, finer;
  std::vector<double> sums(sources.size(), 0);
  for (double a = 0; a < last; a += step) {
    for (std::size_t g = 0; g < kNodes.size(); ++g) {
      const double lambda = a + step * (1 + kNodes[g]) / 2;
      Column(soil, lambda, static_cast<std::size_t>(std::llround(z / (2 * fine))), 2 * fine, bottom, coarse);
      Column(soil, lambda, static_cast<std::size_t>(std::llround(z / fine)), fine, bottom, finer);
      for (std::size_t k = 0; k < sources.size(); ++k) {
        const Source& s = sources[k];
        const double phi = (4 * Read(finer, fine, s.w) - Read(coarse, 2 * fine, s.w)) / 3;
        sums[k] += step / 2 * kWeights[g] * s.weight * phi * std::cyl_bessel_j(0.0, lambda * s.p) / (4 * kPi);
      }
    }
  }
  return sums;
}

// The whole kernel (images and rest) between two points, ohm-m / m.
double Whole(const LayeredGreen& green, double p, double z, double w, bool table) {
  const int i = green.LayerOf(z);
  const int s = green.LayerOf(w);
  double sum = table ? green.Smooth(i, s, p, z, w) : green.SmoothDirect(i, s, p, z, w);
  for (const SourceImage& image : green.Images(i, s)) {
    const double c = z - (image.sign * w + image.offset);
    sum += image.weight / std::hypot(p, c);
  }
  return sum;
}

const LayeredSoil kThree{{30000, 10000, 100000}, {2, 6}};              // 300 / 100 / 1000 ohm-m
const LayeredSoil kThinMiddle{{30000, 3000, 30000}, {1.5, 0.3}};  // a thin good layer
const LayeredSoil kFive{{20000, 80000, 5000, 40000, 100000}, {1, 2, 3, 4}};

TEST(LayeredGreen, PointValuesAgreeWithTheLayeredEquationsSolvedInDepth) {
  struct Row {
    std::string name;
    LayeredSoil soil;
    std::vector<double> depths;  // every pair of them, 1 m or more apart
  };
  const std::vector<Row> rows{
      {"Three", kThree, {0.5, 1.5, 3, 5, 7, 9}},
      {"ThinMiddle", kThinMiddle, {0.3, 1.5, 1.8, 3}},
      {"Five", kFive, {0.5, 2, 4, 7, 12}},
  };
  for (const Row& row : rows) {
    const LayeredGreen green(row.soil, 20, 15);
    for (const double z : row.depths) {
      std::vector<Source> sources;
      for (const double w : row.depths) {
        if (std::abs(z - w) < 0.9) continue;
        for (const double p : {0.0, 1.5, 6.0}) sources.push_back({w, p, 1});
      }
      const std::vector<double> reference = ReferencePotentials(row.soil, z, sources, 0.01);
      for (std::size_t k = 0; k < sources.size(); ++k) {
        const Source& s = sources[k];
        const double direct = Whole(green, s.p, z, s.w, false) / (4 * kPi);
        EXPECT_NEAR(direct / reference[k], 1, 2e-5) << row.name << " z " << z << " w " << s.w << " p " << s.p;
      }
    }
  }
}

TEST(LayeredGreen, TheTableAgreesWithTheFilterWhereItVariesMost) {
  // Near and across every interface, horizontally from on the axis to the span.
  for (const LayeredSoil& soil : {kThree, kThinMiddle, kFive}) {
    const LayeredGreen green(soil, 60, 12);
    std::vector<double> depths{0.05, 0.5};
    double top = 0;
    for (const double t : soil.thicknessM) {
      top += t;
      if (top > 12) break;
      for (const double d : {-0.01, 0.01, 0.2}) depths.push_back(top + d);
    }
    double worst = 0;
    for (const double z : depths) {
      for (const double w : depths) {
        for (const double p : {0.0, 0.004, 0.1, 0.7, 2.5, 9.0, 41.0}) {
          if (p == 0 && z == w) continue;
          const double whole = std::abs(Whole(green, p, z, w, false));
          const double error = std::abs(Whole(green, p, z, w, true) - Whole(green, p, z, w, false)) / whole;
          worst = std::max(worst, error);
        }
      }
    }
    EXPECT_LT(worst, 1e-5);
  }
}

TEST(LayeredGreen, ALayerLikeItsNeighbourLeavesTheTwoLayerKernel) {
  // 300 over 100 ohm-m at 2 m, the 100 split at 6 m: the series of images
  // and the layered kernel, every pair of layers.
  const EarthKernel two({0, TwoLayerSoil{30000, 2, 10000}, {}}, 30, 10);
  const EarthSoil split{0, {}, LayeredSoil{{30000, 10000, 10000}, {2, 4}}};
  const EarthKernel three(split, 30, 10);
  for (const double z : {0.0, 0.7, 1.9, 2.1, 5.5, 7.0}) {
    for (const double w : {0.5, 1.9, 2.1, 5.5, 7.0}) {
      for (const double p : {0.3, 2.0, 12.0}) {
        const Segment3 line{{0, 0, w}, {0, 0, w + 0.05}};
        const double a = two.At({p, 0, z}, {line, 0.005, w < 2 ? 0 : 1});
        const double b = three.At({p, 0, z}, {line, 0.005, LayerAt(split, w + 0.025)});
        EXPECT_NEAR(b / a, 1, 5e-5) << "z " << z << " w " << w << " p " << p;
      }
    }
  }
}

struct Electrode {
  std::string name;
  std::vector<Conductor> conductors;
  LayeredSoil soil;
  std::vector<Point3> points;  // where the potential is checked, 2 m or more from every conductor
};

std::vector<Electrode> Electrodes() {
  return {
      {"RodThroughTwoInterfaces", {{{0, 0, 0}, {0, 0, 7}, 0.016}}, kThree, {{0, 0, 10}, {3, 0, 12}}},
      {"RingInTheTop", RingConductors(3, 24, 0.6, 0.01), kThree, {{0, 0, 3}, {2, 1, 8}}},
      {"Ieee80GridWithRods", IeeeGridWithRods(), LayeredSoil{{30000, 10000, 100000}, {2, 6}}, {{20, 50, 14}}},
  };
}

TEST(LayeredGreen, SolvedElectrodesRaiseThePotentialTheLayeredEquationsGive) {
  for (const Electrode& e : Electrodes()) {
    const Result<Solution> solved = SolveElectrode(e.conductors, {0, {}, e.soil});
    ASSERT_TRUE(solved) << e.name;
    const EarthKernel kernel = KernelFor(*solved);
    for (const Point3& x : e.points) {
      // Each segment's current at its two Gauss points.
      std::vector<Source> sources;
      for (std::size_t i = 0; i < solved->elements.size(); ++i) {
        const Segment3& line = solved->elements[i].line;
        for (const double t : {0.5 - 0.5 / std::sqrt(3.0), 0.5 + 0.5 / std::sqrt(3.0)}) {
          const Point3 y{line.a.x + (line.b.x - line.a.x) * t, line.a.y + (line.b.y - line.a.y) * t,
                         line.a.z + (line.b.z - line.a.z) * t};
          sources.push_back({y.z, std::hypot(x.x - y.x, x.y - y.y), solved->amperes[i] / 2});
        }
      }
      double reference = 0;
      for (const double v : ReferencePotentials(e.soil, x.z, sources, 0.01)) reference += v;
      EXPECT_NEAR(PotentialAt(*solved, kernel, x) / reference, 1, 1e-4) << e.name << " at depth " << x.z;
    }
  }
}

EarthSoil Stack(std::vector<double> rho, std::vector<double> thickness) {
  EarthSoil soil;
  soil.stack = LayeredSoil{std::move(rho), std::move(thickness)};
  return soil;
}

TEST(LayeredGreen, ElectrodesTendToTheirLimits) {
  const std::vector<Conductor> rod{{{0, 0, 0}, {0, 0, 3}, 0.016}};
  const std::vector<Conductor> shortRod{{{0, 0, 0}, {0, 0, 1.8}, 0.016}};
  const std::vector<Conductor> ring = RingConductors(3, 24, 0.6, 0.01);
  const EarthSoil two{0, TwoLayerSoil{30000, 2, 10000}, {}};
  struct Row {
    std::string name;
    EarthSoil soil, limit;
    std::vector<Conductor> rod;
    double within;
  };
  const std::vector<Row> rows{
      // A middle layer all but equal to the one below: the two layers.
      {"AlikeBelow", Stack({30000, 10000, 10000 * (1 + 1e-7)}, {2, 1.5}), two, rod, 1e-3},
      {"AlikeAbove", Stack({30000, 30000 * (1 + 1e-7), 10000}, {1.2, 0.8}), two, rod, 1e-3},
      // A middle layer vanishing (a millimetre, under the electrode): the
      // two about it. (One thinner than a conductor crossing it is thick
      // leaves no thin wire there: refused as such.)
      {"Vanishing", Stack({30000, 100000, 10000}, {2, 1e-3}), two, shortRod, 1e-3},
      // A top far thicker than the electrode: its own resistivity.
      {"VeryThickTop", Stack({30000, 10000, 100000}, {2000, 10}), Stack({30000}, {}), rod, 1e-3},
  };
  for (const Row& row : rows) {
    for (const auto& conductors : {row.rod, ring}) {
      const Result<Solution> layered = SolveElectrode(conductors, row.soil);
      const Result<Solution> limit = SolveElectrode(conductors, row.limit);
      ASSERT_TRUE(layered && limit) << row.name;
      EXPECT_NEAR(layered->ohms / limit->ohms, 1, row.within) << row.name;
    }
  }
}

TEST(LayeredGreen, ConductorsAreCutAtEveryInterface) {
  const EarthSoil soil{0, {}, kFive};
  const Result<Solution> solved = SolveElectrode(std::vector<Conductor>{{{0, 0, 0.5}, {0, 0, 11}, 0.02}}, soil);
  ASSERT_TRUE(solved);
  for (const Element& e : solved->elements) {
    EXPECT_EQ(LayerAt(soil, e.line.a.z + 1e-9), e.layer);
    EXPECT_EQ(LayerAt(soil, e.line.b.z - 1e-9), e.layer);
  }
  EXPECT_EQ(solved->elements.back().layer, 4);
  // Neighbours alike are one layer; alike all through, one soil.
  const EarthSoil alike{0, {}, LayeredSoil{{5000, 5000, 8000, 8000}, {1, 2, 3}}};
  const EarthSoil merged = Simplified(alike);
  ASSERT_TRUE(merged.layers);
  EXPECT_EQ(merged.layers->h, 3);
  EXPECT_EQ(Simplified({0, {}, LayeredSoil{{5000, 5000, 5000}, {1, 2}}}).rho, 5000);
}

}  // namespace
}  // namespace ostrevin
