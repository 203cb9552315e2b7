// A job's work: every part its file holds computed as its own tool would,
// the survey's model carried on to the electrode and the electrode's
// resistance to the field test, so that no value is copied by hand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calc/fall_test.h"
#include "calc/job.h"
#include "calc/soil_survey.h"
#include "calc/summary.h"

namespace ostrevin::calc {

struct JobResults {
  std::optional<Survey> soil;        // with a survey
  std::optional<Outcome> electrode;  // with a tool
  // The soil's model the electrode stood in, as the job or its survey gave
  // it (none without an electrode).
  std::vector<JobLayer> model;
  std::optional<FallTest> test;      // with readings
  // What was carried between the parts ("the electrode stands in the
  // survey's two layers: ..."), said beside the results.
  std::vector<std::string> notes;
  // The exit status: the worst of the parts' (a refused row, "na").
  Status status = kAnswered;
};

// The job's tables as the tools' rows, each named by its place in the job
// ("$.soil.survey.rows[2]" is row 3 of "survey row").
std::vector<SurveyRow> SurveyRows(const JobTable& table);
std::vector<FallRow> FallRows(const JobTable& table);
std::vector<ConductorRow> ConductorRows(const JobTable& table);
// And back: a tool's rows as a job's table, with the columns that hold a cell.
JobTable SurveyTable(std::span<const SurveyRow> rows);
JobTable FallTable(std::span<const FallRow> rows);
JobTable ConductorTable(std::span<const ConductorRow> rows);

// The model a survey gives the electrode's tool: the count that leads
// when three or more do and the tool is the solver's, else its two layers,
// or the uniform soil where the fit prefers it or the tool takes no layers
// (a note says which); nothing when the survey gives no model.
std::optional<std::vector<JobLayer>> SurveyModel(const Survey& survey, std::string_view tool,
                                                 std::vector<std::string>& notes);

// The context a job's values are read in: its units (english, metric or
// si), options named without "--".
ReadContext JobContext(const Job& job);

// Whether a tool stands in layers: one whose resistivity must be given (a
// plate, an encased rod) takes uniform soil only.
bool TakesLayers(std::string_view tool);

// Every part of the job; refused when a part's inputs are (the message
// names the part: "electrode: --size is missing").
Result<JobResults> RunJobParts(const Job& job, const Progress& progress = {},
                               const WorkBounds& bounds = {});

// The results as one JSON object: {"format": "ostrevin-results", "results":
// {"soil": ..., "electrode": ..., "test": ...}}, each the tool's own JSON.
std::string JobResultsJson(const JobResults& results);
// The same as text: line 1 the job's answer (the electrode's, else the
// soil's, else the test's, as its command's line 1), then `criteria` and
// their verdict when any is judged (the report's summary), then each part
// as its command prints it, under a line naming it.
std::string JobResultsText(const JobResults& results, const std::vector<SummaryRow>& criteria = {});

}  // namespace ostrevin::calc
