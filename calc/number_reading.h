// Numbers as people write them: with a decimal point (the command line), a
// decimal comma (a spreadsheet's ';' file), either (a spreadsheet's paste), or the marks of a page's
// language (en: 10,000.5; de: 10.000,5; fr: 10 000,5). A text that could
// mean two numbers is refused with the reason, never guessed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace ostrevin::calc {

struct NumberMarks {
  std::string_view decimal = ".";  // the decimal mark (UTF-8)
  std::string_view group = {};     // the thousands mark, or empty when none is read
  // A thousands mark counts only beside a decimal mark: in a decimal-comma
  // file "1.234,5" is 1234.5 while "2.000" (2 or 2000?) is refused.
  bool groupNeedsDecimal = false;
  // A table pasted from a spreadsheet (tab-separated) says nothing of its
  // marks: a point or a comma is the decimal mark, whichever the cell has;
  // with both, the later is. A lone mark before exactly three digits after
  // a first group that is not 0 ("1,500": 1.5 or 1500?) is refused.
  bool eitherDecimal = false;
};

// The decimal mark a table's cells show beyond doubt, for a table pasted
// from a spreadsheet (tab-separated), which says nothing of its marks: fed
// every cell, it gives the marks to read them with. "15,16", "0,625" and
// "1.234,5" show a comma; "15.16" and "1,234.5" a point; "15,915", "2.000",
// "67" and words show neither. A decimal comma when only commas showed (and
// "15,915" is then 15.915), a point when only points did, else each cell its
// own (eitherDecimal, "1,500" refused).
class ShownMarks {
 public:
  void Look(std::string_view cell);
  NumberMarks Marks() const;

 private:
  bool comma_ = false;
  bool point_ = false;
};

// Blanks around the number are ignored. With the plain marks (a point, no
// thousands) this is ParseNumber: digits, a point, an exponent. Otherwise
// thousands marks must stand between groups of three digits after a first
// group of one to three (not "0"), and an exponent is read only without
// thousands marks. Refused with the reason when more can be said than "not
// a number" (an ambiguous "2.000"), with an empty one otherwise.
Result<double> ReadNumber(std::string_view text, const NumberMarks& marks = {});

}  // namespace ostrevin::calc
