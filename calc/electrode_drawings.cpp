// Pictures and tables of a solved electrode: its plan and its surface
// potential as SVG (to scale, the same in x and y), and CSV of the map, the
// segments' currents and the layout.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "calc/chart.h"
#include "calc/electrodes.h"
#include "core/electrode_layouts.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// The desk's drawing: a plot up to 592 px a side, a map's legend to its
// right. A page's figure is drawn for the width it is shown at (320 to 900
// px), its legend under the plot below 600 px, so that every text is drawn
// at its size (13 px, the title 15), never shrunk.
constexpr double kDeskPlot = 592;
constexpr double kLegendWidth = 150;  // to the right of a map, on the desk
constexpr double kLeft = 88;          // the y axis's labels and the dimension line
constexpr double kRight = 20;
constexpr double kText = 13;
constexpr double kLine = 18;  // a line of 13 px text

std::string Px(double value) { return FormatDouble("%.1f", value); }

bool Vertical(const Conductor& c) {
  return std::abs(c.a.x - c.b.x) + std::abs(c.a.y - c.b.y) <= 1e-9 * (1 + std::abs(c.b.z - c.a.z));
}

// Words wrapped to lines of at most `width` pixels at 13 px.
std::vector<std::string> Wrapped(const std::string& text, double width, double size = kText) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string word = text.substr(at, end - at);
    std::string longer = line;
    if (!longer.empty()) longer += ' ';
    longer += word;
    if (!line.empty() && TextWidth(longer, size) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = std::move(longer);
    }
    at = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Plan coordinates to the drawing's pixels, the same scale both ways, y up;
// the plot's box, and the drawing's size as its parts are laid out.
struct Frame {
  double x0 = 0, y0 = 0, x1 = 1, y1 = 1;  // metres
  double scale = 1, left = kLeft, top = 0;
  double width = 0, height = 0;  // the drawing's
  double plotWidth = 0, plotHeight = 0;
  bool narrow = false;  // the legend under the plot
  std::string heading;
  std::vector<std::string> title;  // the heading's lines

  // `shown`: the width the drawing is shown at, 0 for the desk's; `legend`:
  // whether a map's legend needs room.
  Frame(double ax, double ay, double bx, double by, int shown, bool legend,
        const std::string& heading)
      : x0(ax), y0(ay), x1(bx), y1(by), heading(heading) {
    const double spanX = std::max(x1 - x0, 1e-6);
    const double spanY = std::max(y1 - y0, 1e-6);
    narrow = shown > 0 && shown < 600;
    const double beside = legend && !narrow ? kLegendWidth : 0;
    const double room = shown > 0 ? std::clamp(shown, 320, 900) - kLeft - kRight - beside : kDeskPlot;
    scale = std::min(room / spanX, (narrow ? room * 1.2 : kDeskPlot) / spanY);
    plotWidth = spanX * scale;
    plotHeight = spanY * scale;
    width = shown > 0 ? std::clamp(shown, 320, 900) : kLeft + plotWidth + kRight + beside;
    title = Wrapped(heading, width - 2 * kRight, 15);
    top = 16 + 20.0 * static_cast<double>(title.size()) + 20;
    height = top + plotHeight;  // the parts under the plot add theirs
  }
  double X(double x) const { return left + (x - x0) * scale; }
  double Y(double y) const { return top + (y1 - y) * scale; }
  double Bottom() const { return top + plotHeight; }
};

std::string Header(const Frame& f) {
  std::string svg = "<title>" + XmlEscaped(f.heading) + "</title>\n" +
                    "<rect width='100%' height='100%' fill='white'/>\n";
  for (std::size_t k = 0; k < f.title.size(); ++k) {
    svg += "<text x='" + Px(kRight) + "' y='" + Px(30 + 20.0 * static_cast<double>(k)) +
           "' font-size='15'>" + XmlEscaped(f.title[k]) + "</text>\n";
  }
  return svg;
}

std::string Document(const Frame& f, const std::string& body) {
  return "<?xml version='1.0' encoding='UTF-8'?>\n"
         "<svg xmlns='http://www.w3.org/2000/svg' width='" + Px(f.width) + "' height='" +
         Px(f.height) + "' viewBox='0 0 " + Px(f.width) + " " + Px(f.height) +
         "' font-family='DejaVu Sans, Verdana, sans-serif' font-size='13'>\n" + Header(f) + body +
         "</svg>\n";
}

// A round step (1, 2 or 5 times a power of ten) near `span` / `count`.
double RoundStep(double span, double count) {
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw) return factor * power;
  }
  return 10 * power;
}

std::string Rounded(double value, double step) {
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  const std::string text = FormatDouble("%." + std::to_string(decimals) + "f", value);
  return text == "-0" ? "0" : text;
}

// Axes along the plot's foot and left side in the unit system's length,
// ticked at a round step, each titled with its unit.
std::string Axes(const Frame& f, UnitSystem units) {
  const std::string unit(LengthUnit(units));
  std::string svg = "<g stroke='#333' stroke-width='1' fill='none'><rect x='" + Px(f.left) +
                    "' y='" + Px(f.top) + "' width='" + Px(f.plotWidth) + "' height='" +
                    Px(f.plotHeight) + "'/></g>\n<g fill='#333'>\n";
  const auto along = [&](double lo, double hi, double pixels, bool x) {
    const double a = LengthFromMetres(lo, units);
    const double b = LengthFromMetres(hi, units);
    const double step = RoundStep(b - a, std::max(2.0, pixels / 60));
    const auto first = static_cast<long>(std::ceil(a / step - 1e-9));
    const auto last = static_cast<long>(std::floor(b / step + 1e-9));
    for (long k = first; k <= last; ++k) {
      const double v = static_cast<double>(k) * step;
      const double metres = lo + (v - a) / (b - a) * (hi - lo);
      if (x) {
        const double px = f.X(metres);
        svg += "<line stroke='#333' x1='" + Px(px) + "' y1='" + Px(f.Bottom()) + "' x2='" + Px(px) +
               "' y2='" + Px(f.Bottom() + 5) + "'/><text x='" + Px(px) + "' y='" +
               Px(f.Bottom() + 19) + "' text-anchor='middle'>" + Rounded(v, step) + "</text>\n";
      } else {
        const double py = f.Y(metres);
        svg += "<line stroke='#333' x1='" + Px(f.left - 5) + "' y1='" + Px(py) + "' x2='" +
               Px(f.left) + "' y2='" + Px(py) + "'/><text x='" + Px(f.left - 8) + "' y='" +
               Px(py + 4.5) + "' text-anchor='end'>" + Rounded(v, step) + "</text>\n";
      }
    }
  };
  along(f.x0, f.x1, f.plotWidth, true);
  along(f.y0, f.y1, f.plotHeight, false);
  svg += "<text x='" + Px(f.left + f.plotWidth) + "' y='" + Px(f.Bottom() + 36) +
         "' text-anchor='end'>x (" + unit + ")</text>\n<text x='" + Px(kRight) + "' y='" +
         Px(f.top - 6) + "'>y (" + unit + ")</text>\n</g>\n";
  return svg;
}

// A scale bar of a round length (about a fifth of the plot) at `y`.
std::string ScaleBar(const Frame& f, UnitSystem units, double y) {
  const double perUnit = f.scale / LengthFromMetres(1, units);  // pixels per foot or metre
  const double length = RoundStep(f.plotWidth / perUnit, 4);
  const double pixels = length * perUnit;
  const double x = f.left;
  return "<g stroke='#000' stroke-width='2' fill='none'><path d='M" + Px(x) + " " + Px(y - 5) +
         "V" + Px(y) + "H" + Px(x + pixels) + "V" + Px(y - 5) + "'/></g><text x='" +
         Px(x + pixels + 8) + "' y='" + Px(y + 1) + "'>" + Rounded(length, length) + " " +
         std::string(LengthUnit(units)) + "</text>\n";
}

// Lines of small print from `y` down; the height they take.
double Notes(const Frame& f, const std::string& text, double y, std::string& svg) {
  const std::vector<std::string> lines = Wrapped(text, f.width - 2 * kRight);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    svg += "<text x='" + Px(kRight) + "' y='" + Px(y + kLine * static_cast<double>(k)) +
           "' fill='#555'>" + XmlEscaped(lines[k]) + "</text>\n";
  }
  return kLine * static_cast<double>(lines.size());
}

// The conductors in plan (rods as dots), over whatever is drawn first.
std::string Electrode(const SolvedElectrode& e, const Frame& f) {
  std::string svg = "<g stroke='#5a3210' stroke-width='2' stroke-linecap='round'>\n";
  std::string dots = "<g fill='#1f4e8c' stroke='white' stroke-width='1'>\n";
  for (const Conductor& c : e.conductors) {
    if (Vertical(c)) {
      dots += "<circle cx='" + Px(f.X(c.a.x)) + "' cy='" + Px(f.Y(c.a.y)) + "' r='4.5'/>\n";
    } else {
      svg += "<line x1='" + Px(f.X(c.a.x)) + "' y1='" + Px(f.Y(c.a.y)) + "' x2='" + Px(f.X(c.b.x)) +
             "' y2='" + Px(f.Y(c.b.y)) + "'/>\n";
    }
  }
  return svg + "</g>\n" + dots + "</g>\n";
}

// The conductors' extent under the x axis and left of the y axis's labels,
// as dimension lines.
std::string Dimensions(const SolvedElectrode& e, const Frame& f, double below) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(e.conductors);
  std::string svg = "<g stroke='#555' stroke-width='1' fill='#333'>\n";
  if (x1 - x0 > 1e-6) {
    svg += "<line x1='" + Px(f.X(x0)) + "' y1='" + Px(below) + "' x2='" + Px(f.X(x1)) + "' y2='" +
           Px(below) + "'/><line x1='" + Px(f.X(x0)) + "' y1='" + Px(below - 5) + "' x2='" +
           Px(f.X(x0)) + "' y2='" + Px(below + 5) + "'/><line x1='" + Px(f.X(x1)) + "' y1='" +
           Px(below - 5) + "' x2='" + Px(f.X(x1)) + "' y2='" + Px(below + 5) + "'/>\n" +
           "<text stroke='none' x='" + Px((f.X(x0) + f.X(x1)) / 2) + "' y='" + Px(below + 17) +
           "' text-anchor='middle'>" + XmlEscaped(LengthText(x1 - x0, e.units)) + "</text>\n";
  }
  const double aside = 34;
  if (y1 - y0 > 1e-6) {
    const double middle = (f.Y(y0) + f.Y(y1)) / 2;
    svg += "<line x1='" + Px(aside) + "' y1='" + Px(f.Y(y0)) + "' x2='" + Px(aside) + "' y2='" +
           Px(f.Y(y1)) + "'/><line x1='" + Px(aside - 5) + "' y1='" + Px(f.Y(y0)) + "' x2='" +
           Px(aside + 5) + "' y2='" + Px(f.Y(y0)) + "'/><line x1='" + Px(aside - 5) + "' y1='" +
           Px(f.Y(y1)) + "' x2='" + Px(aside + 5) + "' y2='" + Px(f.Y(y1)) + "'/>\n" +
           "<text stroke='none' x='" + Px(aside - 8) + "' y='" + Px(middle) +
           "' text-anchor='middle' transform='rotate(-90 " + Px(aside - 8) + " " + Px(middle) +
           ")'>" + XmlEscaped(LengthText(y1 - y0, e.units)) + "</text>\n";
  }
  return svg + "</g>\n";
}

std::string OutlinePath(const SolvedElectrode& e, const Frame& f) {
  std::string svg;
  for (const Polygon& polygon : e.outline.areas) {
    std::string points;
    for (const RodPoint& p : polygon) points += Px(f.X(p.x)) + "," + Px(f.Y(p.y)) + " ";
    svg += "<polygon points='" + points +
           "' fill='none' stroke='#888' stroke-width='1' stroke-dasharray='5 4'/>\n";
  }
  return svg;
}

// Twelve colours from cool to hot (low to high potential).
constexpr std::array<const char*, 12> kBands{"#2c3e91", "#2f5fb3", "#2f80c7", "#37a0c9",
                                             "#4dbab6", "#74cc97", "#a3d679", "#cbdc5f",
                                             "#ecd34b", "#f6b23d", "#f08632", "#de5227"};

// Where the band boundaries of a map fall: 12 equal steps from its least to its most.
std::vector<double> Levels(double low, double high) {
  std::vector<double> levels;
  for (std::size_t k = 1; k < kBands.size(); ++k) {
    levels.push_back(low + (high - low) * static_cast<double>(k) / kBands.size());
  }
  return levels;
}

std::size_t BandOf(double v, double low, double high) {
  if (!(high > low)) return 0;
  const auto band = static_cast<std::size_t>((v - low) / (high - low) * kBands.size());
  return std::min(band, kBands.size() - 1);
}

}  // namespace

Drawing PlanDrawing(const SolvedElectrode& e, int width) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(e.conductors);
  // A little room round the conductors, so that none lies on an axis.
  const double pad = std::max(0.04 * std::max(x1 - x0, y1 - y0), 0.25);
  Frame f(x0 - pad, y0 - pad, x1 + pad, y1 + pad, width, false, e.title);
  std::string svg = OutlinePath(e, f) + Electrode(e, f) + Axes(f, e.units);
  double y = f.Bottom() + 50;
  svg += Dimensions(e, f, y);
  y += 46;
  svg += ScaleBar(f, e.units, y);
  y += 26;
  y += Notes(f, "lines: conductors; dots: rods; dashed: the outline", y, svg);
  f.height = y;
  return {Document(f, svg), static_cast<int>(std::ceil(f.width)), static_cast<int>(std::ceil(f.height))};
}

namespace {

// A map of values over the lattice: bands with a legend, contours at the
// band boundaries, a heavy contour at `mark` (when given), the electrode
// over it, and `spots` marked with their labels.
struct Spot {
  double x, y;
  std::string label;
};

// The map's legend: each band's least value with `unit`, the limit's line.
std::string Legend(const Frame& f, double low, double high, std::optional<double> mark,
                   const std::string& quantity, double& y) {
  const double across = f.narrow ? kRight : f.left + f.plotWidth + 16;
  const double columnWidth = f.narrow ? (f.width - 2 * kRight) / 2 : kLegendWidth;
  const std::size_t perColumn = f.narrow ? kBands.size() / 2 : kBands.size();
  double top = f.narrow ? y : f.top;
  std::string svg;
  for (const std::string& line : Wrapped(quantity, columnWidth * (f.narrow ? 2 : 1) - 8)) {
    svg += "<text x='" + Px(across) + "' y='" + Px(top + 13) + "'>" + XmlEscaped(line) + "</text>\n";
    top += kLine;
  }
  top += 4;
  for (std::size_t k = kBands.size(); k-- > 0;) {
    const std::size_t index = kBands.size() - 1 - k;
    const std::size_t column = index / perColumn;
    const double x = across + columnWidth * static_cast<double>(column);
    const double row = top + static_cast<double>(index % perColumn) * 22;
    const double from = low + (high - low) * static_cast<double>(k) / kBands.size();
    svg += "<rect x='" + Px(x) + "' y='" + Px(row) + "' width='22' height='20' fill='" + kBands[k] +
           "'/><text x='" + Px(x + 30) + "' y='" + Px(row + 15) + "'>" + FormatDouble("%.0f", from) +
           " V</text>\n";
  }
  double end = top + static_cast<double>(perColumn) * 22 + 8;
  if (mark) {
    svg += "<line x1='" + Px(across) + "' y1='" + Px(end + 10) + "' x2='" + Px(across + 22) +
           "' y2='" + Px(end + 10) + "' stroke='#b00020' stroke-width='2.5'/><text x='" +
           Px(across + 30) + "' y='" + Px(end + 15) + "'>" + FormatDouble("%.0f", *mark) +
           " V limit</text>\n";
    end += 26;
  }
  y = f.narrow ? end + 8 : std::max(y, end + 8);
  return svg;
}

Drawing MapDrawing(const SolvedElectrode& e, const std::vector<double>& values, int width,
                   const std::string& title, const std::string& quantity,
                   const std::string& footnote, std::optional<double> mark,
                   const std::vector<Spot>& spots) {
  const Lattice& l = e.map->lattice;
  const double half = l.step / 2;
  Frame f(l.x0 - half, l.y0 - half, l.X(l.nx - 1) + half, l.Y(l.ny - 1) + half, width, true, title);
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  const double low = *lowest;
  const double high = *highest;
  std::string svg;
  // The bands, a run of like colour a rectangle.
  svg += "<g shape-rendering='crispEdges'>\n";
  for (int j = 0; j < l.ny; ++j) {
    int start = 0;
    for (int i = 1; i <= l.nx; ++i) {
      const auto at = [&](int k) { return values[static_cast<std::size_t>(j) * l.nx + k]; };
      const std::size_t band = BandOf(at(start), low, high);
      if (i < l.nx && BandOf(at(i), low, high) == band) continue;
      svg += "<rect x='" + Px(f.X(l.X(start) - half)) + "' y='" + Px(f.Y(l.Y(j) + half)) +
             "' width='" + Px((i - start) * l.step * f.scale + 0.6) + "' height='" +
             Px(l.step * f.scale + 0.6) + "' fill='" + kBands[band] + "'/>\n";
      start = i;
    }
  }
  svg += "</g>\n";
  // Contours by marching squares.
  const auto contour = [&](double level) {
    std::string path;
    for (int j = 0; j + 1 < l.ny; ++j) {
      for (int i = 0; i + 1 < l.nx; ++i) {
        const auto v = [&](int a, int b) {
          return values[static_cast<std::size_t>(j + b) * l.nx + (i + a)];
        };
        const std::array<std::array<double, 3>, 4> corners{{{0, 0, v(0, 0)},
                                                            {1, 0, v(1, 0)},
                                                            {1, 1, v(1, 1)},
                                                            {0, 1, v(0, 1)}}};
        std::vector<std::pair<double, double>> crossings;
        for (std::size_t k = 0; k < 4; ++k) {
          const auto& p = corners[k];
          const auto& q = corners[(k + 1) % 4];
          if ((p[2] < level) == (q[2] < level)) continue;
          const double t = (level - p[2]) / (q[2] - p[2]);
          crossings.emplace_back(l.X(i) + (p[0] + (q[0] - p[0]) * t) * l.step,
                                 l.Y(j) + (p[1] + (q[1] - p[1]) * t) * l.step);
        }
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
          path += "M" + Px(f.X(crossings[k].first)) + " " + Px(f.Y(crossings[k].second)) + "L" +
                  Px(f.X(crossings[k + 1].first)) + " " + Px(f.Y(crossings[k + 1].second));
        }
      }
    }
    return path;
  };
  std::string path;
  for (const double level : Levels(low, high)) path += contour(level);
  svg += "<path d='" + path + "' fill='none' stroke='#1b1b1b' stroke-opacity='0.45' stroke-width='0.8'/>\n";
  if (mark && *mark > low && *mark < high) {
    svg += "<path d='" + contour(*mark) + "' fill='none' stroke='#b00020' stroke-width='2.5'/>\n";
  }
  svg += OutlinePath(e, f) + Electrode(e, f);
  for (const Spot& spot : spots) {
    const double x = f.X(spot.x);
    const double y = f.Y(spot.y);
    // A label near the right edge is written to the mark's left.
    const bool leftward = x + 8 + TextWidth(spot.label, kText) > f.left + f.plotWidth;
    svg += "<g stroke='#000' stroke-width='2'><line x1='" + Px(x - 6) + "' y1='" + Px(y - 6) +
           "' x2='" + Px(x + 6) + "' y2='" + Px(y + 6) + "'/><line x1='" + Px(x - 6) + "' y1='" +
           Px(y + 6) + "' x2='" + Px(x + 6) + "' y2='" + Px(y - 6) + "'/></g>\n<text x='" +
           Px(leftward ? x - 8 : x + 8) + "' y='" + Px(y - 8) + "'" +
           (leftward ? " text-anchor='end'" : "") +
           " font-weight='bold' stroke='white' stroke-width='3' paint-order='stroke'>" +
           XmlEscaped(spot.label) + "</text>\n";
  }
  svg += Axes(f, e.units);
  double y = f.Bottom() + 50;
  svg += ScaleBar(f, e.units, y);
  y += 26;
  svg += Legend(f, low, high, mark, quantity, y);
  y += Notes(f,
             "contours every " + FormatDouble("%.0f", (high - low) / kBands.size()) + " V; " +
                 footnote,
             y, svg);
  f.height = std::max(y, f.narrow ? y : f.top + 12 * 22.0 + 80);
  return {Document(f, svg), static_cast<int>(std::ceil(f.width)), static_cast<int>(std::ceil(f.height))};
}

}  // namespace

Drawing PotentialDrawing(const SolvedElectrode& e, int width) {
  if (!e.map) return {};
  return MapDrawing(e, e.map->volts, width, "Surface potential: " + e.title, "potential (V)",
                    "the electrode drawn over; " + FormatDouble("%.4g", *e.amperes) + " A in",
                    std::nullopt, {});
}

Drawing TouchDrawing(const SolvedElectrode& e, int width) {
  if (!e.map || !e.safety) return {};
  const SurfaceSafety& s = *e.safety;
  std::vector<double> touch = e.map->volts;
  for (double& v : touch) v = s.gpr - v;
  std::vector<Spot> spots{{s.touchSpot.x, s.touchSpot.y, "worst touch"},
                          {s.step.x1, s.step.y1, "worst step"}};
  if (s.fenceSpot) spots.push_back({s.fenceSpot->x, s.fenceSpot->y, "fence"});
  return MapDrawing(e, touch, width, "Touch voltage: " + e.title, "touch voltage (V)",
                    "the red contour: " + s.limitName + " " + FormatDouble("%.0f", s.touchLimit) +
                        " V; beyond it touching the electrode is unsafe",
                    s.touchLimit, spots);
}

ElectrodeTotals TotalsOf(const SolvedElectrode& e) {
  ElectrodeTotals totals;
  for (const Conductor& c : e.conductors) {
    const double length = std::hypot(c.b.x - c.a.x, c.b.y - c.a.y, c.b.z - c.a.z);
    if (Vertical(c)) {
      ++totals.rods;
      totals.rodsM += length;
    } else {
      totals.conductorM += length;
    }
  }
  if (e.outline.HasArea()) totals.areaM2 = e.outline.Area();
  return totals;
}

std::string PotentialCsv(const SolvedElectrode& e) {
  if (!e.map) return {};
  const Lattice& l = e.map->lattice;
  std::string csv = "x,y,volts\n";
  for (int j = 0; j < l.ny; ++j) {
    for (int i = 0; i < l.nx; ++i) {
      csv += FormatDouble("%.6g", LengthFromMetres(l.X(i), e.units)) + "," +
             FormatDouble("%.6g", LengthFromMetres(l.Y(j), e.units)) + "," +
             FormatDouble("%.6g", e.map->volts[static_cast<std::size_t>(j) * l.nx + i]) + "\n";
    }
  }
  return csv;
}

std::string CurrentsCsv(const SolvedElectrode& e) {
  const double amperes = e.amperes.value_or(1);
  const auto length = [&](double metres) { return FormatDouble("%.6g", LengthFromMetres(metres, e.units)); };
  std::string csv = "x1,y1,z1,x2,y2,z2,amperes\n";
  for (std::size_t k = 0; k < e.solution.elements.size(); ++k) {
    const Segment3& s = e.solution.elements[k].line;
    csv += length(s.a.x) + "," + length(s.a.y) + "," + length(s.a.z) + "," + length(s.b.x) + "," +
           length(s.b.y) + "," + length(s.b.z) + "," +
           FormatDouble("%.6g", amperes * e.solution.amperes[k]) + "\n";
  }
  return csv;
}

std::string LayoutCsv(const SolvedElectrode& e) {
  // Every cell with its unit, so that it reads back the same under any units.
  const std::string unit(LengthUnit(e.units));
  const auto length = [&](double metres) {
    return FormatDouble("%.9g", LengthFromMetres(metres, e.units)) + unit;
  };
  const auto diameter = [&](double metres) {
    return IsMetric(e.units) ? FormatDouble("%.9g", metres * 1000) + "mm"
                             : FormatDouble("%.9g", metres / kMetresPerInch) + "in";
  };
  std::string csv = "x1,y1,z1,x2,y2,z2,diameter\n";
  for (const Conductor& c : e.conductors) {
    csv += length(c.a.x) + "," + length(c.a.y) + "," + length(c.a.z) + "," + length(c.b.x) + "," +
           length(c.b.y) + "," + length(c.b.z) + "," + diameter(c.diameterM) + "\n";
  }
  return csv;
}

}  // namespace ostrevin::calc
