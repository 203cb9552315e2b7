// The potential in the soil of a current leaving a straight segment of a
// buried conductor: the Green's function of uniform or two-layer soil with an
// insulating surface, integrated over segments (line_integrals.h).
//
// Uniform soil of resistivity rho: G = rho/4pi (1/R + 1/R'), R' to the
// source's image in the surface. Two layers (rho1 to depth h, rho2 below,
// K = (rho2 - rho1)/(rho2 + rho1)), by images (Tagg, "Earth Resistances",
// 1964; Dawalibi and Mukhedkar, IEEE Trans. PAS-94, 1975), z the field's
// depth, w the source's, R(c) = sqrt(p^2 + c^2), p the horizontal distance:
//   both in the top layer:  rho1/4pi [R(z-w)^-1 + R(z+w)^-1
//                           + sum_(n>=1) K^n (R(z-w+2nh)^-1 + R(z-w-2nh)^-1
//                                            + R(z+w+2nh)^-1 + R(z+w-2nh)^-1)]
//   both below:             rho2/4pi [R(z-w)^-1 - K R(z+w-2h)^-1
//                           + (1-K^2) sum_(n>=0) K^n R(z+w+2nh)^-1]
//   one in each:            rho1(1+K)/4pi sum_(n>=0) K^n (R(z-w+2nh)^-1 + R(z+w+2nh)^-1)
//                           (z the deeper; the same either way: reciprocity).
// The images that can come close to a conductor (the source itself, its
// image in the surface, its first image in the interface, and each term of
// order 0) are segments of their own, integrated exactly. The rest of each
// series lies at least h away and varies slowly: it is one function
// Q(p, x) = sum_(n>=1) K^n / R(x + 2nh), tabulated once per soil over the
// span and depth of the electrode (cubic in asinh(p/h) and log(x + 2h),
// its tail beyond 2nh = 4p summed in closed form from moments), and
// integrated by Gauss-Legendre points graded to the segments' lengths.
// A point twice a segment's length from it or more takes the whole kernel,
// images and series together, by Gauss points (enough for a part in 10^5):
// where the soil below is much better the series nearly cancels the images,
// and integrated apart their errors would not cancel (a 1-point rule on the
// series alone was 6 % out at five lengths). Between segments the images
// stay exact (the matrix must stay positive definite: one formula for near
// and far pairs), the series taken with points for a part in 10^5 of itself.
// Three layers or more take their kernel from layered_green.h: the same
// exact images (the source, its mirror in the surface, and the nearest in
// each interface) and the rest tabulated, integrated here as the series is.
// Units: resistivities in ohm-cm, lengths in metres, potentials in volts
// for one ampere.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "core/layered_green.h"
#include "core/line_integrals.h"
#include "core/two_layer_soil.h"

namespace ostrevin {

// The soil an electrode stands in: uniform, two layers, or more
// (layered_green.h).
struct EarthSoil {
  double rho = 0;                      // ohm-cm, uniform soil
  std::optional<TwoLayerSoil> layers;  // or two layers (rho is then unused)
  std::optional<LayeredSoil> stack{};  // or any number (rho and layers unused)
};

// The soil's interfaces, top first (none in uniform soil): each one's depth
// and reflection coefficient (rho_below - rho_above) / (rho_below + rho_above).
struct Interfaces {
  std::array<double, kMostLayers - 1> depth{}, reflection{};
  std::size_t count = 0;
};
Interfaces InterfacesOf(const EarthSoil& soil);
// The layer (0 the top) a depth lies in; an interface's depth is the layer below's.
int LayerAt(const EarthSoil& soil, double depth);
// The same soil with neighbouring layers alike made one: a stack of two
// becomes two layers, of one a uniform soil.
EarthSoil Simplified(const EarthSoil& soil);

// A segment of a conductor, the unit of the method of moments: entirely in
// one layer.
struct Element {
  Segment3 line;
  double radius = 0;
  int layer = 0;  // 0 the top layer (always, in uniform soil)
};

class EarthKernel {
 public:
  // `spanM` is the largest horizontal distance and `depthM` the greatest
  // depth the kernel is asked about.
  EarthKernel(const EarthSoil& soil, double spanM, double depthM);

  // The average potential along f for one ampere spread evenly along s.
  double Mutual(const Element& f, const Element& s) const;
  // The same for segments apart (their middles twice the longer's length
  // or more) by Gauss-Legendre points on both, images and all, enough for
  // a part in 10^5 (GaussPointsFor); nearer, Mutual itself. For the
  // compressed solver's blocks of segments far apart.
  double FarMutual(const Element& f, const Element& s) const;
  // Whether FarMutual takes its Gauss points for two segments (apart as it says).
  static bool Apart(const Element& f, const Element& s);
  // The potential at x for one ampere spread evenly along s (x not on s).
  double At(const Point3& x, const Element& s) const;

  // The slowly varying part of the series, Q(p, x) (for the tests).
  double SmoothSeries(double p, double x) const;

 private:
  using Image = SourceImage;  // its weight times the region's prefactor
  // Where a horizontal distance p falls in the table: its column and the
  // cubic's weights, worked out once for the several depths it is read at.
  struct Across {
    double p = 0;
    bool beyond = false;  // past the table: summed directly
    int column = 0;
    std::array<double, 4> weights{};
  };
  Across AcrossAt(double p) const;
  double SmoothSeries(const Across& across, double x) const;
  // The kernel between two points, without the prefactor.
  double Point(int field, int source, const Point3& x, const Point3& y) const;
  // The exact images of a source in its region pair, and the prefactor.
  double Prefactor(int field, int source) const;
  const std::vector<Image>& Images(int field, int source) const;
  // The smooth part of the kernel at a field depth z and source depth w,
  // horizontal distance p, without the prefactor.
  double Smooth(int field, int source, double p, double z, double w) const;
  // The least distance of the smooth part's images from the field (h or more).
  double SmoothDistance(int field, int source) const;
  bool HasSmooth() const;
  int LayerOf(double depth) const;
  void Tabulate(double spanM, double depthM);

  bool layered_ = false;
  std::shared_ptr<const LayeredGreen> stack_;  // three layers or more
  double rho1_ = 0, rho2_ = 0;  // ohm-m
  double h_ = 0, k_ = 0;
  std::vector<Image> upperUpper_, lowerLower_, across_;
  // The table of Q over asinh(p / h) and log(x + 2h), uniform steps.
  std::vector<double> table_;
  int pCount_ = 0, xCount_ = 0;
  double pStep_ = 1, xStep_ = 1, xLow_ = 0;
  long terms_ = 0;  // of the series, beyond which |K|^n < 1e-16
};

}  // namespace ostrevin
