#include "cli/electrode_file.h"

#include "cli/csv_reader.h"

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
    if (!next) return next.Failed();
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
  return rows;
}

}  // namespace ostrevin::calc
