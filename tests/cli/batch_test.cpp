// The CSV batch in-process: what spreadsheets write goes through record for
// record, what is broken is refused loudly, and a failed read or write is
// never a quiet success.
#include <string>

#include <gtest/gtest.h>

#include "calc/survey_file.h"
#include "cli/batch.h"

namespace ostrevin::calc {
namespace {

using enum ostrevin::UnitSystem;

struct Ran {
  Status status;
  std::string out, err;
};

Ran Batch(const std::string& input, std::optional<char> separator = std::nullopt) {
  StringSource in(input);
  StringSink out, err;
  BatchOptions options;
  options.separator = separator;
  const Status status = RunBatch(in, out, err, options);
  return {status, out.text, err.text};
}

constexpr const char* kRow = "resistance,2000,0.625,3";
constexpr const char* kAnswer = "resistance,2000,0.625,3,17.868,ohms,17.868,,,,,,,,,,,,,,,,,,,,\n";
constexpr const char* kAdded =
    "result,unit,value,error,sufficient,second_rod_6ft_ohms,second_rod_2l_ohms,"
    "gpr_volts,mesh_volts,step_volts,touch_limit_volts,step_limit_volts,verdict,mesh_volts_ieee80,step_volts_ieee80,verdict_ieee80,touch_volts,fence_touch_volts,fence_verdict,limit_ohms,en50522.u_tp_volts,en50522.u_vtp_volts,en50522.branch";
const std::string kOutHeader = "mode,rho,diameter,length," + std::string(kAdded) + "\n";

struct Case {
  const char* name;
  std::string input;
  Status status;
  std::string out;
  std::string err;  // a part of standard error, or "" for none at all
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class BatchCases : public testing::TestWithParam<Case> {};

TEST_P(BatchCases, ReadsWritesAndReports) {
  const Case& c = GetParam();
  const Ran run = Batch(c.input);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.out, c.out);
  if (c.err.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

const std::string kHeader = "mode,rho,diameter,length";

INSTANTIATE_TEST_SUITE_P(
    Spreadsheets, BatchCases,
    testing::Values(
        Case{"Lf", kHeader + "\n" + kRow + "\n", kAnswered, kOutHeader + kAnswer, ""},
        Case{"CrLfNoFinalBreak", kHeader + "\r\n" + kRow + "\r\n" + kRow, kAnswered,
             kOutHeader + kAnswer + kAnswer, ""},
        Case{"OldMacCr", kHeader + "\r" + kRow + "\r" + kRow + "\r", kAnswered,
             kOutHeader + kAnswer + kAnswer, ""},
        Case{"ByteOrderMarkKept", "\xef\xbb\xbf" + kHeader + "\n" + kRow + "\n", kAnswered,
             "\xef\xbb\xbf" + std::string(kOutHeader) + kAnswer, ""},
        Case{"HeaderCaseAndBlanks", " Mode , RHO,Diameter ,length\n" + std::string(kRow) + "\n",
             kAnswered, " Mode , RHO,Diameter ,length," + std::string(kAdded) + "\n" + kAnswer, ""},
        Case{"SemicolonsAndDecimalCommas",
             "mode;units;rho;diameter;target\nlength;English;2000;0,625;10\n"
             "length;METRIC;2000;\"0,016\";10\n",
             kAnswered,
             "mode;units;rho;diameter;target;result;unit;value;error;sufficient;second_rod_6ft_"
             "ohms;second_rod_2l_ohms;gpr_volts;mesh_volts;step_volts;touch_limit_volts;step_limit_volts;verdict;mesh_volts_ieee80;step_volts_ieee80;verdict_ieee80;touch_volts;fence_touch_volts;fence_verdict;limit_ohms;en50522.u_tp_volts;en50522.u_vtp_volts;en50522.branch\n"
             "length;English;2000;0,625;10;6,100;ft;1,8593974999999061;;;;;;;;;;;;;;;;;;;;\n"
             "length;METRIC;2000;0,016;10;1,856;m;1,8564399999999064;;;;;;;;;;;;;;;;;;;;\n",
             ""},
        Case{"QuotesDoubledAndLineBreaks",
             "mode,note,rho,diameter,length\nresistance,\"say \"\"hi\"\",\r\nrod 2\",2000,"
             "0.625,3\n" +
                 std::string(kRow) + ",x\n",
             kBadInput,
             "mode,note,rho,diameter,length," + std::string(kAdded) +
                 "\n"
                 "resistance,\"say \"\"hi\"\",\r\nrod 2\",2000,0.625,3,17.868,ohms,17.868,,,,,,,,,,,,,,,,,,,,\n"
                 "resistance,2000,0.625,3,x,,,,\"length needs a length between 0.1 and 10000 ft, "
                 "not \"\"x\"\"\",,,,,,,,,,,,,,,,,,,\n",
             "line 4: length needs a length"},
        Case{"BlankLinesAreNoRecords", kHeader + "\n\n" + kRow + "\n\r\n", kAnswered,
             kOutHeader + kAnswer, ""},
        Case{"ShortRowAndPhysicalLineNumbers", kHeader + "\n\n\nresistance,2000\n", kBadInput,
             kOutHeader + std::string("resistance,2000,,,,,,\"expected 4 fields, found 2\",,,,,,,,,,,,,,,,,,,\n"),
             "batch: line 4: expected 4 fields, found 2"},
        Case{
            "MetricAndNoAnswer",
            "mode,units,rho,diameter,target\nlength, metric ,2000,0.016,1000\n", kAnswered,
            "mode,units,rho,diameter,target," + std::string(kAdded) +
                "\n"
                "length, metric ,2000,0.016,1000,na,,,no rod length reaches 1000 ohms: the highest "
                "resistance of this rod is 215.334 ohms,,,,,,,,,,,,,,,,,,,\n",
            ""},
        Case{"BadValueEscapedInTheMessage", kHeader + "\nresistance,2000,\x1b[2J,3\n", kBadInput,
             kOutHeader + std::string("resistance,2000,\x1b[2J,3,,,,\"diameter needs a diameter "
                                      "between 0.001 and 10 in, not \"\"\\x1b[2J\"\"\",,,,,,,,,,,,,,,,,,,\n"),
             "line 2: diameter needs a diameter between 0.001 and 10 in, not \"\\x1b[2J\""},
        Case{"MissingColumnAndUnknownMode", "mode,rho,diameter\nresistance,1,1\nbake,1,1\n",
             kBadInput,
             "mode,rho,diameter," + std::string(kAdded) +
                 "\nresistance,1,1,,,,length is missing,,,,,,,,,,,,,,,,,,,\n"
                 "bake,1,1,,,,\"unknown mode \"\"bake\"\" (resistance, length, rho, group, rods, "
                 "check, strip, ring, grid, plate, encased, limits, conductor)\",,,,,,,,,,,,,,,,,,,\n",
             "line 3: unknown mode \"bake\""},
        Case{"UnclosedQuote", kHeader + "\n" + kRow + "\nresistance,\"2000,1,1\n", kBadInput,
             kOutHeader + kAnswer +
                 "resistance,\"2000,1,1\n\",,,,,,a quote opened on line 3 is not closed by the "
                 "end of the input,,,,,,,,,,,,,,,,,,,\n",
             "line 3: a quote opened on line 3 is not closed"},
        Case{"DuplicatedColumn", "mode,rho,diameter,Rho\n" + std::string(kRow) + "\n", kBadInput,
             "", "line 1: column \"rho\" appears twice (columns 2 and 4)"},
        Case{"OutputColumnInTheInput", "mode,rho,diameter,length,Result\n", kBadInput, "",
             "column \"result\" is one the program writes"},
        Case{"NoModeColumn", "rho,diameter\n1,2\n", kBadInput, "",
             "line 1: the header has no mode column"},
        Case{"Empty", "\n\n", kBadInput, "", "the input is empty"},
        Case{"CrLfLineNumbersInAnErrorRow", kHeader + "\r\n" + kRow + "\r\nresistance,x,1,1\r\n",
             kBadInput,
             kOutHeader + kAnswer +
                 "resistance,x,1,1,,,,\"rho needs a resistivity between 0.0001 and 1000000 "
                 "ohm-cm, not \"\"x\"\"\",,,,,,,,,,,,,,,,,,,\n",
             "batch: line 3: rho needs"},
        Case{"TextAfterAClosingQuoteIsKeptAsWritten", kHeader + "\nresistance,\"3\"0,1,1\n",
             kBadInput,
             kOutHeader + "resistance,\"\"\"3\"\"0\",1,1,,,,text after a closing quote,,,,,,,,,,,,,,,,,,,\n",
             "line 2: text after a closing quote"},
        Case{"ExtraFieldsAreNotDropped", kHeader + "\n" + kRow + ",9\n", kBadInput,
             kOutHeader + "resistance,2000,0.625,3,,,,\"expected 4 fields, found 5\",,,,,,,,,,,,,,,,,,,\n",
             "line 2: expected 4 fields, found 5"},
        Case{"BlankCellsAreInputsNotGiven", kHeader + "\nresistance, ,,\n", kBadInput,
             kOutHeader + "resistance, ,,,,,,rho (or layers) is missing,,,,,,,,,,,,,,,,,,,\n",
             "line 2: rho (or layers) is missing"},
        Case{"ALoneCrInsideAQuotedCell",
             "mode,note,rho,diameter,length\nresistance,\"a\rb\",2000,0.625,3\nresistance,,x,1,1\n",
             kBadInput,
             "mode,note,rho,diameter,length," + std::string(kAdded) +
                 "\nresistance,\"a\rb\",2000,0.625,3,17.868,ohms,17.868,,,,,,,,,,,,,,,,,,,,\n"
                 "resistance,,x,1,1,,,,\"rho needs a resistivity between 0.0001 and 1000000 "
                 "ohm-cm, not \"\"x\"\"\",,,,,,,,,,,,,,,,,,,\n",
             "line 4: rho needs"},
        Case{"CentimetresAndOhms",
             "mode,units,rho,diameter,target\nlength,metric,20ohm-m,1.6cm,10ohm\n", kAnswered,
             "mode,units,rho,diameter,target," + std::string(kAdded) +
                 "\nlength,metric,20ohm-m,1.6cm,10ohm,1.856,m,1.8564399999999064,,,,,,,,,,,,,,,,,,,,\n",
             ""},
        Case{"RowsOfOnlySeparatorsAreBlank", kHeader + "\n,,,\n;;\n , ,,\n" + kRow + "\n",
             kBadInput, kOutHeader + ";;,,,,,,,\"expected 4 fields, found 1\",,,,,,,,,,,,,,,,,,,\n" + kAnswer,
             "line 3: expected 4 fields"},
        Case{"ASemicolonFileStartingBlank",
             "\r\nmode;rho;diameter;length\nresistance;2000;0,625;3\n", kAnswered,
             "mode;rho;diameter;length;result;unit;value;error;sufficient;second_rod_6ft_ohms;"
             "second_rod_2l_ohms;gpr_volts;mesh_volts;step_volts;touch_limit_volts;step_limit_volts;verdict;mesh_volts_ieee80;step_volts_ieee80;verdict_ieee80;touch_volts;fence_touch_volts;fence_verdict;limit_ohms;en50522.u_tp_volts;en50522.u_vtp_volts;en50522.branch\nresistance;2000;0,625;3;17,868;ohms;17,868;;;;;;;;;;;;;;;;;;;;\n",
             ""},
        Case{"APointWithoutACommaIsAmbiguous",
             "mode;rho;diameter;length\nresistance;2.000;0,625;3\nresistance;1.234,5;0,625;3\n",
             kBadInput,
             "mode;rho;diameter;length;result;unit;value;error;sufficient;second_rod_6ft_ohms;"
             "second_rod_2l_ohms;gpr_volts;mesh_volts;step_volts;touch_limit_volts;step_limit_volts;verdict;mesh_volts_ieee80;step_volts_ieee80;verdict_ieee80;touch_volts;fence_touch_volts;fence_verdict;limit_ohms;en50522.u_tp_volts;en50522.u_vtp_volts;en50522.branch\nresistance;2.000;0,625;3;;;;\"rho needs a resistivity between "
             "0.0001 and 1000000 ohm-cm, not \"\"2.000\"\": \"\"2.000\"\" is ambiguous: a comma "
             "is the decimal mark here, and a point groups thousands only beside it "
             "(1.234,5)\";;;;;;;;;;;;;;;;;;;\nresistance;1.234,5;0,625;3;11,029;ohms;11,029;;;;;;;;;;;;;;;;;;;;\n",
             "line 2: rho needs a resistivity"},
        Case{"ACheckKeepsItsVerdictSecondRodsAndLimit",
             "mode,rho,diameter,length\ncheck,10000,0.625,8\ncheck,4000,0.625,8\n", kAnswered,
             kOutHeader +
                 "check,10000,0.625,8,39.905,ohms,39.904873468968596,,false,23.036729674023064,"
                 "21.29193255726034,,,,,,,,,,,,,25,,,\ncheck,4000,0.625,8,15.962,ohms,15.96194938758744,,true,"
                 "9.214691869609226,8.516773022904136,,,,,,,,,,,,,25,,,\n",
             ""},
        // A frozen layer with decimal commas: its parts part after the unit.
        Case{"FrostWithDecimalCommas",
             "mode;units;rho;frost;diameter;length\nresistance;metric;10000;0,8m,50000;0,016;3\n",
             kAnswered,
             "mode;units;rho;frost;diameter;length;result;unit;value;error;sufficient;"
             "second_rod_6ft_ohms;second_rod_2l_ohms;gpr_volts;mesh_volts;step_volts;touch_limit_volts;step_limit_volts;verdict;mesh_volts_ieee80;step_volts_ieee80;verdict_ieee80;touch_volts;fence_touch_volts;fence_verdict;limit_ohms;en50522.u_tp_volts;en50522.u_vtp_volts;en50522.branch\n"
             "resistance;metric;10000;0,8m,50000;0,016;3;40,639;ohms;40,63860174261963;note: the soil "
             "worked is the worst season's: 50000 ohm-cm to 0.8 m, then 10000 ohm-cm (a frozen layer of "
             "50000 ohm-cm to 0.800 m);;;;;;;;;;;;;;;;;;;\n",
             ""},
        Case{"TwoLayersInColumns",
             "mode;units;rho1;h;rho2;diameter;length\nresistance;metric;41300;2,2;12300;0,016;3\n",
             kAnswered,
             "mode;units;rho1;h;rho2;diameter;length;result;unit;value;error;sufficient;"
             "second_rod_6ft_ohms;second_rod_2l_ohms;gpr_volts;mesh_volts;step_volts;touch_limit_volts;step_limit_volts;verdict;mesh_volts_ieee80;step_volts_ieee80;verdict_ieee80;touch_volts;fence_touch_volts;fence_verdict;limit_ohms;en50522.u_tp_volts;en50522.u_vtp_volts;en50522.branch\n"
             "resistance;metric;41300;2,2;12300;0,016;3;74,927;ohms;74,92688372337922;;;;;;;;;;;;;;;;;;;;\n",
             ""},
        Case{"LayoutInAnyCase",
             "mode,units,rho,diameter,length,layout,spacing,rods\ngroup,metric,20000,0.02,3,LINE,6,"
             "2\n",
             kAnswered,
             "mode,units,rho,diameter,length,layout,spacing,rods," + std::string(kAdded) +
                 "\ngroup,metric,20000,0.02,3,LINE,6,2,34.485,ohms,34.48453928968728,,,,,,,,,,,,,,,,,,,,\n",
             ""}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Batch, ALayersCellCarriesAnyNumberOfLayersWhereTheyAreSolved) {
  // Three layers in one cell, decimal commas split after each unit: solved
  // for a strip; the rod formula takes two and its row says so.
  const Ran run = Batch(
      "mode;units;layers;length;depth;conductor\n"
      "strip;metric;300ohm-m,2,5m,100ohm-m,8m,1000ohm-m;30m;0,6m;10mm\n"
      "resistance;metric;300ohm-m,2m,100ohm-m,8m,1000ohm-m;3m;;\n");
  EXPECT_EQ(run.status, kBadInput);
  EXPECT_NE(run.out.find("\nstrip;metric;300ohm-m,2,5m,100ohm-m,8m,1000ohm-m;30m;0,6m;10mm;16,777;ohms;"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("line 3: layers gives 3 layers: three or more are solved for electrodes"),
            std::string::npos)
      << run.err;
}

TEST(Batch, ALineBeyondTheBoundIsAnErrorRowNotAnAllocation) {
  const std::string huge(CsvReader::kMaxRecordBytes + 10, '9');
  const Ran run = Batch(kHeader + "\n" + kRow + "\nresistance," + huge + ",1,1\n" + kRow + "\n");
  EXPECT_EQ(run.status, kBadInput);
  EXPECT_EQ(run.out,
            kOutHeader + kAnswer + ",,,,,,,the line is longer than 1048576 bytes,,,,,,,,,,,,,,,,,,,\n" + kAnswer);
  EXPECT_NE(run.err.find("line 3: the line is longer"), std::string::npos);
}

TEST(Batch, ARecordOfExactlyTheBoundIsKept) {
  // 1 MiB to the byte, line end not counted: read as a record (its cell is
  // no number), one byte more is not kept.
  const std::string prefix = "resistance,";
  const std::string tail = ",1,1";
  const std::string cell(CsvReader::kMaxRecordBytes - prefix.size() - tail.size(), '9');
  const Ran exact = Batch(kHeader + "\n" + prefix + cell + tail + "\n");
  EXPECT_NE(exact.err.find("line 2: rho needs a resistivity"), std::string::npos) << exact.err;
  const Ran over = Batch(kHeader + "\n" + prefix + cell + "9" + tail + "\n");
  EXPECT_NE(over.err.find("line 2: the line is longer than 1048576 bytes"), std::string::npos);
}

TEST(Batch, AnUnclosedQuoteNamesWhereItOpened) {
  // Longer than a record may be: the message still says what went wrong.
  const std::string huge(CsvReader::kMaxRecordBytes + 10, '9');
  const Ran run = Batch(kHeader + "\n" + kRow + "\nresistance,\"" + huge + "\n" + kRow + "\n");
  EXPECT_NE(run.err.find("line 3: a quote opened on line 3 is not closed by the end of the input"),
            std::string::npos)
      << run.err.substr(0, 200);
}

TEST(Batch, ASeparatorGivenOverridesTheHeader) {
  // A header without separators reads as one column; forcing ";" lets a comma
  // inside a cell be a decimal comma.
  EXPECT_EQ(Batch("mode;rho;spacing;reading\nrho;;3;1\n", ',').status, kBadInput);
  EXPECT_EQ(Batch("mode,rho\n", ';').err,
            "ostrevin-calc batch: line 1: the header has no mode column (the first line must "
            "name the columns, e.g. mode,rho,diameter,length)\n");
}

TEST(Batch, TheHeaderIsBoundedAndCheckedInOneGo) {
  // 120,000 columns took 87 s when each was compared with every other.
  std::string wide = "mode";
  for (int i = 1; i < 120000; ++i) wide += ",c" + std::to_string(i);
  const Ran many = Batch(wide + "\n");
  EXPECT_EQ(many.status, kBadInput);
  EXPECT_EQ(many.err, "ostrevin-calc batch: line 1: 120000 columns: at most 1000 are read\n");
  std::string widest = "mode";
  for (int i = 1; i < 1000; ++i) widest += ",c" + std::to_string(i);
  EXPECT_EQ(Batch(widest + "\n").status, kAnswered);
  EXPECT_EQ(Batch(widest + ",mode\n").err,
            "ostrevin-calc batch: line 1: 1001 columns: at most 1000 are read\n");
  EXPECT_EQ(Batch(widest.substr(0, widest.rfind(',')) + ",c1\n").err,
            "ostrevin-calc batch: line 1: column \"c1\" appears twice (columns 2 and 1000)\n");
}

TEST(Csv, ASeparatorIsTakenFromTheHeaderATabFirstAndATieIsAComma) {
  const auto guess = [](const std::string& text) {
    StringSource source(text);
    return CsvReader(source).DetectSeparator();
  };
  EXPECT_EQ(guess("a;b;c,d\n"), ';');
  EXPECT_EQ(guess("a;b,c\n"), ',');  // one of each: the comma
  EXPECT_EQ(guess("a;b,c,d\n"), ',');
  EXPECT_EQ(guess("\"a;b;c\",d\n"), ',');  // quoted separators do not count
  EXPECT_EQ(guess("1,5\t67,25\n"), '\t');  // a spreadsheet's paste, decimal commas and all
  EXPECT_EQ(guess("\"a\tb\",c\n"), ',');
}

// Rows made as they are read, as many as asked: a file too big to keep.
class ManyRows final : public ByteSource {
 public:
  explicit ManyRows(long rows) : left_(rows) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    std::size_t n = 0;
    for (; n + 16 <= size && left_ >= 0; --left_) {
      const std::string line = left_ == rows_ ? "spacing,reading\n" : "1,67\n";
      std::copy(line.begin(), line.end(), buffer + n);
      n += line.size();
      read_ += line.size();
    }
    return static_cast<std::ptrdiff_t>(n);
  }
  std::string ErrorText() const override { return {}; }
  std::size_t BytesRead() const { return read_; }

 private:
  long left_, rows_ = left_;
  std::size_t read_ = 0;
};

// Rows copied from a spreadsheet say nothing of their decimal mark: the
// cells that show one settle it for all ("15,16" makes "15,915" 15.915);
// where they show both, or none, each cell is its own and "15,915" stays
// ambiguous.
TEST(Survey, ATabFileTakesTheDecimalMarkItsCellsShow) {
  const auto marks = [](const std::string& text) {
    StringSource in(text);
    SurveyFile file;
    const Result<std::vector<FallRow>> rows = ReadFallRows(in, file);
    EXPECT_TRUE(rows) << rows.why();
    return file.marks;
  };
  const NumberMarks commas = marks("distance\treading\n20\t15,16\n61,8\t15,915\n");
  EXPECT_EQ(*ReadNumber("15,915", commas), 15.915);
  const NumberMarks points = marks("distance\treading\n20\t15.16\n61.8\t15,915\n");
  EXPECT_FALSE(ReadNumber("15,915", points));  // a point is the mark: 15,915 groups, or is a slip
  const NumberMarks both = marks("distance\treading\n20,5\t15.16\n61\t15,915\n");
  EXPECT_TRUE(both.eitherDecimal);
  EXPECT_FALSE(ReadNumber("15,915", both));
  // A comma file (no tab) keeps its own marks.
  EXPECT_FALSE(marks("distance,reading\n20,15.16\n").eitherDecimal);
}

TEST(Survey, RowsAreBoundedBeforeTheyAreKept) {
  ManyRows million(1000000);
  SurveyFile file;
  file.name = "standard input";
  const Result<std::vector<SurveyRow>> rows = ReadSurvey(million, file);
  EXPECT_TRUE(rows.refused());
  EXPECT_EQ(rows.why(), "line 1002: more than 1000 readings: a survey may have at most 1000");
  EXPECT_LT(million.BytesRead(), 200000u);  // the rest is never read
  ManyRows enough(1000);
  const Result<std::vector<SurveyRow>> kept = ReadSurvey(enough, file);
  ASSERT_TRUE(kept) << kept.why();
  EXPECT_EQ(kept->size(), 1000u);
}

// A source that fails after its text, and a sink that fails after `room` bytes.
class FailingSource final : public ByteSource {
 public:
  explicit FailingSource(std::string text) : text_(std::move(text)) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    if (done_) return -1;
    done_ = true;
    return StringSource(text_).Read(buffer, size);
  }
  std::string ErrorText() const override { return "Input/output error"; }

 private:
  std::string text_;
  bool done_ = false;
};

class FullSink final : public ByteSink {
 public:
  explicit FullSink(std::size_t room) : room_(room) {}
  bool Write(std::string_view bytes) override {
    if (bytes.size() > room_) room_ = 0, failed_ = true;
    if (failed_) return false;
    room_ -= bytes.size();
    delivered_ += bytes.size();
    return true;
  }
  bool Flush() override { return !failed_; }
  std::string ErrorText() const override { return "No space left on device"; }
  std::uint64_t Delivered() const override { return delivered_; }

 private:
  std::size_t room_, delivered_ = 0;
  bool failed_ = false;
};

TEST(Batch, AFailedReadOrWriteStopsWithTheLineReached) {
  StringSink out, err;
  FailingSource broken(kHeader + "\n" + kRow + "\n" + kRow + "\n");
  EXPECT_EQ(RunBatch(broken, out, err, {}), kFailed);
  EXPECT_EQ(err.text,
            "ostrevin-calc batch: cannot read standard input: Input/output error (stopped at line "
            "4)\n");

  std::string input = kHeader + "\n";
  for (int i = 0; i < 100; ++i) input += std::string(kRow) + "\n";
  StringSource in(input);
  FullSink full(kOutHeader.size() + 10 * std::string(kAnswer).size());
  StringSink err2;
  EXPECT_EQ(RunBatch(in, full, err2, {}), kFailed);
  EXPECT_EQ(err2.text,
            "ostrevin-calc batch: cannot write standard output: No space left on device (written "
            "up to input line 11, stopped at line 12)\n");
}

}  // namespace
}  // namespace ostrevin::calc
