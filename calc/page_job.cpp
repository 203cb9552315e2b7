#include "calc/page_job.h"

#include <algorithm>
#include <cctype>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "calc/job_run.h"
#include "calc/report.h"
#include "calc/text.h"

namespace ostrevin::calc {

namespace {

std::string Error(const std::string& message) { return ToJson(JsonObject{{"error", message}}); }

const Tool* ToolNamed(std::string_view id) {
  const auto tools = Tools();
  const auto found =
      std::find_if(tools.begin(), tools.end(), [&](const Tool& t) { return t.id == id; });
  return found == tools.end() ? nullptr : &*found;
}

// A file name from the job's name: letters, digits and dashes.
std::string FileName(const JobValues& header, std::string_view ending) {
  std::string name;
  for (const auto& [key, value] : header) {
    if (key != "job") continue;
    for (const char c : value) {
      const bool plain = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
      if (plain)
        name += c;
      else if (!name.empty() && name.back() != '-')
        name += '-';
    }
  }
  while (!name.empty() && name.back() == '-') name.pop_back();
  return (name.empty() ? std::string("job") : name) + std::string(ending);
}

// A table of the page's rows (cells as typed) with the tool's columns.
JobTable TableOfRows(std::span<const std::string_view> columns, const TableTexts& rows,
                     const NumberMarks& marks) {
  JobTable table;
  table.columns.assign(columns.begin(), columns.end());
  for (const auto& row : rows) {
    std::vector<std::string> cells;
    bool any = false;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      cells.push_back(c < row.size() ? NumberText(Trim(row[c]), marks) : std::string());
      any = any || !cells.back().empty();
    }
    if (any) table.rows.push_back(std::move(cells));
  }
  return table;
}

}  // namespace

std::string JobOfTool(std::string_view toolId, const FieldTexts& inputs, const TableTexts& rows,
                      UnitSystem units, const NumberMarks& marks, const FieldTexts& header) {
  std::map<std::string, std::string, std::less<>> given;
  for (const auto& [name, text] : inputs) {
    if (!Trim(text).empty()) given[name] = CommandLineText(name, text, marks);
  }
  const InputLookup lookup = [&given](std::string_view name) -> std::optional<std::string_view> {
    const auto found = given.find(name);
    if (found == given.end()) return std::nullopt;
    return std::string_view(found->second);
  };
  const std::string system(UnitsName(units));
  Job job;
  if (toolId == "rod") {
    job = JobFromInputs(given.contains("length") ? "resistance" : "length", lookup, system);
  } else if (toolId == "survey") {
    job.units = system;
    job.survey = TableOfRows(kPageSurveyColumns, rows, marks);
  } else if (toolId == "test" || toolId == "electrodes") {
    job = JobFromInputs(toolId, lookup, system);
    const JobTable table = TableOfRows(
        toolId == "test" ? FallTestColumns() : std::span<const std::string_view>(kConductorColumns),
        rows, marks);
    (toolId == "test" ? job.readings : job.conductors) = table;
  } else {
    const Tool* tool = ToolNamed(toolId);
    if (tool == nullptr || tool->calculation.empty() || tool->calculation == "rho") {
      return Error(
          "A single reading is no design to save: save a job from an electrode's tool, "
          "the survey or the field test.");
    }
    job = JobFromInputs(tool->calculation, lookup, system);
  }
  for (const std::string_view key : JobHeaderKeys()) {
    for (const auto& [name, text] : header) {
      if (name == key && !Trim(text).empty()) job.header.emplace_back(name, text);
    }
  }
  return ToJson(
      JsonObject{{"job", WriteJob(job)}, {"file", FileName(job.header, ".ostrevin.json")}});
}

std::string ToolOfJob(std::string_view text) {
  const Result<Job> read = ReadJob(text);
  if (!read) return Error(read.why());
  const Job& job = *read;
  FieldTexts fields;
  TableTexts rows;
  std::string tool;
  std::vector<std::string> left;
  const auto add = [&](const JobValues& values) {
    for (const auto& [name, value] : values) fields.emplace_back(name, value);
  };
  const auto cells = [&](const JobTable& table, std::span<const std::string_view> columns) {
    for (const auto& row : table.rows) {
      std::vector<std::string> kept;
      for (const std::string_view column : columns) {
        const auto at = std::find(table.columns.begin(), table.columns.end(), column);
        kept.push_back(at == table.columns.end()
                           ? ""
                           : row[static_cast<std::size_t>(at - table.columns.begin())]);
      }
      rows.push_back(std::move(kept));
    }
  };
  if (!job.tool.empty()) {
    const bool safety = std::any_of(job.safety.begin(), job.safety.end(),
                                    [](const auto& v) { return v.first == "fault-current"; });
    tool = job.tool == "resistance" || job.tool == "length" ? "rod"
           : job.tool == "grid" && safety                   ? "safety"
                                                            : job.tool;
    if (tool != "electrodes" && tool != "rod") {
      const auto tools = Tools();
      const Tool* found = ToolNamed(tool);
      if (found == nullptr) {
        const auto of = std::find_if(tools.begin(), tools.end(),
                                     [&](const Tool& t) { return t.calculation == job.tool; });
        found = of == tools.end() ? nullptr : &*of;
      }
      if (found == nullptr)
        return Error("The page has no tool for " + job.tool + ": run the job on the command line.");
      tool = std::string(found->id);
    }
    if (job.layers.size() == 1) fields.emplace_back("rho", job.layers[0].rho);
    if (job.layers.size() == 2) {
      fields.insert(
          fields.end(),
          {{"rho1", job.layers[0].rho}, {"h", job.layers[0].h}, {"rho2", job.layers[1].rho}});
    }
    if (job.layers.size() > 2) {
      // Three layers and more: the solver's tools' table of layers.
      const Tool* found = ToolNamed(tool);
      const bool takes = found != nullptr && std::any_of(found->fields.begin(), found->fields.end(),
                                                         [](const ToolField& f) { return f.name == "layers"; });
      if (!takes) return Error("$.soil.layers: the page's " + tool + " tool takes one or two layers");
      std::string layers;
      for (const JobLayer& layer : job.layers) {
        layers += (layers.empty() ? "" : ",") + layer.rho + (layer.h.empty() ? "" : "," + layer.h);
      }
      fields.emplace_back("layers", layers);
    }
    add(job.soil);
    add(job.electrode);
    add(job.safety);
    if (job.conductors) cells(*job.conductors, kConductorColumns);
    if (job.survey) left.emplace_back("the survey");
    if (job.readings) left.emplace_back("the field test");
  } else if (job.survey) {
    tool = "survey";
    for (const std::string& column : job.survey->columns) {
      if (std::find(kPageSurveyColumns.begin(), kPageSurveyColumns.end(), column) == kPageSurveyColumns.end()) {
        return Error("$.survey: the page's survey has no " + column +
                     " column: a survey of other arrays or of several lines runs on the command line");
      }
    }
    cells(*job.survey, kPageSurveyColumns);
    if (job.readings) left.emplace_back("the field test");
  } else if (job.readings) {
    tool = "test";
    add(job.test);
    cells(*job.readings, FallTestColumns());
  } else {
    return Error("$: the job holds nothing the page can show");
  }
  if (tool == "test" && !job.tool.empty()) add(job.test);
  ReadContext context;
  ReadUnitChoice(job.units, context);
  JsonObject header;
  for (const auto& [key, value] : job.header) header.emplace_back(key, value);
  return ToJson(JsonObject{{"tool", tool},
                           {"query", ToolAddress(tool, fields, context.units, NumberMarks{}, rows)},
                           {"header", std::move(header)},
                           {"left", JsonValue(left)}});
}

std::string ReportOfJob(std::string_view text, const std::string& program,
                        const Progress& progress) {
  const Result<Job> job = ReadJob(text);
  if (!job) return Error(job.why());
  const Result<JobResults> results = RunJobParts(*job, progress, kPageBounds);
  if (!results) return Error(results.why());
  const JobReport report = MakeReport(*job, *results, program);
  return ToJson(JsonObject{{"html", report.html}, {"file", FileName(job->header, "-report.html")}});
}

}  // namespace ostrevin::calc
