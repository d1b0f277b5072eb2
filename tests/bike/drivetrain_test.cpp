// The engine, clutch, gearbox and brakes: the torque map and its ends, the
// wheelie cut, manual and automatic shifting, the automatic clutch, the
// driveline's reaction on the frame, the brakes with antilock and the
// stoppie release; and whole bikes idling, revving against the limiter,
// pulling through the gears, braking on the engine and braking to rest.
#include "bike/drivetrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "bike/bike_info.h"
#include "platform/units.h"
#include "tests/bike/drive_fixture.h"

namespace {

TEST(TorqueMap, InterpolatesBetweenPointsAndNeverExtrapolates) {
  const BikeInfo& info = *findBikeInfo("crf450(2013)");
  const float* closed = info.closed_throttle_torque;
  const float* full = info.full_throttle_torque;
  const int last = kTorqueMapPoints - 1;
  struct Case {
    double rpm, throttle, expected;
  };
  const Case cases[] = {
      {0, 0, closed[0]},
      {1500, 0, 0},  // idle: the closed-throttle curve crosses zero
      {1250, 0, 0.5},
      {6000, 1, full[12]},
      {6250, 1, (full[12] + full[13]) / 2},
      {6250, 0.5, 0.5 * (closed[12] + closed[13]) / 2 + 0.5 * (full[12] + full[13]) / 2},
      {12000, 1, 0},  // the limiter
      {24000, 1, full[48]},
      {24250, 0.5, 0.5 * (closed[48] + closed[49]) / 2 + 0.5 * (full[48] + full[49]) / 2},
      {24500, 1, full[last]},
      {24500, 0, closed[last]},
      {24500, 0.25, 0.75 * closed[last] + 0.25 * full[last]},
      {30000, 0.25, 0.75 * closed[last] + 0.25 * full[last]},
      {1e9, 1, full[last]},
      {-500, 1, full[0]},
      {NAN, 1, full[0]},
      {6000, 7, full[12]},  // the throttle is clamped
      {6000, -1, closed[12]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rpm << " rpm, throttle " << c.throttle);
    EXPECT_NEAR(torque_map(info, c.rpm, c.throttle), c.expected, 1e-5);
  }
  // Past the last point every row keeps its last entries.
  for (int i = 0; i < bike_info_count(); ++i) {
    const BikeInfo& row = *bike_info_at(i);
    for (double throttle : {0.0, 0.3, 1.0}) {
      EXPECT_EQ(torque_map(row, 24500, throttle), torque_map(row, 40000, throttle)) << row.name;
      EXPECT_EQ(torque_map(row, 24500, throttle), torque_map(row, 24500 + 1e-3, throttle)) << row.name;
    }
  }
}

TEST(AutoClutch, TransmitsNothingBelowItsRpmAndAllFrom2000Above) {
  struct Case {
    double clutch, rpm, setting, expected;
  };
  const Case cases[] = {
      {1, 0, 5000, 0},     {1, 4999, 5000, 0},     {1, 5000, 5000, 0},   {1, 5500, 5000, 0.25},
      {1, 6000, 5000, 0.5}, {1, 7000, 5000, 1},     {1, 7001, 5000, 1},   {1, 15000, 5000, 1},
      {0.3, 6000, 5000, 0.3}, {0.3, 5200, 5000, 0.1}, {0.3, 9000, 5000, 0.3}, {0, 9000, 5000, 0},
      {1, 0, 0, 0},        {1, 1000, 0, 0.5},      {1, 2000, 0, 1},      {1, -300, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(auto_clutch_engagement(c.clutch, c.rpm, c.setting), c.expected)
        << c.clutch << " at " << c.rpm << " rpm, setting " << c.setting;
}

TEST_F(RideWorld, ShiftingOncePerPressWithinTheGearsTheBikeHas) {
  Bike& b = at_start();  // five gears
  struct Case {
    int gear_before, last_before, input, crash_timer;
    int gear_after, last_after;
  };
  const Case cases[] = {
      {0, 0, 1, 0, 1, 1},     // up
      {1, 1, 1, 0, 1, 1},     // held: once per press
      {1, 0, -1, 0, 0, -1},   // down
      {0, 0, -1, 0, 0, -1},   // below first gear stays in first
      {4, 0, 1, 0, 4, 1},     // into the missing sixth: nothing
      {3, 0, 1, 0, 4, 1},
      {2, 1, 0, 0, 2, 0},     // released
      {2, 0, 2, 0, 2, 0},     // out of range: ignored and not remembered
      {2, 0, -7, 0, 2, 0},
      {2, 0, 1, 100, 2, 0},   // the rider is off the bike
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "gear " << c.gear_before << " input " << c.input);
    b.controls.gear = c.gear_before;
    b.controls.last_shift = c.last_before;
    b.crash.timer = c.crash_timer;
    shift(b, c.input);
    EXPECT_EQ(b.controls.gear, c.gear_after);
    EXPECT_EQ(b.controls.last_shift, c.last_after);
  }
  b.crash.timer = 0;

  // Six gears on a 50; a box with a hole in it never gets past the hole.
  Bike& small = make("rs50yz");
  small.controls.gear = 4;
  shift(small, 1);
  EXPECT_EQ(small.controls.gear, 5);
  Bike& odd = make();
  odd.info.gear_ratios[1] = -1;
  shift(odd, 1);
  EXPECT_EQ(odd.controls.gear, 0);
  EXPECT_NEAR(drivetrain_ratio(odd), 1.8 * odd.info.primary_ratio * odd.setup.final_drive, 1e-6);
}

TEST_F(RideWorld, FinalDriveFollowsTheSetupsSprockets) {
  Bike& b = make();  // 13 and 48 teeth
  EXPECT_FLOAT_EQ(b.setup.final_drive, 48.0f / 13);
  bike_set_sprockets(b, 1, -2);
  EXPECT_FLOAT_EQ(b.setup.final_drive, 46.0f / 14);
  bike_set_sprockets(b, -9, 9);  // clamped to the setup's two teeth
  EXPECT_FLOAT_EQ(b.setup.final_drive, 50.0f / 11);
  bike_set_sprockets(b, NAN, INFINITY);
  EXPECT_FLOAT_EQ(b.setup.final_drive, 50.0f / 13);
  b.controls.gear = 0;
  EXPECT_NEAR(drivetrain_ratio(b), 1.8 * 2.73913 * 50 / 13, 1e-5);
  b.controls.gear = 5;  // the 450 has no sixth gear
  EXPECT_EQ(drivetrain_ratio(b), 0);
  // The catalogue's own ratio is the setup's without adjustments.
  bike_set_sprockets(b, 0, 0);
  for (int g = 0; g < kGearSlots; ++g) {
    b.controls.gear = g;
    EXPECT_NEAR(drivetrain_ratio(b), bike_total_ratio(b.info, g), 1e-4) << g;
  }
}

TEST_F(RideWorld, WheelieCutOnlyWithTheFrontUpTheRearDownAndTheNoseNotDropping) {
  Bike& b = at_start();
  b.drivetrain.engine_speed = 8000 / kRpm;
  b.controls.throttle = 1;
  const double open = torque_map(b.info, 8000, 1);
  ASSERT_GT(open, 0);
  struct Case {
    bool option;
    double front_depth, rear_depth, pitch_rate;
    bool cut;
  };
  const Case cases[] = {
      {true, 0, 0.1, 0, true},       {true, 0, 0.1, 0.5, true},     {true, 0, 0.1, -0.02, true},
      {true, 0, 0.1, -0.05, false},  // already coming down
      {true, 0.1, 0.1, 0, false},    // both down
      {true, 0, 0, 0, false},        // in the air
      {true, 0.1, 0, 0, false},      // a stoppie
      {false, 0, 0.1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.option << " " << c.front_depth << " " << c.rear_depth << " " << c.pitch_rate);
    b.setup.options = c.option ? b.setup.options | kOptionStopWheeliesThrottle
                               : b.setup.options & ~kOptionStopWheeliesThrottle;
    b.wheel[0].depth = c.front_depth;
    b.wheel[1].depth = c.rear_depth;
    // Nose up is positive about the frame's own x axis; the frame is turned
    // so that its x axis is not the world's.
    dMatrix3 r;
    dRFromAxisAndAngle(r, 0, 1, 0, 0.7);
    dBodySetRotation(b.body[kBodyFrame], r);
    const Vec3 w = rotate(r, Vec3{c.pitch_rate, 0, 0});
    dBodySetAngularVel(b.body[kBodyFrame], w.x, w.y, w.z);
    EXPECT_EQ(wheelie_cut(b), c.cut);
    EXPECT_EQ(engineTorque(b), c.cut ? 0 : open);
  }
  // Engine braking passes the cut.
  b.setup.options |= kOptionStopWheeliesThrottle;
  b.wheel[0].depth = 0;
  b.wheel[1].depth = 0.1;
  dBodySetAngularVel(b.body[kBodyFrame], 0, 0, 0);
  b.controls.throttle = 0;
  ASSERT_TRUE(wheelie_cut(b));
  EXPECT_LT(engineTorque(b), 0);
  EXPECT_EQ(engineTorque(b), torque_map(b.info, 8000, 0));
}

TEST_F(RideWorld, AutomaticGearboxShiftsEvery32ndStepWithTheRearLoadedAndGripping) {
  Bike& b = at_start();
  step(kStepsPerSecond);  // settled: the swingarm sags
  ASSERT_LT(dJointGetHingeAngle(b.joint[kJointSwingarmPivot]), -kAutoShiftSwingarm);
  b.setup.options |= kOptionAutoShift;
  // Rear wheel speeds in engine rpm of the current gear, through the axle's
  // rate (the swingarm is at rest).
  auto spin_rear = [&](double wheel_rpm) {
    const double rate = wheel_rpm / kRpm / drivetrain_ratio(b);
    const Vec3 w = rotate(dBodyGetRotation(b.body[kBodyRearWheel]), Vec3{-rate, 0, 0});
    dBodySetAngularVel(b.body[kBodyRearWheel], w.x, w.y, w.z);
  };
  struct Case {
    int gear, step;
    double wheel_rpm, rear_depth, rear_slip;
    int gear_after;
  };
  const Case cases[] = {
      {1, 64, 11000, 0.1, 0, 2},   // above 10500: up
      {1, 64, 11000, 0.1, 1.9, 2}, // gripping
      {1, 65, 11000, 0.1, 0, 1},   // not a 32nd step
      {1, 64, 11000, 0.1, 2.5, 1}, // the tyre slides
      {1, 64, 11000, 0, 2.5, 2},   // in the air it may slide
      {1, 64, 5000, 0.1, 0, 0},    // below 6000: down
      {0, 64, 5000, 0.1, 0, 0},    // not below first
      {2, 64, 8000, 0.1, 0, 2},    // between: kept
      {4, 64, 11000, 0.1, 0, 4},   // no sixth gear
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "gear " << c.gear << " step " << c.step << " at " << c.wheel_rpm);
    b.controls.gear = c.gear;
    spin_rear(c.wheel_rpm);
    b.wheel[1].depth = c.rear_depth;
    b.wheel[1].velocity = {c.rear_slip, 0, 0};
    automatic_shift(b, c.step);
    EXPECT_EQ(b.controls.gear, c.gear_after);
  }
  // Off: nothing; an unloaded swingarm (just placed, fully extended):
  // nothing.
  b.controls.gear = 1;
  spin_rear(11000);
  b.wheel[1].velocity = {};
  b.setup.options &= ~kOptionAutoShift;
  automatic_shift(b, 64);
  EXPECT_EQ(b.controls.gear, 1);
  Bike& fresh = at_start();
  fresh.setup.options |= kOptionAutoShift;
  fresh.controls.gear = 1;
  const Vec3 w{-11000 / kRpm / drivetrain_ratio(fresh), 0, 0};
  dBodySetAngularVel(fresh.body[kBodyRearWheel], w.x, w.y, w.z);
  automatic_shift(fresh, 64);
  EXPECT_EQ(fresh.controls.gear, 1);
}

TEST_F(RideWorld, BrakesLetGoOnlyForASlidingTyreOnTheGroundOrInAStoppie) {
  Bike& b = at_start();
  struct Case {
    unsigned options;
    double front_input, rear_input;
    double front_depth, front_slip, rear_depth, rear_slip;
    double front_torque, rear_torque;
  };
  const unsigned F = kOptionFrontAntilock, R = kOptionRearAntilock, B = kOptionStopWheeliesBrake;
  const Case cases[] = {
      {F, 1, 1, 0.1, 1.9, 0.1, 3, 250, 250},        // front gripping; rear without antilock slides on
      {F, 1, 1, 0.1, 2.1, 0.1, 0, 0, 250},          // front sliding: let go
      {F, 1, 0, 0, 30, 0.1, 0, 250, 0},             // in the air it holds
      {0, 1, 0, 0.1, 30, 0.1, 0, 250, 0},           // no antilock
      {F | R, 0.4, 0.5, 0.1, 0, 0.1, 2.1, 100, 0},  // rear antilock
      {F | R, 0.4, 0.5, 0.1, 0, 0, 2.1, 100, 125},  // rear in the air
      {B, 1, 1, 0.1, 0, 0, 0, 0, 250},              // stoppie: the front lets go
      {0, 1, 1, 0.1, 0, 0, 0, 250, 250},
      {B, 1, 1, 0.1, 0, 0.1, 0, 250, 250},
      {B, 1, 1, 0, 0, 0, 0, 250, 250},              // both in the air
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "options " << c.options << " front " << c.front_depth << "/" << c.front_slip
                                    << " rear " << c.rear_depth << "/" << c.rear_slip);
    b.setup.options = c.options;
    b.controls.front_brake = float(c.front_input);
    b.controls.rear_brake = float(c.rear_input);
    b.wheel[0].depth = c.front_depth;
    b.wheel[0].velocity = {0, 0, c.front_slip};
    b.wheel[1].depth = c.rear_depth;
    b.wheel[1].velocity = {c.rear_slip, 0, 0};
    EXPECT_NEAR(brake_torque(b, 0), c.front_torque, 1e-5);
    EXPECT_NEAR(brake_torque(b, 1), c.rear_torque, 1e-5);
    // The step sets them as axle motors that hold the wheel still.
    drivetrainStep(b, 1);
    EXPECT_NEAR(dJointGetHingeParam(b.joint[kJointFrontAxle], dParamFMax), c.front_torque, 1e-5);
    EXPECT_NEAR(dJointGetHingeParam(b.joint[kJointRearAxle], dParamFMax), c.rear_torque, 1e-5);
    EXPECT_EQ(dJointGetHingeParam(b.joint[kJointFrontAxle], dParamVel), 0);
    EXPECT_EQ(dJointGetHingeParam(b.joint[kJointRearAxle], dParamVel), 0);
  }
  // A reset lets both go.
  bike_reset(b);
  EXPECT_EQ(dJointGetHingeParam(b.joint[kJointFrontAxle], dParamFMax), 0);
  EXPECT_EQ(dJointGetHingeParam(b.joint[kJointRearAxle], dParamFMax), 0);
}

// The first step from rest, wheel still and no wind-up: the clutch passes
// the slip torque times the square of the engagement the automatic clutch
// allows.
TEST_F(RideWorld, AutoClutchTorqueOnTheFirstStepFromRest) {
  Bike& b = at_start();
  const double damping = b.info.driveline_damping;
  for (double rpm : {1000.0, 4000.0, 4999.0, 5000.0, 5500.0, 6000.0, 6900.0, 7000.0, 7100.0, 9000.0}) {
    SCOPED_TRACE(rpm);
    bike_place(b, ground, centre(), ground.world_size - 30, 0);
    b.controls.clutch = 1;
    b.drivetrain.engine_speed = rpm / kRpm;
    drivetrainStep(b, 1);
    const double k = std::clamp((rpm - 5000) / 2000, 0.0, 1.0);
    EXPECT_NEAR(b.drivetrain.wheel_torque, k * k * std::min(500.0, rpm / kRpm * damping), 1e-9);
    if (rpm <= 5000) {
      EXPECT_EQ(b.drivetrain.wheel_torque, 0);
    } else if (rpm >= 7000) {
      EXPECT_NEAR(b.drivetrain.wheel_torque, 500, 1e-9);
    }
  }
}

// At a standstill with the throttle closed the engine settles where the
// closed-throttle torque crosses zero, clutch in or out (the automatic
// clutch keeps it from stalling); with the clutch pulled and the throttle
// open it holds at the limiter, where the full-throttle torque crosses zero.
TEST_F(RideWorld, IdlesAndRevsAgainstTheLimiterStandingStill) {
  for (const char* name : {"crf450(2013)", "cr250(2007)", "crf250(2013)", "yz125", "rs50yz"}) {
    SCOPED_TRACE(name);
    bikes.clear();
    Bike& b = at_start(name);
    const double idle = zero_crossing_rpm(b.info.closed_throttle_torque, 1);
    const double limit = zero_crossing_rpm(b.info.full_throttle_torque, peak_point(b.info.full_throttle_torque));
    ASSERT_GT(idle, 0);
    ASSERT_GT(limit, idle);
    if (b.info.name == "crf450(2013)") {
      EXPECT_EQ(idle, 1500);
      EXPECT_EQ(limit, 12000);
    }
    step(kStepsPerSecond);  // down from the placement height
    const Vec3 start = position_of(b);
    for (float clutch : {1.0f, 0.0f}) {
      ride(4 * kStepsPerSecond, [&] {
        b.controls.throttle = 0;
        b.controls.clutch = clutch;
      });
      EXPECT_NEAR(engineRpm(b), idle, 5) << "clutch " << clutch;
    }
    ride(3 * kStepsPerSecond, [&] {
      b.controls.throttle = 1;
      b.controls.clutch = 0;
    });
    EXPECT_NEAR(engineRpm(b), limit, 0.002 * limit);
    // Nothing reached the wheel: the bike stood still all along.
    EXPECT_LT(length(position_of(b) - start), 0.2);
    EXPECT_LT(speed_of(b), 0.05);
    EXPECT_EQ(ode_messages(), 0);
  }
}

// The driveline turns the wheel one way and the frame the other: with the
// bike in the air its angular momentum stays what it was (nothing), while
// the wheel spins up.
TEST_F(RideWorld, TheDrivelinesReactionTurnsTheFrame) {
  Bike& b = make();
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0] + centre(), p[1] + 200, p[2] + centre());
  }
  b.controls.clutch = 1;
  b.controls.throttle = 1;
  b.drivetrain.engine_speed = 9000 / kRpm;
  auto momentum = [&] {
    // About the centre of mass, which gravity leaves alone.
    Vec3 c, m_v;
    double m = 0;
    for (dBodyID body : b.body) {
      dMass mass;
      dBodyGetMass(body, &mass);
      c = c + vec3_of(dBodyGetPosition(body)) * mass.mass;
      m += mass.mass;
    }
    c = c * (1 / m);
    Vec3 L;
    for (dBodyID body : b.body) {
      dMass mass;
      dBodyGetMass(body, &mass);
      const dReal* R = dBodyGetRotation(body);
      const Vec3 w_local = unrotate(R, vec3_of(dBodyGetAngularVel(body)));
      const Vec3 Iw{mass.I[0] * w_local.x + mass.I[1] * w_local.y + mass.I[2] * w_local.z,
                    mass.I[4] * w_local.x + mass.I[5] * w_local.y + mass.I[6] * w_local.z,
                    mass.I[8] * w_local.x + mass.I[9] * w_local.y + mass.I[10] * w_local.z};
      L = L + rotate(R, Iw) +
          cross(vec3_of(dBodyGetPosition(body)) - c, vec3_of(dBodyGetLinearVel(body)) * mass.mass);
    }
    return L;
  };
  double wheel_spin = 0;
  for (int k = 0; k < 64; ++k) {
    drivetrainStep(b, k + 1);
    physics_world_step(world);
    wheel_spin = std::max(wheel_spin, -unrotate(dBodyGetRotation(b.body[kBodyRearWheel]),
                                                vec3_of(dBodyGetAngularVel(b.body[kBodyRearWheel])))
                                           .x);
  }
  EXPECT_GT(wheel_spin, 20);  // rad/s, forward
  const Vec3 L = momentum();
  dMass wheel;
  dBodyGetMass(b.body[kBodyRearWheel], &wheel);
  // Next to what the wheel alone carries, the whole bike has next to none
  // (the joints' error correction leaves a little).
  EXPECT_LT(length(L), 0.01 * wheel.I[0] * wheel_spin) << L.x << " " << L.y << " " << L.z;
  // The rest of the bike turned nose up as the wheel spun forward.
  EXPECT_GT(unrotate(dBodyGetRotation(b.body[kBodyFrame]), vec3_of(dBodyGetAngularVel(b.body[kBodyFrame]))).x, 0);
}

}  // namespace
