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

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/chart.h"
#include "calc/outcome.h"
#include "calc/quantities.h"
#include "core/layered_fit.h"
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
  // Other arrays than Wenner's: Schlumberger's AB/2 and MN/2, dipole-dipole's
  // a and n, or any four electrodes' positions on a line (A, B the current's).
  std::optional<std::string> ab2{}, mn2{}, a{}, n{}, xa{}, xb{}, xm{}, xn{};
  std::optional<std::string> surveyLine{};  // the survey line it was read on (the `line` column)
  // The array by name (wenner, schlumberger, dipole-dipole, general), where
  // the file names it: then that array's columns are the row's, and a
  // Wenner row's spacing may be its `a`.
  std::optional<std::string> array{};
};

// Each column of a survey's file and job, and the row's text it fills (in
// the job's order).
struct SurveyColumn {
  std::string_view name;
  std::optional<std::string> SurveyRow::*cell;
};
inline constexpr std::array<SurveyColumn, 14> kSurveyRowColumns{{{"spacing", &SurveyRow::spacing},
                                                                 {"reading", &SurveyRow::reading},
                                                                 {"rho", &SurveyRow::rho},
                                                                 {"depth", &SurveyRow::depth},
                                                                 {"ab2", &SurveyRow::ab2},
                                                                 {"mn2", &SurveyRow::mn2},
                                                                 {"a", &SurveyRow::a},
                                                                 {"n", &SurveyRow::n},
                                                                 {"xa", &SurveyRow::xa},
                                                                 {"xb", &SurveyRow::xb},
                                                                 {"xm", &SurveyRow::xm},
                                                                 {"xn", &SurveyRow::xn},
                                                                 {"line", &SurveyRow::surveyLine},
                                                                 {"array", &SurveyRow::array}}};

// Whether the row places Wenner's array (no other array's column given).
bool IsWennerRow(const SurveyRow& row);

struct Survey {
  Outcome outcome;                      // the model: text and JSON
  std::vector<std::string> rejected;    // "line 5: reading needs ...", one a refused row
  std::vector<SurveyReading> readings;  // those fitted, in metres and ohm-cm
  SurveyFit fit;
  std::optional<LayeredFit> layered;   // the fit in N layers, where made
  // A survey of other arrays than Wenner's (or of several): each reading's
  // electrodes and name, its `readings` then at each array's reach (a third
  // of its spread), and its two layers those of the fit in N layers.
  std::vector<ArrayReading> arrays;
  std::vector<std::string> arrayLabels;  // empty for a Wenner survey
  std::vector<std::string> surveyLines;  // each reading's survey line, where any is named
  bool ohmMetres = false;  // its resistivities said in ohm-m (--units si, a page's pick)
};

// Beside the two layers, the readings fitted in 1 to kMostFittedLayers
// layers (core/layered_fit.h), up to kMostLayeredReadings readings whose
// probes stand no deeper than a twentieth of their spacing (that depth
// neglected); `fitLayers` forces the count; readings on the `exclude` lines
// are left out of every fit (and said).
inline constexpr std::size_t kMostLayeredReadings = 200;
struct SurveyOptions {
  std::optional<int> fitLayers;
  std::vector<long> exclude;  // the rows' lines
};

// --fit-layers N (1 to kMostFittedLayers) and --exclude LINES ("7,12"),
// as given: refused, naming the option, when they cannot be read.
Result<SurveyOptions> ReadSurveyOptions(std::optional<std::string_view> fitLayers,
                                        std::optional<std::string_view> exclude);

// The survey's model; or why there is none (refused): no reading could be
// read, there are more than kMaxSurveyRows rows, or a line excluded holds
// no reading. Refused rows are named "line 5" (a file) or, as the page
// says, "row 5".
Result<Survey> CalculateSurvey(std::span<const SurveyRow> given, const ReadContext& context,
                               std::string_view row = "line", const SurveyOptions& options = {});

// Apparent resistivity against spacing on log-log axes: the readings, the
// two layers' curve, the uniform soil, and the layers against depth.
Chart SurveyChart(const Survey& survey);

// Every count of layers fitted, one after another: a row a layer, its
// resistivity and thickness with their intervals (+-%), each
// count's first row with its misfit, the one that leads marked; none
// without the fit in N layers.
TextTable ModelsTable(const Survey& survey);

}  // namespace ostrevin::calc
