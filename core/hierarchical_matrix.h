// A large matrix given entry by entry, held compressed: a hierarchical
// matrix (Hackbusch, "Hierarchical Matrices: Algorithms and Analysis",
// Springer 2015, ch. 5 and 6). Its rows and its columns are items with an
// extent in space (segments of conductors, points of a surface), clustered
// by bisection of their boxes; a block of two clusters apart from each
// other by more than their size (min(diam) <= eta dist) is of low rank
// where the entries are a smooth function of the two positions (a
// potential far from its sources), and is kept as U V^T, found by adaptive
// cross approximation with partial pivoting from a few of its rows and
// columns (Bebendorf, "Approximation of boundary element matrices", Numer.
// Math. 86, 2000); every other block is kept whole. Nothing here knows the
// kernel: any function that gives an entry will do.
//
// Accuracy: each low-rank block within `tolerance` of itself in the
// Frobenius norm (ACA's estimate, stopped where the last cross adds less);
// a block whose rank would pass half its smaller side is kept whole. Items
// of different groups (the soil's layers, where the kernel is not smooth
// across an interface) are never in one cluster.
//
// Work: building the trees and the blocks' partition is O(n log n) and
// allocates nothing but them; `EstimateBytes` says, before any entry is
// asked, how much the matrix will hold (the low-rank blocks at the rank
// `assumedRank`); the entries are asked on every thread the machine has
// (the page's WebAssembly has one), so the functions giving them must be
// safe to call at once; each call says which worker asks (0 to
// ParallelWorkers() - 1, numerics.h), for a cache of its own.
//
// Example: the 1/(1 + |x - y|) matrix of 4,000 points on a line, 2.5 m
// apart, held within 1e-8 of itself in a tenth of its dense size.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "core/result.h"

namespace ostrevin {

// An item's extent: its box (metres) and its group.
struct ItemBox {
  std::array<double, 3> lo{}, hi{};
  int group = 0;
};

struct HierarchicalOptions {
  double eta = 1.0;         // admissibility: min(diam) <= eta * dist
  double tolerance = 1e-6;  // each low-rank block's, relative
  std::size_t leaf = 48;    // the most items in a cluster not divided
  // Rows and columns the same items and the matrix symmetric: only the
  // blocks on and above the diagonal are kept (and asked for).
  bool symmetric = false;
  std::size_t assumedRank = 14;  // for EstimateBytes
};

// Entry (row, column) as asked by worker `worker`; `far` asks only for
// entries of blocks kept at low rank (where a cheaper, still accurate
// evaluation may serve), `near` for those kept whole.
using EntryFunction = std::function<double(int worker, std::size_t row, std::size_t column)>;
struct Entries {
  EntryFunction near, far;
};

class HierarchicalMatrix {
 public:
  // The partition alone (no entry asked): for estimates. Refused for no rows or columns.
  static Result<HierarchicalMatrix> Partition(std::span<const ItemBox> rows, std::span<const ItemBox> columns,
                                              const HierarchicalOptions& options);
  // The bytes the matrix will take, estimated from its partition.
  std::size_t EstimateBytes() const;
  // Every block's entries, asked of `entries` (on every worker); `progress`
  // hears the share done, 0 to 1, from the calling thread.
  void Fill(const Entries& entries, const std::function<void(double)>& progress = {});

  // y = A x with each block worked out, applied and let go (none kept: for
  // a product needed once, as the potentials of a map from the currents).
  void ApplyOnce(const Entries& entries, std::span<const double> x, std::span<double> y,
                 const std::function<void(double)>& progress = {});

  // y = A x, and y = A^T x (rows and columns in the items' own order); the
  // same sums, to the last bit, on any count of workers.
  void Apply(std::span<const double> x, std::span<double> y) const;
  void ApplyTransposed(std::span<const double> x, std::span<double> y) const;

  std::size_t Rows() const { return rowOrder_.size(); }
  std::size_t Columns() const { return columnOrder_.size(); }
  std::size_t Bytes() const;  // what the filled blocks hold
  struct Counts {
    std::size_t nearBlocks = 0, farBlocks = 0;
    std::size_t nearEntries = 0;  // held whole
    std::size_t farRankSum = 0, farRankMost = 0;
  };
  Counts Count() const;

  // The rows of each leaf cluster of the rows, in the items' order: the
  // groups a block-diagonal preconditioner may take.
  std::vector<std::vector<std::size_t>> LeafRows() const;
  // Of a filled symmetric matrix, each leaf cluster's block with itself
  // (kept whole): its items and its entries, row by row.
  struct Diagonal {
    std::vector<std::size_t> items;
    std::vector<double> entries;
  };
  std::vector<Diagonal> DiagonalBlocks() const;

 private:
  struct Cluster {
    std::size_t begin = 0, end = 0;  // in the order of the tree
    std::array<double, 3> lo{}, hi{};
    int children[2] = {-1, -1};
  };
  struct Block {
    int row = 0, column = 0;  // clusters
    bool lowRank = false;
    std::vector<double> whole;  // rows x columns, row by row
    std::vector<double> u, v;   // rank x rows, rank x columns
    std::size_t rank = 0;
  };
  static std::vector<Cluster> Tree(std::span<const ItemBox> items, std::vector<std::size_t>& order,
                                   std::size_t leaf);
  void Divide(int row, int column, bool diagonal);
  void FillBlock(Block& block, const Entries& entries, int worker) const;
  void ApplyBlock(const Block& block, std::span<const double> x, std::span<double> y, bool transposed) const;

  HierarchicalOptions options_;
  std::vector<Cluster> rowTree_, columnTree_;
  std::vector<std::size_t> rowOrder_, columnOrder_;  // tree position -> item
  std::vector<Block> blocks_;
};

}  // namespace ostrevin
