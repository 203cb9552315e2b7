// Job files and reports on the command line, as a user goes from survey to
// report: inputs saved by one command are another's, a job runs whole, a
// bad file is one line naming the value, and the report's PDF holds the
// values the JSON gives.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "program_run.h"

namespace {

using namespace ostrevin::test_support;

const std::string kSurvey = std::string("'") + OSTREVIN_SOURCE + "/docs/survey.csv'";
const std::string kGrid =
    "grid --size 70x70 --meshes 10x10 --depth 0.5 --conductor 0.01 --rods 20 --rod-length 7.5 "
    "--rod-diameter 0.016 --rods-at perimeter --fault-current 6814 --split 0.6 --fault-duration "
    "0.5 "
    "--shock-duration 0.5 --surface-rho 2500ohm-m --surface-thickness 0.1 --units metric";

TEST(JobProgram, SavedInputsGiveTheSameAnswersAgain) {
  const Result saved =
      Calc(kGrid + " --layers 400ohm-m,5m,100ohm-m --json --save-job g.ostrevin.json");
  ASSERT_EQ(saved.status, 0) << saved.err;
  const std::string job = Slurp(kDir + "/g.ostrevin.json");
  EXPECT_NE(job.find("\"format\": \"ostrevin-job\""), std::string::npos);
  const Result again = Calc("grid --job g.ostrevin.json --json");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, saved.out);
  // A job saved from a job is the same file.
  EXPECT_EQ(Calc("grid --job g.ostrevin.json --save-job g2.ostrevin.json").status, 0);
  EXPECT_EQ(Slurp(kDir + "/g2.ostrevin.json"), job);
  // The whole job: its one part, the grid's own JSON.
  const Result run = Calc("job run g.ostrevin.json --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto results = nlohmann::json::parse(run.out);
  EXPECT_EQ(results["format"], "ostrevin-results");
  EXPECT_EQ(results["results"]["electrode"], nlohmann::json::parse(saved.out));
  // An option given wins, and says so; a mixed unit system is refused.
  const Result wins = Calc("grid --job g.ostrevin.json --rho 100ohm-m");
  EXPECT_EQ(wins.status, 0);
  EXPECT_NE(wins.err.find(
                "note: --layers \"400ohm-m,5m,100ohm-m\" of the job is replaced by the soil given"),
            std::string::npos)
      << wins.err;
  const Result mixed = Calc("grid --job g.ostrevin.json --units english");
  EXPECT_EQ(mixed.status, 2);
  EXPECT_EQ(mixed.err.substr(0, 66),
            "ostrevin-calc grid: --units english: the job's values are in metri");
}

TEST(JobProgram, FromSurveyToReport) {
  // The survey kept in a job, the grid added to it, the whole run: the grid
  // stands in the survey's two layers with nothing copied by hand.
  ASSERT_EQ(Calc("soil " + kSurvey + " --units metric --save-job s.ostrevin.json").status, 0);
  // The grid takes the survey's soil from the job: fitted on the way, said in a note.
  const Result fitted =
      Calc(kGrid + " --fence 1 --job s.ostrevin.json --save-job site.ostrevin.json");
  ASSERT_EQ(fitted.status, 0) << fitted.err;
  EXPECT_NE(fitted.err.find("note: the soil is the survey's two layers"), std::string::npos)
      << fitted.err;
  const Result soil = Calc("soil " + kSurvey + " --units metric --json");
  const auto use = nlohmann::json::parse(soil.out)["use"];
  const std::string layers = use["rho1"].get<std::string>() + "," + use["h"].get<std::string>() +
                             "," + use["rho2"].get<std::string>();
  // --survey on a calculation: the same soil, fitted on the way; a plate's uniform fit.
  const std::string rod = " --diameter 16mm --length 3 --units metric";
  EXPECT_EQ(Calc("resistance --survey " + kSurvey + rod).out,
            Calc("resistance --layers " + layers + rod).out);
  const Result plate = Calc("plate --survey " + kSurvey + " --size 1x1 --depth 0.5 --units metric");
  EXPECT_EQ(plate.status, 0);
  EXPECT_NE(plate.err.find("uniform soil, 17009 ohm-cm: the calculation takes uniform soil only"),
            std::string::npos)
      << plate.err;
  EXPECT_EQ(Calc("resistance --rho 100 --survey " + kSurvey + rod).status, 2);
  // The header filled in by hand, as a user's editor would.
  const Result named = Shell(
      "python3 -c \"import json; g=json.load(open('site.ostrevin.json')); "
      "g['header']['job']='Substation 4'; "
      "json.dump(g, open('site.ostrevin.json','w'), indent=2)\"");
  ASSERT_EQ(named.status, 0) << named.err;
  const Result run = Calc("job run site.ostrevin.json --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto results = nlohmann::json::parse(run.out)["results"];
  const Result direct = Calc(kGrid + " --fence 1 --json --layers " + layers);
  EXPECT_EQ(results["electrode"], nlohmann::json::parse(direct.out));
  // As text: the grid's answer on line 1, the job's criteria next, then each part.
  const Result lines = Calc("job run site.ostrevin.json");
  EXPECT_EQ(lines.out.substr(0, lines.out.find('\n')), results["electrode"]["result"].get<std::string>() + " ohms");
  EXPECT_EQ(lines.out.substr(lines.out.find('\n') + 1, 10), "criterion ");
  EXPECT_NE(lines.out.find("The design fails: Touch voltage inside"), std::string::npos);
  // The report: exit 0 though the touch voltage fails, its values the JSON's.
  const Result report = Calc("report site.ostrevin.json --pdf site.pdf --html site.html");
  ASSERT_EQ(report.status, 0) << report.err;
  const Result text = Shell("pdftotext -layout site.pdf - && pdfinfo site.pdf");
  ASSERT_EQ(text.status, 0) << text.err;
  const auto volts = [](double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f V", v);
    return std::string(buffer);
  };
  const auto& grid = results["electrode"];
  for (const std::string& value :
       {volts(grid["touch_volts"]), volts(grid["touch_limit_volts"]), volts(grid["step_volts"]),
        volts(grid["fence_touch_volts"]), std::string("Substation 4"), std::string("fail"),
        std::string("Page 1 of "), std::string("Signatures")}) {
    EXPECT_NE(text.out.find(value), std::string::npos) << value;
  }
  EXPECT_NE(text.out.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << text.out;
  const std::string html = Slurp(kDir + "/site.html");
  EXPECT_NE(html.find(volts(grid["touch_volts"])), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  // English units print on letter paper unless told otherwise.
  ASSERT_EQ(Calc("check --rho 10000 --diameter 0.625 --length 8 --save-job c.ostrevin.json").status,
            0);
  ASSERT_EQ(Calc("report c.ostrevin.json --pdf c.pdf").status, 0);
  EXPECT_NE(Shell("pdfinfo c.pdf").out.find("612 x 792 pts (letter)"), std::string::npos);
  ASSERT_EQ(Calc("report c.ostrevin.json --pdf c.pdf --paper a4").status, 0);
  EXPECT_NE(Shell("pdfinfo c.pdf").out.find("(A4)"), std::string::npos);
}

TEST(JobProgram, BadFilesAndUnwritableReports) {
  struct Row {
    const char* name;
    const char* content;
    const char* says;
  } const rows[] = {
      {"truncated", "{\"format\": \"ostrevin-job\", \"version\": 1, \"units\": \"met",
       "ostrevin-calc job: \"bad.json\": $: not JSON: at line 1, column"},
      {"wrong kind",
       "{\"format\": \"ostrevin-job\", \"version\": 1, \"units\": \"metric\", \"electrode\": "
       "{\"tool\": \"resistance\", \"length\": 3}}",
       "ostrevin-calc job: \"bad.json\": $.electrode.length: must be a text as typed (\"3\"), not "
       "a number\n"},
      {"newer", "{\"format\": \"ostrevin-job\", \"version\": 7, \"units\": \"metric\"}",
       "ostrevin-calc job: \"bad.json\": $.version: this is an Ostrevin job of version 7"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::ofstream(kDir + "/bad.json") << row.content;
    const Result run = Calc("job run bad.json");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, std::string(row.says).size()), row.says) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_EQ(Slurp(kDir + "/bad.json"), row.content);
  }
  ASSERT_EQ(
      Calc("resistance --rho 2000 --diameter 0.625 --length 10 --save-job r.ostrevin.json").status,
      0);
  // Checked before the work: a missing folder, the job itself as the report.
  const Result missing = Calc("report r.ostrevin.json --pdf no-such-folder/r.pdf");
  EXPECT_NE(missing.status, 0);
  EXPECT_EQ(missing.err.substr(0, 55), "ostrevin-calc report: cannot write \"no-such-folder/r.pd");
  const Result over = Calc("report r.ostrevin.json --html r.ostrevin.json");
  EXPECT_NE(over.status, 0);
  EXPECT_NE(Slurp(kDir + "/r.ostrevin.json").find("\"tool\": \"resistance\""), std::string::npos);
  EXPECT_EQ(Calc("report r.ostrevin.json").status, 2);
  EXPECT_EQ(Calc("report r.ostrevin.json --pdf r.pdf --paper a3").status, 2);
  EXPECT_EQ(Calc("job r.ostrevin.json").status, 2);
}

}  // namespace
