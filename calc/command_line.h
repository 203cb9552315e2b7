// The command line of ostrevin-calc: one table per command names its options;
// the same table drives the parser, the help text (ranges printed from the
// quantities' fields) and the reading of the values.
//
// Data flow: argv bytes -> ParseCommandLine (strict: a foreign, repeated or
// valueless option is an error naming it) -> ParsedCommand -> the command.
// Arguments stay bytes from start to end: a file name reaches the file system
// exactly as given.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ostrevin::calc {

enum class OptionKind {
  kQuantity,  // a number in the range of the quantity of the same name
  kUnits,     // english or metric
  kFlag,      // no value
  kText,      // a value the command reads itself (a file name, a separator)
};

struct OptionSpec {
  std::string_view name;  // without the leading "--"
  OptionKind kind;
  bool required = false;
  std::string_view metavar = {};  // for kText
  std::string_view help = {};     // for kQuantity, replaces the quantity's meaning
};

struct CommandSpec {
  std::string_view name;
  std::string_view summary;
  std::vector<OptionSpec> options;
  std::string_view positional;  // "[FILE|-]" when the command takes one, else empty
  std::string_view details;     // paragraphs after the synopsis
  std::string_view example;
};

std::span<const CommandSpec> Commands();
const CommandSpec* FindCommand(std::string_view name);

struct ParsedCommand {
  const CommandSpec* command = nullptr;
  std::map<std::string, std::string, std::less<>> values;  // flags map to ""
  std::vector<std::string> positional;
  bool help = false;

  bool Has(std::string_view option) const { return values.contains(option); }
  std::optional<std::string_view> Value(std::string_view option) const;
};

// The arguments after the command name, checked against the command's table:
// "--name value" or "--name=value"; "-h" or "--help" anywhere asks for help.
// Returns the error otherwise, naming the option ("--svg is not an option of
// resistance", "--rho is given twice", "--rho needs a value").
std::variant<ParsedCommand, std::string> ParseCommandLine(const CommandSpec& command,
                                                          std::span<const std::string> arguments);

// The help of one command, and of the program.
std::string HelpText(const CommandSpec& command);
std::string UsageText();

}  // namespace ostrevin::calc
