#include "core/rod_groups.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {


double OhmMetres(double rhoOhmCm) { return rhoOhmCm / 100; }

double Distance(const RodPoint& a, const RodPoint& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// BS 7430's factor for 2 to 10 rods in a line, as the standard tabulates it
// (four rods: 2.15, as its worked example uses).
constexpr std::array<double, 9> kLineLambda{1.00, 1.66, 2.15, 2.54, 2.87, 3.15, 3.39, 3.61, 3.80};

}  // namespace

std::optional<double> SingleRodOhms(double rho, double lengthM, double radiusM) {
  if (!(rho > 0 && lengthM > 0 && radiusM > 0) || !std::isfinite(rho) || !std::isfinite(lengthM) ||
      !std::isfinite(radiusM)) {
    return std::nullopt;
  }
  const double ohms = OhmMetres(rho) / (2 * kPi * lengthM) * (std::log(4 * lengthM / radiusM) - 1);
  if (!(ohms > 0) || !std::isfinite(ohms)) return std::nullopt;
  return ohms;
}

double MutualRodOhms(double rho, double lengthM, double distanceM) {
  const double u = distanceM / (2 * lengthM);
  return OhmMetres(rho) / (2 * kPi * lengthM) * (std::asinh(1 / u) - std::sqrt(1 + u * u) + u);
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

double NearestDistance(std::span<const RodPoint> rods) {
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < rods.size(); ++i) {
    for (std::size_t j = i + 1; j < rods.size(); ++j) {
      nearest = std::min(nearest, Distance(rods[i], rods[j]));
    }
  }
  return nearest;
}

Checked CheckGroup(double rho, double lengthM, double radiusM, std::span<const RodPoint> rods,
                   UnitSystem units) {
  if (rods.empty()) return Refused("the group has no rods");
  if (rods.size() > kMaxGroupRods) {
    return Refused(std::to_string(rods.size()) + " rods: a group may have at most " +
                   std::to_string(kMaxGroupRods));
  }
  if (!SingleRodOhms(rho, lengthM, radiusM)) {
    return Refused("the rod is shorter than e/4 of its radius, where the formula does not apply");
  }
  if (lengthM < kMinSlenderness * radiusM) {
    return Refused("the rod is shorter than " + FormatNumber(kMinSlenderness) +
                   " times its radius: group methods need slender rods");
  }
  for (std::size_t i = 0; i < rods.size(); ++i) {
    if (!std::isfinite(rods[i].x) || !std::isfinite(rods[i].y)) {
      return Refused("a rod has no position");
    }
    for (std::size_t j = 0; j < i; ++j) {
      const double apart = Distance(rods[i], rods[j]);
      // Touching rods are accepted, whatever the last bit of their positions.
      if (!(apart >= 2 * radiusM * (1 - 1e-9))) {
        const bool metric = IsMetric(units);
        return Refused(
            "rods " + std::to_string(j + 1) + " and " + std::to_string(i + 1) + " stand " +
            FormatDouble("%.3f", LengthFromMetres(apart, units)) + (metric ? " m" : " ft") +
            " apart, closer than their diameter (" +
            FormatDouble("%.3f", metric ? 2 * radiusM : 2 * radiusM / kMetresPerInch) +
            (metric ? " m)" : " in)"));
      }
    }
  }
  return Ok{};
}

Result<double> PotentialGroupOhms(double rho, double lengthM, double radiusM,
                                  std::span<const RodPoint> rods) {
  if (auto checked = CheckGroup(rho, lengthM, radiusM, rods); !checked) return checked.Failed();
  const std::size_t n = rods.size();
  std::vector<double> resistance(n * n);
  const double self = *SingleRodOhms(rho, lengthM, radiusM);
  for (std::size_t i = 0; i < n; ++i) {
    resistance[i * n + i] = self;
    for (std::size_t j = 0; j < i; ++j) {
      resistance[i * n + j] = resistance[j * n + i] =
          MutualRodOhms(rho, lengthM, Distance(rods[i], rods[j]));
    }
  }
  const Result<Network> network = SolveNetwork(resistance, std::vector<double>(n, 1));
  if (!network) {
    return NoAnswer(network.Failed().detail.code == kNotPositiveDefinite
                        ? "the rods' mutual resistances are not positive definite: the "
                          "line-source model does not hold for these rods"
                        : "the group's currents could not be solved");
  }
  return 1 / network->conductance;
}

std::optional<double> PositionLambda(std::span<const RodPoint> rods, double spacing) {
  if (rods.empty() || !(spacing > 0)) return std::nullopt;
  double sum = 0;
  for (std::size_t i = 0; i < rods.size(); ++i) {
    for (std::size_t j = 0; j < rods.size(); ++j) {
      if (i == j) continue;
      const double distance = Distance(rods[i], rods[j]);
      if (!(distance > 0)) return std::nullopt;
      sum += spacing / distance;
    }
  }
  return sum / static_cast<double>(rods.size());
}

std::optional<double> TabulatedLineLambda(int rods) {
  if (rods < 2 || rods > static_cast<int>(kLineLambda.size()) + 1) return std::nullopt;
  return kLineLambda[static_cast<std::size_t>(rods - 2)];
}

Result<Bs7430Group> Bs7430GroupOhms(double rho, double lengthM, double radiusM,
                                    std::span<const RodPoint> rods, double spacing,
                                    TabulatedLayout layout) {
  if (auto checked = CheckGroup(rho, lengthM, radiusM, rods); !checked) return checked.Failed();
  if (!(spacing > 0) || !std::isfinite(spacing)) return Refused("the spacing is not positive");
  const int n = static_cast<int>(rods.size());
  Bs7430Group group;
  const std::optional<double> table =
      layout == TabulatedLayout::kLine ? TabulatedLineLambda(n) : std::nullopt;
  const std::optional<double> lambda = table ? table : PositionLambda(rods, spacing);
  if (!lambda) return Refused("two rods stand at one place");
  const double single = *SingleRodOhms(rho, lengthM, radiusM);
  const double alpha = OhmMetres(rho) / (2 * kPi * single * spacing);
  group.lambda = *lambda;
  group.tabulated = table.has_value();
  group.ohms = single * (1 + *lambda * alpha) / n;
  group.closeSpacing = n > 1 && spacing < lengthM;
  if (group.ohms > single) {
    return NoAnswer("the factors give " + FormatDouble("%.3f", group.ohms) + " ohms for " +
                    std::to_string(n) + " rods, more than one rod alone (" +
                    FormatDouble("%.3f", single) +
                    " ohms), which no group can be: they do not hold with the rods this close");
  }
  return group;
}

std::optional<double> DwightTwoRods(double rho, double lengthM, double radiusM, double spacing) {
  if (!SingleRodOhms(rho, lengthM, radiusM) || !(spacing > 0) || !std::isfinite(spacing)) {
    return std::nullopt;
  }
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

Result<FewestRodsResult> FewestRods(double rho, double lengthM, double radiusM, RodLine layout,
                                    double spacing, double targetOhms, GroupMethod method) {
  FewestRodsResult result;
  const auto positions = [&](int rods) {
    return layout == RodLine::kLine ? LineLayout(rods, spacing) : RingLayout(rods, spacing);
  };
  // Two rods are the closest any count stands, in a line and in a ring.
  if (auto checked = CheckGroup(rho, lengthM, radiusM, positions(2)); !checked) {
    return checked.Failed();
  }
  const TabulatedLayout table =
      layout == RodLine::kLine ? TabulatedLayout::kLine : TabulatedLayout::kNone;
  for (int rods = 1; rods <= kMaxRods; ++rods) {
    const std::vector<RodPoint> points = positions(rods);
    double ohms = 0;
    if (method == GroupMethod::kPotential) {
      const Result<double> group = PotentialGroupOhms(rho, lengthM, radiusM, points);
      OSTREVIN_PASS_ON(group);
      ohms = *group;
    } else {
      // A count whose factors give more than one rod reaches nothing.
      const Result<Bs7430Group> group =
          Bs7430GroupOhms(rho, lengthM, radiusM, points, spacing, table);
      if (group.refused()) return group.Failed();
      if (!group) continue;
      ohms = group->ohms;
    }
    if (rods == 1 || ohms < result.lowestOhms) {
      result.lowestOhms = ohms;
      result.lowestAt = rods;
    }
    if (ohms <= targetOhms) {
      result.rods = rods;
      result.ohms = ohms;
      return result;
    }
  }
  return result;
}

}  // namespace ostrevin
