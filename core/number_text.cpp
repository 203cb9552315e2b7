#include "core/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

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
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (ec != std::errc{} || ptr != end || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::string FormatNumber(double value) {
  std::array<char, 64> buffer{};
  const double magnitude = std::fabs(value);
  const bool plain = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e15);
  const auto format = plain ? std::chars_format::fixed : std::chars_format::general;
  const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
  if (ec != std::errc{}) return {};
  return {buffer.data(), ptr};
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
