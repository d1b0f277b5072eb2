// The height field of a track with its shading, shadows, tile types and tile
// map: loading, the constant-time ground queries, the deformation brush that
// ruts and erosion use, and the writer the track editor uses.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "images/image.h"
#include "track/track_assets.h"
#include "track/tileinfo.h"

struct Lighting;

// The ground's light: copied from the track's lighting before the terrain is
// loaded (terrain_use_lighting) and used whenever shading is recomputed.
struct TerrainLight {
  float sun[3] = {0.57735027f, 0.57735027f, 0.57735027f};  // unit, towards the sun
  float sun_color[3] = {1, 1, 1};
  float ambient[3] = {0.5f, 0.5f, 0.5f};
  bool dynamic_lighting = false;
};

// A picture laid flat on the ground: width `size`, length size * aspect,
// centred on (x, z) and turned by `angle`. Filled by decals_read.
struct Decal {
  std::string texture_name;
  Image image;               // the "Software" ground method
  TextureId texture = 0;     // the other methods
  TextureId normal_map = 0;  // with terrain shaders
  TextureId specular_map = 0;
  float x = 0, z = 0, angle = 0, size = 0, aspect = 0;
  float sin_angle = 0, cos_angle = 1;
};

// The five choices of the rendering setting, in menu order.
enum TerrainMethod {
  MethodSoftware = 0,
  MethodHardwareCopy,
  MethodHardwareDirect,
  MethodShadersCopy,
  MethodShadersDirect,
};

// Values from start-up and the command line that the ground needs.
struct TerrainOptions {
  int debug_level = 0;        // "--debug" 1, "--super-debug" 2
  bool shaders_built = false;  // the model shaders compiled
  bool framebuffer_objects = false;
  float detail = 0.125f / 70;  // "--detail"
  int texture_resolution = 64;  // the Ground Texture Resolution setting
};
TerrainOptions& terrain_options();

// Refused above this exponent: 2^12 tiles a side would need gigabytes.
constexpr int kTerrainMaxExponent = 11;

struct Terrain {
  // Height field. Sample (i, j) lies at x = i * spacing, z = j * spacing and
  // is element j * size + i of every per-sample array.
  std::vector<float> heights;
  int exponent = 0;  // N = 2^exponent tiles a side
  int size = 0;      // 2N + 1 samples a side
  float spacing = 0, tile_size = 0, world_size = 0;
  float hmin = 0, hmax = 0;
  float detail = 0;
  std::vector<uint8_t> shading;     // size^2 RGB at half scale (255 = twice full)
  std::vector<uint8_t> shadow;      // size^2, 0 lit .. 255 shadowed
  std::vector<uint8_t> normal_map;  // size^2 RGB, only with terrain shaders

  // Tiles.
  int tile_count = 0;
  std::vector<TileType> tile_types;  // always 256 entries once loaded
  std::vector<uint8_t> tilemap;      // N^2: tile (ti, tj) at tj * N + ti

  // Deformation.
  int modified = 0;
  int frozen = 0;
  int change_count = 0;

  // Decals; `has_decal_list` tells the writer whether to write "decals".
  std::vector<Decal> decals;
  bool has_decal_list = false;

  // Kept across terrain_free and terrain_load.
  TerrainLight light;

  // The terrain renderer's state.
  int method = MethodSoftware;
  int update_type = 0;  // 1 sub-image uploads, 2 copy, 3 framebuffer object
  int texture_resolution = 0;
  bool shaders = false;
  int camera_i = -1000000, camera_j = -1000000;  // last update position
  int stale_i0 = 0, stale_j0 = 0, stale_i1 = -1, stale_j1 = -1;  // union of stale rectangles
};

// Copies the sun, its colour, the ambient light and the dynamic-lighting
// flag of the track's lighting into the terrain.
void terrain_use_lighting(Terrain& t, const Lighting& lighting);

// Loads "terrain.hf" (+ "terrain.png"), shading, shadows, tile types, tile
// map and decals from the folder path ("@" + folder name). Returns 1 on
// success, 0 after a console message and terrain_free.
int terrain_load(Terrain& t, const char* folder_path, int method);
// Writes the files of the terrain into the folder path; 1 on success.
int terrain_save(Terrain& t, const char* folder_path);
// Releases every array and resets every field but the light.
void terrain_free(Terrain& t);

// Ground queries: constant time, no allocation, indices clamped so that any
// point (even far outside, or NaN) reads samples of the field.
float terrain_height_at(const Terrain& t, float x, float z);
// Unnormalised normal of the triangle under (x, z), pointing up.
void terrain_triangle_normal(const Terrain& t, float x, float z, float out[3]);
// Unit normal at sample (i, j).
void terrain_vertex_normal(const Terrain& t, int i, int j, float out[3]);
// Index of the tile type under (x, z); points outside use the border tiles.
int terrain_tile_at(const Terrain& t, float x, float z);
const TileType& terrain_tile_type_at(const Terrain& t, float x, float z);

// The smooth brush: raises (or lowers) the ground around (x, z) within
// radius by amount, weighted 2t^3 - 3t^2 + 1 over t = distance / radius.
void terrain_deform(Terrain& t, float x, float z, float radius, float amount);
// Recomputes shading (and the normal map) over the inclusive sample
// rectangle and marks the renderer's textures there stale.
void terrain_refresh(Terrain& t, int i0, int j0, int i1, int j1);
// Builds the whole normal map (terrain shaders only).
void terrain_build_normal_map(Terrain& t);

// Terrain renderer hooks (texture caches): chooses the update type at load
// and marks the textures covering a sample rectangle stale.
void terrain_render_setup(Terrain& t);
void terrain_mark_stale(Terrain& t, int i0, int j0, int i1, int j1);
