// Statues: placed models with optional collision shapes, and the 8 x 8 grid
// that finds the statues near a point.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "track/track_assets.h"

struct CollisionShape;
struct Track;

struct Statue {
  ModelId model = 0;
  std::shared_ptr<const CollisionShape> shape;  // shared with the shape cache
  TextureId texture = 0, normal_map = 0, specular_map = 0;
  float x = 0, y = 0, z = 0;  // y = ground height + y_offset
  float y_offset = 0;
  float angle = 0;  // about the up axis, radians
  // The model's x, y and z axes in world coordinates: axes[0] is x.
  float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  float face_distance = 0;  // 2^angle for angle >= 3.25: turns to the viewer
  // Names as given ("" for none), kept so the editor writes back exactly
  // what was read even when a file did not load.
  std::string model_name, texture_name, shape_name;
  bool start_gate = false;  // created by a starting gate slot
};

constexpr int kStatueGridSide = 8;
// Search reach around a bike, feet.
constexpr float kStatueNearReach = 6.0f;

// Each cell lists statue indices in increasing order.
struct StatueGrid {
  std::vector<int> cells[kStatueGridSide * kStatueGridSide];
};

// Loads model, texture, maps and shape, places the statue on the ground and
// appends it; returns its index. A shape that does not load gives
// "Warning: missing shape file ...".
int statue_add(Track& track, float x, float y_offset, float z, float angle, const char* model,
               const char* texture, const char* shape);
// Recomputes y, the axes and the face distance from the ground and angle.
void statue_place(const Track& track, Statue& statue);
// The normal or specular map names tried for a statue, in order. `kind` is
// "_norm" or "_spec".
std::vector<std::string> statue_map_candidates(const std::string& texture, const std::string& model,
                                               const char* kind);

// Lines "[ x y_offset z ] angle model texture shape" until one fails.
void statues_read(Track& track, const char* path);
// Writes every statue that is not a starting gate. Shows "Can't open
// 'statues'" and returns false on failure.
bool statues_write(const Track& track, const char* path);

// The grid cell (0..7) along one axis of a world coordinate.
int statue_grid_cell(float c, float world_size);
void statue_grid_add(Track& track, int index);
void statue_grid_rebuild(Track& track);
// The sorted, duplicate-free indices of the statues in the cells around
// (x, z) within kStatueNearReach.
void statues_near(const Track& track, float x, float z, std::vector<int>& out);
