// Collision shapes of the start gate and the statues: sphere sets that
// follow each object's outline in its model coordinates (y up, the object
// standing on y = 0, facing -z).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/datagen/datagen.h"

namespace {
struct Sphere {
  double x, y, z, r;
};

// How an object feels to a bike: friction, stiffness, damping.
struct Material {
  double friction, stiffness, damping;
};

std::string shape_text(const std::vector<Sphere>& spheres, const Material& m) {
  std::string out = std::to_string(spheres.size()) + "\n";
  char line[160];
  for (const Sphere& s : spheres) {
    std::snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.3f %.1f %.1f\n", s.x, s.y, s.z, s.r, m.friction,
                  m.stiffness, m.damping);
    out += line;
  }
  return out;
}

// A box filled by a row of equal spheres along its longest (x) side, in
// `layers` rows up its height.
std::vector<Sphere> box_row(double length, double height, double depth, int layers) {
  std::vector<Sphere> out;
  const double r = std::min(height / layers, depth) / 2;
  const int n = std::max(2, static_cast<int>(length / (1.5 * r)) + 1);
  for (int l = 0; l < layers; ++l)
    for (int i = 0; i < n; ++i) {
      double x = -length / 2 + r + (length - 2 * r) * i / (n - 1);
      out.push_back({x, r + l * 2 * r, 0, r});
    }
  return out;
}

// The start gate: one slot's steel plate, about 3 ft wide and 1.7 ft tall,
// standing across the lane.
std::vector<Sphere> start_gate() {
  std::vector<Sphere> out;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 3; ++j) out.push_back({-1.2 + 0.6 * i, 0.35 + 0.55 * j, 0, 0.32});
  return out;
}

// A paddock canopy of 10 x 10 ft: four legs and a roof at 7 ft.
std::vector<Sphere> tent() {
  std::vector<Sphere> out;
  for (double lx : {-4.8, 4.8})
    for (double lz : {-4.8, 4.8})
      for (int k = 0; k < 5; ++k) out.push_back({lx, 0.3 + 1.4 * k, lz, 0.3});
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out.push_back({-3.4 + 3.4 * i, 7.8, -3.4 + 3.4 * j, 1.8});
  return out;
}
}  // namespace

void gen_object_shapes(DataSet& ds) {
  // Steel: slippery and hard.
  ds.add_core("startgate.shp", shape_text(start_gate(), {0.3, 40000, 3000}));
  // A small square bale: 3.5 x 1.4 x 1.5 ft, soft straw.
  ds.add_core("haybale.shp", shape_text(box_row(3.5, 1.4, 1.5, 1), {0.9, 4000, 600}));
  // A plastic barrier block: 4 x 1.6 x 1.6 ft, firm but giving.
  ds.add_core("tuffblock.shp", shape_text(box_row(4.0, 1.6, 1.6, 1), {0.4, 12000, 1200}));
  // Aluminium frame and cloth.
  ds.add_core("tent.shp", shape_text(tent(), {0.5, 20000, 2000}));
}
