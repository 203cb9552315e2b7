// A dialog template in the window system's own binary form (DLGTEMPLATEEX
// and its DLGITEMTEMPLATEEX items), built in memory from the template data
// every backend shares, for CreateDialogIndirectParamW: the dialog manager
// itself then creates the controls and converts the dialog units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/dialog_template.h"

namespace ostrevin::fw::win32 {

// UTF-8 to UTF-16 and back; invalid bytes become U+FFFD.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The styles and extended styles of a control, as the window system takes them.
struct ControlStyles {
  std::uint32_t style, exStyle;
  std::uint16_t classAtom;  // 0x0080 button, 0x0081 edit, 0x0082 static
};
ControlStyles StylesOf(const ControlTemplate& control);

// The dialog's style: a captioned pop-up with a system menu, no minimise or
// maximise box, centred, in the shell's dialog font; and its extended style
// (an application window with a static edge).
std::uint32_t DialogStyle();
std::uint32_t DialogExStyle();

// The whole template, DWORD-aligned as the API requires.
std::vector<std::uint16_t> BuildDialogResource(const DialogTemplate& dialog);

}  // namespace ostrevin::fw::win32
