// The calculator in its real Qt window: the window contract's scenarios
// through a Qt driver, plus what only Qt shows (dialog units from the font's
// metrics, a picture of the window).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <cmath>

#include <QAccessible>
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
#include "tests/contract/window_contract.h"

namespace ostrevin {
namespace {

using contract::PixelRect;
using fw::qt::QtDialogWindow;

QtDialogWindow& Qt(fw::Window& window) { return dynamic_cast<QtDialogWindow&>(window); }

PixelRect ToRect(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

class QtDriver final : public contract::WindowDriver {
 public:
  QtDriver() {
    // A modal box closes itself and is recorded, so that a scenario reads the
    // prompts it caused instead of hanging on them.
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        prompts_.push_back(box->text().toStdString());
        box->accept();
      }
    });
    watchdog_.start(20);
  }
  fw::WindowSystem& System() override { return system_; }
  void Show(fw::Window& window) override {
    Qt(window).show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Qt(window)));
  }
  void Type(fw::Window& window, int id, std::string_view text) override {
    auto* edit = qobject_cast<QLineEdit*>(Qt(window).Control(id));
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void Click(fw::Window& window, int id) override {
    QTest::mouseClick(qobject_cast<QPushButton*>(Qt(window).Control(id)), Qt::LeftButton);
  }
  void PressEnter(fw::Window& window, int id) override {
    QWidget* control = Qt(window).Control(id);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Return);
  }
  void PressEscape(fw::Window& window) override { QTest::keyClick(&Qt(window), Qt::Key_Escape); }
  void CloseBox(fw::Window& window) override { Qt(window).close(); }
  bool IsVisible(fw::Window& window) override { return Qt(window).isVisible(); }
  bool BusyCursorShown() override { return QApplication::overrideCursor() != nullptr; }
  std::vector<std::string> TakePrompts() override { return std::exchange(prompts_, {}); }
  std::vector<int> TabOrder(fw::Window& window) override {
    std::vector<int> ids;
    QWidget* start = &Qt(window);
    for (QWidget* widget = start->nextInFocusChain(); widget != start;
         widget = widget->nextInFocusChain()) {
      if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->parentWidget() == start) {
        ids.push_back(widget->property("controlId").toInt());
      }
    }
    return ids;
  }
  std::vector<PixelRect> ControlRects(fw::Window& window) override {
    std::vector<PixelRect> rects;
    for (QWidget* widget : Qt(window).findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      rects.push_back(ToRect(widget->geometry()));
    }
    return rects;
  }
  std::vector<PixelRect> TemplateRects(fw::Window& window) override {
    std::vector<PixelRect> rects;
    for (const fw::ControlTemplate& control : window.Template().controls) {
      rects.push_back(ToRect(fw::qt::ToPixels(control.rect, Qt(window).BaseUnits())));
    }
    return rects;
  }

 private:
  fw::qt::QtWindowSystem system_{nullptr};
  QTimer watchdog_;
  std::vector<std::string> prompts_;
};

std::unique_ptr<contract::WindowDriver> MakeQtDriver() { return std::make_unique<QtDriver>(); }

}  // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Backend, WindowContract, testing::Values(&MakeQtDriver),
                         [](const auto&) { return std::string("Qt"); });
}  // namespace contract

namespace {

TEST(QtWindow, DialogUnitsScalePositionAndSizeRoundingHalfAwayFromZero) {
  const fw::qt::DialogBaseUnits units{6, 13};
  EXPECT_EQ(fw::qt::ToPixels({7, 7, 161, 30}, units), QRect(11, 11, 242, 49));  // 241.5 -> 242
  EXPECT_EQ(fw::qt::ToPixels({0, 0, 391, 202}, units), QRect(0, 0, 587, 328));
  const fw::qt::DialogBaseUnits larger{8, 16};
  EXPECT_EQ(fw::qt::ToPixels({7, 7, 161, 30}, larger), QRect(14, 14, 322, 60));
}

// The calculator's window, made and shown on screen.
class QtCalculatorWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(system));
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  }
  QtDialogWindow& window() { return Qt(*dlg.GetWindow()); }

  fw::qt::QtWindowSystem system{nullptr};
  CKelmoraDlg dlg;
};

TEST_F(QtCalculatorWindow, SizedByTheTemplateAndRendersToAPicture) {
  QtDialogWindow& window = this->window();
  const fw::DialogTemplate& dialog = window.Template();
  EXPECT_EQ(window.size(),
            fw::qt::ToPixels({0, 0, dialog.width, dialog.height}, window.BaseUnits()).size());
  window.SetText(IDC_INPUT, "10");
  window.findChild<QPushButton*>(QStringLiteral("control-%1").arg(IDC_CALCULATE))->click();
  const QPixmap picture = window.grab();
  EXPECT_EQ(picture.size(), window.size());
  EXPECT_TRUE(picture.save(QStringLiteral(OSTREVIN_SCREENSHOT_DIR "/ostrevin-window.png")));
}

TEST_F(QtCalculatorWindow, APressedToggleStandsOutAndEveryEditHasAName) {
  QtDialogWindow& window = this->window();
  // The middle of the pressed button and of the one beside it, as drawn.
  const QImage picture = window.grab().toImage();
  const auto fill = [&](int id) {
    const QRect rect = window.Control(id)->geometry();
    return QColor(picture.pixel(rect.center().x(), rect.top() + 3));
  };
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) {
      v /= 255;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
  };
  const double pressed = luminance(fill(IDC_ENGLISH));
  const double raised = luminance(fill(IDC_METRIC));
  const double contrast = (std::max(pressed, raised) + 0.05) / (std::min(pressed, raised) + 0.05);
  EXPECT_GE(contrast, 3.0) << "pressed " << fill(IDC_ENGLISH).name().toStdString() << ", raised "
                           << fill(IDC_METRIC).name().toStdString();
  for (const int id : {IDC_RHO, IDC_DIAMETER, IDC_INPUT, IDC_MEASURED_R, IDC_SPACING}) {
    QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(window.Control(id));
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->text(QAccessible::Name).isEmpty()) << id;
  }
  QAccessibleInterface* rho = QAccessible::queryAccessibleInterface(window.Control(IDC_RHO));
  EXPECT_TRUE(rho->text(QAccessible::Name).startsWith(QStringLiteral("Soil resistance")))
      << rho->text(QAccessible::Name).toStdString();
}

}  // namespace
}  // namespace ostrevin

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
