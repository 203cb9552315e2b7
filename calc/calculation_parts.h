// The parts of the table of calculations, each in its own file: the
// window's rod calculations, resistivity, rod groups and the 25-ohm check.
// Internal to the library.
#pragma once

#include <vector>

#include "calc/calculations.h"

namespace ostrevin::calc {

std::vector<Calculation> RodCalculations();          // resistance, length
std::vector<Calculation> ResistivityCalculations();  // rho
std::vector<Calculation> GroupCalculations();        // group, rods
std::vector<Calculation> CheckCalculations();        // check

// Options every calculation ends with.
inline const Option kUnitsOption{"units", OptionKind::kUnits};

}  // namespace ostrevin::calc
