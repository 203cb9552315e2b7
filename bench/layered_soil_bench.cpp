// Two-layer soil: the survey fit, and rods by the electrode solver beside
// the uniform soil's closed-form mutual resistances in the same run. Goals:
// a fit of 20 readings under 20 ms, a rod under 1 ms, 20 rods under 0.1 s,
// 100 rods under 0.5 s. In N layers: one reading of a Wenner array over five
// layers by the digital filter (goal: under 50 us, so that a fit of many
// starts stays within a second), the two-layer image series beside it; the
// survey of 15 Wenner readings over three layers fitted in 1 to 5 layers
// beside the two-layer fit of 20 (goal: under a second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/layered_earth.h"
#include "core/layered_fit.h"
#include "core/rod_solver.h"
#include "core/soil_fit.h"

namespace {

using namespace ostrevin;

// The worked survey's model: 413 ohm-m to 2.2 m, then 123 ohm-m; 16 mm, 3 m rods 3 m apart.
const TwoLayerSoil kSoil{41300, 2.2, 12300};
constexpr double kLength = 3, kRadius = 0.008, kSpacing = 3;

void BM_FitTwentyReadings(benchmark::State& state) {
  std::vector<SurveyReading> readings;
  for (int i = 0; i < 20; ++i) {
    const double a = 0.5 * std::pow(80.0, i / 19.0);
    // The model's readings, scattered by a few per cent as a field survey is.
    readings.push_back({a, 0.1, *TwoLayerWenner(kSoil, a, 0.1) * (1 + 0.03 * std::sin(7.0 * i))});
  }
  for (auto _ : state) benchmark::DoNotOptimize(FitSurvey(readings));
}

void BM_UniformGroup(benchmark::State& state) {
  const std::vector<RodPoint> rods = LineLayout(static_cast<int>(state.range(0)), kSpacing);
  for (auto _ : state) benchmark::DoNotOptimize(PotentialGroupOhms(20000, kLength, kRadius, rods));
}

void BM_LayeredGroup(benchmark::State& state) {
  const std::vector<RodPoint> rods = HollowSquareLayout(static_cast<int>(state.range(0)), kSpacing);
  const std::vector<RodPoint> one{{0, 0}};
  const auto& group = state.range(0) == 1 ? one : rods;
  const EarthSoil soil{0, kSoil};
  for (auto _ : state) benchmark::DoNotOptimize(SolvedGroup(soil, kLength, kRadius, group));
  state.counters["rods"] = static_cast<double>(group.size());
}

void BM_WennerFiveLayers(benchmark::State& state) {
  const LayeredSoil soil{{20000, 5000, 80000, 2000, 100000}, {0.5, 1.5, 3, 10}};
  for (auto _ : state) benchmark::DoNotOptimize(ApparentResistivity(soil, WennerArray(8)));
}

void BM_WennerTwoLayersSeries(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TwoLayerWenner(kSoil, 8, 0));
}

void BM_FitOneToFiveLayers(benchmark::State& state) {
  const LayeredSoil soil{{10000, 30000, 5000}, {2, 5}};
  std::vector<ArrayReading> readings;
  for (int i = 0; i < 15; ++i) {
    const FourElectrodes array = WennerArray(0.5 * std::pow(2.0, i / 2.0));
    readings.push_back({array, *ApparentResistivity(soil, array) * (1 + 0.03 * std::sin(7.0 * i))});
  }
  for (auto _ : state) benchmark::DoNotOptimize(FitLayers(readings));
}

BENCHMARK(BM_FitOneToFiveLayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WennerFiveLayers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WennerTwoLayersSeries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FitTwentyReadings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UniformGroup)->Arg(1)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
// 1 rod, then hollow squares of 6 and 26 a side: 20 and 100 rods.
BENCHMARK(BM_LayeredGroup)->Arg(1)->Arg(6)->Arg(26)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
