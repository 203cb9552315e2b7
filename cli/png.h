// PNG pictures of charts: the SVG drawn by a rasteriser in its own library
// (Qt's SVG renderer), loaded only when a PNG is asked for, so that no other
// command loads a toolkit.
#pragma once

#include <string>

#include "core/result.h"

namespace ostrevin::calc {

// The PNG file's bytes, or why there are none (a failure).
Result<std::string> RasteriseSvg(const std::string& svg, int width, int height);

}  // namespace ostrevin::calc
