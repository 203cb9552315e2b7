// Fuzzes the text of numbers in edits and the printf-style formatting: any
// bytes read as a number give a finite double that writes back to text which
// reads back to the same double; any bytes used as a format are refused or
// formatted, never overrun.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const std::optional<double> value = ostrevin::ParseNumber(text)) {
    if (!std::isfinite(*value)) __builtin_trap();
    const std::optional<double> again = ostrevin::ParseNumber(ostrevin::FormatNumber(*value));
    if (!again || std::bit_cast<std::uint64_t>(*again) != std::bit_cast<std::uint64_t>(*value)) {
      __builtin_trap();
    }
  }
  double value = 0;
  if (size >= sizeof value) std::memcpy(&value, data, sizeof value);
  (void)ostrevin::FormatDouble(text, value);
  (void)ostrevin::FormatDouble("%.3f", value);
  return 0;
}
