// The plan's geometry against brute force: containment and rows against
// dense sampling, the path outside an outline against the distance it must
// keep, the meshes' outlines against the areas they must enclose.
#include "core/plan_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace ostrevin {
namespace {

constexpr double kPi = std::numbers::pi;

const Polygon kEll{{0, 0}, {70, 0}, {70, 35}, {35, 35}, {35, 105}, {0, 105}};

// A star-shaped polygon of n corners at random radii: simple, anticlockwise.
Polygon RandomStar(std::mt19937& random, int n) {
  std::uniform_real_distribution<double> radius(2, 10);
  Polygon star;
  for (int k = 0; k < n; ++k) {
    const double angle = 2 * kPi * k / n;
    const double r = radius(random);
    star.push_back({r * std::cos(angle), r * std::sin(angle)});
  }
  return star;
}

// Brute force: a ray to +x crosses the sides an odd number of times.
bool CrossingRule(const Polygon& polygon, double x, double y) {
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const RodPoint& a = polygon[i];
    const RodPoint& b = polygon[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

TEST(PlanGeometry, ContainmentAndRowsAgreeWithBruteForce) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-11, 11);
  for (int trial = 0; trial < 40; ++trial) {
    const Polygon star = RandomStar(random, 3 + trial % 17);
    ASSERT_GT(SignedArea(star), 0);
    EXPECT_FALSE(FindSelfCrossing(star));
    for (int k = 0; k < 400; ++k) {
      const double x = coordinate(random);
      const double y = coordinate(random);
      ASSERT_EQ(WithinPolygon(star, x, y), CrossingRule(star, x, y)) << trial << " " << x << "," << y;
    }
    // The row's stretches hold exactly the row's points within.
    const PlanRegion region{{star}, {}};
    for (double y = -10.5; y < 10.5; y += 0.37) {
      const auto spans = RowSpans(region, y);
      for (double x = -11; x < 11; x += 0.013) {
        const bool spanned = std::any_of(spans.begin(), spans.end(), [&](const auto& s) {
          return x >= s.first && x <= s.second;
        });
        ASSERT_EQ(spanned, CrossingRule(star, x, y)) << trial << " " << x << "," << y;
      }
    }
  }
  // The L: its cut-out is outside, its sides and corners within.
  EXPECT_FALSE(WithinPolygon(kEll, 56.75, 61.5));
  EXPECT_TRUE(WithinPolygon(kEll, 35, 70));
  EXPECT_TRUE(WithinPolygon(kEll, 70, 35));
  EXPECT_TRUE(WithinPolygon(kEll, 10, 100));
  EXPECT_DOUBLE_EQ(PolygonArea(kEll), 4900);
  // A row along a side is within there; the L's rows end at the cut-out.
  const auto top = RowSpans({{kEll}, {}}, 105);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_DOUBLE_EQ(top[0].second, 35);
  const auto low = RowSpans({{kEll}, {}}, 20);
  ASSERT_EQ(low.size(), 1u);
  EXPECT_DOUBLE_EQ(low[0].second, 70);
}

TEST(PlanGeometry, HullsAndCrossings) {
  // Collinear points are no corners; a line has no area.
  EXPECT_EQ(ConvexHull({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}}).size(), 4u);
  EXPECT_EQ(ConvexHull({{0, 0}, {1, 1}, {2, 2}}).size(), 2u);
  EXPECT_EQ(ConvexHull({{3, 3}, {3, 3}}).size(), 1u);
  EXPECT_DOUBLE_EQ(PolygonArea(ConvexHull({kEll.begin(), kEll.end()})), 70 * 105 - 35 * 70 / 2.0);
  // A figure of eight crosses itself; so does a side folded back along the one before.
  const Polygon eight{{0, 0}, {2, 2}, {2, 0}, {0, 2}};
  ASSERT_TRUE(FindSelfCrossing(eight));
  const std::pair<std::size_t, std::size_t> sides{0, 2};
  EXPECT_EQ(*FindSelfCrossing(eight), sides);
  EXPECT_TRUE(FindSelfCrossing(Polygon{{0, 0}, {4, 0}, {2, 0}, {2, 3}}));
  EXPECT_FALSE(FindSelfCrossing(kEll));
}

// Every point of the path at the distance asked, spaced as asked, and no
// part of the true offset curve missed (brute force: points at that
// distance round every corner and beside every side, kept where nothing is nearer).
void ExpectPath(const PlanRegion& region, double away, double spacing, const char* name) {
  const std::vector<RodPoint> path = PathAround(region, away, spacing);
  ASSERT_FALSE(path.empty()) << name;
  for (const RodPoint& p : path) {
    ASSERT_NEAR(DistanceToRegion(region, p), away, 1e-9 * away) << name << " " << p.x << "," << p.y;
  }
  std::vector<RodPoint> truth;
  const auto around = [&](const RodPoint& c) {
    for (int k = 0; k < 720; ++k) {
      truth.push_back({c.x + away * std::cos(2 * kPi * k / 720), c.y + away * std::sin(2 * kPi * k / 720)});
    }
  };
  const auto beside = [&](const RodPoint& a, const RodPoint& b) {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length == 0) return;
    for (const double side : {-1.0, 1.0}) {
      for (double s = 0; s <= length; s += length / 97) {
        truth.push_back({a.x + (b.x - a.x) * s / length + side * away * (b.y - a.y) / length,
                         a.y + (b.y - a.y) * s / length - side * away * (b.x - a.x) / length});
      }
    }
  };
  for (const Polygon& polygon : region.areas) {
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      around(polygon[i]);
      beside(polygon[i], polygon[(i + 1) % polygon.size()]);
    }
  }
  for (const PlanLine& line : region.lines) {
    around(line.a);
    around(line.b);
    beside(line.a, line.b);
  }
  for (const RodPoint& t : truth) {
    if (std::abs(DistanceToRegion(region, t) - away) > 1e-9 * away) continue;
    double nearest = INFINITY;
    for (const RodPoint& p : path) nearest = std::min(nearest, std::hypot(p.x - t.x, p.y - t.y));
    ASSERT_LE(nearest, spacing * 1.01) << name << ": missed " << t.x << "," << t.y;
  }
}

TEST(PlanGeometry, ThePathOutsideKeepsItsDistanceAllRound) {
  ExpectPath({{kEll}, {}}, 2, 0.5, "the L");
  ExpectPath({{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}, {}}, 1, 0.05, "a square");
  // A U whose gap is narrower than twice the distance: the gap is no path.
  const Polygon u{{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 2}, {4, 2}, {4, 10}, {0, 10}};
  ExpectPath({{u}, {}}, 1.5, 0.1, "a U");
  for (const RodPoint& p : PathAround({{u}, {}}, 1.5, 0.1)) EXPECT_FALSE(p.x > 4 && p.x < 6 && p.y > 0 && p.y < 10);
  // Lines without area: a strip, a rod, rods in a line, a cross.
  ExpectPath({{}, {{{0, 0}, {20, 0}}}}, 1, 0.05, "a strip");
  ExpectPath({{}, {{{3, 4}, {3, 4}}}}, 1, 0.01, "a rod");
  ExpectPath({{}, {{{0, 0}, {0, 0}}, {{1.5, 0}, {1.5, 0}}, {{3, 0}, {3, 0}}}}, 1, 0.02, "rods 1.5 m apart");
  ExpectPath({{}, {{{-5, 0}, {5, 0}}, {{0, -5}, {0, 5}}}}, 1, 0.05, "a cross");
  // Two meshes joined by a bridge walked there and back.
  const Polygon bridged{{0, 0}, {4, 0}, {4, 2}, {10, 2}, {10, 0}, {14, 0}, {14, 4}, {10, 4}, {10, 2},
                        {4, 2}, {4, 4}, {0, 4}};
  EXPECT_DOUBLE_EQ(PolygonArea(bridged), 32);
  ExpectPath({{bridged}, {}}, 1, 0.05, "a bridge");
  EXPECT_TRUE(PathAround({}, 1, 0.01).empty());
}

double AreaOf(const std::vector<Polygon>& polygons) {
  double total = 0;
  for (const Polygon& polygon : polygons) total += PolygonArea(polygon);
  return total;
}

TEST(PlanGeometry, TheMeshesConductorsCloseAndNothingElse) {
  // Lines of a grid, each crossing the others.
  std::vector<PlanLine> grid;
  for (int i = 0; i <= 4; ++i) {
    grid.push_back({{10.0 * i, 0}, {10.0 * i, 30}});
  }
  for (int j = 0; j <= 3; ++j) grid.push_back({{0, 10.0 * j}, {40, 10.0 * j}});
  struct Row {
    const char* name;
    std::vector<PlanLine> lines;
    double area;
    std::size_t outlines;
  };
  std::vector<PlanLine> spurs = grid;
  spurs.push_back({{40, 30}, {60, 50}});   // a spur off a corner
  spurs.push_back({{20, 10}, {20, 10}});   // a rod, a point
  spurs.push_back({{60, 50}, {70, 50}});   // and a spur off the spur
  std::vector<PlanLine> ell;               // 40 x 30 less 20 x 10 at the far corner
  for (int i = 0; i <= 4; ++i) ell.push_back({{10.0 * i, 0}, {10.0 * i, i > 2 ? 20.0 : 30.0}});
  for (int j = 0; j <= 3; ++j) ell.push_back({{0, 10.0 * j}, {j > 2 ? 20.0 : 40.0, 10.0 * j}});
  const std::vector<PlanLine> square{{{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}, {{10, 10}, {0, 10}},
                                     {{0, 10}, {0, 0}}};
  std::vector<PlanLine> bridged = square;
  for (const PlanLine& l : square) bridged.push_back({{l.a.x + 30, l.a.y}, {l.b.x + 30, l.b.y}});
  bridged.push_back({{10, 5}, {30, 5}});
  std::vector<PlanLine> apart = square;
  for (const PlanLine& l : square) apart.push_back({{l.a.x + 30, l.a.y}, {l.b.x + 30, l.b.y}});
  std::vector<PlanLine> nested = square;
  for (const PlanLine& l : square) {
    nested.push_back({{l.a.x * 0.2 + 4, l.a.y * 0.2 + 4}, {l.b.x * 0.2 + 4, l.b.y * 0.2 + 4}});
  }
  // Conductors that overlap along a stretch, and a triangle drawn with its ends on the sides.
  const std::vector<PlanLine> overlapping{{{0, 0}, {10, 0}}, {{5, 0}, {20, 0}}, {{20, 0}, {20, 10}},
                                          {{20, 10}, {0, 10}}, {{0, 10}, {0, 0}}};
  const std::vector<PlanLine> triangle{{{-5, 0}, {15, 0}}, {{0, -3}, {5, 10}}, {{10, -3}, {5, 10}}};
  const std::vector<Row> rows{
      {"a grid", grid, 1200, 1},
      {"a grid with spurs and a rod", spurs, 1200, 1},
      {"an L", ell, 1000, 1},
      {"two squares and a bridge", bridged, 200, 1},
      {"two squares apart", apart, 200, 2},
      {"a square within a square", nested, 100, 1},
      {"overlapping conductors", overlapping, 200, 1},
      {"crossing where they are not ends", triangle, 5 * (10 - 30.0 / 13), 1},
      {"a strip", {{{0, 0}, {50, 0}}}, 0, 0},
      {"a cross", {{{-5, 0}, {5, 0}}, {{0, -5}, {0, 5}}}, 0, 0},
      {"rods", {{{0, 0}, {0, 0}}, {{3, 0}, {3, 0}}}, 0, 0},
  };
  for (const Row& row : rows) {
    const std::vector<Polygon> outlines = MeshOutlines(row.lines);
    EXPECT_EQ(outlines.size(), row.outlines) << row.name;
    EXPECT_NEAR(AreaOf(outlines), row.area, 1e-9 * (1 + row.area)) << row.name;
    for (const Polygon& outline : outlines) EXPECT_GT(SignedArea(outline), 0) << row.name;
  }
  // The L's cut-out is outside what its meshes enclose.
  const PlanRegion region{MeshOutlines(ell), {}};
  EXPECT_FALSE(region.Within(35, 25));
  EXPECT_TRUE(region.Within(15, 25));
}

}  // namespace
}  // namespace ostrevin
