#include <cmath>

#include "config/graphics_params.h"
#include "config/graphics_presets.h"
#include "config_fixture.h"

namespace {

struct DerivedCase {
  const char* input;
  double terrain_detail;
  int ground_texture_detail;
  int ground_texture_size;
  double lod_scale;
  double lod_bias;
  int texture_detail;
  int roost_frequency;
  int reflections;
  int texture_compress;
};

TEST_F(ConfigTest, DerivedGraphicsParameters) {
  const DerivedCase cases[] = {
      // The Compatibility defaults.
      {"", 0.125 / 70, 1, 64, 1.0, 0.0, 1, 1000, 1, 0},
      // Model detail 25 gives a scale of 1.5, cubed as it is above 1.
      {"model_detail=25\nground_texture_dim=1024x1024\nreflections=No\ntexture_compress=Always\n",
       0.125 / 70, 1, 1024, 1.5 * 1.5 * 1.5, 12.5, 1, 1000, 0, 2},
      {"ground_detail=100\nground_texture_detail=0\nmodel_texture_detail=0\nmodel_detail=100\n"
       "roost_density=455\nground_texture_dim=32x32\n",
       0.00125, 10, 32, 0.0, 0.0, 10, 455, 1, 0},
      // Model detail 0: scale 2 cubed; bias at its largest.
      {"model_detail=0\nmodel_texture_detail=10\nground_texture_detail=10\n", 0.125 / 70, 0, 64, 8.0,
       50.0, 0, 1000, 1, 0},
  };
  for (const DerivedCase& c : cases) {
    settings_defaults();
    read_text(c.input);
    apply_graphics_settings();
    const GraphicsParams& p = graphics_params();
    SCOPED_TRACE(c.input);
    EXPECT_DOUBLE_EQ(p.terrain_detail, c.terrain_detail);
    EXPECT_EQ(p.ground_texture_detail, c.ground_texture_detail);
    EXPECT_EQ(p.ground_texture_size, c.ground_texture_size);
    EXPECT_DOUBLE_EQ(p.model_lod_scale, c.lod_scale);
    EXPECT_DOUBLE_EQ(p.model_lod_bias, c.lod_bias);
    EXPECT_EQ(p.texture_detail, c.texture_detail);
    EXPECT_EQ(p.roost_frequency, c.roost_frequency);
    EXPECT_EQ(p.reflections, c.reflections);
    EXPECT_EQ(p.texture_compress, c.texture_compress);
  }
}

TEST_F(ConfigTest, GroundDetailZeroGivesTheCoarsestGround) {
  read_text("ground_detail=0\n");
  apply_graphics_settings();
  EXPECT_TRUE(std::isinf(graphics_params().terrain_detail));
}

TEST_F(ConfigTest, PresetsFillAndRecogniseTheirColumns) {
  EXPECT_TRUE(graphics_preset_matches(PresetCompatibility));
  apply_graphics_preset(PresetHighFps);
  EXPECT_TRUE(graphics_preset_matches(PresetHighFps));
  EXPECT_FALSE(graphics_preset_matches(PresetCompatibility));
  EXPECT_STREQ(chosen_text(*find_setting("render_texture")), "Hardware/Direct");
  EXPECT_EQ(find_setting("roost_density")->number, 0);
  apply_graphics_preset(PresetHighDetail);
  EXPECT_STREQ(chosen_text(*find_setting("ground_texture_dim")), "256x256");
  set_number(*find_setting("model_detail"), 74);
  EXPECT_FALSE(graphics_preset_matches(PresetHighDetail));
  EXPECT_STREQ(graphics_preset_name(PresetNormal), "Normal");
}

}  // namespace
