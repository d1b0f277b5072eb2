#include "shapes/shape.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/file_stream.h"
#include "platform/log.h"

namespace {
// Well beyond any real part or object (a bike part uses a few dozen); a
// larger count is a damaged file and must not size an allocation.
constexpr long kMaxSpheres = 65536;

// Reads one number with strtod; false at the end or on a non-number.
bool next_number(const char*& p, double& out) {
  char* end = nullptr;
  out = std::strtod(p, &end);
  if (end == p) return false;
  p = end;
  return true;
}

std::vector<std::unique_ptr<CollisionShape>>& shape_cache() {
  static std::vector<std::unique_ptr<CollisionShape>> cache = [] {
    std::vector<std::unique_ptr<CollisionShape>> v;
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
  if (!read_whole_data_file(name, text)) {
    tarn_log("Can't open collision shape '%s'\n", name);
    return false;
  }
  return shape_parse(text.c_str(), name, out);
}

const CollisionShape* shape_get(const char* name) {
  if (!name || !*name) return nullptr;
  auto& cache = shape_cache();
  for (const auto& s : cache)
    if (s->file_name == name) return s.get();
  auto shape = std::make_unique<CollisionShape>();
  if (!shape_read(name, *shape)) return nullptr;
  cache.push_back(std::move(shape));
  return cache.back().get();
}

void shape_cache_clear() { shape_cache().clear(); }
