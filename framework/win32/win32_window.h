// The real window of a dialog on the Win32 API: the dialog manager builds it
// from the template (DLGTEMPLATEEX in memory, CreateDialogIndirectParamW),
// lays it out in dialog units with the dialog font and the screen's DPI, and
// handles the keyboard (Tab, Enter = IDOK or the focused push button, Escape
// = IDCANCEL). Clicks arrive as WM_COMMAND/BN_CLICKED and go to the dialog's
// message map; WM_PAINT and WM_QUERYDRAGICON go to its OnPaint and
// OnQueryDragIcon.
//
// RunModal runs the modal loop the way the framework's original does: the
// window exists (and has its values) before the loop starts, and the loop
// passes every message through IsDialogMessageW. The window never closes by
// itself: the dialog ends it. No Qt here; <windows.h> stays in this folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/window.h"

namespace ostrevin::fw::win32 {

// An opaque window handle (HWND), so that this header needs no <windows.h>.
using WindowHandle = void*;

class Win32DialogWindow;

class Win32WindowSystem final : public WindowSystem {
 public:
  // `instance` (an HINSTANCE) holds the icon resources; null for the program's own.
  explicit Win32WindowSystem(void* instance = nullptr);
  std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                             MessageSink& sink) override;

 private:
  void* instance_;
};

class Win32DialogWindow final : public Window {
 public:
  Win32DialogWindow(const DialogTemplate& dialog, MessageSink& sink, void* instance);
  ~Win32DialogWindow() override;
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  WindowHandle Handle() const { return hwnd_; }
  WindowHandle Control(int id) const;

  const DialogTemplate& Template() const override { return dialog_; }
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  int GetFocus() const override;
  void SetFocus(int id) override;
  void SetBusyCursor(bool busy) override;
  void ShowPrompt(std::string_view text) override;
  void SetIcon(IconHandle icon, bool big) override;
  bool IsIconic() const override;
  Size ClientSize() const override;
  Size IconSize() const override;
  void EraseIconBackground() override;
  void DrawIcon(int x, int y, IconHandle icon) override;
  int RunModal() override;
  void EndModal(int result) override;

  // The dialog procedure's work for one message; false lets the dialog
  // manager do its default.
  bool HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                     std::intptr_t& result);

 private:
  void* LoadIconResource(IconHandle icon) const;

  const DialogTemplate& dialog_;
  MessageSink& sink_;
  void* instance_;
  std::vector<std::uint16_t> resource_;
  WindowHandle hwnd_ = nullptr;
  void* paintDc_ = nullptr;  // the HDC while WM_PAINT is handled
  bool busy_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace ostrevin::fw::win32
