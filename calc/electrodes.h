// Earth electrodes made of conductors, on the electrode solver: a strip, a
// ring (with rods round it), a rectangular or L-shaped grid (with rods at
// its corners, round its perimeter or at every node) and any system given
// as a table of conductors; and the two the solver cannot model, a plate
// and a concrete-encased rod, by their closed forms.
//
// Data flow: inputs (options, batch columns, page fields; a table's rows of
// conductors) -> the layout's conductors (core/electrode_layouts.h) ->
// SolveElectrode -> Outcome (the resistance, the segments, the closed forms
// beside it, the convergence check) with the solved electrode attached ->
// with a current into it, the surface's potential on a lattice over the
// outline and 3 m round it (core/surface_map.h): the rise of the electrode,
// the surface's highest potential and its lowest within the outline -> the
// plan and the map as SVG, the currents, the layout and the map as CSV.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/calculations.h"
#include "core/earth_solver.h"
#include "core/rod_groups.h"
#include "core/plan_geometry.h"
#include "core/surface_map.h"
#include "core/surface_search.h"

namespace ostrevin::calc {

// The map's margin round the outline, and its spacing when none is given.
inline constexpr double kMapMarginM = 3;
inline constexpr double kDefaultLatticeM = 0.25;
// The spacing of the lattice the worst places are searched on, whatever the
// picture's (--lattice): coarser only where the map's bound needs it.
inline constexpr double kSearchLatticeM = 0.25;
// A person touching earthed metal stands this far from it (IEEE 80's reach),
// and a step is this long; a fence stands this far outside the outline when
// none is given.
inline constexpr double kReachM = 1;
inline constexpr double kDefaultFenceM = 1;

// The surface's potential for the current into the electrode, volts.
struct SurfaceMap {
  Lattice lattice;
  std::vector<double> volts;  // row by row
};

// Where the outline searched for the worst touch comes from: the layout's
// own (a grid's polygon, a ring's, a strip's line), the meshes a table's
// conductors close, a polygon given, or the convex hull of the conductors
// (a table that closes no mesh).
enum class OutlineSource { kGrid, kMeshes, kGiven, kHull };
// "grid", "meshes", "given", "hull": the JSON's outline_source.
std::string_view OutlineSourceName(OutlineSource source);

// A fence bonded to the electrode: how far outside the outline it stands,
// and whether its touch voltage is judged (given) or only shown.
struct Fence {
  double metres = kDefaultFenceM;
  bool judged = false;
};

// The worst places a person can stand, found for the current into the
// electrode, and the tolerable voltages they are judged by.
struct SurfaceSafety {
  double gpr = 0;
  // The lowest potential within the outline; without an outline of some
  // area, the lowest kReachM off the conductors (where a person touching
  // something bonded to them stands).
  SurfaceSpot touchSpot;
  bool withinOutline = true;
  SurfaceStep step;
  std::optional<Fence> fence;       // none: no fence asked about
  std::optional<SurfaceSpot> fenceSpot;  // a person kReachM beyond the fence
  double touchLimit = 0;
  std::string limitName = "the tolerable";  // "the permissible U_vTp" under EN 50522
  std::optional<double> stepLimit;  // none where the standard sets none
  double TouchVolts() const { return gpr - touchSpot.volts; }
  std::optional<double> FenceVolts() const {
    return fenceSpot ? std::optional(gpr - fenceSpot->volts) : std::nullopt;
  }
};

struct SolvedElectrode {
  std::string title;  // "Grid 70 x 70 m, 10 x 10 meshes, 20 rods"
  UnitSystem units = UnitSystem::Metric;
  std::vector<Conductor> conductors;
  Solution solution;
  PlanRegion outline;              // the polygons searched within; or, with no area, the lines
  OutlineSource outlineSource = OutlineSource::kGrid;
  std::optional<double> amperes;   // the current into it
  std::optional<SurfaceMap> map;   // with the current: the picture's map
  std::optional<SurfaceSafety> safety;  // with the current and the shock's duration
};

// The conductor table's columns, in order: ends (x, y and z the depth) in
// the unit system's length, the diameter in its diameter unit; each cell
// may carry its unit.
inline constexpr std::array<std::string_view, 7> kConductorColumns{"x1", "y1", "z1", "x2",
                                                                   "y2", "z2", "diameter"};
// The most conductors a table may have: as many as the solver's memory
// could hold (two segments each at least), so that a file too large is
// refused as it is read, not after.
inline constexpr std::size_t kMaxConductorRows = kMostBytes / (2 * kLeastSegmentBytes);

struct ConductorRow {
  long line = 0;  // a file's line, a table's row
  std::array<std::optional<std::string>, 7> cells;  // as kConductorColumns
  std::string why;  // why the row could not be read at all (an unclosed quote)
};

// The names of an electrode's conductors as its user knows them (counted
// from 0): a table's rows ("line 4"), a layout's parts ("rod 3", "the
// ring's side 12"); "conductor 4" where none is given.
using ConductorNames = std::function<std::string(std::size_t)>;
std::string ConductorOf(std::size_t index);
// A refusal of the solver's in the calculation's words: its conductors by
// their names, its lengths in the units (diameters in the diameter's);
// one without data as it came.
Why Worded(const Why& why, UnitSystem units, const ConductorNames& names = {});

// The conductors of a table, each cell read as its column's quantity (in
// metres), each with its row; a bare diameter of the other system asked
// about, as --conductor's is (notes), one shorter than kThinWireDiameters
// diameters warned of; refused as CalculateElectrodes refuses a row, no
// rows or too many.
inline constexpr double kThinWireDiameters = 10;
struct ConductorTable {
  std::vector<Conductor> conductors;
  std::vector<long> lines;  // each conductor's row
  std::vector<std::string> notes, warnings;
};
Result<ConductorTable> ReadConductorTable(std::span<const ConductorRow> rows, const ReadContext& context,
                                          std::string_view row = "line");

// Any electrode from its conductors; the soil, the current and the map's
// options looked up as a calculation's. Refused: a row that cannot be read
// ("line 4: z1 needs a length ..."), no rows, too many, or what the solver
// refuses (naming the rows as lines); `row` names rows ("line" for a file,
// "row" on the page).
Result<Outcome> CalculateElectrodes(std::span<const ConductorRow> rows, const InputLookup& lookup,
                                    const ReadContext& context, const Progress& progress = {},
                                    std::string_view row = "line", const WorkBounds& bounds = {});
// The options of that calculation (its soil, the current, the map, the files).
std::span<const Option> ElectrodeOptions();

// An SVG drawing and its size in pixels.
struct Drawing {
  std::string svg;
  int width = 0, height = 0;
};
// Every drawing has axes in the unit system's length (metres or feet), a
// scale bar, and its text at 13 px (the title 15) at the size it is drawn:
// `width` is the pixels it will be shown at (a page's figure, 320 to 900,
// a map's legend under the plot below 600), 0 for the desk's size.
//
// The plan: conductors as lines, rods as dots, the outline dashed, the
// conductors' extent as dimension lines.
Drawing PlanDrawing(const SolvedElectrode& electrode, int width = 0);
// The surface potential: coloured bands with a legend in volts, contours,
// and the electrode drawn over it. Empty without the map.
Drawing PotentialDrawing(const SolvedElectrode& electrode, int width = 0);
// The touch voltage (the rise less the surface's potential) over the map,
// its tolerable limit a contour, the worst places marked. Empty without
// the safety found.
Drawing TouchDrawing(const SolvedElectrode& electrode, int width = 0);
// What an electrode is made of, for its bill: the buried horizontal
// conductor's length, the rods (vertical conductors) and their length, the
// area within its outline (none when it has no area, as a strip), metres.
struct ElectrodeTotals {
  double conductorM = 0;
  std::size_t rods = 0;
  double rodsM = 0;
  std::optional<double> areaM2;
};
ElectrodeTotals TotalsOf(const SolvedElectrode& electrode);

// x,y,volts at every lattice point (the unit system's length).
std::string PotentialCsv(const SolvedElectrode& electrode);
// Each segment's ends and its current (amperes for the current given, or
// for one ampere): x1,y1,z1,x2,y2,z2,amperes.
std::string CurrentsCsv(const SolvedElectrode& electrode);
// The layout as a conductor table the electrodes command reads back.
std::string LayoutCsv(const SolvedElectrode& electrode);

}  // namespace ostrevin::calc
