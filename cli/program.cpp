#include "cli/program.h"

#include <algorithm>
#include <array>
#include <memory>

#include <chrono>
#include <cstdlib>

#include "calc/curve.h"
#include "calc/dxf_file.h"
#include "calc/electrode_file.h"
#include "calc/electrodes.h"
#include "calc/job_run.h"
#include "calc/soil_survey.h"
#include "calc/summary.h"
#include "calc/survey_file.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/length_search.h"
#include "core/number_text.h"
#include "cli/batch.h"
#include "cli/png.h"

namespace ostrevin::calc {

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
  if (!parsed) return Finish(Fail(parsed.Failed()));
  const ParsedCommand& args = *parsed;
  if (args.help) return Finish(Print(HelpText(*command)));
  if (args.Has("job")) {
    if (const int loaded = LoadJob(*command, args); loaded != kAnswered) return Finish(loaded);
  }
  if (command->calculation != nullptr) {
    if (const int fitted = LoadSurvey(*command, args); fitted != kAnswered) return Finish(fitted);
  }
  return Finish((this->*(command->run))(*command, args));
}

Result<std::optional<std::string>> Program::DefaultUnits() {
  const char* chosen = std::getenv("OSTREVIN_UNITS");
  if (chosen == nullptr || *chosen == '\0') return std::optional<std::string>();
  ReadContext probe;
  if (!ReadUnitChoice(chosen, probe)) {
    return Refused("OSTREVIN_UNITS must be english, metric or si, not " + Quoted(chosen));
  }
  return std::optional<std::string>(chosen);
}

Result<ReadContext> Program::ContextOf(const ParsedCommand& parsed, std::string_view prefix) const {
  ReadContext context;
  context.prefix = prefix;
  const auto given = parsed.Value("units");
  if (given && !ReadUnitChoice(*given, context)) {
    return Refused("--units must be english, metric or si, not " + Quoted(*given));
  }
  if (job_) {
    // The job's values are read in its own units.
    if (given && Lower(Trim(*given)) != job_->units) {
      return Refused("--units " + std::string(*given) + ": the job's values are in " + job_->units +
                     " units (leave --units out, or save the job in " + std::string(*given) + ")");
    }
    ReadUnitChoice(job_->units, context);
    return context;
  }
  if (!given) {
    // The user's own default, the option winning.
    const Result<std::optional<std::string>> chosen = DefaultUnits();
    OSTREVIN_PASS_ON(chosen);
    if (*chosen) ReadUnitChoice(**chosen, context);
  }
  return context;
}

Result<InputLookup> Program::LookupWithOutline(const Command& command, const ParsedCommand& parsed,
                                               UnitSystem units, std::string& outline) {
  const auto path = parsed.Value("outline-file");
  if (!path) return Lookup(parsed);
  if (parsed.Has("outline")) return Refused("give --outline or --outline-file, not both");
  ConductorFile file;
  const std::string given(*path);
  Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, file.name, &given);
  OSTREVIN_PASS_ON(input);
  Result<std::string> text = ReadOutlineFile(**input, file, units);
  OSTREVIN_PASS_ON(text);
  outline = *std::move(text);
  return InputLookup([given = Lookup(parsed), &outline](std::string_view name) -> std::optional<std::string_view> {
    if (name == "outline") return std::string_view(outline);
    return given(name);
  });
}

int Program::RunCalculation(const Command& command, const ParsedCommand& parsed) {
  const Result<ReadContext> read = ContextOf(parsed);
  if (!read) return Fail(read.Failed());
  const ReadContext& context = *read;
  if (const int checked = CheckOutputs(command, parsed); checked != kAnswered) return checked;
  std::string outline;
  const Result<InputLookup> lookup = LookupWithOutline(command, parsed, context.units, outline);
  if (!lookup) return Fail(lookup.Failed());
  const auto result = Calculate(*command.calculation, *lookup, context, ProgressLine());
  if (!result) {
    const std::string& error = result.why();
    return Fail(error + (error.ends_with(" is missing")
                             ? " (see ostrevin-calc " + std::string(command.name) + " --help)"
                             : ""));
  }
  if (const int saved = SaveJob(parsed, JobOf(command.name, parsed)); saved != kAnswered) return saved;
  return Report(parsed, *result);
}

int Program::Report(const ParsedCommand& parsed, const Outcome& outcome) {
  if (Print((parsed.Has("json") ? ToJson(outcome) : TextWithSummary(outcome)) + "\n") != kAnswered) {
    return kFailed;
  }
  if (!SayRemarks(outcome)) return kFailed;
  if (!outcome.value && !Say("na: " + outcome.why)) return kFailed;
  if (const int written = WriteElectrodeFiles(parsed, outcome); written != kAnswered) {
    return written;
  }
  return outcome.status();
}

int Program::CheckOutputs(const Command& command, const ParsedCommand& parsed) {
  struct Given {
    std::string_view option, path;
    std::optional<FileKey> key;
  };
  std::vector<Given> given;
  for (const Option& option : command.options) {
    const auto path = parsed.Value(option.name);
    if (option.kind != OptionKind::kOutput || !path) continue;
    const std::optional<FileKey> key = KeyOf(std::string(*path));
    for (const Given& other : given) {
      if (*path != "-" && (*path == other.path || (key && key == other.key))) {
        return Fail("--" + std::string(other.option) + " and --" + std::string(option.name) +
                    " both name " + (*path == other.path ? Quoted(*path)
                                                         : Quoted(other.path) + " (as " +
                                                               Quoted(*path) + ")") +
                    ": give each its own file");
      }
    }
    given.push_back({option.name, *path, key});
    const bool current = parsed.Has("grid-current") || parsed.Has("fault-current");
    if ((option.name.starts_with("potential-") || option.name.starts_with("touch-")) && !current) {
      return Fail("--" + std::string(option.name) +
                  " needs --grid-current: the map is of the potential that current raises");
    }
    if (option.name.starts_with("touch-") && !parsed.Has("shock-duration")) {
      return Fail("--" + std::string(option.name) +
                  " needs --shock-duration: its contour is the tolerable touch voltage");
    }
    Checked checked = guard_.CheckPath(std::string(*path));
    if (checked && *path != "-" && !IsOpenAs(std::string(*path), STDOUT_FILENO)) {
      checked = CheckReplaceable(std::string(*path));
    }
    if (!checked) {
      return Fail("cannot write " + Quoted(*path) + " (--" + std::string(option.name) +
                  "): " + checked.why());
    }
  }
  return kAnswered;
}

int Program::WriteElectrodeFiles(const ParsedCommand& parsed, const Outcome& outcome) {
  if (!outcome.electrode) return kAnswered;
  const SolvedElectrode& electrode = *outcome.electrode;
  const auto write = [&](std::string_view option, const auto& bytes) -> int {
    const auto path = parsed.Value(option);
    if (!path) return kAnswered;
    return WriteFile(std::string(*path), bytes());
  };
  int status = write("plan-svg", [&] { return PlanDrawing(electrode).svg; });
  if (status == kAnswered) status = write("potential-svg", [&] { return PotentialDrawing(electrode).svg; });
  if (status == kAnswered && parsed.Has("potential-png")) {
    const Drawing map = PotentialDrawing(electrode);
    status = WritePng(std::string(*parsed.Value("potential-png")), map.svg, map.width, map.height);
  }
  if (status == kAnswered) status = write("touch-svg", [&] { return TouchDrawing(electrode).svg; });
  if (status == kAnswered && parsed.Has("touch-png")) {
    const Drawing map = TouchDrawing(electrode);
    status = WritePng(std::string(*parsed.Value("touch-png")), map.svg, map.width, map.height);
  }
  if (status == kAnswered) status = write("potential-csv", [&] { return PotentialCsv(electrode); });
  if (status == kAnswered) status = write("currents-csv", [&] { return CurrentsCsv(electrode); });
  if (status == kAnswered) status = write("layout-csv", [&] { return LayoutCsv(electrode); });
  if (status == kAnswered) {
    status = write("layout-dxf", [&] { return WriteDxf(electrode.conductors, electrode.outline); });
  }
  return status;
}

int Program::RunElectrodes(const Command& command, const ParsedCommand& parsed) {
  const Result<ReadContext> read = ContextOf(parsed);
  if (!read) return Fail(read.Failed());
  ConductorFile file;
  if (!SeparatorOf(parsed, file.separator)) return kBadInput;
  if (const int checked = CheckOutputs(command, parsed); checked != kAnswered) return checked;
  std::vector<ConductorRow> rows;
  std::string_view row = "line";
  std::string drawnOutline;  // a DXF drawing's
  ReadContext context = *read;
  if (parsed.positional.empty() && job_ && job_->conductors) {
    rows = ConductorRows(*job_->conductors);
    row = "job's conductor row";
  } else {
    Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, file.name);
    if (!input) return Fail(input.Failed());
    // Its start tells a drawing from a table; a drawing is read whole
    // (bounded: its bound and a byte, so that one too large is said as such),
    // a table as it streams.
    const auto format = parsed.Value("format");
    if (format && *format != "csv" && *format != "dxf") {
      return Fail("--format " + Quoted(*format) + ": give csv or dxf", kBadInput);
    }
    std::string text;
    std::array<char, 1 << 16> buffer{};
    const auto more = [&]() -> Result<bool> {
      const std::ptrdiff_t got = (*input)->Read(buffer.data(), buffer.size());
      if (got < 0) return Failed("cannot read " + file.name + ": " + (*input)->ErrorText());
      text.append(buffer.data(), static_cast<std::size_t>(got));
      return got > 0;
    };
    while (text.size() < 4096) {
      const Result<bool> begun = more();
      if (!begun) return Fail(begun.Failed());
      if (!*begun) break;
    }
    const bool isDrawing = format ? *format == "dxf" : LooksLikeDxf(text);
    for (bool going = isDrawing; going && text.size() <= kMostDxfBytes;) {
      const Result<bool> further = more();
      if (!further) return Fail(further.Failed());
      going = *further;
    }
    if (isDrawing) {
      Result<DxfTable> drawing = ReadDxf(text, file.name, Lookup(parsed), context);
      if (!drawing) return Fail(drawing.Failed());
      for (const std::string& note : drawing->notes) Say("note: " + note);
      rows = std::move(drawing->rows);
      drawnOutline = std::move(drawing->outline);
    } else {
      PrefixedSource bytes(std::move(text), **input);
      Result<std::vector<ConductorRow>> table = ReadConductors(bytes, file);
      if (!table) return Fail(table.Failed());
      rows = *std::move(table);
      context.rowMarks = file.marks;
    }
  }
  std::string outline;
  Result<InputLookup> lookup = LookupWithOutline(command, parsed, context.units, outline);
  if (!lookup) return Fail(lookup.Failed());
  if (!drawnOutline.empty() && !(*lookup)("outline")) {
    // The drawing's outline, where none is given.
    lookup = InputLookup([given = *lookup, &drawnOutline](std::string_view name) -> std::optional<std::string_view> {
      if (name == "outline") return std::string_view(drawnOutline);
      return given(name);
    });
  }
  const Result<Outcome> result = CalculateElectrodes(rows, *lookup, context, ProgressLine(), row);
  if (!result) return Fail(result.Failed());
  Job saved = JobOf("electrodes", parsed);
  saved.conductors = ConductorTable(rows);
  if (const int written = SaveJob(parsed, saved); written != kAnswered) return written;
  return Report(parsed, *result);
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
  if (*given == "tab" || *given == "\t") {
    separator = '\t';
    return true;
  }
  if (*given != "," && *given != ";") {
    Fail("--separator must be , or ; or tab, not " + Quoted(*given));
    return false;
  }
  separator = given->front();
  return true;
}

Result<std::unique_ptr<ByteSource>> Program::OpenInput(const Command& command,
                                                       const ParsedCommand& parsed,
                                                       std::string& name, const std::string* given) {
  std::unique_ptr<ByteSource> source;
  int fd = STDIN_FILENO;
  if (given == nullptr && (parsed.positional.empty() || parsed.positional.front() == "-")) {
    name = "standard input";
    source = std::make_unique<FdSource>(STDIN_FILENO);
  } else {
    const std::string& path = given != nullptr ? *given : parsed.positional.front();
    Result<std::unique_ptr<FdSource>> opened = FdSource::Open(path);
    if (!opened) return Failed("cannot read " + Quoted(path) + ": " + opened.why());
    fd = (*opened)->Descriptor();
    name = Quoted(path);
    source = *std::move(opened);
  }
  guard_.AddInput(fd);
  // Output appended to the input would be read again, for ever; a file
  // written over its input loses it.
  if (!guard_.CheckDescriptor(STDOUT_FILENO)) return Failed(name + ": input file is output file");
  for (const Option& option : command.options) {
    const auto path = parsed.Value(option.name);
    if (option.kind != OptionKind::kOutput || !path) continue;
    if (const Checked checked = guard_.CheckPath(std::string(*path)); !checked) {
      return Failed("cannot write " + Quoted(*path) + " (--" + std::string(option.name) +
                    "): " + checked.why() + " (" + name + ")");
    }
  }
  return source;
}

int Program::RunBatch(const Command& command, const ParsedCommand& parsed) {
  BatchOptions options;
  const Result<std::optional<std::string>> chosen = DefaultUnits();
  if (!chosen) return Fail(chosen.Failed());
  options.units = *chosen;
  if (!SeparatorOf(parsed, options.separator)) return kBadInput;
  Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, options.inputName);
  if (!input) return Fail(input.Failed());
  return calc::RunBatch(**input, out_, err_, options);
}

int Program::ReportRows(const ParsedCommand& parsed, const Outcome& outcome,
                        const std::vector<std::string>& rejected, const Chart& chart) {
  if (Print((parsed.Has("json") ? ToJson(outcome) : TextWithSummary(outcome)) + "\n") != kAnswered) {
    return kFailed;
  }
  const auto say = [this](const std::string& line) { return Say(line); };
  if (!std::ranges::all_of(rejected, say) || !SayRemarks(outcome)) return kFailed;
  if (!outcome.value && !Say("na: " + outcome.why)) return kFailed;
  if (const int written = WriteChart(parsed, chart); written != kAnswered) return written;
  return rejected.empty() ? outcome.status() : kBadInput;
}

int Program::RunSoil(const Command& command, const ParsedCommand& parsed) {
  Result<ReadContext> context = ContextOf(parsed, "");
  if (!context) return Fail(context.Failed());
  SurveyFile file;
  if (!SeparatorOf(parsed, file.separator)) return kBadInput;
  if (parsed.Has("svg") && parsed.Has("png")) return Fail("give one of --svg FILE and --png FILE");
  std::vector<SurveyRow> rows;
  std::string_view row = "line";
  if (parsed.positional.empty() && job_ && job_->survey) {
    rows = SurveyRows(*job_->survey);
    row = "job's survey row";
  } else {
    Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, file.name);
    if (!input) return Fail(input.Failed());
    Result<std::vector<SurveyRow>> read = ReadSurvey(**input, file);
    if (!read) return Fail(read.Failed());
    rows = *std::move(read);
    context->marks = file.marks;
  }
  const Result<SurveyOptions> options = ReadSurveyOptions(parsed.Value("fit-layers"), parsed.Value("exclude"));
  if (!options) return Fail(options.Failed());
  // A job keeps every reading and fits them all again: what was left out
  // here would be back in it, unsaid.
  if (parsed.Has("exclude") && parsed.Has("save-job")) {
    return Fail(Refused("--exclude with --save-job: a job keeps and fits every reading; delete the "
                        "readings to leave out from the file before saving the job"));
  }
  const Result<Survey> result = CalculateSurvey(rows, *context, row, *options);
  if (!result) return Fail(result.Failed());
  Job saved = JobOf("", parsed);
  saved.survey = SurveyTable(rows);
  if (const int written = SaveJob(parsed, saved); written != kAnswered) return written;
  return ReportRows(parsed, result->outcome, result->rejected, SurveyChart(*result));
}

int Program::RunTest(const Command& command, const ParsedCommand& parsed) {
  Result<ReadContext> context = ContextOf(parsed);
  if (!context) return Fail(context.Failed());
  SurveyFile file;
  if (!SeparatorOf(parsed, file.separator)) return kBadInput;
  if (parsed.Has("svg") && parsed.Has("png")) return Fail("give one of --svg FILE and --png FILE");
  std::vector<FallRow> rows;
  std::string_view row = "line";
  if (parsed.positional.empty() && job_ && job_->readings) {
    rows = FallRows(*job_->readings);
    row = "job's reading row";
  } else {
    Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, file.name);
    if (!input) return Fail(input.Failed());
    Result<std::vector<FallRow>> read = ReadFallRows(**input, file);
    if (!read) return Fail(read.Failed());
    rows = *std::move(read);
    context->rowMarks = file.marks;
  }
  // The design as a table of conductors, read as the electrodes command reads it.
  std::vector<ConductorRow> design;
  ConductorFile designFile;
  if (const auto path = parsed.Value("design-file")) {
    const std::string designPath(*path);
    Result<std::unique_ptr<ByteSource>> table = OpenInput(command, parsed, designFile.name, &designPath);
    if (!table) return Fail(table.Failed());
    Result<std::vector<ConductorRow>> read = ReadConductors(**table, designFile);
    if (!read) return Fail(designFile.name + ": " + read.why(), read.refused() ? kBadInput : kFailed);
    design = *std::move(read);
  }
  const Result<FallTest> result =
      CalculateFallTest(rows, Lookup(parsed), *context, row, design,
                        designFile.name + " line", designFile.marks);
  if (!result) return Fail(result.Failed());
  Job saved = JobOf("test", parsed);
  saved.readings = FallTable(rows);
  if (const int written = SaveJob(parsed, saved); written != kAnswered) return written;
  return ReportRows(parsed, result->outcome, result->rejected, FallTestChart(*result));
}

int Program::RunCurve(const Command& /*command*/, const ParsedCommand& parsed) {
  const Result<ReadContext> read = ContextOf(parsed);
  if (!read) return Fail(read.Failed());
  const ReadContext& context = *read;
  const InputLookup lookup = Lookup(parsed);
  Inputs in(lookup, context);
  auto rho = in.Required("rho");
  if (rho) rho = SeasonRho(in, *rho);
  const auto diameter = in.Required("diameter");
  const auto target = in.Optional("target");
  const CurveRange range{in.Optional("from"), in.Optional("to")};
  if (in.refusal()) return Fail(*in.refusal());
  if (range.from && range.to && !(*range.from < *range.to)) {
    return Fail("--from must be below --to");
  }
  const auto note = [this](const std::string& hint) { return Say("note: " + hint); };
  if (!std::ranges::all_of(in.hints(), note)) return kFailed;
  const auto outputs = std::ranges::count_if(std::array{"svg", "png", "csv"},
                                             [&](const char* name) { return parsed.Has(name); });
  if (outputs != 1) return Fail("give exactly one of --svg FILE, --png FILE and --csv");
  const Curve curve = MakeCurve(*rho, *diameter, context.units, target, range);
  if (!std::ranges::all_of(curve.notes, note)) return kFailed;
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
  return WritePng(std::string(*parsed.Value("png")), ToSvg(chart), chart.width, chart.height);
}

int Program::WritePng(const std::string& path, const std::string& svg, int width, int height) {
  const Result<std::string> png = RasteriseSvg(svg, width, height);
  if (!png) return Fail("cannot draw: " + png.why(), kFailed);
  return WriteFile(path, *png);
}

Progress Program::ProgressLine() {
  // Long calculations (a large site, a large group in layers) show how far
  // they are, on a terminal, once they have taken a second: a bar redrawn
  // where its percentage changes, ended when the work is.
  if (::isatty(STDERR_FILENO) == 0) return {};
  const auto start = std::chrono::steady_clock::now();
  auto shown = std::make_shared<int>(-1);
  return [this, start, shown](double done) {
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(std::clamp(100 * done, 0.0, 100.0));
    if (percent == *shown) return;
    *shown = percent;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kWidth - filled), '.');
    (void)err_.Write("\rostrevin-calc " + std::string(command_) + ": [" + bar + "] " + std::to_string(percent) +
                     " %" + (percent == 100 ? "\n" : ""));
    barShown_ = percent < 100;
  };
}

int Program::RunHelp(const Command& /*command*/, const ParsedCommand& parsed) {
  if (parsed.positional.empty()) return Print(UsageText());
  const Command* asked = FindCommand(parsed.positional.front());
  if (asked == nullptr) return Fail(UnknownCommand(parsed.positional.front()));
  return Print(HelpText(*asked));
}

int Program::WriteFile(const std::string& path, const std::string& bytes) {
  if (const Checked checked = guard_.CheckPath(path); !checked) {
    return Fail("cannot write " + Quoted(path) + ": " + checked.why(), kFailed);
  }
  if (path == "-" || IsOpenAs(path, STDOUT_FILENO)) return Print(bytes);
  if (const Checked written = ReplaceFile(path, bytes); !written) {
    return Fail("cannot write " + Quoted(path) + ": " + written.why(), kFailed);
  }
  guard_.AddOutput(path);
  return kAnswered;
}

int Program::Print(const std::string& text) {
  if (barShown_) {
    (void)err_.Write("\n");
    barShown_ = false;
  }
  if (out_.Write(text)) return kAnswered;
  Say("cannot write standard output: " + out_.ErrorText());
  return kFailed;
}

bool Program::Say(const std::string& message) {
  (void)out_.Flush();  // a failure shows at the next write or at the end
  if (barShown_) {
    // Below an unfinished bar (a calculation that ended before it), not over it.
    (void)err_.Write("\n");
    barShown_ = false;
  }
  const std::string prefix =
      command_.empty() ? "ostrevin-calc: " : "ostrevin-calc " + std::string(command_) + ": ";
  return err_.Write(prefix + message + "\n");
}

int Program::Fail(const std::string& message, int status) {
  Say(message);
  return status;
}

int Program::Fail(const Why& why) {
  switch (why.failure) {
    case Failure::kRefused:
      return Fail(why.text, kBadInput);
    case Failure::kNoAnswer:
      return Fail("na: " + why.text, kNoAnswer);
    case Failure::kFailed:
      return Fail(why.text, kFailed);
  }
  return Fail(why.text, kFailed);
}

int Program::Finish(int status) {
  if (!out_.Flush() && status != kFailed) {
    Say("cannot write standard output: " + out_.ErrorText());
    return kFailed;
  }
  return status;
}

}  // namespace ostrevin::calc
