// The calculator in a window the Windows dialog manager builds and drives:
// the window contract's scenarios through a Win32 driver (clicks as
// BM_CLICK, typing as WM_CHAR, keys through IsDialogMessageW, prompts read
// from the message box and answered), the minimised window's icon, and the
// resources of Ostrevin.exe read back through the API. Runs under Wine here.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "form/calculator_dlg.h"
#include "framework/win32/dialog_resource.h"
#include "framework/win32/win32_window.h"
#include "framework/win32/windows_api.h"
#include "res/resource.h"
#include "tests/contract/window_contract.h"

namespace ostrevin {
namespace {

using contract::PixelRect;
using fw::win32::Narrow;
using fw::win32::Win32DialogWindow;

HWND Dialog(fw::Window& window) {
  return static_cast<HWND>(dynamic_cast<Win32DialogWindow&>(window).Handle());
}
HWND ControlOf(fw::Window& window, int id) { return GetDlgItem(Dialog(window), id); }

std::string ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return Narrow(name);
}

std::string TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// Handles every message waiting for this thread, the dialogs' keys through the
// dialog manager, as a modal loop does.
void Pump() {
  for (int round = 0; round < 3; ++round) {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
      if (root == nullptr || !IsDialogMessageW(root, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    Sleep(5);
  }
}

// The prompts seen by the watchdog: a message box owned by a dialog is read
// and answered with its OK button from a thread timer, which runs inside the
// message box's own modal loop.
std::vector<std::string> prompts;

BOOL CALLBACK CollectStatic(HWND child, LPARAM text) {
  auto& longest = *reinterpret_cast<std::string*>(text);
  if (ClassOf(child) == "Static" && TextOf(child).size() > longest.size()) longest = TextOf(child);
  return TRUE;
}

BOOL CALLBACK AnswerPrompt(HWND hwnd, LPARAM /*unused*/) {
  if (ClassOf(hwnd) == "#32770" && GetWindow(hwnd, GW_OWNER) != nullptr && IsWindowVisible(hwnd)) {
    std::string text;
    EnumChildWindows(hwnd, CollectStatic, reinterpret_cast<LPARAM>(&text));
    prompts.push_back(text);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(fw::IDOK, BN_CLICKED), 0);
  }
  return TRUE;
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), AnswerPrompt, 0);
}

PixelRect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

class Win32Driver final : public contract::WindowDriver {
 public:
  Win32Driver() : timer_(SetTimer(nullptr, 0, 30, Watchdog)) { prompts.clear(); }
  ~Win32Driver() override { KillTimer(nullptr, timer_); }
  Win32Driver(const Win32Driver&) = delete;
  Win32Driver& operator=(const Win32Driver&) = delete;

  fw::WindowSystem& System() override { return system_; }
  void Show(fw::Window& window) override {
    ShowWindow(Dialog(window), SW_SHOW);
    SetForegroundWindow(Dialog(window));
    UpdateWindow(Dialog(window));
    Pump();
  }
  void Type(fw::Window& window, int id, std::string_view text) override {
    window.SetFocus(id);
    const HWND edit = ControlOf(window, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (const wchar_t c : fw::win32::Widen(text)) SendMessageW(edit, WM_CHAR, c, 0);
    Pump();
  }
  void Click(fw::Window& window, int id) override {
    SendMessageW(ControlOf(window, id), BM_CLICK, 0, 0);
    Pump();
  }
  void PressEnter(fw::Window& window, int id) override {
    window.SetFocus(id);
    Pump();
    Key(VK_RETURN);
  }
  void PressEscape(fw::Window& /*window*/) override { Key(VK_ESCAPE); }
  void CloseBox(fw::Window& window) override {
    SendMessageW(Dialog(window), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
  }
  bool IsVisible(fw::Window& window) override { return IsWindowVisible(Dialog(window)) != FALSE; }
  bool BusyCursorShown() override { return GetCursor() == LoadCursorW(nullptr, IDC_WAIT); }
  std::vector<std::string> TakePrompts() override {
    Pump();
    return std::exchange(prompts, {});
  }
  std::vector<int> TabOrder(fw::Window& window) override {
    std::vector<int> ids;
    const HWND first = GetNextDlgTabItem(Dialog(window), nullptr, FALSE);
    for (HWND control = first; control != nullptr && ids.size() < 64;) {
      ids.push_back(GetDlgCtrlID(control));
      control = GetNextDlgTabItem(Dialog(window), control, FALSE);
      if (control == first) break;
    }
    return ids;
  }
  std::vector<PixelRect> ControlRects(fw::Window& window) override {
    std::vector<PixelRect> rects;
    for (HWND child = GetWindow(Dialog(window), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      RECT rect{};
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, Dialog(window), reinterpret_cast<POINT*>(&rect), 2);
      rects.push_back(ToRect(rect));
    }
    return rects;
  }
  std::vector<PixelRect> TemplateRects(fw::Window& window) override {
    std::vector<PixelRect> rects;
    // The dialog manager converts a control's position and its size.
    for (const fw::ControlTemplate& control : window.Template().controls) {
      RECT origin{control.rect.x, control.rect.y, control.rect.x, control.rect.y};
      RECT size{0, 0, control.rect.width, control.rect.height};
      MapDialogRect(Dialog(window), &origin);
      MapDialogRect(Dialog(window), &size);
      rects.push_back(
          {origin.left, origin.top, origin.left + size.right, origin.top + size.bottom});
    }
    return rects;
  }

 private:
  // A key pressed where the focus is, delivered through the message queue.
  static void Key(WPARAM key) {
    const HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    Pump();
  }

  fw::win32::Win32WindowSystem system_;
  UINT_PTR timer_;
};

std::unique_ptr<contract::WindowDriver> MakeWin32Driver() {
  return std::make_unique<Win32Driver>();
}

}  // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Backend, WindowContract, testing::Values(&MakeWin32Driver),
                         [](const auto&) { return std::string("Win32"); });
}  // namespace contract

namespace {

TEST(Win32Window, TheDialogManagerBuildsTheTemplate) {
  fw::win32::Win32WindowSystem system;
  CKelmoraDlg dlg;
  ASSERT_TRUE(dlg.Create(system));
  const HWND dialog = Dialog(*dlg.GetWindow());
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(dialog), "Ostrevin");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
  EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
  // 391 x 202 dialog units, converted by the dialog manager.
  RECT size{0, 0, 391, 202};
  MapDialogRect(dialog, &size);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  const HWND english = GetDlgItem(dialog, IDC_ENGLISH);
  EXPECT_EQ(ClassOf(english), "Button");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(english, GWL_STYLE)) & (BS_PUSHLIKE | 0xf),
            static_cast<DWORD>(BS_PUSHLIKE | BS_AUTORADIOBUTTON));
  EXPECT_EQ(ClassOf(GetDlgItem(dialog, IDC_RHO)), "Edit");
  // Text crosses the API as UTF-16, converted from and to UTF-8.
  dlg.GetWindow()->SetText(IDC_RESULT, "\xce\xa9 caf\xc3\xa9");
  EXPECT_EQ(dlg.GetWindow()->GetText(IDC_RESULT), "\xce\xa9 caf\xc3\xa9");
}

TEST(Win32Window, IconSetAndPaintedWhenMinimised) {
  fw::win32::Win32WindowSystem system;
  CKelmoraDlg dlg;
  ASSERT_TRUE(dlg.Create(system));
  const HWND dialog = Dialog(*dlg.GetWindow());
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
  ShowWindow(dialog, SW_SHOW);
  ShowWindow(dialog, SW_MINIMIZE);
  Pump();
  EXPECT_TRUE(dlg.GetWindow()->IsIconic());
  EXPECT_NE(SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0), 0);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // OnPaint draws the icon
  Pump();
}

std::string VersionString(const std::vector<char>& block, const wchar_t* name) {
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
  return Narrow(std::wstring_view(static_cast<const wchar_t*>(value), length - 1));
}

TEST(Win32Executable, CarriesItsVersionIconAndManifest) {
  const std::wstring exe = fw::win32::Widen(OSTREVIN_EXE);
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  EXPECT_EQ(VersionString(block, L"FileVersion"), "1.0.0.3");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), "1.0.0.3");
  EXPECT_EQ(VersionString(block, L"FileDescription"), "Ostrevin");
  EXPECT_EQ(VersionString(block, L"ProductName"), "Ostrevin");
  EXPECT_EQ(VersionString(block, L"InternalName"), "Ostrevin.exe");
  EXPECT_EQ(VersionString(block, L"OriginalFilename"), "Ostrevin.exe");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000003u);

  const HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(IDR_MAINFRAME)), nullptr);
  const HRSRC found =
      FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                             SizeofResource(module, found));
  EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  FreeLibrary(module);
}

}  // namespace
}  // namespace ostrevin
