// Pictures and tables of a solved electrode: its plan and its surface
// potential as SVG (to scale, the same in x and y), and CSV of the map, the
// segments' currents and the layout.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "calc/chart.h"
#include "calc/electrodes.h"
#include "core/electrode_layouts.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr double kWidth = 720;       // the drawing's width, pixels
constexpr double kMargin = 64;       // round the plan
constexpr double kLegendWidth = 150;  // to the right of a map

std::string Px(double value) { return FormatDouble("%.1f", value); }

bool Vertical(const Conductor& c) {
  return std::abs(c.a.x - c.b.x) + std::abs(c.a.y - c.b.y) <= 1e-9 * (1 + std::abs(c.b.z - c.a.z));
}

// Plan coordinates to the drawing's pixels, the same scale both ways, y up.
struct Frame {
  double x0 = 0, y0 = 0, x1 = 1, y1 = 1;  // metres
  double scale = 1, left = kMargin, top = kMargin;
  double width = 0, height = 0;            // the drawing's

  Frame(double ax, double ay, double bx, double by, double right) : x0(ax), y0(ay), x1(bx), y1(by) {
    const double spanX = std::max(x1 - x0, 1e-6);
    const double spanY = std::max(y1 - y0, 1e-6);
    scale = std::min((kWidth - 2 * kMargin) / spanX, (kWidth - 2 * kMargin) / spanY);
    width = 2 * kMargin + spanX * scale + right;
    height = 2 * kMargin + spanY * scale + 24;
  }
  double X(double x) const { return left + (x - x0) * scale; }
  double Y(double y) const { return top + (y1 - y) * scale; }
};

Frame PlanFrame(const SolvedElectrode& e, double margin, double right) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(e.conductors);
  return {x0 - margin, y0 - margin, x1 + margin, y1 + margin, right};
}

std::string Header(const Frame& f, const std::string& title) {
  return "<?xml version='1.0' encoding='UTF-8'?>\n"
         "<svg xmlns='http://www.w3.org/2000/svg' width='" + Px(f.width) + "' height='" +
         Px(f.height) + "' viewBox='0 0 " + Px(f.width) + " " + Px(f.height) +
         "' font-family='DejaVu Sans, Verdana, sans-serif' font-size='13'>\n<title>" +
         XmlEscaped(title) + "</title>\n<rect width='100%' height='100%' fill='white'/>\n"
         "<text x='" + Px(kMargin) + "' y='28' font-size='15'>" + XmlEscaped(title) + "</text>\n";
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

// The conductors' extent along the bottom and the left, as dimension lines.
std::string Dimensions(const SolvedElectrode& e, const Frame& f) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(e.conductors);
  std::string svg = "<g stroke='#555' stroke-width='1' fill='#333'>\n";
  const double below = f.Y(y0) + 26;
  if (x1 - x0 > 1e-6) {
    svg += "<line x1='" + Px(f.X(x0)) + "' y1='" + Px(below) + "' x2='" + Px(f.X(x1)) + "' y2='" +
           Px(below) + "'/><line x1='" + Px(f.X(x0)) + "' y1='" + Px(below - 5) + "' x2='" +
           Px(f.X(x0)) + "' y2='" + Px(below + 5) + "'/><line x1='" + Px(f.X(x1)) + "' y1='" +
           Px(below - 5) + "' x2='" + Px(f.X(x1)) + "' y2='" + Px(below + 5) + "'/>\n" +
           "<text stroke='none' x='" + Px((f.X(x0) + f.X(x1)) / 2) + "' y='" + Px(below + 17) +
           "' text-anchor='middle'>" + XmlEscaped(LengthText(x1 - x0, e.units)) + "</text>\n";
  }
  const double aside = f.X(x0) - 26;
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

Drawing PlanDrawing(const SolvedElectrode& e) {
  const Frame f = PlanFrame(e, 0, 0);
  std::string svg = Header(f, e.title);
  svg += OutlinePath(e, f) + Electrode(e, f) + Dimensions(e, f);
  svg += "<text x='" + Px(kMargin) + "' y='" + Px(f.height - 10) +
         "' fill='#555'>lines: conductors; dots: rods; dashed: the outline</text>\n";
  return {svg + "</svg>\n", static_cast<int>(std::ceil(f.width)), static_cast<int>(std::ceil(f.height))};
}

namespace {

// A map of values over the lattice: bands with a legend, contours at the
// band boundaries, a heavy contour at `mark` (when given), the electrode
// over it, and `spots` marked with their labels.
struct Spot {
  double x, y;
  std::string label;
};

Drawing MapDrawing(const SolvedElectrode& e, const std::vector<double>& values,
                   const std::string& title, const std::string& footnote,
                   std::optional<double> mark, const std::vector<Spot>& spots) {
  const Lattice& l = e.map->lattice;
  const double half = l.step / 2;
  const Frame f(l.x0 - half, l.y0 - half, l.X(l.nx - 1) + half, l.Y(l.ny - 1) + half, kLegendWidth);
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  const double low = *lowest;
  const double high = *highest;
  std::string svg = Header(f, title);
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
    svg += "<g stroke='#000' stroke-width='2'><line x1='" + Px(x - 6) + "' y1='" + Px(y - 6) +
           "' x2='" + Px(x + 6) + "' y2='" + Px(y + 6) + "'/><line x1='" + Px(x - 6) + "' y1='" +
           Px(y + 6) + "' x2='" + Px(x + 6) + "' y2='" + Px(y - 6) + "'/></g>\n<text x='" +
           Px(x + 8) + "' y='" + Px(y - 8) + "' font-weight='bold' stroke='white' stroke-width='3' "
           "paint-order='stroke'>" + XmlEscaped(spot.label) + "</text>\n";
  }
  // The legend: each band's range in volts.
  const double lx = f.width - kLegendWidth + 12;
  svg += "<text x='" + Px(lx) + "' y='" + Px(kMargin - 8) + "'>volts</text>\n";
  for (std::size_t k = kBands.size(); k-- > 0;) {
    const double y = kMargin + static_cast<double>(kBands.size() - 1 - k) * 22;
    const double from = low + (high - low) * static_cast<double>(k) / kBands.size();
    svg += "<rect x='" + Px(lx) + "' y='" + Px(y) + "' width='22' height='20' fill='" + kBands[k] +
           "'/><text x='" + Px(lx + 30) + "' y='" + Px(y + 15) + "'>" +
           FormatDouble("%.0f", from) + "</text>\n";
  }
  if (mark) {
    const double y = kMargin + static_cast<double>(kBands.size()) * 22 + 8;
    svg += "<line x1='" + Px(lx) + "' y1='" + Px(y + 10) + "' x2='" + Px(lx + 22) + "' y2='" +
           Px(y + 10) + "' stroke='#b00020' stroke-width='2.5'/><text x='" + Px(lx + 30) +
           "' y='" + Px(y + 15) + "'>" + FormatDouble("%.0f", *mark) + " limit</text>\n";
  }
  svg += "<text x='" + Px(kMargin) + "' y='" + Px(f.height - 10) + "' fill='#555'>" +
         XmlEscaped("contours every " + FormatDouble("%.0f", (high - low) / kBands.size()) + " V; " +
                    footnote) +
         "</text>\n";
  return {svg + "</svg>\n", static_cast<int>(std::ceil(f.width)), static_cast<int>(std::ceil(f.height))};
}

}  // namespace

Drawing PotentialDrawing(const SolvedElectrode& e) {
  if (!e.map) return {};
  return MapDrawing(e, e.map->volts, "Surface potential: " + e.title,
                    "the electrode drawn over; " + FormatDouble("%.4g", *e.amperes) + " A in",
                    std::nullopt, {});
}

Drawing TouchDrawing(const SolvedElectrode& e) {
  if (!e.map || !e.safety) return {};
  const SurfaceSafety& s = *e.safety;
  std::vector<double> touch = e.map->volts;
  for (double& v : touch) v = s.gpr - v;
  std::vector<Spot> spots{{s.touchSpot.x, s.touchSpot.y, "worst touch"},
                          {s.step.x1, s.step.y1, "worst step"}};
  if (s.fenceSpot) spots.push_back({s.fenceSpot->x, s.fenceSpot->y, "fence"});
  return MapDrawing(e, touch, "Touch voltage: " + e.title,
                    "the red contour: the tolerable " + FormatDouble("%.0f", s.touchLimit) +
                        " V; beyond it touching the electrode is unsafe",
                    s.touchLimit, spots);
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
