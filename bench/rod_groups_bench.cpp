// Rod groups: rods at one potential (a Cholesky solve of n x n mutual
// resistances) beside BS 7430's factors (a sum over the pairs), on the same
// layouts in the same run; and the fewest-rods search, which tries every
// count up to 100. Goals: a 1,000-rod group under 0.5 s, the search under 50 ms.
#include <benchmark/benchmark.h>

#include "core/nec_rule.h"
#include "core/rod_groups.h"

namespace {

using namespace ostrevin;

// A 16 mm, 3 m rod in 200 ohm-m soil; rods 3 m apart.
constexpr double kRho = 20000, kLength = 3, kRadius = 0.008, kSpacing = 3;

void BM_PotentialRing(benchmark::State& state) {
  const std::vector<RodPoint> rods = RingLayout(static_cast<int>(state.range(0)), kSpacing);
  for (auto _ : state) benchmark::DoNotOptimize(PotentialGroupOhms(kRho, kLength, kRadius, rods));
}

void BM_Bs7430Ring(benchmark::State& state) {
  const std::vector<RodPoint> rods = RingLayout(static_cast<int>(state.range(0)), kSpacing);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Bs7430GroupOhms(kRho, kLength, kRadius, rods, kSpacing));
  }
}

void BM_FewestRods(benchmark::State& state, RodLine layout, GroupMethod method) {
  for (auto _ : state) {
    // Out of reach: every count up to 100 is tried.
    benchmark::DoNotOptimize(FewestRods(kRho, kLength, kRadius, layout, kSpacing, 0.01, method));
  }
}

// The code check the page runs at every keystroke: one rod by the formula and
// the solver, a second rod 6 ft and twice the length away by the solver.
// Goal: well under 1 ms native (the page has 5 ms, in WebAssembly).
void BM_NecCheck(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(CheckSingleRodRule(EarthSoil{kRho, std::nullopt}, kLength, 2 * kRadius));
  }
}

BENCHMARK(BM_NecCheck)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bs7430Ring)->Arg(20)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PotentialRing)->Arg(20)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FewestRods, Bs7430Line, RodLine::kLine, GroupMethod::kBs7430)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FewestRods, PotentialLine, RodLine::kLine, GroupMethod::kPotential)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FewestRods, PotentialRing, RodLine::kRing, GroupMethod::kPotential)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
