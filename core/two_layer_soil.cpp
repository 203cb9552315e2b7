#include "core/two_layer_soil.h"

#include <cmath>

#include "core/number_text.h"

namespace ostrevin {

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
  // A plain sum: against a long-double one its error stays near 1e-11 even
  // where alternating terms near K = -1 cancel (a compensated sum gained no
  // more than a factor of two there, far below what the model can tell).
  double sum = 0;
  double power = 1;  // K^n
  for (long n = 1; n < 100'000'000 && k != 0; ++n) {
    power *= k;
    const double d = 2 * static_cast<double>(n) * h;
    sum += power * (2 * t(d) + t(d - 2 * b) + t(d + 2 * b));
    // Every later term is at most |K|^m 4 t(2mh - 2b), and t falls with its argument.
    const double next = 4 * t(d + 2 * h - 2 * b);
    const double tail = std::abs(power * k) * next / (1 - std::abs(k));
    if (tail <= 1e-13 * (std::abs(sum) + t(0))) break;
  }
  return 1 + 2 * a / uniform * sum;
}

std::optional<double> TwoLayerWenner(const TwoLayerSoil& soil, double spacingM, double depthM) {
  if (!CheckSoil(soil) || !(spacingM > 0) || !(depthM >= 0) || !(depthM < soil.h)) {
    return std::nullopt;
  }
  return soil.rho1 * WennerLayerFactor(Reflection(soil), soil.h, spacingM, depthM);
}

}  // namespace ostrevin
