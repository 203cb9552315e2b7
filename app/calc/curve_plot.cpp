#include "app/calc/curve_plot.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include "core/electrode_formulas.h"
#include "framework/number_text.h"

namespace ostrevin::calc {

namespace {

QString Number(double value) { return QString::fromStdString(fw::FormatNumber(value)); }

// A round step for about `count` ticks over `span`.
double NiceStep(double span, int count) {
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  constexpr std::array kFactors{1.0, 2.0, 5.0, 10.0};
  return *std::ranges::find_if(kFactors, [&](double f) { return f * power >= raw; }) * power;
}

}  // namespace

void PaintCurve(QPainter& painter, const Curve& curve) {
  const QRectF plot(80, 50, kPlotWidth - 110, kPlotHeight - 120);
  painter.fillRect(QRectF(0, 0, kPlotWidth, kPlotHeight), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(13);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(0, 10, kPlotWidth, 30), Qt::AlignCenter,
                   QString::fromStdString(curve.title));
  if (curve.points.empty()) return;

  // Lengths on a logarithmic scale in the display unit, ohms linear from zero.
  const auto toUnit = [&](double metres) { return LengthFromMetres(metres, curve.units); };
  const double xMin = std::log10(toUnit(curve.points.front().first));
  const double xMax = std::log10(toUnit(curve.points.back().first));
  double yMax = curve.peakOhms;
  if (curve.target) yMax = std::max(yMax, *curve.target);
  yMax = yMax > 0 ? yMax * 1.1 : 1;
  const auto at = [&](double metres, double ohms) {
    const double x = (std::log10(toUnit(metres)) - xMin) / std::max(xMax - xMin, 1e-12);
    return QPointF(plot.left() + x * plot.width(), plot.bottom() - ohms / yMax * plot.height());
  };

  painter.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 1));
  for (int decade = static_cast<int>(std::ceil(xMin)); decade <= xMax; ++decade) {
    const double x = plot.left() + (decade - xMin) / (xMax - xMin) * plot.width();
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x - 50, plot.bottom() + 4, 100, 20), Qt::AlignHCenter,
                     Number(std::pow(10.0, decade)));
    painter.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 1));
  }
  const double yStep = NiceStep(yMax, 6);
  for (int tick = 0; tick * yStep <= yMax; ++tick) {
    const double y = tick * yStep;
    const double py = plot.bottom() - y / yMax * plot.height();
    painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, py - 10, plot.left() - 6, 20), Qt::AlignRight | Qt::AlignVCenter,
                     Number(y));
    painter.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 1));
  }
  painter.setPen(Qt::black);
  painter.drawRect(plot);
  painter.drawText(QRectF(plot.left(), plot.bottom() + 26, plot.width(), 20), Qt::AlignCenter,
                   QString("Rod length (%1, logarithmic)").arg(LengthUnit(curve.units).data()));
  painter.save();
  painter.translate(18, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-100, -10, 200, 20), Qt::AlignCenter, "Resistance to ground (ohms)");
  painter.restore();

  QPainterPath path(at(curve.points.front().first, curve.points.front().second));
  for (const auto& [metres, ohms] : curve.points) path.lineTo(at(metres, ohms));
  painter.setPen(QPen(QColor(0xc4, 0x6f, 0x2c), 2));
  painter.drawPath(path);

  const QPointF peak = at(curve.peakMetres, curve.peakOhms);
  painter.setPen(QPen(Qt::darkRed, 2));
  painter.drawEllipse(peak, 4, 4);
  painter.drawText(peak + QPointF(8, -8),
                   QString("peak %1 ohms at %2 %3")
                       .arg(Number(curve.peakOhms))
                       .arg(QString::fromStdString(ShowLength(curve.peakMetres, curve.units)))
                       .arg(LengthUnit(curve.units).data()));
  if (curve.target) {
    const double y = plot.bottom() - *curve.target / yMax * plot.height();
    painter.setPen(QPen(Qt::darkBlue, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.drawText(QPointF(plot.right() - 160, y - 6),
                     QString("target %1 ohms").arg(Number(*curve.target)));
  }
  if (curve.foundMetres) {
    const QPointF found = at(*curve.foundMetres, *curve.target);
    painter.setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));
    painter.drawLine(QPointF(found.x(), plot.bottom()), found);
    painter.setPen(QPen(Qt::darkGreen, 2));
    painter.drawEllipse(found, 4, 4);
    painter.drawText(found + QPointF(found.x() > plot.right() - 100 ? -80 : 8, 16),
                     QString("%1 %2")
                         .arg(QString::fromStdString(ShowLength(*curve.foundMetres, curve.units)))
                         .arg(LengthUnit(curve.units).data()));
  }
}

bool SaveCurveSvg(const Curve& curve, const QString& path) {
  QSvgGenerator generator;
  generator.setFileName(path);
  generator.setSize(QSize(kPlotWidth, kPlotHeight));
  generator.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
  generator.setTitle(QString::fromStdString(curve.title));
  QPainter painter;
  if (!painter.begin(&generator)) return false;
  PaintCurve(painter, curve);
  return painter.end();
}

bool SaveCurvePng(const Curve& curve, const QString& path) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_ARGB32);
  QPainter painter(&image);
  PaintCurve(painter, curve);
  painter.end();
  return image.save(path, "PNG");
}

}  // namespace ostrevin::calc
