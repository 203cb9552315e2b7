#include "calc/summary.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// The columns a UTF-8 text takes in a terminal ("mm²" is three).
std::size_t TextColumns(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}


// A number of the outcome's, among its fields or its inputs as read.
std::optional<double> Number(const Outcome& outcome, std::string_view key) {
  const JsonValue* field = outcome.Field(key);
  if (field == nullptr) {
    const auto input = std::find_if(outcome.inputs.begin(), outcome.inputs.end(),
                                    [&](const JsonMember& member) { return member.first == key; });
    if (input != outcome.inputs.end()) field = &input->second;
  }
  if (field == nullptr) return std::nullopt;
  const auto* value = std::get_if<double>(&field->variant());
  if (value == nullptr || !std::isfinite(*value)) return std::nullopt;
  return *value;
}

std::string Volts(double volts) { return FormatDouble("%.1f", volts) + " V"; }

// A criterion judged: the value at most the limit (at least, for a size);
// the margin the share of the limit to spare, negative when it fails.
SummaryRow Judged(std::string quantity, double value, double limit, const std::string& valueText,
                  const std::string& limitText, bool atMost = true) {
  const double margin = 100 * (atMost ? limit - value : value - limit) / limit;
  const bool pass = atMost ? value <= limit : value >= limit;
  return {std::move(quantity), valueText, limitText,
          (margin >= 0 ? "+" : "") + FormatDouble("%.1f", margin) + " %", pass ? "pass" : "fail"};
}

void AddResistance(const Outcome& electrode, const std::string& givenTarget,
                   std::vector<SummaryRow>& criteria) {
  if (!electrode.value || electrode.unit != "ohms") return;
  const double ohms = *electrode.value;
  const std::string shown = ShowOhms(ohms) + " ohms";
  const std::optional<double> target = Number(electrode, "target");
  if (electrode.command == "check") {
    // The code's limit and clause as the check gives them: the NEC's 25
    // ohms, or the RCD's under IEC 60364 and BS 7671.
    const std::optional<double> limit = Number(electrode, "limit_ohms");
    const JsonValue* clause = electrode.Field("code_clause");
    const auto* rule = clause != nullptr ? std::get_if<std::string>(&clause->variant()) : nullptr;
    if (!limit || rule == nullptr) {
      criteria.push_back({"Resistance of one rod", shown, {}, {}, "not judged"});
      return;
    }
    criteria.push_back(Judged("Resistance of one rod (" + *rule + ")", ohms, *limit, shown,
                              FormatDouble("%.5g", *limit) + " ohms"));
  } else if (target) {
    criteria.push_back(
        Judged("Resistance to earth", ohms, *target, shown, ShowOhms(*target) + " ohms"));
  } else if (!givenTarget.empty()) {
    criteria.push_back({"Resistance to earth", shown, givenTarget, {}, "not judged"});
  } else {
    criteria.push_back({"Resistance to earth", shown, {}, {}, "not judged"});
  }
}

// EN 50522's assessment where a branch before the touch voltages decided:
// the rise against 2 or 4 U_Tp, or the global earthing system stated; the
// voltages are then shown, not judged.
bool AddEn50522Branch(const Outcome& electrode, std::vector<SummaryRow>& criteria) {
  const JsonValue* branch = electrode.Member("en50522", "branch");
  const auto* name = branch != nullptr ? std::get_if<std::string>(&branch->variant()) : nullptr;
  const JsonValue* utp = electrode.Member("en50522", "u_tp_volts");
  const auto* utpVolts = utp != nullptr ? std::get_if<double>(&utp->variant()) : nullptr;
  const auto rise = Number(electrode, "gpr_volts");
  if (name == nullptr || utpVolts == nullptr || !rise || *name == "touch-voltages") return false;
  if (*name == "global-earthing") {
    criteria.push_back({"Part of a global earthing system (EN 50522)", "stated", "stated", {}, "pass"});
  } else {
    const bool twice = *name == "2utp";
    const double limit = (twice ? 2 : 4) * *utpVolts;
    criteria.push_back(Judged(twice ? "Earth potential rise (EN 50522, 2 U_Tp)"
                                    : "Earth potential rise (EN 50522, 4 U_Tp with measures)",
                              *rise, limit, Volts(*rise), Volts(limit)));
  }
  for (const char* quantity : {"Touch voltage inside", "Step voltage"}) {
    const auto value = Number(electrode, quantity[0] == 'T' ? "touch_volts" : "step_volts");
    if (value) criteria.push_back({quantity, Volts(*value), {}, {}, "not judged"});
  }
  return true;
}

void AddVoltages(const Outcome& electrode, std::vector<SummaryRow>& criteria) {
  if (AddEn50522Branch(electrode, criteria)) return;
  const auto touchLimit = Number(electrode, "touch_limit_volts");
  const auto stepLimit = Number(electrode, "step_limit_volts");
  const auto add = [&](const char* quantity, std::optional<double> value,
                       std::optional<double> limit) {
    if (!value) return;
    if (limit) {
      criteria.push_back(Judged(quantity, *value, *limit, Volts(*value), Volts(*limit)));
    } else {
      criteria.push_back({quantity, Volts(*value), {}, {}, "not judged"});
    }
  };
  add("Touch voltage inside", Number(electrode, "touch_volts"), touchLimit);
  add("Step voltage", Number(electrode, "step_volts"), stepLimit);
  const JsonValue* fence = electrode.Field("fence_verdict");
  const auto* fenceVerdict =
      fence != nullptr ? std::get_if<std::string>(&fence->variant()) : nullptr;
  if (fenceVerdict != nullptr && *fenceVerdict != "not judged") {
    add("Touch voltage at the fence", Number(electrode, "fence_touch_volts"), touchLimit);
  }
}

void AddConductor(const Outcome& electrode, std::vector<SummaryRow>& criteria) {
  // The chosen standard's size: IEC's adiabatic rule under EN 50522.
  const bool iec = electrode.Field("en50522") != nullptr && Number(electrode, "conductor_min_mm2_iec");
  const auto least = Number(electrode, iec ? "conductor_min_mm2_iec" : "conductor_min_mm2");
  const auto diameter = Number(electrode, "conductor");
  if (!least || !diameter) return;
  // The conductor's diameter in the unit system's diameter unit: metres or inches.
  const double metres = *diameter * (IsMetric(electrode.units) ? 1.0 : 0.0254);
  const double mm2 = std::numbers::pi / 4 * std::pow(metres * 1000, 2);
  criteria.push_back(Judged(iec ? "Conductor's cross-section (IEC 60364-5-54)"
                                : "Conductor's cross-section (IEEE 80 eq. 37)",
                            mm2, *least,
                            FormatDouble("%.1f", mm2) + " mm²",
                            "at least " + FormatDouble("%.1f", *least) + " mm²", false));
}

}  // namespace

std::vector<SummaryRow> SummaryOf(const Outcome& electrode, const std::string& givenTarget) {
  std::vector<SummaryRow> criteria;
  AddResistance(electrode, givenTarget, criteria);
  AddVoltages(electrode, criteria);
  AddConductor(electrode, criteria);
  return criteria;
}

bool Judges(const std::vector<SummaryRow>& criteria) {
  return std::any_of(criteria.begin(), criteria.end(),
                     [](const SummaryRow& c) { return c.pass != "not judged"; });
}

std::string VerdictOf(const std::vector<SummaryRow>& criteria) {
  std::string failing;
  int judged = 0;
  for (const SummaryRow& c : criteria) {
    if (c.pass == "not judged") continue;
    ++judged;
    if (c.pass == "fail")
      failing += (failing.empty() ? "" : "; ") + c.quantity + " " + c.value + " against " + c.limit;
  }
  if (judged == 0) return "No criterion is judged: the job gives no limit to hold the values to.";
  if (!failing.empty()) return "The design fails: " + failing + ".";
  return "The design meets every criterion judged (" + std::to_string(judged) + ").";
}

std::string SummaryText(const std::vector<SummaryRow>& criteria) {
  std::vector<std::vector<std::string>> rows{{"criterion", "value", "limit", "margin", "result"}};
  for (const SummaryRow& c : criteria) {
    rows.push_back({c.quantity, c.value, c.limit.empty() ? "-" : c.limit,
                    c.margin.empty() ? "-" : c.margin, c.pass});
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], TextColumns(row[k]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line = row[0] + std::string(widths[0] - TextColumns(row[0]), ' ');
    for (std::size_t k = 1; k + 1 < row.size(); ++k) {
      line += "  " + std::string(widths[k] - TextColumns(row[k]), ' ') + row[k];
    }
    text += line + "  " + row.back() + "\n";
  }
  return text + VerdictOf(criteria);
}

std::string TextWithSummary(const Outcome& outcome, const std::string& givenTarget) {
  std::string text = ToText(outcome);
  const std::vector<SummaryRow> criteria = SummaryOf(outcome, givenTarget);
  if (!Judges(criteria)) return text;
  const std::size_t end = text.find('\n');
  const std::string summary = "\n" + SummaryText(criteria);
  if (end == std::string::npos) return text + summary;
  return text.insert(end, summary);
}

JsonArray SummaryJson(const std::vector<SummaryRow>& criteria) {
  JsonArray rows;
  for (const SummaryRow& c : criteria) {
    rows.emplace_back(JsonObject{{"quantity", c.quantity},
                                 {"value", c.value},
                                 {"limit", c.limit},
                                 {"margin", c.margin},
                                 {"result", c.pass}});
  }
  return rows;
}

}  // namespace ostrevin::calc
