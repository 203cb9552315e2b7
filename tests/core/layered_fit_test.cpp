// The survey fit in N layers: a three-layer soil recovered from Wenner and
// Schlumberger soundings, two layers and one kept where they suffice, the
// rule that picks the count at both its edges, outliers, the wide interval
// of a layer seen only as rho x h, and what is not fitted.
#include "core/layered_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace ostrevin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Readings of a soil by Wenner arrays, spacings 0.5 m to 64 m, each scaled
// by 1 + noise sin(7 i) (a scatter that repeats from run to run).
std::vector<ArrayReading> Wenner(const LayeredSoil& soil, double noise = 0) {
  std::vector<ArrayReading> readings;
  int i = 0;
  for (const double a : {0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0, 48.0, 64.0}) {
    const FourElectrodes array = WennerArray(a);
    readings.push_back({array, *ApparentResistivity(soil, array) * (1 + noise * std::sin(7.0 * i++))});
  }
  return readings;
}

std::vector<ArrayReading> Schlumberger(const LayeredSoil& soil) {
  std::vector<ArrayReading> readings;
  for (const double ab2 : {1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0, 48.0, 64.0, 100.0}) {
    const FourElectrodes array = SchlumbergerArray(ab2, ab2 < 10 ? 0.25 : 2.0);
    readings.push_back({array, *ApparentResistivity(soil, array)});
  }
  return readings;
}

void ExpectSoil(const LayerModel& got, const LayeredSoil& want, double tolerance, const char* what) {
  ASSERT_EQ(got.soil.rho.size(), want.rho.size()) << what;
  for (std::size_t i = 0; i < want.rho.size(); ++i) {
    EXPECT_NEAR(got.soil.rho[i] / want.rho[i], 1, tolerance) << what << ", layer " << i + 1;
  }
  for (std::size_t i = 0; i < want.thicknessM.size(); ++i) {
    EXPECT_NEAR(got.soil.thicknessM[i] / want.thicknessM[i], 1, tolerance) << what << ", thickness " << i + 1;
  }
}

const LayeredSoil kThreeLayers{{10000, 30000, 5000}, {2, 5}};

TEST(LayeredFit, ThreeLayersComeBackFromWennerAndSchlumbergerSoundings) {
  for (const auto& [name, readings] : {std::pair{"Wenner", Wenner(kThreeLayers)},
                                       std::pair{"Schlumberger", Schlumberger(kThreeLayers)}}) {
    const Result<LayeredFit> fit = FitLayers(readings);
    ASSERT_TRUE(fit) << name;
    EXPECT_EQ(fit->chosen, 3) << name;
    const LayerModel& three = fit->models[2];
    ExpectSoil(three, kThreeLayers, 0.03, name);
    EXPECT_LT(three.rmsPercent, 0.5) << name;
    EXPECT_TRUE(three.converged) << name;
    EXPECT_TRUE(fit->outliers.empty()) << name;
    // Two layers, the old model's best, are far worse.
    EXPECT_GT(fit->models[1].rmsPercent, 4 * three.rmsPercent) << name;
  }
}

TEST(LayeredFit, FewerLayersLeadWhereTheySuffice) {
  const Result<LayeredFit> two = FitLayers(Wenner({{10000, 40000}, {3}}));
  ASSERT_TRUE(two);
  EXPECT_EQ(two->chosen, 2);
  ExpectSoil(two->models[1], {{10000, 40000}, {3}}, 1e-3, "two layers");
  const Result<LayeredFit> one = FitLayers(Wenner({{25000}, {}}, 0.01));
  ASSERT_TRUE(one);
  EXPECT_EQ(one->chosen, 1);
  EXPECT_NEAR(one->models[0].soil.rho[0] / 25000, 1, 0.01);
  // Forced, the count asked leads, whatever its misfit.
  const Result<LayeredFit> forced = FitLayers(Wenner({{10000, 40000}, {3}}), kMostFittedLayers, 4);
  ASSERT_TRUE(forced);
  EXPECT_EQ(forced->models.size(), 4u);
  EXPECT_EQ(forced->chosen, 4);
}

TEST(LayeredFit, TheRuleThatPicksTheCountAtItsEdges) {
  const struct {
    const char* name;
    std::vector<double> rms;
    int chosen;
  } kRows[] = {
      {"at 0.75 of the misfit", {3, 2.25}, 2},
      {"just above 0.75", {3, 2.2501}, 1},
      {"one layer within 2 %", {2, 0.1}, 1},
      {"just above 2 %", {2.0001, 0.1}, 2},
      {"three beat two, which beat one", {20, 10, 1, 0.9}, 3},
      {"two no better, three much better", {10, 9, 1}, 3},
      {"a count not fitted", {10, kNaN, 1}, 3},
      {"none beat one", {10, 9, 8}, 1},
  };
  for (const auto& row : kRows) EXPECT_EQ(ChosenLayers(row.rms), row.chosen) << row.name;
}

TEST(LayeredFit, AnOutlierIsNamedAndOnlyIt) {
  std::vector<ArrayReading> readings = Wenner(kThreeLayers, 0.01);
  readings[6].ohmCm *= 1.3;
  const Result<LayeredFit> fit = FitLayers(readings);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->outliers, std::vector<std::size_t>{6});
  // The rule alone: a floor keeps noise-free misfits from being outliers.
  EXPECT_TRUE(Outliers(std::vector<double>{1e-9, -1e-9, 2e-9, 0, 3e-9}).empty());
  EXPECT_EQ(Outliers(std::vector<double>{0.01, -0.01, 0.02, 0, -0.02, 0.2}), std::vector<std::size_t>{5});
}

// A thin resistive middle layer: the readings see its rho x h, not each.
TEST(LayeredFit, ALayerSeenOnlyAsRhoTimesThicknessHasAWideInterval) {
  const LayeredSoil soil{{10000, 200000, 10000}, {3, 0.3}};
  const Result<LayeredFit> fit = FitLayers(Wenner(soil, 0.02), kMostFittedLayers, 3);
  ASSERT_TRUE(fit);
  const LayerModel& three = fit->models[2];
  ASSERT_EQ(three.rhoPercent.size(), 3u);
  EXPECT_LT(three.rhoPercent[0], 5);
  EXPECT_GT(three.rhoPercent[1], 10 * three.rhoPercent[0]);
  EXPECT_GT(three.thicknessPercent[1], 10 * three.rhoPercent[0]);
}

TEST(LayeredFit, WhatIsNotFittedOrRefused) {
  // Three readings: two layers (3 parameters) fitted, three (5) not.
  std::vector<ArrayReading> three = Wenner(kThreeLayers);
  three.resize(3);
  const Result<LayeredFit> fit = FitLayers(three);
  ASSERT_TRUE(fit);
  EXPECT_TRUE(fit->models[1].fitted);
  EXPECT_FALSE(fit->models[2].fitted);
  EXPECT_LE(fit->chosen, 2);
  EXPECT_FALSE(FitLayers({}));
  std::vector<ArrayReading> bad = Wenner(kThreeLayers);
  bad[4].ohmCm = -1;
  EXPECT_EQ(FitLayers(bad).why(), "reading 5: a resistivity must be positive");
  bad = Wenner(kThreeLayers);
  bad[2].array = {0, 3, 0, 2};
  EXPECT_NE(FitLayers(bad).why().find("reading 3: a potential electrode"), std::string::npos);
}

}  // namespace
}  // namespace ostrevin
