#include "framework/win32/dialog_resource.h"

#include "framework/win32/windows_api.h"

namespace ostrevin::fw::win32 {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

ControlStyles StylesOf(const ControlTemplate& control) {
  ControlStyles styles{WS_CHILD | WS_VISIBLE, 0, 0x0080};
  const bool centred = control.Has(kCentred);
  switch (control.kind) {
    case ControlKind::GroupBox:
      styles.style |= BS_GROUPBOX | (centred ? BS_CENTER : 0);
      break;
    case ControlKind::RadioButton:
      styles.style |= BS_AUTORADIOBUTTON | (control.Has(kPushLike) ? BS_PUSHLIKE : 0);
      break;
    case ControlKind::PushButton:
      styles.style |= BS_PUSHBUTTON;
      break;
    case ControlKind::Edit:
      styles.classAtom = 0x0081;
      styles.style |= ES_LEFT | (control.Has(kAutoHScroll) ? ES_AUTOHSCROLL : 0) |
                      (control.Has(kBorder) ? WS_BORDER : 0);
      break;
    case ControlKind::Static:
      styles.classAtom = 0x0082;
      styles.style |= centred ? SS_CENTER : SS_LEFT;
      break;
  }
  if (control.Has(kGroup)) styles.style |= WS_GROUP;
  if (control.Has(kTabStop)) styles.style |= WS_TABSTOP;
  if (control.Has(kFrame)) styles.exStyle |= WS_EX_DLGMODALFRAME;
  return styles;
}

std::uint32_t DialogStyle() {
  return DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
}

std::uint32_t DialogExStyle() { return WS_EX_APPWINDOW | WS_EX_STATICEDGE; }

namespace {

class Writer {
 public:
  void Word(std::uint32_t value) { words_.push_back(static_cast<std::uint16_t>(value)); }
  void Dword(std::uint32_t value) {
    Word(value & 0xffff);
    Word(value >> 16);
  }
  void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
  void Text(std::string_view text) {
    for (const wchar_t c : Widen(text)) Word(static_cast<std::uint16_t>(c));
    Word(0);
  }
  void AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<std::uint16_t> Take() { return std::move(words_); }

 private:
  std::vector<std::uint16_t> words_;
};

}  // namespace

std::vector<std::uint16_t> BuildDialogResource(const DialogTemplate& dialog) {
  Writer out;
  out.Word(1);       // dlgVer
  out.Word(0xffff);  // signature: the extended form
  out.Dword(0);      // helpID
  out.Dword(DialogExStyle());
  out.Dword(DialogStyle());
  out.Word(static_cast<std::uint32_t>(dialog.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(dialog.width);
  out.Short(dialog.height);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(dialog.caption);
  out.Word(static_cast<std::uint32_t>(dialog.fontPointSize));
  out.Word(FW_NORMAL);
  out.Word(DEFAULT_CHARSET << 8);  // italic 0, then the character set
  out.Text(dialog.fontName);
  for (const ControlTemplate& control : dialog.controls) {
    out.AlignToDword();
    const ControlStyles styles = StylesOf(control);
    out.Dword(0);  // helpID
    out.Dword(styles.exStyle);
    out.Dword(styles.style);
    out.Short(control.rect.x);
    out.Short(control.rect.y);
    out.Short(control.rect.width);
    out.Short(control.rect.height);
    out.Dword(static_cast<std::uint32_t>(control.id));
    out.Word(0xffff);
    out.Word(styles.classAtom);
    out.Text(control.caption);
    out.Word(0);  // no creation data
  }
  return out.Take();
}

}  // namespace ostrevin::fw::win32
