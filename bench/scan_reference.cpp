#include "scan_reference.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/electrode_formulas.h"
#include "core/length_search.h"

namespace ostrevin::reference {

ScanTable::ScanTable(double rho, double diameter, UnitSystem units) {
  lengths_.reserve(10'000'000);
  ohms_.reserve(10'000'000);
  for (double length = RodRadiusMetres(diameter, units) * kScanStartFactor;
       length < kScanUpperBound; length += kScanStep) {
    const std::optional<double> ohms = RodResistance(rho, diameter, length, units);
    lengths_.push_back(length);
    ohms_.push_back(ohms.value_or(std::numeric_limits<double>::quiet_NaN()));
    if (ohms) peak_ = std::max(peak_, *ohms);
  }
}

std::optional<double> ScanTable::Answer(double target) const {
  std::optional<double> best;
  double bestDiff = kScanTolerance;
  for (std::size_t k = 0; k < ohms_.size(); ++k) {
    const double diff = std::fabs(ohms_[k] - target);
    if (diff < bestDiff) {
      bestDiff = diff;
      best = lengths_[k];
    }
  }
  return best;
}

namespace {

double LogUniform(std::mt19937_64& random, double low, double high) {
  std::uniform_real_distribution<double> exponent(std::log(low), std::log(high));
  return std::exp(exponent(random));
}

}  // namespace

std::vector<double> TargetsFor(const ScanTable& table, std::mt19937_64& random, int count) {
  const std::vector<double>& ohms = table.Ohms();
  std::uniform_int_distribution<std::size_t> step(0, ohms.size() - 1);
  std::vector<double> targets;
  while (static_cast<int>(targets.size()) < count) {
    const double at = ohms.empty() ? 1.0 : ohms[step(random)];
    const double peak = table.PeakOhms();
    const double edge = std::uniform_int_distribution<int>(0, 1)(random) ? 0.2 : -0.2;
    double target = 0;
    switch (std::uniform_int_distribution<int>(0, 9)(random)) {
      case 0:
        target = at;
        break;
      case 1:
        target = at + (edge > 0 ? 0.0005 : -0.0005);
        break;
      case 2:
        target = at + edge;
        break;
      case 3:
        target = std::nextafter(at + edge, edge > 0 ? 1e300 : -1e300);
        break;
      case 4:
        target = std::nextafter(at + edge, edge > 0 ? -1e300 : 1e300);
        break;
      case 5:
        target = peak + std::uniform_int_distribution<int>(-2, 2)(random) * 0.1;
        break;
      case 6:
        target = peak - 0.0005;
        break;
      case 7:
        target = LogUniform(random, 0.000001, 0.01);
        break;
      case 8:
        target = LogUniform(random, 1000, 1000000000);
        break;
      default:
        target = LogUniform(random, 0.000001, 1000000000);
        break;
    }
    if (target >= 0.000001 && target <= 1000000000) targets.push_back(target);
  }
  return targets;
}

Rod RandomRod(std::mt19937_64& random) {
  return {LogUniform(random, 0.0001, 1000000), LogUniform(random, 0.001, 10),
          UnitSystemOf(std::uniform_int_distribution<int>(0, 1)(random))};
}

}  // namespace ostrevin::reference
