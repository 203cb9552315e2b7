// Fuzzes the CSV batch: any bytes as input give one output record per input
// record (after the header), each as wide as the header plus the added
// columns, and never a crash, a hang or an unbounded allocation. The same
// bytes pasted into each of the page's tables give JSON: an error, or at
// most the page's rows, each as wide as the table.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "calc/page_tables.h"
#include "calc/tools.h"
#include "cli/batch.h"

namespace {

using namespace ostrevin::calc;

// The records after the header and the header's width, read with the given
// separator or the one the batch would detect; `even` tells whether every
// record is as wide as the header.
struct Counted {
  long records = 0;
  std::size_t width = 0;
  char separator = ',';
  bool even = true;
};

Counted Count(const std::string& text, std::optional<char> separator) {
  StringSource source(text);
  CsvReader reader(source);
  Counted counted;
  counted.separator = separator ? *separator : reader.DetectSeparator().value_or(',');
  reader.SetSeparator(counted.separator);
  CsvRecord record;
  if (reader.Read(record) != CsvReader::Next::kRecord) return counted;
  counted.width = record.fields.size();
  while (reader.Read(record) == CsvReader::Next::kRecord) {
    ++counted.records;
    counted.even = counted.even && record.fields.size() == counted.width;
  }
  return counted;
}

void CheckPasted(const std::string& input) {
  for (const auto& [tool, width] : {std::pair{"survey", 4u}, {"test", 2u}, {"electrodes", 7u}}) {
    const auto answer = nlohmann::json::parse(ReadPageTable(tool, input, "", {",", "."}));
    if (answer.contains("error")) continue;
    const auto& rows = answer.at("rows");
    if (rows.size() > kMaxTableRows) __builtin_trap();
    for (const auto& row : rows) {
      if (row.size() != width) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckPasted(input);
  StringSource in(input);
  StringSink out, err;
  const Status status = RunBatch(in, out, err, {});
  if (status == kFailed) __builtin_trap();  // memory never fails to read or write
  if (out.text.empty()) return 0;           // the header was refused
  const Counted given = Count(input, std::nullopt);
  const Counted written = Count(out.text, given.separator);
  if (written.records != given.records || written.width != given.width + BatchColumns().size() ||
      !written.even) {
    __builtin_trap();
  }
  return 0;
}
