#include "track/timing_gates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/track/track_fixture.h"

namespace {
constexpr float kPi = 3.14159265358979f;

struct GatesTest : ::testing::Test {
  ObjectFiles files;
  Track track;
  void read(const std::string& text) { timing_gates_read(track, files.write("timing_gates", text).c_str()); }
};

const char* const kThreeGates =
    "checkpoints:\n"
    "10 [0 0 0] [0 0 -1]\n"
    "10 [0 0 -50] [0 0 -1]\n"
    "10 [50 0 -50] [1 0 0]\n";

TEST_F(GatesTest, StartSlotWithOnlyPositionAndAngleGetsTheStandardGateBehindIt) {
  read("startinggate:\n[10 0.5 20] 0.5\ncheckpoints:\n");
  ASSERT_EQ(track.gates.start_slots.size(), 1u);
  const StartSlot& slot = track.gates.start_slots[0];
  EXPECT_FLOAT_EQ(slot.position[0], 10);
  EXPECT_FLOAT_EQ(slot.position[2], 20);
  ASSERT_EQ(slot.statue, 0);
  const Statue& gate = track.statues[0];
  EXPECT_EQ(gate.model_name, "@startgate.jm");
  EXPECT_EQ(gate.texture_name, "@startgate.ppm");
  EXPECT_EQ(gate.shape_name, "@startgate.shp");
  EXPECT_TRUE(gate.start_gate);
  EXPECT_NEAR(gate.x, 10 - 3 * std::sin(0.5f), 1e-5);
  EXPECT_NEAR(gate.z, 20 - 3 * std::cos(0.5f), 1e-5);
  EXPECT_FLOAT_EQ(gate.y_offset, 0.5f);
  // The shape file does not exist here.
  EXPECT_TRUE(message_shown("Warning: missing shape file @startgate.shp"));
}

TEST_F(GatesTest, StartSlotAnglesWrapIntoPlusMinusPi) {
  struct Case {
    float in, out;
  } cases[] = {{7, 7 - 2 * kPi}, {-7, -7 + 2 * kPi}, {3, 3}, {-3, -3}, {3.1415f, 3.1415f}, {13, 13 - 4 * kPi}};
  std::string text = "startinggate:\n";
  for (const Case& c : cases) text += "[0 0 0] " + std::to_string(c.in) + " a b null\n";
  read(text);
  ASSERT_EQ(track.gates.start_slots.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_NEAR(track.gates.start_slots[i].angle, cases[i].out, 1e-5) << cases[i].in;
    EXPECT_EQ(track.statues[i].shape_name, "");  // "null" is none
  }
}

TEST_F(GatesTest, ReferencesAreNormalisedAgainstTheCheckpointCount) {
  struct Case {
    int in, out;
  } cases[] = {{100003, 100002}, {-5, 0}, {7, 2}, {1, 1}, {100000, 100000}, {299999, 100002}, {-100001, 0}};
  for (const Case& c : cases) EXPECT_EQ(lap_reference_normalise(c.in, 3), c.out) << c.in;

  read(std::string(kThreeGates) + "firstlap:\n1 100003 -5\nnormallap:\n7 100001\n");
  ASSERT_EQ(track.gates.checkpoints.size(), 3u);
  EXPECT_EQ(track.gates.first_lap, (std::vector<int>{1, 100002, 0}));
  EXPECT_EQ(track.gates.normal_lap, (std::vector<int>{2, 100001}));
  EXPECT_EQ(track.gates.first_lap_real, 2);
  EXPECT_EQ(track.gates.normal_lap_real, 1);
  EXPECT_FLOAT_EQ(track.gates.checkpoints[2].position[0], 50);
  EXPECT_FLOAT_EQ(track.gates.checkpoints[2].direction[0], 1);
  EXPECT_FLOAT_EQ(track.gates.checkpoints[1].radius, 10);
}

// Gate sets that must be dropped whole, while the starting gates stay.
TEST_F(GatesTest, UnacceptableGateSetsAreDropped) {
  const char* const cases[] = {
      "firstlap:\n100000 100001\nnormallap:\n0 1\n",  // first lap all marked
      "firstlap:\n0 1\nnormallap:\n100002\n",          // normal lap all marked
      "firstlap:\n0 1\nnormallap:\n",                  // normal lap empty
      "firstlap:\n",                                   // both empty
      "",                                              // no sequences at all
  };
  for (const char* laps : cases) {
    Track t;
    std::string text = std::string("startinggate:\n[1 0 1] 0\n") + kThreeGates + laps;
    timing_gates_read(t, files.write("timing_gates", text).c_str());
    EXPECT_TRUE(t.gates.checkpoints.empty()) << laps;
    EXPECT_TRUE(t.gates.first_lap.empty()) << laps;
    EXPECT_TRUE(t.gates.normal_lap.empty()) << laps;
    EXPECT_EQ(t.gates.start_slots.size(), 1u) << laps;
    EXPECT_EQ(t.statues.size(), 1u) << laps;
  }
}

TEST_F(GatesTest, FileWithoutStartingGateSectionIsReadFromCheckpoints) {
  read(std::string(kThreeGates) + "firstlap:\n0 1 2\nnormallap:\n0 1 2\n");
  EXPECT_TRUE(track.gates.start_slots.empty());
  EXPECT_EQ(track.gates.checkpoints.size(), 3u);
  EXPECT_EQ(track.gates.first_lap.size(), 3u);
}

TEST_F(GatesTest, LimitsKeepTheFirstEntries) {
  std::string text = "startinggate:\n";
  for (int i = 0; i < 170; ++i) text += "[" + std::to_string(i) + " 0 0] 0\n";
  text += "checkpoints:\n";
  for (int i = 0; i < 300; ++i) text += "5 [" + std::to_string(i) + " 0 0] [1 0 0]\n";
  text += "firstlap:\n";
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + " ";
  text += "\nnormallap:\n0 1\n";
  read(text);
  EXPECT_EQ(track.gates.start_slots.size(), 160u);
  EXPECT_EQ(track.gates.checkpoints.size(), 256u);
  EXPECT_EQ(track.gates.first_lap.size(), 256u);
  EXPECT_EQ(track.gates.normal_lap.size(), 2u);
}

TEST_F(GatesTest, BrokenCheckpointLineKeepsTheSlotsButDropsTheSet) {
  read("startinggate:\n[0 0 0] 0\n[3 0 0] 0\ncheckpoints:\n5 [0 0 0] [0 0 -1]\n5 [1 0 garbage\nfirstlap:\n0\nnormallap:\n0\n");
  EXPECT_EQ(track.gates.start_slots.size(), 2u);
  // The reader stopped at the bad line, so no lap sequences were read.
  EXPECT_TRUE(track.gates.checkpoints.empty());
}

TEST_F(GatesTest, WriterRoundTripsGatesAndNames) {
  read("startinggate:\n[1 0 2] 0.25\n[4 0 2] 0.25 @other.jm null @other.shp\n" + std::string(kThreeGates) +
       "firstlap:\n2 100001 0\nnormallap:\n1 2 0\n");
  std::string path = files.dir.file("written");
  ASSERT_TRUE(timing_gates_write(track, path.c_str()));
  EXPECT_EQ(slurp(path),
            "startinggate:\n"
            "[1.000000 0.000000 2.000000] 0.250000\n"
            "[4.000000 0.000000 2.000000] 0.250000 @other.jm null @other.shp\n"
            "checkpoints:\n"
            "10.000000 [0.000000 0.000000 0.000000] [0.000000 0.000000 -1.000000]\n"
            "10.000000 [0.000000 0.000000 -50.000000] [0.000000 0.000000 -1.000000]\n"
            "10.000000 [50.000000 0.000000 -50.000000] [1.000000 0.000000 0.000000]\n"
            "firstlap:\n2 100001 0 \n"
            "normallap:\n1 2 0 \n");
  Track again;
  timing_gates_read(again, path.c_str());
  EXPECT_EQ(again.gates.first_lap, track.gates.first_lap);
  EXPECT_EQ(again.gates.checkpoints.size(), 3u);
  EXPECT_EQ(again.statues[1].model_name, "@other.jm");
}

TEST_F(GatesTest, WriterReportsAFileItCannotOpen) {
  files.write("blocker", "a file, not a folder");
  EXPECT_FALSE(timing_gates_write(track, files.dir.file("blocker/timing_gates").c_str()));
  EXPECT_TRUE(message_shown("Can't open 'timing_gates'"));
}

TEST_F(GatesTest, MissingFileLeavesNoGates) {
  timing_gates_read(track, files.dir.file("absent").c_str());
  EXPECT_TRUE(track.gates.start_slots.empty());
  EXPECT_TRUE(track.gates.checkpoints.empty());
}
}  // namespace
