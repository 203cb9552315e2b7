// A table of conductors from a CSV file, read as the batch reads its files
// (a byte-order mark, CR or CRLF, "," or ";" with decimal commas, a tab with
// the decimal mark its cells show, quotes):
// the columns x1,y1,z1,x2,y2,z2,diameter in any order and case, others
// left alone. A record the reader cannot use becomes a row whose problem is
// reported with its line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calc/electrodes.h"
#include "calc/number_reading.h"
#include "calc/byte_source.h"

namespace ostrevin::calc {

struct ConductorFile {
  std::optional<char> separator;  // detected from the header when not given
  std::string name;               // for messages
  NumberMarks marks;              // set from the separator
};

// The table's rows; refused when the header lacks a column or names one
// twice, or the file has more than kMaxConductorRows rows; failed when
// reading fails.
Result<std::vector<ConductorRow>> ReadConductors(ByteSource& in, ConductorFile& file);

// An outline from a CSV file of its corners in order, the columns x and y
// (each cell with its unit, or in `units`), as the outline option's text
// ("12.5m,0m 30m,0m ..."): refused naming the line of a cell that is no
// length, a file with no corner, or more than kMaxOutlineCorners; failed
// when reading fails.
Result<std::string> ReadOutlineFile(ByteSource& in, ConductorFile& file, UnitSystem units);

}  // namespace ostrevin::calc
