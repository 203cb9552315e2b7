// The resources of a program: dialog templates, the string table and the ids
// of its icons, and the two string services the dialogs use.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "framework/dialog_template.h"
#include "framework/window.h"

namespace ostrevin::fw {

struct StringResource {
  int id;
  std::string_view text;
};

struct ResourceModule {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
  std::span<const int> icons;

  const DialogTemplate* FindDialog(int id) const;
  bool HasIcon(int id) const;
};

// The string-table entry of the given id; empty when there is none.
std::string LoadString(const ResourceModule& module, int id);

// The icon of the given id, or no icon (id 0) when the module has none.
IconHandle LoadIcon(const ResourceModule& module, int id);

// printf-style formatting of one double, independent of the locale: one
// conversion %[.precision]f, e or g in literal text (FormatDouble of
// core/number_text.h, which says the rest).
std::string Format(std::string_view format, double value);

}  // namespace ostrevin::fw
