// Interpolation between the recorded states around a step: which two
// entries, the fraction, the 64-step limit on carrying positions on, the
// shorter arc for turns, and what an empty or single-entry ring gives.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "demo/history_pose.h"
#include "platform/units.h"

namespace {

const StateScale kScale{4096, -100, 0.5, 1.0};

StateRecord at_x(double x) {
  StateRecord s;
  s.frame_position[0] = x;
  s.frame_position[1] = 0;
  s.frame_position[2] = 2000;
  s.rider_offset[1] = 1;
  return s;
}

void turn_y(double angle, double q[4]) {
  q[0] = std::cos(angle / 2);
  q[1] = 0;
  q[2] = std::sin(angle / 2);
  q[3] = 0;
}

// The turn about y that q makes, whichever sign q has.
double y_angle(const double q[4]) { return 2 * std::atan2(q[2] * (q[0] < 0 ? -1 : 1), std::fabs(q[0])); }

class Posing : public ::testing::Test {
 protected:
  std::unique_ptr<HistoryRings> rings = std::make_unique<HistoryRings>();
  HistoryRing& ring() { return rings->slots[9]; }
  void add(int step, const StateRecord& s) {
    ASSERT_TRUE(add_state_to_history(*rings, 9, encode_state_record(s, kScale), step));
  }
  HistoryPose pose(int step) {
    HistoryPose p;
    EXPECT_TRUE(interpolate_history(ring(), step, kScale, 5, &p));
    return p;
  }
  // Two states 8 steps apart: x from 100 to 108, a quarter turn about y,
  // steering from 0 to 0.4, rpm from 4000 to 6000.
  void two_states() {
    StateRecord a = at_x(100), b = at_x(108);
    turn_y(kPi / 2, b.frame_quaternion);
    b.steering_angle = 0.4;
    a.engine_rpm = 4000;
    b.engine_rpm = 6000;
    a.gear = 2;
    b.gear = 3;
    add(16, a);
    add(24, b);
  }
};

const double kX = 4096.0 / 0xFFFFFF;  // one step of position

TEST_F(Posing, BetweenTwoEntries) {
  two_states();
  HistoryPose p = pose(20);
  EXPECT_EQ(p.older.step, 16);
  EXPECT_EQ(p.newer.step, 24);
  EXPECT_EQ(p.distance, 8);
  EXPECT_NEAR(p.state.frame_position[0], 104, 2 * kX);
  EXPECT_NEAR(y_angle(p.state.frame_quaternion), kPi / 4, 1e-3);
  EXPECT_NEAR(p.state.steering_angle, 0.2, 0.01);
  EXPECT_NEAR(p.state.engine_rpm, 5000, 1);
  EXPECT_EQ(p.state.gear, 2);  // the older state's until the newer one is reached
  // On the newer entry's own step: its state.
  p = pose(24);
  EXPECT_NEAR(p.state.frame_position[0], 108, kX);
  EXPECT_EQ(p.state.gear, 3);
}

TEST_F(Posing, PicksTheEntriesAroundTheStep) {
  for (int s = 4; s <= 40; s += 4) add(s, at_x(s));
  for (int step : {5, 8, 9, 21, 36, 39}) {
    HistoryPose p = pose(step);
    // The newest entry before the step and the one after it.
    int older = (step - 1) / 4 * 4;
    EXPECT_EQ(p.older.step, older) << step;
    EXPECT_EQ(p.newer.step, older + 4) << step;
    EXPECT_NEAR(p.state.frame_position[0], step, 2 * kX) << step;
  }
}

TEST_F(Posing, BeforeAllEntriesTheOldestStateAsItIs) {
  two_states();
  HistoryPose p = pose(10);
  EXPECT_EQ(p.older.step, 16);
  EXPECT_EQ(p.newer.step, 24);
  EXPECT_NEAR(p.state.frame_position[0], 100, kX);
  EXPECT_NEAR(y_angle(p.state.frame_quaternion), 0, 1e-3);
  p = pose(16);  // on the oldest step: nothing before it either
  EXPECT_NEAR(p.state.frame_position[0], 100, kX);
}

TEST_F(Posing, AfterAllEntriesCarriesPositionsOnAtMost64Steps) {
  two_states();
  // 10 steps past the newer state: 10 more feet, the turn and the other
  // values stop at the newer state.
  HistoryPose p = pose(34);
  EXPECT_EQ(p.older.step, 16);
  EXPECT_EQ(p.newer.step, 24);
  EXPECT_NEAR(p.state.frame_position[0], 118, 2 * kX);
  EXPECT_NEAR(y_angle(p.state.frame_quaternion), kPi / 2, 1e-3);
  EXPECT_NEAR(p.state.steering_angle, 0.4, 0.01);
  EXPECT_NEAR(p.state.engine_rpm, 6000, 1);
  EXPECT_NEAR(p.state.rider_offset[1], 1, 1e-3);
  // 2 s after the last state the bike is where it was 0.5 s after it.
  for (int late : {24 + 64, 24 + 256, 24 + 100000}) {
    p = pose(late);
    EXPECT_NEAR(p.state.frame_position[0], 108 + 64, 2 * kX) << late;
  }
}

TEST_F(Posing, OneEntryIsPosedAsItIs) {
  add(40, at_x(300));
  for (int step : {0, 40, 41, 1000}) {
    HistoryPose p = pose(step);
    EXPECT_EQ(p.older.step, 40);
    EXPECT_EQ(p.newer.step, 40);
    EXPECT_EQ(p.distance, 1);
    EXPECT_NEAR(p.state.frame_position[0], 300, kX);
  }
}

TEST_F(Posing, AnEmptyRingPosesNothing) {
  HistoryPose p;
  EXPECT_FALSE(interpolate_history(ring(), 100, kScale, 5, &p));
}

TEST_F(Posing, TurnsTakeTheShorterArc) {
  StateRecord a = at_x(0), b = at_x(0);
  turn_y(kPi / 2, b.frame_quaternion);
  for (double& c : b.frame_quaternion) c = -c;  // the same turn, stored the other way round
  add(0, a);
  add(8, b);
  HistoryPose p = pose(4);
  EXPECT_NEAR(y_angle(p.state.frame_quaternion), kPi / 4, 1e-3);
  double len = 0;
  for (double c : p.state.frame_quaternion) len += c * c;
  EXPECT_NEAR(len, 1, 1e-12);
}

TEST_F(Posing, WheelsPassingTheWrapKeepTurningForward) {
  StateRecord a = at_x(0), b = at_x(0);
  a.rear_wheel_angle = kPi - 0.2;
  b.rear_wheel_angle = -kPi + 0.2;
  add(0, a);
  add(4, b);
  double mid = pose(2).state.rear_wheel_angle;
  EXPECT_GT(std::fabs(mid), kPi - 0.05);  // near the wrap, not back through 0
}

TEST_F(Posing, VersionFourRecords) {
  StateRecord a = at_x(10), b = at_x(20);
  a.rider_slide = 0;
  b.rider_slide = 1;
  ASSERT_TRUE(add_state_to_history(*rings, 9, encode_state_record(a, kScale, 4), 0));
  ASSERT_TRUE(add_state_to_history(*rings, 9, encode_state_record(b, kScale, 4), 10));
  HistoryPose p;
  ASSERT_TRUE(interpolate_history(ring(), 5, kScale, 4, &p));
  EXPECT_NEAR(p.state.rider_slide, 0.5, 0.01);
  EXPECT_NEAR(p.state.frame_position[0], 15, 2 * kX);
}

}  // namespace
