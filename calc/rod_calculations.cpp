// The window's two rod calculations: the resistance of a rod of a given
// length, and the rod length for a wanted resistance, with the window's
// rounding and "na", and the reason "na" is given.
#include "calc/calculation_parts.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr const char* kTooShort =
    "the rod is shorter than e/4 of its radius, where the formula does not apply";

std::variant<Outcome, std::string> ComputeResistance(Inputs& in) {
  const auto rho = in.Required("rho");
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  if (in.error()) return *in.error();
  Outcome outcome = StartOutcome("resistance", in.units(),
                                 {{"rho", *rho}, {"diameter", *diameter}, {"length", *length}});
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.value = RodResistance(*rho, *diameter, LengthToMetres(*length, in.units()), in.units());
  if (outcome.value) {
    outcome.result = FormatDouble("%.3f", *outcome.value);
  } else {
    outcome.reason = kTooShort;
  }
  return outcome;
}

std::string NoLengthReason(double rho, double diameter, double target, int units) {
  const std::optional<double> peak = PeakRodResistance(rho, diameter, units);
  if (peak && target > *peak) {
    return "no rod length reaches " + FormatNumber(target) +
           " ohms: the highest resistance of this rod is " + FormatNumber(*peak) + " ohms";
  }
  return "no rod length up to " + FormatNumber(kScanUpperBound) + " m comes within " +
         FormatNumber(kScanTolerance) + " ohm of " + FormatNumber(target) + " ohms";
}

std::variant<Outcome, std::string> ComputeLength(Inputs& in) {
  const auto rho = in.Required("rho");
  const auto diameter = in.Required("diameter");
  const auto target = in.Required("target");
  if (in.error()) return *in.error();
  Outcome outcome = StartOutcome("length", in.units(),
                                 {{"rho", *rho}, {"diameter", *diameter}, {"target", *target}});
  outcome.unit = LengthUnit(in.units());
  outcome.valueKey = "length_m";
  outcome.value = FindRodLength(*rho, *diameter, in.units(), *target);
  if (outcome.value) {
    outcome.result = ShowLength(*outcome.value, in.units());
  } else {
    outcome.reason = NoLengthReason(*rho, *diameter, *target, in.units());
  }
  return outcome;
}

}  // namespace

std::vector<Calculation> RodCalculations() {
  return {
      {"resistance",
       "the resistance of a rod of a given length",
       {{"rho", OptionKind::kQuantity, true},
        {"diameter", OptionKind::kQuantity, true},
        {"length", OptionKind::kQuantity, true},
        kUnitsOption},
       &ComputeResistance,
       "The resistance to earth, in ohms, of a rod driven L deep: the window's formula\n"
       "(rho / 100) (ln(4L / r) - 1) / (2 pi L), three decimals.\n",
       "ostrevin-calc resistance --rho 2000 --diameter 0.625 --length 3\n"
       "         17.868 ohms\n"},
      {"length",
       "the rod length that gives a wanted resistance",
       {{"rho", OptionKind::kQuantity, true},
        {"diameter", OptionKind::kQuantity, true},
        {"target", OptionKind::kQuantity, true},
        kUnitsOption},
       &ComputeLength,
       "The rod length whose resistance to earth lies closest to T ohms (within " +
           FormatNumber(kScanTolerance) +
           " ohm),\nthe shorter one on a tie; \"na\" when no length up to " +
           FormatNumber(kScanUpperBound) + " m comes that close.\n",
       "ostrevin-calc length --rho 2000 --diameter 0.625 --target 10\n"
       "         6.100 ft\n"},
  };
}

}  // namespace ostrevin::calc
