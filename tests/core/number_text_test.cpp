#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "core/number_text.h"

namespace ostrevin {
namespace {

TEST(ParseNumber, ReadsDecimalTextWithBlanksSignAndExponent) {
  const std::pair<const char*, double> rows[] = {
      {"2000", 2000.0},
      {"6.1", 6.1},
      {" \t0.625 \t", 0.625},
      {"+3", 3.0},
      {"-0.5", -0.5},
      {".5", 0.5},
      {"5.", 5.0},
      {"1E-3", 0.001},
      {"1e+9", 1e9},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()}};
  for (const auto& [text, value] : rows) EXPECT_EQ(ParseNumber(text), value) << text;
}

TEST(ParseNumber, EverythingElseIsNotANumber) {
  for (const char* text : {"", "  ", "abc", "nan", "inf", "-Infinity", "0x10", "1,5", "1.5x", "1 2",
                           "+-1", ".", "e5", "1e", "1e400", "-1e400"}) {
    EXPECT_EQ(ParseNumber(text), std::nullopt) << '"' << text << '"';
  }
  EXPECT_EQ(ParseNumber(std::string_view("1\0002", 3)), std::nullopt);  // an embedded NUL
}

TEST(FormatNumber, WritesTheShortestExactText) {
  EXPECT_EQ(FormatNumber(6.1), "6.1");
  EXPECT_EQ(FormatNumber(2000), "2000");
  EXPECT_EQ(FormatNumber(0.0001), "0.0001");
  EXPECT_EQ(FormatNumber(0.000001), "0.000001");
  EXPECT_EQ(FormatNumber(1000000000), "1000000000");
  EXPECT_EQ(FormatNumber(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(1e-7), "1e-07");
  EXPECT_EQ(FormatNumber(1e20), "1e+20");
}

TEST(FormatNumber, ReadsBackToTheSameDouble) {
  std::mt19937_64 random(20261206);
  std::uniform_int_distribution<int> exponent(-320, 308);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  for (int i = 0; i < 20000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    if (!std::isfinite(value)) continue;
    ASSERT_EQ(ParseNumber(FormatNumber(value)), value) << FormatNumber(value);
  }
}

// The texts of 20,000 doubles of every magnitude (their bits drawn from the
// standard's exactly specified engine), hashed: the same on every platform
// and on both paths of number text (std::to_chars, fast_float and {fmt}).
TEST(FormatNumber, TheSameTextOnEveryPlatform) {
  std::mt19937_64 bits(7);
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  const auto mix = [&](const std::string& text) {
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  };
  for (int i = 0; i < 20000; ++i) {
    const double value = std::bit_cast<double>(bits());
    if (!std::isfinite(value)) continue;
    mix(FormatNumber(value));
    if (std::fabs(value) < 1e20) mix(FormatDouble("%.3f", value));
    mix(FormatDouble("%e", value));
    mix(FormatDouble("%.17g", value));
  }
  EXPECT_EQ(hash, 12434964019862938804u);
}

TEST(FormatDouble, PrintfStyleConversionsOfOneDouble) {
  EXPECT_EQ(FormatDouble("%f", 17.868), "17.868000");
  EXPECT_EQ(FormatDouble("%.3f", 6.1), "6.100");
  EXPECT_EQ(FormatDouble("%.3f m", 1.856), "1.856 m");
  EXPECT_EQ(FormatDouble("%.0f", 1885.0), "1885");
  EXPECT_EQ(FormatDouble("%e", 1500.0), "1.500000e+03");
  EXPECT_EQ(FormatDouble("100%% %g", 0.5), "100% 0.5");
  EXPECT_EQ(FormatDouble("na", 0.0), "na");
  EXPECT_EQ(FormatDouble("%f", 1e308).size(), 316u);  // 309 digits, a point, six decimals
}

TEST(FormatDouble, RefusesWhatItCannotFormatSafely) {
  EXPECT_EQ(FormatDouble("%d", 1.0), "");
  EXPECT_EQ(FormatDouble("%s", 1.0), "");
  EXPECT_EQ(FormatDouble("%f %f", 1.0), "");
  EXPECT_EQ(FormatDouble("%", 1.0), "");
  EXPECT_EQ(FormatDouble("%.999f", 1.0), "");
}

}  // namespace
}  // namespace ostrevin
