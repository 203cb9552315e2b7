// Fuzzes the CAD drawing's reader: any bytes are a table of conductors (each
// row's seven cells in metres, each line within the text) or a refusal in
// words; never a crash, a hang or a row without its cells. The drawing is
// read with every option it may need.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "calc/dxf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostrevin::calc;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const InputLookup lookup = [](std::string_view name) -> std::optional<std::string_view> {
    if (name == "conductor") return "10mm";
    if (name == "rod-diameter") return "16mm";
    if (name == "rod-length") return "3";
    if (name == "dxf-units") return "m";
    return std::nullopt;
  };
  const ostrevin::Result<DxfTable> read = ReadDxf(text, "\"fuzz.dxf\"", lookup, ReadContext{ostrevin::UnitSystem::Metric});
  if (!read) {
    if (!read.refused() || read.why().empty()) __builtin_trap();
    return 0;
  }
  const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
  for (const ConductorRow& row : read->rows) {
    if (row.line < 1 || row.line > lines) __builtin_trap();
    for (const std::optional<std::string>& cell : row.cells) {
      if (!cell || !cell->ends_with("m")) __builtin_trap();
    }
  }
  return 0;
}
