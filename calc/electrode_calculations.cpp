// The electrodes of conductors (strip, ring, grid, a table of conductors)
// on the solver, with the closed forms beside them, and the plate and the
// concrete-encased rod by theirs: reading each one's inputs into conductors,
// then one way of solving, checking and describing them all.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "calc/calculation_parts.h"
#include "calc/dxf_file.h"
#include "calc/electrodes.h"
#include "calc/safety.h"
#include "calc/text.h"
#include "core/closed_forms.h"
#include "core/electrode_layouts.h"
#include "core/ieee80.h"
#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin::calc {

namespace {

// A ring at least this many conductor diameters across; its polygon's
// sides at least this many long, and at most this many sides (more only
// where there are more rods round it).
constexpr double kMinRingDiameters = 10;
constexpr double kRingSideDiameters = 2;
constexpr int kMaxRingSides = 1024;
// A convergence check cut finer by less than this says little.
constexpr double kLeastCheck = 1.25;

// What every electrode of conductors takes after its own inputs (and the
// fault's and the limits').
const std::vector<Option> kSolvedOptions{
    {"fence"},
    {"outline"},
    {"lattice"},
    {"check-convergence", OptionKind::kFlag, false, {},
     "solve again with every segment count doubled and give the change"},
    {"solver"},
    {"plan-svg", OptionKind::kOutput, false, "FILE", "write the plan as an SVG drawing"},
    {"potential-svg", OptionKind::kOutput, false, "FILE",
     "write the surface potential's map as an SVG drawing (with --grid-current)"},
    {"potential-png", OptionKind::kOutput, false, "FILE",
     "write the surface potential's map as a PNG picture (with --grid-current)"},
    {"potential-csv", OptionKind::kOutput, false, "FILE",
     "write x,y,volts on the map's lattice (with --grid-current)"},
    {"currents-csv", OptionKind::kOutput, false, "FILE",
     "write each segment's ends and current"},
    {"layout-csv", OptionKind::kOutput, false, "FILE",
     "write the layout as a table of conductors (for the electrodes command)"},
    {"layout-dxf", OptionKind::kOutput, false, "FILE",
     "write the layout as a CAD drawing (DXF R2000, metres, Z up: conductors, rods and the outline on layers "
     "of their own)"},
    {"touch-svg", OptionKind::kOutput, false, "FILE",
     "write the touch voltage's map, its limit a contour (with --shock-duration)"},
    {"touch-png", OptionKind::kOutput, false, "FILE",
     "the same as a PNG picture"},
    kUnitsOption};

std::vector<Option> WithSolved(std::vector<Option> options, bool conductor = false) {
  options.insert(options.end(), kFaultOptions.begin(), kFaultOptions.end());
  options.insert(options.end(), kLimitOptions.begin(), kLimitOptions.end());
  options.insert(options.end(), kAssessmentOptions.begin(), kAssessmentOptions.end());
  if (conductor) options.insert(options.end(), kConductorOptions.begin(), kConductorOptions.end());
  options.insert(options.end(), kSolvedOptions.begin(), kSolvedOptions.end());
  return WithSoil(std::move(options));
}

std::string Plural(int count, std::string_view one) {
  return std::to_string(count) + " " + std::string(one) + (count == 1 ? "" : "s");
}

// An electrode to solve: its conductors and soil, what it is called, the
// closed forms to set beside the answer, and what to work out with it.
struct Job {
  std::string command;
  std::string title;    // "Grid 70 x 70 m, 10 x 10 meshes"
  std::vector<Conductor> conductors;
  EarthSoil soil;
  std::vector<JsonMember> inputs;
  std::vector<std::pair<std::string, std::optional<double>>> formulas;  // JSON key, value
  std::vector<std::string> formulaLines;
  std::vector<std::string> warnings;
  std::optional<double> amperes;
  double latticeM = kDefaultLatticeM;
  bool checkConvergence = false;
  SolverChoice solver = SolverChoice::kAuto;
  std::optional<Fault> fault;
  std::optional<Limits> limits;
  std::optional<Fence> fence;
  // The outline searched for the worst touch: the layout's own unless one is given.
  PlanRegion outline;
  OutlineSource outlineSource = OutlineSource::kGrid;
  bool outlineGiven = false;
  // A table's outline, the meshes its conductors close (else their hull):
  // found after the solver has bounded their crossings.
  bool outlineFromMeshes = false;
  // The conductors' names in refusals: a table's rows, a layout's parts.
  ConductorNames names;
  // The grid's mesh and step voltages by IEEE 80's equations, and the rise
  // they are judged with.
  std::optional<GridEquations> equations;
  std::optional<double> equationsGpr;
};

// --outline "X,Y X,Y ...": a polygon of three corners or more that does not
// cross itself, made anticlockwise.
std::optional<Polygon> ReadOutline(Inputs& in, std::string_view text) {
  std::optional<std::vector<RodPoint>> corners = ReadPlanPoints(in, "outline", text, kMaxOutlineCorners);
  if (!corners) return std::nullopt;
  Polygon polygon = *std::move(corners);
  if (polygon.size() >= 2 && polygon.front().x == polygon.back().x &&
      polygon.front().y == polygon.back().y) {
    polygon.pop_back();  // closed as drawn: the last corner the first
  }
  if (const auto crossing = FindSelfCrossing(polygon)) {
    return in.Fail(in.Named("outline") + " crosses itself: its sides " +
                   std::to_string(crossing->first + 1) + " and " + std::to_string(crossing->second + 1) +
                   " meet (side k runs from corner k to the next)");
  }
  if (polygon.size() < 3 || !(PolygonArea(polygon) > 0)) {
    return in.Fail(in.Named("outline") + " needs three corners or more enclosing an area");
  }
  if (SignedArea(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
  return polygon;
}

// The soil, the current and the map's spacing, read into the job.
std::optional<Soil> ReadSolvedCommon(Inputs& in, Job& job) {
  std::optional<Soil> soil = ReadSoil(in, true);
  const std::optional<double> lattice = in.Optional("lattice");
  job.fault = ReadFault(in);
  if (soil) job.limits = ReadLimits(in, *soil);
  const std::string_view duration =
      ReadStandard(in) == SafetyStandard::kEn50522 ? "fault-duration" : "shock-duration";
  if (in.Given("fence") && !in.Given(duration)) {
    in.Fail(in.Named("fence") + " goes with " + in.Named(duration) +
            " (the fence is judged by the tolerable touch voltage)");
  }
  job.fence = ReadFence(in);
  if (const auto text = in.Text("outline")) {
    if (auto polygon = ReadOutline(in, *text)) {
      job.outline = {{std::move(*polygon)}, {}};
      job.outlineSource = OutlineSource::kGiven;
      job.outlineGiven = true;
    }
  }
  if (in.refusal()) return std::nullopt;
  job.soil = soil->Earth();
  job.inputs = soil->inputs;
  if (job.fault) job.amperes = job.fault->amperes;
  if (lattice) job.latticeM = LengthToMetres(*lattice, in.units());
  job.checkConvergence = in.Given("check-convergence");
  if (const auto solver = in.Choice("solver", false)) {
    job.solver = *solver == "dense" ? SolverChoice::kDense : *solver == "compressed" ? SolverChoice::kCompressed
                                                                                     : SolverChoice::kAuto;
  }
  return soil;
}

void AddCommonInputs(Job& job, const Inputs& in) {
  if (job.fault) job.inputs.insert(job.inputs.end(), job.fault->inputs.begin(), job.fault->inputs.end());
  if (job.limits) job.inputs.insert(job.inputs.end(), job.limits->inputs.begin(), job.limits->inputs.end());
  if (in.Given("lattice")) job.inputs.emplace_back("lattice", LengthFromMetres(job.latticeM, in.units()));
  if (const auto fence = in.Text("fence")) job.inputs.emplace_back("fence", std::string(*fence));
  if (job.outlineGiven) job.inputs.emplace_back("outline", std::string(*in.Text("outline")));
}

// The layout's own outline, unless one was given.
void SetOutline(Job& job, PlanRegion outline) {
  if (!job.outlineGiven) job.outline = std::move(outline);
}

// The answer against the same electrode cut finer: every segment count
// doubled, or as much finer as the bound on memory allows (said); the
// answer itself is never withheld for it.
Checked CheckConvergence(Outcome& outcome, std::span<const Conductor> conductors, const EarthSoil& soil,
                         double ohms, const WorkBounds& bounds) {
  const auto bytes = [&](double refinement) -> std::size_t {
    SolveOptions options;
    options.refinement = refinement;
    options.maxBytes = std::numeric_limits<std::size_t>::max();
    const Result<Work> work = WorkFor(conductors, soil, options);
    return work ? work->bytes : std::numeric_limits<std::size_t>::max();
  };
  double refinement = 2;
  if (bytes(refinement) > bounds.bytes) {
    // The finest the bound allows, to a twentieth.
    double lo = 1;
    double hi = 2;
    while (hi - lo > 0.05) {
      const double mid = (lo + hi) / 2;
      (bytes(mid) <= bounds.bytes ? lo : hi) = mid;
    }
    refinement = lo;
  }
  outcome.fields.emplace_back("convergence_refinement", refinement);
  if (refinement < kLeastCheck) {
    outcome.fields.emplace_back("convergence_percent", nullptr);
    outcome.details.push_back("no convergence check: cut any finer, the electrode needs more than the " +
                              MemoryText(bounds.bytes) + " solved here");
    return Ok{};
  }
  SolveOptions finer;
  finer.refinement = refinement;
  finer.maxBytes = bounds.bytes;
  const Result<Solution> refined = SolveElectrode(conductors, soil, finer);
  OSTREVIN_PASS_ON(refined);
  const double percent = 100 * (ohms / refined->ohms - 1);
  outcome.fields.emplace_back("convergence_percent", percent);
  const std::string how = refinement == 2 ? "with every segment count doubled"
                                          : "with every segment count times " + FormatDouble("%.2f", refinement) +
                                                " (the most the bound on memory allows)";
  outcome.details.push_back(how + ": " + ShowOhms(refined->ohms) + " ohms, " +
                            FormatDouble("%.3f", std::abs(percent)) + " % " + (percent >= 0 ? "lower" : "higher"));
  return Ok{};
}

// IEEE 80's mesh and step equations, beside the solver's surface: their
// figures, and where they are used outside their validity.
void DescribeEquations(Outcome& outcome, const GridEquations& e) {
  outcome.fields.insert(outcome.fields.end(), {{"n", e.n},
                                               {"km", e.km},
                                               {"ki", e.ki},
                                               {"ks", e.ks},
                                               {"mesh_volts_ieee80", e.meshVolts},
                                               {"step_volts_ieee80", e.stepVolts}});
  outcome.details.push_back("IEEE 80's equations: n " + FormatDouble("%.2f", e.n) + ", Km " +
                            FormatDouble("%.3f", e.km) + ", Ki " + FormatDouble("%.3f", e.ki) +
                            ", Ks " + FormatDouble("%.3f", e.ks) + ": the mesh voltage " +
                            FormatDouble("%.1f", e.meshVolts) + " V, the step voltage " +
                            FormatDouble("%.1f", e.stepVolts) + " V (eqs. 80 to 94)");
  for (const std::string& warning : e.warnings) {
    outcome.warnings.push_back("IEEE 80's mesh and step equations are used outside their "
                               "validity: " + warning);
  }
}

// A table's outline, after the solver has bounded it: the meshes its
// conductors close, else their convex hull.
void OutlineFromMeshes(Job& job) {
  job.outline = MeshOutline(job.conductors);
  job.outlineSource = OutlineSource::kMeshes;
  if (!job.outline.HasArea()) {
    job.outline = HullOutline(job.conductors);
    job.outlineSource = OutlineSource::kHull;
  }
}

Result<Outcome> Solve(Job job, UnitSystem units, const Progress& progress,
                      const WorkBounds& bounds) {
  if (job.limits) {
    for (const std::string& warning : job.limits->warnings) job.warnings.push_back(warning);
    job.limits->warnings.clear();
  }
  Outcome outcome = StartOutcome(job.command, units, std::move(job.inputs));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.listWarnings = true;
  outcome.warnings = job.warnings;
  const bool mapped = job.amperes.has_value();
  SolveOptions options;
  options.maxBytes = bounds.bytes;
  options.solver = job.solver;
  if (progress) {
    options.progress = [&](double done) { progress(mapped ? done / 2 : done); };
  }
  const Result<Solution> solved = SolveElectrode(job.conductors, job.soil, options);
  if (!solved) return Unanswered(std::move(outcome), Worded(solved.Failed(), units, job.names));
  if (job.outlineFromMeshes) OutlineFromMeshes(job);
  auto electrode = std::make_shared<SolvedElectrode>();
  electrode->title = job.title;
  electrode->units = units;
  electrode->conductors = job.conductors;
  electrode->solution = *solved;
  electrode->outline = job.outline;
  electrode->outlineSource = job.outlineSource;
  electrode->amperes = job.amperes;
  const double ohms = solved->ohms;
  if (job.equations && !job.equationsGpr) {
    // In two layers the equations' rise is the solver's.
    job.equationsGpr = *job.amperes * ohms;
  }
  outcome.value = ohms;
  outcome.result = ShowOhms(ohms);
  outcome.fields.emplace_back("segments", static_cast<double>(solved->elements.size()));
  outcome.fields.emplace_back("solver", solved->compressed ? "compressed" : "dense");
  for (const auto& [key, value] : job.formulas) outcome.fields.emplace_back(key, JsonValue(value));
  const double perSquare = LengthFromMetres(1, units) * LengthFromMetres(1, units);
  outcome.fields.emplace_back("area", electrode->outline.HasArea()
                                          ? JsonValue(electrode->outline.Area() * perSquare)
                                          : JsonValue(nullptr));
  outcome.fields.emplace_back("outline_source", std::string(OutlineSourceName(job.outlineSource)));
  outcome.details.push_back(job.title + ": by the electrode solver, " +
                            std::to_string(solved->elements.size()) + " segments" +
                            (solved->symmetry > 1 ? " (" + std::to_string(solved->unknowns) +
                                                        " unknowns by its symmetry)"
                                                  : "") +
                            (solved->compressed ? ", compressed (" + MemoryText(solved->bytes) + ", " +
                                                      std::to_string(solved->steps) + " steps of conjugate gradients)"
                                                : ""));
  for (const std::string& line : job.formulaLines) outcome.details.push_back(line);
  for (const std::string& note : solved->notes) outcome.details.push_back("note: " + note);
  if (job.checkConvergence) {
    if (const Checked checked = CheckConvergence(outcome, job.conductors, job.soil, ohms, bounds); !checked) {
      return Unanswered(std::move(outcome), checked.Failed());
    }
  }
  if (job.fault) {
    outcome.fields.emplace_back("grid_current_amps", job.fault->amperes);
    outcome.fields.emplace_back("df", job.fault->df);
    for (const std::string& note : job.fault->notes) outcome.details.push_back("note: " + note);
  }
  if (job.limits) DescribeLimits(outcome, *job.limits);
  if (job.equations) DescribeEquations(outcome, *job.equations);
  if (job.limits && !mapped) {
    outcome.details.emplace_back("note: the verdict needs the current into the electrode "
                              "(--grid-current, or --fault-current)");
  }
  if (mapped) {
    SurfaceRequest request;
    request.amperes = *job.amperes;
    request.ohms = ohms;
    request.pictureStepM = job.latticeM;
    request.limits = job.limits ? &*job.limits : nullptr;
    request.fence = job.fence;
    request.equations = job.equations ? &*job.equations : nullptr;
    request.equationsGpr = job.equationsGpr;
    Progress half;
    if (progress) half = [&](double done) { progress(0.5 + done / 2); };
    if (const Checked described = DescribeSurface(outcome, *electrode, request, bounds, half);
        !described) {
      if (described.refused()) return described.Failed();
      return Unanswered(std::move(outcome), described.Failed());
    }
  }
  outcome.electrode = std::move(electrode);
  return outcome;
}

// ---- strip ----

Result<Outcome> ComputeStrip(Inputs& in) {
  Job job;
  job.command = "strip";
  const std::optional<Soil> soil = ReadSolvedCommon(in, job);
  const auto length = in.Required("length");
  const auto depth = in.Required("depth");
  const auto conductor = in.Optional("conductor");
  const auto width = in.Optional("width");
  const auto thickness = in.Optional("thickness");
  if (!conductor && !width && !in.refusal()) {
    in.Fail(in.Named("conductor") + " (or " + in.Named("width") + ") is missing");
  }
  if (conductor && width) in.Fail(in.Named("conductor") + " and " + in.Named("width") + " are both given: give one of them");
  if (thickness && !width) in.Fail(in.Named("thickness") + " goes with " + in.Named("width"));
  if (in.refusal()) return Refused(*in.refusal());
  const UnitSystem units = in.units();
  const double lengthM = LengthToMetres(*length, units);
  const double depthM = LengthToMetres(*depth, units);
  double diameterM = 0;
  std::string shape;
  if (conductor) {
    diameterM = DiameterToMetres(*conductor, units);
    shape = "a round conductor";
  } else {
    const double w = DiameterToMetres(*width, units);
    const double t = thickness ? DiameterToMetres(*thickness, units) : 0;
    diameterM = StripEquivalentDiameter(w, t);
    shape = "a flat strip, as a round conductor of " + FormatDouble("%.4g", diameterM * 1000) +
            " mm ((width + thickness) / 2: half the width of a thin strip, Sunde; BS 7430)";
  }
  job.inputs.insert(job.inputs.end(), {{"length", *length}, {"depth", *depth}});
  if (conductor) job.inputs.emplace_back("conductor", *conductor);
  if (width) job.inputs.emplace_back("width", *width);
  if (thickness) job.inputs.emplace_back("thickness", *thickness);
  job.inputs.emplace_back("equivalent_diameter_m", diameterM);
  AddCommonInputs(job, in);
  job.title = "Strip " + LengthText(lengthM, units) + " long, " + LengthText(depthM, units) + " deep, " + shape;
  job.conductors = StripConductor(lengthM, depthM, diameterM);
  job.names = [](std::size_t) { return std::string("the strip"); };
  SetOutline(job, {{}, PlanLines(job.conductors)});
  const std::optional<double> dwight =
      !soil->Uniform() ? std::nullopt : DwightStripOhms(soil->rho, lengthM, diameterM / 2, depthM);
  job.formulas.emplace_back("formula_ohms", dwight);
  if (dwight) {
    job.formulaLines.push_back("Dwight's formula (IEEE 142, a horizontal wire): " +
                               ShowOhms(*dwight) + " ohms" +
                               (2 * depthM < lengthM ? "" : "; outside its validity (deeper than half its length)"));
  }
  return Solve(std::move(job), units, in.progress(), in.bounds());
}

// ---- ring ----

// Rods evenly round the ring or the grid: --rods N --rod-length L --rod-diameter D.
struct RodsRead {
  int count = 0;
  double lengthM = 0, diameterM = 0;
};

std::optional<RodsRead> ReadRods(Inputs& in, bool wanted, std::string_view without) {
  const auto length = in.Optional("rod-length");
  const auto diameter = in.Optional("rod-diameter");
  if (!wanted) {
    in.Refuse("rod-length", without);
    in.Refuse("rod-diameter", without);
    return std::nullopt;
  }
  if (!length && !in.refusal()) in.Fail(in.Named("rod-length") + " is missing");
  if (!diameter && !in.refusal()) in.Fail(in.Named("rod-diameter") + " is missing");
  if (in.refusal()) return std::nullopt;
  return RodsRead{0, LengthToMetres(*length, in.units()), DiameterToMetres(*diameter, in.units())};
}

// A ring's sides, then its rods.
ConductorNames RingNames(int sides) {
  return [sides](std::size_t k) {
    const auto n = static_cast<std::size_t>(sides);
    return k < n ? "the ring's side " + std::to_string(k + 1) : "rod " + std::to_string(k - n + 1);
  };
}

Result<Outcome> ComputeRing(Inputs& in) {
  Job job;
  job.command = "ring";
  const std::optional<Soil> soil = ReadSolvedCommon(in, job);
  const auto ring = in.Required("ring-diameter");
  const auto depth = in.Required("depth");
  const auto conductor = in.Required("conductor");
  const auto count = in.Optional("rods");
  std::optional<RodsRead> rods = ReadRods(in, count.has_value(), "a ring without --rods");
  if (in.refusal()) return Refused(*in.refusal());
  const UnitSystem units = in.units();
  const double ringM = LengthToMetres(*ring, units);
  const double depthM = LengthToMetres(*depth, units);
  const double wireM = DiameterToMetres(*conductor, units);
  job.inputs.insert(job.inputs.end(),
                    {{"ring-diameter", *ring}, {"depth", *depth}, {"conductor", *conductor}});
  const int n = count ? static_cast<int>(*count) : 0;
  if (rods) {
    rods->count = n;
    job.inputs.insert(job.inputs.end(), {{"rods", *count},
                                         {"rod-length", LengthFromMetres(rods->lengthM, units)},
                                         {"rod-diameter", *in.Optional("rod-diameter")}});
  }
  AddCommonInputs(job, in);
  // A circle as a polygon, its corners on it (and the rods at corners: its
  // sides a multiple of the rods), refined until doubling the sides moves
  // the answer by under 0.05 %, no side shorter than kRingSideDiameters
  // conductor diameters (where a thin wire's bends stop being thin).
  if (ringM < kMinRingDiameters * wireM) {
    return Refused(in.Named("ring-diameter") + " " + LengthText(ringM, units) + " is less than " +
                   FormatNumber(kMinRingDiameters) + " times the conductor's diameter (" +
                   LengthText(kMinRingDiameters * wireM, units) +
                   "): so small a ring is no thin wire bent round, and the solver takes none");
  }
  const auto layout = [&](int sides) {
    std::vector<Conductor> conductors = RingConductors(ringM, sides, depthM, wireM);
    if (rods) {
      const std::vector<Conductor> more =
          RodsAt(RingPoints(ringM, n), rods->lengthM, rods->diameterM, depthM);
      conductors.insert(conductors.end(), more.begin(), more.end());
    }
    return conductors;
  };
  const int most = std::min(
      kMaxRingSides, static_cast<int>(std::floor(kPi * ringM / (kRingSideDiameters * wireM))));
  int sides = std::max(1, n);
  while (sides < 32 && sides * 2 <= most) sides *= 2;
  std::optional<double> previous;
  for (;; sides *= 2) {
    SolveOptions bounded;
    bounded.maxBytes = in.bounds().bytes;
    const Result<Solution> trial = SolveElectrode(layout(sides), job.soil, bounded);
    if (!trial) {
      const Why why = Worded(trial.Failed(), units, RingNames(sides));
      if (trial.refused()) return why;
      return Unanswered(StartOutcome("ring", units, job.inputs), why);
    }
    if (previous && std::abs(trial->ohms / *previous - 1) < 5e-4) break;
    previous = trial->ohms;
    if (sides * 2 > most) break;
  }
  job.conductors = layout(sides);
  job.names = RingNames(sides);
  SetOutline(job, {{RingPoints(ringM, sides)}, {}});
  job.title = "Ring " + LengthText(ringM, units) + " across, " + LengthText(depthM, units) + " deep" +
              (rods ? ", " + Plural(n, "rod") + " of " + LengthText(rods->lengthM, units) : "") +
              " (a polygon of " + std::to_string(sides) + " sides)";
  const std::optional<double> dwight =
      !soil->Uniform() || rods ? std::nullopt : DwightRingOhms(soil->rho, ringM, wireM, depthM);
  job.formulas.emplace_back("formula_ohms", dwight);
  if (dwight) {
    job.formulaLines.push_back("Dwight's formula (IEEE 142, a ring of wire): " + ShowOhms(*dwight) +
                               " ohms");
  }
  return Solve(std::move(job), units, in.progress(), in.bounds());
}

// ---- grid ----

// "XxY" lengths in metres, or whole counts.
std::optional<std::pair<double, double>> ReadPair(Inputs& in, std::string_view name,
                                                  std::string_view as, bool lengths) {
  const auto text = in.Text(name);
  if (!text) return std::nullopt;
  const std::array<Part, 2> parts{Part{"X", as}, Part{"Y", as}};
  const std::optional<std::vector<double>> values = ReadParts(in, name, *text, 'x', parts);
  if (!values) return std::nullopt;
  if (!lengths) return std::pair((*values)[0], (*values)[1]);
  return std::pair(LengthToMetres((*values)[0], in.units()), LengthToMetres((*values)[1], in.units()));
}

// The rods round a grid's perimeter, `n` of them: one at every k-th perimeter
// node from a corner, k whole; refused naming the counts that do divide.
Result<std::vector<RodPoint>> PerimeterRods(const GridPlan& plan, std::size_t n, const Inputs& in) {
  const std::vector<RodPoint> nodes = GridPerimeterNodes(plan);
  if (n == 0 || n > nodes.size() || nodes.size() % n != 0) {
    std::vector<std::string> counts;
    for (std::size_t k = 1; k <= nodes.size(); ++k) {
      if (nodes.size() % k == 0) counts.push_back(std::to_string(k));
    }
    std::string listed;
    for (std::size_t k = 0; k < counts.size(); ++k) {
      listed += (k == 0 ? "" : k + 1 == counts.size() ? " or " : ", ") + counts[k];
    }
    return Refused(in.Named("rods") + " " + std::to_string(n) + " does not divide the " +
                   std::to_string(nodes.size()) +
                   " perimeter nodes: rods go at every k-th node from a corner, k whole; " + listed +
                   " rods do");
  }
  std::vector<RodPoint> points;
  for (std::size_t i = 0; i < nodes.size(); i += nodes.size() / n) points.push_back(nodes[i]);
  return points;
}

// IEEE 80's closed forms beside the solver, for uniform soil: Sverak's, and
// Schwarz's for a rectangle; with a fault, the mesh and step equations.
void AddGridFormulas(Job& job, const Soil& soil, const GridPlan& plan, const std::optional<RodsRead>& rods,
                     double gridLength, UnitSystem units) {
  const bool ell = plan.cutout.has_value();
  std::optional<double> sverak;
  std::optional<double> schwarz;
  if (soil.Uniform()) {
    const double area = plan.sizeX * plan.sizeY - (plan.cutout ? plan.cutout->first * plan.cutout->second : 0);
    const double rodLength = rods ? rods->count * rods->lengthM : 0;
    sverak = SverakOhms(soil.rho, gridLength + rodLength, area, plan.depthM);
    if (!ell) {
      schwarz = SchwarzOhms({soil.rho, gridLength, plan.diameterM / 2, plan.depthM, area,
                             std::max(plan.sizeX, plan.sizeY) / std::min(plan.sizeX, plan.sizeY),
                             rods ? rods->count : 0, rods ? rods->lengthM : 0,
                             rods ? rods->diameterM / 2 : 0});
    }
    if (plan.depthM < 0.25 || plan.depthM > 2.5) {
      job.warnings.emplace_back("Sverak's equation is given for grids 0.25 to 2.5 m deep");
    }
  }
  job.formulas.emplace_back("sverak_ohms", sverak);
  job.formulas.emplace_back("schwarz_ohms", schwarz);
  if (job.fault) {
    // The mesh and step voltages by IEEE 80's equations (made for uniform
    // soil: in two layers they take the top layer's resistivity).
    GridEquationsInput g;
    g.rho = soil.TopOhmCm();
    g.amperes = job.fault->amperes;
    g.lengthX = plan.sizeX;
    g.lengthY = plan.sizeY;
    g.areaM2 = plan.sizeX * plan.sizeY - (plan.cutout ? plan.cutout->first * plan.cutout->second : 0);
    g.perimeterM = 2 * (plan.sizeX + plan.sizeY);
    g.conductorLengthM = gridLength;
    const double dx = plan.sizeX / plan.meshesX;
    const double dy = plan.sizeY / plan.meshesY;
    g.spacingM = std::max(dx, dy);
    g.depthM = plan.depthM;
    g.diameterM = plan.diameterM;
    g.rods = rods ? rods->count : 0;
    g.rodLengthM = rods ? rods->lengthM : 0;
    g.rodsAtEdge = rods.has_value();
    g.largestDistanceM = std::hypot(plan.sizeX, plan.sizeY);
    g.shape = ell ? GridEquationsInput::Shape::kLShape : GridEquationsInput::Shape::kRectangle;
    job.equations = MeshAndStep(g);
    if (!soil.Uniform()) {
      job.warnings.emplace_back("IEEE 80's mesh and step equations assume uniform soil: here they "
                             "take the top layer's resistivity, and the solver's rise");
    } else {
      const std::optional<double> rg = rods && schwarz ? schwarz : sverak;
      if (rg) job.equationsGpr = job.fault->amperes * *rg;
    }
    if (std::abs(dx / dy - 1) > 1e-9) {
      job.warnings.push_back("the meshes are not square: IEEE 80's equations take the larger "
                             "spacing, " + LengthText(g.spacingM, units));
    }
  }
  if (sverak) {
    job.formulaLines.push_back(
        "IEEE 80: Sverak's equation " + ShowOhms(*sverak) + " ohms" +
        (schwarz ? ", Schwarz's " + ShowOhms(*schwarz) + " ohms" : "") +
        " (closed forms for uniform soil from the grid's area and lengths; the solver "
        "takes its actual conductors)");
  }
}

Result<Outcome> ComputeGrid(Inputs& in) {
  Job job;
  job.command = "grid";
  const std::optional<Soil> soil = ReadSolvedCommon(in, job);
  if (!in.Given("size") && !in.refusal()) in.Fail(in.Named("size") + " is missing");
  if (!in.Given("meshes") && !in.refusal()) in.Fail(in.Named("meshes") + " is missing");
  const auto size = ReadPair(in, "size", "length", true);
  const auto meshes = ReadPair(in, "meshes", "per-side", false);
  const auto depth = in.Required("depth");
  const auto conductor = in.Required("conductor");
  const auto shape = in.Choice("shape", false);
  const bool ell = shape == "l";
  std::optional<std::pair<double, double>> cutout;
  if (ell) {
    if (!in.Given("cutout") && !in.refusal()) in.Fail(in.Named("cutout") + " is missing (the L's cut-out)");
    cutout = ReadPair(in, "cutout", "length", true);
  } else {
    in.Refuse("cutout", in.Named("shape") + " rectangle");
  }
  const auto at = in.Choice("rods-at", false);
  const auto count = in.Optional("rods");
  if (at != "perimeter") in.Refuse("rods", at ? in.Named("rods-at") + " " + std::string(*at)
                                              : "a grid without --rods-at perimeter");
  if (at == "perimeter" && !count && !in.refusal()) in.Fail(in.Named("rods") + " is missing (rods round the perimeter)");
  std::optional<RodsRead> rods = ReadRods(in, at.has_value(), "a grid without --rods-at");
  if (in.refusal()) return Refused(*in.refusal());
  // The conductor's material and temperatures, read now (before the work):
  // they are used only with a fault.
  (void)ReadConductorHeat(in);
  if (in.refusal()) return Refused(*in.refusal());
  const UnitSystem units = in.units();
  GridPlan plan{size->first, size->second, static_cast<int>(meshes->first),
                static_cast<int>(meshes->second), LengthToMetres(*depth, units),
                DiameterToMetres(*conductor, units), cutout};
  if (const Checked checked = CheckGridPlan(plan); !checked) return Worded(checked.Failed(), units);
  job.inputs.insert(job.inputs.end(), {{"size", std::string(*in.Text("size"))},
                                       {"meshes", std::string(*in.Text("meshes"))},
                                       {"depth", *depth},
                                       {"conductor", *conductor}});
  if (ell) {
    job.inputs.emplace_back("shape", "l");
    job.inputs.emplace_back("cutout", std::string(*in.Text("cutout")));
  }
  std::vector<RodPoint> rodPoints;
  if (rods) {
    if (at == "corners") rodPoints = GridCorners(plan);
    if (at == "nodes") rodPoints = GridNodes(plan);
    if (at == "perimeter") {
      Result<std::vector<RodPoint>> points = PerimeterRods(plan, static_cast<std::size_t>(*count), in);
      OSTREVIN_PASS_ON(points);
      rodPoints = *std::move(points);
    }
    rods->count = static_cast<int>(rodPoints.size());
    job.inputs.emplace_back("rods-at", std::string(*at));
    if (count) job.inputs.emplace_back("rods", *count);
    job.inputs.emplace_back("rod-length", LengthFromMetres(rods->lengthM, units));
    job.inputs.emplace_back("rod-diameter", *in.Optional("rod-diameter"));
  }
  AddCommonInputs(job, in);
  job.conductors = GridConductors(plan);
  const std::size_t gridCount = job.conductors.size();
  job.names = [gridCount](std::size_t k) {
    return k < gridCount ? "the grid's conductor " + std::to_string(k + 1) : "rod " + std::to_string(k - gridCount + 1);
  };
  SetOutline(job, GridOutline(plan));
  const double gridLength = TotalLength(job.conductors);
  if (rods) {
    const std::vector<Conductor> more = RodsAt(rodPoints, rods->lengthM, rods->diameterM, plan.depthM);
    job.conductors.insert(job.conductors.end(), more.begin(), more.end());
  }
  job.title = std::string(ell ? "L-shaped grid " : "Grid ") + LengthText(plan.sizeX, units) + " x " +
              LengthText(plan.sizeY, units) + ", " + std::to_string(plan.meshesX) + " x " +
              std::to_string(plan.meshesY) + " meshes, " + LengthText(plan.depthM, units) + " deep" +
              (rods ? ", " + Plural(rods->count, "rod") + " of " + LengthText(rods->lengthM, units) : "");
  AddGridFormulas(job, *soil, plan, rods, gridLength, units);
  const std::optional<Fault> fault = job.fault;
  Result<Outcome> solved = Solve(std::move(job), units, in.progress(), in.bounds());
  if (solved && fault) DescribeConductor(*solved, in, *fault, plan.diameterM);
  if (in.refusal()) return Refused(*in.refusal());
  return solved;
}

// ---- plate and concrete-encased rod (closed forms) ----

Outcome ClosedForm(std::string command, UnitSystem units, std::vector<JsonMember> inputs) {
  Outcome outcome = StartOutcome(std::move(command), units, std::move(inputs));
  outcome.unit = "ohms";
  outcome.valueKey = "ohms";
  outcome.listWarnings = true;
  return outcome;
}

Result<Outcome> ComputePlate(Inputs& in) {
  in.Refuse("layers", "a plate: the closed forms are for uniform soil");
  auto rho = in.Required("rho");
  if (rho) rho = SeasonRho(in, *rho);
  const auto size = ReadPair(in, "size", "length", true);
  if (!size && !in.refusal()) in.Fail(in.Named("size") + " is missing");
  const auto depth = in.Required("depth");
  const auto orientation = in.Choice("orientation", false);
  if (in.refusal()) return Refused(*in.refusal());
  const UnitSystem units = in.units();
  const bool flat = orientation == "flat";
  const double area = size->first * size->second;
  const double depthM = LengthToMetres(*depth, units);
  // Upright, the depth is its top edge's and its size across, then down.
  const double centreM = flat ? depthM : depthM + size->second / 2;
  Outcome outcome = ClosedForm("plate", units,
                               {{"rho", *rho},
                                {"size", std::string(*in.Text("size"))},
                                {"depth", *depth},
                                {"orientation", flat ? "flat" : "vertical"}});
  const std::optional<double> deep = Bs7430PlateOhms(*rho, area);
  const Result<double> dwight = DwightPlateOhms(*rho, area, centreM, flat ? PlateLying::kFlat : PlateLying::kUpright);
  outcome.fields = {{"bs7430_ohms", JsonValue(deep)},
                    {"ieee142_ohms", dwight ? JsonValue(*dwight) : JsonValue(nullptr)}};
  const std::string where = flat ? "lying flat " + LengthText(depthM, units) + " deep"
                                 : "upright, its top " + LengthText(depthM, units) + " deep";
  outcome.details.push_back("a plate " + LengthText(size->first, units) + " x " + LengthText(size->second, units) +
                            " " + where + ", as a round plate of the same area (IEEE 142, Dwight)");
  if (deep) {
    std::string beside = "BS 7430's (rho/8) sqrt(pi/A), for a plate deep enough that the surface does "
                         "not matter: " + ShowOhms(*deep) + " ohms";
    if (dwight) beside += " (here " + FormatDouble("%.0f", 100 * (1 - *deep / *dwight)) + " % below, the surface left out)";
    outcome.details.push_back(beside);
  }
  if (!dwight) {
    return Unanswered(std::move(outcome),
                      NoAnswer(dwight.why() + (deep ? "; BS 7430's " + ShowOhms(*deep) +
                                                          " ohms, which leaves the surface out, is "
                                                          "below what it has"
                                                    : std::string())));
  }
  outcome.value = *dwight;
  outcome.result = ShowOhms(*dwight);
  return outcome;
}

Result<Outcome> ComputeEncased(Inputs& in) {
  in.Refuse("layers", "a concrete-encased rod: the closed form is for uniform soil");
  auto rho = in.Required("rho");
  if (rho) rho = SeasonRho(in, *rho);
  const auto length = in.Required("length");
  const auto diameter = in.Required("diameter");
  const auto concrete = in.Required("concrete-diameter");
  const auto rhoConcrete = in.Required("rho-concrete");
  if (in.refusal()) return Refused(*in.refusal());
  const UnitSystem units = in.units();
  const double lengthM = LengthToMetres(*length, units);
  const double rodM = DiameterToMetres(*diameter, units);
  const double concreteM = DiameterToMetres(*concrete, units);
  if (!(concreteM > rodM)) {
    return Refused(in.Named("concrete-diameter") + " must be more than the rod's " +
                   in.Named("diameter"));
  }
  Outcome outcome = ClosedForm("encased", units,
                               {{"rho", *rho},
                                {"length", *length},
                                {"diameter", *diameter},
                                {"concrete-diameter", *concrete},
                                {"rho-concrete", *rhoConcrete}});
  const std::optional<double> ohms = EncasedRodOhms(*rho, *rhoConcrete, lengthM, rodM, concreteM);
  if (!ohms) {
    return Unanswered(std::move(outcome),
                      NoAnswer("the casing is too short for the formula (it needs ln(8L/D) > 1)"));
  }
  outcome.value = ohms;
  outcome.result = ShowOhms(*ohms);
  outcome.details.emplace_back("a rod in concrete, by Fagan and Lee (IEEE 80, IEEE 142): "
                            "(rho_c ln(D/d) + rho (ln(8L/D) - 1)) / (2 pi L)");
  if (lengthM < 10 * concreteM) {
    outcome.warnings.emplace_back("the casing is less than ten times as long as it is thick: the "
                               "formula is for a long, slender casing");
  }
  return outcome;
}

const std::string kMapHelp =
    "Every value may carry its unit. --grid-current AMPS gives the rise of the\n"
    "electrode and the surface's potential over its outline and 3 m round it: the\n"
    "highest, and the lowest within the outline (the layout's own: an L's is an L;\n"
    "a table's the meshes its conductors close, else their convex hull; --outline\n"
    "or --outline-file gives one). --lattice spaces the map drawn and written\n"
    "(--potential-svg, --potential-png, --potential-csv; 0.25 m); the worst places\n"
    "are searched on 0.25 m whatever it is. --fence DISTANCE judges a fence bonded\n"
    "to the electrode that far outside, a person 1 m beyond it (not given: one 1 m\n"
    "outside is shown, not judged; none: no fence). --check-convergence solves\n"
    "again with every segment count doubled (the answer moves by under 0.5 %).\n"
    "--plan-svg, --currents-csv and --layout-csv write the plan, each segment's\n"
    "current and the layout as a conductor table. Two-layer soil: --layers\n"
    "RHO1,H,RHO2. The solver takes conductors as thin wires at one potential (DC),\n"
    "the surface insulating.\n";

}  // namespace

std::span<const Option> ElectrodeOptions() {
  // A table's (or a drawing's, which DXF gives no sizes: dxf_file.h).
  static const std::vector<Option> options = [] {
    std::vector<Option> all = WithSolved({{"rho"}});
    all.insert(all.end() - 1, kDxfOptions.begin(), kDxfOptions.end());
    return all;
  }();
  return options;
}

std::vector<Calculation> ElectrodeCalculations() {
  return {
      {"strip", "a buried horizontal strip or wire",
       WithSolved({{"rho"},
                   {"length", OptionKind::kQuantity, false, {},
                    "strip length, feet or metres (found with --target)", "Strip length"},
                   {"target", OptionKind::kQuantity, false, {},
                    "wanted resistance, ohms: the strip length that reaches it is found"},
                   {"depth", OptionKind::kQuantity, true, {}, "burial depth, feet or metres",
                    "Burial depth"},
                   {"conductor"},
                   {"width"},
                   {"thickness"}}),
       &ComputeStrip,
       "A straight conductor L long, buried H deep, by the electrode solver: a round\n"
       "one of --conductor D, or a flat strip of --width W (and --thickness T), taken\n"
       "as a round conductor of (W + T) / 2 (half the width of a thin strip: Sunde,\n"
       "BS 7430). Beside it Dwight's formula (IEEE 142's table, a wire 2L long s/2\n"
       "deep, here L and s for the whole length and twice the depth).\n" + kMapHelp,
       "ostrevin-calc strip --rho 100ohm-m --length 50m --depth 0.5m \\\n"
       "           --conductor 10mm --units metric\n",
       DesignFor{"length", 1, 1000}},
      {"ring", "a buried ring, with rods round it or without",
       WithSolved({{"rho"},
                   {"ring-diameter", OptionKind::kQuantity, false},
                   {"target", OptionKind::kQuantity, false, {},
                    "wanted resistance, ohms: the ring diameter that reaches it is found"},
                   {"depth", OptionKind::kQuantity, true, {}, "burial depth, feet or metres",
                    "Burial depth"},
                   {"conductor", OptionKind::kQuantity, true},
                   {"rods", OptionKind::kQuantity, false, {}, "rods evenly round the ring",
                    "Rods round it"},
                   {"rod-length", OptionKind::kQuantity, false, {}, "length of each rod, feet or metres",
                    "Rod length"},
                   {"rod-diameter"}}),
       &ComputeRing,
       "A circle of conductor D across, H deep (a polygon whose sides are doubled\n"
       "until the answer moves by under 0.05 %), optionally with --rods N evenly\n"
       "round it, from the ring down (--rod-length, --rod-diameter). Beside a ring\n"
       "alone Dwight's formula (IEEE 142: rho/(2 pi^2 D) (ln(8D/d) + ln(4D/s))).\n" +
           kMapHelp,
       "ostrevin-calc ring --rho 100ohm-m --ring-diameter 20m --depth 0.6m \\\n"
       "           --conductor 10mm --rods 8 --rod-length 3m --rod-diameter 16mm \\\n"
       "           --units metric\n",
       DesignFor{"ring-diameter", 1, 500}},
      {"grid", "a buried grid, rectangular or L-shaped, with rods or without",
       WithSolved({{"rho"},
                   {"size", OptionKind::kQuantity, true, {}, "the grid's size, feet or metres each way",
                    "Grid size"},
                   {"meshes", OptionKind::kQuantity, false},
                   {"target", OptionKind::kQuantity, false, {},
                    "wanted resistance, ohms: the fewest meshes, n x n, that reach it are found"},
                   {"depth", OptionKind::kQuantity, true, {}, "burial depth, feet or metres",
                    "Burial depth"},
                   {"conductor", OptionKind::kQuantity, true},
                   {"shape"},
                   {"cutout"},
                   {"rods-at"},
                   {"rods", OptionKind::kQuantity, false, {},
                    "rods round the perimeter (with --rods-at perimeter)", "Rods round it"},
                   {"rod-length", OptionKind::kQuantity, false, {}, "length of each rod, feet or metres",
                    "Rod length"},
                   {"rod-diameter"}},
                  true),
       &ComputeGrid,
       "A grid --size XxY with --meshes MxN, H deep: --meshes 10x10 is a grid of\n"
       "11 x 11 conductors, each line one conductor crossing the others. --shape l\n"
       "makes it an L, the rectangle less --cutout XxY at its +x,+y corner (whole\n"
       "meshes). Rods from the grid down: --rods-at corners (one a corner), nodes\n"
       "(one at every node) or perimeter with --rods N (one at every k-th perimeter\n"
       "node from a corner, k = perimeter nodes / N, which must be whole). Beside it\n"
       "IEEE 80's Sverak (eq. 52) and, for a rectangle, Schwarz (eqs. 53 to 56) in\n"
       "uniform soil.\n" + kMapHelp,
       "ostrevin-calc grid --layers 300ohm-m,2m,100ohm-m --size 70mx70m \\\n"
       "           --meshes 10x10 --depth 0.5m --conductor 10mm --rods-at perimeter \\\n"
       "           --rods 20 --rod-length 7.5m --rod-diameter 20mm --units metric\n",
       DesignFor{"meshes", 2, 20, true}},
      {"plate", "a buried plate, by BS 7430 and IEEE 142",
       {{"rho", OptionKind::kQuantity, true},
        {"layers"},
        {"season-factor"},
        {"size", OptionKind::kQuantity, true, {},
         "the plate's sides, feet or metres: across and, upright, down", "Plate size"},
        {"orientation"},
        {"depth", OptionKind::kQuantity, true, {},
         "depth of the plate (upright, of its top edge), feet or metres", "Plate depth"},
        kUnitsOption},
       &ComputePlate,
       "A plate of --size XxY (one face's area A), as a round plate of the same area,\n"
       "radius a, by IEEE 142's (Dwight's) formulas, s twice its centre's depth:\n"
       "upright (--orientation vertical, the default; --depth its top edge's, Y its\n"
       "height) rho/(8a) + rho/(4 pi s) (1 + 7a^2/24s^2 + 99a^4/320s^4), for s > 2a;\n"
       "lying flat (--orientation flat, --depth its own) rho/(8a) + rho/(4 pi s)\n"
       "(1 - 7a^2/12s^2 + 33a^4/40s^4), for s > a. Beside it BS 7430's (rho/8)\n"
       "sqrt(pi/A), for a plate deep enough that the surface does not matter (below\n"
       "the answer by the surface's share). Uniform soil only.\n",
       "ostrevin-calc plate --rho 100ohm-m --size 1mx1m --depth 1m --units metric\n"},
      {"encased", "a rod encased in concrete (Fagan and Lee)",
       {{"rho", OptionKind::kQuantity, true},
        {"layers"},
        {"season-factor"},
        {"length", OptionKind::kQuantity, true, {}, "length of the casing, feet or metres",
         "Casing length"},
        {"diameter", OptionKind::kQuantity, true},
        {"concrete-diameter", OptionKind::kQuantity, true},
        {"rho-concrete", OptionKind::kQuantity, true},
        kUnitsOption},
       &ComputeEncased,
       "A rod of --diameter d in concrete of --concrete-diameter D and resistivity\n"
       "--rho-concrete, L long, in soil of --rho: (rho_c ln(D/d) + rho (ln(8L/D) - 1))\n"
       "/ (2 pi L) (Fagan and Lee, 1970; IEEE 80 eq. 57; IEEE 142), for a long,\n"
       "slender casing. Moist concrete is typically 30 to 90 ohm-m.\n",
       "ostrevin-calc encased --rho 100ohm-m --length 3m --diameter 16mm \\\n"
       "           --concrete-diameter 0.3m --rho-concrete 50ohm-m --units metric\n"},
  };
}

// ---- a table of conductors ----

Result<ConductorTable> ReadConductorTable(std::span<const ConductorRow> rows, const ReadContext& context,
                                          std::string_view row) {
  if (rows.empty()) return Refused("the table names no conductor");
  if (rows.size() > kMaxConductorRows) {
    return Refused("more than " + std::to_string(kMaxConductorRows) +
                   " conductors: a table may have at most " + std::to_string(kMaxConductorRows));
  }
  ConductorTable table;
  // Each cell as the quantity it is, named by its column.
  for (const ConductorRow& r : rows) {
    const std::string where = std::string(row) + " " + std::to_string(r.line) + ": ";
    if (!r.why.empty()) return Refused(where + r.why);
    std::array<double, 7> v{};
    for (std::size_t k = 0; k < kConductorColumns.size(); ++k) {
      const std::string_view column = kConductorColumns[k];
      if (!r.cells[k]) return Refused(where + std::string(column) + " is empty");
      const bool diameter = k == 6;
      if (diameter) {
        // Read as --conductor is, its question asked of a bare number of the other system.
        ReadContext named = context;
        named.prefix = "";
        const Result<QuantityValue> read = ReadQuantity(*FindQuantity("conductor"), *r.cells[k], named);
        const std::size_t name = std::string_view("conductor").size();
        if (!read) return Refused(where + "diameter" + read.why().substr(name));
        if (!read->hint.empty()) table.notes.push_back(where + "diameter" + read->hint.substr(name));
        v[k] = DiameterToMetres(read->value, context.units);
      } else {
        const std::optional<double> metres = ReadMetres(*r.cells[k], context);
        if (!metres) {
          return Refused(where + std::string(column) + " needs a length (" +
                         std::string(LengthUnit(context.units)) + ", or with its unit), not " +
                         Quoted(*r.cells[k]));
        }
        v[k] = *metres;
      }
    }
    const Conductor c{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, v[6]};
    const double length = Segment3{c.a, c.b}.Length();
    if (length < kThinWireDiameters * c.diameterM && length >= 2 * c.diameterM) {
      table.warnings.push_back(where + "the conductor is shorter than " + FormatNumber(kThinWireDiameters) +
                               " times its diameter: the solver takes it as a thin wire, roughly");
    }
    table.conductors.push_back(c);
    table.lines.push_back(r.line);
  }
  return table;
}

Result<Outcome> CalculateElectrodes(std::span<const ConductorRow> rows, const InputLookup& lookup,
                                    const ReadContext& context, const Progress& progress,
                                    std::string_view row, const WorkBounds& bounds) {
  Inputs in(lookup, context, progress, bounds);
  Job job;
  job.command = "electrodes";
  ReadSolvedCommon(in, job);
  if (in.refusal()) return Refused(*in.refusal());
  Result<ConductorTable> table = ReadConductorTable(rows, context.ForRows(), row);
  OSTREVIN_PASS_ON(table);
  const std::vector<long> lines = table->lines;
  job.names = [lines, noun = std::string(row)](std::size_t k) { return noun + " " + std::to_string(lines[k]); };
  job.conductors = std::move(table->conductors);
  job.warnings = std::move(table->warnings);
  job.outlineFromMeshes = !job.outlineGiven;  // once the solver has taken the conductors
  AddCommonInputs(job, in);
  job.inputs.emplace_back("conductors", static_cast<double>(job.conductors.size()));
  job.title = "Electrode of " + Plural(static_cast<int>(job.conductors.size()), "conductor");
  Result<Outcome> solved = Solve(std::move(job), context.units, progress, bounds);
  if (solved) {
    solved->notes = in.hints();
    solved->notes.insert(solved->notes.end(), table->notes.begin(), table->notes.end());
  }
  return solved;
}

}  // namespace ostrevin::calc
