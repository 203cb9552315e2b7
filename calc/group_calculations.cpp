// Groups of rods: the resistance of a group in a layout, and the fewest rods
// in a line or a ring for a wanted resistance, by rods at one potential (the
// default) or BS 7430's factors, each reported beside the other. The
// formulas are core/rod_groups.h's, in two-layer soil core/layered_rods.h's
// (rods at one potential only: BS 7430's factors assume uniform soil);
// inputs come in the unit system's units (or with their own) and go to the
// core in metres.
#include <algorithm>
#include <cmath>

#include "calc/calculation_parts.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/layered_rods.h"
#include "core/number_text.h"
#include "core/rod_groups.h"

namespace ostrevin::calc {

namespace {

// The rod every group is made of, in metres, and the soil it stands in.
struct Rod {
  double rho = 0;  // ohm-cm: uniform soil, or the top layer's
  std::optional<TwoLayerSoil> layers;
  double lengthM = 0, radiusM = 0;
  // cppcheck-suppress unusedStructMember ; read through std::optional<Rod>
  std::vector<JsonMember> inputs;  // as read
};

std::optional<Rod> ReadRod(Inputs& in) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  if (in.refusal()) return std::nullopt;
  return Rod{soil->layers ? soil->layers->rho1 : soil->rho, soil->layers,
             LengthToMetres(*length, in.units()), RodRadiusMetres(*diameter, in.units()),
             soil->InputsWith({{"diameter", *diameter}, {"length", *length}})};
}

// A layout's rods and the spacing that names it (BS 7430's s), in metres.
struct Layout {
  std::string name;  // "line", "ring", ...
  std::vector<RodPoint> points;
  std::optional<double> spacingM;  // none for a single rod of points
  TabulatedLayout table = TabulatedLayout::kNone;
  std::vector<JsonMember> inputs;  // as read
};

// Positions "x,y x,y ..." (or separated by ';'), each coordinate a length,
// at most kMaxGroupRods of them.
std::optional<std::vector<RodPoint>> ReadPoints(Inputs& in, std::string_view text) {
  std::string spaced(text);
  std::replace(spaced.begin(), spaced.end(), ';', ' ');
  std::vector<RodPoint> points;
  const std::string_view all = spaced;
  for (std::size_t at = 0; (at = all.find_first_not_of(" \t", at)) != std::string_view::npos;) {
    const std::size_t end = std::min(all.find_first_of(" \t", at), all.size());
    const std::string_view pair = all.substr(at, end - at);
    at = end;
    if (points.size() == kMaxGroupRods) {
      return in.Fail(in.Named("at") + " names more than " + std::to_string(kMaxGroupRods) +
                     " positions: a group may have at most " + std::to_string(kMaxGroupRods) +
                     " rods");
    }
    const std::size_t comma = pair.find(',');
    const auto x = comma == std::string_view::npos
                       ? std::nullopt
                       : ReadMetres(pair.substr(0, comma), in.context());
    const auto y = x ? ReadMetres(pair.substr(comma + 1), in.context()) : std::nullopt;
    if (!x || !y) {
      return in.Fail(in.Named("at") + " needs positions x,y separated by blanks, not " +
                     Quoted(pair));
    }
    points.push_back({*x, *y});
  }
  if (points.empty()) return in.Fail(in.Named("at") + " names no position");
  return points;
}

std::optional<Layout> ReadPointsLayout(Inputs& in, Layout layout) {
  in.Refuse("spacing", in.Named("layout") + " points: the positions give the distances");
  const auto at = in.Text("at");
  if (!at) return in.Fail(in.Named("at") + " is missing (positions x,y for --layout points)");
  const auto points = ReadPoints(in, *at);
  if (!points) return std::nullopt;
  layout.points = *points;
  layout.inputs.emplace_back("at", std::string(*at));
  if (points->size() > 1) layout.spacingM = NearestDistance(*points);
  return layout;
}

// group: any layout; rods: a line or a ring and no count of its own.
std::optional<Layout> ReadLayout(Inputs& in, bool fewest) {
  const std::optional<std::string_view> name = in.Choice("layout", true);
  if (!name) return std::nullopt;
  Layout layout{
      std::string(*name), {}, {}, TabulatedLayout::kNone, {{"layout", std::string(*name)}}};
  const bool line = layout.name == "line";
  const bool ring = layout.name == "ring";
  const bool square = layout.name == "square";
  if (fewest && !line && !ring) {
    return in.Fail(in.Named("layout") + " must be line or ring, not " + Quoted(*in.Text("layout")));
  }
  const std::string with = in.Named("layout") + " " + layout.name;
  if (fewest || !(line || ring)) in.Refuse("rods", with);
  if (!square) in.Refuse("per-side", with);
  if (layout.name != "points") in.Refuse("at", with);
  if (layout.name == "points") return ReadPointsLayout(in, std::move(layout));
  const auto spacing = in.Required("spacing");
  std::optional<double> count;
  if ((line || ring) && !fewest) count = in.Required("rods");
  if (square) count = in.Required("per-side");
  if (in.refusal()) return std::nullopt;
  layout.spacingM = LengthToMetres(*spacing, in.units());
  layout.inputs.emplace_back("spacing", *spacing);
  if (count) layout.inputs.emplace_back(square ? "per-side" : "rods", *count);
  const int n = count ? static_cast<int>(*count) : 0;
  if (line) layout.points = LineLayout(n, *layout.spacingM);
  if (ring) layout.points = RingLayout(n, *layout.spacingM);
  if (square) layout.points = HollowSquareLayout(n, *layout.spacingM);
  if (layout.name == "triangle") layout.points = TriangleLayout(*layout.spacingM);
  if (line) layout.table = TabulatedLayout::kLine;
  return layout;
}

GroupMethod ReadMethod(Inputs& in, const std::optional<Rod>& rod) {
  const auto method = in.Choice("method", false);
  if (method == "bs7430" && rod && rod->layers) {
    in.Fail(in.Named("method") + " bs7430 does not go with " + in.Named("layers") +
            ": BS 7430's factors assume uniform soil");
  }
  return method == "bs7430" ? GroupMethod::kBs7430 : GroupMethod::kPotential;
}

std::string_view MethodName(GroupMethod method) {
  return method == GroupMethod::kBs7430 ? "bs7430" : "potential";
}

std::string Rods(int count) { return std::to_string(count) + (count == 1 ? " rod" : " rods"); }

// Every figure of one group, by both methods (in uniform soil).
struct Figures {
  int rods = 0;
  double single = 0, potential = 0;
  // BS 7430's group, in uniform soil, or why there is none.
  Result<Bs7430Group> bs = NoAnswer("BS 7430's factors assume uniform soil");
  std::optional<double> dwight;   // two rods in uniform soil
  std::optional<TwoLayerSoil> layers;
};

constexpr const char* kNoRod =
    "the rod is shorter than e/4 of its radius, where the formula does not apply";

// The group in two layers: its rods at one potential, and one rod alone.
Result<Figures> WorkOutLayered(const Rod& rod, const Layout& layout, const Progress& progress) {
  const std::vector<RodPoint> one{{0, 0}};
  const Result<double> single = LayeredGroupOhms(*rod.layers, rod.lengthM, rod.radiusM, one);
  if (!single) return single.Failed();
  const Result<double> group = LayeredGroupOhms(*rod.layers, rod.lengthM, rod.radiusM,
                                                layout.points, kLayeredSegments, progress);
  if (!group) return group.Failed();
  Figures figures;
  figures.rods = static_cast<int>(layout.points.size());
  figures.single = *single;
  figures.potential = *group;
  figures.layers = rod.layers;
  return figures;
}

// The group's figures; or why there are none: the rod formula has no value
// (no answer, "na"), or the layout is refused (bad input).
Result<Figures> WorkOut(const Rod& rod, const Layout& layout, UnitSystem units,
                        const Progress& progress = {}) {
  if (!SingleRodOhms(rod.rho, rod.lengthM, rod.radiusM)) return NoAnswer(kNoRod);
  if (auto checked = CheckGroup(rod.rho, rod.lengthM, rod.radiusM, layout.points, units);
      !checked) {
    return checked.Failed();
  }
  if (rod.layers) return WorkOutLayered(rod, layout, progress);
  const Result<double> potential =
      PotentialGroupOhms(rod.rho, rod.lengthM, rod.radiusM, layout.points);
  if (!potential) return potential.Failed();
  Figures figures;
  figures.rods = static_cast<int>(layout.points.size());
  figures.single = *SingleRodOhms(rod.rho, rod.lengthM, rod.radiusM);
  figures.potential = *potential;
  // A single rod has no spacing: BS 7430's value is the rod's own.
  figures.bs = layout.spacingM ? Bs7430GroupOhms(rod.rho, rod.lengthM, rod.radiusM, layout.points,
                                                 *layout.spacingM, layout.table)
                               : Result<Bs7430Group>(Bs7430Group{figures.single, 0, false, false});
  if (figures.rods == 2) {
    figures.dwight =
        DwightTwoRods(rod.rho, rod.lengthM, rod.radiusM, NearestDistance(layout.points));
  }
  return figures;
}

// The group's value by the method asked; nothing where BS 7430 has none.
std::optional<double> Headline(const Figures& figures, GroupMethod method) {
  if (method != GroupMethod::kBs7430) return figures.potential;
  if (!figures.bs) return std::nullopt;
  return figures.bs->ohms;
}

// The outcome's members and lines for a group worked out by `method`.
void Describe(Outcome& outcome, const Figures& figures, GroupMethod method) {
  const bool bs = method == GroupMethod::kBs7430;
  const std::optional<double> ohms = Headline(figures, method);
  const auto number = [](const std::optional<double>& value) {
    return value ? JsonValue(*value) : JsonValue(nullptr);
  };
  const Bs7430Group* standard = figures.bs ? &*figures.bs : nullptr;
  if (outcome.valueKey != "ohms") outcome.fields.emplace_back("ohms", number(ohms));
  outcome.fields.emplace_back("potential_ohms", figures.potential);
  outcome.fields.emplace_back("bs7430_ohms",
                              number(standard != nullptr ? std::optional(standard->ohms) : std::nullopt));
  outcome.fields.emplace_back("lambda",
                              number(standard != nullptr ? std::optional(standard->lambda) : std::nullopt));
  if (!figures.layers && standard == nullptr) outcome.fields.emplace_back("bs7430_reason", figures.bs.why());
  outcome.fields.emplace_back("dwight_ohms", figures.dwight ? JsonValue(*figures.dwight) : nullptr);
  outcome.fields.emplace_back("single_ohms", figures.single);
  const std::string closeNote =
      "the rods stand closer than their length, where BS 7430's method overstates the group's "
      "resistance";
  // For the fewest rods the headline is the count: the group's value leads the details.
  const std::string group =
      (outcome.valueKey == "ohms" || !ohms ? "" : ShowOhms(*ohms) + " ohms: ") + Rods(figures.rods);
  if (figures.layers) {
    outcome.details.push_back(group + " at one potential in two layers, " +
                              DescribeLayers(*figures.layers, outcome.units) +
                              "; one rod alone: " + ShowOhms(figures.single) + " ohms");
    return;
  }
  std::string beside;
  if (standard == nullptr) {
    // No BS 7430 value: the rods-at-one-potential one stands in its place.
    outcome.details.push_back(group + " at one potential: " + ShowOhms(figures.potential) +
                              " ohms; one rod alone: " + ShowOhms(figures.single) + " ohms");
    if (!bs) outcome.details.push_back("BS 7430: na (" + figures.bs.why() + ")");
    return;
  }
  const std::string lambda =
      FormatDouble("%.3f", standard->lambda) + (standard->tabulated ? " from its table" : "");
  if (bs) {
    outcome.details.push_back(group + " by BS 7430 (lambda " + lambda +
                              "); one rod alone: " + ShowOhms(figures.single) + " ohms");
    beside = "rods at one potential: " + ShowOhms(figures.potential) + " ohms";
    if (standard->closeSpacing) {
      outcome.warnings.push_back(closeNote + ": the rods-at-one-potential value, " +
                                 ShowOhms(figures.potential) + " ohms, is the one to use");
    }
  } else {
    outcome.details.push_back(
        group + " at one potential; one rod alone: " + ShowOhms(figures.single) + " ohms");
    if (figures.rods > 1) {
      beside = "BS 7430: " + ShowOhms(standard->ohms) + " ohms (lambda " + lambda +
               (standard->closeSpacing ? "; outside its validity, the rods closer than their length"
                                       : "") +
               ")";
    }
  }
  if (figures.dwight) {
    beside += "; Dwight's formula (IEEE 142): " + ShowOhms(*figures.dwight) + " ohms";
  }
  if (!beside.empty()) outcome.details.push_back(beside);
}

Result<Outcome> ComputeGroup(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  const std::optional<Layout> layout = ReadLayout(in, false);
  const GroupMethod method = ReadMethod(in, rod);
  if (in.refusal()) return Refused(*in.refusal());
  std::vector<JsonMember> inputs = rod->inputs;
  inputs.insert(inputs.end(), layout->inputs.begin(), layout->inputs.end());
  inputs.emplace_back("method", std::string(MethodName(method)));
  Outcome outcome = StartOutcome("group", in.units(), std::move(inputs));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.listWarnings = true;
  const Result<Figures> figures = WorkOut(*rod, *layout, in.units(), in.progress());
  if (!figures) return Unanswered(std::move(outcome), figures.Failed());
  const Figures& got = *figures;
  Describe(outcome, got, method);
  outcome.fields.emplace_back("rods", static_cast<double>(got.rods));
  const std::optional<double> headline = Headline(got, method);
  if (!headline) {
    return Unanswered(std::move(outcome),
                      NoAnswer("BS 7430: " + got.bs.why() + "; rods at one potential: " +
                               ShowOhms(got.potential) + " ohms"));
  }
  outcome.value = headline;
  outcome.result = ShowOhms(*outcome.value);
  if (rod->layers) {
    WarnNearInterface(
        outcome, *rod->layers, rod->lengthM, rod->radiusM,
        [&](const TwoLayerSoil& other) -> std::optional<double> {
          const Result<double> value =
              LayeredGroupOhms(other, rod->lengthM, rod->radiusM, layout->points);
          return value ? std::optional(*value) : std::nullopt;
        },
        [](double ohms) { return ShowOhms(ohms) + " ohms"; });
  }
  return outcome;
}

Result<Outcome> ComputeRods(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  std::optional<Layout> layout = ReadLayout(in, true);
  const std::optional<double> target = in.Required("target");
  const GroupMethod method = ReadMethod(in, rod);
  if (in.refusal()) return Refused(*in.refusal());
  std::vector<JsonMember> inputs = rod->inputs;
  inputs.insert(inputs.end(), layout->inputs.begin(), layout->inputs.end());
  inputs.emplace_back("target", *target);
  inputs.emplace_back("method", std::string(MethodName(method)));
  Outcome outcome = StartOutcome("rods", in.units(), std::move(inputs));
  outcome.unit = "rods";
  outcome.valueKey = "rods";
  outcome.listWarnings = true;
  const RodLine line = layout->name == "line" ? RodLine::kLine : RodLine::kRing;
  // Two rods stand as close as any count does, in a line and in a ring.
  if (SingleRodOhms(rod->rho, rod->lengthM, rod->radiusM)) {
    const std::vector<RodPoint> two = LineLayout(2, *layout->spacingM);
    if (auto checked = CheckGroup(rod->rho, rod->lengthM, rod->radiusM, two, in.units());
        !checked) {
      return checked.Failed();
    }
  }
  if (!SingleRodOhms(rod->rho, rod->lengthM, rod->radiusM)) {
    return Unanswered(std::move(outcome), NoAnswer(kNoRod));
  }
  const Result<FewestRodsResult> searched =
      rod->layers ? FewestLayeredRods(*rod->layers, rod->lengthM, rod->radiusM, line,
                                      *layout->spacingM, *target, in.progress())
                  : FewestRods(rod->rho, rod->lengthM, rod->radiusM, line, *layout->spacingM,
                               *target, method);
  if (!searched) return Unanswered(std::move(outcome), searched.Failed());
  const FewestRodsResult& fewest = *searched;
  if (!fewest.rods) {
    outcome.why = "no " + layout->name + " of up to " + std::to_string(kMaxRods) +
                     " rods reaches " + FormatNumber(*target) + " ohms: the lowest is " +
                     ShowOhms(fewest.lowestOhms) + " ohms, with " + Rods(fewest.lowestAt);
    outcome.fields = {{"lowest_ohms", fewest.lowestOhms},
                      {"lowest_rods", static_cast<double>(fewest.lowestAt)}};
    return outcome;
  }
  layout->points = line == RodLine::kLine ? LineLayout(*fewest.rods, *layout->spacingM)
                                          : RingLayout(*fewest.rods, *layout->spacingM);
  const Result<Figures> figures = WorkOut(*rod, *layout, in.units());
  if (!figures) return Unanswered(std::move(outcome), figures.Failed());
  outcome.value = *fewest.rods;
  outcome.result = std::to_string(*fewest.rods);
  Describe(outcome, *figures, method);
  return outcome;
}

}  // namespace

std::vector<Calculation> GroupCalculations() {
  return {
      {"group", "the resistance of a group of rods",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, true},
                 {"layout", OptionKind::kQuantity, true},
                 {"spacing",
                  OptionKind::kQuantity,
                  false,
                  {},
                  "rod spacing, feet or metres (for a ring the chord)",
                  "Rod spacing"},
                 {"rods"},
                 {"per-side"},
                 {"at"},
                 {"method"},
                 kUnitsOption}),
       &ComputeGroup,
       "n identical rods bonded together. By default the rods stand at one potential\n"
       "(Dwight's average-potential method): each rod's self resistance is the rod\n"
       "formula, two rods d apart share rho/(2 pi L) (asinh(2L/d) - sqrt(1 + (d/2L)^2)\n"
       "+ d/2L), and the currents are solved; valid at every spacing for slender rods\n"
       "(at least 10 radii long) standing no closer than their diameter. Beside it,\n"
       "BS 7430's R = R1 (1 + lambda alpha) / n, alpha = rho / (2 pi R1 s), lambda from\n"
       "the standard's table for 2 to 10 rods in a line, from the positions otherwise\n"
       "(valid with the rods at least about their length apart); --method bs7430\n"
       "makes it the answer. For two rods Dwight's formulas (IEEE 142) too.\n"
       "Layouts: --layout line --rods N, ring --rods N (neighbours S apart along the\n"
       "chord), square --per-side M (a hollow square), triangle, or points --at\n"
       "\"x,y x,y ...\" (up to 1000 rods). The conductor bonding the rods is not counted.\n"
       "In two-layer soil (--layers RHO1,H,RHO2) each rod is cut into segments whose\n"
       "currents are solved with the layers' images (the method of moments).\n",
       "ostrevin-calc group --rho 200ohm-m --diameter 20mm --length 3m \\\n"
       "           --layout line --spacing 6m --rods 2 --units metric\n"
       "         34.787 ohms\n"
       "         2 rods at one potential; one rod alone: 64.618 ohms\n"
       "         BS 7430: 34.961 ohms (lambda 1.000, the standard's table); ...\n"},
      {"rods", "the fewest rods in a line or ring for a wanted resistance",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, true},
                 {"layout", OptionKind::kQuantity, true, {}, "line or ring", {}, false,
                  "line ring"},
                 {"spacing",
                  OptionKind::kQuantity,
                  true,
                  {},
                  "rod spacing, feet or metres (for a ring the chord)",
                  "Rod spacing"},
                 {"target", OptionKind::kQuantity, true},
                 {"method"},
                 kUnitsOption}),
       &ComputeRods,
       "The smallest number of rods, up to 100, in a line or a ring at the spacing\n"
       "given, whose group resistance (as for the group command, by --method) is T\n"
       "ohms or less; every count is tried. \"na\" names the lowest reached and at how\n"
       "many rods.\n",
       "ostrevin-calc rods --rho 200ohm-m --diameter 16mm --length 3m \\\n"
       "           --layout line --spacing 6m --target 10 --units metric\n"
       "         9 rods\n"},
  };
}

}  // namespace ostrevin::calc
