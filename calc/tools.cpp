#include "calc/tools.h"

#include <algorithm>
#include <map>

#include "calc/calculations.h"
#include "calc/soil_survey.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// The soil of the rod tools: one resistivity, or two layers (the survey
// tool's model, or typed).
std::vector<ToolField> Soil() { return {{"rho"}, {"rho1"}, {"h"}, {"rho2"}}; }

std::vector<ToolField> With(std::vector<ToolField> fields, const std::vector<ToolField>& more) {
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

const std::vector<Tool>& ToolTable() {
  static const std::vector<Tool> tools{
      {"check",
       "25-ohm check",
       "check",
       With(Soil(), {{"diameter"}, {"length"}}),
       "Does one rod meet the US electrical code's 25-ohm rule, and what would a second rod give?",
       "NEC 2020/2023 250.53(A)(2): one rod of 25 ohms or less suffices; otherwise a "
       "supplemental electrode at least 6 ft away (250.53(A)(3)). A rod: R = rho/(2 pi L) "
       "(ln(4L/r) - 1) (Dwight 1936); two rods at one potential (Sunde 1949)."},
      {"group",
       "Rod group",
       "group",
       With(Soil(), {{"diameter"},
                     {"length"},
                     {"layout"},
                     {"spacing", {"line", "ring", "square", "triangle"}},
                     {"rods", {"line", "ring"}},
                     {"per-side", {"square"}},
                     {"at", {"points"}},
                     {"method"}}),
       "The resistance of rods bonded together, in any layout.",
       "Rods at one potential: mutual resistance rho/(2 pi L) (asinh(2L/d) - sqrt(1 + (d/2L)^2) + "
       "d/2L) (Dwight 1936, Sunde 1949), the currents solved; BS 7430: R = R1 (1 + lambda "
       "alpha)/n; in two layers the method of moments."},
      {"rods",
       "How many rods",
       "rods",
       With(Soil(), {{"diameter"},
                     {"length"},
                     {"layout"},
                     {"spacing"},
                     {"target"},
                     {"method"}}),
       "The fewest rods in a line or a ring for a wanted resistance.",
       "Every count up to 100 rods, by rods at one potential or BS 7430."},
      {"wenner",
       "Wenner reading",
       "rho",
       {{"spacing"}, {"reading"}, {"depth"}},
       "The soil's resistivity from a four-probe (Wenner) reading, the probes at the surface or "
       "driven deep.",
       "rho = 4 pi a R / (1 + 2a/sqrt(a^2 + 4b^2) - a/sqrt(a^2 + b^2)) x 100, which is 2 pi a R x "
       "100 at the surface (Wenner 1915, IEEE Std 81)."},
      {"driven",
       "Driven-rod test",
       "rho",
       {{"rod-length"}, {"diameter"}, {"reading"}},
       "The soil's resistivity from a rod driven and measured.",
       "The rod formula solved for rho: rho = 2 pi L R / (ln(4L/r) - 1) x 100 (Dwight 1936)."},
      {"survey",
       "Soil survey",
       "",
       {},
       "A Wenner survey at several spacings made a two-layer soil model for the rod tools.",
       "Two layers (Tagg 1964): rho_a = rho1 (1 + 4 sum K^n (1/sqrt(1 + (2nh/a)^2) - 1/sqrt(4 + "
       "(2nh/a)^2))), fitted by least squares on log(model/measured)."},
  };
  return tools;
}

const Tool* FindTool(std::string_view id) {
  const auto& tools = ToolTable();
  const auto it =
      std::find_if(tools.begin(), tools.end(), [&](const Tool& tool) { return tool.id == id; });
  return it == tools.end() ? nullptr : &*it;
}

std::string Strings(const std::vector<std::string_view>& list) {
  std::string json = "[";
  for (std::size_t i = 0; i < list.size(); ++i) json += (i > 0 ? "," : "") + JsonString(list[i]);
  return json + "]";
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return words;
}

std::string_view KindOf(Dimension dimension) {
  switch (dimension) {
    case Dimension::kCount:
      return "count";
    case Dimension::kChoice:
      return "choice";
    case Dimension::kText:
      return "text";
    default:
      return "number";
  }
}

const Option* OptionOf(const Calculation& calculation, std::string_view name) {
  const auto it = std::find_if(calculation.options.begin(), calculation.options.end(),
                               [&](const Option& option) { return option.name == name; });
  return it == calculation.options.end() ? nullptr : &*it;
}

std::string FieldJson(const ToolField& field, const Calculation* calculation) {
  const Quantity& quantity = *FindQuantity(field.name);
  const Option* option = calculation != nullptr ? OptionOf(*calculation, field.name) : nullptr;
  const std::string_view help =
      option != nullptr && !option->help.empty() ? option->help : quantity.meaning;
  const std::string_view label =
      option != nullptr && !option->label.empty() ? option->label : quantity.label;
  std::string json = "{\"name\":" + JsonString(field.name) + ",\"label\":" + JsonString(label) +
                     ",\"kind\":" + JsonString(KindOf(quantity.dimension)) +
                     ",\"help\":" + JsonString(help) + ",\"example\":" + JsonString(quantity.example);
  json += R"(,"unit":{"english":)" + JsonString(FieldUnit(quantity.dimension, UnitSystem::English)) +
          ",\"metric\":" + JsonString(FieldUnit(quantity.dimension, UnitSystem::Metric)) + "}";
  if (quantity.dimension != Dimension::kText && quantity.dimension != Dimension::kChoice) {
    json += ",\"min\":" + FormatNumber(quantity.range.min) +
            ",\"max\":" + FormatNumber(quantity.range.max);
  }
  if (quantity.dimension == Dimension::kChoice) {
    // A calculation that takes only some of the choices names them.
    const bool some = option != nullptr && !option->choices.empty();
    json += ",\"choices\":" + Strings(Words(some ? option->choices : quantity.choices));
  }
  if (field.name == "rho") json += R"(,"soil":"uniform")";
  if (field.name == "rho1" || field.name == "h" || field.name == "rho2") {
    json += R"(,"soil":"layers")";
  }
  if (!field.layouts.empty()) json += ",\"layouts\":" + Strings(field.layouts);
  const bool required = option != nullptr && option->required;
  return json + ",\"required\":" + (required ? "true" : "false") + "}";
}

std::string Members(const std::map<std::string, std::string>& values) {
  std::string json = "{";
  for (const auto& [key, value] : values) {
    json += (json.size() > 1 ? "," : "") + JsonString(key) + ":" + JsonString(value);
  }
  return json + "}";
}

// The outcome for the page: as the command line shows it, and its JSON.
std::string OutcomeJson(const Outcome& outcome, const std::string& more) {
  std::vector<std::string> lines;
  std::string text = ToText(outcome);
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return "{\"result\":" + JsonString(outcome.result) + ",\"unit\":" + JsonString(outcome.unit) +
         ",\"value\":" + JsonString(outcome.value ? FormatNumber(*outcome.value) : "") +
         ",\"valueKey\":" + JsonString(outcome.valueKey) +
         ",\"text\":" + ToJson(JsonValue(lines)) + ",\"warnings\":" + ToJson(JsonValue(outcome.warnings)) +
         ",\"notes\":" + ToJson(JsonValue(outcome.notes)) + ",\"reason\":" + JsonString(outcome.why) +
         ",\"json\":" + ToJson(outcome) + more + "}";
}

// The inputs given (not blank), by name.
std::map<std::string, std::string> Given(std::span<const std::string> inputs) {
  std::map<std::string, std::string> given;
  for (std::size_t i = 0; i + 1 < inputs.size(); i += 2) {
    if (!Trim(inputs[i + 1]).empty()) given[inputs[i]] = inputs[i + 1];
  }
  return given;
}

// Each field's own reading: accepted, or refused with the message beside the field.
Checked CheckField(std::string_view name, std::string_view text, const ReadContext& context) {
  const Quantity& quantity = *FindQuantity(name);
  if (quantity.dimension == Dimension::kText) return Ok{};
  if (quantity.dimension == Dimension::kChoice) {
    if (ReadChoice(quantity, text)) return Ok{};
    return Refused(ChoiceError(quantity, text, context));
  }
  const Result<QuantityValue> reading = ReadQuantity(quantity, text, context);
  if (!reading) return reading.Failed();
  return Ok{};
}

}  // namespace

std::span<const Tool> Tools() { return ToolTable(); }

std::string DescribeTools() {
  std::string json = "{\"tools\":[";
  for (std::size_t t = 0; t < ToolTable().size(); ++t) {
    const Tool& tool = ToolTable()[t];
    const Calculation* calculation = FindCalculation(tool.calculation);
    json += std::string(t > 0 ? "," : "") + "{\"id\":" + JsonString(tool.id) +
            ",\"title\":" + JsonString(tool.title) + ",\"summary\":" + JsonString(tool.summary) +
            ",\"formula\":" + JsonString(tool.formula) + ",\"fields\":[";
    for (std::size_t f = 0; f < tool.fields.size(); ++f) {
      json += (f > 0 ? "," : "") + FieldJson(tool.fields[f], calculation);
    }
    json += "]}";
  }
  return json + "]}";
}

std::string RunTool(std::string_view toolId, std::span<const std::string> inputs, UnitSystem units,
                    const NumberMarks& marks) {
  const Tool* tool = FindTool(toolId);
  const Calculation* calculation = tool != nullptr ? FindCalculation(tool->calculation) : nullptr;
  if (calculation == nullptr) return "{\"error\":" + JsonString("no such tool") + "}";
  std::map<std::string, std::string> given = Given(inputs);
  std::erase_if(given, [&](const auto& input) {
    return std::none_of(tool->fields.begin(), tool->fields.end(),
                        [&](const ToolField& f) { return f.name == input.first; });
  });
  const ReadContext context{units, "", marks, true};
  std::map<std::string, std::string> errors;
  for (const auto& [name, text] : given) {
    if (const Checked checked = CheckField(name, text, context); !checked) {
      errors[name] = checked.why();
    }
  }
  if (!errors.empty()) return "{\"errors\":" + Members(errors) + "}";
  const InputLookup lookup = [&](std::string_view name) -> std::optional<std::string_view> {
    const auto it = given.find(std::string(name));
    if (it == given.end()) return std::nullopt;
    return it->second;
  };
  const auto result = Calculate(*calculation, lookup, context);
  if (!result) {
    const std::string* error = &result.why();
    // A message about one field goes beside it.
    for (const ToolField& field : tool->fields) {
      const std::string label = NameOf(field.name, context) + " ";
      if (error->starts_with(label)) return "{\"errors\":" + Members({{std::string(field.name), *error}}) + "}";
    }
    return "{\"error\":" + JsonString(*error) + "}";
  }
  return OutcomeJson(*result, "");
}

std::string RunSurvey(std::span<const std::string> rows, UnitSystem units, const NumberMarks& marks) {
  std::vector<SurveyRow> survey;
  for (std::size_t i = 0; i + 2 < rows.size(); i += 3) {
    SurveyRow row;
    row.line = static_cast<long>(i / 3 + 1);
    const auto text = [&](std::size_t k) -> std::optional<std::string> {
      if (Trim(rows[i + k]).empty()) return std::nullopt;
      return rows[i + k];
    };
    row.spacing = text(0);
    row.reading = text(1);
    row.depth = text(2);
    if (row.spacing || row.reading || row.depth) survey.push_back(std::move(row));
  }
  const Result<Survey> result = CalculateSurvey(survey, ReadContext{units, "", marks, true}, "row");
  if (!result) return "{\"error\":" + JsonString(result.why()) + "}";
  const Survey& fitted = *result;
  const JsonValue rejected(fitted.rejected);
  return OutcomeJson(fitted.outcome, ",\"rejected\":" + ToJson(rejected) + ",\"svg\":" +
                         JsonString(ToSvg(SurveyChart(fitted))));
}

std::string ToolAddress(std::span<const std::string> inputs, UnitSystem units, const NumberMarks& marks) {
  std::map<std::string, std::string> shown;
  for (const auto& [name, text] : Given(inputs)) shown[name] = CommandLineText(name, text, marks);
  if (units == UnitSystem::Metric) shown["units"] = "metric";
  if (shown.contains("rho1") && shown.contains("h") && shown.contains("rho2")) {
    shown["layers"] = shown["rho1"] + "," + shown["h"] + "," + shown["rho2"];
    shown.erase("rho1");
    shown.erase("h");
    shown.erase("rho2");
  }
  std::string query;
  for (const auto& [name, text] : shown) {
    query += (query.empty() ? "" : "&") + name + "=";
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (std::isalnum(byte) != 0 || c == '.' || c == '-' || c == '_' || c == ',') {
        query += c;
      } else {
        constexpr char kHex[] = "0123456789ABCDEF";
        query += '%';
        query += kHex[byte >> 4];
        query += kHex[byte & 0xf];
      }
    }
  }
  return query;
}

std::string CommandLineText(std::string_view name, std::string_view text, const NumberMarks& marks) {
  const Quantity* quantity = FindQuantity(name);
  const std::string_view trimmed = Trim(text);
  if (quantity == nullptr || quantity->dimension == Dimension::kText ||
      quantity->dimension == Dimension::kChoice) {
    return std::string(trimmed);
  }
  const std::string_view unit = UnitPart(trimmed);
  const Result<double> number = ReadNumber(trimmed.substr(0, trimmed.size() - unit.size()), marks);
  if (!number) return std::string(trimmed);
  return FormatNumber(*number) + std::string(unit);
}

std::string PageText(std::string_view text, const NumberMarks& marks) {
  const std::string_view unit = UnitPart(text);
  std::string number(text.substr(0, text.size() - unit.size()));
  if (marks.decimal != "." && ParseNumber(number)) {
    const std::size_t point = number.find('.');
    if (point != std::string::npos) number.replace(point, 1, marks.decimal);
  }
  return number + std::string(unit);
}

}  // namespace ostrevin::calc
