#include "framework/win32/win32_window.h"

#include "framework/win32/dialog_resource.h"
#include "framework/win32/windows_api.h"

namespace ostrevin::fw::win32 {

namespace {

HWND AsHwnd(WindowHandle handle) { return static_cast<HWND>(handle); }

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return FALSE;  // the framework sets the focus itself
  }
  auto* window = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (window == nullptr) return FALSE;
  std::intptr_t result = 0;
  if (!window->HandleMessage(message, wParam, lParam, result)) return FALSE;
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return message == WM_QUERYDRAGICON ? static_cast<INT_PTR>(result) : TRUE;
}

}  // namespace

Win32WindowSystem::Win32WindowSystem(void* instance)
    : instance_(instance != nullptr ? instance : GetModuleHandleW(nullptr)) {}

std::unique_ptr<Window> Win32WindowSystem::CreateDialogWindow(const DialogTemplate& dialog,
                                                              MessageSink& sink) {
  return std::make_unique<Win32DialogWindow>(dialog, sink, instance_);
}

Win32DialogWindow::Win32DialogWindow(const DialogTemplate& dialog, MessageSink& sink,
                                     void* instance)
    : dialog_(dialog), sink_(sink), instance_(instance), resource_(BuildDialogResource(dialog)) {
  hwnd_ = CreateDialogIndirectParamW(static_cast<HINSTANCE>(instance_),
                                     reinterpret_cast<LPCDLGTEMPLATEW>(resource_.data()), nullptr,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
}

Win32DialogWindow::~Win32DialogWindow() {
  SetBusyCursor(false);
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(AsHwnd(hwnd_), DWLP_USER, 0);
    DestroyWindow(AsHwnd(hwnd_));
  }
}

WindowHandle Win32DialogWindow::Control(int id) const {
  return hwnd_ == nullptr ? nullptr : GetDlgItem(AsHwnd(hwnd_), id);
}

std::string Win32DialogWindow::GetText(int id) const {
  const HWND control = AsHwnd(Control(id));
  if (control == nullptr) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Win32DialogWindow::SetText(int id, std::string_view text) {
  if (const HWND control = AsHwnd(Control(id))) SetWindowTextW(control, Widen(text).c_str());
}

bool Win32DialogWindow::IsChecked(int id) const {
  const HWND control = AsHwnd(Control(id));
  return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogWindow::SetChecked(int id, bool checked) {
  if (const HWND control = AsHwnd(Control(id))) {
    SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

int Win32DialogWindow::GetFocus() const {
  const HWND focus = ::GetFocus();
  if (focus == nullptr || GetParent(focus) != AsHwnd(hwnd_)) return kStaticId;
  return GetDlgCtrlID(focus);
}

void Win32DialogWindow::SetFocus(int id) {
  // WM_NEXTDLGCTL moves the focus as the dialog manager does (an edit's text
  // is selected, the default push button follows).
  if (const HWND control = AsHwnd(Control(id))) {
    SendMessageW(AsHwnd(hwnd_), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  }
}

void Win32DialogWindow::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Win32DialogWindow::ShowPrompt(std::string_view text) {
  MessageBoxW(AsHwnd(hwnd_), Widen(text).c_str(), Widen(dialog_.caption).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
}

void* Win32DialogWindow::LoadIconResource(IconHandle icon) const {
  if (icon.resourceId == 0) return nullptr;
  return LoadIconW(static_cast<HINSTANCE>(instance_), MAKEINTRESOURCEW(icon.resourceId));
}

void Win32DialogWindow::SetIcon(IconHandle icon, bool big) {
  SendMessageW(AsHwnd(hwnd_), WM_SETICON, big ? ICON_BIG : ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadIconResource(icon)));
}

bool Win32DialogWindow::IsIconic() const { return ::IsIconic(AsHwnd(hwnd_)) != FALSE; }

Size Win32DialogWindow::ClientSize() const {
  RECT rect{};
  GetClientRect(AsHwnd(hwnd_), &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

Size Win32DialogWindow::IconSize() const {
  return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

void Win32DialogWindow::EraseIconBackground() {
  if (paintDc_ != nullptr) {
    SendMessageW(AsHwnd(hwnd_), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paintDc_), 0);
  }
}

void Win32DialogWindow::DrawIcon(int x, int y, IconHandle icon) {
  if (paintDc_ != nullptr) {
    ::DrawIcon(static_cast<HDC>(paintDc_), x, y, static_cast<HICON>(LoadIconResource(icon)));
  }
}

int Win32DialogWindow::RunModal() {
  ended_ = false;
  ShowWindow(AsHwnd(hwnd_), SW_SHOW);
  MSG message{};
  while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(AsHwnd(hwnd_), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
  return result_;
}

void Win32DialogWindow::EndModal(int result) {
  result_ = result;
  ended_ = true;
  ShowWindow(AsHwnd(hwnd_), SW_HIDE);
  PostMessageW(AsHwnd(hwnd_), WM_NULL, 0, 0);  // wakes the loop
}

bool Win32DialogWindow::HandleMessage(unsigned message, std::uintptr_t wParam,
                                      std::intptr_t /*lParam*/, std::intptr_t& result) {
  switch (message) {
    case WM_COMMAND:
      // Buttons (and the dialog manager's IDOK and IDCANCEL) notify with
      // BN_CLICKED; the edits' notifications are not commands of the form.
      if (HIWORD(wParam) != BN_CLICKED) return false;
      sink_.OnWindowMessage(Message::Command, LOWORD(wParam));
      return true;
    case WM_CLOSE:
      sink_.OnWindowMessage(Message::Command, IDCANCEL);
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      paintDc_ = BeginPaint(AsHwnd(hwnd_), &paint);
      sink_.OnWindowMessage(Message::Paint, 0);
      EndPaint(AsHwnd(hwnd_), &paint);
      paintDc_ = nullptr;
      return true;
    }
    case WM_QUERYDRAGICON: {
      const long id = sink_.OnWindowMessage(Message::QueryDragIcon, 0);
      result = reinterpret_cast<std::intptr_t>(LoadIconResource({static_cast<int>(id)}));
      return true;
    }
    case WM_SETCURSOR:
      if (!busy_) return false;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      result = TRUE;
      return true;
    default:
      return false;
  }
}

}  // namespace ostrevin::fw::win32
