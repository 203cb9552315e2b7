// Internal to the electrode solver (earth_solver.h): the segments'
// currents with every segment at one potential, for electrodes too large
// for the dense matrix of mutual resistances. The system (an unknown a row,
// its segments' potential from every segment of each unknown: S^T Z S, S
// the segments of each unknown, symmetric) is held as a hierarchical matrix
// (hierarchical_matrix.h): its entries between unknowns near each other
// whole (the kernel's Mutual, shared by pairs alike by a shift), those of
// clusters apart as crosses of a few rows and columns (its FarMutual); it
// is solved by conjugate gradients (numerics.h), preconditioned by each
// leaf cluster's block with itself, factored by Cholesky. With the
// electrode's symmetry an unknown stands where its segment nearest a point
// of one chamber of the symmetry is (two unknowns far apart are then
// apart in every image: their block is smooth).
//
// Accuracy: each block within kBlockTolerance of itself, the residual
// within kResidualTolerance of the weights: the resistance within 1e-5 of
// the dense solver's (tested over the test layouts, uniform and in two
// layers, to 0.05 %). The same answer, to the last bit, on any count of
// threads.
//
// Units as the solver's: metres, ohms for one ampere.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "core/earth_kernel.h"
#include "core/hierarchical_matrix.h"
#include "core/numerics.h"
#include "core/result.h"

namespace ostrevin {

inline constexpr double kBlockTolerance = 1e-5;
inline constexpr double kResidualTolerance = 1e-8;
inline constexpr int kMostSteps = 3000;

// Each segment's unknown and each unknown's count of segments; the
// symmetry's centre (metres).
struct Unknowns {
  std::span<const int> of;
  std::span<const double> members;
  double centreX = 0, centreY = 0;
};

// The matrix's partition, each unknown's segments (the first where it
// stands), and the bytes the solve will take.
struct CompressedPlan {
  HierarchicalMatrix matrix;
  std::vector<std::vector<std::size_t>> segments;
  std::size_t bytes = 0;
};
Result<CompressedPlan> PlanCompressed(const std::vector<Element>& elements, const Unknowns& unknowns);

struct CompressedAnswer {
  Network network;
  int steps = 0;
  double residual = 0;
  std::size_t bytes = 0;  // held by the matrix
};
// No answer where the iteration does not converge or finds the system not
// positive definite (the thin-wire model failing).
Result<CompressedAnswer> SolveCompressed(CompressedPlan plan, const EarthKernel& kernel,
                                         const std::vector<Element>& elements, const Unknowns& unknowns,
                                         const std::function<void(double)>& progress);

}  // namespace ostrevin
