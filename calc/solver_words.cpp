// The solver's refusals in the calculations' words: its conductors by the
// names their user knows them by (a table's rows, a layout's rods and
// sides), its lengths in the units of the calculation.
#include <string>

#include "calc/electrodes.h"
#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// A length (3 decimals, its unit) and a thickness (the diameter's unit).
std::string Along(double metres, UnitSystem units) {
  return ShowLength(metres, units) + " " + std::string(LengthUnit(units));
}
std::string Across(double metres, UnitSystem units) {
  const double shown = IsMetric(units) ? metres : metres / kMetresPerInch;
  return FormatDouble("%.3f", shown) + " " + std::string(DiameterUnit(units));
}

// "lines 3 and 6", "rods 2 and 5", "rod 3 and the ring's side 12".
std::string Both(const std::string& a, const std::string& b) {
  const std::size_t space = a.rfind(' ');
  if (space != std::string::npos && b.size() > space && b.compare(0, space + 1, a, 0, space + 1) == 0) {
    return a.substr(0, space) + "s " + a.substr(space + 1) + " and " + b.substr(space + 1);
  }
  return a + " and " + b;
}

}  // namespace

std::string ConductorOf(std::size_t index) { return "conductor " + std::to_string(index + 1); }

Why Worded(const Why& why, UnitSystem units, const ConductorNames& names) {
  const Detail& d = why.detail;
  const auto name = [&](std::size_t k) { return names ? names(d.items[k]) : ConductorOf(d.items[k]); };
  const auto length = [&](std::size_t k) { return Along(d.metres[k], units); };
  const auto thickness = [&](std::size_t k) { return Across(d.metres[k], units); };
  std::string text;
  if (d.code == "conductor-no-number") text = name(0) + " has an end that is no number";
  if (d.code == "conductor-too-far") {
    text = name(0) + " reaches beyond " + FormatNumber(d.metres[0] / 1000) +
           " km from the origin: electrodes are solved within that";
  }
  if (d.code == "conductor-above") text = name(0) + " stands above the surface (a depth below 0)";
  if (d.code == "conductor-no-length") text = name(0) + " has no length: its ends are one point";
  if (d.code == "conductor-no-thickness") text = name(0) + " has no thickness";
  if (d.code == "conductor-too-short") {
    text = name(0) + " is " + length(0) + " long, less than 2 diameters (" + length(1) + "): no thin wire";
  }
  if (d.code == "conductor-shallow") {
    text = name(0) + " lies " + length(0) + " deep, less than its radius (" + thickness(1) +
           "): a horizontal conductor must be buried";
  }
  if (d.code == "conductors-overlap") text = Both(name(0), name(1)) + " overlap along their length";
  if (d.code == "conductors-close") {
    text = Both(name(0), name(1)) + " do not touch but stand " + thickness(0) +
           " apart, closer than the larger diameter (" + thickness(1) + ")";
  }
  if (d.code == "cutout-meshes") {
    text = "the cut-out must be whole meshes (" + ShowLength(d.metres[0], units) + " by " +
           ShowLength(d.metres[1], units) + " " + std::string(LengthUnit(units)) + ")";
  }
  if (text.empty()) return why;
  return {why.failure, std::move(text), d};
}

}  // namespace ostrevin::calc
