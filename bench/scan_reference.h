// The exhaustive scan's answers for many targets of one rod: every step's
// length and rounded resistance computed once, exactly as the scan does, and
// the scan's acceptance rule applied per target. For comparing the fast search
// with the scan on many targets without running the scan for each.
#pragma once

#include <optional>
#include <random>
#include <vector>

#include "core/electrode_formulas.h"

namespace ostrevin::reference {

class ScanTable {
 public:
  ScanTable(double rho, double diameter, UnitSystem units);

  // What the exhaustive scan answers for this target.
  std::optional<double> Answer(double target) const;

  // The highest rounded resistance of any step.
  double PeakOhms() const { return peak_; }
  const std::vector<double>& Ohms() const { return ohms_; }

 private:
  std::vector<double> lengths_;
  std::vector<double> ohms_;  // NaN where the formula gives no result
  double peak_ = 0;
};

// Targets within the form's range that probe the search where it can go
// wrong: exact rounded values of random steps and midway between them, both
// edges of the 0.2-ohm window around them and one ulp either side, the peak,
// tiny and huge targets, and log-uniform ones.
std::vector<double> TargetsFor(const ScanTable& table, std::mt19937_64& random, int count);

// A random rod within the form's ranges: resistivity and diameter
// log-uniform, either unit system.
struct Rod {
  double rho, diameter;
  UnitSystem units;
};
Rod RandomRod(std::mt19937_64& random);

}  // namespace ostrevin::reference
