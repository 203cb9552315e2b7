#include "calc/soil_survey.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

#include "calc/calculation_parts.h"
#include "calc/calculations.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/field_ranges.h"
#include "core/number_text.h"
#include "core/numerics.h"
#include "core/soil_resistivity.h"

namespace ostrevin::calc {

namespace {

std::string Metres(double metres, UnitSystem units) {
  return FormatNumber(RoundTo3Places(LengthFromMetres(metres, units))) + " " +
         std::string(LengthUnit(units));
}

std::string OhmCm(double ohmCm) { return FormatNumber(RoundResistivity(ohmCm)); }

// A resistivity as the survey says it: "13253 ohm-cm", or "132.53 ohm-m".
std::string Rho(double ohmCm, bool ohmMetres) {
  return ohmMetres ? FormatNumber(RoundResistivity(ohmCm) / 100) : OhmCm(ohmCm);
}
std::string RhoUnit(bool ohmMetres) { return ohmMetres ? "ohm-m" : "ohm-cm"; }

// "+5.4" or "-0.8": a misfit with its sign.
std::string Signed(double percent) {
  const std::string text = FormatDouble("%.1f", percent);
  return text.starts_with('-') ? text : "+" + text;
}

// One row's reading, or why it is refused.
Result<SurveyReading> ReadRow(const SurveyRow& row, const ReadContext& context) {
  const auto read = [&](std::string_view name, const std::string& text) -> Result<double> {
    const Result<QuantityValue> reading = ReadQuantity(*FindQuantity(name), text, context);
    OSTREVIN_PASS_ON(reading);
    return reading->value;
  };
  if (!row.why.empty()) return Refused(row.why);
  if (!row.spacing) return Refused(NameOf("spacing", context) + " is missing");
  if (row.reading.has_value() == row.rho.has_value()) {
    return Refused("give either " + NameOf("reading", context) + " (the instrument's ohms) or " +
                   NameOf("rho", context) + " (the apparent resistivity), one of them");
  }
  const Result<double> spacing = read("spacing", *row.spacing);
  OSTREVIN_PASS_ON(spacing);
  const Result<double> depth = row.depth ? read("depth", *row.depth) : Result<double>(0.0);
  OSTREVIN_PASS_ON(depth);
  const Result<double> value = row.reading ? read("reading", *row.reading) : read("rho", *row.rho);
  OSTREVIN_PASS_ON(value);
  SurveyReading reading{LengthToMetres(*spacing, context.units),
                        LengthToMetres(*depth, context.units), *value};
  if (row.reading) reading.ohmCm = WennerResistivity(reading.spacingM, reading.depthM, *value);
  return reading;
}

// A row of another array than Wenner's: its electrodes, its apparent
// resistivity, and its name ("Schlumberger 10 m / 1 m").
struct ArrayRow {
  ArrayReading reading;
  std::string label;
};

Result<ArrayRow> ReadArrayRow(const SurveyRow& row, const ReadContext& context) {
  const auto read = [&](std::string_view name, const std::optional<std::string>& text) -> Result<double> {
    if (!text) return Refused(NameOf(name, context) + " is missing");
    const Result<QuantityValue> value = ReadQuantity(*FindQuantity(name), *text, context);
    OSTREVIN_PASS_ON(value);
    return FindQuantity(name)->dimension == Dimension::kLength ? LengthToMetres(value->value, context.units)
                                                              : value->value;
  };
  if (!row.why.empty()) return Refused(row.why);
  const UnitSystem units = context.units;
  const int kinds = (row.spacing ? 1 : 0) + (row.ab2 || row.mn2 ? 1 : 0) + (row.a || row.n ? 1 : 0) +
                    (row.xa || row.xb || row.xm || row.xn ? 1 : 0);
  if (kinds != 1) {
    return Refused("give one array's columns: spacing (Wenner), ab2 and mn2 (Schlumberger), a and n "
                   "(dipole-dipole), or xa, xb, xm and xn");
  }
  ArrayRow out;
  if (row.ab2 || row.mn2) {
    const Result<double> ab2 = read("ab2", row.ab2);
    OSTREVIN_PASS_ON(ab2);
    const Result<double> mn2 = read("mn2", row.mn2);
    OSTREVIN_PASS_ON(mn2);
    if (*mn2 >= *ab2) {
      return Refused("MN/2 (" + Metres(*mn2, units) + ") must be less than AB/2 (" + Metres(*ab2, units) +
                     "): the potential electrodes stand between the current ones");
    }
    out.reading.array = SchlumbergerArray(*ab2, *mn2);
    out.label = "Schlumberger " + Metres(*ab2, units) + " / " + Metres(*mn2, units);
  } else if (row.a || row.n) {
    const Result<double> a = read("a", row.a);
    OSTREVIN_PASS_ON(a);
    const Result<double> n = read("n", row.n);
    OSTREVIN_PASS_ON(n);
    out.reading.array = DipoleDipoleArray(*a, *n);
    out.label = "dipole-dipole " + Metres(*a, units) + ", n " + FormatNumber(*n);
  } else {
    std::array<double, 4> x{};
    const std::array names{"xa", "xb", "xm", "xn"};
    const std::array texts{&row.xa, &row.xb, &row.xm, &row.xn};
    for (std::size_t k = 0; k < x.size(); ++k) {
      const Result<double> at = read(names[k], *texts[k]);
      OSTREVIN_PASS_ON(at);
      x[k] = *at;
    }
    out.reading.array = {x[0], x[1], x[2], x[3]};
    out.label = "A " + Metres(x[0], units) + ", B " + Metres(x[1], units) + ", M " + Metres(x[2], units) + ", N " +
                Metres(x[3], units);
  }
  if (const Result<double> readable = ApparentResistivity(LayeredSoil{{1}, {}}, out.reading.array); !readable) {
    return Refused(readable.why());
  }
  if (row.reading.has_value() == row.rho.has_value()) {
    return Refused("give either " + NameOf("reading", context) + " (the instrument's ohms) or " +
                   NameOf("rho", context) + " (the apparent resistivity), one of them");
  }
  const Result<double> value = row.reading ? read("reading", row.reading) : read("rho", row.rho);
  OSTREVIN_PASS_ON(value);
  // 2 pi R / |G| is in ohm-m: a hundred times that in ohm-cm. An instrument
  // gives the resistance's size whatever the sign its array's G has (a
  // dipole-dipole array's is negative with M nearer B than N).
  out.reading.ohmCm = row.reading ? 100 * 2 * kPi * *value / std::abs(ArrayFactor(out.reading.array)) : *value;
  if (row.depth) {
    const Result<double> depth = read("depth", row.depth);
    OSTREVIN_PASS_ON(depth);
    if (*depth > ArrayReach(out.reading.array) / 20) {
      return Refused("probes " + Metres(*depth, units) + " deep: beyond a twentieth of the array's reach, which " +
                     "only Wenner's array takes into account");
    }
  }
  return out;
}

// Readings at one spacing that differ: each is fitted, the spread said.
std::vector<std::string> Spreads(const std::vector<SurveyReading>& readings, UnitSystem units,
                                 bool ohmMetres) {
  std::map<double, std::pair<double, double>> ranges;  // spacing -> lowest, highest
  std::map<double, int> counts;
  for (const SurveyReading& reading : readings) {
    auto [it, made] = ranges.try_emplace(reading.spacingM, reading.ohmCm, reading.ohmCm);
    it->second.first = std::min(it->second.first, reading.ohmCm);
    it->second.second = std::max(it->second.second, reading.ohmCm);
    ++counts[reading.spacingM];
  }
  std::vector<std::string> notes;
  for (const auto& [spacing, range] : ranges) {
    if (range.first == range.second) continue;
    notes.push_back("spacing " + Metres(spacing, units) + " read " +
                    std::to_string(counts[spacing]) + " times: " + Rho(range.first, ohmMetres) + " to " +
                    Rho(range.second, ohmMetres) + " " + RhoUnit(ohmMetres) + ", " +
                    FormatDouble("%.0f", 100 * (range.second / range.first - 1)) +
                    " % apart (each fitted as it is)");
  }
  return notes;
}

JsonArray Points(const Survey& survey, UnitSystem units) {
  JsonArray points;
  for (std::size_t i = 0; i < survey.readings.size(); ++i) {
    const SurveyReading& reading = survey.readings[i];
    JsonObject point{{"spacing", LengthFromMetres(reading.spacingM, units)},
                     {"ohm_cm", reading.ohmCm},
                     {"model_ohm_cm", survey.fit.modelOhmCm[i]}};
    // Another array: its name, and its reach where Wenner's spacing would be.
    if (!survey.arrayLabels.empty()) point.emplace_back("array", survey.arrayLabels[i]);
    points.emplace_back(std::move(point));
  }
  return points;
}

// The readings beside a model's, one a line; those that stand out from it marked.
TextTable Table(const Survey& survey, UnitSystem units, std::span<const double> modelOhmCm,
                std::span<const std::size_t> outliers = {}) {
  const std::string unit(LengthUnit(units));
  const bool ohmMetres = survey.ohmMetres;
  // The resistivities' unit said once, in the headings, when it is not ohm-cm.
  const std::string in = ohmMetres ? ", ohm-m" : "";
  const bool arrays = !survey.arrayLabels.empty();
  TextTable table{{arrays ? "array" : "spacing", "measured" + in, "model" + in, "misfit"},
                  {arrays ? 32U : 12U, ohmMetres ? 17U : 12U, ohmMetres ? 14U : 12U, 10},
                  {}};
  for (std::size_t i = 0; i < survey.readings.size(); ++i) {
    const SurveyReading& reading = survey.readings[i];
    const double model = modelOhmCm[i];
    table.rows.push_back(
        {arrays ? survey.arrayLabels[i] : FormatNumber(RoundTo3Places(LengthFromMetres(reading.spacingM, units))) + " " + unit,
         Rho(reading.ohmCm, ohmMetres), Rho(model, ohmMetres), Signed(100 * (model / reading.ohmCm - 1)) + " %"});
  }
  if (!outliers.empty()) {
    table.columns.emplace_back("outlier");
    table.widths.push_back(8);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
      const bool out = std::find(outliers.begin(), outliers.end(), i) != outliers.end();
      table.rows[i].emplace_back(out ? "yes" : "");
    }
  }
  return table;
}

// "3 layers" ... in words for the counts a survey fits.
std::string CountWords(int layers) {
  static constexpr std::array<std::string_view, 6> kWords{"", "one layer", "two layers", "three layers",
                                                          "four layers", "five layers"};
  return layers >= 1 && layers < static_cast<int>(kWords.size()) ? std::string(kWords[static_cast<std::size_t>(layers)])
                                                                 : std::to_string(layers) + " layers";
}

// "+-12 %", or "undetermined" where the readings do not decide it.
std::string Interval(double percent) {
  return std::isfinite(percent) && percent < 1000 ? "+-" + FormatDouble("%.0f", std::max(percent, 1.0)) + " %"
                                                  : "undetermined";
}

JsonValue PercentJson(double percent) { return std::isfinite(percent) ? JsonValue(percent) : JsonValue(nullptr); }

// One count's model: its layers with their intervals, as text and JSON.
std::string ModelText(const LayerModel& model, UnitSystem units, bool ohmMetres) {
  std::string text = CountWords(model.layers) + ": ";
  double depth = 0;
  for (std::size_t i = 0; i < model.soil.rho.size(); ++i) {
    const std::string rho = Rho(model.soil.rho[i], ohmMetres) + " " + RhoUnit(ohmMetres) +
                            (model.layers > 1 ? " (" + Interval(model.rhoPercent[i]) + ")" : "");
    if (i + 1 < model.soil.rho.size()) {
      depth += model.soil.thicknessM[i];
      text += rho + " to " + Metres(depth, units) + " (thickness " + Interval(model.thicknessPercent[i]) + "), ";
    } else {
      text += (i > 0 ? "then " : "") + rho;
    }
  }
  return text + " (RMS misfit " + FormatDouble("%.2f", model.rmsPercent) + " %)";
}

// A model as --layers takes it (strip, ring, grid and electrodes take any
// count; the rod tools two).
std::string ModelValue(const LayerModel& model, UnitSystem units, bool ohmMetres) {
  if (model.soil.rho.size() == 1) return Rho(model.soil.rho[0], ohmMetres) + RhoUnit(ohmMetres);
  return StackValue(model.soil, units, ohmMetres);
}

JsonObject ModelJson(const LayerModel& model, UnitSystem units, bool ohmMetres) {
  JsonArray rho;
  JsonArray rhoPercent;
  JsonArray thickness;
  JsonArray thicknessPercent;
  for (std::size_t i = 0; i < model.soil.rho.size(); ++i) {
    rho.emplace_back(model.soil.rho[i]);
    rhoPercent.push_back(model.layers > 1 ? PercentJson(model.rhoPercent[i]) : JsonValue(nullptr));
  }
  for (std::size_t i = 0; i < model.soil.thicknessM.size(); ++i) {
    thickness.emplace_back(LengthFromMetres(model.soil.thicknessM[i], units));
    thicknessPercent.push_back(PercentJson(model.thicknessPercent[i]));
  }
  if (!model.fitted) return {{"layers", model.layers}, {"fitted", false}};
  return {{"layers", model.layers},
          {"fitted", true},
          {"value", ModelValue(model, units, ohmMetres)},
          {"rho_ohm_cm", std::move(rho)},
          {"rho_percent", std::move(rhoPercent)},
          {"thickness", std::move(thickness)},
          {"thickness_percent", std::move(thicknessPercent)},
          {"rms_percent", model.rmsPercent},
          {"converged", model.converged}};
}

// The fit in N layers: each count a line, the one that leads marked; its
// outliers by their lines; the JSON's `model` and `models`.
void DescribeLayers(Survey& survey, UnitSystem units, std::span<const long> lines, std::string_view row) {
  Outcome& outcome = survey.outcome;
  const LayeredFit& fit = *survey.layered;
  JsonArray models;
  for (const LayerModel& model : fit.models) {
    models.emplace_back(ModelJson(model, units, survey.ohmMetres));
    if (!model.fitted) {
      outcome.notes.push_back(CountWords(model.layers) + " not fitted: " + std::to_string(2 * model.layers - 1) +
                              " unknowns from " + std::to_string(survey.readings.size()) + " readings");
      continue;
    }
    // One layer is the uniform soil, said above.
    if (model.layers > 1) {
      outcome.details.push_back((model.layers == fit.chosen ? "leads, " : "") + ModelText(model, units, survey.ohmMetres) +
                                (model.converged ? "" : ", not converged"));
    }
    if (!model.converged && model.layers == fit.chosen) {
      outcome.warnings.push_back(CountWords(model.layers) + ": the fit stopped after " +
                                 std::to_string(model.evaluations) +
                                 " tries without converging: the best found, not certainly the best there is");
    }
  }
  const LayerModel& chosen = fit.models[static_cast<std::size_t>(fit.chosen) - 1];
  if (fit.chosen > 2) {
    // The solver's tools are to use the layers that lead (the rod tools the two).
    for (JsonMember& member : outcome.fields) {
      if (auto* use = std::get_if<JsonObject>(&member.second); member.first == "use" && use != nullptr) {
        use->emplace_back("layers", ModelValue(chosen, units, survey.ohmMetres));
      }
    }
  }
  outcome.fields.emplace_back("model", ModelJson(chosen, units, survey.ohmMetres));
  outcome.table = Table(survey, units, chosen.modelOhmCm, fit.outliers);
  outcome.fields.emplace_back("models", std::move(models));
  if (fit.chosen > 2) {
    outcome.warnings.push_back(CountWords(fit.chosen) + " fit the readings best (RMS misfit " +
                               FormatDouble("%.2f", chosen.rmsPercent) + " %, two layers " +
                               FormatDouble("%.2f", fit.models[1].rmsPercent) +
                               " %); --layers above is the two-layer model, which the rod tools take; "
                               "strip, ring, grid and electrodes take these: --layers " +
                               ModelValue(chosen, units, survey.ohmMetres));
  }
  JsonArray outliers;
  for (const std::size_t i : fit.outliers) {
    const SurveyReading& reading = survey.readings[i];
    outliers.emplace_back(static_cast<double>(lines[i]));
    const std::string where =
        survey.arrayLabels.empty() ? "spacing " + Metres(reading.spacingM, units) : survey.arrayLabels[i];
    outcome.warnings.push_back(std::string(row) + " " + std::to_string(lines[i]) + " (" + where +
                               ") stands out from " + CountWords(fit.chosen) +
                               " by " + Signed(100 * (reading.ohmCm / chosen.modelOhmCm[i] - 1)) + " %: check it, or " +
                               // A file's line is left out by --exclude; a table's row (the page's) removed.
                               (row == "line" ? "leave it out with --exclude " + std::to_string(lines[i])
                                              : "remove it"));
  }
  outcome.fields.emplace_back("outliers", std::move(outliers));
}

}  // namespace

TextTable ModelsTable(const Survey& survey) {
  if (!survey.layered) return {};
  const UnitSystem units = survey.outcome.units;
  const std::string unit(LengthUnit(units));
  TextTable table{{"layers", "misfit", "layer", "rho, " + RhoUnit(survey.ohmMetres), "+-", "thickness, " + unit, "+-"},
                  {10, 8, 6, 12, 13, 9, 13},
                  {}};
  const auto percent = [](double value) {
    const std::string shown = Interval(value);
    return shown.starts_with("+-") ? shown.substr(2) : shown;
  };
  for (const LayerModel& model : survey.layered->models) {
    if (!model.fitted) continue;
    for (std::size_t i = 0; i < model.soil.rho.size(); ++i) {
      const bool first = i == 0;
      const bool last = i + 1 == model.soil.rho.size();
      std::string count = std::to_string(model.layers);
      if (model.layers == survey.layered->chosen) count += ", leads";
      if (!model.converged) count += ", not converged";
      table.rows.push_back({first ? count : "", first ? FormatDouble("%.2f", model.rmsPercent) + " %" : "",
                            std::to_string(i + 1), Rho(model.soil.rho[i], survey.ohmMetres),
                            model.layers > 1 ? percent(model.rhoPercent[i]) : "",
                            last ? "" : FormatNumber(RoundTo3Places(LengthFromMetres(model.soil.thicknessM[i], units))),
                            last ? "" : percent(model.thicknessPercent[i])});
    }
  }
  return table;
}

namespace {

void Describe(Survey& survey, UnitSystem units) {
  Outcome& outcome = survey.outcome;
  const SurveyFit& fit = survey.fit;
  outcome.valueKey = "rho1_ohm_cm";
  outcome.listWarnings = true;
  const bool ohmMetres = survey.ohmMetres;
  const std::string rhoUnit = " " + RhoUnit(ohmMetres);
  const std::string uniform = "one uniform soil: " + Rho(fit.uniformOhmCm, ohmMetres) + rhoUnit +
                              " (RMS misfit " + FormatDouble("%.2f", fit.uniformRmsPercent) +
                              " %)";
  outcome.fields = {{"uniform_ohm_cm", fit.uniformOhmCm},
                    {"uniform_rms_percent", fit.uniformRmsPercent}};
  if (!fit.layers) {
    outcome.why = "only " + std::to_string(fit.spacings) + " distinct spacing" +
                     (fit.spacings == 1 ? "" : "s") + ": a two-layer model needs at least " +
                     std::to_string(kMinSpacingsForLayers);
    outcome.warnings.push_back(outcome.why + "; only the uniform soil is given");
    outcome.fields.insert(
        outcome.fields.end(),
        {{"rho2_ohm_cm", nullptr}, {"h", nullptr}, {"rms_percent", nullptr}, {"layers", nullptr}});
    outcome.result = "na";
    outcome.details = {uniform};
  } else {
    const TwoLayerSoil& soil = *fit.layers;
    outcome.value = soil.rho1;
    const std::string layers = "two layers: " + Rho(soil.rho1, ohmMetres) + rhoUnit + " to " +
                               Metres(soil.h, units) + ", then " + Rho(soil.rho2, ohmMetres) +
                               rhoUnit + " (RMS misfit " + FormatDouble("%.2f", fit.rmsPercent) +
                               " %)";
    outcome.fields.insert(outcome.fields.end(), {{"rho2_ohm_cm", soil.rho2},
                                                 {"h", LengthFromMetres(soil.h, units)},
                                                 {"rms_percent", fit.rmsPercent},
                                                 {"layers", LayersValue(soil, units, ohmMetres)},
                                                 {"converged", fit.converged}});
    // The soil the rod tools are to use, as the texts of their fields.
    JsonObject use;
    const std::string value = LayersValue(soil, units, ohmMetres);
    if (fit.noBetter) {
      use.emplace_back("rho", Rho(fit.uniformOhmCm, ohmMetres) + RhoUnit(ohmMetres));
    } else if (const auto parts = SplitLayers(value)) {
      for (std::size_t i = 0; i < kLayerParts.size(); ++i) {
        use.emplace_back(std::string(kLayerParts[i]), std::string((*parts)[i]));
      }
    }
    outcome.fields.emplace_back("use", std::move(use));
    if (fit.noBetter) {
      // The soil to use leads: the uniform one, its --rho, then the layers for comparison.
      outcome.result = uniform;
      outcome.details = {layers, "--rho " + Rho(fit.uniformOhmCm, ohmMetres) + RhoUnit(ohmMetres),
                         "--layers " + LayersValue(soil, units, ohmMetres)};
      outcome.warnings.push_back(
          fit.uniformRmsPercent <= kUniformEnoughPercent
              ? "two layers fit no better than one: a uniform soil already fits within " +
                    FormatNumber(kUniformEnoughPercent) + " %"
              : "two layers fit no better than one: their misfit is not a quarter below the "
                "uniform soil's");
    } else {
      outcome.result = layers;
      outcome.details = {uniform, "--layers " + LayersValue(soil, units, ohmMetres)};
    }
    const double misfit = fit.noBetter ? fit.uniformRmsPercent : fit.rmsPercent;
    if (misfit > kMuchMisfitPercent) {
      outcome.warnings.push_back(
          "the model misses the readings by " + FormatDouble("%.1f", misfit) +
          " % (RMS), more than " + FormatNumber(kMuchMisfitPercent) +
          " %: the soil may have more than two layers or change sideways, or a reading may be "
          "wrong; check the readings before using the model");
    }
    if (!fit.converged) {
      outcome.warnings.push_back("the fit stopped after " + std::to_string(fit.evaluations) +
                                 " tries without converging: the layers given are the best "
                                 "found, not certainly the best there are");
    }
    for (const auto& [name, fitted] :
         {std::pair{"rho1", soil.rho1}, std::pair{"rho2", soil.rho2}}) {
      if (!kRhoRange.Contains(RoundResistivity(fitted))) {
        outcome.warnings.push_back(
            "the fitted " + std::string(name) + ", " + OhmCm(fitted) +
            " ohm-cm, is outside what the rod commands accept (" + FormatNumber(kRhoRange.min) +
            " to " + FormatNumber(kRhoRange.max) +
            " ohm-cm): the readings do not pin it down; --layers with it is refused");
      }
    }
    const FieldRange thickness = FindQuantity("h")->range;
    if (!thickness.Contains(RoundTo3Places(LengthFromMetres(soil.h, units)))) {
      outcome.warnings.push_back("the fitted thickness, " + Metres(soil.h, units) +
                                 ", is outside what the rod commands accept (" +
                                 FormatNumber(thickness.min) + " to " +
                                 FormatNumber(thickness.max) + " " +
                                 std::string(LengthUnit(units)) + "): --layers with it is refused");
    }
    if (fit.thicknessUnseen && !fit.noBetter) {
      const auto [low, high] = std::minmax_element(
          survey.readings.begin(), survey.readings.end(),
          [](const SurveyReading& a, const SurveyReading& b) { return a.spacingM < b.spacingM; });
      outcome.warnings.push_back("the top layer's thickness, " + Metres(soil.h, units) +
                                 ", lies outside what spacings of " + Metres(low->spacingM, units) +
                                 " to " + Metres(high->spacingM, units) +
                                 " can see (a quarter of the smallest to the largest)");
    }
  }
  outcome.fields.emplace_back("points", Points(survey, units));
  outcome.table = Table(survey, units, survey.fit.modelOhmCm);
  if (survey.arrayLabels.empty()) {
    for (std::string& note : Spreads(survey.readings, units, survey.ohmMetres)) outcome.notes.push_back(std::move(note));
  }
  if (!survey.rejected.empty()) outcome.fields.emplace_back("rejected", survey.rejected);
}

void DescribeFitLayers(Survey& survey, const SurveyOptions& options, std::span<const long> lines,
                       std::string_view row);

// Several survey lines (the `line` column): each fitted alone in the count
// of layers that leads, and the spread of each value between them (the
// largest over the least, less one).
void DescribeSurveyLines(Survey& survey, UnitSystem units) {
  if (!survey.layered || survey.surveyLines.empty()) return;
  std::vector<std::string> names = survey.surveyLines;
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  if (names.size() < 2) return;
  Outcome& outcome = survey.outcome;
  const int count = survey.layered->chosen;
  JsonArray each;
  std::vector<LayeredSoil> soils;
  for (const std::string& name : names) {
    std::vector<ArrayReading> readings;
    for (std::size_t i = 0; i < survey.arrays.size(); ++i) {
      if (survey.surveyLines[i] == name) readings.push_back(survey.arrays[i]);
    }
    const std::string shown = name.empty() ? "the readings of no line" : "survey line " + name;
    const Result<LayeredFit> fit = FitLayers(readings, count, count);
    if (!fit || !fit->models.back().fitted || static_cast<int>(fit->models.size()) != count) {
      outcome.notes.push_back(shown + ": " + std::to_string(readings.size()) + " readings, too few for " +
                              CountWords(count) + " alone");
      continue;
    }
    const LayerModel& model = fit->models.back();
    outcome.details.push_back(shown + ", alone: " + ModelText(model, units, survey.ohmMetres));
    each.emplace_back(JsonObject{{"name", name}, {"model", ModelJson(model, units, survey.ohmMetres)}});
    soils.push_back(model.soil);
  }
  outcome.fields.emplace_back("lines", std::move(each));
  if (soils.size() < 2 || count < 1) return;
  const auto spread = [&](auto value) {
    double least = INFINITY;
    double most = 0;
    for (const LayeredSoil& soil : soils) {
      least = std::min(least, value(soil));
      most = std::max(most, value(soil));
    }
    return 100 * (most / least - 1);
  };
  JsonArray rho;
  JsonArray thickness;
  std::string said = "between the survey lines";
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    const double percent = spread([&](const LayeredSoil& soil) { return soil.rho[i]; });
    rho.emplace_back(percent);
    said += std::string(i == 0 ? ": " : ", ") + "rho" + std::to_string(i + 1) + " " + FormatDouble("%.0f", percent) + " %";
  }
  for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(count); ++i) {
    const double percent = spread([&](const LayeredSoil& soil) { return soil.thicknessM[i]; });
    thickness.emplace_back(percent);
    said += ", h" + std::to_string(i + 1) + " " + FormatDouble("%.0f", percent) + " %";
  }
  outcome.details.push_back(said + " apart");
  outcome.fields.emplace_back("line_spread_percent", JsonObject{{"rho", std::move(rho)}, {"thickness", std::move(thickness)}});
}

// The fit in N layers, where the readings allow it.
void FitInLayers(Survey& survey, const SurveyOptions& options, std::span<const long> lines, std::string_view row) {
  Outcome& outcome = survey.outcome;
  if (survey.readings.size() > kMostLayeredReadings) {
    outcome.notes.push_back("more than " + std::to_string(kMostLayeredReadings) +
                            " readings: not fitted in more layers than two");
    return;
  }
  bool shallow = false;
  for (const SurveyReading& reading : survey.readings) {
    if (reading.depthM > reading.spacingM / 20) {
      outcome.notes.emplace_back(
          "probes deeper than a twentieth of their spacing: fitted in two layers only, which take the depth in");
      return;
    }
    shallow = shallow || reading.depthM > 0;
  }
  const Result<LayeredFit> fit = FitLayers(survey.arrays, kMostFittedLayers, options.fitLayers);
  if (!fit) {
    outcome.notes.push_back("not fitted in layers: " + fit.why());
    return;
  }
  survey.layered = *fit;
  if (shallow) {
    outcome.notes.emplace_back("the layered fits neglect the probes' depth (at most a twentieth of the spacing)");
  }
  DescribeFitLayers(survey, options, lines, row);
}

// A survey of other arrays: its two layers and uniform soil are those of
// the fit in N layers, as the two-layer fit of a Wenner survey gives them.
SurveyFit FitOfLayers(const LayeredFit& layered, const Survey& survey) {
  SurveyFit fit;
  const LayerModel& one = layered.models.front();
  fit.uniformOhmCm = one.soil.rho.front();
  fit.uniformRmsPercent = one.rmsPercent;
  fit.modelOhmCm = one.modelOhmCm;
  std::vector<std::string> labels = survey.arrayLabels;
  std::sort(labels.begin(), labels.end());
  fit.spacings = static_cast<int>(std::unique(labels.begin(), labels.end()) - labels.begin());
  if (layered.models.size() < 2 || !layered.models[1].fitted || fit.spacings < kMinSpacingsForLayers) return fit;
  const LayerModel& two = layered.models[1];
  fit.layers = TwoLayerSoil{two.soil.rho[0], two.soil.thicknessM[0], two.soil.rho[1]};
  fit.rmsPercent = two.rmsPercent;
  fit.modelOhmCm = two.modelOhmCm;
  fit.noBetter = TwoLayersFitNoBetter(fit.uniformRmsPercent, fit.rmsPercent);
  const auto [low, high] = std::minmax_element(
      survey.readings.begin(), survey.readings.end(),
      [](const SurveyReading& a, const SurveyReading& b) { return a.spacingM < b.spacingM; });
  fit.thicknessUnseen = ThicknessUnseen(fit.layers->h, low->spacingM, high->spacingM);
  fit.converged = two.converged;
  fit.evaluations = two.evaluations;
  return fit;
}

void DescribeFitLayers(Survey& survey, const SurveyOptions& options, std::span<const long> lines,
                       std::string_view row) {
  if (options.fitLayers && survey.layered->chosen != *options.fitLayers) {
    survey.outcome.warnings.push_back("--fit-layers " + std::to_string(*options.fitLayers) + ": " +
                                      std::to_string(2 * *options.fitLayers - 1) +
                                      " unknowns need as many readings, not " +
                                      std::to_string(survey.arrays.size()));
  }
  DescribeLayers(survey, survey.outcome.units, lines, row);
}

// A row whose `array` cell names its array, as the rows without one are
// told apart: that array's columns filled, no other's (a Wenner row's
// spacing may be written as Wenner's a).
Result<SurveyRow> OfItsArray(SurveyRow row) {
  if (!row.array) return row;
  const std::string name = Lower(Trim(*row.array));
  const bool wenner = row.spacing.has_value();
  const bool schlumberger = row.ab2 || row.mn2;
  const bool dipoles = row.a || row.n;
  const bool general = row.xa || row.xb || row.xm || row.xn;
  const auto only = [&](bool own, int others, std::string_view columns) -> Result<SurveyRow> {
    if (!own || others > 0) {
      return Refused("array " + name + " takes " + std::string(columns) + ", and no other array's columns");
    }
    return row;
  };
  if (name == "wenner") {
    if (!wenner && row.a && !row.n) row.spacing = std::exchange(row.a, std::nullopt);
    return only(row.spacing.has_value(), (schlumberger ? 1 : 0) + (row.a || row.n ? 1 : 0) + (general ? 1 : 0),
                "its spacing (spacing, or a)");
  }
  if (name == "schlumberger") {
    return only(row.ab2 && row.mn2, (wenner ? 1 : 0) + (dipoles ? 1 : 0) + (general ? 1 : 0), "ab2 and mn2");
  }
  if (name == "dipole-dipole") {
    return only(row.a && row.n, (wenner ? 1 : 0) + (schlumberger ? 1 : 0) + (general ? 1 : 0), "a and n");
  }
  if (name == "general") {
    return only(row.xa && row.xb && row.xm && row.xn, (wenner ? 1 : 0) + (schlumberger ? 1 : 0) + (dipoles ? 1 : 0),
                "xa, xb, xm and xn");
  }
  return Refused("array " + Quoted(*row.array) + " is none of wenner, schlumberger, dipole-dipole, general");
}

}  // namespace

bool IsWennerRow(const SurveyRow& row) {
  return !(row.ab2 || row.mn2 || row.a || row.n || row.xa || row.xb || row.xm || row.xn);
}

Result<SurveyOptions> ReadSurveyOptions(std::optional<std::string_view> fitLayers,
                                        std::optional<std::string_view> exclude) {
  SurveyOptions options;
  if (fitLayers) {
    const std::optional<double> n = ParseNumber(*fitLayers);
    if (!n || *n != std::floor(*n) || *n < 1 || *n > kMostFittedLayers) {
      return Refused("--fit-layers " + std::string(*fitLayers) + ": give a count of layers from 1 to " +
                     std::to_string(kMostFittedLayers));
    }
    options.fitLayers = static_cast<int>(*n);
  }
  if (exclude) {
    std::string_view rest = *exclude;
    while (!rest.empty()) {
      const std::size_t comma = rest.find(',');
      const std::string_view item = rest.substr(0, comma);
      const std::optional<double> line = ParseNumber(item);
      if (!line || *line != std::floor(*line) || *line < 1 || *line > 1e9) {
        return Refused("--exclude " + std::string(*exclude) + ": give the lines to leave out as whole numbers, e.g. 7,12");
      }
      options.exclude.push_back(static_cast<long>(*line));
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
  }
  return options;
}

Result<Survey> CalculateSurvey(std::span<const SurveyRow> given, const ReadContext& context,
                               std::string_view row, const SurveyOptions& options) {
  if (given.size() > kMaxSurveyRows) {
    return Refused(std::to_string(given.size()) + " readings: a survey may have at most " +
                   std::to_string(kMaxSurveyRows));
  }
  Survey survey;
  std::vector<long> lines;  // each reading's
  std::vector<std::string> left;
  for (const long line : options.exclude) {
    if (std::none_of(given.begin(), given.end(), [&](const SurveyRow& each) { return each.line == line; })) {
      return Refused("--exclude " + std::to_string(line) + ": no reading on " + std::string(row) + " " +
                     std::to_string(line));
    }
  }
  const auto excluded = [&](const SurveyRow& each) {
    return std::find(options.exclude.begin(), options.exclude.end(), each.line) != options.exclude.end();
  };
  // Rows that name their array, read as that array's.
  std::vector<SurveyRow> named;
  for (const SurveyRow& each : given) {
    Result<SurveyRow> read = OfItsArray(each);
    if (read) {
      named.push_back(*std::move(read));
    } else {
      SurveyRow refused = each;
      refused.why = read.why();
      named.push_back(std::move(refused));
    }
  }
  const std::span<const SurveyRow> rows = named;
  // Wenner's array alone, or other arrays (then every reading is fitted in
  // layers, its probes' depth neglected up to a twentieth of the reach).
  const bool wenner = std::all_of(rows.begin(), rows.end(),
                                  [&](const SurveyRow& each) { return excluded(each) || IsWennerRow(each); });
  for (const SurveyRow& each : rows) {
    if (excluded(each)) {
      left.push_back(std::string(row) + " " + std::to_string(each.line));
      continue;
    }
    const auto reject = [&](const std::string& why) {
      survey.rejected.push_back(std::string(row) + " " + std::to_string(each.line) + ": " + why);
    };
    if (IsWennerRow(each)) {
      const Result<SurveyReading> read = ReadRow(each, context);
      if (!read) {
        reject(read.why());
        continue;
      }
      if (!wenner && read->depthM > read->spacingM / 20) {
        reject("probes " + Metres(read->depthM, context.units) +
               " deep: beyond a twentieth of the spacing, which a survey of other arrays than Wenner's "
               "does not take into account");
        continue;
      }
      survey.readings.push_back(*read);
      survey.arrays.push_back({WennerArray(read->spacingM), read->ohmCm});
      if (!wenner) survey.arrayLabels.push_back("Wenner " + Metres(read->spacingM, context.units));
    } else {
      const Result<ArrayRow> read = ReadArrayRow(each, context);
      if (!read) {
        reject(read.why());
        continue;
      }
      survey.readings.push_back({ArrayReach(read->reading.array), 0, read->reading.ohmCm});
      survey.arrays.push_back(read->reading);
      survey.arrayLabels.push_back(read->label);
    }
    lines.push_back(each.line);
    survey.surveyLines.push_back(each.surveyLine.value_or(""));
  }
  if (std::all_of(survey.surveyLines.begin(), survey.surveyLines.end(),
                  [](const std::string& name) { return name.empty(); })) {
    survey.surveyLines.clear();
  }
  if (survey.readings.empty()) {
    return Refused(rows.empty() ? "the survey has no readings"
                                : "no reading of the survey could be read");
  }
  if (!wenner && survey.readings.size() > kMostLayeredReadings) {
    return Refused(std::to_string(survey.readings.size()) + " readings: a survey of other arrays than Wenner's may have at most " +
                   std::to_string(kMostLayeredReadings));
  }
  survey.ohmMetres = context.answerOhmMetres;
  survey.outcome = StartOutcome("soil", context.units,
                                {{"readings", static_cast<double>(survey.readings.size())}});
  survey.outcome.unit = "";
  const auto sayLeft = [&] {
    if (left.empty()) return;
    std::string said = "left out of the fit: " + left.front();
    for (std::size_t i = 1; i < left.size(); ++i) said += ", " + left[i];
    survey.outcome.notes.push_back(said);
  };
  if (wenner) {
    survey.fit = FitSurvey(survey.readings);
    Describe(survey, context.units);
    sayLeft();
    FitInLayers(survey, options, lines, row);
    DescribeSurveyLines(survey, context.units);
    return survey;
  }
  const Result<LayeredFit> layered = FitLayers(survey.arrays, kMostFittedLayers, options.fitLayers);
  if (!layered) return Refused(layered.why());
  survey.layered = *layered;
  survey.fit = FitOfLayers(*layered, survey);
  Describe(survey, context.units);
  sayLeft();
  DescribeFitLayers(survey, options, lines, row);
  DescribeSurveyLines(survey, context.units);
  return survey;
}

Chart SurveyChart(const Survey& survey) {
  Chart chart;
  const UnitSystem units = survey.outcome.units;
  const std::string unit(LengthUnit(units));
  const auto length = [&](double metres) { return LengthFromMetres(metres, units); };
  const bool arrays = !survey.arrayLabels.empty();
  chart.title = arrays ? "Survey: apparent resistivity against each array's reach (a third of its spread)"
                       : "Wenner survey: apparent resistivity against probe spacing";
  double low = INFINITY;
  double high = 0;
  double bottom = INFINITY;
  double top = 0;
  Series measured;
  measured.dots = true;
  measured.colour = "#1f4e66";
  measured.legend = "readings";
  for (const SurveyReading& reading : survey.readings) {
    low = std::min(low, reading.spacingM);
    high = std::max(high, reading.spacingM);
    bottom = std::min(bottom, reading.ohmCm);
    top = std::max(top, reading.ohmCm);
    measured.points.emplace_back(length(reading.spacingM), reading.ohmCm);
  }
  const double from = low / 2;
  const double to = high * 2;
  Series uniform;
  uniform.colour = "#777777";
  uniform.dashed = true;
  uniform.legend = "uniform soil, " + Rho(survey.fit.uniformOhmCm, survey.ohmMetres) + " " +
                   RhoUnit(survey.ohmMetres);
  uniform.points = {{length(from), survey.fit.uniformOhmCm}, {length(to), survey.fit.uniformOhmCm}};
  bottom = std::min(bottom, survey.fit.uniformOhmCm);
  top = std::max(top, survey.fit.uniformOhmCm);
  chart.series.push_back(uniform);
  // A model's readings: against spacing for Wenner's array, at each
  // reading's array (in the order of their reach) for others.
  const auto modelPoints = [&](const LayeredSoil& soil) {
    std::vector<std::pair<double, double>> points;
    if (!arrays) {
      for (int i = 0; i <= 120; ++i) {
        const double spacing = from * std::pow(to / from, i / 120.0);
        const Result<double> value = ApparentResistivity(soil, WennerArray(spacing));
        if (value) points.emplace_back(length(spacing), *value);
      }
      return points;
    }
    for (std::size_t i = 0; i < survey.arrays.size(); ++i) {
      const Result<double> value = ApparentResistivity(soil, survey.arrays[i].array);
      if (value) points.emplace_back(length(survey.readings[i].spacingM), *value);
    }
    std::sort(points.begin(), points.end());
    return points;
  };
  if (const auto& soil = survey.fit.layers) {
    Series model;
    model.legend = arrays ? "two layers (at each array)" : "two layers (against spacing)";
    model.points = modelPoints(LayeredSoil{{soil->rho1, soil->rho2}, {soil->h}});
    Series profile;
    profile.colour = "#6b8e23";
    profile.width = 1.5;
    profile.legend = "the layers (against depth)";
    const double h = std::clamp(soil->h, from, to);
    profile.points = {{length(from), soil->rho1},
                      {length(h), soil->rho1},
                      {length(h), soil->rho2},
                      {length(to), soil->rho2}};
    bottom = std::min({bottom, soil->rho1, soil->rho2});
    top = std::max({top, soil->rho1, soil->rho2});
    chart.series.push_back(model);
    chart.series.push_back(profile);
    chart.notes.push_back("two layers: " + LayersValue(*soil, units, survey.ohmMetres) + " (RMS misfit " +
                          FormatDouble("%.2f", survey.fit.rmsPercent) + " %)");
  }
  // Each count of layers beyond two that was fitted, its curve beside.
  if (survey.layered) {
    static constexpr std::array<std::string_view, 3> kColours{"#1b9e77", "#7570b3", "#e7298a"};
    for (const LayerModel& layered : survey.layered->models) {
      if (layered.layers < 3 || !layered.fitted) continue;
      Series curve;
      curve.colour = std::string(kColours[static_cast<std::size_t>(layered.layers - 3) % kColours.size()]);
      curve.dashed = layered.layers != survey.layered->chosen;
      curve.legend = CountWords(layered.layers) + " (RMS misfit " + FormatDouble("%.2f", layered.rmsPercent) + " %" +
                     (layered.layers == survey.layered->chosen ? ", leads)" : ")");
      curve.points = modelPoints(layered.soil);
      for (const auto& point : curve.points) {
        bottom = std::min(bottom, point.second);
        top = std::max(top, point.second);
      }
      chart.series.push_back(std::move(curve));
    }
  }
  chart.series.push_back(measured);
  chart.x = {std::string(arrays ? "Array's reach" : "Probe spacing") + ", and depth (" + unit + ", logarithmic)", length(from), length(to), true,
             LogTicks(length(from), length(to))};
  // Drawn in ohm-m where the survey says ohm-m: every resistivity a hundredth.
  const double scale = survey.ohmMetres ? 0.01 : 1;
  for (Series& series : chart.series) {
    for (auto& point : series.points) point.second *= scale;
  }
  const double yMin = std::pow(10.0, std::floor(std::log10(bottom * scale * 0.8)));
  const double yMax = std::pow(10.0, std::ceil(std::log10(top * scale * 1.25)));
  chart.y = {"Apparent resistivity (" + RhoUnit(survey.ohmMetres) + ", logarithmic)", yMin, yMax,
             true, LogTicks(yMin, yMax)};
  return chart;
}

}  // namespace ostrevin::calc
