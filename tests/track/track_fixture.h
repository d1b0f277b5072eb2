// Small tracks for the object tests: a record with an in-memory ground and
// helpers that write object files into a scratch folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shapes/shape.h"
#include "platform/messages.h"
#include "render/model.h"
#include "render/texture.h"
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

// Fresh caches and messages for each test, and a place for files.
struct ObjectFiles {
  TempDir dir;
  ObjectFiles() {
    clear_messages();
    texture_cache_clear();
    model_cache_clear();
    shape_cache_clear();
  }
  std::string write(const std::string& name, const std::string& text) const { return dir.write(name, text); }
};

inline bool message_shown(const std::string& text) {
  for (const std::string& m : recent_messages())
    if (m.find(text) != std::string::npos) return true;
  return false;
}
