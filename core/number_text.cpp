#include "core/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

// Where the C++ library has no floating-point std::from_chars / std::to_chars
// (Debian's emscripten), the portable path reads with fast_float and writes
// with {fmt} (its formats compiled: only the double's writer is linked, not
// the type-erased formatter of every type): the same texts, checked by the
// same tests on every platform.
#if OSTREVIN_PORTABLE_NUMBERS
#include <fast_float/fast_float.h>
#define FMT_HEADER_ONLY
// No thousands separators are written: no std::locale (and its facets) in the page.
#define FMT_STATIC_THOUSANDS_SEPARATOR 0
#include <fmt/compile.h>
#endif

namespace ostrevin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // A digit or a point must start the number: this keeps out "inf", "nan" and
  // a second sign, which from_chars would otherwise take.
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.')) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
#if OSTREVIN_PORTABLE_NUMBERS
  const auto [ptr, ec] =
      fast_float::from_chars(text.data(), end, value, fast_float::chars_format::general);
  // fast_float rounds a value beyond a double's range to infinity or zero
  // without an error: refuse both, as std::from_chars does.
  const std::string_view mantissa = text.substr(0, text.find_first_of("eE"));
  if (value == 0 && mantissa.find_first_of("123456789") != std::string_view::npos) {
    return std::nullopt;
  }
#else
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
#endif
  if (ec != std::errc{} || ptr != end || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

#if OSTREVIN_PORTABLE_NUMBERS
namespace {

// The shortest digits that read back as `value`, and the decimal exponent of
// the first: 6.1 is {"61", 0}, 0.00125 {"125", -3}. Rounded exactly to d
// digits, a double that reads back at d reads back at d + 1 (the nearer
// decimal of d + 1 digits is never farther), so the fewest are found by
// bisection over 1 to 17 (checked against trying each in turn over every
// power of two and its neighbours and 600,000 other doubles: no difference).
std::pair<std::string, int> ShortestDigits(double value) {
  const auto written = [value](int digits) {
    return fmt::format(FMT_COMPILE("{:.{}e}"), value, digits - 1);
  };
  const auto readsBack = [value](const std::string& text) {
    double back = 0;
    fast_float::from_chars(text.data(), text.data() + text.size(), back);
    return back == value;
  };
  // 17 digits always read back; the fewest that do, by bisection.
  int low = 1;
  int high = 17;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (readsBack(written(middle))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  const std::string scientific = written(high);
  const std::size_t e = scientific.find('e');
  std::string digits = scientific.substr(0, e);
  std::erase(digits, '.');
  std::erase(digits, '-');
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return {digits, std::stoi(scientific.substr(e + 1))};
}

// `digits` with the first at 10^exponent, in fixed notation.
std::string Fixed(const std::string& digits, int exponent) {
  if (exponent < 0)
    return "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  const auto point = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= point) return digits + std::string(point - digits.size(), '0');
  return digits.substr(0, point) + "." + digits.substr(point);
}

// As printf's %e with the exponent of two digits at least: 1e-07, 1.5e+20.
std::string Scientific(const std::string& digits, int exponent) {
  std::string text = digits.substr(0, 1);
  if (digits.size() > 1) text += "." + digits.substr(1);
  const std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
  return text + (exponent < 0 ? "e-" : "e+") + (power.size() < 2 ? "0" : "") + power;
}

}  // namespace
#endif

std::string FormatNumber(double value) {
  const double magnitude = std::fabs(value);
  const bool plain = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e15);
#if OSTREVIN_PORTABLE_NUMBERS
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  const auto [digits, exponent] = ShortestDigits(magnitude);
  const std::string sign = value < 0 ? "-" : "";
  return sign + (plain ? Fixed(digits, exponent) : Scientific(digits, exponent));
#else
  std::array<char, 64> buffer{};
  const auto format = plain ? std::chars_format::fixed : std::chars_format::general;
  const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
  if (ec != std::errc{}) return {};
  return {buffer.data(), ptr};
#endif
}

namespace {

// One conversion of a double: "f", "e" or "g" with an optional precision.
std::optional<std::string> Convert(std::string_view spec, double value) {
  int precision = 6;
  if (spec.size() > 1 && spec.front() == '.') {
    const auto [ptr, ec] = std::from_chars(spec.data() + 1, spec.data() + spec.size(), precision);
    if (ec != std::errc{} || precision > 100) return std::nullopt;
    spec.remove_prefix(static_cast<std::size_t>(ptr - spec.data()));
  }
  if (spec.size() != 1) return std::nullopt;
#if OSTREVIN_PORTABLE_NUMBERS
  switch (spec.front()) {
    case 'f':
      return fmt::format(FMT_COMPILE("{:.{}f}"), value, precision);
    case 'e':
      return fmt::format(FMT_COMPILE("{:.{}e}"), value, precision);
    case 'g':
      return fmt::format(FMT_COMPILE("{:.{}g}"), value, precision);
    default:
      return std::nullopt;
  }
#else
  std::chars_format format{};
  switch (spec.front()) {
    case 'f':
      format = std::chars_format::fixed;
      break;
    case 'e':
      format = std::chars_format::scientific;
      break;
    case 'g':
      format = std::chars_format::general;
      break;
    default:
      return std::nullopt;
  }
  std::array<char, 512> buffer{};
  const auto [ptr, ec] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  if (ec != std::errc{}) return std::nullopt;
  return std::string(buffer.data(), ptr);
#endif
}

}  // namespace

std::string FormatDouble(std::string_view format, double value) {
  std::string out;
  bool converted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    const std::size_t end = format.find_first_of("feg", i + 1);
    if (converted || end == std::string_view::npos) return {};
    const auto text = Convert(format.substr(i + 1, end - i), value);
    if (!text) return {};
    out += *text;
    converted = true;
    i = end;
  }
  return out;
}

}  // namespace ostrevin
