// Rows for one of the page's tables (the survey's readings, the field test's
// readings, the conductors) from text pasted from a spreadsheet or a CSV
// file picked or dropped on the page, read by the same reader as the
// command line's files: tab, comma or semicolon, decimal commas, quotes,
// the same messages with the line named.
//
// Text whose first line names at least one of the table's columns is a file
// with a header (columns in any order and case, others left alone); text
// whose first line names none is rows of the table's columns in the page's
// order, as many as the first row has (a spreadsheet's selection). A
// tab-separated text takes the decimal mark its cells show beyond doubt
// ("15,16" beside "15,915" makes both decimal commas); where they show
// none or both, each cell its own, and "1,500" is refused as ambiguous.
#pragma once

#include <string>
#include <string_view>

#include "calc/number_reading.h"

#include "calc/tools.h"

namespace ostrevin::calc {

// tool: "survey" (spacing, reading, depth, rho), "test" (distance, reading)
// or "electrodes" (x1, y1, z1, x2, y2, z2, diameter). name: what the text is
// in messages ("\"survey.csv\"", or empty for a paste, whose rows are
// "pasted row N"). The answer as JSON:
//   {"rows": [["1", "67", "", ""], ...], "problems": ["\"survey.csv\" line 4: ..."]}
// each cell a number written with the page's marks (and its unit, as
// typed) or blank; a row with a cell that is no number, or that cannot be
// read as a row, is left out and named in problems; at most kMaxTableRows
// rows, the rest said. {"error": "..."} when the text cannot be a table of
// this tool (no header column it needs, a column twice, nothing in it).
//
// Example: ReadPageTable("survey", "spacing\treading\n1\t67,5\n", "", {".", ","})
// gives {"rows":[["1","67.5","",""]],"problems":[]}.
//
// The electrodes tool's table may also come from a CAD drawing (a DXF, told
// by its content), read as the command line reads one (dxf_file.h) with the
// tool's `inputs` (its conductor's and rods' sizes, the drawing's depth and
// units) in `units`: its conductors the rows, what the reading did in
// "notes".
std::string ReadPageTable(std::string_view tool, std::string_view text, std::string_view name,
                          const NumberMarks& pageMarks, const FieldTexts& inputs = {},
                          UnitSystem units = UnitSystem::Metric);

}  // namespace ostrevin::calc
