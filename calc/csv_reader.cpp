#include "calc/csv_reader.h"

#include <algorithm>

#include "calc/text.h"

namespace ostrevin::calc {

namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;
constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

// A field as it stood in the input, for a field whose closing quote is
// followed by more text: the quotes are kept, nothing is read into it.
std::string Requoted(const std::string& content) {
  std::string raw = "\"";
  for (const char c : content) {
    if (c == '"') raw += '"';
    raw += c;
  }
  return raw + "\"";
}

}  // namespace

bool CsvReader::Fill() {
  if (ended_ || failed_) return false;
  if (position_ >= kChunk) {
    buffer_.erase(0, position_);
    position_ = 0;
  }
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kChunk);
  const std::ptrdiff_t count = source_.Read(buffer_.data() + had, kChunk);
  buffer_.resize(had + static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
  if (count < 0) failed_ = true;
  if (count == 0) ended_ = true;
  return count > 0;
}

int CsvReader::PeekAt(std::size_t offset) {
  while (position_ + offset >= buffer_.size()) {
    if (!Fill()) return failed_ ? kError : kEnd;
  }
  return static_cast<unsigned char>(buffer_[position_ + offset]);
}

int CsvReader::Peek() { return PeekAt(0); }

int CsvReader::Get() {
  const int c = Peek();
  if (c >= 0) ++position_;
  return c;
}

bool CsvReader::StartInput() {
  if (started_) return !failed_;
  started_ = true;
  while (buffer_.size() - position_ < kByteOrderMark.size() && Fill()) {
  }
  if (failed_) return false;
  if (std::string_view(buffer_).substr(position_).starts_with(kByteOrderMark)) {
    hadByteOrderMark_ = true;
    position_ += kByteOrderMark.size();
  }
  return true;
}

std::optional<char> CsvReader::DetectSeparator() {
  if (!StartInput()) return std::nullopt;
  long commas = 0;
  long semicolons = 0;
  long tabs = 0;
  bool quoted = false;
  bool any = false;
  for (std::size_t offset = 0; offset <= kMaxRecordBytes; ++offset) {
    const int c = PeekAt(offset);
    if (c == kError) return std::nullopt;
    if (c == kEnd) break;
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '\n' || c == '\r')) {
      if (any) break;
      continue;  // a blank line before the header
    }
    any = any || (c != ' ' && c != '\t');
    if (!quoted) {
      commas += c == ',' ? 1 : 0;
      semicolons += c == ';' ? 1 : 0;
      tabs += c == '\t' ? 1 : 0;
    }
  }
  if (tabs > 0) return '\t';
  return semicolons > commas ? ';' : ',';
}

CsvReader::Next CsvReader::Read(CsvRecord& record) {
  for (;;) {
    const Next next = ReadOne(record);
    if (next != Next::kRecord || !record.why.empty()) return next;
    // A line of only separators (a spreadsheet's empty row) is as blank as an empty one.
    const bool blank = std::all_of(record.fields.begin(), record.fields.end(), [](const std::string& field) {
      return field.find_first_not_of(" \t") == std::string::npos;
    });
    if (!blank) return next;
  }
}

CsvReader::Next CsvReader::ReadOne(CsvRecord& record) {
  if (!StartInput()) return Next::kReadError;
  enum State { kFieldStart, kUnquoted, kQuoted, kQuoteInQuoted } state = kFieldStart;
  if (record.fields.empty()) record.fields.emplace_back();
  record.fields.front().clear();
  record.line = line_;
  record.why.clear();
  std::size_t count = 0;
  std::size_t size = 0;
  bool any = false;
  bool kept = true;
  long quoteLine = 0;
  const auto newField = [&] {
    ++count;
    if (!kept) return;
    if (count == record.fields.size()) {
      record.fields.emplace_back();
    } else {
      record.fields[count].clear();
    }
  };
  for (;;) {
    const int c = Get();
    if (c == kError) return Next::kReadError;
    if (c == kEnd) {
      if (!any) return Next::kEnd;
      if (state == kQuoted) {
        record.why = "a quote opened on line " + std::to_string(quoteLine) +
                         " is not closed by the end of the input";
      }
      break;
    }
    const bool lineEnd = c == '\n' || c == '\r';
    if (lineEnd && state != kQuoted) {
      if (c == '\r' && Peek() == '\n') Get();
      ++line_;
      if (any) break;
      record.line = line_;  // a blank line is no record
      continue;
    }
    if (lineEnd && (c == '\n' || Peek() != '\n')) ++line_;  // inside quotes, CRLF counts once
    any = true;
    if (kept && ++size > kMaxRecordBytes) {
      kept = false;
      record.why = "the line is longer than " + std::to_string(kMaxRecordBytes) + " bytes";
    }
    const char ch = static_cast<char>(c);
    switch (state) {
      case kFieldStart:
        if (ch == '"') {
          state = kQuoted;
          quoteLine = line_;
          break;
        }
        state = kUnquoted;
        [[fallthrough]];
      case kUnquoted:
        if (ch == separator_) {
          newField();
          state = kFieldStart;
        } else if (kept) {
          record.fields[count] += ch;
        }
        break;
      case kQuoted:
        if (ch == '"') {
          state = kQuoteInQuoted;
        } else if (kept) {
          record.fields[count] += ch;
        }
        break;
      case kQuoteInQuoted:
        if (ch == '"') {
          if (kept) record.fields[count] += '"';
          state = kQuoted;
        } else if (ch == separator_) {
          newField();
          state = kFieldStart;
        } else {
          if (kept && record.why.empty()) record.why = "text after a closing quote";
          if (kept) record.fields[count] = Requoted(record.fields[count]) + ch;
          state = kUnquoted;
        }
        break;
    }
  }
  if (kept) {
    record.fields.resize(count + 1);
  } else {
    record.fields.clear();
  }
  return Next::kRecord;
}

Checked CsvTable::ReadHeader(std::string_view empty,
                             std::span<const std::string_view> reserved) {
  const std::optional<char> separator = separator_ ? separator_ : reader_.DetectSeparator();
  if (!separator) return ReadFailed();
  used_ = *separator;
  reader_.SetSeparator(*separator);
  if (*separator == ';') marks_ = {",", ".", true};
  if (*separator == '\t') marks_.eitherDecimal = true;
  const CsvReader::Next first = reader_.Read(header_);
  if (first == CsvReader::Next::kReadError) return ReadFailed();
  if (first == CsvReader::Next::kEnd) return Refused(std::string(empty));
  const std::string at = "line " + std::to_string(header_.line) + ": ";
  if (!header_.why.empty()) return Refused(at + header_.why);
  if (header_.fields.size() > kMaxColumns) {
    return Refused(at + std::to_string(header_.fields.size()) + " columns: at most " +
                   std::to_string(kMaxColumns) + " are read");
  }
  columns_.clear();
  for (std::size_t i = 0; i < header_.fields.size(); ++i) {
    const std::string name = Lower(Trim(header_.fields[i]));
    if (name.empty()) continue;
    if (const auto [earlier, made] = columns_.try_emplace(name, i); !made) {
      return Refused(at + "column " + Quoted(name) + " appears twice (columns " +
                     std::to_string(earlier->second + 1) + " and " + std::to_string(i + 1) + ")");
    }
    if (std::find(reserved.begin(), reserved.end(), name) != reserved.end()) {
      std::string why = at;
      why += "column " + Quoted(name) + " is one the program writes (";
      for (std::size_t k = 0; k < reserved.size(); ++k) {
        if (k > 0) why += ", ";
        why += reserved[k];
      }
      why += "): rename it";
      return Refused(why);
    }
  }
  return Ok{};
}

Result<bool> CsvTable::Next(CsvRecord& record) {
  switch (reader_.Read(record)) {
    case CsvReader::Next::kRecord:
      return true;
    case CsvReader::Next::kEnd:
      return false;
    case CsvReader::Next::kReadError:
      break;
  }
  return ReadFailed();
}

Checked CsvTable::CheckRecord(const CsvRecord& record) const {
  if (!record.why.empty()) return Refused(record.why);
  if (record.fields.size() != header_.fields.size()) {
    return Refused("expected " + std::to_string(header_.fields.size()) + " fields, found " +
                   std::to_string(record.fields.size()));
  }
  return Ok{};
}

std::optional<std::size_t> CsvTable::Find(std::string_view name) const {
  const auto it = columns_.find(std::string(name));
  if (it == columns_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string_view> CsvTable::Cell(const CsvRecord& record,
                                               std::string_view name) const {
  const std::optional<std::size_t> column = Find(name);
  if (!column || *column >= record.fields.size()) return std::nullopt;
  const std::string_view text = record.fields[*column];
  if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  return text;
}

Why CsvTable::ReadFailed() const {
  return Failed("cannot read " + name_ + ": " + reader_.ErrorText() + " (stopped at line " +
                std::to_string(reader_.Line()) + ")");
}

std::string CsvLine(const std::vector<std::string_view>& fields, char separator) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += separator;
    const std::string_view field = fields[i];
    const bool quote = std::any_of(
        field.begin(), field.end(), [&](char c) { return c == separator || c == '"' || c == '\r' || c == '\n'; });
    if (!quote) {
      line += field;
      continue;
    }
    line += '"';
    for (const char c : field) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  return line + "\n";
}

}  // namespace ostrevin::calc
