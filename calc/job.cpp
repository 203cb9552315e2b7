#include "calc/job.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "calc/electrodes.h"
#include "calc/fall_test.h"
#include "calc/json.h"
#include "calc/text.h"

namespace ostrevin::calc {

namespace {

using Json = JsonValue;

constexpr std::array<std::string_view, 7> kHeaderKeys{"job",      "site", "engineer", "checked-by",
                                                      "revision", "date", "notes"};
constexpr std::array<std::string_view, 13> kSurveyColumns{"spacing", "reading", "rho", "depth", "ab2", "mn2", "a",
                                                           "n",       "xa",      "xb",  "xm",    "xn",  "line"};
constexpr std::array<std::string_view, 2> kFallColumns{"distance", "reading"};
// The soil's model, as options give it; the season's; the safety's.
constexpr std::array<std::string_view, 5> kModelKeys{"rho", "layers", "rho1", "h", "rho2"};
constexpr std::array<std::string_view, 3> kSeasonKeys{"season-factor", "season-layers", "frost"};
constexpr std::array<std::string_view, 18> kSafetyKeys{
    "grid-current",      "fault-current",  "split",          "x-over-r",
    "frequency",         "fault-duration", "standard",       "shock-duration",
    "surface-rho",       "surface-thickness", "body",        "footwear",
    "global-earthing",   "measures",       "material",       "ambient",
    "max-temperature",   "fence"};

// The path of a member: "$.soil" and "layers" make "$.soil.layers".
std::string Child(const std::string& path, const std::string& key) {
  std::string child = path;
  child.append(".").append(key);
  return child;
}

bool In(std::span<const std::string_view> keys, std::string_view key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Whether an option is a value a job keeps (no file, no unit system, no table column).
bool Kept(const Option& option) {
  return (option.kind == OptionKind::kQuantity || option.kind == OptionKind::kFlag ||
          option.kind == OptionKind::kText) &&
         !option.columnOnly;
}

const Option* FindOption(std::span<const Option> options, std::string_view name) {
  const auto found = std::find_if(options.begin(), options.end(),
                                  [&](const Option& option) { return option.name == name; });
  return found == options.end() ? nullptr : &*found;
}

// The keys a part of the job takes from a tool's options, in their order.
enum class Part { kElectrode, kSafety, kTest };
std::vector<const Option*> PartOptions(std::string_view tool, Part part) {
  std::vector<const Option*> options;
  for (const Option& option : ToolOptions(tool)) {
    if (!Kept(option) || In(kModelKeys, option.name) || In(kSeasonKeys, option.name)) continue;
    if ((part == Part::kSafety) == In(kSafetyKeys, option.name)) options.push_back(&option);
  }
  return options;
}

const JsonObject* ObjectOf(const Json& value) { return std::get_if<JsonObject>(&value.variant()); }
const JsonArray* ArrayOf(const Json& value) { return std::get_if<JsonArray>(&value.variant()); }
const std::string* TextOf(const Json& value) { return std::get_if<std::string>(&value.variant()); }

std::string KindOf(const Json& value) {
  if (std::holds_alternative<std::nullptr_t>(value.variant())) return "null";
  if (std::holds_alternative<bool>(value.variant())) return "true or false";
  if (TextOf(value) != nullptr) return "a text";
  if (ArrayOf(value) != nullptr) return "a list";
  if (ObjectOf(value) != nullptr) return "an object";
  return "a number";
}

// The reading of a job's JSON: each refusal with the path of the value.
class JobReader {
 public:
  explicit JobReader(Job& job) : job_(job) {}

  Checked Read(const Json& root) {
    if (ObjectOf(root) == nullptr) return Refuse("$", "a job is a JSON object, not " + KindOf(root));
    const Json* format = Member(root, "format");
    if (format == nullptr || TextOf(*format) == nullptr || *TextOf(*format) != kJobFormat) {
      return Refuse("$.format", R"(not an Ostrevin job ("format" must be "ostrevin-job"))");
    }
    const Json* version = Member(root, "version");
    const double* number = version != nullptr ? std::get_if<double>(&version->variant()) : nullptr;
    if (number == nullptr || *number != std::floor(*number) || *number < 1) {
      return Refuse("$.version", "a job's version is a whole number from 1");
    }
    if (*number > kJobVersion) {
      return Refuse("$.version", "this is an Ostrevin job of version " + ToJson(*version) +
                                     ", newer than this Ostrevin reads (version " +
                                     std::to_string(kJobVersion) +
                                     "): open it with a newer Ostrevin");
    }
    const Json* units = Member(root, "units");
    if (units == nullptr) return Refuse("$.units", "missing: english, metric or si");
    ReadContext context;
    if (TextOf(*units) == nullptr || !ReadUnitChoice(*TextOf(*units), context)) {
      return Refuse("$.units", "must be english, metric or si, not " + Shown(*units));
    }
    job_.units = Lower(Trim(*TextOf(*units)));
    context_ = context;
    context_.prefix = "";
    for (const auto& [key, value] : *ObjectOf(root)) {
      Checked read = ReadSection(key, value);
      OSTREVIN_PASS_ON(read);
    }
    return Ok{};
  }

 private:
  static const Json* Member(const Json& object, std::string_view key) { return object.Find(key); }

  static std::string Shown(const Json& value) {
    return TextOf(value) != nullptr ? Quoted(*TextOf(value)) : KindOf(value);
  }

  static Why Refuse(const std::string& path, const std::string& why) {
    return Refused(path + ": " + why);
  }

  Checked ReadSection(const std::string& key, const Json& value) {
    if (key == "format" || key == "version" || key == "units") return Ok{};
    const std::string path = "$." + key;
    if (key == "header") {
      Checked read = ReadValues(path, value, Header(), job_.header);
      // A field left blank is no value (the file shows every field, blank or not).
      std::erase_if(job_.header, [](const auto& field) { return field.second.empty(); });
      return read;
    }
    if (key == "soil") return ReadSoil(path, value);
    if (key == "electrode") return ReadElectrode(path, value);
    if (key == "safety") {
      if (job_.tool.empty())
        return Refuse(path, "safety values need an electrode (\"tool\" in $.electrode)");
      return ReadValues(path, value, PartOptions(job_.tool, Part::kSafety), job_.safety);
    }
    if (key == "test") return ReadTest(path, value);
    return Refuse(path, "not a part of a job (header, units, soil, electrode, safety, test)");
  }

  static std::vector<const Option*> Header() {
    static const std::vector<Option> options = [] {
      std::vector<Option> all;
      all.reserve(kHeaderKeys.size());
      for (const std::string_view key : kHeaderKeys) all.push_back({key, OptionKind::kText});
      return all;
    }();
    std::vector<const Option*> pointers;
    pointers.reserve(options.size());
    for (const Option& option : options) pointers.push_back(&option);
    return pointers;
  }

  // An object's members, each one of `allowed` and read as its kind; kept
  // in the order of `allowed`. `tables` names the members that are tables,
  // read by the caller.
  Checked ReadValues(const std::string& path, const Json& object,
                     const std::vector<const Option*>& allowed, JobValues& values,
                     std::span<const std::string_view> others = {}) {
    if (ObjectOf(object) == nullptr) return Refuse(path, "must be an object, not " + KindOf(object));
    for (const JsonMember& member : *ObjectOf(object)) {
      const std::string& key = member.first;
      const Json& value = member.second;
      if (In(others, key)) continue;
      const auto option = std::find_if(allowed.begin(), allowed.end(),
                                       [&](const Option* o) { return o->name == key; });
      if (option == allowed.end()) return Refuse(Child(path, key), NotTaken(path, allowed));
      Checked read = ReadValue(Child(path, key), **option, value, values);
      OSTREVIN_PASS_ON(read);
    }
    // The order of the table, whatever the file's.
    std::stable_sort(values.begin(), values.end(), [&](const auto& a, const auto& b) {
      return Rank(allowed, a.first) < Rank(allowed, b.first);
    });
    return Ok{};
  }

  static std::size_t Rank(const std::vector<const Option*>& options, std::string_view name) {
    return static_cast<std::size_t>(std::find_if(options.begin(), options.end(),
                                                 [&](const Option* o) { return o->name == name; }) -
                                    options.begin());
  }

  std::string NotTaken(const std::string& path, const std::vector<const Option*>& allowed) const {
    std::string names;
    for (const Option* option : allowed)
      names += (names.empty() ? "" : ", ") + std::string(option->name);
    const std::string whose = path == "$.header" ? "the header"
                              : job_.tool.empty() || path == "$.test"
                                  ? "this part"
                                  : "the " + job_.tool + " tool";
    return "not a key of " + whose + (names.empty() ? "" : " (" + names + ")");
  }

  Checked ReadValue(const std::string& path, const Option& option, const Json& value,
                    JobValues& values) {
    if (option.kind == OptionKind::kFlag) {
      const bool* flag = std::get_if<bool>(&value.variant());
      if (flag == nullptr) return Refuse(path, "a flag is true or false, not " + KindOf(value));
      if (*flag) values.emplace_back(option.name, "true");
      return Ok{};
    }
    if (TextOf(value) == nullptr) {
      return Refuse(path, "must be a text as typed (\"" +
                              (std::holds_alternative<double>(value.variant()) ? ToJson(value) : std::string("...")) +
                              "\"), not " + KindOf(value));
    }
    const std::string& text = *TextOf(value);
    if (option.kind == OptionKind::kQuantity) {
      Checked checked = CheckText(option.name, text);
      if (!checked) return Refuse(path, checked.why());
    }
    values.emplace_back(option.name, text);
    return Ok{};
  }

  // A quantity's text read as a calculation would read it: in range, a choice of its words.
  Checked CheckText(std::string_view name, const std::string& text) const {
    const Quantity* quantity = FindQuantity(name);
    if (quantity == nullptr || quantity->dimension == Dimension::kText) return Ok{};
    if (quantity->dimension == Dimension::kChoice) {
      if (ReadChoice(*quantity, text)) return Ok{};
      return Refused(ChoiceError(*quantity, text, context_));
    }
    const Result<QuantityValue> read = ReadQuantity(*quantity, text, context_);
    OSTREVIN_PASS_ON(read);
    return Ok{};
  }

  Checked ReadSoil(const std::string& path, const Json& soil) {
    static const std::vector<Option> season = [] {
      std::vector<Option> all;
      all.reserve(kSeasonKeys.size());
      for (const std::string_view key : kSeasonKeys) all.push_back({key});
      return all;
    }();
    std::vector<const Option*> allowed;
    allowed.reserve(season.size());
    for (const Option& option : season) allowed.push_back(&option);
    static constexpr std::array<std::string_view, 2> kTables{"layers", "survey"};
    Checked read = ReadValues(path, soil, allowed, job_.soil, kTables);
    OSTREVIN_PASS_ON(read);
    if (const Json* layers = Member(soil, "layers")) {
      Checked model = ReadLayers(path + ".layers", *layers);
      OSTREVIN_PASS_ON(model);
    }
    if (const Json* survey = Member(soil, "survey")) {
      Result<JobTable> table = ReadTable(path + ".survey", *survey, kSurveyColumns);
      OSTREVIN_PASS_ON(table);
      job_.survey = *std::move(table);
    }
    return Ok{};
  }

  Checked ReadLayers(const std::string& path, const Json& layers) {
    const JsonArray* list = ArrayOf(layers);
    if (list == nullptr || list->empty()) {
      return Refuse(
          path, R"(a list of layers from the top, [{"rho": ..., "h": ...}, ..., {"rho": ...}])");
    }
    for (std::size_t i = 0; i < list->size(); ++i) {
      const std::string at = path + "[" + std::to_string(i) + "]";
      const Json& layer = (*list)[i];
      if (ObjectOf(layer) == nullptr) return Refuse(at, "a layer is an object, not " + KindOf(layer));
      const bool last = i + 1 == list->size();
      JobLayer read;
      for (const auto& [key, value] : *ObjectOf(layer)) {
        if (key != "rho" && key != "h") return Refuse(Child(at, key), "a layer has rho and h");
        if (key == "h" && last) return Refuse(at + ".h", "the last layer goes down for ever: no h");
        if (TextOf(value) == nullptr)
          return Refuse(Child(at, key), "must be a text as typed, not " + KindOf(value));
        const std::string& text = *TextOf(value);
        Checked checked = CheckText(key == "rho" ? "rho1" : "h", text);
        if (!checked) return Refuse(Child(at, key), checked.why());
        (key == "rho" ? read.rho : read.h) = text;
      }
      if (read.rho.empty()) return Refuse(at + ".rho", "missing: the layer's resistivity");
      if (!last && read.h.empty()) return Refuse(at + ".h", "missing: the layer's thickness");
      job_.layers.push_back(std::move(read));
    }
    return Ok{};
  }

  Checked ReadElectrode(const std::string& path, const Json& electrode) {
    if (ObjectOf(electrode) == nullptr) return Refuse(path, "must be an object, not " + KindOf(electrode));
    const Json* tool = Member(electrode, "tool");
    const std::string* name = tool != nullptr ? TextOf(*tool) : nullptr;
    if (name == nullptr || (*name != "electrodes" && FindCalculation(*name) == nullptr) || *name == "rho") {
      std::string tools;
      for (const Calculation& calculation : Calculations()) {
        if (calculation.name != "rho") tools += std::string(calculation.name) + ", ";
      }
      return Refuse(path + ".tool", "the electrode's tool, one of " + tools + "electrodes" +
                                        (tool != nullptr ? "; not " + Shown(*tool) : ""));
    }
    job_.tool = *name;
    static constexpr std::array<std::string_view, 2> kOthers{"tool", "conductors"};
    Checked read = ReadValues(path, electrode, PartOptions(job_.tool, Part::kElectrode),
                              job_.electrode, kOthers);
    OSTREVIN_PASS_ON(read);
    if (const Json* conductors = Member(electrode, "conductors")) {
      if (job_.tool != "electrodes")
        return Refuse(path + ".conductors", "only the electrodes tool has a table");
      Result<JobTable> table = ReadTable(path + ".conductors", *conductors, kConductorColumns);
      OSTREVIN_PASS_ON(table);
      job_.conductors = *std::move(table);
    }
    return Ok{};
  }

  Checked ReadTest(const std::string& path, const Json& test) {
    static constexpr std::array<std::string_view, 1> kOthers{"readings"};
    Checked read =
        ReadValues(path, test, PartOptions("test", Part::kElectrode), job_.test, kOthers);
    OSTREVIN_PASS_ON(read);
    if (const Json* readings = Member(test, "readings")) {
      Result<JobTable> table = ReadTable(path + ".readings", *readings, kFallColumns);
      OSTREVIN_PASS_ON(table);
      job_.readings = *std::move(table);
    }
    return Ok{};
  }

  static Result<JobTable> ReadTable(const std::string& path, const Json& table,
                                    std::span<const std::string_view> columns) {
    std::string names;
    for (const std::string_view column : columns)
      names += (names.empty() ? "" : ", ") + std::string(column);
    if (ObjectOf(table) == nullptr)
      return Refuse(path, R"(a table is {"columns": [...], "rows": [[...], ...]})");
    JobTable read;
    for (const auto& [key, value] : *ObjectOf(table)) {
      if (key != "columns" && key != "rows")
        return Refuse(Child(path, key), "a table has columns and rows");
    }
    const Json* given = Member(table, "columns");
    const JsonArray* names_ = given != nullptr ? ArrayOf(*given) : nullptr;
    if (names_ == nullptr) return Refuse(path + ".columns", "a list of the columns' names (" + names + ")");
    for (std::size_t i = 0; i < names_->size(); ++i) {
      const Json& name = (*names_)[i];
      const std::string at = path + ".columns[" + std::to_string(i) + "]";
      if (TextOf(name) == nullptr || !In(columns, *TextOf(name))) {
        return Refuse(at, "a column of " + names + ", not " + Shown(name));
      }
      if (std::find(read.columns.begin(), read.columns.end(), *TextOf(name)) != read.columns.end()) {
        return Refuse(at, Quoted(*TextOf(name)) + " is given twice");
      }
      read.columns.push_back(*TextOf(name));
    }
    const Json* rowsGiven = Member(table, "rows");
    const JsonArray* rows = rowsGiven != nullptr ? ArrayOf(*rowsGiven) : nullptr;
    if (rows == nullptr) return Refuse(path + ".rows", "a list of rows, each a list of texts");
    for (std::size_t r = 0; r < rows->size(); ++r) {
      const JsonArray* row = ArrayOf((*rows)[r]);
      const std::string at = path + ".rows[" + std::to_string(r) + "]";
      if (row == nullptr || row->size() != read.columns.size()) {
        return Refuse(at, "a row is a list of " + std::to_string(read.columns.size()) +
                              " texts, one a column");
      }
      std::vector<std::string> cells;
      for (std::size_t c = 0; c < row->size(); ++c) {
        if (TextOf((*row)[c]) == nullptr) {
          return Refuse(at + "[" + std::to_string(c) + "]",
                        "must be a text as typed, not " + KindOf((*row)[c]));
        }
        cells.push_back(*TextOf((*row)[c]));
      }
      read.rows.push_back(std::move(cells));
    }
    return read;
  }

  Job& job_;
  ReadContext context_;
};

// Written as the job's file shows it: 2-space indent; a list of texts (a
// table's row, its columns) and a layer on one line.
bool Primitive(const Json& value) { return ObjectOf(value) == nullptr && ArrayOf(value) == nullptr; }

bool Inline(const Json& value) {
  if (const JsonArray* array = ArrayOf(value)) return std::all_of(array->begin(), array->end(), Primitive);
  if (const JsonObject* object = ObjectOf(value)) {
    return object->size() <= 2 &&
           std::all_of(object->begin(), object->end(), [](const JsonMember& m) { return Primitive(m.second); });
  }
  return true;
}

void Write(const Json& value, int indent, bool inArray, std::string& out) {
  const JsonObject* object = ObjectOf(value);
  const JsonArray* array = ArrayOf(value);
  const std::size_t count = object != nullptr ? object->size() : array != nullptr ? array->size() : 0;
  const auto key = [&](std::size_t k) { return object != nullptr ? JsonString((*object)[k].first) + ": " : std::string(); };
  const auto member = [&](std::size_t k) -> const Json& { return object != nullptr ? (*object)[k].second : (*array)[k]; };
  if (Primitive(value) || (inArray && Inline(value)) || (array != nullptr && Inline(value))) {
    if (Primitive(value)) {
      out += ToJson(value);
      return;
    }
    out += object != nullptr ? "{" : "[";
    for (std::size_t k = 0; k < count; ++k) out += (k == 0 ? "" : ", ") + key(k) + ToJson(member(k));
    out += object != nullptr ? "}" : "]";
    return;
  }
  const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
  out += object != nullptr ? "{\n" : "[\n";
  for (std::size_t k = 0; k < count; ++k) {
    out += (k == 0 ? "" : ",\n") + pad + key(k);
    Write(member(k), indent + 2, object == nullptr, out);
  }
  out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + (object != nullptr ? "}" : "]");
}

// An object's member set, added where it is new.
void Set(JsonObject& object, std::string_view key, Json value) {
  const auto found = std::find_if(object.begin(), object.end(), [&](const JsonMember& m) { return m.first == key; });
  if (found != object.end()) {
    found->second = std::move(value);
  } else {
    object.emplace_back(std::string(key), std::move(value));
  }
}

// Whether a kept value is a flag (--check-convergence, --global-earthing).
bool IsFlag(std::string_view key) {
  const Option* option = FindOption(ElectrodeOptions(), key);
  return option != nullptr && option->kind == OptionKind::kFlag;
}

JsonObject ValuesJson(const JobValues& values, JsonObject object = {}) {
  for (const auto& [key, text] : values) Set(object, key, IsFlag(key) ? Json(true) : Json(text));
  return object;
}

JsonObject TableJson(const JobTable& table) {
  JsonArray rows;
  for (const auto& row : table.rows) rows.emplace_back(row);
  return {{"columns", table.columns}, {"rows", std::move(rows)}};
}

void AddInputs(const JobValues& values, JobInputs& inputs) {
  // A flag given is an empty text, as on the command line.
  for (const auto& [key, text] : values) inputs[key] = IsFlag(key) ? "" : text;
}

Checked AddModel(const Job& job, JobInputs& inputs) {
  if (job.layers.size() > static_cast<std::size_t>(kMostLayers)) {
    return Refused("$.soil.layers: a soil of " + std::to_string(job.layers.size()) +
                   " layers; at most " + std::to_string(kMostLayers) + " are solved");
  }
  if (job.layers.size() == 1) inputs["rho"] = job.layers[0].rho;
  if (job.layers.size() >= 2) {
    // RHO1,H1,RHO2,...,RHON, as --layers takes them (more than two, the
    // electrode solver's calculations only: the others refuse them).
    std::string text;
    for (std::size_t i = 0; i < job.layers.size(); ++i) {
      text += job.layers[i].rho;
      if (i + 1 < job.layers.size()) text += "," + job.layers[i].h + ",";
    }
    inputs["layers"] = text;
  }
  AddInputs(job.soil, inputs);
  return Ok{};
}

}  // namespace

std::span<const Option> ToolOptions(std::string_view tool) {
  if (tool == "electrodes") return ElectrodeOptions();
  if (tool == "test") return FallTestOptions();
  const Calculation* calculation = FindCalculation(tool);
  return calculation != nullptr ? std::span<const Option>(calculation->options)
                                : std::span<const Option>();
}

std::span<const std::string_view> JobHeaderKeys() { return kHeaderKeys; }
std::span<const std::string_view> SurveyColumns() { return kSurveyColumns; }
std::span<const std::string_view> FallTestColumns() { return kFallColumns; }

Result<Job> ReadJob(std::string_view text) {
  if (text.size() > kMaxJobBytes) {
    return Refused("$: a job file is at most " + std::to_string(kMaxJobBytes >> 20) + " MiB");
  }
  const Result<Json> root = ParseJson(text, kMaxJobDepth);
  if (!root) {
    return Refused((root.Failed().detail.code == kJsonTooDeep ? "$: " : "$: not JSON: ") + root.why());
  }
  Job job;
  job.units.clear();
  JobReader reader(job);
  Checked read = reader.Read(*root);
  OSTREVIN_PASS_ON(read);
  return job;
}

std::string WriteJob(const Job& job) {
  JsonObject root{{"format", kJobFormat}, {"version", kJobVersion}};
  JsonObject header;
  for (const std::string_view key : kHeaderKeys) {
    const auto given = std::find_if(job.header.begin(), job.header.end(),
                                    [&](const auto& value) { return value.first == key; });
    header.emplace_back(std::string(key), given == job.header.end() ? "" : given->second);
  }
  root.emplace_back("header", std::move(header));
  root.emplace_back("units", job.units);
  JsonObject soil;
  if (!job.layers.empty()) {
    JsonArray layers;
    for (const JobLayer& layer : job.layers) {
      JsonObject one{{"rho", layer.rho}};
      if (!layer.h.empty()) one.emplace_back("h", layer.h);
      layers.emplace_back(std::move(one));
    }
    soil.emplace_back("layers", std::move(layers));
  }
  soil = ValuesJson(job.soil, soil);
  if (job.survey) soil.emplace_back("survey", TableJson(*job.survey));
  if (!soil.empty()) root.emplace_back("soil", std::move(soil));
  if (!job.tool.empty()) {
    JsonObject electrode = ValuesJson(job.electrode, {{"tool", job.tool}});
    if (job.conductors) electrode.emplace_back("conductors", TableJson(*job.conductors));
    root.emplace_back("electrode", std::move(electrode));
    if (!job.safety.empty()) root.emplace_back("safety", ValuesJson(job.safety));
  }
  JsonObject test = ValuesJson(job.test);
  if (job.readings) test.emplace_back("readings", TableJson(*job.readings));
  if (!test.empty()) root.emplace_back("test", std::move(test));
  std::string out;
  Write(Json(std::move(root)), 0, false, out);
  return out + "\n";
}

Result<JobInputs> ElectrodeInputs(const Job& job) {
  JobInputs inputs;
  Checked model = AddModel(job, inputs);
  OSTREVIN_PASS_ON(model);
  AddInputs(job.electrode, inputs);
  AddInputs(job.safety, inputs);
  return inputs;
}

Result<JobInputs> TestInputs(const Job& job) {
  JobInputs inputs;
  AddInputs(job.test, inputs);
  // The soil goes with a rod's design only (the test alone needs none).
  if (inputs.contains("diameter") || inputs.contains("length")) {
    Checked model = AddModel(job, inputs);
    OSTREVIN_PASS_ON(model);
  }
  return inputs;
}

Job JobFromInputs(std::string_view tool, const InputLookup& lookup, const std::string& units) {
  Job job;
  job.units = units;
  if (const auto rho = lookup("rho")) job.layers.push_back({std::string(*rho), {}});
  std::vector<std::string> parts;
  if (const auto layers = lookup("layers")) {
    // RHO1,H1,RHO2,...: each layer's resistivity and thickness, the last's alone.
    const std::string text(*layers);
    for (std::size_t from = 0;;) {
      const std::size_t comma = text.find(',', from);
      parts.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    if (parts.size() < 3 || parts.size() % 2 == 0) parts.clear();
  } else if (lookup("rho1") && lookup("h") && lookup("rho2")) {
    parts = {std::string(*lookup("rho1")), std::string(*lookup("h")), std::string(*lookup("rho2"))};
  }
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    job.layers.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string()});
  }
  for (const std::string_view key : kSeasonKeys) {
    if (const auto text = lookup(key); text && (FindOption(ToolOptions(tool), key) != nullptr))
      job.soil.emplace_back(key, *text);
  }
  const bool test = tool == "test";
  if (!test) job.tool = std::string(tool);
  const auto fill = [&](Part part, JobValues& values) {
    for (const Option* option : PartOptions(tool, part)) {
      if (const auto text = lookup(option->name)) {
        values.emplace_back(option->name,
                            option->kind == OptionKind::kFlag ? "true" : std::string(*text));
      }
    }
  };
  fill(Part::kElectrode, test ? job.test : job.electrode);
  if (!test) fill(Part::kSafety, job.safety);
  return job;
}

bool HasSoil(const Job& job) { return !job.layers.empty() || job.survey.has_value(); }

}  // namespace ostrevin::calc
