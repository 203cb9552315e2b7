// The library of calculations: one table of every calculation the command
// line, its batch and the page offer, with the options each takes, its help
// and its computation. No input or output of its own, no toolkit: the page
// runs the same table through WebAssembly, so that a calculation, a range or
// a message exists once.
//
// Data flow: option, column or field text -> Inputs (ReadQuantity: unit,
// marks, range) -> the calculation's Compute -> Outcome -> ToText / ToJson.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "calc/outcome.h"
#include "calc/quantities.h"
#include "core/earth_solver.h"

namespace ostrevin::calc {

enum class OptionKind {
  kQuantity,  // a value of the quantity of the same name (quantities.h)
  kUnits,     // english or metric
  kFlag,      // no value
  kText,      // a value the command reads itself (a file name, a separator)
  kOutput,    // a file the command writes (never one of its inputs)
};

struct Option {
  std::string_view name;  // without the leading "--"
  OptionKind kind = OptionKind::kQuantity;
  bool required = false;
  std::string_view metavar = {};  // kText, kOutput, kFlag; a quantity's comes from its table
  std::string_view help = {};     // replaces the quantity's meaning in this calculation
  std::string_view label = {};    // replaces the quantity's label on the page
  bool columnOnly = false;        // a batch column (and a page field), not a command-line option
  std::string_view choices = {};  // a choice's words this calculation takes, when not all of them
};

// How much work a calculation may take on: the electrode solver's memory
// and the points of a surface map (the page takes less than the command line).
struct WorkBounds {
  std::size_t bytes = kMostBytes;
  std::size_t mapPoints = 1'000'000;
};
// The page's: its WebAssembly memory is 512 MB at most.
inline constexpr WorkBounds kPageBounds{512'000'000, 250'000};

// The text given for an input by name ("rho", "diameter", ...), or nothing
// when it was not given.
using InputLookup = std::function<std::optional<std::string_view>(std::string_view name)>;

// The inputs of one calculation, read on demand; the first error is kept,
// and the hints of every value read.
class Inputs {
 public:
  Inputs(const InputLookup& lookup, const ReadContext& context, Progress progress = {},
         WorkBounds bounds = {})
      : lookup_(lookup), context_(context), progress_(std::move(progress)), bounds_(bounds) {}
  UnitSystem units() const { return context_.units; }
  const ReadContext& context() const { return context_; }
  bool Given(std::string_view name) const { return lookup_(name).has_value(); }
  std::optional<std::string_view> Text(std::string_view name) const { return lookup_(name); }
  // A quantity's value in the unit system's unit; nothing when not given (or
  // unreadable: see refusal()).
  std::optional<double> Optional(std::string_view name);
  // A quantity's value; "--rho is missing" when not given.
  std::optional<double> Required(std::string_view name);
  // A choice's word ("line"), any case; an error naming the choices otherwise.
  std::optional<std::string_view> Choice(std::string_view name, bool required);
  // A note about the input, said beside the result.
  void Note(std::string note) { hints_.push_back(std::move(note)); }
  // Sets the error unless one is already set; returns nothing, for brevity.
  std::nullopt_t Fail(std::string message);
  // Refuses `name` when it is given: "--rods does not go with --layout triangle".
  void Refuse(std::string_view name, std::string_view because);
  // The name as the user wrote it: "--rho" for an option, "rho" for a column.
  std::string Named(std::string_view name) const;
  const std::optional<std::string>& refusal() const { return refusal_; }
  const std::vector<std::string>& hints() const { return hints_; }
  // Told now and then how far a long calculation has come (a large group in layers).
  const Progress& progress() const { return progress_; }
  const WorkBounds& bounds() const { return bounds_; }

 private:
  const InputLookup& lookup_;
  ReadContext context_;
  Progress progress_;
  WorkBounds bounds_;
  std::optional<std::string> refusal_;
  std::vector<std::string> hints_;
};

// A uniform soil's resistivity (the closed forms') in its worst season:
// times --season-factor when given, said in a note.
double SeasonRho(Inputs& in, double rho);

using Compute = Result<Outcome> (*)(Inputs& inputs);

// A calculation: its name (the command, the batch's mode, the page's tool),
// what it gives, its options (in the order its formula takes them), how it
// is worked out, its help paragraph and an example with what it prints.
// A design for a wanted resistance (--target): the option it finds in place
// of being given, over what range (metres; or meshes a side, n x n), by
// bisection on the calculation itself (its resistance falls as it grows).
struct DesignFor {
  std::string_view option;
  double lo = 0, hi = 0;
  bool meshes = false;
};

struct Calculation {
  std::string_view name;
  std::string_view summary;
  std::vector<Option> options;
  Compute compute = nullptr;
  std::string details;
  std::string_view example;
  std::optional<DesignFor> design = std::nullopt;
};
std::span<const Calculation> Calculations();
const Calculation* FindCalculation(std::string_view name);

// The calculation from its inputs, each checked against its range; or the
// error that prevents it, naming the input as the context writes names
// ("--rho is missing", "rho needs a resistivity between ..."). An outcome
// with a number that is not finite becomes "na" with the reason: no such
// number is ever shown as a result.
Result<Outcome> Calculate(const Calculation& calculation, const InputLookup& input,
                          const ReadContext& context, const Progress& progress = {},
                          const WorkBounds& bounds = {});

// The columns a batch adds to every record, in order: result, unit, value,
// error, then the members some calculations give that a spreadsheet filters
// on (the 25-ohm check's verdict and second rods; an electrode's rise, its
// touch and step voltages, their limits and the verdicts), empty where they
// do not apply.
std::span<const std::string_view> BatchColumns();

// What the batch writes in the added columns for an outcome, numbers with
// the file's decimal mark.
std::vector<std::string> BatchCells(const Outcome& outcome, char decimalMark = '.');

// A length in metres in the unit system's length unit, three decimals.
std::string ShowLength(double metres, UnitSystem units);
// A value rounded up to its third decimal (a design's length printed so
// that it still meets its target); one on the third decimal kept.
double RoundedUp(double value);
// The same with its unit, trailing zeros dropped: "12.5 m", "41.01 ft".
std::string LengthText(double metres, UnitSystem units);
// A length fixed in metres (a reach, a pace) as English units see it too:
// "1 m", or "1 m (3.28 ft)".
std::string FixedLength(double metres, UnitSystem units);
// A place in plan: "at (2.48, 2.48) m".
std::string PlaceText(double x, double y, UnitSystem units);
std::string_view LengthUnit(UnitSystem units);
std::string_view DiameterUnit(UnitSystem units);

}  // namespace ostrevin::calc
