// Spheres against spheres in their three uses, tyres standing in as
// spheres, and bikes against bikes: head on, three at once (joints for the
// first pair a bike is in, forces after), a remote bike's front end, the
// order of the pairs, and forty bikes dropped in a heap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bike/sphere_contact.h"
#include "platform/units.h"
#include "tests/bike/contact_fixture.h"

namespace {

using BikesMeet = ContactWorld;

// Two free balls of 1 slug in the world, for the sphere rule.
class SphereRule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(physics_world_create(world));
    for (dBodyID& b : body) {
      b = dBodyCreate(world.world);
      dMass m;
      dMassSetSphereTotal(&m, 1, 0.5);
      dBodySetMass(b, &m);
    }
    dBodySetPosition(body[0], 0, 10, 0);
    dBodySetPosition(body[1], 0.8, 10, 0);
  }
  void TearDown() override { physics_world_destroy(world); }
  ContactSphere sphere(int k, double radius, double friction, double stiffness, double damping) {
    return {vec3_of(dBodyGetPosition(body[k])), radius, friction, stiffness, damping};
  }
  PhysicsWorld world;
  dBodyID body[2];
};

TEST_F(SphereRule, ApartTouchingAndTheThreeUses) {
  const ContactSphere a = sphere(0, 0.5, 0.8, 20000, 2000), b = sphere(1, 0.5, 0.3, 6000, 600);
  // Apart: nothing in any use.
  for (ContactUse use : {ContactUse::Test, ContactUse::Joint, ContactUse::Force}) {
    const ContactSphere far{a.centre + Vec3{-0.25, 0, 0}, 0.5, 1, 1, 1};
    EXPECT_FALSE(sphereContact(&world, far, body[0], b, body[1], use));
  }
  // A test makes nothing.
  EXPECT_TRUE(sphereContact(&world, a, body[0], b, body[1], ContactUse::Test));
  EXPECT_EQ(world.contacts_made, 0);
  EXPECT_EQ(length(vec3_of(dBodyGetForce(body[1]))), 0);

  // Forces: the softer spring over the 0.2 ft overlap, along the line of
  // centres, b pushed away from a and a the other way.
  EXPECT_TRUE(sphereContact(&world, a, body[0], b, body[1], ContactUse::Force));
  EXPECT_EQ(world.contacts_made, 0);
  EXPECT_NEAR(dBodyGetForce(body[1])[0], 0.2 * 6000 > 1000 ? 1000 : 0.2 * 6000, 1e-9);
  EXPECT_NEAR(dBodyGetForce(body[0])[0], -1000, 1e-9);
  EXPECT_NEAR(dBodyGetForce(body[1])[1], 0, 1e-9);

  // A joint: one contact, which over a world step drives them apart.
  dBodySetForce(body[0], 0, 0, 0);
  dBodySetForce(body[1], 0, 0, 0);
  EXPECT_TRUE(sphereContact(&world, a, body[0], b, body[1], ContactUse::Joint));
  EXPECT_EQ(world.contacts_made, 1);
  physics_world_step(world);
  EXPECT_LT(dBodyGetLinearVel(body[0])[0], -0.1);
  EXPECT_GT(dBodyGetLinearVel(body[1])[0], 0.1);
}

struct ForceCase {
  double overlap;     // ft
  double closing;     // ft/s, b toward a
  double expected;    // lbf on b along the line from a
};

TEST_F(SphereRule, TheForceIsASpringAndDamperHeldTo1000) {
  const ForceCase cases[] = {
      {0.05, 0, 50},      // 0.05 x 1000
      {0.05, 0.2, 70},    // + 0.2 x 100
      {0.05, -1, -50},    // separating fast: it pulls, as the rule says
      {0.5, 0, 500},
      {0.5, 10, 1000},    // held
      {0.5, -20, -1000},
  };
  for (const ForceCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.overlap << " ft closing at " << c.closing);
    dBodySetPosition(body[1], 1 - c.overlap, 10, 0);
    dBodySetLinearVel(body[0], 0, 0, 0);
    dBodySetLinearVel(body[1], -c.closing, 0, 0);
    dBodySetForce(body[0], 0, 0, 0);
    dBodySetForce(body[1], 0, 0, 0);
    const ContactSphere a = sphere(0, 0.5, 1, 5000, 200), b = sphere(1, 0.5, 1, 1000, 100);
    ASSERT_TRUE(sphereContact(&world, a, body[0], b, body[1], ContactUse::Force));
    EXPECT_NEAR(dBodyGetForce(body[1])[0], c.expected, 1e-9);
    EXPECT_NEAR(dBodyGetForce(body[0])[0], -c.expected, 1e-9);
  }
}

TEST_F(SphereRule, DisabledBodiesAndTheStaticWorldTakeNoForce) {
  dBodyDisable(body[0]);
  const ContactSphere a = sphere(0, 0.5, 1, 5000, 200), b = sphere(1, 0.5, 1, 5000, 200);
  EXPECT_TRUE(sphereContact(&world, a, body[0], b, body[1], ContactUse::Force));
  EXPECT_EQ(length(vec3_of(dBodyGetForce(body[0]))), 0);
  EXPECT_GT(dBodyGetForce(body[1])[0], 0);
  // Centres on top of each other: b is pushed up, nothing is a number less.
  const ContactSphere same{b.centre, 0.5, 1, 5000, 200};
  dBodySetForce(body[1], 0, 0, 0);
  EXPECT_TRUE(sphereContact(&world, same, nullptr, b, body[1], ContactUse::Force));
  EXPECT_NEAR(dBodyGetForce(body[1])[1], 1000, 1e-9);
  // Not a number, zero radii, negative stiffness from a broken file.
  ContactSphere broken = b;
  broken.centre.x = NAN;
  EXPECT_FALSE(sphereContact(&world, a, body[0], broken, body[1], ContactUse::Joint));
  EXPECT_FALSE(sphereContact(&world, {a.centre, 0, 1, 1, 1}, body[0], b, body[1], ContactUse::Joint));
  dBodySetForce(body[1], 0, 0, 0);
  EXPECT_TRUE(sphereContact(&world, {a.centre, 0.5, -1, -5000, NAN}, body[0], b, body[1], ContactUse::Force));
  EXPECT_TRUE(std::isfinite(dBodyGetForce(body[1])[0]));
  EXPECT_EQ(dBodyGetForce(body[1])[0], 0);
}

TEST_F(BikesMeet, ATyreStandsInAsASphereOnItsRingNearestTheOther) {
  Bike& b = make();
  const WheelContact& w = b.wheel[0];
  const Vec3 c = position_of(b, kBodyFrontWheel);
  const double R = w.ring_radius;
  struct Case {
    Vec3 toward;
    Vec3 expected;  // relative to the wheel centre
  };
  const Case cases[] = {
      {c + Vec3{0, 0, -5}, {0, 0, -R}},   // ahead
      {c + Vec3{3, 2, 0}, {0, R, 0}},     // off to the side and above: its plane's part
      {c + Vec3{0.5, -1, 1}, {0, -R / std::sqrt(2.0), R / std::sqrt(2.0)}},
      {c + Vec3{2, 0, 0}, {0, R, 0}},     // on the axle: straight up
  };
  for (const Case& k : cases) {
    const ContactSphere s = tyre_sphere_toward(w, k.toward);
    EXPECT_NEAR(length(s.centre - c - k.expected), 0, 1e-9);
    EXPECT_EQ(s.radius, w.tube_radius);
    EXPECT_EQ(s.friction, 1);
    EXPECT_EQ(s.stiffness, 25000);
    EXPECT_EQ(s.damping, 2500);
  }
}

TEST_F(BikesMeet, TwoBikesRiddenHeadOnMakeContactAndDoNotPassThrough) {
  Bike& a = standing();
  Bike& b = make();
  ASSERT_TRUE(bike_place(b, ground, centre(), centre() - 14, kPi));  // facing a
  race(kStepsPerSecond);
  set_riding(a, {0, 0, -12});
  set_riding(b, {0, 0, 12});
  int first = -1;
  for (int k = 0; k < 2 * kStepsPerSecond; ++k) {
    contacts();
    if (first < 0 && contact_joints_between(a, b) > 0) {
      first = steps;
      // Both front ends met at more than 10 ft/s: each is marked.
      EXPECT_EQ(a.crash.bump_timer, 192);
      EXPECT_EQ(b.crash.bump_timer, 192);
    }
    physics_world_step(world);
    for (BikePtr& bike : bikes) bike_step(*bike, steps, &knockout);
    ++steps;
    ASSERT_TRUE(state_finite(a) && state_finite(b));
    // The front tyres never pass each other.
    ASSERT_GT(position_of(a, kBodyFrontWheel).z, position_of(b, kBodyFrontWheel).z);
  }
  ASSERT_GE(first, 0);
  EXPECT_EQ(a.crash.first_bike_contact_step, first);
  EXPECT_EQ(b.crash.first_bike_contact_step, first);
  EXPECT_GE(a.crash.last_bike_contact_step, first);
  EXPECT_EQ(ode_messages(), 0);
}

TEST_F(BikesMeet, ThreeBikesTouchingInOneStepUseForcesForTheSecondPair) {
  // Side by side with their bars overlapping: a touches b, b touches c.
  Bike& a = standing();
  Bike& b = make();
  Bike& c = make();
  ASSERT_TRUE(bike_place(b, ground, centre() + 2.2, centre(), 0));
  ASSERT_TRUE(bike_place(c, ground, centre() + 4.4, centre(), 0));
  ASSERT_TRUE(bikes_touch(a, b));
  ASSERT_TRUE(bikes_touch(b, c));
  ASSERT_FALSE(bikes_touch(a, c));
  // a fastest, then b, then c: the pairs (a, b), (a, c), (b, c).
  set_riding(a, {0, 0, -1});
  set_riding(b, {0, 0, -0.5});
  steps = 10;
  contacts();
  EXPECT_GT(contact_joints_between(a, b), 0);
  EXPECT_EQ(contact_joints_between(b, c), 0);
  EXPECT_EQ(contact_joints_between(a, c), 0);
  // c was pushed by forces instead (it stands still: nothing else pushes it
  // before the world step but its tyres' rolling resistance, which is 0).
  EXPECT_GT(force_on(c), 1);
  for (Bike* bike : {&a, &b, &c}) EXPECT_EQ(bike->crash.last_bike_contact_step, 10);

  // Given the other way round, c and b are the jointed pair.
  dJointGroupEmpty(world.contacts);
  for (Bike* bike : {&a, &b, &c}) {
    for (dBodyID body : bike->body) dBodySetForce(body, 0, 0, 0);
    bike->crash.last_bike_contact_step = -1;
  }
  set_riding(a, {0, 0, 0});
  set_riding(c, {0, 0, -1});
  contacts();
  EXPECT_GT(contact_joints_between(b, c), 0);
  EXPECT_EQ(contact_joints_between(a, b), 0);
  EXPECT_GT(force_on(a), 1);

  // And stepped on, the three settle apart without trouble.
  dJointGroupEmpty(world.contacts);
  race(2 * kStepsPerSecond);
  for (Bike* bike : {&a, &b, &c}) EXPECT_TRUE(state_finite(*bike));
  EXPECT_EQ(ode_messages(), 0);
}

TEST_F(BikesMeet, ARemoteBikesFrontEndIsOnlyTestedAgainstOurRear) {
  // b's front wheel driven into a's rear wheel from the side.
  Bike& a = standing();
  Bike& b = make();
  const Vec3 rear = position_of(a, kBodyRearWheel);
  ASSERT_TRUE(bike_place(b, ground, rear.x + 0.31, rear.z, kPi / 2));
  for (bool remote : {false, true}) {
    SCOPED_TRACE(remote ? "remote" : "local");
    for (Bike* bike : {&a, &b}) bike->crash.last_bike_contact_step = -1;
    dJointGroupEmpty(world.contacts);
    const unsigned touched = bikeBikeContact(a, b, remote, 5);
    EXPECT_TRUE(touched & kPartFrontWheel);
    EXPECT_FALSE(touched & ~(kPartFrontWheel | kPartForkLower | kPartForkUpper));
    if (remote)
      EXPECT_EQ(contact_joints_between(a, b), 0);
    else
      EXPECT_GT(contact_joints_between(a, b), 0);
    EXPECT_EQ(a.crash.last_bike_contact_step, 5);
  }
  // b's front end hit a standing a: no ram (a is below 5 ft/s).
  EXPECT_EQ(b.crash.bump_timer, 0);
}

struct Ram {
  double a_speed, b_speed;  // frames, ft/s
  int b_crash_timer;
  float a_bump;             // expected for a, whose front end hits b's side
};

TEST_F(BikesMeet, TheBumpTimerMarksARammerOfAMovingBike) {
  const Ram cases[] = {
      {12, 6, 0, 256}, {12, 4.99, 0, 0}, {9.9, 6, 0, 0}, {12, 6, 30, 0}, {12, 5, 0, 256},
  };
  for (const Ram& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a_speed << " into " << c.b_speed << " timer " << c.b_crash_timer);
    bikes.clear();
    // a's front wheel into b's rear wheel from the side.
    Bike& b = standing();
    Bike& a = make();
    const Vec3 rear = position_of(b, kBodyRearWheel);
    ASSERT_TRUE(bike_place(a, ground, rear.x + 0.31, rear.z, kPi / 2));
    set_riding(a, {-c.a_speed, 0, 0});
    set_riding(b, {0, 0, -c.b_speed});
    b.crash.timer = c.b_crash_timer;
    bikeBikeContact(a, b, false, 1);
    EXPECT_EQ(a.crash.bump_timer, c.a_bump);
    EXPECT_EQ(b.crash.bump_timer, 0);
    dJointGroupEmpty(world.contacts);
  }
}

TEST_F(BikesMeet, TheBumpTimerRunsBackToZeroOnceSettled) {
  Bike& a = standing();
  a.crash.bump_timer = 3.5f;
  race(2 * kStepsPerSecond + 1);  // not yet past 2 s
  EXPECT_EQ(a.crash.bump_timer, 3.5f);
  race();
  EXPECT_TRUE(a.assist.settled);
  EXPECT_EQ(a.crash.bump_timer, 2.5f);
  race(3);
  EXPECT_EQ(a.crash.bump_timer, 0);
  a.crash.bump_timer = -2;
  race();
  EXPECT_EQ(a.crash.bump_timer, -1);
  race();
  EXPECT_EQ(a.crash.bump_timer, 0);
}

TEST(BikeOrder, FastestFirstThenBySlot) {
  PhysicsWorld world;
  ASSERT_TRUE(physics_world_create(world));
  {
    std::vector<BikePtr> owned;
    std::vector<Bike*> bikes;
    const double speeds[] = {1, 3, 3, 0, 3, NAN};
    const int slots[] = {4, 7, 2, 0, 5, 1};
    for (int k = 0; k < 6; ++k) {
      owned.push_back(bike_create(world, "crf450(2013)", slots[k]));
      dBodySetLinearVel(owned.back()->body[kBodyFrame], 0, 0, -speeds[k]);
      bikes.push_back(owned.back().get());
    }
    bikes_by_speed(bikes);
    std::vector<int> order;
    for (Bike* b : bikes) order.push_back(b->slot);
    // A speed that is not a number counts as standing still.
    EXPECT_EQ(order, (std::vector<int>{2, 5, 7, 4, 0, 1}));
  }
  physics_world_destroy(world);
}

// Forty bikes dropped on one another: the heap comes together and stops
// changing shape, nothing flies off or sinks through the ground, no state is
// not a number and the physics library says nothing. Parts pushed apart by
// forces (every pair after a bike's first in a step) keep trembling: the
// clamped spring and damper act explicitly, so they never quite damp out,
// and the heap still creeps a little.
TEST_F(BikesMeet, FortyBikesDroppedInAHeapSettle) {
  for (int k = 0; k < 40; ++k) make();
  ASSERT_TRUE(bikes_place_heap(all(), ground, centre(), centre(), 0));
  double top = 0;
  for (BikePtr& b : bikes) top = std::max(top, position_of(*b).y);
  EXPECT_GT(top, 6);  // a heap, not a row
  // How far the frames move, on average and at most, over each second.
  std::vector<Vec3> before;
  for (BikePtr& b : bikes) before.push_back(position_of(*b));
  double first_mean = 0, last_mean = 0, last_most = 0, fastest = 0;
  for (int second = 1; second <= 8; ++second) {
    for (int k = 0; k < kStepsPerSecond; ++k) {
      race();
      if (k % 16 != 0) continue;
      for (BikePtr& b : bikes) {
        ASSERT_TRUE(state_finite(*b)) << "step " << steps;
        if (second > 2) fastest = std::max(fastest, length(velocity_of(*b)));
      }
    }
    double mean = 0, most = 0;
    for (size_t k = 0; k < bikes.size(); ++k) {
      const Vec3 p = position_of(*bikes[k]);
      mean += length(p - before[k]) / 40;
      most = std::max(most, length(p - before[k]));
      before[k] = p;
    }
    if (second == 1) first_mean = mean;
    last_mean = mean, last_most = most;
  }
  double highest = 0, widest = 0;
  int crashes = 0;
  for (BikePtr& b : bikes) {
    const Vec3 p = position_of(*b);
    highest = std::max(highest, p.y);
    widest = std::max(widest, std::hypot(p.x - centre(), p.z - centre()));
    for (int body = 0; body < kBikeBodies; ++body) EXPECT_GT(position_of(*b, body).y, -0.5);
    crashes += b->crash.count;
    EXPECT_GE(b->crash.first_bike_contact_step, 0);
  }
  EXPECT_GT(first_mean, 2);
  EXPECT_LT(last_mean, 0.5);
  EXPECT_LT(last_mean, first_mean / 5);
  EXPECT_LT(last_most, 3);
  EXPECT_LT(fastest, 15);
  EXPECT_LT(highest, top);
  EXPECT_LT(widest, 30);
  EXPECT_GT(crashes, 0);
  EXPECT_EQ(ode_messages(), 0);
}

// The same heap twice, in two worlds: the same states to the last bit.
TEST_F(BikesMeet, AHeapFallsTheSameWayEveryTime) {
  std::vector<double> first;
  for (int run = 0; run < 2; ++run) {
    bikes.clear();
    physics_world_destroy(world);
    ASSERT_TRUE(physics_world_create(world));
    steps = 0;
    for (int k = 0; k < 8; ++k) make();
    ASSERT_TRUE(bikes_place_heap(all(), ground, centre(), centre(), 0.3));
    race(384);
    std::vector<double> state;
    for (BikePtr& b : bikes)
      for (dBodyID body : b->body)
        for (const dReal* v : {dBodyGetPosition(body), dBodyGetLinearVel(body)})
          state.insert(state.end(), v, v + 3);
    if (run == 0)
      first = state;
    else
      EXPECT_EQ(state, first);
  }
}

}  // namespace
