// CSV records as spreadsheets write them, streamed from a byte source: a
// UTF-8 byte-order mark, LF, CRLF or CR line ends, ",", ";" or a tab as the
// separator (taken from the first line that is not blank), quoted fields
// with doubled quotes and line breaks (RFC 4180). Blank lines and lines of
// only separators are no records. A record over kMaxRecordBytes is read to
// its end without being kept. Line numbers are the file's own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "calc/number_reading.h"
#include "calc/byte_source.h"
#include "core/result.h"

namespace ostrevin::calc {

struct CsvRecord {
  std::vector<std::string> fields;
  long line = 0;        // the physical line it starts on, counting from 1
  std::string why;  // why the record is unusable, or empty
};

class CsvReader {
 public:
  static constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
  enum class Next { kRecord, kEnd, kReadError };

  explicit CsvReader(ByteSource& source) : source_(source) {}

  // Skips a UTF-8 byte-order mark and looks at the first line that is not
  // blank (without taking it): a tab when it has one outside quotes (rows
  // copied from a spreadsheet), else ';' when it has more semicolons than
  // commas, else ','. Nothing when reading failed.
  std::optional<char> DetectSeparator();
  void SetSeparator(char separator) { separator_ = separator; }

  Next Read(CsvRecord& record);

  bool HadByteOrderMark() const { return hadByteOrderMark_; }
  // The physical line the reader has reached (for a message after a failure).
  long Line() const { return line_; }
  std::string ErrorText() const { return source_.ErrorText(); }

 private:
  static constexpr int kEnd = -1, kError = -2;
  int Peek();
  int PeekAt(std::size_t offset);
  int Get();
  bool Fill();  // more bytes in the buffer; false at the end or on an error
  bool StartInput();
  Next ReadOne(CsvRecord& record);

  ByteSource& source_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool ended_ = false, failed_ = false, started_ = false;
  bool hadByteOrderMark_ = false;
  char separator_ = ',';
  long line_ = 1;
};

// A CSV file whose first line names its columns, as the batch, the survey
// and every other file of rows are read: the separator (given, or taken from
// the header line), the decimal comma that comes with ';' (and either mark
// with a tab, as the cell has it), and the columns
// by name (any case, blanks around ignored; at most kMaxColumns, none twice).
class CsvTable {
 public:
  static constexpr std::size_t kMaxColumns = 1000;

  // `name` names the input in messages ("\"survey.csv\"", "standard input").
  CsvTable(ByteSource& source, std::string name, std::optional<char> separator)
      : reader_(source), name_(std::move(name)), separator_(separator) {}

  // Reads the header line. Fails when reading fails; refused ("line 1: ...")
  // when the input is empty (`empty` says what the first line must be), a
  // column appears twice, there are too many, or one is `reserved`.
  Checked ReadHeader(std::string_view empty, std::span<const std::string_view> reserved = {});
  // The next record: true, or false at the end; fails when reading fails.
  Result<bool> Next(CsvRecord& record);
  // Why a record cannot be used as a row of the table (a reader's problem,
  // a count of fields not the header's), or nothing.
  Checked CheckRecord(const CsvRecord& record) const;

  std::optional<std::size_t> Find(std::string_view name) const;
  // A column's text in a record; nothing when the column is absent or the cell blank.
  std::optional<std::string_view> Cell(const CsvRecord& record, std::string_view name) const;
  const CsvRecord& Header() const { return header_; }
  char Separator() const { return used_; }
  NumberMarks Marks() const { return marks_; }
  bool HadByteOrderMark() const { return reader_.HadByteOrderMark(); }
  long Line() const { return reader_.Line(); }
  // "cannot read NAME: Input/output error (stopped at line 12)".
  Why ReadFailed() const;

 private:
  CsvReader reader_;
  std::string name_;
  std::optional<char> separator_;
  char used_ = ',';  // the separator in use
  NumberMarks marks_;
  CsvRecord header_;
  std::unordered_map<std::string, std::size_t> columns_;  // lower-case name -> position
};

// One CSV record: fields quoted where they hold the separator, a quote or a
// line break; ends with "\n".
std::string CsvLine(const std::vector<std::string_view>& fields, char separator);

}  // namespace ostrevin::calc
