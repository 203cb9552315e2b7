// Fuzzes the calculator form through the in-memory window: the input is a
// sequence of user actions (typing fuzzer-chosen text into an edit, clicking
// a button, Enter, Escape). After every action the labels match the record's
// units and calculation type, and a click whose pull failed changed none of
// the edits or the result.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/electrode_formulas.h"
#include "form/calculator_dlg.h"
#include "framework/memory_window.h"
#include "res/resource.h"

namespace {

using namespace ostrevin;

constexpr int kEdits[] = {IDC_RHO, IDC_DIAMETER, IDC_INPUT, IDC_MEASURED_R, IDC_SPACING};
constexpr int kButtons[] = {IDC_CALCULATE, IDC_CALCULATE_RHO, IDC_ENGLISH,
                            IDC_METRIC,    IDC_TYPE_LENGTH,   IDC_TYPE_RESISTANCE};
constexpr int kWatched[] = {IDC_RHO,     IDC_DIAMETER, IDC_INPUT,       IDC_MEASURED_R,
                            IDC_SPACING, IDC_RESULT,   IDC_RESULT_UNITS};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

std::vector<std::string> Watch(const fw::MemoryWindow& window) {
  std::vector<std::string> texts(std::size(kWatched));
  std::ranges::transform(kWatched, texts.begin(), [&](int id) { return window.GetText(id); });
  return texts;
}

void CheckLabels(const CKelmoraDlg& form, const fw::MemoryWindow& window) {
  const bool metric = IsMetric(form.m_units);
  Require(window.GetText(IDC_INPUT_LABEL) == (form.m_calcType == Length
                                                  ? "Resistance to ground (ohms)"
                                              : metric ? "Rod Length (meters)"
                                                       : "Rod Length (feet)"));
  Require(window.GetText(IDC_DIAMETER_LABEL) ==
          (metric ? "Rod diameter (meters)" : "Rod diameter (inches)"));
  Require(window.GetText(IDC_SPACING_LABEL) == (metric ? "Distance (m)" : "Distance (ft)"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fw::MemoryWindowSystem system;
  CKelmoraDlg form;
  if (!form.Create(system)) __builtin_trap();
  fw::MemoryWindow& window = *system.last;
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t op = data[i++];
    if (op < 128) {  // type: the edit, then the text's length and bytes
      const std::size_t length = i < size ? data[i++] % 24 : 0;
      const std::size_t take = std::min(length, size - i);
      window.Type(kEdits[op % std::size(kEdits)],
                  std::string(reinterpret_cast<const char*>(data + i), take));
      i += take;
    } else if (op < 250) {
      const std::vector<std::string> before = Watch(window);
      const std::size_t prompts = window.Prompts().size();
      const int units = form.m_units;
      window.Click(kButtons[op % std::size(kButtons)]);
      if (window.Prompts().size() != prompts && IsMetric(form.m_units) == IsMetric(units)) {
        Require(Watch(window) == before);
      }
    } else if (op < 253) {
      window.PressEnter();
    } else {
      window.PressEscape();
    }
    CheckLabels(form, window);
  }
  return 0;
}
