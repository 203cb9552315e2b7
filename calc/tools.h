// The page's tools: each a calculation of the table (or the survey) shown as
// a form of its own at an address of its own (#check). The fields, their
// labels, units, ranges and help, the messages and the results all come
// from the library; the page only lays them out. Everything crosses to the
// page as JSON, one call an update.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calc/number_reading.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {

// A field of a tool, shown when `layouts` is empty or holds the layout chosen.
struct ToolField {
  std::string_view name;  // the option (or batch column) name
  std::vector<std::string_view> layouts = {};
};

struct Tool {
  std::string_view id;           // "check": the address #check
  std::string_view title;        // "25-ohm check"
  std::string_view calculation;  // the calculation it runs; "" for the survey
  std::vector<ToolField> fields;
  std::string_view summary;  // a line under the title
  std::string_view formula;  // the formula and its source, for the printed record
};

std::span<const Tool> Tools();

// Every tool and its fields as JSON: for each field its label, kind
// (number, count, choice, text), unit and range in both unit systems, help
// and example; the number marks are the page's.
std::string DescribeTools();

// One update of a tool: the inputs as name and text in turn ("rho", "2000",
// "diameter", "0,625"), read with the page's marks and unit system; blank
// texts are inputs not given. The answer as JSON:
//   {"errors":{"rho":"Soil resistivity needs ..."}}  a field refused, or
//   {"error":"..."}                                  the inputs together refused, or
//   {"result":"17.868","unit":"ohms","value":"17.868","text":[...],
//    "warnings":[...],"notes":[...],"reason":"...","json":{...}}
// where value is the command line's --json main value.
std::string RunTool(std::string_view tool, std::span<const std::string> inputs, UnitSystem units,
                    const NumberMarks& marks);

// The survey tool: each row's spacing, reading (ohms) and depth in turn.
// The answer as RunTool's, with "svg" (the chart) and "rejected" (messages
// naming the row).
std::string RunSurvey(std::span<const std::string> rows, UnitSystem units, const NumberMarks& marks);

// A tool's inputs (as RunTool takes them) as the query of its address, with
// the command line's option names and texts: "diameter=0.625&rho=2000&units=metric";
// rho1, h and rho2 together as layers=RHO1,H,RHO2.
std::string ToolAddress(std::span<const std::string> inputs, UnitSystem units, const NumberMarks& marks);

// A field's text as the command line writes it: the number with a point and
// its unit kept ("0,625" on a German page is "0.625", "16 mm" is "16mm"); the
// text unchanged when it is no number.
std::string CommandLineText(std::string_view name, std::string_view text, const NumberMarks& marks);

// A plain number written with the page's decimal mark ("0.625" -> "0,625").
std::string PageText(std::string_view text, const NumberMarks& marks);

}  // namespace ostrevin::calc
