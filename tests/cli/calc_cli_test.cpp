// ostrevin-calc run as a user runs it: arguments in, text, files and exit
// status out. The cases here are the ones only a real process shows: a full
// disk, files replaced or written through, a batch into its own input, the
// order of the two outputs, no display, no toolkit loaded.
#include <fcntl.h>
#include <unistd.h>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_run.h"

namespace {

using namespace ostrevin::test_support;

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
  EXPECT_EQ(Calc("--version").out, "ostrevin-calc " OSTREVIN_VERSION "\n");
  const Result typo = Calc("lenght");
  EXPECT_EQ(typo.status, 2);
  EXPECT_EQ(typo.err,
            "ostrevin-calc: unknown command \"lenght\": did you mean length? (ostrevin-calc help "
            "lists the commands)\n");
  EXPECT_EQ(Calc("help check").out.substr(0, 26), "Usage: ostrevin-calc check");
  // Two letters swapped are one slip.
  EXPECT_EQ(Calc("grdi").err,
            "ostrevin-calc: unknown command \"grdi\": did you mean grid? (ostrevin-calc help lists the "
            "commands)\n");
  EXPECT_EQ(Calc("check --bogus --help").status, 0);
  // --units before the command, once.
  EXPECT_EQ(Calc("--units metric length --rho 2000 --diameter 0.016 --target 10").out, "1.856 m\n");
  EXPECT_EQ(
      Calc("--units metric length --units metric --rho 2000 --diameter 0.016 --target 10").err,
      "ostrevin-calc length: --units is given twice\n");
  EXPECT_EQ(Calc("length --rho 2000 --target 10").err,
            "ostrevin-calc length: --diameter is missing (see ostrevin-calc length --help)\n");
}

// A command that judges: the answer stays line 1, the criteria and the
// verdict follow at once, the details after them; one that judges nothing
// prints no table.
TEST(CalcProgram, AJudgedAnswerLeadsWithItsCriteria) {
  const Result check = Calc("check --rho 20000 --diameter 0.625 --length 8");
  EXPECT_EQ(check.out.substr(0, check.out.find("\nmore than")),
            "79.810 ohms\n"
            "criterion                                       value    limit    margin  result\n"
            "Resistance of one rod (NEC 250.53(A)(2))  79.810 ohms  25 ohms  -219.2 %  fail\n"
            "The design fails: Resistance of one rod (NEC 250.53(A)(2)) 79.810 ohms against 25 "
            "ohms.");
  const std::string meets = Calc("check --rho 2000 --diameter 0.625 --length 8").out;
  std::istringstream lines(meets);
  std::vector<std::string> first(4);
  for (std::string& line : first) std::getline(lines, line);
  EXPECT_EQ(first[0], "7.981 ohms");
  EXPECT_EQ(first[2].substr(first[2].size() - 4), "pass");
  EXPECT_EQ(first[3], "The design meets every criterion judged (1).");
  const Result grid = Calc(
      "grid --rho 400ohm-m --size 70x70 --meshes 7x7 --depth 0.5 --conductor 0.01 --units metric "
      "--grid-current 1900 --fault-duration 0.5 --shock-duration 0.5 --surface-rho 2500ohm-m "
      "--surface-thickness 0.1");
  ASSERT_EQ(grid.status, 0) << grid.err;
  const std::string second = grid.out.substr(grid.out.find('\n') + 1, 9);
  EXPECT_EQ(second, "criterion");
  EXPECT_NE(grid.out.find("\nTouch voltage inside "), std::string::npos) << grid.out;
  EXPECT_NE(grid.out.find("\nStep voltage "), std::string::npos);
  EXPECT_EQ(Calc(std::string("resistance ") + kRod + " --length 3").out, "17.868 ohms\n");
  // The RCD rule, failed in a 25 V location: what meets it is what the rods
  // and length commands find for its limit (25 V / 300 mA).
  const Result rcd = Calc(
      "check --rho 200000 --diameter 16mm --length 2.4m --units metric --code iec60364 --rcd 300mA "
      "--ul 25");
  EXPECT_NE(rcd.out.find("\nResistance of one rod (IEC 60364-4-41 411.5.3)  807.722 ohms  83.333 ohms"),
            std::string::npos)
      << rcd.out;
  const std::string rods = Calc("rods --rho 200000 --diameter 16mm --length 2.4m --units metric "
                                "--layout line --spacing 4.8m --target 83.33333333333333")
                               .out;
  EXPECT_NE(rcd.out.find("meets it: " + rods.substr(0, rods.find(' ')) + " rods in a line 4.8 m apart"),
            std::string::npos)
      << rcd.out << rods;
  const std::string length = Calc("length --rho 200000 --diameter 16mm --units metric --target "
                                  "83.33333333333333")
                                 .out;
  EXPECT_NE(rcd.out.find("or one rod " + length.substr(0, length.find('\n')) + " long"), std::string::npos)
      << rcd.out << length;
}

// --units si: the metric answers, a bare resistivity read in ohm-m and a
// bare diameter in mm, the same as metric given those units.
TEST(CalcProgram, SiUnitsReadABareResistivityInOhmMetresAndADiameterInMillimetres) {
  struct Row {
    const char* name;
    std::string si, metric;
  };
  const std::vector<Row> rows = {
      {"a rod's check", "check --rho 200 --diameter 16 --length 2.4",
       "check --rho 200ohm-m --diameter 16mm --length 2.4"},
      {"two layers", "group --layers 400,2,120 --diameter 16 --length 3 --layout line --rods 2 --spacing 3",
       "group --layers 400ohm-m,2,120ohm-m --diameter 16mm --length 3 --layout line --rods 2 --spacing 3"},
      {"a strip's conductor", "strip --rho 100 --conductor 10 --length 50 --depth 0.5",
       "strip --rho 100ohm-m --conductor 10mm --length 50 --depth 0.5"},
      {"a suffix still wins", "check --rho 20000ohm-cm --diameter 0.016m --length 2.4",
       "check --rho 200ohm-m --diameter 16mm --length 2.4"},
  };
  for (const Row& row : rows) {
    const Result si = Calc("--units si " + row.si + " --json");
    EXPECT_EQ(si.status, 0) << row.name << ": " << si.err;
    EXPECT_EQ(si.out, Calc("--units metric " + row.metric + " --json").out) << row.name;
  }
  // A resistivity found is given in ohm-m, its ohm-cm kept in the JSON.
  EXPECT_EQ(Calc("--units si rho --spacing 3 --reading 12.5").out, "235.62 ohm-m\n");
  EXPECT_EQ(Calc("--units metric rho --spacing 3 --reading 12.5").out, "23562 ohm-cm\n");
  // A survey's model and its table too.
  const Result survey = Shell("printf 'spacing,reading\\n1,67\\n2,28\\n4,10.2\\n8,4.1\\n16,1.9\\n32,0.9\\n' | " +
                              kCalc + " --units si soil -");
  EXPECT_EQ(survey.out.substr(0, survey.out.find('\n')),
            "two layers: 434.82 ohm-m to 1.735 m, then 185.58 ohm-m (RMS misfit 1.74 %)")
      << survey.err;
  EXPECT_NE(survey.out.find("  measured, ohm-m  model, ohm-m"), std::string::npos) << survey.out;
  // A batch's units column too; anything else refused, naming the three.
  const Result batch = Shell("printf 'mode,units,rho,diameter,length\\ncheck,si,200,16,2.4\\n' | " + kCalc +
                             " batch - | cut -d, -f6");
  EXPECT_EQ(batch.out, "result\n80.772\n") << batch.err;
  EXPECT_EQ(Calc("--units SI check --rho 200 --diameter 16 --length 2.4").out.substr(0, 12), "80.772 ohms\n");
  EXPECT_EQ(Calc("--units iso check --rho 200 --diameter 16 --length 2.4").err,
            "ostrevin-calc check: --units must be english, metric or si, not \"iso\"\n");
}

TEST(CalcProgram, TheUsersDefaultUnitsFromTheEnvironment) {
  // OSTREVIN_UNITS: the option wins; a batch's records without a units
  // column take it; a value that is none of the three refused, naming it.
  EXPECT_EQ(Calc("resistance --rho 100 --diameter 16 --length 3", "> out.txt", "OSTREVIN_UNITS=si").out,
            "33.493 ohms\n");
  EXPECT_EQ(Calc("resistance --rho 10000 --diameter 0.625 --length 8 --units english", "> out.txt",
                 "OSTREVIN_UNITS=metric")
                .out,
            "39.905 ohms\n");
  const Result batch = Shell("printf 'mode,rho,diameter,length\\nresistance,100,16,3\\n' | OSTREVIN_UNITS=si " +
                             kCalc + " batch");
  EXPECT_NE(batch.out.find("resistance,100,16,3,33.493,ohms,"), std::string::npos) << batch.out << batch.err;
  const Result wrong = Calc("resistance --rho 100 --diameter 16 --length 3", "> out.txt", "OSTREVIN_UNITS=furlongs");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err, "ostrevin-calc resistance: OSTREVIN_UNITS must be english, metric or si, not \"furlongs\"\n");
  EXPECT_NE(Calc("--help").out.find("OSTREVIN_UNITS"), std::string::npos);
}

TEST(CalcProgram, NotesFollowTheResultTheyComment) {
  // With both outputs in one place the answer comes first, then the note.
  const Result both =
      Shell(kCalc + " --units metric resistance --rho 2000 --diameter 0.625 --length 3 2>&1");
  EXPECT_EQ(both.out,
            "2.810 ohms\nostrevin-calc resistance: note: --diameter 0.625 is a 625 mm rod: did you "
            "mean 0.625in?\n");
  // A value beyond any soil is still answered, with a warning.
  const Result rock = Calc("rho --rod-length 3 --diameter 0.02 --reading 1e6 --units metric");
  EXPECT_EQ(rock.status, 0);
  EXPECT_NE(rock.err.find("warning: more than 1000000 ohm-cm is beyond any soil"),
            std::string::npos);
}

TEST(CalcProgram, AFullDiskIsAFailureNamedOnStandardError) {
  const Result one = Calc(std::string("rho --spacing 3 --reading 1"), "> /dev/full");
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(one.err, "ostrevin-calc rho: cannot write standard output: No space left on device\n");
  std::ofstream(kDir + "/rows.csv") << "mode,spacing,reading\nrho,3,1\nrho,3,2\n";
  const Result batch = Calc("batch rows.csv", "> /dev/full");
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.err,
            "ostrevin-calc batch: cannot write standard output: No space left on device (nothing "
            "written, stopped at line 3)\n");
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --svg /dev/full").status, 1);
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --csv", "> /dev/full").status, 1);
  EXPECT_EQ(Calc("batch .").err, "ostrevin-calc batch: cannot read \".\": is a directory\n");
}

TEST(CalcProgram, ABatchNeverWritesIntoItsOwnInput) {
  std::ofstream(kDir + "/own.csv") << "mode,spacing,reading\nrho,3,1\n";
  for (const std::string& line :
       {kCalc + " batch own.csv >> own.csv", kCalc + " batch - < own.csv >> own.csv"}) {
    const Result run = Shell(line);
    EXPECT_EQ(run.status, 1) << line;
    EXPECT_NE(run.err.find("input file is output file"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(kDir + "/own.csv"), "mode,spacing,reading\nrho,3,1\n");
  }
  // Standard input named "-" works as a file does.
  EXPECT_EQ(Shell(kCalc + " batch - < own.csv").out,
            "mode,spacing,reading,result,unit,value,error,sufficient,second_rod_6ft_ohms,"
            "second_rod_2l_ohms,gpr_volts,mesh_volts,step_volts,touch_limit_volts,"
            "step_limit_volts,verdict,mesh_volts_ieee80,step_volts_ieee80,verdict_ieee80,touch_volts,fence_touch_volts,fence_verdict,limit_ohms,en50522.u_tp_volts,en50522.u_vtp_volts,en50522.branch\n"
            "rho,3,1,574.534,ohm-cm,574.534,,,,,,,,,,,,,,,,,,,,\n");
}

TEST(CalcProgram, NoOutputFileEverReplacesAnInput) {
  // A survey and a chart written over it, by its name, through a link, a
  // hard link, or as standard input: refused before anything is written.
  const std::string survey = "spacing,reading\n1,67\n2,25.6\n4,9.3\n8,3.9\n";
  std::ofstream(kDir + "/s.csv") << survey;
  Shell("rm -f soft.csv hard.csv && ln -s s.csv soft.csv && ln s.csv hard.csv");
  for (const std::string& line :
       {kCalc + " soil s.csv --svg s.csv", kCalc + " soil soft.csv --svg s.csv",
        kCalc + " soil s.csv --png hard.csv", kCalc + " soil --svg soft.csv < s.csv",
        kCalc + " soil - --svg=s.csv < hard.csv", kCalc + " soil s.csv >> s.csv",
        kCalc + " test s.csv --current-probe 10 --png soft.csv"}) {
    const Result run = Shell(line);
    EXPECT_EQ(run.status, 1) << line;
    EXPECT_NE(run.err.find("input file is output file"), std::string::npos) << line << run.err;
    EXPECT_EQ(run.out, "") << line;
    EXPECT_EQ(Slurp(kDir + "/s.csv"), survey) << line;
  }
  EXPECT_EQ(Shell(kCalc + " soil s.csv --svg s.csv").err,
            "ostrevin-calc soil: cannot write \"s.csv\" (--svg): input file is output file "
            "(\"s.csv\")\n");
  // Another file is written as asked.
  EXPECT_EQ(Shell(kCalc + " soil s.csv --svg chart.svg").status, 0);
  EXPECT_NE(Slurp(kDir + "/chart.svg").find("<svg"), std::string::npos);
}

TEST(CalcProgram, AnElectrodesFilesAreItsOwnAndWrittenWhole) {
  // A grid's plan, map, currents and layout, each to its file.
  const std::string grid = kCalc + " grid --rho 100ohm-m --size 20mx20m --meshes 2x2 --depth 0.5m "
                                   "--conductor 10mm --units metric";
  const Result drawn = Shell(grid + " --grid-current 100 --lattice 1m --plan-svg plan.svg "
                                    "--potential-svg map.svg --potential-csv map.csv "
                                    "--currents-csv currents.csv --layout-csv layout.csv");
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_NE(Slurp(kDir + "/plan.svg").find("<title>Grid 20 m x 20 m, 2 x 2 meshes"), std::string::npos);
  EXPECT_NE(Slurp(kDir + "/map.svg").find("potential (V)"), std::string::npos);
  EXPECT_EQ(Slurp(kDir + "/map.csv").rfind("x,y,volts\n-3,-3,", 0), 0u);
  EXPECT_EQ(Slurp(kDir + "/currents.csv").rfind("x1,y1,z1,x2,y2,z2,amperes\n", 0), 0u);
  // The layout read back (a spreadsheet's ';' file with decimal commas).
  std::string layout = Slurp(kDir + "/layout.csv");
  for (char& c : layout) c = c == ',' ? ';' : c == '.' ? ',' : c;
  std::ofstream(kDir + "/layout.csv") << layout;
  const Result read = Shell(kCalc + " electrodes layout.csv --rho 100ohm-m --units metric");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out.substr(0, read.out.find('\n')), drawn.out.substr(0, drawn.out.find('\n')));
  // An outline from a file (a spreadsheet's, cells with their units), its
  // source said; a row that is no length named by its line.
  std::ofstream(kDir + "/outline.csv") << "x;y\n0;0\n2000cm;0\n20;10\n0;10\n";
  const Result outlined = Shell(kCalc + " electrodes layout.csv --rho 100ohm-m --units metric "
                                        "--grid-current 100 --shock-duration 0.5 --outline-file outline.csv --json");
  EXPECT_EQ(outlined.status, 0) << outlined.err;
  EXPECT_NE(outlined.out.find("\"outline_source\":\"given\""), std::string::npos) << outlined.out;
  EXPECT_NE(outlined.out.find("\"area\":200,"), std::string::npos) << outlined.out;
  std::ofstream(kDir + "/outline.csv") << "x,y\n0,0\n20,0\nten,10\n";
  const Result unread = Shell(kCalc + " electrodes layout.csv --rho 100ohm-m --units metric "
                                      "--outline-file outline.csv");
  EXPECT_EQ(unread.status, 2);
  EXPECT_NE(unread.err.find("\"outline.csv\" line 4: x needs a length (m, or with its unit), not \"ten\""),
            std::string::npos)
      << unread.err;
  // Refused before any work, nothing written: a map without its current, two
  // outputs in one file (by any spelling or a link), an output over the
  // input, an output in a folder that is missing or is no folder.
  Shell("rm -f plan.svg twin.svg && ln -s plan.svg twin.svg");
  for (const auto& [line, why] : std::vector<std::pair<std::string, std::string>>{
           {grid + " --potential-svg map.svg",
            "--potential-svg needs --grid-current: the map is of the potential that current raises"},
           {grid + " --plan-svg a.svg --layout-csv a.svg",
            "--plan-svg and --layout-csv both name \"a.svg\": give each its own file"},
           {grid + " --plan-svg plan.svg --layout-csv ./plan.svg",
            "--plan-svg and --layout-csv both name \"plan.svg\" (as \"./plan.svg\")"},
           {grid + " --plan-svg plan.svg --layout-csv twin.svg",
            "--plan-svg and --layout-csv both name \"plan.svg\" (as \"twin.svg\")"},
           {grid + " --plan-svg plan.svg --layout-csv missing/plan.csv",
            "cannot write \"missing/plan.csv\" (--layout-csv): No such file or directory"},
           {grid + " --plan-svg plan.svg --layout-csv layout.csv/plan.csv",
            "cannot write \"layout.csv/plan.csv\" (--layout-csv): Not a directory"},
           {kCalc + " electrodes layout.csv --rho 100 --plan-svg layout.csv",
            "cannot write \"layout.csv\" (--plan-svg): input file is output file (\"layout.csv\")"}}) {
    const Result refused = Shell(line);
    EXPECT_NE(refused.status, 0) << line;
    EXPECT_NE(refused.err.find(why), std::string::npos) << line << "\n" << refused.err;
    EXPECT_EQ(refused.out, "") << line;
    EXPECT_FALSE(std::filesystem::exists(kDir + "/plan.svg")) << line;
  }
}

TEST(CalcProgram, StandardOutputByAnyNameIsWrittenThrough) {
  for (const std::string name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
    std::ofstream(kDir + "/log.txt") << "before\n";
    const Result run = Shell("{ echo start; " + kCalc + " curve " + kRod + " --svg " + name +
                             "; echo after; } >> log.txt");
    EXPECT_EQ(run.status, 0) << name << run.err;
    const std::string log = Slurp(kDir + "/log.txt");
    EXPECT_EQ(log.rfind("before\nstart\n<?xml", 0), 0u) << name;
    EXPECT_TRUE(log.ends_with("</svg>\nafter\n")) << name;
  }
}

TEST(CalcProgram, CurvesReplaceFilesWholeWithoutADisplay) {
  // No display platform can start: the curve does not need one.
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
  const std::string name = "r\xe9sultat.png";  // Latin-1, not UTF-8: kept byte for byte
  const Result png =
      Calc(std::string("curve ") + kRod + " --target 10 --png '" + name + "'", "", noDisplay);
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(Slurp(kDir + "/" + name).substr(1, 3), "PNG");
  EXPECT_EQ(Calc(std::string("curve ") + kRod + " --csv", "> out.txt", noDisplay).status, 0);

  // A failed write leaves the old file as it was: here a file-size limit
  // stops the new drawing half-way (root ignores permissions, not limits).
  ASSERT_EQ(Calc(std::string("curve ") + kRod + " --svg old.svg", "").status, 0);
  const std::string before = Slurp(kDir + "/old.svg");
  ASSERT_NE(before.find("<svg"), std::string::npos);
  const Result failed = Calc(std::string("curve ") + kRod + " --log-ohms --svg old.svg", "",
                             "trap '' XFSZ; ulimit -f 1;");  // at most 512 bytes a file
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("ostrevin-calc curve: cannot write \"old.svg\": "), std::string::npos);
  EXPECT_EQ(Slurp(kDir + "/old.svg"), before);
}

TEST(CalcProgram, ASurveyBecomesASoilModelForTheRods) {
  // A survey near a substation (spacings in metres, probes 0.1 m deep, the
  // apparent resistivities as published), in a spreadsheet's ';' file.
  std::ofstream(kDir + "/survey.csv")
      << "\xef\xbb\xbfSpacing;Depth;Rho\r\n1;0,1;423,4ohm-m\r\n2;0,1;322,2ohm-m\r\n"
         "4;0,1;258,2ohm-m\r\n6;0,1;165,1ohm-m\r\n8;0,1;144,3ohm-m\r\n12;0,1;122,8ohm-m\r\n"
         "16;0,1;123,2ohm-m\r\n20;0,1;124,4ohm-m\r\n24;0,1;125,3ohm-m\r\n30;0,1;131,9ohm-m\r\n"
         "36;0,1;132,1ohm-m\r\n";
  const Result fit = Calc("soil survey.csv --units metric --svg survey.svg");
  EXPECT_EQ(fit.status, 0) << fit.err;
  EXPECT_EQ(fit.out.substr(0, 35), "two layers: 42085 ohm-cm to 2.155 m");
  const std::size_t layers = fit.out.find("--layers ");
  ASSERT_NE(layers, std::string::npos);
  EXPECT_NE(Slurp(kDir + "/survey.svg").find("<svg"), std::string::npos);
  // The model's --layers value goes straight into a rod calculation.
  const std::string value = fit.out.substr(layers + 9, fit.out.find('\n', layers) - layers - 9);
  const Result rod =
      Calc("resistance --layers " + value + " --diameter 16mm --length 3m --units metric");
  EXPECT_EQ(rod.status, 0) << rod.err;
  EXPECT_EQ(rod.out.substr(0, 3), "74.");
  // The same rows copied from a spreadsheet (tabs, each cell its own decimal mark).
  std::ofstream(kDir + "/pasted.tsv")
      << "spacing\tdepth\trho\n1\t0,1\t423,4ohm-m\n2\t0.1\t322,2ohm-m\n4\t0,1\t258,2ohm-m\n"
         "6\t0,1\t165,1ohm-m\n8\t0,1\t144,3ohm-m\n12\t0,1\t122,8ohm-m\n16\t0,1\t123,2ohm-m\n"
         "20\t0,1\t124,4ohm-m\n24\t0,1\t125,3ohm-m\n30\t0,1\t131,9ohm-m\n36\t0,1\t132,1ohm-m\n";
  EXPECT_EQ(Calc("soil pasted.tsv --units metric").out.substr(0, 35), fit.out.substr(0, 35));
  // The fit's options refused with why: a job would fit what was left out.
  for (const auto& [args, why] : {
           std::pair{"soil survey.csv --exclude 3 --save-job x.json", "--exclude with --save-job: a job keeps"},
           std::pair{"soil survey.csv --exclude 99", "--exclude 99: no reading on line 99"},
           std::pair{"soil survey.csv --fit-layers 9", "--fit-layers 9: give a count of layers from 1 to 5"},
       }) {
    const Result refused = Calc(args);
    EXPECT_EQ(refused.status, 2) << args;
    EXPECT_NE(refused.err.find(why), std::string::npos) << args << ": " << refused.err;
  }
  EXPECT_FALSE(std::filesystem::exists(kDir + "/x.json"));
  // A Schlumberger sounding: read, kept in its job whole, fitted the same again from it.
  std::ofstream(kDir + "/schlumberger.csv") << "ab2,mn2,reading\n1,0.25,17.21\n2,0.25,4.41\n4,0.25,1.3425\n"
                                               "8,0.25,0.4271\n16,2,0.9425\n32,2,0.2074\n64,2,0.06694\n";
  const Result schlumberger = Calc("soil schlumberger.csv --units si --save-job s.json");
  EXPECT_EQ(schlumberger.status, 0) << schlumberger.err;
  EXPECT_NE(schlumberger.out.find("Schlumberger 64 m / 2 m"), std::string::npos) << schlumberger.out;
  const Result again = Calc("soil --job s.json");
  EXPECT_EQ(again.out, schlumberger.out);
  // A reading that cannot be read is reported with its line; the rest is fitted.
  std::ofstream(kDir + "/survey.csv", std::ios::app) << "40;0,1;-5\r\n";
  const Result bad = Calc("soil survey.csv --units metric --json");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(
      bad.err,
      "ostrevin-calc soil: line 13: rho needs a resistivity between 0.0001 and 1000000 ohm-cm, "
      "not \"-5\"\nostrevin-calc soil: note: probes deeper than a twentieth of their spacing: fitted in "
      "two layers only, which take the depth in\n");
  EXPECT_NE(bad.out.find("\"rho1_ohm_cm\":42085.1"), std::string::npos) << bad.out;
}

TEST(CalcProgram, AFallOfPotentialTestReadFromAFileOrAPipe) {
  // The hemisphere's readings, a spreadsheet's ';' file with decimal commas.
  const std::string test = "Distance;Reading\r\n20;15,160\r\n40;15,624\r\n50;15,756\r\n"
                           "60;15,889\r\n61,8;15,915\r\n70;16,059\r\n";
  std::ofstream(kDir + "/fop.csv") << test;
  const Result read = Calc("test fop.csv --current-probe 100m --units metric --svg fop.svg");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out.substr(0, 12), "15.915 ohms\n");
  EXPECT_NE(read.out.find("slope method: mu 0.571"), std::string::npos) << read.out;
  EXPECT_NE(Slurp(kDir + "/fop.svg").find("61.8 %: 15.915 ohms"), std::string::npos);
  EXPECT_EQ(Shell(kCalc + " test --current-probe 100 --units metric < fop.csv").out, read.out);
  // A design from a table of conductors: read as an input, never written over.
  std::ofstream(kDir + "/rod.csv") << "x1,y1,z1,x2,y2,z2,diameter\n0,0,0,0,0,3,16mm\n";
  const Result designed =
      Calc("test fop.csv --current-probe 100m --units metric --rho 100ohm-m --design-file rod.csv --json");
  EXPECT_EQ(designed.status, 0) << designed.err;
  EXPECT_NE(designed.out.find("\"design_ohms\":33.2"), std::string::npos) << designed.out;
  const Result over = Calc("test fop.csv --current-probe 100m --units metric --rho 100ohm-m "
                           "--design-file rod.csv --svg rod.csv");
  EXPECT_EQ(over.status, 1);
  EXPECT_NE(over.err.find("input file is output file"), std::string::npos) << over.err;
  EXPECT_EQ(Slurp(kDir + "/rod.csv"), "x1,y1,z1,x2,y2,z2,diameter\n0,0,0,0,0,3,16mm\n");
  // A row past the current probe is refused by its line; nothing is written.
  std::ofstream(kDir + "/fop.csv", std::ios::app) << "120;17\r\n";
  const Result beyond = Calc("test fop.csv --current-probe 100m --units metric");
  EXPECT_EQ(beyond.status, 2);
  EXPECT_EQ(beyond.err, "ostrevin-calc test: line 8: the potential probe stands at or beyond the "
                        "current probe\n");
  EXPECT_EQ(beyond.out, "");
}

TEST(CalcProgram, AClosedPipeEndsQuietly) {
  // As other filters: `| head -1` takes its line and the program ends on SIGPIPE, silently.
  std::string rows = "mode,spacing,reading\n";
  for (int i = 0; i < 20000; ++i) rows += "rho,3,1\n";
  std::ofstream(kDir + "/many.csv") << rows;
  const Result run =
      Shell("{ " + kCalc + " batch many.csv 2> pipe-err.txt; echo $? > status.txt; } | head -1");
  EXPECT_EQ(run.out.substr(0, 19), "mode,spacing,readin");
  EXPECT_EQ(Slurp(kDir + "/status.txt"), std::to_string(128 + SIGPIPE) + "\n");
  EXPECT_EQ(Slurp(kDir + "/pipe-err.txt"), "");
}

TEST(CalcProgram, NoToolkitForCommandsThatDrawNothing) {
  const Result libraries = Shell("ldd " + kCalc);
  EXPECT_EQ(libraries.out.find("Qt"), std::string::npos) << libraries.out;
}

TEST(WindowProgram, HelpAndVersionNeedNoWindow) {
  const std::string window = std::string("'") + OSTREVIN_WINDOW + "'";
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";
  const Result version = Shell(noDisplay + window + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "ostrevin " OSTREVIN_VERSION "\n");
  const Result help = Shell(noDisplay + window + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: ostrevin [--help | --version]\n")) << help.out;
  EXPECT_EQ(help.err, "");
}

TEST(WindowProgram, WithoutADisplaySaysSoInOneLine) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                              std::string(OSTREVIN_WINDOW) + "' 2> '" + kDir + "/err.txt'";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);  // not an abort
  EXPECT_EQ(Slurp(kDir + "/err.txt"),
            "ostrevin: cannot open the window: could not connect to display (run it in a desktop "
            "session, or under Xvfb: xvfb-run ostrevin)\n");
  // `make run` says so before it installs or builds anything: with a preset
  // that does not exist, any step before the check would fail on that.
  const Result run = Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM make -s -C '" +
                           std::string(OSTREVIN_SOURCE) + "' run PRESET=no-such-preset");
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.err.rfind("ostrevin: no display here: run 'make run' in a desktop session", 0), 0u)
      << run.err;
  EXPECT_EQ(run.err.find("preset"), std::string::npos) << run.err;
}

}  // namespace
