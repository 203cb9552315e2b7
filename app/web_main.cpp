// The calculator's entry point in a web page: the window's form in the
// page's window, and the library of calculations for the page's tools. A
// page has no modal loop, so the form is opened (Create) and lives as long
// as the page; the page's script passes clicks, keys and the prompt's
// dismissal in through the functions bound here, and runs the tools through
// them (in a worker too, where there is no form).
//
// Inputs cross as JavaScript values (an object of field texts, a list of
// rows), answers as JSON made by the library, so that an update crosses once
// each way.
#include <emscripten.h>
#include <emscripten/bind.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "calc/calculations.h"
#include "calc/page_job.h"
#include "calc/page_tables.h"
#include "calc/tools.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"
#include "form/calculator_dlg.h"
#include "framework/web/web_window.h"
#include "res/resource.h"

namespace {

using namespace ostrevin;

// The page's language's decimal and thousands marks (Intl.NumberFormat), kept here.
std::string decimalMark = ".";
std::string groupMark = ",";
calc::NumberMarks Marks() { return {decimalMark, groupMark}; }

std::string_view NameOf(int id) {
  for (const ControlName& control : kControlNames) {
    if (control.id == id) return control.name;
  }
  return {};
}

int IdOf(const std::string& name) {
  for (const ControlName& control : kControlNames) {
    if (control.name == name) return control.id;
  }
  return 0;
}

using emscripten::val;

// A JavaScript object of field texts ({rho: "2000", ...}) as the library takes them.
calc::FieldTexts FieldsOf(const val& object) {
  calc::FieldTexts fields;
  const val entries = val::global("Object").call<val>("entries", object);
  const int count = entries["length"].as<int>();
  for (int i = 0; i < count; ++i) {
    const val entry = entries[i];
    fields.emplace_back(entry[0].as<std::string>(), entry[1].as<std::string>());
  }
  return fields;
}

// A JavaScript list of a table's rows, each N cells.
template <std::size_t N>
std::vector<std::array<std::string, N>> TableRowsOf(const val& list) {
  std::vector<std::array<std::string, N>> rows;
  const int count = list["length"].as<int>();
  for (int i = 0; i < count; ++i) {
    const val row = list[i];
    std::array<std::string, N> cells;
    for (std::size_t k = 0; k < cells.size(); ++k) cells[k] = row[static_cast<int>(k)].as<std::string>();
    rows.push_back(cells);
  }
  return rows;
}

std::optional<fw::web::WebWindowSystem> windows;
std::optional<CKelmoraDlg> calculator;

fw::web::WebDialogWindow* Window() { return windows ? windows->Current() : nullptr; }

// Why the form shows "na": its own calculation asked of the library.
std::string FormReason() {
  if (!calculator || calculator->m_resultText != "na") return {};
  const bool length = calculator->m_calcType == Length;
  const std::string rho = FormatNumber(calculator->m_rho);
  const std::string diameter = FormatNumber(calculator->m_rodDiameter);
  const std::string third =
      FormatNumber(length ? calculator->m_targetResistance : calculator->m_rodLength);
  const calc::InputLookup lookup = [&](std::string_view name) -> std::optional<std::string_view> {
    if (name == "rho") return rho;
    if (name == "diameter") return diameter;
    if (name == (length ? "target" : "length")) return third;
    return std::nullopt;
  };
  const Result<calc::Outcome> result =
      calc::Calculate(*calc::FindCalculation(length ? "length" : "resistance"), lookup,
                      calc::ReadContext{UnitSystemOf(calculator->m_units)});
  return result ? result->why : std::string();
}

// A click on the form's control of that name, or a command (Enter's IDOK,
// Escape's IDCANCEL); the reason when the result is "na".
std::string Click(const std::string& name) {
  if (Window() == nullptr) return {};
  Window()->Click(IdOf(name));
  return FormReason();
}
std::string Command(int id) {
  if (Window() == nullptr) return {};
  Window()->Command(id);
  return FormReason();
}
void PromptClosed() {
  if (Window() != nullptr) Window()->PromptClosed();
}

void SetNumberMarks(const std::string& decimal, const std::string& group) {
  decimalMark = decimal;
  groupMark = group;
}

std::string DescribeTools() { return calc::DescribeTools(); }

// A JavaScript function told how far long work has come (the worker posts
// it to the page), at most every hundredth; none when not a function.
Progress ProgressOf(const val& tell) {
  if (tell.typeOf().as<std::string>() != "function") return {};
  return [tell, last = -1.0](double done) mutable {
    if (done < 1 && done - last < 0.01) return;
    last = done;
    tell(done);
  };
}

// `units` 0 English, 1 Metric; 2 Metric with a resistivity found given in ohm-m.
// `width`: the pixels the tool's drawings are shown at.
std::string RunTool(const std::string& tool, const val& inputs, int units, const val& progress,
                    int width) {
  return calc::RunTool(tool, FieldsOf(inputs), UnitSystemOf(units), Marks(), ProgressOf(progress),
                       units == 2, width);
}


std::string RunElectrodes(const val& rows, const val& inputs, int units, const val& progress,
                          int width) {
  return calc::RunElectrodes(TableRowsOf<7>(rows), FieldsOf(inputs), UnitSystemOf(units), Marks(),
                             ProgressOf(progress), width);
}

std::string RunFallTest(const val& rows, const val& inputs, int units, int chartWidth) {
  return calc::RunFallTest(TableRowsOf<2>(rows), FieldsOf(inputs), UnitSystemOf(units), Marks(),
                           chartWidth);
}

std::string RunSurvey(const val& rows, int units, int chartWidth) {
  return calc::RunSurvey(TableRowsOf<4>(rows), UnitSystemOf(units), Marks(), chartWidth, units == 2);
}

// A JavaScript list of a table's rows, each a list of cells.
calc::TableTexts TableTextsOf(const val& list) {
  calc::TableTexts rows;
  const int count = list["length"].as<int>();
  for (int i = 0; i < count; ++i) rows.push_back(emscripten::vecFromJSArray<std::string>(list[i]));
  return rows;
}

std::string ToolAddress(const std::string& tool, const val& inputs, const val& rows, int units) {
  return calc::ToolAddress(tool, FieldsOf(inputs), UnitSystemOf(units), Marks(), TableTextsOf(rows));
}

std::string ReadToolAddress(const std::string& tool, const std::string& query) {
  return calc::ReadToolAddress(tool, query, Marks());
}

std::string PageText(const std::string& text) { return calc::PageText(text, Marks()); }

// Rows pasted or from a CSV file (or, for the electrodes, a DXF drawing
// read with the tool's inputs) for a tool's table.
std::string ReadPageTable(const std::string& tool, const std::string& text, const std::string& name,
                          const val& inputs, int units) {
  return calc::ReadPageTable(tool, text, name, Marks(), FieldsOf(inputs), UnitSystemOf(units));
}

// The job files: a tool's inputs saved, a job opened as a tool's address, a job's report.
std::string JobOfTool(const std::string& tool, const val& inputs, const val& rows, int units,
                      const val& header) {
  return calc::JobOfTool(tool, FieldsOf(inputs), TableTextsOf(rows), UnitSystemOf(units), Marks(),
                         FieldsOf(header));
}

std::string ToolOfJob(const std::string& text) { return calc::ToolOfJob(text); }

std::string ReportOfJob(const std::string& text, const std::string& program, const val& progress) {
  return calc::ReportOfJob(text, program, ProgressOf(progress));
}

}  // namespace

EMSCRIPTEN_BINDINGS(ostrevin) {
  emscripten::function("click", &Click);
  emscripten::function("command", &Command);
  emscripten::function("promptClosed", &PromptClosed);
  emscripten::function("setNumberMarks", &SetNumberMarks);
  emscripten::function("describeTools", &DescribeTools);
  emscripten::function("runTool", &RunTool);
  emscripten::function("runSurvey", &RunSurvey);
  emscripten::function("runElectrodes", &RunElectrodes);
  emscripten::function("runFallTest", &RunFallTest);
  emscripten::function("toolAddress", &ToolAddress);
  emscripten::function("readToolAddress", &ReadToolAddress);
  emscripten::function("pageText", &PageText);
  emscripten::function("readPageTable", &ReadPageTable);
  emscripten::function("jobOfTool", &JobOfTool);
  emscripten::function("toolOfJob", &ToolOfJob);
  emscripten::function("reportOfJob", &ReportOfJob);
}

int main() {
  // In a worker there is no page to hold a form: only the tools run there.
  if (EM_ASM_INT({ return typeof document === 'undefined' ? 0 : 1; }) == 0) return 0;
  // The page's numbers in the form's edits: read as the page's language
  // writes them, written back with its decimal mark.
  windows.emplace(
      &NameOf, [](std::string_view text) { return calc::CommandLineText("rho", text, Marks()); },
      [](std::string_view text) { return calc::PageText(text, Marks()); });
  calculator.emplace();
  calculator->Create(*windows);
  return 0;
}
