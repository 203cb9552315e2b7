#include "calc/number_reading.h"

#include <vector>

#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

bool Digits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Narrow and no-break spaces group thousands in French and others; a plain
// blank typed in their place means the same.
bool IsSpaceMark(std::string_view mark) { return mark == "\xc2\xa0" || mark == "\xe2\x80\xaf"; }

std::vector<std::string_view> Split(std::string_view text, std::string_view mark) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t next = text.find(mark, at);
    parts.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
    if (next == std::string_view::npos) return parts;
    at = next + mark.size();
  }
}

// The integer part with its thousands marks taken out, or nothing when the
// marks do not stand between groups of three.
std::optional<std::string> Ungrouped(std::string_view integer, std::string_view group) {
  const std::vector<std::string_view> groups = Split(integer, group);
  if (groups.size() == 1) return std::string(integer);
  const std::string_view first = groups.front();
  if (!Digits(first) || first.size() > 3 || first == "0") return std::nullopt;
  std::string digits(first);
  for (std::size_t i = 1; i < groups.size(); ++i) {
    if (!Digits(groups[i]) || groups[i].size() != 3) return std::nullopt;
    digits += groups[i];
  }
  return digits;
}

std::string MarkName(std::string_view mark) {
  if (mark == ".") return "a point";
  if (mark == ",") return "a comma";
  if (mark == "'" || mark == "\xe2\x80\x99") return "an apostrophe";
  if (IsSpaceMark(mark) || mark == " ") return "a space";
  return Quoted(mark);
}

// The number a canonical text holds; refused (with no more to say) when none.
Result<double> Parsed(const std::string& canonical) {
  const std::optional<double> value = ParseNumber(canonical);
  if (!value) return Refused("");
  return *value;
}

// A cell of a pasted table, whose marks are the cell's own (NumberMarks::eitherDecimal).
Result<double> ReadEitherMark(const std::string& text) {
  const std::size_t comma = text.rfind(',');
  const std::size_t point = text.rfind('.');
  if (comma == std::string::npos && point == std::string::npos) return Parsed(text);
  if (comma != std::string::npos && point != std::string::npos) {
    return comma > point ? ReadNumber(text, {",", ".", false}) : ReadNumber(text, {".", ",", false});
  }
  const std::size_t at = comma != std::string::npos ? comma : point;
  const std::string_view mark = std::string_view(text).substr(at, 1);
  const std::string_view other = mark == "," ? "." : ",";
  if (text.find(mark) != at) return ReadNumber(text, {other, mark, false});  // only groups
  std::string_view integer = std::string_view(text).substr(0, at);
  if (integer.starts_with('-') || integer.starts_with('+')) integer.remove_prefix(1);
  const std::string_view fraction = std::string_view(text).substr(at + 1);
  if (Digits(integer) && integer != "0" && integer.size() <= 3 && fraction.size() == 3 &&
      Digits(fraction)) {
    std::string small = std::string(integer) + "." + std::string(fraction);
    while (small.ends_with('0')) small.pop_back();
    if (small.ends_with('.')) small.pop_back();
    const std::string large = std::string(integer) + std::string(fraction);
    return Refused(Quoted(text) + " is ambiguous: " + MarkName(mark) +
                   " may be the decimal mark or group thousands (" + small + " or " + large +
                   "?); write it without thousands marks");
  }
  std::string canonical = text;
  canonical[at] = '.';
  return Parsed(canonical);
}

// Which mark a cell shows as its decimal one beyond doubt, or 0.
char DecimalShown(std::string_view cell) {
  const std::size_t comma = cell.rfind(',');
  const std::size_t point = cell.rfind('.');
  if (comma != std::string_view::npos && point != std::string_view::npos) return comma > point ? ',' : '.';
  const std::size_t at = comma != std::string_view::npos ? comma : point;
  if (at == std::string_view::npos || cell.find(cell[at]) != at) return 0;
  std::string_view integer = cell.substr(0, at);
  if (integer.starts_with('-') || integer.starts_with('+')) integer.remove_prefix(1);
  std::string_view fraction = cell.substr(at + 1);
  fraction = fraction.substr(0, fraction.find_first_not_of("0123456789"));
  const bool grouping = fraction.size() == 3 && !integer.empty() && integer != "0" && integer.size() <= 3;
  if (grouping || fraction.empty()) return 0;
  return cell[at];
}

}  // namespace

void ShownMarks::Look(std::string_view cell) {
  const char shown = DecimalShown(Trim(cell));
  comma_ = comma_ || shown == ',';
  point_ = point_ || shown == '.';
}

NumberMarks ShownMarks::Marks() const {
  if (comma_ && !point_) return {",", ".", true};
  if (point_ && !comma_) return {".", ",", true};
  NumberMarks either;
  either.eitherDecimal = true;
  return either;
}

Result<double> ReadNumber(std::string_view text, const NumberMarks& marks) {
  std::string trimmed(Trim(text));
  if (marks.eitherDecimal) return ReadEitherMark(trimmed);
  if (marks.decimal == "." && marks.group.empty()) return Parsed(trimmed);
  std::string group(marks.group);
  if (IsSpaceMark(group)) {
    // Any of the spaces groups, whichever the keyboard typed.
    std::string spaced;
    for (std::size_t at = 0; at < trimmed.size();) {
      const std::string_view here = std::string_view(trimmed).substr(at);
      const std::size_t space = here.starts_with("\xc2\xa0") ? 2 : here.starts_with("\xe2\x80\xaf") ? 3 : 0;
      spaced += space > 0 ? ' ' : trimmed[at];
      at += space > 0 ? space : 1;
    }
    trimmed = std::move(spaced);
    group = " ";
  }
  std::string_view rest = trimmed;
  std::string sign;
  if (rest.starts_with('-') || rest.starts_with('+')) {
    sign = rest.substr(0, 1);
    rest.remove_prefix(1);
  }
  const std::size_t decimalAt = rest.find(marks.decimal);
  const bool hasDecimal = decimalAt != std::string_view::npos;
  std::string_view integer = rest.substr(0, decimalAt);
  std::string_view fraction = hasDecimal ? rest.substr(decimalAt + marks.decimal.size()) : "";
  if (fraction.find(marks.decimal) != std::string_view::npos) return Refused("");
  const bool grouped = !group.empty() && integer.find(group) != std::string_view::npos;
  const std::string example = "1" + group + "234" + std::string(marks.decimal) + "5";
  const std::string notHere = Quoted(trimmed) + " is not a number as written here (" + example +
                              ": " + MarkName(marks.decimal) + " is the decimal mark" +
                              (group.empty() ? "" : ", " + MarkName(group) + " groups thousands") +
                              ")";
  if (grouped && marks.groupNeedsDecimal && !hasDecimal) {
    return Refused(Quoted(trimmed) + " is ambiguous: " + MarkName(marks.decimal) +
                   " is the decimal mark here, and " + MarkName(group) +
                   " groups thousands only beside it (" + example + ")");
  }
  std::string canonical = sign;
  if (grouped) {
    const std::optional<std::string> digits = Ungrouped(integer, group);
    if (!digits) return Refused(notHere);
    canonical += *digits;
  } else {
    canonical += integer;
  }
  if (hasDecimal) canonical += "." + std::string(fraction);
  // A point that is neither mark here: "2.5" on a page that writes 2,5.
  if (marks.decimal != "." && canonical.find('.') != canonical.rfind('.')) return Refused(notHere);
  if (marks.decimal != "." && !hasDecimal && canonical.find('.') != std::string::npos) {
    return Refused(notHere);
  }
  if (grouped && canonical.find_first_of("eE") != std::string::npos) return Refused("");
  return Parsed(canonical);
}

}  // namespace ostrevin::calc
