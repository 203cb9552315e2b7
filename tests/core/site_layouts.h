// Whole sites for the benchmarks and tests of the compressed solver: a
// solar farm with no symmetry and a wind farm of rings joined by a trench.
#pragma once

#include <cmath>
#include <numbers>
#include <vector>

#include "core/earth_solver.h"
#include "core/electrode_layouts.h"

namespace ostrevin {

// A trapezoidal site 1 km deep, 600 m wide at y = 0 growing to 1,000 m at
// y = 1 km: its perimeter and a row every 10 m from x = 0 to the sloping
// side, 0.6 m deep, 10 mm; a 3 m rod of 16 mm at every fifth row's end.
// About 80 km of conductor, 4,334 unknowns: the dense solver's old bound
// refused it.
inline std::vector<Conductor> SolarFarm() {
  constexpr double kDepth = 0.6;
  constexpr double kWire = 0.010;
  const auto width = [](double y) { return 600 + 0.4 * y; };
  std::vector<Conductor> site;
  // The perimeter's left and sloping sides cut at every row (where the rows meet them).
  for (int row = 0; row < 100; ++row) {
    const double y0 = 10.0 * row;
    const double y1 = y0 + 10;
    site.push_back({{0, y0, kDepth}, {0, y1, kDepth}, kWire});
    site.push_back({{width(y0), y0, kDepth}, {width(y1), y1, kDepth}, kWire});
  }
  // The rows, the first and last the perimeter's ends.
  for (int row = 0; row <= 100; ++row) {
    const double y = 10.0 * row;
    site.push_back({{0, y, kDepth}, {width(y), y, kDepth}, kWire});
    if (row % 5 == 0) site.push_back({{width(y), y, kDepth}, {width(y), y, kDepth + 3}, 0.016});
  }
  return site;
}

// Twenty turbines 500 m apart on a line bent by 30 degrees after the tenth,
// each a ring of 15 m across (24 sides) 1 m deep with four rods of 6 m,
// joined by one trench conductor 0.8 m deep (down to each ring at its side).
inline std::vector<Conductor> WindFarm() {
  constexpr double kRing = 7.5;  // radius
  constexpr int kSides = 24;
  constexpr double kPi = std::numbers::pi;
  std::vector<Conductor> site;
  std::vector<std::pair<double, double>> centres;
  double x = 0;
  double y = 0;
  for (int k = 0; k < 20; ++k) {
    centres.emplace_back(x, y);
    const double bearing = k < 9 ? 0 : kPi / 6;
    x += 500 * std::cos(bearing);
    y += 500 * std::sin(bearing);
  }
  for (std::size_t k = 0; k < centres.size(); ++k) {
    const auto [cx, cy] = centres[k];
    for (int side = 0; side < kSides; ++side) {
      const double a = 2 * kPi * side / kSides;
      const double b = 2 * kPi * (side + 1) / kSides;
      site.push_back({{cx + kRing * std::cos(a), cy + kRing * std::sin(a), 1},
                      {cx + kRing * std::cos(b), cy + kRing * std::sin(b), 1}, 0.010});
    }
    for (int rod = 0; rod < 4; ++rod) {
      const double a = 2 * kPi * (6 * rod + 3) / kSides;  // between the trench's corners
      site.push_back({{cx + kRing * std::cos(a), cy + kRing * std::sin(a), 1},
                      {cx + kRing * std::cos(a), cy + kRing * std::sin(a), 7}, 0.016});
    }
  }
  // The trench: from each ring's side toward the next, and down to the rings.
  for (std::size_t k = 0; k + 1 < centres.size(); ++k) {
    const auto [ax, ay] = centres[k];
    const auto [bx, by] = centres[k + 1];
    const double along = std::atan2(by - ay, bx - ax);
    // The corners of the rings nearest each other (a corner every 15 degrees).
    const double out = std::round(along / (2 * kPi / kSides)) * (2 * kPi / kSides);
    const double fromX = ax + kRing * std::cos(out);
    const double fromY = ay + kRing * std::sin(out);
    const double toX = bx - kRing * std::cos(out);
    const double toY = by - kRing * std::sin(out);
    site.push_back({{fromX, fromY, 1}, {fromX, fromY, 0.8}, 0.010});
    site.push_back({{fromX, fromY, 0.8}, {toX, toY, 0.8}, 0.010});
    site.push_back({{toX, toY, 0.8}, {toX, toY, 1}, 0.010});
  }
  return site;
}

}  // namespace ostrevin
