// Batches: CSV in, CSV out, one calculation a record, streamed.
//
// Data flow: ByteSource -> CsvReader (records, physical line numbers) ->
// header checked once -> each record: Calculate -> CsvWriter -> ByteSink.
// What spreadsheets write is read: a UTF-8 byte-order mark, LF, CRLF or CR
// line ends, "," or ";" as the separator (taken from the header line; with
// ";" a decimal comma reads as a decimal point), quoted fields with doubled
// quotes and line breaks (RFC 4180). The output keeps the input's separator,
// decimal mark and byte-order mark, so it goes back into the same spreadsheet.
// This module does not open files or decide exit statuses beyond RunBatch's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/calculation.h"
#include "calc/io.h"

namespace ostrevin::calc {

// One record of the input.
struct CsvRecord {
  std::vector<std::string> fields;
  long line = 0;        // the physical line it starts on, counting from 1
  std::string problem;  // why the record is unusable, or empty
};

// Records from a byte source. Blank lines are no records; a record longer
// than kMaxRecordBytes is read to its end without being kept and comes back
// with a problem instead of its fields.
class CsvReader {
 public:
  static constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
  enum class Next { kRecord, kEnd, kReadError };

  explicit CsvReader(ByteSource& source) : source_(source) {}

  // Skips a UTF-8 byte-order mark and looks at the first line (without
  // taking it): ';' when it has more semicolons than commas outside quotes,
  // else ','. Nothing when reading failed.
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
  int Get();
  bool Fill();  // more bytes in the buffer; false at the end or on an error
  bool StartInput();

  ByteSource& source_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool ended_ = false, failed_ = false, started_ = false;
  bool hadByteOrderMark_ = false;
  char separator_ = ',';
  long line_ = 1;
};

// One CSV record: fields quoted where they hold the separator, a quote or a
// line break; ends with "\n".
std::string CsvLine(const std::vector<std::string_view>& fields, char separator);

struct BatchOptions {
  std::optional<char> separator;  // ',' or ';'; detected from the header when not given
  std::string inputName = "standard input";
};

// Runs every record of `in` and writes the results to `out`: each record as
// it came, plus result, unit, value and error. A bad record gets its error and
// a line on `err` ("line 7: rho is missing"), and the rest still goes through.
// Returns kAnswered; kBadInput when the header or any record was bad; kFailed
// when reading or writing failed, after one line on `err` naming what failed,
// the last input line whose result was written and the line reached.
Status RunBatch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options);

}  // namespace ostrevin::calc
