#include "core/rod_solver.h"

#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "core/electrode_layouts.h"
#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {

const std::vector<RodPoint> kOneRod{{0, 0}};

std::string Count(std::size_t n) { return std::to_string(n); }

// Mutual resistances between rods that each carry a lone rod's current
// profile: M(d) = sum_a sum_b I_a I_b m_ab(d), m_ab the segments' mutual
// resistance with one rod moved d along x. Distances met once are worked
// out once; beyond kExact distinct ones, M is tabulated against log d
// (24 points a decade, cubic) and read from the table.
class ProfileMutuals {
 public:
  ProfileMutuals(const Solution& lone, double spanM)
      : lone_(lone), kernel_(lone.soil, spanM + 1, lone.depthM + 1) {}

  // How many mutual resistances were worked out (each a double sum over
  // the lone rod's segments): the distances met, or the table's points.
  std::size_t Sums() const { return sums_; }

  double At(double d) {
    const auto [it, made] = exact_.try_emplace(std::llround(d * 1e9), 0.0);
    if (made) it->second = Sum(d);
    return it->second;
  }

  void Tabulate(double nearest, double farthest) {
    low_ = std::log10(nearest) - 2 * kStep;
    const int count = static_cast<int>(std::ceil((std::log10(farthest) - low_) / kStep)) + 3;
    table_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) table_[static_cast<std::size_t>(i)] = Sum(std::pow(10, low_ + i * kStep));
  }

  double Read(double d) const {
    const double u = (std::log10(d) - low_) / kStep;
    const int i = std::clamp(static_cast<int>(std::floor(u)), 1, static_cast<int>(table_.size()) - 3);
    const double t = u - i;
    const auto y = [&](int k) { return table_[static_cast<std::size_t>(k)]; };
    const std::array<double, 4> w = CatmullRomWeights(t);  // through i-1 .. i+2
    return w[0] * y(i - 1) + w[1] * y(i) + w[2] * y(i + 1) + w[3] * y(i + 2);
  }

 private:
  static constexpr double kStep = 1.0 / 24;

  double Sum(double d) {
    ++sums_;
    double sum = 0;
    for (std::size_t a = 0; a < lone_.elements.size(); ++a) {
      for (std::size_t b = 0; b < lone_.elements.size(); ++b) {
        Element moved = lone_.elements[b];
        moved.line.a.x += d;
        moved.line.b.x += d;
        sum += lone_.amperes[a] * lone_.amperes[b] * kernel_.Mutual(lone_.elements[a], moved);
      }
    }
    return sum;
  }

  const Solution& lone_;
  EarthKernel kernel_;
  std::map<long long, double> exact_;
  std::vector<double> table_;
  double low_ = 0;
  std::size_t sums_ = 0;
};

constexpr std::size_t kExact = 512;

// The group from rods each carrying a lone rod's current profile, and how
// many mutual resistances that took.
struct ProfileGroup {
  double ohms = 0;
  std::size_t sums = 0;
};
Result<ProfileGroup> ProfileGroupOhms(const EarthSoil& soil, double lengthM, double radiusM,
                                std::span<const RodPoint> rods, const Progress& progress) {
  const std::vector<Conductor> one = RodsAt(kOneRod, lengthM, 2 * radiusM);
  const Result<Solution> lone = SolveElectrode(one, soil);
  OSTREVIN_PASS_ON(lone);
  const auto n = static_cast<Eigen::Index>(rods.size());
  Eigen::MatrixXd distance(n, n);
  double nearest = INFINITY;
  double farthest = 0;
  std::map<long long, int> distinct;
  for (Eigen::Index i = 0; i < n; ++i) {
    for (Eigen::Index j = 0; j < i; ++j) {
      const RodPoint& p = rods[static_cast<std::size_t>(i)];
      const RodPoint& q = rods[static_cast<std::size_t>(j)];
      const double d = std::hypot(p.x - q.x, p.y - q.y);
      distance(i, j) = d;
      nearest = std::min(nearest, d);
      farthest = std::max(farthest, d);
      if (distinct.size() <= kExact) distinct.emplace(std::llround(d * 1e9), 0);
    }
  }
  ProfileMutuals mutual(*lone, farthest);
  const bool tabulated = distinct.size() > kExact;
  if (tabulated) mutual.Tabulate(nearest, farthest);
  if (progress) progress(0.5);
  Eigen::MatrixXd matrix(n, n);
  for (Eigen::Index i = 0; i < n; ++i) {
    matrix(i, i) = lone->ohms;
    for (Eigen::Index j = 0; j < i; ++j) {
      matrix(i, j) = matrix(j, i) = tabulated ? mutual.Read(distance(i, j)) : mutual.At(distance(i, j));
    }
  }
  const Result<Network> network = SolveNetwork({matrix.data(), static_cast<std::size_t>(matrix.size())},
                                               std::vector<double>(static_cast<std::size_t>(n), 1));
  if (progress) progress(1);
  if (!network) {
    return NoAnswer(network.Failed().detail.code == kNotPositiveDefinite
                        ? "the rods' mutual resistances are not positive definite"
                        : "the rods' currents could not be solved");
  }
  return ProfileGroup{1 / network->conductance, mutual.Sums()};
}

// A group past the solver's bound, by the rods' mutual resistances; `why`
// the solver's refusal.
Result<RodGroupAnswer> FallBack(const EarthSoil& soil, double lengthM, double radiusM,
                                std::span<const RodPoint> rods, const Why& why, const SolveOptions& options) {
  const Result<ProfileGroup> group = ProfileGroupOhms(soil, lengthM, radiusM, rods, options.progress);
  OSTREVIN_PASS_ON(group);
  RodGroupAnswer answer;
  answer.ohms = group->ohms;
  answer.fallback = true;
  answer.mutualSums = group->sums;
  const std::vector<std::size_t>& items = why.detail.items;
  answer.notes.push_back(Count(rods.size()) + " rods need more than the solver's bound of " + MemoryText(items[3]) +
                         " (about " + MemoryText(items[2]) +
                         "): the rods' mutual resistances are used instead, each rod carrying a "
                         "lone rod's current (a little high: by 0.1 % with the rods a length apart, 2 % at a "
                         "tenth of it)");
  return answer;
}

}  // namespace

Result<RodGroupAnswer> SolvedGroup(const EarthSoil& soil, double lengthM, double radiusM,
                                   std::span<const RodPoint> rods, const std::optional<Bond>& bond,
                                   const SolveOptions& options) {
  std::vector<Conductor> conductors = RodsAt(rods, lengthM, 2 * radiusM);
  if (bond) {
    const std::vector<Conductor> joining =
        BondConductors(rods, bond->closed, bond->depthM, bond->diameterM);
    conductors.insert(conductors.end(), joining.begin(), joining.end());
  }
  const Result<Solution> solved = SolveElectrode(conductors, soil, options);
  if (solved.refused() && solved.Failed().detail.code == kTooLarge && !bond && rods.size() > 1) {
    return FallBack(soil, lengthM, radiusM, rods, solved.Failed(), options);
  }
  OSTREVIN_PASS_ON(solved);
  return RodGroupAnswer{solved->ohms, solved->elements.size(), false, solved->compressed, solved->notes};
}

Result<double> SolvedRodOhms(const EarthSoil& soil, double lengthM, double radiusM) {
  const Result<Solution> solved = SolveElectrode(RodsAt(kOneRod, lengthM, 2 * radiusM), soil);
  OSTREVIN_PASS_ON(solved);
  return solved->ohms;
}

Result<FewestRodsResult> FewestSolvedRods(const EarthSoil& soil, double lengthM, double radiusM,
                                          RodLine layout, double spacing, double targetOhms,
                                          const SolveOptions& options) {
  SolveOptions quiet = options;
  quiet.progress = {};
  const auto group = [&](int rods) -> Result<double> {
    if (rods == 1) return SolvedRodOhms(soil, lengthM, radiusM);
    const std::vector<RodPoint> at =
        layout == RodLine::kLine ? LineLayout(rods, spacing) : RingLayout(rods, spacing);
    const Result<RodGroupAnswer> solved = SolvedGroup(soil, lengthM, radiusM, at, std::nullopt, quiet);
    OSTREVIN_PASS_ON(solved);
    return solved->ohms;
  };
  // More rods, a lower resistance (each added rod is another way out, and
  // the rods' segments are cut alike from two rods on): doubling the count
  // to the first that reaches the target, then halving the bracket.
  FewestRodsResult result;
  int below = 0;  // a count that does not reach the target
  int above = 1;  // one that may
  double ohmsAbove = 0;
  for (;;) {
    if (options.progress) options.progress(0.5 * std::log2(above) / std::log2(kMaxRods));
    const Result<double> ohms = group(above);
    OSTREVIN_PASS_ON(ohms);
    ohmsAbove = *ohms;
    if (ohmsAbove <= targetOhms || above == kMaxRods) break;
    below = above;
    above = std::min(2 * above, kMaxRods);
  }
  if (ohmsAbove > targetOhms) {
    result.lowestOhms = ohmsAbove;
    result.lowestAt = kMaxRods;
    return result;
  }
  const Result<Bisection> halved = Bisect(
      [&](double count) -> Result<bool> {
        if (options.progress) options.progress(0.5 + 0.5 / (above - count));
        const Result<double> ohms = group(static_cast<int>(count));
        OSTREVIN_PASS_ON(ohms);
        if (*ohms > targetOhms) return true;  // too few: the answer is above
        ohmsAbove = *ohms;
        above = static_cast<int>(count);
        return false;
      },
      below, above, 1, Halving::kWhole);
  OSTREVIN_PASS_ON(halved);
  result.rods = above;
  result.ohms = ohmsAbove;
  result.lowestOhms = ohmsAbove;
  result.lowestAt = above;
  return result;
}

Result<SolvedLength> SolvedRodLength(const EarthSoil& soil, double radiusM, double targetOhms) {
  SolvedLength result;
  std::optional<Why> failed;
  const auto ohms = [&](double length) -> double {
    const Result<double> value = SolvedRodOhms(soil, length, radiusM);
    if (!value) {
      failed = value.Failed();
      return NAN;
    }
    return *value;
  };
  result.shortestM = std::max(kMinSlenderness * radiusM, 1e-3);
  if (!(result.shortestM < kLongestRodM)) {
    return Refused("the rod is too thick for any length up to " + FormatNumber(kLongestRodM) +
                   " m");
  }
  // Along a geometric scale to the first length at or below the target,
  // then halving the bracket (in the logarithm) to a part in 10^9.
  constexpr int kSteps = 24;
  const double ratio = std::pow(kLongestRodM / result.shortestM, 1.0 / kSteps);
  double shorter = result.shortestM;
  double above = ohms(shorter);
  result.shortestOhms = above;
  if (failed) return *failed;
  if (!(above > targetOhms)) {
    result.longestOhms = ohms(kLongestRodM);
    // cppcheck-suppress identicalConditionAfterEarlyExit ; ohms() sets it
    if (failed) return *failed;
    return result;
  }
  double longer = shorter;
  double below = above;
  for (int step = 1; step <= kSteps && below > targetOhms; ++step) {
    shorter = longer;
    longer = step == kSteps ? kLongestRodM : result.shortestM * std::pow(ratio, step);
    below = ohms(longer);
    if (failed) return *failed;
  }
  result.longestOhms = below;
  if (below > targetOhms) return result;
  const Result<Bisection> halved = Bisect(
      [&](double length) -> Result<bool> {
        const double at = ohms(length);
        if (failed) return *failed;
        return at > targetOhms;
      },
      shorter, longer, 1e-9, Halving::kGeometric);
  OSTREVIN_PASS_ON(halved);
  result.lengthM = std::sqrt(halved->lo * halved->hi);
  return result;
}

}  // namespace ostrevin
