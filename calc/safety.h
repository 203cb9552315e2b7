// Safety by IEEE Std 80 (core/ieee80.h, core/surface_search.h) or by EN
// 50522 (core/en50522.h), as --standard picks, for the calculations of
// electrodes: the fault current into the electrode, what a
// body can stand, and the verdict from the equations and from the solver's
// surface potentials. Internal to the library.
//
// Data flow: options -> Fault (IG from the grid current, or from 3I0, the
// split and the decrement factor) and Limits (Cs and the tolerable voltages
// for the soil under the feet) -> with the solver's map: the mesh, step and
// fence touch voltages and where they are -> the verdicts, as JSON members
// and lines of text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "core/ieee80.h"
#include "core/surface_search.h"

namespace ostrevin::calc {

// The options that give the current into an electrode.
extern const std::vector<Option> kFaultOptions;
// Those that give what a body can stand, and the fence judged by it.
extern const std::vector<Option> kLimitOptions;
// EN 50522's assessment: a global earthing system, Annex E's measures.
extern const std::vector<Option> kAssessmentOptions;

enum class SafetyStandard { kIeee80, kEn50522 };
std::string_view StandardName(SafetyStandard standard);  // "ieee80", "en50522"
// --standard, IEEE 80 when not given (or unreadable: the error is set).
SafetyStandard ReadStandard(Inputs& in);
// Those of the conductor's material and temperatures.
extern const std::vector<Option> kConductorOptions;

struct Fault {
  double amperes = 0;                 // IG, into the electrode
  std::optional<double> faultAmperes;  // 3I0, when given
  double split = 1, df = 1;
  std::optional<double> faultSeconds;  // tf
  std::vector<JsonMember> inputs;
  std::vector<std::string> notes;     // a split or a decrement factor taken as 1
};
// The current, or nothing when none is given (or the error is set):
// --grid-current, or --fault-current with --split and the decrement factor.
std::optional<Fault> ReadFault(Inputs& in);

// EN 50522's limit and what its assessment weighs.
struct En50522Limits {
  double faultSeconds = 0;  // t_F
  double utp = 0;           // U_Tp
  double uvtp = 0;          // U_vTp, with the resistances below
  double bodyAmps = 0;      // I_B behind U_Tp
  double footwearOhms = 0;  // R_a1
  double feetOhms = 0;      // R_a2, a surface layer's under the feet
  bool globalEarthing = false;
  std::vector<std::string> measures;  // Annex E's codes stated in place
};

struct Limits {
  SafetyStandard standard = SafetyStandard::kIeee80;
  double cs = 1;
  Tolerable tolerable;
  bool light = false;       // the 50 kg body
  double rhoUnderFeet = 0;  // ohm-cm: the soil's (the top layer's in two layers)
  double shockSeconds = 0;
  En50522Limits en;         // under EN 50522
  std::vector<JsonMember> inputs;
  std::vector<std::string> warnings;
  bool En50522() const { return standard == SafetyStandard::kEn50522; }
  // The value a touch voltage is judged against, by the standard chosen.
  double Touch() const {
    if (En50522()) return en.uvtp;
    return light ? tolerable.touch50 : tolerable.touch70;
  }
  // None under EN 50522, which sets no permissible step voltage.
  std::optional<double> Step() const {
    if (En50522()) return std::nullopt;
    return light ? tolerable.step50 : tolerable.step70;
  }
};
// What a body can stand, or nothing when no shock duration is given (under
// EN 50522: no fault duration) (or the error is set).
std::optional<Limits> ReadLimits(Inputs& in, const Soil& soil);

// The limits as JSON members and lines: standard, touch_limit_volts, ...
// and the standard's own object (ieee80 or en50522).
void DescribeLimits(Outcome& outcome, const Limits& limits);

// --fence DISTANCE|none: a fence judged DISTANCE outside the outline; none:
// no fence; not given: one kDefaultFenceM outside, shown but not judged.
// Nothing for none (or when the error is set).
std::optional<Fence> ReadFence(Inputs& in);

// What the surface of an electrode with a current into it is worked out
// for: the current and the resistance (their rise), the picture's lattice,
// and, to judge it, the limits, the fence and IEEE 80's equations where
// they apply (a grid's mesh and step voltages and the rise they take).
struct SurfaceRequest {
  double amperes = 0;
  double ohms = 0;
  double pictureStepM = kDefaultLatticeM;
  const Limits* limits = nullptr;
  std::optional<Fence> fence;
  const GridEquations* equations = nullptr;
  std::optional<double> equationsGpr;
};

// The surface over the electrode: its maps (the picture's at its lattice;
// the worst places searched on kSearchLatticeM whatever that is), the rise,
// the highest and the least within the outline; with the limits the worst
// touch, step and fence and the verdicts, as JSON members and lines. The
// picture's map goes into `electrode`, and the safety found. Refused where a
// map would pass the bound on its points.
Checked DescribeSurface(Outcome& outcome, SolvedElectrode& electrode, const SurfaceRequest& request,
                        const WorkBounds& bounds, const Progress& progress);

// "safe", or the criteria that fail ("touch exceeds", "touch and fence
// exceed", "touch, step and fence exceed"), and the line that says it: when
// the whole rise is below the tolerable touch voltage, safe by that alone.
struct Criterion {
  std::string_view name;  // "touch", "step", "fence"
  double volts = 0;
  std::optional<double> limit;  // none: shown, not judged
};
std::string Verdict(double gpr, std::span<const Criterion> criteria, double touchLimit,
                    std::string_view by, std::vector<std::string>& lines,
                    std::string_view limitWord = "tolerable");

// The conductor's material and the temperatures it starts at and may reach
// (40 C, its fusing point, unless given); refused above the fusing point.
struct ConductorHeat {
  const Material* material = nullptr;
  double ambientC = 40, highestC = 0;
};
std::optional<ConductorHeat> ReadConductorHeat(Inputs& in);

// The least conductor for the fault (3I0 times the decrement factor) over
// the fault's duration, as JSON members and a line; a warning where the
// electrode's own conductor is smaller.
void DescribeConductor(Outcome& outcome, Inputs& in, const Fault& fault, double conductorM);

}  // namespace ostrevin::calc
