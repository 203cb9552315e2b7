// A Wenner survey from a CSV file, read as the batch reads its files (a
// byte-order mark, CR or CRLF, "," or ";" with decimal commas, a tab with
// the decimal mark its cells show (ShownMarks), quotes): a
// spacing column, a reading (the instrument's ohms) or rho column (the
// apparent resistivity), and optionally the probes' depth; other columns
// are left alone. A record the reader cannot use becomes a row whose
// problem is reported with its line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calc/byte_source.h"
#include "calc/number_reading.h"
#include "calc/outcome.h"
#include "calc/fall_test.h"
#include "calc/soil_survey.h"

namespace ostrevin::calc {

struct SurveyFile {
  std::optional<char> separator;  // detected from the header when not given
  std::string name;               // for messages
  NumberMarks marks;              // set from the separator
};

// The survey's rows; refused when the header lacks its columns or a column
// appears twice, or the file has more than kMaxSurveyRows rows; failed when
// reading fails. A row that cannot be read is kept with its problem.
Result<std::vector<SurveyRow>> ReadSurvey(ByteSource& in, SurveyFile& file);

// A fall-of-potential test's rows, read the same way: the columns distance
// (the potential probe's) and reading (ohms). Refused and failed as a survey.
Result<std::vector<FallRow>> ReadFallRows(ByteSource& in, SurveyFile& file);

}  // namespace ostrevin::calc
