// Layouts in and out of CAD: a drawing exchange file (DXF, ASCII, as CAD
// programs write it from R12 on) read as a table of conductors, and any
// layout written as one (R2000).
//
// Read: LINE, LWPOLYLINE and POLYLINE (2-D and 3-D) as conductors, CIRCLE
// and ARC (and polyline bulges) as polygons whose sides stand off the arc
// by at most kSagShare of its radius (and kMostSagM); POINT as a rod of
// --rod-length going down from it, and a LINE standing upright as a rod as
// drawn; INSERTs of blocks expanded (scale, rotation, arrays), nested at
// most kMostNesting deep. Closed polylines on the layer OUTLINE are the
// outline searched for the worst touch (as --outline), not conductors. CAD's Z points up: a point's depth is the
// ground's Z (--dxf-ground, in the drawing's units, 0 when not given) less
// its own; a drawing with every entity at one Z lies at --depth (needed
// where that Z is not below the ground: a plan drawn at Z 0). The
// conductors' diameter is --conductor, the rods' --rod-diameter (DXF has
// none). Units from the header's $INSUNITS, or --dxf-units mm|cm|m|in|ft
// (required where the header says none; a given one wins, said).
// --dxf-layers NAMES (commas) picks layers. Ends within kJoinM of another
// conductor's end or line (a quarter of the thinner diameter at most: below
// the solver's refusal of conductors closer than a diameter without
// touching) are moved onto it, and counted in a note.
//
// Refused, with what and where (the file's line): a binary DXF, a drawing
// past kMostDxfBytes or kMostEntities, one that ends before its end, blocks
// that nest in a circle or too deep, no entity of a kind used (or on the
// layers picked), no units, a value that is no number.
//
// Units: the table's cells in metres ("12.5m"); the written drawing in
// metres ($INSUNITS 6), Z the depth below the surface, negated.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calc/calculations.h"
#include "calc/electrodes.h"

namespace ostrevin::calc {

inline constexpr std::size_t kMostDxfBytes = 100'000'000;
inline constexpr std::size_t kMostEntities = 500'000;
inline constexpr int kMostNesting = 16;
inline constexpr double kSagShare = 0.01;
inline constexpr double kMostSagM = 0.05;
inline constexpr double kJoinM = 0.001;

// Whether a text begins as a DXF does (a group code 0 and SECTION, or a
// comment first; or the binary DXF's sentinel).
bool LooksLikeDxf(std::string_view start);

// The drawing's conductors as a table's rows (each the line of its
// entity), and what was done to them: ends joined, entities left out.
struct DxfTable {
  std::vector<ConductorRow> rows;
  std::string outline;  // as --outline takes it ("x,y x,y ...", metres), or empty
  std::vector<std::string> notes;
};
// The options a drawing is read with, for the electrodes command.
extern const std::vector<Option> kDxfOptions;

// `lookup` gives the options named above (conductor, rod-diameter,
// rod-length, depth, dxf-units, dxf-ground, dxf-layers), read in the
// context's units.
Result<DxfTable> ReadDxf(std::string_view text, std::string_view name, const InputLookup& lookup,
                         const ReadContext& context);

// The conductors as a DXF drawing (R2000): each on the layer CONDUCTORS,
// upright ones on RODS, the outline's polygons on OUTLINE at the surface.
std::string WriteDxf(std::span<const Conductor> conductors, const PlanRegion& outline);

}  // namespace ostrevin::calc
