#include "track/statues.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/track/track_fixture.h"

namespace {
constexpr float kPi = 3.14159265358979f;

const char* const kBale = "2\n0 0.5 -1 0.5 0.8 4000 600\n0 0.5 1 0.5 0.8 4000 600\n";

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct StatuesTest : ::testing::Test {
  ObjectFiles files;
  Track track;
  std::string bale;
  void SetUp() override { bale = files.write("bale.shp", kBale); }
};

TEST_F(StatuesTest, RotationFollowsTheSlopeUnlessTurnedByMinusTwoPiOrMore) {
  // Ground rising one foot per foot along x.
  make_ground(track, 0, 1, 0);
  struct Case {
    float angle;
    bool leans;
  } cases[] = {{1, true}, {0, true}, {-2, true}, {-7, false}, {-2 * kPi - 0.01f, false}};
  for (const Case& c : cases) {
    int i = statue_add(track, 10, 0, 10, c.angle, "null", "null", "null");
    const Statue& s = track.statues[i];
    const float up[3] = {-1 / std::sqrt(2.0f), 1 / std::sqrt(2.0f), 0};
    const float vertical[3] = {0, 1, 0};
    if (c.leans) {
      EXPECT_NEAR(dot(s.axes[1], up), 1, 1e-5) << c.angle;
    } else {
      EXPECT_NEAR(dot(s.axes[1], vertical), 1, 1e-5) << c.angle;
    }
    // Always a right-handed orthonormal frame.
    EXPECT_NEAR(dot(s.axes[0], s.axes[1]), 0, 1e-5);
    EXPECT_NEAR(dot(s.axes[1], s.axes[2]), 0, 1e-5);
    EXPECT_NEAR(dot(s.axes[0], s.axes[0]), 1, 1e-5);
    EXPECT_NEAR(dot(s.axes[2], s.axes[2]), 1, 1e-5);
    EXPECT_FLOAT_EQ(s.y, 10);
    EXPECT_EQ(s.face_distance, 0);
  }
  // On flat ground at angle 0 the model keeps its own axes.
  Track flat;
  make_ground(flat);
  const Statue& s = flat.statues[statue_add(flat, 5, 0, 5, 0, "null", "null", "null")];
  EXPECT_NEAR(s.axes[0][0], 1, 1e-6);
  EXPECT_NEAR(s.axes[2][2], 1, 1e-6);
}

TEST_F(StatuesTest, FacingStatuesStayUnrotatedWithAFaceDistance) {
  make_ground(track, 0, 1, 0);
  const Statue& s = track.statues[statue_add(track, 10, 2, 10, 4.0f, "null", "null", "null")];
  EXPECT_FLOAT_EQ(s.face_distance, 16);
  EXPECT_FLOAT_EQ(s.axes[1][1], 1);
  EXPECT_FLOAT_EQ(s.axes[0][0], 1);
  EXPECT_FLOAT_EQ(s.y, 12);
}

TEST_F(StatuesTest, BrokenNumbersStillGiveAnUprightStatue) {
  make_ground(track);
  const Statue& s = track.statues[statue_add(track, 1, 0, 1, std::nanf(""), "null", "null", "null")];
  EXPECT_FLOAT_EQ(s.axes[1][1], 1);
  const Statue& far = track.statues[statue_add(track, 1, 0, 1, 1e30f, "null", "null", "null")];
  EXPECT_TRUE(std::isfinite(far.face_distance));
}

TEST_F(StatuesTest, MissingShapeIsReportedAndNamesAreKept) {
  make_ground(track);
  statue_add(track, 1, 0, 1, 0, "@nomodel.jm", "@notex.png", "@noshape.shp");
  EXPECT_TRUE(message_shown("Warning: missing shape file @noshape.shp"));
  const Statue& s = track.statues[0];
  EXPECT_EQ(s.shape, nullptr);
  EXPECT_EQ(s.model, 0u);
  EXPECT_EQ(s.shape_name, "@noshape.shp");
}

TEST_F(StatuesTest, ReadAndWriteKeepNamesAndSkipStartGates) {
  make_ground(track);
  int gate = statue_add(track, 0, 0, 0, 0, "@startgate.jm", "null", "null");
  track.statues[gate].start_gate = true;
  std::string path = files.write("statues", "[1 0 2] 0.5 @bale.jm @bale.png " + bale +
                                                "\n[3 0.5 4] 4 @flag.jm null null\n[5 0 6] broken\n[7 0 8] 0 a b c\n");
  statues_read(track, path.c_str());
  ASSERT_EQ(track.statues.size(), 3u);
  ASSERT_NE(track.statues[1].shape, nullptr);
  EXPECT_EQ(track.statues[1].shape->spheres.size(), 2u);
  std::string out = files.dir.file("written");
  ASSERT_TRUE(statues_write(track, out.c_str()));
  EXPECT_EQ(slurp(out), "[1.000000 0.000000 2.000000] 0.500000 @bale.jm @bale.png " + bale +
                            "\n[3.000000 0.500000 4.000000] 4.000000 @flag.jm null null\n");
  files.write("blocker", "a file, not a folder");
  EXPECT_FALSE(statues_write(track, files.dir.file("blocker/statues").c_str()));
  EXPECT_TRUE(message_shown("Can't open 'statues'"));
}

TEST(StatueMaps, CandidateNamesFollowTheRepeatRule) {
  EXPECT_EQ(statue_map_candidates("@wall-repeat.png", "@wall.jm", "_norm"),
            (std::vector<std::string>{"@wall_norm-repeat.seq", "@wall_norm-repeat.png", "@wall_norm-repeat.ppm",
                                      "@wall_norm.seq", "@wall_norm.png", "@wall_norm.ppm"}));
  EXPECT_EQ(statue_map_candidates("@a-b.c.png", "", "_spec"),
            (std::vector<std::string>{"@a-b.c_spec.seq", "@a-b.c_spec.png", "@a-b.c_spec.ppm"}));
}

TEST(StatueGrid, CellsSpanTheMiddleThreeQuarters) {
  const float w = 800;
  struct Case {
    float c;
    int cell;
  } cases[] = {{-50, 0}, {0, 0}, {100, 0}, {174, 0}, {175, 1}, {400, 4}, {624, 6}, {625, 7}, {5000, 7}, {std::nanf(""), 0}};
  for (const Case& c : cases) EXPECT_EQ(statue_grid_cell(c.c, w), c.cell) << c.c;
  // A track without ground has no extent; any cell in range will do.
  int cell = statue_grid_cell(10, 0);
  EXPECT_TRUE(cell >= 0 && cell < kStatueGridSide);
}

TEST_F(StatuesTest, GridHoldsShapedStatuesInOrderAndNearbyListsMerge) {
  make_ground(track, 0, 0, 0, 6, 4);  // 512 ft across; cells of 48 ft
  const float w = track.terrain.world_size;
  // A statue straddling four cells, one inside a cell, one without a shape.
  const float edge = (0.125f + 9 / 32.0f) * w;  // border of cells 2 and 3
  statue_add(track, edge, 0, edge, 0, "null", "null", bale.c_str());
  statue_add(track, edge + 20, 0, edge + 20, 0, "null", "null", bale.c_str());
  statue_add(track, edge, 0, edge, 0, "null", "null", "null");
  statue_add(track, edge - 1, 0, edge + 1, 0, "null", "null", bale.c_str());
  statue_grid_rebuild(track);
  int c22 = 2 * kStatueGridSide + 2, c33 = 3 * kStatueGridSide + 3;
  EXPECT_EQ(track.statue_grid.cells[c22], (std::vector<int>{0, 3}));
  EXPECT_EQ(track.statue_grid.cells[c33], (std::vector<int>{0, 1, 3}));
  for (const auto& cell : track.statue_grid.cells)
    for (int i : cell) EXPECT_NE(i, 2);

  std::vector<int> near;
  statues_near(track, edge, edge, near);
  EXPECT_EQ(near, (std::vector<int>{0, 1, 3}));
  statues_near(track, 5, 5, near);
  EXPECT_TRUE(near.empty());
  // Rebuilding gives the same lists, not doubled ones.
  statue_grid_rebuild(track);
  EXPECT_EQ(track.statue_grid.cells[c33], (std::vector<int>{0, 1, 3}));
}

// A bike near a cell border must see statues across it: the search reaches
// 6 ft into every neighbouring cell, whatever the statue's own size.
TEST_F(StatuesTest, NearbySearchReachesAcrossCellBorders) {
  make_ground(track, 0, 0, 0, 6, 4);
  const float w = track.terrain.world_size;
  const float border = (0.125f + 3 / 32.0f) * w;  // cells 0 | 1 along both axes
  const std::string small = files.write("small.shp", "1\n0 0 0 0.25 1 1 1\n");
  statue_add(track, border + 2, 0, border + 2, 0, "null", "null", small.c_str());  // in cell (1, 1) only
  statue_grid_rebuild(track);
  struct Case {
    float x, z;
    bool found;
  } cases[] = {
      {border + 2, border + 2, true},   // in the statue's own cell
      {border - 3, border + 2, true},   // across the x border
      {border + 2, border - 3, true},   // across the z border
      {border - 3, border - 3, true},   // across the corner
      {border - 7, border + 2, false},  // more than the reach from the border
      {border + 2, border - 7, false},
  };
  std::vector<int> near;
  for (const Case& c : cases) {
    statues_near(track, c.x, c.z, near);
    EXPECT_EQ(near.size() == 1, c.found) << c.x - border << ", " << c.z - border;
  }
}
}  // namespace
