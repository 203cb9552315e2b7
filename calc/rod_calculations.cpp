// The window's two rod calculations: the resistance of a rod of a given
// length, and the rod length for a wanted resistance, with the window's
// rounding and "na", and the reason "na" is given; and the same two in
// two-layer soil, by the electrode solver (core/rod_solver.h).
#include "calc/calculation_parts.h"
#include "core/electrode_formulas.h"
#include "core/rod_solver.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr const char* kTooShort =
    "the rod is shorter than e/4 of its radius, where the formula does not apply";

std::string InLayers(const TwoLayerSoil& layers, UnitSystem units) {
  return "in two layers, " + DescribeLayers(layers, units) + " (the electrode solver)";
}

Outcome LayeredResistance(const Soil& soil, double diameter, double length, UnitSystem units) {
  Outcome outcome = StartOutcome("resistance", units,
                                 soil.InputsWith({{"diameter", diameter}, {"length", length}}));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  const Result<double> ohms = SolvedRodOhms(EarthSoil{0, soil.layers},
                                            LengthToMetres(length, units),
                                            RodRadiusMetres(diameter, units));
  if (!ohms) {
    outcome.why = ohms.why();
    return outcome;
  }
  outcome.value = *ohms;
  outcome.result = FormatDouble("%.3f", *outcome.value);
  outcome.details = {InLayers(*soil.layers, units)};
  const double lengthM = LengthToMetres(length, units);
  const double radiusM = RodRadiusMetres(diameter, units);
  WarnNearInterface(
      outcome, *soil.layers, lengthM, radiusM,
      [&](const TwoLayerSoil& other) -> std::optional<double> {
        const Result<double> value = SolvedRodOhms(EarthSoil{0, other}, lengthM, radiusM);
        return value ? std::optional(*value) : std::nullopt;
      },
      [](double ohms) { return ShowOhms(ohms) + " ohms"; });
  return outcome;
}

Result<Outcome> ComputeResistance(Inputs& in) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  if (in.refusal()) return Refused(*in.refusal());
  if (soil->layers) return LayeredResistance(*soil, *diameter, *length, in.units());
  const double rho = soil->rho;
  Outcome outcome = StartOutcome("resistance", in.units(),
                                 soil->InputsWith({{"diameter", *diameter}, {"length", *length}}));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.value = RodResistance(rho, *diameter, LengthToMetres(*length, in.units()), in.units());
  if (outcome.value) {
    outcome.result = FormatDouble("%.3f", *outcome.value);
  } else {
    outcome.why = kTooShort;
  }
  return outcome;
}

std::string NoLengthReason(double rho, double diameter, double target, UnitSystem units) {
  const std::optional<double> peak = PeakRodResistance(rho, diameter, units);
  if (peak && target > *peak) {
    return "no rod length reaches " + FormatNumber(target) +
           " ohms: the highest resistance of this rod is " + FormatNumber(*peak) + " ohms";
  }
  return "no rod length up to " + FormatNumber(kScanUpperBound) + " m comes within " +
         FormatNumber(kScanTolerance) + " ohm of " + FormatNumber(target) + " ohms";
}

Outcome LengthInLayers(const Soil& soil, double diameter, double target, UnitSystem units) {
  Outcome outcome =
      StartOutcome("length", units, soil.InputsWith({{"diameter", diameter}, {"target", target}}));
  outcome.unit = LengthUnit(units);
  outcome.valueKey = "length_m";
  const Result<SolvedLength> searched =
      SolvedRodLength(EarthSoil{0, soil.layers}, RodRadiusMetres(diameter, units), target);
  if (!searched) {
    outcome.why = searched.why();
    return outcome;
  }
  const SolvedLength& found = *searched;
  outcome.value = found.lengthM;
  if (found.lengthM) {
    outcome.result = ShowLength(*found.lengthM, units);
    outcome.details = {InLayers(*soil.layers, units) +
                       "; with equal layers it may differ from uniform soil's 1 mm scan: the "
                       "rod formula takes the current as uniform and is 0.5 to 2 % higher"};
    const double radiusM = RodRadiusMetres(diameter, units);
    WarnNearInterface(
        outcome, *soil.layers, *found.lengthM, radiusM,
        [&](const TwoLayerSoil& other) -> std::optional<double> {
          const Result<SolvedLength> length = SolvedRodLength(EarthSoil{0, other}, radiusM, target);
          return length ? length->lengthM : std::nullopt;
        },
        [&](double metres) {
          return ShowLength(metres, units) + " " + std::string(LengthUnit(units));
        });
  } else if (!(found.shortestOhms > target)) {
    outcome.why = "even the shortest rod the method takes (" +
                     ShowLength(found.shortestM, units) + " " + std::string(LengthUnit(units)) +
                     ") is " + ShowOhms(found.shortestOhms) + " ohms, below " +
                     FormatNumber(target) + " ohms";
  } else {
    outcome.why = "no rod up to " + FormatNumber(kLongestRodM) + " m is as low as " +
                     FormatNumber(target) + " ohms: that one is " + ShowOhms(found.longestOhms) +
                     " ohms";
  }
  return outcome;
}

Result<Outcome> ComputeLength(Inputs& in) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  const auto target = in.Required("target");
  if (in.refusal()) return Refused(*in.refusal());
  if (soil->layers) return LengthInLayers(*soil, *diameter, *target, in.units());
  const double rho = soil->rho;
  Outcome outcome = StartOutcome("length", in.units(),
                                 soil->InputsWith({{"diameter", *diameter}, {"target", *target}}));
  outcome.unit = LengthUnit(in.units());
  outcome.valueKey = "length_m";
  outcome.value = FindRodLength(rho, *diameter, in.units(), *target);
  if (outcome.value) {
    outcome.result = ShowLength(*outcome.value, in.units());
  } else {
    outcome.why = NoLengthReason(rho, *diameter, *target, in.units());
  }
  return outcome;
}

}  // namespace

std::vector<Calculation> RodCalculations() {
  return {
      {"resistance", "the resistance of a rod of a given length",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, true},
                 kUnitsOption}),
       &ComputeResistance,
       "The resistance to earth, in ohms, of a rod driven L deep: the window's formula\n"
       "(rho / 100) (ln(4L / r) - 1) / (2 pi L), three decimals. In two-layer soil\n"
       "(--layers RHO1,H,RHO2) the electrode solver works it out: the rod cut into\n"
       "segments whose currents are solved with the layers' images (the method of\n"
       "moments).\n",
       "ostrevin-calc resistance --rho 2000 --diameter 0.625 --length 3\n"
       "         17.868 ohms\n"},
      {"length", "the rod length that gives a wanted resistance",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"target", OptionKind::kQuantity, true},
                 kUnitsOption}),
       &ComputeLength,
       "The rod length whose resistance to earth lies closest to T ohms\n(within " +
           FormatNumber(kScanTolerance) + " ohm), the shorter one on a tie; \"na\" when no length up to " +
           FormatNumber(kScanUpperBound) +
           " m\ncomes that close. In two-layer soil the length whose resistance is T, found"
           "\ncontinuously.\n",
       "ostrevin-calc length --rho 2000 --diameter 0.625 --target 10\n"
       "         6.100 ft\n"},
  };
}

}  // namespace ostrevin::calc
