// ostrevin-calc run as a user runs it: arguments in, text, files and exit
// status out. The cases here are the ones only a real process shows: a full
// disk, a failed file write, no display, file names that are not UTF-8.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Result {
  int status;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the program through the shell with `redirect` appended ("> /dev/full").
Result Calc(const std::string& arguments, const std::string& redirect = "> out.txt",
            const std::string& environment = "") {
  const std::string command = "cd '" + std::string(OSTREVIN_TEST_DIR) + "' && " + environment +
                              " '" + OSTREVIN_CALC + "' " + arguments + " " + redirect +
                              " 2> err.txt";
  const int raw = std::system(command.c_str());
  const std::string dir = OSTREVIN_TEST_DIR;
  return {WEXITSTATUS(raw), Slurp(dir + "/out.txt"), Slurp(dir + "/err.txt")};
}

constexpr const char* kRod = "--rho 2000 --diameter 0.625";

TEST(CalcProgram, AnswersAndStatuses) {
  EXPECT_EQ(Calc(std::string("resistance ") + kRod + " --length 3").out, "17.868 ohms\n");
  const Result na = Calc(std::string("length ") + kRod + " --target 1000 --json");
  EXPECT_EQ(na.status, 3);
  EXPECT_NE(na.out.find("\"length_m\":null"), std::string::npos);
  EXPECT_EQ(na.err,
            "ostrevin-calc length: na: no rod length reaches 1000 ohms: the highest resistance of "
            "this rod is 217.052 ohms\n");
  const Result bad = Calc(std::string("resistance ") + kRod + " --length 3 --svg x.svg");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(Calc("--version").out, "ostrevin-calc 1.0.0.3\n");
  EXPECT_EQ(Calc("divide").status, 2);
}

TEST(CalcProgram, AFullDiskIsAFailureNamedOnStandardError) {
  const Result one = Calc(std::string("rho --spacing 3 --reading 1"), "> /dev/full");
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(one.err, "ostrevin-calc rho: cannot write standard output: No space left on device\n");
  std::ofstream(std::string(OSTREVIN_TEST_DIR) + "/rows.csv")
      << "mode,spacing,reading\nrho,3,1\nrho,3,2\n";
  const Result batch = Calc("batch rows.csv", "> /dev/full");
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.err,
            "ostrevin-calc batch: cannot write standard output: No space left on device (nothing "
            "written, stopped at line 3)\n");
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --svg /dev/full").status, 1);
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --csv", "> /dev/full").status, 1);
  EXPECT_EQ(Calc("batch .").err, "ostrevin-calc batch: cannot read \".\": is a directory\n");
}

TEST(CalcProgram, CurvesReplaceFilesWholeWithoutADisplay) {
  const std::string dir = OSTREVIN_TEST_DIR;
  // No display platform can start: the curve does not need one.
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
  const std::string name = "r\xe9sultat.png";  // Latin-1, not UTF-8: kept byte for byte
  ASSERT_EQ(Calc(std::string("curve ") + kRod + " --target 10 --png '" + name + "'", "", noDisplay)
                .status,
            0);
  const std::string png = Slurp(dir + "/" + name);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --csv", "> out.txt", noDisplay).status, 0);

  // A failed write leaves the old file as it was: here a file-size limit
  // stops the new drawing half-way (root ignores permissions, not limits).
  ASSERT_EQ(Calc(std::string("curve ") + kRod + " --svg old.svg", "").status, 0);
  const std::string before = Slurp(dir + "/old.svg");
  ASSERT_NE(before.find("<svg"), std::string::npos);
  const Result failed = Calc(std::string("curve ") + kRod + " --log-ohms --svg old.svg", "",
                             "trap '' XFSZ; ulimit -f 1;");  // at most 512 bytes a file
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("ostrevin-calc curve: cannot write \"old.svg\": "), std::string::npos);
  EXPECT_EQ(Slurp(dir + "/old.svg"), before);
}

TEST(WindowProgram, WithoutADisplaySaysSoInOneLine) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                              std::string(OSTREVIN_WINDOW) + "' 2> '" + OSTREVIN_TEST_DIR +
                              "/err.txt'";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);  // not an abort
  EXPECT_EQ(Slurp(std::string(OSTREVIN_TEST_DIR) + "/err.txt"),
            "ostrevin: cannot open the window: could not connect to display (run it in a desktop "
            "session, or under Xvfb: xvfb-run ostrevin)\n");
}

}  // namespace
