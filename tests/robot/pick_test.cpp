#include "robot/line_pick.h"

#include <gtest/gtest.h>

#include "robot/line_plan.h"
#include "robot/personalities.h"
#include "tests/robot/robot_fixture.h"

namespace {
constexpr int kStart = 1800;

// Lines along -z in lanes; segment s covers z = -100 s .. -100 s - 90.
struct PickTest : ::testing::Test {
  LineTable table;
  RobotState robot;
  DriveInputs in;
  LogCapture log;
  PickTest() {
    lines_reset(table, make_gates({0, 1, 2}, {0, 1, 2}));
    robot_state_reset(robot, personality_index("alder"));
    in.start_step = kStart;
    in.race_step = kStart + 10 * 128;
    place(0, 5);
  }
  ~PickTest() override { robot_set_debug_level(0); }
  int lane(int segment, double x, double mean, int points = 10) {
    const int slot = put_line(
        table, segment, tried_line(straight(x, -100.0 * segment, x, -100.0 * segment - 90, points), 5, mean));
    return table.segments[segment][slot].id;
  }
  void place(double x, double z, double speed = 30) {
    in.frame.position[0] = x;
    in.frame.position[2] = z;
    in.frame.speed = speed;
    in.frame.velocity[2] = -speed;
    in.frame.heading[0] = 0;
    in.frame.heading[2] = -1;
  }
};

TEST_F(PickTest, TheFirstLineIsTheOneStartingNearest) {
  lane(0, -20, 100);
  const int near = lane(0, 3, 100);
  lane(0, 25, 100);
  ASSERT_TRUE(pick_line(table, robot, in));
  EXPECT_EQ(robot.ridden[0].id, near);
  EXPECT_EQ(robot.ridden[0].segment, 0);
  EXPECT_EQ(robot.next_segment, 1);
  ASSERT_EQ(robot.path.size(), 10u);
  EXPECT_FLOAT_EQ(robot.path[0].position[0], 3);
  EXPECT_EQ(table.segments[0][1].last_picked, in.race_step);
  EXPECT_EQ(table.segments[0][0].last_picked, kNeverPicked);
}

TEST_F(PickTest, TheNextLineContinuesThePathEvenWhenAnotherIsCheaper) {
  lane(0, 0, 100);
  const int same_lane = lane(1, 0, 200);
  lane(1, 10, 50);
  ASSERT_TRUE(pick_line(table, robot, in));
  place(0, -80);
  ASSERT_TRUE(pick_line(table, robot, in));
  EXPECT_EQ(robot.ridden[1].id, same_lane);
  EXPECT_EQ(robot.path.size(), 20u);
  EXPECT_FLOAT_EQ(robot.path[10].position[2], -100);
}

// A line just picked by one robot scores nothing for the next for 3 s, and
// so do the lines that end where it ends.
TEST_F(PickTest, RecentlyPickedLinesAreLeftToOthers) {
  const int first = lane(0, 0, 100);
  put_line(table, 0, tried_line(straight(0.5, 0, 2, -90, 10), 5, 100));  // ends 2 ft from the first
  const int apart = lane(0, 1, 120);
  table.segments[0][2].points.back().position[0] = 9;  // ends 9 ft from the others
  ASSERT_TRUE(pick_line(table, robot, in));
  EXPECT_EQ(robot.ridden[0].id, first);
  EXPECT_EQ(table.segments[0][1].last_picked, in.race_step);  // ends within 3 ft
  EXPECT_EQ(table.segments[0][2].last_picked, kNeverPicked);

  RobotState other;
  robot_state_reset(other, 1);
  in.race_step += 64;
  ASSERT_TRUE(pick_line(table, other, in));
  EXPECT_EQ(other.ridden[0].id, apart);
  // Three seconds later the first is the best again.
  RobotState third;
  robot_state_reset(third, 1);
  in.race_step += 3 * 128;
  ASSERT_TRUE(pick_line(table, third, in));
  EXPECT_EQ(third.ridden[0].id, first);
}

// From 40 to 60 s of race time the lap plan's line is favoured more and
// more; the picking log shows its score.
TEST_F(PickTest, TheLapPlanWeighsInBetween40And60Seconds) {
  robot_set_debug_level(1);
  lane(0, 0, 100);
  lane(1, 30, 100);                      // cheapest, but 30 ft aside
  const int planned = lane(1, 0, 200);   // half the score
  table.plans[0].chosen.assign(table.segments.size(), 0);
  table.plans[0].chosen[1] = planned;
  struct Case {
    double seconds;
    const char* score;
  } cases[] = {{30, "score = 0.500000"}, {50, "score = 0.750000"}, {60, "score = 1.000000"}, {61, "score = 0.500000"}};
  for (const Case& c : cases) {
    robot_state_reset(robot, 1);
    in.race_step = kStart;
    place(0, 5);
    ASSERT_TRUE(pick_line(table, robot, in));
    place(0, -80);
    in.race_step = kStart + static_cast<int>(c.seconds * 128);
    ASSERT_TRUE(pick_line(table, robot, in));
    EXPECT_EQ(robot.ridden[1].id, planned);
    EXPECT_TRUE(log.has(std::string("auto pilot: picking ") + std::to_string(planned) + " " + c.score))
        << c.seconds;
  }
}

TEST_F(PickTest, NoLineToPickLeavesThePath) {
  lane(0, 0, 100);
  ASSERT_TRUE(pick_line(table, robot, in));
  const size_t before = robot.path.size();
  EXPECT_FALSE(pick_line(table, robot, in));  // segment 1 is empty
  EXPECT_EQ(robot.path.size(), before);
  EXPECT_EQ(robot.next_segment, 1);
}

TEST_F(PickTest, TheTargetRunsAheadAndTheNextLineIsPickedNearTheEnd) {
  lane(0, 0, 100, 40);  // points 2.3 ft apart
  lane(1, 0, 100, 40);
  lane(2, 0, 100, 40);
  in.race_step = kStart;
  PathStep step = follow_path(table, robot, in);  // picks the first line
  EXPECT_TRUE(step.has_path);
  EXPECT_EQ(robot.path.size(), 40u);
  // Standing still, the target runs to the last point within 60 ft.
  for (int i = 0; i < 40; ++i) follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 24);  // point 23 lies 58 ft away, point 24 past 60 ft
  EXPECT_EQ(robot.path.size(), 40u);
  // Riding on: near the end the next line joins, and the path keeps 30
  // points behind the target.
  for (int k = 0; k < 200; ++k) {
    place(0, 5 - k * 1.0);
    ++in.race_step;
    const int picks = robot.next_segment;
    step = follow_path(table, robot, in);
    EXPECT_FALSE(step.hold_controls);
    if (robot.next_segment != picks) {
      EXPECT_LE(robot.target, kPathBehind);
      EXPECT_GE(static_cast<int>(robot.path.size()) - robot.target, 40);
    }
  }
  EXPECT_EQ(robot.next_segment, 3);
}

TEST_F(PickTest, AShortLookAheadAfterAFailedPickAndAdvancesCountItDown) {
  lane(0, 0, 100, 40);
  in.race_step = kStart;
  follow_path(table, robot, in);
  // Segment 1 has no line: each pick fails while the end is near.
  robot.target = 32;
  place(0, -60);
  follow_path(table, robot, in);
  EXPECT_EQ(robot.lookahead, 3);
  // Only targets within 30 ft advance now.
  robot.target = 20;
  place(0, -10);  // the target (z = -46) is 36 ft away
  follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 20);
  lines_reset(table, make_gates({0, 1, 2}, {0, 1, 2}));  // no more picks
  place(0, -20);
  follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 21);
  EXPECT_EQ(robot.lookahead, 2);
}

TEST_F(PickTest, ATargetBehindTheBikeWaitsUnlessTheBikeIsAtIt) {
  robot.path = {point_at(0, 0), point_at(0, -20), point_at(0, -10), point_at(0, -30)};
  robot.target = 2;  // the step into it leads back (+z)
  in.race_step = kStart;
  lines_reset(table, TimingGates());  // no segments: no picks
  place(0, -40);
  follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 2);
  in.frame.heading[2] = 1;  // the bike turned round
  follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 3);
  robot.target = 2;
  in.frame.heading[2] = -1;
  place(0, -12);  // within 4 ft
  follow_path(table, robot, in);
  EXPECT_EQ(robot.target, 3);
}

TEST_F(PickTest, AStalledTargetHoldsTheControlsOnceEvery3Seconds) {
  lines_reset(table, TimingGates());
  robot.path = straight(0, 0, 0, -900, 10);
  robot.target = 3;
  place(0, 500);  // far from the target
  // Before the gate drop, waiting is no stall.
  robot.target_step = 0;
  for (in.race_step = 0; in.race_step < kStart; in.race_step += 50)
    EXPECT_FALSE(follow_path(table, robot, in).hold_controls);
  int holds = 0;
  for (in.race_step = kStart; in.race_step <= kStart + 3 * 128 * 3 + 5; ++in.race_step)
    holds += follow_path(table, robot, in).hold_controls ? 1 : 0;
  EXPECT_EQ(holds, 3);
  EXPECT_EQ(robot.lookahead, 3);
}

TEST_F(PickTest, ThePathPositionIsTheFractionalNearestPoint) {
  lines_reset(table, TimingGates());
  robot.path = straight(0, 0, 0, -90, 10);
  robot.target = 5;
  struct Case {
    double x, z, p;
  } cases[] = {{0, -25, 2.5}, {3, -40, 4}, {0, 10, 0}, {-2, -89, 8.9}, {0, -200, 9}};
  for (const Case& c : cases) {
    place(c.x, c.z);
    in.race_step = kStart;
    robot.target_step = kStart;
    EXPECT_NEAR(follow_path(table, robot, in).position, c.p, 1e-6) << c.z;
    robot.target = 5;
  }
}
}  // namespace
