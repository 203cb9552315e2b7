#include "core/surface_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>

#include "core/hierarchical_matrix.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {

// The coarse lattice's spacing, about; and how many of its cells away a
// segment is near a cell (beyond its stencil).
constexpr double kCoarseM = 1.0;
constexpr int kNearCells = 3;

// Fine steps to a coarse one: 1 where the lattice is itself coarse.
int CoarseFactor(double step) { return std::max(1, static_cast<int>(std::lround(kCoarseM / step))); }

// A map of the lattice onto itself, on coordinates doubled about its centre.
struct LatticeMap {
  int a, b, c, d;
};

// The maps of the lattice that are also the electrode's symmetries
// (turns by quarters, mirrors along the axes and diagonals).
std::vector<LatticeMap> SharedSymmetries(const Solution& solution, const Lattice& lattice) {
  std::vector<LatticeMap> maps;
  const double cx = lattice.X(0) + lattice.step * (lattice.nx - 1) / 2;
  const double cy = lattice.Y(0) + lattice.step * (lattice.ny - 1) / 2;
  const double slack = 1e-6 * (1 + lattice.step * std::max(lattice.nx, lattice.ny));
  if (std::abs(cx - solution.centreX) > slack || std::abs(cy - solution.centreY) > slack) return maps;
  const bool square = lattice.nx == lattice.ny;
  const auto whole = [](double x) { return std::abs(x - std::round(x)) < 1e-9; };
  const auto turn = [&](double angle) { return whole(angle / (2 * kPi) * solution.turns); };
  const auto mirror = [&](double twice) {
    return solution.mirror && whole((twice - *solution.mirror) / (2 * kPi) * solution.turns);
  };
  if (square && turn(kPi / 2)) maps.push_back({0, -1, 1, 0});
  if (turn(kPi)) maps.push_back({-1, 0, 0, -1});
  if (square && turn(kPi / 2)) maps.push_back({0, 1, -1, 0});
  if (mirror(0)) maps.push_back({1, 0, 0, -1});
  if (mirror(kPi)) maps.push_back({-1, 0, 0, 1});
  if (square && mirror(kPi / 2)) maps.push_back({0, 1, 1, 0});
  if (square && mirror(3 * kPi / 2)) maps.push_back({0, -1, -1, 0});
  return maps;
}

// Each point's representative: the first point (in storage order) of those
// the symmetries map it onto.
std::vector<std::size_t> Representatives(const Solution& solution, const Lattice& lattice) {
  std::vector<std::size_t> first(lattice.Size());
  const std::vector<LatticeMap> maps = SharedSymmetries(solution, lattice);
  for (int j = 0; j < lattice.ny; ++j) {
    for (int i = 0; i < lattice.nx; ++i) {
      const int u = 2 * i - (lattice.nx - 1);
      const int v = 2 * j - (lattice.ny - 1);
      std::size_t least = static_cast<std::size_t>(j) * lattice.nx + i;
      for (const LatticeMap& m : maps) {
        const int i2 = (m.a * u + m.b * v + lattice.nx - 1) / 2;
        const int j2 = (m.c * u + m.d * v + lattice.ny - 1) / 2;
        least = std::min(least, static_cast<std::size_t>(j2) * lattice.nx + i2);
      }
      first[static_cast<std::size_t>(j) * lattice.nx + i] = least;
    }
  }
  return first;
}

// Segments by the cells of a plan grid their extent touches.
class Buckets {
 public:
  Buckets(const std::vector<Element>& elements, double x0, double y0, double size)
      : x0_(x0), y0_(y0), size_(size) {
    for (const Element& e : elements) {
      x1_ = std::max({x1_, e.line.a.x, e.line.b.x});
      y1_ = std::max({y1_, e.line.a.y, e.line.b.y});
      x0_ = std::min({x0_, e.line.a.x, e.line.b.x});
      y0_ = std::min({y0_, e.line.a.y, e.line.b.y});
    }
    nx_ = static_cast<int>((x1_ - x0_) / size_) + 1;
    ny_ = static_cast<int>((y1_ - y0_) / size_) + 1;
    cells_.resize(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_));
    for (std::size_t k = 0; k < elements.size(); ++k) {
      const Segment3& s = elements[k].line;
      const auto [i0, i1] = Span(std::min(s.a.x, s.b.x), std::max(s.a.x, s.b.x), x0_, nx_);
      const auto [j0, j1] = Span(std::min(s.a.y, s.b.y), std::max(s.a.y, s.b.y), y0_, ny_);
      for (int j = j0; j <= j1; ++j) {
        for (int i = i0; i <= i1; ++i) {
          cells_[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx_) +
                 static_cast<std::size_t>(i)]
              .push_back(k);
        }
      }
    }
    count_ = elements.size();
  }

  // What one thread needs to collect segments, each once.
  struct Scratch {
    std::vector<unsigned> stamp;
    unsigned visit = 0;
  };
  Scratch NewScratch() const { return {std::vector<unsigned>(count_, 0), 0}; }

  // The segments whose cells meet [xa, xb] x [ya, yb], each once.
  void Collect(double xa, double xb, double ya, double yb, Scratch& scratch,
               std::vector<std::size_t>& found) const {
    found.clear();
    ++scratch.visit;
    const auto [i0, i1] = Span(xa, xb, x0_, nx_);
    const auto [j0, j1] = Span(ya, yb, y0_, ny_);
    for (int j = j0; j <= j1; ++j) {
      for (int i = i0; i <= i1; ++i) {
        for (const std::size_t k : cells_[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx_) +
                                          static_cast<std::size_t>(i)]) {
          if (scratch.stamp[k] == scratch.visit) continue;
          scratch.stamp[k] = scratch.visit;
          found.push_back(k);
        }
      }
    }
  }

 private:
  std::pair<int, int> Span(double a, double b, double origin, int count) const {
    const int first = std::clamp(static_cast<int>(std::floor((a - origin) / size_)), 0, count - 1);
    const int last = std::clamp(static_cast<int>(std::floor((b - origin) / size_)), 0, count - 1);
    return {first, last};
  }

  double x0_, y0_, size_;
  double x1_ = -std::numeric_limits<double>::infinity();
  double y1_ = -std::numeric_limits<double>::infinity();
  int nx_ = 1, ny_ = 1;
  std::vector<std::vector<std::size_t>> cells_;
  std::size_t count_ = 0;
};

// The potential at each point for one ampere into the electrode: every
// segment's current times the kernel, summed.
std::vector<double> Totals(const Solution& solution, const EarthKernel& kernel, const std::vector<Point3>& points,
                           double directPairs, const std::function<void(double)>& tell) {
  const std::vector<Element>& elements = solution.elements;
  std::vector<double> totals(points.size(), 0);
  if (points.empty()) return totals;
  const auto at = [&](int, std::size_t i, std::size_t k) { return kernel.At(points[i], elements[k]); };
  if (static_cast<double>(points.size()) * static_cast<double>(elements.size()) <= directPairs) {
    ParallelFor(
        points.size(),
        [&](std::size_t i, int) {
          double volts = 0;
          for (std::size_t k = 0; k < elements.size(); ++k) volts += solution.amperes[k] * at(0, i, k);
          totals[i] = volts;
        },
        tell);
    return totals;
  }
  std::vector<ItemBox> rows;
  rows.reserve(points.size());
  for (const Point3& p : points) rows.push_back({{p.x, p.y, p.z}, {p.x, p.y, p.z}, -1});
  std::vector<ItemBox> columns;
  columns.reserve(elements.size());
  for (const Element& e : elements) {
    const Segment3& s = e.line;
    columns.push_back({{std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::min(s.a.z, s.b.z)},
                       {std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y), std::max(s.a.z, s.b.z)},
                       e.layer});
  }
  // To a part in 10^5 of each block (the kernel's own quadrature is no
  // finer: past it the crosses find only its rounding), blocks apart by
  // half their size.
  HierarchicalOptions options;
  options.eta = 2;
  options.tolerance = 1e-5;
  options.leaf = 64;
  Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(rows, columns, options);
  if (!matrix) return totals;  // (neither is empty)
  matrix->ApplyOnce({at, at}, solution.amperes, totals, tell);
  return totals;
}

}  // namespace

Lattice LatticeOver(double x0, double x1, double y0, double y1, double margin, double step) {
  const int m = CoarseFactor(step);
  const auto steps = [&](double width) {
    const int fine = std::max(1, static_cast<int>(std::ceil((width - 1e-9 * width) / step)));
    return m * ((fine + m - 1) / m);
  };
  Lattice lattice;
  lattice.step = step;
  const int sx = steps(x1 - x0 + 2 * margin);
  const int sy = steps(y1 - y0 + 2 * margin);
  lattice.nx = sx + 1;
  lattice.ny = sy + 1;
  lattice.x0 = (x0 + x1) / 2 - step * sx / 2;
  lattice.y0 = (y0 + y1) / 2 - step * sy / 2;
  return lattice;
}

std::vector<double> SurfacePotentials(const Solution& solution, const EarthKernel& kernel,
                                      const Lattice& lattice, const Progress& progress, double directPairs) {
  const std::vector<Element>& elements = solution.elements;
  const std::vector<double>& amperes = solution.amperes;
  const auto sum = [&](double x, double y, const std::vector<std::size_t>& which) {
    double volts = 0;
    for (const std::size_t k : which) volts += amperes[k] * kernel.At({x, y, 0}, elements[k]);
    return volts;
  };

  std::vector<double> volts(lattice.Size(), NAN);
  const std::vector<std::size_t> first = Representatives(solution, lattice);
  const int m = CoarseFactor(lattice.step);
  const int cellsX = std::max(1, (lattice.nx - 1 + m - 1) / m);
  const int cellsY = std::max(1, (lattice.ny - 1 + m - 1) / m);
  const double coarse = m * lattice.step;

  // The cells holding a point worked out (the others are images of them).
  std::vector<std::pair<int, int>> cells;
  const auto pointsOf = [&](int I, int J) {
    const int i0 = I * m;
    const int j0 = J * m;
    // The last cell of a row or column takes its edge.
    return std::array<int, 4>{i0, j0, I == cellsX - 1 ? lattice.nx - 1 : i0 + m - 1,
                              J == cellsY - 1 ? lattice.ny - 1 : j0 + m - 1};
  };
  for (int J = 0; J < cellsY; ++J) {
    for (int I = 0; I < cellsX; ++I) {
      const auto [i0, j0, i1, j1] = pointsOf(I, J);
      bool wanted = false;
      for (int j = j0; j <= j1 && !wanted; ++j) {
        for (int i = i0; i <= i1 && !wanted; ++i) {
          const std::size_t at = static_cast<std::size_t>(j) * lattice.nx + i;
          wanted = first[at] == at;
        }
      }
      if (wanted) cells.emplace_back(I, J);
    }
  }
  // The exact total at the coarse nodes their stencils need, (-1 .. cells +
  // 1) each way: first, a tenth of the work.
  const int nodesX = cellsX + 3;
  const auto node = [&](int I, int J) {
    return static_cast<std::size_t>(J + 1) * static_cast<std::size_t>(nodesX) +
           static_cast<std::size_t>(I + 1);
  };
  std::vector<double> total(static_cast<std::size_t>(nodesX) * static_cast<std::size_t>(cellsY + 3), NAN);
  std::vector<std::pair<int, int>> nodes;
  if (m > 1) {
    std::vector<bool> needed(total.size(), false);
    for (const auto& [I, J] : cells) {
      for (int b = -1; b <= 2; ++b) {
        for (int a = -1; a <= 2; ++a) {
          if (!needed[node(I + a, J + b)]) nodes.emplace_back(I + a, J + b);
          needed[node(I + a, J + b)] = true;
        }
      }
    }
  }
  const auto tell = [&](double from, double share) -> std::function<void(double)> {
    if (!progress) return {};
    return [&progress, from, share](double done) { progress(from + share * done); };
  };
  // (A lattice no finer than the coarse one: each point's total itself.)
  std::vector<Point3> at;
  std::vector<std::size_t> where;
  if (m > 1) {
    for (const auto& [I, J] : nodes) {
      at.push_back({lattice.X(I * m), lattice.Y(J * m), 0});
      where.push_back(node(I, J));
    }
  } else {
    for (const auto& [I, J] : cells) {
      const auto [i0, j0, i1, j1] = pointsOf(I, J);
      for (int j = j0; j <= j1; ++j) {
        for (int i = i0; i <= i1; ++i) {
          const std::size_t point = static_cast<std::size_t>(j) * lattice.nx + i;
          if (first[point] != point) continue;
          at.push_back({lattice.X(i), lattice.Y(j), 0});
          where.push_back(point);
        }
      }
    }
  }
  const std::vector<double> totals = Totals(solution, kernel, at, directPairs, tell(0, m > 1 ? 0.1 : 1));
  for (std::size_t k = 0; k < at.size(); ++k) (m > 1 ? total : volts)[where[k]] = totals[k];
  const Buckets buckets(elements, lattice.x0, lattice.y0, coarse);
  const double reach = (1 + kNearCells) * coarse;
  ParallelFor(
      cells.size(),
      [&](std::size_t k, int) {
        const auto [I, J] = cells[k];
        const auto [i0, j0, i1, j1] = pointsOf(I, J);
        if (m == 1) return;  // summed whole above
        // Each thread's own scratch (its marks only ever grow).
        thread_local std::vector<std::size_t> near;
        thread_local Buckets::Scratch scratch;
        if (scratch.stamp.size() != elements.size()) scratch = buckets.NewScratch();
        buckets.Collect(lattice.X(i0) - reach, lattice.X(i0 + m) + reach, lattice.Y(j0) - reach,
                        lattice.Y(j0 + m) + reach, scratch, near);
        // The far part at the stencil's nodes: the total less the near.
        std::array<std::array<double, 4>, 4> far{};
        for (int b = 0; b < 4; ++b) {
          for (int a = 0; a < 4; ++a) {
            const int I2 = I - 1 + a;
            const int J2 = J - 1 + b;
            far[b][a] = total[node(I2, J2)] - sum(lattice.X(I2 * m), lattice.Y(J2 * m), near);
          }
        }
        for (int j = j0; j <= j1; ++j) {
          const std::array<double, 4> wy = LagrangeCubicWeights(double(j - j0) / m);
          for (int i = i0; i <= i1; ++i) {
            const std::size_t at = static_cast<std::size_t>(j) * lattice.nx + i;
            if (first[at] != at) continue;
            const std::array<double, 4> wx = LagrangeCubicWeights(double(i - i0) / m);
            double smooth = 0;
            for (int b = 0; b < 4; ++b) {
              smooth += wy[b] * (wx[0] * far[b][0] + wx[1] * far[b][1] + wx[2] * far[b][2] +
                                 wx[3] * far[b][3]);
            }
            volts[at] = smooth + sum(lattice.X(i), lattice.Y(j), near);
          }
        }
      },
      tell(0.1, 0.9));
  // No point above the electrode's potential, and points within a conductor
  // reaching the surface (a rod's head) at it, as PotentialAt gives them.
  for (std::size_t k = 0; k < volts.size(); ++k) volts[k] = std::min(volts[first[k]], solution.ohms);
  for (const Element& e : elements) {
    if (std::min(e.line.a.z, e.line.b.z) > e.radius) continue;
    const double r = e.radius;
    const int i0 = std::max(0, static_cast<int>(std::ceil((std::min(e.line.a.x, e.line.b.x) - r - lattice.x0) / lattice.step)));
    const int i1 = std::min(lattice.nx - 1, static_cast<int>(std::floor((std::max(e.line.a.x, e.line.b.x) + r - lattice.x0) / lattice.step)));
    const int j0 = std::max(0, static_cast<int>(std::ceil((std::min(e.line.a.y, e.line.b.y) - r - lattice.y0) / lattice.step)));
    const int j1 = std::min(lattice.ny - 1, static_cast<int>(std::floor((std::max(e.line.a.y, e.line.b.y) + r - lattice.y0) / lattice.step)));
    for (int j = j0; j <= j1; ++j) {
      for (int i = i0; i <= i1; ++i) {
        const Point3 p{lattice.X(i), lattice.Y(j), 0};
        if (SegmentDistance({p, p}, e.line) <= r) {
          volts[static_cast<std::size_t>(j) * lattice.nx + i] = solution.ohms;
        }
      }
    }
  }
  if (progress) progress(1);
  return volts;
}

}  // namespace ostrevin
