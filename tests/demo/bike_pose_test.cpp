// A bike's state record round trip: a record posed onto a bike reads back
// as the same record, on poses across the record's range.
#include "demo/bike_pose.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bike/presence.h"
#include "platform/units.h"
#include "tests/bike/bike_fixture.h"

namespace {

void axis_angle(double x, double y, double z, double angle, double q[4]) {
  const double l = std::sqrt(x * x + y * y + z * z);
  q[0] = std::cos(angle / 2);
  for (int i = 0; i < 3; ++i) q[i + 1] = (i == 0 ? x : i == 1 ? y : z) / l * std::sin(angle / 2);
}

struct Pose {
  const char* name;
  double axis[3];
  double angle;
  double steer, swingarm, fork;
  double wheels;
  bool crashed;
};

class BikePose : public BikeWorld {};

TEST_F(BikePose, ARecordPosedOntoABikeReadsBackWithinOneUnit) {
  const Pose poses[] = {
      {"upright", {0, 1, 0}, 0, 0, 0, 0, 0, false},
      {"upside down", {0, 0, 1}, 3.1, 0.1, -0.2, -0.5, 1, false},
      {"turned about x", {1, 0, 0}, 0.7, -0.3, -0.1, -0.2, -2, false},
      {"turned about y", {0, 1, 0}, -2.4, 0.2, -0.4, -0.9, 3, false},
      {"turned about z", {0, 0, 1}, 1.2, 0, -0.05, -0.3, -3, false},
      {"full lock left", {0, 1, 0}, 0.5, kPi / 4 - 0.01, -0.3, -0.6, 0.5, false},
      {"full lock right", {1, 1, 1}, 0.9, -kPi / 4 + 0.01, -0.54, -0.99, -0.5, false},
      {"crashed", {1, 0, 1}, 2.0, 0.4, -0.1, -0.1, 2, true},
  };
  Bike& bike = make();
  makeAbsent(bike);
  const StateScale scale = bike_state_scale(bike, 1024, -20);
  for (const Pose& p : poses) {
    StateRecord s;
    s.frame_position[0] = 300.25, s.frame_position[1] = 4.5, s.frame_position[2] = 700.75;
    axis_angle(p.axis[0], p.axis[1], p.axis[2], p.angle, s.frame_quaternion);
    axis_angle(0, 1, 1, p.angle / 2, s.rider_quaternion);
    s.rider_offset[0] = 0.3, s.rider_offset[1] = 2.4, s.rider_offset[2] = 0.5;
    s.steering_angle = p.steer;
    s.swingarm_angle = p.swingarm;
    s.fork_position = p.fork;
    s.front_wheel_angle = p.wheels;
    s.rear_wheel_angle = -p.wheels / 2;
    s.gear = 3;
    s.dab = true;
    s.throttle = 0.6;
    s.crashed = p.crashed;
    s.crash_scale = p.crashed ? 9 : 0;
    s.engine_rpm = 8000;
    const StateBytes bytes = encode_state_record(s, scale);
    pose_bike(bike, decode_state_record(bytes.data(), scale), 6);
    StateRecord back = bike_state(bike);
    back.dab = true;  // the dab comes from the assist, not from the pose
    const StateBytes again = encode_state_record(back, scale);
    for (int i = 0; i < kStateRecordSize; ++i)
      EXPECT_LE(std::abs(again[i] - bytes[i]), 1) << p.name << ": byte " << i;
    // The joints hold what the record says.
    EXPECT_NEAR(dJointGetHingeAngle(bike.joint[kJointSteering]), p.steer, 0.01) << p.name;
    EXPECT_NEAR(dJointGetSliderPosition(bike.joint[kJointForkSlider]), p.fork, 0.01) << p.name;
    EXPECT_EQ(bike.crash.timer > 0, p.crashed) << p.name;
  }
}

TEST_F(BikePose, AGhostPosedFromTwoRecordsMovesAtTheirSpeed) {
  Bike& bike = make();
  makeAbsent(bike);
  StateRecord a, b;
  a.frame_position[0] = 100, a.frame_position[1] = 10, a.frame_position[2] = 100;
  b = a;
  b.frame_position[2] = 100 - 4 * kStep * 40;  // 40 ft/s towards -z over four steps
  b.engine_rpm = a.engine_rpm = 6000;
  poseFromStates(bike, a, a, b, 4, 6, ground);
  const dReal* v = dBodyGetLinearVel(bike.body[kBodyFrame]);
  EXPECT_NEAR(v[2], -40, 1e-6);
  EXPECT_NEAR(v[0], 0, 1e-6);
  EXPECT_NEAR(bike.drivetrain.engine_speed * 30 / kPi, 6000, 1e-6);
  // Below the ground the ghost is lifted out by its rear tyre.
  StateRecord sunk = a;
  sunk.frame_position[1] = -5;
  poseFromStates(bike, sunk, sunk, sunk, 1, 6, ground);
  const dReal* rear = dBodyGetPosition(bike.body[kBodyRearWheel]);
  EXPECT_NEAR(rear[1] - bike.info.rear_wheel.ring_radius, 0, 1e-6);
}

TEST_F(BikePose, PresenceFadesThroughTheThreshold) {
  Bike& bike = make();
  makeAbsent(bike);
  EXPECT_FALSE(dBodyIsEnabled(bike.body[kBodyFrame]));
  togglePresence(bike);
  EXPECT_EQ(bike.presence, 1);
  EXPECT_TRUE(dBodyIsEnabled(bike.body[kBodyFrame]));
  int steps = 0;
  while (bike_present(bike)) {
    togglePresence(bike);  // touching again changes nothing while it is awake
    fadePresence(bike);
    ++steps;
  }
  EXPECT_EQ(steps, 96) << "awake for 0.75 s";
  EXPECT_FALSE(dBodyIsEnabled(bike.body[kBodyFrame]));
  int more = 0;
  while (bike.presence > 0) {
    fadePresence(bike);
    ++more;
  }
  EXPECT_EQ(more, 32);
  togglePresence(bike);
  EXPECT_EQ(bike.presence, 1) << "woken again once it has run down";
}

}  // namespace
