// Small tracks for the object tests: a record with an in-memory ground and
// helpers that write object files into a scratch folder.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/data_files.h"
#include "shapes/shape.h"
#include "platform/messages.h"
#include "track/track_assets.h"
#include "tests/support/test_env.h"
#include "track/track.h"

// A ground of 2^exponent tiles a side whose height is a + bx + cz.
inline void make_ground(Track& t, float a = 0, float b = 0, float c = 0, int exponent = 3, float spacing = 4) {
  Terrain& g = t.terrain;
  g.exponent = exponent;
  g.size = (2 << exponent) + 1;
  g.spacing = spacing;
  g.tile_size = 2 * spacing;
  g.world_size = static_cast<float>(2 << exponent) * spacing;
  g.heights.resize(static_cast<size_t>(g.size) * g.size);
  for (int j = 0; j < g.size; ++j)
    for (int i = 0; i < g.size; ++i) g.heights[j * g.size + i] = a + b * i * spacing + c * j * spacing;
}

// Fresh caches and messages for each test, and a place for files. The place
// is the data folder, so the object files may name the files in it by path.
struct ObjectFiles {
  TempDir dir;
  ObjectFiles() {
    clear_messages();
    asset_cache_clear();
    shape_cache_clear();
    setenv("KR_HOME", dir.path.c_str(), 1);
    data_files_reset();
  }
  ~ObjectFiles() {
    unsetenv("KR_HOME");
    data_files_reset();
  }
  ObjectFiles(const ObjectFiles&) = delete;
  ObjectFiles& operator=(const ObjectFiles&) = delete;
  std::string write(const std::string& name, const std::string& text) const { return dir.write(name, text); }
};

inline bool message_shown(const std::string& text) {
  for (const std::string& m : recent_messages())
    if (m.find(text) != std::string::npos) return true;
  return false;
}
