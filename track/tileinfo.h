// Ground tile types ("tileinfo", or the older "texturelist"), their
// transition codes, and the tile map that gives every tile its type.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "images/image.h"
#include "track/track_assets.h"

struct DataFile;
struct Terrain;

constexpr int kMaxTileTypes = 256;
constexpr int kTablePoints = 8;
constexpr int kRoostBlocks = 4;
// Keys of friction and rolling-resistance points are never below this, so a
// key of 0 can end a table.
constexpr float kMinTableKey = 9.5367431640625e-07f;  // 2^-20

struct FrictionPoint {
  float value = 1.0f;
  float key = 0.0f;
};

struct RollResistPoint {
  float a = 5.0f;
  float b = 15.0f;
  float key = 0.0f;
};

// The dirt a spinning tyre throws.
struct RoostBlock {
  int mode = 0;  // 0 inactive, 1 dirt, 2 splash
  std::string texture_name = "@roost.png";
  TextureId texture = 0;
  float count = 10.0f;
  float dig = 1.0f;
  float slip_threshold = 4.0f;
  float slow_angle = 1.5707963267948966f;
  float fast_angle = 0.19634954084936207f;
  float slow_speed = 0.0f;
  float fast_speed = 64.0f;
  float size = 0.25f;
  float grow = 4.0f;
  float drag = 0.5f;
  float vscale = 1.0f;
  float randomize = 15.0f;
  uint8_t r = 255, g = 255, b = 255, a = 255;
  int8_t fade_r = 0, fade_g = 0, fade_b = 0, fade_a = -2;  // per simulation step
};

// How the surface gives way into ruts.
struct ErodeValues {
  float erode_depth = 1.0f;
  float erode_lower = 50.0f;
  float erode_upper = 150.0f;
  float erode_displacement = 2.0f;
  float erode_radius = 4.0f;
  float erode_max_slope = 0.25f;
  float erode_off_speed = 10.0f;
  float erode_on_speed = 15.0f;
};

struct TileType {
  std::string texture_name;  // as written in the file; "" for none
  TextureId texture = 0;     // hardware ground methods
  Image image;               // the "Software" ground method
  int32_t tile_code = 0;
  // Tables sorted by key; the first point with key 0 ends a table.
  FrictionPoint friction[kTablePoints];
  RollResistPoint roll_resist[kTablePoints];
  RoostBlock roost[kRoostBlocks];
  ErodeValues erode;

  TileType() {
    friction[0].key = 1.0f;
    roll_resist[0].key = 1.0f;
  }
};

// Fill terrain.tile_types (256 entries) and terrain.tile_count from an open
// stream; textures load by terrain.method. Malformed lines give a console
// warning and are skipped.
void tileinfo_read(Terrain& t, DataFile* f);
void texturelist_read(Terrain& t, DataFile* f);

// The transition code of tile `index` whose texture base name (after the
// last '/', without a leading '@') is `base`, given every tile's base name:
// i * 65536 + j * 256 + m for "A-B-wxyz.ext" (from type i to type j, corner
// mask m), i * 65536 + i * 256 for "A-altN", -256 when B names no tile, and
// the own code index * 65536 + index * 256 otherwise.
int32_t tile_code_of(const std::string& base, int index, const std::vector<std::string>& bases);
// "@a/b/grass.png" -> "grass.png".
std::string tile_base_name(const std::string& texture_name);

// Reads N^2 tile bytes and clamps each to tile_count - 1. A short file
// keeps what it holds, sets the rest to tile 0 and shows "Short tile map
// (%d of %d bytes)". Returns the number of bytes read.
long tilemap_read(Terrain& t, DataFile* f);
