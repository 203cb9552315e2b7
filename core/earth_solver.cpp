#include "core/earth_solver.h"

#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/number_text.h"
#include "core/numerics.h"
#include "core/segmentation.h"
#include "core/symmetry.h"

namespace ostrevin {

namespace {

// Pairs of segments alike by a horizontal shift keep one mutual resistance,
// up to this many.
constexpr std::size_t kMaxCached = 500'000;

Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Norm(const Point3& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

struct Key {
  std::int64_t v[7];
  bool operator==(const Key& other) const {
    return std::equal(std::begin(v), std::end(v), std::begin(other.v));
  }
};
struct KeyHash {
  std::size_t operator()(const Key& key) const {
    std::uint64_t h = 1469598103934665603ULL;
    for (const std::int64_t x : key.v) {
      h ^= static_cast<std::uint64_t>(x);
      h *= 1099511628211ULL;
    }
    return static_cast<std::size_t>(h);
  }
};

std::int64_t Quantum(double v, double q) { return std::llround(v / q); }

// ---- Mutual resistances, shared by pairs alike by a horizontal shift. ----

class Mutuals {
 public:
  Mutuals(const EarthKernel& kernel, const std::vector<Element>& elements)
      : kernel_(kernel), elements_(elements) {
    // Each element's shape: its line less its first end's (x, y).
    std::map<std::array<std::int64_t, 7>, int> shapes;
    for (const Element& e : elements) {
      const Point3 d = Minus(e.line.b, e.line.a);
      const bool vertical = std::abs(d.x) + std::abs(d.y) <= 1e-12 * Norm(d);
      vertical_.push_back(vertical);
      const std::array<std::int64_t, 7> key{Quantum(d.x, kQ), Quantum(d.y, kQ), Quantum(e.line.a.z, kQ),
                                            Quantum(d.z, kQ), Quantum(e.radius, kQ),
                                            e.upper ? 1 : 0, 0};
      shape_.push_back(shapes.try_emplace(key, static_cast<int>(shapes.size())).first->second);
    }
  }

  double operator()(std::size_t f, std::size_t s) {
    const Element& a = elements_[f];
    const Element& b = elements_[s];
    Key key{};
    const double dx = b.line.a.x - a.line.a.x;
    const double dy = b.line.a.y - a.line.a.y;
    if (vertical_[f] && vertical_[s]) {
      key = {{shape_[f], shape_[s], Quantum(std::hypot(dx, dy), kQ), 0, 0, 0, 1}};
    } else {
      key = {{shape_[f], shape_[s], Quantum(dx, kQ), Quantum(dy, kQ), 0, 0, 2}};
    }
    const auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    const double value = kernel_.Mutual(a, b);
    if (cache_.size() < kMaxCached) cache_.emplace(key, value);
    return value;
  }

 private:
  static constexpr double kQ = 1e-9;
  const EarthKernel& kernel_;
  const std::vector<Element>& elements_;
  std::vector<bool> vertical_;
  std::vector<int> shape_;
  std::unordered_map<Key, double, KeyHash> cache_;
};

constexpr const char* kNotDefinite =
    "the segments' mutual resistances are not positive definite: the thin-wire model does not "
    "hold for these conductors";

// The matrix of every segment's mutual resistance with every other,
// symmetric positive definite.
Eigen::MatrixXd AllMutuals(Mutuals& mutual, std::size_t n, const Progress& progress) {
  const auto m = static_cast<Eigen::Index>(n);
  Eigen::MatrixXd matrix(m, m);
  for (Eigen::Index i = 0; i < m; ++i) {
    if (progress && i % 64 == 0) progress(0.05 + 0.8 * (1 - std::pow(1 - double(i) / double(m), 2)));
    const auto a = static_cast<std::size_t>(i);
    for (Eigen::Index j = 0; j <= i; ++j) {
      const auto b = static_cast<std::size_t>(j);
      matrix(i, j) = matrix(j, i) = (mutual(a, b) + mutual(b, a)) / 2;
    }
  }
  return matrix;
}

// With symmetry, one row for each orbit's representative: its potential
// from every segment, times its orbit's size. That is the sum over a pair
// of orbits of their mutual resistances: symmetric, positive definite, as
// the whole.
Eigen::MatrixXd OrbitMutuals(Mutuals& mutual, const Symmetry& symmetry,
                             std::span<const std::size_t> representative,
                             std::span<const double> members, const Progress& progress) {
  const auto m = static_cast<Eigen::Index>(members.size());
  const std::size_t n = symmetry.orbit.size();
  Eigen::MatrixXd matrix = Eigen::MatrixXd::Zero(m, m);
  for (Eigen::Index i = 0; i < m; ++i) {
    if (progress && i % 16 == 0) progress(0.05 + 0.8 * double(i) / double(m));
    const std::size_t a = representative[static_cast<std::size_t>(i)];
    for (std::size_t b = 0; b < n; ++b) matrix(i, symmetry.orbit[b]) += mutual(a, b);
  }
  const Eigen::Map<const Eigen::VectorXd> sizes(members.data(), m);
  const Eigen::MatrixXd weighted = sizes.asDiagonal() * matrix;
  return (weighted + weighted.transpose()) / 2;
}

std::string TooMany(std::size_t unknowns, std::size_t segments, std::size_t bound) {
  return "the electrode needs " + std::to_string(unknowns) + " unknowns (" +
         std::to_string(segments) + " segments): at most " + std::to_string(bound) +
         " are solved here";
}

Result<Solution> SolveAsGiven(std::span<const Conductor> conductors, const EarthSoil& soil,
                              const SolveOptions& options) {
  Result<Segmented> segmented = Segment(conductors, soil, options);
  OSTREVIN_PASS_ON(segmented);
  Solution solution = std::move(segmented->solution);
  const std::vector<Element>& elements = solution.elements;
  const std::size_t n = elements.size();
  const Symmetry symmetry = FindSymmetry(elements, segmented->tolerance, options.symmetry);
  const auto unknowns = static_cast<std::size_t>(symmetry.orbits);
  if (unknowns > options.maxUnknowns) return Refused(TooMany(unknowns, n, options.maxUnknowns));
  solution.unknowns = unknowns;
  solution.symmetry = symmetry.order;
  solution.centreX = symmetry.cx;
  solution.centreY = symmetry.cy;
  solution.turns = symmetry.turns;
  solution.mirror = symmetry.mirror;
  std::vector<std::size_t> representative(unknowns, n);
  std::vector<double> members(unknowns, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const auto o = static_cast<std::size_t>(symmetry.orbit[i]);
    if (representative[o] == n) representative[o] = i;
    members[o] += 1;
  }

  const EarthKernel kernel(solution.soil, solution.spanM, solution.depthM);
  Mutuals mutual(kernel, elements);
  const Eigen::MatrixXd matrix =
      unknowns == n ? AllMutuals(mutual, n, options.progress)
                    : OrbitMutuals(mutual, symmetry, representative, members, options.progress);
  const Result<Network> network =
      SolveNetwork({matrix.data(), static_cast<std::size_t>(matrix.size())}, members);
  if (!network) {
    return NoAnswer(network.Failed().detail.code == kNotPositiveDefinite
                        ? kNotDefinite
                        : "the segments' currents could not be solved");
  }
  if (options.progress) options.progress(0.98);
  const double conductance = network->conductance;
  solution.ohms = 1 / conductance;
  solution.amperes.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    solution.amperes[i] = network->currents[static_cast<std::size_t>(symmetry.orbit[i])] / conductance;
  }
  if (options.progress) options.progress(1);
  return solution;
}

}  // namespace

EarthKernel KernelFor(const Solution& solution) {
  return {solution.soil, solution.spanM + 20 * std::max(solution.spanM, 1.0),
          solution.depthM + 1};
}

// Whether a conductor's own end (not one at the surface) lies within two
// radii of the interface of soils that differ.
bool EndNearInterface(std::span<const Conductor> conductors, const EarthSoil& soil) {
  if (!soil.layers || std::abs(Reflection(*soil.layers)) < kGradedContrast) return false;
  const double h = soil.layers->h;
  return std::any_of(conductors.begin(), conductors.end(), [&](const Conductor& c) {
    const std::array<double, 2> ends{c.a.z, c.b.z};
    return std::any_of(ends.begin(), ends.end(), [&](double z) {
      return z > c.diameterM / 2 && std::abs(z - h) < c.diameterM;
    });
  });
}

Result<Solution> SolveElectrode(std::span<const Conductor> conductors, const EarthSoil& soil,
                                const SolveOptions& options) {
  // Layers alike are one soil.
  if (soil.layers && soil.layers->rho1 == soil.layers->rho2 && soil.layers->rho1 > 0) {
    Result<Solution> uniform = SolveAsGiven(conductors, {soil.layers->rho1, std::nullopt}, options);
    if (uniform) uniform->soil = soil;
    return uniform;
  }
  Result<Solution> solved = SolveAsGiven(conductors, soil, options);
  if (solved && EndNearInterface(conductors, soil)) {
    solved->notes.emplace_back(
        "a conductor ends within two radii of the interface: the answer changes steeply as the "
        "interface passes its end (a thin wire's end face, left out, touches the other layer "
        "there); a survey seldom gives the interface's depth that closely");
  }
  return solved;
}

Result<std::size_t> UnknownsFor(std::span<const Conductor> conductors, const EarthSoil& soil,
                                const SolveOptions& options) {
  const Result<Segmented> segmented = Segment(conductors, soil, options);
  OSTREVIN_PASS_ON(segmented);
  return static_cast<std::size_t>(
      FindSymmetry(segmented->solution.elements, segmented->tolerance, options.symmetry).orbits);
}

bool WithinConductor(const Solution& solution, const Point3& point) {
  return std::any_of(solution.elements.begin(), solution.elements.end(), [&](const Element& e) {
    return SegmentDistance({point, point}, e.line) <= e.radius;
  });
}

double PotentialAt(const Solution& solution, const EarthKernel& kernel, const Point3& point) {
  // The conductors are one equipotential: within one, its potential; and
  // no point of the soil is above it (the uniform currents' ripple would
  // put a rod's head, or the surface just above a conductor's end, a
  // fraction of a per cent higher).
  if (WithinConductor(solution, point)) return solution.ohms;
  double volts = 0;
  for (std::size_t i = 0; i < solution.elements.size(); ++i) {
    volts += solution.amperes[i] * kernel.At(point, solution.elements[i]);
  }
  return std::min(volts, solution.ohms);
}

}  // namespace ostrevin
