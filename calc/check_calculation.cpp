// The US electrical code's rule for one rod (core/nec_rule.h): the rod's
// resistance, the verdict with the clause behind it, what a second rod 6 ft
// and twice the rod's length away achieves, and where the rod falls short.
#include "calc/calculation_parts.h"
#include "core/electrode_formulas.h"
#include "core/rod_solver.h"
#include "core/nec_rule.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

std::string SecondRodLine(const SecondRod& rod, std::string_view where, UnitSystem units) {
  return "with a second rod " + LengthText(rod.spacingM, units) + " away" + std::string(where) +
         ", at one potential: " + ShowOhms(rod.ohms) + " ohms" +
         (rod.dwightOhms ? " (Dwight's formula: " + ShowOhms(*rod.dwightOhms) + " ohms)" : "");
}

Result<Outcome> ComputeCheck(Inputs& in) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  if (in.refusal()) return Refused(*in.refusal());
  Outcome outcome = StartOutcome("check", in.units(),
                                 soil->InputsWith({{"diameter", *diameter}, {"length", *length}}));
  outcome.unit = "ohms";
  outcome.valueKey = "single_ohms";
  const double lengthM = LengthToMetres(*length, in.units());
  const double diameterM = 2 * RodRadiusMetres(*diameter, in.units());
  const Result<NecCheck> check =
      CheckSingleRodRule(EarthSoil{soil->rho, soil->layers}, lengthM, diameterM);
  if (!check) return Unanswered(std::move(outcome), check.Failed());
  outcome.value = check->singleOhms;
  outcome.result = ShowBeside(check->singleOhms, kNecMaxOhms);
  const Result<SecondRods>& second = check->secondRods;
  const SecondRod* at6ft = second ? &second->at6ft : nullptr;
  const SecondRod* at2L = second ? &second->at2L : nullptr;
  const auto ohms = [](const SecondRod* rod) {
    return rod != nullptr ? JsonValue(rod->ohms) : JsonValue(nullptr);
  };
  const auto dwight = [](const SecondRod* rod) {
    return rod != nullptr && rod->dwightOhms ? JsonValue(*rod->dwightOhms) : JsonValue(nullptr);
  };
  outcome.fields = {{"sufficient", check->sufficient},
                    {"second_rod_6ft_ohms", ohms(at6ft)},
                    {"second_rod_2l_ohms", ohms(at2L)},
                    {"second_rod_6ft_dwight_ohms", dwight(at6ft)},
                    {"second_rod_2l_dwight_ohms", dwight(at2L)},
                    {"solver_single_ohms", JsonValue(check->solverSingleOhms)},
                    {"code", std::string(kNecEdition)}};
  // The rule's notes (a rod shorter or thinner than the code's) are its warnings.
  outcome.listWarnings = true;
  outcome.warnings.insert(outcome.warnings.begin(), check->notes.begin(), check->notes.end());
  const std::string code = std::string(kNecEdition) + ", ";
  outcome.details = {check->sufficient
                         ? "25 ohms or less: one rod suffices (" + code + "250.53(A)(2))"
                         : "more than 25 ohms: a supplemental electrode is required (" + code +
                               "250.53(A)(2)), at least 6 ft (1.83 m) away (250.53(A)(3))"};
  if (second) {
    outcome.details.push_back(SecondRodLine(second->at6ft, "", in.units()));
    outcome.details.push_back(SecondRodLine(second->at2L, " (twice the length)", in.units()));
    if (!soil->layers && check->solverSingleOhms) {
      outcome.details.push_back("the second rods by the electrode solver, whose one rod is " +
                                ShowOhms(*check->solverSingleOhms) +
                                " ohms (the rod formula takes the current as uniform)");
    }
  } else {
    outcome.details.push_back("no second-rod values: " + second.why());
  }
  if (soil->layers) {
    WarnNearInterface(
        outcome, *soil->layers, lengthM, diameterM / 2,
        [&](const TwoLayerSoil& other) -> std::optional<double> {
          const Result<double> value = SolvedRodOhms(EarthSoil{0, other}, lengthM, diameterM / 2);
          return value ? std::optional(*value) : std::nullopt;
        },
        [](double ohms) { return ShowOhms(ohms) + " ohms"; });
    outcome.details.insert(
        outcome.details.begin(),
        "in two layers, " + DescribeLayers(*soil->layers, in.units()) + " (the electrode solver)");
  }
  return outcome;
}

}  // namespace

std::vector<Calculation> CheckCalculations() {
  return {
      {"check", "the single-rod rule of the US electrical code (25 ohms)",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, true},
                 kUnitsOption}),
       &ComputeCheck,
       "The National Electrical Code (NEC 2020/2023): one rod of 25 ohms or less\n"
       "suffices (250.53(A)(2)); otherwise a supplemental electrode is required, at\n"
       "least 6 ft (1.83 m) away (250.53(A)(3)). Gives the rod's resistance (the rod\n"
       "formula, unrounded; in two layers the electrode solver's), the verdict, and a\n"
       "second rod 6 ft and twice the rod length away (by the electrode solver, whose\n"
       "one rod is given beside them; Dwight's formula too), and notes a rod\n"
       "shorter than 8 ft (250.52(A)(5)), thinner than 5/8 in (1/2 in listed;\n"
       "250.52(A)(5)(b)), or a second rod at twice its length under 6 ft away.\n",
       "ostrevin-calc check --rho 10000 --diameter 0.625 --length 8\n"
       "         39.905 ohms\n"
       "         more than 25 ohms: a supplemental electrode is required, ...\n"},
  };
}

}  // namespace ostrevin::calc
