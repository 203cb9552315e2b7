// `report JOB`: the job computed and its report written as HTML and/or PDF.
#include "calc/report.h"
#include "calc/text.h"
#include "cli/png.h"
#include "cli/program.h"

namespace ostrevin::calc {

int Program::RunReport(const Command& command, const ParsedCommand& parsed) {
  if (parsed.positional.size() != 1) return Fail("give the job file: report JOB --pdf FILE");
  if (!parsed.Has("html") && !parsed.Has("pdf"))
    return Fail("give --pdf FILE, --html FILE or both");
  const auto paper = parsed.Value("paper");
  if (paper && *paper != "a4" && *paper != "letter") {
    return Fail("--paper must be a4 or letter, not " + Quoted(*paper));
  }
  if (const int checked = CheckOutputs(command, parsed); checked != kAnswered) return checked;
  const Result<Job> job = ReadJobFile(command, parsed, parsed.positional.front());
  if (!job) return Fail(job.Failed());
  const Result<JobResults> results = RunJobParts(*job, ProgressLine());
  if (!results) return Fail(results.Failed());
  const auto note = [this](const std::string& line) { return Say("note: " + line); };
  if (!std::ranges::all_of(results->notes, note)) return kFailed;
  const JobReport report = MakeReport(*job, *results, "ostrevin-calc " OSTREVIN_VERSION,
                                      paper ? std::string(*paper) : std::string());
  // The PDF first: a report whose PDF cannot be made leaves no HTML behind either.
  if (const auto path = parsed.Value("pdf")) {
    std::vector<std::string> svgs;
    for (const ReportDrawing& drawing : report.drawings) svgs.push_back(drawing.svg);
    std::string title;
    for (const auto& [key, value] : job->header) {
      if (key == "job") title = value;
    }
    const Result<std::string> pdf = HtmlToPdf(report.pdfHtml, svgs, report.paper == "letter",
                                              title.empty() ? "Earthing report" : title);
    if (!pdf) return Fail("cannot write the PDF: " + pdf.why(), kFailed);
    if (const int written = WriteFile(std::string(*path), *pdf); written != kAnswered)
      return written;
  }
  if (const auto path = parsed.Value("html")) {
    if (const int written = WriteFile(std::string(*path), report.html); written != kAnswered)
      return written;
  }
  // A criterion that fails is the report's news, not an error.
  return kAnswered;
}

}  // namespace ostrevin::calc
