// Numbers as they appear in edit controls, independent of the C and C++
// locales: a decimal point, never a comma.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrevin::fw {

// Reads a finite number: optional blanks, an optional sign, decimal digits
// with an optional point and exponent, optional blanks. Empty text, "nan",
// "inf", hexadecimal, thousands separators, trailing garbage and values beyond
// the range of a double (either way) are not a number.
std::optional<double> ParseNumber(std::string_view text);

// The shortest text that ParseNumber reads back as the same double, without
// an exponent for magnitudes from 1e-6 to below 1e15 (6.1 is "6.1", 2000 is
// "2000"), with one outside that range. Not-finite values are written "nan",
// "inf" and "-inf" (and are not read back).
std::string FormatNumber(double value);

}  // namespace ostrevin::fw
