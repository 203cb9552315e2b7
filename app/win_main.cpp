// The calculator's entry point on Windows: the same application object as on
// Linux, hosted on the Win32 window system. The executable carries icon 128,
// the version block and the manifest (res/ostrevin.rc.in).
#include <string_view>

#include "app/kelmora_app.h"
#include "framework/win32/win32_window.h"
#include "framework/win32/windows_api.h"

#include <commctrl.h>

namespace {

class Win32AppHost final : public ostrevin::fw::AppHost {
 public:
  ostrevin::fw::WindowSystem& Windows() override { return windows_; }
  // The profile would live under this registry key; nothing is ever written.
  void SetProfileName(std::string_view /*name*/) override {}

 private:
  ostrevin::fw::win32::Win32WindowSystem windows_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  // The buttons take the system's visual style (Common Controls 6, from the manifest).
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Win32AppHost host;
  return ostrevin::theApp.Run(host);
}
