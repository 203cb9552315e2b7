#include "core/line_integrals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/numerics.h"

namespace ostrevin {

namespace {

Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 Plus(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 Times(const Point3& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3 Cross(const Point3& a, const Point3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Norm(const Point3& a) { return std::sqrt(Dot(a, a)); }

// u asinh(u/p) - sqrt(u^2 + p^2): twice integrated, 1/sqrt(u^2 + p^2).
double Antiderivative(double u, double p) { return u * std::asinh(u / p) - std::hypot(u, p); }

// The integral over x in [f0, f1] and y in [s0, s1] of 1/sqrt(p^2 + (x - y)^2).
double ParallelIntegral(double p, double f0, double f1, double s0, double s1) {
  const double lf = f1 - f0;
  const double ls = s1 - s0;
  const double offset = (f0 + f1) / 2 - (s0 + s1) / 2;
  const double distance = std::hypot(p, offset);
  if (distance >= 10 * (lf + ls)) {
    // Far apart the four terms cancel: a point, with the spread to second order.
    const double spread = (lf * lf + ls * ls) / 12;
    const double second = (2 * offset * offset - p * p) / std::pow(distance, 5);
    return lf * ls * (1 / distance + spread / 2 * second);
  }
  return Antiderivative(f1 - s0, p) - Antiderivative(f0 - s0, p) - Antiderivative(f1 - s1, p) +
         Antiderivative(f0 - s1, p);
}

// The same between the surfaces of two conductors of one axis: the kernel
// averaged over the angle between the points, (1/pi) integral over [0, pi]
// of the integral at p(phi) = sqrt(rf^2 + rs^2 - 2 rf rs cos phi);
// phi = pi t^2 takes away the logarithmic peak at phi = 0 of equal radii.
double CoaxialIntegral(double rf, double rs, double f0, double f1, double s0, double s1) {
  const double gap = std::max({0.0, s0 - f1, f0 - s1});
  const double radius = std::max(rf, rs);
  if (gap >= 10 * radius) {
    // Beyond some radii the average is the axis' kernel at the radii's spread.
    return ParallelIntegral(std::sqrt(rf * rf + rs * rs), f0, f1, s0, s1);
  }
  const GaussRule& gauss = GaussLegendre(24);
  double sum = 0;
  for (std::size_t i = 0; i < gauss.nodes.size(); ++i) {
    const double t = gauss.nodes[i];
    const double phi = kPi * t * t;
    const double p = std::sqrt(std::max(rf * rf + rs * rs - 2 * rf * rs * std::cos(phi), 1e-300));
    sum += gauss.weights[i] * 2 * t * ParallelIntegral(p, f0, f1, s0, s1);
  }
  return sum;
}

}  // namespace

Closest ClosestPoints(const Segment3& f, const Segment3& s) {
  const Point3 d1 = Minus(f.b, f.a);
  const Point3 d2 = Minus(s.b, s.a);
  const Point3 r = Minus(f.a, s.a);
  const double a = Dot(d1, d1);
  const double e = Dot(d2, d2);
  const double g = Dot(d2, r);
  double tf = 0;
  double ts = 0;
  if (a <= 0 && e <= 0) {
    tf = ts = 0;
  } else if (a <= 0) {
    ts = std::clamp(g / e, 0.0, 1.0);
  } else {
    const double c = Dot(d1, r);
    if (e <= 0) {
      tf = std::clamp(-c / a, 0.0, 1.0);
    } else {
      const double b = Dot(d1, d2);
      const double denominator = a * e - b * b;
      tf = denominator > 1e-14 * a * e ? std::clamp((b * g - c * e) / denominator, 0.0, 1.0) : 0;
      ts = (b * tf + g) / e;
      if (ts < 0) {
        ts = 0;
        tf = std::clamp(-c / a, 0.0, 1.0);
      } else if (ts > 1) {
        ts = 1;
        tf = std::clamp((b - c) / a, 0.0, 1.0);
      }
    }
  }
  const Point3 pf = Plus(f.a, Times(d1, tf));
  const Point3 ps = Plus(s.a, Times(d2, ts));
  return {tf, ts, Norm(Minus(pf, ps))};
}

namespace {

// The integral over [t0, t1] of f's parameter (times f's length) of
// LinePotential, by Gauss-Legendre with n points.
double OuterGauss(const Segment3& f, double t0, double t1, const Segment3& s, double floor, int n) {
  const GaussRule& gauss = GaussLegendre(n);
  const Point3 d = Minus(f.b, f.a);
  double sum = 0;
  for (std::size_t i = 0; i < gauss.nodes.size(); ++i) {
    const double t = t0 + (t1 - t0) * gauss.nodes[i];
    sum += gauss.weights[i] * LinePotential(Plus(f.a, Times(d, t)), s, floor);
  }
  return sum * (t1 - t0) * f.Length();
}

// Two segments meeting end to end at an angle: the axis-to-surface kernel
// of the bend tends, as the bend straightens, not to the surface-to-surface
// average taken for segments of one axis (CoaxialIntegral) but above it (a
// pair turned 0.4 degrees was 1.5 % above the same pair straight). Their
// difference for the pair straightened is added, in full for a pair nearly
// straight and in proportion to the cosine of the bend, none from a right
// angle on: the integral is then continuous as the bend opens.
double JointCorrection(const Segment3& f, double rf, const Segment3& s, double rs, const Closest& closest) {
  const double lf = f.Length();
  const double ls = s.Length();
  const bool fEnd = closest.tf > 0.5;
  const bool sEnd = closest.ts > 0.5;
  const bool atEnds = (closest.tf <= 1e-12 || closest.tf >= 1 - 1e-12) &&
                      (closest.ts <= 1e-12 || closest.ts >= 1 - 1e-12);
  if (!atEnds || closest.distance > 1e-9 * std::max(lf, ls)) return 0;
  // Whether s leaves the joint onward (its far end beyond f's), as a straight continuation would.
  const Point3 ef = Times(Minus(f.b, f.a), fEnd ? 1 / lf : -1 / lf);
  const Point3 es = Times(Minus(s.b, s.a), sEnd ? -1 / ls : 1 / ls);
  const double cosine = Dot(ef, es);
  if (!(cosine > 0)) return 0;
  const double s0 = fEnd ? lf : -ls;
  const double s1 = fEnd ? lf + ls : 0;
  return cosine * (CoaxialIntegral(rf, rs, 0, lf, s0, s1) - ParallelIntegral(rf, 0, lf, s0, s1));
}

}  // namespace

double Segment3::Length() const { return Norm(Minus(b, a)); }
Point3 Segment3::Middle() const { return Times(Plus(a, b), 0.5); }

double LinePotential(const Point3& x, const Segment3& s, double floor) {
  const Point3 d = Minus(s.b, s.a);
  const double length = Norm(d);
  const Point3 r = Minus(x, s.a);
  const double u = Dot(r, d) / length;
  const double rho2 = std::max(Dot(r, r) - u * u, 0.0) + floor * floor;
  const double rho = std::sqrt(std::max(rho2, 1e-300));
  return std::asinh((length - u) / rho) + std::asinh(u / rho);
}

double CylinderPotential(const Point3& x, const Segment3& s, double radius) {
  const Point3 d = Minus(s.b, s.a);
  const double length = Norm(d);
  const Point3 r = Minus(x, s.a);
  const double u = Dot(r, d) / length;
  const double rho = std::max(std::sqrt(std::max(Dot(r, r) - u * u, 0.0)), radius);
  return std::asinh((length - u) / rho) + std::asinh(u / rho);
}

double SegmentDistance(const Segment3& f, const Segment3& s) { return ClosestPoints(f, s).distance; }

double PairIntegral(const Segment3& f, double rf, const Segment3& s, double rs) {
  const double lf = f.Length();
  const double ls = s.Length();
  const Point3 ef = Times(Minus(f.b, f.a), 1 / lf);
  const Point3 es = Times(Minus(s.b, s.a), 1 / ls);
  const double sine = Norm(Cross(ef, es));
  if (sine < 1e-9) {
    // Parallel: axial coordinates along f, and the distance between the axes.
    const double a = Dot(Minus(s.a, f.a), ef);
    const double b = Dot(Minus(s.b, f.a), ef);
    const double s0 = std::min(a, b);
    const double s1 = std::max(a, b);
    const Point3 across = Minus(Minus(s.a, f.a), Times(ef, a));
    const double p = Norm(across);
    const double scale = std::max({lf, ls, std::abs(a), std::abs(b)});
    if (p <= 1e-9 * scale) return CoaxialIntegral(rf, rs, 0, lf, s0, s1);
    // A source axis within f's surface (an image in the interface of a
    // conductor lying at it): averaged round f's circumference the
    // logarithm's mean value is that of the surface's radius.
    return ParallelIntegral(std::max(p, rf), 0, lf, s0, s1);
  }
  const Point3 between = Minus(f.Middle(), s.Middle());
  const double centres = Norm(between);
  if (centres > 8 * (lf + ls)) {
    // Far apart: two points, with each segment's spread to second order:
    // 1/|c + u ef - v es| averaged is 1/D + (lf^2 (3 (ef.n)^2 - 1) + ls^2 (3 (es.n)^2 - 1)) / (24 D^3).
    const double cf = Dot(ef, between) / centres;
    const double cs = Dot(es, between) / centres;
    const double second =
        (lf * lf * (3 * cf * cf - 1) + ls * ls * (3 * cs * cs - 1)) / (24 * centres * centres);
    return lf * ls / centres * (1 + second);
  }
  const Closest closest = ClosestPoints(f, s);
  if (closest.distance > lf) return OuterGauss(f, 0, 1, s, rf, GaussPointsFor(lf, closest.distance));
  // Close (a joint, a crossing): intervals growing fourfold away from the
  // closest point, from the larger of the gap and the radius, 5 points each.
  const double start = std::max(closest.distance, rf) / lf;
  const double at = closest.tf;
  double sum = 0;
  for (const double direction : {-1.0, 1.0}) {
    double near = at;
    double width = start;
    for (int guard = 0; guard < 64; ++guard) {
      const double far = direction < 0 ? std::max(0.0, near - width) : std::min(1.0, near + width);
      if (std::abs(far - near) <= 0) break;
      sum += OuterGauss(f, std::min(near, far), std::max(near, far), s, rf, 5);
      if (far <= 0 || far >= 1) break;
      near = far;
      width *= 4;
    }
  }
  return sum + JointCorrection(f, rf, s, rs, closest);
}

}  // namespace ostrevin
