// The resistance curve of one rod, as data and as a chart: the points, the
// formula's peak, the target and the length found for it. Drawing it is
// chart.h's job; this part has no toolkit and is tested on its own.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/chart.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {

struct Curve {
  std::string title;
  UnitSystem units = UnitSystem::English;
  // Resistance (ohms, as the window rounds it) against length (metres) on a
  // logarithmic length scale over [fromMetres, toMetres]; the peak is one of
  // the points when it lies in the range.
  std::vector<std::pair<double, double>> points;
  double fromMetres = 0, toMetres = 0;
  // The formula's own maximum, at e^2/4 of the radius.
  double peakMetres = 0, peakOhms = 0;
  // The highest resistance of the window's scan in 1 mm steps, when it shows
  // differently from the formula's maximum.
  std::optional<double> scanPeakOhms;
  std::optional<double> target;       // ohms
  std::optional<double> foundMetres;  // the length for the target
  double rho = 0, radiusM = 0;        // the rod, for the unrounded values
  // Where the range asked for was moved, or lies where the formula does not hold.
  std::vector<std::string> notes;
};

// The lengths rods come in, from where a default curve starts to where it
// ends at least: 1 ft to 30 ft, or 0.3 m to 10 m.
struct CurveRange {
  std::optional<double> from, to;  // in the unit system's length unit
};

// Inputs as the window takes them (rho ohm-cm, diameter inches or metres).
// By default the range covers the lengths rods come in, and three times the
// length found; `range` chooses it instead (from below to, within the scan).
Curve MakeCurve(double rho, double diameter, UnitSystem units, std::optional<double> target,
                const CurveRange& range = {});

// length_m,length_ft (or length_m again for Metric),ohms; one point a line,
// the ohms unrounded to six significant digits (a column of thousandths
// would read 0 in soil of low resistivity).
std::string CurveCsv(const Curve& curve);

// The curve as a chart: the peak and the scan's note when the range holds
// the peak, the target line and the length found when there are.
Chart CurveChart(const Curve& curve, bool logOhms);

}  // namespace ostrevin::calc
