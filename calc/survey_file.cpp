#include "calc/survey_file.h"

#include "calc/csv_reader.h"

namespace ostrevin::calc {

Result<std::vector<SurveyRow>> ReadSurvey(ByteSource& in, SurveyFile& file) {
  CsvTable table(in, file.name, file.separator);
  if (const Checked header = table.ReadHeader(
          "the survey is empty: the first line must name the columns, e.g. spacing,reading");
      !header) {
    return header.Failed();
  }
  file.marks = table.Marks();
  // (An array column names each row's array; Wenner's spacing may then be its a.)
  const bool placed = table.Find("spacing") || (table.Find("ab2") && table.Find("mn2")) ||
                      (table.Find("a") && (table.Find("n") || table.Find("array"))) ||
                      (table.Find("xa") && table.Find("xb") && table.Find("xm") && table.Find("xn"));
  if (!placed || (!table.Find("reading") && !table.Find("rho"))) {
    return Refused("line " + std::to_string(table.Header().line) +
                   ": the header needs a spacing column (Wenner's; or ab2,mn2 for Schlumberger, a,n "
                   "for dipole-dipole, xa,xb,xm,xn for any four electrodes) and a reading (ohms) or "
                   "rho (apparent resistivity) column, e.g. spacing,reading");
  }
  std::vector<SurveyRow> rows;
  for (CsvRecord record;;) {
    const Result<bool> next = table.Next(record);
    OSTREVIN_PASS_ON(next);
    if (!*next) break;
    // Rows are bounded before they are kept: a file of a million rows is
    // refused at the first one too many, not read to its end.
    if (rows.size() == kMaxSurveyRows) {
      return Refused("line " + std::to_string(record.line) + ": more than " +
                     std::to_string(kMaxSurveyRows) + " readings: a survey may have at most " +
                     std::to_string(kMaxSurveyRows));
    }
    SurveyRow row;
    row.line = record.line;
    if (const Checked checked = table.CheckRecord(record); !checked) {
      row.why = checked.why();
      rows.push_back(std::move(row));
      continue;
    }
    const auto cell = [&](std::string_view name) -> std::optional<std::string> {
      const std::optional<std::string_view> text = table.Cell(record, name);
      if (!text) return std::nullopt;
      return std::string(*text);
    };
    for (const SurveyColumn& column : kSurveyRowColumns) row.*column.cell = cell(column.name);
    rows.push_back(std::move(row));
  }
  // Rows copied from a spreadsheet: the decimal mark their cells show.
  if (table.Separator() == '\t') {
    ShownMarks shown;
    for (const SurveyRow& row : rows) {
      for (const SurveyColumn& column : kSurveyRowColumns) {
        if (row.*column.cell) shown.Look(*(row.*column.cell));
      }
    }
    file.marks = shown.Marks();
  }
  return rows;
}

Result<std::vector<FallRow>> ReadFallRows(ByteSource& in, SurveyFile& file) {
  CsvTable table(in, file.name, file.separator);
  if (const Checked header = table.ReadHeader(
          "the test is empty: the first line must name the columns, e.g. distance,reading");
      !header) {
    return header.Failed();
  }
  file.marks = table.Marks();
  if (!table.Find("distance") || !table.Find("reading")) {
    return Refused("line " + std::to_string(table.Header().line) +
                   ": the header needs a distance column (the potential probe's) and a reading "
                   "column (ohms), e.g. distance,reading");
  }
  std::vector<FallRow> rows;
  for (CsvRecord record;;) {
    const Result<bool> next = table.Next(record);
    OSTREVIN_PASS_ON(next);
    if (!*next) break;
    if (rows.size() == kMaxFallRows) {
      return Refused("line " + std::to_string(record.line) + ": more than " +
                     std::to_string(kMaxFallRows) + " readings: a test may have at most " +
                     std::to_string(kMaxFallRows));
    }
    FallRow row;
    row.line = record.line;
    if (const Checked checked = table.CheckRecord(record); !checked) {
      row.why = checked.why();
    } else {
      if (const auto text = table.Cell(record, "distance")) row.distance = std::string(*text);
      if (const auto text = table.Cell(record, "reading")) row.reading = std::string(*text);
    }
    rows.push_back(std::move(row));
  }
  if (table.Separator() == '\t') {
    ShownMarks shown;
    for (const FallRow& row : rows) {
      if (row.distance) shown.Look(*row.distance);
      if (row.reading) shown.Look(*row.reading);
    }
    file.marks = shown.Marks();
  }
  return rows;
}

}  // namespace ostrevin::calc
