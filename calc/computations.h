// The computations behind the mode table (calculation.cpp): the window's own
// three, and those beyond one rod (rod_commands.cpp). Internal to the
// command line.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "calc/calculation.h"

namespace ostrevin::calc {

std::variant<Outcome, std::string> ComputeResistance(Inputs& in);
std::variant<Outcome, std::string> ComputeLength(Inputs& in);
std::variant<Outcome, std::string> ComputeRho(Inputs& in);

// The modes beyond one rod: group, rods and check.
std::vector<Mode> RodModes();

// A new outcome of `command` with its inputs as read; the result is "na" until set.
Outcome StartOutcome(std::string command, int units,
                     std::vector<std::pair<std::string, double>> inputs);

// Ohms as the program shows them: three decimals.
std::string ShowOhms(double ohms);

}  // namespace ostrevin::calc
