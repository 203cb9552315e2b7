#include "calc/curve.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "calc/calculation.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr int kPoints = 400;
// The lengths people drive: the curve goes at least this far.
constexpr double kDrivenMetres = 10.0;
constexpr double kDrivenFeet = 30.0;

std::string Decimals(double value, int decimals) {
  return FormatDouble("%." + std::to_string(std::max(decimals, 0)) + "f", value);
}

}  // namespace

Curve MakeCurve(double rho, double diameter, int units, std::optional<double> target) {
  Curve curve;
  curve.units = IsMetric(units) ? Metric : English;
  curve.title = "Resistance to earth: rho " + FormatNumber(rho) + " ohm-cm, diameter " +
                FormatNumber(diameter) + " " + std::string(DiameterUnit(units));
  const double radius = RodRadiusMetres(diameter, units);
  curve.peakMetres = radius * std::exp(2.0) / 4;
  curve.peakOhms = RodResistance(rho, diameter, curve.peakMetres, units).value_or(0);
  const std::optional<double> scanPeak = PeakRodResistance(rho, diameter, units);
  if (scanPeak && FormatDouble("%.3f", *scanPeak) != FormatDouble("%.3f", curve.peakOhms)) {
    curve.scanPeakOhms = scanPeak;
  }
  curve.target = target;
  if (target) curve.foundMetres = FindRodLength(rho, diameter, units, *target);

  const double first = radius * kScanStartFactor;
  double last = IsMetric(units) ? kDrivenMetres : LengthToMetres(kDrivenFeet, units);
  last = std::max(last, curve.peakMetres * 10);
  if (curve.foundMetres) last = std::max(last, *curve.foundMetres * 3);
  last = std::min(last, kScanUpperBound);
  for (int i = 0; i < kPoints; ++i) {
    const double metres = first * std::pow(last / first, i / double(kPoints - 1));
    if (const std::optional<double> ohms = RodResistance(rho, diameter, metres, units)) {
      curve.points.emplace_back(metres, *ohms);
    }
  }
  const auto at = std::ranges::lower_bound(curve.points, curve.peakMetres, {},
                                           &std::pair<double, double>::first);
  if (curve.peakOhms > 0) curve.points.insert(at, {curve.peakMetres, curve.peakOhms});
  return curve;
}

std::string CurveCsv(const Curve& curve) {
  std::string out = "length_m,length_" + std::string(LengthUnit(curve.units)) + ",ohms\n";
  for (const auto& [metres, ohms] : curve.points) {
    out += FormatNumber(metres) + "," + FormatNumber(LengthFromMetres(metres, curve.units)) + "," +
           FormatNumber(ohms) + "\n";
  }
  return out;
}

std::vector<Tick> LinearTicks(double max, int count) {
  if (!(max > 0) || !std::isfinite(max)) max = 1;
  const double raw = max / std::max(count, 1);
  const int exponent = static_cast<int>(std::floor(std::log10(raw)));
  const double power = std::pow(10.0, exponent);
  constexpr std::array kFactors{1.0, 2.0, 5.0, 10.0};
  const double step =
      *std::ranges::find_if(kFactors, [&](double f) { return f * power >= raw; }) * power;
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  std::vector<Tick> ticks;
  for (int i = 0;; ++i) {
    const double value = i * step;
    ticks.push_back({value, i == 0 ? "0" : Decimals(value, decimals)});
    if (value >= max) break;
  }
  return ticks;
}

std::vector<Tick> LogTicks(double min, double max) {
  std::vector<Tick> ticks;
  if (!(min > 0) || !(max > min)) return ticks;
  const bool narrow = std::log10(max / min) < 2;
  const int low = static_cast<int>(std::floor(std::log10(min)));
  const int high = static_cast<int>(std::ceil(std::log10(max)));
  for (int exponent = low; exponent <= high; ++exponent) {
    const double power = std::pow(10.0, exponent);
    for (int mantissa = 1; mantissa <= 9; ++mantissa) {
      const double value = mantissa * power;
      if (value < min * (1 - 1e-12) || value > max * (1 + 1e-12)) continue;
      const bool labelled = mantissa == 1 || (narrow && (mantissa == 2 || mantissa == 5));
      ticks.push_back({value, labelled ? Decimals(value, -exponent) : std::string()});
    }
  }
  return ticks;
}

}  // namespace ostrevin::calc
