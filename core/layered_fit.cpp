#include "core/layered_fit.h"

#include <Eigen/Core>
#include <Eigen/Cholesky>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/least_squares.h"
#include "core/soil_fit.h"

namespace ostrevin {

namespace {

// A misfit where the model cannot be read (a top layer far too thin):
// large, so that the solver turns back.
constexpr double kUnreadable = 1e3;

// The solver's parameters for n layers: ln rho1, each lower layer's log
// contrast as kLogContrast tanh(y), each thickness's logarithm.
const double kLogContrast = 0.999 * std::log(kMaxLayerContrast);

LayeredSoil SoilOf(const Eigen::VectorXd& x, int n) {
  LayeredSoil soil;
  double rho = std::exp(x[0]);
  soil.rho.push_back(rho);
  for (int i = 1; i < n; ++i) {
    rho *= std::exp(kLogContrast * std::tanh(x[i]));
    soil.rho.push_back(rho);
  }
  for (int i = 0; i + 1 < n; ++i) soil.thicknessM.push_back(std::exp(x[n + i]));
  return soil;
}

Eigen::VectorXd PointOf(const LayeredSoil& soil) {
  const int n = static_cast<int>(soil.rho.size());
  Eigen::VectorXd x(2 * n - 1);
  x[0] = std::log(soil.rho[0]);
  for (int i = 1; i < n; ++i) {
    const double ratio = std::log(soil.rho[static_cast<std::size_t>(i)] / soil.rho[static_cast<std::size_t>(i - 1)]);
    x[i] = std::atanh(std::clamp(ratio / kLogContrast, -0.999999, 0.999999));
  }
  for (int i = 0; i + 1 < n; ++i) x[n + i] = std::log(soil.thicknessM[static_cast<std::size_t>(i)]);
  return x;
}

// The log misfits of a soil, kUnreadable where it cannot be read.
void LogMisfits(const LayeredSoil& soil, std::span<const ArrayReading> readings, Eigen::VectorXd& out) {
  for (std::size_t i = 0; i < readings.size(); ++i) {
    const Result<double> model = ApparentResistivity(soil, readings[i].array);
    out[static_cast<Eigen::Index>(i)] = model ? std::log(*model / readings[i].ohmCm) : kUnreadable;
  }
}

std::vector<double> LogMisfitsOf(const LayeredSoil& soil, std::span<const ArrayReading> readings) {
  Eigen::VectorXd r(static_cast<Eigen::Index>(readings.size()));
  LogMisfits(soil, readings, r);
  return {r.begin(), r.end()};
}

double SumOfSquares(const LayeredSoil& soil, std::span<const ArrayReading> readings) {
  Eigen::VectorXd r(static_cast<Eigen::Index>(readings.size()));
  LogMisfits(soil, readings, r);
  return r.squaredNorm();
}

// The starting model read off the sounding curve: boundaries evenly spaced
// in log depth between the shortest and the longest reach, each layer the
// reading whose reach is nearest its middle (in log depth).
LayeredSoil CurveStart(std::span<const ArrayReading> readings, int n) {
  double shortest = INFINITY;
  double longest = 0;
  for (const ArrayReading& reading : readings) {
    shortest = std::min(shortest, ArrayReach(reading.array));
    longest = std::max(longest, ArrayReach(reading.array));
  }
  longest = std::max(longest, 2 * shortest);
  const auto depthAt = [&](double t) { return shortest * std::pow(longest / shortest, t); };
  const auto readAt = [&](double depth) {
    const ArrayReading* nearest = &readings.front();
    for (const ArrayReading& reading : readings) {
      if (std::abs(std::log(ArrayReach(reading.array) / depth)) <
          std::abs(std::log(ArrayReach(nearest->array) / depth))) {
        nearest = &reading;
      }
    }
    return nearest->ohmCm;
  };
  LayeredSoil soil;
  double top = 0;
  for (int i = 0; i < n; ++i) {
    soil.rho.push_back(readAt(depthAt((i + 0.5) / n)));
    if (i + 1 < n) {
      const double bottom = depthAt((i + 1.0) / n);
      soil.thicknessM.push_back(bottom - top);
      top = bottom;
    }
  }
  // Neighbours within the contrast the model allows.
  for (std::size_t i = 1; i < soil.rho.size(); ++i) {
    soil.rho[i] = std::clamp(soil.rho[i], soil.rho[i - 1] / 900, soil.rho[i - 1] * 900);
  }
  return soil;
}

// The model of one layer fewer with layer `layer` split in two at its
// middle, the lower part `factor` times as resistive (the bottom
// half-space split at twice the depth of its top, or at 1 m under a
// uniform soil).
LayeredSoil Split(const LayeredSoil& fewer, std::size_t layer, double factor) {
  LayeredSoil soil = fewer;
  const double rho = soil.rho[layer] * factor;
  soil.rho.insert(soil.rho.begin() + static_cast<std::ptrdiff_t>(layer) + 1,
                  std::clamp(rho, soil.rho[layer] / 900, soil.rho[layer] * 900));
  if (layer < fewer.thicknessM.size()) {
    const double h = soil.thicknessM[layer];
    soil.thicknessM[layer] = h / 2;
    soil.thicknessM.insert(soil.thicknessM.begin() + static_cast<std::ptrdiff_t>(layer) + 1, h / 2);
  } else {
    double depth = 0;
    for (const double h : fewer.thicknessM) depth += h;
    soil.thicknessM.push_back(depth > 0 ? depth : 1.0);
  }
  // A neighbour below may now be beyond the contrast allowed.
  for (std::size_t i = 1; i < soil.rho.size(); ++i) {
    soil.rho[i] = std::clamp(soil.rho[i], soil.rho[i - 1] / 900, soil.rho[i - 1] * 900);
  }
  return soil;
}

// One standard deviation of each parameter's logarithm (rho then h), as
// +-%: the covariance s^2 (J^T J)^-1 by central differences in the
// logarithms; infinite where J^T J is singular.
void Uncertainties(LayerModel& model, std::span<const ArrayReading> readings) {
  const int n = model.layers;
  const int p = 2 * n - 1;
  const auto m = static_cast<Eigen::Index>(readings.size());
  Eigen::VectorXd q(p);
  for (int i = 0; i < n; ++i) q[i] = std::log(model.soil.rho[static_cast<std::size_t>(i)]);
  for (int i = 0; i + 1 < n; ++i) q[n + i] = std::log(model.soil.thicknessM[static_cast<std::size_t>(i)]);
  const auto soilAt = [&](const Eigen::VectorXd& at) {
    LayeredSoil soil;
    for (int i = 0; i < n; ++i) soil.rho.push_back(std::exp(at[i]));
    for (int i = 0; i + 1 < n; ++i) soil.thicknessM.push_back(std::exp(at[n + i]));
    return soil;
  };
  constexpr double kStep = 1e-4;
  std::vector<Eigen::VectorXd> columns;  // the Jacobian's, by central differences
  Eigen::VectorXd up(m);
  Eigen::VectorXd down(m);
  for (int j = 0; j < p; ++j) {
    Eigen::VectorXd at = q;
    at[j] += kStep;
    LogMisfits(soilAt(at), readings, up);
    at[j] -= 2 * kStep;
    LogMisfits(soilAt(at), readings, down);
    columns.emplace_back((up - down) / (2 * kStep));
  }
  Eigen::MatrixXd normal(p, p);  // J^T J
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k < p; ++k) normal(j, k) = columns[static_cast<std::size_t>(j)].dot(columns[static_cast<std::size_t>(k)]);
  }
  Eigen::VectorXd residuals(m);
  LogMisfits(model.soil, readings, residuals);
  const auto dof = static_cast<double>(m - p);
  const double s2 = dof > 0 ? residuals.squaredNorm() / dof : INFINITY;
  // J^T J is symmetric: Cholesky, which fails where it is singular; each
  // variance the diagonal of its inverse, a column at a time.
  const Eigen::LLT<Eigen::MatrixXd> llt(normal);
  const bool singular = llt.info() != Eigen::Success;
  const auto percent = [&](int j) -> double {
    if (singular || !std::isfinite(s2)) return INFINITY;
    Eigen::VectorXd unit = Eigen::VectorXd::Zero(p);
    unit[j] = 1;
    const Eigen::VectorXd column = llt.solve(unit);
    const double variance = column[j] * s2;
    return variance >= 0 ? 100 * std::expm1(std::sqrt(variance)) : INFINITY;
  };
  for (int i = 0; i < n; ++i) model.rhoPercent.push_back(percent(i));
  for (int i = 0; i + 1 < n; ++i) model.thicknessPercent.push_back(percent(n + i));
}

double RmsPercentOf(std::span<const double> model, std::span<const ArrayReading> readings) {
  double sum = 0;
  for (std::size_t i = 0; i < readings.size(); ++i) {
    sum += std::pow((model[i] - readings[i].ohmCm) / readings[i].ohmCm, 2);
  }
  return 100 * std::sqrt(sum / static_cast<double>(readings.size()));
}

LayerModel Finish(LayerModel model, std::span<const ArrayReading> readings) {
  for (const ArrayReading& reading : readings) {
    const Result<double> read = ApparentResistivity(model.soil, reading.array);
    model.modelOhmCm.push_back(read ? *read : NAN);
  }
  model.rmsPercent = RmsPercentOf(model.modelOhmCm, readings);
  if (model.layers > 1) Uncertainties(model, readings);
  return model;
}

// The geometric mean: the uniform soil of least log misfit.
LayerModel Uniform(std::span<const ArrayReading> readings) {
  double logSum = 0;
  for (const ArrayReading& reading : readings) logSum += std::log(reading.ohmCm);
  LayerModel model;
  model.layers = 1;
  model.fitted = true;
  model.soil.rho = {std::exp(logSum / static_cast<double>(readings.size()))};
  model = Finish(std::move(model), readings);
  // Its spread: the log misfits' standard deviation of their mean.
  double squares = 0;
  for (const ArrayReading& reading : readings) squares += std::pow(std::log(reading.ohmCm / model.soil.rho[0]), 2);
  const auto n = static_cast<double>(readings.size());
  model.rhoPercent = {n > 1 ? 100 * std::expm1(std::sqrt(squares / (n - 1) / n)) : INFINITY};
  return model;
}

struct Solved {
  Eigen::VectorXd x;
  double value = INFINITY;  // the sum of squared log misfits
  bool converged = false;
  int evaluations = 0;
};

Solved Solve(Eigen::VectorXd x, int n, std::span<const ArrayReading> readings, int budget) {
  const Residuals misfits = [&](const Eigen::VectorXd& at, Eigen::VectorXd& out) {
    LogMisfits(SoilOf(at, n), readings, out);
  };
  const LeastSquares solved = MinimizeSquares(misfits, static_cast<int>(readings.size()), x, budget);
  const double value = SumOfSquares(SoilOf(x, n), readings);
  return {x, value, solved.converged, solved.evaluations};
}

// Each start is tried for a few steps (kScoutSteps Jacobians' worth of
// evaluations); the best goes on with the whole budget.
constexpr int kScoutSteps = 6;

LayerModel FitCount(std::span<const ArrayReading> readings, int n, const LayerModel* fewer, int maxEvaluations) {
  LayerModel model;
  model.layers = n;
  if (2 * n - 1 > static_cast<int>(readings.size())) return model;  // not fitted
  model.fitted = true;
  std::vector<LayeredSoil> starts{CurveStart(readings, n)};
  if (fewer != nullptr && fewer->fitted) {
    for (std::size_t layer = 0; layer < fewer->soil.rho.size(); ++layer) {
      starts.push_back(Split(fewer->soil, layer, 3));
      starts.push_back(Split(fewer->soil, layer, 1.0 / 3));
    }
  }
  Solved best;
  for (const LayeredSoil& start : starts) {
    Solved scout = Solve(PointOf(start), n, readings, kScoutSteps * 2 * n);
    if (scout.value < best.value) best = std::move(scout);
  }
  if (!best.converged) {
    const int scouted = best.evaluations;
    best = Solve(best.x, n, readings, maxEvaluations);
    best.evaluations += scouted;
  }
  model.soil = SoilOf(best.x, n);
  model.converged = best.converged;
  model.evaluations = best.evaluations;
  return Finish(std::move(model), readings);
}

}  // namespace

double ArrayReach(const FourElectrodes& array) {
  const double lo = std::min({array.xa, array.xb, array.xm, array.xn});
  const double hi = std::max({array.xa, array.xb, array.xm, array.xn});
  return (hi - lo) / 3;
}

int ChosenLayers(std::span<const double> rmsPercent) {
  int chosen = 1;
  for (std::size_t n = 2; n <= rmsPercent.size(); ++n) {
    const double previous = rmsPercent[static_cast<std::size_t>(chosen) - 1];
    const double next = rmsPercent[n - 1];
    if (previous > kUniformEnoughPercent && next <= kNoBetterRatio * previous) chosen = static_cast<int>(n);
  }
  return chosen;
}

std::vector<std::size_t> Outliers(std::span<const double> logMisfits) {
  std::vector<std::size_t> outliers;
  if (logMisfits.size() < 3) return outliers;
  const auto median = [](std::vector<double> values) {
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half), values.end());
    const double upper = values[half];
    if (values.size() % 2 == 1) return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half))) / 2;
  };
  const double centre = median({logMisfits.begin(), logMisfits.end()});
  std::vector<double> deviations;
  for (const double r : logMisfits) deviations.push_back(std::abs(r - centre));
  const double spread = std::max(1.4826 * median(deviations), std::log1p(kLeastDeviationPercent / 100));
  for (std::size_t i = 0; i < logMisfits.size(); ++i) {
    if (std::abs(logMisfits[i] - centre) > kOutlierDeviations * spread) outliers.push_back(i);
  }
  return outliers;
}

Result<LayeredFit> FitLayers(std::span<const ArrayReading> readings, int mostLayers, std::optional<int> forced,
                             int maxEvaluations) {
  if (readings.empty()) return Refused("no readings to fit");
  for (std::size_t i = 0; i < readings.size(); ++i) {
    if (!(readings[i].ohmCm > 0) || !std::isfinite(readings[i].ohmCm)) {
      return Refused("reading " + std::to_string(i + 1) + ": a resistivity must be positive");
    }
    const Result<double> uniform = ApparentResistivity(LayeredSoil{{1}, {}}, readings[i].array);
    if (!uniform) return Refused("reading " + std::to_string(i + 1) + ": " + uniform.why());
  }
  // Two layers at least, where they may be asked (one is the uniform soil).
  const int most = std::clamp(std::max(forced.value_or(mostLayers), std::min(mostLayers, 2)), 1, kMostFittedLayers);
  LayeredFit fit;
  fit.models.push_back(Uniform(readings));
  // Each count seeded by the one below it.
  for (int n = 2; n <= most; ++n) fit.models.push_back(FitCount(readings, n, &fit.models.back(), maxEvaluations));
  std::vector<double> rms;
  for (const LayerModel& model : fit.models) rms.push_back(model.fitted ? model.rmsPercent : NAN);
  fit.chosen = forced ? std::clamp(*forced, 1, most) : ChosenLayers(rms);
  if (!fit.models[static_cast<std::size_t>(fit.chosen) - 1].fitted) fit.chosen = 1;
  const LayerModel& chosen = fit.models[static_cast<std::size_t>(fit.chosen) - 1];
  fit.outliers = Outliers(LogMisfitsOf(chosen.soil, readings));
  if (!fit.outliers.empty() && chosen.layers > 1) {
    // An outlier pulls the fit toward it, and its neighbours' misfits with
    // it: the readings are judged again against the fit made without it.
    std::vector<ArrayReading> kept;
    for (std::size_t i = 0; i < readings.size(); ++i) {
      if (std::find(fit.outliers.begin(), fit.outliers.end(), i) == fit.outliers.end()) kept.push_back(readings[i]);
    }
    if (2 * chosen.layers - 1 <= static_cast<int>(kept.size())) {
      const Solved without = Solve(PointOf(chosen.soil), chosen.layers, kept, maxEvaluations);
      fit.outliers = Outliers(LogMisfitsOf(SoilOf(without.x, chosen.layers), readings));
    }
  }
  return fit;
}

}  // namespace ostrevin
