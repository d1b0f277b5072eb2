// Renderer parameters derived from the graphics settings; the command line
// may override them after apply_graphics_settings().
#pragma once

struct GraphicsParams {
  double terrain_detail = 0.125 / 70;  // --detail
  int ground_texture_detail = 1;       // --ground-texture-detail
  int ground_texture_size = 64;
  double model_lod_scale = 1.0;        // --lod-scale
  double model_lod_bias = 0.0;         // --lod-bias
  int texture_detail = 1;              // --texture-detail
  int roost_frequency = 1000;          // --roostfrequency
  int reflections = 1;
  int texture_compress = 0;            // 0 No, 1 Yes, 2 Always
};

GraphicsParams& graphics_params();
