// Collision shape files: the input is a ".shp" file in the data folder. A
// shape that loads holds spheres the contact solver can take.
#include <cmath>

#include "shapes/shape.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  fuzz_write("s.shp", std::string(reinterpret_cast<const char*>(data), size));
  CollisionShape s;
  if (shape_read("@s.shp", s)) {
    fuzz_check(!s.spheres.empty(), "a shape has spheres");
    fuzz_check(std::isfinite(s.bounding_radius) && s.bounding_radius >= 0, "the bounding radius is finite");
    for (const ShapeSphere& p : s.spheres)
      fuzz_check(p.radius >= 0 && p.friction >= 0 && p.stiffness >= 0 && p.damping >= 0, "no negative sphere value");
  }
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  if (fuzz_ends_with(name, ".shp")) inputs.push_back(bytes);
}
