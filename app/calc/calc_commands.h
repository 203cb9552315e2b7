// The calculations of the command-line calculator, as text: the same core,
// rounding, "na" and input ranges as the window, written for people (a value
// and its unit), for programs (JSON) and in batches (CSV). No toolkit.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
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
  kFailed = 1,    // a file could not be read or written
  kBadInput = 2,  // unknown command or option, unreadable or out-of-range number
  kNoAnswer = 3,  // the formula gives no result: "na"
};

// One calculation and its result.
struct Outcome {
  std::string command;                                 // resistance, length or rho
  int units = 0;                                       // 0 English, 1 Metric
  std::vector<std::pair<std::string, double>> inputs;  // as given, in option order
  std::string result;           // as the window shows it ("17.868", "6.100"), or "na"
  std::string unit;             // "ohms", "ft", "m", "ohm-cm"
  std::string valueKey;         // "ohms", "length_m" or "ohm_cm"
  std::optional<double> value;  // full precision; length_m in metres
  std::string reason;           // why there is no result

  Status status() const { return value ? kAnswered : kNoAnswer; }
};

Outcome ResistanceOf(double rho, double diameter, double length, int units);
Outcome LengthFor(double rho, double diameter, double target, int units);
Outcome RhoFrom(double spacing, double reading, int units);

// "17.868 ohms", or "na".
std::string ToText(const Outcome& outcome);
// One JSON object on one line.
std::string ToJson(const Outcome& outcome);

// A number given for an option, checked against its field's range. On failure
// returns nothing and sets `error` to a message naming the option and range.
std::optional<double> ReadNumber(std::string_view option, std::string_view text, FieldRange range,
                                 std::string& error);
// "english" or "metric", any case; nothing otherwise.
std::optional<int> ReadUnits(std::string_view text);

// The inputs of a calculation by name ("rho", "diameter", ...): the text
// given, or nothing when it was not given.
using InputLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The calculation of a mode (resistance, length or rho) from its inputs, each
// checked against its field's range; or the error that prevents it, naming the
// input as an option ("--rho is missing", "--rho needs a number between ...").
std::variant<Outcome, std::string> Calculate(std::string_view mode, const InputLookup& input,
                                             int units);

// CSV in, CSV out: a header naming the columns (mode, optional units, and the
// inputs of the modes used: rho, diameter, length, target, spacing, reading),
// one calculation a row. The output repeats each row and adds result, unit,
// value and error. A bad row gets its error and the rest still goes through.
// Returns kAnswered, kBadInput when a row had an error, kFailed when the input
// has no usable header.
Status RunBatch(std::istream& in, std::ostream& out, std::ostream& err);

// Resistance against rod length for one rod, on a logarithmic length scale
// from the scan's first step to well past the peak (and past the found length).
struct Curve {
  std::string title;
  int units = 0;
  std::vector<std::pair<double, double>> points;  // metres, ohms
  double peakMetres = 0, peakOhms = 0;
  std::optional<double> target;       // ohms
  std::optional<double> foundMetres;  // the length for the target
};
Curve MakeCurve(double rho, double diameter, int units, std::optional<double> target);
std::string CurveCsv(const Curve& curve);

// A length in metres in the unit system's length unit, three decimals.
std::string ShowLength(double metres, int units);
std::string_view LengthUnit(int units);

}  // namespace ostrevin::calc
