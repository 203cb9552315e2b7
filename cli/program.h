// ostrevin-calc's run: the arguments, the command's runner, checked writes
// to standard output, standard error and files, and the exit status.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <memory>
#include <optional>
#include <variant>

#include "calc/chart.h"
#include "calc/job.h"
#include "cli/command_line.h"
#include "cli/io.h"

namespace ostrevin::calc {

class Program {
 public:
  int Run(std::vector<std::string> arguments);

  // The runners of the table of commands.
  int RunCalculation(const Command& command, const ParsedCommand& parsed);
  int RunBatch(const Command& command, const ParsedCommand& parsed);
  int RunCurve(const Command& command, const ParsedCommand& parsed);
  int RunSoil(const Command& command, const ParsedCommand& parsed);
  int RunTest(const Command& command, const ParsedCommand& parsed);
  int RunElectrodes(const Command& command, const ParsedCommand& parsed);
  int RunHelp(const Command& command, const ParsedCommand& parsed);
  int RunJob(const Command& command, const ParsedCommand& parsed);
  int RunReport(const Command& command, const ParsedCommand& parsed);

 private:
  // Text for standard output: kAnswered, or kFailed once it cannot be written.
  int Print(const std::string& text);
  // One line on standard error, "ostrevin-calc length: ...", after what
  // standard output has so far (the two stay in order when they are one).
  bool Say(const std::string& message);
  int Fail(const std::string& message, int status = kBadInput);
  // The status of a failure, after its reason on standard error.
  int Fail(const Why& why);
  // Everything written out, or exit status 1 with the reason.
  int Finish(int status);
  // A file's bytes: through standard output for "-" or a name of it,
  // otherwise the file replaced whole.
  int WriteFile(const std::string& path, const std::string& bytes);
  // The outcome's warnings and notes on standard error; false when that failed.
  bool SayRemarks(const Outcome& outcome);
  // The unit system of --units.
  // The context values are read in: the --units given (english, metric or
  // si), names with `prefix`.
  // With --job, the job's units (--units given too must be the same).
  Result<ReadContext> ContextOf(const ParsedCommand& parsed, std::string_view prefix = "--") const;
  // The inputs given, else the job's (--job).
  InputLookup Lookup(const ParsedCommand& parsed) const;
  // --job JOB read for the command: its inputs kept, a note for each given
  // over the job's; refused as ReadJob refuses.
  int LoadJob(const Command& command, const ParsedCommand& parsed);
  // The soil of a survey (--survey FILE, or the job's survey when it gives
  // no model) fitted for the calculation `tool`: its model kept as the
  // job's rho or layers, said in a note.
  int LoadSurvey(const Command& command, const ParsedCommand& parsed);
  // A job file read whole (at most kMaxJobBytes), as an input of the command.
  Result<Job> ReadJobFile(const Command& command, const ParsedCommand& parsed, const std::string& path);
  // --save-job FILE: the inputs the command was given, with the tables it read.
  int SaveJob(const ParsedCommand& parsed, const Job& job);
  // The job given (--job) or one of the command's inputs, for --save-job.
  Job JobOf(std::string_view tool, const ParsedCommand& parsed) const;
  // The user's default units (OSTREVIN_UNITS: english, metric or si), or
  // none; refused naming the variable when it is none of them.
  static Result<std::optional<std::string>> DefaultUnits();
  // The options as the calculation looks them up, --outline-file read into
  // the outline's text (`outline` keeps it).
  Result<InputLookup> LookupWithOutline(const Command& command, const ParsedCommand& parsed,
                                        UnitSystem units, std::string& outline);
  // The file named (`given`, or when it is null the positional one: standard
  // input for none or "-"), registered as an input; refused when an output
  // of the command (standard output, an output file) is that very file.
  Result<std::unique_ptr<ByteSource>> OpenInput(const Command& command, const ParsedCommand& parsed,
                                                std::string& name, const std::string* given = nullptr);
  // --separator, or nothing to detect it; false when it is neither , nor ;.
  bool SeparatorOf(const ParsedCommand& parsed, std::optional<char>& separator);
  // A table's outcome (a survey, a field test): the text or JSON, each
  // refused row, the remarks, the chart; bad input when a row was refused.
  int ReportRows(const ParsedCommand& parsed, const Outcome& outcome,
                 const std::vector<std::string>& rejected, const Chart& chart);
  // A chart to --svg FILE or --png FILE, when one is asked for.
  int WriteChart(const ParsedCommand& parsed, const Chart& chart);
  // An SVG drawing's PNG picture to the file.
  int WritePng(const std::string& path, const std::string& svg, int width, int height);
  // Before a calculation: whether its files can be written (no two options
  // naming one file, no map without the current, none an input).
  int CheckOutputs(const Command& command, const ParsedCommand& parsed);
  // After it: an electrode's plan, map, currents and layout to the files asked for.
  int WriteElectrodeFiles(const ParsedCommand& parsed, const Outcome& outcome);
  // The outcome on standard output (text or JSON), its remarks and "na".
  int Report(const ParsedCommand& parsed, const Outcome& outcome);
  // A bar on a terminal telling a long calculation's progress, redrawn in
  // place as its share grows (nothing when standard error is no terminal).
  Progress ProgressLine();

  std::optional<Job> job_;
  JobInputs jobInputs_;
  std::optional<JobTable> survey_;  // the survey fitted for the command (--survey)
  OutputGuard guard_;
  FdSink out_{STDOUT_FILENO, std::size_t{64} * 1024};
  FdSink err_{STDERR_FILENO, 0};
  std::string_view command_;
  bool barShown_ = false;  // a progress bar stands unfinished on the terminal's line
};

}  // namespace ostrevin::calc
