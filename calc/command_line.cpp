#include "calc/command_line.h"

#include <algorithm>

#include "calc/calculation.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

const OptionSpec kUnitsOption{"units", OptionKind::kUnits};
const OptionSpec kJsonOption{"json",
                             OptionKind::kFlag,
                             false,
                             {},
                             "one JSON object: the inputs, the result, the full-precision value"};

struct Tables {
  std::vector<CommandSpec> commands;
};

const Tables& BuildTables() {
  static const Tables tables = [] {
    Tables built;
    for (const Mode& mode : Modes()) {
      CommandSpec command{mode.name, mode.summary, {}, {}, mode.details, mode.example};
      for (const ModeInput& input : mode.inputs) {
        command.options.push_back(
            {input.name, OptionKind::kQuantity, input.required, {}, input.help});
      }
      command.options.push_back(kUnitsOption);
      command.options.push_back(kJsonOption);
      built.commands.push_back(std::move(command));
    }
    built.commands.push_back(
        {"batch",
         "many calculations from a CSV file",
         {{"separator", OptionKind::kText, false, "S",
           "the field separator, , or ; (taken from the header line when not given)"}},
         "[FILE|-]",
         "Reads CSV from FILE (standard input when none or -) and writes CSV to standard\n"
         "output, one calculation a record. The header names the columns, in any case:\n"
         "mode (resistance, length or rho), optionally units (english or metric), and the\n"
         "inputs of the modes used: rho, diameter, length, target, spacing, reading.\n"
         "Other columns are passed through. Each record comes back as it was, with\n"
         "result, unit, value (full precision; metres for a length) and error added.\n"
         "A bad record gets its error and a line on standard error, the rest still goes\n"
         "through (exit status 2). Spreadsheet files are read as they are written: a\n"
         "UTF-8 byte-order mark, LF, CRLF or CR line ends, quoted fields; with ; as the\n"
         "separator a decimal comma is read, and written, as the decimal point.\n",
         "ostrevin-calc batch rods.csv > results.csv\n"
         "  with rods.csv:  mode,units,rho,diameter,length,target,spacing,reading\n"
         "                  length,english,2000,0.625,,10,,\n"});
    built.commands.push_back(
        {"curve",
         "resistance against rod length, as SVG, PNG or CSV",
         {{"rho", OptionKind::kQuantity, true},
          {"diameter", OptionKind::kQuantity, true},
          {"target", OptionKind::kQuantity},
          kUnitsOption,
          {"svg", OptionKind::kText, false, "FILE", "write the curve as an SVG drawing"},
          {"png", OptionKind::kText, false, "FILE", "write the curve as a 900 x 560 PNG picture"},
          {"csv", OptionKind::kFlag, false, {}, "write the points as CSV to standard output"},
          {"log-ohms", OptionKind::kFlag, false, {}, "a logarithmic resistance axis"}},
         {},
         "Resistance against rod length for one rod, on a logarithmic length scale from\n"
         "the scan's first step to at least 10 m (30 ft) and three times the length\n"
         "found, with the peak of the formula marked and, given a target, the target\n"
         "line and the length found for it. Give exactly one of --svg, --png and --csv;\n"
         "a file is replaced whole, or left as it was when writing fails.\n",
         "ostrevin-calc curve --rho 2000 --diameter 0.625 --target 10 --svg rod.svg\n"});
    return built;
  }();
  return tables;
}

std::string OptionHelp(const OptionSpec& option, std::string& metavar) {
  switch (option.kind) {
    case OptionKind::kQuantity: {
      const Quantity& quantity = *FindQuantity(option.name);
      metavar = quantity.metavar;
      std::string meaning(option.help.empty() ? quantity.meaning : option.help);
      if (quantity.dimension == Dimension::kText) return meaning;
      return meaning + " (" + FormatNumber(quantity.range.min) + " to " +
             FormatNumber(quantity.range.max) + ")" +
             (quantity.withUnit.empty() ? "" : "; or " + std::string(quantity.withUnit));
    }
    case OptionKind::kUnits:
      metavar = "U";
      return "english (inches, feet; the default) or metric (metres)";
    case OptionKind::kFlag:
      metavar.clear();
      return std::string(option.help);
    case OptionKind::kText:
      metavar = option.metavar;
      return std::string(option.help);
  }
  return {};
}

}  // namespace

std::span<const CommandSpec> Commands() { return BuildTables().commands; }

const CommandSpec* FindCommand(std::string_view name) {
  const auto& commands = BuildTables().commands;
  const auto it = std::ranges::find(commands, name, &CommandSpec::name);
  return it == commands.end() ? nullptr : &*it;
}

std::optional<std::string_view> ParsedCommand::Value(std::string_view option) const {
  const auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::variant<ParsedCommand, std::string> ParseCommandLine(const CommandSpec& command,
                                                          std::span<const std::string> arguments) {
  ParsedCommand parsed;
  parsed.command = &command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      parsed.help = true;
      continue;
    }
    if (!argument.starts_with("--")) {
      if (argument.size() > 1 && argument.front() == '-') {
        return Quoted(argument) + " is not an option of " + std::string(command.name);
      }
      if (command.positional.empty() || !parsed.positional.empty()) {
        return "unexpected argument " + Quoted(argument);
      }
      parsed.positional.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? equals : equals - 2);
    const auto option = std::ranges::find(command.options, name, &OptionSpec::name);
    if (option == command.options.end()) {
      return Quoted("--" + name) + " is not an option of " + std::string(command.name) +
             " (see ostrevin-calc " + std::string(command.name) + " --help)";
    }
    if (parsed.values.contains(name)) return "--" + name + " is given twice";
    std::string value;
    if (option->kind == OptionKind::kFlag) {
      if (equals != std::string::npos) return "--" + name + " takes no value";
    } else if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) {
      value = arguments[++i];
    } else {
      return "--" + name + " needs a value";
    }
    parsed.values.emplace(name, std::move(value));
  }
  if (parsed.help) return parsed;
  for (const OptionSpec& option : command.options) {
    if (option.required && !parsed.values.contains(option.name)) {
      return "--" + std::string(option.name) + " is missing";
    }
  }
  return parsed;
}

std::string HelpText(const CommandSpec& command) {
  std::string synopsis = "Usage: ostrevin-calc " + std::string(command.name);
  std::string lines;
  for (const OptionSpec& option : command.options) {
    std::string metavar;
    const std::string help = OptionHelp(option, metavar);
    std::string usage = "--" + std::string(option.name) + (metavar.empty() ? "" : " " + metavar);
    synopsis += option.required ? " " + usage : " [" + usage + "]";
    usage.resize(std::max<std::size_t>(usage.size() + 1, 15), ' ');
    lines += "  ";
    lines += usage;
    lines += help;
    lines += "\n";
  }
  if (!command.positional.empty()) synopsis += " " + std::string(command.positional);
  std::string text = synopsis + "\n\n" + std::string(command.details);
  return text + lines + "  -h, --help     this help\nExample: " + std::string(command.example);
}

std::string UsageText() {
  std::string text =
      "Usage: ostrevin-calc COMMAND [OPTIONS]\n\n"
      "The resistance to earth of a single driven ground rod, the rod length for a\n"
      "wanted resistance, and soil resistivity from a four-probe reading: the same\n"
      "formulas, rounding and answers as the Ostrevin window.\n\nCommands:\n";
  for (const CommandSpec& command : Commands()) {
    std::string name(command.name);
    name.resize(std::max<std::size_t>(name.size() + 1, 13), ' ');
    text += "  " + name + std::string(command.summary) + "\n";
  }
  return text +
         "\nRun 'ostrevin-calc COMMAND --help' for a command's options.\n"
         "Options: --help, --version.\n\n"
         "Exit status: 0 a result, 3 no result (\"na\"), 2 bad input, 1 an input could\n"
         "not be read or an output could not be written.\n";
}

}  // namespace ostrevin::calc
