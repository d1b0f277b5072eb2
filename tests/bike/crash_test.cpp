// What throws a rider off, at the edges of each rule: a track object hit at
// 19 and 21 ft/s, the ground touched upside down at 4 and 6 ft/s, moving
// off the seat and accelerating just below and above their limits; and how
// long the knockout table keeps him off.
#include <gtest/gtest.h>

#include <cmath>

#include "bike/crash.h"
#include "bike/object_contact.h"
#include "platform/units.h"
#include "shapes/shape.h"
#include "tests/bike/contact_fixture.h"

namespace {

using Crashes = ContactWorld;

// Every body of a bike in its creation pose turned about the z axis
// through the origin by `angle`, then moved by `offset`.
void turn_about_z(Bike& b, double angle, Vec3 offset) {
  dMatrix3 r;
  dRFromAxisAndAngle(r, 0, 0, 1, angle);
  for (dBodyID body : b.body) {
    const Vec3 p = rotate(r, vec3_of(dBodyGetPosition(body))) + offset;
    dBodySetPosition(body, p.x, p.y, p.z);
    dBodySetRotation(body, r);
  }
}

void lift(Bike& b, double dy) {
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0], p[1] + dy, p[2]);
  }
}

// The lowest point of the bike's rider shape as its body stands.
double rider_bottom(const Bike& b) {
  const PartShape& s = b.shape[kBodyRider];
  const dBodyID body = b.body[kBodyRider];
  double low = 1e9;
  for (const ShapeSphere& sphere : s.shape.spheres) {
    dVector3 w;
    dBodyGetRelPointPos(body, sphere.centre[0], sphere.centre[1], sphere.centre[2], w);
    low = std::min(low, w[1] - sphere.radius);
  }
  return low;
}

void set_velocity(dBodyID body, Vec3 v) { dBodySetLinearVel(body, v.x, v.y, v.z); }

// A ball of 0.8 ft just ahead of the rider's helmet, overlapping it.
CollisionShape ball() {
  CollisionShape s;
  EXPECT_TRUE(shape_parse("1\n0 0 0 0.8 0.5 20000 2000\n", "ball", s));
  return s;
}

struct ObjectHit {
  double rider_speed;   // ft/s along -z
  double object_speed;  // ft/s along -z; the object has a body when nonzero
  float bump_timer;
  bool thrown;
};

TEST_F(Crashes, RiderHittingAnObjectIsThrownOffAbove20FtPerSecond) {
  const ObjectHit cases[] = {
      {19, 0, 0, false},   {21, 0, 0, true},    // a static object
      {29, 10, 0, false},  {31, 10, 0, true},   // one that moves with him
      {21, 21, 0, false},                        // as fast as he is
      {21, 0, -1, false},                        // just bumped by a rammer
      {21, 0, 5, true},
  };
  const CollisionShape shape = ball();
  for (const ObjectHit& c : cases) {
    SCOPED_TRACE(testing::Message() << "rider " << c.rider_speed << " object " << c.object_speed << " bump "
                                    << c.bump_timer);
    bikes.clear();
    Bike& b = make();
    b.crash.bump_timer = c.bump_timer;
    const Vec3 head = body_point_of(b, kBodyRider, vec3_of(b.info.rider.head));
    dVector3 at = {head.x, head.y, head.z - 0.9, 0};
    dMatrix3 identity;
    dRSetIdentity(identity);
    dBodyID object = nullptr;
    if (c.object_speed != 0) {
      object = dBodyCreate(world.world);
      dBodySetPosition(object, at[0], at[1], at[2]);
      dBodySetLinearVel(object, 0, 0, -c.object_speed);
    }
    set_velocity(b.body[kBodyRider], {0, 0, -c.rider_speed});
    const unsigned touched = bikeObjectContact(b, shape, object, at, identity, &knockout);
    EXPECT_TRUE(touched & kPartRider);
    EXPECT_EQ(b.crash.timer > 0, c.thrown);
    EXPECT_EQ(b.crash.count, c.thrown ? 1 : 0);
    EXPECT_EQ(b.crash.trigger, c.thrown ? kCrashObject : kNoCrash);
    if (object) dBodyDestroy(object);
    dJointGroupEmpty(world.contacts);
  }
}

TEST_F(Crashes, OnlyTheRidersShapeHittingAnObjectThrowsHimOff) {
  Bike& b = make();
  const CollisionShape shape = ball();
  const Vec3 axle = position_of(b, kBodyFrontWheel);
  dVector3 at = {axle.x, axle.y, axle.z - 1.5, 0};
  dMatrix3 identity;
  dRSetIdentity(identity);
  for (dBodyID body : b.body) set_velocity(body, {0, 0, -40});
  const unsigned touched = bikeObjectContact(b, shape, nullptr, at, identity, &knockout);
  EXPECT_EQ(touched, kPartFrontWheel);
  EXPECT_EQ(b.crash.timer, 0);
  // The touch is a contact joint between the wheel and the static world.
  EXPECT_GT(world.contacts_made, 0);
}

struct GroundTouch {
  double turn;  // radians about z: pi is upside down
  double rider_speed;
  bool thrown;
};

TEST_F(Crashes, RiderUpsideDownOnTheGroundIsThrownOffAbove5FtPerSecond) {
  const GroundTouch cases[] = {
      {kPi, 4, false},        {kPi, 6, true},
      {1.4, 6, false},  // on his side, his up axis still a little up
      {1.75, 6, true},  // past the side: pointing down
      {kPi, 0, false},
  };
  for (const GroundTouch& c : cases) {
    SCOPED_TRACE(testing::Message() << "turned " << c.turn << " at " << c.rider_speed);
    bikes.clear();
    Bike& b = make();
    for (ContactUse use : {ContactUse::Test, ContactUse::Joint}) {
      bike_reset(b);
      turn_about_z(b, c.turn, {centre(), 0, centre()});
      lift(b, -rider_bottom(b) - 0.05);  // his shape 0.05 ft into the ground
      set_velocity(b.body[kBodyRider], {c.rider_speed, 0, 0});
      const unsigned touched = bikeTerrainContact(b, ground, use, &knockout);
      ASSERT_TRUE(touched & kPartRider);
      // A placement's test never throws him off.
      EXPECT_EQ(b.crash.timer > 0, c.thrown && use == ContactUse::Joint);
      EXPECT_EQ(b.crash.trigger, b.crash.timer > 0 ? kCrashUpsideDown : kNoCrash);
    }
    dJointGroupEmpty(world.contacts);
  }
}

struct RiderMotion {
  const char* what;
  double relative_speed;  // of the rider against the frame, ft/s along x
  double acceleration;    // of the rider over the last four steps, ft/s^2 up, gravity taken out
  float bump_timer;
  int crash_timer;
  int trigger;
};

TEST_F(Crashes, RiderMovingOrAcceleratingTooHardIsThrownOff) {
  const RiderMotion cases[] = {
      {"speed below", 30.9, 0, 0, 0, kNoCrash},
      {"speed above", 31.1, 0, 0, 0, kCrashRiderSpeed},
      {"acceleration below", 0, 1375, 0, 0, kNoCrash},
      {"acceleration above", 0, 1377, 0, 0, kCrashRiderAcceleration},
      {"falling freely", 0, 0, 0, 0, kNoCrash},
      {"speed first", 31.1, 1377, 0, 0, kCrashRiderSpeed},
      {"protected by the bump timer", 40, 2000, -0.5f, 0, kNoCrash},
      {"already off", 40, 2000, 0, 3, kNoCrash},
  };
  for (const RiderMotion& c : cases) {
    SCOPED_TRACE(c.what);
    bikes.clear();
    Bike& b = make();
    b.crash.bump_timer = c.bump_timer;
    b.crash.timer = c.crash_timer;
    // The whole bike moving at 20 ft/s; the rider also across it.
    const Vec3 v{0, 0, -20};
    for (dBodyID body : b.body) set_velocity(body, v);
    set_velocity(b.body[kBodyRider], v + Vec3{c.relative_speed, 0, 0});
    rider_velocities_fill(b);
    // Four steps ago he moved slower upward by what the acceleration (plus
    // the fall it makes up for) gained since.
    RiderVelocityRing& ring = b.rider_velocities;
    ring.v[ring.next][1] -= (c.acceleration - kGravity) * 4 * kStep;
    EXPECT_EQ(crash_check_rider_motion(b, &knockout), c.trigger);
    EXPECT_EQ(b.crash.timer, c.trigger ? kCrashSteps : c.crash_timer);
    EXPECT_EQ(b.crash.count, c.trigger ? 1 : 0);
    EXPECT_EQ(b.crash.trigger, c.trigger);
  }
}

TEST_F(Crashes, ThrowingOffLoosensTheMountAndSetsTheFeetFlying) {
  Bike& b = standing();
  step(64);
  for (dBodyID body : b.body) set_velocity(body, {3, 0, -12});
  dBodySetAngularVel(b.body[kBodyRider], 0.5, 0, 0);
  throwRider(b, kCrashRiderSpeed, nullptr);
  EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 0), nullptr);
  EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 1), nullptr);
  EXPECT_EQ(b.crash.timer, kCrashSteps);
  EXPECT_EQ(b.crash.count, 1);
  EXPECT_EQ(b.crash.trigger, kCrashRiderSpeed);
  const float* pegs[2] = {b.info.rider.left_footpeg, b.info.rider.right_footpeg};
  for (int f = 0; f < 2; ++f) {
    const Vec3 peg = body_point_of(b, kBodyFrame, vec3_of(pegs[f]));
    EXPECT_NEAR(length(vec3_of(b.crash.feet[f]) - peg), 0, 1e-12);
    dVector3 v;
    dBodyGetPointVel(b.body[kBodyRider], peg.x, peg.y, peg.z, v);
    EXPECT_NEAR(length(vec3_of(b.crash.foot_velocities[f]) - vec3_of(v)), 0, 1e-12);
  }
  // They fly with his spinning body, not just along with its centre.
  EXPECT_GT(length(vec3_of(b.crash.foot_velocities[0]) - Vec3{3, 0, -12}), 1);
}

struct Knockout {
  int crashes_before;
  int entries[4];  // the table's first four entries; the rest 0
  int steps_off;
};

TEST_F(Crashes, TheKnockoutTableAddsStepsOffTheBike) {
  const Knockout cases[] = {
      {0, {0, 0, 0, 0}, 512},
      {1, {0, 256, 0, 0}, 768},  // the second crash of a race, entry 256
      {0, {0, 256, 0, 0}, 512},
      {3, {0, 0, 0, 40}, 552},
  };
  for (const Knockout& c : cases) {
    SCOPED_TRACE(testing::Message() << "crash " << c.crashes_before + 1 << " expects " << c.steps_off);
    bikes.clear();
    knockout = KnockoutTable();
    for (int k = 0; k < 4; ++k) knockout.extra_steps[k] = c.entries[k];
    Bike& b = standing();
    race(64);
    b.crash.count = c.crashes_before;
    throwRider(b, kCrashRiderSpeed, &knockout);
    int off = 0;
    while (b.crash.timer > 0 && off < 2000) {
      race();
      ++off;
    }
    EXPECT_EQ(off, c.steps_off);
    EXPECT_EQ(b.crash.count, c.crashes_before + 1);
    EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 0), b.body[kBodyRider]);
    EXPECT_EQ(ode_messages(), 0);
  }
}

TEST(KnockoutSteps, EntriesAreClampedAndLaterCrashesTakeTheLast) {
  KnockoutTable t;
  for (int k = 0; k < kKnockoutEntries; ++k) t.extra_steps[k] = 10 * k;
  t.extra_steps[2] = -50;
  t.extra_steps[3] = 2147483647;
  EXPECT_EQ(knockout_steps(nullptr, 3), 0);
  EXPECT_EQ(knockout_steps(&t, 0), 0);
  EXPECT_EQ(knockout_steps(&t, 1), 10);
  EXPECT_EQ(knockout_steps(&t, 2), 0);
  EXPECT_EQ(knockout_steps(&t, 3), kMaxKnockoutSteps);
  EXPECT_EQ(knockout_steps(&t, 15), 150);
  EXPECT_EQ(knockout_steps(&t, 40), 150);
  EXPECT_EQ(knockout_steps(&t, -1), 0);
}

TEST_F(Crashes, ResetClearsTheCrashAndTheBumpTimer) {
  Bike& b = standing();
  race(8);
  b.crash.bump_timer = 200;
  b.crash.last_bike_contact_step = b.crash.first_bike_contact_step = 5;
  throwRider(b, kCrashObject, nullptr);
  race(8);
  bike_reset(b);
  EXPECT_EQ(b.crash.timer, 0);
  EXPECT_EQ(b.crash.count, 0);
  EXPECT_EQ(b.crash.trigger, 0);
  EXPECT_EQ(b.crash.bump_timer, 0);
  EXPECT_EQ(b.crash.first_bike_contact_step, -1);
  EXPECT_EQ(b.crash.last_bike_contact_step, -1);
  EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 0), b.body[kBodyRider]);
}

}  // namespace
