// Groups of rods: the resistance of a group in a layout, and the fewest rods
// in a line or a ring for a wanted resistance. By the electrode solver (the
// default; core/rod_solver.h), the closed-form mutual resistances or BS
// 7430's factors (core/rod_groups.h), each reported beside the others; in
// two-layer soil by the solver alone (the others assume uniform soil).
// Inputs come in the unit system's units (or with their own) and go to the
// core in metres.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/electrode_layouts.h"
#include "core/number_text.h"
#include "core/numerics.h"
#include "core/rod_groups.h"
#include "core/rod_solver.h"

namespace ostrevin::calc {

namespace {

// The rod every group is made of, in metres, and the soil it stands in.
struct Rod {
  EarthSoil soil;  // uniform (ohm-cm), or two layers
  double lengthM = 0, radiusM = 0;
  // cppcheck-suppress unusedStructMember ; read through std::optional<Rod>
  std::vector<JsonMember> inputs;  // as read

  // The resistivity the closed forms take (the top layer's in two layers).
  double Rho() const { return soil.layers ? soil.layers->rho1 : soil.rho; }
};

// The rod; without its length where the length is what is sought
// (--solve length: a metre stands in until it is found).
std::optional<Rod> ReadRod(Inputs& in, bool lengthSought = false) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  if (lengthSought) in.Refuse("length", in.Named("solve") + " length: the rods' length is what it finds");
  const auto length = lengthSought ? std::optional<double>() : in.Required("length");
  if (in.refusal()) return std::nullopt;
  std::vector<JsonMember> inputs{{"diameter", *diameter}};
  if (length) inputs.emplace_back("length", *length);
  return Rod{EarthSoil{soil->rho, soil->layers}, length ? LengthToMetres(*length, in.units()) : 1.0,
             RodRadiusMetres(*diameter, in.units()), soil->InputsWith(std::move(inputs))};
}

// A layout's rods and the spacing that names it (BS 7430's s), in metres.
struct Layout {
  std::string name;  // "line", "ring", ...
  std::vector<RodPoint> points;
  std::optional<double> spacingM;  // none for a single rod of points
  TabulatedLayout table = TabulatedLayout::kNone;
  std::vector<JsonMember> inputs;  // as read
  int count = 0;  // a design's rods (a line or ring) or rods a side (a square), when fixed
  // A bonding conductor round the layout returns to its first rod.
  bool Closed() const { return name == "ring" || name == "square" || name == "triangle"; }
};

std::optional<Layout> ReadPointsLayout(Inputs& in, Layout layout) {
  in.Refuse("spacing", in.Named("layout") + " points: the positions give the distances");
  const auto at = in.Text("at");
  if (!at) return in.Fail(in.Named("at") + " is missing (positions x,y for --layout points)");
  const auto points = ReadPlanPoints(in, "at", *at, kMaxGroupRods, "rods");
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
  if (fewest && in.Given("rods")) {
    in.Fail(in.Named("rods") + " is what " + in.Named("solve") + " count finds (the fewest rods): give " +
            in.Named("solve") + " spacing or length to keep the count");
  }
  if (!(line || ring)) in.Refuse("rods", with);
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

enum class Method { kSolver, kMutual, kBs7430 };

Method ReadMethod(Inputs& in, const std::optional<Rod>& rod) {
  const auto method = in.Choice("method", false);
  const Method read = method == "bs7430"                           ? Method::kBs7430
                      : method == "mutual" || method == "potential" ? Method::kMutual
                                                                    : Method::kSolver;
  if (read != Method::kSolver && rod && rod->soil.layers) {
    in.Fail(in.Named("method") + " " + std::string(*method) + " does not go with " +
            in.Named("layers") + ": " +
            (read == Method::kBs7430 ? "BS 7430's factors" : "the closed-form mutual resistances") +
            " assume uniform soil");
  }
  return read;
}

std::string_view MethodName(Method method) {
  switch (method) {
    case Method::kMutual:
      return "mutual";
    case Method::kBs7430:
      return "bs7430";
    default:
      return "solver";
  }
}

// --bond DEPTH,DIAMETER: the conductor bonding the rods, counted by the solver.
std::optional<Bond> ReadBond(Inputs& in, Method method, const Layout& layout) {
  const auto text = in.Text("bond");
  if (!text) return std::nullopt;
  if (method != Method::kSolver) {
    in.Fail(in.Named("bond") + " goes with " + in.Named("method") +
            " solver: the other methods know rods only");
    return std::nullopt;
  }
  const std::array<Part, 2> parts{Part{"DEPTH", "depth"}, Part{"DIAMETER", "conductor"}};
  const std::optional<std::vector<double>> values = ReadParts(in, "bond", *text, ',', parts);
  if (!values) return std::nullopt;
  const Bond bond{LengthToMetres((*values)[0], in.units()),
                  DiameterToMetres((*values)[1], in.units()), layout.Closed()};
  if (bond.depthM < bond.diameterM / 2) {
    in.Fail(in.Named("bond") + ": the conductor must be buried at least its radius deep");
    return std::nullopt;
  }
  return bond;
}

std::string Rods(int count) { return std::to_string(count) + (count == 1 ? " rod" : " rods"); }

// Every figure of one group, by each method that applies.
struct Figures {
  int rods = 0;
  RodGroupAnswer solver;                 // the group by the electrode solver
  double solverSingle = 0;               // and one rod alone by it
  std::optional<double> rodFormula;      // one rod by the rod formula (uniform soil)
  std::optional<double> mutual;          // the closed-form mutual resistances (uniform soil)
  // BS 7430's group, in uniform soil, or why there is none.
  Result<Bs7430Group> bs = NoAnswer("BS 7430's factors assume uniform soil");
  std::optional<double> dwight;          // two rods in uniform soil
  std::optional<TwoLayerSoil> layers;
  std::optional<Bond> bond;
};

constexpr const char* kNoRod =
    "the rod is shorter than e/4 of its radius, where the formula does not apply";

// The group's figures; or why there are none: the rod formula has no value
// (no answer, "na"), or the layout is refused (bad input).
Result<Figures> WorkOut(const Rod& rod, const Layout& layout, const std::optional<Bond>& bond,
                        UnitSystem units, const WorkBounds& bounds, const Progress& progress = {}) {
  const double rho = rod.Rho();
  if (!SingleRodOhms(rho, rod.lengthM, rod.radiusM)) return NoAnswer(kNoRod);
  if (auto checked = CheckGroup(rho, rod.lengthM, rod.radiusM, layout.points, units); !checked) {
    return checked.Failed();
  }
  SolveOptions options;
  options.progress = progress;
  options.maxBytes = bounds.bytes;
  Figures figures;
  figures.rods = static_cast<int>(layout.points.size());
  figures.layers = rod.soil.layers;
  figures.bond = bond;
  const Result<RodGroupAnswer> solved =
      SolvedGroup(rod.soil, rod.lengthM, rod.radiusM, layout.points, bond, options);
  OSTREVIN_PASS_ON(solved);
  figures.solver = *solved;
  const Result<double> single = SolvedRodOhms(rod.soil, rod.lengthM, rod.radiusM);
  OSTREVIN_PASS_ON(single);
  figures.solverSingle = *single;
  if (rod.soil.layers) return figures;
  figures.rodFormula = *SingleRodOhms(rho, rod.lengthM, rod.radiusM);
  const Result<double> mutual = PotentialGroupOhms(rho, rod.lengthM, rod.radiusM, layout.points);
  OSTREVIN_PASS_ON(mutual);
  figures.mutual = *mutual;
  // A single rod has no spacing: BS 7430's value is the rod's own.
  figures.bs = layout.spacingM ? Bs7430GroupOhms(rho, rod.lengthM, rod.radiusM, layout.points,
                                                 *layout.spacingM, layout.table)
                               : Result<Bs7430Group>(Bs7430Group{*figures.rodFormula, 0, false, false});
  if (figures.rods == 2) {
    figures.dwight = DwightTwoRods(rho, rod.lengthM, rod.radiusM, NearestDistance(layout.points));
  }
  return figures;
}

// The group's value by the method asked; nothing where BS 7430 has none.
std::optional<double> Headline(const Figures& figures, Method method) {
  switch (method) {
    case Method::kMutual:
      return figures.mutual;
    case Method::kBs7430:
      return figures.bs ? std::optional(figures.bs->ohms) : std::nullopt;
    default:
      return figures.solver.ohms;
  }
}

// The group's plan for its pictures: the rods where they stand, their
// bonding conductor, the outline (no solution, no map).
void AttachPlan(Outcome& outcome, const Rod& rod, const Layout& layout,
                const std::optional<Bond>& bond, UnitSystem units) {
  auto electrode = std::make_shared<SolvedElectrode>();
  const std::size_t count = layout.points.size();
  electrode->title = std::to_string(count) + (count == 1 ? " rod" : " rods") +
                     (layout.name == "points" ? "" : ", " + layout.name) + ", " +
                     FormatNumber(RoundTo3Places(LengthFromMetres(rod.lengthM, units))) + " " +
                     std::string(LengthUnit(units)) + " long";
  electrode->units = units;
  electrode->conductors = RodsAt(layout.points, rod.lengthM, 2 * rod.radiusM);
  if (bond) {
    const std::vector<Conductor> bonding =
        BondConductors(layout.points, bond->closed, bond->depthM, bond->diameterM);
    electrode->conductors.insert(electrode->conductors.end(), bonding.begin(), bonding.end());
  }
  electrode->outline = HullOutline(electrode->conductors);
  electrode->outlineSource = OutlineSource::kHull;
  outcome.electrode = std::move(electrode);
}

std::string Percent(double value, double basis) {
  const double percent = 100 * (value / basis - 1);
  return (percent >= 0 ? "+" : "") + FormatDouble("%.1f", percent) + " %";
}

// The outcome's members and lines for a group worked out by `method`.
void Describe(Outcome& outcome, const Figures& figures, Method method, UnitSystem units) {
  const std::optional<double> ohms = Headline(figures, method);
  const Bs7430Group* standard = figures.bs ? &*figures.bs : nullptr;
  const auto number = [](const std::optional<double>& value) { return JsonValue(value); };
  if (outcome.valueKey != "ohms") outcome.fields.emplace_back("ohms", number(ohms));
  outcome.fields.emplace_back("solver_ohms", figures.solver.ohms);
  outcome.fields.emplace_back("potential_ohms", number(figures.mutual));
  outcome.fields.emplace_back("bs7430_ohms",
                              number(standard != nullptr ? std::optional(standard->ohms) : std::nullopt));
  outcome.fields.emplace_back("lambda",
                              number(standard != nullptr ? std::optional(standard->lambda) : std::nullopt));
  if (!figures.layers && standard == nullptr) outcome.fields.emplace_back("bs7430_reason", figures.bs.why());
  outcome.fields.emplace_back("dwight_ohms", number(figures.dwight));
  outcome.fields.emplace_back("single_ohms", figures.solverSingle);
  outcome.fields.emplace_back("rod_formula_ohms", number(figures.rodFormula));
  outcome.fields.emplace_back(
      "segments", figures.solver.fallback ? JsonValue(nullptr)
                                          : JsonValue(static_cast<double>(figures.solver.segments)));
  outcome.fields.emplace_back("solver", figures.solver.fallback     ? JsonValue(nullptr)
                                        : figures.solver.compressed ? JsonValue("compressed")
                                                                    : JsonValue("dense"));
  for (const std::string& note : figures.solver.notes) {
    (figures.solver.fallback ? outcome.warnings : outcome.details).push_back(note);
  }
  // For the fewest rods the headline is the count: the group's value leads the details.
  const std::string group =
      (outcome.valueKey == "ohms" || !ohms ? "" : ShowOhms(*ohms) + " ohms: ") + Rods(figures.rods);
  const std::string bonded =
      figures.bond ? " with their bonding conductor " + ShowLength(figures.bond->depthM, units) +
                         " " + std::string(LengthUnit(units)) + " deep"
                   : "";
  const std::string single = "one rod alone: " + ShowOhms(figures.solverSingle) + " ohms";
  if (figures.layers) {
    outcome.details.push_back(group + bonded + " at one potential in two layers, " +
                              DescribeLayers(*figures.layers, units) + " (the electrode solver); " +
                              single);
    return;
  }
  const std::string formula = " (the rod formula, with uniform current: " +
                              ShowOhms(*figures.rodFormula) + " ohms)";
  const std::string rodsAlone = figures.bond ? " (the rods alone)" : "";
  const std::string lambda =
      standard != nullptr
          ? FormatDouble("%.3f", standard->lambda) + (standard->tabulated ? " from its table" : "")
          : "";
  const std::string bsName = "BS 7430" + std::string(figures.bond ? " (the rods alone)" : "");
  const std::string bsText =
      standard != nullptr
          ? bsName + ": " + ShowOhms(standard->ohms) + " ohms (lambda " + lambda +
                (standard->closeSpacing ? "; outside its validity, the rods closer than their length"
                                        : "") +
                ")"
          : bsName + ": na (" + figures.bs.why() + ")";
  std::vector<std::string> beside;
  switch (method) {
    case Method::kSolver:
      outcome.details.push_back(group + bonded + " at one potential by the electrode solver" +
                                (figures.solver.compressed ? " (compressed)" : "") + "; " + single + formula);
      if (figures.rods > 1) {
        beside.push_back("closed-form mutual resistances" + rodsAlone + ": " +
                         ShowOhms(*figures.mutual) + " ohms" +
                         (figures.bond ? ""
                                       : " (" + Percent(*figures.mutual, figures.solver.ohms) + ")"));
        beside.push_back(bsText);
      }
      break;
    case Method::kMutual:
      outcome.details.push_back(group + " at one potential by the closed-form mutual resistances "
                                "(uniform current along each rod: a little high); one rod alone: " +
                                ShowOhms(*figures.rodFormula) + " ohms (the rod formula)");
      beside.push_back("the electrode solver: " + ShowOhms(figures.solver.ohms) + " ohms");
      if (figures.rods > 1) beside.push_back(bsText);
      break;
    case Method::kBs7430:
      if (standard == nullptr) {
        outcome.details.push_back(group + " at one potential by the electrode solver: " +
                                  ShowOhms(figures.solver.ohms) + " ohms; " + single);
        break;
      }
      outcome.details.push_back(group + " by BS 7430 (lambda " + lambda + "); one rod alone: " +
                                ShowOhms(*figures.rodFormula) + " ohms");
      beside.push_back("the electrode solver: " + ShowOhms(figures.solver.ohms) + " ohms");
      if (standard->closeSpacing) {
        outcome.warnings.push_back(
            "the rods stand closer than their length, where BS 7430's method overstates the "
            "group's resistance: the electrode solver's value, " +
            ShowOhms(figures.solver.ohms) + " ohms, is the one to use");
      }
      break;
  }
  if (figures.dwight) {
    beside.push_back("Dwight's formula (IEEE 142): " + ShowOhms(*figures.dwight) + " ohms");
  }
  std::string line;
  for (const std::string& part : beside) line += (line.empty() ? "" : "; ") + part;
  if (!line.empty()) outcome.details.push_back(line);
}

std::vector<JsonMember> GroupInputs(const Rod& rod, const Layout& layout, Method method) {
  std::vector<JsonMember> inputs = rod.inputs;
  inputs.insert(inputs.end(), layout.inputs.begin(), layout.inputs.end());
  inputs.emplace_back("method", std::string(MethodName(method)));
  return inputs;
}

Result<Outcome> ComputeGroup(Inputs& in) {
  const std::optional<Rod> rod = ReadRod(in);
  const std::optional<Layout> layout = ReadLayout(in, false);
  const Method method = ReadMethod(in, rod);
  const std::optional<Bond> bond =
      layout && !in.refusal() ? ReadBond(in, method, *layout) : std::nullopt;
  if (in.refusal()) return Refused(*in.refusal());
  std::vector<JsonMember> inputs = GroupInputs(*rod, *layout, method);
  if (bond) inputs.emplace_back("bond", std::string(*in.Text("bond")));
  Outcome outcome = StartOutcome("group", in.units(), std::move(inputs));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.listWarnings = true;
  const Result<Figures> figures =
      WorkOut(*rod, *layout, bond, in.units(), in.bounds(), in.progress());
  if (!figures) return Unanswered(std::move(outcome), figures.Failed());
  const Figures& got = *figures;
  Describe(outcome, got, method, in.units());
  // The count of rods, where the inputs do not already say it (a square, points).
  if (std::none_of(outcome.inputs.begin(), outcome.inputs.end(),
                   [](const JsonMember& m) { return m.first == "rods"; })) {
    outcome.fields.emplace_back("rods", static_cast<double>(got.rods));
  }
  const std::optional<double> headline = Headline(got, method);
  if (!headline) {
    return Unanswered(std::move(outcome),
                      NoAnswer("BS 7430: " + got.bs.why() + "; the electrode solver: " +
                               ShowOhms(got.solver.ohms) + " ohms"));
  }
  outcome.value = headline;
  outcome.result = ShowOhms(*outcome.value);
  AttachPlan(outcome, *rod, *layout, bond, in.units());
  if (rod->soil.layers) {
    WarnNearInterface(
        outcome, *rod->soil.layers, rod->lengthM, rod->radiusM,
        [&](const TwoLayerSoil& other) -> std::optional<double> {
          SolveOptions bounded;
          bounded.maxBytes = in.bounds().bytes;
          const Result<RodGroupAnswer> value = SolvedGroup(
              EarthSoil{0, other}, rod->lengthM, rod->radiusM, layout->points, bond, bounded);
          return value ? std::optional(value->ohms) : std::nullopt;
        },
        [](double ohms) { return ShowOhms(ohms) + " ohms"; });
  }
  return outcome;
}

// The layout of a design whose count is fixed: a line or ring of --rods, a
// square of --per-side; the spacing given unless it is what is solved.
std::optional<Layout> ReadFixedLayout(Inputs& in, bool spacingSolved) {
  const std::optional<std::string_view> name = in.Choice("layout", true);
  if (!name) return std::nullopt;
  Layout layout{std::string(*name), {}, {}, TabulatedLayout::kNone, {{"layout", std::string(*name)}}};
  const bool square = layout.name == "square";
  if (layout.name != "line" && layout.name != "ring" && !square) {
    return in.Fail(in.Named("layout") + " must be line, ring or square, not " +
                   Quoted(*in.Text("layout")));
  }
  const std::string with = in.Named("layout") + " " + layout.name;
  in.Refuse(square ? "rods" : "per-side", with);
  if (spacingSolved) in.Refuse("spacing", "--solve spacing: the spacing is what it finds");
  const auto count = in.Required(square ? "per-side" : "rods");
  const auto spacing = spacingSolved ? std::optional<double>(0) : in.Required("spacing");
  if (in.refusal()) return std::nullopt;
  layout.inputs.emplace_back(square ? "per-side" : "rods", *count);
  layout.count = static_cast<int>(*count);
  if (!spacingSolved) {
    layout.spacingM = LengthToMetres(*spacing, in.units());
    layout.inputs.emplace_back("spacing", *spacing);
  }
  return layout;
}

// The layout's rods at a spacing (metres).
void PlaceRods(Layout& layout, int count, double spacingM) {
  layout.spacingM = spacingM;
  if (layout.name == "line") layout.points = LineLayout(count, spacingM);
  if (layout.name == "ring") layout.points = RingLayout(count, spacingM);
  if (layout.name == "square") layout.points = HollowSquareLayout(count, spacingM);
  layout.table = layout.name == "line" ? TabulatedLayout::kLine : TabulatedLayout::kNone;
}

// Where a falling function of x on [lo, hi] meets the target: bisection to
// a hundredth of a millimetre. No answer when even hi stays above it.
struct Reached {
  double x = 0;
  double ohms = 0;
  bool atLowest = false;  // lo already reaches it
  double unsettled = 0;   // how wide the bracket stayed where the solves ran out
};
// Finer than what is printed (rounded up from it), in at most this many halvings.
constexpr double kReachStepM = 1e-5;
constexpr int kMostReachSolves = 40;

Result<Reached> Reach(const std::function<Result<double>(double)>& ohmsAt, double lo, double hi,
                      double target, const Progress& progress = {}) {
  // Told after every solve, of about as many as the search takes.
  const double expected = 3 + std::log2((hi - lo) / kReachStepM);
  int solves = 0;
  const auto told = [&](double x) {
    Result<double> at = ohmsAt(x);
    if (progress) progress(std::min(0.99, ++solves / expected));
    return at;
  };
  const Result<double> atLo = told(lo);
  OSTREVIN_PASS_ON(atLo);
  if (*atLo <= target) return Reached{lo, *atLo, true};
  const Result<double> atHi = told(hi);
  OSTREVIN_PASS_ON(atHi);
  if (*atHi > target) return Reached{hi, *atHi, false};
  const Result<Bisection> found = Bisect(
      [&](double x) -> Result<bool> {
        const Result<double> at = told(x);
        OSTREVIN_PASS_ON(at);
        return *at > target;
      },
      lo, hi, kReachStepM, Halving::kLinear, kMostReachSolves);
  OSTREVIN_PASS_ON(found);
  const Result<double> at = ohmsAt(found->hi);
  OSTREVIN_PASS_ON(at);
  return Reached{found->hi, *at, false, found->narrowed ? 0 : found->hi - found->lo};
}

// The spacing or the rod length that reaches the target, the count fixed.
Result<Outcome> SolveContinuous(const Inputs& in, Rod rod, Layout layout, Method method, double target,
                                bool spacing, Outcome outcome) {
  const int count = layout.count;
  const UnitSystem units = in.units();
  const auto ohmsAt = [&](double x) -> Result<double> {
    Rod trial = rod;
    Layout placed = layout;
    if (spacing) {
      PlaceRods(placed, count, x);
    } else {
      trial.lengthM = x;
      PlaceRods(placed, count, *layout.spacingM);
    }
    const Result<Figures> figures = WorkOut(trial, placed, std::nullopt, units, in.bounds());
    OSTREVIN_PASS_ON(figures);
    const std::optional<double> ohms = Headline(*figures, method);
    if (!ohms) return NoAnswer("BS 7430's factors give no value here");
    return *ohms;
  };
  // Spacings from a tenth of the rod's length (closer is no design) to fifty
  // lengths, the layout within the solver's reach; rod lengths from 0.3 m to
  // 30 m, as rods are driven.
  const double lo = spacing ? std::max(rod.lengthM / 10, 20 * rod.radiusM) : 0.3;
  const double widest = kMaxExtentM / std::max(1, layout.name == "square" ? count - 1 : count);
  const double hi = spacing ? std::min(50 * rod.lengthM, 0.99 * widest) : 30;
  Result<Reached> reached = Reach(ohmsAt, lo, hi, target, in.progress());
  if (!reached) return Unanswered(std::move(outcome), reached.Failed());
  const std::string name = spacing ? "spacing" : "length";
  std::string shown = ShowLength(reached->x, units) + " " + std::string(LengthUnit(units));
  if (!reached->atLowest && reached->ohms > target) {
    outcome.why = "no " + name + " up to " + shown + " reaches " + FormatNumber(target) +
                  " ohms: the lowest is " + ShowOhms(reached->ohms) + " ohms, at " + shown;
    outcome.fields = {{"lowest_ohms", reached->ohms}, {"at", LengthFromMetres(reached->x, units)}};
    return outcome;
  }
  // Printed to its third decimal rounded toward meeting the target (a
  // longer spacing or rod is lower), the ohms those give.
  if (!reached->atLowest) {
    const double printed = RoundedUp(LengthFromMetres(reached->x, units));
    const double metres = LengthToMetres(printed, units);
    if (metres > reached->x) {
      const Result<double> at = ohmsAt(metres);
      if (!at) return Unanswered(std::move(outcome), at.Failed());
      reached = Reached{metres, *at, false};
    }
    shown = ShowLength(reached->x, units) + " " + std::string(LengthUnit(units));
  }
  outcome.value = LengthFromMetres(reached->x, units);
  outcome.result = ShowLength(reached->x, units);
  outcome.unit = std::string(LengthUnit(units));
  outcome.valueKey = name;
  outcome.fields.emplace_back("ohms", reached->ohms);
  outcome.details.push_back(ShowOhms(reached->ohms) + " ohms with " + Rods(layout.name == "square" ? 4 * (count - 1) : count) +
                            (spacing ? " " + shown + " apart" : " " + shown + " long"));
  if (spacing) {
    PlaceRods(layout, count, reached->x);
  } else {
    rod.lengthM = reached->x;
    PlaceRods(layout, count, *layout.spacingM);
  }
  AttachPlan(outcome, rod, layout, std::nullopt, units);
  if (reached->atLowest) {
    outcome.warnings.push_back(std::string(spacing ? "the closest spacing tried, " : "the shortest rod tried, ") +
                               shown + ", already reaches the target: fewer rods may do");
  }
  if (reached->unsettled > 0) {
    outcome.warnings.push_back("the search stopped after " + std::to_string(kMostReachSolves) +
                               " solves, its answer within " + LengthText(reached->unsettled, units));
  }
  return outcome;
}

// A square's design by count: the spacing given, the rods a side found.
std::optional<Layout> ReadFixedLayoutForSquare(Inputs& in) {
  Layout layout{"square", {}, {}, TabulatedLayout::kNone, {{"layout", "square"}}};
  in.Refuse("rods", in.Named("layout") + " square");
  in.Refuse("per-side", "--solve count: a square's rods a side are what it finds");
  const auto spacing = in.Required("spacing");
  if (in.refusal()) return std::nullopt;
  layout.spacingM = LengthToMetres(*spacing, in.units());
  layout.inputs.emplace_back("spacing", *spacing);
  return layout;
}

// The fewest rods a side of a hollow square (2 to 26: up to 100 rods) at
// the spacing given that reach the target, with their figures; or the
// lowest reached and where.
struct SquareFound {
  std::optional<int> perSide;
  std::optional<Figures> figures;
  double lowest = INFINITY;
  int lowestAt = 0;
};
constexpr int kMostPerSide = 26;

Result<SquareFound> SearchSquare(const Inputs& in, const Rod& rod, Layout& layout, Method method,
                                 double target) {
  SquareFound found;
  for (int perSide = 2; perSide <= kMostPerSide; ++perSide) {
    PlaceRods(layout, perSide, *layout.spacingM);
    Result<Figures> figures = WorkOut(rod, layout, std::nullopt, in.units(), in.bounds());
    OSTREVIN_PASS_ON(figures);
    const std::optional<double> ohms = Headline(*figures, method);
    if (!ohms) continue;
    if (*ohms < found.lowest) {
      found.lowest = *ohms;
      found.lowestAt = perSide;
    }
    if (*ohms <= target) {
      found.perSide = perSide;
      found.figures = std::move(*figures);
      return found;
    }
  }
  return found;
}

// The fewest rods in a line or a ring at the spacing, by the method's search.
Result<FewestRodsResult> SearchLineOrRing(const Inputs& in, const Rod& rod, RodLine line,
                                          double spacingM, Method method, double target) {
  SolveOptions options;
  options.progress = in.progress();
  options.maxBytes = in.bounds().bytes;
  return method == Method::kSolver
             ? FewestSolvedRods(rod.soil, rod.lengthM, rod.radiusM, line, spacingM, target, options)
             : FewestRods(rod.Rho(), rod.lengthM, rod.radiusM, line, spacingM, target,
                          method == Method::kBs7430 ? GroupMethod::kBs7430 : GroupMethod::kPotential);
}

// The candidates a designer weighs: for the line, the ring and the square at
// the spacing given, the fewest rods that reach the target, the rods' total
// length, the conductor bonding them in order (round a ring or square), the
// area the outline takes, and the group's resistance. A layout none of whose
// counts reaches it is left out; one that cannot be worked out is shown as
// na with why. In the outcome's table and as "candidates".
// The layout asked for is not searched again: `chosen` with its rods placed
// and `chosenOhms`, or none when it reaches no answer.
void AddCandidates(Outcome& outcome, const Inputs& in, const Rod& rod, double spacingM,
                   Method method, double target, const Layout& chosen,
                   std::optional<double> chosenOhms) {
  const UnitSystem units = in.units();
  const std::string unit(LengthUnit(units));
  const double perMetre = LengthFromMetres(1, units);
  TextTable table{{"layout", "rods", "ohms", "rods, " + unit, "bonding, " + unit, "area, sq " + unit},
                  {8, 6, 9, 10, 13, 13},
                  {}};
  JsonArray candidates;
  for (const std::string name : {"line", "ring", "square"}) {
    Layout layout{name, {}, spacingM, TabulatedLayout::kNone, {}};
    std::optional<double> ohms;
    std::optional<std::string> failed;  // why the layout could not be worked out
    if (name == chosen.name) {
      layout.points = chosen.points;
      ohms = chosenOhms;
    } else if (name == "square") {
      const Result<SquareFound> found = SearchSquare(in, rod, layout, method, target);
      if (!found) failed = found.why();
      if (found && found->perSide) ohms = Headline(*found->figures, method);
    } else {
      const Result<FewestRodsResult> found = SearchLineOrRing(
          in, rod, name == "line" ? RodLine::kLine : RodLine::kRing, spacingM, method, target);
      if (!found) failed = found.why();
      if (found && found->rods) {
        PlaceRods(layout, *found->rods, spacingM);
        ohms = found->ohms;
      }
    }
    if (failed) {
      // Said, never left out unseen.
      table.rows.push_back({name, "na", "na", "", "", ""});
      candidates.emplace_back(JsonObject{{"layout", name}, {"ohms", nullptr}, {"why", *failed}});
      outcome.warnings.push_back("the " + name + " could not be worked out as a candidate: " + *failed);
      continue;
    }
    const std::vector<RodPoint>& at = layout.points;
    // A ring of two rods is the line's.
    if (!ohms || (name == "ring" && at.size() < 3)) continue;
    // The bonding conductor runs round the outline, or along the line.
    const Polygon outline = ConvexHull(at);
    double bondM = 0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
      const RodPoint& a = outline[i];
      const RodPoint& b = outline[(i + 1) % outline.size()];
      bondM += std::hypot(b.x - a.x, b.y - a.y);
    }
    if (outline.size() == 2) bondM /= 2;  // there and back
    const double areaM2 = outline.size() >= 3 ? PolygonArea(outline) : 0;
    const double rodsM = static_cast<double>(at.size()) * rod.lengthM;
    const auto shown = [](double value) { return FormatDouble("%.0f", value); };
    table.rows.push_back({name, std::to_string(at.size()), ShowOhms(*ohms), shown(rodsM * perMetre),
                          shown(bondM * perMetre), shown(areaM2 * perMetre * perMetre)});
    candidates.emplace_back(JsonObject{{"layout", name},
                                       {"rods", static_cast<double>(at.size())},
                                       {"rod_length", rodsM * perMetre},
                                       {"bonding_length", bondM * perMetre},
                                       {"area", areaM2 * perMetre * perMetre},
                                       {"ohms", *ohms}});
  }
  outcome.fields.emplace_back("candidates", std::move(candidates));
  if (!table.rows.empty()) outcome.table = std::move(table);
}

Result<Outcome> FewestPerSide(const Inputs& in, const Rod& rod, Layout layout, Method method,
                              double target, Outcome outcome) {
  const Result<SquareFound> found = SearchSquare(in, rod, layout, method, target);
  if (!found) return Unanswered(std::move(outcome), found.Failed());
  if (found->perSide) {
    const int perSide = *found->perSide;
    outcome.value = perSide;
    outcome.result = std::to_string(perSide);
    outcome.unit = "a side";
    outcome.valueKey = "per-side";
    outcome.fields.emplace_back("rods", static_cast<double>(4 * (perSide - 1)));
    Describe(outcome, *found->figures, method, in.units());
    AttachPlan(outcome, rod, layout, std::nullopt, in.units());
    AddCandidates(outcome, in, rod, *layout.spacingM, method, target, layout,
                  Headline(*found->figures, method));
    return outcome;
  }
  outcome.why = "no square of up to " + std::to_string(kMostPerSide) + " rods a side reaches " +
                FormatNumber(target) + " ohms: the lowest is " + ShowOhms(found->lowest) +
                " ohms, with " + std::to_string(found->lowestAt) + " a side";
  outcome.fields = {{"lowest_ohms", found->lowest},
                    {"lowest_per_side", static_cast<double>(found->lowestAt)}};
  AddCandidates(outcome, in, rod, *layout.spacingM, method, target, layout, std::nullopt);
  return outcome;
}

Result<Outcome> ComputeRods(Inputs& in) {
  const std::string solve(in.Choice("solve", false).value_or("count"));
  const std::optional<Rod> rod = ReadRod(in, solve == "length");
  const bool byCount = solve == "count";
  const bool square = in.Text("layout") && ReadChoice(*FindQuantity("layout"), *in.Text("layout")) ==
                                               std::optional<std::string_view>("square");
  std::optional<Layout> layout = byCount && !square ? ReadLayout(in, true)
                                                    : byCount ? ReadFixedLayoutForSquare(in)
                                                              : ReadFixedLayout(in, solve == "spacing");
  const std::optional<double> target = in.Required("target");
  const Method method = ReadMethod(in, rod);
  if (in.refusal()) return Refused(*in.refusal());
  std::vector<JsonMember> inputs = GroupInputs(*rod, *layout, method);
  inputs.emplace(inputs.end() - 1, "target", *target);
  if (!byCount) inputs.emplace(inputs.end() - 1, "solve", solve);
  Outcome outcome = StartOutcome("rods", in.units(), std::move(inputs));
  outcome.unit = "rods";
  outcome.valueKey = "rods";
  outcome.listWarnings = true;
  const double rho = rod->Rho();
  if (!SingleRodOhms(rho, rod->lengthM, rod->radiusM)) {
    return Unanswered(std::move(outcome), NoAnswer(kNoRod));
  }
  if (!byCount) return SolveContinuous(in, *rod, *layout, method, *target, solve == "spacing", std::move(outcome));
  if (square) return FewestPerSide(in, *rod, *layout, method, *target, std::move(outcome));
  const RodLine line = layout->name == "line" ? RodLine::kLine : RodLine::kRing;
  // Two rods stand as close as any count does, in a line and in a ring.
  const std::vector<RodPoint> two = LineLayout(2, *layout->spacingM);
  if (auto checked = CheckGroup(rho, rod->lengthM, rod->radiusM, two, in.units()); !checked) {
    return checked.Failed();
  }
  const Result<FewestRodsResult> searched =
      SearchLineOrRing(in, *rod, line, *layout->spacingM, method, *target);
  if (!searched) return Unanswered(std::move(outcome), searched.Failed());
  const FewestRodsResult& fewest = *searched;
  if (!fewest.rods) {
    outcome.why = "no " + layout->name + " of up to " + std::to_string(kMaxRods) +
                  " rods reaches " + FormatNumber(*target) + " ohms: the lowest is " +
                  ShowOhms(fewest.lowestOhms) + " ohms, with " + Rods(fewest.lowestAt);
    outcome.fields = {{"lowest_ohms", fewest.lowestOhms},
                      {"lowest_rods", static_cast<double>(fewest.lowestAt)}};
    AddCandidates(outcome, in, *rod, *layout->spacingM, method, *target, *layout, std::nullopt);
    return outcome;
  }
  layout->points = line == RodLine::kLine ? LineLayout(*fewest.rods, *layout->spacingM)
                                          : RingLayout(*fewest.rods, *layout->spacingM);
  const Result<Figures> figures = WorkOut(*rod, *layout, std::nullopt, in.units(), in.bounds());
  if (!figures) return Unanswered(std::move(outcome), figures.Failed());
  outcome.value = *fewest.rods;
  outcome.result = std::to_string(*fewest.rods);
  Describe(outcome, *figures, method, in.units());
  AttachPlan(outcome, *rod, *layout, std::nullopt, in.units());
  AddCandidates(outcome, in, *rod, *layout->spacingM, method, *target, *layout, fewest.ohms);
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
                 {"bond"},
                 kUnitsOption}),
       &ComputeGroup,
       "n identical rods bonded together, at one potential. By default the electrode\n"
       "solver works it out: each rod cut into segments whose currents are solved\n"
       "(the method of moments), finer toward the foot and where rods stand close;\n"
       "past its bound (4000 unknowns) the rods' mutual resistances stand in, each\n"
       "rod carrying a lone rod's current (a little high), with a warning. Beside it:\n"
       "--method mutual, the closed-form mutual resistances (Dwight's average\n"
       "potential with uniform current along each rod: fast, 0.4 to 2 % high at a\n"
       "rod length apart and more, 2 to 5 % closer; potential is its old name), and\n"
       "BS 7430's R = R1 (1 + lambda alpha) / n, alpha = rho / (2 pi R1 s), lambda\n"
       "from the standard's table for 2 to 10 rods in a line, from the positions\n"
       "otherwise (valid with the rods at least about their length apart); --method\n"
       "makes either the answer. For two rods Dwight's formulas (IEEE 142) too. The\n"
       "solver's one rod is 0.5 to 2 % below the rod formula, which takes the current\n"
       "as uniform. Layouts: --layout line --rods N, ring --rods N (neighbours S apart\n"
       "along the chord), square --per-side M (a hollow square), triangle, or points\n"
       "--at \"x,y x,y ...\" (up to 1000 rods). --bond DEPTH,DIAMETER counts the\n"
       "buried conductor bonding the rods, rod to rod in order (round a ring, square\n"
       "or triangle). In two-layer soil (--layers RHO1,H,RHO2) the solver alone.\n",
       "ostrevin-calc group --rho 200ohm-m --diameter 20mm --length 3m \\\n"
       "           --layout line --spacing 6m --rods 2 --units metric\n"
       "         34.491 ohms\n"
       "         2 rods at one potential by the electrode solver; one rod alone: ...\n"},
      {"rods", "a design for a wanted resistance: fewest rods, spacing or length",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, false, {}, "rod length, feet or metres (found with --solve length)"},
                 {"layout", OptionKind::kQuantity, true, {}, "line, ring or square", {}, false,
                  "line ring square"},
                 {"spacing",
                  OptionKind::kQuantity,
                  false,
                  {},
                  "rod spacing, feet or metres (for a ring the chord)",
                  "Rod spacing"},
                 {"target", OptionKind::kQuantity, true},
                 {"solve"},
                 {"rods", OptionKind::kQuantity, false, {}, "rods in the line or ring, when the count is fixed"},
                 {"per-side", OptionKind::kQuantity, false, {}, "rods a side of the square, when the count is fixed"},
                 {"method"},
                 kUnitsOption}),
       &ComputeRods,
       "A design for a wanted resistance T (as the group command works a group out,\n"
       "by --method). --solve count (the default): the fewest rods, up to 100, in a\n"
       "line or a ring at the spacing given, or the fewest rods a side of a hollow\n"
       "square (up to 26); every count is tried. --solve spacing: the spacing, with\n"
       "--rods (a line or ring) or --per-side (a square) fixed, from a tenth of the\n"
       "rod's length to fifty lengths; --solve length: the rods' length, from 0.3 m\n"
       "to 30 m, the count and spacing fixed; both continuous, to the millimetre.\n"
       "\"na\" names the lowest reached and where. The JSON gives the value solved\n"
       "under its option's name (rods, per-side, spacing or length) with its ohms.\n",
       "ostrevin-calc rods --rho 200ohm-m --diameter 16mm --length 3m \\\n"
       "           --layout line --spacing 6m --target 10 --units metric\n"
       "         9 rods\n"},
  };
}

}  // namespace ostrevin::calc
