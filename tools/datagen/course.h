// The shipped tracks as the generator plans them: the ground and the course's
// centre line, shared by the ground generator and the track-object generator.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "track/terrain.h"

// A point of the course centre line in world feet (x, z); y is the ground
// height there. Points run in the direction of travel, a few feet apart.
struct CoursePoint {
  double x = 0, y = 0, z = 0;
  double width = 0;  // course width at this point, feet
};

enum CourseFeature : uint8_t { FeatureNone, FeatureJump, FeatureWhoops, FeatureRollers };

struct GeneratedTrack {
  std::string folder;  // "rabbithill"
  std::string title;   // first line of "desc"
  int exponent = 0;    // N = 2^exponent tiles per side
  double spacing = 0;  // feet between samples
  int size = 0;        // 2N + 1 samples per side
  float hmin = 0, hmax = 0;
  // The ground as the game holds it after loading (heights, size, spacing),
  // so the generator asks the game's own queries.
  Terrain ground;
  // The 16-bit values the heights were quantised to:
  // height = hmin + (hmax - hmin) * value / 65535, as the game reads them.
  std::vector<uint16_t> height_values;
  std::vector<CoursePoint> centre;  // closed loop in the direction of travel
  int start_begin = 0;  // index range of the start straight in `centre`
  int start_end = 0;
  int lap_line = 0;     // index of the finish/lap line in `centre`

  // The sun the ground's shading is baked from; "lighting" states the same.
  double sun_vector[3] = {0, 1, 0};  // unit, towards the sun
  double sun_color[3] = {1, 1, 1};
  double ambient[3] = {0.5, 0.5, 0.5};

  // Per sample (like the heights): the distance in feet from the course's
  // edge, negative on the course. Paints the tiles.
  std::vector<float> edge_distance;
  // Per sample: the kind of shaped ground (CourseFeature) under it.
  std::vector<uint8_t> feature;
  // Per sample: the bank slope of a berm (0 on straights).
  std::vector<float> bank;

  // Height on the checkerboard triangulation at world (x, z).
  double height_at(double x, double z) const { return terrain_height_at(ground, static_cast<float>(x), static_cast<float>(z)); }
};

// The planned tracks, built once; the first is the default "rabbithill".
const std::vector<GeneratedTrack>& generated_tracks();
