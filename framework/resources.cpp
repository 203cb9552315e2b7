#include "framework/resources.h"

#include <algorithm>

#include "core/number_text.h"

namespace ostrevin::fw {

const DialogTemplate* ResourceModule::FindDialog(int id) const {
  const auto it = std::find_if(dialogs.begin(), dialogs.end(),
                               [&](const DialogTemplate& d) { return d.id == id; });
  return it == dialogs.end() ? nullptr : &*it;
}

bool ResourceModule::HasIcon(int id) const {
  return std::find(icons.begin(), icons.end(), id) != icons.end();
}

std::string LoadString(const ResourceModule& module, int id) {
  const auto it = std::find_if(module.strings.begin(), module.strings.end(),
                               [&](const StringResource& s) { return s.id == id; });
  return it == module.strings.end() ? std::string() : std::string(it->text);
}

IconHandle LoadIcon(const ResourceModule& module, int id) {
  return module.HasIcon(id) ? IconHandle{id} : IconHandle{};
}

std::string Format(std::string_view format, double value) { return FormatDouble(format, value); }

}  // namespace ostrevin::fw
