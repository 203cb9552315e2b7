#include "calc/job.h"

#include <algorithm>
#include <array>
#include <set>

#include <nlohmann/json.hpp>

#include "calc/electrodes.h"
#include "calc/fall_test.h"
#include "calc/text.h"

namespace ostrevin::calc {

namespace {

using Json = nlohmann::ordered_json;

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

std::string KindOf(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null:
      return "null";
    case Json::value_t::boolean:
      return "true or false";
    case Json::value_t::string:
      return "a text";
    case Json::value_t::array:
      return "a list";
    case Json::value_t::object:
      return "an object";
    default:
      return "a number";
  }
}

// The reading of a job's JSON: each refusal with the path of the value.
class JobReader {
 public:
  explicit JobReader(Job& job) : job_(job) {}

  Checked Read(const Json& root) {
    if (!root.is_object()) return Refuse("$", "a job is a JSON object, not " + KindOf(root));
    const Json* format = Member(root, "format");
    if (format == nullptr || !format->is_string() ||
        format->get_ref<const std::string&>() != kJobFormat) {
      return Refuse("$.format", R"(not an Ostrevin job ("format" must be "ostrevin-job"))");
    }
    const Json* version = Member(root, "version");
    if (version == nullptr || !version->is_number_integer() || *version < 1) {
      return Refuse("$.version", "a job's version is a whole number from 1");
    }
    if (*version > kJobVersion) {
      return Refuse("$.version", "this is an Ostrevin job of version " + version->dump() +
                                     ", newer than this Ostrevin reads (version " +
                                     std::to_string(kJobVersion) +
                                     "): open it with a newer Ostrevin");
    }
    const Json* units = Member(root, "units");
    if (units == nullptr) return Refuse("$.units", "missing: english, metric or si");
    ReadContext context;
    if (!units->is_string() || !ReadUnitChoice(units->get_ref<const std::string&>(), context)) {
      return Refuse("$.units", "must be english, metric or si, not " + Shown(*units));
    }
    job_.units = Lower(Trim(units->get_ref<const std::string&>()));
    context_ = context;
    context_.prefix = "";
    for (const auto& [key, value] : root.items()) {
      Checked read = ReadSection(key, value);
      OSTREVIN_PASS_ON(read);
    }
    return Ok{};
  }

 private:
  static const Json* Member(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
  }

  static std::string Shown(const Json& value) {
    return value.is_string() ? Quoted(value.get_ref<const std::string&>()) : KindOf(value);
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
    if (!object.is_object()) return Refuse(path, "must be an object, not " + KindOf(object));
    for (const auto& item : object.items()) {
      const std::string& key = item.key();
      const Json& value = item.value();
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
      if (!value.is_boolean()) return Refuse(path, "a flag is true or false, not " + KindOf(value));
      if (value.get<bool>()) values.emplace_back(option.name, "true");
      return Ok{};
    }
    if (!value.is_string()) {
      return Refuse(path, "must be a text as typed (\"" +
                              (value.is_number() ? value.dump() : std::string("...")) +
                              "\"), not " + KindOf(value));
    }
    const auto& text = value.get_ref<const std::string&>();
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
    if (!layers.is_array() || layers.empty()) {
      return Refuse(
          path, R"(a list of layers from the top, [{"rho": ..., "h": ...}, ..., {"rho": ...}])");
    }
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const std::string at = path + "[" + std::to_string(i) + "]";
      const Json& layer = layers[i];
      if (!layer.is_object()) return Refuse(at, "a layer is an object, not " + KindOf(layer));
      const bool last = i + 1 == layers.size();
      JobLayer read;
      for (const auto& [key, value] : layer.items()) {
        if (key != "rho" && key != "h") return Refuse(Child(at, key), "a layer has rho and h");
        if (key == "h" && last) return Refuse(at + ".h", "the last layer goes down for ever: no h");
        if (!value.is_string())
          return Refuse(Child(at, key), "must be a text as typed, not " + KindOf(value));
        const auto& text = value.get_ref<const std::string&>();
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
    if (!electrode.is_object()) return Refuse(path, "must be an object, not " + KindOf(electrode));
    const Json* tool = Member(electrode, "tool");
    if (tool == nullptr || !tool->is_string() ||
        (tool->get_ref<const std::string&>() != "electrodes" &&
         FindCalculation(tool->get_ref<const std::string&>()) == nullptr) ||
        tool->get_ref<const std::string&>() == "rho") {
      std::string tools;
      for (const Calculation& calculation : Calculations()) {
        if (calculation.name != "rho") tools += std::string(calculation.name) + ", ";
      }
      return Refuse(path + ".tool", "the electrode's tool, one of " + tools + "electrodes" +
                                        (tool != nullptr ? "; not " + Shown(*tool) : ""));
    }
    job_.tool = tool->get<std::string>();
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
    if (!table.is_object())
      return Refuse(path, R"(a table is {"columns": [...], "rows": [[...], ...]})");
    JobTable read;
    for (const auto& [key, value] : table.items()) {
      if (key != "columns" && key != "rows")
        return Refuse(Child(path, key), "a table has columns and rows");
    }
    const Json* given = Member(table, "columns");
    if (given == nullptr || !given->is_array())
      return Refuse(path + ".columns", "a list of the columns' names (" + names + ")");
    for (std::size_t i = 0; i < given->size(); ++i) {
      const Json& name = (*given)[i];
      const std::string at = path + ".columns[" + std::to_string(i) + "]";
      if (!name.is_string() || !In(columns, name.get_ref<const std::string&>())) {
        return Refuse(at, "a column of " + names + ", not " + Shown(name));
      }
      if (std::find(read.columns.begin(), read.columns.end(), name.get<std::string>()) !=
          read.columns.end()) {
        return Refuse(at, Quoted(name.get<std::string>()) + " is given twice");
      }
      read.columns.push_back(name.get<std::string>());
    }
    const Json* rows = Member(table, "rows");
    if (rows == nullptr || !rows->is_array())
      return Refuse(path + ".rows", "a list of rows, each a list of texts");
    for (std::size_t r = 0; r < rows->size(); ++r) {
      const Json& row = (*rows)[r];
      const std::string at = path + ".rows[" + std::to_string(r) + "]";
      if (!row.is_array() || row.size() != read.columns.size()) {
        return Refuse(at, "a row is a list of " + std::to_string(read.columns.size()) +
                              " texts, one a column");
      }
      std::vector<std::string> cells;
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (!row[c].is_string()) {
          return Refuse(at + "[" + std::to_string(c) + "]",
                        "must be a text as typed, not " + KindOf(row[c]));
        }
        cells.push_back(row[c].get<std::string>());
      }
      read.rows.push_back(std::move(cells));
    }
    return read;
  }

  Job& job_;
  ReadContext context_;
};

// The parse's first error and the nesting's depth, before any value is built.
class Screen : public nlohmann::json_sax<Json> {
 public:
  std::string why;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return Deeper(); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return --depth_ >= 0; }
  bool start_array(std::size_t) override { return Deeper(); }
  bool end_array() override { return --depth_ >= 0; }
  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    // "... parse error at line 3, column 5: syntax error while parsing ..." without its prefix.
    std::string what = error.what();
    const std::size_t at = what.find("at line");
    what = at == std::string::npos ? what : what.substr(at);
    why = "not JSON: " + what + (token.empty() ? "" : " (byte " + std::to_string(position) + ")");
    return false;
  }

 private:
  bool Deeper() {
    if (++depth_ <= kMaxJobDepth) return true;
    why = "nested deeper than " + std::to_string(kMaxJobDepth) + " levels";
    return false;
  }
  int depth_ = 0;
};

// Written as the job's file shows it: 2-space indent; a list of texts (a
// table's row, its columns) and a layer on one line.
bool Inline(const Json& value) {
  if (value.is_array())
    return std::all_of(value.begin(), value.end(), [](const Json& v) { return v.is_primitive(); });
  if (value.is_object())
    return value.size() <= 2 &&
           std::all_of(value.begin(), value.end(), [](const Json& v) { return v.is_primitive(); });
  return true;
}

std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void Write(const Json& value, int indent, bool inArray, std::string& out) {
  if (value.is_primitive() || (inArray && Inline(value)) || (value.is_array() && Inline(value))) {
    if (value.is_primitive()) {
      out += Dump(value);
      return;
    }
    const bool object = value.is_object();
    out += object ? "{" : "[";
    bool first = true;
    for (const auto& [key, member] : value.items()) {
      out += first ? "" : ", ";
      if (object) out += Dump(Json(key)) + ": ";
      out += Dump(member);
      first = false;
    }
    out += object ? "}" : "]";
    return;
  }
  const bool object = value.is_object();
  const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
  out += object ? "{\n" : "[\n";
  bool first = true;
  for (const auto& [key, member] : value.items()) {
    out += first ? "" : ",\n";
    out += pad;
    if (object) out += Dump(Json(key)) + ": ";
    Write(member, indent + 2, !object, out);
    first = false;
  }
  out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + (object ? "}" : "]");
}

// Whether a kept value is a flag (--check-convergence, --global-earthing).
bool IsFlag(std::string_view key) {
  const Option* option = FindOption(ElectrodeOptions(), key);
  return option != nullptr && option->kind == OptionKind::kFlag;
}

Json ValuesJson(const JobValues& values, Json object = Json::object()) {
  for (const auto& [key, text] : values) object[key] = IsFlag(key) ? Json(true) : Json(text);
  return object;
}

Json TableJson(const JobTable& table) {
  Json rows = Json::array();
  for (const auto& row : table.rows) rows.push_back(row);
  return Json{{"columns", table.columns}, {"rows", rows}};
}

void AddInputs(const JobValues& values, JobInputs& inputs) {
  // A flag given is an empty text, as on the command line.
  for (const auto& [key, text] : values) inputs[key] = IsFlag(key) ? "" : text;
}

Checked AddModel(const Job& job, JobInputs& inputs) {
  if (job.layers.size() > 2) {
    return Refused("$.soil.layers: a soil of " + std::to_string(job.layers.size()) +
                   " layers; this version's calculations take one or two");
  }
  if (job.layers.size() == 1) inputs["rho"] = job.layers[0].rho;
  if (job.layers.size() == 2) {
    inputs["layers"] = job.layers[0].rho + "," + job.layers[0].h + "," + job.layers[1].rho;
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
  Screen screen;
  if (!Json::sax_parse(text, &screen, nlohmann::detail::input_format_t::json, true)) {
    return Refused("$: " + (screen.why.empty() ? std::string("not JSON") : screen.why));
  }
  const Json root = Json::parse(text, nullptr, false);
  if (root.is_discarded()) return Refused("$: not JSON");
  Job job;
  job.units.clear();
  JobReader reader(job);
  Checked read = reader.Read(root);
  OSTREVIN_PASS_ON(read);
  return job;
}

std::string WriteJob(const Job& job) {
  Json root = Json::object();
  root["format"] = kJobFormat;
  root["version"] = kJobVersion;
  Json header = Json::object();
  for (const std::string_view key : kHeaderKeys) {
    const auto given = std::find_if(job.header.begin(), job.header.end(),
                                    [&](const auto& value) { return value.first == key; });
    header[std::string(key)] = given == job.header.end() ? "" : given->second;
  }
  root["header"] = header;
  root["units"] = job.units;
  Json soil = Json::object();
  if (!job.layers.empty()) {
    Json layers = Json::array();
    for (const JobLayer& layer : job.layers) {
      Json one{{"rho", layer.rho}};
      if (!layer.h.empty()) one["h"] = layer.h;
      layers.push_back(one);
    }
    soil["layers"] = layers;
  }
  soil = ValuesJson(job.soil, soil);
  if (job.survey) soil["survey"] = TableJson(*job.survey);
  if (!soil.empty()) root["soil"] = soil;
  if (!job.tool.empty()) {
    Json electrode = ValuesJson(job.electrode, Json{{"tool", job.tool}});
    if (job.conductors) electrode["conductors"] = TableJson(*job.conductors);
    root["electrode"] = electrode;
    if (!job.safety.empty()) root["safety"] = ValuesJson(job.safety);
  }
  Json test = ValuesJson(job.test);
  if (job.readings) test["readings"] = TableJson(*job.readings);
  if (!test.empty()) root["test"] = test;
  std::string out;
  Write(root, 0, false, out);
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
  std::array<std::string, 3> parts;
  if (const auto layers = lookup("layers")) {
    const std::string text(*layers);
    const std::size_t first = text.find(',');
    const std::size_t second = text.find(',', first + 1);
    if (first != std::string::npos && second != std::string::npos) {
      parts = {text.substr(0, first), text.substr(first + 1, second - first - 1),
               text.substr(second + 1)};
    }
  } else if (lookup("rho1") && lookup("h") && lookup("rho2")) {
    parts = {std::string(*lookup("rho1")), std::string(*lookup("h")), std::string(*lookup("rho2"))};
  }
  if (!parts[0].empty()) job.layers = {{parts[0], parts[1]}, {parts[2], {}}};
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
