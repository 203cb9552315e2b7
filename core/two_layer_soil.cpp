#include "core/two_layer_soil.h"

#include <cmath>

#include "core/number_text.h"

namespace ostrevin {

namespace {

// A sum with Neumaier's compensation: alternating terms near K = -1 cancel.
class CompensatedSum {
 public:
  void Add(double term) {
    const double next = sum_ + term;
    compensation_ += std::abs(sum_) >= std::abs(term) ? (sum_ - next) + term : (term - next) + sum_;
    sum_ = next;
  }
  double Value() const { return sum_ + compensation_; }

 private:
  double sum_ = 0, compensation_ = 0;
};

}  // namespace

double Reflection(const TwoLayerSoil& soil) {
  return (soil.rho2 - soil.rho1) / (soil.rho2 + soil.rho1);
}

Checked CheckSoil(const TwoLayerSoil& soil) {
  const auto positive = [](double value) { return value > 0 && std::isfinite(value); };
  if (!positive(soil.rho1) || !positive(soil.rho2))
    return Refused("both layers need a positive resistivity");
  if (!positive(soil.h)) return Refused("the top layer needs a positive thickness");
  const double contrast = soil.rho1 > soil.rho2 ? soil.rho1 / soil.rho2 : soil.rho2 / soil.rho1;
  if (!(contrast <= kMaxLayerContrast)) {
    return Refused("the layers' resistivities differ " + FormatDouble("%.0f", contrast) +
                   "-fold: at most " + FormatNumber(kMaxLayerContrast) + "-fold is accepted");
  }
  return Ok{};
}

double WennerLayerFactor(double k, double hM, double spacingM, double depthM) {
  const double a = spacingM;
  const double b = depthM;
  const double h = hM;
  const auto t = [a](double d) {
    return 1 / std::sqrt(a * a + d * d) - 1 / std::sqrt(4 * a * a + d * d);
  };
  const double uniform = 1 + 2 * a / std::sqrt(a * a + 4 * b * b) - a / std::sqrt(a * a + b * b);
  CompensatedSum sum;
  double power = 1;  // K^n
  for (long n = 1; n < 100'000'000 && k != 0; ++n) {
    power *= k;
    const double d = 2 * static_cast<double>(n) * h;
    sum.Add(power * (2 * t(d) + t(d - 2 * b) + t(d + 2 * b)));
    // Every later term is at most |K|^m 4 t(2mh - 2b), and t falls with its argument.
    const double next = 4 * t(d + 2 * h - 2 * b);
    const double tail = std::abs(power * k) * next / (1 - std::abs(k));
    if (tail <= 1e-13 * (std::abs(sum.Value()) + t(0))) break;
  }
  return 1 + 2 * a / uniform * sum.Value();
}

std::optional<double> TwoLayerWenner(const TwoLayerSoil& soil, double spacingM, double depthM) {
  if (!CheckSoil(soil) || !(spacingM > 0) || !(depthM >= 0) || !(depthM < soil.h)) {
    return std::nullopt;
  }
  return soil.rho1 * WennerLayerFactor(Reflection(soil), soil.h, spacingM, depthM);
}

}  // namespace ostrevin
