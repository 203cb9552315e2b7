// EN 50522's permissible touch voltage, its annex's computation from IEC
// 60479-1, the prospective limit with added resistances, and the branches
// of its assessment.
#include "core/en50522.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace ostrevin {
namespace {

TEST(PermissibleTouch, TheTableAtItsRowsAndLogLogBetween) {
  for (const PermissibleTouchRow& row : PermissibleTouchTable()) {
    EXPECT_DOUBLE_EQ(*PermissibleTouchVolts(row.seconds), row.volts) << row.seconds;
  }
  // 0.3 s lies between 0.2 s (537 V) and 0.5 s (220 V) at log 1.5 / log 2.5.
  const double f = std::log(1.5) / std::log(2.5);
  EXPECT_NEAR(*PermissibleTouchVolts(0.3), 537 * std::pow(220.0 / 537, f), 1e-9);
  EXPECT_NEAR(*PermissibleTouchVolts(0.3), 361.8, 0.05);
  // Falling with the duration everywhere.
  double last = std::numeric_limits<double>::infinity();
  for (int k = 0; k <= 108; ++k) {  // 0.05 s to 10 s in steps of 5 %
    const double t = std::min(0.05 * std::pow(1.05, k), 10.0);
    const double v = *PermissibleTouchVolts(t);
    EXPECT_LE(v, last) << t;
    last = v;
  }
}

TEST(PermissibleTouch, OutsideTheTableIsRefused) {
  for (const double t : {0.0, 0.049, 10.001, 60.0, -1.0, std::nan("")}) {
    EXPECT_FALSE(PermissibleTouchVolts(t).has_value()) << t;
    EXPECT_FALSE(BodyCurrentAmps(t).has_value()) << t;
    EXPECT_FALSE(ProspectiveTouchVolts(t, 0).has_value()) << t;
  }
  EXPECT_TRUE(PermissibleTouchVolts(kEn50522ShortestS).has_value());
  EXPECT_TRUE(PermissibleTouchVolts(kEn50522LongestS).has_value());
}

TEST(PermissibleTouch, BodyImpedanceFollowsIec60479Table1) {
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(25), 3250);
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(10), 3250);  // below the table: its first row
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(100), 1725);
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(87.5), (2000 + 1725) / 2.0);
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(700), 775);
  EXPECT_DOUBLE_EQ(BodyImpedanceOhms(5000), 775);  // beyond the table: its last row
}

// The annex's computation, from the body currents curve c2 of IEC 60479-1's
// Figure 20 allows (as the annex reads them: 900 mA at 0.05 s is the
// annex's example), gives the table's values to a volt.
TEST(PermissibleTouch, TheAnnexComputationReproducesTheTable) {
  struct Row {
    double seconds, milliamps;
  };
  for (const Row row : {Row{0.05, 900}, Row{0.5, 200}, Row{1, 80}, Row{2, 60}, Row{5, 51}, Row{10, 50}}) {
    EXPECT_NEAR(AnnexTouchVolts(row.milliamps / 1000), *PermissibleTouchVolts(row.seconds), 1.0)
        << row.seconds << " s";
  }
  // Every path converged, not stopped at a guess: the computation rises with the current.
  EXPECT_LT(AnnexTouchVolts(0.05), AnnexTouchVolts(0.051));
}

TEST(PermissibleTouch, BodyCurrentInvertsTheAnnexAndAddsTheResistances) {
  for (const PermissibleTouchRow& row : PermissibleTouchTable()) {
    const double amps = *BodyCurrentAmps(row.seconds);
    EXPECT_NEAR(AnnexTouchVolts(amps), row.volts, 1e-3) << row.seconds;
    EXPECT_DOUBLE_EQ(*ProspectiveTouchVolts(row.seconds, 0), row.volts);
  }
  EXPECT_NEAR(*BodyCurrentAmps(0.5), 0.200, 0.002);
  // 1,000 ohms of footwear at 0.5 s: 220 V + 1,000 x 0.2 A.
  EXPECT_NEAR(*ProspectiveTouchVolts(0.5, 1000), 420, 2);
  // Crushed rock of 3,000 ohm-m under the feet, its Cs 0.7: 3,150 ohms.
  EXPECT_DOUBLE_EQ(FeetOhms(3000, 0.7), 3150);
}

TEST(En50522Assessment, EachBranchDecidesAtItsThreshold) {
  struct Case {
    const char* name;
    En50522Situation situation;
    En50522Branch branch;
  };
  const double utp = 220;
  for (const Case& c : {
           Case{"global earthing whatever the rise", {5000, utp, true, false}, En50522Branch::kGlobalEarthing},
           Case{"rise exactly 2 Utp", {440, utp, false, false}, En50522Branch::kTwiceUtp},
           Case{"rise above 2 Utp without measures", {440.01, utp, false, false},
                En50522Branch::kTouchVoltages},
           Case{"rise exactly 4 Utp with measures", {880, utp, false, true}, En50522Branch::kMeasures},
           Case{"rise above 4 Utp with measures", {880.01, utp, false, true}, En50522Branch::kTouchVoltages},
       }) {
    EXPECT_EQ(DecidingBranch(c.situation), c.branch) << c.name;
  }
  EXPECT_EQ(BranchName(En50522Branch::kMeasures), "4utp-measures");
}

TEST(En50522Assessment, MeasureCodes) {
  for (const char* good : {"M1", "M1.2", "m2.1", "M12.10"}) EXPECT_TRUE(IsMeasureCode(good)) << good;
  for (const char* bad : {"", "M", "1.2", "M1.", "M.2", "M0.1", "M1.2.3", "N1", "M1a", "M123"}) {
    EXPECT_FALSE(IsMeasureCode(bad)) << bad;
  }
}

}  // namespace
}  // namespace ostrevin
