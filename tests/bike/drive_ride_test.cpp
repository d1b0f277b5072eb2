// Whole bikes ridden on flat ground: braking on the engine, both brakes to
// rest, the front brake alone with and without antilock, the stoppie
// release and the wheelie cut on a grippy surface.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/bike/drive_fixture.h"

namespace {

class BikeRide : public RideWorld {
 protected:
  // Full throttle for three seconds (wheelie cut on), then the throttle shut.
  Bike& up_to_speed(float friction = 1) {
    ground.tile_types[0].friction[0] = {friction, 1.0f};
    Bike& b = at_start();
    b.setup.options |= kOptionStopWheeliesThrottle;
    ride(3 * kStepsPerSecond, [&] { b.controls.throttle = 1; });
    b.controls.throttle = 0;
    return b;
  }
  double up_axis_y(const Bike& b) const { return dBodyGetRotation(b.body[kBodyFrame])[5]; }
  // Four seconds on the front brake alone: the longest stretch of steps,
  // above 5 ft/s, in which the front wheel turns at less than a fifth of
  // the bike's speed (locked).
  int front_lock_run(Bike& b) {
    int run = 0, longest = 0;
    for (int k = 0; k < 4 * kStepsPerSecond; ++k) {
      b.controls.front_brake = 1;
      step();
      const double v = speed_of(b);
      if (v > 5 && rolling_speed(b, 0) < 0.2 * v) {
        longest = std::max(longest, ++run);
      } else {
        run = 0;
      }
    }
    return longest;
  }
};

TEST_F(BikeRide, ClosingTheThrottleBrakesOnTheEngine) {
  double speed_lost[2];
  for (int pulled = 0; pulled < 2; ++pulled) {
    bikes.clear();
    steps = 0;
    Bike& b = up_to_speed();
    const double before = speed_of(b);
    ASSERT_GT(before, 40);
    ride(kStepsPerSecond, [&] { b.controls.clutch = pulled ? 0 : 1; });
    speed_lost[pulled] = before - speed_of(b);
    if (!pulled) {
      EXPECT_GT(engineRpm(b), 5000) << "the wheel keeps the engine turning";
    }
  }
  // Coasting with the clutch in loses only what the tyres roll away; with
  // it out the closed throttle drags several times more.
  EXPECT_GT(speed_lost[1], 0.2);
  EXPECT_GT(speed_lost[0], 4 * speed_lost[1]) << speed_lost[0] << " against " << speed_lost[1];
}

TEST_F(BikeRide, BothBrakesBringTheBikeToRestAndHoldIt) {
  Bike& b = up_to_speed();
  ASSERT_GT(speed_of(b), 40);
  int stopped_after = -1;
  for (int k = 0; k < 5 * kStepsPerSecond; ++k) {
    b.controls.front_brake = b.controls.rear_brake = 1;
    step();
    if (stopped_after < 0 && speed_of(b) < 0.1) stopped_after = k;
    EXPECT_GT(up_axis_y(b), 0.95) << k;
  }
  ASSERT_GE(stopped_after, 0);
  EXPECT_LT(stopped_after, 3 * kStepsPerSecond);
  EXPECT_LT(speed_of(b), 0.05);
  // The automatic clutch let the engine go before it stalled.
  EXPECT_NEAR(engineRpm(b), 1500, 10);
  EXPECT_EQ(ode_messages(), 0);
  EXPECT_TRUE(state_finite(b));
}

// Antilock acts on the slip the last contact test found, so the wheel may
// stop for a step or so before the brake lets go; it never stays stopped.
TEST_F(BikeRide, WithAntilockLocksNothing) {
  struct Case {
    float friction, torque;
    bool antilock;
    int longest_lock_at_most, longest_lock_at_least;
  };
  const Case cases[] = {
      {1.0f, 250, true, 3, 0},  {1.0f, 500, true, 3, 0},  {0.5f, 250, true, 3, 0}, {0.5f, 500, true, 3, 0},
      // Without antilock the strong brake, or the slippery ground, locks it.
      {1.0f, 500, false, 1000, 16}, {0.5f, 250, false, 1000, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "friction " << c.friction << " torque " << c.torque << " antilock "
                                    << c.antilock);
    bikes.clear();
    steps = 0;
    Bike& b = up_to_speed();
    ASSERT_GT(speed_of(b), 30);
    ground.tile_types[0].friction[0] = {c.friction, 1.0f};
    b.setup.front_brake_torque = c.torque;
    if (!c.antilock) b.setup.options &= ~kOptionFrontAntilock;
    const int lock = front_lock_run(b);
    EXPECT_LE(lock, c.longest_lock_at_most);
    EXPECT_GE(lock, c.longest_lock_at_least);
    // The front brake alone still stops the bike.
    EXPECT_LT(speed_of(b), 5);
    EXPECT_GT(up_axis_y(b), 0.9);
  }
}

// Braking hard on the front alone lifts the rear; with the stoppie release
// the front brake lets go until the rear is down again, without it the
// bike goes over the bars.
TEST_F(BikeRide, StoppieReleaseKeepsTheRearDown) {
  for (bool release : {true, false}) {
    SCOPED_TRACE(release);
    bikes.clear();
    steps = 0;
    Bike& b = up_to_speed();
    b.setup.front_brake_torque = 500;
    if (!release) b.setup.options &= ~kOptionStopWheeliesBrake;
    int rear_up = 0, longest = 0;
    double lowest_up = 1;
    for (int k = 0; k < 4 * kStepsPerSecond; ++k) {
      b.controls.front_brake = 1;
      step();
      rear_up = b.wheel[1].depth > 0 ? 0 : rear_up + 1;
      longest = std::max(longest, rear_up);
      lowest_up = std::min(lowest_up, up_axis_y(b));
    }
    if (release) {
      EXPECT_LT(longest, kStepsPerSecond / 4);
      EXPECT_GT(lowest_up, 0.9);
    } else {
      EXPECT_GT(longest, kStepsPerSecond);
      EXPECT_LT(lowest_up, 0.5);
    }
  }
}

// On ground that grips well enough for the engine to lift the front, full
// throttle loops the bike over backwards; the wheelie cut holds the front
// down to short hops and the bike gets away faster.
TEST_F(BikeRide, WheelieCutStopsTheBikeLoopingOut) {
  for (float friction : {1.3f, 1.6f}) {
    double speed[2];
    for (int cut = 0; cut < 2; ++cut) {
      SCOPED_TRACE(testing::Message() << "friction " << friction << " cut " << cut);
      bikes.clear();
      steps = 0;
      ground.tile_types[0].friction[0] = {friction, 1.0f};
      Bike& b = at_start();
      if (cut) b.setup.options |= kOptionStopWheeliesThrottle;
      step(kStepsPerSecond);
      int front_up = 0, longest = 0;
      double lowest_up = 1;
      for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
        b.controls.throttle = 1;
        step();
        front_up = b.wheel[0].depth > 0 ? 0 : front_up + 1;
        longest = std::max(longest, front_up);
        lowest_up = std::min(lowest_up, up_axis_y(b));
      }
      speed[cut] = speed_of(b);
      if (cut) {
        EXPECT_GT(longest, 0) << "the front still lifts";
        EXPECT_LT(longest, kStepsPerSecond / 4);
        EXPECT_GT(lowest_up, 0.95);
      } else {
        EXPECT_LT(lowest_up, 0) << "over backwards";
      }
    }
    EXPECT_GT(speed[1], 2 * speed[0]);
  }
}

}  // namespace
