// The resistance curve of one rod, as data: the points, the peak, the target
// and the length found for it, and the axes' ticks and labels. Painting it is
// curve_plot's job; this part has no toolkit and is tested on its own.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrevin::calc {

struct Curve {
  std::string title;
  int units = 0;
  // Resistance (ohms, as the window rounds it) against length (metres) on a
  // logarithmic length scale from the scan's first step to at least 10 m
  // (Metric) or 30 ft (English), three times the found length and ten times
  // the peak's length; the peak itself is one of the points.
  std::vector<std::pair<double, double>> points;
  // The formula's own maximum, at e^2/4 of the radius: the highest point.
  double peakMetres = 0, peakOhms = 0;
  // The highest resistance of the window's scan in 1 mm steps, when it shows
  // differently from the formula's maximum.
  std::optional<double> scanPeakOhms;
  std::optional<double> target;       // ohms
  std::optional<double> foundMetres;  // the length for the target
};

// Inputs as the window takes them (rho ohm-cm, diameter inches or metres).
Curve MakeCurve(double rho, double diameter, int units, std::optional<double> target);

// length_m,length_ft (or length_m again for Metric),ohms; one point a line.
std::string CurveCsv(const Curve& curve);

struct Tick {
  double value;
  std::string label;  // empty for a minor tick
};

// Ticks from 0 to at least `max` at a round step (1, 2 or 5 times a power of
// ten, about `count` of them), labelled to the step's decimals: 0, 0.1, 0.2,
// 0.3 (never 0.30000000000000004).
std::vector<Tick> LinearTicks(double max, int count);

// Ticks of a logarithmic axis from `min` to `max` (both > 0): a labelled one
// at each power of ten, minor ones at 2 to 9 times it; when the range spans
// less than two powers of ten, 2 and 5 are labelled too.
std::vector<Tick> LogTicks(double min, double max);

}  // namespace ostrevin::calc
