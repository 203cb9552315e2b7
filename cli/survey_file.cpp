#include "cli/survey_file.h"

#include <algorithm>
#include <array>

#include "cli/csv_reader.h"
#include "calc/text.h"

namespace ostrevin::calc {

namespace {

constexpr std::array<std::string_view, 4> kColumns{"spacing", "reading", "rho", "depth"};

}  // namespace

std::variant<std::vector<SurveyRow>, SurveyFileError> ReadSurvey(ByteSource& in, SurveyFile& file) {
  CsvReader reader(in);
  const auto readFailed = [&] {
    return SurveyFileError{"cannot read " + file.name + ": " + reader.ErrorText() +
                               " (stopped at line " + std::to_string(reader.Line()) + ")",
                           kFailed};
  };
  const std::optional<char> separator = file.separator ? file.separator : reader.DetectSeparator();
  if (!separator) return readFailed();
  reader.SetSeparator(*separator);
  if (*separator == ';') file.marks = {",", ".", true};
  CsvRecord header;
  const CsvReader::Next first = reader.Read(header);
  if (first == CsvReader::Next::kReadError) return readFailed();
  if (first == CsvReader::Next::kEnd) {
    return SurveyFileError{
        "the survey is empty: the first line must name the columns, e.g. "
        "spacing,reading"};
  }
  // Where each column stands, if it does.
  std::array<std::optional<std::size_t>, kColumns.size()> at;
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    const std::string name = Lower(Trim(header.fields[i]));
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      if (name != kColumns[c]) continue;
      if (at[c]) {
        return SurveyFileError{"line " + std::to_string(header.line) + ": column " + Quoted(name) +
                               " appears twice"};
      }
      at[c] = i;
    }
  }
  if (!at[0] || (!at[1] && !at[2])) {
    return SurveyFileError{"line " + std::to_string(header.line) +
                           ": the header needs a spacing column and a reading (ohms) or rho "
                           "(apparent resistivity) column, e.g. spacing,reading"};
  }
  std::vector<SurveyRow> rows;
  for (CsvRecord record;;) {
    const CsvReader::Next next = reader.Read(record);
    if (next == CsvReader::Next::kEnd) break;
    if (next == CsvReader::Next::kReadError) return readFailed();
    SurveyRow row;
    row.line = record.line;
    if (!record.problem.empty() || record.fields.size() != header.fields.size()) {
      row.problem = record.problem.empty()
                        ? "expected " + std::to_string(header.fields.size()) + " fields, found " +
                              std::to_string(record.fields.size())
                        : record.problem;
      rows.push_back(std::move(row));
      continue;
    }
    const auto cell = [&](std::size_t c) -> std::optional<std::string> {
      if (!at[c]) return std::nullopt;
      const std::string& text = record.fields[*at[c]];
      if (text.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
      return text;
    };
    row.spacing = cell(0);
    row.reading = cell(1);
    row.rho = cell(2);
    row.depth = cell(3);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace ostrevin::calc
