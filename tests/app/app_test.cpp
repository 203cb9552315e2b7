#include <string>

#include <gtest/gtest.h>

#include "app/kelmora_app.h"
#include "form/calculator_dlg.h"
#include "framework/memory_window.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

class MemoryHost final : public fw::AppHost {
 public:
  fw::WindowSystem& Windows() override { return windows; }
  void SetProfileName(std::string_view name) override { profile = name; }
  fw::MemoryWindowSystem windows;
  std::string profile;
};

TEST(Application, RunsTheCalculatorUntilItClosesThenEnds) {
  MemoryHost host;
  CKelmoraApp app;
  fw::CDialog* during = nullptr;
  host.windows.session = [&](fw::MemoryWindow& window) {
    during = app.m_pMainWnd;
    window.Click(IDC_CALCULATE);
    EXPECT_EQ(window.GetText(IDC_RESULT), "6.100");
    window.PressEscape();
  };
  EXPECT_EQ(app.Run(host), 0);
  EXPECT_NE(during, nullptr);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(host.profile, "Local AppWizard-Generated Applications");
}

}  // namespace
}  // namespace ostrevin
