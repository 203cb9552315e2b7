#include "framework/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace ostrevin::fw {

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

}  // namespace ostrevin::fw
