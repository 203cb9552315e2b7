#include "core/compressed_solve.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <algorithm>
#include <cmath>

#include "core/segment_mutuals.h"

namespace ostrevin {

namespace {

// What a worker's cache of mutual resistances holds at most, about.
constexpr std::size_t kCacheBytes = std::size_t{500'000} * 64;

ItemBox BoxOf(const Element& e) {
  const Segment3& s = e.line;
  return {{std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::min(s.a.z, s.b.z)},
          {std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y), std::max(s.a.z, s.b.z)},
          e.layer};
}

// A leaf's block of the system, factored (or its diagonal, where it is no factor).
struct LeafFactor {
  std::vector<std::size_t> rows;
  Eigen::LLT<Eigen::MatrixXd> factor;
  Eigen::VectorXd diagonal;
  bool factored = false;
};

}  // namespace

Result<CompressedPlan> PlanCompressed(const std::vector<Element>& elements, const Unknowns& unknowns) {
  const std::size_t m = unknowns.members.size();
  CompressedPlan plan;
  plan.segments.resize(m);
  for (std::size_t j = 0; j < elements.size(); ++j) plan.segments[static_cast<std::size_t>(unknowns.of[j])].push_back(j);
  if (m < elements.size()) {
    // Each unknown where its segment nearest a point of one chamber is: a
    // point off every mirror and turn, a third of the span out.
    Extent box;
    for (const Element& e : elements) {
      box.Take(e.line.a);
      box.Take(e.line.b);
    }
    const double span = std::max(std::hypot(box.x1 - box.x0, box.y1 - box.y0), 1e-3);
    const double px = unknowns.centreX + 0.31 * span;
    const double py = unknowns.centreY + 0.113 * span;
    for (std::vector<std::size_t>& own : plan.segments) {
      const auto distance = [&](std::size_t j) {
        const Point3 c = elements[j].line.Middle();
        return std::hypot(c.x - px, c.y - py);
      };
      const auto nearest = std::min_element(own.begin(), own.end(), [&](std::size_t a, std::size_t b) {
        return distance(a) < distance(b) || (distance(a) == distance(b) && a < b);
      });
      std::iter_swap(own.begin(), nearest);
    }
  }
  std::vector<ItemBox> boxes;
  boxes.reserve(m);
  for (const std::vector<std::size_t>& own : plan.segments) boxes.push_back(BoxOf(elements[own.front()]));
  HierarchicalOptions options;
  options.symmetric = true;
  options.tolerance = kBlockTolerance;
  Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(boxes, boxes, options);
  OSTREVIN_PASS_ON(matrix);
  plan.matrix = *std::move(matrix);
  std::size_t leafEntries = 0;
  for (const std::vector<std::size_t>& leaf : plan.matrix.LeafRows()) leafEntries += leaf.size() * leaf.size();
  const auto workers = static_cast<std::size_t>(ParallelWorkers());
  plan.bytes = plan.matrix.EstimateBytes() + sizeof(double) * leafEntries + workers * kCacheBytes +
               sizeof(std::size_t) * elements.size() + sizeof(double) * 16 * m;
  return plan;
}

Result<CompressedAnswer> SolveCompressed(CompressedPlan plan, const EarthKernel& kernel,
                                         const std::vector<Element>& elements, const Unknowns& unknowns,
                                         const std::function<void(double)>& progress) {
  const std::size_t m = unknowns.members.size();
  const std::vector<std::vector<std::size_t>>& segments = plan.segments;
  // A cache for each worker, each giving the one answer (canonical).
  std::vector<SegmentMutuals> mutuals;
  mutuals.reserve(static_cast<std::size_t>(ParallelWorkers()));
  for (int w = 0; w < ParallelWorkers(); ++w) mutuals.emplace_back(kernel, elements, true);
  // Unknown a's potential from every segment of unknown b, times a's
  // count: each segment near a's exactly (and alike both ways), those
  // apart (most of an unknown's images) by the far rule.
  const Entries entries{
      [&](int worker, std::size_t a, std::size_t b) {
        SegmentMutuals& mine = mutuals[static_cast<std::size_t>(worker)];
        const std::size_t f = segments[a].front();
        const Element& ef = elements[f];
        double sum = 0;
        for (const std::size_t s : segments[b]) {
          sum += EarthKernel::Apart(ef, elements[s]) ? kernel.FarMutual(ef, elements[s]) : (mine(f, s) + mine(s, f)) / 2;
        }
        return unknowns.members[a] * sum;
      },
      [&](int, std::size_t a, std::size_t b) {
        const Element& f = elements[segments[a].front()];
        double sum = 0;
        for (const std::size_t s : segments[b]) sum += kernel.FarMutual(f, elements[s]);
        return unknowns.members[a] * sum;
      }};
  HierarchicalMatrix& matrix = plan.matrix;
  matrix.Fill(entries, [&](double done) {
    if (progress) progress(0.05 + 0.75 * done);
  });

  // The preconditioner: each leaf's block of the system, factored.
  std::vector<LeafFactor> leaves;
  for (HierarchicalMatrix::Diagonal& block : matrix.DiagonalBlocks()) {
    LeafFactor leaf;
    const auto size = static_cast<Eigen::Index>(block.items.size());
    const Eigen::Map<const Eigen::MatrixXd> whole(block.entries.data(), size, size);
    const Eigen::MatrixXd symmetric = (whole + whole.transpose()) / 2;
    leaf.factor.compute(symmetric);
    leaf.factored = leaf.factor.info() == Eigen::Success;
    if (!leaf.factored) leaf.diagonal = symmetric.diagonal();
    leaf.rows = std::move(block.items);
    leaves.push_back(std::move(leaf));
  }
  if (progress) progress(0.82);

  const LinearMap apply = [&](std::span<const double> x, std::span<double> y) { matrix.Apply(x, y); };
  const LinearMap precondition = [&](std::span<const double> r, std::span<double> z) {
    for (const LeafFactor& leaf : leaves) {
      const auto size = static_cast<Eigen::Index>(leaf.rows.size());
      Eigen::VectorXd local(size);
      for (Eigen::Index a = 0; a < size; ++a) local(a) = r[leaf.rows[static_cast<std::size_t>(a)]];
      const Eigen::VectorXd solved = leaf.factored ? Eigen::VectorXd(leaf.factor.solve(local))
                                                   : Eigen::VectorXd(local.cwiseQuotient(leaf.diagonal));
      for (Eigen::Index a = 0; a < size; ++a) z[leaf.rows[static_cast<std::size_t>(a)]] = solved(a);
    }
  };
  const Result<Iterated> solved = ConjugateGradients(apply, precondition, unknowns.members, kResidualTolerance,
                                                     kMostSteps, [&](double done) {
                                                       if (progress) progress(0.82 + 0.16 * done);
                                                     });
  OSTREVIN_PASS_ON(solved);
  CompressedAnswer answer;
  answer.steps = solved->steps;
  answer.residual = solved->residual;
  answer.bytes = matrix.Bytes();
  answer.network.currents = solved->x;
  for (std::size_t o = 0; o < m; ++o) answer.network.conductance += unknowns.members[o] * solved->x[o];
  if (!(answer.network.conductance > 0) || !std::isfinite(answer.network.conductance)) {
    return Why{Failure::kNoAnswer, "the currents could not be solved", {std::string(kCurrentsNotSolved), {}, {}}};
  }
  return answer;
}

}  // namespace ostrevin
