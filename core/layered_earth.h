// Soil in N horizontal layers and what any four electrodes on a line read
// over it.
//
// A current I into the surface of layered ground raises the surface at a
// distance r to (Koefoed, "Geosounding Principles 1", 1979, ch. 2; Stefanescu
// and Schlumberger's integral)
//   V(r) = I / (2 pi) int_0^inf T1(lambda) J0(lambda r) dlambda,
// T1 the resistivity transform, by Pekeris' recursion from the bottom:
//   T_N = rho_N,  T_i = (T_(i+1) + rho_i t_i) / (1 + T_(i+1) t_i / rho_i),
//   t_i = tanh(lambda h_i).
// The uniform part (rho1: V = rho1 I / (2 pi r)) is taken in closed form, the
// rest, F(r) = int_0^inf (T1 - rho1) J0(lambda r) dlambda, by Key's 201-point
// digital filter (numerics.h), with the kernel's value at lambda = 0 taken
// out and added back in closed form. A four-electrode array, A and B the
// current's, M and N the potential's, reads
//   rho_a = rho1 + (F(AM) - F(AN) - F(BM) + F(BN)) / G,
//   G = 1/AM - 1/AN - 1/BM + 1/BN.
// Uniform soil gives rho1 to 1e-12; two layers agree with the image series
// (two_layer_soil.h, and the series for any four electrodes) within 1e-9 up
// to a contrast of 100 and 1e-6 up to 1,000, and three layers with the
// integral taken numerically between J0's zeros within 1e-8 (tested on five
// arrays). Some 20 us a Wenner reading over five layers.
//
// Units: resistivities in ohm-cm, lengths in metres.
//
// Worked example: 100 / 300 / 50 ohm-m with boundaries at 2 m and 7 m reads
// (Wenner) close to 100 ohm-m at a = 0.5 m, above it near a = 4 m, and
// falls toward 50 ohm-m past a = 64 m.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace ostrevin {

inline constexpr int kMostLayers = 7;

struct LayeredSoil {
  std::vector<double> rho;         // ohm-cm, top first; the last is the half-space
  std::vector<double> thicknessM;  // one fewer: each layer's but the last's
};

// Why the soil cannot be used, or nothing: 1 to kMostLayers layers, each
// resistivity positive and finite, each thickness positive and finite, and
// neighbouring layers within kMaxLayerContrast of each other.
Checked CheckLayers(const LayeredSoil& soil);

// T1(lambda) / rho1 - 1 at a wavenumber `lambda` (1/m).
double TransformExcess(const LayeredSoil& soil, double lambda);

// Four electrodes on a line at xA, xB (the current's) and xM, xN (the
// potential's), metres.
struct FourElectrodes {
  double xa = 0, xb = 0, xm = 0, xn = 0;
};
FourElectrodes WennerArray(double spacingM);                        // A M N B, a apart
FourElectrodes SchlumbergerArray(double ab2M, double mn2M);         // AB/2, MN/2
FourElectrodes DipoleDipoleArray(double spacingM, double n);        // A B, n a, M N

// The array's geometric factor G = 1/AM - 1/AN - 1/BM + 1/BN (1/m): a
// reading R (ohms) is an apparent resistivity of 2 pi R / G (ohm-m). Infinite
// where a potential electrode stands on a current one.
double ArrayFactor(const FourElectrodes& array);

// The apparent resistivity (ohm-cm) the array reads at the surface:
// refused for a soil CheckLayers refuses, electrodes that coincide, an
// array whose geometric factor vanishes (it reads nothing), and electrodes
// more than kWidestOverTop times the top layer's thickness apart (the
// filter would not see the top layer).
inline constexpr double kWidestOverTop = 10000;
Result<double> ApparentResistivity(const LayeredSoil& soil, const FourElectrodes& array);

}  // namespace ostrevin
