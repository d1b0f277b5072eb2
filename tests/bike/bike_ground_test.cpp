// Whole bikes on the ground: standing still, rolling down a slope, coasting
// to a stop on the rolling resistance, landing from a drop; and the same
// run twice giving the same result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/units.h"
#include "tests/bike/bike_fixture.h"

namespace {

using BikeOnGround = BikeWorld;

double total_load(const Bike& b) { return tyre_load(b.wheel[0]) + tyre_load(b.wheel[1]); }

// Sets every body moving at v along -z with the wheels rolling.
void set_rolling(Bike& b, double v) {
  for (dBodyID body : b.body) dBodySetLinearVel(body, 0, 0, -v);
  for (int w = 0; w < 2; ++w) {
    const WheelContact& c = b.wheel[w];
    // Rolling toward -z turns the wheel backward about x.
    dBodySetAngularVel(c.body, -v / (c.ring_radius + c.tube_radius - c.depth), 0, 0);
  }
}

// Within two seconds each bike settles, then over two more it neither moves
// nor rocks; the tyres carry its weight, the rear about half; the
// suspension sags within its travel; the physics library says nothing.
TEST_F(BikeOnGround, StandsStillOnFlatGroundCarryingItsWeight) {
  for (const char* name : {"crf450(2013)", "cr250(2007)", "crf250(2013)", "yz125", "rs50yz"}) {
    SCOPED_TRACE(name);
    bikes.clear();
    Bike& b = standing(name);
    step(2 * kStepsPerSecond);
    const Vec3 settled = position_of(b);
    double lowest_load = 1e9, highest_load = 0, fastest = 0, pitch_low = 1e9, pitch_high = -1e9;
    for (int k = 0; k < 2 * kStepsPerSecond; ++k) {
      step();
      const double load = total_load(b);
      lowest_load = std::min(lowest_load, load);
      highest_load = std::max(highest_load, load);
      fastest = std::max(fastest, length(velocity_of(b)));
      const double pitch = dBodyGetRotation(b.body[kBodyFrame])[9];  // forward axis' y
      pitch_low = std::min(pitch_low, pitch);
      pitch_high = std::max(pitch_high, pitch);
    }
    EXPECT_LT(length(position_of(b) - settled), 0.01);
    EXPECT_LT(fastest, 0.01);
    EXPECT_LT(pitch_high - pitch_low, 1e-4);
    const double weight = weight_of(b);
    EXPECT_NEAR(lowest_load, weight, 0.02 * weight);
    EXPECT_NEAR(highest_load, weight, 0.02 * weight);
    const double rear_share = tyre_load(b.wheel[1]) / total_load(b);
    EXPECT_GT(rear_share, 0.45);
    EXPECT_LT(rear_share, 0.56);
    const double fork = -dJointGetSliderPosition(b.joint[kJointForkSlider]);
    const double swingarm = -dJointGetHingeAngle(b.joint[kJointSwingarmPivot]);
    EXPECT_GT(fork, 0.05);
    EXPECT_LT(fork, 0.5 * b.info.fork_travel);
    EXPECT_GT(swingarm, 0.02);
    EXPECT_LT(swingarm, 0.5 * b.info.swingarm_travel);
    EXPECT_NEAR(b.last_roll, 0, 1e-9);
    EXPECT_EQ(ode_messages(), 0);
    EXPECT_TRUE(state_finite(b));
  }
}

// Ground rising toward +z: the bike faces downhill and rolls forward,
// gaining speed but less than a frictionless slide would.
TEST_F(BikeOnGround, RollsDownASlope) {
  const double slope = 0.08;
  ground = plane_ground(0, 0, float(slope), 7);
  Bike& b = standing();
  step(kStepsPerSecond / 2);
  const double z0 = position_of(b).z, v0 = -velocity_of(b).z;
  step(kStepsPerSecond);
  const double v1 = -velocity_of(b).z;
  EXPECT_LT(position_of(b).z, z0 - 0.5);
  const double acceleration = v1 - v0;
  const double sliding = kGravity * slope / std::sqrt(1 + slope * slope);
  EXPECT_GT(acceleration, 0.3 * sliding);
  EXPECT_LT(acceleration, sliding);
  EXPECT_EQ(ode_messages(), 0);
}

// From 30 ft/s on flat ground the bike slows by the tyres' rolling
// resistance, a + (b - a) x depth / tube radius per tyre; with a surface
// that has none it keeps its speed.
TEST_F(BikeOnGround, CoastingSlowsThroughRollingResistance) {
  struct Case {
    const char* what;
    float a, b;
  };
  for (const Case& c : {Case{"hard pack", 5, 15}, Case{"no resistance", 0, 0}, Case{"sticky", 20, 40}}) {
    SCOPED_TRACE(c.what);
    bikes.clear();
    ground.tile_types[0].roll_resist[0].a = c.a;
    ground.tile_types[0].roll_resist[0].b = c.b;
    Bike& b = standing();
    step(2 * kStepsPerSecond);
    set_rolling(b, 30);
    step(kStepsPerSecond / 4);
    const double v0 = length(velocity_of(b));
    double resistance = 0;
    const int n = kStepsPerSecond / 2;
    for (int k = 0; k < n; ++k) {
      step();
      for (const WheelContact& w : b.wheel) resistance += c.a + (c.b - c.a) * std::min(1.0, w.depth / w.tube_radius);
    }
    resistance /= n;
    const double v1 = length(velocity_of(b));
    const double measured = (v0 - v1) / 0.5;
    // The wheels' spin adds a little to the mass being slowed.
    const double expected = resistance / b.total_mass;
    EXPECT_NEAR(measured, expected, 0.1 * expected + 0.05);
    EXPECT_GT(v1, 25);
    EXPECT_LT(std::fabs(b.last_roll), 0.2);
    EXPECT_EQ(ode_messages(), 0);
  }
}

// Dropped from 3 ft above its standing place: the tyres and suspension take
// the landing without the ring reaching the ground, and it settles to
// standing.
TEST_F(BikeOnGround, LandsFromThreeFeetAndSettles) {
  Bike& b = standing();
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0], p[1] + 3, p[2]);
  }
  double deepest = 0, most_fork = 0, most_swingarm = 0, lowest_frame = 1e9;
  for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
    step();
    for (const WheelContact& w : b.wheel) deepest = std::max(deepest, w.depth / w.tube_radius);
    most_fork = std::max(most_fork, -dJointGetSliderPosition(b.joint[kJointForkSlider]));
    most_swingarm = std::max(most_swingarm, -dJointGetHingeAngle(b.joint[kJointSwingarmPivot]));
    lowest_frame = std::min(lowest_frame, position_of(b).y);
    ASSERT_TRUE(state_finite(b)) << k;
  }
  EXPECT_GT(deepest, 0.5);
  EXPECT_LT(deepest, 1.0);  // the ring itself never reached the ground
  EXPECT_GT(most_fork, 0.35);
  EXPECT_LE(most_fork, b.info.fork_travel + 1e-3);
  EXPECT_GT(most_swingarm, 0.2);
  EXPECT_LE(most_swingarm, b.info.swingarm_travel + 1e-3);
  EXPECT_GT(lowest_frame, 0.8);
  EXPECT_LT(length(velocity_of(b)), 0.02);
  EXPECT_NEAR(total_load(b), weight_of(b), 0.02 * weight_of(b));
  EXPECT_EQ(ode_messages(), 0);
}

// Ten bikes side by side in one world behave as one bike alone does.
TEST_F(BikeOnGround, BikesInOneWorldDoNotDisturbEachOther) {
  Bike& alone = standing();
  step(kStepsPerSecond);
  const Vec3 single = position_of(alone) - Vec3{centre(), 0, centre()};
  bikes.clear();
  steps = 0;
  for (int k = 0; k < 10; ++k) {
    Bike& b = make();
    ASSERT_TRUE(bike_place(b, ground, centre() + 10 * k - 50, centre(), 0));
  }
  step(kStepsPerSecond);
  for (int k = 0; k < 10; ++k) {
    const Vec3 p = position_of(*bikes[k]) - Vec3{centre() + 10 * k - 50, 0, centre()};
    EXPECT_NEAR(p.x, single.x, 1e-9);
    EXPECT_NEAR(p.y, single.y, 1e-9);
    EXPECT_NEAR(p.z, single.z, 1e-9);
  }
}

// The same placement and steps give bit-identical states.
TEST_F(BikeOnGround, RunsAreRepeatable) {
  ground = plane_ground(0, 0.03f, 0.05f, 7);
  auto run = [&] {
    bikes.clear();
    steps = 0;
    Bike& b = make();
    EXPECT_TRUE(bike_place(b, ground, centre(), centre(), 0.4));
    step(300);
    std::vector<double> state;
    for (dBodyID body : b.body) {
      const dReal* p = dBodyGetPosition(body);
      const dReal* v = dBodyGetLinearVel(body);
      state.insert(state.end(), {p[0], p[1], p[2], v[0], v[1], v[2]});
    }
    return state;
  };
  EXPECT_EQ(run(), run());
}

}  // namespace
