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

#include "core/compressed_solve.h"
#include "core/number_text.h"
#include "core/numerics.h"
#include "core/segment_mutuals.h"
#include "core/segmentation.h"
#include "core/symmetry.h"

namespace ostrevin {

namespace {

constexpr const char* kNotDefinite =
    "the segments' mutual resistances are not positive definite: the thin-wire model does not "
    "hold for these conductors";

// The matrix of every segment's mutual resistance with every other,
// symmetric positive definite.
Eigen::MatrixXd AllMutuals(SegmentMutuals& mutual, std::size_t n, const Progress& progress) {
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
Eigen::MatrixXd OrbitMutuals(SegmentMutuals& mutual, const Symmetry& symmetry,
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

// The electrode's unknowns and the solver its work needs.
struct Planned {
  Symmetry symmetry;
  std::vector<std::size_t> representative;
  std::vector<double> members;
  Work work;
  std::optional<CompressedPlan> compressed;
};

Result<Planned> Plan(const Solution& solution, double tolerance, const SolveOptions& options) {
  const std::vector<Element>& elements = solution.elements;
  const std::size_t n = elements.size();
  Planned planned;
  planned.symmetry = FindSymmetry(elements, tolerance, options.symmetry);
  const auto unknowns = static_cast<std::size_t>(planned.symmetry.orbits);
  planned.representative.assign(unknowns, n);
  planned.members.assign(unknowns, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const auto o = static_cast<std::size_t>(planned.symmetry.orbit[i]);
    if (planned.representative[o] == n) planned.representative[o] = i;
    planned.members[o] += 1;
  }
  planned.work = {unknowns, n, 0, false};
  const bool compressed = options.solver == SolverChoice::kCompressed ||
                          (options.solver == SolverChoice::kAuto && unknowns > kDenseUnknowns);
  if (compressed) {
    Result<CompressedPlan> plan = PlanCompressed(
        elements, {planned.symmetry.orbit, planned.members, planned.symmetry.cx, planned.symmetry.cy});
    OSTREVIN_PASS_ON(plan);
    planned.work.bytes = plan->bytes + sizeof(Element) * n;
    planned.work.compressed = true;
    planned.compressed = *std::move(plan);
  } else {
    // The dense matrix, and Cholesky's copy of it.
    planned.work.bytes = 2 * sizeof(double) * unknowns * unknowns + sizeof(Element) * n;
  }
  if (planned.work.bytes > options.maxBytes) {
    return Refused("the electrode needs about " + MemoryText(planned.work.bytes) + " for its " + std::to_string(n) +
                       " segments (" + std::to_string(unknowns) + " unknowns" +
                       (unknowns < n ? " by its symmetry" : "") + ", the " +
                       (compressed ? "compressed" : "dense") + " solver): at most " + MemoryText(options.maxBytes) +
                       " are solved here",
                   {std::string(kTooLarge), {unknowns, n, planned.work.bytes, options.maxBytes}, {}});
  }
  return planned;
}

Result<Network> SolveDense(const EarthKernel& kernel, const Solution& solution, const Planned& planned,
                           const SolveOptions& options) {
  const std::vector<Element>& elements = solution.elements;
  SegmentMutuals mutual(kernel, elements);
  const Eigen::MatrixXd matrix =
      planned.work.unknowns == elements.size()
          ? AllMutuals(mutual, elements.size(), options.progress)
          : OrbitMutuals(mutual, planned.symmetry, planned.representative, planned.members, options.progress);
  return SolveNetwork({matrix.data(), static_cast<std::size_t>(matrix.size())}, planned.members);
}

Result<Solution> SolveAsGiven(std::span<const Conductor> conductors, const EarthSoil& soil,
                              const SolveOptions& options) {
  Result<Segmented> segmented = Segment(conductors, soil, options);
  OSTREVIN_PASS_ON(segmented);
  Solution solution = std::move(segmented->solution);
  Result<Planned> planned = Plan(solution, segmented->tolerance, options);
  OSTREVIN_PASS_ON(planned);
  const Symmetry& symmetry = planned->symmetry;
  const std::size_t n = solution.elements.size();
  solution.unknowns = planned->work.unknowns;
  solution.compressed = planned->work.compressed;
  solution.symmetry = symmetry.order;
  solution.centreX = symmetry.cx;
  solution.centreY = symmetry.cy;
  solution.turns = symmetry.turns;
  solution.mirror = symmetry.mirror;

  const EarthKernel kernel(solution.soil, solution.spanM, solution.depthM);
  const auto solve = [&]() -> Result<Network> {
    if (!planned->compressed) {
      solution.bytes = planned->work.bytes;
      return SolveDense(kernel, solution, *planned, options);
    }
    Result<CompressedAnswer> answer =
        SolveCompressed(*std::move(planned->compressed), kernel, solution.elements,
                        {symmetry.orbit, planned->members, symmetry.cx, symmetry.cy}, options.progress);
    if (!answer) return answer.Failed();
    solution.steps = answer->steps;
    solution.bytes = answer->bytes;
    return std::move(answer->network);
  };
  const Result<Network> network = solve();
  if (!network) {
    const std::string& code = network.Failed().detail.code;
    return NoAnswer(code == kNotPositiveDefinite ? kNotDefinite
                    : code == kNotConverged      ? "the compressed solver's iteration did not converge (" +
                                                       network.why() + ")"
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

std::string MemoryText(std::size_t bytes) {
  const double mb = static_cast<double>(bytes) / 1e6;
  if (mb >= 1000) return FormatDouble("%.1f", mb / 1000) + " GB";
  if (mb >= 10) return FormatNumber(std::ceil(mb)) + " MB";
  return (mb >= 1 ? FormatDouble("%.1f", std::ceil(mb * 10) / 10) : FormatDouble("%.2f", std::ceil(mb * 100) / 100)) +
         " MB";
}

EarthKernel KernelFor(const Solution& solution) {
  return {solution.soil, solution.spanM + 20 * std::max(solution.spanM, 1.0),
          solution.depthM + 1};
}

// Whether a conductor's own end (not one at the surface) lies within two
// radii of an interface of soils that differ.
bool EndNearInterface(std::span<const Conductor> conductors, const EarthSoil& soil) {
  const Interfaces interfaces = InterfacesOf(soil);
  for (std::size_t k = 0; k < interfaces.count; ++k) {
    if (std::abs(interfaces.reflection[k]) < kGradedContrast) continue;
    const bool near = std::any_of(conductors.begin(), conductors.end(), [&](const Conductor& c) {
      const std::array<double, 2> ends{c.a.z, c.b.z};
      return std::any_of(ends.begin(), ends.end(), [&](double z) {
        return z > c.diameterM / 2 && std::abs(z - interfaces.depth[k]) < c.diameterM;
      });
    });
    if (near) return true;
  }
  return false;
}

Result<Solution> SolveElectrode(std::span<const Conductor> conductors, const EarthSoil& soil,
                                const SolveOptions& options) {
  // Layers alike are one soil.
  const EarthSoil simplified = Simplified(soil);
  Result<Solution> solved = SolveAsGiven(conductors, simplified, options);
  if (solved && EndNearInterface(conductors, simplified)) {
    solved->notes.emplace_back(
        "a conductor ends within two radii of the interface: the answer changes steeply as the "
        "interface passes its end (a thin wire's end face, left out, touches the other layer "
        "there); a survey seldom gives the interface's depth that closely");
  }
  return solved;
}

Result<Work> WorkFor(std::span<const Conductor> conductors, const EarthSoil& soil, const SolveOptions& options) {
  const Result<Segmented> segmented = Segment(conductors, soil, options);
  OSTREVIN_PASS_ON(segmented);
  SolveOptions unbounded = options;
  unbounded.maxBytes = std::numeric_limits<std::size_t>::max();
  const Result<Planned> planned = Plan(segmented->solution, segmented->tolerance, unbounded);
  OSTREVIN_PASS_ON(planned);
  return planned->work;
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
