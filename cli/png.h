// PNG pictures of charts: the SVG drawn by a rasteriser in its own library
// (Qt's SVG renderer), loaded only when a PNG is asked for, so that no other
// command loads a toolkit.
#pragma once

#include <string>
#include <vector>

#include "core/result.h"

namespace ostrevin::calc {

// The PNG file's bytes, or why there are none (a failure).
Result<std::string> RasteriseSvg(const std::string& svg, int width, int height);

// A PDF of the HTML laid out on A4 or letter pages, each <img
// src="drawing:N"> drawn from svgs[N] as vectors; the PDF's bytes, or why
// there are none (the module cannot be loaded: the message names the
// package it comes in).
Result<std::string> HtmlToPdf(const std::string& html, const std::vector<std::string>& svgs,
                              bool letter, const std::string& title);

}  // namespace ostrevin::calc
