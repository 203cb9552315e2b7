// What a user of the calculator form relies on, checked from outside: shared by
// the form's fuzz target and its monkey test.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/electrode_formulas.h"
#include "form/calculator_dlg.h"
#include "framework/window.h"
#include "res/resource.h"

namespace ostrevin::invariants {

inline constexpr int kEdits[] = {IDC_RHO, IDC_DIAMETER, IDC_INPUT, IDC_MEASURED_R, IDC_SPACING};
inline constexpr int kButtons[] = {IDC_CALCULATE, IDC_CALCULATE_RHO, IDC_ENGLISH,
                                   IDC_METRIC,    IDC_TYPE_LENGTH,   IDC_TYPE_RESISTANCE};

// The edits and the result as the user sees them.
inline std::vector<std::string> Visible(const fw::Window& window) {
  constexpr int kSeen[] = {IDC_RHO,     IDC_DIAMETER, IDC_INPUT,       IDC_MEASURED_R,
                           IDC_SPACING, IDC_RESULT,   IDC_RESULT_UNITS};
  std::vector<std::string> texts(std::size(kSeen));
  std::ranges::transform(kSeen, texts.begin(), [&](int id) { return window.GetText(id); });
  return texts;
}

// The first label that does not match the record's units and calculation
// type; empty when they all do.
inline std::string MismatchedLabel(const CKelmoraDlg& form, const fw::Window& window) {
  const bool metric = IsMetric(UnitSystemOf(form.m_units));
  const std::pair<int, const char*> labels[] = {
      {IDC_INPUT_LABEL, form.m_calcType == Length ? "Resistance to ground (ohms)"
                        : metric                  ? "Rod Length (meters)"
                                                  : "Rod Length (feet)"},
      {IDC_DIAMETER_LABEL, metric ? "Rod diameter (meters)" : "Rod diameter (inches)"},
      {IDC_SPACING_LABEL, metric ? "Distance (m)" : "Distance (ft)"}};
  for (const auto& [id, text] : labels) {
    if (window.GetText(id) != text) return window.GetText(id) + " instead of " + text;
  }
  return {};
}

}  // namespace ostrevin::invariants
