#include "core/layered_green.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

#include "core/numerics.h"

namespace ostrevin {

namespace {

// The table's steps in asinh(p / t) and log(X + t): half the two-layer
// table's across (1/12 left 1.4e-5 at 9 m over five layers), its own down.
constexpr double kPStep = 1.0 / 24;
constexpr double kXStep = 1.0 / 16;
// The integral at p = 0 in log lambda: this step, this many Gauss points in
// each, from a wavenumber whose waves reach far past the electrode to one
// whose rest has fallen below e^-40.
constexpr double kLogStep = 0.1;
constexpr int kLogPoints = 4;

using SmallMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, 2 * kMostLayers - 1,
                                  2 * kMostLayers - 1>;

// Nodes and weights (with the Jacobian lambda) of Gauss-Legendre in log
// lambda from e^low to e^high, kLogStep at a time.
struct LogNode {
  double lambda, weight;
};
std::vector<LogNode> LogRule(double low, double high) {
  const GaussRule& rule = GaussLegendre(kLogPoints);
  const int steps = static_cast<int>(std::ceil((high - low) / kLogStep));
  std::vector<LogNode> nodes;
  for (int k = 0; k < steps; ++k) {
    const double u = low + k * kLogStep;
    for (std::size_t j = 0; j < rule.nodes.size(); ++j) {
      const double lambda = std::exp(u + kLogStep * rule.nodes[j]);
      nodes.push_back({lambda, kLogStep * rule.weights[j] * lambda});
    }
  }
  return nodes;
}

constexpr bool AtBottom(int term) { return term >= 2; }  // b: the wave from the layer's bottom
constexpr bool FromBelow(int term) { return term % 2 == 1; }  // D: the source's downward wave

}  // namespace

LayeredGreen::LayeredGreen(const LayeredSoil& soil, double spanM, double depthM) {
  const std::size_t n = soil.rho.size();
  top_.push_back(0);
  thinnest_ = INFINITY;
  for (std::size_t i = 0; i < n; ++i) {
    rho_.push_back(soil.rho[i] / 100);
    if (i + 1 < n) {
      top_.push_back(top_.back() + soil.thicknessM[i]);
      thinnest_ = std::min(thinnest_, soil.thicknessM[i]);
    }
  }
  top_.push_back(INFINITY);
  deepest_ = top_[n - 1];
  if (!std::isfinite(thinnest_)) thinnest_ = std::max(depthM, 1.0);
  atInfinity_ = Solve(INFINITY);
  atZero_ = Solve(0);
  const int layers = Layers();
  double largest = 0;
  for (const double r : rho_) largest = std::max(largest, r);
  images_.resize(n * n);
  for (int i = 0; i < layers; ++i) {
    for (int s = 0; s < layers; ++s) {
      std::vector<SourceImage>& images = images_[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(s)];
      if (i == s) images.push_back({rho_[static_cast<std::size_t>(s)], +1, 0});
      for (int term = 0; term < kTerms; ++term) {
        const double weight = Exists(i, s, term) ? atInfinity_[Index(i, s, term)] : 0;
        if (std::abs(weight) <= 1e-15 * largest) continue;
        // Where the image stands: the field's distance to it is X.
        const double fieldSide = AtBottom(term) ? Bottom(i) : Top(i);
        const double sourceSide = FromBelow(term) ? Bottom(s) : Top(s);
        const bool mirrored = AtBottom(term) == FromBelow(term);
        images.push_back(mirrored ? SourceImage{weight, -1, fieldSide + sourceSide}
                                  : SourceImage{weight, +1, fieldSide - sourceSide});
      }
    }
  }
  Tabulate(spanM, depthM);
}

int LayeredGreen::LayerOf(double depth) const {
  int layer = 0;
  while (layer + 1 < Layers() && depth >= Bottom(layer)) ++layer;
  return layer;
}

bool LayeredGreen::Exists(int field, int source, int term) const {
  const int last = Layers() - 1;
  return !(AtBottom(term) && field == last) && !(FromBelow(term) && source == last);
}

double LayeredGreen::DistanceOf(int field, int source, int term, double z, double w) const {
  const double fromField = AtBottom(term) ? Bottom(field) - z : z - Top(field);
  const double fromSource = FromBelow(term) ? Bottom(source) - w : w - Top(source);
  return std::max(0.0, fromField + fromSource);
}

const std::vector<SourceImage>& LayeredGreen::Images(int field, int source) const {
  return images_[static_cast<std::size_t>(field) * rho_.size() + static_cast<std::size_t>(source)];
}

// The boundary conditions at one lambda, for a unit source wave arriving
// at each layer's top (U) and bottom (D): unknowns a_0, b_0, a_1, b_1, ...,
// a_(N-1); rows the surface, then each interface's potential and current.
// t_k = e^(-lambda h_k): 1 at lambda = 0, 0 at infinity.
LayeredGreen::Coefficients LayeredGreen::Solve(double lambda) const {
  const int n = Layers();
  const int m = 2 * n - 1;
  const auto t = [&](int k) {
    if (k >= n - 1) return 0.0;
    if (lambda == 0) return 1.0;
    return std::isinf(lambda) ? 0.0 : std::exp(-lambda * (Bottom(k) - Top(k)));
  };
  const auto a = [](int k) { return 2 * k; };
  const auto b = [](int k) { return 2 * k + 1; };
  SmallMatrix matrix = SmallMatrix::Zero(m, m);
  matrix(0, a(0)) = -1;
  if (n > 1) matrix(0, b(0)) = t(0);
  for (int k = 0; k + 1 < n; ++k) {
    const int potential = 1 + 2 * k;
    const int current = potential + 1;
    const double above = 1 / rho_[static_cast<std::size_t>(k)];
    const double below = 1 / rho_[static_cast<std::size_t>(k) + 1];
    matrix(potential, a(k)) = t(k);
    matrix(potential, b(k)) = 1;
    matrix(potential, a(k + 1)) = -1;
    matrix(current, a(k)) = -above * t(k);
    matrix(current, b(k)) = above;
    matrix(current, a(k + 1)) = below;
    if (k + 2 < n) {
      matrix(potential, b(k + 1)) = -t(k + 1);
      matrix(current, b(k + 1)) = -below * t(k + 1);
    }
  }
  // The right-hand sides: the source's wave U at its layer's top, D at its bottom.
  SmallMatrix sides = SmallMatrix::Zero(m, static_cast<Eigen::Index>(2) * n);
  for (int s = 0; s < n; ++s) {
    const double rho = rho_[static_cast<std::size_t>(s)];
    const int up = 2 * s;
    const int down = 2 * s + 1;
    if (s == 0) {
      sides(0, up) = -rho;
    } else {
      sides(1 + 2 * (s - 1), up) = rho;
      sides(2 + 2 * (s - 1), up) = 1;
    }
    if (s + 1 < n) {
      sides(1 + 2 * s, down) = -rho;
      sides(2 + 2 * s, down) = 1;
    }
  }
  const SmallMatrix solved = matrix.partialPivLu().solve(sides);
  Coefficients c(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * kTerms, 0);
  for (int i = 0; i < n; ++i) {
    for (int s = 0; s < n; ++s) {
      for (int term = 0; term < kTerms; ++term) {
        if (!Exists(i, s, term)) continue;
        const int row = AtBottom(term) ? b(i) : a(i);
        const int column = 2 * s + (FromBelow(term) ? 1 : 0);
        c[Index(i, s, term)] = solved(row, column);
      }
    }
  }
  return c;
}

void LayeredGreen::Tabulate(double spanM, double depthM) {
  const int n = Layers();
  if (n < 2) return;
  const double t = thinnest_;
  const double d = deepest_;
  tabulated_ = LayerOf(depthM) + 1;
  const double reach = std::isfinite(Bottom(tabulated_ - 1)) ? Bottom(tabulated_ - 1) : 0;
  const double xMost = 2 * std::max(depthM, reach) + t;
  pCount_ = static_cast<int>(std::ceil(std::asinh(std::max(spanM, t) / t) / kPStep)) + 4;
  xCount_ = static_cast<int>(std::ceil(std::log((xMost + t) / t) / kXStep)) + 4;
  std::vector<double> xs(static_cast<std::size_t>(xCount_));
  for (int ix = 0; ix < xCount_; ++ix) xs[static_cast<std::size_t>(ix)] = t * std::exp((ix - 2) * kXStep) - t;

  std::vector<std::size_t> tables;
  tables_.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * kTerms, {});
  for (int i = 0; i < tabulated_; ++i) {
    for (int s = 0; s < tabulated_; ++s) {
      for (int term = 0; term < kTerms; ++term) {
        if (!Exists(i, s, term)) continue;
        tables.push_back(Index(i, s, term));
        tables_[tables.back()].assign(static_cast<std::size_t>(pCount_) * static_cast<std::size_t>(xCount_), 0);
      }
    }
  }
  const auto store = [&](std::size_t k, int ip, int ix, double value) {
    tables_[k][static_cast<std::size_t>(ix) * static_cast<std::size_t>(pCount_) + static_cast<std::size_t>(ip)] = value;
  };

  // p = 0: int (C - C_inf) e^(-lambda X) dlambda, in log lambda.
  {
    const std::vector<LogNode> nodes = LogRule(std::log(1e-8 / (xMost + 2 * d)), std::log(50 / t));
    std::vector<std::vector<double>> rests(tables.size(), std::vector<double>(nodes.size()));
    for (std::size_t j = 0; j < nodes.size(); ++j) {
      const Coefficients c = Solve(nodes[j].lambda);
      for (std::size_t q = 0; q < tables.size(); ++q) rests[q][j] = nodes[j].weight * Rest(c, tables[q], nodes[j].lambda);
    }
    for (int ix = 0; ix < xCount_; ++ix) {
      const double x = xs[static_cast<std::size_t>(ix)];
      for (std::size_t q = 0; q < tables.size(); ++q) {
        double sum = 0;
        for (std::size_t j = 0; j < nodes.size(); ++j) sum += rests[q][j] * std::exp(-nodes[j].lambda * x);
        store(tables[q], 2, ix, sum + Lipschitz(tables[q], 0, x));
      }
    }
  }
  // p > 0: Key's filter, the coefficients solved once at its 201 wavenumbers.
  const std::span<const double, kHankelPoints> filterWeights = HankelJ0Weights();
  const std::span<const double, kHankelPoints> abscissae = HankelJ0Abscissae();
  std::vector<std::vector<double>> rests(tables.size(), std::vector<double>(kHankelPoints));
  std::vector<double> lambdas(kHankelPoints);
  std::vector<double> waves(kHankelPoints);
  for (int ip = 3; ip < pCount_; ++ip) {
    const double p = t * std::sinh((ip - 2) * kPStep);
    for (std::size_t k = 0; k < kHankelPoints; ++k) {
      lambdas[k] = abscissae[k] / p;
      const Coefficients c = Solve(lambdas[k]);
      for (std::size_t q = 0; q < tables.size(); ++q) rests[q][k] = filterWeights[k] * Rest(c, tables[q], lambdas[k]);
    }
    for (int ix = 0; ix < xCount_; ++ix) {
      const double x = xs[static_cast<std::size_t>(ix)];
      // (The rows below X = 0, for the cubic's neighbours, would overflow
      // where the rest has long vanished: none there.)
      for (std::size_t k = 0; k < kHankelPoints; ++k) {
        waves[k] = -lambdas[k] * x > 600 ? 0 : std::exp(-lambdas[k] * x);
      }
      for (std::size_t q = 0; q < tables.size(); ++q) {
        double sum = 0;
        for (std::size_t k = 0; k < kHankelPoints; ++k) sum += rests[q][k] * waves[k];
        store(tables[q], ip, ix, sum / p + Lipschitz(tables[q], p, x));
      }
    }
  }
  // The columns before p = 0 mirror those after it (the rest is even in p).
  for (const std::size_t k : tables) {
    for (int ix = 0; ix < xCount_; ++ix) {
      for (int ip = 0; ip < 2; ++ip) {
        const std::size_t row = static_cast<std::size_t>(ix) * static_cast<std::size_t>(pCount_);
        tables_[k][row + static_cast<std::size_t>(ip)] = tables_[k][row + static_cast<std::size_t>(4 - ip)];
      }
    }
  }
}

// C - C_inf less its value at lambda = 0 carried by e^(-2 lambda D), and
// that part's integral against e^(-lambda X) J0(lambda p) (Lipschitz's).
double LayeredGreen::Rest(const Coefficients& c, std::size_t k, double lambda) const {
  return c[k] - atInfinity_[k] - (atZero_[k] - atInfinity_[k]) * std::exp(-2 * deepest_ * lambda);
}

double LayeredGreen::Lipschitz(std::size_t k, double p, double x) const {
  const double a = x + 2 * deepest_;
  return (atZero_[k] - atInfinity_[k]) / std::sqrt(p * p + a * a);
}

double LayeredGreen::FromTable(std::size_t table, int column, const std::array<double, 4>& wp, double x) const {
  const double v = std::log((x + thinnest_) / thinnest_) / kXStep + 2;
  const int iv = std::clamp(static_cast<int>(std::floor(v)), 1, xCount_ - 3);
  const std::array<double, 4> wv = CatmullRomWeights(std::clamp(v - iv, 0.0, 1.0));
  const std::vector<double>& values = tables_[table];
  double sum = 0;
  for (int r = 0; r < 4; ++r) {
    const double* row = &values[static_cast<std::size_t>(iv - 1 + r) * static_cast<std::size_t>(pCount_) +
                                static_cast<std::size_t>(column - 1)];
    sum += wv[static_cast<std::size_t>(r)] * (wp[0] * row[0] + wp[1] * row[1] + wp[2] * row[2] + wp[3] * row[3]);
  }
  return sum;
}

double LayeredGreen::Smooth(int field, int source, double p, double z, double w) const {
  if (field >= tabulated_ || source >= tabulated_) return SmoothDirect(field, source, p, z, w);
  const double u = std::asinh(std::abs(p) / thinnest_) / kPStep + 2;
  if (u > pCount_ - 2) return SmoothDirect(field, source, p, z, w);
  const int column = std::clamp(static_cast<int>(std::floor(u)), 1, pCount_ - 3);
  const std::array<double, 4> wp = CatmullRomWeights(std::clamp(u - column, 0.0, 1.0));
  const double xLast = thinnest_ * std::exp((xCount_ - 4) * kXStep) - thinnest_;
  double sum = 0;
  for (int term = 0; term < kTerms; ++term) {
    if (!Exists(field, source, term)) continue;
    const double x = DistanceOf(field, source, term, z, w);
    if (x > xLast) return SmoothDirect(field, source, p, z, w);
    sum += FromTable(Index(field, source, term), column, wp, x);
  }
  return sum;
}

double LayeredGreen::SmoothDirect(int field, int source, double p, double z, double w) const {
  if (Layers() < 2) return 0;
  std::array<double, kTerms> xs{};
  for (int term = 0; term < kTerms; ++term) {
    xs[static_cast<std::size_t>(term)] = Exists(field, source, term) ? DistanceOf(field, source, term, z, w) : 0;
  }
  const double d = deepest_;
  // The rest of every term at one wavenumber, times e^(-lambda X).
  const auto rest = [&](double lambda) {
    const Coefficients c = Solve(lambda);
    double sum = 0;
    for (int term = 0; term < kTerms; ++term) {
      if (!Exists(field, source, term)) continue;
      sum += Rest(c, Index(field, source, term), lambda) * std::exp(-lambda * xs[static_cast<std::size_t>(term)]);
    }
    return sum;
  };
  double closed = 0;
  for (int term = 0; term < kTerms; ++term) {
    if (!Exists(field, source, term)) continue;
    closed += Lipschitz(Index(field, source, term), p, xs[static_cast<std::size_t>(term)]);
  }
  // The filter where J0 turns within the rest's reach; else (near the
  // axis, where the filter's wavenumbers would pass the rest by) in log
  // lambda, J0 turning at most five radians over it.
  if (std::abs(p) > 0.1 * thinnest_) return HankelJ0(rest, std::abs(p)) + closed;
  double largest = 0;
  for (const double x : xs) largest = std::max(largest, x);
  double sum = 0;
  for (const LogNode& node : LogRule(std::log(1e-8 / (largest + 2 * d + thinnest_)), std::log(50 / thinnest_))) {
    sum += node.weight * rest(node.lambda) * BesselJ0(node.lambda * p);
  }
  return sum + closed;
}

}  // namespace ostrevin
