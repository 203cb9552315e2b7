// CSV records as spreadsheets write them, streamed from a byte source: a
// UTF-8 byte-order mark, LF, CRLF or CR line ends, "," or ";" as the
// separator (taken from the first line that is not blank), quoted fields
// with doubled quotes and line breaks (RFC 4180). Blank lines and lines of
// only separators are no records. A record over kMaxRecordBytes is read to
// its end without being kept. Line numbers are the file's own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/io.h"

namespace ostrevin::calc {

struct CsvRecord {
  std::vector<std::string> fields;
  long line = 0;        // the physical line it starts on, counting from 1
  std::string problem;  // why the record is unusable, or empty
};

class CsvReader {
 public:
  static constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
  enum class Next { kRecord, kEnd, kReadError };

  explicit CsvReader(ByteSource& source) : source_(source) {}

  // Skips a UTF-8 byte-order mark and looks at the first line that is not
  // blank (without taking it): ';' when it has more semicolons than commas
  // outside quotes, else ','. Nothing when reading failed.
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

// One CSV record: fields quoted where they hold the separator, a quote or a
// line break; ends with "\n".
std::string CsvLine(const std::vector<std::string_view>& fields, char separator);

}  // namespace ostrevin::calc
