// Two-layer soil: a top layer of resistivity rho1 and thickness h over a
// bottom half-space of resistivity rho2, and what a Wenner survey reads over
// it.
//
// Units: resistivities in ohm-cm, lengths in metres.
//
// The apparent resistivity of a Wenner array with spacing a, its probes at
// the surface, over two layers (Tagg, "Earth Resistances", 1964, the series
// IEEE Std 81-1983, appendix B, fits surveys with), with
// K = (rho2 - rho1) / (rho2 + rho1):
//   rho_a = rho1 (1 + 4 sum_(n>=1) K^n (1 / sqrt(1 + (2nh/a)^2) - 1 / sqrt(4 + (2nh/a)^2))).
// With the probes at depth b (b < h), each probe a point source at depth b
// with its images in the surface and the interface, measured through the
// uniform-soil formula for probes b deep (soil_resistivity.h):
//   rho_a = rho1 (1 + (2a / D) sum_(n>=1) K^n (2t(2nh) + t(2nh - 2b) + t(2nh + 2b))),
//   t(d) = 1 / sqrt(a^2 + d^2) - 1 / sqrt(4a^2 + d^2),
//   D = 1 + 2a / sqrt(a^2 + 4b^2) - a / sqrt(a^2 + b^2),
// which is the first at b = 0. The series is summed until a bound on the
// whole remaining tail (its terms are below t's value at the next n times
// |K|^n) is under 1e-13 of the sum: K near +-1 needs thousands of terms.
// Near -1 they alternate; a plain sum still agrees with a long-double one
// to about 1e-11 (tested).
//
// Worked example (a survey near a substation, fitted by a published
// program to rho1 413.57 ohm-m, h 2.16 m, rho2 122.97 ohm-m): the model
// reads 400.7 ohm-m at a = 1 m and 127.0 ohm-m at a = 16 m.
#pragma once

#include <optional>
#include <string>

#include "core/result.h"

namespace ostrevin {

struct TwoLayerSoil {
  double rho1 = 0;  // ohm-cm, the top layer
  double h = 0;     // metres, the top layer's thickness
  double rho2 = 0;  // ohm-cm, below
};

// The contrast accepted between the layers, either way: beyond it the
// series needs too many terms to be trusted and no survey tells it apart.
inline constexpr double kMaxLayerContrast = 1000;

// K = (rho2 - rho1) / (rho2 + rho1).
double Reflection(const TwoLayerSoil& soil);

// Why the soil cannot be used, or nothing: resistivities and thickness
// positive and finite, the contrast within kMaxLayerContrast.
Checked CheckSoil(const TwoLayerSoil& soil);

// The apparent resistivity (ohm-cm) a Wenner array of spacing a reads with
// its probes `depthM` deep; no result when the probes reach the bottom
// layer (depth at or below h), the inputs are not positive, or the soil has
// a problem (CheckSoil).
std::optional<double> TwoLayerWenner(const TwoLayerSoil& soil, double spacingM, double depthM);

// rho_a / rho1 for any reflection |K| < 1 (the series above), with the
// probes b deep (0 <= b < h), a > 0.
double WennerLayerFactor(double k, double hM, double spacingM, double depthM);

}  // namespace ostrevin
