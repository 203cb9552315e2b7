#include "calc/report.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "calc/chart.h"
#include "calc/electrodes.h"
#include "calc/text.h"
#include "calc/tools.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

// The US electrical code's most for one rod, ohms (NEC 250.53(A)(2)).
constexpr double kCodeOhms = 25;

// A number of the outcome's, among its fields or its inputs as read.
std::optional<double> Number(const Outcome& outcome, std::string_view key) {
  const JsonValue* field = outcome.Field(key);
  if (field == nullptr) {
    const auto input = std::find_if(outcome.inputs.begin(), outcome.inputs.end(),
                                    [&](const JsonMember& member) { return member.first == key; });
    if (input != outcome.inputs.end()) field = &input->second;
  }
  if (field == nullptr) return std::nullopt;
  const auto* value = std::get_if<double>(&field->variant());
  if (value == nullptr || !std::isfinite(*value)) return std::nullopt;
  return *value;
}

std::string Volts(double volts) { return FormatDouble("%.1f", volts) + " V"; }

// A criterion judged: the value at most the limit (at least, for a size);
// the margin the share of the limit to spare, negative when it fails.
SummaryRow Judged(std::string quantity, double value, double limit, const std::string& valueText,
                  const std::string& limitText, bool atMost = true) {
  const double margin = 100 * (atMost ? limit - value : value - limit) / limit;
  const bool pass = atMost ? value <= limit : value >= limit;
  return {std::move(quantity), valueText, limitText,
          (margin >= 0 ? "+" : "") + FormatDouble("%.1f", margin) + " %", pass ? "pass" : "fail"};
}

std::string Given(const JobValues& values, std::string_view key) {
  const auto found =
      std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == key; });
  return found == values.end() ? std::string() : found->second;
}

void AddResistance(const Outcome& electrode, const Job& job, std::vector<SummaryRow>& criteria) {
  if (!electrode.value || electrode.unit != "ohms") return;
  const double ohms = *electrode.value;
  const std::string shown = ShowOhms(ohms) + " ohms";
  const std::optional<double> target = Number(electrode, "target");
  if (electrode.command == "check") {
    criteria.push_back(Judged("Resistance of one rod (NEC 250.53(A)(2))", ohms, kCodeOhms, shown,
                              FormatNumber(kCodeOhms) + " ohms"));
  } else if (target) {
    criteria.push_back(
        Judged("Resistance to earth", ohms, *target, shown, ShowOhms(*target) + " ohms"));
  } else if (const std::string given = Given(job.electrode, "target"); !given.empty()) {
    criteria.push_back({"Resistance to earth", shown, given, {}, "not judged"});
  } else {
    criteria.push_back({"Resistance to earth", shown, {}, {}, "not judged"});
  }
}

void AddVoltages(const Outcome& electrode, std::vector<SummaryRow>& criteria) {
  const auto touchLimit = Number(electrode, "touch_limit_volts");
  const auto stepLimit = Number(electrode, "step_limit_volts");
  const auto add = [&](const char* quantity, std::optional<double> value,
                       std::optional<double> limit) {
    if (!value) return;
    if (limit) {
      criteria.push_back(Judged(quantity, *value, *limit, Volts(*value), Volts(*limit)));
    } else {
      criteria.push_back({quantity, Volts(*value), {}, {}, "not judged"});
    }
  };
  add("Touch voltage inside", Number(electrode, "touch_volts"), touchLimit);
  add("Step voltage", Number(electrode, "step_volts"), stepLimit);
  const JsonValue* fence = electrode.Field("fence_verdict");
  const auto* fenceVerdict =
      fence != nullptr ? std::get_if<std::string>(&fence->variant()) : nullptr;
  if (fenceVerdict != nullptr && *fenceVerdict != "not judged") {
    add("Touch voltage at the fence", Number(electrode, "fence_touch_volts"), touchLimit);
  }
}

void AddConductor(const Outcome& electrode, std::vector<SummaryRow>& criteria) {
  const auto least = Number(electrode, "conductor_min_mm2");
  const auto diameter = Number(electrode, "conductor");
  if (!least || !diameter) return;
  // The conductor's diameter in the unit system's diameter unit: metres or inches.
  const double metres = *diameter * (IsMetric(electrode.units) ? 1.0 : 0.0254);
  const double mm2 = std::numbers::pi / 4 * std::pow(metres * 1000, 2);
  criteria.push_back(Judged("Conductor's cross-section (IEEE 80 eq. 37)", mm2, *least,
                            FormatDouble("%.1f", mm2) + " mm²",
                            "at least " + FormatDouble("%.1f", *least) + " mm²", false));
}

std::string Cell(const std::string& text, const char* tag = "td") {
  return std::string("<") + tag + ">" + XmlEscaped(text) + "</" + tag + ">";
}

std::string TableHtml(const std::vector<std::string>& columns,
                      const std::vector<std::vector<std::string>>& rows, const char* cls = "") {
  std::string html =
      std::string("<table class=\"") + cls + R"(" border="1" cellspacing="0" cellpadding="4"><tr>)";
  for (const std::string& column : columns) html += Cell(column, "th");
  html += "</tr>";
  for (const auto& row : rows) {
    html += "<tr>";
    for (const std::string& cell : row) html += Cell(cell);
    html += "</tr>";
  }
  return html + "</table>\n";
}

class Writer {
 public:
  explicit Writer(JobReport& report) : report_(report) {}

  void Raw(const std::string& html) {
    report_.html += html;
    report_.pdfHtml += html;
  }
  void Heading(const std::string& text, int level = 2) {
    const std::string tag = "h" + std::to_string(level);
    Raw("<" + tag + ">" + XmlEscaped(text) + "</" + tag + ">\n");
  }
  void Paragraph(const std::string& text) { Raw("<p>" + XmlEscaped(text) + "</p>\n"); }
  void Lines(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::string html = "<ul>";
    for (const std::string& line : lines) html += "<li>" + XmlEscaped(line) + "</li>";
    Raw(html + "</ul>\n");
  }
  void Picture(const std::string& svg, int width, int height, const std::string& caption) {
    if (svg.empty()) return;
    report_.html +=
        "<figure>" + svg + "<figcaption>" + XmlEscaped(caption) + "</figcaption></figure>\n";
    report_.pdfHtml += "<p><img src=\"drawing:" + std::to_string(report_.drawings.size()) +
                       "\" width=\"" + std::to_string(width) + "\" height=\"" +
                       std::to_string(height) + "\"></p><p><i>" + XmlEscaped(caption) +
                       "</i></p>\n";
    report_.drawings.push_back({svg, width, height});
  }
  void Outcome(const calc::Outcome& outcome) {
    Raw("<p class=\"answer\"><b>" +
        XmlEscaped(outcome.value ? outcome.result + " " + outcome.unit : "na: " + outcome.why) +
        "</b></p>\n");
    Lines(outcome.details);
    if (!outcome.table.columns.empty()) Raw(TableHtml(outcome.table.columns, outcome.table.rows));
  }

 private:
  JobReport& report_;
};

constexpr std::string_view kStyle =
    "<style>\n"
    "body{font-family:'DejaVu Sans',Arial,sans-serif;font-size:10pt;color:#000;background:#fff;"
    "max-width:50em;margin:1em auto;padding:0 1em}\n"
    "h1{font-size:16pt}h2{font-size:13pt;margin-top:1.2em;border-bottom:1px solid #888}"
    "h3{font-size:11pt}\n"
    "table{border-collapse:collapse;margin:0.5em 0}th,td{border:1px solid #888;padding:3px 6px;"
    "text-align:left;vertical-align:top}th{background:#eee}\n"
    ".pass{color:#0a6b2d;font-weight:bold}.fail{color:#b00020;font-weight:bold}\n"
    "figure{margin:0.5em 0}figure svg{max-width:100%;height:auto}figcaption{font-style:italic}\n"
    ".signatures td{height:3em;width:12em}\n"
    "@page{margin:15mm 15mm 20mm;@bottom-center{content:'Page ' counter(page) ' of ' "
    "counter(pages);font-size:9pt}}\n"
    "</style>\n";

std::string HeaderValue(const Job& job, std::string_view key) {
  const std::string value = Given(job.header, key);
  return value.empty() ? "-" : value;
}

void WriteHeader(Writer& out, const Job& job, const std::string& program) {
  const std::string title = HeaderValue(job, "job");
  out.Heading("Earthing report: " + (title == "-" ? std::string("untitled job") : title), 1);
  const std::vector<std::pair<std::string, std::string>> rows{
      {"Job", HeaderValue(job, "job")},
      {"Site", HeaderValue(job, "site")},
      {"Engineer", HeaderValue(job, "engineer")},
      {"Checked by", HeaderValue(job, "checked-by")},
      {"Revision", HeaderValue(job, "revision")},
      {"Date", HeaderValue(job, "date")},
      {"Program", program},
      {"Units", job.units}};
  std::string html = R"(<table class="header" border="1" cellspacing="0" cellpadding="4">)";
  for (const auto& [name, value] : rows) html += "<tr>" + Cell(name, "th") + Cell(value) + "</tr>";
  out.Raw(html + "</table>\n");
  if (const std::string notes = Given(job.header, "notes"); !notes.empty()) out.Paragraph(notes);
}

void WriteSummary(Writer& out, const std::vector<SummaryRow>& criteria) {
  out.Heading("Summary");
  std::string html =
      "<table class=\"summary\" border=\"1\" cellspacing=\"0\" "
      "cellpadding=\"4\"><tr><th>Quantity</th>"
      "<th>Value</th><th>Limit</th><th>Margin</th><th>Result</th></tr>";
  for (const SummaryRow& c : criteria) {
    html += "<tr>" + Cell(c.quantity) + Cell(c.value) + Cell(c.limit.empty() ? "-" : c.limit) +
            Cell(c.margin.empty() ? "-" : c.margin) + "<td class=\"" +
            (c.pass == "not judged" ? "" : c.pass) + "\">" +
            (c.pass == "pass"   ? "<font color=\"#0a6b2d\"><b>pass</b></font>"
             : c.pass == "fail" ? "<font color=\"#b00020\"><b>fail</b></font>"
                                : XmlEscaped(c.pass)) +
            "</td></tr>";
  }
  out.Raw(html + "</table>\n");
  out.Raw("<p class=\"verdict\"><b>" + XmlEscaped(VerdictOf(criteria)) + "</b></p>\n");
}

std::vector<std::string> Methods(const Job& job, const JobResults& results) {
  std::vector<std::string> methods;
  const auto add = [&](std::string_view id) {
    for (const Tool& tool : Tools()) {
      if (tool.id == id &&
          std::find(methods.begin(), methods.end(), tool.formula) == methods.end()) {
        methods.emplace_back(tool.formula);
      }
    }
  };
  if (results.soil) add("survey");
  if (results.electrode) {
    for (const Tool& tool : Tools()) {
      if (tool.calculation == job.tool || (job.tool == "electrodes" && tool.id == "electrodes"))
        add(tool.id);
    }
  }
  if (results.test) add("test");
  return methods;
}

void WriteSignatures(Writer& out, const Job& job) {
  out.Heading("Signatures");
  out.Raw(TableHtml({"", "Name", "Signature", "Date"},
                    {{"Designed by", Given(job.header, "engineer"), "", ""},
                     {"Checked by", Given(job.header, "checked-by"), "", ""},
                     {"Approved by", "", "", ""}},
                    "signatures"));
}

}  // namespace

std::vector<SummaryRow> SummaryOf(const JobResults& results, const Job& job) {
  std::vector<SummaryRow> criteria;
  if (results.electrode) {
    AddResistance(*results.electrode, job, criteria);
    AddVoltages(*results.electrode, criteria);
    AddConductor(*results.electrode, criteria);
  }
  if (results.test && results.test->outcome.value) {
    criteria.push_back({"Measured resistance (field test)",
                        ShowOhms(*results.test->outcome.value) + " ohms",
                        {},
                        {},
                        "not judged"});
  }
  return criteria;
}

std::string VerdictOf(const std::vector<SummaryRow>& criteria) {
  std::string failing;
  int judged = 0;
  for (const SummaryRow& c : criteria) {
    if (c.pass == "not judged") continue;
    ++judged;
    if (c.pass == "fail")
      failing += (failing.empty() ? "" : "; ") + c.quantity + " " + c.value + " against " + c.limit;
  }
  if (judged == 0) return "No criterion is judged: the job gives no limit to hold the values to.";
  if (!failing.empty()) return "The design fails: " + failing + ".";
  return "The design meets every criterion judged (" + std::to_string(judged) + ").";
}

JobReport MakeReport(const Job& job, const JobResults& results, const std::string& program,
                     const std::string& paper) {
  JobReport report;
  report.paper = !paper.empty() ? paper : job.units == "english" ? "letter" : "a4";
  report.summary = SummaryOf(results, job);
  Writer out(report);
  const std::string title = Given(job.header, "job");
  out.Raw("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
          XmlEscaped(title.empty() ? "Earthing report" : title) + "</title>\n");
  report.html += std::string(kStyle) +
                 "<style>@page{size:" + (report.paper == "a4" ? "A4" : "letter") + "}</style>\n";
  out.Raw("</head><body>\n");
  WriteHeader(out, job, program);
  WriteSummary(out, report.summary);
  std::vector<std::string> warnings = results.notes;
  if (results.soil) {
    const Survey& soil = *results.soil;
    out.Heading("Soil");
    out.Outcome(soil.outcome);
    out.Lines(soil.rejected);
    const Chart chart = SurveyChart(soil);
    out.Picture(ToSvg(chart), chart.width, chart.height, "The survey's readings against the model");
    for (const std::string& w : soil.outcome.warnings) warnings.push_back("soil: " + w);
  }
  if (results.electrode) {
    const Outcome& electrode = *results.electrode;
    out.Heading("Electrode (" + electrode.command + ")");
    out.Outcome(electrode);
    if (electrode.electrode) {
      const Drawing plan = PlanDrawing(*electrode.electrode);
      out.Picture(plan.svg, plan.width, plan.height, "Plan, with its dimensions");
      const Drawing touch = TouchDrawing(*electrode.electrode);
      out.Picture(touch.svg, touch.width, touch.height,
                  "Touch voltage over the site, its limit a contour");
      const Drawing potential = PotentialDrawing(*electrode.electrode);
      out.Picture(potential.svg, potential.width, potential.height, "Surface potential");
    }
    if (!job.safety.empty()) {
      out.Heading("Fault and safety inputs", 3);
      std::vector<std::vector<std::string>> rows;
      for (const auto& [key, text] : job.safety) rows.push_back({key, text});
      out.Raw(TableHtml({"Input", "Value"}, rows));
    }
    for (const std::string& w : electrode.warnings) warnings.push_back("electrode: " + w);
    for (const std::string& n : electrode.notes) warnings.push_back("electrode: " + n);
  }
  if (results.test) {
    out.Heading("Field test");
    out.Outcome(results.test->outcome);
    out.Lines(results.test->rejected);
    const Chart chart = FallTestChart(*results.test);
    out.Picture(ToSvg(chart), chart.width, chart.height,
                "The readings against the probe's distance");
    for (const std::string& w : results.test->outcome.warnings) warnings.push_back("test: " + w);
  }
  out.Heading("Methods and standards");
  out.Lines(Methods(job, results));
  out.Heading("Warnings and assumptions");
  if (warnings.empty()) warnings.emplace_back("none");
  out.Lines(warnings);
  WriteSignatures(out, job);
  out.Raw("</body></html>\n");
  return report;
}

}  // namespace ostrevin::calc
