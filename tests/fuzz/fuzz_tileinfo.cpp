// The tile information: the input's first byte chooses "tileinfo" or
// "texturelist", the rest is the file. Every tile type read keeps its
// tables in order and within their bounds.
#include <cmath>

#include "files/file_stream.h"
#include "track/terrain.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
void check(const Terrain& t) {
  fuzz_check(t.tile_count >= 0 && t.tile_count <= kMaxTileTypes, "at most 256 tile types");
  for (int k = 0; k < t.tile_count; ++k) {
    const TileType& tile = t.tile_types[k];
    for (const FrictionPoint& p : tile.friction) {
      fuzz_check(!(p.value < 0), "friction is never negative");
      fuzz_check(p.key == 0 || p.key >= kMinTableKey || std::isnan(p.key), "friction keys are never below 2^-20");
    }
    for (const RollResistPoint& p : tile.roll_resist) fuzz_check(!(p.a < 0) && !(p.b < 0), "resistance is never negative");
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  const size_t choice = fuzz_choice(data, size, 2);
  const std::string path = fuzz_write("tiles", std::string(reinterpret_cast<const char*>(data), size));
  Terrain t;
  t.method = MethodHardwareCopy;  // textures by name
  t.exponent = 1;
  DataFilePtr f(open_data_file(path.c_str(), "r"));
  fuzz_check(f != nullptr, "the file just written opens");
  if (choice == 0) {
    tileinfo_read(t, f.get());
  } else {
    texturelist_read(t, f.get());
  }
  check(t);
  tilemap_read(t, nullptr);
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  if (fuzz_ends_with(name, "/tileinfo")) inputs.push_back(fuzz_with_choice(0, bytes));
  if (fuzz_ends_with(name, "/texturelist")) inputs.push_back(fuzz_with_choice(1, bytes));
  if (name.empty()) inputs.push_back(fuzz_with_choice(1, "1.2 5 15 ground/dirt.png\n0.8 3 9 @ground/sand.png\n"));
}
