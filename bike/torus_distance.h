// Exact closest points between a tyre's centre ring (a circle in space) and
// a solid triangle, and between a point and a solid triangle. A tyre is a
// torus, so its penetration into a triangle is the tube radius minus the
// ring's distance; a sphere's is its radius minus its centre's distance.
#pragma once
#include "bike/vec3.h"

struct Triangle3 {
  Vec3 p[3];
};

// The circle of centres of a torus' tube: centre, unit axis, radius > 0.
struct Ring {
  Vec3 centre;
  Vec3 axis;
  double radius = 0;
};

struct ClosestPoints {
  double distance = 0;
  Vec3 on_triangle;
  Vec3 on_other;  // on the ring (or the query point itself)
};

// The point of the solid triangle nearest to p. A triangle without area
// gives its first corner.
Vec3 closest_point_on_triangle(Vec3 p, const Triangle3& t);

// The point of the ring nearest to p; on the axis, where every ring point is
// equally near, a fixed one.
Vec3 closest_point_on_ring(const Ring& ring, Vec3 p);

// The shortest distance between the ring and the solid triangle, and where
// it is taken. The search is exact: the nearest pair lies at a corner, at a
// critical point of the ring against an edge (roots of a quartic), or where
// the ring is nearest to, or crosses, the triangle's plane inside it.
// Returns false, leaving `out` alone, when the distance is not below limit
// (give infinity to always get the answer).
bool ring_triangle_closest(const Ring& ring, const Triangle3& t, double limit, ClosestPoints& out);

// The real roots in [lo, hi] of c[0] + c[1] t + ... + c[degree] t^degree
// (degree at most 4), ascending; returns their count. Each root is isolated
// between the roots of the derivative and refined by safeguarded Newton
// steps, so none is missed and no starting guess is needed.
int polynomial_roots(const double* c, int degree, double lo, double hi, double* roots);
