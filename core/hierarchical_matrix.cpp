#include "core/hierarchical_matrix.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>

#include "core/numerics.h"

namespace ostrevin {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

double Centre(const ItemBox& box, int axis) { return (box.lo[static_cast<std::size_t>(axis)] + box.hi[static_cast<std::size_t>(axis)]) / 2; }

double Diameter(const std::array<double, 3>& lo, const std::array<double, 3>& hi) {
  double sum = 0;
  for (std::size_t k = 0; k < 3; ++k) sum += (hi[k] - lo[k]) * (hi[k] - lo[k]);
  return std::sqrt(sum);
}

double Apart(const std::array<double, 3>& lo1, const std::array<double, 3>& hi1, const std::array<double, 3>& lo2,
             const std::array<double, 3>& hi2) {
  double sum = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const double gap = std::max({0.0, lo2[k] - hi1[k], lo1[k] - hi2[k]});
    sum += gap * gap;
  }
  return std::sqrt(sum);
}

double Dot(const double* a, const double* b, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += a[i] * b[i];
  return sum;
}

}  // namespace

std::vector<HierarchicalMatrix::Cluster> HierarchicalMatrix::Tree(std::span<const ItemBox> items,
                                                                  std::vector<std::size_t>& order,
                                                                  std::size_t leaf) {
  order.resize(items.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::vector<Cluster> tree;
  // Clusters made breadth first from the root, each divided where it can be.
  tree.push_back({0, items.size()});
  for (std::size_t at = 0; at < tree.size(); ++at) {
    Cluster cluster = tree[at];
    cluster.lo = {kInfinity, kInfinity, kInfinity};
    cluster.hi = {-kInfinity, -kInfinity, -kInfinity};
    int firstGroup = items[order[cluster.begin]].group;
    bool groups = false;
    for (std::size_t p = cluster.begin; p < cluster.end; ++p) {
      const ItemBox& box = items[order[p]];
      for (std::size_t k = 0; k < 3; ++k) {
        cluster.lo[k] = std::min(cluster.lo[k], box.lo[k]);
        cluster.hi[k] = std::max(cluster.hi[k], box.hi[k]);
      }
      groups = groups || box.group != firstGroup;
      firstGroup = std::min(firstGroup, box.group);
    }
    const auto first = order.begin() + static_cast<std::ptrdiff_t>(cluster.begin);
    const auto last = order.begin() + static_cast<std::ptrdiff_t>(cluster.end);
    std::size_t split = cluster.begin;
    if (groups) {
      // Items of another group are never in one cluster: the lowest group apart.
      split = cluster.begin + static_cast<std::size_t>(
                                  std::stable_partition(first, last, [&](std::size_t i) { return items[i].group == firstGroup; }) -
                                  first);
    } else if (cluster.end - cluster.begin > leaf) {
      // Halved across the longest side of the items' middles, at the median.
      std::array<double, 3> lo{kInfinity, kInfinity, kInfinity};
      std::array<double, 3> hi{-kInfinity, -kInfinity, -kInfinity};
      for (std::size_t p = cluster.begin; p < cluster.end; ++p) {
        for (int k = 0; k < 3; ++k) {
          lo[static_cast<std::size_t>(k)] = std::min(lo[static_cast<std::size_t>(k)], Centre(items[order[p]], k));
          hi[static_cast<std::size_t>(k)] = std::max(hi[static_cast<std::size_t>(k)], Centre(items[order[p]], k));
        }
      }
      int axis = 0;
      for (int k = 1; k < 3; ++k) {
        if (hi[static_cast<std::size_t>(k)] - lo[static_cast<std::size_t>(k)] >
            hi[static_cast<std::size_t>(axis)] - lo[static_cast<std::size_t>(axis)]) {
          axis = k;
        }
      }
      const auto middle = first + static_cast<std::ptrdiff_t>((cluster.end - cluster.begin) / 2);
      std::nth_element(first, middle, last, [&](std::size_t a, std::size_t b) {
        return Centre(items[a], axis) < Centre(items[b], axis);
      });
      split = static_cast<std::size_t>(middle - order.begin());
    }
    if (split > cluster.begin && split < cluster.end) {
      cluster.children[0] = static_cast<int>(tree.size());
      cluster.children[1] = static_cast<int>(tree.size() + 1);
      tree.push_back({cluster.begin, split});
      tree.push_back({split, cluster.end});
    }
    tree[at] = cluster;
  }
  return tree;
}

Result<HierarchicalMatrix> HierarchicalMatrix::Partition(std::span<const ItemBox> rows,
                                                         std::span<const ItemBox> columns,
                                                         const HierarchicalOptions& options) {
  if (rows.empty() || columns.empty()) return Refused("a matrix of no rows or no columns");
  HierarchicalMatrix matrix;
  matrix.options_ = options;
  matrix.rowTree_ = Tree(rows, matrix.rowOrder_, std::max<std::size_t>(options.leaf, 1));
  if (options.symmetric) {
    matrix.columnTree_ = matrix.rowTree_;
    matrix.columnOrder_ = matrix.rowOrder_;
  } else {
    matrix.columnTree_ = Tree(columns, matrix.columnOrder_, std::max<std::size_t>(options.leaf, 1));
  }
  matrix.Divide(0, 0, options.symmetric);
  return matrix;
}

void HierarchicalMatrix::Divide(int row, int column, bool diagonal) {
  // Pairs still to place, depth first (a stack, not recursion: trees may be deep).
  struct Pair {
    int row, column;
    bool diagonal;
  };
  std::vector<Pair> pending{{row, column, diagonal}};
  while (!pending.empty()) {
    const Pair pair = pending.back();
    pending.pop_back();
    const Cluster& r = rowTree_[static_cast<std::size_t>(pair.row)];
    const Cluster& c = columnTree_[static_cast<std::size_t>(pair.column)];
    const double apart = Apart(r.lo, r.hi, c.lo, c.hi);
    const double size = std::min(Diameter(r.lo, r.hi), Diameter(c.lo, c.hi));
    if (!pair.diagonal && apart > 0 && size <= options_.eta * apart) {
      blocks_.push_back({pair.row, pair.column, true, {}, {}, {}, 0});
      continue;
    }
    const bool rowLeaf = r.children[0] < 0;
    const bool columnLeaf = c.children[0] < 0;
    if (rowLeaf && columnLeaf) {
      blocks_.push_back({pair.row, pair.column, false, {}, {}, {}, 0});
    } else if (pair.diagonal) {
      // One cluster with itself: its halves with themselves, and the first with the second.
      pending.push_back({r.children[0], r.children[0], true});
      pending.push_back({r.children[1], r.children[1], true});
      pending.push_back({r.children[0], r.children[1], false});
    } else if (rowLeaf) {
      pending.push_back({pair.row, c.children[0], false});
      pending.push_back({pair.row, c.children[1], false});
    } else if (columnLeaf) {
      pending.push_back({r.children[0], pair.column, false});
      pending.push_back({r.children[1], pair.column, false});
    } else {
      for (const int a : r.children) {
        for (const int b : c.children) pending.push_back({a, b, false});
      }
    }
  }
}

std::size_t HierarchicalMatrix::EstimateBytes() const {
  std::size_t bytes = (rowOrder_.size() + columnOrder_.size()) * sizeof(std::size_t) +
                      (rowTree_.size() + columnTree_.size()) * sizeof(Cluster) + blocks_.size() * sizeof(Block);
  for (const Block& block : blocks_) {
    const Cluster& r = rowTree_[static_cast<std::size_t>(block.row)];
    const Cluster& c = columnTree_[static_cast<std::size_t>(block.column)];
    const std::size_t m = r.end - r.begin;
    const std::size_t n = c.end - c.begin;
    bytes += sizeof(double) * (block.lowRank ? std::min(m * n, (m + n) * options_.assumedRank) : m * n);
  }
  return bytes;
}

void HierarchicalMatrix::FillBlock(Block& block, const Entries& entries, int worker) const {
  const Cluster& r = rowTree_[static_cast<std::size_t>(block.row)];
  const Cluster& c = columnTree_[static_cast<std::size_t>(block.column)];
  const std::size_t m = r.end - r.begin;
  const std::size_t n = c.end - c.begin;
  const auto rowItem = [&](std::size_t i) { return rowOrder_[r.begin + i]; };
  const auto columnItem = [&](std::size_t j) { return columnOrder_[c.begin + j]; };
  const auto whole = [&](const EntryFunction& entry) {
    block.lowRank = false;
    block.whole.assign(m * n, 0);
    const bool mirrored = options_.symmetric && block.row == block.column;
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = mirrored ? i : 0; j < n; ++j) {
        const double value = entry(worker, rowItem(i), columnItem(j));
        block.whole[i * n + j] = value;
        if (mirrored) block.whole[j * n + i] = value;
      }
    }
  };
  if (!block.lowRank) {
    whole(entries.near);
    return;
  }
  // Adaptive cross approximation with partial pivoting: a row of what is
  // left, its largest entry's column, that column; the next row where the
  // column is largest; until a cross adds less than the tolerance.
  const std::size_t most = std::max<std::size_t>(1, std::min(m, n) / 2);
  std::vector<double> us;
  std::vector<double> vs;
  std::vector<char> used(m, 0);
  std::vector<double> rowLeft(n);
  std::vector<double> columnLeft(m);
  double norm2 = 0;
  std::size_t rank = 0;
  std::size_t i = 0;
  int zeros = 0;
  bool converged = false;
  while (rank < most) {
    used[i] = 1;
    for (std::size_t j = 0; j < n; ++j) {
      double value = entries.far(worker, rowItem(i), columnItem(j));
      for (std::size_t l = 0; l < rank; ++l) value -= us[l * m + i] * vs[l * n + j];
      rowLeft[j] = value;
    }
    std::size_t pivot = 0;
    for (std::size_t j = 1; j < n; ++j) {
      if (std::abs(rowLeft[j]) > std::abs(rowLeft[pivot])) pivot = j;
    }
    const double largest = rowLeft[pivot];
    if (!(std::abs(largest) > 0)) {
      // A row already held: try another; three in turn, and the block is held.
      const auto next = std::find(used.begin(), used.end(), 0);
      if (next == used.end() || ++zeros == 3) {
        converged = true;
        break;
      }
      i = static_cast<std::size_t>(next - used.begin());
      continue;
    }
    zeros = 0;
    for (std::size_t j = 0; j < n; ++j) rowLeft[j] /= largest;
    for (std::size_t k = 0; k < m; ++k) {
      double value = entries.far(worker, rowItem(k), columnItem(pivot));
      for (std::size_t l = 0; l < rank; ++l) value -= us[l * m + k] * vs[l * n + pivot];
      columnLeft[k] = value;
    }
    const double uu = Dot(columnLeft.data(), columnLeft.data(), m);
    const double vv = Dot(rowLeft.data(), rowLeft.data(), n);
    double cross = 0;
    for (std::size_t l = 0; l < rank; ++l) {
      cross += Dot(&us[l * m], columnLeft.data(), m) * Dot(&vs[l * n], rowLeft.data(), n);
    }
    norm2 += uu * vv + 2 * cross;
    us.insert(us.end(), columnLeft.begin(), columnLeft.end());
    vs.insert(vs.end(), rowLeft.begin(), rowLeft.end());
    ++rank;
    if (std::sqrt(uu * vv) <= options_.tolerance * std::sqrt(std::max(norm2, 0.0))) {
      converged = true;
      break;
    }
    std::size_t next = m;
    for (std::size_t k = 0; k < m; ++k) {
      if (used[k] == 0 && (next == m || std::abs(columnLeft[k]) > std::abs(columnLeft[next]))) next = k;
    }
    if (next == m) {
      converged = true;
      break;
    }
    i = next;
  }
  if (!converged) {
    // Of no low rank after all: held whole.
    whole(entries.near);
    return;
  }
  block.u = std::move(us);
  block.v = std::move(vs);
  block.rank = rank;
}

void HierarchicalMatrix::Fill(const Entries& entries, const std::function<void(double)>& progress) {
  // The largest blocks first (the workers then end together); the share
  // told is of the blocks' sizes.
  std::vector<std::size_t> order(blocks_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto work = [&](const Block& block) {
    const Cluster& r = rowTree_[static_cast<std::size_t>(block.row)];
    const Cluster& c = columnTree_[static_cast<std::size_t>(block.column)];
    const std::size_t m = r.end - r.begin;
    const std::size_t n = c.end - c.begin;
    return block.lowRank ? (m + n) * options_.assumedRank : m * n;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return work(blocks_[a]) > work(blocks_[b]); });
  double total = 0;
  for (const Block& block : blocks_) total += static_cast<double>(work(block));
  std::atomic<std::size_t> done{0};
  ParallelFor(order.size(), [&](std::size_t k, int worker) {
    Block& block = blocks_[order[k]];
    FillBlock(block, entries, worker);
    const std::size_t sum = done.fetch_add(work(block)) + work(block);
    if (worker == 0 && progress) progress(static_cast<double>(sum) / total);
  });
}

void HierarchicalMatrix::ApplyBlock(const Block& block, std::span<const double> x, std::span<double> y,
                                    bool transposed) const {
  const Cluster& r = rowTree_[static_cast<std::size_t>(block.row)];
  const Cluster& c = columnTree_[static_cast<std::size_t>(block.column)];
  const std::size_t m = r.end - r.begin;
  const std::size_t n = c.end - c.begin;
  // In the trees' order: rows r.begin.., columns c.begin..; transposed, x
  // runs over the rows and y over the columns.
  const double* in = x.data() + (transposed ? r.begin : c.begin);
  double* out = y.data() + (transposed ? c.begin : r.begin);
  if (!block.lowRank) {
    for (std::size_t i = 0; i < m; ++i) {
      const double* row = &block.whole[i * n];
      if (transposed) {
        for (std::size_t j = 0; j < n; ++j) out[j] += row[j] * in[i];
      } else {
        out[i] += Dot(row, in, n);
      }
    }
    return;
  }
  for (std::size_t l = 0; l < block.rank; ++l) {
    const double* u = &block.u[l * m];
    const double* v = &block.v[l * n];
    if (transposed) {
      const double t = Dot(u, in, m);
      for (std::size_t j = 0; j < n; ++j) out[j] += v[j] * t;
    } else {
      const double t = Dot(v, in, n);
      for (std::size_t i = 0; i < m; ++i) out[i] += u[i] * t;
    }
  }
}

namespace {

// The blocks' products are summed in this many parts, each its blocks in
// order, the parts then in order: the same sums whatever the workers.
constexpr std::size_t kParts = 8;

}  // namespace

void HierarchicalMatrix::ApplyOnce(const Entries& entries, std::span<const double> x, std::span<double> y,
                                   const std::function<void(double)>& progress) {
  std::vector<double> in(columnOrder_.size());
  for (std::size_t p = 0; p < in.size(); ++p) in[p] = x[columnOrder_[p]];
  std::vector<std::vector<double>> out(kParts, std::vector<double>(rowOrder_.size(), 0));
  std::atomic<std::size_t> done{0};
  ParallelFor(kParts, [&](std::size_t part, int worker) {
    for (std::size_t k = part; k < blocks_.size(); k += kParts) {
      Block& block = blocks_[k];
      FillBlock(block, entries, worker);
      ApplyBlock(block, in, out[part], false);
      if (options_.symmetric && block.row != block.column) ApplyBlock(block, in, out[part], true);
      block.whole = {};
      block.u = {};
      block.v = {};
      const std::size_t finished = done.fetch_add(1) + 1;
      if (worker == 0 && progress) progress(static_cast<double>(finished) / static_cast<double>(blocks_.size()));
    }
  });
  for (std::size_t p = 0; p < rowOrder_.size(); ++p) {
    double sum = 0;
    for (const std::vector<double>& part : out) sum += part[p];
    y[rowOrder_[p]] = sum;
  }
}

void HierarchicalMatrix::Apply(std::span<const double> x, std::span<double> y) const {
  std::vector<double> in(columnOrder_.size());
  for (std::size_t p = 0; p < in.size(); ++p) in[p] = x[columnOrder_[p]];
  std::vector<std::vector<double>> out(kParts, std::vector<double>(rowOrder_.size(), 0));
  ParallelFor(kParts, [&](std::size_t part, int) {
    for (std::size_t k = part; k < blocks_.size(); k += kParts) {
      const Block& block = blocks_[k];
      ApplyBlock(block, in, out[part], false);
      // Below the diagonal, the blocks above it transposed.
      if (options_.symmetric && block.row != block.column) ApplyBlock(block, in, out[part], true);
    }
  });
  for (std::size_t p = 0; p < rowOrder_.size(); ++p) {
    double sum = 0;
    for (const std::vector<double>& part : out) sum += part[p];
    y[rowOrder_[p]] = sum;
  }
}

void HierarchicalMatrix::ApplyTransposed(std::span<const double> x, std::span<double> y) const {
  if (options_.symmetric) {
    Apply(x, y);
    return;
  }
  std::vector<double> in(rowOrder_.size());
  for (std::size_t p = 0; p < in.size(); ++p) in[p] = x[rowOrder_[p]];
  std::vector<std::vector<double>> out(kParts, std::vector<double>(columnOrder_.size(), 0));
  ParallelFor(kParts, [&](std::size_t part, int) {
    for (std::size_t k = part; k < blocks_.size(); k += kParts) ApplyBlock(blocks_[k], in, out[part], true);
  });
  for (std::size_t p = 0; p < columnOrder_.size(); ++p) {
    double sum = 0;
    for (const std::vector<double>& part : out) sum += part[p];
    y[columnOrder_[p]] = sum;
  }
}

std::size_t HierarchicalMatrix::Bytes() const {
  std::size_t bytes = (rowOrder_.size() + columnOrder_.size()) * sizeof(std::size_t) +
                      (rowTree_.size() + columnTree_.size()) * sizeof(Cluster) + blocks_.size() * sizeof(Block);
  for (const Block& block : blocks_) bytes += sizeof(double) * (block.whole.size() + block.u.size() + block.v.size());
  return bytes;
}

HierarchicalMatrix::Counts HierarchicalMatrix::Count() const {
  Counts counts;
  for (const Block& block : blocks_) {
    if (block.lowRank) {
      ++counts.farBlocks;
      counts.farRankSum += block.rank;
      counts.farRankMost = std::max(counts.farRankMost, block.rank);
    } else {
      ++counts.nearBlocks;
      counts.nearEntries += block.whole.size();
    }
  }
  return counts;
}

std::vector<HierarchicalMatrix::Diagonal> HierarchicalMatrix::DiagonalBlocks() const {
  std::vector<Diagonal> diagonal;
  for (const Block& block : blocks_) {
    if (!options_.symmetric || block.row != block.column || block.lowRank) continue;
    const Cluster& cluster = rowTree_[static_cast<std::size_t>(block.row)];
    diagonal.push_back({{rowOrder_.begin() + static_cast<std::ptrdiff_t>(cluster.begin),
                         rowOrder_.begin() + static_cast<std::ptrdiff_t>(cluster.end)},
                        block.whole});
  }
  return diagonal;
}

std::vector<std::vector<std::size_t>> HierarchicalMatrix::LeafRows() const {
  std::vector<std::vector<std::size_t>> leaves;
  for (const Cluster& cluster : rowTree_) {
    if (cluster.children[0] >= 0) continue;
    leaves.emplace_back(rowOrder_.begin() + static_cast<std::ptrdiff_t>(cluster.begin),
                        rowOrder_.begin() + static_cast<std::ptrdiff_t>(cluster.end));
  }
  return leaves;
}

}  // namespace ostrevin
