// PNG pictures of charts: the SVG drawn by a rasteriser in its own library
// (Qt's SVG renderer), loaded only when a PNG is asked for, so that no other
// command loads a toolkit.
#pragma once

#include <string>

namespace ostrevin::calc {

struct Png {
  std::string bytes;  // the picture, or empty
  std::string error;  // why there is none
};

Png RasteriseSvg(const std::string& svg, int width, int height);

}  // namespace ostrevin::calc
