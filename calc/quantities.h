// The quantities the calculations take: their names (the command line's
// options, the batch's columns, the page's fields), ranges, units and
// meaning, and the reading of a value written with or without its unit.
//
// Data flow: text ("16mm", "0,625", "20ohm-m") -> ReadNumber (marks) -> the
// unit's system and factor -> the field's range in that system -> the value
// in the unit system the calculation runs in. One table serves the parser,
// every help text and the page.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "calc/number_reading.h"
#include "core/electrode_formulas.h"
#include "core/field_ranges.h"

namespace ostrevin::calc {

// What a quantity measures, which decides the units it may carry.
enum class Dimension {
  kResistivity,  // ohm-cm in both systems; or with a unit: ohm-cm, ohm-m
  kDiameter,     // inches (English) or metres (Metric); or in, ft, mm, cm, m
  kLength,       // feet (English) or metres (Metric); or in, ft, mm, cm, m
  kResistance,   // ohms; "ohm" or "ohms" may follow
  kCurrent,      // amperes; or with a unit: A, kA
  kTime,         // seconds; or with a unit: s, ms
  kTemperature,  // degrees Celsius; or with a unit: C
  kFactor,       // a plain number (a ratio, a fraction)
  kCount,        // a whole number
  kChoice,       // one of a few words (a layout)
  kText,         // read by the calculation itself (positions, layers)
};

struct Quantity {
  std::string_view name;     // "rho": the option, the column, the page's field
  FieldRange range;          // inclusive, in the field's unit of either system
  std::string_view metavar;  // "R", as the help text shows the value
  std::string_view meaning;  // "soil resistivity, ohm-cm" (help text)
  std::string_view label;    // "Soil resistivity" (a field's label, without its unit)
  Dimension dimension = Dimension::kResistance;
  std::string_view example = {};  // with a unit, for the help: "20ohm-m"
  std::string_view choices = {};  // kChoice: the words, blank-separated
};
std::span<const Quantity> Quantities();
const Quantity* FindQuantity(std::string_view name);

// The unit of a quantity's field in a unit system: "ohm-cm", "in", "ft", "m",
// "ohms"; empty for counts and words.
std::string_view FieldUnit(Dimension dimension, UnitSystem units);

// The units a page offers to type a quantity in, the metric country's first
// ("ohm-m", "ohm-cm"; "mm", "in", "m"; "m", "ft"; "A", "kA"; "s", "ms");
// none for the others. Each is a unit its values may carry.
std::span<const std::string_view> PickUnits(Dimension dimension);

// How the input is read: the unit system of values without a unit, how
// names appear in messages ("--" for options, "" for columns), the marks.
struct ReadContext {
  UnitSystem units = UnitSystem::English;
  std::string_view prefix = "--";
  NumberMarks marks = {};
  bool labels = false;  // name inputs by their labels ("Soil resistivity"), as a page does
  // The SI choice (--units si): the metric system with a bare resistivity
  // in ohm-m and a bare diameter in mm, as most of the world writes them.
  bool si = false;
  // A resistivity found (the answer of a reading) given in ohm-m: with si,
  // and on a page whose resistivity is picked in ohm-m.
  bool answerOhmMetres = false;
  // The marks of a table's rows where they are not the options' (a file
  // with ';' and decimal commas read beside options typed with a point).
  std::optional<NumberMarks> rowMarks = std::nullopt;
  // The context a table's rows are read in.
  ReadContext ForRows() const {
    ReadContext rows = *this;
    if (rowMarks) rows.marks = *rowMarks;
    return rows;
  }
};

// "english", "metric" or "si" (any case) set in `context`; false, and the
// context left as it was, for anything else.
bool ReadUnitChoice(std::string_view text, ReadContext& context);

// An input's name as a message shows it: "--rho", "rho", or "Soil resistivity".
std::string NameOf(std::string_view name, const ReadContext& context);

struct QuantityValue {
  double value = 0;  // in the field's unit of context.units
  std::string hint;  // a bare number typical of the other system: the fix
};

// A quantity's value from its text, checked against the field's range: a
// value with a unit in the terms of that unit's system, so that it is
// accepted or refused the same under either unit system ("5cm" is 0.05 m,
// below 0.1 m, in both), and the message names the unit:
//   --length needs a length between 0.1 and 10000 m, not "5cm" (0.05 m)
// A value in the unit system's own unit is kept bit for bit ("0.104ft").
Result<QuantityValue> ReadQuantity(const Quantity& quantity, std::string_view text,
                                   const ReadContext& context);

// A length with a unit ("3m", "-2ft") or without (the unit system's), in
// metres; for coordinates, which have no range of their own.
std::optional<double> ReadMetres(std::string_view text, const ReadContext& context);

// "english" or "metric", any case, surrounding blanks ignored; nothing otherwise.
std::optional<UnitSystem> ReadUnits(std::string_view text);
std::string_view UnitsName(UnitSystem units);

// The unit written after a number ("20ohm-m", "16 mm"): the letters and
// dashes at the end; empty when there are none.
std::string_view UnitPart(std::string_view text);

// A layout or other choice, any case: the word as the table writes it.
std::optional<std::string_view> ReadChoice(const Quantity& quantity, std::string_view text);
// Why `text` is none of the choices: "--layout must be line, ..., not "star"".
std::string ChoiceError(const Quantity& quantity, std::string_view text, const ReadContext& context);

}  // namespace ostrevin::calc
