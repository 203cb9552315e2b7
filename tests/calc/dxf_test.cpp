// Layouts in and out of CAD: a layout written as DXF and read back is the
// same electrode (its resistance within 0.1 %); each kind of entity read as
// the geometry it draws (lines, bulged polylines, circles and arcs within
// their sag, 3-D polylines, points as rods, blocks turned, scaled and in
// arrays, an object coordinate system); ends a hair apart joined; and every
// drawing that cannot be read refused saying what and where, at once.
#include "calc/dxf_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "calc/calculations.h"
#include "core/electrode_layouts.h"
#include "core/number_text.h"
#include "tests/core/ieee80_grid.h"

namespace ostrevin::calc {
namespace {

using Options = std::map<std::string, std::string>;

InputLookup LookupIn(const Options& options) {
  return [&options](std::string_view name) -> std::optional<std::string_view> {
    const auto found = options.find(std::string(name));
    if (found == options.end()) return std::nullopt;
    return std::string_view(found->second);
  };
}

Result<DxfTable> Read(const std::string& text, const Options& options) {
  return ReadDxf(text, "\"site.dxf\"", LookupIn(options), ReadContext{UnitSystem::Metric});
}

// A drawing of these entities (group codes and values, a pair a line), in
// `units` ($INSUNITS), with these blocks.
std::string Drawing(const std::string& entities, int units = 6, const std::string& blocks = "") {
  return "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n" + std::to_string(units) +
         "\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities +
         "0\nENDSEC\n0\nEOF\n";
}
std::string Line(double x1, double y1, double z1, double x2, double y2, double z2, const std::string& layer = "0") {
  const auto n = [](double v) { return FormatNumber(v); };
  return "0\nLINE\n8\n" + layer + "\n10\n" + n(x1) + "\n20\n" + n(y1) + "\n30\n" + n(z1) + "\n11\n" + n(x2) +
         "\n21\n" + n(y2) + "\n31\n" + n(z2) + "\n";
}

// A row's ends and diameter in metres.
std::array<double, 7> Cells(const ConductorRow& row) {
  std::array<double, 7> values{};
  for (std::size_t k = 0; k < 7; ++k) {
    std::string text = *row.cells[k];
    EXPECT_TRUE(text.ends_with("m")) << text;
    text.pop_back();
    values[k] = *ParseNumber(text);
  }
  return values;
}

Result<Outcome> Solve(const std::vector<ConductorRow>& rows, const std::string& outline = "") {
  Options soil{{"rho", "100ohm-m"}};
  if (!outline.empty()) soil["outline"] = outline;
  return CalculateElectrodes(rows, LookupIn(soil), ReadContext{UnitSystem::Metric});
}

TEST(Dxf, ALayoutWrittenAndReadBackIsTheSameElectrode) {
  const std::vector<Conductor> grid = IeeeGridWithRods();
  const PlanRegion outline = MeshOutline(grid);
  const std::string written = WriteDxf(grid, outline);
  EXPECT_TRUE(LooksLikeDxf(written));
  const Result<DxfTable> read = Read(written, {{"conductor", "10mm"}, {"rod-diameter", "20mm"}});
  ASSERT_TRUE(read) << read.why();
  ASSERT_EQ(read->rows.size(), grid.size());
  EXPECT_EQ(read->outline.substr(0, 19), "0m,0m 7m,0m 14m,0m ") << read->outline;  // the layer OUTLINE's
  for (std::size_t k = 0; k < grid.size(); ++k) {
    const std::array<double, 7> cells = Cells(read->rows[k]);
    EXPECT_DOUBLE_EQ(cells[2], grid[k].a.z);  // Z up: the depth back
    EXPECT_DOUBLE_EQ(cells[5], grid[k].b.z);
    EXPECT_DOUBLE_EQ(cells[6], grid[k].diameterM) << k;
  }
  const Result<Solution> direct = SolveElectrode(grid, {10000, {}});
  const Result<Outcome> back = Solve(read->rows, read->outline);
  ASSERT_TRUE(back) << back.why();
  EXPECT_NEAR(*back->value / direct->ohms, 1, 1e-3);
}

TEST(Dxf, EachEntityIsTheGeometryItDraws) {
  struct Row {
    const char* name;
    std::string drawing;
    Options options;
    std::size_t conductors;
    // The first conductor's ends and diameter, metres.
    std::array<double, 7> first;
  };
  const Options flat{{"conductor", "10mm"}, {"depth", "0.5"}};
  const std::vector<Row> rows{
      {"LineInMillimetresBelowTheGround", Drawing(Line(0, 0, -500, 20000, 0, -500), 4), {{"conductor", "12mm"}}, 1,
       {0, 0, 0.5, 20, 0, 0.5, 0.012}},
      {"GroundGivenInTheDrawingsUnits", Drawing(Line(0, 0, 99.4, 10, 0, 99.4) + Line(0, 0, 100, 0, 0, 97)),
       {{"conductor", "10mm"}, {"rod-diameter", "16mm"}, {"dxf-ground", "100"}}, 2, {0, 0, 0.6, 10, 0, 0.6, 0.01}},
      {"FeetAndAnUprightLineAsARod", Drawing(Line(0, 0, 0, 0, 0, -10), 2),
       {{"conductor", "10mm"}, {"rod-diameter", "16mm"}}, 1, {0, 0, 0, 0, 0, 3.048, 0.016}},
      {"PointsAreRodsGoingDown", Drawing("0\nPOINT\n10\n3\n20\n4\n30\n-0.5\n") ,
       {{"rod-diameter", "16mm"}, {"rod-length", "3"}}, 1, {3, 4, 0.5, 3, 4, 3.5, 0.016}},
      // Two half circles (bulge 1) of 10 m across, flat: at --depth.
      {"BulgedPolylineFlat",
       Drawing("0\nLWPOLYLINE\n90\n2\n70\n1\n10\n-5\n20\n0\n42\n1\n10\n5\n20\n0\n42\n1\n"), flat, 0, {}},
      {"CircleInItsObjectSystem",
       Drawing("0\nCIRCLE\n10\n5\n20\n0\n30\n0.5\n40\n2\n210\n0\n220\n0\n230\n-1\n"), {{"conductor", "10mm"}}, 0, {}},
      {"ThreeDPolylineSloping",
       Drawing("0\nPOLYLINE\n66\n1\n70\n8\n10\n0\n20\n0\n30\n0\n0\nVERTEX\n70\n32\n10\n0\n20\n0\n30\n-0.5\n"
               "0\nVERTEX\n70\n32\n10\n10\n20\n0\n30\n-1.5\n0\nSEQEND\n"),
       {{"conductor", "10mm"}}, 1, {0, 0, 0.5, 10, 0, 1.5, 0.01}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Result<DxfTable> read = Read(row.drawing, row.options);
    ASSERT_TRUE(read) << read.why();
    if (row.conductors > 0) {
      ASSERT_EQ(read->rows.size(), row.conductors);
      const std::array<double, 7> cells = Cells(read->rows.front());
      for (std::size_t k = 0; k < 7; ++k) EXPECT_NEAR(cells[k], row.first[k], 1e-9) << k;
    }
  }
  // The bulged polyline and the circle as polygons whose corners are on the
  // circle and whose sides stand off it by at most 1 % of the radius.
  for (const auto& [drawing, centreX, radius, depth] :
       {std::tuple{rows[4].drawing, 0.0, 5.0, 0.5}, std::tuple{rows[5].drawing, -5.0, 2.0, 0.5}}) {
    const Result<DxfTable> read = Read(drawing, flat);
    ASSERT_TRUE(read) << read.why();
    EXPECT_GE(read->rows.size(), 8u);
    for (const ConductorRow& r : read->rows) {
      const std::array<double, 7> c = Cells(r);
      EXPECT_NEAR(std::hypot(c[0] - centreX, c[1]), radius, 1e-9);
      EXPECT_NEAR(c[2], depth, 1e-9);  // OCS z 0.5 along -Z: 0.5 below the ground
      const double mid = std::hypot((c[0] + c[3]) / 2 - centreX, (c[1] + c[4]) / 2);
      EXPECT_GE(mid, radius * (1 - kSagShare) - 1e-12);
    }
  }
}

TEST(Dxf, BlocksAreInsertedTurnedScaledAndInArrays) {
  // A 2 m line along x in block CELL (base 1,0), inside block ROW twice;
  // ROW inserted at (10,0) turned 90 degrees and scaled by 3, as an array of
  // 2 columns 5 apart (the drawing's units, along the turned x).
  const std::string blocks =
      "0\nBLOCK\n2\nCELL\n10\n1\n20\n0\n30\n0\n" + Line(1, 0, -1, 3, 0, -1) + "0\nENDBLK\n" +
      "0\nBLOCK\n2\nROW\n10\n0\n20\n0\n30\n0\n0\nINSERT\n2\nCELL\n10\n0\n20\n0\n30\n0\n" +
      "0\nINSERT\n2\nCELL\n10\n0\n20\n1\n30\n0\n0\nENDBLK\n";
  const std::string inserted = "0\nINSERT\n2\nROW\n10\n10\n20\n0\n30\n0\n41\n3\n42\n3\n43\n1\n50\n90\n70\n2\n44\n5\n";
  const Result<DxfTable> read = Read(Drawing(inserted, 6, blocks), {{"conductor", "10mm"}});
  ASSERT_TRUE(read) << read.why();
  ASSERT_EQ(read->rows.size(), 4u);
  // The first: (0,0)-(2,0) in ROW, scaled 3, turned: (10,0)-(10,6), 1 m deep.
  const std::array<double, 7> first = Cells(read->rows[0]);
  EXPECT_NEAR(first[0], 10, 1e-9);
  EXPECT_NEAR(first[1], 0, 1e-9);
  EXPECT_NEAR(first[3], 10, 1e-9);
  EXPECT_NEAR(first[4], 6, 1e-9);
  EXPECT_NEAR(first[2], 1, 1e-9);
  // The second cell (1 m up in ROW, 3 m scaled, turned to -x): x 7.
  EXPECT_NEAR(Cells(read->rows[1])[0], 7, 1e-9);
  // The array's second column 5 m (the drawing's, unscaled) along ROW's turned x: y 5.
  EXPECT_NEAR(Cells(read->rows[2])[0], 10, 1e-9);
  EXPECT_NEAR(Cells(read->rows[2])[1], 5, 1e-9);
}

TEST(Dxf, EndsAHairApartAreJoinedAndCounted) {
  // A T whose stem stops 0.4 mm short of the bar, and a bar in two lines
  // 0.2 mm apart at the joint: joined, the electrode solved.
  const std::string drawing = Drawing(Line(0, 0, -0.5, 5, 0, -0.5) + Line(5.0002, 0, -0.5, 10, 0, -0.5) +
                                      Line(3, 0.0004, -0.5, 3, 5, -0.5));
  const Result<DxfTable> read = Read(drawing, {{"conductor", "10mm"}});
  ASSERT_TRUE(read) << read.why();
  ASSERT_EQ(read->notes.size(), 2u);
  EXPECT_EQ(read->notes[1], "2 conductor ends within 1 mm of another conductor joined to it");
  EXPECT_TRUE(Solve(read->rows)) << Solve(read->rows).why();
  // The same onto the middle of a long sloping line (a site's side, 1 km).
  const Result<DxfTable> side = Read(Drawing(Line(0, 0, -0.5, 1000, 400, -0.5) + Line(500, 200.0004, -0.5, 500, 210, -0.5)),
                                     {{"conductor", "10mm"}});
  ASSERT_TRUE(side) << side.why();
  ASSERT_EQ(side->notes.size(), 2u);
  EXPECT_EQ(side->notes[1], "1 conductor end within 1 mm of another conductor joined to it");
  // 2 mm apart is no hair: the solver refuses them as too close.
  const Result<DxfTable> apart =
      Read(Drawing(Line(0, 0, -0.5, 5, 0, -0.5) + Line(3, 0.002, -0.5, 3, 5, -0.5)), {{"conductor", "10mm"}});
  ASSERT_TRUE(apart);
  EXPECT_FALSE(Solve(apart->rows));
}

TEST(Dxf, WhatCannotBeReadIsSaidWithWhereAtOnce) {
  const Options options{{"conductor", "10mm"}};
  const auto why = [&](const std::string& text, const Options& given) {
    const Result<DxfTable> read = Read(text, given);
    EXPECT_TRUE(read.refused());
    return read ? std::string("(read)") : read.why();
  };
  const std::string line = Line(0, 0, -0.5, 5, 0, -0.5);
  EXPECT_EQ(why("AutoCAD Binary DXF\r\n\x1a", options), "\"site.dxf\": a binary DXF: save the drawing as an ASCII DXF");
  const std::string whole = Drawing(line);
  EXPECT_EQ(why(whole.substr(0, whole.size() / 2), options),
            "\"site.dxf\": the drawing ends before its end (EOF): it may be cut short");
  EXPECT_EQ(why(Drawing(line, 0), options),
            "\"site.dxf\": the drawing says no units ($INSUNITS 0): give --dxf-units mm, cm, m, in or ft");
  EXPECT_EQ(why(Drawing(line, 0), {{"conductor", "10mm"}, {"dxf-units", "yards"}}),
            "--dxf-units \"yards\": give mm, cm, m, in or ft");
  EXPECT_EQ(why(Drawing("0\nTEXT\n1\nhello\n"), options),
            "\"site.dxf\": no line, polyline, circle, arc or point to take (it holds 1 TEXT)");
  EXPECT_EQ(why(Drawing(line), {{"conductor", "10mm"}, {"dxf-layers", "EARTH"}}),
            "\"site.dxf\": no line, polyline, circle, arc or point to take on the layers picked");
  EXPECT_EQ(why(Drawing(Line(0, 0, 0, 5, 0, 0)), options),
            "\"site.dxf\": every entity lies at one Z (0), not below the ground's: give --depth for the drawing's depth");
  EXPECT_EQ(why(Drawing(line), {}), "\"site.dxf\": DXF gives no diameters: give --conductor");
  EXPECT_EQ(why(Drawing("0\nPOINT\n10\n0\n20\n0\n30\n-1\n"), options),
            "\"site.dxf\": its 1 points are rods: give --rod-length (and --rod-diameter)");
  EXPECT_EQ(why(Drawing("0\nLINE\n10\nabc\n"), options), "\"site.dxf\" line 24: group code 10: \"abc\" is no number");
  EXPECT_EQ(why("0\nSECTION\nx\nHEADER\n", options), "\"site.dxf\" line 3: a group code must be a whole number, not \"x\"");
  // Blocks in a circle, and too deep.
  const std::string circle = "0\nBLOCK\n2\nA\n0\nINSERT\n2\nB\n0\nENDBLK\n0\nBLOCK\n2\nB\n0\nINSERT\n2\nA\n0\nENDBLK\n";
  EXPECT_EQ(why(Drawing("0\nINSERT\n2\nA\n", 6, circle), options),
            "\"site.dxf\" line 29: blocks nest in a circle: \"A\" in \"B\" in \"A\"");
  EXPECT_EQ(why(Drawing("0\nINSERT\n2\nNONE\n"), options),
            "\"site.dxf\" line 21: INSERT of the block \"NONE\", which the drawing does not hold");
  // Past the bounds: the size before anything is read, the entities as they are.
  std::string huge = Drawing(line);
  huge.insert(huge.size() - 4, kMostDxfBytes, ' ');
  EXPECT_EQ(why(huge, options), "\"site.dxf\": the drawing is more than 100 MB: at most that is read");
  std::string many;
  for (std::size_t k = 0; k <= kMostEntities; ++k) many += "0\nPOINT\n10\n0\n20\n0\n30\n-1\n";
  EXPECT_EQ(why(Drawing(many), {{"rod-length", "3"}}),
            "\"site.dxf\" line 4000021: more than 500000 entities (with the blocks' copies): at most that many are read");
}

}  // namespace
}  // namespace ostrevin::calc
