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
  const auto* number = std::get_if<double>(&value);
  return number == nullptr || std::isfinite(*number);
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

std::string ToText(const Outcome& outcome) {
  std::string text =
      outcome.value && !outcome.unit.empty() ? outcome.result + " " + outcome.unit : outcome.result;
  for (const std::string& line : outcome.details) text += "\n" + line;
  return text;
}

std::string ToJson(const JsonValue& value) {
  struct {
    std::string operator()(std::nullptr_t) const { return "null"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(double d) const { return std::isfinite(d) ? FormatNumber(d) : "null"; }
    std::string operator()(const std::string& s) const { return JsonString(s); }
    std::string operator()(const JsonText& text) const { return text.json; }
    std::string operator()(const std::vector<std::string>& list) const {
      std::string json = "[";
      for (std::size_t i = 0; i < list.size(); ++i)
        json += (i > 0 ? "," : "") + JsonString(list[i]);
      return json + "]";
    }
  } writer;
  return std::visit(writer, value);
}

std::string ToCell(const JsonValue& value) {
  if (std::holds_alternative<std::nullptr_t>(value)) return {};
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* json = std::get_if<JsonText>(&value)) return json->json;
  if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
    std::string cell;
    for (const std::string& item : *list) cell += (cell.empty() ? "" : "; ") + item;
    return cell;
  }
  return ToJson(value);
}

std::string ToJson(const Outcome& outcome) {
  std::string json = "{\"command\":" + JsonString(outcome.command) +
                     ",\"units\":" + JsonString(UnitsName(outcome.units));
  for (const auto& [name, value] : outcome.inputs)
    json += "," + JsonString(name) + ":" + ToJson(value);
  json += ",\"result\":" + JsonString(outcome.result) + ",\"unit\":" + JsonString(outcome.unit);
  json += "," + JsonString(outcome.valueKey) + ":" +
          (outcome.value ? ToJson(JsonValue(*outcome.value)) : "null");
  for (const auto& [key, value] : outcome.fields)
    json += "," + JsonString(key) + ":" + ToJson(value);
  if (outcome.listWarnings || !outcome.warnings.empty()) {
    json += ",\"warnings\":" + ToJson(JsonValue(outcome.warnings));
  }
  if (!outcome.notes.empty()) json += ",\"notes\":" + ToJson(JsonValue(outcome.notes));
  if (!outcome.why.empty()) json += ",\"reason\":" + JsonString(outcome.why);
  return json + "}";
}

bool AllFinite(const Outcome& outcome) {
  return (!outcome.value || std::isfinite(*outcome.value)) && MembersFinite(outcome.inputs) &&
         MembersFinite(outcome.fields);
}

std::string ShowOhms(double ohms) { return FormatDouble("%.3f", ohms); }

}  // namespace ostrevin::calc
