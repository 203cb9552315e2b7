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

// The count of --layers' parts, as ReadParts splits them (three, or where a
// comma is the decimal mark, a ';' batch's, those after a unit).
std::size_t CountLayerParts(const Inputs& in, std::string_view text) {
  return SplitValues(text, 3, in.context().marks).size();
}

// RHO1,H1,RHO2,H2,...,RHON: three to kMostLayers layers.
std::optional<LayeredSoil> ReadStackText(Inputs& in, std::string_view text, std::size_t count) {
  static constexpr std::array<Part, 2 * kMostLayers - 1> kParts{
      Part{"RHO1", "rho1"}, Part{"H1", "h"}, Part{"RHO2", "rho2"}, Part{"H2", "h"}, Part{"RHO3", "rho2"},
      Part{"H3", "h"},      Part{"RHO4", "rho2"}, Part{"H4", "h"}, Part{"RHO5", "rho2"}, Part{"H5", "h"},
      Part{"RHO6", "rho2"}, Part{"H6", "h"},      Part{"RHO7", "rho2"}};
  const std::optional<std::vector<double>> values =
      ReadParts(in, "layers", text, ',', std::span<const Part>(kParts.data(), count));
  if (!values) return std::nullopt;
  LayeredSoil soil;
  for (std::size_t i = 0; i < values->size(); ++i) {
    if (i % 2 == 0) {
      soil.rho.push_back((*values)[i]);
    } else {
      soil.thicknessM.push_back(LengthToMetres((*values)[i], in.units()));
    }
  }
  return soil;
}

std::optional<Soil> ReadMeasuredSoil(Inputs& in, bool stacks) {
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
    const std::size_t count = CountLayerParts(in, *text);
    if (count > 3 && count % 2 == 1) {
      if (!stacks) {
        std::string tools;
        for (const std::string_view tool : kSolverTools) tools += (tools.empty() ? "" : ", ") + std::string(tool);
        return in.Fail(in.Named("layers") + " gives " + std::to_string((count + 1) / 2) +
                       " layers: three or more are solved for electrodes (" + tools +
                       "); here give two, RHO1,H,RHO2");
      }
      if (count > 2 * kMostLayers - 1) {
        return in.Fail(in.Named("layers") + " gives " + std::to_string((count + 1) / 2) +
                       " layers: at most " + std::to_string(kMostLayers) + " are solved");
      }
      soil.stack = ReadStackText(in, *text, count);
      if (!soil.stack) return std::nullopt;
      if (auto checked = CheckLayers(*soil.stack); !checked) {
        return in.Fail(in.Named("layers") + ": " + checked.why());
      }
      soil.inputs = {{"layers", StackValue(*soil.stack, in.units())}};
      return soil;
    }
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
// The profile with a frozen layer of `rho` down to `depthM` in place of
// what was there.
LayeredSoil Frozen(const LayeredSoil& profile, double depthM, double rho) {
  LayeredSoil frozen{{rho}, {depthM}};
  double top = 0;
  for (std::size_t i = 0; i < profile.rho.size(); ++i) {
    const double bottom = i < profile.thicknessM.size() ? top + profile.thicknessM[i] : INFINITY;
    if (bottom > depthM) {
      frozen.rho.push_back(profile.rho[i]);
      if (std::isfinite(bottom)) frozen.thicknessM.push_back(bottom - std::max(top, depthM));
    }
    top = bottom;
  }
  return frozen;
}

LayeredSoil ProfileOf(const Soil& soil) {
  if (soil.stack) return *soil.stack;
  if (soil.layers) return {{soil.layers->rho1, soil.layers->rho2}, {soil.layers->h}};
  return {{soil.rho}, {}};
}

std::string Described(const Soil& soil, UnitSystem units) {
  if (soil.stack) return DescribeStack(*soil.stack, units);
  return soil.layers ? DescribeLayers(*soil.layers, units) : Resistivity(soil.rho);
}

std::optional<Soil> ApplySeason(Inputs& in, Soil soil, bool stacks) {
  const auto factor = in.Optional("season-factor");
  const auto which = in.Choice("season-layers", false);
  const auto frost = in.Text("frost");
  if (in.refusal()) return std::nullopt;
  if (which && !factor) return in.Fail(in.Named("season-layers") + " needs " + in.Named("season-factor"));
  const bool topOnly = which && *which == "top";
  if (topOnly && soil.Uniform()) {
    return in.Fail(in.Named("season-layers") + " top needs two layers (" + in.Named("layers") +
                   "); for a frozen or dry top over a uniform soil, give " + in.Named("frost"));
  }
  if (frost && !soil.Uniform() && !stacks) {
    return in.Fail(in.Named("frost") + " lays a frozen layer over a uniform soil; over two layers "
                   "it would make three, which are not worked: give the frozen top as " +
                   in.Named("layers") + " instead");
  }
  if (!factor && !frost) return soil;
  std::vector<std::string> said;
  if (factor) {
    if (soil.stack) {
      for (std::size_t i = 0; i < soil.stack->rho.size(); ++i) {
        if (i == 0 || !topOnly) soil.stack->rho[i] *= *factor;
      }
    } else if (soil.layers) {
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
    const double depthM = LengthToMetres((*values)[0], in.units());
    const LayeredSoil frozen = Frozen(ProfileOf(soil), depthM, (*values)[1]);
    if (frozen.rho.size() == 2) {
      soil.layers = TwoLayerSoil{frozen.rho[0], frozen.thicknessM[0], frozen.rho[1]};
    } else {
      soil.layers.reset();
      soil.stack = frozen;
    }
    said.push_back("a frozen layer of " + Resistivity((*values)[1]) + " to " +
                   ShowLength(depthM, in.units()) + " " + std::string(LengthUnit(in.units())));
  }
  const auto outside = [&](double rho) { return !kRhoRange.Contains(RoundResistivity(rho)); };
  const LayeredSoil profile = ProfileOf(soil);
  if (std::any_of(profile.rho.begin(), profile.rho.end(), outside)) {
    return in.Fail("the season's soil is outside the resistivities accepted (" +
                   FormatNumber(kRhoRange.min) + " to " + FormatNumber(kRhoRange.max) +
                   " ohm-cm): " + Described(soil, in.units()));
  }
  if (soil.stack) {
    if (auto checked = CheckLayers(*soil.stack); !checked) {
      return in.Fail(in.Named(frost ? "frost" : "season-factor") + ": " + checked.why());
    }
  }
  if (soil.layers) {
    if (auto checked = CheckSoil(*soil.layers); !checked) {
      return in.Fail(in.Named(frost ? "frost" : "season-factor") + ": " + checked.why());
    }
  }
  std::vector<JsonMember> inputs =
      soil.stack    ? std::vector<JsonMember>{{"layers", StackValue(*soil.stack, in.units())}}
      : soil.layers ? LayerFields(*soil.layers, in.units())
                    : std::vector<JsonMember>{{"rho", soil.rho}};
  if (factor) inputs.emplace_back("season_factor", *factor);
  if (topOnly) inputs.emplace_back("season_layers", "top");
  if (frost) inputs.emplace_back("frost", std::string(*frost));
  soil.inputs = std::move(inputs);
  std::string joined;
  for (const std::string& part : said) joined += (joined.empty() ? "" : ", ") + part;
  in.Note("the soil worked is the worst season's: " + Described(soil, in.units()) + " (" + joined + ")");
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

std::optional<Soil> ReadSoil(Inputs& in, bool stacks) {
  std::optional<Soil> soil = ReadMeasuredSoil(in, stacks);
  if (!soil) return std::nullopt;
  soil->measuredTopOhmCm = soil->TopOhmCm();
  return ApplySeason(in, *std::move(soil), stacks);
}

std::optional<std::array<std::string_view, 3>> SplitLayers(std::string_view text) {
  const std::vector<std::string_view> split = SplitParts(text, ',');
  if (split.size() != 3) return std::nullopt;
  return std::array<std::string_view, 3>{split[0], split[1], split[2]};
}

std::vector<std::string_view> SplitValues(std::string_view text, std::size_t expected, const NumberMarks& marks) {
  std::vector<std::string_view> split = SplitParts(text, ',');
  if (split.size() == expected || marks.decimal != ",") return split;
  split.clear();
  std::size_t from = 0;
  for (std::size_t at = 1; at < text.size(); ++at) {
    if (text[at] == ',' && std::isalpha(static_cast<unsigned char>(text[at - 1])) != 0) {
      split.push_back(Trim(text.substr(from, at - from)));
      from = at + 1;
    }
  }
  split.push_back(Trim(text.substr(from)));
  return split;
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
  const std::vector<std::string_view> split =
      separator == ',' ? SplitValues(text, parts.size(), in.context().marks) : SplitParts(text, separator);
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

std::string StackValue(const LayeredSoil& soil, UnitSystem units, bool ohmMetres) {
  std::string text;
  for (std::size_t i = 0; i < soil.rho.size(); ++i) {
    text += ohmMetres ? FormatNumber(RoundResistivity(soil.rho[i]) / 100) + "ohm-m"
                      : FormatNumber(RoundResistivity(soil.rho[i])) + "ohm-cm";
    if (i < soil.thicknessM.size()) {
      text += "," + FormatNumber(RoundTo3Places(LengthFromMetres(soil.thicknessM[i], units))) +
              std::string(LengthUnit(units)) + ",";
    }
  }
  return text;
}

std::string DescribeStack(const LayeredSoil& soil, UnitSystem units) {
  std::string text;
  double depth = 0;
  for (std::size_t i = 0; i < soil.rho.size(); ++i) {
    const std::string rho = FormatNumber(RoundResistivity(soil.rho[i])) + " ohm-cm";
    if (i < soil.thicknessM.size()) {
      depth += soil.thicknessM[i];
      text += rho + " to " + FormatNumber(RoundTo3Places(LengthFromMetres(depth, units))) + " " +
              std::string(LengthUnit(units)) + ", ";
    } else {
      text += "then " + rho;
    }
  }
  return text;
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
