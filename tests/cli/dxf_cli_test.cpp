// ostrevin-calc and CAD: drawings written by another program (ezdxf, from
// Debian, run here by the tests alone) read as the same electrode as its
// table of conductors, and the layouts ostrevin-calc writes read by it
// without a fault.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"

namespace ostrevin::test_support {
namespace {

// A Python program with ezdxf, run in the tests' folder.
Result Python(const std::string& program) {
  std::ofstream(kDir + "/drawing.py") << program;
  return Shell("/usr/bin/python3 drawing.py");
}

double Ohms(const Result& run) {
  EXPECT_EQ(run.status, 0) << run.err;
  return std::stod(run.out.substr(0, run.out.find(' ')));
}

TEST(CalcDxf, ADrawingByAnotherProgramIsItsTableOfConductors) {
  // A 40 m grid of 4 x 4 meshes 0.6 m below the ground in millimetres
  // (lines on EARTH, one of them in a block inserted turned), rods as
  // points on RODS, a text and a road on other layers; the same layout as a
  // table of conductors in metres.
  const Result written = Python(R"(
import ezdxf
doc = ezdxf.new('R2010')
doc.header['$INSUNITS'] = 4
msp = doc.modelspace()
block = doc.blocks.new('SIDE')
block.add_line((0, 0, -600), (40000, 0, -600), dxfattribs={'layer': '0'})
table = ['x1,y1,z1,x2,y2,z2,diameter']
for k in range(5):
    at = 10000 * k
    if k == 0:
        msp.add_blockref('SIDE', (0, 0), dxfattribs={'layer': 'EARTH', 'rotation': 90})
    else:
        msp.add_line((at, 0, -600), (at, 40000, -600), dxfattribs={'layer': 'EARTH'})
    msp.add_lwpolyline([(0, at), (40000, at)], dxfattribs={'layer': 'EARTH', 'elevation': -600})
    table.append('%g,0,0.6,%g,40,0.6,10mm' % (at / 1000, at / 1000))
    table.append('0,%g,0.6,40,%g,0.6,10mm' % (at / 1000, at / 1000))
for x, y in [(0, 0), (40000, 0), (0, 40000), (40000, 40000)]:
    msp.add_point((x, y, -600), dxfattribs={'layer': 'RODS'})
    table.append('%g,%g,0.6,%g,%g,3.6,16mm' % (x / 1000, y / 1000, x / 1000, y / 1000))
msp.add_text('Substation', dxfattribs={'layer': 'EARTH'})
msp.add_line((-5000, -5000, 0), (50000, -5000, 0), dxfattribs={'layer': 'ROADS'})
doc.saveas('site.dxf')
open('site.csv', 'w').write('\n'.join(table) + '\n')
)");
  ASSERT_EQ(written.status, 0) << written.err;
  const std::string soil = " --rho 100ohm-m --units metric";
  const double table = Ohms(Calc("electrodes site.csv" + soil));
  const Result drawing =
      Calc("electrodes site.dxf --conductor 10mm --rod-diameter 16mm --rod-length 3m --dxf-layers earth,rods" + soil);
  EXPECT_NEAR(Ohms(drawing) / table, 1, 1e-9);
  EXPECT_NE(drawing.err.find("note: left out, being no conductor: 1 TEXT"), std::string::npos) << drawing.err;
  EXPECT_NE(drawing.err.find("1 entities on other layers than --dxf-layers's left out"), std::string::npos);
  // On standard input it is told as a DXF by its content, or by --format.
  EXPECT_NEAR(Ohms(Calc("electrodes - --conductor 10mm --rod-diameter 16mm --rod-length 3 --dxf-layers EARTH,RODS" +
                        soil + " < site.dxf")) / table, 1, 1e-9);
  const Result named = Calc("electrodes --format dxf --conductor 10mm --rod-length 3 --dxf-layers earth,rods < site.dxf" + soil);
  EXPECT_EQ(named.status, 0) << named.err;
  // A table is still read as it streams past the start that told it from
  // a drawing: 150 rods (6 KB) on standard input as in a file.
  const Result rods = Shell("(echo x1,y1,z1,x2,y2,z2,diameter; for k in $(seq 0 149); do "
                            "echo \"$((k * 5)).000,0.000,0.000,$((k * 5)).000,0.000,3.000,16.000mm\"; done) > rods.csv && " +
                            kCalc + " electrodes rods.csv" + soil + " > file.txt && " + kCalc + " electrodes -" + soil +
                            " < rods.csv > piped.txt && wc -c < rods.csv && cmp file.txt piped.txt && head -2 piped.txt");
  EXPECT_EQ(rods.status, 0) << rods.err;
  EXPECT_NE(rods.out.find("Electrode of 150 conductors"), std::string::npos) << rods.out;
  // What cannot be read: a clear line and the refusal's status.
  const Result cut = Shell("head -c 3000 site.dxf > cut.dxf && " + kCalc + " electrodes cut.dxf --conductor 10mm" + soil);
  EXPECT_EQ(cut.status, 2);
  EXPECT_EQ(cut.err, "ostrevin-calc electrodes: \"cut.dxf\": the drawing ends before its end (EOF): it may be cut short\n");
}

TEST(CalcDxf, AWrittenLayoutIsReadByAnotherProgramWithoutAFault) {
  const Result grid = Calc(
      "grid --size 70x70 --meshes 10x10 --depth 0.5 --conductor 0.01 --rods-at perimeter --rods 20 --rod-length 7.5 "
      "--rod-diameter 0.02 --rho 100ohm-m --units metric --layout-dxf grid.dxf");
  ASSERT_EQ(grid.status, 0) << grid.err;
  const Result read = Python(R"(
import ezdxf
from collections import Counter
doc = ezdxf.readfile('grid.dxf')
auditor = doc.audit()
counts = Counter(e.dxf.layer for e in doc.modelspace())
print(doc.dxfversion, doc.header['$INSUNITS'], len(auditor.errors), counts['CONDUCTORS'], counts['RODS'], counts['OUTLINE'])
depths = sorted({round(-e.dxf.start.z, 6) for e in doc.modelspace().query('LINE[layer=="CONDUCTORS"]')})
print(depths)
)");
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, "AC1015 6 0 22 20 1\n[0.5]\n");
  // Read back: the same resistance.
  const Result back = Calc("electrodes grid.dxf --conductor 0.01 --rod-diameter 0.02 --rho 100ohm-m --units metric");
  EXPECT_EQ(back.out.substr(0, back.out.find('\n')), grid.out.substr(0, grid.out.find('\n')));
}

}  // namespace
}  // namespace ostrevin::test_support
