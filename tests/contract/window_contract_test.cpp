// The window contract's scenarios, on the calculator form in a real window.
#include "tests/contract/window_contract.h"

#include <algorithm>

#include "form/calculator_dlg.h"
#include "res/resource.h"

namespace ostrevin::contract {
namespace {

using Strings = std::vector<std::string>;

// The calculator, created in the driver's window system and shown.
struct Calculator {
  explicit Calculator(WindowDriver& driver) : driver(driver) {
    EXPECT_TRUE(dlg.Create(driver.System()));
    driver.Show(window());
  }
  fw::Window& window() { return *dlg.GetWindow(); }
  std::string Text(int id) { return window().GetText(id); }
  void Type(int id, std::string_view text) { driver.Type(window(), id, text); }
  void Click(int id) { driver.Click(window(), id); }

  WindowDriver& driver;
  CKelmoraDlg dlg;
};

TEST_P(WindowContract, TypeAndCalculate) {
  Calculator calc(*driver);
  EXPECT_EQ(calc.Text(IDC_RHO), "2000");
  EXPECT_EQ(calc.window().GetFocus(), IDC_RHO);
  calc.Type(IDC_INPUT, "10");
  calc.Click(IDC_CALCULATE);
  EXPECT_EQ(calc.Text(IDC_RESULT), "6.100");
  EXPECT_EQ(calc.Text(IDC_RESULT_UNITS), "Feet");
  EXPECT_FALSE(driver->BusyCursorShown());
  calc.Click(IDC_TYPE_RESISTANCE);
  calc.Type(IDC_INPUT, "3");
  calc.Click(IDC_CALCULATE);
  EXPECT_EQ(calc.Text(IDC_RESULT), "17.868000");
  EXPECT_EQ(calc.Text(IDC_RESULT_UNITS), "Ohms");
  EXPECT_EQ(driver->TakePrompts(), Strings{});
}

TEST_P(WindowContract, BothSwitchesConvertAndRelabel) {
  Calculator calc(*driver);
  calc.Click(IDC_METRIC);
  EXPECT_TRUE(calc.window().IsChecked(IDC_METRIC));
  EXPECT_FALSE(calc.window().IsChecked(IDC_ENGLISH));
  EXPECT_EQ(calc.Text(IDC_DIAMETER), "0.016");
  EXPECT_EQ(calc.Text(IDC_DIAMETER_LABEL), "Rod diameter (meters)");
  calc.Click(IDC_TYPE_RESISTANCE);
  EXPECT_TRUE(calc.window().IsChecked(IDC_TYPE_RESISTANCE));
  EXPECT_FALSE(calc.window().IsChecked(IDC_TYPE_LENGTH));
  EXPECT_EQ(calc.Text(IDC_INPUT_LABEL), "Rod Length (meters)");
  EXPECT_EQ(calc.Text(IDC_INPUT), "0.914");
  EXPECT_EQ(driver->TakePrompts(), Strings{});
}

TEST_P(WindowContract, ARejectedValuePromptsAndPutsTheButtonBack) {
  Calculator calc(*driver);
  calc.Type(IDC_RHO, "abc");
  calc.Click(IDC_CALCULATE);
  EXPECT_EQ(driver->TakePrompts(), Strings{"Please enter a number."});
  EXPECT_EQ(calc.Text(IDC_RESULT), "");
  EXPECT_EQ(calc.window().GetFocus(), IDC_RHO);
  calc.Type(IDC_RHO, "0");
  calc.Click(IDC_METRIC);
  EXPECT_EQ(driver->TakePrompts(), Strings{"Please enter a number between 0.0001 and 1000000."});
  EXPECT_TRUE(calc.window().IsChecked(IDC_ENGLISH));
  EXPECT_FALSE(calc.window().IsChecked(IDC_METRIC));
  EXPECT_EQ(calc.Text(IDC_RHO), "0");
}

TEST_P(WindowContract, EnterCalculatesAndTheWindowStays) {
  Calculator calc(*driver);
  // On a push button, Enter presses it.
  driver->PressEnter(calc.window(), IDC_CALCULATE_RHO);
  EXPECT_EQ(calc.Text(IDC_RHO), "574.534");
  // In the four-probe fields: the form checked, then the resistivity.
  calc.Type(IDC_SPACING, "x");
  driver->PressEnter(calc.window(), IDC_SPACING);
  EXPECT_EQ(driver->TakePrompts(), Strings{"Please enter a number."});
  EXPECT_TRUE(driver->IsVisible(calc.window()));
  calc.Type(IDC_SPACING, "3");
  calc.Type(IDC_MEASURED_R, "2");
  driver->PressEnter(calc.window(), IDC_MEASURED_R);
  EXPECT_EQ(calc.Text(IDC_RHO), "1149");
  // Elsewhere: the calculation, with every typed value still there.
  calc.Type(IDC_INPUT, "10");
  driver->PressEnter(calc.window(), IDC_INPUT);
  EXPECT_EQ(calc.Text(IDC_RESULT), "3.098");
  EXPECT_EQ(calc.Text(IDC_INPUT), "10");
  EXPECT_EQ(calc.Text(IDC_SPACING), "3");
  EXPECT_FALSE(calc.dlg.EndResult());
  EXPECT_TRUE(driver->IsVisible(calc.window()));
  EXPECT_EQ(driver->TakePrompts(), Strings{});
}

TEST_P(WindowContract, EscapeAndTheCloseBoxCancel) {
  Calculator escaped(*driver);
  driver->PressEscape(escaped.window());
  EXPECT_EQ(escaped.dlg.EndResult(), fw::IDCANCEL);
  Calculator closed(*driver);
  driver->CloseBox(closed.window());
  EXPECT_EQ(closed.dlg.EndResult(), fw::IDCANCEL);
  EXPECT_FALSE(driver->IsVisible(closed.window()));
}

TEST_P(WindowContract, TabOrderAndLayoutFollowTheTemplate) {
  Calculator calc(*driver);
  const fw::DialogTemplate& dialog = calc.window().Template();
  // Tab goes round the tab stops in template order. A window system may also
  // stop at the checked button of a radio group (Win32 does), nowhere else.
  std::vector<std::size_t> order;
  for (const int id : driver->TabOrder(calc.window())) {
    const auto* control = dialog.Find(id);
    ASSERT_NE(control, nullptr) << id;
    EXPECT_TRUE(control->Has(fw::kTabStop) ||
                (control->kind == fw::ControlKind::RadioButton && calc.window().IsChecked(id)))
        << id;
    order.push_back(static_cast<std::size_t>(control - dialog.controls.data()));
  }
  std::ranges::rotate(order, std::ranges::min_element(order));
  EXPECT_TRUE(std::ranges::is_sorted(order));
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    if (dialog.controls[i].Has(fw::kTabStop)) {
      EXPECT_NE(std::ranges::find(order, i), order.end()) << dialog.controls[i].id;
    }
  }
  const std::vector<PixelRect> actual = driver->ControlRects(calc.window());
  const std::vector<PixelRect> expected = driver->TemplateRects(calc.window());
  ASSERT_EQ(actual.size(), dialog.controls.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i], expected[i]) << "control " << i << " " << dialog.controls[i].caption;
  }
}

}  // namespace
}  // namespace ostrevin::contract
