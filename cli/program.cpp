#include "cli/program.h"

#include <algorithm>
#include <array>

#include <chrono>

#include "cli/batch.h"
#include "cli/png.h"
#include "cli/survey_file.h"
#include "calc/curve.h"
#include "calc/soil_survey.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// The values given on the command line, as the calculations look them up.
InputLookup LookupIn(const ParsedCommand& parsed) {
  return [&parsed](std::string_view name) { return parsed.Value(name); };
}

}  // namespace

int Program::Run(std::vector<std::string> arguments) {
  // --units may come before the command, once.
  std::vector<std::string> leading;
  while (!arguments.empty() && arguments.front().starts_with("--units")) {
    const bool joined = arguments.front().starts_with("--units=");
    if (!joined && arguments.front() != "--units") break;
    if (!leading.empty()) return Finish(Fail("--units is given twice"));
    if (!joined && arguments.size() < 2) return Finish(Fail("--units needs a value"));
    leading.push_back(joined ? arguments.front() : "--units=" + arguments[1]);
    arguments.erase(arguments.begin(), arguments.begin() + (joined ? 1 : 2));
  }
  if (arguments.empty()) return Finish(Fail("no command\n\n" + UsageText()));
  const std::string name = arguments.front();
  if (name == "--version") return Finish(Print("ostrevin-calc " OSTREVIN_VERSION "\n"));
  if (name == "--help" || name == "-h") return Finish(Print(UsageText()));
  const Command* command = FindCommand(name);
  if (command == nullptr) return Finish(Fail(UnknownCommand(name)));
  command_ = command->name;
  arguments.erase(arguments.begin());
  arguments.insert(arguments.begin(), leading.begin(), leading.end());
  const auto parsed = ParseCommandLine(*command, arguments);
  if (const auto* error = std::get_if<std::string>(&parsed)) return Finish(Fail(*error));
  const auto& args = std::get<ParsedCommand>(parsed);
  if (args.help) return Finish(Print(HelpText(*command)));
  return Finish((this->*(command->run))(*command, args));
}

std::variant<UnitSystem, Status> Program::UnitsOf(const ParsedCommand& parsed) {
  const auto given = parsed.Value("units");
  if (!given) return UnitSystem::English;
  const std::optional<UnitSystem> read = ReadUnits(*given);
  if (!read)
    return static_cast<Status>(Fail("--units must be english or metric, not " + Quoted(*given)));
  return *read;
}

int Program::RunCalculation(const Command& command, const ParsedCommand& parsed) {
  ReadContext context;
  const auto units = UnitsOf(parsed);
  if (const auto* failed = std::get_if<Status>(&units)) return *failed;
  context.units = std::get<UnitSystem>(units);
  const auto result = Calculate(*command.calculation, LookupIn(parsed), context, ProgressLine());
  if (!result) {
    const std::string& error = result.why();
    return Fail(error + (error.ends_with(" is missing")
                             ? " (see ostrevin-calc " + std::string(command.name) + " --help)"
                             : ""));
  }
  const Outcome& outcome = *result;
  if (Print((parsed.Has("json") ? ToJson(outcome) : ToText(outcome)) + "\n") != kAnswered) {
    return kFailed;
  }
  if (!SayRemarks(outcome)) return kFailed;
  if (!outcome.value && !Say("na: " + outcome.why)) return kFailed;
  return outcome.status();
}

bool Program::SayRemarks(const Outcome& outcome) {
  const auto say = [&](std::string_view kind) {
    return [this, kind](const std::string& text) { return Say(std::string(kind) + text); };
  };
  return std::ranges::all_of(outcome.notes, say("note: ")) &&
         std::ranges::all_of(outcome.warnings, say("warning: "));
}

bool Program::SeparatorOf(const ParsedCommand& parsed, std::optional<char>& separator) {
  const auto given = parsed.Value("separator");
  if (!given) return true;
  if (*given != "," && *given != ";") {
    Fail("--separator must be , or ;, not " + Quoted(*given));
    return false;
  }
  separator = given->front();
  return true;
}

std::variant<std::unique_ptr<ByteSource>, Status> Program::OpenInput(const ParsedCommand& parsed,
                                                                     std::string& name) {
  if (parsed.positional.empty() || parsed.positional.front() == "-") {
    // Output appended to the input would be read again, for ever.
    if (SameRegularFile(STDIN_FILENO, STDOUT_FILENO)) {
      return static_cast<Status>(Fail("standard input: input file is output file", kFailed));
    }
    name = "standard input";
    return std::make_unique<FdSource>(STDIN_FILENO);
  }
  const std::string& path = parsed.positional.front();
  auto opened = FdSource::Open(path);
  if (const auto* error = std::get_if<std::string>(&opened)) {
    return static_cast<Status>(Fail("cannot read " + Quoted(path) + ": " + *error, kFailed));
  }
  auto source = std::move(std::get<std::unique_ptr<FdSource>>(opened));
  if (SameRegularFile(source->Descriptor(), STDOUT_FILENO)) {
    return static_cast<Status>(Fail(Quoted(path) + ": input file is output file", kFailed));
  }
  name = Quoted(path);
  return source;
}

int Program::RunBatch(const Command& /*command*/, const ParsedCommand& parsed) {
  BatchOptions options;
  if (!SeparatorOf(parsed, options.separator)) return kBadInput;
  auto input = OpenInput(parsed, options.inputName);
  if (const auto* failed = std::get_if<Status>(&input)) return *failed;
  return calc::RunBatch(*std::get<std::unique_ptr<ByteSource>>(input), out_, err_, options);
}

int Program::RunSoil(const Command& /*command*/, const ParsedCommand& parsed) {
  const auto units = UnitsOf(parsed);
  if (const auto* failed = std::get_if<Status>(&units)) return *failed;
  SurveyFile file;
  if (!SeparatorOf(parsed, file.separator)) return kBadInput;
  auto input = OpenInput(parsed, file.name);
  if (const auto* failed = std::get_if<Status>(&input)) return *failed;
  if (parsed.Has("svg") && parsed.Has("png")) return Fail("give one of --svg FILE and --png FILE");
  const auto read = ReadSurvey(*std::get<std::unique_ptr<ByteSource>>(input), file);
  if (const auto* error = std::get_if<SurveyFileError>(&read)) {
    return Fail(error->message, error->status);
  }
  const auto& rows = std::get<std::vector<SurveyRow>>(read);
  const auto result = CalculateSurvey(rows, ReadContext{std::get<UnitSystem>(units), "", file.marks});
  if (const auto* error = std::get_if<std::string>(&result)) return Fail(*error);
  const auto& survey = std::get<Survey>(result);
  const Outcome& outcome = survey.outcome;
  if (Print((parsed.Has("json") ? ToJson(outcome) : ToText(outcome)) + "\n") != kAnswered) {
    return kFailed;
  }
  const auto say = [this](const std::string& line) { return Say(line); };
  if (!std::ranges::all_of(survey.rejected, say) || !SayRemarks(outcome)) return kFailed;
  if (!outcome.value && !Say("na: " + outcome.why)) return kFailed;
  if (const int written = WriteChart(parsed, SurveyChart(survey)); written != kAnswered) {
    return written;
  }
  return survey.rejected.empty() ? outcome.status() : kBadInput;
}

int Program::RunCurve(const Command& /*command*/, const ParsedCommand& parsed) {
  ReadContext context;
  const auto units = UnitsOf(parsed);
  if (const auto* failed = std::get_if<Status>(&units)) return *failed;
  context.units = std::get<UnitSystem>(units);
  const InputLookup lookup = LookupIn(parsed);
  Inputs in(lookup, context);
  const auto rho = in.Required("rho");
  const auto diameter = in.Required("diameter");
  const auto target = in.Optional("target");
  const CurveRange range{in.Optional("from"), in.Optional("to")};
  if (in.error()) return Fail(*in.error());
  if (range.from && range.to && !(*range.from < *range.to)) {
    return Fail("--from must be below --to");
  }
  const auto note = [this](const std::string& hint) { return Say("note: " + hint); };
  if (!std::ranges::all_of(in.hints(), note)) return kFailed;
  const auto outputs = std::ranges::count_if(std::array{"svg", "png", "csv"},
                                             [&](const char* name) { return parsed.Has(name); });
  if (outputs != 1) return Fail("give exactly one of --svg FILE, --png FILE and --csv");
  const Curve curve = MakeCurve(*rho, *diameter, context.units, target, range);
  if (target && !curve.foundMetres &&
      !Say("no rod length comes within " + FormatNumber(kScanTolerance) + " ohm of the target")) {
    return kFailed;
  }
  if (parsed.Has("csv")) return Print(CurveCsv(curve));
  return WriteChart(parsed, CurveChart(curve, parsed.Has("log-ohms")));
}

int Program::WriteChart(const ParsedCommand& parsed, const Chart& chart) {
  if (parsed.Has("svg")) return WriteFile(std::string(*parsed.Value("svg")), ToSvg(chart));
  if (!parsed.Has("png")) return kAnswered;
  const Png png = RasteriseSvg(ToSvg(chart), chart.width, chart.height);
  if (png.bytes.empty()) return Fail("cannot draw: " + png.error, kFailed);
  return WriteFile(std::string(*parsed.Value("png")), png.bytes);
}

Progress Program::ProgressLine() {
  // Long calculations (a large group in layers) say how far they are, on a
  // terminal, once they have taken a second.
  if (::isatty(STDERR_FILENO) == 0) return {};
  const auto start = std::chrono::steady_clock::now();
  return [this, start](double done) {
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
    const std::string line = "\rostrevin-calc " + std::string(command_) + ": working, " +
                             FormatDouble("%.0f", 100 * done) + " %" + (done >= 1 ? "\n" : "");
    (void)err_.Write(line);
  };
}

int Program::RunHelp(const Command& /*command*/, const ParsedCommand& parsed) {
  if (parsed.positional.empty()) return Print(UsageText());
  const Command* asked = FindCommand(parsed.positional.front());
  if (asked == nullptr) return Fail(UnknownCommand(parsed.positional.front()));
  return Print(HelpText(*asked));
}

int Program::WriteFile(const std::string& path, const std::string& bytes) {
  if (path == "-" || IsOpenAs(path, STDOUT_FILENO)) return Print(bytes);
  if (const auto error = ReplaceFile(path, bytes)) {
    return Fail("cannot write " + Quoted(path) + ": " + *error, kFailed);
  }
  return kAnswered;
}

int Program::Print(const std::string& text) {
  if (out_.Write(text)) return kAnswered;
  Say("cannot write standard output: " + out_.ErrorText());
  return kFailed;
}

bool Program::Say(const std::string& message) {
  (void)out_.Flush();  // a failure shows at the next write or at the end
  const std::string prefix =
      command_.empty() ? "ostrevin-calc: " : "ostrevin-calc " + std::string(command_) + ": ";
  return err_.Write(prefix + message + "\n");
}

int Program::Fail(const std::string& message, int status) {
  Say(message);
  return status;
}

int Program::Finish(int status) {
  if (!out_.Flush() && status != kFailed) {
    Say("cannot write standard output: " + out_.ErrorText());
    return kFailed;
  }
  return status;
}

}  // namespace ostrevin::calc
