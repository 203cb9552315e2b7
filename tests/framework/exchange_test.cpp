// The exchange between a dialog's members and its controls, both ways, and the
// dialog's message routing, on a small dialog of its own.
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/memory_window.h"

namespace ostrevin::fw {
namespace {

constexpr int kEditA = 10, kEditB = 11, kLabel = 12, kButton = 13;
constexpr int kRadio0 = 20, kRadio1 = 21, kRadio2 = 22, kOther0 = 30, kOther1 = 31;

constexpr std::array<ControlTemplate, 9> kControls{{
    {kEditA, ControlKind::Edit, "", {0, 0, 10, 10}, kTabStop},
    {kLabel, ControlKind::Static, "label", {0, 0, 10, 10}, kGroup},
    {kEditB, ControlKind::Edit, "", {0, 0, 10, 10}, kTabStop},
    {kRadio0, ControlKind::RadioButton, "zero", {0, 0, 10, 10}, kGroup},
    {kRadio1, ControlKind::RadioButton, "one", {0, 0, 10, 10}, 0},
    {kRadio2, ControlKind::RadioButton, "two", {0, 0, 10, 10}, 0},
    {kOther0, ControlKind::RadioButton, "a", {0, 0, 10, 10}, kGroup},
    {kOther1, ControlKind::RadioButton, "b", {0, 0, 10, 10}, 0},
    {kButton, ControlKind::PushButton, "Go", {0, 0, 10, 10}, kTabStop},
}};
constexpr std::array<DialogTemplate, 1> kDialogs{{{7, "Test", 100, 50, "Sans", 8, kControls}}};
constexpr std::array<StringResource, 1> kStrings{{{5, "five"}}};
constexpr ResourceModule kModule{kDialogs, kStrings, {}};

class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(7, kModule) {}
  double a = 1.5, b = 0.5;
  std::string label = "hello";
  int choice = 1, other = 0;
  int clicks = 0;
  void OnGo() { ++clicks; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kEditA, a);
    DDV_MinMaxDouble(pDX, a, 0.0001, 1000000);
    DDX_Text(pDX, kLabel, label);
    DDX_Text(pDX, kEditB, b);
    DDV_MinMaxDouble(pDX, b, -1, 1);
    DDX_Radio(pDX, kRadio0, choice);
    DDX_Radio(pDX, kOther0, other);
  }
  std::span<const MessageEntry> GetMessageMap() const override {
    static constexpr std::array<MessageEntry, 1> kMap{
        {{Message::Command, kButton, &Handler<&TestDialog::OnGo>}}};
    return kMap;
  }
};

class ExchangeTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog.Create(system)); }
  MemoryWindow& window() { return *system.last; }
  MemoryWindowSystem system;
  TestDialog dialog;
};

TEST_F(ExchangeTest, LoadWritesMembersIntoControls) {
  // Create pushed the record and focused the first tab stop.
  EXPECT_EQ(window().GetText(kEditA), "1.5");
  EXPECT_EQ(window().GetText(kEditB), "0.5");
  EXPECT_EQ(window().GetText(kLabel), "hello");
  EXPECT_FALSE(window().IsChecked(kRadio0));
  EXPECT_TRUE(window().IsChecked(kRadio1));
  EXPECT_TRUE(window().IsChecked(kOther0));
  EXPECT_EQ(window().GetFocus(), kEditA);
  dialog.choice = 5;  // out of the group: nothing checked
  dialog.UpdateData(false);
  EXPECT_FALSE(window().IsChecked(kRadio0) || window().IsChecked(kRadio1) ||
               window().IsChecked(kRadio2));
}

TEST_F(ExchangeTest, SaveReadsControlsIntoMembers) {
  window().Type(kEditA, " 1e3 ");
  window().Type(kEditB, "-1");
  window().SetText(kLabel, "new");
  window().Click(kRadio2);
  window().Click(kOther1);
  EXPECT_TRUE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.a, 1000);
  EXPECT_EQ(dialog.b, -1);
  EXPECT_EQ(dialog.label, "new");
  EXPECT_EQ(dialog.choice, 2);
  EXPECT_EQ(dialog.other, 1);
  EXPECT_TRUE(window().Prompts().empty());
  // Clicking a radio button unchecks only its own group.
  EXPECT_FALSE(window().IsChecked(kRadio1));
  EXPECT_TRUE(window().IsChecked(kOther1));
  window().SetChecked(kRadio2, false);  // none checked
  EXPECT_TRUE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.choice, -1);
}

TEST_F(ExchangeTest, UnreadableNumberStopsThePass) {
  window().Type(kEditA, "abc");
  window().Type(kEditB, "0.25");
  window().Click(kRadio0);
  window().SetFocus(kButton);
  EXPECT_FALSE(dialog.UpdateData(true));
  ASSERT_EQ(window().Prompts().size(), 1u);
  EXPECT_EQ(window().Prompts()[0], "Please enter a number.");
  EXPECT_EQ(window().GetFocus(), kEditA);
  EXPECT_EQ(dialog.a, 1.5);  // untouched
  EXPECT_EQ(dialog.b, 0.5);  // after the failure: untouched
  EXPECT_EQ(dialog.choice, 1);
  EXPECT_EQ(window().GetText(kEditA), "abc");  // the typed text stays
}

TEST_F(ExchangeTest, RangesAreInclusiveAndAFailureKeepsThePreviousValue) {
  window().Type(kEditA, "1000000");
  window().Type(kEditB, "-1");
  EXPECT_TRUE(dialog.UpdateData(true));
  window().Type(kEditA, "7");
  window().Type(kEditB, "1.0000001");
  window().Click(kRadio0);
  EXPECT_FALSE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.a, 7);   // before the failure: taken
  EXPECT_EQ(dialog.b, -1);  // failed its range: previous value
  EXPECT_EQ(dialog.choice, 1);
  EXPECT_EQ(window().GetFocus(), kEditB);
  ASSERT_EQ(window().Prompts().size(), 1u);
  EXPECT_EQ(window().Prompts()[0], "Please enter a number between -1 and 1.");

  window().Type(kEditA, "0.00009999");
  EXPECT_FALSE(dialog.UpdateData(true));
  EXPECT_EQ(window().Prompts().back(), "Please enter a number between 0.0001 and 1000000.");
  EXPECT_EQ(dialog.a, 7);
}

TEST_F(ExchangeTest, MessageMapRoutesClicksAndOkValidates) {
  window().Click(kButton);
  EXPECT_EQ(dialog.clicks, 1);
  window().Type(kEditA, "x");
  window().PressEnter();
  EXPECT_FALSE(dialog.EndResult());  // OK with invalid input does not close
  window().Type(kEditA, "3");
  window().PressEnter();
  EXPECT_EQ(dialog.EndResult(), IDOK);
}

// Every backend checks a clicked radio button within its own group: the
// group is found from any member, not only its first.
TEST(DialogTemplate, RadioGroupOfAnyMember) {
  const DialogTemplate& dialog = kDialogs[0];
  const std::vector<int> group{kRadio0, kRadio1, kRadio2};
  EXPECT_EQ(dialog.RadioGroupOf(kRadio0), group);
  EXPECT_EQ(dialog.RadioGroupOf(kRadio2), group);
  EXPECT_EQ(dialog.RadioGroupOf(kOther1), (std::vector<int>{kOther0, kOther1}));
  EXPECT_TRUE(dialog.RadioGroupOf(kEditB).empty());
}

TEST(Dialog, DoModalRunsTheSessionAndReturnsItsEnd) {
  MemoryWindowSystem system;
  system.session = [](MemoryWindow& w) {
    w.Click(kButton);
    w.PressEscape();
  };
  TestDialog dialog;
  EXPECT_EQ(dialog.DoModal(system), IDCANCEL);
  EXPECT_EQ(dialog.clicks, 1);
  EXPECT_EQ(dialog.GetWindow(), nullptr);
}

TEST(Dialog, MissingTemplateOrStringIsNotAnError) {
  EXPECT_EQ(LoadString(kModule, 5), "five");
  EXPECT_EQ(LoadString(kModule, 6), "");
  EXPECT_EQ(LoadIcon(kModule, 128), IconHandle{});
  struct Orphan : CDialog {
    Orphan() : CDialog(8, kModule) {}  // no template 8
  } orphan;
  MemoryWindowSystem system;
  EXPECT_EQ(orphan.DoModal(system), -1);
}

}  // namespace
}  // namespace ostrevin::fw
