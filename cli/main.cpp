// ostrevin-calc: the calculator from the command line. See --help.
//
// Data flow: argv bytes -> Program (the table of commands, commands.cpp) ->
// one command (a calculation, a batch or a curve) -> checked writes to
// standard output, standard error and files -> the exit status. Nothing here
// loads a toolkit: a PNG's rasteriser is loaded only when one is asked for.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/program.h"

int main(int argc, char* argv[]) {
  try {
    return ostrevin::calc::Program().Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {  // out of memory, in practice
    std::fprintf(stderr, "ostrevin-calc: %s\n", error.what());
    return ostrevin::calc::kFailed;
  }
}
