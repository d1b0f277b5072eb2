// Height, normals and tiles on hand-made grids, and the deformation brush.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "track/terrain.h"

namespace {

// A 2^exponent-tile ground of spacing 2 whose sample heights come from f.
Terrain make_terrain(const std::function<float(int, int)>& f, int exponent = 1, float spacing = 2) {
  Terrain t;
  t.exponent = exponent;
  t.size = (2 << exponent) + 1;
  t.spacing = spacing;
  t.tile_size = 2 * spacing;
  t.world_size = static_cast<float>(2 << exponent) * spacing;
  t.heights.resize(static_cast<size_t>(t.size) * t.size);
  t.hmin = 1e30f, t.hmax = -1e30f;
  for (int j = 0; j < t.size; ++j) {
    for (int i = 0; i < t.size; ++i) {
      float h = f(i, j);
      t.heights[static_cast<size_t>(j) * t.size + i] = h;
      t.hmin = std::min(t.hmin, h), t.hmax = std::max(t.hmax, h);
    }
  }
  t.shading.assign(t.heights.size() * 3, 0);
  t.shadow.assign(t.heights.size(), 0);
  return t;
}

// H(i, j) = i^2 + 10 j + 3 i j: no two diagonals of a cell agree.
float bumpy(int i, int j) { return static_cast<float>(i * i + 10 * j + 3 * i * j); }

struct HeightCase {
  const char* where;
  float u, w;  // in samples
  float height;
};

TEST(TerrainHeight, FollowsTheCheckerboardDiagonals) {
  const Terrain t = make_terrain(bumpy);
  // Cell (0, 0) is even: diagonal (0,0)-(1,1). Cell (1, 0) is odd:
  // diagonal (2,0)-(1,1). Values worked out by hand from the corners
  // H00 0, H10 1, H20 4, H01 10, H11 14, H21 20.
  const HeightCase cases[] = {
      {"even, lower triangle", 0.5f, 0.25f, 3.75f},
      {"even, upper triangle", 0.25f, 0.5f, 6.0f},
      {"even, on the diagonal", 0.5f, 0.5f, 7.0f},
      {"odd, lower triangle", 1.25f, 0.25f, 5.0f},
      {"odd, upper triangle", 1.75f, 0.75f, 14.5f},
      {"odd, on the diagonal", 1.5f, 0.5f, 9.0f},
      {"on a sample", 2.0f, 1.0f, 20.0f},
  };
  for (const HeightCase& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_NEAR(terrain_height_at(t, c.u * t.spacing, c.w * t.spacing), c.height, 1e-4);
  }
}

TEST(TerrainHeight, PointsOutsideReadTheEdgeSamples) {
  const Terrain t = make_terrain(bumpy);
  const float last = t.size - 1;
  EXPECT_FLOAT_EQ(terrain_height_at(t, -50, -50), bumpy(0, 0));
  EXPECT_FLOAT_EQ(terrain_height_at(t, 1e30f, 1e30f), bumpy(4, 4));
  EXPECT_FLOAT_EQ(terrain_height_at(t, -3, last * t.spacing), bumpy(0, 4));
  // Beyond the far x edge, along a z edge row: interpolates along z only.
  EXPECT_NEAR(terrain_height_at(t, 1000, 0.5f * t.spacing), (bumpy(4, 0) + bumpy(4, 1)) / 2, 1e-4);
  EXPECT_TRUE(std::isfinite(terrain_height_at(t, NAN, NAN)));
  EXPECT_TRUE(std::isfinite(terrain_height_at(t, -INFINITY, INFINITY)));
  Terrain empty;
  EXPECT_EQ(terrain_height_at(empty, 1, 1), 0.0f);
}

TEST(TerrainNormal, TriangleNormalOfTheEvenLowerTriangle) {
  const Terrain t = make_terrain(bumpy);
  float n[3];
  // Triangle (1,0), (0,0), (1,1): (P1 - P0) x (P2 - P0) with P0 (2, 1, 0),
  // P1 (0, 0, 0), P2 (2, 14, 2).
  terrain_triangle_normal(t, 0.5f * t.spacing, 0.25f * t.spacing, n);
  EXPECT_FLOAT_EQ(n[0], -2);
  EXPECT_FLOAT_EQ(n[1], 4);
  EXPECT_FLOAT_EQ(n[2], -26);
  // Every triangle's normal points up.
  for (float u : {0.2f, 0.8f, 1.3f, 1.9f, 2.6f, 3.4f}) {
    for (float w : {0.1f, 0.7f, 1.6f, 3.9f}) {
      terrain_triangle_normal(t, u * t.spacing, w * t.spacing, n);
      EXPECT_GT(n[1], 0) << u << "," << w;
    }
  }
}

TEST(TerrainNormal, VertexNormalIsUnitAndFollowsASlope) {
  const Terrain flat = make_terrain([](int, int) { return 3.0f; });
  float n[3];
  terrain_vertex_normal(flat, 2, 2, n);
  EXPECT_FLOAT_EQ(n[0], 0);
  EXPECT_FLOAT_EQ(n[1], 1);
  EXPECT_FLOAT_EQ(n[2], 0);
  // h = 0.5 x: the plane's normal is (-0.5, 1, 0) normalised.
  const Terrain slope = make_terrain([](int i, int) { return 0.5f * 2 * i; });
  terrain_vertex_normal(slope, 2, 2, n);
  const float len = std::sqrt(1.25f);
  EXPECT_NEAR(n[0], -0.5f / len, 1e-6);
  EXPECT_NEAR(n[1], 1 / len, 1e-6);
  EXPECT_NEAR(n[2], 0, 1e-6);
  // Edge and outside samples clamp their heights and stay unit length.
  for (int i : {0, 4, -7, 99}) {
    terrain_vertex_normal(slope, i, 0, n);
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5);
  }
}

TEST(TerrainTiles, LookupClampsToTheBorderTiles) {
  Terrain t = make_terrain(bumpy);  // 2 x 2 tiles of 4 ft
  t.tilemap = {0, 1, 2, 3};
  t.tile_types.assign(kMaxTileTypes, TileType{});
  t.tile_count = 4;
  EXPECT_EQ(terrain_tile_at(t, 1, 1), 0);
  EXPECT_EQ(terrain_tile_at(t, 5, 1), 1);
  EXPECT_EQ(terrain_tile_at(t, 1, 5), 2);
  EXPECT_EQ(terrain_tile_at(t, 7.9f, 7.9f), 3);
  EXPECT_EQ(terrain_tile_at(t, -100, 100), 2);
  EXPECT_EQ(terrain_tile_at(t, 1e30f, -1e30f), 1);
  EXPECT_EQ(terrain_tile_at(t, NAN, NAN), 0);
}

// Deformation on a flat 4-tile-a-side field of spacing 2.
struct Brush : ::testing::Test {
  Terrain t = make_terrain([](int, int) { return 0.0f; }, 2);
  int changed() const {
    int n = 0;
    for (float h : t.heights) n += h != 0.0f;
    return n;
  }
};

TEST_F(Brush, RaisesTheCentreByTheAmountAndWidensTheRange) {
  terrain_deform(t, 4 * t.spacing, 4 * t.spacing, 3 * t.spacing, 2.0f);
  EXPECT_FLOAT_EQ(t.heights[4 * t.size + 4], 2.0f);
  // One sample away: t = 1/3, weight 2/27 - 3/9 + 1.
  EXPECT_NEAR(t.heights[4 * t.size + 5], 2.0f * (2.0f / 27 - 1.0f / 3 + 1), 1e-5);
  EXPECT_FLOAT_EQ(t.hmax, 2.0f);
  EXPECT_EQ(t.modified, 1);
  EXPECT_EQ(t.change_count, 1);
  // Shading was recomputed around it: a slope is lit differently from flat.
  EXPECT_NE(t.shading[3 * (4 * t.size + 2)], t.shading[3 * (4 * t.size + 6)]);
  EXPECT_LE(t.stale_i0, 2);
  EXPECT_GE(t.stale_i1, 6);
}

TEST_F(Brush, SmallBrushTouchesAtMostFourSamples) {
  terrain_deform(t, 3.3f * t.spacing, 5.6f * t.spacing, 0.9f * t.spacing, -1.0f);
  EXPECT_GE(changed(), 1);
  EXPECT_LE(changed(), 4);
  EXPECT_LT(t.hmin, 0.0f);
}

TEST_F(Brush, ZeroAmountIsNoChange) {
  terrain_deform(t, 4, 4, 5, 0.0f);
  EXPECT_EQ(changed(), 0);
  EXPECT_EQ(t.change_count, 0);
  EXPECT_EQ(t.modified, 0);
}

TEST_F(Brush, FrozenGroundStaysButTheChangeIsCounted) {
  t.frozen = 1;
  terrain_deform(t, 8, 8, 6, 3.0f);
  EXPECT_EQ(changed(), 0);
  EXPECT_EQ(t.hmax, 0.0f);
  EXPECT_EQ(t.modified, 0);
  EXPECT_EQ(t.change_count, 1);
}

TEST_F(Brush, EdgesHugeRadiiAndBadNumbersStayInsideTheArray) {
  terrain_deform(t, 0, 0, 3, 1.0f);          // corner
  terrain_deform(t, -1e30f, 1e30f, 5, 1.0f);  // far outside
  terrain_deform(t, 8, 8, 1e30f, 1.0f);       // wider than the field
  terrain_deform(t, NAN, 8, 3, 1.0f);
  terrain_deform(t, 8, 8, NAN, 1.0f);
  terrain_deform(t, 8, 8, -4, 1.0f);
  for (float h : t.heights) EXPECT_TRUE(std::isfinite(h));
  EXPECT_FLOAT_EQ(t.heights[0], 2.0f);  // the corner stroke and the huge one
}

TEST(TerrainRefresh, ShadingFromSunAmbientAndShadow) {
  Terrain t = make_terrain([](int, int) { return 0.0f; });
  t.light.sun[0] = 0, t.light.sun[1] = 1, t.light.sun[2] = 0;
  t.light.sun_color[0] = 1, t.light.sun_color[1] = 0.5f, t.light.sun_color[2] = 0;
  t.light.ambient[0] = 0.2f, t.light.ambient[1] = 0.2f, t.light.ambient[2] = 0.2f;
  t.shadow[0] = 255;  // fully shadowed sample
  terrain_refresh(t, -5, -5, 100, 100);
  // Lit: (1 + 0.2) * 127.5 = 153, (0.5 + 0.2) * 127.5 = 89.25, 0.2 * 127.5.
  const size_t lit = 3 * 12;
  EXPECT_EQ(t.shading[lit], 153);
  EXPECT_EQ(t.shading[lit + 1], 89);
  EXPECT_EQ(t.shading[lit + 2], 26);
  EXPECT_EQ(t.shading[0], 26);
  // With terrain shaders the normal map follows: flat is (128, 255 - shadow, 128).
  t.shaders = true;
  terrain_build_normal_map(t);
  EXPECT_EQ(t.normal_map[0], 128);
  EXPECT_EQ(t.normal_map[1], 0);
  EXPECT_EQ(t.normal_map[lit + 1], 255);
  EXPECT_EQ(t.normal_map[lit + 2], 128);
}

}  // namespace
