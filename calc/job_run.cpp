#include "calc/job_run.h"

#include <algorithm>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "calc/summary.h"
#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// A cell as a row holds it: nothing when blank.
std::optional<std::string> Cell(const JobTable& table, const std::vector<std::string>& row,
                                std::string_view column) {
  const auto at = std::find(table.columns.begin(), table.columns.end(), column);
  if (at == table.columns.end()) return std::nullopt;
  const std::string& text = row[static_cast<std::size_t>(at - table.columns.begin())];
  if (Trim(text).empty()) return std::nullopt;
  return text;
}

// A table of `columns`, those that hold a cell in some row, from each row's cells.
template <class Row, class Cells>
JobTable TableOf(std::span<const Row> rows, std::span<const std::string_view> columns,
                 Cells cells) {
  JobTable table;
  std::vector<bool> used(columns.size(), false);
  for (const Row& row : rows) {
    const auto of = cells(row);
    for (std::size_t c = 0; c < columns.size(); ++c) used[c] = used[c] || of[c].has_value();
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (used[c]) table.columns.emplace_back(columns[c]);
  }
  for (const Row& row : rows) {
    const auto of = cells(row);
    std::vector<std::string> kept;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (used[c]) kept.push_back(of[c].value_or(""));
    }
    table.rows.push_back(std::move(kept));
  }
  return table;
}

InputLookup LookupOf(const JobInputs& inputs) {
  return [&inputs](std::string_view name) -> std::optional<std::string_view> {
    const auto found = inputs.find(name);
    if (found == inputs.end()) return std::nullopt;
    return std::string_view(found->second);
  };
}

}  // namespace

ReadContext JobContext(const Job& job) {
  ReadContext context;
  ReadUnitChoice(job.units, context);
  context.prefix = "";
  return context;
}

bool TakesLayers(std::string_view tool) {
  const std::span<const Option> options = ToolOptions(tool);
  return std::any_of(options.begin(), options.end(),
                     [&](const Option& o) { return o.name == "rho" && !o.required; });
}

namespace {

Status Worse(Status a, Status b) {
  const auto rank = [](Status s) {
    return s == kBadInput ? 3 : s == kNoAnswer ? 2 : s == kFailed ? 4 : 1;
  };
  return rank(a) >= rank(b) ? a : b;
}

Why InPart(const char* part, const Why& why) {
  Why named = why;
  named.text = std::string(part) + ": " + why.text;
  return named;
}

}  // namespace

std::vector<SurveyRow> SurveyRows(const JobTable& table) {
  std::vector<SurveyRow> rows;
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    const auto& cells = table.rows[i];
    SurveyRow row;
    row.line = static_cast<long>(i + 1);
    for (const SurveyColumn& column : kSurveyRowColumns) row.*column.cell = Cell(table, cells, column.name);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<FallRow> FallRows(const JobTable& table) {
  std::vector<FallRow> rows;
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    FallRow row;
    row.line = static_cast<long>(i + 1);
    row.distance = Cell(table, table.rows[i], "distance");
    row.reading = Cell(table, table.rows[i], "reading");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<ConductorRow> ConductorRows(const JobTable& table) {
  std::vector<ConductorRow> rows;
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    ConductorRow row;
    row.line = static_cast<long>(i + 1);
    for (std::size_t c = 0; c < kConductorColumns.size(); ++c) {
      row.cells[c] = Cell(table, table.rows[i], kConductorColumns[c]);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

JobTable SurveyTable(std::span<const SurveyRow> rows) {
  return TableOf(rows, SurveyColumns(), [](const SurveyRow& row) {
    // In SurveyColumns' order, which is kSurveyRowColumns'.
    std::array<std::optional<std::string>, kSurveyRowColumns.size()> cells;
    for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = row.*kSurveyRowColumns[c].cell;
    return cells;
  });
}

JobTable FallTable(std::span<const FallRow> rows) {
  return TableOf(rows, FallTestColumns(), [](const FallRow& row) {
    return std::array{row.distance, row.reading};
  });
}

JobTable ConductorTable(std::span<const ConductorRow> rows) {
  return TableOf(rows, std::span<const std::string_view>(kConductorColumns),
                 [](const ConductorRow& row) { return row.cells; });
}

std::optional<std::vector<JobLayer>> SurveyModel(const Survey& survey, std::string_view tool,
                                                 std::vector<std::string>& notes) {
  const JsonValue* use = survey.outcome.Field("use");
  const JsonValue* uniform = survey.outcome.Field("uniform_ohm_cm");
  const auto text = [](const JsonValue* value) {
    const auto* s = value != nullptr ? std::get_if<std::string>(&value->variant()) : nullptr;
    return s != nullptr ? *s : std::string();
  };
  // Three layers and more lead: the solver's tools stand in them.
  const JsonValue* model = survey.outcome.Field("model");
  const JsonValue* value = model != nullptr ? model->Find("value") : nullptr;
  const std::string leading = text(value);
  const std::vector<std::string_view> parts = SplitParts(leading, ',');
  if (parts.size() > 3 &&
      std::find(kSolverTools.begin(), kSolverTools.end(), tool) != kSolverTools.end()) {
    std::vector<JobLayer> layers;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
      layers.push_back({std::string(parts[i]), i + 1 < parts.size() ? std::string(parts[i + 1]) : ""});
    }
    notes.push_back("the soil is the survey's " + std::to_string(layers.size()) +
                    " layers, which lead: " + leading);
    return layers;
  }
  if (use != nullptr && use->Find("rho1") != nullptr && TakesLayers(tool)) {
    const std::vector<JobLayer> layers{{text(use->Find("rho1")), text(use->Find("h"))},
                                       {text(use->Find("rho2")), {}}};
    notes.push_back("the soil is the survey's two layers: " + layers[0].rho + " to " + layers[0].h +
                    ", then " + layers[1].rho);
    return layers;
  }
  const auto* ohmCm = uniform != nullptr ? std::get_if<double>(&uniform->variant()) : nullptr;
  if (ohmCm == nullptr) return std::nullopt;
  const std::string rho = use != nullptr && use->Find("rho") != nullptr
                              ? text(use->Find("rho"))
                              : FormatNumber(*ohmCm) + "ohm-cm";
  notes.push_back(
      "the soil is the survey's uniform soil, " +
      (use != nullptr && use->Find("rho") != nullptr ? rho
                                                     : FormatDouble("%.0f", *ohmCm) + " ohm-cm") +
      (use != nullptr && use->Find("rho1") != nullptr ? ": the calculation takes uniform soil only"
                                                      : ""));
  return std::vector<JobLayer>{{rho, {}}};
}

Result<JobResults> RunJobParts(const Job& job, const Progress& progress, const WorkBounds& bounds) {
  JobResults results;
  const ReadContext context = JobContext(job);
  if (job.survey) {
    Result<Survey> survey = CalculateSurvey(SurveyRows(*job.survey), context, "soil's survey row");
    if (!survey) return InPart("soil", survey.Failed());
    results.status =
        Worse(results.status, survey->rejected.empty() ? survey->outcome.status() : kBadInput);
    results.soil = *std::move(survey);
  }
  Job used = job;
  if (used.layers.empty() && results.soil && !used.tool.empty()) {
    auto model = SurveyModel(*results.soil, used.tool, results.notes);
    if (!model) return Refused("electrode: the survey gives no model of the soil to stand in");
    used.layers = *std::move(model);
  }
  if (!used.tool.empty()) {
    Result<JobInputs> inputs = ElectrodeInputs(used);
    OSTREVIN_PASS_ON(inputs);
    const InputLookup lookup = LookupOf(*inputs);
    Result<Outcome> outcome =
        used.tool == "electrodes"
            ? CalculateElectrodes(
                  job.conductors ? ConductorRows(*job.conductors) : std::vector<ConductorRow>{},
                  lookup, context, progress, "electrode's conductor row", bounds)
            : Calculate(*FindCalculation(used.tool), lookup, context, progress, bounds);
    if (!outcome) return InPart("electrode", outcome.Failed());
    results.status = Worse(results.status, outcome->status());
    results.electrode = *std::move(outcome);
    results.model = used.layers;
  }
  if (job.readings) {
    Result<JobInputs> inputs = TestInputs(used);
    OSTREVIN_PASS_ON(inputs);
    // The design's resistance set beside the measured one, unless the test names its own.
    if (results.electrode && results.electrode->value && results.electrode->unit == "ohms" &&
        !inputs->contains("design-ohms") && !inputs->contains("length")) {
      (*inputs)["design-ohms"] = FormatNumber(*results.electrode->value);
      results.notes.push_back("the field test is set beside the design's " +
                              ShowOhms(*results.electrode->value) + " ohms");
    }
    Result<FallTest> test = CalculateFallTest(FallRows(*job.readings), LookupOf(*inputs), context,
                                              "test's reading row");
    if (!test) return InPart("test", test.Failed());
    results.status =
        Worse(results.status, test->rejected.empty() ? test->outcome.status() : kBadInput);
    results.test = *std::move(test);
  }
  if (!results.soil && !results.electrode && !results.test) {
    return Refused("$: the job holds nothing to compute (no survey, electrode or field test)");
  }
  return results;
}

std::string JobResultsJson(const JobResults& results) {
  std::string parts;
  const auto add = [&](const char* name, const Outcome& outcome) {
    parts += std::string(parts.empty() ? "" : ",") + "\"" + name + "\":" + ToJson(outcome);
  };
  if (results.soil) add("soil", results.soil->outcome);
  if (results.electrode) add("electrode", *results.electrode);
  if (results.test) add("test", results.test->outcome);
  return R"({"format":"ostrevin-results","results":{)" + parts +
         "},\"notes\":" + ToJson(JsonValue(results.notes)) + "}";
}

std::string JobResultsText(const JobResults& results, const std::vector<SummaryRow>& criteria) {
  const Outcome* lead = results.electrode  ? &*results.electrode
                        : results.soil     ? &results.soil->outcome
                        : results.test     ? &results.test->outcome
                                           : nullptr;
  std::string text;
  if (lead != nullptr) {
    const std::string whole = ToText(*lead);
    text = whole.substr(0, whole.find('\n')) + "\n";
  }
  if (Judges(criteria)) text += SummaryText(criteria) + "\n";
  const auto add = [&](const std::string& heading, const Outcome& outcome) {
    text += "\n-- " + heading + " --\n" + ToText(outcome) + "\n";
  };
  if (results.soil) add("soil", results.soil->outcome);
  if (results.electrode) add("electrode (" + results.electrode->command + ")", *results.electrode);
  if (results.test) add("field test", results.test->outcome);
  return text;
}

}  // namespace ostrevin::calc
