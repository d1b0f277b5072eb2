#include "robot/line_segments.h"

#include <gtest/gtest.h>

#include "tests/robot/robot_fixture.h"

namespace {
// First lap: gates 0, 1 (marked), 2, 3; normal lap: 4 (marked), 2, 3, 5.
// Switch points on lap 1 at race gates 0, 2, 3; then 5, 6, 7 of every
// normal lap of four gates starting at race gate 4.
const TimingGates kGates = make_gates({0, 100001, 2, 3}, {100004, 2, 3, 5});

TEST(Segments, CountsComeFromTheUnmarkedGates) {
  const SegmentMap m = segment_map_build(kGates);
  EXPECT_EQ(m.first_segments(), 3);
  EXPECT_EQ(m.normal_segments(), 3);
  EXPECT_EQ(m.segments(), 6);
}

TEST(Segments, RiderSegmentCountsTheSwitchPointsPassed) {
  const SegmentMap m = segment_map_build(kGates);
  struct Case {
    int gates_passed, segment, table;
  } cases[] = {
      {0, 0, 0}, {1, 1, 1}, {2, 1, 1}, {3, 2, 2}, {4, 3, 3},  // first lap
      {5, 3, 3}, {6, 4, 4}, {7, 5, 5}, {8, 6, 3},             // lap 2, folding back
      {9, 6, 3}, {12, 9, 3}, {13, 9, 3}, {14, 10, 4},         // lap 3 and on
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rider_segment(m, c.gates_passed), c.segment) << c.gates_passed;
    EXPECT_EQ(fold_segment(m, c.segment), c.table) << c.gates_passed;
  }
}

// Properties over many laps: a segment changes exactly at a switch point,
// switch_gate finds it again, and the table successor follows the race.
TEST(Segments, SwitchGatesAndSegmentsAgreeOverManyLaps) {
  const SegmentMap m = segment_map_build(kGates);
  for (int g = 0; g < 200; ++g) {
    const int before = rider_segment(m, g), after = rider_segment(m, g + 1);
    EXPECT_EQ(after - before, is_switch_gate(m, g) ? 1 : 0) << g;
    if (is_switch_gate(m, g)) {
      EXPECT_EQ(switch_gate(m, before), g);
    }
    EXPECT_EQ(following_segment(m, fold_segment(m, before)), fold_segment(m, before + 1)) << g;
  }
  EXPECT_EQ(switch_gate(m, -1), -1);
}

// A hand-built gate set whose normal lap has no switch point: the race
// after the first lap has no segment, and nothing divides by zero.
TEST(Segments, NormalLapWithoutSwitchPointsHasNoSegmentsAfterTheFirstLap) {
  const SegmentMap m = segment_map_build(make_gates({0, 1}, {100000, 100001}));
  EXPECT_EQ(m.segments(), 2);
  EXPECT_EQ(rider_segment(m, 5), 2);
  EXPECT_EQ(fold_segment(m, 1), 1);
  EXPECT_EQ(fold_segment(m, 2), -1);
  EXPECT_EQ(fold_segment(m, 50), -1);
  EXPECT_EQ(switch_gate(m, 2), -1);
  EXPECT_EQ(following_segment(m, 1), -1);
  EXPECT_FALSE(is_switch_gate(m, 3));

  const SegmentMap empty = segment_map_build(TimingGates());
  EXPECT_EQ(empty.segments(), 0);
  EXPECT_EQ(rider_segment(empty, 3), 0);
  EXPECT_EQ(fold_segment(empty, 0), -1);
  EXPECT_FALSE(is_switch_gate(empty, 0));
}
}  // namespace
