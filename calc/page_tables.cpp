#include "calc/page_tables.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "calc/byte_source.h"
#include "calc/csv_reader.h"
#include "calc/dxf_file.h"
#include "calc/electrode_file.h"
#include "calc/electrodes.h"
#include "calc/json.h"
#include "calc/survey_file.h"
#include "calc/text.h"
#include "calc/tools.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr std::array<std::string_view, 2> kTestOrder{"distance", "reading"};

std::span<const std::string_view> ColumnsOf(std::string_view tool) {
  if (tool == "survey") return kPageSurveyColumns;
  if (tool == "test") return kTestOrder;
  if (tool == "electrodes") return kConductorColumns;
  return {};
}

// A row as the reader gave it: its line, its cells in the page's order, why it is unusable.
struct TextRow {
  long line = 0;
  std::vector<std::optional<std::string>> cells;
  std::string why;
};

// The rows of `text` read as the command line reads the tool's file.
Result<std::vector<TextRow>> ReadRows(std::string_view tool, const std::string& text,
                                      const std::string& name, NumberMarks& marks) {
  StringSource source(text);
  std::vector<TextRow> rows;
  if (tool == "survey") {
    SurveyFile file{std::nullopt, name, {}};
    Result<std::vector<SurveyRow>> read = ReadSurvey(source, file);
    OSTREVIN_PASS_ON(read);
    marks = file.marks;
    for (SurveyRow& row : *read) {
      // The page's table holds Wenner's spacings: another array's row is
      // said, not dropped of its electrodes.
      if (row.why.empty() && !IsWennerRow(row)) {
        row.why = "the page's survey takes Wenner's spacings: a survey of other arrays runs on the command "
                  "line (ostrevin-calc soil)";
      }
      rows.push_back({row.line, {row.spacing, row.reading, row.depth, row.rho}, row.why});
    }
  } else if (tool == "test") {
    SurveyFile file{std::nullopt, name, {}};
    Result<std::vector<FallRow>> read = ReadFallRows(source, file);
    OSTREVIN_PASS_ON(read);
    marks = file.marks;
    for (FallRow& row : *read) rows.push_back({row.line, {row.distance, row.reading}, row.why});
  } else {
    ConductorFile file{std::nullopt, name, {}};
    Result<std::vector<ConductorRow>> read = ReadConductors(source, file);
    OSTREVIN_PASS_ON(read);
    marks = file.marks;
    for (ConductorRow& row : *read) {
      rows.push_back({row.line, {row.cells.begin(), row.cells.end()}, row.why});
    }
  }
  return rows;
}

// The first record of `text`, or nothing when it has none.
std::optional<CsvRecord> FirstRecord(const std::string& text, char& separator) {
  StringSource source(text);
  CsvReader reader(source);
  const std::optional<char> detected = reader.DetectSeparator();
  if (!detected) return std::nullopt;
  separator = *detected;
  reader.SetSeparator(*detected);
  CsvRecord record;
  if (reader.Read(record) != CsvReader::Next::kRecord) return std::nullopt;
  return record;
}

// A paste's marks: those its cells show (ShownMarks).
NumberMarks MarksOfPaste(const std::string& text) {
  ShownMarks shown;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at < text.size() && text[at] != '\t' && text[at] != '\n' && text[at] != '\r') continue;
    shown.Look(std::string_view(text).substr(start, at - start));
    start = at + 1;
  }
  return shown.Marks();
}

}  // namespace

std::string ReadPageTable(std::string_view tool, std::string_view text, std::string_view name,
                          const NumberMarks& pageMarks, const FieldTexts& inputs, UnitSystem units) {
  const std::span<const std::string_view> columns = ColumnsOf(tool);
  const auto error = [](const std::string& message) {
    return ToJson(JsonObject{{"error", message}});
  };
  if (columns.empty()) return error("no table of rows in the tool " + Quoted(tool));
  if (tool == "electrodes" && LooksLikeDxf(text)) {
    std::map<std::string, std::string> given;
    for (const auto& [field, value] : inputs) {
      if (!Trim(value).empty()) given[field] = value;
    }
    const InputLookup lookup = [&given](std::string_view field) -> std::optional<std::string_view> {
      const auto found = given.find(std::string(field));
      if (found == given.end()) return std::nullopt;
      return std::string_view(found->second);
    };
    ReadContext context{units, "", pageMarks, true};
    const Result<DxfTable> drawing = ReadDxf(text, name.empty() ? "the drawing" : name, lookup, context);
    if (!drawing) return error(drawing.why());
    JsonArray taken;
    JsonArray problems;
    for (const ConductorRow& row : drawing->rows) {
      if (taken.size() == kMaxTableRows) {
        problems.emplace_back(std::to_string(drawing->rows.size()) + " conductors: the table holds at most " +
                              std::to_string(kMaxTableRows) + " (the command line reads the whole drawing)");
        break;
      }
      JsonArray cells;
      for (const std::optional<std::string>& cell : row.cells) cells.emplace_back(PageText(cell.value_or(""), pageMarks));
      taken.emplace_back(std::move(cells));
    }
    return ToJson(JsonObject{{"rows", std::move(taken)}, {"problems", std::move(problems)}, {"notes", drawing->notes}});
  }
  std::string source(text);
  char separator = ',';
  const std::optional<CsvRecord> first = FirstRecord(source, separator);
  if (!first) return error("there are no rows in it");
  const bool headed = std::any_of(first->fields.begin(), first->fields.end(), [&](const std::string& field) {
    return std::find(columns.begin(), columns.end(), Lower(Trim(field))) != columns.end();
  });
  // Rows with no header: the table's first columns, as many as the first row has.
  if (!headed) {
    const std::size_t width = std::min(first->fields.size(), columns.size());
    std::string header;
    for (std::size_t k = 0; k < width; ++k) {
      if (k > 0) header += separator;
      header += columns[k];
    }
    source = header + "\n" + source;
  }
  const std::string where = name.empty() ? std::string() : std::string(name) + " ";
  const auto at = [&](long line) {
    return headed ? where + "line " + std::to_string(line) : "pasted row " + std::to_string(line - 1);
  };
  NumberMarks marks;
  const Result<std::vector<TextRow>> rows = ReadRows(tool, source, std::string(name), marks);
  if (!rows) return error((name.empty() ? "the pasted rows: " : where + ": ") + rows.why());
  if (separator == '\t') marks = MarksOfPaste(source);
  JsonArray taken;
  JsonArray problems;
  for (const TextRow& row : *rows) {
    if (!row.why.empty()) {
      problems.emplace_back(at(row.line) + ": " + row.why);
      continue;
    }
    JsonArray cells;
    std::string why;
    for (std::size_t k = 0; k < row.cells.size() && why.empty(); ++k) {
      if (!row.cells[k]) {
        cells.emplace_back("");
        continue;
      }
      const std::string_view cell = Trim(*row.cells[k]);
      const std::string_view unit = UnitPart(cell);
      const Result<double> number = ReadNumber(cell.substr(0, cell.size() - unit.size()), marks);
      if (!number) {
        why = std::string(columns[k]) + ": " +
              (number.why().empty() ? Quoted(cell) + " is not a number" : number.why());
        break;
      }
      cells.emplace_back(PageText(FormatNumber(*number) + std::string(unit), pageMarks));
    }
    if (!why.empty()) {
      problems.emplace_back(at(row.line) + ": " + why);
    } else if (taken.size() == kMaxTableRows) {
      problems.emplace_back(at(row.line) + " and after: the table holds at most " +
                            std::to_string(kMaxTableRows) + " rows");
      break;
    } else {
      taken.emplace_back(std::move(cells));
    }
  }
  return ToJson(JsonObject{{"rows", std::move(taken)}, {"problems", std::move(problems)}});
}

}  // namespace ostrevin::calc
