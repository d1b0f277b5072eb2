#include "track/flaggers.h"

#include <gtest/gtest.h>

#include "tests/track/track_fixture.h"

namespace {
struct FlaggersTest : ::testing::Test {
  ObjectFiles files;
  Track track;
  TextureId tex[12] = {};
  std::string name(int i) { return files.dir.file("f" + std::to_string(i) + ".png"); }
  void SetUp() override {
    make_ground(track, 1);
    for (int i = 0; i < 12; ++i) files.write("f" + std::to_string(i) + ".png", "x");
    for (int i = 0; i < 12; ++i) tex[i] = asset_texture(name(i).c_str());
    for (int i = 0; i < 3; ++i) track.gates.checkpoints.push_back(Checkpoint());
    std::string text = "[ 0 0 0 ] [ 10 2 0 ] 6 0.5 2\n";
    for (int i = 0; i < 5; ++i) text += name(i) + " ";
    text += "\n[ 5 0 5 ] 6 0.5\n";
    for (int i = 5; i < 9; ++i) text += name(i) + " ";
    text += "\n[ 1 0 1 ] 6 0.5 0 7 -3 -1 " + name(9) + " " + name(10) + "\n";
    text += "[ 2 0 2 ] 6 0.5 1 -1 -1 -1 " + name(9) + "\n";  // texture B missing: ends the list
    flaggers_read(track, files.write("flaggers", text).c_str());
  }
  const Billboard& board(int i) { return track.billboards[i]; }
};

TEST_F(FlaggersTest, ReadCreatesTheirBillboardsAndClampsGates) {
  EXPECT_EQ(track.billboards.size(), 3u);
  EXPECT_EQ(track.flaggers.start.billboard, 0);
  EXPECT_FLOAT_EQ(track.flaggers.start.duration, 2);
  EXPECT_EQ(track.flaggers.finish.billboard, 1);
  EXPECT_EQ(track.flaggers.finish.textures[3], tex[8]);
  ASSERT_EQ(track.flaggers.course.size(), 1u);
  const CourseFlagger& c = track.flaggers.course[0];
  EXPECT_EQ(c.checkpoints[0], 0);
  EXPECT_EQ(c.checkpoints[1], 2);
  EXPECT_EQ(c.checkpoints[2], -1);
  for (const Billboard& b : track.billboards) EXPECT_TRUE(b.internal);
}

TEST_F(FlaggersTest, StartFlaggerWavesAndWalksOnTime) {
  struct Case {
    double now;
    int texture;
    float x;
  } cases[] = {{10.05, 0, 0}, {10.15, 1, 0}, {10.5, 2, 0}, {11.0, 3, 0}, {12.0, 3, 5}, {13.0, 4, 10}, {50, 4, 10}};
  for (const Case& c : cases) {
    FlaggerRace race;
    race.start_time = 10.7;  // whole seconds count: 10
    race.now = c.now;
    flaggers_update(track, race);
    EXPECT_EQ(board(0).texture, tex[c.texture]) << c.now;
    EXPECT_FLOAT_EQ(board(0).x, c.x) << c.now;
    EXPECT_FLOAT_EQ(board(0).y, 1 + c.x / 10 * 2) << c.now;
  }
}

TEST_F(FlaggersTest, FinishFlaggerShowsTheLapBoard) {
  struct Case {
    int leader_laps, texture;
  } cases[] = {{0, 5}, {1, 5}, {2, 6}, {3, 5}, {4, 7}, {5, 8}, {6, 8}};
  for (const Case& c : cases) {
    FlaggerRace race;
    race.leader_laps = c.leader_laps;
    race.total_laps = 5;
    race.halfway_lap = 3;
    flaggers_update(track, race);
    EXPECT_EQ(board(1).texture, tex[c.texture]) << c.leader_laps;
  }
}

TEST_F(FlaggersTest, CourseFlaggerWarnsOfAFallenRiderHeadingForItsGates) {
  FlaggerRace race;
  flaggers_update(track, race);
  EXPECT_EQ(board(2).texture, tex[9]);
  race.down_rider_gates = {2};
  flaggers_update(track, race);
  EXPECT_EQ(board(2).texture, tex[10]);
  race.down_rider_gates = {1, 99, -1};
  flaggers_update(track, race);
  EXPECT_EQ(board(2).texture, tex[9]);
}

TEST(Flaggers, WithoutDurationDefaultsToOneSecondAndBadStartReadsNothing) {
  ObjectFiles files;
  Track t;
  flaggers_read(t, files.write("flaggers", "[ 0 0 0 ] [ 1 0 0 ] 6 0.5\na b c d e\n").c_str());
  EXPECT_FLOAT_EQ(t.flaggers.start.duration, 1);
  EXPECT_EQ(t.flaggers.start.billboard, 0);
  EXPECT_EQ(t.flaggers.finish.billboard, -1);
  Track u;
  flaggers_read(u, files.write("flaggers", "[ 0 0 ] [ 1 0 0 ] 6 0.5\na b c d e\n").c_str());
  EXPECT_TRUE(u.billboards.empty());
  EXPECT_EQ(u.flaggers.start.billboard, -1);
}
}  // namespace
