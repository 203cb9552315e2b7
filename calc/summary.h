// The criteria an answer is judged by, as every face leads with them: the
// resistance against its target or the code's rule, the touch voltage
// inside, the step voltage, the touch voltage at the fence, the conductor's
// size; each as quantity, value, limit, margin and pass or fail, then the
// verdict in words. The command line prints them under its first line, the
// page above its details, the report in its first table.
#pragma once

#include <string>
#include <vector>

#include "calc/outcome.h"

namespace ostrevin::calc {

// One criterion. `limit` and `margin` are empty for a value that is not
// judged; `pass` is then "not judged".
struct SummaryRow {
  std::string quantity;  // "Touch voltage inside"
  std::string value;     // "986.4 V"
  std::string limit;     // "837.6 V"
  std::string margin;    // "-17.8 %": the share of the limit left (negative when over)
  std::string pass;      // "pass", "fail" or "not judged"
};

// An electrode's criteria, in that order: the resistance against its
// target (or NEC 250.53(A)(2)'s 25 ohms for the check), the voltages against
// their limits (IEEE 80) where a fault current was given, the conductor
// against IEEE 80's least cross-section. `givenTarget` is the target as
// written where the outcome has none as a number. Empty when the outcome
// has no resistance.
std::vector<SummaryRow> SummaryOf(const Outcome& electrode, const std::string& givenTarget = {});

// True when at least one criterion is judged (a pass or a fail).
bool Judges(const std::vector<SummaryRow>& criteria);

// The verdict in words: every criterion met, or those that fail.
std::string VerdictOf(const std::vector<SummaryRow>& criteria);

// The criteria as a text table, padded, then the verdict:
//   criterion                     value     limit    margin  result
//   Touch voltage inside        986.4 V   837.6 V   -17.8 %  fail
std::string SummaryText(const std::vector<SummaryRow>& criteria);

// The outcome's text (ToText) with its criteria and verdict under the first
// line when any is judged: scripts still read the answer with `head -1`.
std::string TextWithSummary(const Outcome& outcome, const std::string& givenTarget = {});

// The criteria as JSON: [{"quantity", "value", "limit", "margin", "result"}, ...].
JsonArray SummaryJson(const std::vector<SummaryRow>& criteria);

}  // namespace ostrevin::calc
