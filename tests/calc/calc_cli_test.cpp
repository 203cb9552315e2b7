// ostrevin-calc run as a user runs it: arguments in, text and exit status out.
#include <string>

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

struct Result {
  int status;
  std::string out, err;
};

Result Calc(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess process;
  process.start(QStringLiteral(OSTREVIN_CALC), arguments);
  process.write(input);
  process.closeWriteChannel();
  if (!process.waitForFinished(60000)) return {-1, "", "timed out"};
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

TEST(CalcCommands, AnswerAsTheWindowDoes) {
  EXPECT_EQ(Calc({"resistance", "--rho", "2000", "--diameter", "0.625", "--length", "3"}).out,
            "17.868 ohms\n");
  EXPECT_EQ(Calc({"length", "--rho", "2000", "--diameter", "0.625", "--target", "10"}).out,
            "6.100 ft\n");
  EXPECT_EQ(Calc({"rho", "--spacing", "3", "--reading", "1", "--units", "metric"}).out,
            "1885 ohm-cm\n");
  const Result json = Calc({"length", "--rho", "2000", "--diameter", "0.016", "--target", "10",
                            "--units", "metric", "--json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"result\":\"1.856\",\"unit\":\"m\",\"length_m\":1.85643999999990"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(Calc({"--version"}).out, "ostrevin-calc 1.0.0.3\n");
}

TEST(CalcCommands, NoAnswerIsNaWithAReason) {
  const Result above = Calc({"length", "--rho", "2000", "--diameter", "0.625", "--target", "1000"});
  EXPECT_EQ(above.status, 3);
  EXPECT_EQ(above.out, "na\n");
  EXPECT_NE(above.err.find("the highest resistance of this rod is 217.052 ohms"),
            std::string::npos);
  const Result json = Calc({"resistance", "--rho", "2000", "--diameter", "10", "--length", "0.1",
                            "--units", "metric", "--json"});
  EXPECT_EQ(json.status, 3);
  EXPECT_NE(json.out.find("\"result\":\"na\""), std::string::npos);
  EXPECT_NE(json.out.find("\"ohms\":null"), std::string::npos);
}

TEST(CalcCommands, BadInputNamesTheOptionAndRange) {
  const Result bad = Calc({"resistance", "--rho", "1e9", "--diameter", "0.625", "--length", "3"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("--rho needs a number between 0.0001 and 1000000"), std::string::npos);
  EXPECT_EQ(Calc({"length", "--rho", "2000", "--diameter", "0.625"}).status, 2);  // no target
  EXPECT_EQ(Calc({"rho", "--spacing", "3", "--reading", "1", "--units", "cubits"}).status, 2);
  EXPECT_EQ(Calc({"rho", "--spacing", "3", "--reading", "1", "--bogus"}).status, 2);
  EXPECT_EQ(Calc({"divide"}).status, 2);
}

TEST(CalcBatch, ABadRowIsReportedAndTheRestGoesThrough) {
  const Result run = Calc({"batch", "-"},
                          "mode,units,rho,diameter,length,target,spacing,reading\r\n"
                          "length,english,2000,0.625,,10,,\r\n"
                          "resistance,metric,2000,\"0,5\",0.914,,,\r\n"
                          "rho,,,,,,3,1\r\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out,
            "mode,units,rho,diameter,length,target,spacing,reading,result,unit,value,error\n"
            "length,english,2000,0.625,,10,,,6.100,ft,1.8593974999999061,\n"
            "resistance,metric,2000,\"0,5\",0.914,,,,,,,"
            "\"diameter needs a number between 0.001 and 10, not \"\"0,5\"\"\"\n"
            "rho,,,,,,3,1,574.534,ohm-cm,574.534,\n");
  EXPECT_NE(run.err.find("line 3"), std::string::npos);
  EXPECT_EQ(Calc({"batch", "/no/such/file.csv"}).status, 1);
  EXPECT_EQ(Calc({"batch"}, "rho,diameter\n1,2\n").status, 1);  // no mode column
}

TEST(CalcCurve, DrawsSvgPngAndCsv) {
  QTemporaryDir dir;
  const QString svg = dir.filePath("rod.svg"), png = dir.filePath("rod.png");
  const QStringList rod{"curve", "--rho", "2000", "--diameter", "0.625", "--target", "10"};
  ASSERT_EQ(Calc(rod + QStringList{"--svg", svg}).status, 0);
  QFile file(svg);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int elements = 0;
  while (!xml.atEnd()) elements += xml.readNext() == QXmlStreamReader::StartElement;
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(elements, 10);
  ASSERT_EQ(Calc(rod + QStringList{"--png", png}).status, 0);
  EXPECT_EQ(QImage(png).size(), QSize(900, 560));
  const Result csv = Calc(rod + QStringList{"--csv"});
  EXPECT_EQ(csv.out.rfind("length_m,length_ft,ohms\n0.0053975,", 0), 0u);
  EXPECT_EQ(Calc(rod + QStringList{"--svg", dir.filePath("no/such/dir/x.svg")}).status, 1);
  EXPECT_EQ(Calc(rod).status, 2);  // no output named
}

}  // namespace
