// Collision shapes: sets of spheres in a body's coordinates, read from ".shp"
// files and cached by exact file name for the program's life.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct ShapeSphere {
  double centre[3] = {0, 0, 0};  // body coordinates (the creation pose)
  double radius = 0;
  double friction = 0;
  double stiffness = 0;
  double damping = 0;
};

struct CollisionShape {
  std::vector<ShapeSphere> spheres;
  std::string file_name;
  double bounding_radius = 0;  // largest |centre| + radius
};

// Reads a ".shp" file: a sphere count N, then N lines of seven numbers
// (centre x y z, radius, friction, stiffness, damping). False, with a log
// line, when the file cannot be opened, is larger than any shape file
// (1 MiB), does not start with a positive count, runs out of numbers before
// N spheres, or holds a number no sphere can have (not finite, a negative
// radius, friction, stiffness or damping, or any beyond 10^4 feet or 10^9).
bool shape_read(const char* name, CollisionShape& out);
// Parses shape text already in memory (the same rules as shape_read).
bool shape_parse(const char* text, const char* name, CollisionShape& out);

// The cached shape of this exact file name, loading it on first use; null
// when it cannot be read (tried again on the next request).
// Shapes are shared: a holder keeps its shape alive when the cache is
// cleared.
std::shared_ptr<const CollisionShape> shape_get(const char* name);
// Forgets every cached shape; shapes still held elsewhere live on.
void shape_cache_clear();
