// Rods in two-layer soil by the method of moments.
//
// Each rod is cut into segments (finer toward its foot, where the current
// gathers, and cut at the layers' interface); each segment carries a
// uniform current of its own. The segments' currents are solved with all
// rods at one potential: Galerkin's method, the average potential along
// segment i from a unit current on segment j, with the two-layer image
// series as the Green's function for source and field points in either
// layer (Tagg, "Earth Resistances", 1964; Dawalibi and Mukhedkar, IEEE
// Trans. PAS-94, 1975), K = (rho2 - rho1) / (rho2 + rho1), depths z, w:
//   both in the top layer:    rho1/4pi [1/R(z-w) + 1/R(z+w)
//                             + sum_(n>=1) K^n (1/R(z-w +- 2nh) + 1/R(z+w +- 2nh))]
//   both below:               rho2/4pi [1/R(z-w) - K/R(z+w-2h)
//                             + (1-K^2) sum_(n>=0) K^n / R(z+w+2nh)]
//   one above, one below:     rho1(1+K)/4pi sum_(n>=0) K^n [1/R(z-w+2nh) + 1/R(z+w+2nh)]
// (z below, w above; reciprocal the other way). Each segment pair's double
// integral is in closed form; on a rod's own surface the kernel is averaged
// around its circumference, so that the segments may be shorter than the
// radius. Far images (beyond ten times the segments' extent) are taken by a
// moment expansion, and the series summed to its end. With one uniform
// soil and one segment a rod this is rod_groups.h's rods at one potential;
// with the segments here it is finer: a rod's resistance comes out 1 to 2 %
// below the single-rod formula, which takes the current as uniform.
//
// Validity: slender rods (at least kMinSlenderness radii long), no closer
// than their diameter; the contrast within kMaxLayerContrast. Eight
// segments a rod: doubling them changes a slender rod's resistance by under
// 0.1 %. Units: resistivities in ohm-cm, lengths in metres, ohms.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/rod_groups.h"
#include "core/two_layer_soil.h"

namespace ostrevin {

inline constexpr int kLayeredSegments = 8;

// Called now and then while a large group is worked out: the share done, 0 to 1.
using Progress = std::function<void(double done)>;

// The group's resistance with the rods at one potential in two-layer soil,
// or why there is none (the soil's or the group's problem).
Result<double> LayeredGroupOhms(const TwoLayerSoil& soil, double lengthM, double radiusM,
                                std::span<const RodPoint> rods, int segments = kLayeredSegments,
                                const Progress& progress = {});

// The fewest rods, up to kMaxRods, in a line or a ring at the spacing given
// whose group in two-layer soil is at or below the target; every count is
// tried (a line's from one factorisation of the longest).
Result<FewestRodsResult> FewestLayeredRods(const TwoLayerSoil& soil, double lengthM, double radiusM,
                                           RodLine layout, double spacing, double targetOhms,
                                           const Progress& progress = {});

// The rod length (metres) whose resistance in two-layer soil is the target,
// found continuously (the resistance falls as the rod grows): between the
// shortest rod the method takes (kMinSlenderness radii) and kLongestRodM.
// No length when even the shortest rod is below the target or the longest
// above it; the resistances at both ends are given either way.
inline constexpr double kLongestRodM = 9999.9;
struct LayeredLength {
  std::optional<double> lengthM;
  double shortestM = 0, shortestOhms = 0;  // the shortest rod and its resistance
  double longestOhms = 0;                  // the longest rod's resistance
};
// Refused with the soil's or the rod's problem when nothing could be worked out.
Result<LayeredLength> LayeredRodLength(const TwoLayerSoil& soil, double radiusM, double targetOhms);

}  // namespace ostrevin
