#include "track/lighting.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/track/track_fixture.h"

namespace {
TEST(Lighting, MissingFileGivesTheDefaults) {
  ObjectFiles files;
  Lighting l;
  l.fog_density = 3;
  lighting_read(l, files.dir.file("none").c_str());
  EXPECT_NEAR(l.sun_vector[0], 1 / std::sqrt(3.0f), 1e-6);
  EXPECT_FLOAT_EQ(l.ambient[1], 0.5f);
  EXPECT_FLOAT_EQ(l.global_ambient[2], 0.2f);
  EXPECT_FLOAT_EQ(l.near_plane, 0.25f);
  EXPECT_FLOAT_EQ(l.far_plane, 5000);
  EXPECT_EQ(l.fog_density, 0);
  EXPECT_EQ(l.sky_names[SkyNorth], "@sky-n.ppm");
  EXPECT_EQ(l.sky_names[SkyEnv], "@sky-env.ppm");
}

TEST(Lighting, ValuesFlaresAndUnknownKeywords) {
  ObjectFiles files;
  Lighting l;
  lighting_read(l, files.write("lighting",
                               "sun_vector [ 0 2 0 ]   \t\n"
                               "\tsun_color [0.9 0.8 0.7]\n"
                               "bogus 12\n"
                               "sky_u @clouds.png\n"
                               "flare_element [ 0.5 1 ] [ 1 0 0 ] 2 @f.png\n"
                               "flare_element [ 0 0 ]\n"
                               "flare_vector [ 0 1 0 ]\n"
                               "flare_point [ 1 2 3 ]\n"
                               "fog [ 0.5 0.6 0.7 ] 0.001\n"
                               "dynamic_lighting 2\n")
                                .c_str());
  EXPECT_FLOAT_EQ(l.sun_vector[1], 1);
  EXPECT_FLOAT_EQ(l.sun_color[2], 0.7f);
  EXPECT_EQ(l.sky_names[SkyUp], "@clouds.png");
  EXPECT_EQ(l.sky_names[SkyWest], "@sky-w.ppm");
  ASSERT_EQ(l.flares.size(), 2u);
  EXPECT_TRUE(l.flares[0].at_infinity);
  ASSERT_EQ(l.flares[0].element_count, 2);
  EXPECT_FLOAT_EQ(l.flares[0].elements[0].scale, 2);
  EXPECT_EQ(l.flares[0].elements[0].texture_name, "@f.png");
  EXPECT_FLOAT_EQ(l.flares[0].elements[1].colour[0], 1);
  EXPECT_FLOAT_EQ(l.flares[0].elements[1].scale, 1);
  EXPECT_FALSE(l.flares[1].at_infinity);
  EXPECT_EQ(l.flares[1].element_count, 0);
  EXPECT_FLOAT_EQ(l.flares[1].where[2], 3);
  EXPECT_FLOAT_EQ(l.fog_density, 0.001f);
  EXPECT_TRUE(l.dynamic_lighting);
  EXPECT_TRUE(message_shown("Error reading lighting: Unknown identifier 'bogus'"));
}

TEST(Lighting, ClipPlanesAreClamped) {
  struct Case {
    const char* text;
    float near_plane, far_plane;
  } cases[] = {
      {"near_plane 0\nfar_plane 0.1\n", 1.0f / 1024, 0.1f},
      {"near_plane 0.5\nfar_plane 0.1\n", 0.5f, 0.5f},
      {"near_plane 5\nfar_plane 1e9\n", 0.875f, 1048576},
      {"near_plane 0.5\nfar_plane 0.25\n", 0.5f, 0.5f},
      {"near_plane nan\nfar_plane nan\n", 1.0f / 1024, 1.0f / 1024},
  };
  ObjectFiles files;
  for (const Case& c : cases) {
    Lighting l;
    lighting_read(l, files.write("lighting", c.text).c_str());
    EXPECT_FLOAT_EQ(l.near_plane, c.near_plane) << c.text;
    EXPECT_FLOAT_EQ(l.far_plane, c.far_plane) << c.text;
  }
}

TEST(Lighting, AtMostEightElementsPerFlare) {
  ObjectFiles files;
  std::string text;
  for (int i = 0; i < 12; ++i) text += "flare_element [ 0 0 ] [ 1 1 1 ] 1 @f.png\n";
  text += "flare_point [ 0 0 0 ]\n";
  Lighting l;
  lighting_read(l, files.write("lighting", text).c_str());
  ASSERT_EQ(l.flares.size(), 1u);
  EXPECT_EQ(l.flares[0].element_count, kMaxFlareElements);
}
}  // namespace
