#include "shapes/shape.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/data_limits.h"
#include "files/file_stream.h"
#include "platform/log.h"

namespace {
// Well beyond any real part or object (a bike part uses a few dozen); a
// larger count is a damaged file and must not size an allocation.
constexpr long kMaxSpheres = 65536;
// Beyond any real sphere: centres and radii in feet, friction as a
// coefficient, stiffness and damping as the contact's spring and damper. A
// negative or absurd value would reach the contact solver as a NaN.
constexpr double kMaxReach = 1e4;
constexpr double kMaxFriction = 1e4;
constexpr double kMaxSpring = 1e9;

bool sphere_acceptable(const double v[7]) {
  for (int k = 0; k < 3; ++k)
    if (!(std::fabs(v[k]) <= kMaxReach)) return false;
  return v[3] >= 0 && v[3] <= kMaxReach && v[4] >= 0 && v[4] <= kMaxFriction && v[5] >= 0 && v[5] <= kMaxSpring &&
         v[6] >= 0 && v[6] <= kMaxSpring;
}

// Reads one number with strtod; false at the end or on a non-number.
bool next_number(const char*& p, double& out) {
  char* end = nullptr;
  out = std::strtod(p, &end);
  if (end == p) return false;
  p = end;
  return true;
}

std::vector<std::shared_ptr<const CollisionShape>>& shape_cache() {
  static std::vector<std::shared_ptr<const CollisionShape>> cache = [] {
    std::vector<std::shared_ptr<const CollisionShape>> v;
    v.reserve(16);
    return v;
  }();
  return cache;
}
}  // namespace

bool shape_parse(const char* text, const char* name, CollisionShape& out) {
  out = CollisionShape();
  const char* p = text;
  char* end = nullptr;
  long count = std::strtol(p, &end, 10);
  if (end == p) {
    tarn_log("Collision shape '%s' does not start with a sphere count\n", name);
    return false;
  }
  if (count < 1 || count > kMaxSpheres) {
    tarn_log("Collision shape '%s' has a bad sphere count %ld\n", name, count);
    return false;
  }
  p = end;
  CollisionShape shape;
  shape.file_name = name;
  for (long i = 0; i < count; ++i) {
    double v[7];
    for (double& x : v) {
      if (!next_number(p, x) || !std::isfinite(x)) {
        tarn_log("Collision shape '%s' ends after %ld of %ld spheres\n", name, i, count);
        return false;
      }
    }
    if (!sphere_acceptable(v)) {
      tarn_log("Collision shape '%s' has a sphere out of range (number %ld)\n", name, i + 1);
      return false;
    }
    ShapeSphere s;
    s.centre[0] = v[0];
    s.centre[1] = v[1];
    s.centre[2] = v[2];
    s.radius = v[3];
    s.friction = v[4];
    s.stiffness = v[5];
    s.damping = v[6];
    double reach = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) + v[3];
    if (reach > shape.bounding_radius) shape.bounding_radius = reach;
    shape.spheres.push_back(s);
  }
  out = std::move(shape);
  return true;
}

bool shape_read(const char* name, CollisionShape& out) {
  std::string text;
  if (!read_whole_data_file(name, text, kShapeFileCap)) {
    tarn_log("Can't open collision shape '%s'\n", name);
    return false;
  }
  return shape_parse(text.c_str(), name, out);
}

std::shared_ptr<const CollisionShape> shape_get(const char* name) {
  if (!name || !*name) return nullptr;
  auto& cache = shape_cache();
  for (const auto& s : cache)
    if (s->file_name == name) return s;
  auto shape = std::make_shared<CollisionShape>();
  if (!shape_read(name, *shape)) return nullptr;
  cache.push_back(shape);
  return shape;
}

void shape_cache_clear() { shape_cache().clear(); }
