// The height field as the track loader reads it: a small track folder whose
// files are all good but one, the one the input's first byte chooses
// ("terrain.hf", "terrain.png", "shadingx2.ppm", "shadows.pgm", "tileinfo",
// "tilemap"), whose bytes are the rest of the input. A ground that loads
// holds only finite heights within its range.
#include <cmath>

#include "images/image.h"
#include "track/terrain.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
const char* const kFiles[] = {"terrain.hf", "terrain.png", "shadingx2.ppm", "shadows.pgm", "tileinfo", "tilemap"};
constexpr size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

// The good track: 5 x 5 samples, heights from a 16-bit picture.
std::string good_file(size_t k) {
  switch (k) {
    case 0:
      return "1 2.0 -5.0 15.0\n";
    case 1: {
      uint16_t samples[25];
      for (int i = 0; i < 25; ++i) samples[i] = static_cast<uint16_t>(i * 2600);
      return png_encode_gray16(samples, 5, 5);
    }
    case 2:
      return "P6 5 5 255\n" + std::string(75, '\x64');
    case 3:
      return "P5 5 5 255\n" + std::string(25, '\xf0');
    case 4:
      return "texture @dirt.png\nfriction 1.2 2\naddtile\ntexture @grass.png\nroost count=20 splash=1\naddtile\n";
    default:
      return std::string("\x00\x01\x01\x00", 4);
  }
}

void set_up() {
  static const bool done = [] {
    for (size_t k = 0; k < kFileCount; ++k) fuzz_write(std::string("t/") + kFiles[k], good_file(k));
    const uint8_t px[3] = {90, 70, 50};
    fuzz_write("dirt.png", png_encode_rgb(px, 1, 1));
    fuzz_write("grass.png", "P6 1 1 255\n\x20\x80\x20");
    return true;
  }();
  (void)done;
}

void check(const Terrain& t) {
  const size_t samples = static_cast<size_t>(t.size) * t.size;
  fuzz_check(t.size == (2 << t.exponent) + 1 && t.heights.size() == samples, "the grid matches its exponent");
  fuzz_check(t.shading.size() == samples * 3 && t.shadow.size() == samples, "shading and shadows cover the grid");
  fuzz_check(t.tilemap.size() == static_cast<size_t>(1) << (2 * t.exponent), "the tile map covers the tiles");
  fuzz_check(std::isfinite(t.hmin) && std::isfinite(t.hmax) && t.hmin <= t.hmax, "the height range is finite");
  for (float h : t.heights) fuzz_check(std::isfinite(h) && h >= t.hmin && h <= t.hmax, "heights lie in the range");
  for (uint8_t b : t.tilemap) fuzz_check(b < (t.tile_count > 0 ? t.tile_count : 1), "tiles name loaded types");
  float n[3];
  terrain_vertex_normal(t, t.size / 2, t.size / 2, n);
  fuzz_check(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]), "normals are finite");
  fuzz_check(std::isfinite(terrain_height_at(t, t.world_size / 3, t.world_size / 2)), "queries are finite");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  set_up();
  const size_t choice = fuzz_choice(data, size, kFileCount);
  const std::string file = std::string("t/") + kFiles[choice];
  fuzz_write(file, std::string(reinterpret_cast<const char*>(data), size));
  Terrain t;
  if (terrain_load(t, "@t", MethodSoftware)) check(t);
  terrain_free(t);
  fuzz_write(file, good_file(choice));
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  for (size_t k = 0; k < kFileCount; ++k) {
    if (name.empty()) inputs.push_back(fuzz_with_choice(k, good_file(k)));
    if (!name.empty() && fuzz_ends_with(name, (std::string("/") + kFiles[k]).c_str()))
      inputs.push_back(fuzz_with_choice(k, bytes));
  }
}
