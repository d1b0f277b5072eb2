#include "robot/line_geometry.h"

#include <algorithm>
#include <cmath>

double horizontal_distance(const LinePoint& a, const LinePoint& b) {
  return std::hypot(static_cast<double>(a.position[0]) - b.position[0],
                    static_cast<double>(a.position[2]) - b.position[2]);
}

double distance_squared(const LinePoint& a, const LinePoint& b) {
  const double dx = static_cast<double>(a.position[0]) - b.position[0];
  const double dy = static_cast<double>(a.position[1]) - b.position[1];
  const double dz = static_cast<double>(a.position[2]) - b.position[2];
  return dx * dx + dy * dy + dz * dz;
}

Continuation continuation_of(const LinePoint& a, const LinePoint& b, const LinePoint& c) {
  // Worked relative to the last point, which keeps the sums small.
  const double cx = c.position[0], cz = c.position[2];
  const double ax = a.position[0] - cx, az = a.position[2] - cz;
  const double bx = b.position[0] - cx, bz = b.position[2] - cz;
  const double chord = std::hypot(ax, az);
  if (chord < 1e-6) return Continuation{cx, cz, 0};
  const double d = 2 * (ax * bz - bx * az);
  if (d != 0) {
    const double a2 = ax * ax + az * az, b2 = bx * bx + bz * bz;
    const double ux = (a2 * bz - b2 * az) / d, uz = (b2 * ax - a2 * bx) / d;
    const double r = std::hypot(ux, uz);
    if (r <= kFarRadius) return Continuation{cx + ux, cz + uz, r};
  }
  // Straight (or nearly): the centre lies far out on the side away from
  // which the middle point bulges.
  const double nx = az / chord, nz = -ax / chord;  // normal to the chord c - a
  const double bulge = (bx - ax / 2) * nx + (bz - az / 2) * nz;
  const double side = bulge > 0 ? -1.0 : 1.0;
  return Continuation{cx + side * nx * kFarRadius, cz + side * nz * kFarRadius, kFarRadius};
}

double continuation_distance(const Continuation& c, const LinePoint& p) {
  return std::hypot(p.position[0] - c.x, p.position[2] - c.z);
}

bool lines_link(const Line& a, const Line& b) {
  if (a.point_count() <= 2 || b.point_count() <= 1) return false;
  const int n = a.point_count();
  const Continuation c = continuation_of(a.points[n - 3], a.points[n - 2], a.points[n - 1]);
  const double d0 = continuation_distance(c, b.points[0]);
  const double d1 = continuation_distance(c, b.points[1]);
  return std::fabs(d0 - c.radius) <= 2.5 && std::fabs(d1 - d0) <= 2.0 &&
         std::fabs(a.points[n - 1].speed) <= std::fabs(b.points[0].speed) + 15.0;
}

PathPlace nearest_on_path(const std::vector<LinePoint>& path, int first, int last, const double p[3]) {
  PathPlace best;
  const int n = static_cast<int>(path.size());
  if (n == 0) return best;
  first = std::clamp(first, 0, n - 1);
  last = std::clamp(last, first, n - 1);
  auto point_distance = [&](int i) {
    const float* q = path[i].position;
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
  };
  best.index = first;
  best.step = first;
  best.distance = point_distance(first);
  for (int k = first; k < last; ++k) {
    const float* a = path[k].position;
    const float* b = path[k + 1].position;
    const double ab[3] = {static_cast<double>(b[0]) - a[0], static_cast<double>(b[1]) - a[1],
                          static_cast<double>(b[2]) - a[2]};
    const double ap[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double t = len2 > 0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double e[3] = {ap[0] - t * ab[0], ap[1] - t * ab[1], ap[2] - t * ab[2]};
    const double dist = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if (dist < best.distance) {
      best.distance = dist;
      best.index = k + t;
      best.step = k;
    }
  }
  return best;
}

namespace {
struct Box {
  double x0, z0, x1, z1;
  bool overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && z0 <= o.z1 && o.z0 <= z1; }
};
constexpr int kChunk = 8;  // path steps per box

std::vector<Box> chunk_boxes(const std::vector<LinePoint>& l) {
  std::vector<Box> boxes;
  for (size_t s = 0; s + 1 < l.size(); s += kChunk) {
    Box b{l[s].position[0], l[s].position[2], l[s].position[0], l[s].position[2]};
    for (size_t i = s + 1; i <= std::min(s + kChunk, l.size() - 1); ++i) {
      b.x0 = std::min<double>(b.x0, l[i].position[0]);
      b.x1 = std::max<double>(b.x1, l[i].position[0]);
      b.z0 = std::min<double>(b.z0, l[i].position[2]);
      b.z1 = std::max<double>(b.z1, l[i].position[2]);
    }
    boxes.push_back(b);
  }
  return boxes;
}

int orientation(const LinePoint& a, const LinePoint& b, const LinePoint& c) {
  const double v = (static_cast<double>(b.position[0]) - a.position[0]) * (c.position[2] - a.position[2]) -
                   (static_cast<double>(b.position[2]) - a.position[2]) * (c.position[0] - a.position[0]);
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// Proper crossings only: touching ends and overlapping runs do not count.
bool steps_cross(const LinePoint& p1, const LinePoint& p2, const LinePoint& q1, const LinePoint& q2) {
  return orientation(p1, p2, q1) * orientation(p1, p2, q2) < 0 && orientation(q1, q2, p1) * orientation(q1, q2, p2) < 0;
}
}  // namespace

bool polylines_cross(const std::vector<LinePoint>& a, const std::vector<LinePoint>& b) {
  const std::vector<Box> ba = chunk_boxes(a), bb = chunk_boxes(b);
  for (size_t i = 0; i < ba.size(); ++i)
    for (size_t j = 0; j < bb.size(); ++j) {
      if (!ba[i].overlaps(bb[j])) continue;
      const size_t ia_end = std::min(i * kChunk + kChunk, a.size() - 1);
      const size_t jb_end = std::min(j * kChunk + kChunk, b.size() - 1);
      for (size_t s = i * kChunk; s < ia_end; ++s)
        for (size_t t = j * kChunk; t < jb_end; ++t)
          if (steps_cross(a[s], a[s + 1], b[t], b[t + 1])) return true;
    }
  return false;
}
