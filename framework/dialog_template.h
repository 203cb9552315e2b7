// A dialog template: the window's caption, size and font, and its controls in
// template order (which is also the tab order), with positions in dialog units.
// Both the in-memory window and the real window are built from the same data.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrevin::fw {

// Id of controls that are never addressed (labels, group boxes).
inline constexpr int kStaticId = -1;

enum class ControlKind { GroupBox, RadioButton, PushButton, Edit, Static };

// Style marks of a control.
enum Style : unsigned {
  kGroup = 1u << 0,        // first control of a group
  kTabStop = 1u << 1,      // reached with the Tab key
  kFrame = 1u << 2,        // modal-frame extended style (a raised edge)
  kCentred = 1u << 3,      // text or title centred
  kBorder = 1u << 4,       // edit with a border
  kAutoHScroll = 1u << 5,  // edit scrolls horizontally as the user types
  kPushLike = 1u << 6,     // radio button drawn as a toggle push button
};

struct DialogRect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  std::string_view caption;
  DialogRect rect;
  unsigned style;

  bool Has(Style s) const { return (style & s) != 0; }
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int width, height;  // dialog units
  std::string_view fontName;
  int fontPointSize;
  std::span<const ControlTemplate> controls;

  // The control with this id, or nullptr.
  const ControlTemplate* Find(int controlId) const;

  // The ids of the radio group that starts at firstId: that button and the
  // radio buttons after it up to the next control that starts a group. Empty
  // when firstId is not a radio button.
  std::vector<int> RadioGroup(int firstId) const;

  // The ids of the radio group a radio button belongs to: the group that
  // starts at the nearest control at or before it that starts a group.
  std::vector<int> RadioGroupOf(int id) const;
};

}  // namespace ostrevin::fw
