// Integrals of 1/r over straight line segments: the building block of the
// method of moments for thin cylindrical conductors (Harrington, "Field
// Computation by Moment Methods", 1968; for earthing systems Heppe, IEEE
// Trans. PAS-98, 1979, and Dawalibi and Mukhedkar, IEEE Trans. PAS-94, 1975).
//
// A conductor of radius r carries its current on its axis; the potential is
// taken on its surface. Two kinds of integral:
//   LinePotential(x, s)   the integral over s of 1/|x - y| dy, exact
//                         (asinh form), the distance from the axis floored
//                         at `floor` (the field conductor's radius: the
//                         "reduced kernel" of thin-wire theory);
//   PairIntegral(f, s)    the double integral over f and s of 1/|x - y|:
//                         in closed form for parallel segments (the
//                         distance between their axes, exact for long ones
//                         by the mean-value property of the logarithm),
//                         averaged around both circumferences for segments
//                         of one axis (exact for a uniform surface current,
//                         however short the segments), and by Gauss-Legendre
//                         quadrature of LinePotential otherwise, graded
//                         toward where the two come close (a joint).
// Units: metres; the integrals are in metres (1/m times m^2).
#pragma once

#include <algorithm>
#include <limits>

namespace ostrevin {

struct Point3 {
  double x = 0, y = 0, z = 0;  // metres; z is the depth below the surface
};

struct Segment3 {
  Point3 a, b;
  double Length() const;
  Point3 Middle() const;
};

// The integral over s of 1/sqrt(|x - y|^2 + floor^2) (floor: see above).
double LinePotential(const Point3& x, const Segment3& s, double floor);

// The same for a point anywhere, the source a cylinder of `radius`: within
// it the potential is its surface's (the distance from the axis taken as
// at least the radius).
double CylinderPotential(const Point3& x, const Segment3& s, double radius);

// The double integral over f and s of 1/|x - y|, f of radius rf, s of
// radius rs (the potential taken on f's surface, s's current on its axis, or
// both on their surfaces for one axis).
double PairIntegral(const Segment3& f, double rf, const Segment3& s, double rs);

// The shortest distance between two segments.
double SegmentDistance(const Segment3& f, const Segment3& s);

// The closest points of two segments: their parameters along each (0 at
// a, 1 at b) and the distance between them (Ericson, "Real-Time Collision
// Detection", 2005, 5.1.9).
struct Closest {
  double tf = 0, ts = 0;
  double distance = 0;
};
Closest ClosestPoints(const Segment3& f, const Segment3& s);

// The extent of points: the least and greatest x and y, and the greatest
// depth; all infinite (x0 > x1) for none.
struct Extent {
  double x0 = std::numeric_limits<double>::infinity(), x1 = -std::numeric_limits<double>::infinity();
  double y0 = std::numeric_limits<double>::infinity(), y1 = -std::numeric_limits<double>::infinity();
  double depth = -std::numeric_limits<double>::infinity();
  void Take(const Point3& p) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
    depth = std::max(depth, p.z);
  }
};

}  // namespace ostrevin
