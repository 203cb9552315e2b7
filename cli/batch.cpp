#include "cli/batch.h"

#include <algorithm>
#include <cstdint>
#include <deque>

#include "calc/text.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {

namespace {

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

std::string KnownModes() {
  std::string known;
  for (const Calculation& each : Calculations()) {
    known += (known.empty() ? "" : ", ") + std::string(each.name);
  }
  return known;
}

// One record's calculation, or the error that prevents it.
Result<Outcome> RunRecord(const CsvTable& table, const CsvRecord& record,
                          const std::optional<std::string>& units) {
  if (const Checked checked = table.CheckRecord(record); !checked) return checked.Failed();
  // A blank cell is an input not given, as a column left out.
  const InputLookup cell = [&](std::string_view name) { return table.Cell(record, name); };
  ReadContext context{UnitSystem::English, "", table.Marks()};
  if (units) ReadUnitChoice(*units, context);
  if (const auto given = cell("units"); given && !ReadUnitChoice(*given, context)) {
    return Refused("units must be english, metric or si, not " + Quoted(*given));
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
      : table_(in, options.inputName, options.separator), units_(options.units), out_(out), err_(err) {}

  Status Run() {
    const Checked header = table_.ReadHeader(
        "the input is empty: the first line must be a CSV header with a mode column",
        BatchColumns());
    if (!header) return Stop(header.Failed());
    if (!table_.Find("mode")) {
      return Stop(Refused("line " + std::to_string(table_.Header().line) +
                          ": the header has no mode column (the first line must name the "
                          "columns, e.g. mode,rho,diameter,length)"));
    }
    const std::vector<std::string>& names = table_.Header().fields;
    std::vector<std::string_view> cells(names.begin(), names.end());
    const auto added = BatchColumns();
    cells.insert(cells.end(), added.begin(), added.end());
    const std::string start = table_.HadByteOrderMark() ? std::string(kByteOrderMark) : "";
    if (!Put(start + CsvLine(cells, table_.Separator()), table_.Header().line)) {
      return WriteFailed();
    }

    Status status = kAnswered;
    CsvRecord record;
    for (;;) {
      const Result<bool> next = table_.Next(record);
      if (!next) return Stop(next.Failed());
      if (!*next) break;
      if (!WriteRecord(record, status)) return WriteFailed();
    }
    if (!out_.Flush()) return WriteFailed();
    return status;
  }

 private:
  bool WriteRecord(const CsvRecord& record, Status& status) {
    const Result<Outcome> result = RunRecord(table_, record, units_);
    std::vector<std::string_view> cells(record.fields.begin(), record.fields.end());
    cells.resize(table_.Header().fields.size());
    std::vector<std::string> added;  // the cells point into it
    if (result) {
      added = BatchCells(*result, table_.Marks().decimal.front());
    } else {
      added.resize(BatchColumns().size());
      added[3] = result.why();
      status = kBadInput;
      if (!Say("line " + std::to_string(record.line) + ": " + added[3])) return false;
    }
    cells.insert(cells.end(), added.begin(), added.end());
    return Put(CsvLine(cells, table_.Separator()), record.line);
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

  // Stops the batch with a line on standard error: bad input, or a failed read.
  Status Stop(const Why& why) {
    if (!Say(why.text)) return kFailed;
    return why.failure == Failure::kRefused ? kBadInput : kFailed;
  }

  Status WriteFailed() {
    const long delivered = Delivered();
    Say("cannot write standard output: " + out_.ErrorText() + " (" +
        (delivered == 0 ? std::string("nothing written")
                        : "written up to input line " + std::to_string(delivered)) +
        ", stopped at line " +
        std::to_string(pending_.empty() ? table_.Line() : pending_.back().second) + ")");
    return kFailed;
  }

  CsvTable table_;
  std::optional<std::string> units_;
  ByteSink& out_;
  ByteSink& err_;
  std::uint64_t written_ = 0;                           // bytes handed to the sink
  std::deque<std::pair<std::uint64_t, long>> pending_;  // (end of a record's output, its line)
  long delivered_ = 0;
};

}  // namespace

Status RunBatch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options) {
  return Batch(in, out, err, options).Run();
}

}  // namespace ostrevin::calc
