// Soil in N layers: uniform soil for every array,
// two layers against the image series (the series reimplemented here for
// any four electrodes, and two_layer_soil.h's for Wenner), three and five
// layers against the integral taken numerically between J0's zeros (not the
// filter), a layer equal to its neighbour vanishing, and the refusals.
#include "core/layered_earth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/numerics.h"
#include "core/two_layer_soil.h"

namespace ostrevin {
namespace {

// The potential of a unit current into two layers at distance r, over
// rho1 I / (2 pi): 1/r + 2 sum K^n / sqrt(r^2 + (2nh)^2) (Tagg 1964).
double ImageSeries(double k, double h, double r) {
  double sum = 1 / r;
  double kn = 1;
  for (int n = 1; n < 200000; ++n) {
    kn *= k;
    const double term = 2 * kn / std::hypot(r, 2 * n * h);
    sum += term;
    if (std::abs(term) < 1e-18 * std::abs(sum) && std::abs(kn) < 1e-17) break;
  }
  return sum;
}

double ImageArray(double rho1, double rho2, double h, const FourElectrodes& e) {
  const double k = (rho2 - rho1) / (rho2 + rho1);
  const auto v = [&](double r) { return ImageSeries(k, h, r); };
  const double am = std::abs(e.xm - e.xa);
  const double an = std::abs(e.xn - e.xa);
  const double bm = std::abs(e.xm - e.xb);
  const double bn = std::abs(e.xn - e.xb);
  const double g = 1 / am - 1 / an - 1 / bm + 1 / bn;
  return rho1 * (v(am) - v(an) - v(bm) + v(bn)) / g;
}

// F(r) / rho1 = int_0^inf (T1 / rho1 - 1) J0(lambda r) dlambda the slow way:
// Gauss-Legendre between J0's zeros (McMahon's), each half-period halved
// until 16 points agree with two times 8, to where the kernel is below
// 1e-16 (exp(-2 lambda h1) with lambda h1 = 22).
template <class F>
double Gauss(const F& f, double from, double to, int points) {
  const GaussRule& rule = GaussLegendre(points);
  double sum = 0;
  for (std::size_t j = 0; j < rule.nodes.size(); ++j) sum += rule.weights[j] * f(from + (to - from) * rule.nodes[j]);
  return sum * (to - from);
}

template <class F>
double Adaptive(const F& f, double from, double to, double tolerance, int depth = 0) {
  const double whole = Gauss(f, from, to, 16);
  const double mid = (from + to) / 2;
  const double halves = Gauss(f, from, mid, 8) + Gauss(f, mid, to, 8);
  if (std::abs(whole - halves) <= tolerance || depth > 40) return whole;
  return Adaptive(f, from, mid, tolerance / 2, depth + 1) + Adaptive(f, mid, to, tolerance / 2, depth + 1);
}

double SlowExcess(const LayeredSoil& soil, double r) {
  const double end = 22 / soil.thicknessM.front();
  const auto f = [&](double lambda) { return TransformExcess(soil, lambda) * BesselJ0(lambda * r); };
  const double tolerance = 1e-14 / r * std::max(1.0, std::abs(TransformExcess(soil, 0)));
  double sum = 0;
  for (double from = 0, k = 1; from < end; ++k) {
    const double to = (k - 0.25) * kPi / r;
    sum += Adaptive(f, from, to, tolerance);
    from = to;
  }
  return sum;
}

double SlowArray(const LayeredSoil& soil, const FourElectrodes& e) {
  const double am = std::abs(e.xm - e.xa);
  const double an = std::abs(e.xn - e.xa);
  const double bm = std::abs(e.xm - e.xb);
  const double bn = std::abs(e.xn - e.xb);
  const double g = 1 / am - 1 / an - 1 / bm + 1 / bn;
  const auto f = [&](double r) { return SlowExcess(soil, r); };
  return soil.rho.front() * (1 + (f(am) - f(an) - f(bm) + f(bn)) / g);
}

struct Array {
  const char* name;
  FourElectrodes electrodes;
};
const Array kArrays[] = {
    {"Wenner 1 m", WennerArray(1)},
    {"Wenner 64 m", WennerArray(64)},
    {"Schlumberger 30 m / 1 m", SchlumbergerArray(30, 1)},
    {"dipole-dipole 2 m, n 4", DipoleDipoleArray(2, 4)},
    {"any four", {-3, 11, 2.5, 4}},
};

TEST(LayeredEarth, UniformSoilReadsItsResistivityOnEveryArray) {
  const LayeredSoil uniform{{10000}, {}};
  const LayeredSoil equal{{10000, 10000, 10000}, {1.5, 4}};
  for (const Array& a : kArrays) {
    EXPECT_NEAR(*ApparentResistivity(uniform, a.electrodes) / 10000, 1, 1e-12) << a.name;
    EXPECT_NEAR(*ApparentResistivity(equal, a.electrodes) / 10000, 1, 1e-12) << a.name;
  }
}

TEST(LayeredEarth, TwoLayersMatchTheImageSeries) {
  struct Soil {
    double rho1, rho2, h, tolerance;
  };
  for (const Soil s : {Soil{10000, 1000000, 2, 1e-9}, Soil{1000000, 10000, 2, 1e-9}, Soil{20000, 5000, 0.7, 1e-9},
                       Soil{1000, 1000000, 3, 1e-6}, Soil{1000000, 1000, 3, 1e-6}}) {
    const LayeredSoil soil{{s.rho1, s.rho2}, {s.h}};
    for (const Array& a : kArrays) {
      const double series = ImageArray(s.rho1, s.rho2, s.h, a.electrodes);
      EXPECT_NEAR(*ApparentResistivity(soil, a.electrodes) / series, 1, s.tolerance)
          << a.name << ", " << s.rho1 << " over " << s.rho2;
    }
    // Just inside the widest spread the filter sees the top layer at.
    const FourElectrodes widest = WennerArray(0.99 * kWidestOverTop * s.h / 2);
    EXPECT_NEAR(*ApparentResistivity(soil, widest) / ImageArray(s.rho1, s.rho2, s.h, widest), 1, s.tolerance);
    for (const double spacing : {0.5, 4.0, 64.0}) {
      const double wenner = *TwoLayerWenner({s.rho1, s.h, s.rho2}, spacing, 0);
      EXPECT_NEAR(*ApparentResistivity(soil, WennerArray(spacing)) / wenner, 1, s.tolerance) << spacing;
    }
  }
}

TEST(LayeredEarth, ALayerEqualToItsNeighbourVanishes) {
  const LayeredSoil two{{10000, 30000}, {2}};
  const LayeredSoil deeper{{10000, 30000}, {7}};
  const LayeredSoil splitBelow{{10000, 30000, 30000}, {2, 5}};
  const LayeredSoil splitAbove{{10000, 10000, 30000}, {2, 5}};
  for (const Array& a : kArrays) {
    EXPECT_NEAR(*ApparentResistivity(splitBelow, a.electrodes) / *ApparentResistivity(two, a.electrodes), 1, 1e-10)
        << a.name;
    EXPECT_NEAR(*ApparentResistivity(splitAbove, a.electrodes) / *ApparentResistivity(deeper, a.electrodes), 1,
                1e-10)
        << a.name;
  }
}

TEST(LayeredEarth, MoreLayersMatchTheIntegralTakenSlowly) {
  const struct {
    const char* name;
    LayeredSoil soil;
  } kSoils[] = {
      {"100 / 300 / 50 ohm-m", {{10000, 30000, 5000}, {2, 5}}},
      {"a resistive bottom", {{10000, 3000, 300000}, {1, 4}}},
      {"five layers", {{20000, 5000, 80000, 2000, 100000}, {0.5, 1.5, 3, 10}}},
  };
  for (const auto& soil : kSoils) {
    for (const Array& a : kArrays) {
      EXPECT_NEAR(*ApparentResistivity(soil.soil, a.electrodes) / SlowArray(soil.soil, a.electrodes), 1, 1e-8)
          << soil.name << ", " << a.name;
    }
  }
}

// 100 / 300 / 50 ohm-m, boundaries at 2 m and 7 m: the top's at short
// spacings, the resistive middle's rise, the bottom's at wide ones.
TEST(LayeredEarth, ThreeLayersReadEachInTurn) {
  const LayeredSoil soil{{10000, 30000, 5000}, {2, 5}};
  const double near = *ApparentResistivity(soil, WennerArray(0.25));
  const double middle = *ApparentResistivity(soil, WennerArray(4));
  const double far = *ApparentResistivity(soil, WennerArray(256));
  EXPECT_NEAR(near / 10000, 1, 0.01);
  EXPECT_GT(middle, 11000);
  EXPECT_NEAR(far / 5000, 1, 0.1);
}

TEST(LayeredEarth, Refusals) {
  struct Row {
    const char* name;
    LayeredSoil soil;
    FourElectrodes array;
    const char* why;
  };
  const FourElectrodes wenner = WennerArray(2);
  for (const Row& row : {
           Row{"eight layers", {{1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1}}, wenner, "1 to 7 layers"},
           Row{"no thickness", {{100, 200}, {}}, wenner, "needs its thickness"},
           Row{"a zero thickness", {{100, 200, 300}, {1, 0}}, wenner, "layer 2's thickness"},
           Row{"a negative resistivity", {{100, -200}, {1}}, wenner, "layer 2's resistivity"},
           Row{"beyond the contrast", {{100, 200000}, {1}}, wenner, "more than 1000 times"},
           Row{"electrodes that coincide", {{100}, {}}, {0, 3, 0, 2}, "stands on a current electrode"},
           Row{"a top layer far too thin", {{100, 200}, {0.001}}, WennerArray(5.1), "too thin"},
       }) {
    const Result<double> got = ApparentResistivity(row.soil, row.array);
    ASSERT_FALSE(got) << row.name;
    EXPECT_NE(got.why().find(row.why), std::string::npos) << row.name << ": " << got.why();
  }
}

}  // namespace
}  // namespace ostrevin
