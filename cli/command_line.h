// The command line of ostrevin-calc: one table of commands (commands.cpp)
// names each command's options, help and what runs it; the calculations'
// commands take their options from the table of calculations itself, so the
// parser, every help text, the batch's modes and the dispatch come from one
// place.
//
// Data flow: argv bytes -> ParseCommandLine (strict: a foreign, repeated or
// valueless option is an error naming it, with the option meant where one
// is near) -> ParsedCommand -> the command's runner. Arguments stay bytes
// from start to end: a file name reaches the file system exactly as given.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calc/calculations.h"

namespace ostrevin::calc {

class Program;
struct ParsedCommand;

struct Command {
  std::string_view name;
  std::string_view summary;
  std::span<const Option> options;  // the calculation's, or the command's own
  bool json = false;                // takes --json, as every calculation does
  std::string_view positional;      // "[FILE|-]" when the command takes one, else empty
  std::string details;              // paragraphs after the synopsis
  std::string_view example;
  const Calculation* calculation = nullptr;  // the calculation it runs, if it is one
  int (Program::*run)(const Command& command, const ParsedCommand& parsed) = nullptr;
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

struct ParsedCommand {
  std::map<std::string, std::string, std::less<>> values;  // flags map to ""
  std::vector<std::string> positional;
  bool help = false;

  bool Has(std::string_view option) const { return values.contains(option); }
  std::optional<std::string_view> Value(std::string_view option) const;
};

// The arguments after the command name, checked against the command's
// options: "--name value" or "--name=value"; "-h" or "--help" anywhere asks
// for help and wins over every other error. Returns the error otherwise,
// naming the option ("--svg is not an option of resistance", "--rho is
// given twice", "--rho needs a value", "--rho is missing (see ...)").
Result<ParsedCommand> ParseCommandLine(const Command& command,
                                       std::span<const std::string> arguments);

// `text` broken at blanks into lines of at most 79 columns, the first
// starting at column `first`, the later ones indented by `indent`.
std::string Wrapped(const std::string& text, std::size_t indent, std::size_t first);

// The help of one command, and of the program.
std::string HelpText(const Command& command);
std::string UsageText();

// "unknown command "lenght": did you mean length?" and the like.
std::string UnknownCommand(std::string_view name);

}  // namespace ostrevin::calc
