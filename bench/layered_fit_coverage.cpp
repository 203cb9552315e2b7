// How often the survey fit's one-sigma intervals cover the true soil: 100 /
// 300 / 50 ohm-m with boundaries at 2 m and 7 m, read by Wenner arrays at 15
// spacings from 0.5 m to 64 m with 3 % normal noise, fitted in three layers,
// TRIALS times (100 unless given) from SEED. Prints, for each resistivity and
// thickness, the trials whose interval covers it (at least 60 in 100 is the
// goal), and the time a fit takes.
// Usage: layered_fit_coverage [TRIALS] [SEED]
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/layered_fit.h"

int main(int argc, char** argv) {
  using namespace ostrevin;
  const int trials = argc > 1 ? std::atoi(argv[1]) : 100;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  const LayeredSoil soil{{10000, 30000, 5000}, {2, 5}};
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 0.03);
  std::array<int, 5> covered{};
  int refused = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int t = 0; t < trials; ++t) {
    std::vector<ArrayReading> readings;
    for (const double a : {0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0, 48.0, 64.0}) {
      readings.push_back({WennerArray(a), *ApparentResistivity(soil, WennerArray(a)) * (1 + noise(random))});
    }
    const Result<LayeredFit> fit = FitLayers(readings, kMostFittedLayers, 3);
    if (!fit) {
      ++refused;
      continue;
    }
    const LayerModel& model = fit->models[2];
    const auto covers = [](double got, double want, double percent) {
      return std::abs(std::log(got / want)) <= std::log1p(percent / 100);
    };
    for (std::size_t i = 0; i < 3; ++i) covered[i] += covers(model.soil.rho[i], soil.rho[i], model.rhoPercent[i]) ? 1 : 0;
    for (std::size_t i = 0; i < 2; ++i) {
      covered[3 + i] += covers(model.soil.thicknessM[i], soil.thicknessM[i], model.thicknessPercent[i]) ? 1 : 0;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d trials (seed %u): covered rho1 %d, rho2 %d, rho3 %d, h1 %d, h2 %d; refused %d; %.0f ms a fit\n",
              trials, seed, covered[0], covered[1], covered[2], covered[3], covered[4], refused,
              1000 * seconds / trials);
  for (const int count : covered) {
    if (count * 100 < 60 * trials) return 1;
  }
  return 0;
}
