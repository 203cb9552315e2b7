// ostrevin-calc: the calculator from the command line. See --help.
//
// Data flow: argv bytes -> ParseCommandLine -> one command (a calculation, a
// batch or a curve) -> checked writes to standard output, standard error and
// files -> the exit status. Qt is started only to draw a curve, on its
// offscreen platform: nothing here needs a display.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "calc/calculation.h"
#include "calc/command_line.h"
#include "calc/csv_batch.h"
#include "calc/curve.h"
#include "calc/curve_plot.h"
#include "calc/io.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace {

using namespace ostrevin;
using namespace ostrevin::calc;

// Qt's fatal errors (no platform plugin) end the program with one line and
// exit status 1 instead of an abort; its notes are not for a command-line user.
void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) return;
  const std::string line =
      "ostrevin-calc curve: cannot draw: " + Quoted(message.toStdString()).substr(1) + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
  std::_Exit(kFailed);
}

class Program {
 public:
  int Run(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return Finish(Fail("no command\n\n" + UsageText()));
    const std::string& name = arguments.front();
    if (name == "--version") return Finish(Print("ostrevin-calc " OSTREVIN_VERSION "\n"));
    if (name == "--help" || name == "-h") return Finish(Print(UsageText()));
    const CommandSpec* command = FindCommand(name);
    if (command == nullptr) {
      return Finish(Fail("unknown command " + Quoted(name) + "\n\n" + UsageText()));
    }
    command_ = command->name;
    const auto parsed = ParseCommandLine(*command, std::span(arguments).subspan(1));
    if (const auto* error = std::get_if<std::string>(&parsed)) return Finish(Fail(*error));
    const auto& args = std::get<ParsedCommand>(parsed);
    if (args.help) return Finish(Print(HelpText(*command)));
    return Finish(Dispatch(args));
  }

 private:
  int Dispatch(const ParsedCommand& args) {
    if (command_ == "batch") return RunBatchCommand(args);
    int units = English;
    if (const auto given = args.Value("units")) {
      const std::optional<int> read = ReadUnits(*given);
      if (!read) return Fail("--units must be english or metric, not " + Quoted(*given));
      units = *read;
    }
    if (command_ == "curve") return RunCurve(args, units);
    const auto result = Calculate(
        *FindMode(command_), [&](std::string_view name) { return args.Value(name); }, units);
    if (const auto* error = std::get_if<std::string>(&result)) return Fail(*error);
    const auto& outcome = std::get<Outcome>(result);
    if (Print((args.Has("json") ? ToJson(outcome) : ToText(outcome)) + "\n") != kAnswered) {
      return kFailed;
    }
    const bool warned = std::ranges::all_of(
        outcome.warnings, [&](const std::string& warning) { return Say("warning: " + warning); });
    if (!warned) return kFailed;
    if (!outcome.value && !Say("na: " + outcome.reason)) return kFailed;
    return outcome.status();
  }

  int RunBatchCommand(const ParsedCommand& args) {
    BatchOptions options;
    if (const auto separator = args.Value("separator")) {
      if (*separator != "," && *separator != ";") {
        return Fail("--separator must be , or ;, not " + Quoted(*separator));
      }
      options.separator = separator->front();
    }
    if (args.positional.empty() || args.positional.front() == "-") {
      FdSource in(STDIN_FILENO);
      return RunBatch(in, out_, err_, options);
    }
    const std::string& path = args.positional.front();
    auto opened = FdSource::Open(path);
    if (const auto* error = std::get_if<std::string>(&opened)) {
      return Fail("cannot read " + Quoted(path) + ": " + *error, kFailed);
    }
    options.inputName = Quoted(path);
    return RunBatch(*std::get<std::unique_ptr<FdSource>>(opened), out_, err_, options);
  }

  int RunCurve(const ParsedCommand& args, int units) {
    std::optional<double> values[3];
    const char* names[3] = {"rho", "diameter", "target"};
    for (int i = 0; i < 3; ++i) {
      const auto text = args.Value(names[i]);
      if (!text) continue;
      std::string error;
      values[i] = ReadQuantity(*FindQuantity(names[i]), *text, "--", error, units);
      if (!values[i]) return Fail(error);
    }
    const auto outputs = std::ranges::count_if(std::array{"svg", "png", "csv"},
                                               [&](const char* name) { return args.Has(name); });
    if (outputs != 1) return Fail("give exactly one of --svg FILE, --png FILE and --csv");
    const Curve curve = MakeCurve(*values[0], *values[1], units, values[2]);
    if (values[2] && !curve.foundMetres &&
        !Say("no rod length comes within " + FormatNumber(kScanTolerance) + " ohm of the target")) {
      return kFailed;
    }
    if (args.Has("csv")) return Print(CurveCsv(curve));
    const bool svg = args.Has("svg");
    const std::string path(*args.Value(svg ? "svg" : "png"));
    const std::string bytes = Draw(curve, svg, PlotOptions{args.Has("log-ohms")});
    if (bytes.empty()) return Fail("cannot draw the curve", kFailed);
    if (path == "-") return Print(bytes);
    if (const auto error = ReplaceFile(path, bytes)) {
      return Fail("cannot write " + Quoted(path) + ": " + *error, kFailed);
    }
    return kAnswered;
  }

  static std::string Draw(const Curve& curve, bool svg, const PlotOptions& options) {
    qInstallMessageHandler(QtMessage);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "ostrevin-calc";
    char* argv[] = {name, nullptr};
    const QGuiApplication application(argc, argv);
    return svg ? CurveSvg(curve, options) : CurvePng(curve, options);
  }

  // Text for standard output: kAnswered, or kFailed once it cannot be written.
  int Print(const std::string& text) { return out_.Write(text) ? kAnswered : WriteFailed(); }

  int WriteFailed() {
    Say("cannot write standard output: " + out_.ErrorText());
    return kFailed;
  }

  // One line on standard error: "ostrevin-calc length: ...".
  bool Say(const std::string& message) {
    const std::string prefix =
        command_.empty() ? "ostrevin-calc: " : "ostrevin-calc " + std::string(command_) + ": ";
    return err_.Write(prefix + message + "\n");
  }

  int Fail(const std::string& message, int status = kBadInput) {
    Say(message);
    return status;
  }

  // Everything written out, or exit status 1 with the reason.
  int Finish(int status) {
    if (!out_.Flush()) return status == kFailed ? kFailed : WriteFailed();  // said once
    return status;
  }

  FdSink out_{STDOUT_FILENO, std::size_t{64} * 1024};
  FdSink err_{STDERR_FILENO, 0};
  std::string_view command_;
};

}  // namespace

int main(int argc, char* argv[]) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Program().Run(arguments);
  } catch (const std::exception& error) {  // out of memory, in practice
    std::fprintf(stderr, "ostrevin-calc: %s\n", error.what());
    return kFailed;
  }
}
