// The soil's resistivity from a measurement: a four-probe (Wenner) reading,
// at the surface as the window has it or with the probes driven deep, or a
// rod driven and measured.
#include "calc/calculation_parts.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "core/soil_resistivity.h"

namespace ostrevin::calc {

namespace {

Outcome ResistivityOutcome(const Inputs& in, std::vector<JsonMember> inputs,
                           std::optional<double> ohmCm) {
  Outcome outcome = StartOutcome("rho", in.units(), std::move(inputs));
  outcome.unit = "ohm-cm";
  outcome.valueKey = "ohm_cm";
  outcome.value = ohmCm;
  if (ohmCm && in.context().answerOhmMetres) {
    // In ohm-m the figure the window shows in ohm-cm, moved two places.
    outcome.unit = "ohm-m";
    outcome.result = FormatNumber(RoundResistivity(*ohmCm) / 100);
    outcome.fields.emplace_back("ohm_m", *ohmCm / 100);
  } else if (ohmCm) {
    outcome.result = FormatNumber(RoundResistivity(*ohmCm));
  }
  if (ohmCm) {
    if (*ohmCm > kHighestSoilOhmCm) {
      outcome.warnings.push_back("more than " + FormatNumber(kHighestSoilOhmCm) +
                                 " ohm-cm is beyond any soil: check the reading and the rod");
    }
  }
  return outcome;
}

Result<Outcome> FromDrivenRod(Inputs& in, std::optional<double> reading) {
  if (in.Given("spacing") || in.Given("depth")) {
    return Refused(in.Named("rod-length") + " measures a driven rod; " + in.Named("spacing") +
                   " and " + in.Named("depth") + " a four-probe reading: give one or the other");
  }
  const auto length = in.Required("rod-length");
  const auto diameter = in.Required("diameter");
  if (in.refusal()) return Refused(*in.refusal());
  Outcome outcome = ResistivityOutcome(
      in, {{"rod-length", *length}, {"diameter", *diameter}, {"reading", *reading}},
      ResistivityFromRod(LengthToMetres(*length, in.units()),
                         RodRadiusMetres(*diameter, in.units()), *reading));
  if (!outcome.value) {
    outcome.why = "the rod is shorter than e/4 of its radius, where the formula does not apply";
  }
  return outcome;
}

Result<Outcome> ComputeRho(Inputs& in) {
  const std::optional<double> reading = in.Required("reading");
  if (in.Given("rod-length")) return FromDrivenRod(in, reading);
  if (in.Given("diameter")) {
    return Refused(in.Named("diameter") + " goes with " + in.Named("rod-length") +
                   " (resistivity from a driven rod)");
  }
  const auto spacing = in.Required("spacing");
  const auto depth = in.Optional("depth");
  if (in.refusal()) return Refused(*in.refusal());
  if (!depth || *depth == 0) {
    // The window's own formula, rounding and all.
    return ResistivityOutcome(in, {{"spacing", *spacing}, {"reading", *reading}},
                              ResistivityFromProbes(*spacing, *reading, in.units()));
  }
  return ResistivityOutcome(in, {{"spacing", *spacing}, {"reading", *reading}, {"depth", *depth}},
                            WennerResistivity(LengthToMetres(*spacing, in.units()),
                                              LengthToMetres(*depth, in.units()), *reading));
}

}  // namespace

std::vector<Calculation> ResistivityCalculations() {
  return {
      {"rho",
       "the soil resistivity from a four-probe reading or a driven rod",
       {{"spacing"},
        {"reading", OptionKind::kQuantity, true},
        {"depth"},
        {"rod-length"},
        {"diameter",
         OptionKind::kQuantity,
         false,
         {},
         "the driven rod's diameter, inches or metres"},
        kUnitsOption},
       &ComputeRho,
       "The soil resistivity, ohm-cm, whole above 1000 ohm-cm, three decimals at 1000\n"
       "and below. From a four-probe (Wenner) reading with the probes A apart:\n"
       "2 pi A R x 100, as the window; with the probes B deep (Wenner 1915, IEEE 81):\n"
       "4 pi A R / (1 + 2A / sqrt(A^2 + 4B^2) - A / sqrt(A^2 + B^2)) x 100.\n"
       "From a rod L long driven and measured at R ohms (the rod formula solved for\n"
       "rho): 2 pi L R / (ln(4L/r) - 1) x 100, with --rod-length and --diameter;\n"
       "above 1000000 ohm-cm, beyond any soil, with a warning.\n",
       "ostrevin-calc rho --spacing 3 --reading 1\n"
       "         574.534 ohm-cm\n"},
  };
}

}  // namespace ostrevin::calc
