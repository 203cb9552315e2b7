// A resistivity survey by any four-electrode arrays fitted with soil of 1 to
// kMostFittedLayers horizontal layers (layered_earth.h's forward model).
//
// Each count of layers is fitted by Eigen's Levenberg-Marquardt solver
// (MINPACK; More 1978) minimising sum_i ln(model_i / measured_i)^2, over
// ln rho1, each lower layer's contrast with the one above through tanh (so
// that neighbours stay within kMaxLayerContrast) and ln of each thickness.
// It starts from a model read off the sounding curve (boundaries evenly
// spaced in log depth between the shortest and longest reach, each layer
// the apparent resistivity of the array reaching its middle) and from the
// best model of one layer fewer with each layer split in two, the lower
// part three times or a third as resistive; the least misfit is kept, its
// solver status with it (a fit that stopped before it converged says so).
//
// The chosen count: one layer, then each larger count in turn that fits
// with an RMS misfit at most kNoBetterRatio (0.75) of the chosen one's while
// the chosen one's is above kUniformEnoughPercent (2 %). A count with more
// parameters (2N - 1) than readings is not fitted, and said.
//
// Uncertainty: for each resistivity and thickness, one standard deviation
// of its logarithm from the covariance s^2 (J^T J)^-1 at the optimum, J the
// Jacobian of the log misfits by the logarithms of the parameters (central
// differences), s^2 the squared misfit over (readings - parameters); shown
// as +-% (100 (exp(sigma) - 1)). A parameter the readings do not decide (a
// resistive middle layer seen only as rho x h) comes out wide, infinite
// where J^T J is singular. Outliers: readings whose log misfit lies more than
// kOutlierDeviations robust standard deviations (1.4826 median absolute
// deviations, at least kLeastDeviationPercent) from the median misfit; as
// an outlier pulls the fit toward itself, and its neighbours' misfits with
// it, the readings are judged again against the fit made without those
// first named.
//
// Units: ohm-cm, metres. Worked example: readings of 100 / 300 / 50 ohm-m
// with boundaries at 2 m and 7 m, Wenner spacings 0.5 to 64 m, come back as
// three layers within 3 %.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/layered_earth.h"

namespace ostrevin {

inline constexpr int kMostFittedLayers = 5;
inline constexpr double kOutlierDeviations = 2.5;
inline constexpr double kLeastDeviationPercent = 0.5;

struct ArrayReading {
  FourElectrodes array;
  double ohmCm = 0;  // the apparent resistivity read
};

struct LayerModel {
  int layers = 0;
  bool fitted = false;                // false: more parameters than readings
  LayeredSoil soil;
  double rmsPercent = 0;              // RMS of (model - measured) / measured
  std::vector<double> rhoPercent;     // +-% one standard deviation, each layer
  std::vector<double> thicknessPercent;
  std::vector<double> modelOhmCm;     // the model's reading of each reading
  bool converged = true;
  int evaluations = 0;                // of the misfit, from the start kept
};

struct LayeredFit {
  std::vector<LayerModel> models;     // 1, 2, ... layers
  int chosen = 1;                     // the count that leads
  std::vector<std::size_t> outliers;  // the chosen model's, by index
};

// The fit of the readings (at least one; resistivities positive and
// finite, arrays that ApparentResistivity reads): every count from 1 to
// `mostLayers` (two at least, where `mostLayers` allows), or to `forced`,
// which then leads (unless it could not be fitted: then one layer does). Refused for an unreadable reading (its
// index from 1, and why).
inline constexpr int kMaxLayeredFitEvaluations = 300;
Result<LayeredFit> FitLayers(std::span<const ArrayReading> readings,
                             int mostLayers = kMostFittedLayers,
                             std::optional<int> forced = std::nullopt,
                             int maxEvaluations = kMaxLayeredFitEvaluations);

// The count that leads by the rule above, from each count's RMS misfit
// (per cent; NaN for a count not fitted).
int ChosenLayers(std::span<const double> rmsPercent);

// The outliers among log misfits, by the robust rule above.
std::vector<std::size_t> Outliers(std::span<const double> logMisfits);

// How far the array reaches into the ground, roughly: a third of its
// spread (a Wenner array's spacing).
double ArrayReach(const FourElectrodes& array);

}  // namespace ostrevin
