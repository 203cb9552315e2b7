#include "core/fall_of_potential.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "core/numerics.h"

namespace ostrevin {
namespace {

// Tagg's hemisphere with its electrical centre c behind the origin, the
// current probe at 1: the reading at x, less the true resistance, in units
// of rho / 2 pi.
double Bracket(double x, double c, double d) { return 1 / (x + c) - 1 / (d - x) + 1 / (d + c); }

double SlopeMu(double c) {
  const auto r = [c](double x) { return -Bracket(x, c, 1); };
  return (r(0.6) - r(0.4)) / (r(0.4) - r(0.2));
}

// Where a function rising through zero once on [lo, hi] crosses it, to 1e-15.
double RisingRoot(const std::function<double(double)>& f, double lo, double hi) {
  const Result<Bisection> found =
      Bisect([&](double x) -> Result<bool> { return f(x) < 0; }, lo, hi, 1e-15);
  return (found->lo + found->hi) / 2;  // a side is never a failure here
}

// For an offset c, the least-squares R and k (weights 1 / reading^2: the
// misfit is relative) and the sum of squared relative misfits.
struct LinearFit {
  double ohms = 0, k = 0, misfit = std::numeric_limits<double>::infinity();
};

LinearFit FitFor(std::span<const FallReading> readings, double d, double c) {
  // Minimise sum w (R - k g - y)^2: normal equations in R and k.
  double sw = 0;
  double sg = 0;
  double sgg = 0;
  double sy = 0;
  double sgy = 0;
  for (const FallReading& r : readings) {
    const double w = 1 / (r.ohms * r.ohms);
    const double g = Bracket(r.distanceM, c, d);
    sw += w;
    sg += w * g;
    sgg += w * g * g;
    sy += w * r.ohms;
    sgy += w * g * r.ohms;
  }
  const double det = sw * sgg - sg * sg;
  LinearFit fit;
  if (!(std::abs(det) > 1e-300)) return fit;
  fit.ohms = (sy * sgg - sg * sgy) / det;
  fit.k = (sg * sy - sw * sgy) / det;
  fit.misfit = 0;
  for (const FallReading& r : readings) {
    const double e = (fit.ohms - fit.k * Bracket(r.distanceM, c, d) - r.ohms) / r.ohms;
    fit.misfit += e * e;
  }
  if (!std::isfinite(fit.misfit)) fit.misfit = std::numeric_limits<double>::infinity();
  return fit;
}

Result<CurveFit> FitCurve(std::span<const FallReading> readings, double d) {
  // c = -x0 + (x0 + d) t / (1 - t) spans (-x0, infinity) for t in (0, 1):
  // scanned, then the best interval narrowed by golden sections.
  const double x0 = readings.front().distanceM;
  const auto offset = [&](double t) { return -x0 + (x0 + d) * t / (1 - t); };
  const auto misfit = [&](double t) { return FitFor(readings, d, offset(t)).misfit; };
  constexpr int kScan = 400;
  constexpr double kLow = 1e-4;
  constexpr double kHigh = 0.999;
  int best = 0;
  double bestMisfit = std::numeric_limits<double>::infinity();
  for (int i = 0; i <= kScan; ++i) {
    const double m = misfit(kLow + (kHigh - kLow) * i / kScan);
    if (m < bestMisfit) {
      bestMisfit = m;
      best = i;
    }
  }
  double a = kLow + (kHigh - kLow) * std::max(best - 1, 0) / kScan;
  double b = kLow + (kHigh - kLow) * std::min(best + 1, kScan) / kScan;
  const double golden = (std::sqrt(5.0) - 1) / 2;
  for (int i = 0; i < 100 && b - a > 1e-14; ++i) {
    const double p = b - golden * (b - a);
    const double q = a + golden * (b - a);
    if (misfit(p) < misfit(q)) {
      b = q;
    } else {
      a = p;
    }
  }
  const double c = offset((a + b) / 2);
  const LinearFit fit = FitFor(readings, d, c);
  if (!std::isfinite(fit.misfit)) return NoAnswer("the readings fit no electrode's profile");
  if (!(fit.k > 0)) {
    return NoAnswer("the readings do not rise toward the current probe as an electrode's do");
  }
  // What no electrode gives: the readings, not the electrode, were fitted.
  if (!(fit.ohms > 0)) {
    return NoAnswer("the fitted resistance is not positive: the readings follow no ideal "
                    "electrode's profile (the current probe too close for the electrode's size?)");
  }
  if (c >= d) {
    return NoAnswer("the fit puts the electrical centre beyond the current probe: the readings "
                    "follow no ideal electrode's profile (the current probe too close for the "
                    "electrode's size?)");
  }
  return CurveFit{fit.ohms, fit.k, c,
                  100 * std::sqrt(fit.misfit / static_cast<double>(readings.size()))};
}

std::string Rows(int a, int b) { return "rows " + std::to_string(a) + " and " + std::to_string(b); }

}  // namespace

std::optional<double> ReadingAt(std::span<const FallReading> sorted, double x) {
  if (sorted.empty() || x < sorted.front().distanceM || x > sorted.back().distanceM) {
    return std::nullopt;
  }
  const auto above = std::lower_bound(sorted.begin(), sorted.end(), x,
      [](const FallReading& r, double v) { return r.distanceM < v; });
  if (above->distanceM == x || above == sorted.begin()) return above->ohms;
  const FallReading& below = *(above - 1);
  const double t = (x - below.distanceM) / (above->distanceM - below.distanceM);
  return below.ohms + t * (above->ohms - below.ohms);
}

double FittedReading(const CurveFit& fit, double currentProbeM, double x) {
  return fit.ohms - fit.k * Bracket(x, fit.offsetM, currentProbeM);
}

Result<double> SlopePosition(double mu) {
  if (!(mu >= kMinSlopeMu && mu <= kMaxSlopeMu)) {
    return NoAnswer("mu is outside 0.4 to 1.6: the current probe is too close, or the readings "
                    "are disturbed; move the current probe further away");
  }
  // mu rises with the offset c; the position is where the bracket vanishes.
  const double c = RisingRoot([mu](double c) { return SlopeMu(c) - mu; }, -0.15, 1.0);
  return RisingRoot([c](double x) { return -Bracket(x, c, 1); }, std::max(-c, 0.0) + 1e-12,
                    1 - 1e-12);
}

Result<FallTestReading> ReadFallTest(std::span<const FallReading> readings, double currentProbeM,
                                     std::optional<double> largestDimensionM) {
  if (!(currentProbeM > 0) || !std::isfinite(currentProbeM)) {
    return Refused("the current probe's distance must be above zero");
  }
  for (const FallReading& r : readings) {
    const std::string row = "row " + std::to_string(r.row);
    if (!(r.distanceM > 0) || !std::isfinite(r.distanceM)) {
      return Refused(row + ": the potential probe must stand beyond the electrode's centre");
    }
    if (r.distanceM >= currentProbeM) {
      return Refused(row + ": the potential probe stands at or beyond the current probe");
    }
    if (!(r.ohms > 0) || !std::isfinite(r.ohms)) return Refused(row + ": a reading must be above zero");
  }
  // Sorted by distance, the user's order kept among equals.
  std::vector<FallReading> sorted(readings.begin(), readings.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const FallReading& a, const FallReading& b) { return a.distanceM < b.distanceM; });
  std::vector<FallReading> kept;
  for (const FallReading& r : sorted) {
    if (!kept.empty() && kept.back().distanceM == r.distanceM) {
      if (kept.back().ohms != r.ohms) {
        return Refused(Rows(std::min(kept.back().row, r.row), std::max(kept.back().row, r.row)) +
                       " read the same distance differently");
      }
      continue;
    }
    kept.push_back(r);
  }
  if (kept.size() < kMinFallReadings) {
    return Refused("at least 3 readings at different distances are needed; " +
                   std::to_string(kept.size()) + " given");
  }

  FallTestReading answer;
  // Readings in the user's order that fall below the one nearer the electrode.
  for (std::size_t i = 1; i < kept.size(); ++i) {
    if (kept[i].ohms < kept[i - 1].ohms) answer.fallingRows.push_back(kept[i].row);
  }
  std::sort(answer.fallingRows.begin(), answer.fallingRows.end());

  const double d = currentProbeM;
  const auto at = [&](double share) { return ReadingAt(kept, share * d); };
  if (const auto r = at(kRuleShare)) {
    answer.ohms618 = *r;
  } else {
    answer.ohms618 = NoAnswer("the readings do not reach 61.8 % of the current probe's distance "
                              "from both sides");
  }

  const auto r52 = at(0.52);
  const auto r62 = at(0.62);
  const auto r72 = at(0.72);
  if (r52 && r62 && r72) {
    answer.ohms52 = *r52;
    answer.ohms62 = *r62;
    answer.ohms72 = *r72;
    answer.plateau = std::max(std::abs(*r52 - *r62), std::abs(*r72 - *r62)) <= kPlateauShare * *r62;
  } else {
    answer.plateauWhy = "no readings on both sides of 52 %, 62 % and 72 % of the current probe's "
                        "distance";
  }

  const auto r20 = at(0.2);
  const auto r40 = at(0.4);
  const auto r60 = at(0.6);
  answer.slopeRead = r20 && r40 && r60;
  if (!(r20 && r40 && r60)) {
    answer.slopeMu = NoAnswer("no readings on both sides of 20 %, 40 % and 60 % of the current "
                              "probe's distance");
  } else if (!(*r40 > *r20)) {
    answer.slopeMu = NoAnswer("the reading at 40 % is not above the one at 20 %");
  } else {
    answer.slopeMu = (*r60 - *r40) / (*r40 - *r20);
  }
  if (answer.slopeMu) {
    answer.slopeShare = SlopePosition(*answer.slopeMu);
    if (answer.slopeShare) {
      if (const auto r = at(*answer.slopeShare)) {
        answer.slopeOhms = *r;
      } else {
        answer.slopeOhms = NoAnswer("no readings on both sides of the slope method's position");
      }
    } else {
      answer.slopeOhms = answer.slopeShare.Failed();
    }
  } else {
    answer.slopeShare = answer.slopeMu.Failed();
    answer.slopeOhms = answer.slopeMu.Failed();
  }

  // The ideal profile is not what a probe within the electrode reads: such
  // readings (where its size is known) are left out of the fit.
  std::vector<FallReading> outside;
  for (const FallReading& r : kept) {
    if (largestDimensionM && r.distanceM < *largestDimensionM / 2) {
      answer.leftOutOfFit.push_back(r.row);
    } else {
      outside.push_back(r);
    }
  }
  std::sort(answer.leftOutOfFit.begin(), answer.leftOutOfFit.end());
  if (outside.size() < kMinFallReadings) {
    answer.fit = NoAnswer("fewer than 3 readings stand beyond the electrode's extent");
  } else {
    answer.fit = FitCurve(outside, d);
  }
  if (largestDimensionM && *largestDimensionM > 0) {
    answer.enoughCurrentProbeM = kCurrentProbeTimesSize * *largestDimensionM;
  }
  return answer;
}

}  // namespace ostrevin
