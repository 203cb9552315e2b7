#include "framework/dialog_template.h"

#include <algorithm>

namespace ostrevin::fw {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const ControlTemplate& c) { return c.id == controlId; });
  return it == controls.end() ? nullptr : &*it;
}

std::vector<int> DialogTemplate::RadioGroup(int firstId) const {
  std::vector<int> ids;
  auto it = std::find_if(controls.begin(), controls.end(),
                         [&](const ControlTemplate& c) { return c.id == firstId; });
  if (it == controls.end() || it->kind != ControlKind::RadioButton) return ids;
  ids.push_back(it->id);
  for (++it; it != controls.end() && it->kind == ControlKind::RadioButton && !it->Has(kGroup);
       ++it) {
    ids.push_back(it->id);
  }
  return ids;
}

std::vector<int> DialogTemplate::RadioGroupOf(int id) const {
  int first = id;
  for (const ControlTemplate& c : controls) {
    if (c.Has(kGroup)) first = c.id;
    if (c.id == id) break;
  }
  return RadioGroup(first);
}

}  // namespace ostrevin::fw
