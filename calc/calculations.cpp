#include "calc/calculations.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <iterator>
#include <memory>

#include "calc/calculation_parts.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin::calc {

namespace {

// A design's search: to a hundredth of a millimetre (finer than it prints),
// at most this many halvings of its bracket.
constexpr double kDesignStepM = 1e-5;
constexpr int kMostDesignSolves = 40;

// A name with a dot is a member of an object member ("en50522.branch").
constexpr std::array<std::string_view, 23> kBatchColumns{
    "result",           "unit",             "value",           "error",
    "sufficient",       "second_rod_6ft_ohms", "second_rod_2l_ohms", "gpr_volts",
    "mesh_volts",       "step_volts",       "touch_limit_volts", "step_limit_volts",
    "verdict",          "mesh_volts_ieee80", "step_volts_ieee80", "verdict_ieee80",
    "touch_volts",      "fence_touch_volts", "fence_verdict",   "limit_ohms",
    "en50522.u_tp_volts", "en50522.u_vtp_volts", "en50522.branch"};

// The outcome's field for a batch column, a member of an object for "a.b".
const JsonValue* ColumnField(const Outcome& outcome, std::string_view column) {
  const std::size_t dot = column.find('.');
  if (dot == std::string_view::npos) return outcome.Field(column);
  return outcome.Member(column.substr(0, dot), column.substr(dot + 1));
}

}  // namespace

std::string Inputs::Named(std::string_view name) const { return NameOf(name, context_); }

std::nullopt_t Inputs::Fail(std::string message) {
  if (!refusal_) refusal_ = std::move(message);
  return std::nullopt;
}

void Inputs::Refuse(std::string_view name, std::string_view because) {
  if (Given(name)) Fail(Named(name) + " does not go with " + std::string(because));
}

std::optional<double> Inputs::Optional(std::string_view name) {
  const std::optional<std::string_view> text = lookup_(name);
  if (!text || refusal_) return std::nullopt;
  Result<QuantityValue> reading = ReadQuantity(*FindQuantity(name), *text, context_);
  if (!reading) return Fail(reading.why());
  if (!reading->hint.empty()) hints_.push_back(std::move(reading->hint));
  return reading->value;
}

std::optional<double> Inputs::Required(std::string_view name) {
  if (!Given(name)) return Fail(Named(name) + " is missing");
  return Optional(name);
}

std::optional<std::string_view> Inputs::Choice(std::string_view name, bool required) {
  const std::optional<std::string_view> text = lookup_(name);
  if (!text) return required ? Fail(Named(name) + " is missing") : std::nullopt;
  const Quantity& quantity = *FindQuantity(name);
  const std::optional<std::string_view> word = ReadChoice(quantity, *text);
  if (!word) return Fail(ChoiceError(quantity, *text, context_));
  return word;
}

std::span<const Calculation> Calculations() {
  static const std::vector<Calculation> table = [] {
    std::vector<Calculation> all;
    for (auto part :
         {&RodCalculations, &ResistivityCalculations, &GroupCalculations, &CheckCalculations,
          &ElectrodeCalculations, &SafetyCalculations}) {
      std::vector<Calculation> some = part();
      std::move(some.begin(), some.end(), std::back_inserter(all));
    }
    return all;
  }();
  return table;
}

const Calculation* FindCalculation(std::string_view name) {
  const auto all = Calculations();
  const auto it =
      std::find_if(all.begin(), all.end(), [&](const Calculation& c) { return c.name == name; });
  return it == all.end() ? nullptr : std::to_address(it);
}

namespace {

// The design: the least value of the option whose resistance is at most the
// target (to a millimetre, or a whole mesh), the calculation's outcome there
// with that value as its answer and the resistance beside it; "na" naming
// the lowest reachable and where.
Result<Outcome> Design(const Calculation& calculation, const DesignFor& design,
                       const InputLookup& input, const ReadContext& context,
                       const WorkBounds& bounds, const Progress& progress) {
  Inputs in(input, context);
  const std::optional<double> target = in.Required("target");
  if (input(design.option)) {
    in.Fail(in.Named(design.option) + " is what " + in.Named("target") + " finds: give one of them");
  }
  if (in.refusal()) return Refused(*in.refusal());
  std::string trial;
  const InputLookup at = [&](std::string_view name) -> std::optional<std::string_view> {
    if (name == design.option) return std::string_view(trial);
    if (name == "target") return std::nullopt;
    return input(name);
  };
  const auto text = [&](double x) {
    const std::string n = std::to_string(static_cast<int>(x));
    return design.meshes ? n + "x" + n : FormatNumber(x) + "m";
  };
  const UnitSystem units = context.units;
  const auto shown = [&](double x) {
    return design.meshes ? text(x) : ShowLength(x, units) + " " + std::string(LengthUnit(units));
  };
  // The outcome at x, its inputs without the option found.
  // Told after every solve, of about as many as the search takes.
  const double expected =
      3 + std::log2(design.meshes ? design.hi - design.lo : (design.hi - design.lo) / kDesignStepM);
  int solves = 0;
  const auto solve = [&](double x) -> Result<Outcome> {
    trial = text(x);
    Result<Outcome> done = Calculate(calculation, at, context, {}, bounds);
    if (progress) progress(std::min(0.99, ++solves / expected));
    if (done && !done->value) return NoAnswer(done->why);
    if (done) std::erase_if(done->inputs, [&](const JsonMember& m) { return m.first == design.option; });
    return done;
  };
  double lo = design.lo;
  double hi = design.hi;
  Result<Outcome> best = solve(hi);
  if (!best) return best;
  const double lowest = *best->value;
  if (lowest > *target) {
    Outcome na = StartOutcome(best->command, units, best->inputs);
    na.inputs.emplace_back("target", *target);
    na.unit = best->unit;
    na.valueKey = std::string(design.option);
    na.why = "no " + std::string(design.option) + " up to " + shown(hi) + " reaches " +
             FormatNumber(*target) + " ohms: the lowest is " + ShowOhms(lowest) + " ohms, at " + shown(hi);
    na.fields = {{"lowest_ohms", lowest}};
    return na;
  }
  // The least tried raised while it is refused (a ring smaller than ten
  // conductor diameters); any other failure stops the search with it: a
  // failure is never taken as "does not reach".
  Result<Outcome> low = solve(lo);
  while (low.refused() && !design.meshes && 2 * lo < hi) {
    lo *= 2;
    low = solve(lo);
  }
  if (!low) return low;
  const bool atLowest = *low->value <= *target;
  if (atLowest) {
    hi = lo;
    best = std::move(low);
  }
  // Bisection: `hi` reaches the target, `lo` does not.
  std::optional<std::string> stopped;
  if (!atLowest) {
    const Result<Bisection> found = Bisect(
        [&](double x) -> Result<bool> {
          Result<Outcome> tried = solve(x);
          OSTREVIN_PASS_ON(tried);
          if (*tried->value > *target) return true;
          best = std::move(tried);
          return false;
        },
        lo, hi, kDesignStepM, design.meshes ? Halving::kWhole : Halving::kLinear, kMostDesignSolves);
    OSTREVIN_PASS_ON(found);
    hi = found->hi;
    if (!found->narrowed) {
      stopped = "the search stopped after " + std::to_string(kMostDesignSolves) +
                " solves: the answer lies between " + shown(found->lo) + " and " + shown(found->hi);
    }
  }
  // A length printed to its third decimal rounded toward meeting the
  // target (longer is lower), worked out at what is printed: the least
  // printed value that reaches it.
  if (!design.meshes && !atLowest) {
    const double printed = LengthToMetres(RoundedUp(LengthFromMetres(hi, units)), units);
    if (printed > hi) {
      Result<Outcome> rounded = solve(printed);
      if (!rounded) return rounded;
      hi = printed;
      best = std::move(rounded);
    }
  }
  Outcome outcome = *std::move(best);
  const double ohms = *outcome.value;
  outcome.inputs.emplace_back("target", *target);
  outcome.fields.insert(outcome.fields.begin(), {"ohms", ohms});
  outcome.valueKey = std::string(design.option);
  outcome.value = design.meshes ? hi : LengthFromMetres(hi, units);
  outcome.result = design.meshes ? text(hi) : ShowLength(hi, units);
  outcome.unit = design.meshes ? "meshes" : std::string(LengthUnit(units));
  outcome.details.insert(outcome.details.begin(),
                         ShowOhms(ohms) + " ohms, the least " + std::string(design.option) +
                             " that reaches " + FormatNumber(*target) + " ohms");
  if (atLowest) {
    outcome.warnings.push_back("the least " + std::string(design.option) + " tried, " + shown(lo) +
                               ", already reaches the target");
  }
  if (stopped) outcome.warnings.push_back(*stopped);
  if (progress) progress(1);
  return outcome;
}

}  // namespace

Result<Outcome> Calculate(const Calculation& calculation, const InputLookup& input,
                          const ReadContext& context, const Progress& progress,
                          const WorkBounds& bounds) {
  if (calculation.design && input("target")) {
    return Design(calculation, *calculation.design, input, context, bounds, progress);
  }
  Inputs inputs(input, context, progress, bounds);
  Result<Outcome> result = calculation.compute(inputs);
  if (inputs.refusal()) return Refused(*inputs.refusal());
  if (result) {
    Outcome* outcome = &*result;
    outcome->notes.insert(outcome->notes.begin(), inputs.hints().begin(), inputs.hints().end());
    if (!AllFinite(*outcome)) {
      // A formula used where it has no value: never shown as a number.
      Outcome na = StartOutcome(outcome->command, outcome->units, outcome->inputs);
      na.unit = outcome->unit;
      na.valueKey = outcome->valueKey;
      na.notes = outcome->notes;
      na.why = "the formula gives no finite value for these inputs";
      return na;
    }
  }
  return result;
}

std::span<const std::string_view> BatchColumns() { return kBatchColumns; }

std::vector<std::string> BatchCells(const Outcome& outcome, char decimalMark) {
  const auto number = [&](std::string text) {
    if (decimalMark != '.') std::replace(text.begin(), text.end(), '.', decimalMark);
    return text;
  };
  std::string error = outcome.why;
  const auto add = [&](std::string_view kind, const std::string& text) {
    error += (error.empty() ? "" : "; ") + std::string(kind) + text;
  };
  for (const std::string& warning : outcome.warnings) add("warning: ", warning);
  for (const std::string& note : outcome.notes) add("note: ", note);
  std::vector<std::string> cells{number(outcome.result), outcome.value ? outcome.unit : "",
                                 outcome.value ? number(FormatNumber(*outcome.value)) : "", error};
  for (std::size_t i = cells.size(); i < kBatchColumns.size(); ++i) {
    const JsonValue* field = ColumnField(outcome, kBatchColumns[i]);
    if (field == nullptr) {
      cells.emplace_back();
    } else {
      cells.push_back(std::holds_alternative<double>(*field) ? number(ToCell(*field))
                                                             : ToCell(*field));
    }
  }
  return cells;
}

std::string_view LengthUnit(UnitSystem units) { return IsMetric(units) ? "m" : "ft"; }
std::string_view DiameterUnit(UnitSystem units) { return IsMetric(units) ? "m" : "in"; }

std::string ShowLength(double metres, UnitSystem units) {
  return FormatDouble("%.3f", RoundTo3Places(LengthFromMetres(metres, units)));
}

double RoundedUp(double value) {
  const double thousandths = value * 1000;
  const double near = std::round(thousandths);
  // Within rounding of a whole thousandth, that thousandth.
  if (std::abs(thousandths - near) <= 1e-9 * std::max(1.0, std::abs(thousandths))) return near / 1000;
  return std::ceil(thousandths) / 1000;
}

std::string LengthText(double metres, UnitSystem units) {
  return FormatNumber(RoundTo3Places(LengthFromMetres(metres, units))) + " " +
         std::string(LengthUnit(units));
}

std::string FixedLength(double metres, UnitSystem units) {
  std::string shown = FormatNumber(metres) + " m";
  if (IsMetric(units)) return shown;
  return shown + " (" + FormatDouble("%.2f", LengthFromMetres(metres, units)) + " " +
         std::string(LengthUnit(units)) + ")";
}

std::string PlaceText(double x, double y, UnitSystem units) {
  return "at (" + FormatDouble("%.2f", LengthFromMetres(x, units)) + ", " +
         FormatDouble("%.2f", LengthFromMetres(y, units)) + ") " + std::string(LengthUnit(units));
}

}  // namespace ostrevin::calc
