#include "calc/csv_batch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <deque>

#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;
constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
// The columns the batch adds; an input column may not be named like them.
constexpr std::array<std::string_view, 4> kOutputColumns{"result", "unit", "value", "error"};

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

int CsvReader::Peek() {
  if (position_ == buffer_.size() && !Fill()) return failed_ ? kError : kEnd;
  return static_cast<unsigned char>(buffer_[position_]);
}

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
  bool quoted = false;
  for (std::size_t offset = 0; offset <= kMaxRecordBytes; ++offset) {
    if (position_ + offset == buffer_.size() && !Fill()) {
      if (failed_) return std::nullopt;
      break;
    }
    const char c = buffer_[position_ + offset];
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '\n' || c == '\r')) break;
    if (!quoted) {
      commas += c == ',' ? 1 : 0;
      semicolons += c == ';' ? 1 : 0;
    }
  }
  return semicolons > commas ? ';' : ',';
}

CsvReader::Next CsvReader::Read(CsvRecord& record) {
  if (!StartInput()) return Next::kReadError;
  enum State { kFieldStart, kUnquoted, kQuoted, kQuoteInQuoted } state = kFieldStart;
  if (record.fields.empty()) record.fields.emplace_back();
  record.fields.front().clear();
  record.line = line_;
  record.problem.clear();
  std::size_t count = 0;
  std::size_t size = 0;
  bool any = false;
  bool kept = true;
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
      if (state == kQuoted && kept)
        record.problem = "a quoted field is not closed by the end of the input";
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
      record.problem = "the line is longer than " + std::to_string(kMaxRecordBytes) + " bytes";
    }
    const char ch = static_cast<char>(c);
    switch (state) {
      case kFieldStart:
        if (ch == '"') {
          state = kQuoted;
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
          if (kept && record.problem.empty()) record.problem = "text after a closing quote";
          if (kept) record.fields[count] += ch;
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

std::string CsvLine(const std::vector<std::string_view>& fields, char separator) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += separator;
    const std::string_view field = fields[i];
    const bool quote = std::ranges::any_of(
        field, [&](char c) { return c == separator || c == '"' || c == '\r' || c == '\n'; });
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

namespace {

std::string ColumnName(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::string name(text);
  std::ranges::transform(name, name.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

// Where each named column stands in a record.
class Columns {
 public:
  // The header's problem, or empty when it is usable.
  std::string Read(const std::vector<std::string>& header) {
    names_.clear();
    for (std::size_t i = 0; i < header.size(); ++i) {
      std::string name = ColumnName(header[i]);
      if (name.empty()) {
        names_.push_back(std::move(name));
        continue;
      }
      if (const auto earlier = std::ranges::find(names_, name); earlier != names_.end()) {
        return "column " + Quoted(name) + " appears twice (columns " +
               std::to_string(earlier - names_.begin() + 1) + " and " + std::to_string(i + 1) + ")";
      }
      if (std::ranges::find(kOutputColumns, name) != kOutputColumns.end()) {
        return "column " + Quoted(name) +
               " is one the batch writes (result, unit, value, error): rename it";
      }
      names_.push_back(std::move(name));
    }
    if (!Find("mode")) {
      return "the header has no mode column (the first line must name the columns, "
             "e.g. mode,rho,diameter,length)";
    }
    return {};
  }

  std::optional<std::size_t> Find(std::string_view name) const {
    const auto it = std::ranges::find(names_, name);
    if (it == names_.end()) return std::nullopt;
    return static_cast<std::size_t>(it - names_.begin());
  }
  std::size_t size() const { return names_.size(); }

 private:
  std::vector<std::string> names_;
};

std::string WithDecimalMark(std::string text, char decimalMark) {
  if (decimalMark != '.') std::ranges::replace(text, '.', decimalMark);
  return text;
}

// One record's calculation, or the error that prevents it.
std::variant<Outcome, std::string> RunRecord(const Columns& columns, const CsvRecord& record,
                                             char decimalMark) {
  if (!record.problem.empty()) return record.problem;
  if (record.fields.size() != columns.size()) {
    return "expected " + std::to_string(columns.size()) + " fields, found " +
           std::to_string(record.fields.size());
  }
  // A blank cell is an input not given, as a column left out.
  const auto cell = [&](std::string_view name) -> std::optional<std::string_view> {
    const std::optional<std::size_t> column = columns.Find(name);
    if (!column) return std::nullopt;
    const std::string_view text = record.fields[*column];
    if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
    return text;
  };
  int units = English;
  if (const auto given = cell("units")) {
    const std::optional<int> read = ReadUnits(*given);
    if (!read) return "units must be english or metric, not " + Quoted(*given);
    units = *read;
  }
  const std::string modeName = ColumnName(cell("mode").value_or(""));
  const Mode* mode = FindMode(modeName);
  if (mode == nullptr) {
    std::string known;
    for (const Mode& each : Modes()) known += (known.empty() ? "" : ", ") + std::string(each.name);
    return "unknown mode " + Quoted(cell("mode").value_or("")) + " (" + known + ")";
  }
  return Calculate(*mode, cell, units, "", decimalMark);
}

class Batch {
 public:
  Batch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options)
      : reader_(in), out_(out), err_(err), options_(options) {}

  Status Run() {
    const std::optional<char> separator =
        options_.separator ? options_.separator : reader_.DetectSeparator();
    if (!separator) return ReadFailed();
    separator_ = *separator;
    decimalMark_ = separator_ == ';' ? ',' : '.';
    reader_.SetSeparator(separator_);
    CsvRecord header;
    const CsvReader::Next first = reader_.Read(header);
    if (first == CsvReader::Next::kReadError) return ReadFailed();
    if (first == CsvReader::Next::kEnd) {
      return Say("the input is empty: the first line must be a CSV header with a mode column")
                 ? kBadInput
                 : kFailed;
    }
    std::string problem = header.problem.empty() ? columns_.Read(header.fields) : header.problem;
    if (!problem.empty()) {
      return Say("line " + std::to_string(header.line) + ": " + problem) ? kBadInput : kFailed;
    }
    std::vector<std::string_view> cells(header.fields.begin(), header.fields.end());
    cells.insert(cells.end(), kOutputColumns.begin(), kOutputColumns.end());
    const std::string start = reader_.HadByteOrderMark() ? std::string(kByteOrderMark) : "";
    if (!Put(start + CsvLine(cells, separator_), header.line)) return WriteFailed();

    Status status = kAnswered;
    CsvRecord record;
    for (;;) {
      const CsvReader::Next next = reader_.Read(record);
      if (next == CsvReader::Next::kEnd) break;
      if (next == CsvReader::Next::kReadError) return ReadFailed();
      if (!WriteRecord(record, status)) return WriteFailed();
    }
    if (!out_.Flush()) return WriteFailed();
    return status;
  }

 private:
  bool WriteRecord(const CsvRecord& record, Status& status) {
    const std::variant<Outcome, std::string> result = RunRecord(columns_, record, decimalMark_);
    std::vector<std::string_view> cells(record.fields.begin(), record.fields.end());
    cells.resize(columns_.size());
    struct {
      std::string result, unit, value, error;
    } added;  // the cells point into it
    if (const auto* outcome = std::get_if<Outcome>(&result)) {
      added.result = WithDecimalMark(outcome->result, decimalMark_);
      if (outcome->value) {
        added.unit = outcome->unit;
        added.value = WithDecimalMark(FormatNumber(*outcome->value), decimalMark_);
      }
      added.error = outcome->reason;
      for (const std::string& warning : outcome->warnings) {
        added.error += (added.error.empty() ? "warning: " : "; warning: ") + warning;
      }
      cells.insert(cells.end(), {added.result, added.unit, added.value, added.error});
    } else {
      const auto& error = std::get<std::string>(result);
      cells.insert(cells.end(), {"", "", "", error});
      status = kBadInput;
      if (!Say("line " + std::to_string(record.line) + ": " + error)) return false;
    }
    return Put(CsvLine(cells, separator_), record.line);
  }

  // Writes the output of the record that starts on `line`, and remembers
  // where it ends until the sink has delivered it.
  bool Put(const std::string& text, long line) {
    written_ += text.size();
    pending_.emplace_back(written_, line);
    if (!out_.Write(text)) return false;
    Delivered();
    return true;
  }

  // The line of the last record whose output has reached its destination.
  long Delivered() {
    while (!pending_.empty() && pending_.front().first <= out_.Delivered()) {
      delivered_ = pending_.front().second;
      pending_.pop_front();
    }
    return delivered_;
  }

  bool Say(const std::string& message) {
    return err_.Write("ostrevin-calc batch: " + message + "\n") && err_.Flush();
  }

  Status ReadFailed() {
    Say("cannot read " + options_.inputName + ": " + reader_.ErrorText() + " (stopped at line " +
        std::to_string(reader_.Line()) + ")");
    return kFailed;
  }

  Status WriteFailed() {
    const long delivered = Delivered();
    Say("cannot write standard output: " + out_.ErrorText() + " (" +
        (delivered == 0 ? std::string("nothing written")
                        : "written up to input line " + std::to_string(delivered)) +
        ", stopped at line " +
        std::to_string(pending_.empty() ? reader_.Line() : pending_.back().second) + ")");
    return kFailed;
  }

  CsvReader reader_;
  ByteSink& out_;
  ByteSink& err_;
  const BatchOptions& options_;
  Columns columns_;
  char separator_ = ',', decimalMark_ = '.';
  std::uint64_t written_ = 0;                           // bytes handed to the sink
  std::deque<std::pair<std::uint64_t, long>> pending_;  // (end of a record's output, its line)
  long delivered_ = 0;
};

}  // namespace

Status RunBatch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options) {
  return Batch(in, out, err, options).Run();
}

}  // namespace ostrevin::calc
