// A fall-of-potential test read: rows of readings (a CSV file's or the
// page's table) read with their units, each refused row named, then the
// 61.8 % rule, the plateau, Tagg's slope method and the curve fit
// (core/fall_of_potential.h), and, given a rod's design, the curve the
// electrode solver predicts beside the readings.
//
// Data flow: rows of texts (distance, reading) + options (--current-probe,
// --from, --dimension, the design's soil and rod) -> ReadQuantity each ->
// distances from the electrode's centre, metres -> ReadFallTest -> Outcome
// (the resistance at 61.8 %, the other methods, the warnings, the points)
// and FallTestChart. No input or output of its own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/calculations.h"
#include "calc/chart.h"
#include "calc/electrodes.h"
#include "calc/outcome.h"
#include "core/fall_of_potential.h"

namespace ostrevin::calc {

// The most readings a test may have.
inline constexpr std::size_t kMaxFallRows = 1000;
// The methods disagree when they differ by more than this share.
inline constexpr double kMethodsAgree = 0.05;
// Readings whose fit misses them by more than this (RMS, per cent) scatter.
inline constexpr double kScatterPercent = 1;

struct FallRow {
  long line = 0;  // a file's line, a table's row
  std::optional<std::string> distance, reading;
  std::string why;  // why the row could not be read at all
};

struct FallTest {
  Outcome outcome;
  std::vector<std::string> rejected;  // "line 5: ...", one a refused row
  std::vector<FallReading> readings;  // from the electrode's centre, metres
  FallTestReading reading;
  double currentProbeM = 0;           // from the centre
  double originM = 0;                 // where distances were measured from, from the centre
  // The design's predicted readings (distance from the centre, ohms) and
  // its resistance, when a rod's design was given; or only the resistance
  // (--design-ohms, as the page carries it from another tool).
  std::vector<std::pair<double, double>> design;
  std::optional<double> designOhms;
};

// The options the test takes (the command line's and the page's).
std::span<const Option> FallTestOptions();

// The test read; or why not (refused): no reading could be read, more than
// kMaxFallRows rows, the options refused, the readings refused as a whole
// (fewer than three, beyond the current probe, a distance read twice
// differently: core/fall_of_potential.h). The design is a rod (the soil,
// --diameter, --length) or, when `design` has rows, any electrode from its
// table of conductors (the electrodes command's, its rows named
// `designRow`), the current probe along +x from the middle of its extent;
// or only its resistance (--design-ohms). The readings are read in the
// context's rows' marks, the design's table in `designMarks` when given.
Result<FallTest> CalculateFallTest(std::span<const FallRow> rows, const InputLookup& options,
                                   const ReadContext& context, std::string_view row = "line",
                                   std::span<const ConductorRow> design = {},
                                   std::string_view designRow = "line",
                                   std::optional<NumberMarks> designMarks = std::nullopt);

// Readings against distance: the readings, the fitted profile, the
// design's curve, the 61.8 % point and the plateau's band.
Chart FallTestChart(const FallTest& test);

}  // namespace ostrevin::calc
