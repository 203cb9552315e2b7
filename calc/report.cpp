#include "calc/report.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "calc/chart.h"
#include "calc/electrodes.h"
#include "calc/quantities.h"
#include "calc/text.h"
#include "calc/tools.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

std::string Given(const JobValues& values, std::string_view key) {
  const auto found =
      std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == key; });
  return found == values.end() ? std::string() : found->second;
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

// The electrode's bill: conductor, rods, the area it covers.
std::string TotalsTable(const SolvedElectrode& e) {
  const ElectrodeTotals totals = TotalsOf(e);
  std::vector<std::vector<std::string>> rows{
      {"Buried conductor (horizontal)", LengthText(totals.conductorM, e.units)},
      {"Rods", std::to_string(totals.rods) +
                   (totals.rods > 0 ? ", " + LengthText(totals.rodsM, e.units) + " in all" : "")}};
  if (totals.areaM2) {
    const double perUnit = LengthFromMetres(1, e.units);
    rows.push_back({"Area within the outline",
                    FormatDouble("%.1f", *totals.areaM2 * perUnit * perUnit) + " " +
                        std::string(LengthUnit(e.units)) + "²"});
  }
  return TableHtml({"Totals", ""}, rows, "totals");
}

// The soil's model the electrode stands in, a row a layer: its resistivity,
// thickness and the depths it spans (a value the units cannot read, which a
// computed electrode never has, is shown as typed).
std::string SoilModelTable(const std::vector<JobLayer>& layers, const ReadContext& context) {
  std::vector<std::vector<std::string>> rows;
  double top = 0;
  bool known = true;  // the depth so far
  const auto depth = [&] { return known ? LengthText(top, context.units) : std::string("?"); };
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const Result<QuantityValue> rho = ReadQuantity(*FindQuantity("rho"), layers[i].rho, context);
    std::vector<std::string> row{
        std::to_string(i + 1),
        rho ? FormatNumber(RoundResistivity(rho->value)) + " ohm-cm" : layers[i].rho};
    const std::string from = depth();
    if (layers[i].h.empty()) {
      row.insert(row.end(), {"-", "below " + from});
    } else {
      const std::optional<double> h = ReadMetres(layers[i].h, context);
      known = known && h.has_value();
      top += h.value_or(0);
      row.insert(row.end(), {h ? LengthText(*h, context.units) : layers[i].h, from + " to " + depth()});
    }
    rows.push_back(std::move(row));
  }
  return TableHtml({"Layer", "Resistivity", "Thickness", "Depth"}, rows, "soil-model");
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
  if (results.electrode) criteria = SummaryOf(*results.electrode, Given(job.electrode, "target"));
  if (results.test && results.test->outcome.value) {
    criteria.push_back({"Measured resistance (field test)",
                        ShowOhms(*results.test->outcome.value) + " ohms",
                        {},
                        {},
                        "not judged"});
  }
  return criteria;
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
    if (!results.model.empty()) {
      out.Heading("Soil model", 3);
      out.Raw(SoilModelTable(results.model, JobContext(job)));
    }
    if (electrode.electrode) {
      const Drawing plan = PlanDrawing(*electrode.electrode);
      out.Picture(plan.svg, plan.width, plan.height, "Plan, with its dimensions");
      out.Raw(TotalsTable(*electrode.electrode));
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
