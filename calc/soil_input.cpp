// The soil of a rod calculation: one resistivity, or two layers given as
// --layers RHO1,H,RHO2 (each with an optional unit) or, in a batch, as the
// columns rho1, h and rho2 (a ';' file's decimal commas would collide with
// the commas between the three).
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "calc/calculation_parts.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

std::optional<TwoLayerSoil> ReadLayerText(Inputs& in, std::string_view text) {
  const std::array<Part, 3> parts{Part{"RHO1", "rho1"}, Part{"H", "h"}, Part{"RHO2", "rho2"}};
  const std::optional<std::vector<double>> values = ReadParts(in, "layers", text, ',', parts);
  if (!values) return std::nullopt;
  return TwoLayerSoil{(*values)[0], LengthToMetres((*values)[1], in.units()), (*values)[2]};
}

// How far the rod's foot stands from the interface, in words.
std::string FootToInterface(double gap) {
  const double distance = std::abs(gap);
  if (distance == 0) return "the rod's foot is at the interface";
  const std::string shown = distance < 0.01   ? FormatDouble("%.1f", distance * 1000) + " mm"
                            : distance < 1.0  ? FormatDouble("%.1f", distance * 100) + " cm"
                                              : FormatDouble("%.2f", distance) + " m";
  return "the rod's foot is " + shown + (gap > 0 ? " above" : " below") + " the interface";
}

}  // namespace

namespace {

std::optional<Soil> ReadMeasuredSoil(Inputs& in) {
  const bool columns = in.Given("rho1") || in.Given("h") || in.Given("rho2");
  const int given = (in.Given("rho") ? 1 : 0) + (in.Given("layers") ? 1 : 0) + (columns ? 1 : 0);
  if (given > 1) {
    return in.Fail(in.Named("rho") + " (uniform soil) and " + in.Named("layers") +
                   " (two layers) are both given: give one of them");
  }
  if (given == 0) return in.Fail(in.Named("rho") + " (or " + in.Named("layers") + ") is missing");
  Soil soil;
  if (const auto rho = in.Optional("rho")) {
    soil.rho = *rho;
    soil.inputs = {{"rho", *rho}};
    return soil;
  }
  if (in.refusal()) return std::nullopt;
  if (const auto text = in.Text("layers")) {
    soil.layers = ReadLayerText(in, *text);
  } else {
    const auto rho1 = in.Required("rho1");
    const auto h = in.Required("h");
    const auto rho2 = in.Required("rho2");
    if (rho1 && h && rho2) soil.layers = TwoLayerSoil{*rho1, LengthToMetres(*h, in.units()), *rho2};
  }
  if (!soil.layers) return std::nullopt;
  if (auto checked = CheckSoil(*soil.layers); !checked) {
    return in.Fail(in.Named("layers") + ": " + checked.why());
  }
  soil.inputs = LayerFields(*soil.layers, in.units());
  return soil;
}

std::string Resistivity(double ohmCm) { return FormatNumber(RoundResistivity(ohmCm)) + " ohm-cm"; }

// The measured soil made its worst season's (see ReadSoil).
std::optional<Soil> ApplySeason(Inputs& in, Soil soil) {
  const auto factor = in.Optional("season-factor");
  const auto which = in.Choice("season-layers", false);
  const auto frost = in.Text("frost");
  if (in.refusal()) return std::nullopt;
  if (which && !factor) return in.Fail(in.Named("season-layers") + " needs " + in.Named("season-factor"));
  const bool topOnly = which && *which == "top";
  if (topOnly && !soil.layers) {
    return in.Fail(in.Named("season-layers") + " top needs two layers (" + in.Named("layers") +
                   "); for a frozen or dry top over a uniform soil, give " + in.Named("frost"));
  }
  if (frost && soil.layers) {
    return in.Fail(in.Named("frost") + " lays a frozen layer over a uniform soil; over two layers "
                   "it would make three, which are not worked: give the frozen top as " +
                   in.Named("layers") + " instead");
  }
  if (!factor && !frost) return soil;
  std::vector<std::string> said;
  if (factor) {
    if (soil.layers) {
      soil.layers->rho1 *= *factor;
      if (!topOnly) soil.layers->rho2 *= *factor;
    } else {
      soil.rho *= *factor;
    }
    said.push_back(std::string(topOnly ? "the top layer's resistivity" : "the measured resistivity") +
                   " times " + FormatNumber(*factor));
  }
  if (frost) {
    const std::array<Part, 2> parts{Part{"DEPTH", "h"}, Part{"RHO", "rho1"}};
    const std::optional<std::vector<double>> values = ReadParts(in, "frost", *frost, ',', parts);
    if (!values) return std::nullopt;
    soil.layers = TwoLayerSoil{(*values)[1], LengthToMetres((*values)[0], in.units()), soil.rho};
    said.push_back("a frozen layer of " + Resistivity((*values)[1]) + " to " +
                   ShowLength(soil.layers->h, in.units()) + " " + std::string(LengthUnit(in.units())));
  }
  const auto outside = [&](double rho) { return !kRhoRange.Contains(RoundResistivity(rho)); };
  if (soil.layers ? outside(soil.layers->rho1) || outside(soil.layers->rho2) : outside(soil.rho)) {
    return in.Fail("the season's soil is outside the resistivities accepted (" +
                   FormatNumber(kRhoRange.min) + " to " + FormatNumber(kRhoRange.max) +
                   " ohm-cm): " + (soil.layers ? DescribeLayers(*soil.layers, in.units())
                                               : Resistivity(soil.rho)));
  }
  if (soil.layers) {
    if (auto checked = CheckSoil(*soil.layers); !checked) {
      return in.Fail(in.Named(frost ? "frost" : "season-factor") + ": " + checked.why());
    }
  }
  std::vector<JsonMember> inputs =
      soil.layers ? LayerFields(*soil.layers, in.units())
                  : std::vector<JsonMember>{{"rho", soil.rho}};
  if (factor) inputs.emplace_back("season_factor", *factor);
  if (topOnly) inputs.emplace_back("season_layers", "top");
  if (frost) inputs.emplace_back("frost", std::string(*frost));
  soil.inputs = std::move(inputs);
  std::string joined;
  for (const std::string& part : said) joined += (joined.empty() ? "" : ", ") + part;
  in.Note("the soil worked is the worst season's: " +
          (soil.layers ? DescribeLayers(*soil.layers, in.units()) : Resistivity(soil.rho)) + " (" +
          joined + ")");
  return soil;
}

}  // namespace

double SeasonRho(Inputs& in, double rho) {
  const auto factor = in.Optional("season-factor");
  if (!factor) return rho;
  if (!kRhoRange.Contains(RoundResistivity(rho * *factor))) {
    in.Fail("the season's soil is outside the resistivities accepted (" + FormatNumber(kRhoRange.min) +
            " to " + FormatNumber(kRhoRange.max) + " ohm-cm): " + Resistivity(rho * *factor));
    return rho * *factor;
  }
  in.Note("the soil worked is the worst season's: " + Resistivity(rho * *factor) +
          " (the measured resistivity times " + FormatNumber(*factor) + ")");
  return rho * *factor;
}

std::optional<Soil> ReadSoil(Inputs& in) {
  std::optional<Soil> soil = ReadMeasuredSoil(in);
  if (!soil) return std::nullopt;
  soil->measuredTopOhmCm = soil->layers ? soil->layers->rho1 : soil->rho;
  return ApplySeason(in, *std::move(soil));
}

std::optional<std::array<std::string_view, 3>> SplitLayers(std::string_view text) {
  const std::vector<std::string_view> split = SplitParts(text, ',');
  if (split.size() != 3) return std::nullopt;
  return std::array<std::string_view, 3>{split[0], split[1], split[2]};
}

std::optional<std::vector<RodPoint>> ReadPlanPoints(Inputs& in, std::string_view name,
                                                    std::string_view text, std::size_t most,
                                                    std::string_view what) {
  std::string spaced(text);
  std::replace(spaced.begin(), spaced.end(), ';', ' ');
  std::vector<RodPoint> points;
  const std::string_view all = spaced;
  for (std::size_t at = 0; (at = all.find_first_not_of(" \t", at)) != std::string_view::npos;) {
    const std::size_t end = std::min(all.find_first_of(" \t", at), all.size());
    const std::string_view pair = all.substr(at, end - at);
    at = end;
    if (points.size() == most) {
      return in.Fail(in.Named(name) + " names more than " + std::to_string(most) +
                     " positions: at most " + std::to_string(most) + " " + std::string(what) +
                     " are taken");
    }
    const std::size_t comma = pair.find(',');
    const auto x = comma == std::string_view::npos ? std::nullopt
                                                   : ReadMetres(pair.substr(0, comma), in.context());
    const auto y = x ? ReadMetres(pair.substr(comma + 1), in.context()) : std::nullopt;
    if (!x || !y) {
      return in.Fail(in.Named(name) + " needs positions x,y separated by blanks, not " + Quoted(pair));
    }
    points.push_back({*x, *y});
  }
  if (points.empty()) return in.Fail(in.Named(name) + " names no position");
  return points;
}

std::vector<std::string_view> SplitParts(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  const auto is = [&](char c) {
    return c == separator || (separator == 'x' && c == 'X');
  };
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at == text.size() || is(text[at])) {
      parts.push_back(text.substr(start, at - start));
      start = at + 1;
    }
  }
  return parts;
}

std::optional<std::vector<double>> ReadParts(Inputs& in, std::string_view name,
                                             std::string_view text, char separator,
                                             std::span<const Part> parts) {
  std::vector<std::string_view> split = SplitParts(text, separator);
  // Where a comma is the decimal mark (a ';' batch), the parts part at a
  // comma after a unit: "0,8m,500ohm-m".
  if (separator == ',' && split.size() != parts.size() && in.context().marks.decimal == ",") {
    split.clear();
    std::size_t from = 0;
    for (std::size_t at = 1; at < text.size(); ++at) {
      if (text[at] == ',' && std::isalpha(static_cast<unsigned char>(text[at - 1])) != 0) {
        split.push_back(Trim(text.substr(from, at - from)));
        from = at + 1;
      }
    }
    split.push_back(Trim(text.substr(from)));
  }
  const Quantity& quantity = *FindQuantity(name);
  if (split.size() != parts.size()) {
    const std::string_view count = parts.size() == 2 ? "two" : "three";
    const std::string by = separator == ',' ? "commas" : std::string("an ") + separator;
    return in.Fail(in.Named(name) + " needs " + std::string(quantity.metavar) + ": " +
                   std::string(count) + " values separated by " + by + " (e.g. " +
                   std::string(quantity.example) + "), not " + Quoted(text));
  }
  std::vector<double> values;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    // Read as the part it is: "--layers: RHO1 needs a resistivity ...".
    ReadContext context = in.context();
    const std::string prefix = in.Named(name) + ": ";
    context.prefix = prefix;
    const Result<QuantityValue> reading = ReadQuantity(*FindQuantity(parts[i].as), split[i], context);
    if (!reading) {
      if (context.labels) return in.Fail(reading.why());
      return in.Fail(prefix + std::string(parts[i].shown) +
                     reading.why().substr(prefix.size() + parts[i].as.size()));
    }
    if (!reading->hint.empty()) {
      in.Note(context.labels ? reading->hint
                             : prefix + std::string(parts[i].shown) +
                                   reading->hint.substr(prefix.size() + parts[i].as.size()));
    }
    values.push_back(reading->value);
  }
  return values;
}

std::string JoinLayers(std::string_view rho1, std::string_view h, std::string_view rho2) {
  return std::string(rho1) + "," + std::string(h) + "," + std::string(rho2);
}

std::string LayersValue(const TwoLayerSoil& soil, UnitSystem units, bool ohmMetres) {
  const auto rho = [&](double ohmCm) {
    return ohmMetres ? FormatNumber(RoundResistivity(ohmCm) / 100) + "ohm-m"
                     : FormatNumber(RoundResistivity(ohmCm)) + "ohm-cm";
  };
  return JoinLayers(rho(soil.rho1),
                    FormatNumber(RoundTo3Places(LengthFromMetres(soil.h, units))) +
                        std::string(LengthUnit(units)),
                    rho(soil.rho2));
}

std::string DescribeLayers(const TwoLayerSoil& soil, UnitSystem units) {
  return FormatNumber(RoundResistivity(soil.rho1)) + " ohm-cm to " +
         FormatNumber(RoundTo3Places(LengthFromMetres(soil.h, units))) + " " +
         std::string(LengthUnit(units)) + ", then " + FormatNumber(RoundResistivity(soil.rho2)) +
         " ohm-cm";
}

std::vector<JsonMember> LayerFields(const TwoLayerSoil& soil, UnitSystem units) {
  return {{"rho1_ohm_cm", soil.rho1},
          {"h", LengthFromMetres(soil.h, units)},
          {"rho2_ohm_cm", soil.rho2}};
}

void WarnNearInterface(Outcome& outcome, const TwoLayerSoil& soil, double footM, double radiusM,
                       const std::function<std::optional<double>(const TwoLayerSoil&)>& value,
                       const std::function<std::string(double)>& show) {
  if (!outcome.value) return;
  const double gap = soil.h - footM;  // the foot below the interface: negative
  if (std::abs(gap) < 2 * radiusM) {
    outcome.warnings.push_back(FootToInterface(gap) +
                               ", within two radii of it, where the thin-wire model of the rod "
                               "does not hold: the answer there is uncertain");
  }
  TwoLayerSoil thinner = soil;
  TwoLayerSoil thicker = soil;
  thinner.h = std::max(soil.h - kInterfaceShiftM, soil.h / 2);
  thicker.h = soil.h + kInterfaceShiftM;
  const std::optional<double> less = value(thinner);
  const std::optional<double> more = value(thicker);
  const double base = *outcome.value;
  const auto moved = [&](const std::optional<double>& other) {
    return other && std::abs(*other / base - 1) > kInterfaceSensitivity;
  };
  if (!moved(less) && !moved(more)) return;
  const auto number = [](const std::optional<double>& v) {
    return v ? JsonValue(*v) : JsonValue(nullptr);
  };
  outcome.fields.emplace_back("with_h_less_10cm", number(less));
  outcome.fields.emplace_back("with_h_more_10cm", number(more));
  const auto text = [&](const std::optional<double>& v) { return v ? show(*v) : "na"; };
  outcome.warnings.push_back(
      "the answer hinges on the interface's depth (" + FootToInterface(gap) +
      "): with the top layer " + FormatNumber(kInterfaceShiftM * 100) +
      " cm thinner it is " + text(less) + ", " + FormatNumber(kInterfaceShiftM * 100) +
      " cm thicker " + text(more) + "; a survey seldom gives h that closely");
}

std::vector<Option> WithSoil(std::vector<Option> options) {
  const auto rho = std::find_if(options.begin(), options.end(),
                                [](const Option& option) { return option.name == "rho"; });
  *rho = kRhoOption;
  options.insert(rho + 1, kLayerOptions.begin(), kLayerOptions.end());
  return options;
}

}  // namespace ostrevin::calc
