// The electrode solver against its goals, each beside a baseline in the same
// run: IEEE 80's 70 m grid with 20 rods in two layers (under 1 s) beside the
// same grid in uniform soil; its surface map on the 0.25 m lattice (under
// 1 s more) beside the direct sum at a thousand of its points; 1,000 rods in
// a ring (under 2 s) beside the closed-form mutual resistances; 100 rods in
// a line in two layers (under 0.5 s); the grid's safety (the solve, the
// map and the search for the worst touch, step and fence voltages: under
// 2 s) beside the solve alone; and the largest system accepted, with the
// process's peak memory (under 1 GB).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <vector>

#include "core/electrode_layouts.h"
#include "tests/core/ieee80_grid.h"
#include "core/rod_solver.h"
#include "core/surface_map.h"
#include "core/surface_search.h"

namespace {

using namespace ostrevin;

const EarthSoil kLayers{0, TwoLayerSoil{30000, 2, 10000}};  // 300 ohm-m to 2 m, then 100
const EarthSoil kUniform{30000, {}};
// 300 ohm-m to 2 m, 100 to 8 m, then 1,000.
EarthSoil ThreeLayers() {
  EarthSoil soil;
  soil.stack = LayeredSoil{{30000, 10000, 100000}, {2, 6}};
  return soil;
}
const EarthSoil kThreeLayers = ThreeLayers();

void PeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

void BM_IeeeGrid(benchmark::State& state, const EarthSoil& soil) {
  const std::vector<Conductor> grid = IeeeGridWithRods();
  for (auto _ : state) benchmark::DoNotOptimize(SolveElectrode(grid, soil));
}

void BM_IeeeGridMap(benchmark::State& state, const EarthSoil& soil) {
  const Result<Solution> solved = SolveElectrode(IeeeGridWithRods(), soil);
  const EarthKernel kernel = KernelFor(*solved);
  const Lattice lattice = LatticeOver(0, 70, 0, 70, 3, 0.25);
  for (auto _ : state) benchmark::DoNotOptimize(SurfacePotentials(*solved, kernel, lattice));
  state.counters["points"] = static_cast<double>(lattice.Size());
}

// The baseline: every segment summed at each point, a thousand points.
void BM_IeeeGridDirect(benchmark::State& state) {
  const Result<Solution> solved = SolveElectrode(IeeeGridWithRods(), kLayers);
  const EarthKernel kernel = KernelFor(*solved);
  for (auto _ : state) {
    for (int k = 0; k < 1000; ++k) {
      benchmark::DoNotOptimize(PotentialAt(*solved, kernel, {-3 + 0.076 * k, 0.05 * k, 0}));
    }
  }
  state.counters["points"] = 1000;
}

void BM_RingOfRods(benchmark::State& state, bool solver) {
  const std::vector<RodPoint> ring = RingLayout(static_cast<int>(state.range(0)), 3);
  for (auto _ : state) {
    if (solver) {
      benchmark::DoNotOptimize(SolvedGroup(kUniform, 3, 0.008, ring));
    } else {
      benchmark::DoNotOptimize(PotentialGroupOhms(30000, 3, 0.008, ring));
    }
  }
}

void BM_LineInTwoLayers(benchmark::State& state) {
  const std::vector<RodPoint> line = LineLayout(static_cast<int>(state.range(0)), 3);
  for (auto _ : state) benchmark::DoNotOptimize(SolvedGroup(kLayers, 3, 0.008, line));
}

// Everything the grid's safety takes from the solver, for 1908 A.
void BM_IeeeGridSafety(benchmark::State& state) {
  const std::vector<Conductor> grid = IeeeGridWithRods();
  for (auto _ : state) {
    const Result<Solution> solved = SolveElectrode(grid, kLayers);
    const EarthKernel kernel = KernelFor(*solved);
    const Lattice lattice = LatticeOver(0, 70, 0, 70, 3, 0.25);
    std::vector<double> volts = SurfacePotentials(*solved, kernel, lattice);
    for (double& v : volts) v *= 1908;
    const SurfaceView view{*solved, kernel, lattice, volts, 1908};
    const PlanRegion outline = MeshOutline(grid);
    benchmark::DoNotOptimize(LowestWithin(view, outline));
    benchmark::DoNotOptimize(LargestStep(view));
    benchmark::DoNotOptimize(LowestAround(view, outline, 2));
  }
}

// Scattered rods needing just under the bound's unknowns, no symmetry: the
// largest dense system accepted.
void BM_LargestAccepted(benchmark::State& state) {
  std::vector<RodPoint> rods;
  for (int i = 0; i < 660; ++i) rods.push_back({std::fmod(i * 7.31, 90.0), std::fmod(i * 3.17, 61.0)});
  const std::vector<Conductor> conductors = RodsAt(rods, 3, 0.016);
  state.counters["unknowns"] = static_cast<double>(WorkFor(conductors, kUniform)->unknowns);
  for (auto _ : state) benchmark::DoNotOptimize(SolveElectrode(conductors, kUniform));
  PeakMemory(state);
}

BENCHMARK_CAPTURE(BM_IeeeGrid, Uniform, kUniform)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IeeeGrid, TwoLayers, kLayers)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IeeeGrid, ThreeLayers, kThreeLayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IeeeGridDirect)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IeeeGridMap, TwoLayers, kLayers)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IeeeGridMap, ThreeLayers, kThreeLayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IeeeGridSafety)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RingOfRods, Mutual, false)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RingOfRods, Solver, true)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineInTwoLayers)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargestAccepted)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
