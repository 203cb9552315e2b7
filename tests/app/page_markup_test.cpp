// The page's markup against the dialog template: the page finds the form's
// controls by name (data-control) and the statics by their place in the
// template (data-index), so a control renamed, added or moved in the
// template without the page following fails here, at build time, not in a
// user's browser.
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/resources.h"
#include "res/kelmora_resources.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

// Each element's attributes of interest, in the order of the page.
struct Element {
  std::string control;  // data-control, or ""
  int index = -1;       // data-index, or -1
};

std::string Attribute(const std::string& tag, const std::string& name) {
  const std::size_t at = tag.find(" " + name + "=\"");
  if (at == std::string::npos) return {};
  const std::size_t start = at + name.size() + 3;
  return tag.substr(start, tag.find('"', start) - start);
}

std::vector<Element> ReadPage() {
  std::ifstream file(OSTREVIN_PAGE);
  std::stringstream text;
  text << file.rdbuf();
  const std::string page = text.str();
  std::vector<Element> elements;
  for (std::size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
    const std::string tag = page.substr(at, page.find('>', at) - at);
    const std::string control = Attribute(tag, "data-control");
    const std::string index = Attribute(tag, "data-index");
    if (control.empty() && index.empty()) continue;
    elements.push_back({control, index.empty() ? -1 : std::stoi(index)});
  }
  return elements;
}

TEST(PageMarkup, EveryControlOfTheTemplateOnceByNameAtItsPlace) {
  const std::vector<Element> elements = ReadPage();
  ASSERT_FALSE(elements.empty()) << "no page at " << OSTREVIN_PAGE;
  const fw::DialogTemplate* dialog = KelmoraResources().FindDialog(IDD_KELMORA_DIALOG);
  ASSERT_NE(dialog, nullptr);

  std::map<std::string, int> names;
  for (const ControlName& control : kControlNames) names.emplace(control.name, control.id);
  std::map<int, int> placeOf;  // control id -> its index in the template
  for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
    placeOf[dialog->controls[i].id] = static_cast<int>(i);
  }

  std::set<int> indices;
  std::multiset<std::string> controls;
  for (const Element& element : elements) {
    if (element.index >= 0) {
      EXPECT_LT(element.index, static_cast<int>(dialog->controls.size()));
      EXPECT_TRUE(indices.insert(element.index).second) << "data-index " << element.index << " twice";
    }
    if (element.control.empty()) continue;
    controls.insert(element.control);
    const auto name = names.find(element.control);
    ASSERT_NE(name, names.end()) << element.control << " is no control of the template";
    EXPECT_EQ(element.index, placeOf.at(name->second))
        << element.control << " is control " << placeOf.at(name->second) << " of the template";
  }
  for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
    const int id = dialog->controls[i].id;
    if (id == fw::kStaticId) {
      EXPECT_TRUE(indices.contains(static_cast<int>(i))) << "static " << i << " is not on the page";
      continue;
    }
    const auto named = std::find_if(kControlNames.begin(), kControlNames.end(),
                                    [&](const ControlName& c) { return c.id == id; });
    ASSERT_NE(named, kControlNames.end()) << "control " << id << " has no name";
    EXPECT_EQ(controls.count(std::string(named->name)), 1u) << named->name;
  }
}

}  // namespace
}  // namespace ostrevin
