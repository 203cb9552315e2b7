#include "cli/command_line.h"

#include <algorithm>
#include <iterator>

#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

const Option kJsonOption{"json",
                         OptionKind::kFlag,
                         false,
                         {},
                         "one JSON object: the inputs, the result, the full-precision value"};

// Every option a command takes: its own but the batch's columns, and
// --json for a calculation.
std::vector<const Option*> OptionsOf(const Command& command) {
  std::vector<const Option*> options;
  for (const Option& option : command.options) {
    if (!option.columnOnly) options.push_back(&option);
  }
  if (command.json) options.push_back(&kJsonOption);
  return options;
}

const Option* FindOption(const Command& command, std::string_view name) {
  const std::vector<const Option*> options = OptionsOf(command);
  const auto it = std::ranges::find(options, name, &Option::name);
  return it == options.end() ? nullptr : *it;
}

std::string SeeHelp(const Command& command) {
  return "(see ostrevin-calc " + std::string(command.name) + " --help)";
}

std::string UnknownOption(const Command& command, std::string_view written, std::string_view name) {
  std::vector<std::string_view> names;
  std::ranges::transform(OptionsOf(command), std::back_inserter(names), &Option::name);
  const std::optional<std::string_view> meant = Nearest(name, names);
  return Quoted(written) + " is not an option of " + std::string(command.name) +
         (meant ? ": did you mean --" + std::string(*meant) + "?" : "") + " " + SeeHelp(command);
}

std::string OptionHelp(const Option& option, std::string& metavar) {
  switch (option.kind) {
    case OptionKind::kQuantity: {
      const Quantity& quantity = *FindQuantity(option.name);
      metavar = quantity.metavar;
      std::string meaning(option.help.empty() ? quantity.meaning : option.help);
      if (quantity.dimension == Dimension::kText || quantity.dimension == Dimension::kChoice) {
        return meaning;
      }
      return meaning + " (" + FormatNumber(quantity.range.min) + " to " +
             FormatNumber(quantity.range.max) + ")" +
             (quantity.example.empty() ? "" : "; or " + std::string(quantity.example));
    }
    case OptionKind::kUnits:
      metavar = "U";
      return "english (inches, feet; the default), metric (metres) or si (metric, with a bare "
             "resistivity in ohm-m and a bare diameter in mm)";
    case OptionKind::kFlag:
      metavar.clear();
      return std::string(option.help);
    case OptionKind::kText:
    case OptionKind::kOutput:
      metavar = option.metavar;
      return std::string(option.help);
  }
  return {};
}

}  // namespace

const Command* FindCommand(std::string_view name) {
  const auto commands = Commands();
  const auto it = std::ranges::find(commands, name, &Command::name);
  return it == commands.end() ? nullptr : &*it;
}

std::string UnknownCommand(std::string_view name) {
  std::vector<std::string_view> names;
  std::ranges::transform(Commands(), std::back_inserter(names), &Command::name);
  const std::optional<std::string_view> meant = Nearest(name, names);
  return "unknown command " + Quoted(name) +
         (meant ? ": did you mean " + std::string(*meant) + "?" : "") +
         " (ostrevin-calc help lists the commands)";
}

std::optional<std::string_view> ParsedCommand::Value(std::string_view option) const {
  const auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

Result<ParsedCommand> ParseCommandLine(const Command& command,
                                       std::span<const std::string> arguments) {
  ParsedCommand parsed;
  if (std::ranges::any_of(arguments,
                          [](const std::string& a) { return a == "-h" || a == "--help"; })) {
    parsed.help = true;
    return parsed;
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!argument.starts_with("--")) {
      if (argument.size() > 1 && argument.front() == '-') {
        return Refused(UnknownOption(command, argument, argument.substr(1)));
      }
      // As many as the synopsis names ("run JOB" takes two).
      const auto takes = static_cast<std::size_t>(
          command.positional.empty() ? 0 : std::count(command.positional.begin(), command.positional.end(), ' ') + 1);
      if (parsed.positional.size() >= takes) {
        return Refused("unexpected argument " + Quoted(argument) + " " + SeeHelp(command));
      }
      parsed.positional.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? equals : equals - 2);
    const Option* option = FindOption(command, name);
    if (option == nullptr) return Refused(UnknownOption(command, "--" + name, name));
    if (parsed.values.contains(name)) return Refused("--" + name + " is given twice");
    std::string value;
    if (option->kind == OptionKind::kFlag) {
      if (equals != std::string::npos) return Refused("--" + name + " takes no value");
    } else if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) {
      value = arguments[++i];
    } else {
      return Refused("--" + name + " needs a value");
    }
    parsed.values.emplace(name, std::move(value));
  }
  // A job file gives what is required, a survey the soil (the calculation
  // names what it still lacks).
  for (const Option* option : OptionsOf(command)) {
    const bool given = parsed.values.contains("job") ||
                       (option->name == "rho" && parsed.values.contains("survey"));
    if (option->required && !parsed.values.contains(option->name) && !given) {
      return Refused("--" + std::string(option->name) + " is missing " + SeeHelp(command));
    }
  }
  return parsed;
}

std::string Wrapped(const std::string& text, std::size_t indent, std::size_t first) {
  std::string out;
  std::size_t column = first;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view word = std::string_view(text).substr(at, end - at);
    const std::size_t space = at > 0 ? 1 : 0;
    if (column + space + word.size() > 79 && column > indent) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (at > 0) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    at = end + 1;
  }
  return out;
}

// Joins words that wrapping must not part; a blank once wrapped.
const std::string kKeep = "\x1f";

std::string HelpText(const Command& command) {
  std::string synopsis = "Usage: ostrevin-calc " + std::string(command.name);
  std::string lines;
  for (const Option* option : OptionsOf(command)) {
    std::string metavar;
    const std::string help = OptionHelp(*option, metavar);
    std::string usage = "--" + std::string(option->name) + (metavar.empty() ? "" : " " + metavar);
    // An option and its value stay on one line of the synopsis.
    const std::string kept = "--" + std::string(option->name) + (metavar.empty() ? "" : kKeep + metavar);
    synopsis += option->required ? " " + kept : " [" + kept + "]";
    usage.resize(std::max<std::size_t>(usage.size() + 1, 15), ' ');
    lines += "  ";
    lines += usage;
    lines += Wrapped(help, 17, 2 + usage.size());
    lines += "\n";
  }
  if (!command.positional.empty()) synopsis += " " + std::string(command.positional);
  std::string wrapped = Wrapped(synopsis, 6, 0);
  std::replace(wrapped.begin(), wrapped.end(), kKeep.front(), ' ');
  std::string text = wrapped + "\n\n" + command.details;
  if (!lines.empty()) text += "\nOptions:\n" + lines;
  // The example on lines of its own, as it is typed; what it prints indented under it.
  std::string example;
  for (std::string_view rest = command.example; !rest.empty();) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const std::size_t indent = line.find_first_not_of(' ');
    line.remove_prefix(std::min(indent, line.size()));
    example += (indent >= 4 && !example.empty() ? "    " : "  ") + std::string(line) + "\n";
  }
  return text + "  -h, --help     this help\n\nExample:\n" + example;
}

std::string UsageText() {
  std::string text =
      "Usage: ostrevin-calc [--units U] COMMAND [OPTIONS]\n\n"
      "The resistance to earth of driven ground rods and groups of rods, the rod\n"
      "length for a wanted resistance, the 25-ohm rule, and soil resistivity from\n"
      "field readings: the same formulas, rounding and answers as the Ostrevin window\n"
      "where it has them.\n\nCommands:\n";
  for (const Command& command : Commands()) {
    std::string name(command.name);
    name.resize(std::max<std::size_t>(name.size() + 1, 13), ' ');
    text += "  " + name + std::string(command.summary) + "\n";
  }
  return text +
         "\nRun 'ostrevin-calc help COMMAND' (or 'ostrevin-calc COMMAND --help') for a\n"
         "command's options. --units english|metric|si may also come before the command;\n"
         "without it the environment variable OSTREVIN_UNITS (english, metric or si)\n"
         "sets the units, and a batch's records without a units column take it.\n"
         "Options: --help, --version.\n\n"
         "Exit status: 0 a result, 3 no result (\"na\"), 2 bad input, 1 an input could\n"
         "not be read or an output could not be written.\n";
}

}  // namespace ostrevin::calc
