#include "core/segmentation.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {

// A conductor shorter than this many diameters is no thin wire; one this
// near level is horizontal (it must be buried its radius deep).
constexpr double kShortestDiameters = 2;
constexpr double kLevelDegrees = 5;
// The shortest segment, as a share of the conductor's radius: what the
// thin wire resolves (and the segment integrals' rounding allows).
constexpr double kFinestPart = 0.02;

Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Norm(const Point3& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
Point3 Lerp(const Point3& a, const Point3& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

std::string Metres(double m) { return FormatDouble("%.3f", m) + " m"; }

// A straight part of a conductor between joints, ends or the interface.
struct Piece {
  Segment3 line;
  double radius = 0;
  int conductor = 0;
  bool cutA = false, cutB = false;  // an end made by the cut at the interface
  // From an end made by that cut, how far along the conductor its own end
  // lies across the interface (a rod's foot just below it); else infinite.
  double tipA = INFINITY, tipB = INFINITY;
};

// One conductor as the solver can take it: finite, within reach, below
// the surface, long and thick enough for a thin wire, buried if level.
Checked CheckConductor(const Conductor& c, std::size_t i, double tolerance) {
  const std::string name = "conductor " + std::to_string(i + 1);
  for (const double v : {c.a.x, c.a.y, c.a.z, c.b.x, c.b.y, c.b.z, c.diameterM}) {
    if (!std::isfinite(v)) return Refused(name + " has an end that is no number", {"conductor-no-number", {i}, {}});
    if (std::abs(v) > kMaxExtentM) {
      return Refused(name + " reaches beyond " + FormatNumber(kMaxExtentM / 1000) +
                         " km from the origin: electrodes are solved within that",
                     {"conductor-too-far", {i}, {kMaxExtentM}});
    }
  }
  if (c.a.z < 0 || c.b.z < 0) {
    return Refused(name + " stands above the surface (a depth below 0)", {"conductor-above", {i}, {}});
  }
  const double length = Norm(Minus(c.b, c.a));
  if (!(length > tolerance)) {
    return Refused(name + " has no length: its ends are one point", {"conductor-no-length", {i}, {}});
  }
  if (!(c.diameterM > 0)) return Refused(name + " has no thickness", {"conductor-no-thickness", {i}, {}});
  if (length < kShortestDiameters * c.diameterM) {
    return Refused(name + " is " + Metres(length) + " long, less than " +
                       FormatNumber(kShortestDiameters) + " diameters (" +
                       Metres(kShortestDiameters * c.diameterM) + "): no thin wire",
                   {"conductor-too-short", {i}, {length, kShortestDiameters * c.diameterM}});
  }
  const double radius = c.diameterM / 2;
  // Within kLevelDegrees of level, a conductor shallower than its radius
  // anywhere is not in the soil (a rod may slant from the surface).
  const double across = std::hypot(c.b.x - c.a.x, c.b.y - c.a.y);
  const bool level = std::abs(c.b.z - c.a.z) <= std::tan(kLevelDegrees * kPi / 180) * across;
  if (level && std::min(c.a.z, c.b.z) < radius) {
    const double depth = std::min(c.a.z, c.b.z);
    return Refused(name + " lies " + Metres(depth) + " deep, less than its radius (" + Metres(radius) +
                       "): a horizontal conductor must be buried",
                   {"conductor-shallow", {i}, {depth, radius}});
  }
  return Ok{};
}

// Each conductor cut into pieces at `cuts` (fractions of its length),
// cuts closer than `tolerance` made one.
std::vector<Piece> PiecesOf(std::span<const Conductor> conductors, std::vector<std::vector<double>>& cuts,
                            double tolerance) {
  const std::size_t n = conductors.size();
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < n; ++i) {
    const Conductor& c = conductors[i];
    const double length = Norm(Minus(c.b, c.a));
    std::vector<double>& at = cuts[i];
    at.push_back(0);
    at.push_back(1);
    std::sort(at.begin(), at.end());
    std::vector<double> kept;
    for (const double t : at) {
      if (kept.empty() || (t - kept.back()) * length > tolerance) kept.push_back(t);
    }
    if (kept.back() < 1) kept.back() = 1;
    for (std::size_t k = 1; k < kept.size(); ++k) {
      pieces.push_back({{Lerp(c.a, c.b, kept[k - 1]), Lerp(c.a, c.b, kept[k])}, c.diameterM / 2,
                        static_cast<int>(i)});
    }
  }
  return pieces;
}

// The conductors checked and cut where they join one another; or why not.
// The refusal of more segments than `most`.
Why TooManySegments(std::size_t most, std::size_t bytes) {
  return Refused("the electrode needs more than " + std::to_string(most) + " segments: more than the " +
                     MemoryText(bytes) + " solved here hold",
                 {std::string(kTooLarge), {0, most, most * kLeastSegmentBytes, bytes}, {}});
}

Result<std::vector<Piece>> Join(std::span<const Conductor> conductors, double tolerance, std::size_t most,
                                std::size_t bytes) {
  const std::size_t n = conductors.size();
  std::vector<std::vector<double>> cuts(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Checked checked = CheckConductor(conductors[i], i, tolerance);
    OSTREVIN_PASS_ON(checked);
  }
  // Pairs closer than a diameter without touching, refused below unless a
  // third conductor joins them (the sides of a small polygon either side
  // of a short one, one wire bent).
  struct Close {
    std::size_t i, j;
    double distance, larger;
  };
  std::vector<Close> close;
  std::vector<std::vector<std::size_t>> touching(n);
  std::size_t pieceCount = n;
  // The pairs whose extents along x come within the thickest diameter,
  // swept in the order of their least x (not every pair: a drawing may hold
  // a hundred thousand conductors), then taken in the order of their numbers.
  double thickest = 0;
  for (const Conductor& c : conductors) thickest = std::max(thickest, c.diameterM);
  std::vector<std::size_t> byX(n);
  std::iota(byX.begin(), byX.end(), std::size_t{0});
  const auto lowX = [&](std::size_t k) { return std::min(conductors[k].a.x, conductors[k].b.x); };
  const auto highX = [&](std::size_t k) { return std::max(conductors[k].a.x, conductors[k].b.x); };
  std::sort(byX.begin(), byX.end(), [&](std::size_t p, std::size_t q) { return lowX(p) < lowX(q); });
  std::vector<std::pair<std::size_t, std::size_t>> candidates;
  for (std::size_t p = 0; p < n; ++p) {
    for (std::size_t q = p + 1; q < n && lowX(byX[q]) - thickest <= highX(byX[p]); ++q) {
      candidates.emplace_back(std::min(byX[p], byX[q]), std::max(byX[p], byX[q]));
    }
  }
  std::sort(candidates.begin(), candidates.end());
  for (const auto& [i, j] : candidates) {
    const Segment3 a{conductors[i].a, conductors[i].b};
    {
      const Segment3 b{conductors[j].a, conductors[j].b};
      const double larger = std::max(conductors[i].diameterM, conductors[j].diameterM);
      // Far apart: nothing to check (boxes first, for speed).
      const auto apart = [&](double a1, double a2, double b1, double b2) {
        return std::min(a1, a2) - larger > std::max(b1, b2) ||
               std::min(b1, b2) - larger > std::max(a1, a2);
      };
      if (apart(a.a.x, a.b.x, b.a.x, b.b.x) || apart(a.a.y, a.b.y, b.a.y, b.b.y) ||
          apart(a.a.z, a.b.z, b.a.z, b.b.z)) {
        continue;
      }
      const double distance = SegmentDistance(a, b);
      const std::string names =
          "conductors " + std::to_string(i + 1) + " and " + std::to_string(j + 1);
      if (distance > tolerance) {
        if (distance < larger) close.push_back({i, j, distance, larger});
        continue;
      }
      touching[i].push_back(j);
      touching[j].push_back(i);
      // Touching: overlapping along their length is refused; else each is
      // cut where the other meets it.
      const Point3 da = Minus(a.b, a.a);
      const Point3 db = Minus(b.b, b.a);
      const double la = Norm(da);
      const double lb = Norm(db);
      const Point3 cross{da.y * db.z - da.z * db.y, da.z * db.x - da.x * db.z,
                         da.x * db.y - da.y * db.x};
      if (Norm(cross) <= 1e-9 * la * lb) {
        // Parallel and touching: one line. Overlapping if more than a point is shared.
        const auto along = [&](const Point3& p) {
          return ((p.x - a.a.x) * da.x + (p.y - a.a.y) * da.y + (p.z - a.a.z) * da.z) / la;
        };
        const double b0 = along(b.a);
        const double b1 = along(b.b);
        const double overlap = std::min(la, std::max(b0, b1)) - std::max(0.0, std::min(b0, b1));
        if (overlap > tolerance) {
          return Refused(names + " overlap along their length", {"conductors-overlap", {i, j}, {}});
        }
        continue;  // end to end
      }
      // Each is cut where the other meets it: where an end of one lies on
      // the other, or where they cross.
      const Closest closest = ClosestPoints(a, b);
      const double ta = closest.tf;
      const double tb = closest.ts;
      cuts[i].push_back(ta);
      cuts[j].push_back(tb);
      // Every cut makes a piece, and every piece a segment or more: bounded
      // before the work grows (a grid of 250 x 250 meshes ran a minute to be refused).
      if ((pieceCount += 2) > most) return TooManySegments(most, bytes);
    }
  }
  for (const Close& pair : close) {
    const std::vector<std::size_t>& ofI = touching[pair.i];
    const bool joined = std::any_of(ofI.begin(), ofI.end(), [&](std::size_t k) {
      const std::vector<std::size_t>& ofK = touching[k];
      return std::find(ofK.begin(), ofK.end(), pair.j) != ofK.end();
    });
    if (!joined) {
      return Refused("conductors " + std::to_string(pair.i + 1) + " and " + std::to_string(pair.j + 1) +
                         " do not touch but stand " + Metres(pair.distance) +
                         " apart, closer than the larger diameter (" + Metres(pair.larger) + ")",
                     {"conductors-close", {pair.i, pair.j}, {pair.distance, pair.larger}});
    }
  }
  return PiecesOf(conductors, cuts, tolerance);
}

// Pieces that cross the interface, cut there; a part shorter than a
// thousandth of the radius is no part (below what a thin wire resolves,
// and the segment integrals' rounding would show), and the segments of a
// piece not cut take the layer their middles are in.
std::vector<Piece> CutAtInterface(const std::vector<Piece>& pieces, double h, double tolerance) {
  std::vector<Piece> cut;
  for (const Piece& piece : pieces) {
    const double za = piece.line.a.z - h;
    const double zb = piece.line.b.z - h;
    const double length = piece.line.Length();
    const double least = std::max(tolerance, 1e-3 * piece.radius) * std::abs(zb - za) / length;
    // Nor is a part between the surface and an interface within two radii
    // of it (a top layer thinner than a rod is thick): no thin wire there.
    const double stub = 2 * piece.radius * std::abs(zb - za) / length;
    const bool surfaceA = piece.line.a.z <= tolerance;
    const bool surfaceB = piece.line.b.z <= tolerance;
    if (za * zb < 0 && std::abs(za) > (surfaceA ? stub : least) && std::abs(zb) > (surfaceB ? stub : least)) {
      const Point3 at = Lerp(piece.line.a, piece.line.b, za / (za - zb));
      // (An end at the surface is no foot: its image there continues it.)
      const double toB = piece.cutB || piece.line.b.z <= tolerance ? INFINITY : Norm(Minus(piece.line.b, at));
      const double toA = piece.cutA || piece.line.a.z <= tolerance ? INFINITY : Norm(Minus(at, piece.line.a));
      cut.push_back({{piece.line.a, at}, piece.radius, piece.conductor, piece.cutA, true, piece.tipA, toB});
      cut.push_back({{at, piece.line.b}, piece.radius, piece.conductor, true, piece.cutB, toA, piece.tipB});
    } else {
      cut.push_back(piece);
    }
  }
  return cut;
}

// At every interface, top first.
std::vector<Piece> CutAtInterfaces(std::vector<Piece> pieces, const EarthSoil& soil, double tolerance) {
  const Interfaces interfaces = InterfacesOf(soil);
  for (std::size_t k = 0; k < interfaces.count; ++k) pieces = CutAtInterface(pieces, interfaces.depth[k], tolerance);
  return pieces;
}

// How a piece's end is to be cut toward: an end where the current gathers
// (a free end, a joint, the interface) is cut finely; an end at the surface
// on a conductor going down is not an end for the current (its image in the
// surface continues it).
enum class End { kFine, kSurface };

// The cuts of one piece, as fractions of it: graded toward its ends (as
// t^3, as the ends need), more where another conductor passes close,
// geometrically toward the interface when it is near.
std::vector<double> CutsOf(const Piece& piece, End endA, End endB, double nearest,
                           const EarthSoil& soil, double refinement) {
  const double length = piece.line.Length();
  const double middle = (piece.line.a.z + piece.line.b.z) / 2;
  const double scale = std::max(2 * middle, 16 * piece.radius);
  double count = 4 + 2 * std::log2(1 + length / scale);
  // A piece ending at an interface of soils that differ carries the
  // current that crosses it: more (where they hardly differ the current
  // runs on as if there were none).
  const Interfaces interfaces = InterfacesOf(soil);
  const auto& depths = interfaces.depth;
  const auto& reflections = interfaces.reflection;
  for (std::size_t k = 0; k < interfaces.count; ++k) {
    const double tolerance = 1e-9 * std::max(1.0, depths[k]);
    const bool ends = std::abs(piece.line.a.z - depths[k]) <= tolerance ||
                      std::abs(piece.line.b.z - depths[k]) <= tolerance;
    if (ends && std::abs(reflections[k]) >= kGradedContrast) count = std::max(count, 8.0);
  }
  if (nearest < length) count = std::max(count, 2 * length / nearest);
  int n = std::max(2, static_cast<int>(std::ceil(refinement * std::min(count, 20.0))));
  n = std::min(n, std::max(1, static_cast<int>(length / (kFinestPart * piece.radius))));
  const auto graded = [&](double u) {
    const bool fineA = endA == End::kFine;
    const bool fineB = endB == End::kFine;
    if (fineA && fineB) {
      return u < 0.5 ? 0.5 * std::pow(2 * u, 2.0) : 1 - 0.5 * std::pow(2 * (1 - u), 2.0);
    }
    if (fineB) return 1 - std::pow(1 - u, 3.0);
    if (fineA) return std::pow(u, 3.0);
    return u;
  };
  std::vector<double> cuts;
  for (int i = 0; i <= n; ++i) cuts.push_back(graded(static_cast<double>(i) / n));
  for (std::size_t k = 0; k < interfaces.count; ++k) {
    // The nearest point of the piece to the interface, and how far it is.
    const double h = depths[k];
    const double za = piece.line.a.z - h;
    const double zb = piece.line.b.z - h;
    const double t = std::abs(za) <= std::abs(zb) ? 0.0 : 1.0;
    const double gap = std::min(std::abs(za), std::abs(zb));
    const double slope = std::abs(zb - za) / length;  // depth per length along the piece
    if (slope > 1e-9 && gap < length) {
      // Cuts at distances from the near end that double from the gap (or a
      // radius) on: the current gathers toward a better layer, or away
      // from a worse one, over that scale. At a conductor's own end at or
      // near the interface (a rod's foot, not the cut where it crosses) it
      // gathers into a singularity whose scale is the gap itself (or, from
      // the cut, the way to a foot just across), down to kFinestPart of the
      // radius: cut that finely, the answer there is within 0.2 % of its
      // limit (a rod's foot at the interface of 1000 over 100 ohm-m was 4 %
      // high cut from the radius).
      // (An end made by the cut at another interface is no end here.)
      const bool cut = (t == 0 ? piece.cutA : piece.cutB) && gap <= 1e-9 * std::max(1.0, h);
      const bool surface = (t == 0 ? endA : endB) == End::kSurface;
      const double tip = t == 0 ? piece.tipA : piece.tipB;  // a foot just across the cut
      const bool contrast = std::abs(reflections[k]) >= kGradedContrast;
      double first = std::max({gap / slope, piece.radius / slope, length / 32});
      if (contrast && !cut && !surface) {
        first = std::min(first, std::max(gap, kFinestPart * piece.radius) / slope);
      }
      if (contrast && cut && tip < length) first = std::min(first, std::max(tip, kFinestPart * piece.radius));
      const double ratio = std::pow(2.0, 1 / refinement);
      for (int step = 0;; ++step) {
        const double d = first * std::pow(ratio, step);
        if (!(d < length / 2)) break;
        cuts.push_back(t == 0 ? d / length : 1 - d / length);
      }
    }
  }
  std::sort(cuts.begin(), cuts.end());
  std::vector<double> kept;
  for (const double c : cuts) {
    if (kept.empty() || (c - kept.back()) * length > 1e-9 * length) kept.push_back(c);
  }
  kept.front() = 0;
  kept.back() = 1;
  return kept;
}

// Each piece's distance to the nearest other piece that shares no end with
// it, where that is within half again their lengths together (farther, it
// changes nothing): the pieces swept in order of their middles along x,
// each met only by those within that reach.
std::vector<double> NearestOthers(const std::vector<Piece>& pieces, double tolerance) {
  std::vector<double> nearest(pieces.size(), INFINITY);
  const auto shares = [&](const Piece& a, const Piece& b) {
    for (const Point3& p : {a.line.a, a.line.b}) {
      for (const Point3& q : {b.line.a, b.line.b}) {
        if (Norm(Minus(p, q)) <= tolerance) return true;
      }
    }
    return false;
  };
  std::vector<std::size_t> order(pieces.size());
  std::iota(order.begin(), order.end(), 0);
  const auto middleX = [&](std::size_t k) { return pieces[k].line.Middle().x; };
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return middleX(a) < middleX(b); });
  double longest = 0;
  for (const Piece& piece : pieces) longest = std::max(longest, piece.line.Length());
  for (std::size_t p = 0; p < order.size(); ++p) {
    const std::size_t i = order[p];
    const double li = pieces[i].line.Length();
    const double reach = (li + longest) * 1.5;
    for (std::size_t q = p + 1; q < order.size() && middleX(order[q]) - middleX(i) <= reach; ++q) {
      const std::size_t j = order[q];
      const double lj = pieces[j].line.Length();
      const Point3 d = Minus(pieces[i].line.Middle(), pieces[j].line.Middle());
      if (Norm(d) > (li + lj) * 1.5) continue;
      if (shares(pieces[i], pieces[j])) continue;
      const double distance = SegmentDistance(pieces[i].line, pieces[j].line);
      nearest[i] = std::min(nearest[i], distance);
      nearest[j] = std::min(nearest[j], distance);
    }
  }
  return nearest;
}

}  // namespace

Extent BoxOf(const std::vector<Element>& elements) {
  Extent box;
  for (const Element& e : elements) {
    box.Take(e.line.a);
    box.Take(e.line.b);
  }
  return box;
}

Result<Segmented> Segment(std::span<const Conductor> conductors, const EarthSoil& soil,
                         const SolveOptions& options) {
  if (conductors.empty()) return Refused("the electrode has no conductors");
  if (soil.stack) {
    if (auto checked = CheckLayers(*soil.stack); !checked) return checked.Failed();
  } else if (soil.layers) {
    if (auto checked = CheckSoil(*soil.layers); !checked) return checked.Failed();
  } else if (!(soil.rho > 0) || !std::isfinite(soil.rho)) {
    return Refused("the soil needs a positive resistivity");
  }
  double extent = 1;
  for (const Conductor& c : conductors) {
    for (const double v : {c.a.x, c.a.y, c.a.z, c.b.x, c.b.y, c.b.z}) {
      if (std::isfinite(v)) extent = std::max(extent, std::abs(v));
    }
  }
  const double tolerance = 1e-9 * extent;
  const std::size_t most = options.maxBytes / kLeastSegmentBytes;
  Result<std::vector<Piece>> joined = Join(conductors, tolerance, most, options.maxBytes);
  OSTREVIN_PASS_ON(joined);
  const std::vector<Piece> pieces = CutAtInterfaces(*std::move(joined), soil, tolerance);
  if (options.progress) options.progress(0.02);

  // Segments.
  const std::vector<double> nearest = NearestOthers(pieces, tolerance);
  Solution solution;
  solution.soil = soil;
  const auto endOf = [&](const Piece& piece, const Point3& end, const Point3& other) {
    const bool down = std::abs(other.z - end.z) > 1e-9 * piece.line.Length();
    return end.z <= tolerance && down ? End::kSurface : End::kFine;
  };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    const std::vector<double> cuts =
        CutsOf(piece, endOf(piece, piece.line.a, piece.line.b),
               endOf(piece, piece.line.b, piece.line.a), nearest[i], soil, options.refinement);
    for (std::size_t k = 1; k < cuts.size(); ++k) {
      const Segment3 line{Lerp(piece.line.a, piece.line.b, cuts[k - 1]),
                          Lerp(piece.line.a, piece.line.b, cuts[k])};
      solution.elements.push_back({line, piece.radius, LayerAt(soil, line.Middle().z)});
      solution.conductorOf.push_back(piece.conductor);
      if (solution.elements.size() > most) return TooManySegments(most, options.maxBytes);
    }
  }
  const Extent box = BoxOf(solution.elements);
  solution.spanM = std::hypot(box.x1 - box.x0, box.y1 - box.y0);
  solution.depthM = std::max(box.depth, 0.0);
  return Segmented{std::move(solution), tolerance};
}

}  // namespace ostrevin
