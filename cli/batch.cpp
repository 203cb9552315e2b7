#include "cli/batch.h"

#include <algorithm>
#include <cstdint>
#include <deque>

#include "calc/text.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {

namespace {

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

// Where each named column stands in a record.
class Columns {
 public:
  // The header's problem, or empty when it is usable.
  std::string Read(const std::vector<std::string>& header) {
    names_.clear();
    const auto added = BatchColumns();
    for (std::size_t i = 0; i < header.size(); ++i) {
      std::string name = Lower(Trim(header[i]));
      if (!name.empty()) {
        if (const auto earlier = std::ranges::find(names_, name); earlier != names_.end()) {
          return "column " + Quoted(name) + " appears twice (columns " +
                 std::to_string(earlier - names_.begin() + 1) + " and " + std::to_string(i + 1) +
                 ")";
        }
        if (std::ranges::find(added, name) != added.end()) {
          return "column " + Quoted(name) + " is one the batch writes (" + AddedNames() +
                 "): rename it";
        }
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
  static std::string AddedNames() {
    std::string names;
    for (const std::string_view name : BatchColumns()) {
      names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
  }

  std::vector<std::string> names_;
};

std::string KnownModes() {
  std::string known;
  for (const Calculation& each : Calculations()) {
    known += (known.empty() ? "" : ", ") + std::string(each.name);
  }
  return known;
}

// One record's calculation, or the error that prevents it.
Result<Outcome> RunRecord(const Columns& columns, const CsvRecord& record,
                          const NumberMarks& marks) {
  if (!record.problem.empty()) return Refused(record.problem);
  if (record.fields.size() != columns.size()) {
    return Refused("expected " + std::to_string(columns.size()) + " fields, found " +
                   std::to_string(record.fields.size()));
  }
  // A blank cell is an input not given, as a column left out.
  const auto cell = [&](std::string_view name) -> std::optional<std::string_view> {
    const std::optional<std::size_t> column = columns.Find(name);
    if (!column) return std::nullopt;
    const std::string_view text = record.fields[*column];
    if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
    return text;
  };
  ReadContext context{UnitSystem::English, "", marks};
  if (const auto given = cell("units")) {
    const std::optional<UnitSystem> read = ReadUnits(*given);
    if (!read) return Refused("units must be english or metric, not " + Quoted(*given));
    context.units = *read;
  }
  const Calculation* calculation = FindCalculation(Lower(Trim(cell("mode").value_or(""))));
  if (calculation == nullptr) {
    return Refused("unknown mode " + Quoted(cell("mode").value_or("")) + " (" + KnownModes() +
                   ")");
  }
  return Calculate(*calculation, cell, context);
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
    if (separator_ == ';') marks_ = {",", ".", true};
    reader_.SetSeparator(separator_);
    CsvRecord header;
    const CsvReader::Next first = reader_.Read(header);
    if (first == CsvReader::Next::kReadError) return ReadFailed();
    if (first == CsvReader::Next::kEnd) {
      return Say("the input is empty: the first line must be a CSV header with a mode column")
                 ? kBadInput
                 : kFailed;
    }
    const std::string problem =
        header.problem.empty() ? columns_.Read(header.fields) : header.problem;
    if (!problem.empty()) {
      return Say("line " + std::to_string(header.line) + ": " + problem) ? kBadInput : kFailed;
    }
    std::vector<std::string_view> cells(header.fields.begin(), header.fields.end());
    const auto added = BatchColumns();
    cells.insert(cells.end(), added.begin(), added.end());
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
    const Result<Outcome> result = RunRecord(columns_, record, marks_);
    std::vector<std::string_view> cells(record.fields.begin(), record.fields.end());
    cells.resize(columns_.size());
    std::vector<std::string> added;  // the cells point into it
    if (result) {
      added = BatchCells(*result, marks_.decimal.front());
    } else {
      added.resize(BatchColumns().size());
      added[3] = result.why();
      status = kBadInput;
      if (!Say("line " + std::to_string(record.line) + ": " + added[3])) return false;
    }
    cells.insert(cells.end(), added.begin(), added.end());
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

  // A line on standard error, after the results before it (so that the two
  // interleave in order when they go to one place).
  bool Say(const std::string& message) {
    (void)out_.Flush();  // a failure shows at the next write
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
  char separator_ = ',';
  NumberMarks marks_;
  std::uint64_t written_ = 0;                           // bytes handed to the sink
  std::deque<std::pair<std::uint64_t, long>> pending_;  // (end of a record's output, its line)
  long delivered_ = 0;
};

}  // namespace

Status RunBatch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options) {
  return Batch(in, out, err, options).Run();
}

}  // namespace ostrevin::calc
