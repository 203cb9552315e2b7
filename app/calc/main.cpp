// ostrevin-calc: the calculator from the command line. See --help.
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include "app/calc/calc_commands.h"
#include "app/calc/curve_plot.h"
#include "core/electrode_formulas.h"
#include "core/field_ranges.h"

namespace {

using namespace ostrevin;
using namespace ostrevin::calc;

constexpr const char* kUsage = R"(Usage: ostrevin-calc COMMAND [OPTIONS]

The resistance to earth of a single driven ground rod, the rod length for a
wanted resistance, and soil resistivity from a four-probe reading: the same
formulas, rounding and answers as the Ostrevin window.

Commands:
  resistance   the resistance of a rod of a given length
  length       the rod length that gives a wanted resistance
  rho          the soil resistivity from a four-probe reading
  batch        many calculations from a CSV file
  curve        resistance against rod length, as SVG, PNG or CSV

Run 'ostrevin-calc COMMAND --help' for a command's options.
Options: --help, --version.

Exit status: 0 a result, 3 no result ("na"), 2 bad input, 1 a file could
not be read or written.
)";

const std::map<std::string, std::string, std::less<>> kHelp{
    {"resistance",
     R"(Usage: ostrevin-calc resistance --rho R --diameter D --length L [--units U] [--json]

The resistance to earth, in ohms, of a rod driven L deep.
  --rho R        soil resistivity, ohm-cm (0.0001 to 1000000)
  --diameter D   rod diameter, inches or metres (0.001 to 10)
  --length L     rod length, feet or metres (0.1 to 10000)
  --units U      english (inches, feet; the default) or metric (metres)
  --json         one JSON object with the inputs, the result and "ohms"
Example: ostrevin-calc resistance --rho 2000 --diameter 0.625 --length 3
         17.868 ohms
)"},
    {"length", R"(Usage: ostrevin-calc length --rho R --diameter D --target T [--units U] [--json]

The rod length whose resistance to earth lies closest to T ohms (within 0.2
ohm), the shorter one on a tie; "na" when no length up to 9999.9 m comes that
close.
  --rho R        soil resistivity, ohm-cm (0.0001 to 1000000)
  --diameter D   rod diameter, inches or metres (0.001 to 10)
  --target T     wanted resistance, ohms (0.000001 to 1000000000)
  --units U      english (inches, feet; the default) or metric (metres)
  --json         one JSON object with the inputs, the result and "length_m",
                 the length in metres in full precision (null when none)
Example: ostrevin-calc length --rho 2000 --diameter 0.625 --target 10
         6.100 ft
)"},
    {"rho", R"(Usage: ostrevin-calc rho --spacing A --reading R [--units U] [--json]

The soil resistivity, ohm-cm, from a four-probe reading: 2 pi A R x 100,
whole above 1000 ohm-cm, three decimals at 1000 and below.
  --spacing A    probe spacing, feet or metres (0.001 to 1000)
  --reading R    the instrument's resistance reading, ohms (0.0001 to 1000000000)
  --units U      english (feet; the default) or metric (metres)
  --json         one JSON object with the inputs, the result and "ohm_cm"
Example: ostrevin-calc rho --spacing 3 --reading 1
         574.534 ohm-cm
)"},
    {"batch", R"(Usage: ostrevin-calc batch [FILE|-]

Reads CSV from FILE (standard input when none or -) and writes CSV to
standard output: one calculation a row. The header names the columns: mode
(resistance, length or rho), optionally units (english or metric), and the
inputs of the modes used: rho, diameter, length, target, spacing, reading.
The output repeats each row and adds result, unit, value (full precision;
metres for a length) and error. A bad row gets its error, is reported on
standard error, and the rest of the file still goes through (exit status 2).
Example input:
  mode,units,rho,diameter,length,target,spacing,reading
  length,english,2000,0.625,,10,,
)"},
    {"curve", R"(Usage: ostrevin-calc curve --rho R --diameter D [--units U] [--target T]
                          (--svg FILE | --png FILE | --csv)

Resistance against rod length for one rod, on a logarithmic length scale,
with the peak marked and, given a target, the target line and the length
found for it. --csv writes the points to standard output.
Example: ostrevin-calc curve --rho 2000 --diameter 0.625 --target 10 --svg rod.svg
)"},
};

int Fail(const std::string& command, const std::string& message) {
  std::cerr << "ostrevin-calc " << command << ": " << message << "\n";
  return kBadInput;
}

// The options' values, checked. Throws nothing: errors come back as text.
struct Arguments {
  QCommandLineParser parser;
  std::string error;
  int units = English;

  std::optional<double> Number(const char* name, FieldRange range) {
    if (!error.empty()) return std::nullopt;
    if (!parser.isSet(name)) {
      error = std::string("--") + name + " is missing";
      return std::nullopt;
    }
    return ReadNumber(name, parser.value(name).toStdString(), range, error);
  }
};

int Report(const Outcome& outcome, bool json) {
  std::cout << (json ? ToJson(outcome) : ToText(outcome)) << "\n";
  if (!outcome.value)
    std::cerr << "ostrevin-calc " << outcome.command << ": na: " << outcome.reason << "\n";
  return outcome.status();
}

int RunCurve(Arguments& args) {
  const auto rho = args.Number("rho", kRhoRange);
  const auto diameter = args.Number("diameter", kDiameterRange);
  std::optional<double> target;
  if (args.error.empty() && args.parser.isSet("target"))
    target = args.Number("target", kTargetRange);
  if (!args.error.empty()) return Fail("curve", args.error);
  const auto outputs = std::ranges::count_if(
      std::array{"svg", "png", "csv"}, [&](const char* name) { return args.parser.isSet(name); });
  if (outputs != 1) return Fail("curve", "give exactly one of --svg FILE, --png FILE and --csv");
  const Curve curve = MakeCurve(*rho, *diameter, args.units, target);
  if (target && !curve.foundMetres) {
    std::cerr << "ostrevin-calc curve: no rod length comes within 0.2 ohm of the target\n";
  }
  if (args.parser.isSet("csv")) {
    std::cout << CurveCsv(curve);
    return kAnswered;
  }
  const bool svg = args.parser.isSet("svg");
  const QString path = args.parser.value(svg ? "svg" : "png");
  if (!(svg ? SaveCurveSvg(curve, path) : SaveCurvePng(curve, path))) {
    std::cerr << "ostrevin-calc curve: cannot write " << path.toStdString() << "\n";
    return kFailed;
  }
  return kAnswered;
}

int RunBatchCommand(const QStringList& files) {
  if (files.size() > 1) return Fail("batch", "one input file at most");
  if (files.isEmpty() || files[0] == "-") return RunBatch(std::cin, std::cout, std::cerr);
  std::ifstream in(files[0].toStdString());
  if (!in) {
    std::cerr << "ostrevin-calc batch: cannot read " << files[0].toStdString() << "\n";
    return kFailed;
  }
  return RunBatch(in, std::cout, std::cerr);
}

int Run(const std::string& command, const QStringList& rest) {
  Arguments args;
  for (const char* name :
       {"rho", "diameter", "length", "target", "spacing", "reading", "units", "svg", "png"}) {
    args.parser.addOption(QCommandLineOption(name, name, "value"));
  }
  for (const char* name : {"json", "csv", "help"}) args.parser.addOption(QCommandLineOption(name));
  args.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  if (!args.parser.parse(QStringList{"ostrevin-calc"} + rest)) {
    return Fail(command, args.parser.errorText().toStdString());
  }
  if (args.parser.isSet("help")) {
    std::cout << kHelp.at(command);
    return kAnswered;
  }
  if (command == "batch") return RunBatchCommand(args.parser.positionalArguments());
  if (!args.parser.positionalArguments().isEmpty()) {
    return Fail(command, "unexpected argument \"" +
                             args.parser.positionalArguments()[0].toStdString() + "\"");
  }
  if (args.parser.isSet("units")) {
    const std::optional<int> units = ReadUnits(args.parser.value("units").toStdString());
    if (!units) return Fail(command, "--units must be english or metric");
    args.units = *units;
  }
  if (command == "curve") return RunCurve(args);
  const auto result = Calculate(
      command,
      [&](std::string_view name) -> std::optional<std::string> {
        const QString option = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        if (!args.parser.isSet(option)) return std::nullopt;
        return args.parser.value(option).toStdString();
      },
      args.units);
  if (const auto* error = std::get_if<std::string>(&result)) return Fail(command, *error);
  return Report(std::get<Outcome>(result), args.parser.isSet("json"));
}

}  // namespace

int main(int argc, char* argv[]) {
  // Qt's own notes (a missing runtime directory, fonts) are no business of a
  // command-line user; real failures are reported by the commands.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg || type == QtCriticalMsg) std::cerr << message.toStdString() << "\n";
  });
  const std::string command = argc > 1 ? argv[1] : "";
  // Drawing text needs a GUI application; it never needs a display.
  if (command == "curve" && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  std::unique_ptr<QCoreApplication> application =
      command == "curve" ? std::make_unique<QGuiApplication>(argc, argv)
                         : std::make_unique<QCoreApplication>(argc, argv);
  QCoreApplication::setApplicationName("ostrevin-calc");
  QCoreApplication::setApplicationVersion(OSTREVIN_VERSION);
  if (command == "--version") {
    std::cout << "ostrevin-calc " << OSTREVIN_VERSION << "\n";
    return kAnswered;
  }
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return kAnswered;
  }
  if (!kHelp.contains(command)) {
    std::cerr << (command.empty() ? std::string("ostrevin-calc: no command")
                                  : "ostrevin-calc: unknown command \"" + command + "\"")
              << "\n\n"
              << kUsage;
    return kBadInput;
  }
  QStringList rest = QCoreApplication::arguments().mid(2);
  return Run(command, rest);
}
