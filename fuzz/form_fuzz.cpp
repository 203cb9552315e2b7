// Fuzzes the calculator form through the in-memory window: the input is a
// sequence of user actions (typing fuzzer-chosen text into an edit, clicking
// a button, Enter, Escape). After every action the labels match the record's
// units and calculation type, and a click whose pull failed changed none of
// the edits or the result.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "form_invariants.h"
#include "framework/memory_window.h"

namespace {

using namespace ostrevin;
using namespace ostrevin::invariants;

void Require(bool condition) {
  if (!condition) __builtin_trap();
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
      const std::vector<std::string> before = Visible(window);
      const std::size_t prompts = window.Prompts().size();
      const int units = form.m_units;
      window.Click(kButtons[op % std::size(kButtons)]);
      if (window.Prompts().size() != prompts && UnitSystemOf(form.m_units) == UnitSystemOf(units)) {
        Require(Visible(window) == before);
      }
    } else if (op < 253) {
      window.PressEnter();
    } else {
      window.PressEscape();
    }
    Require(MismatchedLabel(form, window).empty());
  }
  return 0;
}
