// A Wenner survey made a soil model: rows of readings (as a CSV file or the
// page's table holds them) read with their units and checked one by one,
// fitted with two layers and one uniform soil (core/soil_fit.h), and the
// result as text, JSON and a log-log chart.
//
// Data flow: rows of texts (spacing, reading or rho, depth) -> ReadQuantity
// each (a refused row is reported with its line, never dropped silently) ->
// apparent resistivities (a reading through the Wenner formula with the
// probes' depth) -> FitSurvey -> Outcome (the model, the --layers value,
// the points, the warnings) and SurveyChart. No input or output of its own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/chart.h"
#include "calc/outcome.h"
#include "calc/quantities.h"
#include "core/soil_fit.h"

namespace ostrevin::calc {

// The most readings a survey may have (a survey of a site has tens; the
// fit's work grows with each).
inline constexpr std::size_t kMaxSurveyRows = 1000;

struct SurveyRow {
  long line = 0;  // where the row stands: a file's line, a table's row
  // The row's texts; nothing when blank. A reading is the instrument's ohms,
  // a rho an apparent resistivity (ohm-cm, or with a unit).
  std::optional<std::string> spacing, reading, rho, depth;
  std::string why;  // why the row could not be read at all (an unclosed quote)
};

struct Survey {
  Outcome outcome;                      // the model: text and JSON
  std::vector<std::string> rejected;    // "line 5: reading needs ...", one a refused row
  std::vector<SurveyReading> readings;  // those fitted, in metres and ohm-cm
  SurveyFit fit;
  bool ohmMetres = false;  // its resistivities said in ohm-m (--units si, a page's pick)
};

// The survey's model; or why there is none (refused): no reading could be
// read, or there are more than kMaxSurveyRows rows. Refused rows are named
// "line 5" (a file) or, as the page says, "row 5".
Result<Survey> CalculateSurvey(std::span<const SurveyRow> rows, const ReadContext& context,
                               std::string_view row = "line");

// Apparent resistivity against spacing on log-log axes: the readings, the
// two layers' curve, the uniform soil, and the layers against depth.
Chart SurveyChart(const Survey& survey);

}  // namespace ostrevin::calc
