#include "core/nec_rule.h"

#include <string>

#include "core/number_text.h"
#include "core/rod_groups.h"
#include "core/rod_solver.h"

namespace ostrevin {

namespace {

constexpr double kFoot = 0.3048;

Result<SecondRod> SecondRodAt(const EarthSoil& soil, double lengthM, double radiusM,
                              double spacingM) {
  const std::vector<RodPoint> two = LineLayout(2, spacingM);
  const double rho = soil.layers ? soil.layers->rho1 : soil.rho;
  if (auto checked = CheckGroup(rho, lengthM, radiusM, two); !checked) return checked.Failed();
  const Result<RodGroupAnswer> group = SolvedGroup(soil, lengthM, radiusM, two);
  OSTREVIN_PASS_ON(group);
  const std::optional<double> dwight =
      soil.layers ? std::nullopt : DwightTwoRods(rho, lengthM, radiusM, spacingM);
  return SecondRod{spacingM, group->ohms, dwight};
}

}  // namespace

std::string ShowBeside(double value, double bound) {
  for (int decimals = 3; decimals < 17; ++decimals) {
    std::string text = FormatDouble("%." + std::to_string(decimals) + "f", value);
    const double shown = *ParseNumber(text);
    if ((shown > bound) == (value > bound) && (shown < bound) == (value < bound)) return text;
  }
  return FormatNumber(value);
}

namespace {

NecCheck JudgeSingleRod(double singleOhms, Result<SecondRods> secondRods, double lengthM,
                        double diameterM) {
  NecCheck check{singleOhms, singleOhms <= kNecMaxOhms, std::move(secondRods), {}, {}};
  // A rod given as 8 ft or 5/8 in meets the rule, whatever the last bit of
  // its conversion to metres.
  constexpr double kSlack = 1e-9;
  if (lengthM < kNecMinLengthM * (1 - kSlack)) {
    check.notes.push_back("the rod is " + ShowBeside(lengthM / kFoot, 8) +
                          " ft long: the code asks for at least 8 ft (250.52(A)(5))");
  }
  if (diameterM < kNecListedMinDiameterM * (1 - kSlack)) {
    check.notes.emplace_back(
        "the rod is thinner than 1/2 in, the least even for a listed rod (250.52(A)(5)(b))");
  } else if (diameterM < kNecMinDiameterM * (1 - kSlack)) {
    check.notes.emplace_back(
        "the rod is thinner than 5/8 in: only a listed rod of 1/2 in or more qualifies "
        "(250.52(A)(5)(b))");
  }
  if (2 * lengthM < kNecMinSpacingM * (1 - kSlack)) {
    check.notes.push_back("a second rod at twice the length stands " +
                          ShowBeside(2 * lengthM / kFoot, 6) +
                          " ft away, under the code's 6 ft (250.53(A)(3))");
  }
  return check;
}

}  // namespace

Result<NecCheck> CheckSingleRodRule(const EarthSoil& soil, double lengthM, double diameterM) {
  const double radius = diameterM / 2;
  const Result<double> solved = SolvedRodOhms(soil, lengthM, radius);
  std::optional<double> single;
  if (soil.layers) {
    OSTREVIN_PASS_ON(solved);
    single = *solved;
  } else {
    single = SingleRodOhms(soil.rho, lengthM, radius);
    if (!single) {
      return NoAnswer(
          "the rod is shorter than e/4 of its radius, where the formula does not apply");
    }
  }
  const auto secondRods = [&]() -> Result<SecondRods> {
    const Result<SecondRod> at6ft = SecondRodAt(soil, lengthM, radius, kNecMinSpacingM);
    OSTREVIN_PASS_ON(at6ft);
    const Result<SecondRod> at2L = SecondRodAt(soil, lengthM, radius, 2 * lengthM);
    OSTREVIN_PASS_ON(at2L);
    return SecondRods{*at6ft, *at2L};
  };
  NecCheck check = JudgeSingleRod(*single, secondRods(), lengthM, diameterM);
  if (solved) check.solverSingleOhms = *solved;
  return check;
}

}  // namespace ostrevin
