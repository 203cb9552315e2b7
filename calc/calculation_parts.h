// The parts of the table of calculations, each in its own file: the
// window's rod calculations, resistivity, rod groups and the 25-ohm check.
// Internal to the library.
#pragma once

#include <array>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/calculations.h"
#include "core/rod_groups.h"
#include "core/two_layer_soil.h"

namespace ostrevin::calc {

std::vector<Calculation> RodCalculations();          // resistance, length
std::vector<Calculation> ResistivityCalculations();  // rho
std::vector<Calculation> GroupCalculations();        // group, rods
std::vector<Calculation> CheckCalculations();        // check
std::vector<Calculation> ElectrodeCalculations();    // strip, ring, grid, plate, encased
std::vector<Calculation> SafetyCalculations();       // limits, conductor

// Options every calculation ends with.
inline const Option kUnitsOption{"units", OptionKind::kUnits};

// The soil a rod calculation stands in: one resistivity (--rho), or two
// layers (--layers RHO1,H,RHO2; in a batch the rho1, h and rho2 columns).
inline const Option kRhoOption{"rho"};
inline const std::vector<Option> kLayerOptions{
    {"layers"},
    {"rho1", OptionKind::kQuantity, false, {}, {}, {}, true},
    {"h", OptionKind::kQuantity, false, {}, {}, {}, true},
    {"rho2", OptionKind::kQuantity, false, {}, {}, {}, true},
    {"season-factor"},
    {"season-layers"},
    {"frost"}};

// The calculations the electrode solver answers, which stand in three
// layers and more (where the build holds the layered kernel).
inline constexpr std::array<std::string_view, 4> kSolverTools{"grid", "ring", "strip", "electrodes"};

struct Soil {
  double rho = 0;                      // ohm-cm, uniform soil
  std::optional<TwoLayerSoil> layers;  // or two layers (ohm-cm, metres)
  std::optional<LayeredSoil> stack;    // or three to seven (the electrode solver's only)
  std::vector<JsonMember> inputs;      // as read
  // The top resistivity as measured, before any season factor or frozen
  // layer: the soil under the feet of the tolerable voltages (a higher value
  // there would make them less safe).
  double measuredTopOhmCm = 0;

  bool Uniform() const { return !layers && !stack; }
  double TopOhmCm() const { return stack ? stack->rho[0] : layers ? layers->rho1 : rho; }
  EarthSoil Earth() const {
    EarthSoil earth{rho, layers};
    earth.stack = stack;
    return earth;
  }

  // The soil's inputs followed by `more`: the start of an outcome's inputs.
  std::vector<JsonMember> InputsWith(std::vector<JsonMember> more) const {
    std::vector<JsonMember> all = inputs;
    all.insert(all.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    return all;
  }
};
// The soil given, or nothing (and the error set): one of rho and the layers,
// then the worst season: --season-factor F multiplies every layer's
// resistivity (the top one only with --season-layers top), --frost
// DEPTH,RHO lays a frozen layer over a uniform soil (over two layers it is
// refused: three are not worked). The soil worked is said in a note, and its
// resistivities are the JSON's rho or rho1/rho2; season_factor and frost
// are kept beside them.
// With `stacks`, --layers may give three to seven layers,
// RHO1,H1,RHO2,H2,...,RHON (the electrode solver's calculations); without,
// more than two are refused with where they are taken.
std::optional<Soil> ReadSoil(Inputs& in, bool stacks = false);
// "300ohm-m,2m,100ohm-m,6m,1000ohm-m", as LayersValue writes two layers,
// and "30000 ohm-cm to 2 m, 10000 ohm-cm to 8 m, then 100000 ohm-cm".
std::string StackValue(const LayeredSoil& soil, UnitSystem units, bool ohmMetres = false);
std::string DescribeStack(const LayeredSoil& soil, UnitSystem units);

// The two layers' parts by name (the batch's columns, the page's fields),
// in the order --layers gives them: RHO1,H,RHO2.
inline constexpr std::array<std::string_view, 3> kLayerParts{"rho1", "h", "rho2"};
// --layers' text split at its commas into the three parts, or nothing when
// there are not three.
std::optional<std::array<std::string_view, 3>> SplitLayers(std::string_view text);
// Text split at every `separator` (an x also at an X): "70mx50m" -> "70m", "50m".
std::vector<std::string_view> SplitParts(std::string_view text, char separator);
// A list of values split at its commas; where a comma is also the decimal
// mark and that does not give `expected` parts (0: a count not known), at
// each comma after a unit instead: "0,8m,500ohm-m" -> "0,8m", "500ohm-m".
std::vector<std::string_view> SplitValues(std::string_view text, std::size_t expected, const NumberMarks& marks);
// A value made of parts (--layers RHO1,H,RHO2, --size XxY, --bond DEPTH,DIAMETER):
// each read as the quantity `as` and named `shown` in a message
// ("--size: Y needs a length between 0.1 and 10000 m, not ..."); the values
// in the unit system's units. Nothing (and the error set) when the count of
// parts is not theirs or a part is unreadable.
struct Part {
  std::string_view shown;  // "RHO1"
  std::string_view as;     // "rho1"
};
std::optional<std::vector<double>> ReadParts(Inputs& in, std::string_view name,
                                             std::string_view text, char separator,
                                             std::span<const Part> parts);
// Positions "x,y x,y ..." (or separated by ';'), each coordinate a length
// (with its unit, or in the unit system's), in metres; at most `most`.
// Nothing (and the error set) when a position is unreadable, there are
// none, or more than `most` (`what` names them: "rods").
std::optional<std::vector<RodPoint>> ReadPlanPoints(Inputs& in, std::string_view name,
                                                    std::string_view text, std::size_t most,
                                                    std::string_view what = "corners");
// The most corners an outline given may have.
inline constexpr std::size_t kMaxOutlineCorners = 1000;
// The three parts as --layers takes them.
std::string JoinLayers(std::string_view rho1, std::string_view h, std::string_view rho2);
// A soil's --layers value: "42085ohm-cm,2.155m,12334ohm-cm" (whole ohm-cm
// above 1000, h to the millimetre in the unit system's length), or in ohm-m
// ("420.85ohm-m,...") where resistivities are given so.
std::string LayersValue(const TwoLayerSoil& soil, UnitSystem units, bool ohmMetres = false);
// "41300 ohm-cm to 2.2 m, then 12300 ohm-cm" (the thickness in the unit system's unit).
std::string DescribeLayers(const TwoLayerSoil& soil, UnitSystem units);
// The layers as JSON members: rho1_ohm_cm, h (unit system), rho2_ohm_cm.
std::vector<JsonMember> LayerFields(const TwoLayerSoil& soil, UnitSystem units);
// Options with the soil's in place of "rho".
std::vector<Option> WithSoil(std::vector<Option> options);

// A rod whose foot stands near the interface of two layers: the answer may
// hinge on h, which a survey never gives to the centimetre. `value` works
// the answer out in a soil (ohms, or a length in metres), `show` writes it.
// The answer with the top layer kInterfaceShiftM thinner and thicker goes
// into the JSON (with_h_less_10cm, with_h_more_10cm) when either moves it by
// more than kInterfaceSensitivity, with a warning that gives both; a foot
// within two radii of the interface, where the thin-wire model does not
// hold, is warned of too.
inline constexpr double kInterfaceShiftM = 0.1;
inline constexpr double kInterfaceSensitivity = 0.05;
void WarnNearInterface(Outcome& outcome, const TwoLayerSoil& soil, double footM, double radiusM,
                       const std::function<std::optional<double>(const TwoLayerSoil&)>& value,
                       const std::function<std::string(double)>& show);

}  // namespace ostrevin::calc
