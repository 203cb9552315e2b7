#include "core/rod_groups.h"

#include "core/number_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrevin {

namespace {

constexpr double kPi = std::numbers::pi;

double OhmMetres(double rhoOhmCm) { return rhoOhmCm / 100; }

bool Applies(double rho, double lengthM, double radiusM) {
  return rho > 0 && radiusM > 0 && lengthM > radiusM * std::numbers::e / 4 && std::isfinite(rho) &&
         std::isfinite(lengthM) && std::isfinite(radiusM);
}

}  // namespace

std::optional<double> SingleRodOhms(double rho, double lengthM, double radiusM) {
  if (!Applies(rho, lengthM, radiusM)) return std::nullopt;
  return OhmMetres(rho) / (2 * kPi * lengthM) * (std::log(4 * lengthM / radiusM) - 1);
}

std::vector<RodPoint> LineLayout(int rods, double spacing) {
  std::vector<RodPoint> points(static_cast<std::size_t>(std::max(rods, 0)));
  for (std::size_t i = 0; i < points.size(); ++i) points[i] = {static_cast<double>(i) * spacing, 0};
  return points;
}

std::vector<RodPoint> TriangleLayout(double spacing) {
  return {{0, 0}, {spacing, 0}, {spacing / 2, spacing * std::sqrt(3.0) / 2}};
}

std::vector<RodPoint> HollowSquareLayout(int perSide, double spacing) {
  std::vector<RodPoint> points;
  if (perSide < 2) return points;
  const int last = perSide - 1;
  for (int i = 0; i < perSide; ++i) {
    for (int j = 0; j < perSide; ++j) {
      if (i == 0 || j == 0 || i == last || j == last) points.push_back({i * spacing, j * spacing});
    }
  }
  return points;
}

std::vector<RodPoint> RingLayout(int rods, double spacing) {
  std::vector<RodPoint> points;
  if (rods == 1) points.push_back({0, 0});
  if (rods < 2) return points;
  const double radius = spacing / (2 * std::sin(kPi / rods));
  for (int i = 0; i < rods; ++i) {
    const double angle = 2 * kPi * i / rods;
    points.push_back({radius * std::cos(angle), radius * std::sin(angle)});
  }
  return points;
}

std::optional<double> GroupLambda(std::span<const RodPoint> rods, double spacing) {
  if (rods.empty() || !(spacing > 0)) return std::nullopt;
  double sum = 0;
  for (std::size_t i = 0; i < rods.size(); ++i) {
    for (std::size_t j = 0; j < rods.size(); ++j) {
      if (i == j) continue;
      const double distance = std::hypot(rods[i].x - rods[j].x, rods[i].y - rods[j].y);
      if (!(distance > 0)) return std::nullopt;
      sum += spacing / distance;
    }
  }
  return sum / static_cast<double>(rods.size());
}

std::optional<GroupResult> GroupResistance(double rho, double lengthM, double radiusM,
                                           std::span<const RodPoint> rods, double spacing) {
  const std::optional<double> single = SingleRodOhms(rho, lengthM, radiusM);
  const std::optional<double> lambda = GroupLambda(rods, spacing);
  if (!single || !lambda) return std::nullopt;
  const double alpha = OhmMetres(rho) / (2 * kPi * *single * spacing);
  GroupResult result;
  result.rods = static_cast<int>(rods.size());
  result.singleOhms = *single;
  result.lambda = *lambda;
  result.ohms = *single * (1 + *lambda * alpha) / result.rods;
  result.closeSpacing = result.rods > 1 && spacing < lengthM;
  return result;
}

std::optional<double> DwightTwoRods(double rho, double lengthM, double radiusM, double spacing) {
  if (!Applies(rho, lengthM, radiusM) || !(spacing > 0)) return std::nullopt;
  const double p = OhmMetres(rho);
  const double l = lengthM;
  const double s = spacing;
  if (s > l) {
    return p / (4 * kPi * l) * (std::log(4 * l / radiusM) - 1) +
           p / (4 * kPi * s) *
               (1 - l * l / (3 * s * s) + 2 * std::pow(l, 4) / (5 * std::pow(s, 4)));
  }
  return p / (4 * kPi * l) *
         (std::log(4 * l / radiusM) + std::log(4 * l / s) - 2 + s / (2 * l) - s * s / (16 * l * l) +
          std::pow(s, 4) / (512 * std::pow(l, 4)));
}

FewestRodsResult FewestRods(double rho, double lengthM, double radiusM, RodLine layout,
                            double spacing, double targetOhms) {
  FewestRodsResult result;
  if (!SingleRodOhms(rho, lengthM, radiusM) || !(spacing > 0)) {
    result.reason = "the rod formula does not apply to this rod";
    return result;
  }
  double lowest = 0;
  for (int rods = 1; rods <= kMaxRods; ++rods) {
    const std::vector<RodPoint> points =
        layout == RodLine::kLine ? LineLayout(rods, spacing) : RingLayout(rods, spacing);
    const std::optional<GroupResult> group =
        GroupResistance(rho, lengthM, radiusM, points, spacing);
    if (!group) break;
    if (group->ohms <= targetOhms) {
      result.count = RodCount{rods, group->ohms};
      return result;
    }
    if (rods > 1 && group->ohms >= lowest) {
      result.reason = "adding rods stops helping at " + std::to_string(rods - 1) + " rods";
      return result;
    }
    lowest = group->ohms;
  }
  result.reason =
      "even " + std::to_string(kMaxRods) + " rods give " + FormatDouble("%.3f", lowest) + " ohms";
  return result;
}

std::optional<NecCheck> CheckSingleRodRule(double rho, double lengthM, double diameterM) {
  const double radius = diameterM / 2;
  const std::optional<double> single = SingleRodOhms(rho, lengthM, radius);
  const std::optional<double> at6ft = DwightTwoRods(rho, lengthM, radius, kNecMinSpacingM);
  const std::optional<double> at2L = DwightTwoRods(rho, lengthM, radius, 2 * lengthM);
  if (!single || !at6ft || !at2L) return std::nullopt;
  NecCheck check;
  check.singleOhms = *single;
  check.sufficient = *single <= kNecMaxOhms;
  check.secondRod6ftOhms = *at6ft;
  check.secondRod2LOhms = *at2L;
  // A rod given as 8 ft or 5/8 in meets the rule, whatever the last bit of
  // its conversion to metres.
  constexpr double kSlack = 1e-9;
  if (lengthM < kNecMinLengthM * (1 - kSlack)) {
    check.warnings.push_back("the rod is " + FormatDouble("%.2f", lengthM / 0.3048) +
                             " ft long: the code asks for at least 8 ft");
  }
  if (diameterM < kNecListedMinDiameterM * (1 - kSlack)) {
    check.warnings.emplace_back("the rod is thinner than 1/2 in, the least even for a listed rod");
  } else if (diameterM < kNecMinDiameterM * (1 - kSlack)) {
    check.warnings.emplace_back(
        "the rod is thinner than 5/8 in: only a listed rod of 1/2 in or more qualifies");
  }
  return check;
}

std::optional<double> ResistivityFromRod(double lengthM, double radiusM, double ohms) {
  if (!Applies(1, lengthM, radiusM) || !(ohms > 0)) return std::nullopt;
  return 2 * kPi * lengthM * ohms / (std::log(4 * lengthM / radiusM) - 1) * 100;
}

double WennerResistivity(double spacingM, double depthM, double ohms) {
  const double a = spacingM;
  const double b = depthM;
  const double denominator =
      1 + 2 * a / std::sqrt(a * a + 4 * b * b) - a / std::sqrt(a * a + b * b);
  return 4 * kPi * a * ohms / denominator * 100;
}

}  // namespace ostrevin
