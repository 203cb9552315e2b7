#include "calc/chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr double kFont = 13, kLine = 16, kTickLength = 5, kMinorTickLength = 3, kGap = 4;
constexpr const char* kGrid = "#dddddd";
constexpr const char* kMinorGrid = "#f0f0f0";

struct Box {
  double left, top, width, height;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
  bool Intersects(const Box& other) const {
    return left < other.right() && other.left < right() && top < other.bottom() &&
           other.top < bottom();
  }
  bool Inside(const Box& other) const {
    return left >= other.left && right() <= other.right() && top >= other.top &&
           bottom() <= other.bottom();
  }
};

struct Point {
  double x, y;
};

// A line of text parted at blanks into lines of at most `width` pixels (a
// word longer than that on a line of its own).
std::vector<std::string> Wrapped(const std::string& text, double width) {
  std::vector<std::string> lines;
  std::string line;
  std::string gap;  // what parted this word from the last: a blank, or none after a comma
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find_first_of(" ,", at), text.size());
    const bool comma = end < text.size() && text[end] == ',';
    const std::string word = text.substr(at, end - at + (comma ? 1 : 0));
    at = end + 1;
    std::string longer = line;
    if (!line.empty()) longer.append(gap);
    longer.append(word);
    gap = comma ? "" : " ";
    if (!line.empty() && TextWidth(longer, kFont) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
  }
  lines.push_back(line);
  return lines;
}

// Text built up with <<, as the drawing writes it.
struct Markup {
  std::string text;
  Markup& operator<<(std::string_view more) {
    text += more;
    return *this;
  }
  Markup& operator<<(char c) {
    text += c;
    return *this;
  }
  Markup& operator<<(int number) {
    text += std::to_string(number);
    return *this;
  }
  Markup& operator<<(double number) {
    text += FormatNumber(number);
    return *this;
  }
};

std::string Decimals(double value, int decimals) {
  return FormatDouble("%." + std::to_string(std::max(decimals, 0)) + "f", value);
}

std::string Number(double value) { return FormatDouble("%.2f", value); }


std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

double Fraction(const Axis& axis, double value) {
  if (axis.log) {
    return (std::log10(value) - std::log10(axis.min)) /
           (std::log10(axis.max) - std::log10(axis.min));
  }
  return (value - axis.min) / (axis.max - axis.min);
}

// Whether the segment a-b crosses the box (Liang and Barsky's clipping).
bool Crosses(Point a, Point b, const Box& box) {
  double t0 = 0;
  double t1 = 1;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const std::array<std::pair<double, double>, 4> sides{{{-dx, a.x - box.left},
                                                        {dx, box.right() - a.x},
                                                        {-dy, a.y - box.top},
                                                        {dy, box.bottom() - a.y}}};
  for (const auto& [p, q] : sides) {
    if (p == 0) {
      if (q < 0) return false;
      continue;
    }
    const double t = q / p;
    if (p < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

// Draws the chart, keeping what is taken so that labels find free places.
class Drawing {
 public:
  explicit Drawing(const Chart& chart) : chart_(chart) {}

  std::string Svg() {
    Frame();
    for (const Series& series : chart_.series) Curve(series);
    for (const Guide& guide : chart_.guides) GuideLine(guide);
    for (const Marker& marker : chart_.markers) MarkerDot(marker);
    // Labels last, once every line is known.
    for (const Guide& guide : chart_.guides) GuideLabel(guide);
    for (const Marker& marker : chart_.markers) MarkerLabel(marker);
    Legend();
    return Header() + body_.text + "</svg>\n";
  }

 private:
  std::string Header() const {
    Markup head;
    head << "<?xml version='1.0' encoding='UTF-8'?>\n"
         << "<svg xmlns='http://www.w3.org/2000/svg' width='" << chart_.width << "' height='"
         << chart_.height << "' viewBox='0 0 " << chart_.width << " " << chart_.height
         << "' font-family='DejaVu Sans, Verdana, sans-serif' font-size='" << kFont << "'>\n"
         << "<title>" << XmlEscaped(chart_.title) << "</title>\n"
         << "<rect width='100%' height='100%' fill='white'/>\n"
         << "<defs><clipPath id='plot'><rect x='" << Number(plot_.left) << "' y='"
         << Number(plot_.top) << "' width='" << Number(plot_.width) << "' height='"
         << Number(plot_.height) << "'/></clipPath></defs>\n";
    return head.text;
  }

  Point At(double x, double y) const {
    return {plot_.left + Fraction(chart_.x, x) * plot_.width,
            plot_.bottom() - Fraction(chart_.y, y) * plot_.height};
  }

  void Text(double x, double y, const std::string& text, const char* anchor = "start",
            const std::string& extra = {}) {
    body_ << "<text x='" << Number(x) << "' y='" << Number(y) << "' text-anchor='" << anchor << "'"
          << extra << ">" << XmlEscaped(text) << "</text>\n";
  }

  void LineSvg(Point a, Point b, const std::string& colour, double width,
               const std::string& extra = {}) {
    body_ << "<line x1='" << Number(a.x) << "' y1='" << Number(a.y) << "' x2='" << Number(b.x)
          << "' y2='" << Number(b.y) << "' stroke='" << colour << "' stroke-width='" << width << "'"
          << extra << "/>\n";
  }

  void Frame() {
    double labelWidth = 0;
    for (const Tick& tick : chart_.y.ticks) {
      labelWidth = std::max(labelWidth, TextWidth(tick.label, kFont));
    }
    const double left = 34 + labelWidth + kTickLength + kGap;
    // On a narrow chart (a phone's) the title and the notes wrap at its width.
    const std::vector<std::string> title = Wrapped(chart_.title, chart_.width - 20.0);
    std::vector<std::string> notes;
    for (const std::string& note : chart_.notes) {
      for (std::string& line : Wrapped(note, chart_.width - left - 10)) notes.push_back(std::move(line));
    }
    const double titleHeight = kLine * static_cast<double>(title.size() - 1);
    // A legend that would cover much of the plot goes under it.
    const Box legend = LegendSize();
    const double plotWidth = chart_.width - left - 30;
    below_ = legend.width > 0.55 * plotWidth;
    const double belowHeight = below_ ? legend.height + kGap : 0;
    plot_ = {left, 50 + titleHeight, plotWidth,
             chart_.height - 110 - titleHeight - belowHeight -
                 kLine * static_cast<double>(notes.size())};
    for (std::size_t i = 0; i < title.size(); ++i) {
      const double width = TextWidth(title[i], kFont);
      const double y = 30 + kLine * static_cast<double>(i);
      Text(chart_.width / 2.0, y, title[i], "middle");
      taken_.push_back({chart_.width / 2.0 - width / 2, y - 13, width, kLine});
    }
    for (const Tick& tick : chart_.x.ticks) XTick(tick);
    for (const Tick& tick : chart_.y.ticks) YTick(tick, labelWidth);
    body_ << "<rect x='" << Number(plot_.left) << "' y='" << Number(plot_.top) << "' width='"
          << Number(plot_.width) << "' height='" << Number(plot_.height)
          << "' fill='none' stroke='black'/>\n";
    // The axis's title under the plot's middle, or the chart's when it is wider.
    const double titleX = TextWidth(chart_.x.title, kFont) > plot_.width
                              ? chart_.width / 2.0
                              : plot_.left + plot_.width / 2;
    Text(titleX, plot_.bottom() + kTickLength + kGap + 2 * kLine + 4, chart_.x.title, "middle");
    body_ << "<text transform='translate(18 " << Number(plot_.top + plot_.height / 2)
          << ") rotate(-90)' text-anchor='middle'>" << XmlEscaped(chart_.y.title) << "</text>\n";
    double y = plot_.bottom() + kTickLength + kGap + 3 * kLine + 8;
    if (below_) {
      const double x = std::min(plot_.left - 10, chart_.width - legend.width - 10);
      legendAt_ = {std::max(10.0, x), y - kFont, legend.width, legend.height};
      y += legend.height + kGap;
    }
    for (const std::string& note : notes) {
      Text(plot_.left, y, note);
      y += kLine;
    }
  }

  void XTick(const Tick& tick) {
    if (tick.value < chart_.x.min || tick.value > chart_.x.max) return;
    const double x = At(tick.value, chart_.y.max).x;
    const bool major = !tick.label.empty();
    LineSvg({x, plot_.top}, {x, plot_.bottom()}, major ? kGrid : kMinorGrid, 1);
    LineSvg({x, plot_.bottom()}, {x, plot_.bottom() + (major ? kTickLength : kMinorTickLength)},
            "black", 1);
    if (!major) return;
    const double width = TextWidth(tick.label, kFont);
    const Box box{x - width / 2, plot_.bottom() + kTickLength + kGap, width, kLine};
    if (Free(box)) {
      taken_.push_back(box);
      Text(x, box.top + kFont, tick.label, "middle");
    }
  }

  void YTick(const Tick& tick, double labelWidth) {
    if (tick.value < chart_.y.min || tick.value > chart_.y.max) return;
    const double y = At(chart_.x.min, tick.value).y;
    const bool major = !tick.label.empty();
    LineSvg({plot_.left, y}, {plot_.right(), y}, major ? kGrid : kMinorGrid, 1);
    LineSvg({plot_.left - (major ? kTickLength : kMinorTickLength), y}, {plot_.left, y}, "black",
            1);
    if (!major) return;
    const double right = plot_.left - kTickLength - kGap;
    const Box box{right - labelWidth, y - kLine / 2, labelWidth, kLine};
    if (Free(box)) {
      taken_.push_back(box);
      Text(right, y + kFont / 2 - 2, tick.label, "end");
    }
  }

  std::vector<Point> Pixels(const Series& series) const {
    std::vector<Point> pixels;
    for (const auto& [x, y] : series.points) {
      if ((chart_.x.log && !(x > 0)) || (chart_.y.log && !(y > 0))) continue;
      pixels.push_back(At(x, y));
    }
    return pixels;
  }

  void Curve(const Series& series) {
    const std::vector<Point> pixels = Pixels(series);
    if (series.dots) {
      for (const Point& p : pixels) {
        body_ << "<circle cx='" << Number(p.x) << "' cy='" << Number(p.y) << "' r='4' fill='"
              << series.colour << "'/>\n";
        taken_.push_back({p.x - 5, p.y - 5, 10, 10});
      }
      return;
    }
    if (pixels.empty()) return;
    body_ << "<polyline clip-path='url(#plot)' fill='none' stroke='" << series.colour
          << "' stroke-width='" << series.width << "'"
          << (series.dashed ? " stroke-dasharray='6 4'" : "") << " points='";
    for (const Point& p : pixels) body_ << Number(p.x) << "," << Number(p.y) << " ";
    body_ << "'/>\n";
    for (std::size_t i = 1; i < pixels.size(); ++i)
      segments_.emplace_back(pixels[i - 1], pixels[i]);
  }

  void GuideLine(const Guide& guide) {
    const Point at = guide.vertical ? At(guide.value, chart_.y.max) : At(chart_.x.max, guide.value);
    const Point a = guide.vertical ? Point{at.x, plot_.top} : Point{plot_.left, at.y};
    const Point b = guide.vertical ? Point{at.x, plot_.bottom()} : Point{plot_.right(), at.y};
    LineSvg(a, b, guide.colour, 1, " stroke-dasharray='5 4'");
    segments_.emplace_back(a, b);
  }

  void MarkerDot(const Marker& marker) {
    const Point p = At(marker.x, marker.y);
    body_ << "<circle cx='" << Number(p.x) << "' cy='" << Number(p.y)
          << "' r='4' fill='none' stroke='" << marker.colour << "' stroke-width='2'/>\n";
    taken_.push_back({p.x - 5, p.y - 5, 10, 10});
  }

  bool Free(const Box& box) const {
    const Box padded{box.left - 2, box.top - 1, box.width + 4, box.height + 2};
    if (std::any_of(taken_.begin(), taken_.end(),
                    [&](const Box& other) { return other.Intersects(padded); })) {
      return false;
    }
    return std::none_of(segments_.begin(), segments_.end(), [&](const auto& segment) {
      return Crosses(segment.first, segment.second, padded);
    });
  }

  // Places a block of text at the first free box around `anchor`, within
  // the plot; at the nearest one when none is free.
  void Place(Point anchor, const std::string& text, const std::string& colour) {
    const std::vector<std::string> lines = Lines(text);
    double width = 0;
    for (const std::string& line : lines) width = std::max(width, TextWidth(line, kFont));
    const double height = kLine * static_cast<double>(lines.size());
    const Box inside{plot_.left + 4, plot_.top + 4, plot_.width - 8, plot_.height - 8};
    std::optional<Box> chosen;
    for (double distance = 8; distance <= 200 && !chosen; distance += 12) {
      const std::array<Point, 8> offsets{{{distance, -distance - height},
                                          {distance, distance},
                                          {-distance - width, -distance - height},
                                          {-distance - width, distance},
                                          {distance, -height / 2},
                                          {-distance - width, -height / 2},
                                          {-width / 2, -distance - height},
                                          {-width / 2, distance}}};
      for (const Point& offset : offsets) {
        const Box box{anchor.x + offset.x, anchor.y + offset.y, width, height};
        if (box.Inside(inside) && Free(box)) {
          chosen = box;
          break;
        }
      }
    }
    if (!chosen) {
      chosen =
          Box{std::clamp(anchor.x + 8, inside.left, std::max(inside.left, inside.right() - width)),
              std::clamp(anchor.y - 8 - height, inside.top,
                         std::max(inside.top, inside.bottom() - height)),
              width, height};
    }
    taken_.push_back(*chosen);
    double y = chosen->top + kFont;
    for (const std::string& line : lines) {
      Text(chosen->left, y, line, "start", " fill='" + colour + "'");
      y += kLine;
    }
  }

  void GuideLabel(const Guide& guide) {
    if (guide.label.empty()) return;
    const Point anchor = guide.vertical ? At(guide.value, chart_.y.min)
                                        : Point{plot_.right() - 8, At(chart_.x.max, guide.value).y};
    Place(anchor, guide.label, guide.colour);
  }

  void MarkerLabel(const Marker& marker) {
    if (!marker.label.empty()) Place(At(marker.x, marker.y), marker.label, marker.colour);
  }

  std::vector<const Series*> LegendEntries() const {
    std::vector<const Series*> entries;
    for (const Series& series : chart_.series) {
      if (!series.legend.empty()) entries.push_back(&series);
    }
    return entries;
  }

  // The legend's width and height (at 0,0); none without entries.
  Box LegendSize() const {
    const std::vector<const Series*> entries = LegendEntries();
    if (entries.empty()) return {0, 0, 0, 0};
    double width = 0;
    for (const Series* series : entries) width = std::max(width, TextWidth(series->legend, kFont));
    return {0, 0, width + 30, kLine * static_cast<double>(entries.size()) + 6};
  }

  void Legend() {
    const std::vector<const Series*> entries = LegendEntries();
    if (entries.empty()) return;
    const Box size = LegendSize();
    const double width = size.width;
    const double height = size.height;
    const std::array<Box, 4> corners{
        {{plot_.right() - width - 6, plot_.top + 6, width, height},
         {plot_.left + 6, plot_.top + 6, width, height},
         {plot_.right() - width - 6, plot_.bottom() - height - 6, width, height},
         {plot_.left + 6, plot_.bottom() - height - 6, width, height}}};
    const auto* free =
        std::find_if(corners.begin(), corners.end(), [&](const Box& box) { return Free(box); });
    const Box box = below_ ? legendAt_ : free == corners.end() ? corners.front() : *free;
    taken_.push_back(box);
    body_ << "<rect x='" << Number(box.left) << "' y='" << Number(box.top) << "' width='"
          << Number(box.width) << "' height='" << Number(box.height)
          << "' fill='white' fill-opacity='0.85' stroke='#999999'/>\n";
    double y = box.top + 3 + kLine / 2;
    for (const Series* series : entries) {
      if (series->dots) {
        body_ << "<circle cx='" << Number(box.left + 14) << "' cy='" << Number(y)
              << "' r='4' fill='" << series->colour << "'/>\n";
      } else {
        LineSvg({box.left + 4, y}, {box.left + 24, y}, series->colour, series->width,
                series->dashed ? " stroke-dasharray='6 4'" : "");
      }
      Text(box.left + 28, y + kFont / 2 - 2, series->legend);
      y += kLine;
    }
  }

  const Chart& chart_;
  Box plot_{};
  Markup body_;
  std::vector<Box> taken_;
  std::vector<std::pair<Point, Point>> segments_;
  bool below_ = false;  // the legend under the plot (a narrow chart)
  Box legendAt_{};
};

}  // namespace

std::vector<Tick> LinearTicks(double max, int count) {
  if (!(max > 0) || !std::isfinite(max)) max = 1;
  const double raw = max / std::max(count, 1);
  const int exponent = static_cast<int>(std::floor(std::log10(raw)));
  const double power = std::pow(10.0, exponent);
  constexpr std::array kFactors{1.0, 2.0, 5.0, 10.0};
  const double step = *std::find_if(kFactors.begin(), kFactors.end(), [&](double f) {
    return f * power >= raw;
  }) * power;
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

void FitChart(Chart& chart, int width) {
  if (width <= 0) return;
  chart.width = std::clamp(width, 320, 900);
  chart.height = chart.width < 600 ? chart.width + 80 : 560;
}

double TextWidth(const std::string& text, double size) {
  double em = 0;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u & 0xc0) == 0x80) continue;  // a UTF-8 continuation byte
    if (c == ' ') {
      em += 0.32;
    } else if (c == '.' || c == ',' || c == ':' || c == ';' || c == 'i' || c == 'l' || c == '|' ||
               c == '\'') {
      em += 0.3;
    } else if (c == 'm' || c == 'w' || c == 'M' || c == 'W') {
      em += 0.98;
    } else if (c >= 'a' && c <= 'z') {
      em += 0.62;
    } else {
      em += 0.7;
    }
  }
  return em * size;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ToSvg(const Chart& chart) { return Drawing(chart).Svg(); }

}  // namespace ostrevin::calc
