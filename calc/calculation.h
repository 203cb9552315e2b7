// The calculations of the command-line calculator, as text: the same core,
// rounding, "na" and input ranges as the window, written for people (a value
// and its unit) and for programs (JSON).
//
// Data flow: option or column text -> Inputs / ReadQuantity (unit, range of
// the quantity's field) -> the mode's computation -> Outcome -> ToText / ToJson.
// No toolkit, no input or output of its own.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/field_ranges.h"

namespace ostrevin::calc {

// Exit statuses of the program.
enum Status : int {
  kAnswered = 0,  // a result
  kFailed = 1,    // an input could not be read or an output could not be written
  kBadInput = 2,  // unknown command or option, unreadable or out-of-range number, bad CSV
  kNoAnswer = 3,  // the formula gives no result: "na"
};

// What a quantity measures, which decides the units it may carry.
enum class Dimension {
  kResistivity,  // ohm-cm; or with a unit: ohm-cm, ohm-m
  kDiameter,     // inches (English) or metres (Metric); or in, ft, mm, cm, m
  kLength,       // feet (English) or metres (Metric); or in, ft, mm, cm, m
  kResistance,   // ohms; "ohm" or "ohms" may follow
  kCount,        // a whole number
  kText,         // read by the calculation itself (a layout, coordinates)
};

// An input the calculator takes: its option and CSV column name, the range
// of its field in the window (in the unit system's unit), what it means. One
// table serves the parser, the help text and the batch columns.
struct Quantity {
  std::string_view name;     // "rho"
  FieldRange range;          // inclusive bounds, from core/field_ranges.h
  std::string_view metavar;  // "R", as the help text shows the value
  std::string_view meaning;  // "soil resistivity, ohm-cm"
  Dimension dimension = Dimension::kResistance;
  std::string_view withUnit = {};  // the value with a unit, for the help: "20ohm-m"
};
std::span<const Quantity> Quantities();
const Quantity* FindQuantity(std::string_view name);

// One calculation and its result.
struct Outcome {
  std::string command;                                 // resistance, length, rho, group, ...
  int units = 0;                                       // 0 English, 1 Metric
  std::vector<std::pair<std::string, double>> inputs;  // as read, in the unit system's units
  std::string result;           // as the window shows it ("17.868", "6.100"), or "na"
  std::string unit;             // "ohms", "ft", "m", "ohm-cm"
  std::string valueKey;         // "ohms", "length_m" or "ohm_cm"
  std::optional<double> value;  // full precision; length_m in metres
  std::string reason;           // why there is no result
  // More JSON members, each a key and its JSON text ("1.667", "true", "[]").
  std::vector<std::pair<std::string, std::string>> fields;
  std::vector<std::string> details;   // lines of text after the result
  std::vector<std::string> warnings;  // where the formula is used outside its validity

  Status status() const { return value ? kAnswered : kNoAnswer; }
};

Outcome ResistanceOf(double rho, double diameter, double length, int units);
Outcome LengthFor(double rho, double diameter, double target, int units);
Outcome RhoFrom(double spacing, double reading, int units);

// "17.868 ohms" (and any detail lines), or "na".
std::string ToText(const Outcome& outcome);
// One JSON object on one line, e.g.
// {"command":"rho","units":"english","spacing":3,"reading":1,"result":"574.534",
//  "unit":"ohm-cm","ohm_cm":574.534}
std::string ToJson(const Outcome& outcome);
std::string JsonString(std::string_view text);

// The value of a quantity given as text, in the unit system's unit, checked
// against its range: "20ohm-m" is 2000 (ohm-cm), "16mm" 0.016 (Metric) or
// 0.6299... (English, inches); without a unit the unit system's. With
// decimalMark ',' a comma is read as the decimal point. On failure returns
// nothing and sets `error`: "--rho needs a number between 0.0001 and 1000000,
// not "abc"" (`prefix` is "--" for an option, "" for a column).
std::optional<double> ReadQuantity(const Quantity& quantity, std::string_view text,
                                   std::string_view prefix, std::string& error, int units = 0,
                                   char decimalMark = '.');

// "english" or "metric", any case, surrounding blanks ignored; nothing otherwise.
std::optional<int> ReadUnits(std::string_view text);

// The text given for an input by name ("rho", "diameter", ...), or nothing
// when it was not given.
using InputLookup = std::function<std::optional<std::string_view>(std::string_view name)>;

// The inputs of one calculation, read on demand; the first error is kept.
class Inputs {
 public:
  Inputs(const InputLookup& lookup, int units, std::string_view prefix, char decimalMark)
      : lookup_(lookup), units_(units), prefix_(prefix), decimalMark_(decimalMark) {}
  int units() const { return units_; }
  bool Given(std::string_view name) const { return lookup_(name).has_value(); }
  std::optional<std::string_view> Text(std::string_view name) const { return lookup_(name); }
  // A quantity's value; nothing when not given (or unreadable: see error()).
  std::optional<double> Optional(std::string_view name);
  // A quantity's value; "--rho is missing" when not given.
  std::optional<double> Required(std::string_view name);
  // Sets the error unless one is already set; returns nothing, for brevity.
  std::nullopt_t Fail(std::string message);
  // The name as the user wrote it: "--rho" for an option, "rho" for a column.
  std::string Named(std::string_view name) const {
    return std::string(prefix_) + std::string(name);
  }
  const std::optional<std::string>& error() const { return error_; }

 private:
  const InputLookup& lookup_;
  int units_;
  std::string_view prefix_;
  char decimalMark_;
  std::optional<std::string> error_;
};

// A calculation: its name (also the batch's mode), what it gives, its
// inputs (in the order its formula takes them) and how it is worked out.
struct ModeInput {
  std::string_view name;
  bool required = true;
  std::string_view help = {};  // replaces the quantity's meaning in this mode's help
};
struct Mode {
  std::string_view name;     // "resistance"
  std::string_view summary;  // "the resistance of a rod of a given length"
  std::vector<ModeInput> inputs;
  std::variant<Outcome, std::string> (*compute)(Inputs& inputs);
  std::string details;       // the help's paragraph
  std::string_view example;  // a command and what it prints
};
std::span<const Mode> Modes();
const Mode* FindMode(std::string_view name);

// The calculation of a mode from its inputs, each checked against its range;
// or the error that prevents it, naming the input with `prefix` ("--rho is
// missing", "rho needs a number between ...").
std::variant<Outcome, std::string> Calculate(const Mode& mode, const InputLookup& input, int units,
                                             std::string_view prefix = "--",
                                             char decimalMark = '.');

// A length in metres in the unit system's length unit, three decimals.
std::string ShowLength(double metres, int units);
std::string_view LengthUnit(int units);
std::string_view DiameterUnit(int units);

// Text from the input as a message may show it: in double quotes, with
// control characters, C1 controls and bytes that are not UTF-8 escaped
// (\n, \t, \x1b, \u009b), so that no input reaches the terminal as a command.
std::string Quoted(std::string_view text);

}  // namespace ostrevin::calc
