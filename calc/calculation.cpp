#include "calc/calculation.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr std::array kQuantities{
    Quantity{"rho", kRhoRange, "R", "soil resistivity, ohm-cm"},
    Quantity{"diameter", kDiameterRange, "D", "rod diameter, inches or metres"},
    Quantity{"length", kRodLengthRange, "L", "rod length, feet or metres"},
    Quantity{"target", kTargetRange, "T", "wanted resistance, ohms"},
    Quantity{"spacing", kSpacingRange, "A", "probe spacing, feet or metres"},
    Quantity{"reading", kMeasuredRRange, "R", "the instrument's resistance reading, ohms"},
};

const std::array kModes{
    Mode{"resistance", "the resistance of a rod of a given length", {"rho", "diameter", "length"}},
    Mode{"length", "the rod length that gives a wanted resistance", {"rho", "diameter", "target"}},
    Mode{"rho", "the soil resistivity from a four-probe reading", {"spacing", "reading"}},
};

std::string_view UnitsName(int units) { return IsMetric(units) ? "metric" : "english"; }

Outcome Start(std::string command, int units, std::vector<std::pair<std::string, double>> inputs) {
  Outcome outcome;
  outcome.command = std::move(command);
  outcome.units = IsMetric(units) ? Metric : English;
  outcome.inputs = std::move(inputs);
  outcome.result = "na";
  return outcome;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::span<const Quantity> Quantities() { return kQuantities; }

const Quantity* FindQuantity(std::string_view name) {
  const auto* it = std::ranges::find(kQuantities, name, &Quantity::name);
  return it == kQuantities.end() ? nullptr : std::to_address(it);
}

std::span<const Mode> Modes() { return kModes; }

const Mode* FindMode(std::string_view name) {
  const auto* it = std::ranges::find(kModes, name, &Mode::name);
  return it == kModes.end() ? nullptr : std::to_address(it);
}

std::string_view LengthUnit(int units) { return IsMetric(units) ? "m" : "ft"; }
std::string_view DiameterUnit(int units) { return IsMetric(units) ? "m" : "in"; }

std::string ShowLength(double metres, int units) {
  return FormatDouble("%.3f", RoundTo3Places(LengthFromMetres(metres, units)));
}

Outcome ResistanceOf(double rho, double diameter, double length, int units) {
  Outcome outcome =
      Start("resistance", units, {{"rho", rho}, {"diameter", diameter}, {"length", length}});
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.value = RodResistance(rho, diameter, LengthToMetres(length, units), units);
  if (outcome.value) {
    outcome.result = FormatDouble("%.3f", *outcome.value);
  } else {
    outcome.reason = "the rod is shorter than e/4 of its radius, where the formula does not apply";
  }
  return outcome;
}

Outcome LengthFor(double rho, double diameter, double target, int units) {
  Outcome outcome =
      Start("length", units, {{"rho", rho}, {"diameter", diameter}, {"target", target}});
  outcome.unit = LengthUnit(units);
  outcome.valueKey = "length_m";
  outcome.value = FindRodLength(rho, diameter, units, target);
  if (outcome.value) {
    outcome.result = ShowLength(*outcome.value, units);
    return outcome;
  }
  const std::optional<double> peak = PeakRodResistance(rho, diameter, units);
  if (peak && target > *peak) {
    outcome.reason = "no rod length reaches " + FormatNumber(target) +
                     " ohms: the highest resistance of this rod is " + FormatNumber(*peak) +
                     " ohms";
  } else {
    outcome.reason = "no rod length up to " + FormatNumber(kScanUpperBound) + " m comes within " +
                     FormatNumber(kScanTolerance) + " ohm of " + FormatNumber(target) + " ohms";
  }
  return outcome;
}

Outcome RhoFrom(double spacing, double reading, int units) {
  Outcome outcome = Start("rho", units, {{"spacing", spacing}, {"reading", reading}});
  outcome.unit = "ohm-cm";
  outcome.valueKey = "ohm_cm";
  outcome.value = ResistivityFromProbes(spacing, reading, units);
  outcome.result = FormatNumber(*outcome.value);
  return outcome;
}

std::string ToText(const Outcome& outcome) {
  return outcome.value ? outcome.result + " " + outcome.unit : outcome.result;
}

namespace {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[(c >> 4) & 0xf];
      out += kHex[c & 0xf];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ToJson(const Outcome& outcome) {
  std::string json = "{\"command\":" + JsonString(outcome.command) +
                     ",\"units\":" + JsonString(UnitsName(outcome.units));
  for (const auto& [name, value] : outcome.inputs) {
    json += "," + JsonString(name) + ":" + FormatNumber(value);
  }
  json += ",\"result\":" + JsonString(outcome.result) + ",\"unit\":" + JsonString(outcome.unit);
  json += "," + JsonString(outcome.valueKey) + ":" +
          (outcome.value ? FormatNumber(*outcome.value) : "null");
  if (!outcome.reason.empty()) json += ",\"reason\":" + JsonString(outcome.reason);
  return json + "}";
}

std::optional<double> ReadQuantity(const Quantity& quantity, std::string_view text,
                                   std::string_view prefix, std::string& error, char decimalMark) {
  std::optional<double> number;
  if (decimalMark == ',') {
    std::string pointed(text);
    std::ranges::replace(pointed, ',', '.');
    number = ParseNumber(pointed);
  } else {
    number = ParseNumber(text);
  }
  if (number && quantity.range.Contains(*number)) return number;
  error = std::string(prefix) + std::string(quantity.name) + " needs a number between " +
          FormatNumber(quantity.range.min) + " and " + FormatNumber(quantity.range.max) +
          ", not " + Quoted(text);
  return std::nullopt;
}

std::optional<int> ReadUnits(std::string_view text) {
  std::string lower(Trim(text));
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "english") return English;
  if (lower == "metric") return Metric;
  return std::nullopt;
}

std::variant<Outcome, std::string> Calculate(const Mode& mode, const InputLookup& input, int units,
                                             std::string_view prefix, char decimalMark) {
  std::array<double, 3> values{};
  for (std::size_t i = 0; i < mode.inputs.size() && i < values.size(); ++i) {
    const Quantity& quantity = *FindQuantity(mode.inputs[i]);
    const std::optional<std::string_view> text = input(quantity.name);
    if (!text) return std::string(prefix) + std::string(quantity.name) + " is missing";
    std::string error;
    const std::optional<double> value =
        ReadQuantity(quantity, *text, prefix, error, decimalMark);
    if (!value) return error;
    values[i] = *value;
  }
  if (mode.name == "resistance") return ResistanceOf(values[0], values[1], values[2], units);
  if (mode.name == "length") return LengthFor(values[0], values[1], values[2], units);
  return RhoFrom(values[0], values[1], units);
}

namespace {

// The length of the UTF-8 sequence starting text[i], or 0 when the bytes there
// are not one (a stray continuation byte, an overlong form, a surrogate, a
// sequence cut short or past U+10FFFF).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned min = 0;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, min = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, min = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  unsigned code = lead & (0x7fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3f);
  }
  if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
  return length;
}

}  // namespace

std::string Quoted(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f) {
      if (c == '"' || c == '\\') out += '\\';
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c == '\n' || c == '\t' || c == '\r') {
      out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
      ++i;
      continue;
    }
    const std::size_t length = c < 0x80 ? 0 : Utf8Length(text, i);
    // U+0080 to U+009F (C2 80 to C2 9F) are the C1 controls: CSI among them.
    if (length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
      const auto code = static_cast<unsigned char>(text[i + 1]);
      out += "\\u00";
      out += kHex[code >> 4];
      out += kHex[code & 0xf];
    } else if (length > 0) {
      out += text.substr(i, length);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
      i += 1;
      continue;
    }
    i += length;
  }
  return out + "\"";
}

}  // namespace ostrevin::calc
