// An earth electrode of a TT installation judged against the residual-
// current device (RCD) that protects it, as the codes outside the US do:
//   IEC 60364-4-41:2005+A1:2017, 411.5.3: R_A x I_dn <= U_L, so that a fault
//     cannot hold an exposed part above the conventional touch voltage
//     limit U_L: 50 V, or 25 V where a special location (the 700 series)
//     says so;
//   BS 7671:2018+A2:2022, 411.5.3 and Table 41.5 (non-delayed and S-type
//     RCDs): the same rule, printed for U_L 50 V as 30 mA 1,667 ohms,
//     100 mA 500, 300 mA 167, 500 mA 100;
//   the IET On-Site Guide's advice that an electrode above 200 ohms may not
//     be stable (its resistance moves with the season and the soil).
// The US code's 25-ohm rule for one rod is nec_rule.h's.
//
// Worked example: a 30 mA RCD at U_L 50 V allows R_A up to 50 / 0.030 =
// 1,666.7 ohms (BS 7671's table prints 1,667).
#pragma once

#include <optional>
#include <string>

#include "core/result.h"

namespace ostrevin {

enum class EarthCode { kNec, kIec60364, kBs7671 };

inline constexpr double kRcdMinAmps = 0.001;
inline constexpr double kRcdMaxAmps = 10;
inline constexpr double kStableOhms = 200;  // the On-Site Guide's advice

struct RcdLimit {
  double ohms = 0;     // the largest R_A the rule allows
  std::string clause;  // "411.5.3", "Table 41.5" (of the code's CodeName)
};

// The rule's largest R_A for an RCD of `rcdAmps` (1 mA to 10 A) at `ulVolts`
// (50 or 25): refused outside those, and for the NEC (whose rule is a fixed
// 25 ohms and knows no RCD). Under BS 7671 a device and U_L of Table 41.5's
// rows give the table's printed value.
Result<RcdLimit> RcdLimitOhms(EarthCode code, double rcdAmps, double ulVolts);

// The code's edition as cited: "NEC 2020/2023", "IEC 60364-4-41:2005+A1:2017",
// "BS 7671:2018+A2:2022"; and its name as a clause is cited under it: "NEC",
// "IEC 60364-4-41", "BS 7671".
std::string CodeEdition(EarthCode code);
std::string CodeName(EarthCode code);

}  // namespace ostrevin
