#include "framework/dialog_template.h"

#include <algorithm>

namespace ostrevin::fw {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  const auto it = std::ranges::find(controls, controlId, &ControlTemplate::id);
  return it == controls.end() ? nullptr : &*it;
}

std::vector<int> DialogTemplate::RadioGroup(int firstId) const {
  std::vector<int> ids;
  auto it = std::ranges::find(controls, firstId, &ControlTemplate::id);
  if (it == controls.end() || it->kind != ControlKind::RadioButton) return ids;
  ids.push_back(it->id);
  for (++it; it != controls.end() && it->kind == ControlKind::RadioButton && !it->Has(kGroup);
       ++it) {
    ids.push_back(it->id);
  }
  return ids;
}

}  // namespace ostrevin::fw
