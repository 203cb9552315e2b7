// Numbers as text, independent of the C and C++ locales (a decimal point,
// never a comma): what the window's edits and the command line read and write.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrevin {

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

// printf-style formatting of one double: the format holds literal text ("%%"
// for a percent sign) and one conversion %[.precision]f, e or g (precision 6
// when not given). A format with no conversion is returned as it stands (so
// FormatDouble("na", x) is "na"); any other conversion gives an empty string.
// Example: FormatDouble("%.3f ft", 6.1) is "6.100 ft".
std::string FormatDouble(std::string_view format, double value);

}  // namespace ostrevin
