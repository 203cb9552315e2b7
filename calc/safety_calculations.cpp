// IEEE Std 80 or EN 50522 for the calculations: the fault current into an
// electrode, the tolerable or permissible voltages, the least conductor;
// and the two calculations of their own, limits and conductor.
#include <algorithm>
#include <cmath>

#include "calc/safety.h"
#include "calc/text.h"
#include "core/adiabatic.h"
#include "core/en50522.h"
#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin::calc {

const std::vector<Option> kFaultOptions{
    {"grid-current"}, {"fault-current"}, {"split"}, {"x-over-r"}, {"frequency"}, {"fault-duration"}};
const std::vector<Option> kLimitOptions{{"standard"},         {"shock-duration"}, {"surface-rho"},
                                        {"surface-thickness"}, {"body"},           {"footwear"}};
const std::vector<Option> kAssessmentOptions{
    {"global-earthing", OptionKind::kFlag, false, {},
     "the electrode is part of a global earthing system (EN 50522: fulfilled by that)"},
    {"measures"}};
const std::vector<Option> kConductorOptions{{"material"}, {"ambient"}, {"max-temperature"}};

std::string_view StandardName(SafetyStandard standard) {
  return standard == SafetyStandard::kEn50522 ? "en50522" : "ieee80";
}

SafetyStandard ReadStandard(Inputs& in) {
  const auto word = in.Choice("standard", false);
  return word == "en50522" ? SafetyStandard::kEn50522 : SafetyStandard::kIeee80;
}
namespace {

std::string Volts(double volts) { return FormatDouble("%.1f", volts) + " V"; }

std::string Seconds(double seconds) { return FormatNumber(seconds) + " s"; }

// An input left out, in the user's words: "no --split" on the command line,
// "Current division factor not given" on a page (no option names there).
std::string NotGiven(const Inputs& in, std::string_view name) {
  return in.context().labels ? in.Named(name) + " not given" : "no " + in.Named(name);
}

}  // namespace

std::optional<Fault> ReadFault(Inputs& in) {
  const auto grid = in.Optional("grid-current");
  const auto fault = in.Optional("fault-current");
  const auto split = in.Optional("split");
  const auto xr = in.Optional("x-over-r");
  const auto frequency = in.Choice("frequency", false);
  const auto seconds = in.Optional("fault-duration");
  if (in.refusal()) return std::nullopt;
  if (grid && fault) {
    return in.Fail(in.Named("grid-current") + " and " + in.Named("fault-current") +
                   " are both given: give the grid's current, or the fault's with its split");
  }
  const std::string withFault = "goes with " + in.Named("fault-current");
  for (const std::string_view name : {"split", "x-over-r", "frequency"}) {
    if (!fault && in.Given(name)) return in.Fail(in.Named(name) + " " + withFault);
  }
  Fault read;
  read.faultSeconds = seconds;
  if (grid) {
    read.amperes = *grid;
    read.inputs.emplace_back("grid_current", *grid);
    if (seconds) read.inputs.emplace_back("fault_duration", *seconds);
    return read;
  }
  if (!fault) return std::nullopt;
  read.faultAmperes = *fault;
  read.inputs.emplace_back("fault_current", *fault);
  read.split = split.value_or(1);
  if (split) {
    read.inputs.emplace_back("split", *split);
  } else {
    read.notes.emplace_back(NotGiven(in, "split") + ": the grid takes all the fault current (Sf 1)");
  }
  if (xr) {
    if (!seconds) {
      return in.Fail(in.Named("x-over-r") + " needs " + in.Named("fault-duration") +
                     ": the decrement factor depends on how long the fault lasts");
    }
    const double standardHz = ReadStandard(in) == SafetyStandard::kEn50522 ? kEn50522Hz : 60;
    const double hertz = frequency ? (*frequency == "50" ? 50 : 60) : standardHz;
    read.df = DecrementFactor(*xr, hertz, *seconds);
    read.inputs.emplace_back("x_over_r", *xr);
    read.inputs.emplace_back("frequency", hertz);
  } else {
    read.notes.emplace_back(NotGiven(in, "x-over-r") +
                            ": the decrement factor taken as 1 (the fault's DC offset not counted)");
  }
  if (seconds) read.inputs.emplace_back("fault_duration", *seconds);
  read.amperes = read.df * read.split * *fault;
  return read;
}

namespace {

// The surface layer, given whole or not at all, in metres (0 without one).
std::optional<double> ReadSurfaceLayer(Inputs& in, std::optional<double> rho, std::optional<double> thickness) {
  if (rho.has_value() != thickness.has_value()) {
    return in.Fail(in.Named("surface-rho") + " and " + in.Named("surface-thickness") +
                   " go together (the surface layer)");
  }
  return thickness ? LengthToMetres(*thickness, in.units()) : 0.0;
}

void WarnThickLayer(Limits& limits, double thicknessM) {
  if (thicknessM > kFittedLayerM) {
    limits.warnings.push_back("IEEE 80's equation for Cs was fitted for a surface layer up to " +
                              FormatNumber(kFittedLayerM) + " m thick: beyond it Cs is extrapolated");
  }
}

// --measures: Annex E's codes, comma- or blank-separated, each of their form.
std::optional<std::vector<std::string>> ReadMeasures(Inputs& in) {
  std::vector<std::string> codes;
  const auto text = in.Text("measures");
  if (!text) return codes;
  std::string part;
  for (const char c : std::string(*text) + ",") {
    if (c != ',' && c != ' ') {
      part += c;
      continue;
    }
    if (part.empty()) continue;
    if (!IsMeasureCode(part)) {
      return in.Fail(in.Named("measures") + " takes EN 50522's Annex E codes (M and a number, " +
                     "M1.2), not \"" + part + "\"");
    }
    part[0] = 'M';
    codes.push_back(part);
    part.clear();
  }
  if (codes.empty()) return in.Fail(in.Named("measures") + " names no measure");
  return codes;
}

// Under EN 50522: U_Tp by the fault's duration, U_vTp with the footwear and
// a surface layer in series with the body; the shock's duration and the
// body's weight do not apply (said, not used).
std::optional<Limits> ReadEn50522Limits(Inputs& in, const Soil& soil) {
  const auto seconds = in.Optional("fault-duration");
  const auto surfaceRho = in.Optional("surface-rho");
  const auto thickness = in.Optional("surface-thickness");
  const auto footwear = in.Optional("footwear");
  std::optional<std::vector<std::string>> measures = ReadMeasures(in);
  const std::optional<double> thicknessM = ReadSurfaceLayer(in, surfaceRho, thickness);
  if (in.refusal()) return std::nullopt;
  if (!seconds) {
    return in.Fail(in.Named("standard") + " en50522 needs " + in.Named("fault-duration") +
                   ": its permissible touch voltage is by how long the fault lasts");
  }
  const double rhoUnderFeet = soil.measuredTopOhmCm;
  const double cs = surfaceRho ? SurfaceDerating(rhoUnderFeet, *surfaceRho, *thicknessM) : 1;
  const double feetOhms = surfaceRho ? FeetOhms(*surfaceRho / 100, cs) : 0;
  const std::optional<double> utp = PermissibleTouchVolts(*seconds);
  const std::optional<double> bodyAmps = BodyCurrentAmps(*seconds);
  const std::optional<double> uvtp = ProspectiveTouchVolts(*seconds, footwear.value_or(0) + feetOhms);
  if (!utp || !bodyAmps || !uvtp) {
    return in.Fail(in.Named("fault-duration") + " " + FormatNumber(*seconds) +
                   " s is outside EN 50522's permissible touch voltages, " +
                   FormatNumber(kEn50522ShortestS) + " to " + FormatNumber(kEn50522LongestS) + " s");
  }
  for (const std::string_view name : {"shock-duration", "body"}) {
    if (in.Given(name)) {
      in.Note(in.Named(name) + " does not apply under EN 50522 (its limit is by the fault's duration "
              "and the body of IEC 60479-1): left out");
    }
  }
  Limits limits;
  limits.standard = SafetyStandard::kEn50522;
  limits.rhoUnderFeet = rhoUnderFeet;
  limits.cs = cs;
  En50522Limits& en = limits.en;
  en.faultSeconds = *seconds;
  en.utp = *utp;
  en.bodyAmps = *bodyAmps;
  en.footwearOhms = footwear.value_or(0);
  en.feetOhms = feetOhms;
  en.uvtp = *uvtp;
  en.globalEarthing = in.Given("global-earthing");
  en.measures = *std::move(measures);
  if (surfaceRho) {
    limits.inputs.emplace_back("surface_rho", *surfaceRho);
    limits.inputs.emplace_back("surface_thickness", *thickness);
  }
  if (footwear) limits.inputs.emplace_back("footwear", *footwear);
  if (en.globalEarthing) limits.inputs.emplace_back("global_earthing", true);
  if (!en.measures.empty()) limits.inputs.emplace_back("measures", std::string(*in.Text("measures")));
  WarnThickLayer(limits, *thicknessM);
  return limits;
}

}  // namespace

std::optional<Limits> ReadLimits(Inputs& in, const Soil& soil) {
  if (ReadStandard(in) == SafetyStandard::kEn50522) return ReadEn50522Limits(in, soil);
  for (const std::string_view name : {"footwear", "measures", "global-earthing"}) {
    if (in.Given(name)) {
      return in.Fail(in.Named(name) + " goes with " + in.Named("standard") +
                     " en50522 (EN 50522's assessment; IEEE 80 has none of it)");
    }
  }
  const auto seconds = in.Optional("shock-duration");
  const auto surfaceRho = in.Optional("surface-rho");
  const auto thickness = in.Optional("surface-thickness");
  const auto body = in.Choice("body", false);
  if (in.refusal()) return std::nullopt;
  if (!seconds) {
    for (const std::string_view name : {"surface-rho", "surface-thickness", "body"}) {
      if (in.Given(name)) {
        return in.Fail(in.Named(name) + " goes with " + in.Named("shock-duration") +
                       " (the tolerable voltages)");
      }
    }
    return std::nullopt;
  }
  const std::optional<double> layerM = ReadSurfaceLayer(in, surfaceRho, thickness);
  if (!layerM) return std::nullopt;
  Limits limits;
  limits.shockSeconds = *seconds;
  limits.light = body == "50";
  limits.rhoUnderFeet = soil.measuredTopOhmCm;
  const double thicknessM = *layerM;
  limits.cs = SurfaceDerating(limits.rhoUnderFeet, surfaceRho.value_or(0), thicknessM);
  limits.tolerable = TolerableVoltages(limits.cs, surfaceRho.value_or(limits.rhoUnderFeet), *seconds);
  limits.inputs.emplace_back("shock_duration", *seconds);
  if (surfaceRho) {
    limits.inputs.emplace_back("surface_rho", *surfaceRho);
    limits.inputs.emplace_back("surface_thickness", *thickness);
  }
  limits.inputs.emplace_back("body", limits.light ? 50.0 : 70.0);
  if (in.Given("season-factor") || in.Given("frost")) {
    limits.warnings.push_back("the tolerable voltages take the soil under the feet as measured (" +
                              FormatNumber(RoundResistivity(limits.rhoUnderFeet)) +
                              " ohm-cm), not the season's: a higher resistivity there would make "
                              "them less safe");
  } else if (!soil.Uniform()) {
    limits.warnings.push_back("the tolerable voltages take the top layer's resistivity (rho1, " +
                              FormatNumber(RoundResistivity(limits.rhoUnderFeet)) +
                              " ohm-cm) as the soil under the feet");
  }
  WarnThickLayer(limits, thicknessM);
  return limits;
}

namespace {

void DescribeEn50522Limits(Outcome& outcome, const Limits& limits) {
  const En50522Limits& en = limits.en;
  const double added = en.footwearOhms + en.feetOhms;
  outcome.fields.insert(outcome.fields.end(),
                        {{"standard", "en50522"},
                         {"touch_limit_volts", en.uvtp},
                         {"step_limit_volts", nullptr},
                         {"en50522", JsonObject{{"edition", "EN 50522:2022"},
                                                {"u_tp_volts", en.utp},
                                                {"u_vtp_volts", en.uvtp},
                                                {"body_current_amps", en.bodyAmps},
                                                {"footwear_ohms", en.footwearOhms},
                                                {"feet_ohms", en.feetOhms}}}});
  outcome.details.push_back("permissible by EN 50522:2022 for a fault of " + Seconds(en.faultSeconds) +
                            ": U_Tp " + Volts(en.utp) +
                            " (Figure 4, Annex B: IEC 60479-1's body, 50 %, and curve c2)");
  if (added > 0) {
    outcome.details.push_back("with " + FormatDouble("%.0f", added) + " ohms in series with the body (footwear " +
                              FormatDouble("%.0f", en.footwearOhms) + ", under the feet " +
                              FormatDouble("%.0f", en.feetOhms) + ": 1.5 Cs rho_s, Cs " +
                              FormatDouble("%.4f", limits.cs) + ") at I_B " + FormatDouble("%.3f", en.bodyAmps) +
                              " A: U_vTp " + Volts(en.uvtp));
  } else {
    outcome.details.emplace_back("nothing counted in series with the body (no --footwear, no surface layer): "
                                 "U_vTp = U_Tp, the lowest it can be");
  }
  outcome.details.emplace_back("EN 50522 sets no permissible step voltage: a step is shown, not judged");
}

}  // namespace

void DescribeLimits(Outcome& outcome, const Limits& limits) {
  if (limits.En50522()) {
    DescribeEn50522Limits(outcome, limits);
    for (const std::string& warning : limits.warnings) outcome.warnings.push_back(warning);
    return;
  }
  const Tolerable& t = limits.tolerable;
  outcome.fields.insert(outcome.fields.end(), {{"standard", "ieee80"},
                                               {"cs", limits.cs},
                                               {"touch_limit_volts", limits.Touch()},
                                               {"step_limit_volts", *limits.Step()},
                                               {"touch_limit_50_volts", t.touch50},
                                               {"touch_limit_70_volts", t.touch70},
                                               {"step_limit_50_volts", t.step50},
                                               {"step_limit_70_volts", t.step70},
                                               {"ieee80", JsonObject{{"cs", limits.cs},
                                                                     {"body_kg", limits.light ? 50.0 : 70.0},
                                                                     {"touch_limit_volts", limits.Touch()},
                                                                     {"step_limit_volts", *limits.Step()}}}});
  outcome.details.push_back("tolerable for a " + std::string(limits.light ? "50" : "70") +
                            " kg body over " + Seconds(limits.shockSeconds) + ": touch " +
                            Volts(limits.Touch()) + ", step " + Volts(*limits.Step()) + " (Cs " +
                            FormatDouble("%.4f", limits.cs) + "; IEEE 80 eqs. 27 to 33)");
  for (const std::string& warning : limits.warnings) outcome.warnings.push_back(warning);
}

std::optional<ConductorHeat> ReadConductorHeat(Inputs& in) {
  const auto name = in.Choice("material", false);
  const auto ambient = in.Optional("ambient");
  const auto highest = in.Optional("max-temperature");
  if (in.refusal()) return std::nullopt;
  const Material& material = *FindMaterial(name.value_or("copper-annealed"));
  if (highest && *highest > material.fusingC) {
    return in.Fail(in.Named("max-temperature") + " " + FormatNumber(*highest) +
                   " C is above the fusing point of " + std::string(material.shown) + " (" +
                   FormatNumber(material.fusingC) + " C): no conductor stands more");
  }
  return ConductorHeat{&material, ambient.value_or(40), highest.value_or(material.fusingC)};
}

// IEC's adiabatic rule beside IEEE 80's (core/adiabatic.h): the
// symmetrical fault current, from the ambient given (IEC's 30 C when none)
// to the highest temperature given (IEC's 200 C for a bare conductor in
// normal conditions when none).
void DescribeIecConductor(Outcome& outcome, const Inputs& in, const ConductorHeat& heat,
                          double amperes, double seconds) {
  const std::optional<IecMaterial> iec = IecMaterialFor(heat.material->name);
  const double initialC = in.Given("ambient") ? heat.ambientC : kIecInitialC;
  const double finalC = in.Given("max-temperature") ? heat.highestC : kIecFinalC;
  const std::optional<double> k = iec ? IecK(*iec, initialC, finalC) : std::nullopt;
  if (!k) {
    outcome.fields.insert(outcome.fields.end(), {{"conductor_min_mm2_iec", nullptr}, {"iec_k", nullptr}});
    outcome.details.push_back(iec ? "by IEC 60364-5-54: no size, the highest temperature is not above the first"
                                  : "IEC 60364-5-54 gives no constants for " +
                                        std::string(heat.material->shown) + ": IEEE 80's size only");
    return;
  }
  const double mm2 = IecMinMm2(amperes, seconds, *k);
  const std::optional<double> metric = MetricSizeMm2(mm2);
  outcome.fields.insert(outcome.fields.end(), {{"conductor_min_mm2_iec", mm2}, {"iec_k", *k}});
  outcome.details.push_back(
      "by IEC 60364-5-54 (543.1.2, adiabatic: S = sqrt(I^2 t) / k, k " + FormatDouble("%.0f", *k) +
      " for " + iec->shown + " from " + FormatNumber(initialC) + " C to " + FormatNumber(finalC) +
      " C), for " + FormatDouble("%.0f", amperes) + " A: at least " + FormatDouble("%.2f", mm2) +
      " mm^2; " + (metric ? FormatNumber(*metric) + " mm^2" : "past the metric series"));
}

void DescribeConductor(Outcome& outcome, Inputs& in, const Fault& fault, double conductorM) {
  const std::optional<ConductorHeat> heat = ReadConductorHeat(in);
  if (!heat || !fault.faultAmperes || !fault.faultSeconds) return;
  const Material& material = *heat->material;
  const double amperes = fault.df * *fault.faultAmperes;
  const std::optional<double> mm2 =
      ConductorMm2(material, amperes, *fault.faultSeconds, heat->ambientC, heat->highestC);
  if (!mm2) {
    outcome.warnings.emplace_back("no conductor size: the highest temperature is not above the ambient");
    return;
  }
  const std::optional<double> metric = MetricSizeMm2(*mm2);
  const std::optional<std::string> awg = AwgSize(*mm2);
  outcome.fields.insert(outcome.fields.end(),
                        {{"conductor_min_mm2", *mm2},
                         {"conductor_min_kcmil", *mm2 / kMm2PerKcmil},
                         {"conductor_size_mm2", JsonValue(metric)},
                         {"conductor_size_awg", awg ? JsonValue(*awg) : JsonValue(nullptr)}});
  outcome.details.push_back(
      "the conductor, " + std::string(material.shown) + ", for " + FormatDouble("%.0f", amperes) +
      " A over " + Seconds(*fault.faultSeconds) + ": at least " + FormatDouble("%.2f", *mm2) + " mm^2 (" +
      FormatDouble("%.2f", *mm2 / kMm2PerKcmil) + " kcmil); " +
      (metric ? FormatNumber(*metric) + " mm^2" : "past the metric series") + " or " +
      awg.value_or("past the AWG series") + " (IEEE 80 eq. 40)");
  DescribeIecConductor(outcome, in, *heat, *fault.faultAmperes, *fault.faultSeconds);
  const double own = kPi * conductorM * conductorM / 4 * 1e6;
  if (conductorM > 0 && own < *mm2) {
    outcome.warnings.push_back("the electrode's conductor, " + FormatDouble("%.1f", own) +
                               " mm^2, is smaller than the fault needs");
  }
}

namespace {

Result<Outcome> ComputeLimits(Inputs& in) {
  const std::optional<Soil> soil = ReadSoil(in);
  const bool en50522 = ReadStandard(in) == SafetyStandard::kEn50522;
  const std::string_view duration = en50522 ? "fault-duration" : "shock-duration";
  if (!in.Given(duration) && !in.refusal()) in.Fail(in.Named(duration) + " is missing");
  if (!en50522 && in.Given("fault-duration") && !in.refusal()) {
    in.Fail(in.Named("fault-duration") + " goes with " + in.Named("standard") +
            " en50522 (IEEE 80's limits are by the shock's duration)");
  }
  const std::optional<Limits> limits = soil ? ReadLimits(in, *soil) : std::nullopt;
  if (in.refusal()) return Refused(*in.refusal());
  std::vector<JsonMember> inputs = limits->inputs;
  if (en50522) inputs.insert(inputs.begin(), {"fault_duration", limits->en.faultSeconds});
  Outcome outcome = StartOutcome("limits", in.units(), soil->InputsWith(inputs));
  outcome.unit = "V";
  outcome.valueKey = "touch_limit_volts";
  outcome.listWarnings = true;
  outcome.value = limits->Touch();
  outcome.result = FormatDouble("%.1f", limits->Touch());
  DescribeLimits(outcome, *limits);
  // The value is the touch limit's: not again among the members.
  std::erase_if(outcome.fields, [](const JsonMember& m) { return m.first == "touch_limit_volts"; });
  return outcome;
}

Result<Outcome> ComputeConductor(Inputs& in) {
  const auto fault = in.Required("fault-current");
  const auto seconds = in.Required("fault-duration");
  std::optional<Fault> read = ReadFault(in);
  if (in.refusal()) return Refused(*in.refusal());
  Outcome outcome = StartOutcome("conductor", in.units(), read->inputs);
  outcome.unit = "mm^2";
  outcome.valueKey = "conductor_min_mm2";
  outcome.listWarnings = true;
  read->faultAmperes = *fault;
  read->faultSeconds = *seconds;
  for (const std::string& note : read->notes) {
    if (note.find("decrement") != std::string::npos) outcome.details.push_back("note: " + note);
  }
  const SafetyStandard standard = ReadStandard(in);
  DescribeConductor(outcome, in, *read, 0);
  if (in.refusal()) return Refused(*in.refusal());
  // The chosen standard's size leads: IEEE 80's eq. 40, or under EN 50522
  // IEC's adiabatic rule (the adiabatic sizing EN 50522 itself uses).
  const bool iec = standard == SafetyStandard::kEn50522;
  const std::string key = iec ? "conductor_min_mm2_iec" : "conductor_min_mm2";
  outcome.fields.insert(outcome.fields.begin(), {"standard", std::string(StandardName(standard))});
  outcome.valueKey = key;
  const JsonValue* mm2 = outcome.Field(key);
  const auto* value = mm2 != nullptr ? std::get_if<double>(&mm2->variant()) : nullptr;
  if (value == nullptr) {
    return Unanswered(std::move(outcome),
                      NoAnswer(iec ? "IEC's adiabatic rule gives no size for this material or these temperatures"
                                   : "the highest temperature is not above the ambient"));
  }
  outcome.value = *value;
  outcome.result = FormatDouble("%.2f", *outcome.value);
  std::erase_if(outcome.fields, [&](const JsonMember& m) { return m.first == key; });
  return outcome;
}

}  // namespace

std::vector<Calculation> SafetyCalculations() {
  std::vector<Option> limits = WithSoil({{"rho"}});
  limits.insert(limits.end(), kLimitOptions.begin(), kLimitOptions.end());
  limits.push_back({"fault-duration", OptionKind::kQuantity, false, {},
                    "how long the fault lasts, seconds: EN 50522's U_Tp (0.05 to 10 s)"});
  limits.push_back(kUnitsOption);
  std::vector<Option> conductor{{"fault-current", OptionKind::kQuantity, true},
                                {"fault-duration", OptionKind::kQuantity, true},
                                {"x-over-r"},
                                {"frequency"},
                                {"standard"}};
  conductor.insert(conductor.end(), kConductorOptions.begin(), kConductorOptions.end());
  conductor.push_back(kUnitsOption);
  return {
      {"limits", "the tolerable touch and step voltages (IEEE 80 or EN 50522)", limits, &ComputeLimits,
       "What a body can stand (IEEE Std 80-2013, clause 8): Etouch = (1000 + 1.5 Cs\n"
       "rhoS) k / sqrt(ts) and Estep = (1000 + 6 Cs rhoS) k / sqrt(ts), k 0.157 for a\n"
       "70 kg body (the default) or 0.116 for 50 kg (--body 50), ts the shock duration\n"
       "(0.03 to 3 s, where Dalziel's equation holds). A surface layer of crushed rock\n"
       "or asphalt (--surface-rho, --surface-thickness; it lies above grade) raises\n"
       "them through Cs = 1 - 0.09 (1 - rho/rhoS) / (2 hS + 0.09) (eq. 27, fitted for\n"
       "layers up to 0.3 m: warned beyond); without one rhoS is the soil's and Cs 1.\n"
       "With --layers the soil under the feet is the top layer's. The answer is the\n"
       "touch limit for the body chosen; JSON gives all four.\n"
       "\n"
       "With --standard en50522: the permissible touch voltage U_Tp of EN 50522:2022\n"
       "by --fault-duration (its Figure 4 and Annex B, 0.05 to 10 s, log-log between\n"
       "its rows), and U_vTp = U_Tp + R_a I_B with --footwear (R_a1) and a surface\n"
       "layer under the feet (R_a2 = 1.5 Cs rho_s) in series with the body; the answer\n"
       "is U_vTp, which is U_Tp without them. EN 50522 sets no step voltage.\n",
       "ostrevin-calc limits --rho 400ohm-m --surface-rho 2500ohm-m \\\n"
       "           --surface-thickness 0.102m --shock-duration 0.5 --units metric\n"
       "         840.5 V\n"},
      {"conductor", "the least conductor for a fault (IEEE 80)", conductor, &ComputeConductor,
       "The least cross-section for the fault current (3I0, times the decrement factor\n"
       "when --x-over-r is given) over --fault-duration (IEEE Std 80-2013 eq. 40):\n"
       "A = I / sqrt((TCAP 1e-4 / (tc alphaR rhoR)) ln((K0 + Tm) / (K0 + Ta))), with\n"
       "the constants of its Table 1 for --material (copper-annealed by default), the\n"
       "ambient Ta (40 C) and the highest temperature Tm (the material's fusing point;\n"
       "a bolted joint's 250 C, a brazed one's 450 C are lower). The answer in mm^2;\n"
       "beside it kcmil and the smallest common size in both series. IEC's adiabatic\n"
       "rule beside that (IEC 60364-5-54:2011, 543.1.2 and Annex A): S = sqrt(I^2 t)\n"
       "/ k for the symmetrical current, k from IEC 60949's constants for copper,\n"
       "aluminium and steel (none for clad or stainless steels), from the ambient\n"
       "given or 30 C to the highest given or 200 C (a bare conductor in normal\n"
       "conditions). Under --standard en50522 IEC's size is the answer, IEEE 80's\n"
       "beside.\n",
       "ostrevin-calc conductor --fault-current 3.18kA --fault-duration 0.5\n"
       "         7.98 mm^2\n"},
  };
}

}  // namespace ostrevin::calc
