// The command line's tables and parser, message escaping, and the curve's
// data: in-process, without starting the program.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/calculation.h"
#include "calc/command_line.h"
#include "calc/curve.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {
namespace {

std::variant<ParsedCommand, std::string> Parse(std::string_view command,
                                               std::vector<std::string> arguments) {
  return ParseCommandLine(*FindCommand(command), arguments);
}

std::string ErrorOf(std::string_view command, std::vector<std::string> arguments) {
  const auto parsed = Parse(command, std::move(arguments));
  const auto* error = std::get_if<std::string>(&parsed);
  return error == nullptr ? "(accepted)" : *error;
}

TEST(CommandLine, EachCommandTakesOnlyItsOwnOptionsOnce) {
  const struct {
    const char* command;
    std::vector<std::string> arguments;
    const char* error;
  } rows[] = {
      {"resistance",
       {"--rho", "1", "--diameter", "1", "--length", "3", "--svg", "x.svg"},
       "\"--svg\" is not an option of resistance (see ostrevin-calc resistance --help)"},
      {"curve",
       {"--rho", "1", "--diameter", "1", "--csv", "--json"},
       "\"--json\" is not an option of curve (see ostrevin-calc curve --help)"},
      {"batch",
       {"--json"},
       "\"--json\" is not an option of batch (see ostrevin-calc batch --help)"},
      {"length", {"--rho", "2000", "--rho", "3000"}, "--rho is given twice"},
      {"length", {"--rho=2000", "--rho", "3000"}, "--rho is given twice"},
      {"length", {"--diameter", "1", "--target", "1", "--rho"}, "--rho needs a value"},
      {"length", {"--rho", "--diameter", "1"}, "--rho needs a value"},
      {"rho", {"--spacing", "3", "--reading", "1", "--json=yes"}, "--json takes no value"},
      {"rho", {"--spacing", "3", "--reading", "1", "-x"}, "\"-x\" is not an option of rho"},
      {"rho", {"--spacing", "3", "--reading", "1", "extra"}, "unexpected argument \"extra\""},
      {"batch", {"a.csv", "b.csv"}, "unexpected argument \"b.csv\""},
      {"rho", {"--spacing", "3"}, "--reading is missing"},
      {"rho", {"--spacing", "3", "--reading", "-1"}, "(accepted)"},  // ranges come later
      {"curve", {"--rho", "1", "--diameter", "1", "--svg", "-"}, "(accepted)"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ErrorOf(row.command, row.arguments), row.error) << row.command;
  }
}

TEST(CommandLine, HelpAfterAnyCommandAndFileNamesKeptAsBytes) {
  for (const CommandSpec& command : Commands()) {
    for (const char* help : {"-h", "--help"}) {
      const auto parsed = Parse(command.name, {"--bogus-but-help-wins", help});
      EXPECT_TRUE(std::holds_alternative<std::string>(parsed));  // a foreign option still fails
      const auto asked = Parse(command.name, {help});
      ASSERT_TRUE(std::holds_alternative<ParsedCommand>(asked)) << command.name;
      EXPECT_TRUE(std::get<ParsedCommand>(asked).help);
    }
  }
  const std::string latin1 = "r\xe9sultat.csv";  // not UTF-8
  const auto parsed = Parse("batch", {latin1, "--separator=;"});
  ASSERT_TRUE(std::holds_alternative<ParsedCommand>(parsed));
  EXPECT_EQ(std::get<ParsedCommand>(parsed).positional.front(), latin1);
  EXPECT_EQ(std::get<ParsedCommand>(parsed).Value("separator"), ";");
}

TEST(CommandLine, HelpPrintsTheRangesOfTheFields) {
  const std::string help = HelpText(*FindCommand("length"));
  EXPECT_NE(help.find("Usage: ostrevin-calc length --rho R --diameter D --target T [--units U] "
                      "[--json]\n"),
            std::string::npos);
  EXPECT_NE(
      help.find("  --rho R        soil resistivity, ohm-cm (0.0001 to 1000000); or 20ohm-m\n"),
      std::string::npos);
  EXPECT_NE(help.find("(0.000001 to 1000000000)"), std::string::npos);
  EXPECT_NE(help.find("within 0.2 ohm"), std::string::npos);
  EXPECT_NE(help.find("up to 9999.9 m"), std::string::npos);
  EXPECT_NE(UsageText().find("  curve        resistance against rod length"), std::string::npos);
}

TEST(Quoted, EscapesWhatATerminalWouldObey) {
  EXPECT_EQ(Quoted("0,5"), "\"0,5\"");
  EXPECT_EQ(Quoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Quoted("\x1b]0;owned\x07\n\t\r"), "\"\\x1b]0;owned\\x07\\n\\t\\r\"");
  EXPECT_EQ(Quoted("\x7f"), "\"\\x7f\"");
  EXPECT_EQ(Quoted("\xc2\x9b"
                   "31m"),
            "\"\\u009b31m\"");                                                    // C1 CSI
  EXPECT_EQ(Quoted("caf\xc3\xa9 \xe2\x84\xa6"), "\"caf\xc3\xa9 \xe2\x84\xa6\"");  // UTF-8 kept
  EXPECT_EQ(Quoted("\xe9t\xc3"), "\"\\xe9t\\xc3\"");                              // not UTF-8
  EXPECT_EQ(Quoted("\xed\xa0\x80"), "\"\\xed\\xa0\\x80\"");                       // a surrogate
}

TEST(Curve, ShowsTheLengthsPeopleDriveWithThePeakAsItsHighestPoint) {
  const Curve english = MakeCurve(2000, 0.625, English, 10.0);  // found 6.1 ft: up to 30 ft
  EXPECT_DOUBLE_EQ(english.points.back().first, LengthToMetres(30, English));
  const Curve metric = MakeCurve(2000, 0.016, Metric, std::nullopt);
  EXPECT_DOUBLE_EQ(metric.points.back().first, 10.0);
  const Curve deep = MakeCurve(2000, 0.016, Metric, 2.0);  // found beyond 10 m: three times it
  ASSERT_GT(*deep.foundMetres, 10 / 3.0);
  EXPECT_DOUBLE_EQ(deep.points.back().first, 3 * *deep.foundMetres);
  for (const Curve* curve : {&english, &metric, &deep}) {
    const auto highest =
        std::ranges::max_element(curve->points, {}, &std::pair<double, double>::second);
    EXPECT_EQ(highest->second, curve->peakOhms);
    EXPECT_NE(std::ranges::find(curve->points, std::pair(curve->peakMetres, curve->peakOhms)),
              curve->points.end());
  }
  // 217.089 ohms at the formula's peak; the window's 1 mm steps reach 217.052.
  EXPECT_DOUBLE_EQ(english.peakOhms, 217.089);
  EXPECT_EQ(english.scanPeakOhms, 217.052);
  EXPECT_EQ(CurveCsv(english).substr(0, 34), "length_m,length_ft,ohms\n0.0053975,");
}

std::vector<std::string> Labels(const std::vector<Tick>& ticks) {
  std::vector<std::string> labels;
  for (const Tick& tick : ticks) labels.push_back(tick.label);
  return labels;
}

TEST(Curve, TickLabelsAreRoundedToTheirStep) {
  using Strings = std::vector<std::string>;
  EXPECT_EQ(Labels(LinearTicks(0.33, 6)), (Strings{"0", "0.1", "0.2", "0.3", "0.4"}));
  EXPECT_EQ(Labels(LinearTicks(0.3, 6)),
            (Strings{"0", "0.05", "0.10", "0.15", "0.20", "0.25", "0.30"}));
  EXPECT_EQ(Labels(LinearTicks(238.8, 6)), (Strings{"0", "50", "100", "150", "200", "250"}));
  EXPECT_EQ(Labels(LinearTicks(0.6, 6)), (Strings{"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6"}));
  const std::vector<Tick> log = LogTicks(0.0054, 30);
  EXPECT_EQ(std::ranges::count_if(log, [](const Tick& t) { return !t.label.empty(); }), 4);
  EXPECT_EQ(log.front().value, 0.006);  // a minor tick
  EXPECT_EQ(Labels(LogTicks(0.01, 10))[0], "0.01");
  EXPECT_EQ(Labels(LogTicks(3, 60)),
            (Strings{"", "", "5", "", "", "", "", "10", "20", "", "", "50", ""}));
}

}  // namespace
}  // namespace ostrevin::calc

namespace ostrevin::calc {
namespace {

// A mode's calculation from option texts, as the command line runs it.
std::variant<Outcome, std::string> RunMode(std::string_view mode,
                                           std::map<std::string, std::string, std::less<>> options,
                                           int units = Metric) {
  return Calculate(
      *FindMode(mode),
      [&](std::string_view name) -> std::optional<std::string_view> {
        const auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
      },
      units);
}

std::string Json(const std::variant<Outcome, std::string>& result) {
  const auto* outcome = std::get_if<Outcome>(&result);
  return outcome == nullptr ? "error: " + std::get<std::string>(result) : ToJson(*outcome);
}

TEST(RodCommands, PrintTheWorkedExamples) {
  const struct {
    const char* name;
    std::string_view mode;
    std::map<std::string, std::string, std::less<>> options;
    int units;
    const char* expected;  // a part of the JSON, or of the error
  } rows[] = {
      {"DwightSixMetres",
       "group",
       {{"rho", "200ohm-m"},
        {"diameter", "20mm"},
        {"length", "3"},
        {"layout", "line"},
        {"spacing", "6"},
        {"rods", "2"}},
       Metric,
       "\"single_ohms\":64.61772214821426,\"lambda\":1,\"rods\":2,\"dwight_ohms\":34.80"},
      {"DwightSevenMetres",
       "group",
       {{"rho", "20000"},
        {"diameter", "0.02"},
        {"length", "3"},
        {"layout", "line"},
        {"spacing", "7"},
        {"rods", "2"}},
       Metric,
       "\"dwight_ohms\":34.47"},
      {"EnglishWithMetricUnits",
       "group",
       {{"rho", "200ohm-m"},
        {"diameter", "20mm"},
        {"length", "3m"},
        {"layout", "line"},
        {"spacing", "6m"},
        {"rods", "2"}},
       English,
       "\"dwight_ohms\":34.80"},
      {"PointsGiveTheLine",
       "group",
       {{"rho", "20000"},
        {"diameter", "0.02"},
        {"length", "3"},
        {"layout", "points"},
        {"at", "0,0 6,0 12,0"}},
       Metric,
       "\"lambda\":1.6666666666666667,\"rods\":3"},
      {"Wenner20Feet",
       "rho",
       {{"spacing", "20"}, {"reading", "2"}},
       English,
       "\"result\":\"7660\""},
      {"WennerDepthZeroIsTodays",
       "rho",
       {{"spacing", "3"}, {"reading", "1"}, {"depth", "0"}},
       English,
       "\"result\":\"574.534\",\"unit\":\"ohm-cm\",\"ohm_cm\":574.534}"},
      {"FromADrivenRod",
       "rho",
       {{"rod-length", "3"}, {"diameter", "20mm"}, {"reading", "64.6"}},
       Metric,
       "\"result\":\"19995\""},
      {"FewestRods",
       "rods",
       {{"rho", "200ohm-m"},
        {"diameter", "16mm"},
        {"length", "3"},
        {"layout", "line"},
        {"spacing", "6"},
        {"target", "10"}},
       Metric,
       "\"result\":\"9\",\"unit\":\"rods\",\"rods\":9,\"ohms\":9.59"},
      {"TwentyFiveOhmRule",
       "check",
       {{"rho", "10000"}, {"diameter", "0.625"}, {"length", "8"}},
       English,
       "\"sufficient\":false,\"second_rod_6ft_ohms\":23.26"},
      {"RodsOfATriangle",
       "group",
       {{"rho", "1"},
        {"diameter", "1"},
        {"length", "3"},
        {"layout", "triangle"},
        {"spacing", "3"},
        {"rods", "3"}},
       Metric,
       "error: --rods does not go with --layout triangle"},
      {"TwoWaysToRho",
       "rho",
       {{"rod-length", "3"}, {"diameter", "0.02"}, {"reading", "1"}, {"spacing", "1"}},
       Metric,
       "error: --rod-length measures a driven rod"},
      {"UnknownUnit",
       "group",
       {{"rho", "20furlongs"}, {"diameter", "1"}, {"length", "3"}, {"layout", "line"}},
       Metric,
       "error: --rho: unknown unit \"furlongs\" (ohm-cm or ohm-m)"},
      {"HalfARod",
       "group",
       {{"rho", "1"},
        {"diameter", "1"},
        {"length", "3"},
        {"layout", "line"},
        {"spacing", "3"},
        {"rods", "2.5"}},
       Metric,
       "error: --rods needs a whole number between 1 and 1000, not \"2.5\""},
  };
  for (const auto& row : rows) {
    const std::string json = Json(RunMode(row.mode, row.options, row.units));
    EXPECT_NE(json.find(row.expected), std::string::npos) << row.name << ": " << json;
  }
}

TEST(RodCommands, QuantitiesCarryTheirUnits) {
  std::string error;
  const auto read = [&](const char* name, const char* text, int units) {
    return ReadQuantity(*FindQuantity(name), text, "--", error, units);
  };
  EXPECT_EQ(read("rho", "20ohm-m", English), 2000);
  EXPECT_EQ(read("rho", "2000 OHM-CM", English), 2000);
  EXPECT_EQ(read("diameter", "16mm", Metric), 0.016);
  EXPECT_EQ(read("diameter", "0.625in", English), 0.625);
  EXPECT_EQ(read("length", "8ft", English), 8);
  EXPECT_EQ(read("length", "12in", English), 1);
  EXPECT_DOUBLE_EQ(*read("length", "8ft", Metric), 2.4384);
  EXPECT_EQ(read("reading", "2ohms", English), 2);
  EXPECT_EQ(read("diameter", "10m", Metric), 10);
  EXPECT_FALSE(read("diameter", "11m", Metric));  // the field's range, after the unit
  EXPECT_EQ(error, "--diameter needs a number between 0.001 and 10, not \"11m\"");
}

}  // namespace
}  // namespace ostrevin::calc
