// The whole site on the compressed solver, each beside a baseline in the
// same run: the 500 m grid of 50 x 50 meshes with 100 rods of 6 m in two
// layers (about 58,000 segments; goal: under 60 s and 1 GB) and its worst
// touch and step (its map and the searches; goal: under 60 s); a solar farm
// with no symmetry, 80 km of conductor (goal: under 5 minutes and 2 GB),
// beside the dense solver on the same farm, once; a wind farm of twenty
// rings joined by a trench, in two layers (goal: under 2 minutes).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <vector>

#include "core/surface_map.h"
#include "core/surface_search.h"
#include "tests/core/site_layouts.h"

namespace {

using namespace ostrevin;

void PeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

// ostrevin-calc grid --size 500x500 --meshes 50x50 --depth 0.6 --conductor 0.012
//   --rods-at perimeter --rods 100 --rod-length 6 --rod-diameter 0.016 --layers 200ohm-m,3m,50ohm-m
std::vector<Conductor> LargeGrid() {
  const GridPlan plan{500, 500, 50, 50, 0.6, 0.012, std::nullopt};
  std::vector<Conductor> grid = GridConductors(plan);
  const std::vector<RodPoint> nodes = GridPerimeterNodes(plan);
  std::vector<RodPoint> at;
  for (std::size_t i = 0; i < nodes.size(); i += nodes.size() / 100) at.push_back(nodes[i]);
  const std::vector<Conductor> rods = RodsAt(at, 6, 0.016, 0.6);
  grid.insert(grid.end(), rods.begin(), rods.end());
  return grid;
}
const EarthSoil kLargeGridSoil{0, TwoLayerSoil{20000, 3, 5000}};

void Report(benchmark::State& state, const Solution& solved) {
  state.counters["segments"] = static_cast<double>(solved.elements.size());
  state.counters["unknowns"] = static_cast<double>(solved.unknowns);
  state.counters["steps"] = solved.steps;
  state.counters["matrix_MB"] = static_cast<double>(solved.bytes) / 1e6;
  state.counters["ohms"] = solved.ohms;
  PeakMemory(state);
}

void BM_Site(benchmark::State& state, std::vector<Conductor> (*layout)(), const EarthSoil& soil,
             SolverChoice solver) {
  const std::vector<Conductor> site = layout();
  SolveOptions options;
  options.solver = solver;
  for (auto _ : state) {
    const Result<Solution> solved = SolveElectrode(site, soil, options);
    if (!solved) {
      state.SkipWithError(solved.why().c_str());
      return;
    }
    Report(state, *solved);
  }
}

// The worst touch and step of the large grid: its map (the finest lattice
// within a million points) and the searches from it, the solve apart.
void BM_LargeGridWorstPlaces(benchmark::State& state) {
  const Result<Solution> solved = SolveElectrode(LargeGrid(), kLargeGridSoil);
  const EarthKernel kernel = KernelFor(*solved);
  double step = 0.25;
  while (LatticeOver(0, 500, 0, 500, 3, step).Size() > 1'000'000) step *= 1.25;
  const Lattice lattice = LatticeOver(0, 500, 0, 500, 3, step);
  const PlanRegion outline = MeshOutline(LargeGrid());
  for (auto _ : state) {
    std::vector<double> volts = SurfacePotentials(*solved, kernel, lattice);
    const SurfaceView view{*solved, kernel, lattice, volts, 1};
    benchmark::DoNotOptimize(LowestWithin(view, outline));
    benchmark::DoNotOptimize(LargestStep(view));
  }
  state.counters["points"] = static_cast<double>(lattice.Size());
  PeakMemory(state);
}

const EarthSoil kSolarSoil{10000, {}};                        // 100 ohm-m
const EarthSoil kWindSoil{0, TwoLayerSoil{50000, 3, 10000}};  // 500 ohm-m to 3 m, then 100

BENCHMARK_CAPTURE(BM_Site, LargeGrid, LargeGrid, kLargeGridSoil, SolverChoice::kAuto)
    ->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_LargeGridWorstPlaces)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Site, SolarFarm, SolarFarm, kSolarSoil, SolverChoice::kAuto)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Site, SolarFarmDense, SolarFarm, kSolarSoil, SolverChoice::kDense)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Site, WindFarm, WindFarm, kWindSoil, SolverChoice::kAuto)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
