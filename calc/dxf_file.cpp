#include "calc/dxf_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <initializer_list>
#include <map>
#include <numbers>
#include <optional>
#include <unordered_map>

#include "calc/calculation_parts.h"
#include "calc/text.h"
#include "core/electrode_formulas.h"
#include "core/number_text.h"

namespace ostrevin::calc {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

constexpr double kPi = std::numbers::pi;

// ---- Group codes and values, a pair to two lines. ----

struct Pair {
  int code = 0;
  std::string_view value;
  long line = 0;  // the code's line in the file
};

struct Vec {
  double x = 0, y = 0, z = 0;
};
// A group's whole number (a flag, a count, a unit's code) as an int: one
// past an int's range is no code this reads (-1), not undefined.
int Whole(double value) {
  return std::isfinite(value) && std::abs(value) <= 1e9 ? static_cast<int>(value) : -1;
}

Vec Plus(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec Times(Vec a, double k) { return {a.x * k, a.y * k, a.z * k}; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Unit(Vec a) {
  const double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
  return n > 0 ? Times(a, 1 / n) : Vec{0, 0, 1};
}

// An affine map of points: m p + t.
struct Affine {
  std::array<Vec, 3> columns{Vec{1, 0, 0}, Vec{0, 1, 0}, Vec{0, 0, 1}};
  Vec t;
  Vec operator()(Vec p) const {
    return Plus(Plus(Plus(Times(columns[0], p.x), Times(columns[1], p.y)), Times(columns[2], p.z)), t);
  }
  Affine Then(const Affine& outer) const {  // outer(this(p))
    Affine made;
    for (std::size_t k = 0; k < 3; ++k) made.columns[k] = Plus(outer(columns[k]), Times(outer.t, -1));
    made.t = outer(t);
    return made;
  }
};

// The arbitrary axis algorithm (the DXF reference's "Object Coordinate
// Systems"): a planar entity's coordinates in the plane normal to its
// extrusion.
Affine OcsToWcs(const Vec& normal) {
  const Vec n = Unit(normal);
  const Vec ax = std::abs(n.x) < 1.0 / 64 && std::abs(n.y) < 1.0 / 64 ? Unit(Cross({0, 1, 0}, n)) : Unit(Cross({0, 0, 1}, n));
  const Vec ay = Unit(Cross(n, ax));
  Affine a;
  a.columns = {ax, ay, n};
  return a;
}

// One entity as read: its type, line, layer and pairs (a POLYLINE's
// vertices gathered as its own).
struct Record {
  std::string type;
  long line = 0;
  std::string layer = "0";
  std::vector<Pair> pairs;
  std::vector<Record> vertices;
};

struct Block {
  Vec base;
  std::vector<Record> entities;
};

// What a drawing is made of, in its own units and WCS: paths of points
// (conductors between each and the next), the points that are rods.
struct Path {
  std::vector<Vec> points;
  long line = 0;
};

class Reader {
 public:
  Reader(std::string_view text, std::string_view name) : text_(text), name_(name) {}

  Result<bool> Next(Pair& pair) {
    if (at_ >= text_.size()) return false;
    const std::string_view code = Trim(Line());
    const long line = line_;
    if (at_ >= text_.size() && code.empty()) return false;
    if (at_ >= text_.size()) return Refused(Where(line) + "the drawing ends after a group code, before its value");
    const std::string_view value = TrimEnd(Line());
    const std::optional<double> number = ParseNumber(code);
    if (!number || *number != std::floor(*number) || std::abs(*number) > 1e6) {
      return Refused(Where(line) + "a group code must be a whole number, not " + Quoted(code.substr(0, 40)));
    }
    pair = {static_cast<int>(*number), value, line};
    return true;
  }

  std::string Where(long line) const { return std::string(name_) + " line " + std::to_string(line) + ": "; }

 private:
  std::string_view Line() {
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    std::string_view line = text_.substr(at_, end - at_);
    at_ = end + 1;
    ++line_;
    return line;
  }
  static std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }
  std::string_view text_;
  std::string_view name_;
  std::size_t at_ = 0;
  long line_ = 0;
};

// The drawing's sections as records.
struct DxfDocument {
  std::optional<int> insunits;
  std::map<std::string, Block> blocks;
  std::vector<Record> entities;
};

Result<double> NumberOf(const Pair& pair, const Reader& reader) {
  const std::optional<double> value = ParseNumber(Trim(pair.value));
  if (!value || !std::isfinite(*value)) {
    return Refused(reader.Where(pair.line + 1) + "group code " + std::to_string(pair.code) + ": " +
                   Quoted(pair.value.substr(0, 40)) + " is no number");
  }
  return *value;
}

Result<DxfDocument> Parse(std::string_view text, std::string_view name) {
  Reader reader(text, name);
  DxfDocument drawing;
  Pair pair;
  std::string section;
  std::vector<Record>* into = nullptr;  // where the entities go (a block's, or the drawing's)
  std::optional<Record> open;           // the record being read
  Block* block = nullptr;
  std::optional<std::string> blockName;
  bool ended = false;
  bool inPolyline = false;
  std::size_t records = 0;
  std::string headerVariable;
  const auto close = [&]() {
    if (!open) return;
    Record taken = std::move(*open);
    open.reset();
    if (taken.type == "VERTEX" && inPolyline && into != nullptr && !into->empty()) {
      into->back().vertices.push_back(std::move(taken));
    } else if (taken.type == "SEQEND") {
      inPolyline = false;
    } else if (into != nullptr && taken.type != "BLOCK" && taken.type != "ENDBLK" && taken.type != "VERTEX") {
      inPolyline = taken.type == "POLYLINE";
      into->push_back(std::move(taken));
    }
  };
  for (;;) {
    const Result<bool> got = reader.Next(pair);
    OSTREVIN_PASS_ON(got);
    if (!*got) break;
    if (pair.code == 0) {
      close();
      const std::string_view word = Trim(pair.value);
      if (word == "EOF") {
        ended = true;
        break;
      }
      if (word == "SECTION") {
        section.clear();
        continue;
      }
      if (word == "ENDSEC") {
        section.clear();
        into = nullptr;
        continue;
      }
      if (++records > 4 * kMostEntities) {
        return Refused(reader.Where(pair.line) + "more than " + std::to_string(4 * kMostEntities) +
                       " records: at most that many are read");
      }
      if (section == "BLOCKS" && word == "BLOCK") {
        blockName.reset();
        block = nullptr;
        into = nullptr;
      }
      if (section == "BLOCKS" && word == "ENDBLK") {
        into = nullptr;
        block = nullptr;
      }
      open = Record{std::string(word), pair.line, "0", {}, {}};
      continue;
    }
    if (!open && section.empty() && pair.code == 2) {
      section = std::string(Trim(pair.value));
      if (section == "ENTITIES") into = &drawing.entities;
      continue;
    }
    if (section == "HEADER") {
      if (pair.code == 9) headerVariable = std::string(Trim(pair.value));
      if (headerVariable == "$INSUNITS" && pair.code == 70) {
        const Result<double> units = NumberOf(pair, reader);
        OSTREVIN_PASS_ON(units);
        drawing.insunits = Whole(*units);
      }
      continue;
    }
    if (!open) continue;
    if (open->type == "BLOCK" && section == "BLOCKS") {
      if (pair.code == 2 && !blockName) {
        blockName = std::string(Trim(pair.value));
        block = &drawing.blocks[*blockName];
        block->entities.clear();
        into = &block->entities;
      }
      if (block != nullptr && (pair.code == 10 || pair.code == 20 || pair.code == 30)) {
        const Result<double> v = NumberOf(pair, reader);
        OSTREVIN_PASS_ON(v);
        (pair.code == 10 ? block->base.x : pair.code == 20 ? block->base.y : block->base.z) = *v;
      }
      continue;
    }
    if (pair.code == 8) open->layer = std::string(Trim(pair.value));
    open->pairs.push_back(pair);
  }
  if (!ended) {
    return Refused(std::string(name) + ": the drawing ends before its end (EOF): it may be cut short");
  }
  return drawing;
}

// ---- Entities to paths. ----

struct Options {
  std::vector<std::string> layers;  // lower case; all when empty
};

class Flattener {
 public:
  Flattener(const DxfDocument& drawing, const Reader& reader, const Options& options)
      : drawing_(drawing), reader_(reader), options_(options) {}

  Checked Take(const std::vector<Record>& entities, const Affine& place, const std::string& insertLayer,
               std::vector<std::string>& nesting) {
    for (const Record& e : entities) {
      const std::string layer = e.layer == "0" && !insertLayer.empty() ? insertLayer : e.layer;
      if (e.type == "INSERT") {
        const Checked taken = Insert(e, place, layer, nesting);
        OSTREVIN_PASS_ON(taken);
        continue;
      }
      if (!Picked(layer)) {
        ++leftByLayer_;
        continue;
      }
      if (++entities_ > kMostEntities) {
        return Refused(reader_.Where(e.line) + "more than " + std::to_string(kMostEntities) +
                       " entities (with the blocks' copies): at most that many are read");
      }
      const std::size_t before = paths.size();
      const Checked taken = Entity(e, place);
      OSTREVIN_PASS_ON(taken);
      if (Lower(layer) == "outline" && paths.size() > before) {
        outlines.insert(outlines.end(), paths.begin() + static_cast<std::ptrdiff_t>(before), paths.end());
        paths.resize(before);
      }
    }
    return Ok{};
  }

  std::vector<Path> paths;     // conductors
  std::vector<Path> rods;      // a point each: rods going down from it
  std::vector<Path> outlines;  // the layer OUTLINE's closed polylines
  std::map<std::string, int> leftOut;  // kinds not used, counted
  int leftByLayer_ = 0;
  std::size_t entities_ = 0;

 private:
  bool Picked(const std::string& layer) const {
    return options_.layers.empty() ||
           std::find(options_.layers.begin(), options_.layers.end(), Lower(layer)) != options_.layers.end();
  }

  // The values of a record's codes, the first of each (or all, for repeated ones).
  Result<double> Value(const Record& e, int code, double otherwise) const {
    for (const Pair& p : e.pairs) {
      if (p.code == code) return NumberOf(p, reader_);
    }
    return otherwise;
  }
  Result<Vec> Point(const Record& e, int code, Vec otherwise = {}) const {
    const Result<double> x = Value(e, code, otherwise.x);
    OSTREVIN_PASS_ON(x);
    const Result<double> y = Value(e, code + 10, otherwise.y);
    OSTREVIN_PASS_ON(y);
    const Result<double> z = Value(e, code + 20, otherwise.z);
    OSTREVIN_PASS_ON(z);
    return Vec{*x, *y, *z};
  }
  Result<Affine> Ocs(const Record& e) const {
    const Result<Vec> normal = Point(e, 210, {0, 0, 1});
    OSTREVIN_PASS_ON(normal);
    return OcsToWcs(*normal);
  }

  // An arc from a to b (angles, radians, anticlockwise) about c of radius r,
  // as points within the sag; the first point left out when `skipFirst`.
  static void Arc(std::vector<Vec>& out, Vec c, double r, double a, double b, bool skipFirst) {
    const double sag = std::min(kSagShare * r, kMostSagM);
    const double step = r > 0 ? 2 * std::acos(std::clamp(1 - sag / r, -1.0, 1.0)) : kPi;
    // (Numbers past any drawing's, as a chord of nothing bulged, make one side.)
    const double sides = std::ceil((b - a) / std::max(step, 1e-9));
    const int count = std::isfinite(sides) ? static_cast<int>(std::clamp(sides, 1.0, 1024.0)) : 1;
    for (int k = skipFirst ? 1 : 0; k <= count; ++k) {
      const double t = a + (b - a) * k / count;
      out.push_back({c.x + r * std::cos(t), c.y + r * std::sin(t), c.z});
    }
  }

  // A polyline's vertices with their bulges (OCS), closed or not, as points.
  static std::vector<Vec> Bulged(const std::vector<std::pair<Vec, double>>& vertices, bool closed) {
    std::vector<Vec> points;
    const std::size_t n = vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
      const auto& [p, bulge] = vertices[i];
      if (i == 0) points.push_back(p);
      if (i + 1 == n && !closed) break;
      const Vec q = vertices[(i + 1) % n].first;
      if (std::abs(bulge) > 1e-12 && (p.x != q.x || p.y != q.y)) {
        // The arc through p and q whose included angle is 4 atan(bulge).
        const double theta = 4 * std::atan(bulge);
        const double chord = std::hypot(q.x - p.x, q.y - p.y);
        const double r = chord / (2 * std::sin(std::abs(theta) / 2));
        const double mx = (p.x + q.x) / 2;
        const double my = (p.y + q.y) / 2;
        const double h = r * std::cos(theta / 2);  // from the chord's middle to the centre
        const double nx = -(q.y - p.y) / chord;
        const double ny = (q.x - p.x) / chord;
        const double sign = theta > 0 ? 1 : -1;
        const Vec c{mx + sign * h * nx, my + sign * h * ny, p.z};
        const double a = std::atan2(p.y - c.y, p.x - c.x);
        Arc(points, c, r, a, a + theta, true);
        points.back() = q;
      } else {
        points.push_back(q);
      }
    }
    return points;
  }

  void Add(std::vector<Vec> points, const Affine& place, long line) {
    for (Vec& p : points) p = place(p);
    paths.push_back({std::move(points), line});
  }

  Checked Entity(const Record& e, const Affine& place) {
    if (e.type == "LINE") {
      const Result<Vec> a = Point(e, 10);
      OSTREVIN_PASS_ON(a);
      const Result<Vec> b = Point(e, 11);
      OSTREVIN_PASS_ON(b);
      Add({*a, *b}, place, e.line);
    } else if (e.type == "POINT") {
      const Result<Vec> a = Point(e, 10);
      OSTREVIN_PASS_ON(a);
      rods.push_back({{place(*a)}, e.line});
    } else if (e.type == "CIRCLE" || e.type == "ARC") {
      const Result<Vec> c = Point(e, 10);
      OSTREVIN_PASS_ON(c);
      const Result<double> r = Value(e, 40, 0);
      OSTREVIN_PASS_ON(r);
      const Result<Affine> ocs = Ocs(e);
      OSTREVIN_PASS_ON(ocs);
      if (!(*r > 0)) return Refused(reader_.Where(e.line) + e.type + " of no radius");
      double a = 0;
      double b = 2 * kPi;
      if (e.type == "ARC") {
        const Result<double> start = Value(e, 50, 0);
        OSTREVIN_PASS_ON(start);
        const Result<double> end = Value(e, 51, 360);
        OSTREVIN_PASS_ON(end);
        a = *start * kPi / 180;
        b = *end * kPi / 180;
        while (b <= a) b += 2 * kPi;
      }
      std::vector<Vec> points;
      Arc(points, *c, *r, a, b, false);
      if (e.type == "CIRCLE") points.back() = points.front();
      Add(std::move(points), ocs->Then(place), e.line);
    } else if (e.type == "LWPOLYLINE") {
      const Result<double> flags = Value(e, 70, 0);
      OSTREVIN_PASS_ON(flags);
      const Result<double> elevation = Value(e, 38, 0);
      OSTREVIN_PASS_ON(elevation);
      const Result<Affine> ocs = Ocs(e);
      OSTREVIN_PASS_ON(ocs);
      std::vector<std::pair<Vec, double>> vertices;
      for (const Pair& p : e.pairs) {
        const Result<double> v = (p.code == 10 || p.code == 20 || p.code == 42) ? NumberOf(p, reader_) : Result<double>(0.0);
        OSTREVIN_PASS_ON(v);
        if (p.code == 10) vertices.push_back({{*v, 0, *elevation}, 0});
        if (p.code == 20 && !vertices.empty()) vertices.back().first.y = *v;
        if (p.code == 42 && !vertices.empty()) vertices.back().second = *v;
      }
      if (vertices.size() < 2) return Refused(reader_.Where(e.line) + "LWPOLYLINE of fewer than two vertices");
      Add(Bulged(vertices, (std::max(Whole(*flags), 0) & 1) != 0), ocs->Then(place), e.line);
    } else if (e.type == "POLYLINE") {
      const Result<double> flags = Value(e, 70, 0);
      OSTREVIN_PASS_ON(flags);
      const int f = std::max(Whole(*flags), 0);
      if ((f & (16 | 64)) != 0) {
        ++leftOut["POLYLINE mesh"];
        return Ok{};
      }
      const bool threeD = (f & 8) != 0;
      const Result<Vec> origin = Point(e, 10);
      OSTREVIN_PASS_ON(origin);
      const Result<Affine> ocs = Ocs(e);
      OSTREVIN_PASS_ON(ocs);
      std::vector<std::pair<Vec, double>> vertices;
      for (const Record& v : e.vertices) {
        const Result<double> vflags = Value(v, 70, 0);
        OSTREVIN_PASS_ON(vflags);
        if ((std::max(Whole(*vflags), 0) & (16 | 128)) != 0) continue;  // a spline's frame, a face
        const Result<Vec> p = Point(v, 10);
        OSTREVIN_PASS_ON(p);
        const Result<double> bulge = Value(v, 42, 0);
        OSTREVIN_PASS_ON(bulge);
        vertices.emplace_back(threeD ? *p : Vec{p->x, p->y, origin->z}, threeD ? 0 : *bulge);
      }
      if (vertices.size() < 2) return Refused(reader_.Where(e.line) + "POLYLINE of fewer than two vertices");
      if (threeD) {
        std::vector<Vec> points;
        points.reserve(vertices.size() + 1);
        for (const auto& [p, bulge] : vertices) points.push_back(p);
        if ((f & 1) != 0) points.push_back(points.front());
        Add(std::move(points), place, e.line);
      } else {
        Add(Bulged(vertices, (f & 1) != 0), ocs->Then(place), e.line);
      }
    } else {
      ++leftOut[e.type];
    }
    return Ok{};
  }

  Checked Insert(const Record& e, const Affine& place, const std::string& layer, std::vector<std::string>& nesting) {
    std::string name;
    for (const Pair& p : e.pairs) {
      if (p.code == 2) name = std::string(Trim(p.value));
    }
    const auto found = drawing_.blocks.find(name);
    if (found == drawing_.blocks.end()) {
      return Refused(reader_.Where(e.line) + "INSERT of the block " + Quoted(name) + ", which the drawing does not hold");
    }
    if (std::find(nesting.begin(), nesting.end(), name) != nesting.end()) {
      std::string circle;
      for (const std::string& each : nesting) circle += Quoted(each) + " in ";
      return Refused(reader_.Where(e.line) + "blocks nest in a circle: " + circle + Quoted(name));
    }
    if (static_cast<int>(nesting.size()) >= kMostNesting) {
      return Refused(reader_.Where(e.line) + "blocks nest more than " + std::to_string(kMostNesting) + " deep");
    }
    const Result<Vec> at = Point(e, 10);
    OSTREVIN_PASS_ON(at);
    // Its scales, turn, array's counts and spacings, each code's default where none.
    constexpr std::array<std::pair<int, double>, 8> kCodes{
        {{41, 1}, {42, 1}, {43, 1}, {50, 0}, {70, 1}, {71, 1}, {44, 0}, {45, 0}}};
    std::array<double, kCodes.size()> v{};
    for (std::size_t k = 0; k < kCodes.size(); ++k) {
      const Result<double> read = Value(e, kCodes[k].first, kCodes[k].second);
      OSTREVIN_PASS_ON(read);
      v[k] = *read;
    }
    const double* sx = v.data();
    const double* sy = &v[1];
    const double* sz = &v[2];
    const double* degrees = &v[3];
    const double* columns = &v[4];
    const double* rows = &v[5];
    const double* columnStep = &v[6];
    const double* rowStep = &v[7];
    const Result<Affine> ocs = Ocs(e);
    OSTREVIN_PASS_ON(ocs);
    const double turn = *degrees * kPi / 180;
    const int nc = std::clamp(Whole(*columns), 1, 10000);
    const int nr = std::clamp(Whole(*rows), 1, 10000);
    if (static_cast<double>(nc) * nr * static_cast<double>(found->second.entities.size()) > 4.0 * kMostEntities) {
      return Refused(reader_.Where(e.line) + "an INSERT of " + std::to_string(nc * nr) + " copies of " + Quoted(name) +
                     ": more entities than are read");
    }
    nesting.push_back(name);
    for (int r = 0; r < nr; ++r) {
      for (int c = 0; c < nc; ++c) {
        // Block coordinates less the base, scaled, turned and moved to the
        // insertion point (an array's copy further along its turned axes),
        // from the insert's OCS.
        Affine local;
        const double cs = std::cos(turn);
        const double sn = std::sin(turn);
        local.columns = {Vec{cs * *sx, sn * *sx, 0}, Vec{-sn * *sy, cs * *sy, 0}, Vec{0, 0, *sz}};
        const Vec turnedBase = local(found->second.base);  // (no move yet)
        const Vec shift{c * *columnStep, r * *rowStep, 0};
        const Vec turnedShift{cs * shift.x - sn * shift.y, sn * shift.x + cs * shift.y, 0};
        local.t = Plus(Plus(*at, turnedShift), Times(turnedBase, -1));
        Checked taken = Take(found->second.entities, local.Then(ocs->Then(place)), layer, nesting);
        if (!taken) {
          nesting.pop_back();
          return taken;
        }
      }
    }
    nesting.pop_back();
    return Ok{};
  }

  const DxfDocument& drawing_;
  const Reader& reader_;
  const Options& options_;
};

// Metres per drawing unit by $INSUNITS (the codes for inches, feet, mm, cm, m).
std::optional<double> UnitMetres(int insunits) {
  switch (insunits) {
    case 1:
      return kMetresPerInch;
    case 2:
      return kMetresPerFoot;
    case 4:
      return 0.001;
    case 5:
      return 0.01;
    case 6:
      return 1.0;
    default:
      return std::nullopt;
  }
}

std::optional<double> NamedUnitMetres(std::string_view name) {
  const std::string unit = Lower(Trim(name));
  if (unit == "mm") return 0.001;
  if (unit == "cm") return 0.01;
  if (unit == "m") return 1.0;
  if (unit == "in") return kMetresPerInch;
  if (unit == "ft") return kMetresPerFoot;
  return std::nullopt;
}

std::string Cell(double metres) { return FormatDouble("%.12g", metres) + "m"; }

}  // namespace

const std::vector<Option> kDxfOptions{
    {"format", OptionKind::kText, false, "FORMAT",
     "the table's format, csv or dxf, where its content does not tell (a DXF is told by its start)"},
    {"conductor", OptionKind::kQuantity, false, {}, "a DXF drawing's conductors' diameter (DXF has none)"},
    {"rod-diameter", OptionKind::kQuantity, false, {}, "a DXF drawing's rods' diameter (its points and upright lines)"},
    {"rod-length", OptionKind::kQuantity, false, {}, "the length of the rods a DXF drawing's points stand for"},
    {"depth", OptionKind::kQuantity, false, {}, "the depth of a DXF drawing whose entities are all at one Z"},
    {"dxf-units"},
    {"dxf-ground", OptionKind::kText, false, "Z", "the ground's Z in a DXF drawing's units (0 when not given)"},
    {"dxf-layers", OptionKind::kText, false, "NAMES", "only the entities on these layers of a DXF drawing (commas)"},
};

bool LooksLikeDxf(std::string_view start) {
  if (start.starts_with("AutoCAD Binary DXF")) return true;
  std::size_t at = 0;
  const auto line = [&]() {
    const std::size_t end = std::min(start.find('\n', at), start.size());
    const std::string_view text = Trim(start.substr(at, end - at));
    at = end + 1;
    return text;
  };
  std::string_view code = line();
  while (code == "999") {  // comments first
    line();
    code = line();
  }
  return code == "0" && line() == "SECTION";
}

Result<DxfTable> ReadDxf(std::string_view text, std::string_view name, const InputLookup& lookup,
                         const ReadContext& context) {
  if (text.starts_with("AutoCAD Binary DXF")) {
    return Refused(std::string(name) + ": a binary DXF: save the drawing as an ASCII DXF");
  }
  if (text.size() > kMostDxfBytes) {
    return Refused(std::string(name) + ": the drawing is more than " + std::to_string(kMostDxfBytes / 1'000'000) +
                   " MB: at most that is read");
  }
  Inputs in(lookup, context);
  const std::optional<double> conductor = in.Optional("conductor");
  const std::optional<double> rodDiameter = in.Optional("rod-diameter");
  const std::optional<double> rodLength = in.Optional("rod-length");
  const std::optional<double> depth = in.Optional("depth");
  const std::optional<std::string_view> ground = in.Text("dxf-ground");
  const std::optional<std::string_view> unitName = in.Text("dxf-units");
  if (in.refusal()) return Refused(*in.refusal());
  Options options;
  if (const auto layers = in.Text("dxf-layers")) {
    for (const std::string_view layer : SplitParts(*layers, ',')) options.layers.push_back(Lower(Trim(layer)));
  }
  Result<DxfDocument> drawing = Parse(text, name);
  OSTREVIN_PASS_ON(drawing);
  DxfTable table;
  // Its units: the header's, or the ones given (which win).
  std::optional<double> metres = drawing->insunits ? UnitMetres(*drawing->insunits) : std::nullopt;
  if (unitName) {
    const std::optional<double> named = NamedUnitMetres(*unitName);
    if (!named) return Refused(in.Named("dxf-units") + " " + Quoted(*unitName) + ": give mm, cm, m, in or ft");
    if (metres && *metres != *named) {
      table.notes.push_back("the drawing's header says its units are other than " + std::string(Trim(*unitName)) +
                            "; " + in.Named("dxf-units") + " is taken");
    }
    metres = named;
  }
  if (!metres) {
    return Refused(std::string(name) + ": the drawing says no units ($INSUNITS " +
                   (drawing->insunits ? std::to_string(*drawing->insunits) : std::string("missing")) +
                   "): give " + in.Named("dxf-units") + " mm, cm, m, in or ft");
  }
  double groundZ = 0;
  if (ground) {
    const std::optional<double> z = ParseNumber(Trim(*ground));
    if (!z || !std::isfinite(*z)) return Refused(in.Named("dxf-ground") + " " + Quoted(*ground) + " is no number");
    groundZ = *z;
  }
  Reader reader(text, name);
  Flattener flat(*drawing, reader, options);
  std::vector<std::string> nesting;
  const Checked taken = flat.Take(drawing->entities, Affine{}, "", nesting);
  OSTREVIN_PASS_ON(taken);
  // The outline: the layer's first closed polygon, in metres.
  for (const Path& path : flat.outlines) {
    const bool closed = path.points.size() >= 4 && path.points.front().x == path.points.back().x &&
                        path.points.front().y == path.points.back().y;
    if (!closed) continue;
    for (std::size_t k = 0; k + 1 < path.points.size(); ++k) {
      table.outline += (k == 0 ? "" : " ") + FormatDouble("%.9g", path.points[k].x * *metres) + "m," +
                       FormatDouble("%.9g", path.points[k].y * *metres) + "m";
    }
    table.notes.push_back("the outline searched is the layer OUTLINE's polygon (line " + std::to_string(path.line) +
                          (flat.outlines.size() > 1 ? "; its others left out)" : ")"));
    break;
  }
  if (flat.paths.empty() && flat.rods.empty()) {
    std::string kinds;
    for (const auto& [kind, count] : flat.leftOut) kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    return Refused(std::string(name) + ": no line, polyline, circle, arc or point to take" +
                   (flat.leftByLayer_ > 0 ? " on the layers picked" : "") + (kinds.empty() ? "" : " (it holds " + kinds + ")"));
  }
  // Flat (every point at one Z): at --depth; else each point's own depth.
  double lowZ = kInfinity;
  double highZ = -kInfinity;
  for (const std::vector<Path>* set : {&flat.paths, &flat.rods}) {
    for (const Path& path : *set) {
      for (const Vec& p : path.points) {
        lowZ = std::min(lowZ, p.z);
        highZ = std::max(highZ, p.z);
      }
    }
  }
  // A drawing at one Z lies at --depth where it is given; without it, at
  // its Z where that is below the ground, and not at all where it is not
  // (a plan drawn at Z 0).
  const bool level = depth && highZ - lowZ <= 1e-9 * std::max(1.0, std::abs(highZ));
  if (!depth && highZ - lowZ <= 1e-9 * std::max(1.0, std::abs(highZ)) && !(groundZ - highZ > 0)) {
    return Refused(std::string(name) + ": every entity lies at one Z (" + FormatNumber(highZ) +
                   "), not below the ground's: give " + in.Named("depth") + " for the drawing's depth");
  }
  const double depthM = depth ? LengthToMetres(*depth, context.units) : 0;
  const auto at = [&](const Vec& p) -> Point3 {
    return {p.x * *metres, p.y * *metres, level ? depthM : (groundZ - p.z) * *metres};
  };
  if (!flat.paths.empty() && !conductor) {
    return Refused(std::string(name) + ": DXF gives no diameters: give " + in.Named("conductor"));
  }
  const double wireM = conductor ? DiameterToMetres(*conductor, context.units) : 0;
  const double rodM = rodDiameter ? DiameterToMetres(*rodDiameter, context.units) : wireM;
  std::vector<Conductor> conductors;
  std::vector<long> lines;
  for (const Path& path : flat.paths) {
    for (std::size_t k = 1; k < path.points.size(); ++k) {
      const Point3 a = at(path.points[k - 1]);
      const Point3 b = at(path.points[k]);
      if (a.x == b.x && a.y == b.y && a.z == b.z) continue;
      const bool upright = a.x == b.x && a.y == b.y;
      conductors.push_back({a, b, upright ? rodM : wireM});
      lines.push_back(path.line);
    }
  }
  if (!flat.rods.empty()) {
    if (!rodLength) {
      return Refused(std::string(name) + ": its " + std::to_string(flat.rods.size()) + " points are rods: give " +
                     in.Named("rod-length") + " (and " + in.Named("rod-diameter") + ")");
    }
    const double lengthM = LengthToMetres(*rodLength, context.units);
    for (const Path& rod : flat.rods) {
      const Point3 top = at(rod.points.front());
      conductors.push_back({top, {top.x, top.y, top.z + lengthM}, rodM});
      lines.push_back(rod.line);
    }
  }
  // Ends within kJoinM (a quarter of the thinner diameter at most) of
  // another conductor's end or line moved onto it.
  const double thinnest = std::min(wireM > 0 ? wireM : rodM, rodM > 0 ? rodM : wireM);
  const double tolerance = std::min(kJoinM, thinnest / 4);
  const double cell = 10 * std::max(tolerance, 1e-6) + 1;  // metres
  std::unordered_map<long long, std::vector<std::size_t>> grid;  // conductors by the cells they pass near
  const auto key = [](long long i, long long j) { return i * 1'000'003LL + j; };
  const auto file = [&](std::size_t k, double x, double y, double reach) {
    const auto i0 = static_cast<long long>(std::floor((x - reach) / cell));
    const auto i1 = static_cast<long long>(std::floor((x + reach) / cell));
    const auto j0 = static_cast<long long>(std::floor((y - reach) / cell));
    const auto j1 = static_cast<long long>(std::floor((y + reach) / cell));
    for (long long i = i0; i <= i1; ++i) {
      for (long long j = j0; j <= j1; ++j) {
        std::vector<std::size_t>& in = grid[key(i, j)];
        if (in.empty() || in.back() != k) in.push_back(k);
      }
    }
  };
  // Each conductor filed by points along it half a cell apart (each with the
  // cells within the tolerance and half a cell of it), so that the work goes
  // with the conductors' length, not their boxes' area; past kMostFiledPoints
  // in all, the rest are filed by their ends only (no line to snap onto).
  constexpr double kMostFiledPoints = 4e6;
  // (Past the solver's reach nothing is filed or joined: the solver refuses it, saying so.)
  const bool reached = std::all_of(conductors.begin(), conductors.end(), [](const Conductor& c) {
    return std::max({std::abs(c.a.x), std::abs(c.a.y), std::abs(c.b.x), std::abs(c.b.y)}) <= kMaxExtentM;
  });
  double filed = 0;
  for (std::size_t k = 0; reached && k < conductors.size(); ++k) {
    const Conductor& c = conductors[k];
    // (A rod, upright, is one point: its two ends alike.)
    const double pieces = std::max(1.0, std::ceil(std::hypot(c.b.x - c.a.x, c.b.y - c.a.y) / (cell / 2)));
    const bool along = filed + pieces + 1 <= kMostFiledPoints;
    const int count = along ? static_cast<int>(pieces) : 1;
    if (along) filed += pieces + 1;
    for (int step = 0; step <= count; ++step) {
      const double t = static_cast<double>(step) / count;
      file(k, c.a.x + (c.b.x - c.a.x) * t, c.a.y + (c.b.y - c.a.y) * t, tolerance + cell / 2);
    }
  }
  std::size_t joined = 0;
  for (std::size_t k = 0; reached && k < conductors.size(); ++k) {
    for (Point3* end : {&conductors[k].a, &conductors[k].b}) {
      const auto i = static_cast<long long>(std::floor(end->x / cell));
      const auto j = static_cast<long long>(std::floor(end->y / cell));
      const auto found = grid.find(key(i, j));
      if (found == grid.end()) continue;
      // The nearest other end first, else the nearest point of another's line.
      std::optional<Point3> best;
      double bestDistance = tolerance;
      bool onEnd = false;
      for (const std::size_t other : found->second) {
        if (other == k) continue;
        const Conductor& o = conductors[other];
        for (const Point3& q : {o.a, o.b}) {
          const double d = std::hypot(q.x - end->x, q.y - end->y, q.z - end->z);
          if (d == 0) {
            onEnd = true;
          } else if (d <= bestDistance && !onEnd) {
            best = q;
            bestDistance = d;
          }
        }
      }
      if (onEnd) continue;
      if (!best) {
        for (const std::size_t other : found->second) {
          if (other == k) continue;
          const Conductor& o = conductors[other];
          const Closest closest = ClosestPoints({*end, *end}, {o.a, o.b});
          if (closest.distance > 0 && closest.distance <= bestDistance && closest.ts > 0 && closest.ts < 1) {
            best = Point3{o.a.x + (o.b.x - o.a.x) * closest.ts, o.a.y + (o.b.y - o.a.y) * closest.ts,
                          o.a.z + (o.b.z - o.a.z) * closest.ts};
            bestDistance = closest.distance;
          }
        }
      }
      if (best) {
        *end = *best;
        ++joined;
      }
    }
  }
  for (std::size_t k = 0; k < conductors.size(); ++k) {
    const Conductor& c = conductors[k];
    ConductorRow row;
    row.line = lines[k];
    row.cells = {Cell(c.a.x), Cell(c.a.y), Cell(c.a.z), Cell(c.b.x), Cell(c.b.y), Cell(c.b.z), Cell(c.diameterM)};
    table.rows.push_back(std::move(row));
  }
  table.notes.insert(table.notes.begin(),
                     "the drawing: " + std::to_string(flat.entities_) + " entities, " +
                         std::to_string(conductors.size()) + " conductors in " +
                         FormatNumber(*metres) + " m units" +
                         (level ? ", every one at one Z: at " + FormatNumber(depthM) + " m deep"
                                : ", depths from the ground's Z " + FormatNumber(groundZ)));
  if (joined > 0) {
    table.notes.push_back(std::to_string(joined) + (joined == 1 ? " conductor end" : " conductor ends") + " within " +
                          FormatNumber(tolerance * 1000) +
                          " mm of another conductor joined to it");
  }
  std::string kinds;
  for (const auto& [kind, count] : flat.leftOut) kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
  if (!kinds.empty()) table.notes.push_back("left out, being no conductor: " + kinds);
  if (flat.leftByLayer_ > 0) {
    table.notes.push_back(std::to_string(flat.leftByLayer_) + " entities on other layers than " +
                          in.Named("dxf-layers") + "'s left out");
  }
  return table;
}

// ---- Writing. ----

namespace {

class DxfWriter {
 public:
  void Pair(int code, std::string_view value) {
    text_ += std::to_string(code);
    text_ += '\n';
    text_ += value;
    text_ += '\n';
  }
  void Pair(int code, double value) { Pair(code, FormatDouble("%.12g", value)); }
  void Pair(int code, int value) { Pair(code, std::string_view(std::to_string(value))); }
  // An object's head: its type, handle, owner's handle and subclass markers.
  void Head(std::string_view type, std::string_view handle, std::string_view owner,
            std::initializer_list<std::string_view> classes) {
    Pair(0, type);
    Pair(5, handle);
    Pair(330, owner);
    for (const std::string_view name : classes) Pair(100, name);
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string WriteDxf(std::span<const Conductor> conductors, const PlanRegion& outline) {
  // The entities first (their handles from 0x100: below are the tables'
  // and blocks' own), then the file round them.
  DxfWriter e;
  int handle = 0x100;
  const auto hex = [](int h) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", h);
    return std::string(buffer);
  };
  for (const Conductor& c : conductors) {
    const bool upright = c.a.x == c.b.x && c.a.y == c.b.y;
    e.Head("LINE", hex(handle++), "1F", {"AcDbEntity"});
    e.Pair(8, upright ? "RODS" : "CONDUCTORS");
    e.Pair(100, "AcDbLine");
    e.Pair(10, c.a.x);
    e.Pair(20, c.a.y);
    e.Pair(30, -c.a.z);
    e.Pair(11, c.b.x);
    e.Pair(21, c.b.y);
    e.Pair(31, -c.b.z);
  }
  for (const Polygon& polygon : outline.areas) {
    e.Head("LWPOLYLINE", hex(handle++), "1F", {"AcDbEntity"});
    e.Pair(8, "OUTLINE");
    e.Pair(100, "AcDbPolyline");
    e.Pair(90, static_cast<int>(polygon.size()));
    e.Pair(70, 1);
    for (const RodPoint& p : polygon) {
      e.Pair(10, p.x);
      e.Pair(20, p.y);
    }
  }
  DxfWriter w;
  w.Pair(999, "Ostrevin: an earth electrode's layout, metres, Z up (depth negated)");
  w.Pair(0, "SECTION");
  w.Pair(2, "HEADER");
  w.Pair(9, "$ACADVER");
  w.Pair(1, "AC1015");
  w.Pair(9, "$HANDSEED");
  w.Pair(5, hex(handle));
  w.Pair(9, "$INSUNITS");
  w.Pair(70, 6);
  w.Pair(9, "$MEASUREMENT");
  w.Pair(70, 1);
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "CLASSES");
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "TABLES");
  // A table: its records made by `records`.
  const auto table = [&](std::string_view name, std::string_view tableHandle, int count, const auto& records) {
    w.Pair(0, "TABLE");
    w.Pair(2, name);
    w.Pair(5, tableHandle);
    w.Pair(330, "0");
    w.Pair(100, "AcDbSymbolTable");
    w.Pair(70, count);
    if (name == "DIMSTYLE") w.Pair(100, "AcDbDimStyleTable");
    records();
    w.Pair(0, "ENDTAB");
  };
  table("VPORT", "8", 0, [] {});
  table("LTYPE", "5", 3, [&] {
    const std::array<std::pair<std::string_view, std::string_view>, 3> types{
        {{"ByBlock", "14"}, {"ByLayer", "15"}, {"Continuous", "16"}}};
    for (const auto& [name, own] : types) {
      w.Head("LTYPE", own, "5", {"AcDbSymbolTableRecord", "AcDbLinetypeTableRecord"});
      w.Pair(2, name);
      w.Pair(70, 0);
      w.Pair(3, "");
      w.Pair(72, 65);
      w.Pair(73, 0);
      w.Pair(40, 0.0);
    }
  });
  table("LAYER", "2", 4, [&] {
    const std::array<std::tuple<std::string_view, std::string_view, int>, 4> layers{
        {{"0", "10", 7}, {"CONDUCTORS", "11", 1}, {"RODS", "12", 3}, {"OUTLINE", "13", 8}}};
    for (const auto& [name, own, colour] : layers) {
      w.Head("LAYER", own, "2", {"AcDbSymbolTableRecord", "AcDbLayerTableRecord"});
      w.Pair(2, name);
      w.Pair(70, 0);
      w.Pair(62, colour);
      w.Pair(6, "Continuous");
      w.Pair(390, "F");
    }
  });
  table("STYLE", "3", 1, [&] {
    w.Head("STYLE", "17", "3", {"AcDbSymbolTableRecord", "AcDbTextStyleTableRecord"});
    w.Pair(2, "Standard");
    w.Pair(70, 0);
    w.Pair(40, 0.0);
    w.Pair(41, 1.0);
    w.Pair(50, 0.0);
    w.Pair(71, 0);
    w.Pair(42, 2.5);
    w.Pair(3, "txt");
    w.Pair(4, "");
  });
  table("VIEW", "6", 0, [] {});
  table("UCS", "7", 0, [] {});
  table("APPID", "9", 1, [&] {
    w.Head("APPID", "18", "9", {"AcDbSymbolTableRecord", "AcDbRegAppTableRecord"});
    w.Pair(2, "ACAD");
    w.Pair(70, 0);
  });
  table("DIMSTYLE", "A", 0, [] {});
  table("BLOCK_RECORD", "1", 2, [&] {
    for (const auto& [name, own, layout] : std::array<std::tuple<std::string_view, std::string_view, std::string_view>, 2>{
             {{"*Model_Space", "1F", "22"}, {"*Paper_Space", "1E", "23"}}}) {
      w.Head("BLOCK_RECORD", own, "1", {"AcDbSymbolTableRecord", "AcDbBlockTableRecord"});
      w.Pair(2, name);
      w.Pair(340, layout);
    }
  });
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "BLOCKS");
  for (const auto& [name, record, begin, end] :
       std::array<std::tuple<std::string_view, std::string_view, std::string_view, std::string_view>, 2>{
           {{"*Model_Space", "1F", "20", "21"}, {"*Paper_Space", "1E", "1C", "1D"}}}) {
    w.Head("BLOCK", begin, record, {"AcDbEntity"});
    w.Pair(8, "0");
    w.Pair(100, "AcDbBlockBegin");
    w.Pair(2, name);
    w.Pair(70, 0);
    w.Pair(10, 0.0);
    w.Pair(20, 0.0);
    w.Pair(30, 0.0);
    w.Pair(3, name);
    w.Pair(1, "");
    w.Head("ENDBLK", end, record, {"AcDbEntity"});
    w.Pair(8, "0");
    w.Pair(100, "AcDbBlockEnd");
  }
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "ENTITIES");
  std::string text = w.Take();
  text += e.Take();
  DxfWriter tail;
  tail.Pair(0, "ENDSEC");
  tail.Pair(0, "SECTION");
  tail.Pair(2, "OBJECTS");
  tail.Head("DICTIONARY", "C", "0", {"AcDbDictionary"});
  tail.Pair(281, 1);
  tail.Pair(3, "ACAD_GROUP");
  tail.Pair(350, "D");
  tail.Head("DICTIONARY", "D", "C", {"AcDbDictionary"});
  tail.Pair(281, 1);
  tail.Pair(0, "ENDSEC");
  tail.Pair(0, "EOF");
  text += tail.Take();
  return text;
}

}  // namespace ostrevin::calc
