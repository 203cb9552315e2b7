// Draws a resistance curve with Qt's painting: axes, the curve, its peak, and
// the target line and found length when there are.
#pragma once

#include <QString>

#include "app/calc/calc_commands.h"

class QPainter;

namespace ostrevin::calc {

inline constexpr int kPlotWidth = 900;
inline constexpr int kPlotHeight = 560;

void PaintCurve(QPainter& painter, const Curve& curve);
bool SaveCurveSvg(const Curve& curve, const QString& path);
bool SaveCurvePng(const Curve& curve, const QString& path);

}  // namespace ostrevin::calc
