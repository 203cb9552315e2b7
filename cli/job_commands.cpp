// The job file on the command line: --job JOB gives a command its inputs,
// --save-job FILE keeps those a command was given, `job run JOB` computes
// every part of a job and `report JOB` writes its report.
#include <array>

#include "calc/job_run.h"
#include "calc/report.h"
#include "calc/survey_file.h"
#include "calc/text.h"
#include "cli/program.h"

namespace ostrevin::calc {

namespace {

// The soil's model as options give it: one of these given replaces the job's model.
constexpr std::array<std::string_view, 5> kModel{"rho", "layers", "rho1", "h", "rho2"};

bool IsModel(std::string_view name) {
  return std::find(kModel.begin(), kModel.end(), name) != kModel.end();
}

// Whether the command was given a soil of its own, which replaces the job's.
bool ModelGiven(const ParsedCommand& parsed) {
  return std::any_of(kModel.begin(), kModel.end(),
                     [&](std::string_view name) { return parsed.Has(name); });
}

}  // namespace

InputLookup Program::Lookup(const ParsedCommand& parsed) const {
  const bool modelGiven = ModelGiven(parsed);
  return [&parsed, this, modelGiven](std::string_view name) -> std::optional<std::string_view> {
    if (const auto given = parsed.Value(name)) return given;
    if (modelGiven && IsModel(name)) return std::nullopt;
    const auto kept = jobInputs_.find(name);
    if (kept == jobInputs_.end()) return std::nullopt;
    return std::string_view(kept->second);
  };
}

Result<Job> Program::ReadJobFile(const Command& command, const ParsedCommand& parsed,
                                 const std::string& path) {
  std::string name;
  Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, name, &path);
  OSTREVIN_PASS_ON(input);
  std::string text;
  std::array<char, 65536> buffer{};
  for (;;) {
    const std::ptrdiff_t got = (*input)->Read(buffer.data(), buffer.size());
    if (got < 0) return Failed("cannot read " + name + ": " + (*input)->ErrorText());
    if (got == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(got));
    if (text.size() > kMaxJobBytes) break;
  }
  Result<Job> job = ReadJob(text);
  if (!job) return Refused(name + ": " + job.why());
  return job;
}

int Program::LoadJob(const Command& command, const ParsedCommand& parsed) {
  Result<Job> job = ReadJobFile(command, parsed, std::string(*parsed.Value("job")));
  if (!job) return Fail(job.Failed());
  Result<JobInputs> inputs = command.name == "test" ? TestInputs(*job) : ElectrodeInputs(*job);
  if (!inputs) return Fail(inputs.Failed());
  job_ = *std::move(job);
  jobInputs_ = *std::move(inputs);
  // The options given win over the job's values; each said once.
  const bool modelGiven = ModelGiven(parsed);
  for (const auto& [name, text] : jobInputs_) {
    const bool replaced = parsed.Has(name) || (modelGiven && IsModel(name));
    if (replaced &&
        !Say("note: --" + name + " " + Quoted(text) + " of the job is replaced by the " +
             (parsed.Has(name) ? "value given" : "soil given"))) {
      return kFailed;
    }
  }
  return kAnswered;
}

int Program::LoadSurvey(const Command& command, const ParsedCommand& parsed) {
  const bool modelGiven = ModelGiven(parsed);
  const auto path = parsed.Value("survey");
  if (path && modelGiven) return Fail("give --survey or the soil (--rho, --layers), not both");
  const bool fromJob = !path && job_ && job_->layers.empty() && job_->survey && !modelGiven;
  if (!path && !fromJob) return kAnswered;
  Result<ReadContext> context = ContextOf(parsed, "");
  if (!context) return Fail(context.Failed());
  std::vector<SurveyRow> rows;
  std::string row = "job's survey row";
  if (path) {
    SurveyFile file;
    const std::string given(*path);
    Result<std::unique_ptr<ByteSource>> input = OpenInput(command, parsed, file.name, &given);
    if (!input) return Fail(input.Failed());
    Result<std::vector<SurveyRow>> read = ReadSurvey(**input, file);
    if (!read) return Fail(read.Failed());
    rows = *std::move(read);
    context->marks = file.marks;
    row = file.name + " line";
  } else {
    rows = SurveyRows(*job_->survey);
  }
  const Result<Survey> survey = CalculateSurvey(rows, *context, row);
  if (!survey) return Fail(survey.Failed());
  survey_ = SurveyTable(rows);
  const auto say = [this](const std::string& line) { return Say(line); };
  if (!std::ranges::all_of(survey->rejected, say)) return kFailed;
  std::vector<std::string> notes;
  const auto model = SurveyModel(*survey, command.name, notes);
  if (!model) return Fail("the survey gives no soil: " + survey->outcome.why);
  Job fitted;
  fitted.layers = *model;
  Result<JobInputs> inputs = ElectrodeInputs(fitted);
  if (!inputs) return Fail(inputs.Failed());
  jobInputs_.insert(inputs->begin(), inputs->end());
  const auto note = [this](const std::string& line) { return Say("note: " + line); };
  return std::ranges::all_of(notes, note) ? kAnswered : kFailed;
}

Job Program::JobOf(std::string_view tool, const ParsedCommand& parsed) const {
  const auto units = parsed.Value("units");
  ReadContext context;
  const std::string system = job_                                       ? job_->units
                             : units && ReadUnitChoice(*units, context) ? Lower(Trim(*units))
                                                                        : "english";
  Job job = JobFromInputs(tool, Lookup(parsed), system);
  if (survey_) job.survey = survey_;
  if (job_) {
    job.header = job_->header;
    if (tool.empty() || tool == "test") {
      // The soil's and the test's commands keep the job's electrode as it was.
      job.tool = job_->tool;
      job.electrode = job_->electrode;
      job.safety = job_->safety;
      job.conductors = job_->conductors;
    }
    if (!job.survey) job.survey = job_->survey;
    if (!job.readings && tool != "test") job.readings = job_->readings;
    if (job.layers.empty()) job.layers = job_->layers;
  }
  return job;
}

int Program::SaveJob(const ParsedCommand& parsed, const Job& job) {
  const auto path = parsed.Value("save-job");
  if (!path) return kAnswered;
  return WriteFile(std::string(*path), WriteJob(job));
}

int Program::RunJob(const Command& command, const ParsedCommand& parsed) {
  if (parsed.positional.size() != 2 || parsed.positional.front() != "run") {
    return Fail("give run JOB (see ostrevin-calc job --help)");
  }
  const Result<Job> job = ReadJobFile(command, parsed, parsed.positional[1]);
  if (!job) return Fail(job.Failed());
  const Result<JobResults> results = RunJobParts(*job, ProgressLine());
  if (!results) return Fail(results.Failed());
  const std::string text = parsed.Has("json")
                               ? JobResultsJson(*results)
                               : JobResultsText(*results, SummaryOf(*results, *job));
  if (Print(text + "\n") != kAnswered) {
    return kFailed;
  }
  const auto say = [this](const std::string& line) { return Say(line); };
  const auto note = [this](const std::string& line) { return Say("note: " + line); };
  if (!std::ranges::all_of(results->notes, note)) return kFailed;
  struct Part {
    const char* name;
    const Outcome* outcome;
    const std::vector<std::string>* rejected;
  };
  const JobResults& r = *results;
  const std::array parts{
      Part{"soil", r.soil ? &r.soil->outcome : nullptr, r.soil ? &r.soil->rejected : nullptr},
      Part{"electrode", r.electrode ? &*r.electrode : nullptr, nullptr},
      Part{"test", r.test ? &r.test->outcome : nullptr, r.test ? &r.test->rejected : nullptr}};
  for (const Part& part : parts) {
    if (part.outcome == nullptr) continue;
    if (part.rejected != nullptr && !std::ranges::all_of(*part.rejected, say)) return kFailed;
    if (!SayRemarks(*part.outcome)) return kFailed;
    if (!part.outcome->value && !Say(std::string(part.name) + ": na: " + part.outcome->why))
      return kFailed;
  }
  return results->status;
}

}  // namespace ostrevin::calc
