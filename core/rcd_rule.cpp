#include "core/rcd_rule.h"

#include <array>
#include <cmath>

#include "core/nec_rule.h"
#include "core/number_text.h"

namespace ostrevin {

namespace {

// BS 7671:2018+A2:2022, Table 41.5: rated residual operating current (A)
// and the largest earth fault loop impedance (ohms) at U_L 50 V.
struct TableRow {
  double amps;
  double ohms;
};
constexpr std::array<TableRow, 4> kTable415{{{0.030, 1667}, {0.100, 500}, {0.300, 167}, {0.500, 100}}};

}  // namespace

std::string CodeEdition(EarthCode code) {
  switch (code) {
    case EarthCode::kNec:
      return kNecEdition;
    case EarthCode::kIec60364:
      return "IEC 60364-4-41:2005+A1:2017";
    case EarthCode::kBs7671:
      return "BS 7671:2018+A2:2022";
  }
  return {};
}

std::string CodeName(EarthCode code) {
  switch (code) {
    case EarthCode::kNec:
      return "NEC";
    case EarthCode::kIec60364:
      return "IEC 60364-4-41";
    case EarthCode::kBs7671:
      return "BS 7671";
  }
  return {};
}

Result<RcdLimit> RcdLimitOhms(EarthCode code, double rcdAmps, double ulVolts) {
  if (code == EarthCode::kNec) return Refused("the NEC's rule is 25 ohms for one rod, with no RCD");
  if (!(rcdAmps >= kRcdMinAmps && rcdAmps <= kRcdMaxAmps)) {
    return Refused("an RCD's rated residual current is between 1 mA and 10 A, not " +
                   FormatNumber(rcdAmps) + " A");
  }
  if (ulVolts != 50 && ulVolts != 25) {
    return Refused("U_L is 50 V, or 25 V in a special location, not " + FormatNumber(ulVolts) + " V");
  }
  if (code == EarthCode::kBs7671 && ulVolts == 50) {
    for (const TableRow& row : kTable415) {
      if (std::abs(rcdAmps - row.amps) <= 1e-9) return RcdLimit{row.ohms, "Table 41.5"};
    }
  }
  return RcdLimit{ulVolts / rcdAmps, "411.5.3"};
}

}  // namespace ostrevin
