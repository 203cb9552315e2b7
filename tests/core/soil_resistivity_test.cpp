// Resistivity from field readings beyond the window's formula, against
// worked examples and their own inverses.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "core/rod_groups.h"
#include "core/soil_resistivity.h"

namespace ostrevin {
namespace {

TEST(SoilResistivity, WennerWithTheProbesDeep) {
  // a = 20 ft, R = 2 ohms at the surface: 7,660 ohm-cm (a handbook prints 7,662).
  EXPECT_NEAR(WennerResistivity(20 * 0.3048, 0, 2), 7660, 1);
  EXPECT_DOUBLE_EQ(WennerResistivity(3, 0, 1), 2 * std::numbers::pi * 3 * 100);
  // Probes 1 m apart, 0.3 m deep, 10 ohms: 7152 ohm-cm (the 4b^2 term;
  // with 2b^2 it would be 6672).
  EXPECT_NEAR(WennerResistivity(1, 0.3, 10), 7152, 0.5);
}

TEST(SoilResistivity, FromADrivenRodInvertsTheRodFormula) {
  for (const double ohms : {0.5, 25.0, 300.0}) {
    const double rho = *ResistivityFromRod(2.4, 0.008, ohms);
    EXPECT_NEAR(*SingleRodOhms(rho, 2.4, 0.008), ohms, ohms * 1e-14);
  }
  EXPECT_NEAR(*ResistivityFromRod(3, 0.01, 64.6), 19995, 0.5);
  EXPECT_FALSE(ResistivityFromRod(0.001, 0.01, 10));                       // below e/4 of r
  EXPECT_FALSE(ResistivityFromRod(0.01 * std::numbers::e / 4, 0.01, 10));  // at it: no inf
  EXPECT_FALSE(ResistivityFromRod(3, 0.01, 0));
}

}  // namespace
}  // namespace ostrevin
