// Two-layer soil: the Wenner series against a published model and a slow
// reference at the extreme contrasts, the fit against a published survey
// and surveys made from known models.
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "core/soil_fit.h"
#include "core/two_layer_soil.h"

namespace ostrevin {
namespace {

// A survey near a substation, 11 spacings with the probes 0.1 m deep,
// published with its fit by a two-layer program (ohm-m): 413.57 to 2.16 m,
// then 122.97, RMS misfit 5.7 %, and the model's readings.
constexpr double kSpacings[] = {1, 2, 4, 6, 8, 12, 16, 20, 24, 30, 36};
constexpr double kMeasured[] = {423.4, 322.2, 258.2, 165.1, 144.3, 122.8,
                                123.2, 124.4, 125.3, 131.9, 132.1};
constexpr double kPublishedModel[] = {400.7, 348.0, 231.4, 171.5, 146.6, 131.1,
                                      127.0, 125.4, 124.6, 124.0, 123.7};

TEST(TwoLayerWenner, ReadsThePublishedModel) {
  const TwoLayerSoil published{41357, 2.16, 12297};
  for (std::size_t i = 0; i < std::size(kSpacings); ++i) {
    // The published model takes the probes at the surface; its figures are
    // printed to 0.1 ohm-m from parameters printed to 0.01.
    EXPECT_NEAR(*TwoLayerWenner(published, kSpacings[i], 0) / 100, kPublishedModel[i], 0.2)
        << kSpacings[i] << " m";
  }
}

// The series summed slowly: every term to 10^-30, in long double.
long double SlowFactor(long double k, long double h, long double a, long double b) {
  const auto t = [a](long double d) {
    return 1 / std::sqrt(a * a + d * d) - 1 / std::sqrt(4 * a * a + d * d);
  };
  long double sum = 0;
  long double power = 1;
  for (long n = 1; std::abs(power) > 1e-30L; ++n) {
    power *= k;
    const long double d = 2 * n * h;
    sum += power * (2 * t(d) + t(d - 2 * b) + t(d + 2 * b));
  }
  const long double uniform =
      1 + 2 * a / std::sqrt(a * a + 4 * b * b) - a / std::sqrt(a * a + b * b);
  return 1 + 2 * a / uniform * sum;
}

TEST(TwoLayerWenner, ExtremeContrastsAgreeWithASlowReference) {
  for (const double k : {0.999, -0.999, 0.998, -0.998, 0.5, -0.5}) {
    for (const double h : {0.05, 1.0, 20.0}) {
      for (const double b : {0.0, 0.04}) {
        const double fast = WennerLayerFactor(k, h, 3, b);
        const double slow = static_cast<double>(SlowFactor(k, h, 3, b));
        EXPECT_NEAR(fast, slow, 1e-10 * std::abs(slow)) << "K " << k << " h " << h << " b " << b;
      }
    }
  }
}

TEST(TwoLayerWenner, LimitsAndRefusals) {
  // Equal layers read their resistivity at any spacing and depth.
  EXPECT_DOUBLE_EQ(*TwoLayerWenner({20000, 1, 20000}, 7, 0.3), 20000);
  // Very small and very large spacings read the top and the bottom layers.
  EXPECT_NEAR(*TwoLayerWenner({20000, 5, 2000}, 0.01, 0) / 20000, 1, 1e-6);
  EXPECT_NEAR(*TwoLayerWenner({20000, 5, 2000}, 5000, 0) / 2000, 1, 2e-3);
  // Probes that reach the bottom layer are refused; so is a contrast over 1000.
  EXPECT_FALSE(TwoLayerWenner({20000, 0.3, 2000}, 3, 0.3));
  EXPECT_TRUE(TwoLayerWenner({20000, 0.3, 2000}, 3, 0.29));
  EXPECT_FALSE(TwoLayerWenner({1, 1, 1001}, 3, 0));
  EXPECT_TRUE(TwoLayerWenner({1, 1, 1000}, 3, 0));
  EXPECT_EQ(CheckSoil({1, 1, 1001}).why(),
            "the layers' resistivities differ 1001-fold: at most 1000-fold is accepted");
  EXPECT_EQ(CheckSoil({1, 0, 1}).why(), "the top layer needs a positive thickness");
}

std::vector<SurveyReading> Survey(const TwoLayerSoil& soil, std::vector<double> spacings,
                                  double depth = 0) {
  std::vector<SurveyReading> readings;
  for (const double a : spacings) readings.push_back({a, depth, *TwoLayerWenner(soil, a, depth)});
  return readings;
}

TEST(SoilFit, ThePublishedSurvey) {
  std::vector<SurveyReading> readings;
  for (std::size_t i = 0; i < std::size(kSpacings); ++i) {
    readings.push_back({kSpacings[i], 0, kMeasured[i] * 100});
  }
  const SurveyFit fit = FitSurvey(readings);
  ASSERT_TRUE(fit.layers);
  // Fitted here on the logarithm, there on the readings themselves: close, not equal.
  EXPECT_NEAR(fit.layers->rho1 / 41357, 1, 0.03);
  EXPECT_NEAR(fit.layers->h / 2.16, 1, 0.05);
  EXPECT_NEAR(fit.layers->rho2 / 12297, 1, 0.02);
  // The published 5.7 %, to the figure the README prints: RMS over all eleven readings.
  EXPECT_NEAR(fit.rmsPercent, 5.67, 0.005);
  EXPECT_GT(fit.uniformRmsPercent, 30);
  EXPECT_FALSE(fit.noBetter);
  EXPECT_FALSE(fit.thicknessUnseen);
  EXPECT_TRUE(fit.converged);
  // A solver stopped before it converged says so.
  const SurveyFit stopped = FitSurvey(readings, 2);
  EXPECT_FALSE(stopped.converged);
  EXPECT_GT(stopped.evaluations, 0);
}

struct Threshold {
  const char* name;
  double uniform, layered;  // RMS misfits, per cent
  bool noBetter;
};

TEST(SoilFit, TwoLayersFitNoBetterAtTheThresholdsTheReadmeGives) {
  for (const Threshold& row : std::initializer_list<Threshold>{
           {"UniformWithinTwoPercent", 2.0, 0.1, true},
           {"UniformJustAboveTwoPercent", 2.0001, 0.1, false},
           {"LayersAQuarterBelow", 8, 6, false},
           {"LayersJustLessThanAQuarterBelow", 8, 6.0001, true},
           {"LayersWorse", 8, 9, true}}) {
    EXPECT_EQ(TwoLayersFitNoBetter(row.uniform, row.layered), row.noBetter) << row.name;
  }
  // The thickness a survey of 2 to 32 m sees: 0.5 m to 32 m, both included.
  EXPECT_FALSE(ThicknessUnseen(0.5, 2, 32));
  EXPECT_TRUE(ThicknessUnseen(0.4999, 2, 32));
  EXPECT_FALSE(ThicknessUnseen(32, 2, 32));
  EXPECT_TRUE(ThicknessUnseen(32.001, 2, 32));
}

TEST(SoilFit, FindsTheModelASurveyWasMadeFrom) {
  const std::vector<double> spacings{0.5, 1, 2, 3, 5, 8, 12, 20, 30};
  for (const TwoLayerSoil& soil : {TwoLayerSoil{50000, 1.5, 5000}, TwoLayerSoil{3000, 4, 90000},
                                   TwoLayerSoil{20000, 0.8, 40000}, TwoLayerSoil{80000, 6, 2000}}) {
    for (const double depth : {0.0, 0.2}) {
      const SurveyFit fit = FitSurvey(Survey(soil, spacings, depth));
      ASSERT_TRUE(fit.layers);
      EXPECT_NEAR(fit.layers->rho1 / soil.rho1, 1, 1e-3) << soil.rho1 << " " << depth;
      EXPECT_NEAR(fit.layers->h / soil.h, 1, 1e-3) << soil.rho1 << " " << depth;
      EXPECT_NEAR(fit.layers->rho2 / soil.rho2, 1, 1e-3) << soil.rho1 << " " << depth;
      EXPECT_LT(fit.rmsPercent, 0.1);
    }
  }
}

TEST(SoilFit, SaysWhatTheDataCannotTell) {
  // Uniform soil: two layers fit no better than one.
  const SurveyFit uniform = FitSurvey(Survey({30000, 2, 30000}, {1, 2, 4, 8, 16}));
  EXPECT_TRUE(uniform.noBetter);
  EXPECT_NEAR(uniform.uniformOhmCm, 30000, 1e-6);
  // Three spacings: no two-layer model at all.
  const SurveyFit few = FitSurvey(Survey({30000, 2, 3000}, {1, 2, 4}));
  EXPECT_FALSE(few.layers);
  EXPECT_EQ(few.spacings, 3);
  // A boundary far below the largest spacing: it cannot be seen.
  const SurveyFit deep = FitSurvey(Survey({30000, 200, 3000}, {1, 2, 4, 8, 16}));
  ASSERT_TRUE(deep.layers);
  EXPECT_TRUE(deep.thicknessUnseen || deep.noBetter);
  // Readings at one spacing in two directions are fitted as they are.
  std::vector<SurveyReading> twice = Survey({30000, 2, 3000}, {1, 2, 4, 8, 16});
  twice.push_back({4, 0, twice[2].ohmCm * 1.1});
  const SurveyFit spread = FitSurvey(twice);
  EXPECT_EQ(spread.spacings, 5);
  EXPECT_EQ(spread.modelOhmCm.size(), 6u);
}

}  // namespace
}  // namespace ostrevin
