// Batches: CSV in, CSV out, one calculation a record, streamed.
//
// Data flow: ByteSource -> CsvReader (records, physical line numbers) ->
// header checked once -> each record: Calculate (the table of
// calculations, the record's mode) -> CsvLine -> ByteSink. With ";" as the
// separator a decimal comma is read and written (a point groups thousands
// only beside it). The output keeps the input's separator, decimal mark and
// byte-order mark, so it goes back into the same spreadsheet. Every record
// gets the same added columns (BatchColumns), empty where they do not apply.
// This module does not open files or decide exit statuses beyond RunBatch's.
#pragma once

#include <optional>
#include <string>

#include "calc/calculations.h"
#include "calc/csv_reader.h"
#include "cli/io.h"

namespace ostrevin::calc {

struct BatchOptions {
  std::optional<char> separator;  // ',' or ';'; detected from the header when not given
  std::string inputName = "standard input";
  std::optional<std::string> units;  // the units of records without a units column (english when none)
};

// Runs every record of `in` and writes the results to `out`: each record as
// it came, plus the added columns. A bad record gets its error and a line on
// `err` ("line 7: rho is missing"), and the rest still goes through.
// Returns kAnswered; kBadInput when the header or any record was bad; kFailed
// when reading or writing failed, after one line on `err` naming what failed,
// the last input line whose result was written and the line reached.
Status RunBatch(ByteSource& in, ByteSink& out, ByteSink& err, const BatchOptions& options);

}  // namespace ostrevin::calc
