// The table of ostrevin-calc's commands: every calculation of the library
// (its options, help and example are the calculation's own), then the
// program's own commands: the batch, the curve and help.
#include <algorithm>
#include <array>
#include <deque>
#include <iterator>

#include "calc/electrodes.h"
#include "calc/fall_test.h"
#include "cli/command_line.h"
#include "cli/program.h"

namespace ostrevin::calc {

namespace {

const std::array kBatchOptions{
    Option{"separator", OptionKind::kText, false, "S",
           "the field separator, , or ; or tab (taken from the header line when not given)"},
};

const std::array kSoilOptions{
    Option{"units", OptionKind::kUnits},
    Option{"separator", OptionKind::kText, false, "S",
           "the field separator, , or ; or tab (taken from the header line when not given)"},
    Option{"svg", OptionKind::kOutput, false, "FILE", "write the chart as an SVG drawing"},
    Option{"png", OptionKind::kOutput, false, "FILE", "write the chart as a 900 x 560 PNG picture"},
};

const std::array kCurveOptions{
    Option{"rho", OptionKind::kQuantity, true},
    Option{"season-factor"},
    Option{"diameter", OptionKind::kQuantity, true},
    Option{"target"},
    Option{"from"},
    Option{"to"},
    Option{"units", OptionKind::kUnits},
    Option{"svg", OptionKind::kOutput, false, "FILE", "write the curve as an SVG drawing"},
    Option{"png", OptionKind::kOutput, false, "FILE", "write the curve as a 900 x 560 PNG picture"},
    Option{"csv", OptionKind::kFlag, false, {}, "write the points as CSV to standard output"},
    Option{"log-ohms", OptionKind::kFlag, false, {}, "a logarithmic resistance axis"},
};

const Option kOutlineFileOption{"outline-file", OptionKind::kText, false, "FILE",
                                "the outline searched for the worst touch voltage, from a CSV "
                                "file of its corners (columns x,y, each cell with its unit or in "
                                "the command's); in place of --outline"};

// A soil from a survey, fitted on the way, in place of --rho or --layers.
const Option kSurveyOption{"survey", OptionKind::kText, false, "FILE",
                           "the soil from a survey (the soil command's CSV), fitted on the way: "
                           "the count of layers that leads where three or more do and strip, ring, "
                           "grid or electrodes solve it, else its two layers, or its uniform soil "
                           "where the fit prefers it or the calculation takes no layers; in place "
                           "of --rho or --layers"};

// Every command that computes takes its inputs from a job file and keeps them in one.
const std::array kJobOptions{
    Option{"job", OptionKind::kText, false, "JOB",
           "take the inputs from a job file (NAME.ostrevin.json); the options given win"},
    Option{"save-job", OptionKind::kOutput, false, "FILE",
           "write the inputs given (and the tables read) as a job file"},
};

// A command's options, the outline's file beside its outline and the job's
// at the end: kept for the program's life, as the commands' spans over them are.
std::span<const Option> WithOutlineFile(std::span<const Option> options) {
  static std::deque<std::vector<Option>> kept;
  std::vector<Option> all(options.begin(), options.end());
  const auto outline = std::find_if(all.begin(), all.end(), [](const Option& o) { return o.name == "outline"; });
  if (outline != all.end()) all.insert(outline + 1, kOutlineFileOption);
  const auto rho = std::find_if(all.begin(), all.end(), [](const Option& o) { return o.name == "rho"; });
  if (rho != all.end()) all.insert(rho + 1, kSurveyOption);
  all.insert(all.end(), kJobOptions.begin(), kJobOptions.end());
  return kept.emplace_back(std::move(all));
}

// The soil command's options: the survey's, and its fit in N layers.
std::span<const Option> SoilCommandOptions() {
  static const std::vector<Option> options = [] {
    std::vector<Option> all(kSoilOptions.begin(), kSoilOptions.end());
    all.push_back(Option{"fit-layers", OptionKind::kText, false, "N",
                         "fit N layers (1 to 5) and let them lead, whatever their misfit"});
    all.push_back(Option{"exclude", OptionKind::kText, false, "LINES",
                         "leave the readings on these lines of the file out of every fit (7,12)"});
    return all;
  }();
  return WithOutlineFile(options);
}

const std::array kReportOptions{
    Option{"html", OptionKind::kOutput, false, "FILE", "write the report as one HTML file"},
    Option{"pdf", OptionKind::kOutput, false, "FILE", "write the report as a PDF file"},
    Option{"paper", OptionKind::kText, false, "a4|letter",
           "the PDF's paper: letter by default under English units, A4 otherwise"},
};

// The electrodes command's options: the library's, and the file's separator.
std::span<const Option> ElectrodeCommandOptions() {
  static const std::vector<Option> options = [] {
    const std::span<const Option> with = WithOutlineFile(ElectrodeOptions());
    std::vector<Option> all(with.begin(), with.end());
    all.insert(all.end() - 1, kBatchOptions.front());
    return all;
  }();
  return options;
}

// The test command's options: the library's, the file's separator, the chart.
std::span<const Option> TestCommandOptions() {
  static const std::vector<Option> options = [] {
    const std::span<const Option> test = WithOutlineFile(FallTestOptions());
    std::vector<Option> all(test.begin(), test.end());
    all.insert(all.end() - 1, kSoilOptions.begin() + 1, kSoilOptions.end());
    all.insert(all.end() - 1,
               Option{"design-file", OptionKind::kText, false, "FILE",
                      "the design as a table of conductors (the electrodes command's CSV; with "
                      "--rho or --layers): its predicted readings beside the measured"});
    return all;
  }();
  return options;
}

// The batch's help: its modes and their columns, from the table.
std::string BatchDetails() {
  std::string modes;
  for (const Calculation& calculation : Calculations()) {
    std::string columns;
    for (const Option& option : calculation.options) {
      if (option.kind == OptionKind::kQuantity) {
        columns += (columns.empty() ? "" : ", ") + std::string(option.name);
      }
    }
    std::string name(calculation.name);
    name.resize(std::max<std::size_t>(name.size() + 1, 12), ' ');
    modes += "  " + name + Wrapped(columns, 14, 14) + "\n";
  }
  std::string added;
  for (const std::string_view column : BatchColumns()) {
    added += (added.empty() ? "" : ", ") + std::string(column);
  }
  return "Reads CSV from FILE (standard input when none or -) and writes CSV to standard\n"
         "output, one calculation a record. The header names the columns, in any case:\n"
         "mode, optionally units (english, metric or si), and the inputs of the modes\n"
         "used; other columns are passed through. The modes and their input columns:\n" +
         modes +
         "Each record comes back as it was, with these columns added to every record\n" +
         Wrapped("(empty where they do not apply): " + added + ".", 0, 0) +
         "\n"
         "value is the full-precision value (metres for a length); error holds the\n"
         "reason for \"na\", a bad record's error, warnings and notes; sufficient and\n"
         "the second-rod columns are the check's verdict and second rods (at one\n"
         "potential), limit_ohms the largest resistance its code allows; the rest an\n"
         "electrode's rise, touch and step voltages, their limits and the verdicts, by\n"
         "the solver and by IEEE 80's equations, and with standard en50522 its U_Tp,\n"
         "U_vTp and the branch of its assessment that decided. A bad\n"
         "record gets its error and a line on standard error, the rest still goes\n"
         "through (exit status 2). Spreadsheet files are read as they\n"
         "are written: a UTF-8 byte-order mark, LF, CRLF or CR line ends, quoted fields;\n"
         "with ; as the separator a decimal comma is read and written (1.234,5; a point\n"
         "without a comma, as in 2.000, is ambiguous and refused); with a tab (rows\n"
         "copied from a spreadsheet) a cell's point or comma is its decimal mark, and\n"
         "1,500 (1.5 or 1500?) is refused. Blank lines and lines of only separators are\n"
         "skipped.\n";
}

std::vector<Command> BuildCommands() {
  std::vector<Command> commands;
  // Every calculation is a command of its own.
  std::ranges::transform(Calculations(), std::back_inserter(commands),
                         [](const Calculation& calculation) {
                           return Command{calculation.name,
                                          calculation.summary,
                                          WithOutlineFile(calculation.options),
                                          true,
                                          {},
                                          calculation.details,
                                          calculation.example,
                                          &calculation,
                                          &Program::RunCalculation};
                         });
  commands.push_back({"batch", "many calculations from a CSV file", kBatchOptions, false,
                      "[FILE|-]", BatchDetails(),
                      "ostrevin-calc batch rods.csv > results.csv\n"
                      "  with rods.csv:  mode,units,rho,diameter,length,target\n"
                      "                  length,english,2000,0.625,,10\n",
                      nullptr, &Program::RunBatch});
  commands.push_back(
      {"curve",
       "resistance against rod length, as SVG, PNG or CSV",
       WithOutlineFile(kCurveOptions),
       false,
       {},
       "Resistance against rod length for one rod, on a logarithmic length scale: by\n"
       "default over the lengths rods come in, 1 to 30 ft (0.3 to 10 m) and three\n"
       "times the length found; --from and --to choose the range. The formula's peak\n"
       "is marked where the range holds it; given a target, the target line and the\n"
       "length found for it. Give exactly one of --svg, --png and --csv; a file is\n"
       "replaced whole, or left as it was when writing fails; - or a name of standard\n"
       "output (/dev/stdout) writes to standard output.\n",
       "ostrevin-calc curve --rho 2000 --diameter 0.625 --target 10 --svg rod.svg\n",
       nullptr,
       &Program::RunCurve});
  commands.push_back(
      {"soil", "a soil model in layers from a Wenner survey (CSV)", SoilCommandOptions(), true, "[FILE|-]",
       "Reads a Wenner survey from FILE (standard input when none or -): CSV with a\n"
       "spacing column, and a reading column (the instrument's ohms) or a rho column\n"
       "(the apparent resistivity, ohm-cm or with a unit, 20ohm-m), and optionally the\n"
       "probes' depth; read as the batch reads its files. Fits two layers (rho1 to a\n"
       "depth h, rho2 below) by least squares on the logarithm of model / measured,\n"
       "and one uniform soil beside them; prints both with their RMS misfits, the\n"
       "--layers value for resistance, length, group, rods and check, and each\n"
       "reading beside the model. A row that cannot be read is reported with its line\n"
       "(exit status 2, the rest still fitted); fewer than 4 spacings give the uniform\n"
       "soil only (exit status 3). Two layers fit no better than one when a uniform\n"
       "soil fits within 2 % or their misfit is not a quarter below its; h is outside\n"
       "the spacings below a quarter of the smallest or beyond the largest.\n"
       "\n"
       "Beside them, the readings are fitted in 1 to 5 layers (up to 200 readings\n"
       "whose probes stand no deeper than a twentieth of the spacing, neglected), each\n"
       "count a line with its RMS misfit and each resistivity and thickness with its\n"
       "one-sigma interval (+-%; a layer the readings see only as rho x h comes out\n"
       "wide). A count leads where its misfit is at most 0.75 of the one leading\n"
       "while that one's is above 2 %; --fit-layers N makes N lead. A reading whose\n"
       "misfit stands out (2.5 robust standard deviations) is named with its line;\n"
       "--exclude LINES leaves such readings out. JSON: model (the leading count's\n"
       "layers: rho_ohm_cm, thickness, their _percent intervals, rms_percent),\n"
       "models (every count), outliers (lines).\n"
       "\n"
       "Other arrays than Wenner's: columns ab2,mn2 (Schlumberger, MN/2 below AB/2),\n"
       "a,n (dipole-dipole) or xa,xb,xm,xn (any four electrodes on a line, A and B the\n"
       "current's), with reading or rho, mixed with spacing rows or not. Such a survey\n"
       "is fitted in layers only (its two layers the layered fit's, up to 200\n"
       "readings, probe depths beyond a twentieth of an array's reach refused), its\n"
       "table and chart by each array, against its reach (a third of its spread).\n"
       "A line column names the survey line each reading was taken on: the lines\n"
       "are fitted together, then each alone in the count that leads, with the spread\n"
       "of each value between them (JSON lines, line_spread_percent).\n"
       "--svg or --png draws the readings, the models and the layers on log-log axes.\n",
       "ostrevin-calc soil survey.csv --units metric\n"
       "         two layers: 42085 ohm-cm to 2.155 m, then 12334 ohm-cm (RMS misfit 5.67 %)\n"
       "  with survey.csv:  spacing,rho,depth\n"
       "                    1,423.4ohm-m,0.1\n"
       "                    2,322.2ohm-m,0.1\n"
       "                    ...\n"
       "  (the Debian package has it in /usr/share/doc/ostrevin/examples/survey.csv)\n",
       nullptr, &Program::RunSoil});
  commands.push_back(
      {"test", "a fall-of-potential test read: the electrode's resistance (CSV)",
       TestCommandOptions(), true, "[FILE|-]",
       "Reads a fall-of-potential (three-point) test from FILE (standard input when\n"
       "none or -): CSV with a distance column (the potential probe's, from the\n"
       "electrode's centre, or from its edge with --from edge) and a reading column\n"
       "(ohms); read as the batch reads its files. --current-probe is the current\n"
       "probe's distance. Gives the reading at 61.8 % of it (interpolated, never\n"
       "extrapolated); whether the curve is flat there (52 % and 72 % within 5 % of\n"
       "62 %); Tagg's slope method (mu from 20, 40 and 60 %, the position it gives\n"
       "and the reading there); and the fit of the whole curve to an ideal\n"
       "electrode's, R - k (1/(x + c) - 1/(D - x) + 1/(D + c)), with its misfit.\n"
       "--dimension (the electrode's largest dimension) gives the current probe\n"
       "distance that would do (5 times it, IEEE Std 81's rule of thumb). With a\n"
       "rod's design (--rho or --layers, --diameter, --length) the electrode solver\n"
       "predicts the readings it would give, drawn beside them, and its resistance is\n"
       "set beside the measured one; --design-file does the same for any electrode\n"
       "from its table of conductors (as the electrodes command reads it, the current\n"
       "probe along +x from the middle of its extent); --design-ohms sets a\n"
       "resistance beside the measured one. Readings lower than the one before are\n"
       "warned of; fewer than 3, one at or beyond the current probe, or one distance\n"
       "read twice differently are refused with their lines. --svg or --png draws\n"
       "the readings, the fit, the 61.8 % point and the plateau's band.\n",
       "ostrevin-calc test fop.csv --current-probe 100m --units metric\n"
       "         15.915 ohms\n"
       "  with fop.csv:  distance,reading\n"
       "                 20m,15.160\n"
       "                 40m,15.624\n"
       "                 ...\n",
       nullptr, &Program::RunTest});
  commands.push_back(
      {"electrodes", "any electrode from a table of conductors (CSV) or a CAD drawing", ElectrodeCommandOptions(),
       true, "[FILE|-]",
       "Reads a table of conductors from FILE (standard input when none or -): CSV\n"
       "with the columns x1,y1,z1,x2,y2,z2,diameter, each row one straight bare\n"
       "conductor from (x1, y1) z1 deep to (x2, y2) z2 deep (feet or metres by\n"
       "--units), of that diameter (inches or metres); every cell may carry its unit\n"
       "(0.5m, 16mm). Read as the batch reads its files. All the conductors are\n"
       "bonded: the electrode solver gives the resistance of the whole; conductors\n"
       "that cross or share an end are joined, two that do not touch yet stand closer\n"
       "than the larger diameter are refused (by their lines), and so is a horizontal\n"
       "one buried less than its radius. The grid, ring and strip commands write\n"
       "their layouts as such a table (--layout-csv) to start from. Every other\n"
       "option is the grid command's.\n"
       "Or a CAD drawing (DXF, ASCII; told by its content, or --format dxf): its\n"
       "lines, polylines, circles and arcs (as polygons within 1 % of their radius)\n"
       "are conductors of --conductor's diameter, its points rods of --rod-length\n"
       "and --rod-diameter going down, its blocks expanded; CAD's Z points up, so a\n"
       "depth is --dxf-ground (0) less the Z, and a plan drawn at one Z lies at\n"
       "--depth; units from the drawing's header or --dxf-units; --dxf-layers picks\n"
       "layers, the layer OUTLINE is the outline searched; ends within 1 mm are\n"
       "joined (said). Every layout writes itself as such a drawing (--layout-dxf).\n",
       "ostrevin-calc electrodes site.csv --rho 100ohm-m --units metric\n"
       "  with site.csv:  x1,y1,z1,x2,y2,z2,diameter\n"
       "                  0,0,0.5,20,0,0.5,10mm\n"
       "                  0,0,0.5,0,0,3.5,16mm\n",
       nullptr, &Program::RunElectrodes});
  commands.push_back(
      {"job", "every part of a job file computed: run JOB", {}, true, "run JOB",
       "Reads a job file (NAME.ostrevin.json, as --save-job writes it and the page's\n"
       "\"Save job\" downloads it) and computes every part it holds, as its command\n"
       "would: the soil from its survey, the electrode by its tool, the field test\n"
       "from its readings. The survey's model is used by the electrode when the job\n"
       "gives none (the leading count of three layers or more for strip, ring, grid\n"
       "and electrodes, else two layers, or the uniform soil for a tool that takes no\n"
       "layers), and the electrode's resistance is set beside the field test's. Each\n"
       "part is printed under a line naming it; with --json one object,\n"
       "{\"format\": \"ostrevin-results\", \"results\": {\"soil\": ..., \"electrode\": ...,\n"
       "\"test\": ...}}, each part its command's own JSON. The values are read in the\n"
       "job's units. A job that cannot be read is refused with the JSON path of the\n"
       "value at fault (exit status 2); a part without an answer gives exit status 3.\n",
       "ostrevin-calc job run substation.ostrevin.json --json\n",
       nullptr, &Program::RunJob});
  commands.push_back(
      {"report", "a job's report, as PDF and/or HTML", kReportOptions, false, "JOB",
       "Computes every part of the job (as job run) and writes its report: the\n"
       "header (job, site, engineer, checked by, revision, date, the program and its\n"
       "version, the units), a summary table of each criterion (value, limit, margin,\n"
       "pass or fail) and the verdict, then the soil, the electrode, the fault and\n"
       "the voltages, the field test, the methods and standards, the warnings, and a\n"
       "signature block. --html writes one self-contained file (pictures inline, no\n"
       "script); --pdf a PDF through Qt (text selectable, fonts embedded, drawings as\n"
       "vectors). A failing criterion is reported, not an error: exit status 0 with\n"
       "the report written. Files are replaced whole, or left as they were.\n",
       "ostrevin-calc report substation.ostrevin.json --pdf substation.pdf\n",
       nullptr, &Program::RunReport});
  commands.push_back({"help",
                      "this list, or a command's help: help COMMAND",
                      {},
                      false,
                      "[COMMAND]",
                      "Lists the commands, or shows the help of one.\n",
                      "ostrevin-calc help group\n",
                      nullptr,
                      &Program::RunHelp});
  return commands;
}

}  // namespace

std::span<const Command> Commands() {
  static const std::vector<Command> commands = BuildCommands();
  return commands;
}

}  // namespace ostrevin::calc
