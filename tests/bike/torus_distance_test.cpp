// The exact ring-triangle and point-triangle distances against brute force
// over densely sampled ring points, and the polynomial roots they rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "bike/torus_distance.h"
#include "platform/units.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

Vec3 unit(Vec3 v) { return v * (1.0 / length(v)); }

// Brute force: the ring sampled at n points against the triangle, each
// sampled local minimum then narrowed by golden-section search between its
// neighbours. Never below the true distance.
double sampled_distance(const Ring& ring, const Triangle3& t, int n) {
  Vec3 u = cross(ring.axis, std::fabs(ring.axis.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
  u = unit(u);
  const Vec3 v = cross(ring.axis, u);
  auto at = [&](double a) {
    const Vec3 p = ring.centre + (u * std::cos(a) + v * std::sin(a)) * ring.radius;
    return length(p - closest_point_on_triangle(p, t));
  };
  const double step = 2 * kPi / n;
  std::vector<double> f(n);
  for (int k = 0; k < n; ++k) f[k] = at(k * step);
  double best = kInfinity;
  for (int k = 0; k < n; ++k) {
    if (f[k] > f[(k + n - 1) % n] || f[k] > f[(k + 1) % n]) continue;
    double lo = (k - 1) * step, hi = (k + 1) * step;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo), f1 = at(x1), f2 = at(x2);
    for (int i = 0; i < 80; ++i) {
      if (f1 < f2) {
        hi = x2, x2 = x1, f2 = f1, x1 = hi - g * (hi - lo), f1 = at(x1);
      } else {
        lo = x1, x1 = x2, f1 = f2, x2 = lo + g * (hi - lo), f2 = at(x2);
      }
    }
    best = std::min({best, f[k], f1, f2});
  }
  return best;
}

// Point against triangle by sampling the triangle densely.
double sampled_point_distance(Vec3 p, const Triangle3& t, int n) {
  double best = kInfinity;
  for (int i = 0; i <= n; ++i)
    for (int j = 0; i + j <= n; ++j) {
      const double a = double(i) / n, b = double(j) / n;
      const Vec3 q = t.p[0] + (t.p[1] - t.p[0]) * a + (t.p[2] - t.p[0]) * b;
      best = std::min(best, length(p - q));
    }
  return best;
}

bool inside_triangle(Vec3 q, const Triangle3& t, double tolerance) {
  const Vec3 closest = closest_point_on_triangle(q, t);
  return length(closest - q) <= tolerance;
}

TEST(PolynomialRoots, FindsEveryRootOfKnownQuartics) {
  struct Case {
    std::vector<double> roots;  // all real, the polynomial is their product
    double lo, hi;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {{0.1, 0.3, 0.7, 0.9}, 0, 1, {0.1, 0.3, 0.7, 0.9}},
      {{-2, 0.25, 0.5, 3}, 0, 1, {0.25, 0.5}},
      {{0.5, 0.5, 2, -1}, 0, 1, {0.5}},  // a double root touches zero
      {{0.3, 0.3, 2, -1}, 0, 1, {0.3}},  // also where rounding hides the touch
      {{0.2, 0.2000001, 5, 6}, 0, 1, {0.2, 0.2000001}},
      {{-1, -2, 3, 4}, 0, 1, {}},
      {{0, 1, 2, 3}, 0, 1, {0, 1}},  // roots at both ends
  };
  for (const Case& c : cases) {
    double poly[5] = {1, 0, 0, 0, 0};
    int degree = 0;
    for (double r : c.roots) {
      for (int k = degree + 1; k >= 1; --k) poly[k] = poly[k - 1] - r * poly[k];
      poly[0] = -r * poly[0];
      ++degree;
    }
    double found[4];
    const int n = polynomial_roots(poly, 4, c.lo, c.hi, found);
    ASSERT_EQ(n, int(c.expected.size()));
    for (int k = 0; k < n; ++k) EXPECT_NEAR(found[k], c.expected[k], 2e-6);
  }
}

TEST(PolynomialRoots, LowerDegreesAndZeroLeadingTerms) {
  const double linear[5] = {-0.25, 1, 0, 0, 0};
  double r[4];
  ASSERT_EQ(polynomial_roots(linear, 4, 0, 1, r), 1);
  EXPECT_DOUBLE_EQ(r[0], 0.25);
  const double constant[5] = {1, 0, 0, 0, 0};
  EXPECT_EQ(polynomial_roots(constant, 4, 0, 1, r), 0);
  const double zero[5] = {0, 0, 0, 0, 0};
  EXPECT_EQ(polynomial_roots(zero, 4, 0, 1, r), 0);
}

// A tyre standing on flat ground over a triangle, a lying tyre, and rings
// near corners and edges: the distance and where it is taken.
TEST(RingTriangle, HandMadeCases) {
  const Triangle3 flat{{{0, 0, 0}, {0, 0, 4}, {4, 0, 0}}};
  struct Case {
    const char* what;
    Ring ring;
    double distance;
    Vec3 on_triangle;
  };
  const Case cases[] = {
      {"upright over the face", {{1, 1.0, 1}, {1, 0, 0}, 0.8}, 0.2, {1, 0, 1}},
      {"upright touching the face", {{1, 0.8, 1}, {1, 0, 0}, 0.8}, 0.0, {1, 0, 1}},
      {"sunk through the face", {{1, 0.5, 1}, {1, 0, 0}, 0.8}, 0.0, {1, 0, 1 - std::sqrt(0.64 - 0.25)}},
      {"lying flat above the face", {{1.5, 0.3, 1.5}, {0, 1, 0}, 0.5}, 0.3, {NAN, 0, NAN}},
      {"upright beyond the long edge", {{3, 0.5, 3}, {1, -1, 0} /*unnormalised below*/, 0.5}, -1, {}},
      {"over the corner", {{-0.5, 1.2, 0}, {0, 0, 1}, 0.5}, -1, {0, 0, 0}},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    c.ring.axis = unit(c.ring.axis);
    ClosestPoints out;
    ASSERT_TRUE(ring_triangle_closest(c.ring, flat, kInfinity, out));
    const double brute = sampled_distance(c.ring, flat, 2000);
    EXPECT_LE(out.distance, brute + 1e-9);
    EXPECT_NEAR(out.distance, brute, 1e-9);
    if (c.distance >= 0) {
      EXPECT_NEAR(out.distance, c.distance, 1e-9);
    }
    if (c.distance > 0 && !std::isnan(c.on_triangle.x)) {
      EXPECT_NEAR(out.on_triangle.x, c.on_triangle.x, 1e-9);
      EXPECT_NEAR(out.on_triangle.z, c.on_triangle.z, 1e-9);
    }
    EXPECT_NEAR(length(out.on_other - out.on_triangle), out.distance, 1e-9);
    EXPECT_TRUE(inside_triangle(out.on_triangle, flat, 1e-9));
  }
}

// The ring standing over an edge that lies in its own plane: the distance
// to the ring is least where the edge's nearest point to the centre is, a
// double root of the edge's quartic.
TEST(RingTriangle, EdgeInTheRingsPlane) {
  const Triangle3 t{{{-2, 0, 0}, {2, 0, 0}, {0.3, -1, -3}}};
  const Ring ring{{0.25, 1, 0}, {0, 0, 1}, 0.8};
  ClosestPoints out;
  ASSERT_TRUE(ring_triangle_closest(ring, t, kInfinity, out));
  EXPECT_NEAR(out.distance, 0.2, 1e-12);
  EXPECT_NEAR(out.on_triangle.x, 0.25, 1e-7);
  EXPECT_NEAR(out.on_triangle.y, 0, 1e-12);
  EXPECT_NEAR(out.on_other.y, 0.2, 1e-12);
}

TEST(RingTriangle, LimitRejectsFartherTriangles) {
  const Triangle3 flat{{{0, 0, 0}, {0, 0, 4}, {4, 0, 0}}};
  const Ring ring{{1, 1.0, 1}, {1, 0, 0}, 0.8};
  ClosestPoints out;
  out.distance = 123;
  EXPECT_FALSE(ring_triangle_closest(ring, flat, 0.19, out));
  EXPECT_EQ(out.distance, 123);
  EXPECT_TRUE(ring_triangle_closest(ring, flat, 0.21, out));
  EXPECT_NEAR(out.distance, 0.2, 1e-12);
}

// Random rings and triangles of the sizes a tyre meets: the exact answer
// is never above any sampled ring point and within the sampling error of
// the densest sampling.
TEST(RingTriangle, MatchesDenseSamplingOnRandomCases) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> coord(-2, 2), radius(0.3, 1.5), unit_d(-1, 1);
  int touching = 0, edge_or_corner = 0;
  for (int trial = 0; trial < 400; ++trial) {
    Triangle3 t;
    for (Vec3& p : t.p) p = {coord(rng), coord(rng) * 0.5, coord(rng)};
    if (length(cross(t.p[1] - t.p[0], t.p[2] - t.p[0])) < 0.05) continue;
    Vec3 axis{unit_d(rng), unit_d(rng), unit_d(rng)};
    if (length(axis) < 0.1) continue;
    Ring ring{{coord(rng) * 0.7, coord(rng) * 0.7, coord(rng) * 0.7}, unit(axis), radius(rng)};
    ClosestPoints out;
    ASSERT_TRUE(ring_triangle_closest(ring, t, kInfinity, out));
    const double brute = sampled_distance(ring, t, 720);
    SCOPED_TRACE(trial);
    EXPECT_LE(out.distance, brute + 1e-9);
    EXPECT_NEAR(out.distance, brute, 1e-8);
    EXPECT_NEAR(length(out.on_other - out.on_triangle), out.distance, 1e-9);
    EXPECT_NEAR(length(out.on_other - ring.centre), ring.radius, 1e-9);
    EXPECT_NEAR(dot(out.on_other - ring.centre, ring.axis), 0, 1e-9);
    EXPECT_TRUE(inside_triangle(out.on_triangle, t, 1e-9));
    touching += out.distance < 1e-9;
    const Vec3 n = unit(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
    const Vec3 off = out.on_other - out.on_triangle;
    edge_or_corner += out.distance > 1e-6 && std::fabs(std::fabs(dot(off, n)) - length(off)) > 1e-6;
  }
  // The cases cover rings through triangles and nearest points on the
  // boundary, not only over the face.
  EXPECT_GT(touching, 20);
  EXPECT_GT(edge_or_corner, 20);
}

// Tyre-sized rings just over gently sloped ground triangles, leaning any
// way: the cases the game meets every step.
TEST(RingTriangle, TyresOverGroundMatchDenseSampling) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> u01(0, 1), sym(-1, 1);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    const double s = 2;
    Triangle3 t{{{0, sym(rng) * 0.5, 0}, {s, sym(rng) * 0.5, 0}, {0, sym(rng) * 0.5, s}}};
    Vec3 axis{1, sym(rng) * 0.6, sym(rng) * 0.6};
    const Ring ring{{u01(rng) * s, 0.5 + u01(rng) * 0.8, u01(rng) * s}, unit(axis), 0.83};
    ClosestPoints out;
    ASSERT_TRUE(ring_triangle_closest(ring, t, kInfinity, out));
    const double brute = sampled_distance(ring, t, 720);
    EXPECT_LE(out.distance, brute + 1e-9);
    EXPECT_NEAR(out.distance, brute, 1e-8);
  }
}

TEST(PointTriangle, MatchesDenseSampling) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(-2, 2);
  for (int trial = 0; trial < 200; ++trial) {
    Triangle3 t;
    for (Vec3& p : t.p) p = {coord(rng), coord(rng), coord(rng)};
    const Vec3 p{coord(rng) * 1.5, coord(rng) * 1.5, coord(rng) * 1.5};
    const Vec3 q = closest_point_on_triangle(p, t);
    const double brute = sampled_point_distance(p, t, 400);
    EXPECT_LE(length(p - q), brute + 1e-9);
    EXPECT_NEAR(length(p - q), brute, 0.02);
    EXPECT_TRUE(inside_triangle(q, t, 1e-9));
  }
}

TEST(PointTriangle, DegenerateTriangleGivesACorner) {
  const Triangle3 line{{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}};
  const Vec3 q = closest_point_on_triangle({5, 1, 0}, line);
  EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z));
}

}  // namespace
