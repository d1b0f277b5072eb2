// Billboards: upright textured quads facing the viewer (trees, banners,
// flaggers, roost clumps).
#pragma once
#include <cstdint>
#include <string>

#include "track/track_assets.h"

struct Track;

struct Billboard {
  float x = 0, y = 0, z = 0;  // base; y = ground height + y_offset
  float height = 1;
  float y_offset = 0;
  float aspect = 1;      // width / height
  uint32_t sort_key = 0;  // depth key, written by the scene each frame
  TextureId texture = 0;  // 0: not drawn
  uint8_t colour[4] = {255, 255, 255, 255};
  std::string texture_name;  // as given, without the colour prefix
  // Created by the program (roost clumps, flaggers) rather than placed on
  // the track; these are never written back.
  bool internal = false;
};

// Splits a "#rrggbb#texture" name into colour and texture name; false (and
// nothing changed) when the name does not have that form.
bool billboard_colour_name(const char* name, uint8_t rgb[3], const char** texture);

// Appends a billboard (and its two sort-array entries); returns its index.
int billboard_add(Track& track, float x, float y_offset, float z, float height, float aspect, const char* name);

// Lines "[ x y_offset z ] height aspect name" until one does not match.
void billboards_read(Track& track, const char* path);
// Writes every placed billboard (not the internal ones) that has a texture
// name. Shows "Can't open 'billboards'" and returns false on failure.
bool billboards_write(const Track& track, const char* path);
