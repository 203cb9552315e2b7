// The potential on the surface above a solved electrode (earth_solver.h),
// on a square lattice: what touch and step voltages and the maps are made of.
//
// Every point's potential is the sum over all segments of their currents
// times the kernel (earth_kernel.h). Summed directly that is points x
// segments evaluations (90,000 x 2,600 for IEEE 80's grid with rods: a
// minute). Here the sum is split: the segments near a cell of a coarser
// lattice (about 1 m) are summed exactly at each of its points; the rest, a
// potential that varies smoothly over the cell (its sources are at least
// three cells away), is the exact total at the coarse nodes less the near
// part there, interpolated by cubics (an error below 1e-4 of the
// electrode's potential, as the tests check against the direct sum). Points
// that the electrode's symmetry maps onto others (a quarter or an eighth of
// a square grid's lattice) are worked out once.
//
// Units: metres, volts for one ampere into the electrode.
#pragma once

#include <cstddef>
#include <vector>

#include "core/earth_solver.h"

namespace ostrevin {

struct Lattice {
  double x0 = 0, y0 = 0;  // the first point, metres
  double step = 0.25;     // between points, metres
  int nx = 0, ny = 0;     // points along x and along y
  double X(int i) const { return x0 + step * i; }
  double Y(int j) const { return y0 + step * j; }
  std::size_t Size() const { return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny); }
};

// A lattice at `step` covering [x0, x1] x [y0, y1] and `margin` round it,
// centred on that box (so that a symmetric electrode's lattice is symmetric
// too), a little wider where whole cells need it.
Lattice LatticeOver(double x0, double x1, double y0, double y1, double margin, double step);

// Above this many points times segments the exact totals are summed
// through a hierarchical matrix of the points and the segments (its blocks
// apart as crosses, within 3e-5 of the electrode's potential of the direct
// sum), below it directly: a large site's map in seconds, not hours.
inline constexpr double kDirectPairs = 5e7;

// The potential at every lattice point, row by row (point (i, j) at
// j * nx + i), for one ampere into the electrode.
std::vector<double> SurfacePotentials(const Solution& solution, const EarthKernel& kernel,
                                      const Lattice& lattice, const Progress& progress = {},
                                      double directPairs = kDirectPairs);

}  // namespace ostrevin
