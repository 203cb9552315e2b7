#include "calc/curve_plot.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include "calc/calculation.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Where a value falls along an axis, from 0 (min) to 1 (max).
struct Scale {
  double min = 0, max = 1;
  bool log = false;
  double operator()(double value) const {
    if (log) return (std::log10(value) - std::log10(min)) / (std::log10(max) - std::log10(min));
    return (value - min) / (max - min);
  }
};

const QColor kGrid(0xdd, 0xdd, 0xdd);
const QColor kMinorGrid(0xf0, 0xf0, 0xf0);
constexpr double kTickLength = 5, kMinorTickLength = 3, kGap = 4;

// The resistance axis: linear from zero, or logarithmic over the decades the
// curve's right-hand part, the peak and the target cover.
std::vector<Tick> OhmsTicks(const Curve& curve, bool logOhms, Scale& scale) {
  double top = curve.peakOhms;
  if (curve.target) top = std::max(top, *curve.target);
  if (!logOhms) {
    std::vector<Tick> ticks = LinearTicks(top * 1.1, 6);
    scale = {0, ticks.back().value, false};
    return ticks;
  }
  double bottom = top;
  for (const auto& [metres, ohms] : curve.points) {
    if (metres >= curve.peakMetres && ohms > 0) bottom = std::min(bottom, ohms);
  }
  if (curve.target) bottom = std::min(bottom, *curve.target);
  if (!(bottom > 0)) bottom = top / 1000;
  scale = {std::pow(10.0, std::floor(std::log10(bottom * 0.99))),
           std::pow(10.0, std::ceil(std::log10(top * 1.01))), true};
  return LogTicks(scale.min, scale.max);
}

// Draws `text` in `box` unless it would overlap what is already labelled.
void Label(QPainter& painter, const QRectF& box, int flags, const QString& text,
           std::vector<QRectF>& taken) {
  const QRectF padded = box.adjusted(-2, -1, 2, 1);
  if (std::ranges::any_of(taken, [&](const QRectF& other) { return other.intersects(padded); })) {
    return;
  }
  taken.push_back(padded);
  painter.drawText(box, flags, text);
}

// Three decimals, or three significant digits below a hundredth.
std::string ShowShortLength(double metres, int units) {
  const double length = LengthFromMetres(metres, units);
  return length < 0.01 ? FormatDouble("%.3g", length) : ShowLength(metres, units);
}

// Draws `text` in the first of `boxes` that lies inside `area` and clear of
// the texts already drawn (the first one when none does).
void Place(QPainter& painter, const QString& text, const std::vector<QRectF>& boxes,
           const QRectF& area, std::vector<QRectF>& taken) {
  const auto clear = [&](const QRectF& box) {
    return area.contains(box) &&
           std::ranges::none_of(taken, [&](const QRectF& other) { return other.intersects(box); });
  };
  const auto chosen = std::ranges::find_if(boxes, clear);
  const QRectF box = chosen == boxes.end() ? boxes.front() : *chosen;
  painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  taken.push_back(box);
}

// A text box beside `point` inside `area`: to the right and above by
// preference, flipped left or below when it would leave the area.
QRectF Beside(const QPointF& point, const QSizeF& size, const QRectF& area) {
  QRectF box(point + QPointF(8, -8 - size.height()), size);
  if (box.right() > area.right()) box.moveRight(point.x() - 8);
  if (box.top() < area.top()) box.moveTop(point.y() + 8);
  if (box.left() < area.left()) box.moveLeft(area.left() + 2);
  return box;
}

}  // namespace

void PaintCurve(QPainter& painter, const Curve& curve, const PlotOptions& options) {
  painter.fillRect(QRectF(0, 0, kPlotWidth, kPlotHeight), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(13);
  painter.setFont(font);
  const QFontMetricsF metrics(font);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(0, 10, kPlotWidth, 30), Qt::AlignCenter, Text(curve.title));
  if (curve.points.empty()) return;

  const auto toUnit = [&](double metres) { return LengthFromMetres(metres, curve.units); };
  const Scale x{toUnit(curve.points.front().first), toUnit(curve.points.back().first), true};
  Scale y;
  const std::vector<Tick> yTicks = OhmsTicks(curve, options.logOhms, y);
  const std::vector<Tick> xTicks = LogTicks(x.min, x.max);
  double labelWidth = 0;
  for (const Tick& tick : yTicks) {
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Text(tick.label)));
  }
  const double left = 34 + labelWidth + kTickLength + kGap;
  const QRectF plot(left, 50, kPlotWidth - left - 30, kPlotHeight - 120);
  const auto at = [&](double metres, double ohms) {
    return QPointF(plot.left() + x(toUnit(metres)) * plot.width(),
                   plot.bottom() - y(ohms) * plot.height());
  };

  std::vector<QRectF> taken;
  const double lineHeight = metrics.height();
  for (const Tick& tick : xTicks) {
    const double px = plot.left() + x(tick.value) * plot.width();
    const bool major = !tick.label.empty();
    painter.setPen(QPen(major ? kGrid : kMinorGrid, 1));
    painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
    painter.setPen(Qt::black);
    painter.drawLine(QPointF(px, plot.bottom()),
                     QPointF(px, plot.bottom() + (major ? kTickLength : kMinorTickLength)));
    const QString text = Text(tick.label);
    const double width = metrics.horizontalAdvance(text);
    if (major) {
      Label(painter, QRectF(px - width / 2, plot.bottom() + kTickLength + kGap, width, lineHeight),
            Qt::AlignCenter, text, taken);
    }
  }
  for (const Tick& tick : yTicks) {
    const double py = plot.bottom() - y(tick.value) * plot.height();
    const bool major = !tick.label.empty();
    painter.setPen(QPen(major ? kGrid : kMinorGrid, 1));
    painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
    painter.setPen(Qt::black);
    painter.drawLine(QPointF(plot.left() - (major ? kTickLength : kMinorTickLength), py),
                     QPointF(plot.left(), py));
    if (major) {
      const double right = plot.left() - kTickLength - kGap;
      Label(painter, QRectF(right - labelWidth, py - lineHeight / 2, labelWidth, lineHeight),
            Qt::AlignRight | Qt::AlignVCenter, Text(tick.label), taken);
    }
  }
  painter.drawRect(plot);
  painter.drawText(
      QRectF(plot.left(), plot.bottom() + kTickLength + kGap + lineHeight + 6, plot.width(), 20),
      Qt::AlignCenter, QString("Rod length (%1, logarithmic)").arg(LengthUnit(curve.units).data()));
  painter.save();
  painter.translate(16, plot.center().y());
  painter.rotate(-90);
  painter.drawText(
      QRectF(-200, -10, 400, 20), Qt::AlignCenter,
      options.logOhms ? "Resistance to ground (ohms, logarithmic)" : "Resistance to ground (ohms)");
  painter.restore();

  painter.save();
  painter.setClipRect(plot);
  QPainterPath path;
  for (const auto& [metres, ohms] : curve.points) {
    if (options.logOhms && !(ohms > 0)) continue;
    const QPointF point = at(metres, ohms);
    if (path.elementCount() == 0) {
      path.moveTo(point);
    } else {
      path.lineTo(point);
    }
  }
  painter.setPen(QPen(QColor(0xc4, 0x6f, 0x2c), 2));
  painter.drawPath(path);

  const QRectF inside = plot.adjusted(4, 4, -4, -4);
  const QPointF peak = at(curve.peakMetres, curve.peakOhms);
  painter.setPen(QPen(Qt::darkRed, 2));
  painter.drawEllipse(peak, 4, 4);
  QString peakText = QString("peak %1 ohms at %2 %3")
                         .arg(Text(FormatDouble("%.3f", curve.peakOhms)))
                         .arg(Text(ShowShortLength(curve.peakMetres, curve.units)))
                         .arg(LengthUnit(curve.units).data());
  if (curve.scanPeakOhms) {
    peakText += Text("\nthe window's scan, in 1 mm steps, reaches " +
                     FormatDouble("%.3f", *curve.scanPeakOhms) + " ohms");
  }
  const QRectF peakBox = Beside(peak, metrics.size(0, peakText) + QSizeF(2, 0), inside);
  Place(painter, peakText, {peakBox}, inside, taken);

  if (curve.foundMetres && curve.target) {
    const QPointF found = at(*curve.foundMetres, *curve.target);
    painter.setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));
    painter.drawLine(QPointF(found.x(), plot.bottom()), found);
    painter.setPen(QPen(Qt::darkGreen, 2));
    painter.drawEllipse(found, 4, 4);
    const QString text = QString("%1 %2")
                             .arg(Text(ShowLength(*curve.foundMetres, curve.units)))
                             .arg(LengthUnit(curve.units).data());
    const QSizeF size = metrics.size(0, text) + QSizeF(2, 0);
    const double top = inside.bottom() - size.height();
    Place(painter, text,
          {QRectF(QPointF(found.x() + 6, top), size),
           QRectF(QPointF(found.x() - 6 - size.width(), top), size)},
          inside, taken);
  }
  if (curve.target) {
    const double line = at(curve.points.back().first, *curve.target).y();
    painter.setPen(QPen(Qt::darkBlue, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), line), QPointF(plot.right(), line));
    const QString text = QString("target %1 ohms").arg(Text(FormatNumber(*curve.target)));
    const QSizeF size = metrics.size(0, text) + QSizeF(2, 0);
    const double right = inside.right() - size.width();
    const double start = inside.left();
    const double above = line - 4 - size.height();
    const double below = line + 4;
    Place(painter, text,
          {QRectF(QPointF(right, above), size), QRectF(QPointF(right, below), size),
           QRectF(QPointF(start, above), size), QRectF(QPointF(start, below), size)},
          inside, taken);
  }
  painter.restore();
}

std::string CurveSvg(const Curve& curve, const PlotOptions& options) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(kPlotWidth, kPlotHeight));
  generator.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
  generator.setTitle(Text(curve.title));
  QPainter painter;
  if (!painter.begin(&generator)) return {};
  PaintCurve(painter, curve, options);
  if (!painter.end()) return {};
  return buffer.data().toStdString();
}

std::string CurvePng(const Curve& curve, const PlotOptions& options) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_ARGB32);
  QPainter painter(&image);
  PaintCurve(painter, curve, options);
  painter.end();
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return buffer.data().toStdString();
}

}  // namespace ostrevin::calc
