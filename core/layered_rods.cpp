#include "core/layered_rods.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <vector>

#include "core/number_text.h"

namespace ostrevin {

namespace {

constexpr double kPi = std::numbers::pi;
// Images farther than this many times the segments' extent are points.
constexpr double kFarRatio = 10;
// Groups of more rods than this are cut more coarsely.
constexpr std::size_t kManyRods = 20;

struct Interval {
  double top = 0, bottom = 0;  // depths, top < bottom
  double Length() const { return bottom - top; }
  double Centre() const { return (top + bottom) / 2; }
  Interval Reflected() const { return {-bottom, -top}; }
};

struct Segment {
  Interval span;
  bool upper = true;  // in the top layer
};

// Cut at t^3 toward the foot (finer where the current gathers) and at the
// interface.
// `depth` halvings toward the interface: fewer for large groups, where the
// rods share the current and each rod's own detail matters less.
std::vector<Segment> CutRod(double length, double h, int segments, int depth) {
  std::vector<double> cuts;
  for (int i = 0; i <= segments; ++i) {
    cuts.push_back(length * (1 - std::pow(1 - double(i) / segments, 3)));
  }
  // Where the rod meets the interface, or its foot comes near it, the
  // current gathers too (toward the better soil): cuts closer and closer to
  // that point from both sides, down to a tenth of the foot's gap.
  const double step = length / segments;
  if (h > 0 && h < length + step) {
    const double point = std::min(h, length);
    // Deeper where the foot itself is near the interface.
    const int levels = std::abs(h - length) < step ? depth : std::min(depth, 5);
    const double finest = std::max((h - point) / 8, step / std::pow(2.0, levels));
    if (h < length) cuts.push_back(h);
    for (int halving = 1; step / std::pow(2.0, halving) > finest; ++halving) {
      const double offset = step / std::pow(2.0, halving);
      if (point - offset > 0) cuts.push_back(point - offset);
      if (point + offset < length) cuts.push_back(point + offset);
    }
  }
  std::sort(cuts.begin(), cuts.end());
  std::vector<Segment> pieces;
  for (std::size_t i = 1; i < cuts.size(); ++i) {
    if (cuts[i] - cuts[i - 1] <= 1e-9 * length) continue;
    pieces.push_back({{cuts[i - 1], cuts[i]}, cuts[i] <= h * (1 + 1e-12)});
  }
  return pieces;
}

// u asinh(u/p) - sqrt(u^2 + p^2): twice integrated, 1/sqrt(u^2 + p^2).
double Antiderivative(double u, double p) { return u * std::asinh(u / p) - std::hypot(u, p); }

// The integral over z in f and w in s of 1 / sqrt(p^2 + (z - w + c)^2).
double PairIntegral(double p, const Interval& f, const Interval& s, double c) {
  return Antiderivative(f.bottom - s.top + c, p) - Antiderivative(f.top - s.top + c, p) -
         Antiderivative(f.bottom - s.bottom + c, p) + Antiderivative(f.top - s.bottom + c, p);
}

// Gauss-Legendre nodes and weights on [0, 1].
struct Quadrature {
  std::array<double, 24> nodes{}, weights{};
  Quadrature() {
    constexpr int n = 24;
    for (int i = 0; i < n; ++i) {
      double x = std::cos(kPi * (i + 0.75) / (n + 0.5));
      double derivative = 1;
      for (int iteration = 0; iteration < 100; ++iteration) {
        double p0 = 1;
        double p1 = x;
        for (int k = 2; k <= n; ++k) {
          const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
          p0 = p1;
          p1 = p2;
        }
        derivative = n * (x * p1 - p0) / (x * x - 1);
        const double step = p1 / derivative;
        x -= step;
        if (std::abs(step) < 1e-16) break;
      }
      nodes[i] = (x + 1) / 2;
      weights[i] = 1 / ((1 - x * x) * derivative * derivative);
    }
  }
};

// The same integral with source and field spread around a rod's surface of
// radius r: the kernel averaged over the angle between them,
// (1/pi) integral_0^pi dphi of the integral at p = 2r sin(phi/2); phi = pi t^2
// takes away the logarithmic peak at phi = 0.
double SurfaceIntegral(double r, const Interval& f, const Interval& s, double c) {
  static const Quadrature quadrature;
  double sum = 0;
  for (std::size_t i = 0; i < quadrature.nodes.size(); ++i) {
    const double t = quadrature.nodes[i];
    const double phi = kPi * t * t;
    sum += quadrature.weights[i] * 2 * t * PairIntegral(2 * r * std::sin(phi / 2), f, s, c);
  }
  return sum;
}

// The image series for one horizontal distance p between two rods (p the
// radius for a rod's own segments): each term, and the far tail in moments.
class Kernel {
 public:
  Kernel(const TwoLayerSoil& soil, double p, bool surface, double extent)
      : k_(ostrevin::Reflection(soil)), h_(soil.h), p_(p), surface_(surface) {
    // From here on every image is far: its distance at least kFarRatio
    // times the largest offset and the segments' extent.
    tailStart_ = std::max(1L, static_cast<long>(std::ceil(kFarRatio * extent / (2 * h_))));
    if (k_ != 0) Moments();
  }

  // The double integral of 1/R(z -+ w + c) over the two segments
  // (`sum`: z + w, the source reflected in the surface).
  double Term(const Interval& f, const Interval& s, bool sum, double c) const {
    const Interval source = sum ? s.Reflected() : s;
    // On a rod's own surface the kernel differs from a line's within some
    // radii: there it is averaged around the circumference, however short
    // the segments.
    const double gap = std::max({0.0, source.top - c - f.bottom, f.top - (source.bottom - c)});
    if (surface_ && gap < kFarRatio * p_) return SurfaceIntegral(p_, f, source, c);
    const double lengths = f.Length() + s.Length();
    const double offset = f.Centre() - source.Centre() + c;
    const double distance = std::hypot(p_, offset);
    if (distance >= kFarRatio * lengths) {
      // A point, with the segments' spread to second order.
      const double spread = (f.Length() * f.Length() + s.Length() * s.Length()) / 12;
      const double second = (2 * offset * offset - p_ * p_) / std::pow(distance, 5);
      return f.Length() * s.Length() * (1 / distance + spread / 2 * second);
    }
    return PairIntegral(p_, f, source, c);
  }

  // sum_(n >= first) K^n Term(f, s, sum, sign 2nh), to the end of the series.
  double Series(const Interval& f, const Interval& s, bool sum, int sign, long first) const {
    if (k_ == 0) return 0;
    double total = 0;
    double power = std::pow(k_, static_cast<double>(first));
    long n = first;
    for (; n < tailStart_; ++n, power *= k_) {
      if (std::abs(power) < 1e-17) return total;
      total += power * Term(f, s, sum, sign * 2.0 * static_cast<double>(n) * h_);
    }
    // The tail: sum_(n >= N) K^n 1/sqrt(p^2 + (2nh + x)^2) averaged over the
    // segments, x = +-(the centres' offset), expanded to third order in x.
    const Interval source = sum ? s.Reflected() : s;
    const double x = sign * (f.Centre() - source.Centre());
    const double spread = (f.Length() * f.Length() + s.Length() * s.Length()) / 12;
    const double mean = moments_[0] + moments_[1] * x + moments_[2] * (x * x + spread) +
                        moments_[3] * (x * x * x + 3 * x * spread);
    return total + f.Length() * s.Length() * mean;
  }

  double Reflection() const { return k_; }
  double Thickness() const { return h_; }

 private:
  void Moments() {
    double power = std::pow(k_, static_cast<double>(tailStart_));
    for (long n = tailStart_; std::abs(power) > 1e-17 && n < 100'000'000; ++n, power *= k_) {
      const double u = 2.0 * static_cast<double>(n) * h_;
      const double r2 = p_ * p_ + u * u;
      const double r = std::sqrt(r2);
      const double r3 = r2 * r;
      moments_[0] += power / r;
      moments_[1] += power * -u / r3;
      moments_[2] += power * (2 * u * u - p_ * p_) / (2 * r3 * r2);
      moments_[3] += power * u * (3 * p_ * p_ - 2 * u * u) / (2 * r3 * r2 * r2);
    }
  }

  double k_, h_, p_;
  bool surface_;
  long tailStart_ = 1;
  std::array<double, 4> moments_{};
};

// The average potential (ohms) along segment f from a unit current spread
// along segment s, for the kernel's distance.
double Entry(const Kernel& kernel, const TwoLayerSoil& soil, const Segment& f, const Segment& s) {
  const double k = kernel.Reflection();
  const double h = kernel.Thickness();
  const Interval& a = f.span;
  const Interval& b = s.span;
  double prefactor = 0;
  double sum = 0;
  if (f.upper && s.upper) {
    prefactor = soil.rho1;
    sum = kernel.Term(a, b, false, 0) + kernel.Term(a, b, true, 0) +
          kernel.Series(a, b, false, +1, 1) + kernel.Series(a, b, false, -1, 1) +
          kernel.Series(a, b, true, +1, 1) + kernel.Series(a, b, true, -1, 1);
  } else if (!f.upper && !s.upper) {
    prefactor = soil.rho2;
    sum = kernel.Term(a, b, false, 0) - k * kernel.Term(a, b, true, -2 * h) +
          (1 - k * k) * (kernel.Term(a, b, true, 0) + kernel.Series(a, b, true, +1, 1));
  } else {
    // Field below, source above. The matrix is filled with the field segment
    // at or below the source (segments are cut from the top down, and only
    // the lower triangle is worked out); reciprocity gives the other half.
    prefactor = soil.rho1 * (1 + k);
    sum = kernel.Term(a, b, false, 0) + kernel.Term(a, b, true, 0) +
          kernel.Series(a, b, false, +1, 1) + kernel.Series(a, b, true, +1, 1);
  }
  return prefactor / 100 / (4 * kPi * a.Length() * b.Length()) * sum;
}

// The matrix of average potentials of every segment of every rod, or why
// there is none.
Result<Eigen::MatrixXd> LayeredMatrix(const TwoLayerSoil& soil, double lengthM, double radiusM,
                                      std::span<const RodPoint> rods, int segments,
                                      const Progress& progress) {
  if (auto checked = CheckSoil(soil); !checked) return checked.Failed();
  if (auto checked = CheckGroup(soil.rho1, lengthM, radiusM, rods); !checked) {
    return checked.Failed();
  }
  const bool many = rods.size() > kManyRods;
  const std::vector<Segment> pieces =
      CutRod(lengthM, soil.h, many ? std::min(segments, 6) : std::max(segments, 1), many ? 5 : 11);
  const auto m = static_cast<Eigen::Index>(pieces.size());
  const auto n = static_cast<Eigen::Index>(rods.size());
  // The largest offset of two segments' centres, reflected or not, plus their lengths.
  const double extent = 4 * lengthM;
  // Each distance between two rods (the radius for a rod itself) has one
  // block of the matrix, the same for every pair of rods that far apart.
  std::map<double, Eigen::MatrixXd> blocks;
  const auto block = [&](double p, bool surface) -> const Eigen::MatrixXd& {
    // Equal distances, whatever the last bits of the positions: one block.
    const double key = surface ? -1 : std::stod(FormatDouble("%.12e", p));
    auto [it, made] = blocks.try_emplace(key);
    if (!made) return it->second;
    const Kernel kernel(soil, p, surface, extent);
    Eigen::MatrixXd& values = it->second;
    values.resize(m, m);
    for (Eigen::Index i = 0; i < m; ++i) {
      for (Eigen::Index j = 0; j <= i; ++j) {
        values(i, j) = Entry(kernel, soil, pieces[static_cast<std::size_t>(i)],
                             pieces[static_cast<std::size_t>(j)]);
        values(j, i) = values(i, j);
      }
    }
    return values;
  };
  Eigen::MatrixXd potential(n * m, n * m);
  for (Eigen::Index a = 0; a < n; ++a) {
    if (progress && a % 10 == 0) progress(0.8 * double(a) / double(n));
    for (Eigen::Index b = 0; b <= a; ++b) {
      const auto& first = rods[static_cast<std::size_t>(a)];
      const auto& second = rods[static_cast<std::size_t>(b)];
      const double p = a == b ? radiusM : std::hypot(first.x - second.x, first.y - second.y);
      const Eigen::MatrixXd& values = block(p, a == b);
      potential.block(a * m, b * m, m, m) = values;
      potential.block(b * m, a * m, m, m) = values.transpose();
    }
  }
  return potential;
}

const char* const kNotDefinite =
    "the segments' mutual resistances are not positive definite: the thin-rod model does not hold "
    "for these rods";

}  // namespace

Result<double> LayeredGroupOhms(const TwoLayerSoil& soil, double lengthM, double radiusM,
                                std::span<const RodPoint> rods, int segments,
                                const Progress& progress) {
  const Result<Eigen::MatrixXd> matrix =
      LayeredMatrix(soil, lengthM, radiusM, rods, segments, progress);
  if (!matrix) return matrix.Failed();
  const Eigen::LLT<Eigen::MatrixXd> factor(*matrix);
  if (factor.info() != Eigen::Success) return NoAnswer(kNotDefinite);
  const double conductance = factor.solve(Eigen::VectorXd::Ones(matrix->rows())).sum();
  if (progress) progress(1);
  if (!(conductance > 0) || !std::isfinite(conductance)) {
    return NoAnswer("the segments' currents could not be solved");
  }
  return 1 / conductance;
}

Result<FewestRodsResult> FewestLayeredRods(const TwoLayerSoil& soil, double lengthM,
                                           double radiusM, RodLine layout, double spacing,
                                           double targetOhms, const Progress& progress) {
  FewestRodsResult result;
  const auto reached = [&](int rods, double ohms) {
    if (rods == 1 || ohms < result.lowestOhms) {
      result.lowestOhms = ohms;
      result.lowestAt = rods;
    }
    if (ohms > targetOhms) return false;
    result.rods = rods;
    result.ohms = ohms;
    return true;
  };
  const auto positions = [&](int rods) {
    return layout == RodLine::kLine ? LineLayout(rods, spacing) : RingLayout(rods, spacing);
  };
  // Up to kManyRods each count on its own, as the group command works it out.
  for (int rods = 1; rods <= static_cast<int>(kManyRods); ++rods) {
    if (progress) progress(0.2 * rods / double(kManyRods));
    const Result<double> ohms = LayeredGroupOhms(soil, lengthM, radiusM, positions(rods));
    if (!ohms) return ohms.Failed();
    if (reached(rods, *ohms)) return result;
  }
  if (layout == RodLine::kLine) {
    // A line of n rods is the first n of the longest line: its matrix is the
    // leading block, factored by the leading block of the whole factor, so
    // 1' A_n^-1 1 is the sum of the squares of the first n rods' share of
    // L^-1 1.
    const Result<Eigen::MatrixXd> matrix = LayeredMatrix(
        soil, lengthM, radiusM, LineLayout(kMaxRods, spacing), kLayeredSegments, progress);
    if (!matrix) return matrix.Failed();
    const Eigen::MatrixXd& potential = *matrix;
    const Eigen::LLT<Eigen::MatrixXd> factor(potential);
    if (factor.info() != Eigen::Success) return NoAnswer(kNotDefinite);
    const Eigen::VectorXd share = factor.matrixL().solve(Eigen::VectorXd::Ones(potential.rows()));
    const Eigen::Index perRod = potential.rows() / kMaxRods;
    double conductance = 0;
    for (int rods = 1; rods <= kMaxRods; ++rods) {
      conductance += share.segment((rods - 1) * perRod, perRod).squaredNorm();
      if (rods > static_cast<int>(kManyRods) && reached(rods, 1 / conductance)) break;
    }
    if (progress) progress(1);
    return result;
  }
  for (int rods = static_cast<int>(kManyRods) + 1; rods <= kMaxRods; ++rods) {
    if (progress) progress(double(rods) / kMaxRods);
    const Result<double> ohms = LayeredGroupOhms(soil, lengthM, radiusM, RingLayout(rods, spacing));
    if (!ohms) return ohms.Failed();
    if (reached(rods, *ohms)) break;
  }
  return result;
}

Result<LayeredLength> LayeredRodLength(const TwoLayerSoil& soil, double radiusM,
                                       double targetOhms) {
  LayeredLength result;
  const std::vector<RodPoint> rod{{0, 0}};
  std::optional<Why> failed;
  const auto ohms = [&](double length) -> double {
    const Result<double> value = LayeredGroupOhms(soil, length, radiusM, rod);
    if (!value) {
      failed = value.Failed();
      return NAN;
    }
    return *value;
  };
  result.shortestM = std::max(kMinSlenderness * radiusM, 1e-3);
  if (!(result.shortestM < kLongestRodM)) {
    return Refused("the rod is too thick for any length up to " + FormatNumber(kLongestRodM) +
                   " m");
  }
  // Along a geometric scale to the first length at or below the target,
  // then halving the bracket (in the logarithm) to a part in 10^9.
  constexpr int kSteps = 24;
  const double ratio = std::pow(kLongestRodM / result.shortestM, 1.0 / kSteps);
  double shorter = result.shortestM;
  double above = ohms(shorter);
  result.shortestOhms = above;
  if (failed) return *failed;
  if (!(above > targetOhms)) {
    result.longestOhms = ohms(kLongestRodM);
    // cppcheck-suppress identicalConditionAfterEarlyExit ; ohms() sets it
    if (failed) return *failed;
    return result;
  }
  double longer = shorter;
  double below = above;
  for (int step = 1; step <= kSteps && below > targetOhms; ++step) {
    shorter = longer;
    longer = step == kSteps ? kLongestRodM : result.shortestM * std::pow(ratio, step);
    below = ohms(longer);
    if (failed) return *failed;
  }
  result.longestOhms = below;
  if (below > targetOhms) return result;
  while (longer / shorter > 1 + 1e-9) {
    const double middle = std::sqrt(shorter * longer);
    (ohms(middle) > targetOhms ? shorter : longer) = middle;
  }
  result.lengthM = std::sqrt(shorter * longer);
  return result;
}

}  // namespace ostrevin
