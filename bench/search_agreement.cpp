// The long comparison of the fast rod-length search with the exhaustive scan:
//   search_agreement [PAIRS] [SEED]
// Random rods across the form's ranges, both unit systems, with 100 targets
// each, on every core; each rod's peak resistance is compared too. Prints the number compared and
// every mismatch; exits 1 when there is one.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "core/length_search.h"
#include "scan_reference.h"

int main(int argc, char* argv[]) {
  using namespace ostrevin;
  const long pairs = argc > 1 ? std::atol(argv[1]) : 100000;
  const unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  constexpr int kTargetsPerRod = 100;
  const long rods = (pairs + kTargetsPerRod - 1) / kTargetsPerRod;
  std::atomic<long> next{0}, compared{0}, mismatches{0};
  std::mutex print;
  const auto work = [&] {
    for (long i = next++; i < rods; i = next++) {
      std::mt19937_64 random(seed * 1000003 + static_cast<unsigned long long>(i));
      const reference::Rod rod = reference::RandomRod(random);
      const reference::ScanTable table(rod.rho, rod.diameter, rod.units);
      if (PeakRodResistance(rod.rho, rod.diameter, rod.units) != table.PeakOhms()) {
        ++mismatches;
        const std::lock_guard lock(print);
        std::printf("PEAK MISMATCH rho %.17g diameter %.17g units %d\n", rod.rho, rod.diameter,
                    static_cast<int>(rod.units));
      }
      for (const double target : reference::TargetsFor(table, random, kTargetsPerRod)) {
        const std::optional<double> fast = FindRodLength(rod.rho, rod.diameter, rod.units, target);
        const std::optional<double> scan = table.Answer(target);
        ++compared;
        if (fast != scan) {
          ++mismatches;
          const std::lock_guard lock(print);
          std::printf(
              "MISMATCH rho %.17g diameter %.17g units %d target %.17g: fast %.17g scan %.17g\n",
              rod.rho, rod.diameter, static_cast<int>(rod.units), target, fast.value_or(-1),
              scan.value_or(-1));
        }
      }
      if ((i + 1) % 50 == 0) {
        const std::lock_guard lock(print);
        std::printf("%ld rods, %ld pairs compared, %ld mismatches\n", i + 1, compared.load(),
                    mismatches.load());
        std::fflush(stdout);
      }
    }
  };
  std::vector<std::thread> threads(std::max(1u, std::thread::hardware_concurrency()));
  for (auto& thread : threads) thread = std::thread(work);
  for (auto& thread : threads) thread.join();
  std::printf("compared %ld pairs on %ld rods (seed %llu): %ld mismatches\n", compared.load(), rods,
              seed, mismatches.load());
  return mismatches == 0 ? 0 : 1;
}
