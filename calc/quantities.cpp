#include "calc/quantities.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

using enum Dimension;

constexpr FieldRange kDepthRange{0, 1000};           // feet or metres
// A bare resistivity below this (ohm-cm, 10 ohm-m: wetter than most soils)
// is asked about: ohm-m is what most of the world writes.
constexpr double kWettestBareOhmCm = 1000;
constexpr FieldRange kRodCountRange{1, 1000};        // rods
constexpr FieldRange kPerSideRange{2, 250};          // rods a side: at most 996 rods
constexpr FieldRange kThicknessRange{0.001, 10000};  // feet or metres
constexpr FieldRange kCurveRange{0.0001, 9999.9};    // feet or metres, within the scan
constexpr FieldRange kNoRange{0, 0};
constexpr FieldRange kCurrentRange{0.001, 1000000};  // amperes
constexpr FieldRange kShockRange{0.03, 3};            // seconds: where Dalziel's equation holds
constexpr FieldRange kFaultRange{0.001, 60};          // seconds
constexpr FieldRange kLayerRange{0.001, 10};          // feet or metres, above grade
constexpr FieldRange kLatticeRange{0.01, 100};       // feet or metres
constexpr FieldRange kFenceRange{0, 1000};           // feet or metres outside the outline

constexpr std::array kQuantities{
    Quantity{"rho", kRhoRange, "R", "soil resistivity, ohm-cm", "Soil resistivity", kResistivity,
             "20ohm-m"},
    Quantity{"diameter", kDiameterRange, "D", "rod diameter, inches or metres", "Rod diameter",
             kDiameter, "16mm"},
    Quantity{"length", kRodLengthRange, "L", "rod length, feet or metres", "Rod length", kLength,
             "8ft"},
    Quantity{"solve", kNoRange, "WHAT",
             "what the design varies to reach the target: count (the fewest rods, or a "
             "square's rods a side), spacing or length (the rods' count fixed); count when "
             "not given",
             "Solve for", kChoice, {}, "count spacing length"},
    Quantity{"target", kTargetRange, "T", "wanted resistance, ohms", "Wanted resistance",
             kResistance},
    Quantity{"spacing", kSpacingRange, "A", "probe spacing, feet or metres", "Probe spacing",
             kLength, "3m"},
    // A survey's other arrays (the soil command's columns).
    Quantity{"ab2", kSpacingRange, "AB/2", "half the current electrodes' spread (Schlumberger), feet or metres",
             "AB/2", kLength, "10m"},
    Quantity{"mn2", kSpacingRange, "MN/2", "half the potential electrodes' spread (Schlumberger), feet or metres",
             "MN/2", kLength, "1m"},
    Quantity{"a", kSpacingRange, "A", "each dipole's length (dipole-dipole), feet or metres", "Dipole length",
             kLength, "2m"},
    Quantity{"n", {0.01, 1000.0}, "N", "the dipoles' separation in dipole lengths (dipole-dipole)",
             "Dipole separation", kFactor},
    Quantity{"xa", {-100000, 100000}, "X", "the current electrode A's place on the line, feet or metres",
             "Electrode A", kLength},
    Quantity{"xb", {-100000, 100000}, "X", "the current electrode B's place on the line, feet or metres",
             "Electrode B", kLength},
    Quantity{"xm", {-100000, 100000}, "X", "the potential electrode M's place on the line, feet or metres",
             "Electrode M", kLength},
    Quantity{"xn", {-100000, 100000}, "X", "the potential electrode N's place on the line, feet or metres",
             "Electrode N", kLength},
    Quantity{"distance", {0.001, 100000}, "X",
             "the potential probe's distance, feet or metres", "Potential probe distance",
             kLength, "61.8m"},
    Quantity{"current-probe", {0.01, 100000}, "D",
             "the current probe's distance from the electrode, feet or metres",
             "Current probe distance", kLength, "100m"},
    Quantity{"dimension", {0.001, 100000}, "S",
             "the electrode's largest dimension (a grid's diagonal), feet or metres",
             "Electrode's largest dimension", kLength, "10m"},
    Quantity{"design-ohms", kMeasuredRRange, "R",
             "the design's resistance, ohms, to set beside the measured one",
             "Design's resistance"},
    Quantity{"reading", kMeasuredRRange, "R", "the instrument's resistance reading, ohms",
             "Instrument reading", kResistance},
    Quantity{"depth", kDepthRange, "B", "depth of the probes, feet or metres (0: at the surface)",
             "Probe depth", kLength},
    Quantity{"rod-length", kRodLengthRange, "L", "length of the driven rod, feet or metres",
             "Driven rod length", kLength, "3m"},
    Quantity{"layout",
             kNoRange,
             "K",
             "line, triangle, square, ring or points",
             "Layout",
             kChoice,
             {},
             "line triangle square ring points"},
    Quantity{"rods", kRodCountRange, "N", "number of rods", "Number of rods", kCount},
    Quantity{"per-side", kPerSideRange, "M", "rods a side of the hollow square", "Rods a side",
             kCount},
    Quantity{"at", kNoRange, "\"X,Y ...\"", "rod positions x,y, feet or metres", "Rod positions",
             kText},
    Quantity{"layers", kNoRange, "RHO1,H,RHO2",
             "two layers in place of --rho: the top layer's resistivity, its thickness, the "
             "resistivity below (strip, ring, grid and electrodes take up to seven: "
             "RHO1,H1,RHO2,H2,...,RHON)",
             "Layered soil", kText, "413ohm-m,2.2m,123ohm-m"},
    Quantity{"season-factor", {0.1, 100}, "F",
             "the soil in its worst season: the measured resistivity times F (a dry season 1.5 "
             "to 3, frozen ground 4 to 10 or more; IEEE Std 142-2007, 4.1.3, after Higgs 1930)",
             "Season factor", kFactor, "2"},
    Quantity{"season-layers", kNoRange, "L",
             "which layers the season factor raises: all, or top (the top layer only)",
             "Season's layers", kChoice, {}, "all top"},
    Quantity{"frost", kNoRange, "DEPTH,RHO",
             "a frozen layer to DEPTH of resistivity RHO over a uniform soil (--rho): two layers",
             "Frozen layer", kText, "0.8m,500ohm-m"},
    Quantity{"rho1", kRhoRange, "R", "the top layer's resistivity, ohm-cm", "Top layer resistivity",
             kResistivity, "413ohm-m"},
    Quantity{"h", kThicknessRange, "H", "the top layer's thickness, feet or metres",
             "Top layer thickness", kLength, "2.2m"},
    Quantity{"rho2", kRhoRange, "R", "the resistivity below the top layer, ohm-cm",
             "Resistivity below", kResistivity, "123ohm-m"},
    Quantity{"from", kCurveRange, "L", "where the curve starts, feet or metres", "From", kLength,
             "1ft"},
    Quantity{"to", kCurveRange, "L", "where the curve ends, feet or metres", "To", kLength, "30ft"},
    Quantity{"method",
             kNoRange,
             "M",
             "solver (the electrode solver; the default), mutual (the closed-form mutual "
             "resistances; potential is its old name) or bs7430 (the standard's factors)",
             "Method",
             kChoice,
             {},
             "solver mutual potential bs7430"},
    Quantity{"bond", kNoRange, "DEPTH,DIAMETER",
             "count the buried conductor bonding the rods: its depth (feet or metres) and "
             "diameter (inches or metres)",
             "Bonding conductor", kText, "0.5m,10mm"},
    Quantity{"conductor", kDiameterRange, "D", "conductor diameter, inches or metres",
             "Conductor diameter", kDiameter, "10mm"},
    Quantity{"width", kDiameterRange, "W", "a flat strip's width, inches or metres", "Strip width",
             kDiameter, "25mm"},
    Quantity{"thickness", kDiameterRange, "T", "a flat strip's thickness, inches or metres",
             "Strip thickness", kDiameter, "3mm"},
    Quantity{"ring-diameter", kRodLengthRange, "D", "diameter of the ring, feet or metres",
             "Ring diameter", kLength, "20m"},
    Quantity{"size", kNoRange, "XxY", "size, feet or metres each way", "Size", kText, "70mx70m"},
    Quantity{"meshes", kNoRange, "MxN", "meshes each way", "Meshes", kText, "10x10"},
    Quantity{"orientation", kNoRange, "O",
             "vertical (upright, the usual way; the default) or flat", "Plate orientation",
             kChoice, {}, "vertical flat"},
    Quantity{"rods-at",
             kNoRange,
             "K",
             "corners, perimeter (with --rods) or nodes",
             "Rods at",
             kChoice,
             {},
             "corners perimeter nodes"},
    Quantity{"rod-diameter", kDiameterRange, "D", "diameter of the rods, inches or metres",
             "Rod diameter", kDiameter, "16mm"},
    Quantity{"shape", kNoRange, "S", "rectangle (the default) or l (an L, less --cutout)", "Shape",
             kChoice, {}, "rectangle l"},
    Quantity{"cutout", kNoRange, "XxY", "the L's cut-out at the +x,+y corner, feet or metres",
             "Cut-out", kText, "30mx30m"},
    Quantity{"grid-current", kCurrentRange, "I",
             "the current into the electrode, amperes: its rise and the surface's potentials",
             "Current into the electrode", kCurrent, "1.9kA"},
    Quantity{"lattice", kLatticeRange, "S",
             "spacing of the potential map's points as drawn and written, feet or metres (0.25 m "
             "when not given; the worst places are searched on 0.25 m whatever it is)",
             "Map spacing", kLength, "0.25m"},
    Quantity{"fence", kFenceRange, "DISTANCE|none",
             "a fence bonded to the electrode, this far outside the outline, feet or metres: the "
             "touch voltage of a person 1 m beyond it is judged; none: no fence (when not given, "
             "one 1 m outside is shown, not judged)",
             "Fence outside the outline", kLength, "2m"},
    Quantity{"outline", kNoRange, "\"X,Y ...\"",
             "the outline searched for the worst touch voltage, its corners x,y in order, feet or "
             "metres (in place of the layout's own, or of the meshes a table's conductors close)",
             "Outline", kText},
    Quantity{"surface-rho", kRhoRange, "R",
             "the surface layer's resistivity (crushed rock, asphalt), ohm-cm", "Surface layer resistivity",
             kResistivity, "2500ohm-m"},
    Quantity{"surface-thickness", kLayerRange, "H",
             "the surface layer's thickness, feet or metres (it lies above grade)",
             "Surface layer thickness", kLength, "0.1m"},
    Quantity{"shock-duration", kShockRange, "TS",
             "how long a person carries the shock, seconds (the tolerable voltages')",
             "Shock duration", kTime, "0.5s"},
    Quantity{"dxf-units", kNoRange, "UNIT",
             "a DXF drawing's units: mm, cm, m, in or ft (where its header says none, or to overrule it)",
             "Drawing units", kChoice, {}, "mm cm m in ft"},
    Quantity{"solver", kNoRange, "SOLVER",
             "the electrode solver's matrix: dense (held whole and factored), compressed (far "
             "blocks as crosses, solved by conjugate gradients, within 1e-5 of the dense one), or "
             "auto: dense up to 1000 unknowns, compressed beyond (said)",
             "Solver", kChoice, {}, "auto dense compressed"},
    Quantity{"standard", kNoRange, "STD",
             "the standard safety is judged by: ieee80 (IEEE Std 80, the tolerable voltages by "
             "the shock's duration) or en50522 (EN 50522, the permissible touch voltage by the "
             "fault's duration); ieee80 when not given",
             "Safety standard", kChoice, {}, "ieee80 en50522"},
    Quantity{"footwear", {0, 100000}, "R",
             "the footwear's resistance in series with the body, ohms (EN 50522's R_a1; none "
             "counted when not given)",
             "Footwear resistance", kResistance, "1000ohm"},
    Quantity{"measures", kNoRange, "LIST",
             "EN 50522's recognised measures in place (Annex E's codes as its Table E.1 asks "
             "them for the case, comma-separated: M1.1,M2)",
             "Measures in place (Annex E)", kText},
    Quantity{"body", kNoRange, "KG", "50 or 70 (kg, the body the limits are for; 70 when not given)",
             "Body weight (kg)", kChoice, {}, "70 50"},
    Quantity{"fault-current", kCurrentRange, "3I0",
             "the fault's current to earth (3I0), amperes", "Fault current (3I0)", kCurrent, "3.18kA"},
    Quantity{"split", {0.001, 1}, "SF", "the share of the fault current the grid takes (1 when not given)",
             "Current division factor", kFactor, "0.6"},
    Quantity{"x-over-r", {0.1, 1000}, "X/R", "the system's X/R at the fault, for the decrement factor",
             "X/R ratio", kFactor, "20"},
    Quantity{"frequency", kNoRange, "F", "50 or 60 (Hz; 60 when not given, 50 under EN 50522)", "Frequency (Hz)", kChoice,
             {}, "60 50"},
    Quantity{"fault-duration", kFaultRange, "TF",
             "how long the fault lasts, seconds (the decrement factor's and the conductor's; EN "
             "50522's U_Tp, 0.05 to 10 s)",
             "Fault duration", kTime, "0.5s"},
    Quantity{"material",
             kNoRange,
             "M",
             "the conductor's material (IEEE 80's Table 1); copper-annealed when not given",
             "Conductor material",
             kChoice,
             {},
             "copper-annealed copper-hard-drawn copper-clad-steel-40 copper-clad-steel-30 "
             "copper-clad-steel-rod aluminium aluminium-5005 aluminium-6201 aluminium-clad-steel "
             "steel-1020 stainless-clad-steel zinc-coated-steel stainless-304"},
    Quantity{"ambient", {-60, 100}, "TA", "the ambient temperature, degrees C (40 when not given)",
             "Ambient temperature", kTemperature, "40C"},
    Quantity{"max-temperature", {50, 2000}, "TM",
             "the highest temperature the conductor may reach, degrees C (the material's fusing "
             "temperature when not given; a joint's limit, 250 C for a bolted one, is lower)",
             "Highest temperature", kTemperature, "250C"},
    Quantity{"code", kNoRange, "CODE",
             "the rule the electrode is checked by: nec (one rod of 25 ohms, the US code), "
             "iec60364 or bs7671 (R_A x I_dn <= U_L with the RCD); nec when not given",
             "Code", kChoice, {}, "nec iec60364 bs7671"},
    Quantity{"rcd", {0.001, 10}, "I",
             "the RCD's rated residual operating current, amperes (30mA with its unit)",
             "RCD rated residual current", kCurrent, "30mA"},
    Quantity{"ul", kNoRange, "V",
             "the conventional touch voltage limit U_L: 50, or 25 in a special location "
             "(50 when not given)",
             "Touch voltage limit U_L (V)", kChoice, {}, "50 25"},
    Quantity{"concrete-diameter", kDiameterRange, "D",
             "diameter of the concrete round the rod, inches or metres", "Concrete diameter",
             kDiameter, "0.3m"},
    Quantity{"rho-concrete", kRhoRange, "R", "the concrete's resistivity, ohm-cm",
             "Concrete resistivity", kResistivity, "50ohm-m"},
};

struct UnitSuffix {
  std::string_view name;
  Dimension dimension;  // kLength serves diameters too
  std::optional<UnitSystem> system;  // the unit's own system; none: either
  double base;          // metres, or ohm-cm, or ohms, in one unit
};

constexpr std::array kSuffixes{
    UnitSuffix{"m", kLength, UnitSystem::Metric, 1.0},
    UnitSuffix{"cm", kLength, UnitSystem::Metric, 0.01},
    UnitSuffix{"mm", kLength, UnitSystem::Metric, 0.001},
    UnitSuffix{"in", kLength, UnitSystem::English, kMetresPerInch},
    UnitSuffix{"ft", kLength, UnitSystem::English, kMetresPerFoot},
    UnitSuffix{"ohm-cm", kResistivity, std::nullopt, 1.0},
    UnitSuffix{"ohmcm", kResistivity, std::nullopt, 1.0},
    UnitSuffix{"ohm-m", kResistivity, UnitSystem::Metric, 100.0},
    UnitSuffix{"ohmm", kResistivity, UnitSystem::Metric, 100.0},
    UnitSuffix{"ohm", kResistance, std::nullopt, 1.0},
    UnitSuffix{"ohms", kResistance, std::nullopt, 1.0},
    UnitSuffix{"a", kCurrent, std::nullopt, 1.0},
    UnitSuffix{"ka", kCurrent, std::nullopt, 1000.0},
    UnitSuffix{"ma", kCurrent, std::nullopt, 0.001},
    UnitSuffix{"s", kTime, std::nullopt, 1.0},
    UnitSuffix{"ms", kTime, std::nullopt, 0.001},
    UnitSuffix{"c", kTemperature, std::nullopt, 1.0},
};

Dimension Family(Dimension dimension) { return dimension == kDiameter ? kLength : dimension; }

const UnitSuffix* FindSuffix(std::string_view name, Dimension dimension) {
  const std::string lower = Lower(name);
  const auto* it = std::find_if(kSuffixes.begin(), kSuffixes.end(), [&](const UnitSuffix& suffix) {
    return suffix.name == lower && suffix.dimension == Family(dimension);
  });
  return it == kSuffixes.end() ? nullptr : std::to_address(it);
}

std::string_view KnownUnits(Dimension dimension) {
  switch (Family(dimension)) {
    case kResistivity:
      return "ohm-cm or ohm-m";
    case kResistance:
      return "ohms";
    case kLength:
      return "in, ft, mm, cm or m";
    case kCurrent:
      return "A or kA";
    case kTime:
      return "s or ms";
    case kTemperature:
      return "C";
    default:
      return "no unit";
  }
}

std::string_view Noun(Dimension dimension) {
  switch (dimension) {
    case kResistivity:
      return "a resistivity";
    case kDiameter:
      return "a diameter";
    case kLength:
      return "a length";
    case kResistance:
      return "a resistance";
    case kCurrent:
      return "a current";
    case kTime:
      return "a duration";
    case kTemperature:
      return "a temperature";
    case kFactor:
      return "a number";
    default:
      return "a whole number";
  }
}

// The base units (metres, ohm-cm or ohms) in one unit of a field.
double FieldBase(Dimension dimension, UnitSystem units) {
  const std::string_view unit = FieldUnit(dimension, units);
  const UnitSuffix* suffix = FindSuffix(unit, dimension);
  return suffix == nullptr ? 1.0 : suffix->base;
}

std::string RangeError(const Quantity& quantity, std::string_view text, const ReadContext& context,
                       UnitSystem system, const std::string& more) {
  const std::string_view unit = FieldUnit(quantity.dimension, system);
  return NameOf(quantity.name, context) + " needs " +
         std::string(Noun(quantity.dimension)) + " between " + FormatNumber(quantity.range.min) +
         " and " + FormatNumber(quantity.range.max) + (unit.empty() ? "" : " ") +
         std::string(unit) + ", not " + Quoted(text) + more;
}

// A bare number more typical of the other unit system: the fix, or nothing.
std::string OtherSystemHint(const Quantity& quantity, std::string_view text, double value,
                            const ReadContext& context) {
  const bool metric = IsMetric(context.units);
  const bool rod = quantity.name == "length" || quantity.name == "rod-length";
  std::string_view fix;
  std::string reads;
  if (quantity.dimension == kDiameter && metric && value >= 0.1) {
    fix = "in", reads = "a " + FormatNumber(value * 1000) + " mm rod";
  } else if (quantity.dimension == kDiameter && !metric && value < 0.1) {
    fix = "m", reads = "a rod " + FormatNumber(RoundTo3Places(value * 25.4)) + " mm thick";
  } else if (rod && !metric && value < 1) {
    fix = "m",
    reads = FormatNumber(value) + " ft, " + FormatNumber(RoundTo3Places(value * 12)) + " in";
  } else if (quantity.dimension == kResistivity && value < kWettestBareOhmCm) {
    // Ohm-cm in both systems: a bare resistivity this low was likely meant in ohm-m.
    const std::string trimmed(Trim(text));
    return NameOf(quantity.name, context) + " " + trimmed + " ohm-cm is " + FormatNumber(value / 100) +
           " ohm-m, wetter than most soils: did you mean " + trimmed + "ohm-m?";
  } else {
    return {};
  }
  const std::string trimmed(Trim(text));
  return NameOf(quantity.name, context) + " " + trimmed + " is " + reads +
         ": did you mean " + trimmed + std::string(fix) + "?";
}

}  // namespace

std::span<const Quantity> Quantities() { return kQuantities; }

std::string_view UnitPart(std::string_view text) {
  std::size_t start = text.size();
  while (start > 0 && (std::isalpha(static_cast<unsigned char>(text[start - 1])) != 0 ||
                       text[start - 1] == '-')) {
    --start;
  }
  // A dash before the letters belongs to the unit only inside it ("ohm-m").
  while (start < text.size() && text[start] == '-') ++start;
  return text.substr(start);
}

std::string NameOf(std::string_view name, const ReadContext& context) {
  if (context.labels) {
    if (const Quantity* quantity = FindQuantity(name)) return std::string(quantity->label);
  }
  return std::string(context.prefix) + std::string(name);
}

const Quantity* FindQuantity(std::string_view name) {
  const auto* it = std::find_if(kQuantities.begin(), kQuantities.end(),
                                [&](const Quantity& q) { return q.name == name; });
  return it == kQuantities.end() ? nullptr : std::to_address(it);
}

std::span<const std::string_view> PickUnits(Dimension dimension) {
  static constexpr std::array<std::string_view, 2> kResistivityUnits{"ohm-m", "ohm-cm"};
  static constexpr std::array<std::string_view, 3> kDiameterUnits{"mm", "in", "m"};
  static constexpr std::array<std::string_view, 2> kLengthUnits{"m", "ft"};
  static constexpr std::array<std::string_view, 2> kCurrentUnits{"A", "kA"};
  static constexpr std::array<std::string_view, 2> kTimeUnits{"s", "ms"};
  switch (dimension) {
    case Dimension::kCurrent:
      return kCurrentUnits;
    case Dimension::kTime:
      return kTimeUnits;
    case Dimension::kResistivity:
      return kResistivityUnits;
    case Dimension::kDiameter:
      return kDiameterUnits;
    case Dimension::kLength:
      return kLengthUnits;
    default:
      return {};
  }
}

std::string_view FieldUnit(Dimension dimension, UnitSystem units) {
  switch (dimension) {
    case kResistivity:
      return "ohm-cm";
    case kDiameter:
      return IsMetric(units) ? "m" : "in";
    case kLength:
      return IsMetric(units) ? "m" : "ft";
    case kResistance:
      return "ohms";
    case kCurrent:
      return "A";
    case kTime:
      return "s";
    case kTemperature:
      return "C";
    default:
      return {};
  }
}

Result<QuantityValue> ReadQuantity(const Quantity& quantity, std::string_view text,
                                   const ReadContext& context) {
  const std::string name = NameOf(quantity.name, context);
  const bool counted = quantity.dimension == kCount;
  const std::string_view unit = counted ? "" : UnitPart(Trim(text));
  const std::string_view number = Trim(text).substr(0, Trim(text).size() - unit.size());
  const Result<double> read = ReadNumber(number, context.marks);
  if (!read) {
    const std::string why = read.why().empty() ? "" : ": " + read.why();
    return Refused(RangeError(quantity, text, context, context.units, why));
  }
  if (counted) {
    if (std::floor(*read) == *read && quantity.range.Contains(*read)) return QuantityValue{*read, {}};
    return Refused(RangeError(quantity, text, context, context.units, ""));
  }
  if (unit.empty() && context.si &&
      (quantity.dimension == kResistivity || quantity.dimension == kDiameter)) {
    ReadContext metric = context;
    metric.si = false;
    return ReadQuantity(quantity, std::string(number) + (quantity.dimension == kResistivity ? "ohm-m" : "mm"),
                        metric);
  }
  if (unit.empty()) {
    if (!quantity.range.Contains(*read)) {
      // A metric diameter typed in millimetres, as rods are sold.
      const bool millimetres = quantity.dimension == kDiameter && IsMetric(context.units) &&
                               *read > quantity.range.max && *read <= 1000;
      return Refused(RangeError(quantity, text, context, context.units,
                                millimetres ? ": did you mean " + std::string(number) + "mm?" : ""));
    }
    return QuantityValue{*read, OtherSystemHint(quantity, text, *read, context)};
  }
  const UnitSuffix* suffix = FindSuffix(unit, quantity.dimension);
  if (suffix == nullptr) {
    return Refused(name + ": unknown unit " + Quoted(unit) + " (" +
                   std::string(KnownUnits(quantity.dimension)) + ")");
  }
  // The field's range in the terms of the unit's own system.
  const UnitSystem system = suffix->system.value_or(context.units);
  const std::string_view own = FieldUnit(quantity.dimension, system);
  const double inOwn = suffix->name == own
                           ? *read
                           : *read * suffix->base / FieldBase(quantity.dimension, system);
  if (!quantity.range.Contains(inOwn) || !std::isfinite(inOwn)) {
    const std::string shown =
        suffix->name == own ? std::string()
                            : " (" + FormatDouble("%.6g", inOwn) + " " + std::string(own) + ")";
    return Refused(RangeError(quantity, text, context, system, shown));
  }
  const std::string_view target = FieldUnit(quantity.dimension, context.units);
  return QuantityValue{
      suffix->name == target ? *read
                             : *read * suffix->base / FieldBase(quantity.dimension, context.units),
      {}};
}

std::optional<double> ReadMetres(std::string_view text, const ReadContext& context) {
  const std::string_view trimmed = Trim(text);
  const std::string_view unit = UnitPart(trimmed);
  const Result<double> read =
      ReadNumber(trimmed.substr(0, trimmed.size() - unit.size()), context.marks);
  if (!read) return std::nullopt;
  const UnitSuffix* suffix = unit.empty() ? FindSuffix(FieldUnit(kLength, context.units), kLength)
                                          : FindSuffix(unit, kLength);
  if (suffix == nullptr) return std::nullopt;
  const double metres = *read * suffix->base;
  if (!std::isfinite(metres)) return std::nullopt;
  return metres;
}

bool ReadUnitChoice(std::string_view text, ReadContext& context) {
  const bool si = Lower(Trim(text)) == "si";
  const std::optional<UnitSystem> system = si ? UnitSystem::Metric : ReadUnits(text);
  if (!system) return false;
  context.units = *system;
  context.si = si;
  context.answerOhmMetres = si;
  return true;
}

std::optional<UnitSystem> ReadUnits(std::string_view text) {
  const std::string lower = Lower(Trim(text));
  if (lower == "english") return UnitSystem::English;
  if (lower == "metric") return UnitSystem::Metric;
  return std::nullopt;
}

std::string_view UnitsName(UnitSystem units) { return UnitSystemName(units); }

std::optional<std::string_view> ReadChoice(const Quantity& quantity, std::string_view text) {
  const std::string lower = Lower(Trim(text));
  std::string_view choices = quantity.choices;
  while (!choices.empty()) {
    const std::size_t end = std::min(choices.find(' '), choices.size());
    if (choices.substr(0, end) == lower) return choices.substr(0, end);
    choices.remove_prefix(std::min(end + 1, choices.size()));
  }
  return std::nullopt;
}

std::string ChoiceError(const Quantity& quantity, std::string_view text, const ReadContext& context) {
  // A slip of a key or two in a word is named ("bs7761" is bs7671); a number
  // is no slip ("60" is not 50 or 70).
  std::vector<std::string_view> choices;
  for (std::string_view rest = quantity.choices; !rest.empty();) {
    const std::size_t end = std::min(rest.find(' '), rest.size());
    choices.push_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  const std::string lower = Lower(Trim(text));
  const std::optional<std::string_view> nearest =
      ParseNumber(lower) ? std::nullopt : Nearest(lower, choices);
  return NameOf(quantity.name, context) + " must be " + std::string(quantity.meaning) + ", not " +
         Quoted(text) + (nearest ? ": did you mean " + std::string(*nearest) + "?" : "");
}

}  // namespace ostrevin::calc
