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
#include "calc/summary.h"

namespace ostrevin::calc {

// The criteria of the job's results, in the report's order: the
// electrode's (summary.h), then the field test's measured resistance.
std::vector<SummaryRow> SummaryOf(const JobResults& results, const Job& job);

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
