// The terrain renderer's part of the terrain record: the texture update
// type chosen at load and the stale rectangle that deformation leaves.
#include <algorithm>

#include "platform/log.h"
#include "track/terrain.h"

void terrain_render_setup(Terrain& t) {
  const TerrainOptions& o = terrain_options();
  const bool copy = t.method == MethodHardwareCopy || t.method == MethodShadersCopy;
  const bool direct = t.method == MethodHardwareDirect || t.method == MethodShadersDirect;
  t.update_type = copy ? 2 : (direct && o.framebuffer_objects) ? 3 : 1;
  static const char* const kUpdateLog[] = {
      "", "Terrain texture rendering with TexSubImage\n", "Terrain texture rendering with CopyTexSubImage\n",
      "Terrain texture rendering with framebuffer objects\n"};
  tarn_log("%s", kUpdateLog[t.update_type]);
  t.texture_resolution = t.update_type == 3 ? o.texture_resolution : std::min(o.texture_resolution, 256);
  const bool shader_method = t.method == MethodShadersCopy || t.method == MethodShadersDirect;
  t.shaders = o.shaders_built && shader_method && t.light.dynamic_lighting && t.update_type >= 2;
  t.camera_i = t.camera_j = -1000000;
  t.stale_i0 = t.stale_j0 = 0;
  t.stale_i1 = t.stale_j1 = -1;
}

void terrain_mark_stale(Terrain& t, int i0, int j0, int i1, int j1) {
  if (t.stale_i1 < t.stale_i0) {
    t.stale_i0 = i0, t.stale_j0 = j0, t.stale_i1 = i1, t.stale_j1 = j1;
    return;
  }
  t.stale_i0 = std::min(t.stale_i0, i0), t.stale_j0 = std::min(t.stale_j0, j0);
  t.stale_i1 = std::max(t.stale_i1, i1), t.stale_j1 = std::max(t.stale_j1, j1);
}
