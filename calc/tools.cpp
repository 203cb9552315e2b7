#include "calc/tools.h"

#include <algorithm>
#include <map>
#include <set>

#include "calc/calculation_parts.h"
#include "calc/calculations.h"
#include "calc/electrodes.h"
#include "calc/fall_test.h"
#include "calc/soil_survey.h"
#include "calc/summary.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "core/soil_types.h"

namespace ostrevin::calc {

namespace {

// The soil of the rod tools: one resistivity, or two layers (the survey
// tool's model, or typed).
std::vector<ToolField> Soil() {
  return {{"rho"}, {kLayerParts[0]}, {kLayerParts[1]}, {kLayerParts[2]}, {"season-factor"}};
}

std::vector<ToolField> With(std::vector<ToolField> fields, const std::vector<ToolField>& more) {
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

// The electrode solver's tools take, beside those, any number of layers
// (--layers RHO1,H1,...,RHON, typed on the page in a table of layers).
std::vector<ToolField> SolverSoil() {
  std::vector<ToolField> fields = Soil();
  fields.insert(fields.end() - 1, ToolField{"layers"});  // before the season
  return fields;
}

// A grid's soil and plan: the grid tool's and the safety tool's.
std::vector<ToolField> GridPlan() {
  return With(SolverSoil(), {{"size"},
                       {"meshes"},
                       {"depth"},
                       {"conductor"},
                       {"shape"},
                       {"cutout", {"l"}, "shape"},
                       {"rods-at"},
                       {"rods", {"perimeter"}, "rods-at"},
                       {"rod-length", {"corners", "perimeter", "nodes"}, "rods-at"},
                       {"rod-diameter", {"corners", "perimeter", "nodes"}, "rods-at"}});
}

const std::vector<Tool>& ToolTable() {
  static const std::vector<Tool> tools{
      {"check",
       "Code check",
       "check",
       With(Soil(), {{"diameter"},
                     {"length"},
                     {"code"},
                     {"rcd", {"iec60364", "bs7671"}, "code"},
                     {"ul", {"iec60364", "bs7671"}, "code"}}),
       "Does one rod meet the code: the US 25-ohm rule, or the RCD rule of IEC 60364 and "
       "BS 7671? And what would a second rod give?",
       "NEC 2020/2023 250.53(A)(2): one rod of 25 ohms or less suffices; otherwise a "
       "supplemental electrode at least 6 ft away (250.53(A)(3)). IEC 60364-4-41:2005+A1:2017 "
       "and BS 7671:2018+A2:2022, 411.5.3: R_A x I_dn <= U_L (50 V, 25 V in special "
       "locations; BS 7671's Table 41.5: 1667 ohms for 30 mA). A rod: R = rho/(2 pi L) "
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
       "By default the electrode solver: each rod cut into segments whose currents are solved at "
       "one potential (the method of moments; Heppe 1979, Dawalibi and Mukhedkar 1975). Beside "
       "it the closed-form mutual resistances rho/(2 pi L) (asinh(2L/d) - sqrt(1 + (d/2L)^2) + "
       "d/2L) (Dwight 1936, Sunde 1949) and BS 7430: R = R1 (1 + lambda alpha)/n."},
      {"rods",
       "Design",
       "rods",
       With(Soil(), {{"diameter"},
                     {"length", {"", "count", "spacing"}, "solve"},
                     {"layout"},
                     {"target"},
                     {"solve"},
                     {"spacing", {"", "count", "length"}, "solve"},
                     {"rods", {"spacing", "length"}, "solve"},
                     {"per-side", {"spacing", "length"}, "solve"},
                     {"method"}}),
       "A design for a wanted resistance: the fewest rods in a line, a ring or a square, or with "
       "the count fixed the spacing or the rod length that reaches it.",
       "Up to 100 rods (26 a side), by the electrode solver, the closed-form mutual resistances "
       "or BS 7430; a spacing or length found by bisection to the millimetre."},
      {"strip",
       "Strip",
       "strip",
       With(SolverSoil(), {{"length"}, {"target"}, {"depth"}, {"conductor"}, {"grid-current"}}),
       "A buried horizontal wire or strip: its resistance, and with a current its rise and the "
       "surface's potential.",
       "The electrode solver (method of moments); beside it Dwight's formula as IEEE 142 tables "
       "it: rho/(4 pi L) (ln(4L/a) + ln(4L/s) - 2 + ...), 2L the length, s/2 the depth."},
      {"ring",
       "Ring",
       "ring",
       With(SolverSoil(), {{"ring-diameter"},
                     {"target"},
                     {"depth"},
                     {"conductor"},
                     {"rods"},
                     {"rod-length"},
                     {"rod-diameter"},
                     {"grid-current"}}),
       "A buried ring, with rods round it or without.",
       "The electrode solver; beside a ring alone Dwight's rho/(2 pi^2 D) (ln(8D/d) + ln(4D/s)) "
       "(IEEE 142)."},
      {"grid",
       "Grid",
       "grid",
       With(GridPlan(), {{"target"}, {"grid-current"}}),
       "A substation's grid, rectangular or L-shaped, with rods: its resistance, and with the "
       "fault current its rise and the surface's potential.",
       "The electrode solver (method of moments; images in one or two layers, a layered kernel by "
       "Key's filter in three to seven); beside it IEEE 80's Sverak "
       "(eq. 52) and Schwarz (eqs. 53 to 56) for uniform soil."},
      {"safety",
       "Grid safety",
       "grid",
       With(GridPlan(), {{"standard"},
                     {"fault-current"},
                     {"split"},
                     {"x-over-r"},
                     {"frequency"},
                     {"fault-duration"},
                     {"shock-duration", {"", "ieee80"}, "standard"},
                     {"surface-rho"},
                     {"surface-thickness"},
                     {"body", {"", "ieee80"}, "standard"},
                     {"footwear", {"en50522"}, "standard"},
                     {"measures", {"en50522"}, "standard"},
                     {"fence"}}),
       "Is a grid safe to touch and to walk on during a fault? The tolerable touch and step "
       "voltages of IEEE 80, or EN 50522's permissible touch voltage, against the grid's from "
       "the solver's surface.",
       "IEEE Std 80-2013: Etouch = (1000 + 1.5 Cs rhoS) k/sqrt(ts), Estep = (1000 + 6 Cs rhoS) "
       "k/sqrt(ts) (Dalziel), Cs eq. 27; IG = Df Sf 3I0 (eqs. 64, 79); Em = rho Km Ki IG / LM, "
       "Es = rho Ks Ki IG / LS (eqs. 80 to 94). EN 50522:2022: U_Tp by the fault's duration "
       "(Figure 4, Annex B), U_vTp = U_Tp + (R_a1 + 1.5 Cs rhoS) I_B; the rise within 2 U_Tp, or "
       "4 U_Tp with Annex E's measures, fulfils it, else the touch voltages against U_vTp "
       "(clause 5.4.2). From the solver the lowest surface potential within the outline, the "
       "largest difference a pace apart, and the lowest a metre beyond a fence bonded to the "
       "grid."},
      {"electrodes",
       "Any electrode",
       "",
       With(SolverSoil(), {{"grid-current"}, {"conductor"}, {"rod-diameter"}, {"rod-length"}, {"depth"}, {"dxf-units"}}),
       "Any system of bonded conductors, row by row (or from a CAD drawing, DXF): rods, strips, rings, grids "
       "together.",
       "The electrode solver: straight conductors at one potential in uniform or layered soil, "
       "segments of uniform leakage, Galerkin's method of moments.",
       "conductors",
       7},
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
      {"test",
       "Electrode test",
       "",
       {{"current-probe"}, {"dimension"}, {"design-ohms"}},
       "The electrode's resistance from a fall-of-potential (three-point) test, read four ways.",
       "The 61.8 % rule (Curdts 1958; IEEE Std 81); the plateau at 52 to 72 %; Tagg's slope "
       "method, mu = (R(0.6D) - R(0.4D)) / (R(0.4D) - R(0.2D)) (Proc. IEE, 1970); the fit of "
       "R(x) = R - k (1/(x + c) - 1/(D - x) + 1/(D + c)) by least squares.",
       "readings",
       2},
      {"survey",
       "Soil survey",
       "",
       {},
       "A Wenner survey at several spacings made a two-layer soil model for the rod tools.",
       "Two layers (Tagg 1964): rho_a = rho1 (1 + 4 sum K^n (1/sqrt(1 + (2nh/a)^2) - 1/sqrt(4 + "
       "(2nh/a)^2))), fitted by least squares on log(model/measured).",
       "readings",
       kPageSurveyColumns.size()},
  };
  return tools;
}

const Tool* FindTool(std::string_view id) {
  const auto& tools = ToolTable();
  const auto it =
      std::find_if(tools.begin(), tools.end(), [&](const Tool& tool) { return tool.id == id; });
  return it == tools.end() ? nullptr : &*it;
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

JsonArray Strings(const std::vector<std::string_view>& list) {
  return {list.begin(), list.end()};
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

bool IsLayerPart(std::string_view name) {
  return std::find(kLayerParts.begin(), kLayerParts.end(), name) != kLayerParts.end();
}

// What a field measures, as the page's unit pickers group them.
std::string_view DimensionName(Dimension dimension) {
  switch (dimension) {
    case Dimension::kResistivity:
      return "resistivity";
    case Dimension::kDiameter:
      return "diameter";
    case Dimension::kLength:
      return "length";
    case Dimension::kCurrent:
      return "current";
    case Dimension::kTime:
      return "time";
    default:
      return "";
  }
}

JsonValue FieldJson(const ToolField& field, const Calculation* calculation) {
  const Quantity& quantity = *FindQuantity(field.name);
  const Option* option = calculation != nullptr ? OptionOf(*calculation, field.name) : nullptr;
  const std::string_view help =
      option != nullptr && !option->help.empty() ? option->help : quantity.meaning;
  const std::string_view label =
      option != nullptr && !option->label.empty() ? option->label : quantity.label;
  JsonObject json{{"name", field.name},
                  {"label", label},
                  {"kind", KindOf(quantity.dimension)},
                  {"help", help},
                  {"example", quantity.example},
                  {"unit", JsonObject{{"english", FieldUnit(quantity.dimension, UnitSystem::English)},
                                      {"metric", FieldUnit(quantity.dimension, UnitSystem::Metric)}}}};
  const std::span<const std::string_view> pick = PickUnits(quantity.dimension);
  if (!pick.empty()) {
    json.emplace_back("pickUnits", Strings({pick.begin(), pick.end()}));
    json.emplace_back("dimension", DimensionName(quantity.dimension));
  }
  if (quantity.dimension != Dimension::kText && quantity.dimension != Dimension::kChoice) {
    json.emplace_back("min", quantity.range.min);
    json.emplace_back("max", quantity.range.max);
  }
  if (quantity.dimension == Dimension::kChoice) {
    // A calculation that takes only some of the choices names them.
    const bool some = option != nullptr && !option->choices.empty();
    json.emplace_back("choices", Strings(Words(some ? option->choices : quantity.choices)));
  }
  if (field.name == "rho") json.emplace_back("soil", "uniform");
  if (IsLayerPart(field.name)) json.emplace_back("soil", "layers");
  if (field.name == "layers") {
    json.emplace_back("soil", "stack");
    json.emplace_back("most", static_cast<double>(kMostLayers));
  }
  if (!field.when.empty()) {
    json.emplace_back("when", JsonObject{{"field", field.of}, {"values", Strings(field.when)}});
  }
  json.emplace_back("required", option != nullptr && option->required);
  return json;
}

// A table as the page draws it: its headings and rows of texts.
JsonObject TableJson(const TextTable& table) {
  JsonArray rows;
  for (const std::vector<std::string>& row : table.rows) rows.emplace_back(row);
  return {{"columns", table.columns}, {"rows", std::move(rows)}};
}

// The outcome for the page: as the command line shows it, and its JSON.
// The answer as the page shows it: the result written with the page's
// decimal mark ("37,930" on a German page), the lines as the command line's.
JsonObject OutcomeJson(const Outcome& outcome, const NumberMarks& marks, int drawingWidth = 0) {
  std::vector<std::string> lines;
  // The page shows a table as one: its cells apart from the lines.
  const std::string text = ToText(outcome, false);
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  JsonObject json{{"result", PageText(outcome.result, marks)},
                  {"unit", outcome.unit},
                  {"value", outcome.value ? FormatNumber(*outcome.value) : ""},
                  {"valueKey", outcome.valueKey},
                  {"text", lines},
                  {"warnings", outcome.warnings},
                  {"notes", outcome.notes},
                  {"reason", outcome.why},
                  {"json", ToJsonObject(outcome)}};
  // The criteria judged, shown first: none when nothing is judged.
  if (const std::vector<SummaryRow> criteria = SummaryOf(outcome); Judges(criteria)) {
    json.emplace_back("summary", SummaryJson(criteria));
    json.emplace_back("verdict", VerdictOf(criteria));
  }
  if (!outcome.table.columns.empty()) json.emplace_back("table", TableJson(outcome.table));
  if (outcome.electrode) {
    const SolvedElectrode& electrode = *outcome.electrode;
    json.emplace_back("plan", PlanDrawing(electrode, drawingWidth).svg);
    if (electrode.map) json.emplace_back("map", PotentialDrawing(electrode, drawingWidth).svg);
    if (electrode.safety) json.emplace_back("touch", TouchDrawing(electrode, drawingWidth).svg);
  }
  return json;
}

std::string Error(const std::string& message) { return ToJson(JsonObject{{"error", message}}); }

// The inputs given (not blank), by name.
std::map<std::string, std::string> Given(const FieldTexts& inputs) {
  std::map<std::string, std::string> given;
  for (const auto& [name, text] : inputs) {
    if (!Trim(text).empty()) given[name] = text;
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
  OSTREVIN_PASS_ON(reading);
  return Ok{};
}

bool Unreserved(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_' ||
         c == ',';
}

// Escaped for a query; a table's cell escapes its commas too (they part cells).
std::string Escaped(std::string_view text, bool inCell = false) {
  std::string escaped;
  for (const char c : text) {
    if (Unreserved(c) && !(inCell && c == ',')) {
      escaped += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(c);
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0xf];
    }
  }
  return escaped;
}

// A part of a query decoded as a browser's URLSearchParams decodes it ('+'
// is a blank, %XX a byte); nothing when a % is not followed by two hex digits.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] != '%') {
      out += text[i];
    } else {
      const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
      };
      if (i + 2 >= text.size() || hex(text[i + 1]) < 0 || hex(text[i + 2]) < 0) {
        return std::nullopt;
      }
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    }
  }
  return out;
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// The fields given, looked up by name (the map outlives the lookup).
InputLookup LookupIn(const std::map<std::string, std::string>& given) {
  return [&given](std::string_view name) -> std::optional<std::string_view> {
    const auto it = given.find(std::string(name));
    if (it == given.end()) return std::nullopt;
    return it->second;
  };
}

}  // namespace

std::span<const Tool> Tools() { return ToolTable(); }

std::string DescribeTools() {
  JsonArray tools;
  for (const Tool& tool : ToolTable()) {
    const Calculation* calculation = FindCalculation(tool.calculation);
    JsonArray fields;
    for (const ToolField& field : tool.fields) fields.push_back(FieldJson(field, calculation));
    tools.emplace_back(JsonObject{{"id", tool.id},
                                  {"title", tool.title},
                                  {"summary", tool.summary},
                                  {"formula", tool.formula},
                                  {"fields", std::move(fields)}});
  }
  JsonArray soilTypes;
  for (const SoilType& type : kSoilTypes) {
    soilTypes.emplace_back(JsonObject{{"name", type.name},
                                      {"min", type.minOhmCm},
                                      {"max", type.maxOhmCm},
                                      {"typical", type.typicalOhmCm}});
  }
  return ToJson(JsonObject{{"tools", std::move(tools)},
                           {"soilTypes", std::move(soilTypes)},
                           {"layerParts", Strings({kLayerParts.begin(), kLayerParts.end()})},
                           {"maxTableRows", static_cast<double>(kMaxTableRows)},
                           {"maxAddressBytes", static_cast<double>(kMaxAddressBytes)}});
}

std::string RunTool(std::string_view toolId, const FieldTexts& inputs, UnitSystem units,
                    const NumberMarks& marks, const Progress& progress, bool answerOhmMetres,
                    int drawingWidth) {
  const Tool* tool = FindTool(toolId);
  const Calculation* calculation = tool != nullptr ? FindCalculation(tool->calculation) : nullptr;
  if (calculation == nullptr) return Error("no such tool");
  std::map<std::string, std::string> given = Given(inputs);
  std::erase_if(given, [&](const auto& input) {
    return std::none_of(tool->fields.begin(), tool->fields.end(),
                        [&](const ToolField& f) { return f.name == input.first; });
  });
  // A wanted resistance given, what the design finds is not taken as typed.
  if (calculation->design && given.contains("target")) given.erase(std::string(calculation->design->option));
  ReadContext context{units, "", marks, true};
  context.answerOhmMetres = answerOhmMetres;
  JsonObject errors;
  for (const auto& [name, text] : given) {
    if (const Checked checked = CheckField(name, text, context); !checked) {
      errors.emplace_back(name, checked.why());
    }
  }
  if (!errors.empty()) return ToJson(JsonObject{{"errors", std::move(errors)}});
  const InputLookup lookup = LookupIn(given);
  const Result<Outcome> result = Calculate(*calculation, lookup, context, progress, kPageBounds);
  if (!result) {
    // A message about one field goes beside it.
    const std::string& error = result.why();
    for (const ToolField& field : tool->fields) {
      if (error.starts_with(NameOf(field.name, context) + " ")) {
        return ToJson(JsonObject{{"errors", JsonObject{{std::string(field.name), error}}}});
      }
    }
    return Error(error);
  }
  return ToJson(OutcomeJson(*result, marks, drawingWidth));
}

std::string RunElectrodes(const std::vector<std::array<std::string, 7>>& rows,
                          const FieldTexts& inputs, UnitSystem units, const NumberMarks& marks,
                          const Progress& progress, int drawingWidth) {
  if (rows.size() > kMaxTableRows) {
    return Error("more than " + std::to_string(kMaxTableRows) + " conductors: the page takes at most " +
                 std::to_string(kMaxTableRows));
  }
  std::vector<ConductorRow> table;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ConductorRow row;
    row.line = static_cast<long>(i + 1);
    bool any = false;
    for (std::size_t k = 0; k < row.cells.size(); ++k) {
      if (Trim(rows[i][k]).empty()) continue;
      row.cells[k] = rows[i][k];
      any = true;
    }
    if (any) table.push_back(std::move(row));
  }
  const std::map<std::string, std::string> given = Given(inputs);
  const InputLookup lookup = LookupIn(given);
  const Result<Outcome> result = CalculateElectrodes(
      table, lookup, ReadContext{units, "", marks, true}, progress, "row", kPageBounds);
  if (!result) return Error(result.why());
  return ToJson(OutcomeJson(*result, marks, drawingWidth));
}

std::string RunSurvey(const std::vector<std::array<std::string, 4>>& rows, UnitSystem units,
                      const NumberMarks& marks, int chartWidth, bool answerOhmMetres) {
  std::vector<SurveyRow> survey;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SurveyRow row;
    row.line = static_cast<long>(i + 1);
    const auto text = [&](std::size_t k) -> std::optional<std::string> {
      if (Trim(rows[i][k]).empty()) return std::nullopt;
      return rows[i][k];
    };
    row.spacing = text(0);
    row.reading = text(1);
    row.depth = text(2);
    row.rho = text(3);
    if (row.spacing || row.reading || row.depth || row.rho) survey.push_back(std::move(row));
  }
  ReadContext context{units, "", marks, true};
  context.answerOhmMetres = answerOhmMetres;
  const Result<Survey> result = CalculateSurvey(survey, context, "row");
  if (!result) return Error(result.why());
  const Survey& fitted = *result;
  JsonObject answer = OutcomeJson(fitted.outcome, marks);
  answer.emplace_back("rejected", fitted.rejected);
  Chart chart = SurveyChart(fitted);
  FitChart(chart, chartWidth);
  answer.emplace_back("svg", ToSvg(chart));
  if (const JsonValue* use = fitted.outcome.Field("use")) answer.emplace_back("use", *use);
  if (const TextTable models = ModelsTable(fitted); !models.rows.empty()) {
    answer.emplace_back("models", TableJson(models));
  }
  return ToJson(answer);
}

std::string RunFallTest(const std::vector<std::array<std::string, 2>>& rows,
                        const FieldTexts& inputs, UnitSystem units, const NumberMarks& marks,
                        int chartWidth) {
  if (rows.size() > kMaxTableRows) {
    return Error("more than " + std::to_string(kMaxTableRows) + " readings: the page takes at most " +
                 std::to_string(kMaxTableRows));
  }
  std::vector<FallRow> test;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FallRow row;
    row.line = static_cast<long>(i + 1);
    if (!Trim(rows[i][0]).empty()) row.distance = rows[i][0];
    if (!Trim(rows[i][1]).empty()) row.reading = rows[i][1];
    if (row.distance || row.reading) test.push_back(std::move(row));
  }
  const std::map<std::string, std::string> given = Given(inputs);
  const InputLookup lookup = LookupIn(given);
  const Result<FallTest> result =
      CalculateFallTest(test, lookup, ReadContext{units, "", marks, true}, "row");
  if (!result) return Error(result.why());
  JsonObject answer = OutcomeJson(result->outcome, marks);
  answer.emplace_back("rejected", result->rejected);
  Chart chart = FallTestChart(*result);
  FitChart(chart, chartWidth);
  answer.emplace_back("svg", ToSvg(chart));
  return ToJson(answer);
}

std::string ToolAddress(std::string_view toolId, const FieldTexts& inputs, UnitSystem units,
                        const NumberMarks& marks, const TableTexts& rows) {
  std::map<std::string, std::string> shown;
  for (const auto& [name, text] : Given(inputs)) shown[name] = CommandLineText(name, text, marks);
  if (units == UnitSystem::Metric) shown["units"] = "metric";
  if (std::all_of(kLayerParts.begin(), kLayerParts.end(),
                  [&](std::string_view part) { return shown.contains(std::string(part)); })) {
    shown["layers"] = JoinLayers(shown["rho1"], shown["h"], shown["rho2"]);
    for (const std::string_view part : kLayerParts) shown.erase(std::string(part));
  }
  std::string query;
  for (const auto& [name, text] : shown) {
    query += (query.empty() ? "" : "&") + name + "=" + Escaped(text);
  }
  const Tool* tool = FindTool(toolId);
  if (tool == nullptr || tool->table.empty()) return query;
  std::string table;
  for (std::size_t i = 0; i < rows.size() && i < kMaxTableRows; ++i) {
    std::vector<std::string> cells;
    for (const std::string& cell : rows[i]) cells.push_back(Escaped(NumberText(cell, marks), true));
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
    if (cells.empty()) continue;
    if (!table.empty()) table += ';';
    for (std::size_t k = 0; k < cells.size(); ++k) table += (k == 0 ? "" : ",") + cells[k];
  }
  if (table.empty()) return query;
  return query + (query.empty() ? "" : "&") + std::string(tool->table) + "=" + table;
}

namespace {

// A table's parameter (readings=1,67;2,28) as rows of the tool's cells with
// the page's marks; a row that cannot be one is named in `ignored`.
JsonArray ReadTableRows(const Tool& tool, std::string_view value, const NumberMarks& marks,
                        JsonArray& ignored) {
  JsonArray rows;
  std::size_t number = 0;
  for (std::size_t at = 0; at <= value.size();) {
    const std::size_t end = std::min(value.find(';', at), value.size());
    const std::string_view row = value.substr(at, end - at);
    at = end + 1;
    ++number;
    if (row.empty()) continue;
    const std::string name = std::string(tool.table) + " row " + std::to_string(number);
    if (rows.size() == kMaxTableRows) {
      ignored.emplace_back(name + " and after (at most " + std::to_string(kMaxTableRows) +
                           " rows are read)");
      break;
    }
    JsonArray cells;
    bool readable = true;
    for (std::size_t from = 0; from <= row.size() && readable;) {
      const std::size_t stop = std::min(row.find(',', from), row.size());
      const std::optional<std::string> cell = Unescaped(row.substr(from, stop - from));
      from = stop + 1;
      readable = cell && cell->size() <= kMaxValueBytes && !HasControl(*cell) &&
                 cells.size() < tool.columns;
      if (readable) cells.emplace_back(PageText(*cell, marks));
    }
    if (!readable) {
      ignored.emplace_back(name + " (" + std::to_string(tool.columns) + " cells at most, as data)");
      continue;
    }
    while (cells.size() < tool.columns) cells.emplace_back("");
    rows.emplace_back(std::move(cells));
  }
  return rows;
}

}  // namespace

std::string ReadToolAddress(std::string_view toolId, std::string_view query,
                            const NumberMarks& marks) {
  // One rod is the window's form, not a tool of the table; its address
  // names its inputs as the resistance and length commands do.
  static const Tool kRodForm{"rod", "One rod", "", {{"rho"}, {"diameter"}, {"length"}, {"target"}}, "", ""};
  const Tool* tool = toolId == kRodForm.id ? &kRodForm : FindTool(toolId);
  JsonArray ignored;
  JsonObject fields;
  JsonValue units;
  JsonValue soil;
  JsonValue rows;
  if (query.size() > kMaxAddressBytes) {
    ignored.emplace_back("the whole address (" + std::to_string(query.size()) +
                         " bytes; at most " + std::to_string(kMaxAddressBytes) + " are read)");
    query = {};
  }
  const auto hasField = [&](std::string_view name) {
    return tool != nullptr && std::any_of(tool->fields.begin(), tool->fields.end(),
                                          [&](const ToolField& f) { return f.name == name; });
  };
  // Every parameter once: a name given twice is used in neither place, as
  // the command line refuses an option given twice.
  struct Param {
    std::optional<std::string> name, value;
    std::string_view raw;  // as written, for one that cannot be read
  };
  std::vector<Param> params;
  std::map<std::string, int> counts;
  for (std::size_t at = 0; at < query.size();) {
    const std::size_t end = std::min(query.find('&', at), query.size());
    const std::string_view part = query.substr(at, end - at);
    at = end + 1;
    if (part.empty()) continue;
    const std::size_t equals = part.find('=');
    const std::string_view value = equals == std::string_view::npos ? "" : part.substr(equals + 1);
    Param param{Unescaped(part.substr(0, equals)), Unescaped(value), part};
    // A table's rows are split before their cells are decoded.
    const bool isTable = tool != nullptr && !tool->table.empty() && param.name == tool->table;
    if (isTable) param.value = std::string(value);
    if (param.name && param.value && param.name->size() <= kMaxNameBytes &&
        (isTable || param.value->size() <= kMaxValueBytes) && !HasControl(*param.name) &&
        !HasControl(*param.value)) {
      ++counts[*param.name];
    } else {
      param.name.reset();
    }
    params.push_back(std::move(param));
  }
  for (const Param& param : params) {
    if (!param.name) {
      const std::string_view raw = param.raw;
      ignored.emplace_back(Quoted(raw.substr(0, std::min(raw.size(), kMaxNameBytes))) +
                           (raw.size() > kMaxNameBytes ? "..." : ""));
      continue;
    }
    const std::string& name = *param.name;
    const std::string& value = *param.value;
    std::string pair = name;
    if (!value.empty()) pair.append("=").append(value);
    if (counts[name] > 1) {
      ignored.emplace_back(std::string(pair).append(" (").append(name).append(" is given twice)"));
    } else if (tool != nullptr && !tool->table.empty() && name == tool->table) {
      rows = ReadTableRows(*tool, value, marks, ignored);
    } else if (name == "units" && Lower(Trim(value)) == "si") {
      units = "si";
    } else if (name == "units" && ReadUnits(value)) {
      units = UnitsName(*ReadUnits(value));
    } else if (name == "layers" && hasField("layers") && !SplitLayers(value)) {
      // Three layers and more, for the table of layers, as the command line
      // writes them (the page splits them at their commas).
      fields.emplace_back(name, value);
      soil = "stack";
    } else if (name == "layers" && hasField("rho1")) {
      const auto parts = SplitLayers(value);
      if (!parts) {
        ignored.emplace_back(pair);
        continue;
      }
      for (std::size_t i = 0; i < kLayerParts.size(); ++i) {
        fields.emplace_back(std::string(kLayerParts[i]), PageText((*parts)[i], marks));
      }
      soil = "layers";
    } else if (hasField(name)) {
      fields.emplace_back(name, PageText(value, marks));
      if (name == "rho") soil = "uniform";
      if (IsLayerPart(name)) soil = "layers";
    } else {
      ignored.emplace_back(pair);
    }
  }
  return ToJson(JsonObject{{"units", units},
                           {"soil", soil},
                           {"fields", std::move(fields)},
                           {"rows", std::move(rows)},
                           {"ignored", std::move(ignored)}});
}

std::string NumberText(std::string_view text, const NumberMarks& marks) {
  const std::string_view trimmed = Trim(text);
  const std::string_view unit = UnitPart(trimmed);
  const Result<double> number = ReadNumber(trimmed.substr(0, trimmed.size() - unit.size()), marks);
  if (!number) return std::string(trimmed);
  return FormatNumber(*number) + std::string(unit);
}

std::string CommandLineText(std::string_view name, std::string_view text, const NumberMarks& marks) {
  if (name == "layers") {
    // The table of layers' texts (each with its unit), one part at a time.
    std::string written;
    for (const std::string_view part : SplitValues(text, 0, marks)) {
      written += (written.empty() ? "" : ",") + NumberText(part, marks);
    }
    return written;
  }
  const Quantity* quantity = FindQuantity(name);
  if (quantity == nullptr || quantity->dimension == Dimension::kText ||
      quantity->dimension == Dimension::kChoice) {
    return std::string(Trim(text));
  }
  return NumberText(text, marks);
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
