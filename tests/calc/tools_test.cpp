// The page's tools over the library: their table agrees with the
// calculations, one update answers as the page needs it (errors by field,
// the command line's value), and addresses carry the command line's syntax
// whatever the page's language.
#include "calc/tools.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "calc/calculations.h"
#include "calc/chart.h"
#include "calc/page_tables.h"
#include "core/electrode_formulas.h"

namespace ostrevin::calc {
namespace {

using enum ostrevin::UnitSystem;

using Json = nlohmann::json;
using Inputs = std::vector<std::string>;

const NumberMarks kEnglish{".", ","};
const NumberMarks kGerman{",", "."};

// Names and texts in turn, as fields.
FieldTexts Fields(const Inputs& inputs) {
  FieldTexts fields;
  for (std::size_t i = 0; i + 1 < inputs.size(); i += 2) fields.emplace_back(inputs[i], inputs[i + 1]);
  return fields;
}

Json Update(std::string_view tool, const Inputs& inputs, UnitSystem units = English,
         const NumberMarks& marks = kEnglish) {
  const std::string answer = RunTool(tool, Fields(inputs), units, marks);
  EXPECT_TRUE(Json::accept(answer)) << answer;
  return Json::parse(answer);
}

TEST(Tools, EveryFieldIsAnInputOfItsCalculation) {
  const Json described = Json::parse(DescribeTools());
  ASSERT_EQ(described["tools"].size(), Tools().size());
  for (const Tool& tool : Tools()) {
    if (tool.calculation.empty()) continue;  // the survey: a table, not fields
    const Calculation* calculation = FindCalculation(tool.calculation);
    ASSERT_NE(calculation, nullptr) << tool.id;
    for (const ToolField& field : tool.fields) {
      const bool option = std::any_of(calculation->options.begin(), calculation->options.end(),
                                      [&](const Option& o) { return o.name == field.name; });
      const bool soil = field.name == "rho1" || field.name == "h" || field.name == "rho2";
      EXPECT_TRUE(option || soil) << tool.id << " " << field.name;
    }
  }
  for (const Json& tool : described["tools"]) {
    for (const Json& field : tool["fields"]) {
      EXPECT_FALSE(field["label"].get<std::string>().empty()) << field;
      if (field["kind"] == "number") {
        EXPECT_LT(field["min"], field["max"]) << field;
      }
    }
  }
}

TEST(Tools, AChoiceOffersWhatItsCalculationTakes) {
  const Json described = Json::parse(DescribeTools());
  const auto layouts = [&](std::string_view id) {
    for (const Json& tool : described["tools"]) {
      if (tool["id"] != id) continue;
      for (const Json& field : tool["fields"]) {
        if (field["name"] == "layout") return field["choices"].get<std::vector<std::string>>();
      }
    }
    return std::vector<std::string>{};
  };
  EXPECT_EQ(layouts("rods"), (std::vector<std::string>{"line", "ring", "square"}));
  EXPECT_EQ(layouts("group"),
            (std::vector<std::string>{"line", "triangle", "square", "ring", "points"}));
}

TEST(Tools, AnUpdateAnswersWithTheCommandLinesValue) {
  const Json check = Update("check", {"rho", "10000", "diameter", "0.625", "length", "8"});
  EXPECT_EQ(check["result"], "39.905");
  EXPECT_EQ(check["valueKey"], "single_ohms");
  EXPECT_EQ(std::stod(check["value"].get<std::string>()), check["json"]["single_ohms"]);
  EXPECT_EQ(check["text"][0], "39.905 ohms");

  // "na" has no value and says why.
  const Json none = Update("rods", {"rho", "1000000", "diameter", "0.625", "length", "8", "layout",
                                 "line", "spacing", "16", "target", "0.01"});
  EXPECT_EQ(none["result"], "na");
  EXPECT_EQ(none["value"], "");
  EXPECT_NE(none["reason"].get<std::string>().find("100 rods"), std::string::npos) << none;

  // Inputs of other tools or blank are not inputs at all.
  EXPECT_EQ(Update("wenner", {"spacing", "10", "reading", "5", "rods", "4", "depth", " "})["result"],
            Update("wenner", {"spacing", "10", "reading", "5"})["result"]);
  EXPECT_EQ(Update("nonesuch", {})["error"], "no such tool");
}

TEST(Tools, ErrorsGoBesideTheirFieldsNamedAsThePageLabelsThem) {
  struct Row {
    const char* name;
    Inputs inputs;
    const char* field;
    const char* message;
  };
  const std::vector<Row> rows{
      {"a blank field is missing", {"rho", "10000", "length", "8"}, "diameter",
       "Rod diameter is missing"},
      {"no soil at all", {"diameter", "0.625", "length", "8"}, "rho",
       "Soil resistivity (or Layered soil) is missing"},
      {"a word where a number goes", {"rho", "abc", "diameter", "0.625", "length", "8"}, "rho",
       "Soil resistivity needs a resistivity between 0.0001 and 1000000 ohm-cm, not \"abc\""},
      {"outside the range, in the field's unit", {"rho", "10000", "diameter", "20", "length", "8"},
       "diameter", "Rod diameter needs a diameter between 0.001 and 10 in, not \"20\""},
      {"a choice not offered",
       {"rho", "10000", "diameter", "0.625", "length", "8", "layout", "star"}, "layout",
       "Layout must be line, triangle, square, ring or points, not \"star\""},
  };
  for (const Row& row : rows) {
    const std::string tool = row.inputs.size() > 6 ? "group" : "check";
    const Json answer = Update(tool, row.inputs);
    ASSERT_TRUE(answer.contains("errors")) << row.name << ": " << answer;
    EXPECT_EQ(answer["errors"][row.field].get<std::string>().substr(0, std::string(row.message).size()),
              row.message)
        << row.name;
  }
}

TEST(Tools, ThePagesNumberMarksAndTheCommandLinesSyntax) {
  // A German page: 0,625 is five eighths, and the address says 0.625.
  const Json german = Update("check", {"rho", "10.000", "diameter", "0,625", "length", "8"}, English,
                          kGerman);
  EXPECT_EQ(german["result"], "39,905");  // shown the page's way
  EXPECT_EQ(german["value"], "39.904873468968596");  // the command line's value, for the page's own use
  EXPECT_EQ(ToolAddress("check", Fields({"rho", "10.000", "diameter", "0,625", "length", "8"}), English,
                        kGerman),
            "diameter=0.625&length=8&rho=10000");
  // On an English page 10,000 is ten thousand; 1,5 is refused, not guessed.
  EXPECT_EQ(Update("check", {"rho", "10,000", "diameter", "0.625", "length", "8"})["result"], "39.905");
  EXPECT_TRUE(Update("check", {"rho", "1,5", "diameter", "0.625", "length", "8"})["errors"].contains("rho"));

  EXPECT_EQ(CommandLineText("diameter", " 16 mm ", kGerman), "16mm");
  EXPECT_EQ(CommandLineText("diameter", "5/8", kEnglish), "5/8");  // no number: as typed
  EXPECT_EQ(PageText("0.625", kGerman), "0,625");
  EXPECT_EQ(PageText("2.2m", kGerman), "2,2m");
  EXPECT_EQ(PageText("0.625", kEnglish), "0.625");
  EXPECT_EQ(PageText("abc.d", kGerman), "abc.d");
}

TEST(Tools, AnAddressCarriesTheInputsAsData) {
  // Two layers as the command line's --layers, metric units said, blanks left out.
  EXPECT_EQ(ToolAddress("check", Fields({"rho1", "400ohm-m", "h", "2", "rho2", "12000", "length", "3",
                                         "diameter", ""}),
                        Metric, kEnglish),
            "layers=400ohm-m,2,12000&length=3&units=metric");
  // Markup and separators are escaped, never passed through.
  EXPECT_EQ(ToolAddress("check", Fields({"rho", "<img src=x onerror=alert(1)>&x=1"}), English, kEnglish),
            "rho=%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E%26x%3D1");
}

// A soil of more layers, typed in the table of layers with the page's marks,
// travels as the command line's --layers and comes back for the table.
TEST(Tools, MoreLayersTravelAsTheCommandLinesLayers) {
  EXPECT_EQ(ToolAddress("grid", Fields({"layers", "300ohm-m,2,5m,100ohm-m,8m,1.000ohm-m"}), Metric, kGerman),
            "layers=300ohm-m,2.5m,100ohm-m,8m,1000ohm-m&units=metric");
  const auto read = [](std::string_view tool, std::string_view query) {
    return Json::parse(ReadToolAddress(tool, query, kGerman));
  };
  const Json stack = read("grid", "layers=300ohm-m,2.5,100ohm-m,8,1000ohm-m&units=metric");
  EXPECT_EQ(stack["soil"], "stack");
  EXPECT_EQ(stack["fields"], Json::parse(R"({"layers":"300ohm-m,2.5,100ohm-m,8,1000ohm-m"})"));
  // Three parts are two layers, in the two-layer fields; a rod tool takes no more.
  EXPECT_EQ(read("grid", "layers=300ohm-m,2.5,100ohm-m")["soil"], "layers");
  const Json rod = read("check", "layers=300ohm-m,2.5,100ohm-m,8,1000ohm-m");
  EXPECT_EQ(rod["fields"], Json::object());
  EXPECT_EQ(rod["ignored"].size(), 1u);
  // The page's answer in those layers is the command line's.
  const Json grid = Update("grid", {"layers", "300ohm-m,2m,100ohm-m,8m,1000ohm-m", "size", "20x20", "meshes",
                                    "2x2", "depth", "0.5", "conductor", "0.01"},
                           Metric);
  EXPECT_EQ(grid["result"], "7.530") << grid;  // ostrevin-calc grid --layers ... --units metric
  EXPECT_EQ(grid["json"]["layers"], "30000ohm-cm,2m,10000ohm-cm,8m,100000ohm-cm");
}

TEST(Tools, ATablesRowsTravelInTheAddressCompactAndComeBackAsTyped) {
  // A German survey: points for the address, commas again for the page;
  // blank rows and trailing blank cells left out, a cell's comma escaped.
  const TableTexts typed{{"1", "67,5", ""}, {"", "", ""}, {"2", "28", "0,5"}, {"x,y", "", ""}};
  const std::string query = ToolAddress("survey", {}, English, kGerman, typed);
  EXPECT_EQ(query, "readings=1,67.5;2,28,0.5;x%2Cy");
  const Json read = Json::parse(ReadToolAddress("survey", query, kGerman));
  EXPECT_EQ(read["rows"],
            Json::parse(R"([["1","67,5","",""],["2","28","0,5",""],["x,y","","",""]])"));
  EXPECT_EQ(read["ignored"], Json::array());
  // The test's readings beside its fields; a tool without a table has no rows.
  EXPECT_EQ(ToolAddress("test", Fields({"current-probe", "100"}), Metric, kEnglish, {{"10", "5.1"}}),
            "current-probe=100&units=metric&readings=10,5.1");
  EXPECT_TRUE(Json::parse(ReadToolAddress("check", "readings=1,2", kEnglish))["rows"].is_null());
  // A row with more cells than the tool's, or a broken escape, is named, the rest read.
  const Json odd = Json::parse(ReadToolAddress("test", "readings=1,2,3;4,5;6%G,7", kEnglish));
  EXPECT_EQ(odd["rows"], Json::parse(R"([["4","5"]])"));
  EXPECT_EQ(odd["ignored"], Json::parse(R"j(["readings row 1 (2 cells at most, as data)",
                                              "readings row 3 (2 cells at most, as data)"])j"));
  // At most a page's table of rows; the address's own bound holds the rest.
  std::string many = "readings=";
  for (std::size_t i = 0; i <= kMaxTableRows; ++i) many += std::to_string(i + 1) + ",1;";
  const Json bounded = Json::parse(ReadToolAddress("survey", many, kEnglish));
  EXPECT_EQ(bounded["rows"].size(), kMaxTableRows);
  EXPECT_EQ(bounded["ignored"][0], "readings row 201 and after (at most 200 rows are read)");
  // One rod, the window's form, is read with the length and resistance commands' names.
  const Json rod = Json::parse(ReadToolAddress("rod", "rho=10000&diameter=0.625&target=25&units=metric",
                                               kEnglish));
  EXPECT_EQ(rod["fields"], Json::parse(R"({"rho":"10000","diameter":"0.625","target":"25"})"));
  EXPECT_EQ(rod["units"], "metric");
}

TEST(Tools, AnAddressIsReadAsDataWithinItsBounds) {
  const auto read = [](std::string_view tool, std::string_view query,
                       const NumberMarks& marks = kEnglish) {
    return Json::parse(ReadToolAddress(tool, query, marks));
  };
  // The command line's names and syntax, the page's marks.
  const Json layers = read("check", "diameter=0.625&layers=400ohm-m,2.5,12000&units=metric", kGerman);
  EXPECT_EQ(layers["units"], "metric");
  EXPECT_EQ(layers["soil"], "layers");
  EXPECT_EQ(layers["fields"],
            Json::parse(R"({"diameter":"0,625","rho1":"400ohm-m","h":"2,5","rho2":"12000"})"));
  EXPECT_EQ(layers["ignored"], Json::array());
  // A name given twice is used nowhere, as the command line refuses it.
  const Json twice = read("check", "rho=10000&diameter=0.625&rho=5");
  EXPECT_FALSE(twice["fields"].contains("rho"));
  EXPECT_EQ(twice["ignored"],
            Json::parse(R"j(["rho=10000 (rho is given twice)","rho=5 (rho is given twice)"])j"));
  // Unknown names, other tools' fields, broken escapes: named and left alone.
  const Json odd = read("check", "bogus=1&layout=ring&units=klingon&%E0%A4%A&rho=%3Cb%3E");
  EXPECT_EQ(odd["fields"]["rho"], "<b>");
  EXPECT_EQ(odd["ignored"],
            Json::parse(R"j(["bogus=1","layout=ring","units=klingon","\"%E0%A4%A\""])j"));
  // One that holds a control character is shown as written.
  EXPECT_EQ(read("check", "a%01=2")["ignored"][0], "\"a%01=2\"");
  // Bounded: a long name or value (a megabyte's name once took 87 s), the whole address.
  const Json named = read("check", std::string(1000, 'n') + "=1&rho=10000&length=" +
                                       std::string(kMaxValueBytes + 1, '8'));
  EXPECT_EQ(named["fields"], Json::parse(R"({"rho":"10000"})"));
  EXPECT_EQ(named["ignored"][0], "\"" + std::string(kMaxNameBytes, 'n') + "\"...");
  EXPECT_EQ(named["ignored"][1], "\"length=" + std::string(kMaxNameBytes - 7, '8') + "\"...");
  const Json whole = read("check", "rho=1&" + std::string(kMaxAddressBytes, 'x'));
  EXPECT_EQ(whole["fields"], Json::object());
  EXPECT_TRUE(whole["ignored"][0].get<std::string>().starts_with("the whole address"));
  // Within the bound an address of 8 KB (a survey's readings) is read.
  const Json large = read("check", "rho=10000&z=" + std::string(8192, '1'));
  EXPECT_EQ(large["fields"]["rho"], "10000");
}

TEST(Tools, TheSurveyAnswersWithItsChartAndNamesTheRowsItRefused) {
  const std::vector<std::array<std::string, 4>> rows{
      {"1", "67", "", ""},   {"2", "28", "", ""},  {"4", "10.2", "", ""}, {"8", "4.1", "", ""},
      {"16", "1.9", "", ""}, {"32", "0.9", "", ""}, {"x", "1", "", ""},   {"", "", "", ""}};
  const Json answer = Json::parse(RunSurvey(rows, Metric, kEnglish));
  EXPECT_EQ(answer["valueKey"], "rho1_ohm_cm");
  EXPECT_TRUE(answer["json"]["layers"].is_string());
  ASSERT_EQ(answer["rejected"].size(), 1u);
  EXPECT_NE(answer["rejected"][0].get<std::string>().find("row 7"), std::string::npos)
      << answer["rejected"];
  EXPECT_EQ(answer["svg"].get<std::string>().rfind("<?xml", 0), 0u);
  // The soil the rod tools are given: the parts of the --layers value.
  const Json& use = answer["use"];
  EXPECT_EQ(answer["json"]["layers"], use["rho1"].get<std::string>() + "," +
                                          use["h"].get<std::string>() + "," +
                                          use["rho2"].get<std::string>());
  EXPECT_TRUE(Json::parse(RunSurvey({{"", "", "", ""}}, Metric, kEnglish)).contains("error"));
  // The readings against the model as a table of cells, not as padded lines.
  EXPECT_EQ(answer["table"]["columns"], Json::parse(R"(["spacing","measured","model","misfit"])"));
  ASSERT_EQ(answer["table"]["rows"].size(), 6u);
  EXPECT_EQ(answer["table"]["rows"][0][0], "1 m");
  for (const Json& line : answer["text"]) EXPECT_EQ(line.get<std::string>().find("measured"), std::string::npos);
}

// A survey that three layers fit best: they go to the solver's tools with
// "Use this soil" beside the two the rod tools take; every count fitted is
// a row of its own, and the reading that stands out from them is marked.
TEST(Tools, TheSurveyInMoreLayersHandsThemOnAndShowsEveryCount) {
  const std::vector<std::array<std::string, 4>> rows{{"0.5", "", "", "100.57ohm-m"}, {"0.75", "", "", "103.14ohm-m"}, {"1", "", "", "105.98ohm-m"}, {"1.5", "", "", "112.47ohm-m"}, {"2", "", "", "120.16ohm-m"}, {"3", "", "", "137.19ohm-m"}, {"4", "", "", "196.01ohm-m"}, {"6", "", "", "165.34ohm-m"}, {"8", "", "", "166.13ohm-m"}, {"12", "", "", "146.32ohm-m"}, {"16", "", "", "121.22ohm-m"}, {"24", "", "", "84.55ohm-m"}, {"32", "", "", "66.80ohm-m"}, {"48", "", "", "55.00ohm-m"}, {"64", "", "", "51.64ohm-m"}};
  const Json answer = Json::parse(RunSurvey(rows, Metric, kEnglish, 360, true));
  EXPECT_EQ(answer["json"]["model"]["layers"], 3);
  EXPECT_EQ(answer["use"]["layers"], answer["json"]["model"]["value"]);
  EXPECT_TRUE(answer["use"].contains("rho1"));
  const Json& models = answer["models"];
  EXPECT_EQ(models["columns"], Json::parse(R"(["layers","misfit","layer","rho, ohm-m","+-","thickness, m","+-"])"));
  ASSERT_EQ(models["rows"].size(), 15u);  // a row a layer of one to five layers
  EXPECT_EQ(models["rows"][0][0], "1");
  EXPECT_EQ(models["rows"][0][4], "");  // one layer's resistivity is the mean, no interval
  EXPECT_EQ(models["rows"][3][0], "3, leads");
  EXPECT_EQ(models["rows"][5][5], "");  // the last layer goes on down
  EXPECT_EQ(models["rows"][3][3], answer["json"]["model"]["value"].get<std::string>().substr(0, 5));  // 99.05
  // The readings against the three layers; the one written down 30 % high marked.
  const Json& table = answer["table"];
  EXPECT_EQ(table["columns"].back(), "outlier");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(table["rows"][i].back(), i == 6 ? "yes" : "") << i;
  }
  const double model = std::stod(table["rows"][6][2].get<std::string>());
  EXPECT_NEAR(model, 161.82, 0.01);  // three layers' model there, not two layers'
}

struct PastedCase {
  const char* name;
  const char* tool;
  std::string text;
  const char* file;  // the file's name, or "" for a paste
  NumberMarks page;
  std::string json;  // the answer, whole
};

void PrintTo(const PastedCase& c, std::ostream* os) { *os << c.name; }

class PastedRows : public testing::TestWithParam<PastedCase> {};

// Rows pasted or picked on the page come in as the command line reads its
// files, each cell in the page's marks; what cannot be read is named, never taken.
TEST_P(PastedRows, ComeInAsTheCommandLineReadsThem) {
  const PastedCase& c = GetParam();
  EXPECT_EQ(Json::parse(ReadPageTable(c.tool, c.text, c.file, c.page)), Json::parse(c.json));
}

INSTANTIATE_TEST_SUITE_P(
    Page, PastedRows,
    testing::Values(
        PastedCase{"ASpreadsheetsSelectionTabsAndDecimalCommas", "survey", "1\t67,5\r\n2\t28\r\n", "",
                   kEnglish, R"({"rows":[["1","67.5","",""],["2","28","",""]],"problems":[]})"},
        PastedCase{"WrittenWithTheGermanPagesMark", "survey", "0,5\t67,25\t0,1\n", "", kGerman,
                   R"({"rows":[["0,5","67,25","0,1",""]],"problems":[]})"},
        PastedCase{"AFileOfApparentResistivitiesWithUnits", "survey",
                   "spacing,rho,depth\n1,423.4ohm-m,0.1\n2,322.2ohm-m,0.1\n", "\"survey.csv\"",
                   kEnglish,
                   R"({"rows":[["1","","0.1","423.4ohm-m"],["2","","0.1","322.2ohm-m"]],"problems":[]})"},
        PastedCase{"ASemicolonFileColumnsInAnyOrder", "test", "Reading;Note;Distance\n15,16;a;20\n",
                   "\"test.csv\"", kEnglish, R"({"rows":[["20","15.16"]],"problems":[]})"},
        PastedCase{"ThePastesDecimalCommaSettlesAThousandsLookalike", "test",
                   "20\t15,16\n61,8\t15,915\n70\t2.000,5\n", "", kEnglish,
                   R"({"rows":[["20","15.16"],["61.8","15.915"],["70","2000.5"]],"problems":[]})"},
        PastedCase{"AnAmbiguousCellIsNamedTheOthersTaken", "survey", "1\t67\n2\t1,500\n4\t10\n", "",
                   kEnglish,
                   R"({"rows":[["1","67","",""],["4","10","",""]],"problems":["pasted row 2: reading: \"1,500\" is ambiguous: a comma may be the decimal mark or group thousands (1.5 or 1500?); write it without thousands marks"]})"},
        PastedCase{"AShortRowAndAWordAreNamedWithTheirLines", "test",
                   "distance,reading\n20\n40,x\n60,16\n", "\"t.csv\"", kEnglish,
                   R"({"rows":[["60","16"]],"problems":["\"t.csv\" line 2: expected 2 fields, found 1","\"t.csv\" line 3: reading: \"x\" is not a number"]})"},
        PastedCase{"ConductorsPastedWithoutAHeader", "electrodes", "0\t0\t0.5\t10\t0\t0.5\t0.01\n",
                   "", kEnglish, R"({"rows":[["0","0","0.5","10","0","0.5","0.01"]],"problems":[]})"},
        PastedCase{"AHeaderWithoutTheColumnsItNeedsIsRefused", "test", "distance,ohms\n20,15\n",
                   "\"t.csv\"", kEnglish,
                   R"({"error":"\"t.csv\" : line 1: the header needs a distance column (the potential probe's) and a reading column (ohms), e.g. distance,reading"})"},
        PastedCase{"NothingToRead", "survey", "\n\n", "", kEnglish,
                   R"({"error":"there are no rows in it"})"}),
    [](const testing::TestParamInfo<PastedCase>& info) { return std::string(info.param.name); });

TEST(Tools, APastedTableKeepsAsManyRowsAsThePageHoldsAndSaysSo) {
  std::string text;
  for (std::size_t i = 1; i <= kMaxTableRows + 5; ++i) text += std::to_string(i) + "\t" + "10\n";
  const Json answer = Json::parse(ReadPageTable("survey", text, "", kEnglish));
  EXPECT_EQ(answer["rows"].size(), kMaxTableRows);
  EXPECT_EQ(answer["problems"], Json::parse(R"(["pasted row 201 and after: the table holds at most 200 rows"])"));
  // The README's survey (apparent resistivities) runs on the page as on the command line.
  const Json survey = Json::parse(ReadPageTable(
      "survey", "spacing,rho,depth\n1,423.4ohm-m,0.1\n2,322.2ohm-m,0.1\n4,258.2ohm-m,0.1\n"
                "6,165.1ohm-m,0.1\n8,144.3ohm-m,0.1\n12,122.8ohm-m,0.1\n",
      "", kEnglish));
  std::vector<std::array<std::string, 4>> rows;
  for (const Json& row : survey["rows"]) rows.push_back(row.get<std::array<std::string, 4>>());
  const Json fitted = Json::parse(RunSurvey(rows, Metric, kEnglish));
  EXPECT_FALSE(fitted.contains("error")) << fitted.dump();
  EXPECT_TRUE(fitted["rejected"].empty());
  EXPECT_TRUE(fitted["json"]["layers"].is_string());
}

TEST(Tools, AGroupAndADesignAnswerWithThePlanOfTheirRods) {
  const auto titleOf = [](const Json& answer) {
    if (!answer.contains("plan")) return std::string("(no plan)");
    const std::string svg = answer["plan"];
    const std::size_t from = svg.find("<title>") + 7;
    return svg.substr(from, svg.find("</title>") - from);
  };
  EXPECT_EQ(titleOf(Update("group", {"rho", "10000", "diameter", "0.625", "length", "10", "layout",
                                      "square", "spacing", "10", "per-side", "4"})),
            "12 rods, square, 10 ft long");
  // The design's plan is the layout it found: the fewest rods, or the spacing solved.
  const Json fewest = Update("rods", {"rho", "20000", "diameter", "0.625", "length", "10", "layout",
                                       "ring", "spacing", "20", "target", "5"});
  EXPECT_EQ(titleOf(fewest), fewest["result"].get<std::string>() + " rods, ring, 10 ft long");
  const Json longer = Update("rods", {"rho", "20000", "diameter", "0.625", "layout", "line",
                                      "rods", "6", "spacing", "20", "solve", "length", "target", "10"});
  EXPECT_EQ(titleOf(longer), "6 rods, line, " + longer["result"].get<std::string>() + " ft long");
  // No answer, no plan.
  EXPECT_EQ(titleOf(Update("rods", {"rho", "1000000", "diameter", "0.625", "length", "8", "layout",
                                     "line", "spacing", "16", "target", "0.01"})),
            "(no plan)");
}

TEST(Tools, AChartIsDrawnForThePhonesWidthItsTextAtItsSize) {
  const std::vector<std::array<std::string, 4>> rows{{"1", "67", "", ""},
                                                     {"2", "28", "", ""},
                                                     {"4", "10.2", "", ""},
                                                     {"8", "4.1", "", ""},
                                                     {"16", "1.9", "", ""}};
  const std::string svg = Json::parse(RunSurvey(rows, English, kEnglish, 328))["svg"];
  EXPECT_NE(svg.find("width='328' height='408' viewBox='0 0 328 408'"), std::string::npos);
  // Every line of text (title and notes wrapped) within the width, none shrunk.
  std::size_t lines = 0;
  for (std::size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
    const std::size_t from = svg.find('>', at) + 1;
    const std::string shown = svg.substr(from, svg.find("</text>", from) - from);
    if (svg.compare(at, 20, "<text transform='tra") == 0) continue;  // the y axis's title, upright
    EXPECT_LE(TextWidth(shown, 13), 328.0) << shown;
    ++lines;
  }
  EXPECT_GT(lines, 5u);
  // The legend, too wide to sit in the plot, under it and within the chart.
  const std::size_t box = svg.rfind("<rect x='", svg.find("fill-opacity='0.85'"));
  ASSERT_NE(box, std::string::npos);
  const std::size_t plot = svg.find("<clipPath id='plot'><rect");
  const double plotBottom = std::stod(svg.substr(svg.find("y='", plot) + 3)) +
                            std::stod(svg.substr(svg.find("height='", plot) + 8));
  EXPECT_GT(std::stod(svg.substr(svg.find("y='", box) + 3)), plotBottom);
  const double left = std::stod(svg.substr(box + 9));
  const double width = std::stod(svg.substr(svg.find("width='", box) + 7));
  EXPECT_GE(left, 10.0);
  EXPECT_LE(left + width, 318.0);
  EXPECT_EQ(svg.find("font-size='1'"), std::string::npos);
  // The desk's chart at 0, and no narrower than 320.
  EXPECT_NE(Json::parse(RunSurvey(rows, English, kEnglish))["svg"].get<std::string>().find("width='900'"),
            std::string::npos);
  EXPECT_NE(Json::parse(RunSurvey(rows, English, kEnglish, 100))["svg"].get<std::string>().find("width='320'"),
            std::string::npos);
}

}  // namespace
}  // namespace ostrevin::calc
