// The track object files: the input's first byte chooses the reader
// (timing_gates, flaggers, billboards, statues, decals, cameras, lighting),
// the rest is the file, read onto a small ground. Whatever is placed lies at
// finite coordinates.
#include <cmath>

#include "shapes/shape.h"
#include "track/decals.h"
#include "track/track.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
const char* const kFiles[] = {"timing_gates", "flaggers", "billboards", "statues", "decals", "cameras", "lighting"};
constexpr size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

bool finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

void make_ground(Track& t) {
  Terrain& g = t.terrain;
  g.exponent = 3;
  g.size = 17;
  g.spacing = 4;
  g.tile_size = 8;
  g.world_size = 64;
  g.heights.resize(17 * 17);
  for (size_t k = 0; k < g.heights.size(); ++k) g.heights[k] = static_cast<float>(k % 17) * 0.5f;
  g.hmax = 8;
}

void check(const Track& t) {
  for (const Statue& s : t.statues) {
    fuzz_check(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z), "statues stand at finite places");
    for (const auto& axis : s.axes) fuzz_check(finite3(axis), "statues turn by finite axes");
  }
  for (const Billboard& b : t.billboards)
    fuzz_check(std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(b.z), "billboards stand at finite places");
  for (const Checkpoint& c : t.gates.checkpoints) fuzz_check(finite3(c.position), "gates lie at finite places");
  for (int r : t.gates.first_lap) fuzz_check(lap_gate(r) < static_cast<int>(t.gates.checkpoints.size()), "laps name gates");
  for (int r : t.gates.normal_lap) fuzz_check(lap_gate(r) < static_cast<int>(t.gates.checkpoints.size()), "laps name gates");
  for (const Decal& d : t.terrain.decals) fuzz_check(std::isfinite(d.x) && std::isfinite(d.z), "decals lie at finite places");
  fuzz_check(finite3(t.lighting.sun_vector), "the sun has a finite direction");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  static const bool ready = [] {
    fuzz_write("bale.shp", "1\n0 0.5 0 0.75 1 5000 500\n");
    fuzz_write("tree.png", "P6 1 1 255\n\x20\x80\x20");
    return true;
  }();
  (void)ready;
  const size_t choice = fuzz_choice(data, size, kFileCount);
  const std::string path = fuzz_write(kFiles[choice], std::string(reinterpret_cast<const char*>(data), size));
  Track t;
  make_ground(t);
  switch (choice) {
    case 0: timing_gates_read(t, path.c_str()); break;
    case 1: flaggers_read(t, path.c_str()); break;
    case 2: billboards_read(t, path.c_str()); break;
    case 3: statues_read(t, path.c_str()); break;
    case 4: decals_read(t.terrain, path.c_str()); break;
    case 5: cameras_read(t, path.c_str()); break;
    default: lighting_read(t.lighting, path.c_str()); break;
  }
  statue_grid_rebuild(t);
  check(t);
  asset_cache_clear();
  shape_cache_clear();
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  for (size_t k = 0; k < kFileCount; ++k)
    if (fuzz_ends_with(name, (std::string("/") + kFiles[k]).c_str())) inputs.push_back(fuzz_with_choice(k, bytes));
}
