// The command table and parser, and the curve's data and chart: in-process,
// without starting the program.
#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "calc/curve.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {
namespace {

using enum ostrevin::UnitSystem;

Result<ParsedCommand> Parse(std::string_view command, std::vector<std::string> arguments) {
  return ParseCommandLine(*FindCommand(command), arguments);
}

std::string ErrorOf(std::string_view command, std::vector<std::string> arguments) {
  const Result<ParsedCommand> parsed = Parse(command, std::move(arguments));
  return parsed ? "(accepted)" : parsed.why();
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
      {"resistance",
       {"--rho", "1", "--diamter", "1", "--length", "3"},
       "\"--diamter\" is not an option of resistance: did you mean --diameter? (see "
       "ostrevin-calc resistance --help)"},
      {"curve",
       {"--rho", "1", "--diameter", "1", "--csv", "--json"},
       "\"--json\" is not an option of curve (see ostrevin-calc curve --help)"},
      {"length", {"--rho", "2000", "--rho", "3000"}, "--rho is given twice"},
      {"length", {"--rho=2000", "--rho", "3000"}, "--rho is given twice"},
      {"length", {"--diameter", "1", "--target", "1", "--rho"}, "--rho needs a value"},
      {"length", {"--rho", "--diameter", "1"}, "--rho needs a value"},
      {"rho", {"--spacing", "3", "--reading", "1", "--json=yes"}, "--json takes no value"},
      {"rho",
       {"--spacing", "3", "--reading", "1", "-x"},
       "\"-x\" is not an option of rho (see ostrevin-calc rho --help)"},
      {"rho",
       {"--spacing", "3", "--reading", "1", "extra"},
       "unexpected argument \"extra\" (see ostrevin-calc rho --help)"},
      {"batch",
       {"a.csv", "b.csv"},
       "unexpected argument \"b.csv\" (see ostrevin-calc batch --help)"},
      {"rho", {"--spacing", "3"}, "--reading is missing (see ostrevin-calc rho --help)"},
      {"rho", {"--spacing", "3", "--reading", "-1"}, "(accepted)"},  // ranges come later
      {"curve", {"--rho", "1", "--diameter", "1", "--svg", "-"}, "(accepted)"},
      {"group", {"--bogus", "--help"}, "(accepted)"},  // help wins
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ErrorOf(row.command, row.arguments), row.error) << row.command;
  }
}

TEST(CommandLine, HelpAfterAnyCommandAndFileNamesKeptAsBytes) {
  for (const Command& command : Commands()) {
    for (const char* help : {"-h", "--help"}) {
      const auto asked = Parse(command.name, {"--bogus-but-help-wins", help});
      ASSERT_TRUE(asked) << command.name;
      EXPECT_TRUE(asked->help);
    }
    EXPECT_TRUE(command.run != nullptr) << command.name;
  }
  const std::string latin1 = "r\xe9sultat.csv";  // not UTF-8
  const auto parsed = Parse("batch", {latin1, "--separator=;"});
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->positional.front(), latin1);
  EXPECT_EQ(parsed->Value("separator"), ";");
}

TEST(CommandLine, EveryHelpFitsATerminalOf80Columns) {
  // The manual page is made from these: a longer line runs off the page.
  std::vector<std::string> texts{UsageText()};
  for (const Command& command : Commands()) texts.push_back(HelpText(command));
  for (const std::string& text : texts) {
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = std::min(text.find('\n', at), text.size());
      EXPECT_LE(end - at, 79u) << text.substr(at, end - at);
      at = end + 1;
    }
  }
  EXPECT_EQ(Wrapped("aaaa bbbb", 2, 72), "aaaa\n  bbbb");  // 72 + 4 + 1 + 4 is 81
  EXPECT_EQ(Wrapped("aaa bbbb", 2, 71), "aaa bbbb");      // 71 + 3 + 1 + 4 is 79
}

TEST(CommandLine, OneTableForCommandsBatchModesAndHelp) {
  // Every calculation is a command running it, with its own options.
  for (const Calculation& calculation : Calculations()) {
    const Command* command = FindCommand(calculation.name);
    ASSERT_NE(command, nullptr) << calculation.name;
    EXPECT_EQ(command->calculation, &calculation);
    // The calculation's options in its order; the command adds only the
    // outline's file beside the outline, the survey beside the soil, and
    // the job's options at the end.
    std::vector<std::string_view> own;
    for (const Option& option : command->options) {
      if (option.name != "outline-file" && option.name != "survey") own.push_back(option.name);
    }
    ASSERT_GE(own.size(), 2u);
    EXPECT_EQ(own.back(), "save-job");
    own.resize(own.size() - 2);
    std::vector<std::string_view> theirs;
    for (const Option& option : calculation.options) theirs.push_back(option.name);
    EXPECT_EQ(own, theirs) << calculation.name;
    EXPECT_NE(HelpText(*FindCommand("batch")).find("  " + std::string(calculation.name)),
              std::string::npos);
  }
  const std::string help = HelpText(*FindCommand("length"));
  // An option and its value are never parted by the wrapping.
  EXPECT_NE(help.find("Usage: ostrevin-calc length [--rho R] [--survey FILE] [--layers RHO1,H,RHO2]\n"
                      "      [--season-factor F] [--season-layers L] [--frost DEPTH,RHO] "
                      "--diameter D\n      --target T [--units U] [--job JOB] [--save-job FILE] [--json]\n"),
            std::string::npos)
      << help;
  EXPECT_NE(
      help.find("  --rho R        soil resistivity, ohm-cm (0.0001 to 1000000); or 20ohm-m\n"),
      std::string::npos);
  EXPECT_NE(help.find("within 0.2 ohm"), std::string::npos);
  EXPECT_NE(help.find("up to 9999.9 m"), std::string::npos);
  const std::string batch = HelpText(*FindCommand("batch"));
  EXPECT_NE(batch.find("  check       rho, layers, rho1, h, rho2, season-factor, season-layers, frost,\n"
                       "              diameter, length, code, rcd, ul\n"),
            std::string::npos)
      << batch;
  EXPECT_NE(batch.find("result, unit, value, error, sufficient,\nsecond_rod_6ft_ohms, "
                       "second_rod_2l_ohms, gpr_volts, mesh_volts, step_volts,\n"),
            std::string::npos);
  EXPECT_NE(UsageText().find("  curve        resistance against rod length"), std::string::npos);
  EXPECT_EQ(UnknownCommand("lenght"),
            "unknown command \"lenght\": did you mean length? (ostrevin-calc help lists the "
            "commands)");
}

TEST(Curve, CoversTheLengthsRodsComeIn) {
  const Curve english = MakeCurve(2000, 0.625, English, 10.0);  // found 6.1 ft: 1 to 30 ft
  EXPECT_DOUBLE_EQ(english.points.front().first, LengthToMetres(1, English));
  EXPECT_DOUBLE_EQ(english.points.back().first, LengthToMetres(30, English));
  const Curve metric = MakeCurve(2000, 0.016, Metric, std::nullopt);
  EXPECT_DOUBLE_EQ(metric.points.front().first, 0.3);
  EXPECT_DOUBLE_EQ(metric.points.back().first, 10.0);
  const Curve deep = MakeCurve(2000, 0.016, Metric, 2.0);  // found beyond 10 m: three times it
  ASSERT_GT(*deep.foundMetres, 10 / 3.0);
  EXPECT_DOUBLE_EQ(deep.points.back().first, 3 * *deep.foundMetres);
  // The peak lies far below a foot: not drawn, and the axis is not squashed by it.
  EXPECT_EQ(std::ranges::find(english.points, std::pair(english.peakMetres, english.peakOhms)),
            english.points.end());
  const Chart chart = CurveChart(english, false);
  EXPECT_LT(chart.y.max, 100);
  EXPECT_EQ(chart.markers.size(), 1u);  // the length found, no peak
  // Asked to, the range holds the peak: it is the highest point and marked.
  const Curve wide = MakeCurve(2000, 0.625, English, 10.0, {0.001, 30.0});
  const auto highest =
      std::ranges::max_element(wide.points, {}, &std::pair<double, double>::second);
  EXPECT_EQ(highest->second, wide.peakOhms);
  // 217.089 ohms at the formula's peak; the window's 1 mm steps reach 217.052.
  EXPECT_DOUBLE_EQ(wide.peakOhms, 217.089);
  EXPECT_EQ(wide.scanPeakOhms, 217.052);
  EXPECT_EQ(
      CurveChart(wide, false).markers.front().label,
      "peak 217.089 ohms at 0.048 ft\nthe window's scan, in 1 mm steps, reaches 217.052 ohms");
  EXPECT_EQ(CurveCsv(english).substr(0, 44), "length_m,length_ft,ohms\n0.30479999999999996,");
  EXPECT_TRUE(english.notes.empty());
}

TEST(Curve, SaysWhereTheFormulaDoesNotHoldAndKeepsItsDigits) {
  // A range below where the formula has a value: moved, and said; below ten
  // radii the formula is outside its validity, and that is said too.
  const Curve tiny = MakeCurve(2000, 0.625, English, std::nullopt, {0.0001, 0.00010001});
  ASSERT_EQ(tiny.notes.size(), 3u);
  EXPECT_EQ(tiny.notes[0],
            "the rod formula has no value below 0.018 ft (e/4 of the radius): the curve starts "
            "there, not at 0.0001 ft");
  EXPECT_EQ(tiny.notes[1], "the range is drawn from 0.018 ft to 0.177 ft");
  EXPECT_TRUE(tiny.notes[2].starts_with("below 0.260 ft (10 radii) the rod is no slender rod"));
  EXPECT_EQ(CurveChart(tiny, false).notes, tiny.notes);
  // Low resistivity: thousandths would all be 0; six significant digits are not.
  const std::string csv = CurveCsv(MakeCurve(0.1, 0.625, English, std::nullopt));
  EXPECT_TRUE(csv.starts_with("length_m,length_ft,ohms\n0.30479999999999996,1,0.00210658\n")) << csv;
}

std::vector<std::string> Labels(const std::vector<Tick>& ticks) {
  std::vector<std::string> labels;
  for (const Tick& tick : ticks) labels.push_back(tick.label);
  return labels;
}

TEST(Chart, TickLabelsAreRoundedToTheirStep) {
  using Strings = std::vector<std::string>;
  EXPECT_EQ(Labels(LinearTicks(0.33, 6)), (Strings{"0", "0.1", "0.2", "0.3", "0.4"}));
  EXPECT_EQ(Labels(LinearTicks(0.3, 6)),
            (Strings{"0", "0.05", "0.10", "0.15", "0.20", "0.25", "0.30"}));
  EXPECT_EQ(Labels(LinearTicks(238.8, 6)), (Strings{"0", "50", "100", "150", "200", "250"}));
  const std::vector<Tick> log = LogTicks(0.0054, 30);
  EXPECT_EQ(std::ranges::count_if(log, [](const Tick& t) { return !t.label.empty(); }), 4);
  EXPECT_EQ(log.front().value, 0.006);  // a minor tick
  EXPECT_EQ(Labels(LogTicks(3, 60)),
            (Strings{"", "", "5", "", "", "", "", "10", "20", "", "", "50", ""}));
}

// The curve's segments and the boxes of the labels placed beside it, read
// back from the SVG.
struct Drawn {
  std::vector<std::pair<double, double>> curve;
  std::vector<std::array<double, 4>> labels;  // left, top, right, bottom
};

Drawn ReadBack(const std::string& svg) {
  Drawn drawn;
  // The value of attribute `name` in the tag that starts at `from`.
  const auto attribute = [&svg](std::size_t from, const std::string& name) {
    const std::size_t end = svg.find('>', from);
    const std::size_t at = svg.find(" " + name + "='", from);
    if (at == std::string::npos || at > end) return std::string();
    const std::size_t start = at + name.size() + 3;
    return svg.substr(start, svg.find('\'', start) - start);
  };
  if (const std::size_t at = svg.find("<polyline"); at != std::string::npos) {
    std::istringstream points(attribute(at, "points"));
    double x = 0, y = 0;
    char comma = 0;
    while (points >> x >> comma >> y) drawn.curve.emplace_back(x, y);
  }
  for (std::size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
    if (attribute(at, "text-anchor") != "start") continue;
    const std::size_t open = svg.find('>', at) + 1;
    const std::string text = svg.substr(open, svg.find('<', open) - open);
    const double x = std::stod(attribute(at, "x")), y = std::stod(attribute(at, "y"));
    drawn.labels.push_back({x, y - 13, x + TextWidth(text, 13), y + 3});
  }
  return drawn;
}

bool Crosses(std::pair<double, double> a, std::pair<double, double> b,
             const std::array<double, 4>& box) {
  // Sampled finely: the segments are short.
  for (int i = 0; i <= 20; ++i) {
    const double x = a.first + (b.first - a.first) * i / 20,
                 y = a.second + (b.second - a.second) * i / 20;
    if (x > box[0] && x < box[2] && y > box[1] && y < box[3]) return true;
  }
  return false;
}

TEST(Chart, LabelsStayClearOfTheCurve) {
  for (const UnitSystem units : {English, Metric}) {
    for (const double target : {10.0, 30.0, 100.0}) {
      for (const bool logOhms : {false, true}) {
        const Curve curve = MakeCurve(2000, units == English ? 0.625 : 0.016, units, target,
                                      {units == English ? 0.01 : 0.003, std::nullopt});
        const Drawn drawn = ReadBack(ToSvg(CurveChart(curve, logOhms)));
        ASSERT_GT(drawn.curve.size(), 100u);
        ASSERT_GE(drawn.labels.size(), 2u);  // the target, the length found, the peak
        for (const auto& box : drawn.labels) {
          for (std::size_t i = 1; i < drawn.curve.size(); ++i) {
            ASSERT_FALSE(Crosses(drawn.curve[i - 1], drawn.curve[i], box))
                << "units " << UnitSystemName(units) << " target " << target << " log " << logOhms;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace ostrevin::calc
