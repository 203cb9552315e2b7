// Reading a fall-of-potential (three-point) test: an electrode's resistance
// from the resistances read with the potential probe stepped out toward a
// current probe at distance D, along a straight line.
//
// Every distance is from the electrode's centre, in metres; readings in ohms.
// The readings are taken in order of distance and interpolated linearly
// between neighbours, never extrapolated. Four answers, each a check on the
// others:
//   - the 61.8 % rule: the reading at 0.618 D, exact for a hemisphere in
//     uniform soil (Curdts, "Some of the fundamental aspects of ground
//     resistance measurements", AIEE Trans. 77, 1958; IEEE Std 81-2012,
//     8.2.1.5);
//   - the plateau: the readings at 52 % and 72 % of D within kPlateauShare
//     of the one at 62 %, else the current probe was too close for the
//     electrode's size. The distance that would do is the rule of thumb of
//     IEEE Std 81-2012 for the fall-of-potential method: the current probe
//     at least kCurrentProbeTimesSize times the electrode's largest dimension;
//   - Tagg's slope method (Tagg, "Measurement of the resistance of physically
//     large earth-electrode systems", Proc. IEE 117(11), 1970): mu =
//     (R(0.6D) - R(0.4D)) / (R(0.4D) - R(0.2D)) gives the potential probe's
//     position Pt/D where the reading is the resistance. Tagg's table was
//     drawn from a hemisphere whose electrical centre lies a distance c
//     behind the point distances are measured from; the position here is
//     worked from that theory (mu from c, then Pt from c), not read from a
//     printed table: 0.618 at mu 0.5714 (c = 0). Outside mu 0.4 to 1.6 no
//     position is given: the current probe is too close or the readings
//     disturbed;
//   - the curve fit: the readings fitted with the ideal electrode's profile,
//     R(x) = R - k (1/(x + c) - 1/(D - x) + 1/(D + c)), over R, k and the
//     offset c of the electrical centre (least squares; R and k linear for
//     each c, c searched). Its resistance is R, the reading where the
//     bracket vanishes; the misfit is the root mean square of (model -
//     reading) / reading, in per cent. (Without the 1/(D + c) term the fitted
//     constant is the reading half-way to the current probe, not the
//     electrode's resistance.) Where the electrode's largest dimension is
//     given, readings within half of it from the centre (the probe in the
//     electrode, where no ideal profile holds) are left out. A fitted R
//     that is not positive, or a centre beyond the current probe, is no
//     answer: the readings, not an electrode, were fitted.
//
// Worked example: a hemisphere of radius 1 m in 100 ohm-m soil, D = 100 m,
// true resistance 100 / 2 pi = 15.915 ohms; readings at 20, 40, 50, 60,
// 61.8 and 70 m of 15.160, 15.624, 15.756, 15.889, 15.915, 16.059 give
// mu 0.571, a position of 0.618 D and 15.915 ohms by every method.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace ostrevin {

struct FallReading {
  double distanceM = 0;  // the potential probe's, from the electrode's centre
  double ohms = 0;
  int row = 0;           // as the user numbers it, for messages
};

inline constexpr double kRuleShare = 0.618;
inline constexpr double kPlateauShare = 0.05;
inline constexpr double kCurrentProbeTimesSize = 5;
inline constexpr double kMinSlopeMu = 0.4;
inline constexpr double kMaxSlopeMu = 1.6;
inline constexpr int kMinFallReadings = 3;

struct CurveFit {
  double ohms = 0;        // R
  double k = 0;           // ohm-m (rho / 2 pi for a hemisphere)
  double offsetM = 0;     // c
  double rmsPercent = 0;
};

struct FallTestReading {
  Result<double> ohms618 = NoAnswer("");
  // The plateau: readings at 52, 62 and 72 % of D, and whether they agree.
  std::optional<bool> plateau;
  std::string plateauWhy;  // when it cannot be judged
  double ohms52 = 0;
  double ohms62 = 0;
  double ohms72 = 0;
  bool slopeRead = false;  // there were readings round 20, 40 and 60 % of D
  Result<double> slopeMu = NoAnswer("");
  Result<double> slopeShare = NoAnswer("");  // Pt / D
  Result<double> slopeOhms = NoAnswer("");
  Result<CurveFit> fit = NoAnswer("");
  std::vector<int> fallingRows;  // rows read lower than the one before
  // Rows within the electrode's extent (half its largest dimension from its
  // centre, where that is given): left out of the fit.
  std::vector<int> leftOutOfFit;
  // The current probe distance that would do (kCurrentProbeTimesSize the
  // largest dimension), when one is given.
  std::optional<double> enoughCurrentProbeM;
};

// Refused: fewer than three distinct distances, a distance not above zero
// or not below D, a reading not above zero or not finite, the same distance
// read twice with different readings (naming the rows), D not above zero.
// `largestDimensionM`, when given (> 0), judges the current probe's distance.
Result<FallTestReading> ReadFallTest(std::span<const FallReading> readings, double currentProbeM,
                                     std::optional<double> largestDimensionM);

// A reading interpolated at x between the readings around it (sorted by
// distance); no answer outside them.
std::optional<double> ReadingAt(std::span<const FallReading> sorted, double x);

// The ideal profile fitted: R(x) at x for a fit with probe at D.
double FittedReading(const CurveFit& fit, double currentProbeM, double x);

// Tagg's slope method: the position Pt/D for mu, no answer outside
// [kMinSlopeMu, kMaxSlopeMu].
Result<double> SlopePosition(double mu);

}  // namespace ostrevin
