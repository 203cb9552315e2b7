// Charts as SVG, without a toolkit: a plot with linear or logarithmic axes,
// their ticks and grid, lines (a curve, a fitted model), points (measured
// readings), markers with labels, and straight guide lines. Labels are placed
// clear of every line and of each other where a place exists. The page shows
// the same SVG; the command line writes it, or hands it to a rasteriser for
// PNG.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrevin::calc {

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

struct Axis {
  std::string title;
  double min = 0, max = 1;
  bool log = false;
  std::vector<Tick> ticks;
};

struct Series {
  std::vector<std::pair<double, double>> points;  // in the axes' values
  std::string colour = "#c46f2c";
  double width = 2;
  bool dashed = false;
  bool dots = false;   // points (a marker each), not a line
  std::string legend;  // shown in the legend when not empty
};

struct Marker {
  double x = 0, y = 0;
  std::string colour = "#8b0000";
  std::string label;  // lines separated by '\n'
};

// A guide across the plot at a value of one axis, with its label.
struct Guide {
  bool vertical = false;  // at an x value (else at a y value)
  double value = 0;
  std::string colour = "#00008b";
  std::string label;
};

struct Chart {
  std::string title;
  Axis x, y;
  std::vector<Series> series;
  std::vector<Guide> guides;
  std::vector<Marker> markers;
  std::vector<std::string> notes;  // lines under the plot
  int width = 900, height = 560;
};

// The chart's size for a width in pixels (a page's figure): the desk's 900
// by 560 at 0, else that width within 320 to 900, taller than wide on a
// phone, so that its text is drawn at its size, never shrunk.
void FitChart(Chart& chart, int width);

// Text as SVG's markup holds it (&, <, >, quotes escaped).
std::string XmlEscaped(const std::string& text);

// The chart as a standalone SVG document.
std::string ToSvg(const Chart& chart);

// The width in pixels that `text` takes at `size` pixels in a sans-serif
// face, an estimate on the generous side (DejaVu Sans' advances).
double TextWidth(const std::string& text, double size);

}  // namespace ostrevin::calc
