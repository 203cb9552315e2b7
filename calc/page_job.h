// The page's job file: a tool's inputs saved as a job, a job opened as a
// tool's address, and a job's report, all as JSON for the page's script.
#pragma once

#include <string>
#include <string_view>

#include "calc/tools.h"

namespace ostrevin::calc {

// The tool's fields and rows (as typed, with the page's marks) as a job
// file, with the header's fields (job, site, engineer, checked-by,
// revision, date, notes):
//   {"job": "{\n  \"format\": ...}\n", "file": "Substation-4.ostrevin.json"}
// or {"error": "..."} for a tool that is no design (a single reading).
std::string JobOfTool(std::string_view tool, const FieldTexts& inputs, const TableTexts& rows,
                      UnitSystem units, const NumberMarks& marks, const FieldTexts& header);

// A job file opened: the tool that shows it and that tool's address, the
// header's fields, and what the tool cannot show (a survey beside a grid):
//   {"tool": "safety", "query": "fault-current=...", "header": {"job": ...},
//    "left": ["the survey (run the job on the command line: job run)"]}
// or {"error": "$.electrode.depth: ..."} as the command line refuses it.
std::string ToolOfJob(std::string_view text);

// A job file's report as one self-contained HTML file (the page's bounds on
// the work): {"html": "<!DOCTYPE html>...", "file": "Substation-4-report.html"}
// or {"error": "..."}.
std::string ReportOfJob(std::string_view text, const std::string& program,
                        const Progress& progress = {});

}  // namespace ostrevin::calc
