// The page's tools: each a calculation of the table (or the survey) shown as
// a form of its own at an address of its own (#check). The fields, their
// labels, units, ranges and help, the messages and the results all come
// from the library; the page only lays them out. Everything crosses to the
// page as JSON, one call an update.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/number_reading.h"
#include "core/earth_solver.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {

// A field of a tool, shown when `when` is empty or holds the choice made in
// the field `of` (a group's layout, a grid's shape).
struct ToolField {
  std::string_view name;  // the option (or batch column) name
  std::vector<std::string_view> when = {};
  std::string_view of = "layout";
};

struct Tool {
  std::string_view id;           // "check": the address #check
  std::string_view title;        // "25-ohm check"
  std::string_view calculation;  // the calculation it runs; "" for the survey
  std::vector<ToolField> fields;
  std::string_view summary;  // a line under the title
  std::string_view formula;  // the formula and its source, for the printed record
  // A tool with a table of rows (the survey's readings): the address's
  // parameter that carries them, and the cells a row has.
  std::string_view table{};
  std::size_t columns = 0;
};

std::span<const Tool> Tools();

// A field's name and the text typed into it, in the order of the page.
using FieldTexts = std::vector<std::pair<std::string, std::string>>;
// A table's rows as typed, each a list of cells.
using TableTexts = std::vector<std::vector<std::string>>;

// Every tool and its fields as JSON: for each field its label, kind
// (number, count, choice, text), unit and range in both unit systems, help
// and example, and the choices a choice offers; the survey's columns; the
// bounds of addresses and tables.
std::string DescribeTools();

// One update of a tool: the fields' texts, read with the page's marks and
// unit system; blank texts are inputs not given, fields of other tools are
// left alone. The answer as JSON:
//   {"errors":{"rho":"Soil resistivity needs ..."}}  a field refused, or
//   {"error":"..."}                                  the inputs together refused, or
//   {"result":"17.868","unit":"ohms","value":"17.868","valueKey":"ohms","text":[...],
//    "warnings":[...],"notes":[...],"reason":"...","json":{...}}
// where value is the command line's --json main value (as text, in full).
// An electrode's answer has "plan" and, with a current, "map" and "touch":
// SVG drawings made for `drawingWidth` pixels (0: the desk's size). A
// judged answer has "summary" (its criteria) and "verdict" (in words).
// The work is bounded as the page's (kPageBounds); `progress` is told how
// far a long one has come. A resistivity found is given in ohm-m with
// `answerOhmMetres` (the page's resistivity picked in ohm-m).
std::string RunTool(std::string_view tool, const FieldTexts& inputs, UnitSystem units,
                    const NumberMarks& marks, const Progress& progress = {},
                    bool answerOhmMetres = false, int drawingWidth = 0);

// The survey tool: each row's spacing, reading (ohms) and depth. At most
// kMaxSurveyRows rows; the chart drawn for `chartWidth` pixels (FitChart);
// the resistivities in ohm-m with `answerOhmMetres`.
// The answer as RunTool's, with "svg" (the chart), "table" (the readings
// against the model: {"columns":[...],"rows":[[...]]}, apart from "text"),
// "rejected" (messages naming the row) and "use" (the soil for the rod
// tools: the texts of rho, or of rho1, h and rho2).
// The page's survey table's columns, in its order: the rows RunSurvey takes.
inline constexpr std::array<std::string_view, 4> kPageSurveyColumns{"spacing", "reading", "depth",
                                                                    "rho"};
std::string RunSurvey(const std::vector<std::array<std::string, 4>>& rows, UnitSystem units,
                      const NumberMarks& marks, int chartWidth = 0, bool answerOhmMetres = false);

// The electrodes tool: each row's seven cells (x1, y1, z1, x2, y2, z2,
// diameter) and the tool's fields (the soil, the current). At most
// kMaxTableRows rows. The answer as RunTool's.
std::string RunElectrodes(const std::vector<std::array<std::string, 7>>& rows,
                          const FieldTexts& inputs, UnitSystem units, const NumberMarks& marks,
                          const Progress& progress = {}, int drawingWidth = 0);

// The fall-of-potential test tool: each row's distance and reading, and the
// tool's fields (the current probe's distance, the electrode's largest
// dimension, the design's resistance). At most kMaxTableRows rows. The
// answer as RunSurvey's, without "use".
std::string RunFallTest(const std::vector<std::array<std::string, 2>>& rows,
                        const FieldTexts& inputs, UnitSystem units, const NumberMarks& marks,
                        int chartWidth = 0);

// A tool's inputs as the query of its address, with the command line's
// option names and texts: "diameter=0.625&rho=2000&units=metric"; rho1, h
// and rho2 together as layers=RHO1,H,RHO2. A tool with a table has its
// rows in one parameter, compact: readings=1,67;2,28;4,10.2,0.5 (cells as
// the command line's CSV takes them, blank rows and trailing blanks left out).
std::string ToolAddress(std::string_view tool, const FieldTexts& inputs, UnitSystem units,
                        const NumberMarks& marks, const TableTexts& rows = {});

// An address's query (after the "?") read for a tool (or "rod", the window's
// form: rho, diameter, length or target), as data: never more than
// kMaxAddressBytes, names of at most kMaxNameBytes, values of at most
// kMaxValueBytes. The answer as JSON:
//   {"units":"metric"|"english"|null,"soil":"layers"|"uniform"|null,
//    "fields":{"rho":"10000",...},"rows":[["1","67",""],...]|null,
//    "ignored":["bogus=1","rho (given twice)",...]}
// where the fields' and cells' texts are written with the page's decimal
// mark; rows is null without the tool's table parameter, and holds at most
// kMaxTableRows rows of the tool's cells (a row with more is ignored).
inline constexpr std::size_t kMaxAddressBytes = 16384;
// The most rows a page's table of readings holds (a survey of a site has tens).
inline constexpr std::size_t kMaxTableRows = 200;
inline constexpr std::size_t kMaxNameBytes = 32;
inline constexpr std::size_t kMaxValueBytes = 200;
std::string ReadToolAddress(std::string_view tool, std::string_view query,
                            const NumberMarks& marks);

// A field's text as the command line writes it: the number with a point and
// its unit kept ("0,625" on a German page is "0.625", "16 mm" is "16mm"); the
// text unchanged when it is no number.
std::string CommandLineText(std::string_view name, std::string_view text, const NumberMarks& marks);
// The same for any cell: a number with a point and its unit, else as typed.
std::string NumberText(std::string_view text, const NumberMarks& marks);

// A plain number written with the page's decimal mark ("0.625" -> "0,625").
std::string PageText(std::string_view text, const NumberMarks& marks);

}  // namespace ostrevin::calc
