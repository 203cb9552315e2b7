// One calculation's result, written for people (a value and its unit, lines
// of detail) and for programs (one JSON object on one line).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "calc/json.h"
#include "core/electrode_formulas.h"
#include "core/result.h"

namespace ostrevin::calc {

// Exit statuses of the program; also what a calculation's outcome means.
enum Status : int {
  kAnswered = 0,  // a result
  kFailed = 1,    // an input could not be read or an output could not be written
  kBadInput = 2,  // unknown command or option, unreadable or out-of-range number, bad CSV
  kNoAnswer = 3,  // the formula gives no result: "na"
};

struct SolvedElectrode;  // electrodes.h

// A table of text: its columns' headings, its rows' cells, and the width
// each column is padded to (right-aligned) in the text.
struct TextTable {
  std::vector<std::string> columns;
  std::vector<std::size_t> widths;
  std::vector<std::vector<std::string>> rows;
};

struct Outcome {
  std::string command;                // resistance, length, rho, group, ...
  UnitSystem units = UnitSystem::English;
  std::vector<JsonMember> inputs;     // as read, in the unit system's units
  std::string result = "na";          // as the window shows it ("17.868", "6.100"), or "na"
  std::string unit;                   // "ohms", "ft", "m", "ohm-cm", "rods"
  std::string valueKey;               // the JSON name of the value: "ohms", "length_m", ...
  std::optional<double> value;        // full precision; a length in metres
  std::string why;                    // why there is no result ("reason" in JSON)
  std::vector<JsonMember> fields;     // more JSON members, after the value
  std::vector<std::string> details;   // lines of text after the result
  TextTable table;                    // after the details; none without columns
  std::vector<std::string> warnings;  // where a formula is used outside its validity
  std::vector<std::string> notes;     // about the input: a unit that looks mistaken
  bool listWarnings = false;          // "warnings" in the JSON even when there are none
  // An electrode's conductors, solution and map, for its pictures and tables.
  std::shared_ptr<const SolvedElectrode> electrode;

  Status status() const { return value ? kAnswered : kNoAnswer; }
  const JsonValue* Field(std::string_view key) const;
  // A member of an object field ("en50522", "branch"); nothing when either is missing.
  const JsonValue* Member(std::string_view key, std::string_view member) const;
};

// A new outcome of `command` with its inputs as read; the result is "na" until set.
Outcome StartOutcome(std::string command, UnitSystem units, std::vector<JsonMember> inputs);

// The outcome of a calculation that failed: "na" with the reason when there
// is no answer; the failure itself (a refusal) otherwise.
Result<Outcome> Unanswered(Outcome outcome, const Why& why);

// "17.868 ohms" and any detail lines (and the table, padded), or "na".
std::string ToText(const Outcome& outcome, bool withTable = true);

// The outcome as one JSON object, e.g.
// {"command":"rho","units":"english","spacing":3,"reading":1,"result":"574.534",
//  "unit":"ohm-cm","ohm_cm":574.534}
// A number that is not finite is written null (and the calculation that
// made it is at fault: Calculate turns it into "na").
JsonObject ToJsonObject(const Outcome& outcome);
std::string ToJson(const Outcome& outcome);

// Whether every number of the outcome is finite.
bool AllFinite(const Outcome& outcome);

// Ohms as the program shows them: three decimals.
std::string ShowOhms(double ohms);

}  // namespace ostrevin::calc
