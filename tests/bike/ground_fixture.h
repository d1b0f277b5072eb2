// Grounds built in memory for the bike tests: planes and hand-set heights,
// with one tile type whose tables a test may change.
#pragma once
#include <cstddef>

#include "track/terrain.h"

// A square field of 2^exponent tiles a side (2^(exponent+1) cells), height
// a + bx x + bz z, every tile of type 0.
inline Terrain plane_ground(float a = 0, float bx = 0, float bz = 0, int exponent = 6, float spacing = 2) {
  Terrain g;
  g.exponent = exponent;
  g.size = (2 << exponent) + 1;
  g.spacing = spacing;
  g.tile_size = 2 * spacing;
  g.world_size = float(g.size - 1) * spacing;
  g.heights.resize(size_t(g.size) * g.size);
  for (int j = 0; j < g.size; ++j)
    for (int i = 0; i < g.size; ++i) g.heights[size_t(j) * g.size + i] = a + bx * i * spacing + bz * j * spacing;
  g.tile_types.assign(kMaxTileTypes, TileType());
  g.tile_count = 1;
  g.tilemap.assign(size_t(1) << (2 * exponent), 0);
  return g;
}

inline void set_height(Terrain& g, int i, int j, float h) { g.heights[size_t(j) * g.size + i] = h; }
