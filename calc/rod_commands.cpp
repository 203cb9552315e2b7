// The calculations beyond one rod, as the command line and the batch give
// them: rod groups, the fewest rods for a target, the 25-ohm rule, and the
// soil resistivity from a Wenner reading with deep probes or from a driven
// rod. Inputs come in the unit system's units (or with their own) and go to
// the core in SI units; the formulas are core/rod_groups.h's.
#include <algorithm>
#include <cmath>
#include <limits>

#include "calc/computations.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "core/rod_groups.h"

namespace ostrevin::calc {

namespace {

std::string ShowResistivity(double ohmCm) { return FormatNumber(RoundResistivity(ohmCm)); }

std::string Json(double value) { return FormatNumber(value); }

// "6 ft" or "1.829 m": a length in metres in the unit system's unit.
std::string ShowDistance(double metres, int units) {
  return FormatNumber(RoundTo3Places(LengthFromMetres(metres, units))) + " " +
         std::string(LengthUnit(units));
}

}  // namespace

std::variant<Outcome, std::string> ComputeRho(Inputs& in) {
  const std::optional<double> reading = in.Required("reading");
  if (in.Given("rod-length")) {
    if (in.Given("spacing") || in.Given("depth")) {
      return in.Named("rod-length") + " measures a driven rod; " + in.Named("spacing") + " and " +
             in.Named("depth") + " a four-probe reading: give one or the other";
    }
    const auto length = in.Required("rod-length");
    const auto diameter = in.Required("diameter");
    if (in.error()) return *in.error();
    Outcome outcome =
        StartOutcome("rho", in.units(),
                     {{"rod-length", *length}, {"diameter", *diameter}, {"reading", *reading}});
    outcome.unit = "ohm-cm";
    outcome.valueKey = "ohm_cm";
    outcome.value = ResistivityFromRod(LengthToMetres(*length, in.units()),
                                       RodRadiusMetres(*diameter, in.units()), *reading);
    if (outcome.value) {
      outcome.result = ShowResistivity(*outcome.value);
    } else {
      outcome.reason =
          "the rod is shorter than e/4 of its radius, where the formula does not apply";
    }
    return outcome;
  }
  if (in.Given("diameter")) {
    return in.Named("diameter") + " goes with " + in.Named("rod-length") +
           " (resistivity from a driven rod)";
  }
  const auto spacing = in.Required("spacing");
  const auto depth = in.Optional("depth");
  if (in.error()) return *in.error();
  if (!depth || *depth == 0) return RhoFrom(*spacing, *reading, in.units());
  Outcome outcome = StartOutcome("rho", in.units(),
                                 {{"spacing", *spacing}, {"reading", *reading}, {"depth", *depth}});
  outcome.unit = "ohm-cm";
  outcome.valueKey = "ohm_cm";
  outcome.value = WennerResistivity(LengthToMetres(*spacing, in.units()),
                                    LengthToMetres(*depth, in.units()), *reading);
  outcome.result = ShowResistivity(*outcome.value);
  return outcome;
}

namespace {

// The rod every rod command starts from, in SI units.
struct Rod {
  double rho = 0;  // ohm-cm
  double lengthM = 0, radiusM = 0;
  // cppcheck-suppress unusedStructMember ; read through std::optional<Rod>
  std::vector<std::pair<std::string, double>> inputs;  // as read
};

std::optional<Rod> ReadRod(Inputs& in) {
  const auto rho = in.Required("rho");
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  if (in.error()) return std::nullopt;
  return Rod{*rho,
             LengthToMetres(*length, in.units()),
             RodRadiusMetres(*diameter, in.units()),
             {{"rho", *rho}, {"diameter", *diameter}, {"length", *length}}};
}

// Positions "x,y x,y ..." (or separated by ';'), each coordinate a length.
std::optional<std::vector<RodPoint>> ReadPoints(Inputs& in, std::string_view text) {
  std::string spaced(text);
  std::ranges::replace(spaced, ';', ' ');
  std::vector<RodPoint> points;
  std::size_t at = 0;
  const Quantity coordinate{"at", {0, 100000}, "X", "", Dimension::kLength};
  while ((at = spaced.find_first_not_of(" \t", at)) != std::string::npos) {
    const std::size_t end = std::min(spaced.find_first_of(" \t", at), spaced.size());
    const std::string_view pair = std::string_view(spaced).substr(at, end - at);
    const std::size_t comma = pair.find(',');
    std::string error;
    const auto read = [&](std::string_view part) -> std::optional<double> {
      const bool negative = part.starts_with('-');
      const auto value =
          ReadQuantity(coordinate, part.substr(negative ? 1 : 0), in.Named(""), error, in.units());
      if (!value) return std::nullopt;
      return LengthToMetres(negative ? -*value : *value, in.units());
    };
    const auto x = comma == std::string_view::npos ? std::nullopt : read(pair.substr(0, comma));
    const auto y = x ? read(pair.substr(comma + 1)) : std::nullopt;
    if (!x || !y) {
      return in.Fail(in.Named("at") + " needs positions x,y separated by blanks, not " +
                     Quoted(pair) + (error.empty() ? "" : " (" + error + ")"));
    }
    points.push_back({*x, *y});
    at = end;
  }
  if (points.empty()) return in.Fail(in.Named("at") + " names no position");
  return points;
}

double NearestDistance(const std::vector<RodPoint>& points) {
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = i + 1; j < points.size(); ++j) {
      nearest = std::min(nearest, std::hypot(points[i].x - points[j].x, points[i].y - points[j].y));
    }
  }
  return std::isfinite(nearest) ? nearest : 1.0;
}

// The layout's rod positions and naming spacing (metres), or the error.
struct Layout {
  std::vector<RodPoint> points;
  double spacingM = 0;
};

std::optional<Layout> ReadLayout(Inputs& in, bool lineOrRingOnly) {
  const std::optional<std::string_view> name = in.Text("layout");
  if (!name) return in.Fail(in.Named("layout") + " is missing");
  const std::string layout(*name);
  const bool line = layout == "line";
  const bool ring = layout == "ring";
  const bool square = layout == "square";
  const bool triangle = layout == "triangle";
  const bool points = layout == "points";
  if (lineOrRingOnly ? !(line || ring) : !(line || ring || square || triangle || points)) {
    return in.Fail(in.Named("layout") + " must be " +
                   (lineOrRingOnly ? "line or ring" : "line, triangle, square, ring or points") +
                   ", not " + Quoted(layout));
  }
  const auto refuse = [&](std::string_view option, bool applies) {
    if (!applies && in.Given(option)) {
      in.Fail(in.Named(option) + " does not go with " + in.Named("layout") + " " + layout);
    }
  };
  refuse("rods", (line || ring) && !lineOrRingOnly);
  refuse("per-side", square);
  refuse("at", points);
  Layout result;
  if (points) {
    const auto at = in.Text("at");
    if (!at) return in.Fail(in.Named("at") + " is missing (positions x,y for --layout points)");
    const auto read = ReadPoints(in, *at);
    if (!read) return std::nullopt;
    result.points = *read;
    const auto spacing = in.Optional("spacing");
    result.spacingM =
        spacing ? LengthToMetres(*spacing, in.units()) : NearestDistance(result.points);
    return in.error() ? std::nullopt : std::optional(result);
  }
  const auto spacing = in.Required("spacing");
  std::optional<double> count;
  if ((line || ring) && !lineOrRingOnly) count = in.Required("rods");
  if (square) count = in.Required("per-side");
  if (in.error()) return std::nullopt;
  result.spacingM = LengthToMetres(*spacing, in.units());
  const int n = count ? static_cast<int>(*count) : 0;
  if (line) result.points = LineLayout(n, result.spacingM);
  if (ring) result.points = RingLayout(n, result.spacingM);
  if (square) result.points = HollowSquareLayout(n, result.spacingM);
  if (triangle) result.points = TriangleLayout(result.spacingM);
  return result;
}

const char* kCloseWarning =
    "the rods stand closer than their length: the method is used outside its validity and "
    "overstates what the rods achieve together";

std::variant<Outcome, std::string> ComputeGroup(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  const std::optional<Layout> layout = ReadLayout(in, false);
  if (in.error()) return *in.error();
  Outcome outcome = StartOutcome("group", in.units(), rod->inputs);
  outcome.inputs.emplace_back("spacing", LengthFromMetres(layout->spacingM, in.units()));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  const std::optional<GroupResult> group =
      GroupResistance(rod->rho, rod->lengthM, rod->radiusM, layout->points, layout->spacingM);
  if (!group) {
    outcome.reason = layout->points.size() > 1 && !GroupLambda(layout->points, 1)
                         ? "two rods stand at the same place"
                         : "the rod is shorter than e/4 of its radius, where the formula does not "
                           "apply";
    outcome.fields = {{"single_ohms", "null"}, {"lambda", "null"}, {"rods", "null"}};
    return outcome;
  }
  outcome.value = group->ohms;
  outcome.result = ShowOhms(group->ohms);
  outcome.fields = {{"single_ohms", Json(group->singleOhms)},
                    {"lambda", Json(group->lambda)},
                    {"rods", std::to_string(group->rods)}};
  outcome.details = {std::to_string(group->rods) +
                     " rods; one rod alone: " + ShowOhms(group->singleOhms) +
                     " ohms; group factor lambda " + FormatDouble("%.3f", group->lambda)};
  if (group->rods == 2) {
    const double apart = NearestDistance(layout->points);
    const std::optional<double> dwight = DwightTwoRods(rod->rho, rod->lengthM, rod->radiusM, apart);
    if (dwight) {
      outcome.fields.emplace_back("dwight_ohms", Json(*dwight));
      outcome.details.push_back("two rods by Dwight's formula (IEEE 142): " + ShowOhms(*dwight) +
                                " ohms");
    }
  }
  if (group->closeSpacing) outcome.warnings.emplace_back(kCloseWarning);
  return outcome;
}

std::variant<Outcome, std::string> ComputeRods(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  const std::optional<Layout> layout = ReadLayout(in, true);
  const std::optional<double> target = in.Required("target");
  if (in.error()) return *in.error();
  Outcome outcome = StartOutcome("rods", in.units(), rod->inputs);
  outcome.inputs.emplace_back("spacing", LengthFromMetres(layout->spacingM, in.units()));
  outcome.inputs.emplace_back("target", *target);
  outcome.unit = "rods";
  outcome.valueKey = "rods";
  const bool line = in.Text("layout") == "line";
  const FewestRodsResult fewest =
      FewestRods(rod->rho, rod->lengthM, rod->radiusM, line ? RodLine::kLine : RodLine::kRing,
                 layout->spacingM, *target);
  if (!fewest.count) {
    outcome.reason = "no " + std::string(line ? "line" : "ring") + " of rods reaches " +
                     FormatNumber(*target) + " ohms: " + fewest.reason;
    outcome.fields = {{"ohms", "null"}};
    return outcome;
  }
  outcome.value = fewest.count->rods;
  outcome.result = std::to_string(fewest.count->rods);
  outcome.fields = {{"ohms", Json(fewest.count->ohms)}};
  outcome.details = {"the group: " + ShowOhms(fewest.count->ohms) + " ohms"};
  if (fewest.count->rods > 1 && layout->spacingM < rod->lengthM) {
    outcome.warnings.emplace_back(kCloseWarning);
  }
  return outcome;
}

std::variant<Outcome, std::string> ComputeCheck(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  if (in.error()) return *in.error();
  Outcome outcome = StartOutcome("check", in.units(), rod->inputs);
  outcome.unit = "ohms";
  outcome.valueKey = "single_ohms";
  const std::optional<NecCheck> check =
      CheckSingleRodRule(rod->rho, rod->lengthM, 2 * rod->radiusM);
  if (!check) {
    outcome.reason = "the rod is shorter than e/4 of its radius, where the formula does not apply";
    outcome.fields = {{"sufficient", "null"}};
    return outcome;
  }
  outcome.value = check->singleOhms;
  outcome.result = ShowOhms(check->singleOhms);
  std::string warnings = "[";
  for (const std::string& warning : check->warnings) {
    warnings += (warnings.size() > 1 ? "," : "") + JsonString(warning);
  }
  outcome.fields = {{"sufficient", check->sufficient ? "true" : "false"},
                    {"second_rod_6ft_ohms", Json(check->secondRod6ftOhms)},
                    {"second_rod_2l_ohms", Json(check->secondRod2LOhms)},
                    {"warnings", warnings + "]"}};
  outcome.details = {
      check->sufficient
          ? "25 ohms or less: one rod suffices (NEC 250.53(A)(2))"
          : "more than 25 ohms: a supplemental electrode is required, at least 6 ft (1.8 m) "
            "away (NEC 250.53(A)(2))",
      "with a second rod " + ShowDistance(kNecMinSpacingM, in.units()) +
          " away (Dwight's formula): " + ShowOhms(check->secondRod6ftOhms) + " ohms",
      "with a second rod " + ShowDistance(2 * rod->lengthM, in.units()) +
          " away (twice the length): " + ShowOhms(check->secondRod2LOhms) + " ohms"};
  for (const std::string& warning : check->warnings) outcome.details.push_back("note: " + warning);
  return outcome;
}

}  // namespace

std::vector<Mode> RodModes() {
  return {
      {"group",
       "the resistance of a group of rods",
       {{"rho"},
        {"diameter"},
        {"length"},
        {"layout"},
        {"spacing", false, "rod spacing, feet or metres (for a ring the chord)"},
        {"rods", false},
        {"per-side", false},
        {"at", false}},
       &ComputeGroup,
       "n identical rods by the mutual-resistance method of BS 7430:\n"
       "R = R1 (1 + lambda alpha) / n, alpha = rho / (2 pi R1 s), lambda = (1/n) sum s/d_ij.\n"
       "Layouts: --layout line --rods N, ring --rods N (neighbours S apart along the\n"
       "chord), square --per-side M (a hollow square), triangle, or points --at\n"
       "\"x,y x,y ...\" (S then defaults to the nearest two). Valid with the rods at\n"
       "least about their length apart; closer, a warning. For two rods Dwight's\n"
       "formulas (IEEE 142) too, to show the spread.\n",
       "ostrevin-calc group --rho 200ohm-m --diameter 20mm --length 3m --layout line \\\n"
       "           --spacing 6m --rods 2 --units metric\n"
       "         34.961 ohms\n"
       "         2 rods; one rod alone: 64.618 ohms; group factor lambda 1.000\n"
       "         two rods by Dwight's formula (IEEE 142): 34.807 ohms\n"},
      {"rods",
       "the fewest rods in a line or ring for a wanted resistance",
       {{"rho"},
        {"diameter"},
        {"length"},
        {"layout", true, "line or ring"},
        {"spacing", true, "rod spacing, feet or metres (for a ring the chord)"},
        {"target"}},
       &ComputeRods,
       "The smallest number of rods, up to 100, in a line or a ring at the spacing\n"
       "given, whose group resistance (as for the group command) is T ohms or less;\n"
       "\"na\" with the lowest reachable when none is.\n",
       "ostrevin-calc rods --rho 200ohm-m --diameter 16mm --length 3m --layout line \\\n"
       "           --spacing 6m --target 10 --units metric\n"
       "         9 rods\n"
       "         the group: 9.599 ohms\n"},
      {"check",
       "the single-rod rule of the US electrical code (25 ohms)",
       {{"rho"}, {"diameter"}, {"length"}},
       &ComputeCheck,
       "NEC 250.53(A)(2): one rod of 25 ohms or less suffices; otherwise a supplemental\n"
       "electrode is required, at least 6 ft (1.8 m) away. Gives the rod's resistance,\n"
       "the verdict, and two rods 6 ft and twice the rod length apart (Dwight), and\n"
       "says where the rod is shorter than 8 ft or thinner than 5/8 in (1/2 in listed).\n",
       "ostrevin-calc check --rho 10000 --diameter 0.625 --length 8\n"
       "         39.905 ohms\n"
       "         more than 25 ohms: a supplemental electrode is required, ...\n"},
  };
}

}  // namespace ostrevin::calc
