#include "calc/calculation.h"

#include "calc/computations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <iterator>
#include <memory>

#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

using enum Dimension;

constexpr FieldRange kDepthRange{0, 1000};     // feet or metres
constexpr FieldRange kRodCountRange{1, 1000};  // rods
constexpr FieldRange kPerSideRange{2, 250};    // rods a side
constexpr FieldRange kNoRange{0, 0};

constexpr std::array kQuantities{
    Quantity{"rho", kRhoRange, "R", "soil resistivity, ohm-cm", kResistivity, "20ohm-m"},
    Quantity{"diameter", kDiameterRange, "D", "rod diameter, inches or metres", kDiameter, "16mm"},
    Quantity{"length", kRodLengthRange, "L", "rod length, feet or metres", kLength, "8ft"},
    Quantity{"target", kTargetRange, "T", "wanted resistance, ohms", kResistance},
    Quantity{"spacing", kSpacingRange, "A", "probe spacing, feet or metres", kLength, "3m"},
    Quantity{"reading", kMeasuredRRange, "R", "the instrument's resistance reading, ohms",
             kResistance},
    Quantity{"depth", kDepthRange, "B", "depth of the probes, feet or metres (0: at the surface)",
             kLength},
    Quantity{"rod-length", kRodLengthRange, "L", "length of the driven rod, feet or metres",
             kLength},
    Quantity{"layout", kNoRange, "K", "line, triangle, square, ring or points", kText},
    Quantity{"rods", kRodCountRange, "N", "number of rods", kCount},
    Quantity{"per-side", kPerSideRange, "M", "rods a side of the hollow square", kCount},
    Quantity{"at", kNoRange, "\"X,Y ...\"", "rod positions, feet or metres", kText},
};

std::string_view UnitsName(int units) { return IsMetric(units) ? "metric" : "english"; }

}  // namespace

Outcome StartOutcome(std::string command, int units,
                     std::vector<std::pair<std::string, double>> inputs) {
  Outcome outcome;
  outcome.command = std::move(command);
  outcome.units = IsMetric(units) ? Metric : English;
  outcome.inputs = std::move(inputs);
  outcome.result = "na";
  return outcome;
}

std::string ShowOhms(double ohms) { return FormatDouble("%.3f", ohms); }

namespace {

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

std::span<const Mode> Modes() {
  static const std::vector<Mode> modes = [] {
    std::vector<Mode> table{
        {"resistance",
         "the resistance of a rod of a given length",
         {{"rho"}, {"diameter"}, {"length"}},
         &ComputeResistance,
         "The resistance to earth, in ohms, of a rod driven L deep.\n",
         "ostrevin-calc resistance --rho 2000 --diameter 0.625 --length 3\n"
         "         17.868 ohms\n"},
        {"length",
         "the rod length that gives a wanted resistance",
         {{"rho"}, {"diameter"}, {"target"}},
         &ComputeLength,
         "The rod length whose resistance to earth lies closest to T ohms (within " +
             FormatNumber(kScanTolerance) +
             " ohm),\nthe shorter one on a tie; \"na\" when no length up to " +
             FormatNumber(kScanUpperBound) + " m comes that close.\n",
         "ostrevin-calc length --rho 2000 --diameter 0.625 --target 10\n"
         "         6.100 ft\n"},
        {"rho",
         "the soil resistivity from a four-probe reading or a driven rod",
         {{"spacing", false},
          {"reading"},
          {"depth", false},
          {"rod-length", false},
          {"diameter", false, "the driven rod's diameter, inches or metres"}},
         &ComputeRho,
         "The soil resistivity, ohm-cm, whole above 1000 ohm-cm, three decimals at 1000\n"
         "and below. From a four-probe (Wenner) reading with the probes A apart:\n"
         "2 pi A R x 100, as the window; with the probes B deep (IEEE 81):\n"
         "4 pi A R / (1 + 2A / sqrt(A^2 + 4B^2) - A / sqrt(A^2 + B^2)) x 100.\n"
         "From a rod L long driven and measured at R ohms (the rod formula solved for\n"
         "rho): 2 pi L R / (ln(4L/r) - 1) x 100, with --rod-length and --diameter.\n",
         "ostrevin-calc rho --spacing 3 --reading 1\n"
         "         574.534 ohm-cm\n"},
    };
    std::ranges::move(RodModes(), std::back_inserter(table));
    return table;
  }();
  return modes;
}

const Mode* FindMode(std::string_view name) {
  const auto modes = Modes();
  const auto it = std::ranges::find(modes, name, &Mode::name);
  return it == modes.end() ? nullptr : std::to_address(it);
}

std::string_view LengthUnit(int units) { return IsMetric(units) ? "m" : "ft"; }
std::string_view DiameterUnit(int units) { return IsMetric(units) ? "m" : "in"; }

std::string ShowLength(double metres, int units) {
  return FormatDouble("%.3f", RoundTo3Places(LengthFromMetres(metres, units)));
}

Outcome ResistanceOf(double rho, double diameter, double length, int units) {
  Outcome outcome =
      StartOutcome("resistance", units, {{"rho", rho}, {"diameter", diameter}, {"length", length}});
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
      StartOutcome("length", units, {{"rho", rho}, {"diameter", diameter}, {"target", target}});
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
  Outcome outcome = StartOutcome("rho", units, {{"spacing", spacing}, {"reading", reading}});
  outcome.unit = "ohm-cm";
  outcome.valueKey = "ohm_cm";
  outcome.value = ResistivityFromProbes(spacing, reading, units);
  outcome.result = FormatNumber(*outcome.value);
  return outcome;
}

std::string ToText(const Outcome& outcome) {
  std::string text = outcome.value ? outcome.result + " " + outcome.unit : outcome.result;
  for (const std::string& line : outcome.details) text += "\n" + line;
  return text;
}

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

std::string ToJson(const Outcome& outcome) {
  std::string json = "{\"command\":" + JsonString(outcome.command) +
                     ",\"units\":" + JsonString(UnitsName(outcome.units));
  for (const auto& [name, value] : outcome.inputs) {
    json += "," + JsonString(name) + ":" + FormatNumber(value);
  }
  json += ",\"result\":" + JsonString(outcome.result) + ",\"unit\":" + JsonString(outcome.unit);
  json += "," + JsonString(outcome.valueKey) + ":" +
          (outcome.value ? FormatNumber(*outcome.value) : "null");
  for (const auto& [key, value] : outcome.fields) json += "," + JsonString(key) + ":" + value;
  if (!outcome.warnings.empty()) {
    json += ",\"warnings\":[";
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i) {
      json += (i > 0 ? "," : "") + JsonString(outcome.warnings[i]);
    }
    json += "]";
  }
  if (!outcome.reason.empty()) json += ",\"reason\":" + JsonString(outcome.reason);
  return json + "}";
}

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// The unit written after a number ("20ohm-m", "16 mm"): the letters and
// dashes at the end. Empty when there are none.
std::string_view UnitPart(std::string_view text) {
  std::size_t start = text.size();
  while (start > 0 && (std::isalpha(static_cast<unsigned char>(text[start - 1])) != 0 ||
                       text[start - 1] == '-')) {
    --start;
  }
  // A dash before the letters belongs to the unit only inside it ("ohm-m").
  while (start < text.size() && text[start] == '-') ++start;
  return text.substr(start);
}

// Metres in one `unit` of length, or nothing for an unknown unit.
std::optional<double> MetresPer(std::string_view unit) {
  if (unit == "m") return 1.0;
  if (unit == "cm") return 0.01;
  if (unit == "mm") return 0.001;
  if (unit == "ft") return kMetresPerFoot;
  if (unit == "in") return kMetresPerInch;
  return std::nullopt;
}

// A number with `unit` in the unit system's unit of the dimension, or an
// error text naming the units that are understood.
std::variant<double, std::string> ToSystemUnit(double number, std::string_view unit,
                                               Dimension dimension, int units) {
  switch (dimension) {
    case kResistivity:
      if (unit == "ohm-cm" || unit == "ohmcm") return number;
      if (unit == "ohm-m" || unit == "ohmm") return number * 100;
      return std::string("ohm-cm or ohm-m");
    case kResistance:
      if (unit == "ohm" || unit == "ohms") return number;
      return std::string("ohms");
    case kLength:
    case kDiameter: {
      const std::string_view own =
          dimension == kLength ? (IsMetric(units) ? "m" : "ft") : (IsMetric(units) ? "m" : "in");
      const std::optional<double> per = MetresPer(unit);
      if (!per) return std::string("in, ft, mm, cm or m");
      if (unit == own) return number;
      return number * *per / *MetresPer(own);
    }
    case kCount:
    case kText:
      break;
  }
  return std::string("no unit");
}

}  // namespace

std::optional<double> ReadQuantity(const Quantity& quantity, std::string_view text,
                                   std::string_view prefix, std::string& error, int units,
                                   char decimalMark) {
  const std::string name = std::string(prefix) + std::string(quantity.name);
  const std::string_view unit = quantity.dimension == kCount ? "" : UnitPart(text);
  std::string number(text.substr(0, text.size() - unit.size()));
  if (decimalMark == ',') std::ranges::replace(number, ',', '.');
  std::optional<double> value = ParseNumber(number);
  if (value && !unit.empty()) {
    const auto converted = ToSystemUnit(*value, Lower(unit), quantity.dimension, units);
    if (const auto* known = std::get_if<std::string>(&converted)) {
      error = name + ": unknown unit " + Quoted(unit) + " (" + *known + ")";
      return std::nullopt;
    }
    value = std::get<double>(converted);
  }
  const bool whole = quantity.dimension != kCount || (value && std::floor(*value) == *value);
  if (value && whole && quantity.range.Contains(*value)) return value;
  error = name +
          (quantity.dimension == kCount ? " needs a whole number between "
                                        : " needs a number between ") +
          FormatNumber(quantity.range.min) + " and " + FormatNumber(quantity.range.max) + ", not " +
          Quoted(text);
  return std::nullopt;
}

std::optional<int> ReadUnits(std::string_view text) {
  const std::string lower = Lower(Trim(text));
  if (lower == "english") return English;
  if (lower == "metric") return Metric;
  return std::nullopt;
}

std::nullopt_t Inputs::Fail(std::string message) {
  if (!error_) error_ = std::move(message);
  return std::nullopt;
}

std::optional<double> Inputs::Optional(std::string_view name) {
  const std::optional<std::string_view> text = lookup_(name);
  if (!text || error_) return std::nullopt;
  std::string problem;
  const std::optional<double> value =
      ReadQuantity(*FindQuantity(name), *text, prefix_, problem, units_, decimalMark_);
  if (!value) return Fail(problem);
  return value;
}

std::optional<double> Inputs::Required(std::string_view name) {
  if (!Given(name)) return Fail(Named(name) + " is missing");
  return Optional(name);
}

std::variant<Outcome, std::string> Calculate(const Mode& mode, const InputLookup& input, int units,
                                             std::string_view prefix, char decimalMark) {
  Inputs inputs(input, units, prefix, decimalMark);
  std::variant<Outcome, std::string> result = mode.compute(inputs);
  if (inputs.error()) return *inputs.error();
  return result;
}

namespace {

// The window's two rod calculations: rho, the diameter and a third input.
std::variant<Outcome, std::string> ComputeForRod(Inputs& in, std::string_view third,
                                                 Outcome (*compute)(double, double, double, int)) {
  const auto rho = in.Required("rho");
  const auto diameter = in.Required("diameter");
  const auto value = in.Required(third);
  if (in.error()) return *in.error();
  return compute(*rho, *diameter, *value, in.units());
}

}  // namespace

std::variant<Outcome, std::string> ComputeResistance(Inputs& in) {
  return ComputeForRod(in, "length", &ResistanceOf);
}

std::variant<Outcome, std::string> ComputeLength(Inputs& in) {
  return ComputeForRod(in, "target", &LengthFor);
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
