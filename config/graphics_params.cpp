#include "config/graphics_params.h"

#include <algorithm>
#include <cmath>

#include "config/config_file.h"
#include "config/settings.h"

GraphicsParams& graphics_params() {
  static GraphicsParams params;
  return params;
}

namespace {
double number_of(const char* key) { return find_setting(key)->number; }
int chosen_of(const char* key) { return find_setting(key)->chosen; }
}  // namespace

void apply_graphics_settings() {
  GraphicsParams& p = graphics_params();
  // Ground detail 0 gives an infinite factor: every node error then counts
  // as nothing and the ground is split by distance alone, the coarsest mesh.
  p.terrain_detail = 0.125 / number_of("ground_detail");
  p.ground_texture_detail = (int)std::clamp(std::lround(10 - number_of("ground_texture_detail")), 0L, 10L);
  p.ground_texture_size = 32 << std::clamp(chosen_of("ground_texture_dim"), 0, 5);

  double model_detail = number_of("model_detail");
  double scale = std::clamp(100 - model_detail, 0.0, 100.0) * 0.02;
  if (scale > 1) scale = scale * scale * scale;
  p.model_lod_scale = scale;
  p.model_lod_bias = 50 - 50 * std::clamp((model_detail - 10) * 0.05, 0.0, 1.0);

  p.texture_detail = (int)std::clamp(std::lround(10 - number_of("model_texture_detail")), 0L, 10L);
  p.roost_frequency = (int)std::lround(number_of("roost_density"));
  p.reflections = chosen_of("reflections");
  p.texture_compress = chosen_of("texture_compress");
}
