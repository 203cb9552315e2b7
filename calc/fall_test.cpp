#include "calc/fall_test.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "calc/text.h"
#include "core/earth_solver.h"
#include "core/electrode_layouts.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

const std::vector<Option> kOptions = WithSoil({
    {"current-probe", OptionKind::kQuantity, true},
    {"from", OptionKind::kText, false, "centre|edge",
     "where distances are measured from: the electrode's centre (the default) or its edge "
     "(then --dimension places the centre)"},
    {"dimension"},
    {"rho", OptionKind::kQuantity, false, {},
     "with --diameter and --length: the rod designed, whose predicted curve is drawn beside"},
    {"diameter", OptionKind::kQuantity, false, {}, "the rod designed: its diameter"},
    {"length", OptionKind::kQuantity, false, {}, "the rod designed: its length"},
    {"design-ohms"},
    kUnitsOption,
});

std::string Percent(double share) { return FormatDouble("%.1f", 100 * share) + " %"; }

Result<FallReading> ReadRow(const FallRow& row, const ReadContext& context) {
  const auto read = [&](std::string_view name, const std::string& text) -> Result<double> {
    const Result<QuantityValue> value = ReadQuantity(*FindQuantity(name), text, context);
    OSTREVIN_PASS_ON(value);
    return value->value;
  };
  if (!row.why.empty()) return Refused(row.why);
  if (!row.distance) return Refused(NameOf("distance", context) + " is missing");
  if (!row.reading) return Refused(NameOf("reading", context) + " is missing");
  const Result<double> distance = read("distance", *row.distance);
  OSTREVIN_PASS_ON(distance);
  const Result<double> ohms = read("reading", *row.reading);
  OSTREVIN_PASS_ON(ohms);
  return FallReading{LengthToMetres(*distance, context.units), *ohms, static_cast<int>(row.line)};
}

// The readings a design would give: the solver's surface potential along
// the line from the electrode's centre (the middle of its extent) toward
// the current probe, the probe a short spike drawing the current back. For
// one ampere, R(x) = V(electrode) - V(x), each the electrode's potential
// less the probe's; the probe's at the electrode is its potential averaged
// over the electrode's leakage (reciprocity).
struct Design {
  double ohms = 0;
  std::vector<std::pair<double, double>> curve;  // from the centre, ohms
};

Result<Design> Predict(std::span<const Conductor> conductors, const EarthSoil& soil, double probeM) {
  const Result<Solution> solved = SolveElectrode(conductors, soil);
  OSTREVIN_PASS_ON(solved);
  const auto [x0, x1, y0, y1, depth] = ExtentOf(conductors);
  const double cx = (x0 + x1) / 2;
  const double cy = (y0 + y1) / 2;
  const double reach = probeM + std::hypot(x1 - x0, y1 - y0);
  const EarthKernel kernel(soil, reach * 1.05, depth);
  // The current probe: a 10 cm spike in the top layer.
  const Interfaces interfaces = InterfacesOf(soil);
  const double spike = interfaces.count > 0 ? std::min(0.1, interfaces.depth[0] / 2) : 0.1;
  const Element probe{{{cx + probeM, cy, 0}, {cx + probeM, cy, spike}}, 0.005, 0};
  double atElectrode = 0;
  for (std::size_t i = 0; i < solved->elements.size(); ++i) {
    atElectrode += solved->amperes[i] * kernel.At(solved->elements[i].line.Middle(), probe);
  }
  Design design;
  design.ohms = solved->ohms;
  constexpr int kPoints = 120;
  for (int i = 1; i < kPoints; ++i) {
    const double x = probeM * i / kPoints;
    const Point3 at{cx + x, cy, 0};
    const double reading =
        solved->ohms - atElectrode - PotentialAt(*solved, kernel, at) + kernel.At(at, probe);
    design.curve.emplace_back(x, reading);
  }
  return design;
}

// The readings beside the fit and the design, one a line.
std::vector<std::string> Table(const FallTest& test, UnitSystem units) {
  const auto pad = [](const std::string& text, std::size_t width) {
    return text.size() >= width ? " " + text : std::string(width - text.size(), ' ') + text;
  };
  std::vector<std::string> lines{pad("distance", 12) + pad("reading", 12) + pad("fitted", 12)};
  for (const FallReading& r : test.readings) {
    const std::string fitted =
        test.reading.fit ? ShowOhms(FittedReading(*test.reading.fit, test.currentProbeM, r.distanceM))
                         : "na";
    lines.push_back(pad(LengthText(r.distanceM - test.originM, units), 12) + pad(ShowOhms(r.ohms), 12) +
                    pad(fitted, 12));
  }
  return lines;
}

void Describe(FallTest& test, std::string_view row) {
  Outcome& outcome = test.outcome;
  const FallTestReading& r = test.reading;
  const UnitSystem units = outcome.units;
  const double d = test.currentProbeM;
  outcome.valueKey = "ohms_61_8";
  outcome.unit = "ohms";
  outcome.listWarnings = true;
  const auto orNull = [](const Result<double>& value) -> JsonValue {
    if (value) return *value;
    return nullptr;
  };
  if (r.ohms618) {
    outcome.value = *r.ohms618;
    outcome.result = ShowOhms(*r.ohms618);
    outcome.details.push_back("61.8 % rule: " + ShowOhms(*r.ohms618) + " ohms at " +
                              LengthText(kRuleShare * d - test.originM, units));
  } else {
    outcome.why = r.ohms618.why();
  }
  outcome.fields.emplace_back("plateau", r.plateau ? JsonValue(*r.plateau) : JsonValue(nullptr));
  if (r.plateau) {
    outcome.details.push_back(
        std::string(*r.plateau ? "plateau: " : "no plateau: ") + "at 52, 62 and 72 % of D " +
        ShowOhms(r.ohms52) + ", " + ShowOhms(r.ohms62) + " and " + ShowOhms(r.ohms72) + " ohms" +
        (*r.plateau ? ", within 5 %" : ", more than 5 % apart"));
  } else {
    outcome.details.push_back("plateau: not judged (" + r.plateauWhy + ")");
  }
  outcome.fields.emplace_back("slope_mu", orNull(r.slopeMu));
  outcome.fields.emplace_back("slope_position", orNull(r.slopeShare));
  outcome.fields.emplace_back("slope_ohms", orNull(r.slopeOhms));
  if (r.slopeOhms) {
    outcome.details.push_back("slope method: mu " + FormatDouble("%.3f", *r.slopeMu) +
                              ", the probe at " + Percent(*r.slopeShare) + " of D (" +
                              LengthText(*r.slopeShare * d - test.originM, units) + "): " +
                              ShowOhms(*r.slopeOhms) + " ohms");
  } else {
    outcome.details.push_back(
        "slope method: na (" +
        (r.slopeMu ? "mu " + FormatDouble("%.3f", *r.slopeMu) + ": " : std::string()) +
        r.slopeOhms.why() + ")");
  }
  if (r.fit) {
    outcome.fields.emplace_back("fit_ohms", r.fit->ohms);
    outcome.fields.emplace_back("fit_rms_percent", r.fit->rmsPercent);
    outcome.fields.emplace_back("fit_offset", LengthFromMetres(r.fit->offsetM, units));
    outcome.details.push_back("curve fit: " + ShowOhms(r.fit->ohms) +
                              " ohms, the electrical centre " +
                              LengthText(std::abs(r.fit->offsetM), units) +
                              (r.fit->offsetM >= 0 ? " behind" : " ahead of") +
                              " the centre given, RMS misfit " +
                              FormatDouble("%.2f", r.fit->rmsPercent) + " %");
  } else {
    outcome.fields.insert(outcome.fields.end(),
                          {{"fit_ohms", nullptr}, {"fit_rms_percent", nullptr}, {"fit_offset", nullptr}});
    outcome.details.push_back("curve fit: na (" + r.fit.why() + ")");
  }
  if (test.designOhms) {
    if (!test.design.empty()) outcome.fields.emplace_back("design_ohms", *test.designOhms);
    const std::optional<double> measured =
        r.ohms618 ? std::optional<double>(*r.ohms618)
                  : r.fit ? std::optional<double>(r.fit->ohms) : std::nullopt;
    std::string line = "the design: " + ShowOhms(*test.designOhms) + " ohms";
    if (measured) {
      const double difference = *measured / *test.designOhms - 1;
      outcome.fields.emplace_back("design_difference_percent", 100 * difference);
      line += "; measured " + ShowOhms(*measured) + " ohms, " +
              (difference >= 0 ? "+" : "") + FormatDouble("%.1f", 100 * difference) + " %";
    }
    outcome.details.push_back(line);
  }

  // What the readings say about the test itself.
  if (!r.fallingRows.empty()) {
    std::string rows;
    for (const int each : r.fallingRows) {
      rows += (rows.empty() ? "" : ", ") + std::to_string(each);
    }
    outcome.warnings.push_back(
        std::string(row) + (r.fallingRows.size() == 1 ? " " : "s ") + rows +
        (r.fallingRows.size() == 1 ? " reads" : " read") +
        " lower than the reading nearer the electrode: stray currents, or a probe in the field "
        "of a buried pipe or cable; such readings are doubtful");
  }
  if (r.plateau && !*r.plateau) {
    std::string warning =
        "no plateau around 62 % of D: the current probe was too close for the electrode's size";
    warning += r.enoughCurrentProbeM
                   ? "; IEEE Std 81's rule of thumb puts it at least " +
                         FormatNumber(kCurrentProbeTimesSize) + " times the largest dimension away: " +
                         LengthText(*r.enoughCurrentProbeM, units)
                   : "; move it further away (--dimension gives the distance that would do)";
    outcome.warnings.push_back(warning);
  } else if (r.enoughCurrentProbeM && d < *r.enoughCurrentProbeM) {
    outcome.warnings.push_back("the current probe is closer than " +
                               FormatNumber(kCurrentProbeTimesSize) +
                               " times the electrode's largest dimension (" +
                               LengthText(*r.enoughCurrentProbeM, units) +
                               "): the 61.8 % rule may not hold; the slope method and the fit "
                               "are the better guides");
  }
  if (!r.leftOutOfFit.empty()) {
    std::string rows;
    for (const int each : r.leftOutOfFit) rows += (rows.empty() ? "" : ", ") + std::to_string(each);
    outcome.details.push_back("the fit leaves out " + std::string(row) +
                              (r.leftOutOfFit.size() == 1 ? " " : "s ") + rows +
                              ", within the electrode's extent, where no ideal profile holds");
  }
  // Readings that scatter put mu out of range as a close probe does.
  if (r.slopeRead && !r.slopeOhms && r.fit && r.fit->rmsPercent > kScatterPercent) {
    outcome.warnings.push_back(
        "the slope method has no answer, and the readings scatter about the fitted profile by " +
        FormatDouble("%.1f", r.fit->rmsPercent) +
        " % (RMS): the spread of the readings is the likelier cause than the current probe's "
        "distance; read again where they jump");
  }
  if (r.ohms618 && r.fit && std::abs(r.fit->ohms / *r.ohms618 - 1) > kMethodsAgree) {
    // The method to trust: the 61.8 % reading where the curve is flat
    // round it; else the slope method's (it allows for the centre's place).
    std::string trust;
    if (r.plateau && *r.plateau) {
      trust = "the readings are flat round 62 % of D, so trust the 61.8 % rule's " +
              ShowOhms(*r.ohms618) + " ohms";
    } else if (r.slopeOhms) {
      trust = "the curve is not flat round 62 % of D, so trust the slope method's " +
              ShowOhms(*r.slopeOhms) + " ohms";
    } else {
      trust = "neither the plateau nor the slope method holds: move the current probe further away";
    }
    outcome.warnings.push_back(
        "the 61.8 % rule and the curve fit disagree by " +
        FormatDouble("%.1f", 100 * std::abs(r.fit->ohms / *r.ohms618 - 1)) +
        " % (the electrode large against the current probe's distance, the soil layered, or the "
        "readings disturbed): " + trust);
  }

  JsonArray points;
  for (const FallReading& each : test.readings) {
    JsonObject point{{"distance", LengthFromMetres(each.distanceM - test.originM, units)},
                     {"ohms", each.ohms}};
    if (r.fit) point.emplace_back("fitted_ohms", FittedReading(*r.fit, d, each.distanceM));
    points.emplace_back(std::move(point));
  }
  outcome.fields.emplace_back("points", std::move(points));
  const std::vector<std::string> table = Table(test, units);
  outcome.details.insert(outcome.details.end(), table.begin(), table.end());
  if (!test.rejected.empty()) outcome.fields.emplace_back("rejected", test.rejected);
}

}  // namespace

std::span<const Option> FallTestOptions() { return kOptions; }

Result<FallTest> CalculateFallTest(std::span<const FallRow> rows, const InputLookup& options,
                                   const ReadContext& context, std::string_view row,
                                   std::span<const ConductorRow> design, std::string_view designRow,
                                   std::optional<NumberMarks> designMarks) {
  if (rows.size() > kMaxFallRows) {
    return Refused(std::to_string(rows.size()) + " readings: a test may have at most " +
                   std::to_string(kMaxFallRows));
  }
  Inputs in(options, context);
  const auto probe = in.Required("current-probe");
  const auto dimension = in.Optional("dimension");
  const auto from = in.Text("from");
  const bool edge = from && *from == "edge";
  if (from && !edge && *from != "centre" && *from != "center") {
    in.Fail(in.Named("from") + " must be centre or edge, not \"" + std::string(*from) + "\"");
  }
  if (edge && !dimension) {
    in.Fail(in.Named("from") + " edge needs " + in.Named("dimension") +
            ": the electrode's largest dimension places its centre");
  }
  const bool rodGiven = in.Given("diameter") || in.Given("length");
  const bool table = !design.empty();
  const bool designed = rodGiven || table || in.Given("rho") || in.Given("layers");
  const auto designOhms = in.Optional("design-ohms");
  if (designed && designOhms) {
    in.Fail("give a design (" + in.Named("rho") + " with a rod's " + in.Named("diameter") +
            " and " + in.Named("length") + ", or a table of conductors) or " +
            in.Named("design-ohms") + ", not both");
  }
  if (table && rodGiven) {
    in.Fail("give a rod (" + in.Named("diameter") + ", " + in.Named("length") +
            ") or a table of conductors, not both");
  }
  std::optional<Soil> soil;
  std::optional<double> diameter;
  std::optional<double> length;
  if (designed && !in.refusal()) {
    soil = ReadSoil(in);
    if (!table) {
      diameter = in.Required("diameter");
      length = in.Required("length");
    }
  }
  std::vector<Conductor> conductors;
  if (table && !in.refusal()) {
    ReadContext designContext = context;
    if (designMarks) designContext.marks = *designMarks;
    Result<ConductorTable> read = ReadConductorTable(design, designContext, designRow);
    OSTREVIN_PASS_ON(read);
    conductors = std::move(read->conductors);
  }
  if (in.refusal()) return Refused(*in.refusal());

  FallTest test;
  const UnitSystem units = context.units;
  const std::optional<double> dimensionM =
      dimension ? std::optional<double>(LengthToMetres(*dimension, units)) : std::nullopt;
  test.originM = edge ? *dimensionM / 2 : 0;
  test.currentProbeM = LengthToMetres(*probe, units) + test.originM;
  for (const FallRow& each : rows) {
    Result<FallReading> read = ReadRow(each, context.ForRows());
    if (read) {
      read->distanceM += test.originM;
      test.readings.push_back(*read);
    } else {
      test.rejected.push_back(std::string(row) + " " + std::to_string(each.line) + ": " + read.why());
    }
  }
  if (test.readings.empty()) {
    return Refused(rows.empty() ? "the test has no readings" : "no reading of the test could be read");
  }
  // The electrode's size: given, or the design's (the diagonal of its extent).
  std::optional<double> sizeM = dimensionM;
  if (!sizeM && !conductors.empty()) {
    const auto [x0, x1, y0, y1, deepest] = ExtentOf(conductors);
    sizeM = std::hypot(x1 - x0, y1 - y0);
  }
  Result<FallTestReading> reading = ReadFallTest(test.readings, test.currentProbeM, sizeM);
  if (!reading) {
    // The rows are named as the user numbers them.
    std::string why = reading.why();
    if (why.starts_with("row")) why = std::string(row) + why.substr(3);
    return Refused(why);
  }
  test.reading = *std::move(reading);
  std::sort(test.readings.begin(), test.readings.end(),
            [](const FallReading& a, const FallReading& b) { return a.distanceM < b.distanceM; });

  std::vector<JsonMember> inputs{{"current_probe", *probe}};
  if (dimension) inputs.emplace_back("dimension", *dimension);
  inputs.emplace_back("from", edge ? "edge" : "centre");
  inputs.emplace_back("readings", static_cast<double>(test.readings.size()));
  if (designed) {
    const EarthSoil earth{soil->rho, soil->layers};
    if (!table) {
      conductors = {Conductor{{0, 0, 0}, {0, 0, LengthToMetres(*length, units)},
                              RodRadiusMetres(*diameter, units) * 2}};
    }
    const Result<Design> predicted = Predict(conductors, earth, test.currentProbeM);
    OSTREVIN_PASS_ON(predicted);
    test.designOhms = predicted->ohms;
    test.design = predicted->curve;
    std::vector<JsonMember> more =
        table ? soil->InputsWith({{"conductors", static_cast<double>(conductors.size())}})
              : soil->InputsWith({{"diameter", *diameter}, {"length", *length}});
    inputs.insert(inputs.end(), more.begin(), more.end());
  }
  if (designOhms) {
    test.designOhms = *designOhms;
    inputs.emplace_back("design_ohms", *designOhms);
  }
  test.outcome = StartOutcome("test", units, std::move(inputs));
  test.outcome.notes = in.hints();
  Describe(test, row);
  return test;
}

Chart FallTestChart(const FallTest& test) {
  Chart chart;
  const UnitSystem units = test.outcome.units;
  const auto length = [&](double fromCentre) { return LengthFromMetres(fromCentre - test.originM, units); };
  const double d = test.currentProbeM;
  const FallTestReading& r = test.reading;
  chart.title = "Fall of potential: reading against the potential probe's distance";
  double top = 0;
  Series readings;
  readings.dots = true;
  readings.colour = "#1f4e66";
  readings.legend = "readings";
  for (const FallReading& each : test.readings) {
    readings.points.emplace_back(length(each.distanceM), each.ohms);
    top = std::max(top, each.ohms);
  }
  const double last = test.readings.back().distanceM;
  if (r.fit) {
    Series fitted;
    fitted.legend = "the ideal electrode's profile, fitted";
    fitted.colour = "#c46f2c";
    for (int i = 0; i <= 200; ++i) {
      const double x = test.readings.front().distanceM +
                       (std::min(last, 0.97 * d) - test.readings.front().distanceM) * i / 200;
      const double value = FittedReading(*r.fit, d, x);
      if (value > 0 && value < 3 * top) fitted.points.emplace_back(length(x), value);
    }
    chart.series.push_back(fitted);
  }
  if (!test.design.empty()) {
    Series design;
    design.legend = "the design's predicted readings";
    design.colour = "#6b8e23";
    design.dashed = true;
    const double readingsTop = top;
    for (const auto& [x, value] : test.design) {
      if (value > 0 && value < 3 * readingsTop && x <= last) {
        design.points.emplace_back(length(x), value);
        top = std::max(top, value);
      }
    }
    chart.series.push_back(design);
  }
  chart.series.push_back(readings);
  chart.guides.push_back({true, length(0.52 * d), "#999999", "52 %"});
  chart.guides.push_back({true, length(0.72 * d), "#999999", "72 %"});
  if (r.ohms618) {
    chart.markers.push_back({length(kRuleShare * d), *r.ohms618, "#8b0000",
                             "61.8 %: " + ShowOhms(*r.ohms618) + " ohms"});
  }
  if (r.fit) {
    chart.notes.push_back("curve fit: " + ShowOhms(r.fit->ohms) + " ohms (RMS misfit " +
                          FormatDouble("%.2f", r.fit->rmsPercent) + " %)");
  }
  if (r.slopeOhms) {
    chart.notes.push_back("slope method: mu " + FormatDouble("%.3f", *r.slopeMu) + ", " +
                          ShowOhms(*r.slopeOhms) + " ohms");
  }
  std::vector<Tick> xTicks = LinearTicks(LengthFromMetres(d - test.originM, units), 8);
  const double xMax = xTicks.back().value;
  chart.x = {"Potential probe distance (" + std::string(LengthUnit(units)) + ")", 0, xMax, false,
             std::move(xTicks)};
  std::vector<Tick> yTicks = LinearTicks(top * 1.15, 6);
  const double yMax = yTicks.back().value;
  chart.y = {"Reading (ohms)", 0, yMax, false, std::move(yTicks)};
  return chart;
}

}  // namespace ostrevin::calc
