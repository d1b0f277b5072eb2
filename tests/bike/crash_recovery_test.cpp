// A rider off his bike: held by his arms and the long rope, colliding with
// his own bike, his seat springs idle and his riding inputs held at 0; then
// pulled back to the seat and put on it again with the bike's motion, after
// which the bike rides on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bike/bike_step.h"
#include "bike/crash.h"
#include "bike/roll.h"
#include "platform/units.h"
#include "tests/bike/contact_fixture.h"

namespace {

using FallenRider = ContactWorld;

Vec3 seat_of(const Bike& b) {
  return body_point_of(b, kBodyFrame, vec3_of(b.info.rider_mass_position) - vec3_of(b.info.frame_position));
}

double seat_distance(const Bike& b) { return length(position_of(b, kBodyRider) - seat_of(b)); }

bool mounted(const Bike& b) {
  return dJointGetBody(b.joint[kJointRiderMount], 0) == b.body[kBodyRider] &&
         dJointGetBody(b.joint[kJointRiderMount], 1) == b.body[kBodyFrame];
}

// Nothing balances a bike yet while it stands or rolls slowly (that is the
// rider controls' work): a stand-in holds the frame upright with a spring
// and damper about its forward axis, like a rider's balance would.
void hold_upright(Bike& b) {
  dBodyID frame = b.body[kBodyFrame];
  const dReal* r = dBodyGetRotation(frame);
  const Vec3 forward = -body_axis(r, 2);
  const Vec3 lean = cross(body_axis(r, 1), Vec3{0, 1, 0});
  const double rate = dot(vec3_of(dBodyGetAngularVel(frame)), forward);
  const Vec3 t = forward * (3000 * dot(lean, forward) - 300 * rate);
  dBodyAddTorque(frame, t.x, t.y, t.z);
}

// Throws the rider off the way a hard knock does: his body flung up and
// back (straight, so that the bike stays on its wheels).
void knock_off(Bike& b) {
  throwRider(b, kCrashRiderSpeed, nullptr);
  const Vec3 v = velocity_of(b, kBodyFrame) + Vec3{0, 20, 10};
  dBodySetLinearVel(b.body[kBodyRider], v.x, v.y, v.z);
}

TEST_F(FallenRider, ARiderKnockedOffIsPulledBackSeatedAndRidesOn) {
  Bike& b = standing();
  // A twin that never crashes, well clear of it.
  Bike& twin = make();
  ASSERT_TRUE(bike_place(twin, ground, centre() + 20, centre(), 0));
  auto run = [&] {
    hold_upright(b);
    hold_upright(twin);
    race();
  };
  for (int k = 0; k < 3 * kStepsPerSecond; ++k) run();
  knock_off(b);
  run();
  ASSERT_EQ(b.crash.count, 1);
  EXPECT_FALSE(mounted(b));

  // Off for the rest of the 512 steps; the ropes keep him near the bike and
  // over the last second hold him at the seat.
  double farthest = 0, last_second = 0;
  int off = 1;
  while (b.crash.timer > 0 && off < 1000) {
    const int timer = b.crash.timer;
    run();
    ++off;
    ASSERT_TRUE(state_finite(b));
    farthest = std::max(farthest, seat_distance(b));
    if (timer <= 128 && b.crash.timer > 0) last_second = std::max(last_second, seat_distance(b));
  }
  EXPECT_EQ(off, kCrashSteps);
  EXPECT_GT(farthest, 0.5);  // he did come off, hanging on by his arms
  EXPECT_LT(farthest, 6.0);
  EXPECT_LT(last_second, 0.5);

  // Seated with the frame's motion at his seat.
  ASSERT_TRUE(mounted(b));
  EXPECT_LT(seat_distance(b), 1e-9);
  dVector3 seat_velocity;
  const Vec3 seat = seat_of(b);
  dBodyGetPointVel(b.body[kBodyFrame], seat.x, seat.y, seat.z, seat_velocity);
  EXPECT_LT(length(velocity_of(b, kBodyRider) - vec3_of(seat_velocity)), 1e-9);

  // And it rides on like the twin: pushed along their headings for three
  // seconds, both gather speed and go as far, each rider on his seat.
  for (int k = 0; k < kStepsPerSecond; ++k) run();
  const Vec3 start = position_of(b), twin_start = position_of(twin);
  double worst_seat = 0;
  for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
    for (Bike* bike : {&b, &twin}) {
      const Vec3 ahead = -body_axis(dBodyGetRotation(bike->body[kBodyFrame]), 2) * 150.0;
      dBodyAddForce(bike->body[kBodyFrame], ahead.x, 0, ahead.z);
    }
    run();
    worst_seat = std::max(worst_seat, seat_distance(b));
  }
  const double went = length(position_of(b) - start), twin_went = length(position_of(twin) - twin_start);
  EXPECT_GT(twin_went, 10.0);
  EXPECT_NEAR(went, twin_went, 0.1 * twin_went);
  EXPECT_EQ(b.crash.count, 1);
  EXPECT_TRUE(mounted(b));
  EXPECT_LT(worst_seat, 1.0);
  EXPECT_EQ(ode_messages(), 0);
}

TEST_F(FallenRider, WhileOffHisSeatSpringsAreIdleAndHisRidingInputsZero) {
  Bike& b = standing();
  race(64);
  throwRider(b, kCrashObject, &knockout);
  const int before = world.contacts_made;
  rider_springs(b);
  EXPECT_EQ(world.contacts_made, before);

  b.controls.throttle = 1;
  b.controls.sit = 1;
  b.controls.back_up = 1;
  b.controls.lean = -1;
  b.controls.steer = 0.5f;
  b.controls.front_brake = 1;
  b.controls.rear_brake = 0.25f;
  b.controls.clutch = 0.75f;
  physics_world_step(world);
  bike_step(b, steps++, &knockout);
  EXPECT_EQ(b.controls.throttle, 0);
  EXPECT_EQ(b.controls.sit, 0);
  EXPECT_EQ(b.controls.back_up, 0);
  EXPECT_EQ(b.controls.lean, 0);
  EXPECT_EQ(b.controls.steer, 0.5f);
  EXPECT_EQ(b.controls.front_brake, 1);
  EXPECT_EQ(b.controls.rear_brake, 0.25f);
  EXPECT_EQ(b.controls.clutch, 0.75f);
}

TEST_F(FallenRider, HisFeetGoDownWhileHeIsOff) {
  Bike& b = standing();
  race(64);
  b.assist.dab = 0;
  throwRider(b, kCrashObject, &knockout);
  for (int k = 1; k <= 20; ++k) {
    race();
    EXPECT_FLOAT_EQ(b.assist.dab, std::min(1.0f, k * 8.0f / 128));
  }
}

TEST_F(FallenRider, AFreshCrashTiesHimBehindTheBikeAndHeCollidesWithIt) {
  Bike& b = standing();
  race(64);
  // Flung far ahead and still moving: the arm ropes pull, and in the first
  // step the long rope too.
  throwRider(b, kCrashObject, &knockout);
  dBodySetPosition(b.body[kBodyRider], centre(), 3, centre() - 12);
  dBodySetLinearVel(b.body[kBodyRider], 0, 0, -10);
  const int before = world.contacts_made;
  rider_off_step(b);
  // Two arm ropes, the long rope and the three pull-back ropes.
  EXPECT_EQ(world.contacts_made - before, 6);
  EXPECT_EQ(b.crash.timer, kCrashSteps - 1);
  dJointGroupEmpty(world.contacts);
  world.contacts_made = 0;
  // At rest and past the first step: no arm ropes and no long rope.
  dBodySetLinearVel(b.body[kBodyRider], 0, 0, 0);
  rider_off_step(b);
  EXPECT_EQ(world.contacts_made, 3);
  dJointGroupEmpty(world.contacts);
  world.contacts_made = 0;

  // Put down on his own seat, he collides with the frame (and nothing
  // pulls: the ropes are slack).
  const Vec3 seat = seat_of(b);
  dBodySetPosition(b.body[kBodyRider], seat.x, seat.y - 0.6, seat.z);
  dBodySetRotation(b.body[kBodyRider], dBodyGetRotation(b.body[kBodyFrame]));
  rider_off_step(b);
  EXPECT_GT(contact_joints_between_bodies(b.body[kBodyRider], b.body[kBodyFrame]), 0);
}

}  // namespace
