// One rod checked by the code where it is installed: the US electrical
// code's 25-ohm rule (core/nec_rule.h), or the RCD rule of IEC 60364 and
// BS 7671 (core/rcd_rule.h). The rod's resistance, the verdict with the
// clause behind it, what a second rod 6 ft and twice the rod's length away
// achieves, where the rod falls short of the NEC; under the RCD rule, what
// would meet it where one rod does not.
#include <algorithm>
#include <array>

#include "calc/calculation_parts.h"
#include "core/electrode_formulas.h"
#include "core/rod_solver.h"
#include "core/length_search.h"
#include "core/nec_rule.h"
#include "core/number_text.h"
#include "core/rcd_rule.h"
#include "core/rod_groups.h"

namespace ostrevin::calc {

namespace {

std::string SecondRodLine(const SecondRod& rod, std::string_view where, UnitSystem units) {
  return "with a second rod " + LengthText(rod.spacingM, units) + " away" + std::string(where) +
         ", at one potential: " + ShowOhms(rod.ohms) + " ohms" +
         (rod.dwightOhms ? " (Dwight's formula: " + ShowOhms(*rod.dwightOhms) + " ohms)" : "");
}

// A limit as the codes print it: 1667, 83.333, 2.5.
std::string LimitText(double ohms) { return FormatDouble("%.5g", ohms); }

// The codes' words, in EarthCode's order: the option's choices and JSON's `code`.
constexpr std::array<std::string_view, 3> kCodeNames{"nec", "iec60364", "bs7671"};

EarthCode CodeOf(std::optional<std::string_view> word) {
  const auto* found = std::find(kCodeNames.begin(), kCodeNames.end(), word.value_or("nec"));
  return found == kCodeNames.end() ? EarthCode::kNec : static_cast<EarthCode>(found - kCodeNames.begin());
}

// Under the RCD rule, where one rod fails: the fewest rods in a line twice
// their length apart that meet the limit (the electrode solver's search, as
// the rods command's), and in uniform soil the one rod's length (the rod
// formula's, as the length command's).
void AddWaysToMeet(Outcome& outcome, const Inputs& in, const EarthSoil& soil, double lengthM,
                   double diameter, double limit) {
  const UnitSystem units = in.units();
  const double radiusM = RodRadiusMetres(diameter, units);
  SolveOptions options;
  options.progress = in.progress();
  options.maxBytes = in.bounds().bytes;
  const Result<FewestRodsResult> line =
      FewestSolvedRods(soil, lengthM, radiusM, RodLine::kLine, 2 * lengthM, limit, options);
  if (line && line->rods) {
    outcome.details.push_back("meets it: " + std::to_string(*line->rods) + " rods in a line " +
                              LengthText(2 * lengthM, units) + " apart (" + ShowOhms(line->ohms) +
                              " ohms at one potential, by the electrode solver)");
  }
  if (soil.layers) return;
  if (const std::optional<double> longer = FindRodLength(soil.rho, diameter, units, limit)) {
    outcome.details.push_back("or one rod " + LengthText(LengthToMetres(*longer, units), units) +
                              " long (the rod formula)");
  }
}

Result<Outcome> ComputeCheck(Inputs& in) {
  const auto soil = ReadSoil(in);
  const auto diameter = in.Required("diameter");
  const auto length = in.Required("length");
  const EarthCode code = CodeOf(in.Choice("code", false));
  std::optional<double> rcd;
  double ul = 50;
  if (code == EarthCode::kNec) {
    in.Refuse("rcd", "--code nec (the NEC judges one rod by 25 ohms): give --code iec60364 or bs7671");
    in.Refuse("ul", "--code nec (the NEC judges one rod by 25 ohms): give --code iec60364 or bs7671");
  } else {
    rcd = in.Required("rcd");
    if (const auto word = in.Choice("ul", false)) ul = *word == "25" ? 25 : 50;
  }
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
  const Result<SecondRods>& second = check->secondRods;
  const SecondRod* at6ft = second ? &second->at6ft : nullptr;
  const SecondRod* at2L = second ? &second->at2L : nullptr;
  const auto ohms = [](const SecondRod* rod) {
    return rod != nullptr ? JsonValue(rod->ohms) : JsonValue(nullptr);
  };
  const auto dwight = [](const SecondRod* rod) {
    return rod != nullptr && rod->dwightOhms ? JsonValue(*rod->dwightOhms) : JsonValue(nullptr);
  };
  // The rule: the NEC's 25 ohms, or the RCD's limit.
  RcdLimit limit{kNecMaxOhms, "250.53(A)(2)"};
  if (code != EarthCode::kNec) {
    const Result<RcdLimit> rcdLimit = RcdLimitOhms(code, *rcd, ul);
    if (!rcdLimit) return Refused(in.Named("rcd") + ": " + rcdLimit.why());
    limit = *rcdLimit;
  }
  const bool sufficient = check->singleOhms <= limit.ohms;
  outcome.result = ShowBeside(check->singleOhms, limit.ohms);
  outcome.fields = {{"sufficient", sufficient},
                    {"second_rod_6ft_ohms", ohms(at6ft)},
                    {"second_rod_2l_ohms", ohms(at2L)},
                    {"second_rod_6ft_dwight_ohms", dwight(at6ft)},
                    {"second_rod_2l_dwight_ohms", dwight(at2L)},
                    {"solver_single_ohms", JsonValue(check->solverSingleOhms)},
                    {"code", std::string(kCodeNames[static_cast<std::size_t>(code)])},
                    {"code_edition", CodeEdition(code)},
                    {"code_clause", CodeName(code) + " " + limit.clause},
                    {"limit_ohms", limit.ohms},
                    {"ul_volts", code == EarthCode::kNec ? JsonValue(nullptr) : JsonValue(ul)},
                    {"rcd_amps", rcd ? JsonValue(*rcd) : JsonValue(nullptr)}};
  outcome.listWarnings = true;
  if (code == EarthCode::kNec) {
    // The rule's notes (a rod shorter or thinner than the code's) are its warnings.
    outcome.warnings.insert(outcome.warnings.begin(), check->notes.begin(), check->notes.end());
    const std::string cited = std::string(kNecEdition) + ", ";
    outcome.details = {sufficient
                           ? "25 ohms or less: one rod suffices (" + cited + "250.53(A)(2))"
                           : "more than 25 ohms: a supplemental electrode is required (" + cited +
                                 "250.53(A)(2)), at least 6 ft (1.83 m) away (250.53(A)(3))"};
  } else {
    const double volts = check->singleOhms * *rcd;
    const std::string product = "R_A x I_dn = " + ShowOhms(check->singleOhms) + " ohms x " +
                                FormatNumber(*rcd * 1000) + " mA = " + FormatDouble("%.3g", volts) +
                                " V";
    const std::string rule = "at most " + LimitText(limit.ohms) + " ohms (" + CodeEdition(code) +
                             ", " + limit.clause + ")";
    outcome.details = {sufficient ? product + ", within U_L " + FormatNumber(ul) +
                                        " V: one rod suffices, " + rule
                                  : product + ", above U_L " + FormatNumber(ul) +
                                        " V: one rod is not enough, " + rule};
    if (code == EarthCode::kBs7671 && check->singleOhms > kStableOhms) {
      outcome.warnings.emplace_back(
          "above 200 ohms an electrode may not be stable (the IET On-Site Guide): its resistance "
          "moves with the season and the soil's moisture");
    }
    if (!sufficient) {
      AddWaysToMeet(outcome, in, EarthSoil{soil->rho, soil->layers}, lengthM, *diameter, limit.ohms);
    }
  }
  if (second) {
    // 6 ft is the NEC's least spacing; the RCD rule's reader wants twice the length.
    if (code == EarthCode::kNec) outcome.details.push_back(SecondRodLine(second->at6ft, "", in.units()));
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
      {"check", "one rod by the code: the US 25-ohm rule, or the RCD rule",
       WithSoil({{"rho"},
                 {"diameter", OptionKind::kQuantity, true},
                 {"length", OptionKind::kQuantity, true},
                 {"code"},
                 {"rcd"},
                 {"ul"},
                 kUnitsOption}),
       &ComputeCheck,
       "The National Electrical Code (NEC 2020/2023): one rod of 25 ohms or less\n"
       "suffices (250.53(A)(2)); otherwise a supplemental electrode is required, at\n"
       "least 6 ft (1.83 m) away (250.53(A)(3)). Gives the rod's resistance (the rod\n"
       "formula, unrounded; in two layers the electrode solver's), the verdict, and a\n"
       "second rod 6 ft and twice the rod length away (by the electrode solver, whose\n"
       "one rod is given beside them; Dwight's formula too), and notes a rod\n"
       "shorter than 8 ft (250.52(A)(5)), thinner than 5/8 in (1/2 in listed;\n"
       "250.52(A)(5)(b)), or a second rod at twice its length under 6 ft away.\n"
       "\n"
       "--code iec60364 (IEC 60364-4-41:2005+A1:2017, 411.5.3) or bs7671 (BS 7671:\n"
       "2018+A2:2022, 411.5.3 and Table 41.5) judge the rod against its RCD instead:\n"
       "R_A x I_dn <= U_L, with --rcd the RCD's rated residual current (30mA) and\n"
       "--ul 50, or 25 in a special location. Where one rod fails, the fewest rods in\n"
       "a line twice their length apart (as the rods command finds them) and, in\n"
       "uniform soil, the one rod's length (as the length command) that meet it.\n"
       "Under BS 7671 a rod above 200 ohms is warned of as perhaps unstable (the IET\n"
       "On-Site Guide).\n",
       "ostrevin-calc check --rho 10000 --diameter 0.625 --length 8\n"
       "         39.905 ohms\n"
       "         more than 25 ohms: a supplemental electrode is required, ...\n"},
  };
}

}  // namespace ostrevin::calc
