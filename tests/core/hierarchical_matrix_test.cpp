// The hierarchical matrix alone, against the dense product of the same
// entries: a smooth kernel compressed within its tolerance (square and
// symmetric, and rectangular with its transpose), blocks of no low rank
// kept whole, groups never mixed in a cluster, and the estimate of its size
// made before any entry is asked.
#include "core/hierarchical_matrix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>

#include "core/numerics.h"

namespace ostrevin {
namespace {

struct Point {
  double x, y, z;
};

std::vector<ItemBox> Boxes(const std::vector<Point>& points, double half = 0) {
  std::vector<ItemBox> boxes;
  for (const Point& p : points) {
    boxes.push_back({{p.x - half, p.y - half, p.z}, {p.x + half, p.y + half, p.z}, 0});
  }
  return boxes;
}

// Points on a plan 100 m x 60 m, a little below the surface, as a grid's segments stand.
std::vector<Point> Scattered(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> x(0, 100), y(0, 60), z(0.4, 0.6);
  std::vector<Point> points;
  for (std::size_t i = 0; i < n; ++i) points.push_back({x(random), y(random), z(random)});
  return points;
}

double Kernel(const Point& a, const Point& b) {
  return 1 / (0.5 + std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z)));
}

double RelativeError(const std::vector<double>& got, const std::vector<double>& want) {
  double error = 0;
  double norm = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    error += (got[i] - want[i]) * (got[i] - want[i]);
    norm += want[i] * want[i];
  }
  return std::sqrt(error / norm);
}

TEST(HierarchicalMatrix, ASmoothKernelWithinItsToleranceSquareAndRectangular) {
  const std::vector<Point> rows = Scattered(3000, 1);
  const std::vector<Point> columns = Scattered(2000, 2);
  std::vector<double> x(columns.size());
  std::vector<double> t(rows.size());
  for (std::size_t j = 0; j < x.size(); ++j) x[j] = std::cos(0.37 * static_cast<double>(j));
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = 1 + std::sin(0.11 * static_cast<double>(i));
  struct Case {
    const char* name;
    bool symmetric;
    double tolerance;
  };
  for (const Case& c : {Case{"symmetric, 1e-6", true, 1e-6}, Case{"rectangular, 1e-6", false, 1e-6},
                        Case{"rectangular, 1e-9", false, 1e-9}}) {
    SCOPED_TRACE(c.name);
    const std::vector<Point>& cols = c.symmetric ? rows : columns;
    HierarchicalOptions options;
    options.symmetric = c.symmetric;
    options.tolerance = c.tolerance;
    Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(Boxes(rows), Boxes(cols), options);
    ASSERT_TRUE(matrix) << matrix.why();
    std::atomic<std::size_t> asked{0};
    std::atomic<int> workers{0};
    const EntryFunction entry = [&](int worker, std::size_t i, std::size_t j) {
      asked.fetch_add(1, std::memory_order_relaxed);
      if (worker >= workers.load(std::memory_order_relaxed)) workers.store(worker + 1);
      return Kernel(rows[i], cols[j]);
    };
    matrix->Fill({entry, entry});
    EXPECT_LE(workers.load(), ParallelWorkers());
    const std::size_t n = cols.size();
    std::vector<double> in(n);
    for (std::size_t j = 0; j < n; ++j) in[j] = std::cos(0.37 * static_cast<double>(j));
    std::vector<double> want(rows.size(), 0);
    std::vector<double> back(n, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        want[i] += Kernel(rows[i], cols[j]) * in[j];
        back[j] += Kernel(rows[i], cols[j]) * t[i];
      }
    }
    std::vector<double> got(rows.size());
    matrix->Apply(in, got);
    EXPECT_LT(RelativeError(got, want), 10 * c.tolerance);
    std::vector<double> gotBack(n);
    matrix->ApplyTransposed(t, gotBack);
    EXPECT_LT(RelativeError(gotBack, back), 10 * c.tolerance);
    // Compressed: fewer entries asked and held than the dense matrix's (a
    // symmetric one keeps half), and fewer the tighter the tolerance.
    const double dense = static_cast<double>(rows.size() * n);
    const double share = c.symmetric ? 0.25 : c.tolerance < 1e-8 ? 0.9 : 0.5;
    EXPECT_LT(static_cast<double>(asked.load()), share * dense);
    EXPECT_LT(static_cast<double>(matrix->Bytes()), share * 8 * dense);
    EXPECT_GT(matrix->Count().farBlocks, 0u);
  }
}

TEST(HierarchicalMatrix, ItsShareOfTheDenseEntriesFallsAsItGrows) {
  // Four times the items on the same plan: the share asked falls, toward n log n.
  double last = 1;
  for (const std::size_t n : {1000, 4000, 16000}) {
    const std::vector<Point> points = Scattered(n, 5);
    HierarchicalOptions options;
    options.symmetric = true;
    Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(Boxes(points), Boxes(points), options);
    ASSERT_TRUE(matrix);
    std::atomic<std::size_t> asked{0};
    const EntryFunction entry = [&](int, std::size_t i, std::size_t j) {
      asked.fetch_add(1, std::memory_order_relaxed);
      return Kernel(points[i], points[j]);
    };
    matrix->Fill({entry, entry});
    const double share = static_cast<double>(asked.load()) / static_cast<double>(n * n);
    EXPECT_LT(share, 0.6 * last) << n;
    last = share;
  }
}

TEST(HierarchicalMatrix, ABlockOfNoLowRankIsHeldWhole) {
  // Entries without structure (hashed noise) on well separated clusters:
  // no cross holds them, so every block is kept whole, and exact.
  const std::vector<Point> rows = Scattered(400, 3);
  const auto noise = [](std::size_t i, std::size_t j) {
    std::uint64_t h = (i * 0x9E3779B97F4A7C15ULL) ^ (j + 0x632BE59BD9B4E019ULL);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 32;
    return static_cast<double>(h % 1000003) / 1000003.0 - 0.5;
  };
  HierarchicalOptions options;
  options.leaf = 16;
  Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(Boxes(rows), Boxes(rows), options);
  ASSERT_TRUE(matrix);
  const EntryFunction entry = [&](int, std::size_t i, std::size_t j) { return noise(i, j); };
  matrix->Fill({entry, entry});
  std::vector<double> in(rows.size(), 1);
  std::vector<double> got(rows.size());
  matrix->Apply(in, got);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    double want = 0;
    for (std::size_t j = 0; j < rows.size(); ++j) want += noise(i, j);
    EXPECT_NEAR(got[i], want, 1e-9) << i;
  }
  EXPECT_EQ(matrix->Count().farBlocks, 0u);
}

TEST(HierarchicalMatrix, GroupsAreNeverMixedAndTheEstimateComesFirst) {
  // Two layers' items interleaved in plan: every leaf holds one group.
  std::vector<Point> points = Scattered(2000, 4);
  std::vector<ItemBox> boxes = Boxes(points, 0.5);
  for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i].group = static_cast<int>(i % 2);
  Result<HierarchicalMatrix> matrix = HierarchicalMatrix::Partition(boxes, boxes, {});
  ASSERT_TRUE(matrix);
  for (const std::vector<std::size_t>& leaf : matrix->LeafRows()) {
    for (const std::size_t i : leaf) EXPECT_EQ(boxes[i].group, boxes[leaf.front()].group);
  }
  // Estimated before any entry is asked, within a factor of two of what is held.
  const std::size_t estimate = matrix->EstimateBytes();
  const EntryFunction entry = [&](int, std::size_t i, std::size_t j) { return Kernel(points[i], points[j]); };
  matrix->Fill({entry, entry});
  EXPECT_GT(static_cast<double>(estimate), 0.5 * static_cast<double>(matrix->Bytes()));
  EXPECT_LT(static_cast<double>(estimate), 2.0 * static_cast<double>(matrix->Bytes()));
  // No rows or no columns: no matrix. One item: a block of one.
  EXPECT_FALSE(HierarchicalMatrix::Partition({}, boxes, {}));
  Result<HierarchicalMatrix> one = HierarchicalMatrix::Partition(std::span(boxes).first(1), std::span(boxes).first(1), {});
  ASSERT_TRUE(one);
  one->Fill({entry, entry});
  std::vector<double> y(1);
  one->Apply(std::vector<double>{2}, y);
  EXPECT_DOUBLE_EQ(y[0], 2 * Kernel(points[0], points[0]));
}

}  // namespace
}  // namespace ostrevin
