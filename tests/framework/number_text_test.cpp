#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "framework/number_text.h"
#include "framework/resources.h"

namespace ostrevin::fw {
namespace {

struct ParseRow {
  const char* name;
  const char* text;
  std::optional<double> value;
  friend void PrintTo(const ParseRow& row, std::ostream* os) { *os << row.name; }
};

class ParseNumberTest : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseNumberTest, Reads) { EXPECT_EQ(ParseNumber(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseNumberTest,
    testing::Values(
        ParseRow{"Integer", "2000", 2000.0}, ParseRow{"Decimal", "6.1", 6.1},
        ParseRow{"Blanks", " \t0.625 \t", 0.625}, ParseRow{"PlusSign", "+3", 3.0},
        ParseRow{"MinusSign", "-0.5", -0.5}, ParseRow{"LeadingPoint", ".5", 0.5},
        ParseRow{"TrailingPoint", "5.", 5.0}, ParseRow{"Exponent", "1E-3", 0.001},
        ParseRow{"ExponentPlus", "1e+9", 1e9},
        ParseRow{"LargestDouble", "1.7976931348623157e308", std::numeric_limits<double>::max()},
        ParseRow{"Empty", "", std::nullopt}, ParseRow{"OnlyBlanks", "  ", std::nullopt},
        ParseRow{"Word", "abc", std::nullopt}, ParseRow{"Nan", "nan", std::nullopt},
        ParseRow{"Inf", "inf", std::nullopt},
        ParseRow{"NegativeInfinity", "-Infinity", std::nullopt},
        ParseRow{"Hex", "0x10", std::nullopt}, ParseRow{"DecimalComma", "1,5", std::nullopt},
        ParseRow{"TrailingGarbage", "1.5x", std::nullopt},
        ParseRow{"InnerBlank", "1 2", std::nullopt}, ParseRow{"DoubleSign", "+-1", std::nullopt},
        ParseRow{"LonePoint", ".", std::nullopt}, ParseRow{"BareExponent", "e5", std::nullopt},
        ParseRow{"DanglingExponent", "1e", std::nullopt},
        ParseRow{"Overflow", "1e400", std::nullopt},
        ParseRow{"NegativeOverflow", "-1e400", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseNumber, RejectsEmbeddedNulInsideText) {
  EXPECT_EQ(ParseNumber(std::string_view("1\0"
                                         "2",
                                         3)),
            std::nullopt);
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

TEST(Format, PrintfStyleConversionsOfOneDouble) {
  EXPECT_EQ(Format("%f", 17.868), "17.868000");
  EXPECT_EQ(Format("%.3f", 6.1), "6.100");
  EXPECT_EQ(Format("%.3f m", 1.856), "1.856 m");
  EXPECT_EQ(Format("%.0f", 1885.0), "1885");
  EXPECT_EQ(Format("%e", 1500.0), "1.500000e+03");
  EXPECT_EQ(Format("100%% %g", 0.5), "100% 0.5");
  EXPECT_EQ(Format("na", 0.0), "na");
  EXPECT_EQ(Format("%f", 1e308).size(), 316u);  // 309 digits, a point, six decimals
}

TEST(Format, RefusesWhatItCannotFormatSafely) {
  EXPECT_EQ(Format("%d", 1.0), "");
  EXPECT_EQ(Format("%s", 1.0), "");
  EXPECT_EQ(Format("%f %f", 1.0), "");
  EXPECT_EQ(Format("%", 1.0), "");
  EXPECT_EQ(Format("%.999f", 1.0), "");
}

}  // namespace
}  // namespace ostrevin::fw
