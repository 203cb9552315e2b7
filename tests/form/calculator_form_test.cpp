// The calculator form driven as a user drives it: typing into edits, clicking
// buttons and reading back what the window shows.
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "form/calculator_dlg.h"
#include "framework/memory_window.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

using fw::MemoryWindow;

class CalculatorForm : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dlg.Create(system)); }

  MemoryWindow& w() { return *system.last; }
  std::string Text(int id) { return w().GetText(id); }
  void Type(int id, const std::string& text) { w().Type(id, text); }
  void Click(int id) { w().Click(id); }
  std::string Result() { return Text(IDC_RESULT) + " " + Text(IDC_RESULT_UNITS); }

  fw::MemoryWindowSystem system;
  CKelmoraDlg dlg;
};

// --- Opening -------------------------------------------------------------------

TEST_F(CalculatorForm, OpensWithEnglishLengthDefaults) {
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Resistance to ground (ohms)");
  EXPECT_EQ(Text(IDC_DIAMETER_LABEL), "Rod diameter (inches)");
  EXPECT_EQ(Text(IDC_SPACING_LABEL), "Distance (ft)");
  EXPECT_EQ(Text(IDC_RESULT), "");
  EXPECT_EQ(Text(IDC_RESULT_UNITS), "");  // the template's "Ohms" never shows
  EXPECT_EQ(Text(IDC_RHO), "2000");
  EXPECT_EQ(Text(IDC_DIAMETER), "0.625");
  EXPECT_EQ(Text(IDC_INPUT), "10");  // the wanted resistance, since the type is Length
  EXPECT_EQ(Text(IDC_MEASURED_R), "1");
  EXPECT_EQ(Text(IDC_SPACING), "3");
  EXPECT_TRUE(w().IsChecked(IDC_ENGLISH));
  EXPECT_TRUE(w().IsChecked(IDC_TYPE_LENGTH));
  EXPECT_FALSE(w().IsChecked(IDC_METRIC) || w().IsChecked(IDC_TYPE_RESISTANCE));
  EXPECT_EQ(w().GetFocus(), IDC_RHO);
  EXPECT_EQ(w().Icon(true), fw::IconHandle{IDR_MAINFRAME});
  EXPECT_EQ(w().Icon(false), fw::IconHandle{IDR_MAINFRAME});
  EXPECT_TRUE(w().Prompts().empty());
}

// --- Calculate -------------------------------------------------------------------

TEST_F(CalculatorForm, LengthForWantedResistanceEndToEnd) {
  Type(IDC_INPUT, "10");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "6.100 Feet");
  EXPECT_EQ(w().BusyCursorShown(), 1);
  EXPECT_FALSE(w().BusyCursor());
  Click(IDC_TYPE_RESISTANCE);
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Rod Length (feet)");
  EXPECT_EQ(Text(IDC_INPUT), "6.1");
  EXPECT_EQ(Result(), "6.100 Feet");  // a switch does not rewrite the result
}

TEST_F(CalculatorForm, ResistanceOfTheRodFeedsTheLengthInput) {
  Click(IDC_TYPE_RESISTANCE);
  EXPECT_EQ(Text(IDC_INPUT), "3");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "17.868000 Ohms");
  EXPECT_EQ(w().BusyCursorShown(), 0);
  Click(IDC_TYPE_LENGTH);
  EXPECT_EQ(Text(IDC_INPUT), "17.868");
}

TEST_F(CalculatorForm, MetricLengthIsShownInMeters) {
  Click(IDC_METRIC);
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "1.856 Meters");
  EXPECT_EQ(dlg.m_rodLength, 1.856);
}

TEST_F(CalculatorForm, NoAnswerShowsNa) {
  Type(IDC_INPUT, "1000");  // above the default rod's peak
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "na Feet");
  EXPECT_EQ(dlg.m_rodLength, 3.0);  // kept

  Type(IDC_RHO, "1");
  Type(IDC_INPUT, "1000000000");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "na Feet");

  Click(IDC_METRIC);
  Click(IDC_TYPE_RESISTANCE);
  Type(IDC_DIAMETER, "10");
  Type(IDC_INPUT, "0.1");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Result(), "na Ohms");
  EXPECT_EQ(dlg.m_targetResistance, 1000000000);  // kept
}

// --- The shared edit 1004 -----------------------------------------------------

TEST_F(CalculatorForm, Edit1004HoldsBothMembersSideBySide) {
  Type(IDC_INPUT, "12.5");
  Click(IDC_TYPE_RESISTANCE);
  EXPECT_EQ(dlg.m_targetResistance, 12.5);
  EXPECT_EQ(Text(IDC_INPUT), "3");
  Type(IDC_INPUT, "4");
  Click(IDC_TYPE_LENGTH);
  EXPECT_EQ(dlg.m_rodLength, 4);
  EXPECT_EQ(Text(IDC_INPUT), "12.5");
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Resistance to ground (ohms)");
  Click(IDC_TYPE_LENGTH);  // already checked: only refreshes
  EXPECT_EQ(Text(IDC_INPUT), "12.5");
}

// --- Units -------------------------------------------------------------------------

TEST_F(CalculatorForm, UnitsRoundTripConvertsAndRounds) {
  Click(IDC_TYPE_RESISTANCE);
  Click(IDC_METRIC);
  EXPECT_EQ(Text(IDC_DIAMETER), "0.016");
  EXPECT_EQ(Text(IDC_INPUT), "0.914");
  EXPECT_EQ(Text(IDC_SPACING), "0.914");
  EXPECT_EQ(Text(IDC_DIAMETER_LABEL), "Rod diameter (meters)");
  EXPECT_EQ(Text(IDC_SPACING_LABEL), "Distance (m)");
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Rod Length (meters)");
  EXPECT_EQ(Text(IDC_RHO), "2000");
  Click(IDC_ENGLISH);
  EXPECT_EQ(Text(IDC_DIAMETER), "0.63");  // not back to 0.625
  EXPECT_EQ(Text(IDC_INPUT), "2.999");
  EXPECT_EQ(Text(IDC_SPACING), "2.999");
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Rod Length (feet)");
  EXPECT_EQ(Text(IDC_DIAMETER_LABEL), "Rod diameter (inches)");
}

TEST_F(CalculatorForm, SameUnitsAgainConvertsNothingButTakesTheEdits) {
  Click(IDC_METRIC);
  Type(IDC_DIAMETER, "0.0200");
  Click(IDC_METRIC);
  EXPECT_EQ(dlg.m_rodDiameter, 0.02);
  EXPECT_EQ(Text(IDC_DIAMETER), "0.0200");  // nothing pushed
}

TEST_F(CalculatorForm, ConvertedValueOutOfRangeStillRelabelsEverything) {
  Click(IDC_TYPE_RESISTANCE);
  Type(IDC_DIAMETER, "0.001");  // inches: 0.0000254 m rounds to 0
  Click(IDC_METRIC);
  EXPECT_EQ(Text(IDC_DIAMETER), "0");
  ASSERT_EQ(w().Prompts().size(), 1u);  // the type refresh after the switch reports it
  EXPECT_EQ(w().Prompts()[0], "Please enter a number between 0.001 and 10.");
  EXPECT_EQ(w().GetFocus(), IDC_DIAMETER);
  EXPECT_TRUE(w().IsChecked(IDC_METRIC));
  EXPECT_EQ(Text(IDC_INPUT_LABEL), "Rod Length (meters)");
  EXPECT_EQ(Text(IDC_DIAMETER_LABEL), "Rod diameter (meters)");
  EXPECT_EQ(Text(IDC_INPUT), "0.914");
}

TEST_F(CalculatorForm, ResultKeepsTheUnitItWasComputedIn) {
  Click(IDC_CALCULATE);
  Click(IDC_METRIC);
  EXPECT_EQ(Result(), "6.100 Feet");
  EXPECT_EQ(Text(IDC_INPUT), "10");  // resistances are never converted
}

// --- Resistivity ----------------------------------------------------------------------

TEST_F(CalculatorForm, RhoFromProbesInBothUnitSystems) {
  Click(IDC_CALCULATE_RHO);
  EXPECT_EQ(Text(IDC_RHO), "574.534");
  Click(IDC_METRIC);
  Type(IDC_SPACING, "3");
  Click(IDC_CALCULATE_RHO);
  EXPECT_EQ(Text(IDC_RHO), "1885");
}

TEST_F(CalculatorForm, RhoOutsideItsRangeIsWrittenAndRejectedByTheNextPull) {
  Click(IDC_METRIC);
  Type(IDC_SPACING, "0.001");
  Type(IDC_MEASURED_R, "0.0001");
  Click(IDC_CALCULATE_RHO);
  EXPECT_EQ(Text(IDC_RHO), "0");
  EXPECT_TRUE(w().Prompts().empty());
  Click(IDC_CALCULATE);
  ASSERT_EQ(w().Prompts().size(), 1u);
  EXPECT_EQ(w().Prompts()[0], "Please enter a number between 0.0001 and 1000000.");
  EXPECT_EQ(Text(IDC_RESULT), "");
}

// --- Failed pulls ------------------------------------------------------------------

struct FailRow {
  const char* name;
  int control;
  const char* text;
  bool groundResistance;
  const char* prompt;
  friend void PrintTo(const FailRow& row, std::ostream* os) { *os << row.name; }
};

class FailedPull : public CalculatorForm, public testing::WithParamInterface<FailRow> {
 protected:
  // Sets up the row's calculation type, computes a first result, then types
  // the bad text and a good one after it.
  void Prepare() {
    if (GetParam().groundResistance) Click(IDC_TYPE_RESISTANCE);
    Click(IDC_CALCULATE);
    before = Result();
    Type(IDC_DIAMETER, "0.5");
    Type(GetParam().control, GetParam().text);
  }
  void ExpectStoppedAtTheControl() {
    ASSERT_EQ(w().Prompts().size(), 1u);
    EXPECT_EQ(w().Prompts()[0], GetParam().prompt);
    EXPECT_EQ(w().GetFocus(), GetParam().control);
    EXPECT_EQ(Text(GetParam().control), GetParam().text);
    EXPECT_EQ(Result(), before);
  }
  std::string before;
};

TEST_P(FailedPull, CalculateStopsAndKeepsTheTypedText) {
  Prepare();
  Click(IDC_CALCULATE);
  ExpectStoppedAtTheControl();
  if (GetParam().control != IDC_DIAMETER) {
    EXPECT_EQ(Text(IDC_DIAMETER), "0.5");
  }
}

TEST_P(FailedPull, UnitsSwitchStopsAndTheButtonGoesBack) {
  Prepare();
  Click(IDC_METRIC);
  ExpectStoppedAtTheControl();
  EXPECT_EQ(UnitSystemOf(dlg.m_units), UnitSystem::English);
  EXPECT_TRUE(w().IsChecked(IDC_ENGLISH));
  EXPECT_FALSE(w().IsChecked(IDC_METRIC));
  EXPECT_EQ(Text(IDC_DIAMETER_LABEL), "Rod diameter (inches)");
  if (GetParam().control != IDC_DIAMETER) {
    EXPECT_EQ(Text(IDC_DIAMETER), "0.5");  // not converted
  }
}

TEST_P(FailedPull, TypeSwitchStopsAndTheButtonGoesBack) {
  Prepare();
  const int type = dlg.m_calcType;
  const std::string label = Text(IDC_INPUT_LABEL);
  Click(type == Length ? IDC_TYPE_RESISTANCE : IDC_TYPE_LENGTH);
  ExpectStoppedAtTheControl();
  EXPECT_EQ(dlg.m_calcType, type);
  EXPECT_TRUE(w().IsChecked(type == Length ? IDC_TYPE_LENGTH : IDC_TYPE_RESISTANCE));
  EXPECT_EQ(Text(IDC_INPUT_LABEL), label);
}

constexpr const char* kNumber = "Please enter a number.";

INSTANTIATE_TEST_SUITE_P(
    AtEachControl, FailedPull,
    testing::Values(FailRow{"UnreadableRho", IDC_RHO, "abc", false, kNumber},
                    FailRow{"DiameterTooLarge", IDC_DIAMETER, "10.5", false,
                            "Please enter a number between 0.001 and 10."},
                    FailRow{"TargetTooSmall", IDC_INPUT, "0", false,
                            "Please enter a number between 0.000001 and 1000000000."},
                    FailRow{"RodTooShort", IDC_INPUT, "0.09", true,
                            "Please enter a number between 0.1 and 10000."},
                    // The last two controls come after the radio groups in the exchange.
                    FailRow{"MeasuredREmpty", IDC_MEASURED_R, "", true, kNumber},
                    FailRow{"SpacingTooLarge", IDC_SPACING, "1000.5", false,
                            "Please enter a number between 0.001 and 1000."}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Painting -----------------------------------------------------------------------

TEST_F(CalculatorForm, MinimisedWindowPaintsItsIconCentred) {
  w().Send(fw::Message::Paint);
  EXPECT_TRUE(w().DrawnIcons().empty());
  w().Minimise(true);
  w().Send(fw::Message::Paint);
  ASSERT_EQ(w().DrawnIcons().size(), 1u);
  const fw::Size client = w().ClientSize();
  EXPECT_EQ(w().DrawnIcons()[0].x, (client.width - 32 + 1) / 2);
  EXPECT_EQ(w().DrawnIcons()[0].y, (client.height - 32 + 1) / 2);
  EXPECT_EQ(w().DrawnIcons()[0].icon, fw::IconHandle{IDR_MAINFRAME});
  EXPECT_EQ(w().IconBackgroundErased(), 1);
  EXPECT_EQ(w().Send(fw::Message::QueryDragIcon), IDR_MAINFRAME);
}

}  // namespace
}  // namespace ostrevin
