// Any earth electrode made of straight bare conductors (rods, strips, rings
// as polygons, grids, foundations), all bonded at one potential, in uniform
// or two-layer soil with an insulating surface: its resistance to remote
// earth, each segment's current and the potential anywhere, by the method
// of moments (Galerkin's, with segments of uniform leakage each; Heppe,
// "Computation of potential at surface above an energized grid or other
// electrode, allowing for non-uniform current distribution", IEEE Trans.
// PAS-98, 1979; Dawalibi and Mukhedkar, IEEE Trans. PAS-94, 1975; the
// kernel in earth_kernel.h).
//
// Data flow: conductors -> checked (each in the soil and of some length; no
// two overlapping, or closer than the larger diameter without touching) ->
// joined (cut where they cross or one ends on another) -> cut at the
// interface -> segmented by one fixed rule (finer toward the ends and
// joints, near other conductors and near the interface) -> symmetry found
// (mirrors, quarter turns, a ring's turns) -> the average potential of each
// segment of one kind from every segment (a cache for pairs alike by a
// horizontal shift) -> solved with all at one potential -> the resistance,
// the currents. Up to kDenseUnknowns unknowns the matrix is held whole and
// factored (Cholesky); beyond, compressed and solved by conjugate gradients
// (compressed_solve.h), within 1e-5 of the dense answer (`solver` chooses
// either).
//
// Validity: thin conductors (radius small beside length and depth);
// horizontal ones buried at least their radius. Conductors at or near the
// interface are taken as the geometry they are: a piece crossing it is cut
// there (a part of under a thousandth of the radius is none, and neither is
// a part between the surface and an interface within two radii of it); a
// conductor's own end at or near it is cut toward the interface down to a
// fiftieth of its radius (the current gathers there into a singularity
// whose scale is the gap), so that a rod's foot at the interface is within
// 0.2 % of its limit; the image of a conductor lying along the interface
// is averaged round its surface. The answer then falls steadily as an
// electrode is moved down into better soil, and steeply as the interface
// passes a conductor's end (the end's face, which a thin wire leaves out,
// touches the other layer there): a note says so. Layers alike are solved
// as one soil. Accuracy: the segmentation keeps the resistance within 0.5 %
// of the converged value for what is accepted (convergence tables in the
// tests); `refinement` 2 doubles every segment count, as the command line's
// --check-convergence does. The work is bounded by the memory it needs,
// estimated before any mutual resistance is worked out (and said in the
// refusal): `maxBytes`, 2 GB natively (the page's is 512 MB).
//
// Units: metres (x, y, and z the depth below the surface), resistivity in
// ohm-cm, ohms, amperes and volts.
//
// Worked example: one rod 3 m long, 16 mm thick, in 100 ohm-m soil: the rod
// formula gives 33.49 ohms (uniform current); the equipotential rod here
// about 33.2 ohms, 1 % below it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/earth_kernel.h"
#include "core/result.h"

namespace ostrevin {

struct Conductor {
  Point3 a, b;             // ends, metres; z is the depth (0 at the surface)
  double diameterM = 0;
};

// Every end within this of the origin (metres), and no deeper.
inline constexpr double kMaxExtentM = 100'000;
// The memory a solve may take, and up to how many unknowns the solver's
// own choice is the dense matrix (which grows as their square and its
// factoring as their cube; beyond, the compressed one is quicker).
inline constexpr std::size_t kMostBytes = 2'000'000'000;
inline constexpr std::size_t kDenseUnknowns = 1000;
enum class SolverChoice { kAuto, kDense, kCompressed };
// What a segment needs at least (bytes): itself and its conductor's number;
// more segments than the bound on memory holds at this are refused as the
// conductors are cut.
inline constexpr std::size_t kLeastSegmentBytes = 100;

// Told now and then how far a long solve has come: the share done, 0 to 1.
using Progress = std::function<void(double done)>;

struct SolveOptions {
  double refinement = 1;  // every segment count times this (2: the convergence check)
  std::size_t maxBytes = kMostBytes;
  SolverChoice solver = SolverChoice::kAuto;
  bool symmetry = true;   // use the electrode's symmetry to solve fewer unknowns
  Progress progress;
};

struct Solution {
  double ohms = 0;
  std::vector<Element> elements;  // the segments
  std::vector<double> amperes;    // each segment's current, for one ampere into the electrode
  std::vector<int> conductorOf;   // the conductor (index given) each segment is of
  std::size_t unknowns = 0;       // solved for, after symmetry
  bool compressed = false;        // by the compressed solver (else the dense)
  std::size_t bytes = 0;          // its matrix's
  int steps = 0;                  // of its iteration (the compressed solver's)
  int symmetry = 1;               // how many copies of a part make the electrode
  // The symmetry found, currents and all: `turns` turns by 2 pi / turns
  // about (centreX, centreY), and where there is a mirror, twice the angle
  // of its line from the x axis (its images at twice-angles mirror + 2 pi k / turns).
  double centreX = 0, centreY = 0;
  int turns = 1;
  std::optional<double> mirror;
  EarthSoil soil;
  double spanM = 0, depthM = 0;   // the electrode's extent
  // What the answer rests on beyond the method (a conductor's end near the
  // interface).
  std::vector<std::string> notes;
};

// Memory in words: "0.3 MB", "412 MB", "3.2 GB".
std::string MemoryText(std::size_t bytes);

// The code of the refusal of an electrode past the bound on its work; its
// items are the unknowns and the segments it needs, the bytes it would
// take and the bound.
inline constexpr std::string_view kTooLarge = "electrode-too-large";

// Refused: a conductor above the surface or of no length or thickness, a
// horizontal one buried less than its radius, two overlapping along their
// length or closer than the larger diameter without touching (naming them,
// counted from 1), the work beyond its bounds, a soil refused. No answer: a
// system of equations that cannot be solved (the thin-wire model failing).
Result<Solution> SolveElectrode(std::span<const Conductor> conductors, const EarthSoil& soil,
                                const SolveOptions& options = {});

// The work an electrode needs, without solving: its unknowns (after
// symmetry), segments, the solver chosen and the bytes it would take
// (beyond options.maxBytes SolveElectrode refuses it). Refused as that.
struct Work {
  std::size_t unknowns = 0, segments = 0, bytes = 0;
  bool compressed = false;
};
Result<Work> WorkFor(std::span<const Conductor> conductors, const EarthSoil& soil, const SolveOptions& options = {});

// The potential (V) at a point, depth >= 0, for one ampere into the
// electrode: within a conductor the electrode's own, and nowhere above it.
double PotentialAt(const Solution& solution, const EarthKernel& kernel, const Point3& point);
// Whether a point lies within a conductor (its radius from a segment's axis).
bool WithinConductor(const Solution& solution, const Point3& point);

// The kernel a solution's potentials are worked out with.
EarthKernel KernelFor(const Solution& solution);

}  // namespace ostrevin
