#include "framework/resources.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace ostrevin::fw {

const DialogTemplate* ResourceModule::FindDialog(int id) const {
  const auto it = std::ranges::find(dialogs, id, &DialogTemplate::id);
  return it == dialogs.end() ? nullptr : &*it;
}

bool ResourceModule::HasIcon(int id) const { return std::ranges::find(icons, id) != icons.end(); }

std::string LoadString(const ResourceModule& module, int id) {
  const auto it = std::ranges::find(module.strings, id, &StringResource::id);
  return it == module.strings.end() ? std::string() : std::string(it->text);
}

IconHandle LoadIcon(const ResourceModule& module, int id) {
  return module.HasIcon(id) ? IconHandle{id} : IconHandle{};
}

namespace {

// One conversion of a double: "f", "e" or "g" with an optional precision.
std::optional<std::string> Convert(std::string_view spec, double value) {
  int precision = 6;
  if (spec.size() > 1 && spec.front() == '.') {
    const auto [ptr, ec] = std::from_chars(spec.data() + 1, spec.data() + spec.size(), precision);
    if (ec != std::errc{} || precision > 100) return std::nullopt;
    spec.remove_prefix(static_cast<std::size_t>(ptr - spec.data()));
  }
  if (spec.size() != 1) return std::nullopt;
  std::chars_format format{};
  switch (spec.front()) {
    case 'f':
      format = std::chars_format::fixed;
      break;
    case 'e':
      format = std::chars_format::scientific;
      break;
    case 'g':
      format = std::chars_format::general;
      break;
    default:
      return std::nullopt;
  }
  std::array<char, 512> buffer{};
  const auto [ptr, ec] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  if (ec != std::errc{}) return std::nullopt;
  return std::string(buffer.data(), ptr);
}

}  // namespace

std::string Format(std::string_view format, double value) {
  std::string out;
  bool converted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    const std::size_t end = format.find_first_of("feg", i + 1);
    if (converted || end == std::string_view::npos) return {};
    const auto text = Convert(format.substr(i + 1, end - i), value);
    if (!text) return {};
    out += *text;
    converted = true;
    i = end;
  }
  return out;
}

}  // namespace ostrevin::fw
