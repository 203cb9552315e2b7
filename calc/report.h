// A job's report, as an engineer hands it in: the header, a summary of
// every criterion judged (value, limit, margin, pass or fail) and the
// verdict in words first; then the soil, the electrode, the fault and the
// voltages, the field test, the methods and standards with their clauses,
// the warnings, and a signature block. One HTML document, self-contained
// (drawings inline as SVG, no script), from which the PDF is made too.
#pragma once

#include <string>
#include <vector>

#include "calc/job_run.h"

namespace ostrevin::calc {

// One criterion of the summary. `limit` and `margin` are empty for a value
// that is not judged; `pass` is then "not judged".
struct SummaryRow {
  std::string quantity;  // "Touch voltage inside the grid"
  std::string value;     // "986.4 V"
  std::string limit;     // "837.6 V"
  std::string margin;    // "-17.8 %": the share of the limit left (negative when over)
  std::string pass;      // "pass", "fail" or "not judged"
};

// The criteria of the job's results, in the report's order: the resistance
// (against the target or the code's rule), the touch voltage inside, the
// step voltage, the touch voltage at the fence, the conductor's size.
std::vector<SummaryRow> SummaryOf(const JobResults& results, const Job& job);
// The verdict in words: every criterion met, or those that fail.
std::string VerdictOf(const std::vector<SummaryRow>& criteria);

struct ReportDrawing {
  std::string svg;
  int width = 0, height = 0;
};

struct JobReport {
  std::string html;     // the report with its drawings inline
  std::string pdfHtml;  // the same for the PDF's layout: each drawing an <img src="drawing:N">
  std::vector<ReportDrawing> drawings;
  std::vector<SummaryRow> summary;
  std::string paper;  // "a4" or "letter"
};

// The report of a job and its results; `paper` is "a4", "letter" or empty
// for the units' own (letter under English units, A4 otherwise);
// `program` names the program and its version ("ostrevin-calc 1.4.0").
JobReport MakeReport(const Job& job, const JobResults& results, const std::string& program,
                     const std::string& paper = {});

}  // namespace ostrevin::calc
