// A small double-precision 3-vector for the contact geometry, with the
// conversions to and from ODE's vectors and rotation matrices.
#pragma once
#include <ode/ode.h>

#include <cmath>

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double length_squared(Vec3 a) { return dot(a, a); }
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline bool is_finite(Vec3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// ODE's vectors are 4 wide (the last entry unused); its 3 x 3 rotations are
// stored row by row, 4 entries a row.
inline Vec3 vec3_of(const dReal* v) { return {v[0], v[1], v[2]}; }
inline Vec3 vec3_of(const float* v) { return {v[0], v[1], v[2]}; }
inline void store(Vec3 a, dReal* out) {
  out[0] = a.x;
  out[1] = a.y;
  out[2] = a.z;
}
// R v and R^T v.
inline Vec3 rotate(const dReal* r, Vec3 v) {
  return {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[4] * v.x + r[5] * v.y + r[6] * v.z,
          r[8] * v.x + r[9] * v.y + r[10] * v.z};
}
inline Vec3 unrotate(const dReal* r, Vec3 v) {
  return {r[0] * v.x + r[4] * v.y + r[8] * v.z, r[1] * v.x + r[5] * v.y + r[9] * v.z,
          r[2] * v.x + r[6] * v.y + r[10] * v.z};
}
// Column k of R: the body's axis k in world coordinates.
inline Vec3 body_axis(const dReal* r, int k) { return {r[k], r[4 + k], r[8 + k]}; }
