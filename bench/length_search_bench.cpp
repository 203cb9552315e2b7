// Rod-length search timings: the reference scan and the search the form uses,
// on the same inputs in the same run.
#include <benchmark/benchmark.h>

#include "core/electrode_formulas.h"
#include "core/length_search.h"

namespace {

using ostrevin::UnitSystem;
constexpr UnitSystem English = UnitSystem::English;
constexpr UnitSystem Metric = UnitSystem::Metric;

void BM_Scan(benchmark::State& state, double diameter, UnitSystem units, double target) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ostrevin::FindRodLengthByScan(2000.0, diameter, units, target));
  }
}

void BM_Search(benchmark::State& state, double diameter, UnitSystem units, double target) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ostrevin::FindRodLength(2000.0, diameter, units, target));
  }
}

// Baseline: one evaluation of the rod formula.
void BM_RodResistanceOnce(benchmark::State& state) {
  double length = 1.8593975;
  for (auto _ : state) {
    benchmark::DoNotOptimize(length);
    benchmark::DoNotOptimize(ostrevin::RodResistance(2000.0, 0.625, length, English));
  }
}
BENCHMARK(BM_RodResistanceOnce);

BENCHMARK_CAPTURE(BM_Scan, ScanDefaultEnglish, 0.625, English, 10.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, ScanMetric, 0.016, Metric, 10.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, DefaultEnglish, 0.625, English, 10.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, Metric, 0.016, Metric, 10.0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
