// The potential of a point current in soil of N horizontal layers under an
// insulating surface: the electrode solver's kernel where the soil has
// three layers or more (earth_kernel.h keeps the two-layer image series).
//
// In the Hankel domain (Sunde, "Earth Conduction Effects in Transmission
// Systems", 1949, ch. 2; Koefoed, "Geosounding Principles 1", 1979, ch. 2)
// one ampere at depth w in layer s raises a point at depth z in layer i,
// a horizontal distance p away, to
//   V = 1/(4 pi) int_0^inf phi_i(lambda, z) J0(lambda p) dlambda,
//   phi_i = [i = s] rho_s e^(-lambda |z - w|)
//         + a_i e^(-lambda (z - d_i)) + b_i e^(-lambda (d_(i+1) - z)),
// d_i the depth of layer i's top (d_0 = 0), with a zero normal current at
// the surface and the potential and normal current continuous across each
// interface: 2N - 1 linear equations for the a_i and b_i (b of the
// half-space none), solved for each lambda. Written from the layers'
// boundaries every exponential is at most 1, so the equations stay well
// conditioned at any lambda. Each a_i and b_i is linear in the source's
// waves at its layer's top and bottom, e^(-lambda (w - d_s)) and
// e^(-lambda (d_(s+1) - w)): four terms C(lambda) e^(-lambda X), X >= 0
// the distance from the field to an image of the source.
//
// C tends to a constant C_inf as lambda grows (the local reflection or
// transmission at the interface or surface between them): that part is
// an image, C_inf / sqrt(p^2 + X^2), integrated exactly by the solver as
// the two-layer images are. The rest, (C - C_inf) e^(-lambda X), falls at
// least as e^(-lambda (X + t)), t the thinnest layer's thickness, and is
// smooth in (p, X): tabulated once per soil over asinh(p / t) and
// log(X + t) (steps of 1/24 and 1/16), its nodes by Key's filter
// (numerics.h) with (C(0) - C_inf) e^(-2 lambda D) taken out and added back
// by Lipschitz's integral (D the deepest interface), those at p = 0 by
// Gauss-Legendre in log lambda. Points beyond the table take the filter
// directly. Accuracy: the table agrees with the direct integral to 1e-5 of
// the kernel's whole value (tested where it varies most, near the thinnest
// layer), and a layer equal to its neighbour gives the two-layer series.
//
// Units: resistivities in ohm-cm given, the kernel's values in ohm-m per
// metre (the potential times 4 pi for one ampere); lengths in metres.
//
// Worked example: in 100 / 100 / 100 ohm-m with boundaries anywhere, the
// images are the source and its mirror in the surface, the rest zero.
#pragma once

#include <array>
#include <vector>

#include "core/layered_earth.h"

namespace ostrevin {

// An image of a source at depth w: at sign * w + offset, below the same
// horizontal point, of `weight` (ohm-m) times the unit source.
struct SourceImage {
  double weight = 0;
  double sign = 1;
  double offset = 0;
};

class LayeredGreen {
 public:
  // A soil CheckLayers accepts; asked for horizontal distances up to spanM
  // and depths up to depthM (beyond: the slower direct filter).
  LayeredGreen(const LayeredSoil& soil, double spanM, double depthM);

  int Layers() const { return static_cast<int>(rho_.size()); }
  // The layer a depth lies in (an interface's depth: the layer below).
  int LayerOf(double depth) const;
  double ThinnestM() const { return thinnest_; }

  // The source itself and its images that come close to the field, for a
  // field in layer `field` and a source in layer `source`.
  const std::vector<SourceImage>& Images(int field, int source) const;

  // The rest of the kernel, smooth, for the field at depth z and the
  // source at depth w in those layers, p apart horizontally: from the
  // table, and by the filter itself (the reference the table is tested
  // against, and the value beyond it).
  double Smooth(int field, int source, double p, double z, double w) const;
  double SmoothDirect(int field, int source, double p, double z, double w) const;

 private:
  // The four terms of a layer pair: a or b at the field, U or D at the
  // source; term = 2 * (b ? 1 : 0) + (D ? 1 : 0).
  static constexpr int kTerms = 4;
  // Every layer pair's terms' C at one lambda: [field][source][term].
  using Coefficients = std::vector<double>;
  Coefficients Solve(double lambda) const;
  double Rest(const Coefficients& c, std::size_t k, double lambda) const;
  double Lipschitz(std::size_t k, double p, double x) const;
  std::size_t Index(int field, int source, int term) const {
    return (static_cast<std::size_t>(field) * rho_.size() + static_cast<std::size_t>(source)) * kTerms +
           static_cast<std::size_t>(term);
  }
  bool Exists(int field, int source, int term) const;
  double DistanceOf(int field, int source, int term, double z, double w) const;
  double Top(int layer) const { return top_[static_cast<std::size_t>(layer)]; }
  double Bottom(int layer) const { return top_[static_cast<std::size_t>(layer) + 1]; }
  void Tabulate(double spanM, double depthM);
  double FromTable(std::size_t table, int column, const std::array<double, 4>& wp, double x) const;

  std::vector<double> rho_;  // ohm-m
  std::vector<double> top_;  // each layer's top, then infinity
  double thinnest_ = 1, deepest_ = 0;
  Coefficients atInfinity_, atZero_;
  std::vector<std::vector<SourceImage>> images_;  // [field * N + source]
  int tabulated_ = 0;  // layers 0 .. tabulated_ - 1 are in the table
  // One table per (field, source, term) of the tabulated layers, each over
  // asinh(p / t) (pCount_ columns) and log(X + t) (xCount_ rows).
  std::vector<std::vector<double>> tables_;
  int pCount_ = 0, xCount_ = 0;
};

}  // namespace ostrevin
