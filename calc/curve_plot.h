// Draws a resistance curve with Qt's painting: axes with ticks, the curve
// clipped to its plot, its peak, and the target line and the found length
// when there are. Gives the bytes of a file; writing them is the caller's.
#pragma once

#include <string>

#include "calc/curve.h"

class QPainter;

namespace ostrevin::calc {

inline constexpr int kPlotWidth = 900;
inline constexpr int kPlotHeight = 560;

struct PlotOptions {
  bool logOhms = false;  // a logarithmic resistance axis
};

void PaintCurve(QPainter& painter, const Curve& curve, const PlotOptions& options);

// The drawing as an SVG document or a PNG picture; empty when drawing failed.
// Needs a QGuiApplication (for fonts), never a display.
std::string CurveSvg(const Curve& curve, const PlotOptions& options);
std::string CurvePng(const Curve& curve, const PlotOptions& options);

}  // namespace ostrevin::calc
