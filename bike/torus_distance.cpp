#include "bike/torus_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/units.h"

namespace {

double horner(const double* c, int degree, double t) {
  double v = c[degree];
  for (int k = degree - 1; k >= 0; --k) v = v * t + c[k];
  return v;
}

// The value at t, or exactly 0 when it is within the rounding error of
// evaluating it: a double root (the polynomial touching zero) then still
// counts as a root instead of hiding behind a sign that rounding chose.
double value_or_zero(const double* c, int degree, double t) {
  const double v = horner(c, degree, t);
  double bound = 0, power = 1;
  for (int k = 0; k <= degree; ++k, power *= std::fabs(t)) bound += std::fabs(c[k]) * power;
  return std::fabs(v) <= 16 * std::numeric_limits<double>::epsilon() * bound ? 0.0 : v;
}

// A root of the polynomial in [a, b], where it changes sign and is
// monotone: Newton steps while they stay inside the shrinking bracket,
// bisection otherwise.
double refine_root(const double* c, int degree, double a, double b) {
  double fa = horner(c, degree, a);
  double t = 0.5 * (a + b);
  for (int iteration = 0; iteration < 100; ++iteration) {
    const double f = horner(c, degree, t);
    if (f == 0) return t;
    if ((f < 0) == (fa < 0)) {
      a = t;
      fa = f;
    } else {
      b = t;
    }
    if (b - a <= 4 * std::numeric_limits<double>::epsilon() * std::max(1.0, std::fabs(t))) break;
    double slope = 0;
    for (int k = degree; k >= 1; --k) slope = slope * t + k * c[k];
    const double newton = slope != 0 ? t - f / slope : a - 1;
    t = newton > a && newton < b ? newton : 0.5 * (a + b);
  }
  return t;
}

// An orthonormal pair spanning the plane perpendicular to the unit axis.
void plane_basis(Vec3 axis, Vec3& u, Vec3& v) {
  const Vec3 helper = std::fabs(axis.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  u = cross(axis, helper);
  u = u * (1.0 / length(u));
  v = cross(axis, u);
}

struct Best {
  double distance = std::numeric_limits<double>::infinity();
  Vec3 on_triangle, on_ring;
  void consider(Vec3 triangle_point, Vec3 ring_point) {
    const double d = length(ring_point - triangle_point);
    if (d < distance) {
      distance = d;
      on_triangle = triangle_point;
      on_ring = ring_point;
    }
  }
};

// The ring against the segment a + t (b - a), t in 0..1, at the critical
// points inside the segment (the ends are the triangle's corners). With h(t)
// the height over the ring's plane and q(t) the squared distance from the
// axis, the squared distance to the ring is q - 2R sqrt(q) + R^2 + h^2;
// setting its derivative to zero and squaring gives
// q (q'/2 + h h')^2 = R^2 (q'/2)^2, a quartic in t.
void ring_against_segment(const Ring& ring, Vec3 a, Vec3 b, Best& best) {
  const Vec3 d = b - a;
  const Vec3 w = a - ring.centre;
  const double h0 = dot(w, ring.axis), h1 = dot(d, ring.axis);
  const Vec3 w0 = w - ring.axis * h0, w1 = d - ring.axis * h1;
  const double q0 = dot(w0, w0), q1 = dot(w0, w1), q2 = dot(w1, w1);
  const double alpha0 = q1 + h0 * h1, alpha1 = q2 + h1 * h1;
  const double a0 = alpha0 * alpha0, a1 = 2 * alpha0 * alpha1, a2 = alpha1 * alpha1;
  const double r2 = ring.radius * ring.radius;
  double c[5] = {
      q0 * a0 - r2 * q1 * q1,
      q0 * a1 + 2 * q1 * a0 - 2 * r2 * q1 * q2,
      q0 * a2 + 2 * q1 * a1 + q2 * a0 - r2 * q2 * q2,
      2 * q1 * a2 + q2 * a1,
      q2 * a2,
  };
  double scale = 0;
  for (double v : c) scale = std::max(scale, std::fabs(v));
  if (!(scale > 0) || !std::isfinite(scale)) return;
  for (double& v : c) v /= scale;
  double roots[4];
  const int n = polynomial_roots(c, 4, 0.0, 1.0, roots);
  for (int k = 0; k < n; ++k) {
    const Vec3 x = a + d * roots[k];
    best.consider(x, closest_point_on_ring(ring, x));
  }
}

}  // namespace

int polynomial_roots(const double* c, int degree, double lo, double hi, double* roots) {
  while (degree > 0 && c[degree] == 0) --degree;
  if (degree <= 0) return 0;
  if (degree == 1) {
    const double t = -c[0] / c[1];
    if (t >= lo && t <= hi) {
      roots[0] = t;
      return 1;
    }
    return 0;
  }
  // The derivative's roots split [lo, hi] into pieces where the polynomial
  // is monotone; each piece holds at most one root.
  double derivative[4];
  for (int k = 1; k <= degree; ++k) derivative[k - 1] = k * c[k];
  double edges[6];
  int m = polynomial_roots(derivative, degree - 1, lo, hi, edges + 1);
  edges[0] = lo;
  edges[m + 1] = hi;
  m += 2;
  int count = 0;
  auto add = [&](double t) {
    if (count == 0 || t > roots[count - 1]) roots[count++] = t;
  };
  for (int k = 0; k + 1 < m; ++k) {
    const double a = edges[k], b = edges[k + 1];
    const double fa = value_or_zero(c, degree, a), fb = value_or_zero(c, degree, b);
    if (fa == 0) {
      add(a);
    } else if (fb != 0 && (fa < 0) != (fb < 0)) {
      add(refine_root(c, degree, a, b));
    }
  }
  if (value_or_zero(c, degree, hi) == 0) add(hi);
  return count;
}

Vec3 closest_point_on_triangle(Vec3 p, const Triangle3& t) {
  const Vec3 a = t.p[0], b = t.p[1], c = t.p[2];
  const Vec3 ab = b - a, ac = c - a, ap = p - a;
  const double d1 = dot(ab, ap), d2 = dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  const Vec3 bp = p - b;
  const double d3 = dot(ab, bp), d4 = dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  const double vc = d1 * d4 - d3 * d2;
  // Each denominator below is a squared edge length or squared area.
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return d1 - d3 > 0 ? a + ab * (d1 / (d1 - d3)) : a;
  const Vec3 cp = p - c;
  const double d5 = dot(ab, cp), d6 = dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return d2 - d6 > 0 ? a + ac * (d2 / (d2 - d6)) : a;
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) {
    const double e = (d4 - d3) + (d5 - d6);
    return e > 0 ? b + (c - b) * ((d4 - d3) / e) : a;
  }
  const double sum = va + vb + vc;
  if (!(sum > 0)) return a;
  return a + ab * (vb / sum) + ac * (vc / sum);
}

Vec3 closest_point_on_ring(const Ring& ring, Vec3 p) {
  const Vec3 w = p - ring.centre;
  const Vec3 radial = w - ring.axis * dot(w, ring.axis);
  const double len = length(radial);
  if (len > 0) return ring.centre + radial * (ring.radius / len);
  Vec3 u, v;
  plane_basis(ring.axis, u, v);
  return ring.centre + u * ring.radius;
}

bool ring_triangle_closest(const Ring& ring, const Triangle3& t, double limit, ClosestPoints& out) {
  const double R = ring.radius;
  // Every ring point lies within R of the centre.
  const Vec3 near_centre = closest_point_on_triangle(ring.centre, t);
  if (length(ring.centre - near_centre) - R >= limit) return false;

  Best best;
  for (const Vec3& corner : t.p) best.consider(corner, closest_point_on_ring(ring, corner));

  // Inside the face the distance is the ring point's height over the plane,
  // h(theta) = h0 + R s cos(theta - phi): its extremes and its zeros.
  Vec3 n = cross(t.p[1] - t.p[0], t.p[2] - t.p[0]);
  const double area = length(n);
  if (area > 0) {
    n = n * (1.0 / area);
    Vec3 u, v;
    plane_basis(ring.axis, u, v);
    const double h0 = dot(ring.centre - t.p[0], n);
    const double un = dot(u, n), vn = dot(v, n);
    const double s = std::hypot(un, vn);
    const double phi = std::atan2(vn, un);
    double angles[4] = {phi, phi + kPi};
    int count = 2;
    if (R * s > 0 && std::fabs(h0) <= R * s) {
      const double spread = std::acos(std::clamp(-h0 / (R * s), -1.0, 1.0));
      angles[count++] = phi + spread;
      angles[count++] = phi - spread;
    }
    for (int k = 0; k < count; ++k) {
      const Vec3 p = ring.centre + (u * std::cos(angles[k]) + v * std::sin(angles[k])) * R;
      const Vec3 foot = p - n * dot(p - t.p[0], n);
      bool inside = true;
      for (int e = 0; e < 3 && inside; ++e) {
        const Vec3 from = t.p[e], to = t.p[(e + 1) % 3];
        inside = dot(cross(to - from, foot - from), n) >= 0;
      }
      if (inside) best.consider(foot, p);
    }
  }

  // Edges, unless their distance from the centre rules them out.
  for (int e = 0; e < 3; ++e) {
    const Vec3 a = t.p[e], b = t.p[(e + 1) % 3];
    const Vec3 d = b - a;
    const double dd = dot(d, d);
    const double along = dd > 0 ? std::clamp(dot(ring.centre - a, d) / dd, 0.0, 1.0) : 0.0;
    const double nearest = length(ring.centre - (a + d * along));
    const double farthest = std::max(length(ring.centre - a), length(ring.centre - b));
    const double bound = std::max({nearest - R, R - farthest, 0.0});
    if (bound < best.distance) ring_against_segment(ring, a, b, best);
  }

  if (!(best.distance < limit)) return false;
  out.distance = best.distance;
  out.on_triangle = best.on_triangle;
  out.on_other = best.on_ring;
  return true;
}
