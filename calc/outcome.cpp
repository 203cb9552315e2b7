#include "calc/outcome.h"

#include <algorithm>
#include <cmath>

#include "calc/quantities.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

bool Finite(const JsonValue& value) {
  const auto* number = std::get_if<double>(&value.variant());
  if (number != nullptr) return std::isfinite(*number);
  if (const auto* array = std::get_if<JsonArray>(&value.variant())) {
    return std::all_of(array->begin(), array->end(), Finite);
  }
  if (const auto* object = std::get_if<JsonObject>(&value.variant())) {
    return std::all_of(object->begin(), object->end(),
                       [](const JsonMember& m) { return Finite(m.second); });
  }
  return true;
}

bool MembersFinite(const std::vector<JsonMember>& members) {
  return std::all_of(members.begin(), members.end(),
                     [](const JsonMember& m) { return Finite(m.second); });
}

}  // namespace

const JsonValue* Outcome::Field(std::string_view key) const {
  const auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const JsonMember& m) { return m.first == key; });
  return it == fields.end() ? nullptr : &it->second;
}

const JsonValue* Outcome::Member(std::string_view key, std::string_view member) const {
  const JsonValue* parent = Field(key);
  const auto* object = parent != nullptr ? std::get_if<JsonObject>(&parent->variant()) : nullptr;
  if (object == nullptr) return nullptr;
  const auto it = std::find_if(object->begin(), object->end(),
                               [&](const JsonMember& m) { return m.first == member; });
  return it == object->end() ? nullptr : &it->second;
}

Outcome StartOutcome(std::string command, UnitSystem units, std::vector<JsonMember> inputs) {
  Outcome outcome;
  outcome.command = std::move(command);
  outcome.units = units;
  outcome.inputs = std::move(inputs);
  return outcome;
}

Result<Outcome> Unanswered(Outcome outcome, const Why& why) {
  if (why.failure != Failure::kNoAnswer) return why;
  outcome.value.reset();
  outcome.result = "na";
  outcome.why = why.text;
  return outcome;
}

std::string ToText(const Outcome& outcome, bool withTable) {
  std::string text =
      outcome.value && !outcome.unit.empty() ? outcome.result + " " + outcome.unit : outcome.result;
  for (const std::string& line : outcome.details) text += "\n" + line;
  const TextTable& table = outcome.table;
  if (!withTable || table.columns.empty()) return text;
  const auto line = [&](const std::vector<std::string>& cells) {
    std::string padded;
    for (std::size_t k = 0; k < cells.size(); ++k) {
      const std::size_t width = k < table.widths.size() ? table.widths[k] : 0;
      padded += cells[k].size() >= width ? " " + cells[k]
                                         : std::string(width - cells[k].size(), ' ') + cells[k];
    }
    return padded;
  };
  text += "\n" + line(table.columns);
  for (const std::vector<std::string>& row : table.rows) text += "\n" + line(row);
  return text;
}

JsonObject ToJsonObject(const Outcome& outcome) {
  JsonObject json{{"command", outcome.command}, {"units", UnitsName(outcome.units)}};
  json.insert(json.end(), outcome.inputs.begin(), outcome.inputs.end());
  json.emplace_back("result", outcome.result);
  json.emplace_back("unit", outcome.unit);
  json.emplace_back(outcome.valueKey, outcome.value);
  json.insert(json.end(), outcome.fields.begin(), outcome.fields.end());
  if (outcome.listWarnings || !outcome.warnings.empty()) {
    json.emplace_back("warnings", outcome.warnings);
  }
  if (!outcome.notes.empty()) json.emplace_back("notes", outcome.notes);
  if (!outcome.why.empty()) json.emplace_back("reason", outcome.why);
  return json;
}

std::string ToJson(const Outcome& outcome) { return ToJson(JsonValue(ToJsonObject(outcome))); }

bool AllFinite(const Outcome& outcome) {
  return (!outcome.value || std::isfinite(*outcome.value)) && MembersFinite(outcome.inputs) &&
         MembersFinite(outcome.fields);
}

std::string ShowOhms(double ohms) { return FormatDouble("%.3f", ohms); }

}  // namespace ostrevin::calc
