// Safety by IEEE Std 80 (core/ieee80.h, core/surface_search.h), for the
// calculations of electrodes: the fault current into the electrode, what a
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
#include <string>
#include <vector>

#include "calc/calculation_parts.h"
#include "calc/electrodes.h"
#include "core/ieee80.h"
#include "core/surface_search.h"

namespace ostrevin::calc {

// The options that give the current into an electrode.
extern const std::vector<Option> kFaultOptions;
// Those that give what a body can stand.
extern const std::vector<Option> kLimitOptions;
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

struct Limits {
  double cs = 1;
  Tolerable tolerable;
  bool light = false;       // the 50 kg body
  double rhoUnderFeet = 0;  // ohm-cm: the soil's (the top layer's in two layers)
  double shockSeconds = 0;
  std::vector<JsonMember> inputs;
  std::vector<std::string> warnings;
  double Touch() const { return light ? tolerable.touch50 : tolerable.touch70; }
  double Step() const { return light ? tolerable.step50 : tolerable.step70; }
};
// What a body can stand, or nothing when no shock duration is given (or the
// error is set).
std::optional<Limits> ReadLimits(Inputs& in, const Soil& soil);

// The limits as JSON members and lines: cs, touch_limit_volts, ...
void DescribeLimits(Outcome& outcome, const Limits& limits);

// The worst places on the surface, found on the map (the solver's verdict).
SurfaceSafety FindSurfaceSafety(const SolvedElectrode& electrode, double ohms, const Limits& limits);

// "safe", "touch exceeds", "step exceeds" or "both exceed", and the lines
// that say it: the rise against the touch limit first, then touch and step.
std::string Verdict(double gpr, std::optional<double> touch, double step, const Limits& limits,
                    std::string_view by, std::vector<std::string>& lines);

// The least conductor for the fault (3I0 times the decrement factor) over
// the fault's duration, as JSON members and a line; a warning where the
// electrode's own conductor is smaller.
void DescribeConductor(Outcome& outcome, Inputs& in, const Fault& fault, double conductorM);

}  // namespace ostrevin::calc
