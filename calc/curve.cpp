#include "calc/curve.h"

#include <algorithm>
#include <cmath>

#include "calc/calculations.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"
#include "core/rod_groups.h"

namespace ostrevin::calc {

namespace {

constexpr int kPoints = 400;

// Where a default curve starts and ends at least, in the unit system's unit.
double ShortestRod(UnitSystem units) { return IsMetric(units) ? 0.3 : 1.0; }
double LongestRod(UnitSystem units) { return IsMetric(units) ? 10.0 : 30.0; }

// Three decimals, or three significant digits below a hundredth.
std::string ShowShortLength(double metres, UnitSystem units) {
  const double length = LengthFromMetres(metres, units);
  return length < 0.01 ? FormatDouble("%.3g", length) : ShowLength(metres, units);
}

// The resistance axis: linear from zero, or logarithmic over the decades the
// points and the target cover.
Axis OhmsAxis(const Curve& curve, bool logOhms) {
  double top = 0;
  double bottom = INFINITY;
  for (const auto& [metres, ohms] : curve.points) {
    top = std::max(top, ohms);
    if (ohms > 0) bottom = std::min(bottom, ohms);
  }
  if (curve.target) top = std::max(top, *curve.target), bottom = std::min(bottom, *curve.target);
  if (!(top > 0)) top = 1;
  if (!logOhms) {
    std::vector<Tick> ticks = LinearTicks(top * 1.1, 6);
    const double max = ticks.back().value;
    return {"Resistance to ground (ohms)", 0, max, false, std::move(ticks)};
  }
  if (!(bottom > 0) || !std::isfinite(bottom)) bottom = top / 1000;
  const double min = std::pow(10.0, std::floor(std::log10(bottom * 0.99)));
  const double max = std::pow(10.0, std::ceil(std::log10(top * 1.01)));
  return {"Resistance to ground (ohms, logarithmic)", min, max, true, LogTicks(min, max)};
}

}  // namespace

Curve MakeCurve(double rho, double diameter, UnitSystem units, std::optional<double> target,
                const CurveRange& range) {
  Curve curve;
  curve.units = units;
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

  curve.rho = rho;
  curve.radiusM = radius;
  const std::string unit(LengthUnit(units));
  const auto shown = [&](double metres) { return ShowShortLength(metres, units) + " " + unit; };
  // The formula has a value from e/4 of the radius on (the window's scan starts at 0.68 of it).
  const double first = radius * kScanStartFactor;
  double from = LengthToMetres(range.from.value_or(ShortestRod(units)), units);
  double to = LengthToMetres(LongestRod(units), units);
  if (curve.foundMetres) to = std::max(to, *curve.foundMetres * 3);
  if (range.to) to = LengthToMetres(*range.to, units);
  if (range.from && from < first) {
    curve.notes.push_back("the rod formula has no value below " + shown(first) +
                          " (e/4 of the radius): the curve starts there, not at " +
                          shown(from));
  }
  from = std::clamp(from, first, kScanUpperBound);
  to = std::clamp(to, from, kScanUpperBound);
  if (!(to > from)) {
    to = std::min(from * 10, kScanUpperBound), from = to / 10;
    if (range.to) curve.notes.push_back("the range is drawn from " + shown(from) + " to " + shown(to));
  }
  curve.fromMetres = from;
  curve.toMetres = to;
  const double slender = kMinSlenderness * radius;
  if (from < slender) {
    curve.notes.push_back("below " + shown(slender) + " (" + FormatNumber(kMinSlenderness) +
                          " radii) the rod is no slender rod and the formula, made for one, is "
                          "outside its validity: those values are not to be relied on");
  }
  for (int i = 0; i < kPoints; ++i) {
    const double metres = from * std::pow(to / from, i / double(kPoints - 1));
    if (const std::optional<double> ohms = RodResistance(rho, diameter, metres, units)) {
      curve.points.emplace_back(metres, *ohms);
    }
  }
  if (curve.peakOhms > 0 && curve.peakMetres >= from && curve.peakMetres <= to) {
    const auto at = std::lower_bound(
        curve.points.begin(), curve.points.end(), curve.peakMetres,
        [](const std::pair<double, double>& point, double metres) { return point.first < metres; });
    curve.points.insert(at, {curve.peakMetres, curve.peakOhms});
  }
  return curve;
}

std::string CurveCsv(const Curve& curve) {
  std::string out = "length_m,length_" + std::string(LengthUnit(curve.units)) + ",ohms\n";
  for (const auto& [metres, rounded] : curve.points) {
    const double ohms = SingleRodOhms(curve.rho, metres, curve.radiusM).value_or(rounded);
    out += FormatNumber(metres) + "," + FormatNumber(LengthFromMetres(metres, curve.units)) + "," +
           FormatDouble("%.6g", ohms) + "\n";
  }
  return out;
}

Chart CurveChart(const Curve& curve, bool logOhms) {
  Chart chart;
  chart.title = curve.title;
  chart.notes = curve.notes;
  const auto length = [&](double metres) { return LengthFromMetres(metres, curve.units); };
  const std::string unit(LengthUnit(curve.units));
  const double from = length(curve.fromMetres);
  const double to = length(curve.toMetres);
  chart.x = {"Rod length (" + unit + ", logarithmic)", from, to, true, LogTicks(from, to)};
  chart.y = OhmsAxis(curve, logOhms);
  Series line;
  for (const auto& [metres, ohms] : curve.points) line.points.emplace_back(length(metres), ohms);
  chart.series.push_back(std::move(line));
  const bool peakShown = curve.peakOhms > 0 && curve.peakMetres >= curve.fromMetres &&
                         curve.peakMetres <= curve.toMetres;
  if (peakShown) {
    std::string label = "peak " + FormatDouble("%.3f", curve.peakOhms) + " ohms at " +
                        ShowShortLength(curve.peakMetres, curve.units) + " " + unit;
    if (curve.scanPeakOhms) {
      label += "\nthe window's scan, in 1 mm steps, reaches " +
               FormatDouble("%.3f", *curve.scanPeakOhms) + " ohms";
    }
    chart.markers.push_back({length(curve.peakMetres), curve.peakOhms, "#8b0000", label});
  }
  if (curve.target) {
    chart.guides.push_back(
        {false, *curve.target, "#00008b", "target " + FormatNumber(*curve.target) + " ohms"});
  }
  if (curve.target && curve.foundMetres && *curve.foundMetres >= curve.fromMetres &&
      *curve.foundMetres <= curve.toMetres) {
    chart.markers.push_back({length(*curve.foundMetres), *curve.target, "#006400",
                             ShowLength(*curve.foundMetres, curve.units) + " " + unit});
  }
  return chart;
}

}  // namespace ostrevin::calc
