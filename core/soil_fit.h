// A Wenner survey (readings at several spacings) fitted with a two-layer
// soil model, and with one uniform resistivity beside it.
//
// The fit minimises the sum of squared logarithmic misfits,
// sum_i ln(model_i / measured_i)^2, so that a reading 10 % high counts as
// one 10 % low, over rho1, h and rho2, with Eigen's Levenberg-Marquardt
// solver (from MINPACK; Moré 1978). It starts from the two best points of a
// coarse grid over the contrast and the thickness (the top resistivity
// being exact for each), so that a poor first guess is less likely to leave
// it in a local minimum; no method of this kind guarantees the global one.
// The solver's own status is kept: a fit that stopped before it converged
// says so. The contrast stays within kMaxLayerContrast and h above every
// probe depth. Repeated spacings (a survey read in two directions) are
// fitted as readings of their own.
//
// Reported misfits are the root mean square of (model - measured) /
// measured, in per cent, over all readings (divided by their number). A
// misfit above kMuchMisfitPercent suggests more than two layers, or soil
// that changes sideways. Two layers "fit no better than one" when a uniform
// soil already fits within kUniformEnoughPercent, or the two layers'
// misfit is not at least a quarter below the uniform one. The thickness is
// "outside the spacings measured" below a quarter of the smallest spacing
// or beyond the largest: a Wenner array reads the soil to a depth of about
// its spacing, so the data cannot see it there.
//
// Worked example: a survey of 11 spacings from 1 m to 36 m near a
// substation, published with a fit of rho1 413.57 ohm-m, h 2.16 m, rho2
// 122.97 ohm-m and an RMS misfit of 5.7 %.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/two_layer_soil.h"

namespace ostrevin {

struct SurveyReading {
  double spacingM = 0;
  double depthM = 0;  // the probes' depth
  double ohmCm = 0;   // apparent resistivity
};

inline constexpr int kMinSpacingsForLayers = 4;
inline constexpr double kUniformEnoughPercent = 2;
inline constexpr double kNoBetterRatio = 0.75;
inline constexpr double kMuchMisfitPercent = 10;

struct SurveyFit {
  double uniformOhmCm = 0;             // the single resistivity that fits best
  double uniformRmsPercent = 0;        // and its misfit
  std::optional<TwoLayerSoil> layers;  // none with fewer than 4 spacings
  double rmsPercent = 0;               // the two layers' misfit
  std::vector<double> modelOhmCm;      // the model's reading at each reading's spacing
  int spacings = 0;                    // distinct spacings
  bool noBetter = false;               // two layers fit no better than one
  bool thicknessUnseen = false;        // h outside the spacings measured
  bool converged = true;               // the solver converged from the start kept
  int evaluations = 0;                 // of the misfit, by the solver, from that start
};

// The fit of the readings (at least one; spacings and resistivities
// positive, depths zero or more). No layers with fewer than
// kMinSpacingsForLayers distinct spacings. The solver may evaluate the
// misfit `maxEvaluations` times from each start.
inline constexpr int kMaxFitEvaluations = 400;
SurveyFit FitSurvey(std::span<const SurveyReading> readings,
                    int maxEvaluations = kMaxFitEvaluations);

// The RMS of (model - measured) / measured, per cent.
double RmsPercent(std::span<const double> model, std::span<const SurveyReading> readings);

// Two layers fit no better than one: the uniform soil's misfit is within
// kUniformEnoughPercent, or the layers' is not at least a quarter below it
// (above kNoBetterRatio of it). Both thresholds belong to "no better".
bool TwoLayersFitNoBetter(double uniformRmsPercent, double layeredRmsPercent);

// A thickness the survey cannot see: below a quarter of the smallest
// spacing or beyond the largest (both bounds seen).
bool ThicknessUnseen(double h, double smallestSpacing, double largestSpacing);

}  // namespace ostrevin
