// A job file (NAME.ostrevin.json): one design saved whole, to be reopened,
// shared, run again and reported. The values are the texts as typed (a
// point for the decimal mark, units kept: "400ohm-m"), read in the job's
// own units; the keys are the options' names as the batch's columns and the
// page's addresses spell them. Example:
//
//   {
//     "format": "ostrevin-job",
//     "version": 1,
//     "header": {"job": "Substation 4", "site": "", ...},
//     "units": "metric",
//     "soil": {
//       "layers": [{"rho": "200ohm-m", "h": "3"}, {"rho": "50ohm-m"}],
//       "survey": {"columns": ["spacing", "rho"], "rows": [["1", "423ohm-m"], ...]}
//     },
//     "electrode": {"tool": "grid", "size": "70x70", "meshes": "10x10", ...},
//     "safety": {"fault-current": "3180", "fault-duration": "0.5", ...},
//     "test": {"current-probe": "100m", "readings": {"columns": [...], "rows": [...]}}
//   }
//
// The soil's model is a list of layers from the top, each with its
// resistivity and (but the last) its thickness, so that a soil of more
// layers needs no new version. The electrode's tool is a calculation of the
// library ("rod" tools, group, strip, ring, grid, plate, ...) or
// "electrodes", whose table of conductors the job holds. A flag is true.
//
// Reading is strict: an unknown key, a value of the wrong kind or out of its
// range is refused with its JSON path ("$.soil.layers[0].rho: ..."); a newer
// version is refused by name; the text is at most kMaxJobBytes, nested at
// most kMaxJobDepth deep. WriteJob writes the keys in the order of the
// tables (2-space indent, a table's row on one line, LF): a job it wrote
// comes back byte for byte through ReadJob and WriteJob.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/calculations.h"
#include "core/result.h"

namespace ostrevin::calc {

inline constexpr std::string_view kJobFormat = "ostrevin-job";
inline constexpr int kJobVersion = 1;
inline constexpr std::size_t kMaxJobBytes = std::size_t{16} << 20;
inline constexpr int kMaxJobDepth = 64;

// A table held in the job: its columns' names and its rows' cells as typed.
struct JobTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  bool operator==(const JobTable&) const = default;
};

// One layer of the soil's model; the last has no thickness.
struct JobLayer {
  std::string rho;
  std::string h;
  bool operator==(const JobLayer&) const = default;
};

// Names and texts in the order of their table; a flag's text is "true".
using JobValues = std::vector<std::pair<std::string, std::string>>;

struct Job {
  JobValues header;  // of kJobHeader's keys, those given
  std::string units = "english";
  std::vector<JobLayer> layers;  // none when only a survey (or nothing) gives the soil
  JobValues soil;                // the season's: season-factor, season-layers, frost
  std::optional<JobTable> survey;
  std::string tool;  // empty for a job without an electrode
  JobValues electrode;
  std::optional<JobTable> conductors;  // the electrodes tool's table
  JobValues safety;                    // the fault's, the limits', the conductor's, the fence
  JobValues test;
  std::optional<JobTable> readings;  // the field test's
  bool operator==(const Job&) const = default;
};

// The header's keys, in order: job, site, engineer, checked-by, revision, date, notes.
std::span<const std::string_view> JobHeaderKeys();
// The columns a survey's, a conductor table's and a field test's table may have.
std::span<const std::string_view> SurveyColumns();
std::span<const std::string_view> FallTestColumns();

// The options of a tool: a calculation's, the electrodes', the field
// test's ("test"); none for another name.
std::span<const Option> ToolOptions(std::string_view tool);

// The job in `text`, or why not (refused, with its JSON path).
Result<Job> ReadJob(std::string_view text);
// The job as its file's text.
std::string WriteJob(const Job& job);

// The inputs a job gives a part of its work, by name, as a command line
// gives them: the electrode's (with the soil's model as rho or layers, the
// season's and the safety's values) and the field test's (the soil's model,
// its own values). Refused when the model has more layers than the
// calculations take.
using JobInputs = std::map<std::string, std::string, std::less<>>;
Result<JobInputs> ElectrodeInputs(const Job& job);
Result<JobInputs> TestInputs(const Job& job);

// A job from inputs given to the calculation `tool` (a command line's
// options, a page's fields): the soil's model from rho or layers (rho1, h
// and rho2), the rest sorted into their parts; names the tool does not
// take, and the units, left out.
Job JobFromInputs(std::string_view tool, const InputLookup& lookup, const std::string& units);

// Whether the job's model, when it has one, or else its survey gives the soil.
bool HasSoil(const Job& job);

}  // namespace ostrevin::calc
