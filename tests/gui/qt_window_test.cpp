// The calculator in its real Qt window, kept thin: the behaviour is tested
// headless; these check that clicks, keys and prompts reach it and that the
// window is laid out as the template says.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "form/calculator_dlg.h"
#include "framework/qt/qt_window.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

using fw::qt::QtDialogWindow;

class QtCalculator : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(system));
    window = dynamic_cast<QtDialogWindow*>(dlg.GetWindow());
    ASSERT_NE(window, nullptr);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // Watchdog: a modal box closes itself and is recorded, so that a test
    // fails on a prompt it did not expect instead of hanging on it.
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        prompts.push_back(box->text().toStdString());
        box->accept();
      }
    });
    watchdog.start(20);
  }
  void TearDown() override { EXPECT_EQ(prompts, expectedPrompts); }

  QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(window->Control(id)); }
  QPushButton* Button(int id) { return qobject_cast<QPushButton*>(window->Control(id)); }
  std::string Label(int id) {
    return qobject_cast<QLabel*>(window->Control(id))->text().toStdString();
  }
  void TypeInto(int id, const QString& text) {
    Edit(id)->setFocus();
    Edit(id)->clear();
    QTest::keyClicks(Edit(id), text);
  }
  void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

  fw::qt::QtWindowSystem system{nullptr};
  CKelmoraDlg dlg;
  QtDialogWindow* window = nullptr;
  QTimer watchdog;
  std::vector<std::string> prompts, expectedPrompts;
};

TEST_F(QtCalculator, TypeCalculateAndRenderToAPicture) {
  EXPECT_EQ(window->windowTitle(), "Ostrevin");
  EXPECT_EQ(window->GetFocus(), IDC_RHO);
  TypeInto(IDC_INPUT, "10");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Label(IDC_RESULT), "6.100");
  EXPECT_EQ(Label(IDC_RESULT_UNITS), "Feet");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is gone
  const QPixmap picture = window->grab();
  EXPECT_EQ(picture.size(), window->size());
  EXPECT_TRUE(picture.save(QStringLiteral(OSTREVIN_SCREENSHOT_DIR "/ostrevin-window.png")));
}

TEST_F(QtCalculator, SwitchUnitsAndCalculationType) {
  Click(IDC_METRIC);
  EXPECT_TRUE(Button(IDC_METRIC)->isChecked());
  EXPECT_FALSE(Button(IDC_ENGLISH)->isChecked());
  EXPECT_EQ(Edit(IDC_DIAMETER)->text(), "0.016");
  EXPECT_EQ(Label(IDC_DIAMETER_LABEL), "Rod diameter (meters)");
  Click(IDC_TYPE_RESISTANCE);
  EXPECT_EQ(Label(IDC_INPUT_LABEL), "Rod Length (meters)");
  EXPECT_EQ(Edit(IDC_INPUT)->text(), "0.914");
}

TEST_F(QtCalculator, InvalidInputPromptsAndPutsTheClickedButtonBack) {
  expectedPrompts = {"Please enter a number.", "Please enter a number between 0.0001 and 1000000."};
  TypeInto(IDC_RHO, "abc");
  Click(IDC_CALCULATE);
  EXPECT_EQ(Label(IDC_RESULT), "");
  EXPECT_EQ(window->GetFocus(), IDC_RHO);
  TypeInto(IDC_RHO, "0");
  Click(IDC_METRIC);
  EXPECT_TRUE(Button(IDC_ENGLISH)->isChecked());
  EXPECT_FALSE(Button(IDC_METRIC)->isChecked());
  EXPECT_EQ(Edit(IDC_RHO)->text(), "0");
}

TEST_F(QtCalculator, EnterOnAButtonClicksItElsewhereItIsOk) {
  Button(IDC_CALCULATE_RHO)->setFocus();
  QTest::keyClick(Button(IDC_CALCULATE_RHO), Qt::Key_Return);
  EXPECT_EQ(Edit(IDC_RHO)->text(), "574.534");
  EXPECT_FALSE(dlg.EndResult());
  Edit(IDC_SPACING)->setFocus();
  QTest::keyClick(Edit(IDC_SPACING), Qt::Key_Return);
  EXPECT_EQ(dlg.EndResult(), fw::IDOK);
}

TEST_F(QtCalculator, EscapeAndTheCloseBoxCancel) {
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_EQ(dlg.EndResult(), fw::IDCANCEL);
  CKelmoraDlg other;
  ASSERT_TRUE(other.Create(system));
  auto* second = dynamic_cast<QtDialogWindow*>(other.GetWindow());
  second->show();
  second->close();
  EXPECT_EQ(other.EndResult(), fw::IDCANCEL);
  EXPECT_FALSE(second->isVisible());
}

TEST(DialogUnits, ScaleEachEdgeAndRoundHalfAwayFromZero) {
  const fw::qt::DialogBaseUnits units{6, 13};
  EXPECT_EQ(fw::qt::ToPixels({7, 7, 161, 30}, units), QRect(11, 11, 241, 49));
  EXPECT_EQ(fw::qt::ToPixels({0, 0, 391, 202}, units), QRect(0, 0, 587, 328));
  const fw::qt::DialogBaseUnits larger{8, 16};
  EXPECT_EQ(fw::qt::ToPixels({7, 7, 161, 30}, larger), QRect(14, 14, 322, 60));
}

TEST_F(QtCalculator, LayoutFollowsTheTemplate) {
  const fw::DialogTemplate& dialog = window->Template();
  const fw::qt::DialogBaseUnits units = window->BaseUnits();
  EXPECT_GT(units.x, 0);
  EXPECT_EQ(window->size(), fw::qt::ToPixels({0, 0, dialog.width, dialog.height}, units).size());
  // Widgets in template order: creation order, which is also Qt's tab order.
  const QList<QWidget*> widgets = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(widgets.size(), static_cast<qsizetype>(dialog.controls.size()));
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    const fw::ControlTemplate& control = dialog.controls[i];
    SCOPED_TRACE(std::string(control.caption) + " " + std::to_string(control.id));
    EXPECT_EQ(widgets[static_cast<qsizetype>(i)]->geometry(),
              fw::qt::ToPixels(control.rect, units));
    EXPECT_EQ(widgets[static_cast<qsizetype>(i)]->focusPolicy() == Qt::StrongFocus,
              control.Has(fw::kTabStop));
    for (std::size_t j = i + 1; j < dialog.controls.size(); ++j) {
      const fw::DialogRect a = control.rect, b = dialog.controls[j].rect;
      const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y ||
                         b.y + b.height <= a.y;
      if (apart) {
        EXPECT_FALSE(widgets[static_cast<qsizetype>(i)]->geometry().intersects(
            widgets[static_cast<qsizetype>(j)]->geometry()))
            << "overlaps " << dialog.controls[j].caption;
      }
    }
  }
}

}  // namespace
}  // namespace ostrevin

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
