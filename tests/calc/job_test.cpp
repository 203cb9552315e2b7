// The job file: every tool's inputs kept and given back byte for byte, every
// kind of bad file refused with the path of the value at fault, the parts
// computed together as their tools compute them alone, and the report's
// summary holding the values the calculations give.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "calc/job.h"
#include "calc/json.h"
#include "calc/job_run.h"
#include "calc/page_job.h"
#include "calc/report.h"
#include "core/number_text.h"
#include "run_calculation.h"

namespace ostrevin::calc {
namespace {

using test_support::LookupIn;
using test_support::Options;

const JobTable kSurvey{{"spacing", "rho", "depth"},
                       {{"1", "423.4ohm-m", "0.1"},
                        {"2", "322.2ohm-m", "0.1"},
                        {"4", "258.2ohm-m", "0.1"},
                        {"6", "165.1ohm-m", "0.1"},
                        {"8", "144.3ohm-m", "0.1"},
                        {"12", "122.8ohm-m", "0.1"},
                        {"16", "123.2ohm-m", "0.1"},
                        {"20", "124.4ohm-m", "0.1"},
                        {"24", "125.3ohm-m", "0.1"},
                        {"30", "131.9ohm-m", "0.1"},
                        {"36", "132.1ohm-m", "0.1"}}};
const JobTable kReadings{{"distance", "reading"},
                         {{"20m", "15.160"},
                          {"40m", "15.624"},
                          {"50m", "15.80"},
                          {"60m", "15.915"},
                          {"70m", "16.05"},
                          {"80m", "16.4"}}};
const Options kGrid{{"size", "70x70"},
                    {"meshes", "10x10"},
                    {"depth", "0.5"},
                    {"conductor", "0.01"},
                    {"rods", "20"},
                    {"rod-length", "7.5"},
                    {"rod-diameter", "0.016"},
                    {"rods-at", "perimeter"},
                    {"fault-current", "6814"},
                    {"split", "0.6"},
                    {"fault-duration", "0.5"},
                    {"shock-duration", "0.5"},
                    {"surface-rho", "2500ohm-m"},
                    {"surface-thickness", "0.1"},
                    {"fence", "1"},
                    {"layers", "400ohm-m,5m,100ohm-m"},
                    {"check-convergence", ""}};

Job FromOptions(std::string_view tool, const Options& options,
                const std::string& units = "metric") {
  return JobFromInputs(tool, LookupIn(options), units);
}

struct RoundTrip {
  const char* name;
  Job job;
};

std::vector<RoundTrip> EveryTool() {
  Job full = FromOptions("grid", kGrid);
  full.header = {
      {"job", "Substation 4 \"north\""}, {"site", "Hill road"}, {"engineer", "A. Engineer"},
      {"checked-by", "B. Checker"},      {"revision", "C"},     {"date", "2026-12-08"},
      {"notes", "line one\nline two, ü"}};
  full.survey = kSurvey;
  full.test = {{"current-probe", "100m"}};
  full.readings = kReadings;
  Job electrodes = FromOptions("electrodes", {{"rho", "100ohm-m"}, {"grid-current", "1000"}});
  electrodes.conductors = JobTable{
      {"x1", "y1", "z1", "x2", "y2", "z2", "diameter"},
      {{"0", "0", "0.5", "20", "0", "0.5", "10mm"}, {"0", "0", "0.5", "0", "0", "3.5", "16mm"}}};
  Job surveyOnly;
  surveyOnly.units = "si";
  surveyOnly.survey = kSurvey;
  return {
      {"resistance",
       FromOptions("resistance", {{"rho", "2000"}, {"diameter", "0.625"}, {"length", "10"}},
                   "english")},
      {"length",
       FromOptions(
           "length",
           {{"rho", "2000"}, {"diameter", "0.625"}, {"target", "25"}, {"season-factor", "1.5"}},
           "english")},
      {"check",
       FromOptions("check", {{"rho", "10000"}, {"diameter", "0.625"}, {"length", "8"}}, "english")},
      {"group", FromOptions("group", {{"rho", "100ohm-m"},
                                      {"diameter", "16mm"},
                                      {"length", "3"},
                                      {"layout", "square"},
                                      {"spacing", "3"}})},
      {"strip", FromOptions("strip", {{"layers", "300ohm-m,2,80ohm-m"},
                                      {"length", "40"},
                                      {"depth", "0.6"},
                                      {"conductor", "0.01"},
                                      {"grid-current", "500"}})},
      {"ring", FromOptions("ring", {{"rho", "100ohm-m"},
                                    {"ring-diameter", "30"},
                                    {"depth", "0.5"},
                                    {"conductor", "0.01"},
                                    {"rods", "4"},
                                    {"rod-length", "3"},
                                    {"rod-diameter", "0.016"}})},
      {"grid with everything", full},
      {"plate",
       FromOptions(
           "plate",
           {{"rho", "100ohm-m"}, {"size", "1x1"}, {"orientation", "flat"}, {"depth", "0.5"}})},
      {"electrodes", electrodes},
      {"survey alone", surveyOnly},
  };
}

TEST(JobFile, EveryToolComesBackByteForByte) {
  for (const RoundTrip& row : EveryTool()) {
    SCOPED_TRACE(row.name);
    const std::string written = WriteJob(row.job);
    const Result<Job> read = ReadJob(written);
    ASSERT_TRUE(read) << read.why() << "\n" << written;
    EXPECT_EQ(*read, row.job);
    EXPECT_EQ(WriteJob(*read), written);
    EXPECT_EQ(written.find('\r'), std::string::npos);
    EXPECT_TRUE(written.ends_with("}\n"));
    // The keys the tables give, in their order: the file is the one nlohmann reads.
    const auto json = nlohmann::ordered_json::parse(written);
    EXPECT_EQ(json.begin().key(), "format");
    EXPECT_EQ(json["version"], kJobVersion);
  }
}

TEST(JobFile, GridKeepsEveryPartInItsPlace) {
  const Job job = FromOptions("grid", kGrid);
  ASSERT_EQ(job.layers.size(), 2u);
  EXPECT_EQ(job.layers[0], (JobLayer{"400ohm-m", "5m"}));
  EXPECT_EQ(job.layers[1], (JobLayer{"100ohm-m", ""}));
  // The option table's order, whatever the order given.
  EXPECT_EQ(job.electrode.front().first, "size");
  EXPECT_EQ(job.electrode.back(),
            (std::pair<std::string, std::string>{"check-convergence", "true"}));
  EXPECT_EQ(job.safety.front().first, "fault-current");
  EXPECT_EQ(job.safety.back().first, "fence");
  const std::string text = WriteJob(job);
  EXPECT_NE(text.find("\"check-convergence\": true"), std::string::npos);
  EXPECT_NE(text.find("{\"rho\": \"400ohm-m\", \"h\": \"5m\"}"), std::string::npos);
  const Result<JobInputs> inputs = ElectrodeInputs(job);
  ASSERT_TRUE(inputs);
  EXPECT_EQ(inputs->at("layers"), "400ohm-m,5m,100ohm-m");
  EXPECT_EQ(inputs->at("check-convergence"), "");
  EXPECT_FALSE(inputs->contains("rho"));
}

// A valid job with one value replaced, as a user's editor would leave it.
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = WriteJob(FromOptions("grid", kGrid));
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

// The JSON reader alone: what it reads back as the writer wrote it, and
// each way text fails RFC 8259 refused with its place.
TEST(Json, ReadsWhatIsWrittenAndRefusesWhatIsNotJson) {
  const JsonValue sample(JsonObject{{"a", JsonArray{1, -2.5e-3, "x\n\"y\"\t\\", true, nullptr}},
                                    {"b", JsonObject{{"c", "\xc3\xa9\xe2\x82\xac"}}}});
  const Result<JsonValue> back = ParseJson(ToJson(sample), 8);
  ASSERT_TRUE(back) << back.why();
  EXPECT_EQ(ToJson(*back), ToJson(sample));
  // Escapes: a surrogate pair, \u in the basic plane, the solidus.
  const Result<JsonValue> escaped = ParseJson(R"(["\ud83d\ude00\u00e9\/"])", 8);
  ASSERT_TRUE(escaped) << escaped.why();
  EXPECT_EQ(std::get<std::string>(std::get<JsonArray>(escaped->variant())[0].variant()), "\xf0\x9f\x98\x80\xc3\xa9/");
  struct Row {
    const char* name;
    std::string text;
    const char* says;
  } const rows[] = {
      {"empty", "", "at line 1, column 1: a value was expected, not the end"},
      {"after the value", "{} x", "at line 1, column 4: the text goes on after the value"},
      {"a leading zero", "01", "at line 1, column 2: the text goes on after the value"},
      {"a bare point", "[1.]", "at line 1, column 4: a digit was expected after the point, not ']'"},
      {"no exponent", "1e", "at line 1, column 3: a digit was expected in the exponent, not the end"},
      {"too large", "1e999", "at line 1, column 1: a number too large"},
      {"a key twice", "{\"a\": 1,\n \"a\": 2}", "at line 2, column 2: the key \"a\" is given twice"},
      {"a key unquoted", "{a: 1}", "at line 1, column 2: a key in quotes was expected, not 'a'"},
      {"a trailing comma", "[1,]", "at line 1, column 4: a value was expected, not ']'"},
      {"a control character", "[\"a\tb\"]", "at line 1, column 4: a control character inside a string"},
      {"not UTF-8", "[\"\xc3(\"]", "at line 1, column 3: a string that is not UTF-8"},
      {"an overlong form", "[\"\xc0\xaf\"]", "at line 1, column 3: a string that is not UTF-8"},
      {"half a pair", R"(["\ud83d"])", "at line 1, column 9: half of a surrogate pair"},
      {"no such escape", R"(["\q"])", "at line 1, column 4: no escape \\q"},
      {"unclosed", "[\"abc", "at line 1, column 6: the text ends inside a string"},
      {"too deep", "[[[]]]", "nested deeper than 2 levels"},
  };
  for (const Row& row : rows) {
    const Result<JsonValue> read = ParseJson(row.text, 2);
    ASSERT_FALSE(read) << row.name;
    EXPECT_EQ(read.why(), row.says) << row.name;
  }
  // Among 200,000 keys the first given again at the end is found (each key
  // against all before it took minutes here).
  std::string many = "{";
  for (int k = 0; k < 200'000; ++k) many += "\"k" + std::to_string(k) + "\": 1, ";
  const Result<JsonValue> repeated = ParseJson(many + "\"k0\": 2}", 2);
  ASSERT_FALSE(repeated);
  EXPECT_TRUE(repeated.why().ends_with("the key \"k0\" is given twice")) << repeated.why();
}

TEST(JobFile, BadFilesRefusedWithTheirPath) {
  const std::string deep = std::string(65, '[') + std::string(65, ']');
  const std::string big =
      "{\"format\": \"ostrevin-job\", \"notes\": \"" + std::string(kMaxJobBytes, 'x') + "\"}";
  struct Row {
    const char* name;
    std::string text;
    const char* says;
  } const rows[] = {
      {"not JSON", "rho = 10", "$: not JSON: at line 1, column 1"},
      {"truncated", WriteJob(FromOptions("grid", kGrid)).substr(0, 200), "$: not JSON: at line"},
      {"empty", "", "$: not JSON"},
      {"too large", big, "$: a job file is at most 16 MiB"},
      {"nested past 64", deep, "$: nested deeper than 64 levels"},
      {"an array", "[]", "$: a job is a JSON object, not a list"},
      {"no format", "{\"version\": 1}", "$.format: not an Ostrevin job"},
      {"newer", Edited("\"version\": 1", "\"version\": 2"),
       "$.version: this is an Ostrevin job of version 2, newer than this Ostrevin reads (version "
       "1)"},
      {"version a text", Edited("\"version\": 1", "\"version\": \"1\""),
       "$.version: a job's version is a whole number"},
      {"no units", Edited("\"units\": \"metric\",", ""), "$.units: missing"},
      {"units unknown", Edited("\"units\": \"metric\"", "\"units\": \"imperial\""),
       "$.units: must be english, metric or si, not \"imperial\""},
      {"a number for a text", Edited("\"depth\": \"0.5\"", "\"depth\": 0.5"),
       "$.electrode.depth: must be a text as typed (\"0.5\"), not a number"},
      {"out of range", Edited("\"depth\": \"0.5\"", "\"depth\": \"-2\""),
       "$.electrode.depth: depth needs"},
      {"unknown key", Edited("\"meshes\"", "\"meshs\""),
       "$.electrode.meshs: not a key of the grid tool (size, meshes"},
      {"unknown part", Edited("\"safety\"", "\"safty\""), "$.safty: not a part of a job"},
      {"unknown tool", Edited("\"tool\": \"grid\"", "\"tool\": \"mesh\""),
       "$.electrode.tool: the electrode's tool, one of"},
      {"bad choice", Edited("\"perimeter\"", "\"everywhere\""),
       "$.electrode.rods-at: rods-at must be"},
      {"flag as text", Edited("\"check-convergence\": true", "\"check-convergence\": \"yes\""),
       "$.electrode.check-convergence: a flag is true or false"},
      {"last layer with h",
       Edited("{\"rho\": \"100ohm-m\"}", "{\"rho\": \"100ohm-m\", \"h\": \"2\"}"),
       "$.soil.layers[1].h: the last layer goes down for ever"},
      {"layer rho out of range", Edited("\"400ohm-m\"", "\"-4ohm-m\""), "$.soil.layers[0].rho: "},
      {"layer without h", Edited(", \"h\": \"5m\"", ""), "$.soil.layers[0].h: missing"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Result<Job> read = ReadJob(row.text);
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.refused());
    EXPECT_EQ(read.why().substr(0, std::string(row.says).size()), row.says) << read.why();
  }
  // Tables: a row of the wrong length, a column of another table, a cell not a text.
  Job job = FromOptions("grid", kGrid);
  job.survey = kSurvey;
  const std::string survey = WriteJob(job);
  const auto refused = [&](const std::string& from, const std::string& to,
                           const std::string& says) {
    std::string text = survey;
    text.replace(text.find(from), from.size(), to);
    const Result<Job> read = ReadJob(text);
    ASSERT_FALSE(read) << says;
    EXPECT_EQ(read.why().substr(0, says.size()), says) << read.why();
  };
  refused("[\"2\", \"322.2ohm-m\", \"0.1\"]", "[\"2\", \"322.2ohm-m\"]",
          "$.soil.survey.rows[1]: a row is a list of 3 texts");
  refused("\"columns\": [\"spacing\"", "\"columns\": [\"distance\"",
          "$.soil.survey.columns[0]: a column of spacing");
  refused("[\"4\", \"258.2ohm-m\"", "[4, \"258.2ohm-m\"",
          "$.soil.survey.rows[2][0]: must be a text");
}

TEST(JobFile, ThreeLayersAndMoreRunForTheSolverAndAreRefusedByTheRodFormula) {
  const std::vector<JobLayer> three{{"300ohm-m", "2m"}, {"100ohm-m", "6m"}, {"1000ohm-m", ""}};
  // The grid in three layers: read back, run, as the command line gives it.
  Job grid = FromOptions("grid", kGrid);
  grid.layers = three;
  const Result<Job> read = ReadJob(WriteJob(grid));
  ASSERT_TRUE(read) << read.why();
  EXPECT_EQ(read->layers.size(), 3u);
  const Result<JobResults> run = RunJobParts(*read);
  ASSERT_TRUE(run && run->electrode) << run.why();
  Options byHand = kGrid;
  byHand["layers"] = "300ohm-m,2m,100ohm-m,6m,1000ohm-m";
  const Result<Outcome> alone = test_support::Solve("grid", byHand);
  ASSERT_TRUE(alone) << alone.why();
  EXPECT_EQ(*run->electrode->value, *alone->value);
  // The report states the soil the grid stands in, a row a layer.
  const std::string report = MakeReport(*read, *run, "test").html;
  for (const char* row : {"<td>1</td><td>30000 ohm-cm</td><td>2 m</td><td>0 m to 2 m</td>",
                          "<td>2</td><td>10000 ohm-cm</td><td>6 m</td><td>2 m to 8 m</td>",
                          "<td>3</td><td>100000 ohm-cm</td><td>-</td><td>below 8 m</td>"}) {
    EXPECT_NE(report.find(row), std::string::npos) << row;
  }
  // Under si a bare resistivity is ohm-m and a bare thickness metres.
  Job si = FromOptions("ring", {{"ring-diameter", "10"}, {"depth", "0.5"}, {"conductor", "10"}}, "si");
  si.layers = {{"300", "2"}, {"100", ""}};
  const Result<JobResults> siRun = RunJobParts(si);
  ASSERT_TRUE(siRun) << siRun.why();
  EXPECT_NE(MakeReport(si, *siRun, "test").html.find("<td>1</td><td>30000 ohm-cm</td><td>2 m</td>"),
            std::string::npos);
  // A command line's --layers of three is kept as three in the job.
  EXPECT_EQ(JobFromInputs("grid", [&](std::string_view key) -> std::optional<std::string_view> {
              if (key == "layers") return byHand["layers"];
              return std::nullopt;
            }, "metric").layers.size(), 3u);
  // The rod formula's calculation says where they are taken; eight are none's.
  Job rod = FromOptions("resistance", {{"rho", "100ohm-m"}, {"diameter", "16mm"}, {"length", "3"}});
  rod.layers = three;
  const Result<JobResults> refused = RunJobParts(rod);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.why().find("layers gives 3 layers: three or more are solved for electrodes"),
            std::string::npos) << refused.why();
  grid.layers.assign(8, {"100ohm-m", "1m"});
  EXPECT_EQ(RunJobParts(grid).why(), "$.soil.layers: a soil of 8 layers; at most 7 are solved");
}

TEST(JobRun, TheSurveysModelAndTheDesignsResistanceAreCarriedOn) {
  Job job = FromOptions("grid", kGrid);
  job.layers.clear();
  job.survey = kSurvey;
  job.test = {{"current-probe", "100m"}};
  job.readings = kReadings;
  const Result<JobResults> run = RunJobParts(job);
  ASSERT_TRUE(run) << run.why();
  ASSERT_TRUE(run->soil && run->electrode && run->test);
  // The electrode stands in the layers the survey gives, exactly as typed by hand.
  const JsonValue* use = run->soil->outcome.Field("use");
  ASSERT_NE(use, nullptr);
  Options byHand = kGrid;
  byHand["layers"] = std::get<std::string>(use->Find("rho1")->variant()) + "," +
                     std::get<std::string>(use->Find("h")->variant()) + "," +
                     std::get<std::string>(use->Find("rho2")->variant());
  const Result<Outcome> alone = test_support::Solve("grid", byHand);
  ASSERT_TRUE(alone);
  EXPECT_EQ(*run->electrode->value, *alone->value);
  EXPECT_EQ(run->notes.front().substr(0, 37), "the soil is the survey's two layers: ");
  ASSERT_EQ(run->model.size(), 2u);  // and the report's soil model is the survey's
  EXPECT_EQ(run->model[0].rho, std::get<std::string>(use->Find("rho1")->variant()));
  // The test is set beside the design's resistance.
  const auto test = nlohmann::json::parse(ToJson(run->test->outcome));
  EXPECT_NEAR(test["design_ohms"].get<double>(), *alone->value, 1e-12);
  const auto json = nlohmann::json::parse(JobResultsJson(*run));
  EXPECT_EQ(json["format"], "ostrevin-results");
  EXPECT_EQ(json["results"]["electrode"]["ohms"], *alone->value);
  EXPECT_TRUE(json["results"].contains("soil") && json["results"].contains("test"));
}

TEST(JobRun, ASurveyOfThreeLayersGivesTheSolversToolsTheCountThatLeads) {
  // A Wenner sounding over 100 / 300 / 50 ohm-m with boundaries at 2 m and
  // 7 m, scattered by 2 % (line 8 written 30 % high): three layers lead.
  const JobTable three{{"spacing", "rho"},
                       {{"0.5", "100.57ohm-m"}, {"0.75", "103.14ohm-m"}, {"1", "105.98ohm-m"},
                        {"1.5", "112.47ohm-m"}, {"2", "120.16ohm-m"}, {"3", "137.19ohm-m"},
                        {"4", "196.01ohm-m"}, {"6", "165.34ohm-m"}, {"8", "166.13ohm-m"},
                        {"12", "146.32ohm-m"}, {"16", "121.22ohm-m"}, {"24", "84.55ohm-m"},
                        {"32", "66.80ohm-m"}, {"48", "55.00ohm-m"}, {"64", "51.64ohm-m"}}};
  Job ring = FromOptions("ring", {{"ring-diameter", "10"}, {"depth", "0.5"}, {"conductor", "0.01"}});
  ring.survey = three;
  const Result<JobResults> run = RunJobParts(ring);
  ASSERT_TRUE(run && run->electrode) << run.why();
  ASSERT_EQ(run->model.size(), 3u);
  const std::string lead = "the soil is the survey's 3 layers, which lead: ";
  ASSERT_TRUE(run->notes.front().starts_with(lead)) << run->notes.front();
  // The same ring with the leading model typed by hand.
  const Result<Outcome> alone =
      test_support::Solve("ring", {{"ring-diameter", "10"}, {"depth", "0.5"}, {"conductor", "0.01"},
                                   {"layers", run->notes.front().substr(lead.size())}});
  ASSERT_TRUE(alone) << alone.why();
  EXPECT_EQ(*run->electrode->value, *alone->value);
  // The rod formula takes two layers: the survey's two.
  Job rod = FromOptions("resistance", {{"diameter", "16mm"}, {"length", "3m"}});
  rod.survey = three;
  const Result<JobResults> rodRun = RunJobParts(rod);
  ASSERT_TRUE(rodRun) << rodRun.why();
  EXPECT_EQ(rodRun->model.size(), 2u);
}

TEST(JobRun, AToolOfUniformSoilTakesTheSurveysUniformFit) {
  Job job = FromOptions("plate", {{"size", "1x1"}, {"depth", "0.5"}});
  job.survey = kSurvey;
  const Result<JobResults> run = RunJobParts(job);
  ASSERT_TRUE(run) << run.why();
  ASSERT_TRUE(run->electrode);
  EXPECT_NE(run->notes.front().find("uniform soil"), std::string::npos) << run->notes.front();
  EXPECT_NE(run->notes.front().find("the calculation takes uniform soil only"), std::string::npos);
  Job nothing;
  EXPECT_EQ(RunJobParts(nothing).why(),
            "$: the job holds nothing to compute (no survey, electrode or field test)");
  Job refused = FromOptions("grid", kGrid);
  refused.electrode.erase(refused.electrode.begin());  // no size
  EXPECT_EQ(RunJobParts(refused).why().substr(0, 11), "electrode: ");
}

TEST(JobReport, TheSummaryHoldsTheCalculationsValues) {
  const Job job = FromOptions("grid", kGrid);
  const Result<JobResults> run = RunJobParts(job);
  ASSERT_TRUE(run) << run.why();
  const auto json = nlohmann::json::parse(ToJson(*run->electrode));
  const std::vector<SummaryRow> summary = SummaryOf(*run, job);
  const auto row = [&](std::string_view quantity) {
    const auto found = std::find_if(summary.begin(), summary.end(), [&](const SummaryRow& c) {
      return c.quantity.starts_with(quantity);
    });
    EXPECT_NE(found, summary.end()) << quantity;
    return found == summary.end() ? SummaryRow{} : *found;
  };
  const auto volts = [](double v) { return FormatDouble("%.1f", v) + " V"; };
  const SummaryRow touch = row("Touch voltage inside");
  EXPECT_EQ(touch.value, volts(json["touch_volts"]));
  EXPECT_EQ(touch.limit, volts(json["touch_limit_volts"]));
  EXPECT_EQ(touch.pass, json["touch_volts"] <= json["touch_limit_volts"] ? "pass" : "fail");
  const SummaryRow step = row("Step voltage");
  EXPECT_EQ(step.value, volts(json["step_volts"]));
  EXPECT_EQ(step.pass, "pass");
  // The fence was judged (--fence given), so it is a criterion too.
  EXPECT_EQ(row("Touch voltage at the fence").value, volts(json["fence_touch_volts"]));
  const SummaryRow conductor = row("Conductor's cross-section");
  EXPECT_EQ(conductor.value, "78.5 mm²");
  EXPECT_EQ(conductor.pass, "pass");
  EXPECT_EQ(row("Resistance to earth").pass, "not judged");
  EXPECT_EQ(VerdictOf(summary).substr(0, 17), "The design fails:");
  const JobReport report = MakeReport(job, *run, "ostrevin-calc test");
  EXPECT_EQ(report.paper, "a4");
  EXPECT_EQ(report.html.find("<script"), std::string::npos);
  EXPECT_EQ(report.html.find("src=\"http"), std::string::npos);
  EXPECT_NE(report.html.find(touch.value), std::string::npos);
  // The bill: 11 + 11 conductors of 70 m, 20 rods of 7.5 m, 70 m x 70 m.
  EXPECT_NE(report.html.find("<td>Buried conductor (horizontal)</td><td>1540 m</td>"), std::string::npos);
  EXPECT_NE(report.html.find("<td>Rods</td><td>20, 150 m in all</td>"), std::string::npos);
  EXPECT_NE(report.html.find("<td>Area within the outline</td><td>4900.0 m²</td>"), std::string::npos);
  // The PDF's HTML holds each drawing by its number, the HTML inline.
  EXPECT_EQ(report.drawings.size(), 3u);
  EXPECT_NE(report.pdfHtml.find("src=\"drawing:2\""), std::string::npos);
  EXPECT_EQ(report.html.find("drawing:"), std::string::npos);
}

TEST(JobReport, VerdictsAtTheirEdges) {
  EXPECT_EQ(VerdictOf({}), "No criterion is judged: the job gives no limit to hold the values to.");
  EXPECT_EQ(VerdictOf({{"Step voltage", "10.0 V", "10.0 V", "+0.0 %", "pass"}}),
            "The design meets every criterion judged (1).");
  // The NEC check at its rule: more than 25 ohms fails.
  Job check =
      FromOptions("check", {{"rho", "10000"}, {"diameter", "0.625"}, {"length", "8"}}, "english");
  const Result<JobResults> run = RunJobParts(check);
  ASSERT_TRUE(run);
  const std::vector<SummaryRow> summary = SummaryOf(*run, check);
  ASSERT_EQ(summary.size(), 1u);
  EXPECT_EQ(summary[0].limit, "25 ohms");
  EXPECT_EQ(summary[0].pass, "fail");
  EXPECT_EQ(MakeReport(check, *run, "x").paper, "letter");
}

}  // namespace
}  // namespace ostrevin::calc

namespace ostrevin::calc {
namespace {

// The page's grid safety as a user types it on a German phone: decimal
// commas, units picked.
const FieldTexts kPageGrid{{"rho1", "400ohm-m"},
                           {"h", "5"},
                           {"rho2", "100ohm-m"},
                           {"size", "70x70"},
                           {"meshes", "10x10"},
                           {"depth", "0,5"},
                           {"conductor", "10mm"},
                           {"rods-at", "perimeter"},
                           {"rods", "20"},
                           {"rod-length", "7,5"},
                           {"rod-diameter", "16mm"},
                           {"fault-current", "6814"},
                           {"split", "0,6"},
                           {"fault-duration", "0,5"},
                           {"shock-duration", "0,5"},
                           {"surface-rho", "2500ohm-m"},
                           {"surface-thickness", "0,1"},
                           {"fence", ""}};
const NumberMarks kGerman{",", "."};

TEST(PageJob, SavedOnThePageTheSameNumbersFromTheJob) {
  const auto saved =
      nlohmann::json::parse(JobOfTool("safety", kPageGrid, {}, UnitSystem::Metric, kGerman,
                                      {{"job", "Umspannwerk Nord / 4"}, {"site", ""}}));
  ASSERT_TRUE(saved.contains("job")) << saved.dump();
  EXPECT_EQ(saved["file"], "Umspannwerk-Nord-4.ostrevin.json");
  const std::string text = saved["job"];
  EXPECT_NE(text.find("\"depth\": \"0.5\""), std::string::npos) << text;
  const Result<Job> job = ReadJob(text);
  ASSERT_TRUE(job) << job.why();
  const Result<JobResults> run = RunJobParts(*job);
  ASSERT_TRUE(run) << run.why();
  const auto page =
      nlohmann::json::parse(RunTool("safety", kPageGrid, UnitSystem::Metric, kGerman));
  ASSERT_TRUE(page.contains("json")) << page.dump().substr(0, 300);
  // The page's words name no option: the command line's "no --x-over-r" is the field's label.
  std::string said;
  for (const auto& line : page.at("text")) said += line.get<std::string>() + "\n";
  EXPECT_EQ(said.find("no --"), std::string::npos) << said;
  EXPECT_NE(said.find("X/R ratio not given: the decrement factor taken as 1"), std::string::npos)
      << said;
  const auto cli = nlohmann::json::parse(ToJson(*run->electrode));
  for (const char* key : {"ohms", "touch_volts", "step_volts", "gpr_volts", "touch_limit_volts"}) {
    EXPECT_NEAR(cli[key].get<double>(), page["json"][key].get<double>(),
                1e-9 * cli[key].get<double>())
        << key;
  }
  // Opened again on the page: the same tool, its fields as typed (with the page's marks).
  const auto opened = nlohmann::json::parse(ToolOfJob(text));
  EXPECT_EQ(opened["tool"], "safety");
  EXPECT_EQ(opened["header"]["job"], "Umspannwerk Nord / 4");
  const auto fields =
      nlohmann::json::parse(ReadToolAddress("safety", opened["query"].get<std::string>(), kGerman));
  EXPECT_EQ(fields["ignored"], nlohmann::json::array());
  EXPECT_EQ(fields["fields"]["depth"], "0,5");
  EXPECT_EQ(fields["fields"]["rod-length"], "7,5");
  EXPECT_EQ(fields["fields"]["rho1"], "400ohm-m");
}

// A grid in three layers typed in the page's table of layers (German marks)
// is saved with its layers and opened again into that table; a rod tool,
// which takes two layers, says so.
TEST(PageJob, MoreLayersAreSavedAndOpenedAgain) {
  const FieldTexts inputs{{"layers", "300ohm-m,2,5m,100ohm-m,8m,1000ohm-m"}, {"size", "20x20"},
                          {"meshes", "2x2"}, {"depth", "0,5"}, {"conductor", "0,01"}};
  const auto saved =
      nlohmann::json::parse(JobOfTool("grid", inputs, {}, UnitSystem::Metric, kGerman, {}));
  const Result<Job> job = ReadJob(saved["job"].get<std::string>());
  ASSERT_TRUE(job) << job.why();
  ASSERT_EQ(job->layers.size(), 3u);
  EXPECT_EQ(job->layers[0], (JobLayer{"300ohm-m", "2.5m"}));
  EXPECT_EQ(job->layers[2].rho, "1000ohm-m");
  const auto opened = nlohmann::json::parse(ToolOfJob(saved["job"].get<std::string>()));
  EXPECT_EQ(opened["tool"], "grid");
  const auto fields =
      nlohmann::json::parse(ReadToolAddress("grid", opened["query"].get<std::string>(), kGerman));
  EXPECT_EQ(fields["soil"], "stack");
  EXPECT_EQ(fields["fields"]["layers"], "300ohm-m,2.5m,100ohm-m,8m,1000ohm-m");
  Job rods = *job;
  rods.tool = "group";
  rods.electrode = {{"diameter", "16mm"}, {"length", "3"}, {"layout", "line"}, {"rods", "2"}, {"spacing", "3"}};
  EXPECT_EQ(nlohmann::json::parse(ToolOfJob(WriteJob(rods))).at("error"),
            "$.soil.layers: the page's group tool takes one or two layers");
}

TEST(PageJob, TablesAndWhatThePageCannotShow) {
  const TableTexts readings{
      {"20m", "15,160"}, {"40m", "15,624"}, {"60m", "15,915"}, {"80m", "16,4"}, {"", ""}};
  const auto test = nlohmann::json::parse(
      JobOfTool("test", {{"current-probe", "100m"}}, readings, UnitSystem::Metric, kGerman, {}));
  const Result<Job> job = ReadJob(test["job"].get<std::string>());
  ASSERT_TRUE(job) << job.why();
  ASSERT_TRUE(job->readings);
  EXPECT_EQ(job->readings->rows.size(), 4u);      // the blank row left out
  EXPECT_EQ(job->readings->rows[0][1], "15.16");  // the number written with a point
  EXPECT_EQ(test["file"], "job.ostrevin.json");
  const auto opened = nlohmann::json::parse(ToolOfJob(test["job"].get<std::string>()));
  EXPECT_EQ(opened["tool"], "test");
  EXPECT_NE(opened["query"].get<std::string>().find("readings=20m,15.16;40m"), std::string::npos)
      << opened.dump();
  // A reading is no design; a survey in apparent resistivities opens whole on the page.
  EXPECT_TRUE(nlohmann::json::parse(JobOfTool("wenner", {}, {}, UnitSystem::Metric, kGerman, {}))
                  .contains("error"));
  Job survey;
  survey.units = "metric";
  survey.survey = kSurvey;
  const auto left = nlohmann::json::parse(ToolOfJob(WriteJob(survey)));
  EXPECT_EQ(left["tool"], "survey");
  EXPECT_TRUE(left["left"].empty()) << left.dump();
  EXPECT_NE(left["query"].get<std::string>().find("readings=1,,0.1,423.4ohm-m;"), std::string::npos)
      << left.dump();
  // A survey of another array is said, not opened without its electrodes.
  Job schlumberger;
  schlumberger.survey = JobTable{{"ab2", "mn2", "rho"}, {{"10", "1", "20000"}}};
  EXPECT_EQ(nlohmann::json::parse(ToolOfJob(WriteJob(schlumberger))).at("error"),
            "$.survey: the page's survey has no ab2 column: a survey of other arrays or of several lines runs on "
            "the command line");
  EXPECT_EQ(nlohmann::json::parse(ToolOfJob("{")).at("error").get<std::string>().substr(0, 14),
            "$: not JSON: a");
  const auto report = nlohmann::json::parse(ReportOfJob(test["job"].get<std::string>(), "page"));
  EXPECT_EQ(report["file"], "job-report.html");
  EXPECT_NE(report["html"].get<std::string>().find("Field test"), std::string::npos);
}

}  // namespace
}  // namespace ostrevin::calc
