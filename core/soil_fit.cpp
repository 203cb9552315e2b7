#include "core/soil_fit.h"

#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "core/least_squares.h"

namespace ostrevin {

namespace {

// The contrast's bound as a reflection coefficient.
const double kMaxReflection = (kMaxLayerContrast - 1) / (kMaxLayerContrast + 1);

// The fit's parameters: ln rho1, the reflection through tanh (so that it
// stays within the bound), and ln of the top layer's thickness beyond the
// deepest probe (so that every probe stays in the top layer).
struct Parameters {
  double deepest = 0;
  TwoLayerSoil Soil(const Eigen::VectorXd& x) const {
    const double rho1 = std::exp(x[0]);
    const double k = kMaxReflection * std::tanh(x[1]);
    return {rho1, deepest + std::exp(x[2]), rho1 * (1 + k) / (1 - k)};
  }
  Eigen::VectorXd Point(double rho1, double k, double h) const {
    Eigen::VectorXd x(3);
    x << std::log(rho1), std::atanh(k / kMaxReflection), std::log(std::max(h - deepest, 1e-6));
    return x;
  }
};

// The log misfits of the soil at x.
Residuals LogMisfits(std::span<const SurveyReading> readings, Parameters parameters) {
  return [readings, parameters](const Eigen::VectorXd& x, Eigen::VectorXd& residuals) {
    const TwoLayerSoil soil = parameters.Soil(x);
    for (std::size_t i = 0; i < readings.size(); ++i) {
      const auto model = TwoLayerWenner(soil, readings[i].spacingM, readings[i].depthM);
      residuals[static_cast<Eigen::Index>(i)] = model ? std::log(*model / readings[i].ohmCm) : 1e3;
    }
  };
}

double SquaredMisfit(const TwoLayerSoil& soil, std::span<const SurveyReading> readings) {
  double sum = 0;
  for (const SurveyReading& reading : readings) {
    const auto model = TwoLayerWenner(soil, reading.spacingM, reading.depthM);
    if (!model) return INFINITY;
    sum += std::pow(std::log(*model / reading.ohmCm), 2);
  }
  return sum;
}

// The top resistivity that fits best for a contrast and a thickness:
// the model scales with rho1, so its logarithm is the mean misfit.
TwoLayerSoil BestScale(double k, double h, std::span<const SurveyReading> readings) {
  const TwoLayerSoil unit{1, h, (1 + k) / (1 - k)};
  const double mean = std::accumulate(
      readings.begin(), readings.end(), 0.0, [&](double sum, const SurveyReading& reading) {
        return sum + std::log(reading.ohmCm / *TwoLayerWenner(unit, reading.spacingM, reading.depthM));
      });
  const double rho1 = std::exp(mean / static_cast<double>(readings.size()));
  return {rho1, h, rho1 * (1 + k) / (1 - k)};
}

struct Candidate {
  double misfit;
  TwoLayerSoil soil;
};

// The best points of a grid over the contrast and the thickness.
std::vector<Candidate> GridStarts(std::span<const SurveyReading> readings, double deepest,
                                  double smallest, double largest) {
  std::vector<Candidate> grid;
  constexpr std::array kReflections{-0.95, -0.8, -0.6, -0.3, 0.0, 0.3, 0.6, 0.8, 0.95};
  constexpr int kThicknesses = 9;
  for (const double k : kReflections) {
    for (int i = 0; i < kThicknesses; ++i) {
      const double h =
          deepest + smallest / 8 * std::pow(largest * 16 / smallest, i / double(kThicknesses - 1));
      const TwoLayerSoil soil = BestScale(k, h, readings);
      grid.push_back({SquaredMisfit(soil, readings), soil});
    }
  }
  std::sort(grid.begin(), grid.end(),
            [](const Candidate& a, const Candidate& b) { return a.misfit < b.misfit; });
  grid.resize(std::min<std::size_t>(grid.size(), 2));
  return grid;
}

std::vector<double> ModelReadings(const TwoLayerSoil& soil,
                                  std::span<const SurveyReading> readings) {
  std::vector<double> model(readings.size());
  std::transform(readings.begin(), readings.end(), model.begin(), [&](const SurveyReading& reading) {
    return TwoLayerWenner(soil, reading.spacingM, reading.depthM).value_or(NAN);
  });
  return model;
}

}  // namespace

bool TwoLayersFitNoBetter(double uniformRmsPercent, double layeredRmsPercent) {
  return uniformRmsPercent <= kUniformEnoughPercent ||
         layeredRmsPercent > kNoBetterRatio * uniformRmsPercent;
}

bool ThicknessUnseen(double h, double smallestSpacing, double largestSpacing) {
  return h < smallestSpacing / 4 || h > largestSpacing;
}

double RmsPercent(std::span<const double> model, std::span<const SurveyReading> readings) {
  double sum = 0;
  for (std::size_t i = 0; i < readings.size(); ++i) {
    sum += std::pow((model[i] - readings[i].ohmCm) / readings[i].ohmCm, 2);
  }
  return 100 * std::sqrt(sum / static_cast<double>(readings.size()));
}

SurveyFit FitSurvey(std::span<const SurveyReading> readings, int maxEvaluations) {
  SurveyFit fit;
  if (readings.empty()) return fit;
  double logSum = 0;
  double deepest = 0;
  double smallest = INFINITY;
  double largest = 0;
  std::vector<double> spacings;
  for (const SurveyReading& reading : readings) {
    logSum += std::log(reading.ohmCm);
    deepest = std::max(deepest, reading.depthM);
    smallest = std::min(smallest, reading.spacingM);
    largest = std::max(largest, reading.spacingM);
    spacings.push_back(reading.spacingM);
  }
  std::sort(spacings.begin(), spacings.end());
  fit.spacings = static_cast<int>(std::unique(spacings.begin(), spacings.end()) - spacings.begin());
  // The uniform soil: the geometric mean minimises the logarithmic misfit.
  fit.uniformOhmCm = std::exp(logSum / static_cast<double>(readings.size()));
  fit.modelOhmCm.assign(readings.size(), fit.uniformOhmCm);
  fit.uniformRmsPercent = RmsPercent(fit.modelOhmCm, readings);
  if (fit.spacings < kMinSpacingsForLayers) return fit;

  const Parameters parameters{deepest};
  Candidate best{INFINITY, {}};
  for (const Candidate& start : GridStarts(readings, deepest, smallest, largest)) {
    Eigen::VectorXd x = parameters.Point(start.soil.rho1, Reflection(start.soil), start.soil.h);
    const LeastSquares solved = MinimizeSquares(LogMisfits(readings, parameters),
                                                static_cast<int>(readings.size()), x, maxEvaluations);
    const TwoLayerSoil soil = parameters.Soil(x);
    const double value = SquaredMisfit(soil, readings);
    if (value < best.misfit) {
      best = {value, soil};
      fit.converged = solved.converged;
      fit.evaluations = solved.evaluations;
    }
    if (start.misfit < best.misfit) {  // never worse than where it started
      best = start;
      fit.converged = solved.converged;
      fit.evaluations = solved.evaluations;
    }
  }
  fit.layers = best.soil;
  fit.modelOhmCm = ModelReadings(best.soil, readings);
  fit.rmsPercent = RmsPercent(fit.modelOhmCm, readings);
  fit.noBetter = TwoLayersFitNoBetter(fit.uniformRmsPercent, fit.rmsPercent);
  fit.thicknessUnseen = ThicknessUnseen(best.soil.h, smallest, largest);
  return fit;
}

}  // namespace ostrevin
