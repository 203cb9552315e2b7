#include "app/calc/calc_commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <istream>
#include <map>
#include <ostream>
#include <sstream>
#include <variant>

#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "framework/number_text.h"
#include "framework/resources.h"

namespace ostrevin::calc {

using fw::FormatNumber;

std::string_view LengthUnit(int units) { return IsMetric(units) ? "m" : "ft"; }

std::string ShowLength(double metres, int units) {
  return fw::Format("%.3f", RoundTo3Places(LengthFromMetres(metres, units)));
}

namespace {

std::string_view UnitsName(int units) { return IsMetric(units) ? "metric" : "english"; }
std::string_view DiameterUnit(int units) { return IsMetric(units) ? "m" : "in"; }

Outcome Start(std::string command, int units, std::vector<std::pair<std::string, double>> inputs) {
  Outcome outcome;
  outcome.command = std::move(command);
  outcome.units = IsMetric(units) ? Metric : English;
  outcome.inputs = std::move(inputs);
  outcome.result = "na";
  return outcome;
}

}  // namespace

Outcome ResistanceOf(double rho, double diameter, double length, int units) {
  Outcome outcome =
      Start("resistance", units, {{"rho", rho}, {"diameter", diameter}, {"length", length}});
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.value = RodResistance(rho, diameter, LengthToMetres(length, units), units);
  if (outcome.value) {
    outcome.result = fw::Format("%.3f", *outcome.value);
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
    outcome.reason =
        "no rod length up to 9999.9 m comes within 0.2 ohm of " + FormatNumber(target) + " ohms";
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

std::optional<double> ReadNumber(std::string_view option, std::string_view text, FieldRange range,
                                 std::string& error) {
  const std::optional<double> number = fw::ParseNumber(text);
  if (number && range.Contains(*number)) return number;
  error = "--" + std::string(option) + " needs a number between " + FormatNumber(range.min) +
          " and " + FormatNumber(range.max) + ", not \"" + std::string(text) + "\"";
  return std::nullopt;
}

std::optional<int> ReadUnits(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "english") return English;
  if (lower == "metric") return Metric;
  return std::nullopt;
}

namespace {

struct Field {
  const char* name;
  FieldRange range;
};

// The inputs of each mode, in the order its calculation takes them.
const std::map<std::string, std::vector<Field>, std::less<>>& Modes() {
  static const std::map<std::string, std::vector<Field>, std::less<>> modes{
      {"resistance",
       {{"rho", kRhoRange}, {"diameter", kDiameterRange}, {"length", kRodLengthRange}}},
      {"length", {{"rho", kRhoRange}, {"diameter", kDiameterRange}, {"target", kTargetRange}}},
      {"rho", {{"spacing", kSpacingRange}, {"reading", kMeasuredRRange}}},
  };
  return modes;
}

}  // namespace

std::variant<Outcome, std::string> Calculate(std::string_view mode, const InputLookup& input,
                                             int units) {
  const auto inputs = Modes().find(mode);
  if (inputs == Modes().end()) {
    return "unknown mode \"" + std::string(mode) + "\" (resistance, length or rho)";
  }
  std::vector<double> values;
  for (const Field& field : inputs->second) {
    const std::optional<std::string> text = input(field.name);
    if (!text) return "--" + std::string(field.name) + " is missing";
    std::string error;
    const std::optional<double> value = ReadNumber(field.name, *text, field.range, error);
    if (!value) return error;
    values.push_back(*value);
  }
  if (mode == "resistance") return ResistanceOf(values[0], values[1], values[2], units);
  if (mode == "length") return LengthFor(values[0], values[1], values[2], units);
  return RhoFrom(values[0], values[1], units);
}

// --- Batch ----------------------------------------------------------------

namespace {

// The fields of one CSV line (quotes as in RFC 4180; a quoted field does not
// span lines). Nothing when the quoting is broken.
std::optional<std::vector<std::string>> SplitCsv(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (quoted) return std::nullopt;
  return fields;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

void WriteCsvRow(std::ostream& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) out << (i > 0 ? "," : "") << CsvField(fields[i]);
  out << "\n";
}

// One row's calculation, or the error that prevents it.
std::variant<Outcome, std::string> RunRow(const std::map<std::string, std::string>& row) {
  int units = English;
  if (const auto given = row.find("units"); given != row.end() && !given->second.empty()) {
    const std::optional<int> read = ReadUnits(given->second);
    if (!read) return "units must be english or metric, not \"" + given->second + "\"";
    units = *read;
  }
  auto result = Calculate(
      row.at("mode"),
      [&](std::string_view name) -> std::optional<std::string> {
        const auto cell = row.find(std::string(name));
        return cell == row.end() ? std::nullopt : std::optional(cell->second);
      },
      units);
  if (auto* error = std::get_if<std::string>(&result);
      error != nullptr && error->starts_with("--")) {
    error->erase(0, 2);  // a column, not an option
  }
  return result;
}

}  // namespace

Status RunBatch(std::istream& in, std::ostream& out, std::ostream& err) {
  std::string line;
  std::optional<std::vector<std::string>> header;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) {
      header = SplitCsv(line);
      break;
    }
  }
  if (!header || std::ranges::find(*header, "mode") == header->end()) {
    err << "ostrevin-calc batch: the first line must be a CSV header with a mode column\n";
    return kFailed;
  }
  std::vector<std::string> outHeader = *header;
  outHeader.insert(outHeader.end(), {"result", "unit", "value", "error"});
  WriteCsvRow(out, outHeader);
  Status status = kAnswered;
  for (long number = 2; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::optional<std::vector<std::string>> fields = SplitCsv(line);
    std::vector<std::string> cells = fields.value_or(std::vector<std::string>{line});
    std::variant<Outcome, std::string> result;
    if (!fields) {
      result = std::string("unbalanced quotes");
    } else if (fields->size() != header->size()) {
      result = "expected " + std::to_string(header->size()) + " fields, found " +
               std::to_string(fields->size());
    } else {
      std::map<std::string, std::string> row;
      for (std::size_t i = 0; i < header->size(); ++i) row[(*header)[i]] = (*fields)[i];
      result = RunRow(row);
    }
    cells.resize(header->size());
    if (const auto* outcome = std::get_if<Outcome>(&result)) {
      cells.insert(cells.end(),
                   {outcome->result, outcome->value ? outcome->unit : "",
                    outcome->value ? FormatNumber(*outcome->value) : "", outcome->reason});
    } else {
      cells.insert(cells.end(), {"", "", "", std::get<std::string>(result)});
      err << "ostrevin-calc batch: line " << number << ": " << std::get<std::string>(result)
          << "\n";
      status = kBadInput;
    }
    WriteCsvRow(out, cells);
  }
  return status;
}

// --- Curve ------------------------------------------------------------------

Curve MakeCurve(double rho, double diameter, int units, std::optional<double> target) {
  Curve curve;
  curve.units = IsMetric(units) ? Metric : English;
  curve.title = "Resistance to earth: rho " + FormatNumber(rho) + " ohm-cm, diameter " +
                FormatNumber(diameter) + " " + std::string(DiameterUnit(units));
  const double radius = RodRadiusMetres(diameter, units);
  curve.peakMetres = radius * std::exp(2.0) / 4;
  curve.peakOhms = PeakRodResistance(rho, diameter, units).value_or(0);
  curve.target = target;
  if (target) curve.foundMetres = FindRodLength(rho, diameter, units, *target);
  const double first = radius * kScanStartFactor;
  double last = std::max(curve.peakMetres * 200, 1.0);
  if (curve.foundMetres) last = std::max(last, *curve.foundMetres * 3);
  last = std::min(last, kScanUpperBound);
  constexpr int kPoints = 400;
  for (int i = 0; i < kPoints; ++i) {
    const double metres = first * std::pow(last / first, i / double(kPoints - 1));
    if (const std::optional<double> ohms = RodResistance(rho, diameter, metres, units)) {
      curve.points.emplace_back(metres, *ohms);
    }
  }
  return curve;
}

std::string CurveCsv(const Curve& curve) {
  std::ostringstream out;
  out << "length_m,length_" << LengthUnit(curve.units) << ",ohms\n";
  for (const auto& [metres, ohms] : curve.points) {
    out << FormatNumber(metres) << "," << FormatNumber(LengthFromMetres(metres, curve.units)) << ","
        << FormatNumber(ohms) << "\n";
  }
  return out.str();
}

}  // namespace ostrevin::calc
