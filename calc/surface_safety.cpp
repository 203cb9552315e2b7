// The surface above an electrode with a current into it: its maps, its
// worst places (core/surface_search.h) and the verdicts by IEEE Std 80,
// as JSON members and lines of text.
//
// The worst touch, step and fence are searched on a lattice of
// kSearchLatticeM over the outline and the margin, whatever the picture's
// lattice (--lattice sets the picture only), then refined to a centimetre
// with exact potentials: a coarse picture cannot hide a failing mesh.
#include <algorithm>
#include <cmath>

#include "calc/electrodes.h"
#include "calc/safety.h"
#include "calc/text.h"
#include "core/electrode_layouts.h"
#include "core/en50522.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

std::string Volts(double volts) { return FormatDouble("%.1f", volts) + " V"; }

// The step of a lattice over the conductors' extent and `marginM` round it:
// `finestM`, or as much coarser as the bound on its points needs.
double StepWithin(const SolvedElectrode& electrode, double marginM, double finestM, std::size_t most) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(electrode.conductors);
  double step = finestM;
  for (int guard = 0; guard < 64 && LatticeOver(x0, x1, y0, y1, marginM, step).Size() > most; ++guard) {
    step *= 1.25;
  }
  return step;
}

// The map at `stepM` over the conductors' extent and `marginM` round it.
SurfaceMap MapOf(const SolvedElectrode& electrode, double amperes, double stepM, double marginM,
                 const Progress& progress) {
  const auto [x0, x1, y0, y1, deepest] = ExtentOf(electrode.conductors);
  const Lattice lattice = LatticeOver(x0, x1, y0, y1, marginM, stepM);
  SurfaceMap map{lattice, SurfacePotentials(electrode.solution, KernelFor(electrode.solution), lattice, progress)};
  for (double& v : map.volts) v *= amperes;
  return map;
}

// The lowest potential of the map within the outline (nothing without an area).
std::optional<double> LeastWithin(const SurfaceMap& map, const PlanRegion& outline) {
  const Lattice& l = map.lattice;
  std::optional<double> least;
  for (int j = 0; j < l.ny; ++j) {
    for (const auto& [from, to] : RowSpans(outline, l.Y(j))) {
      const int first = std::max(0, static_cast<int>(std::ceil((from - l.x0) / l.step - 1e-9)));
      const int last = std::min(l.nx - 1, static_cast<int>(std::floor((to - l.x0) / l.step + 1e-9)));
      for (int i = first; i <= last; ++i) {
        const double v = map.volts[static_cast<std::size_t>(j) * static_cast<std::size_t>(l.nx) +
                                   static_cast<std::size_t>(i)];
        least = least ? std::min(*least, v) : v;
      }
    }
  }
  return least;
}

// The worst places on the search map.
Result<SurfaceSafety> FindSafety(const SolvedElectrode& electrode, const SurfaceMap& map,
                                 double gpr, const Limits& limits, const std::optional<Fence>& fence) {
  const EarthKernel kernel = KernelFor(electrode.solution);
  const SurfaceView view{electrode.solution, kernel, map.lattice, map.volts, *electrode.amperes};
  SurfaceSafety safety;
  safety.gpr = gpr;
  safety.touchLimit = limits.Touch();
  if (limits.En50522()) safety.limitName = "EN 50522's U_vTp,";
  safety.stepLimit = limits.Step();
  safety.fence = fence;
  const PlanRegion& outline = electrode.outline;
  safety.withinOutline = outline.HasArea();
  const std::optional<SurfaceSpot> touch =
      outline.HasArea() ? LowestWithin(view, outline) : LowestAround(view, outline, kReachM);
  if (!touch) return NoAnswer("the surface map does not reach where a person would touch the electrode");
  safety.touchSpot = *touch;
  const std::optional<SurfaceStep> step = LargestStep(view, kReachM);
  if (!step) return NoAnswer("the surface map holds no two points a pace apart");
  safety.step = *step;
  if (fence) {
    safety.fenceSpot = LowestAround(view, outline, fence->metres + kReachM);
    if (!safety.fenceSpot) return NoAnswer("the surface map does not reach the fence");
  }
  return safety;
}

// "touch", "touch and step", "touch, step and fence".
std::string Listed(const std::vector<std::string_view>& names) {
  std::string text;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) text += k + 1 == names.size() ? " and " : ", ";
    text += names[k];
  }
  return text;
}

std::string OutlineLine(const SolvedElectrode& e) {
  const UnitSystem units = e.units;
  const double perMetre = LengthFromMetres(1, units);
  const std::string area = e.outline.HasArea()
                               ? FormatDouble("%.1f", e.outline.Area() * perMetre * perMetre) +
                                     (IsMetric(units) ? " m^2" : " sq ft")
                               : std::string();
  switch (e.outlineSource) {
    case OutlineSource::kGrid:
      return e.outline.HasArea() ? "the outline searched: the layout's own, " + area
                                 : "the layout has no area: the touch voltage is taken " +
                                       FixedLength(kReachM, units) + " off its conductors";
    case OutlineSource::kMeshes:
      return "the outline searched: the meshes the conductors close, " + area;
    case OutlineSource::kGiven:
      return "the outline searched: the one given, " + area;
    case OutlineSource::kHull:
      return e.outline.HasArea()
                 ? "the conductors close no mesh: the outline searched is their convex hull, " + area
                 : "the conductors close no mesh and cover no area: the touch voltage is taken " +
                       FixedLength(kReachM, units) + " off them";
  }
  return {};
}

// EN 50522's assessment (clause 5.4.2): the first branch that holds decides;
// in the last the solver's touch voltages against U_vTp (a step is not
// judged). The branch joins the en50522 member.
std::string En50522Verdict(Outcome& outcome, double gpr, std::span<const Criterion> criteria,
                           const Limits& limits, std::vector<std::string>& lines) {
  const En50522Limits& en = limits.en;
  const En50522Branch branch =
      DecidingBranch({gpr, en.utp, en.globalEarthing, !en.measures.empty()});
  for (JsonMember& member : outcome.fields) {
    const auto* object = member.first == "en50522" ? std::get_if<JsonObject>(&member.second.variant()) : nullptr;
    if (object == nullptr) continue;
    JsonObject grown = *object;
    grown.emplace_back("branch", std::string(BranchName(branch)));
    grown.emplace_back("rise_volts", gpr);
    member.second = std::move(grown);
  }
  const std::string rise = "U_E " + Volts(gpr) + ", U_Tp " + Volts(en.utp);
  switch (branch) {
    case En50522Branch::kGlobalEarthing:
      lines.push_back("by EN 50522 (5.4.2): fulfilled, " + std::string(BranchText(branch)) +
                      " (stated by --global-earthing; " + rise + ")");
      return "safe";
    case En50522Branch::kTwiceUtp:
    case En50522Branch::kMeasures: {
      std::string measures;
      for (const std::string& code : en.measures) measures += (measures.empty() ? "" : ", ") + code;
      lines.push_back("by EN 50522 (5.4.2): fulfilled, " + std::string(BranchText(branch)) + " (" + rise +
                      (branch == En50522Branch::kMeasures ? "; measures " + measures + " as stated" : "") + ")");
      return "safe";
    }
    case En50522Branch::kTouchVoltages:
      break;
  }
  if (!en.measures.empty()) {
    lines.push_back("Annex E's measures are stated, but the rise is above 4 U_Tp (" + Volts(4 * en.utp) +
                    "): the touch voltages decide");
  }
  return Verdict(gpr, criteria, en.uvtp, "the solver against EN 50522's U_vTp", lines, "permissible");
}

// The verdicts and where the worst places are, as members and lines.
void DescribeSafety(Outcome& outcome, const SolvedElectrode& e, const SurfaceSafety& found,
                    const SurfaceRequest& request) {
  const UnitSystem units = e.units;
  const Limits& limits = *request.limits;
  const double touch = found.TouchVolts();
  const std::optional<double> fence = found.FenceVolts();
  const auto place = [&](double x, double y) {
    return JsonValue(JsonArray{LengthFromMetres(x, units), LengthFromMetres(y, units)});
  };
  const bool judged = found.fence && found.fence->judged;
  const std::string limitText = limits.En50522() ? "EN 50522's U_vTp" : "the tolerable touch voltage";
  std::vector<Criterion> criteria{{"touch", touch, limits.Touch()}, {"step", found.step.volts, limits.Step()}};
  if (judged) criteria.push_back({"fence", *fence, limits.Touch()});
  std::vector<std::string> lines;
  const std::string verdict = limits.En50522()
                                  ? En50522Verdict(outcome, found.gpr, criteria, limits, lines)
                                  : Verdict(found.gpr, criteria, limits.Touch(), "the solver", lines);
  std::string fenceVerdict = "not judged";
  if (judged) fenceVerdict = found.gpr <= limits.Touch() || *fence <= limits.Touch() ? "safe" : "exceeds";
  outcome.fields.insert(
      outcome.fields.end(),
      {{"mesh_volts", found.withinOutline ? JsonValue(touch) : JsonValue(nullptr)},
       {"touch_volts", touch},
       {"step_volts", found.step.volts},
       {"fence_touch_volts", JsonValue(fence)},
       {"mesh_at", found.withinOutline ? place(found.touchSpot.x, found.touchSpot.y) : JsonValue(nullptr)},
       {"touch_at", place(found.touchSpot.x, found.touchSpot.y)},
       {"step_at", JsonArray{LengthFromMetres(found.step.x1, units), LengthFromMetres(found.step.y1, units),
                             LengthFromMetres(found.step.x2, units), LengthFromMetres(found.step.y2, units)}},
       {"fence_at", found.fenceSpot ? place(found.fenceSpot->x, found.fenceSpot->y) : JsonValue(nullptr)},
       {"fence_distance", found.fence ? JsonValue(LengthFromMetres(found.fence->metres, units))
                                      : JsonValue(nullptr)},
       {"fence_verdict", found.fence ? JsonValue(fenceVerdict) : JsonValue(nullptr)},
       {"verdict", verdict}});
  for (const std::string& line : lines) outcome.details.push_back(line);
  outcome.details.push_back(
      std::string(found.withinOutline ? "the largest touch voltage within the outline, "
                                      : "the largest touch voltage " + FixedLength(kReachM, units) +
                                            " off the conductors, ") +
      Volts(touch) + ", " + PlaceText(found.touchSpot.x, found.touchSpot.y, units) +
      "; the largest step, " + Volts(found.step.volts) + ", " +
      PlaceText(found.step.x1, found.step.y1, units));
  if (found.fence) {
    const std::string where = "a person " + FixedLength(kReachM, units) + " beyond it, " +
                              PlaceText(found.fenceSpot->x, found.fenceSpot->y, units);
    const std::string distance = found.fence->judged ? LengthText(found.fence->metres, units)
                                                     : FixedLength(found.fence->metres, units);
    if (judged) {
      outcome.details.push_back(
          "a fence " + distance + " outside, bonded to the electrode, judged: " + Volts(*fence) +
          " for " + where + "; judged against " + limitText + ", which assumes the "
          "surface layer reaches past the fence");
    } else {
      outcome.details.push_back("a fence " + distance + " outside would see " + Volts(*fence) +
                                " (not judged), " + where);
      if (*fence > limits.Touch() && found.gpr > limits.Touch()) {
        outcome.details.emplace_back(
            "a fence there bonded to the electrode would exceed " + limitText + ": "
            "extend the grid past the fence, or keep the fence apart (not bonded, and clear of "
            "the grid)");
      }
    }
  }
  std::string byEquations;
  if (request.equations != nullptr && request.equationsGpr && !limits.En50522()) {
    const GridEquations& eq = *request.equations;
    std::vector<std::string> equationLines;
    const std::array<Criterion, 2> equationCriteria{
        Criterion{"touch", eq.meshVolts, limits.Touch()}, Criterion{"step", eq.stepVolts, limits.Step()}};
    byEquations = Verdict(*request.equationsGpr, equationCriteria, limits.Touch(), "IEEE 80's equations",
                          equationLines);
    outcome.fields.emplace_back("verdict_ieee80", byEquations);
    for (const std::string& line : equationLines) outcome.details.push_back(line);
  }
  if (verdict != "safe" || (!byEquations.empty() && byEquations != "safe")) {
    outcome.details.emplace_back(
        "what usually helps: closer meshes or more conductors and rods, at the edges above all "
        "(they lower the touch and step voltages); a surface layer of crushed rock or asphalt "
        "(it raises what a body can stand); less current into the grid (a lower split, faster "
        "clearing)");
  }
  outcome.details.push_back(
      std::string(limits.En50522() ? "the surface layer enters the permissible voltage only (under the feet, "
                                     "1.5 Cs rho_s), not the potentials; "
                                   : "the surface layer enters the tolerable voltages only (through Cs), not "
                                     "the potentials; ") +
      "metal leaving the site (a fence not bonded, a pipe, a cable's screen) carries the whole "
      "rise, " + FormatDouble("%.0f", found.gpr) + " V, to where the ground has none");
}

}  // namespace

std::optional<Fence> ReadFence(Inputs& in) {
  const auto text = in.Text("fence");
  if (!text) return Fence{};
  if (Lower(Trim(*text)) == "none") return std::nullopt;
  const auto metres = in.Optional("fence");
  if (!metres) return std::nullopt;
  return Fence{LengthToMetres(*metres, in.units()), true};
}

std::string Verdict(double gpr, std::span<const Criterion> criteria, double touchLimit,
                    std::string_view by, std::vector<std::string>& lines, std::string_view limitWord) {
  const std::string prefix = "by " + std::string(by) + ": ";
  if (gpr <= touchLimit) {
    lines.push_back(prefix + "safe: the whole rise, " + Volts(gpr) +
                    ", is below the " + std::string(limitWord) + " touch voltage, " + Volts(touchLimit) +
                    ": no touch or step voltage can be higher");
    return "safe";
  }
  std::string line;
  std::vector<std::string_view> failing;
  for (const Criterion& c : criteria) {
    line += (line.empty() ? "" : "; ") + std::string(c.name) + " " + Volts(c.volts);
    if (!c.limit) {
      line += " (not judged)";
      continue;
    }
    line += " against the " + std::string(limitWord) + " " + Volts(*c.limit) +
            (c.volts <= *c.limit ? ": safe" : ": exceeds by " + Volts(c.volts - *c.limit));
    if (c.volts > *c.limit) failing.push_back(c.name);
  }
  lines.push_back(prefix + line);
  if (failing.empty()) return "safe";
  return Listed(failing) + (failing.size() == 1 ? " exceeds" : " exceed");
}

Checked DescribeSurface(Outcome& outcome, SolvedElectrode& electrode, const SurfaceRequest& request,
                        const WorkBounds& bounds, const Progress& progress) {
  const UnitSystem units = electrode.units;
  const double gpr = request.amperes * request.ohms;
  // The map reaches past the farthest path searched: the fence and a person beyond it.
  const double reach = std::max(kReachM, request.fence ? request.fence->metres + kReachM : 0.0);
  const double margin = std::max(kMapMarginM, reach + kSearchLatticeM);
  const double searchStep = StepWithin(electrode, margin, kSearchLatticeM, bounds.mapPoints);
  // The picture's lattice grows with the site: the finest asked, or as much
  // coarser as the bound needs (said).
  const double pictureStep = StepWithin(electrode, margin, request.pictureStepM, bounds.mapPoints);
  const bool one = std::abs(pictureStep - searchStep) <= 1e-12 * searchStep;
  const auto part = [&](double from, double share) -> Progress {
    if (!progress) return {};
    return [&progress, from, share](double done) { progress(from + share * done); };
  };
  SurfaceMap picture = MapOf(electrode, request.amperes, pictureStep, margin, part(0, one ? 1 : 0.5));
  std::optional<SurfaceMap> searched;
  if (!one) searched = MapOf(electrode, request.amperes, searchStep, margin, part(0.5, 0.5));
  if (pictureStep > request.pictureStepM) {
    outcome.notes.push_back("the map is drawn on a lattice of " + LengthText(pictureStep, units) +
                            ", the finest its bound of " + std::to_string(bounds.mapPoints) + " points allows (" +
                            LengthText(request.pictureStepM, units) + " asked)");
  }
  electrode.map = std::move(picture);
  const SurfaceMap& search = searched ? *searched : *electrode.map;
  const double highest = *std::max_element(search.volts.begin(), search.volts.end());
  const std::optional<double> least = LeastWithin(search, electrode.outline);
  outcome.fields.emplace_back("gpr_volts", gpr);
  outcome.fields.emplace_back("surface_max_volts", highest);
  outcome.fields.emplace_back("surface_min_volts_inside", JsonValue(least));
  outcome.details.push_back(
      "with " + FormatDouble("%.6g", request.amperes) + " A into it: a rise of " + FormatDouble("%.0f", gpr) +
      " V; on the surface at most " + FormatDouble("%.0f", highest) + " V" +
      (least ? ", within the outline at least " + FormatDouble("%.0f", *least) + " V"
             : " (no outline with an area: no least within it)") +
      " (searched on a lattice of " + LengthText(searchStep, units) + " over the outline and " +
      LengthText(margin, units) + " round it" +
      (one ? ")" : "; the map drawn on " + LengthText(pictureStep, units) + ")"));
  if (searchStep > kSearchLatticeM) {
    outcome.warnings.push_back("the worst places were searched on a lattice of " +
                               LengthText(searchStep, units) + ", the finest the map's bound allows");
  }
  if (request.limits == nullptr) return Ok{};
  outcome.details.push_back(OutlineLine(electrode));
  Result<SurfaceSafety> found = FindSafety(electrode, search, gpr, *request.limits, request.fence);
  OSTREVIN_PASS_ON(found);
  electrode.safety = *std::move(found);
  DescribeSafety(outcome, electrode, *electrode.safety, request);
  return Ok{};
}

std::string_view OutlineSourceName(OutlineSource source) {
  switch (source) {
    case OutlineSource::kGrid:
      return "grid";
    case OutlineSource::kMeshes:
      return "meshes";
    case OutlineSource::kGiven:
      return "given";
    case OutlineSource::kHull:
      return "hull";
  }
  return "grid";
}

}  // namespace ostrevin::calc
