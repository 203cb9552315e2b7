#include "calc/electrode_file.h"

#include "calc/calculation_parts.h"
#include "calc/text.h"
#include "calc/csv_reader.h"
#include "core/number_text.h"

namespace ostrevin::calc {

Result<std::vector<ConductorRow>> ReadConductors(ByteSource& in, ConductorFile& file) {
  CsvTable table(in, file.name, file.separator);
  if (const Checked header = table.ReadHeader(
          "the table is empty: the first line must name the columns x1,y1,z1,x2,y2,z2,diameter");
      !header) {
    return header.Failed();
  }
  file.marks = table.Marks();
  for (const std::string_view column : kConductorColumns) {
    if (!table.Find(column)) {
      return Refused("line " + std::to_string(table.Header().line) + ": the header has no " +
                     std::string(column) + " column (it needs x1,y1,z1,x2,y2,z2,diameter)");
    }
  }
  std::vector<ConductorRow> rows;
  for (CsvRecord record;;) {
    const Result<bool> next = table.Next(record);
    OSTREVIN_PASS_ON(next);
    if (!*next) break;
    if (rows.size() == kMaxConductorRows) {
      return Refused("line " + std::to_string(record.line) + ": more than " +
                     std::to_string(kMaxConductorRows) +
                     " conductors: a table may have at most " + std::to_string(kMaxConductorRows));
    }
    ConductorRow row;
    row.line = record.line;
    if (const Checked checked = table.CheckRecord(record); !checked) {
      row.why = checked.why();
      rows.push_back(std::move(row));
      continue;
    }
    for (std::size_t k = 0; k < kConductorColumns.size(); ++k) {
      if (const auto text = table.Cell(record, kConductorColumns[k])) row.cells[k] = std::string(*text);
    }
    rows.push_back(std::move(row));
  }
  // Rows copied from a spreadsheet: the decimal mark their cells show.
  if (table.Separator() == '\t') {
    ShownMarks shown;
    for (const ConductorRow& row : rows) {
      for (const std::optional<std::string>& cell : row.cells) {
        if (cell) shown.Look(*cell);
      }
    }
    file.marks = shown.Marks();
  }
  return rows;
}

Result<std::string> ReadOutlineFile(ByteSource& in, ConductorFile& file, UnitSystem units) {
  CsvTable table(in, file.name, file.separator);
  if (const Checked header =
          table.ReadHeader("the outline is empty: the first line must name the columns x,y");
      !header) {
    return header.Failed();
  }
  file.marks = table.Marks();
  for (const std::string_view column : {"x", "y"}) {
    if (!table.Find(column)) {
      return Refused(file.name + " line " + std::to_string(table.Header().line) +
                     ": the header has no " + std::string(column) + " column (it needs x,y)");
    }
  }
  ReadContext context{units};
  context.marks = file.marks;
  std::string text;
  std::size_t corners = 0;
  for (CsvRecord record;;) {
    const Result<bool> next = table.Next(record);
    OSTREVIN_PASS_ON(next);
    if (!*next) break;
    const std::string where = file.name + " line " + std::to_string(record.line) + ": ";
    if (++corners > kMaxOutlineCorners) {
      return Refused(where + "more than " + std::to_string(kMaxOutlineCorners) +
                     " corners: an outline may have at most " + std::to_string(kMaxOutlineCorners));
    }
    if (const Checked checked = table.CheckRecord(record); !checked) return Refused(where + checked.why());
    std::string corner;
    for (const std::string_view column : {"x", "y"}) {
      const auto cell = table.Cell(record, column);
      const std::optional<double> metres = cell ? ReadMetres(*cell, context) : std::nullopt;
      if (!metres) {
        return Refused(where + std::string(column) + " needs a length (" +
                       std::string(LengthUnit(units)) + ", or with its unit), not " +
                       Quoted(cell.value_or("")));
      }
      corner += (corner.empty() ? "" : ",") + FormatDouble("%.17g", *metres) + "m";
    }
    text += (text.empty() ? "" : " ") + corner;
  }
  if (text.empty()) return Refused(file.name + ": the outline names no corner");
  return text;
}

}  // namespace ostrevin::calc
