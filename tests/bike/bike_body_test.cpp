// The bike's bodies as the catalogue builds them: masses and their split
// between frame and rider, the suspension's forces, placement on the
// ground, reset, and the bike's own copies of its shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bike/bike_info.h"
#include "bike/suspension.h"
#include "tests/bike/bike_fixture.h"

namespace {

double body_mass(const Bike& b, int body) {
  dMass m;
  dBodyGetMass(b.body[body], &m);
  return m.mass;
}

// Everything the catalogue row says the bike weighs: frame, rider, both fork
// bodies (each with the fork mass), two swingarm arms, hubs and tyres.
double catalogue_mass(const BikeInfo& i) {
  return i.frame_mass + i.rider_mass + 2 * i.fork_mass + 2 * i.swingarm_arm_mass + i.front_wheel.hub_mass +
         i.front_wheel.tyre_mass + i.rear_wheel.hub_mass + i.rear_wheel.tyre_mass;
}

using BikeBodies = BikeWorld;

TEST_F(BikeBodies, TotalMassAndItsSplitBetweenFrameAndRider) {
  struct Case {
    const char* bike;
    float distribution;  // < 0: as created
    double rider_share;  // of the rider's mass on the rider mass body
  };
  const Case cases[] = {
      {"crf450(2013)", -1, 1.0 / 3}, {"crf450(2013)", 0.33f, 0.33}, {"crf450(2013)", 0.5f, 0.5},
      {"cr250(2007)", 0.4f, 0.4},    {"crf250(2013)", -1, 1.0 / 3}, {"yz125", 0.9f, 0.5},  // clamped
      {"rs50yz", 0.1f, 0.33},                                                               // clamped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bike) + " " + std::to_string(c.distribution));
    Bike& b = make(c.bike);
    const double created = b.total_mass;
    if (c.distribution >= 0) bike_set_rider_mass_distribution(b, c.distribution);
    const BikeInfo& i = b.info;
    EXPECT_NEAR(b.total_mass, catalogue_mass(i), 1e-5);
    EXPECT_NEAR(b.total_mass, created, 1e-9);
    EXPECT_NEAR(bike_mass_sum(b), b.total_mass, 1e-9);
    EXPECT_NEAR(body_mass(b, kBodyRider), c.rider_share * i.rider_mass, 1e-5);
    EXPECT_NEAR(body_mass(b, kBodyFrame), i.frame_mass + (1 - c.rider_share) * i.rider_mass, 1e-5);
    EXPECT_NEAR(body_mass(b, kBodyForkUpper), i.fork_mass, 1e-6);
    EXPECT_NEAR(body_mass(b, kBodyForkLower), i.fork_mass, 1e-6);
  }
  // The crf450(2013) with its rider: 13.95875 slugs, 446.68 lb.
  EXPECT_NEAR(bikes[0]->total_mass, 13.95875, 1e-4);
}

TEST_F(BikeBodies, WheelsSpinAboutTheirAxlesWithTheTyreRingsInertia) {
  const Bike& b = make();
  dMass m;
  dBodyGetMass(b.body[kBodyFrontWheel], &m);
  const BikeWheelInfo& w = b.info.front_wheel;
  // Hub sphere 2/5 m r^2, plus sixteen tyre spheres on the ring.
  const double tyre = w.tyre_mass * (w.ring_radius * w.ring_radius + 0.4 * w.tube_radius * w.tube_radius);
  EXPECT_NEAR(m.I[0], 0.4 * w.hub_mass * w.hub_radius * w.hub_radius + tyre, 1e-6);
  EXPECT_NEAR(m.c[0], 0, 1e-15);
  EXPECT_NEAR(m.c[1], 0, 1e-15);
  EXPECT_NEAR(m.c[2], 0, 1e-15);
}

// Fork and shock of the crf450(2013) at mid settings: spring 645.09 lbf/ft,
// preload 0.0417 ft, air gap 0.3333 ft; shock 3830.2 lbf/ft, preload
// 0.01375, linkage 0.615385.
TEST_F(BikeBodies, ForkAndShockForcesAtExtensionSmallCompressionAndFullTravel) {
  const Bike& b = make();
  const BikeInfo& i = b.info;
  const BikeSetup& s = b.setup;
  struct Case {
    const char* what;
    double position, rate, fork;
  };
  const Case fork_cases[] = {
      {"full extension, any preload", 0, 0, 0},
      {"half the top-out ramp", -1.0 / 64, 0, 19.1652},
      {"end of the ramp", -1.0 / 32, 0, 49.8218},
      {"full travel: coil 672 + air 492", -1.0, 0, 1163.80},
      {"compressing at 1 ft/s: compression damping 60", -0.5, -1, 0},
      {"extending at 1 ft/s: rebound damping 32", -0.5, 1, 0},
  };
  const double still = fork_force(i, s, -0.5, 0);
  for (const Case& c : fork_cases) {
    SCOPED_TRACE(c.what);
    const double f = fork_force(i, s, c.position, c.rate);
    if (c.rate == 0)
      EXPECT_NEAR(f, c.fork, 0.01);
    else
      EXPECT_NEAR(f, still - (c.rate < 0 ? 60 : 32) * c.rate, 1e-9);
  }
  // The ramp halves the spring and air force at half a thirty-second.
  BikeSetup stiff = s;
  stiff.fork_preload = i.fork_preload[1];
  EXPECT_EQ(fork_force(i, stiff, 0, 0), 0);
  EXPECT_GT(fork_force(i, stiff, -1.0 / 64, 0), fork_force(i, s, -1.0 / 64, 0));

  const double travel = i.swingarm_travel;
  EXPECT_EQ(shock_torque(i, s, 0, 0), 0);
  EXPECT_NEAR(shock_torque(i, s, -travel / 64, 0), 27.5368, 0.01);
  EXPECT_NEAR(shock_torque(i, s, -travel, 0), 1482.91, 0.05);
  // Damping acts through the leverage squared.
  const double m2 = i.linkage_ratio_top * i.linkage_ratio_top;
  EXPECT_NEAR(shock_torque(i, s, -0.3, -1) - shock_torque(i, s, -0.3, 0), 800 * m2, 1e-4);
  EXPECT_NEAR(shock_torque(i, s, -0.3, 1) - shock_torque(i, s, -0.3, 0), -650 * m2, 1e-4);
}

// A progressive linkage: the leverage runs from the top ratio at full
// extension to the bottom ratio at full compression.
TEST_F(BikeBodies, ProgressiveLinkageEndsAtTheBottomRatio) {
  const Bike& b = make();
  BikeInfo i = b.info;
  i.linkage_ratio_bottom = 0.9f;
  EXPECT_NEAR(shock_torque(i, b.setup, -i.swingarm_travel, 0), 2659.32, 0.05);
  EXPECT_NEAR(shock_torque(i, b.setup, -i.swingarm_travel / 2, 0), 1036.12, 0.05);
}

TEST_F(BikeBodies, SuspensionSettingsSetTheirRanges) {
  Bike& b = make();
  const BikeInfo& i = b.info;
  SuspensionSettings soft;
  soft.fork_compression = soft.fork_rebound = soft.shock_compression = soft.shock_rebound = 0;
  soft.fork_spring = soft.fork_preload = soft.shock_spring = soft.shock_preload = 0;
  soft.fork_oil_level = 100;
  soft.rider_forward_damping = 250;  // clamped
  bike_apply_suspension(b, soft);
  EXPECT_FLOAT_EQ(b.setup.fork_compression, 0.5f * i.fork_compression_damping);
  EXPECT_FLOAT_EQ(b.setup.shock_rebound, 0.5f * i.shock_rebound_damping);
  EXPECT_FLOAT_EQ(b.setup.fork_spring_rate, i.fork_spring_rate[0]);
  EXPECT_FLOAT_EQ(b.setup.fork_air_gap, i.fork_air_gap[1]);  // most oil, least air
  EXPECT_FLOAT_EQ(b.setup.rider_forward_damping, 1.0f);
  SuspensionSettings hard;
  hard.fork_compression = 100;
  hard.shock_spring = 100;
  hard.fork_oil_level = -20;  // clamped
  bike_apply_suspension(b, hard);
  EXPECT_FLOAT_EQ(b.setup.fork_compression, 2.0f * i.fork_compression_damping);
  EXPECT_FLOAT_EQ(b.setup.shock_spring_rate, i.shock_spring_rate[1]);
  EXPECT_FLOAT_EQ(b.setup.fork_air_gap, i.fork_air_gap[0]);
  EXPECT_FLOAT_EQ(b.setup.fork_rebound, i.fork_rebound_damping);  // 50: the base
}

// On flat ground the tyres start 0.077 ft (front) and 0.043 ft (rear) into
// the ground in the creation pose: one raise of 0.25 ft clears them.
TEST_F(BikeBodies, PlacementOnFlatGroundRaisesOnceAndMakesNoContacts) {
  ground = plane_ground(5, 0, 0, 7);
  Bike& b = make();
  const double heading = 0.7;
  ASSERT_TRUE(bike_place(b, ground, 100, 120, heading));
  EXPECT_EQ(world.contacts_made, 0);
  for (int body = 0; body < kBikeBodies; ++body) {
    const Vec3 p = position_of(b, body);
    float local[3];
    switch (body) {
      case kBodyFrame: std::copy(b.info.frame_position, b.info.frame_position + 3, local); break;
      case kBodyFrontWheel: std::copy(b.info.front_wheel.position, b.info.front_wheel.position + 3, local); break;
      case kBodyRearWheel: std::copy(b.info.rear_wheel.position, b.info.rear_wheel.position + 3, local); break;
      case kBodyForkUpper: std::copy(b.info.fork_upper_position, b.info.fork_upper_position + 3, local); break;
      case kBodyForkLower: std::copy(b.info.fork_lower_position, b.info.fork_lower_position + 3, local); break;
      case kBodySwingarm: std::copy(b.info.swingarm_position, b.info.swingarm_position + 3, local); break;
      default: std::copy(b.info.rider_mass_position, b.info.rider_mass_position + 3, local); break;
    }
    // Turned about y by the heading, then moved to (x, 5 + 0.25, z).
    const double c = std::cos(heading), s = std::sin(heading);
    EXPECT_NEAR(p.x, 100 + c * local[0] + s * local[2], 1e-9);
    EXPECT_NEAR(p.y, 5.25 + local[1], 1e-9);
    EXPECT_NEAR(p.z, 120 - s * local[0] + c * local[2], 1e-9);
  }
  EXPECT_EQ(bikeTerrainContact(b, ground, ContactUse::Test), 0u);
}

// A hump under the front wheel: raised in steps of 0.25 ft until clear, and
// no higher.
TEST_F(BikeBodies, PlacementOverAHumpRaisesInQuarterFeetUntilClear) {
  ground = plane_ground(0, 0, 0, 7);
  const int i0 = 50, j0 = 50;  // the front axle lands over (100, 101.11)
  for (int j = j0 - 1; j <= j0 + 1; ++j)
    for (int i = i0 - 1; i <= i0 + 1; ++i) set_height(ground, i, j, 0.6f);
  Bike& b = make();
  ASSERT_TRUE(bike_place(b, ground, 100, 100, 0));
  // Raised from the ground height at the bike's origin, on the hump.
  const double raised = position_of(b).y - b.info.frame_position[1] - terrain_height_at(ground, 100, 100);
  const double steps = raised / 0.25;
  EXPECT_NEAR(steps, std::round(steps), 1e-6);
  EXPECT_GE(std::round(steps), 1);
  EXPECT_EQ(bikeTerrainContact(b, ground, ContactUse::Test), 0u);
  // A quarter foot lower it would touch.
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0], p[1] - 0.25, p[2]);
  }
  EXPECT_NE(bikeTerrainContact(b, ground, ContactUse::Test), 0u);
}

TEST_F(BikeBodies, PlacementThatCannotClearTheGroundStops) {
  ground = plane_ground(0, 0, 0, 7);
  set_height(ground, 50, 51, 500.0f);  // a spike through the bike
  Bike& b = make();
  EXPECT_FALSE(bike_place(b, ground, 100, 100, 0));
  EXPECT_NEAR(position_of(b).y - b.info.frame_position[1], kMaxPlacementRaises * 0.25, 1e-9);
}

TEST_F(BikeBodies, ResetRestoresTheCreationPoseAndTheRiderMount) {
  Bike& b = standing();
  step(200);
  b.controls.throttle = 1;
  b.crash.timer = 300;
  b.crash.count = 2;
  dBodyAddForce(b.body[kBodyFrame], 10, 20, 30);
  dJointAttach(b.joint[kJointRiderMount], nullptr, nullptr);
  dBodySetLinearVel(b.body[kBodyRider], 3, 4, 5);
  bike_reset(b);
  for (int body = 0; body < kBikeBodies; ++body) {
    EXPECT_EQ(length(velocity_of(b, body)), 0);
    EXPECT_EQ(length(vec3_of(dBodyGetAngularVel(b.body[body]))), 0);
    EXPECT_EQ(length(vec3_of(dBodyGetForce(b.body[body]))), 0);
    const dReal* q = dBodyGetQuaternion(b.body[body]);
    EXPECT_EQ(q[0], 1);
  }
  EXPECT_NEAR(position_of(b, kBodyRider).y, b.info.rider_mass_position[1], 1e-12);
  EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 0), b.body[kBodyRider]);
  EXPECT_EQ(dJointGetBody(b.joint[kJointRiderMount], 1), b.body[kBodyFrame]);
  EXPECT_EQ(b.controls.throttle, 0);
  EXPECT_EQ(b.crash.timer, 0);
  EXPECT_EQ(b.crash.first_bike_contact_step, -1);
  EXPECT_EQ(b.rider_velocities.next, 0);
  // Joint zeros are those of creation: fully extended again.
  EXPECT_NEAR(dJointGetSliderPosition(b.joint[kJointForkSlider]), 0, 1e-12);
  EXPECT_NEAR(dJointGetHingeAngle(b.joint[kJointSwingarmPivot]), 0, 1e-12);
  // And it stands again after a fresh placement.
  ASSERT_TRUE(bike_place(b, ground, centre(), centre(), 0));
  step(384);
  EXPECT_NEAR(tyre_load(b.wheel[0]) + tyre_load(b.wheel[1]), weight_of(b), 0.02 * weight_of(b));
}

TEST_F(BikeBodies, EachBikeOwnsItsShapesAndTheCacheStaysUntouched) {
  Bike& a = standing();
  Bike& b = make();
  ASSERT_TRUE(bike_place(b, ground, centre() + 20, centre(), 1.0));
  for (int body = 0; body < kBikeBodies; ++body) {
    ASSERT_TRUE(a.shape[body].loaded) << body;
    EXPECT_EQ(a.shape[body].centres.size(), a.shape[body].shape.spheres.size());
  }
  std::shared_ptr<const CollisionShape> cached = shape_get(a.info.frame_shape.c_str());
  ASSERT_NE(cached, nullptr);
  EXPECT_NE(&a.shape[kBodyFrame].shape, cached.get());
  const double before = cached->spheres[0].centre[1];
  a.shape[kBodyFrame].shape.spheres[0].centre[1] += 1;
  EXPECT_EQ(cached->spheres[0].centre[1], before);
  EXPECT_EQ(b.shape[kBodyFrame].shape.spheres[0].centre[1], before);
  // The world centres of each bike's spheres follow that bike.
  bikeTerrainContact(a, ground, ContactUse::Test);
  bikeTerrainContact(b, ground, ContactUse::Test);
  EXPECT_GT(length(a.shape[kBodyRider].centres[0] - b.shape[kBodyRider].centres[0]), 15);
}

TEST_F(BikeBodies, AMissingShapeLeavesThatPartWithoutCollision) {
  Bike& whole = make();
  sandbox.write_data("generic_rider.shp", "not a shape\n");
  sandbox.rescan();
  shape_cache_clear();
  Bike& riderless = make();
  EXPECT_TRUE(whole.shape[kBodyRider].loaded);
  EXPECT_FALSE(riderless.shape[kBodyRider].loaded);
  EXPECT_TRUE(riderless.shape[kBodyFrame].loaded);
  // Sunk until the rider mass sits on the ground: only the bike with a
  // rider shape finds it there.
  for (Bike* b : {&whole, &riderless}) {
    for (dBodyID body : b->body) {
      const dReal* p = dBodyGetPosition(body);
      dBodySetPosition(body, p[0] + 100, p[1] - b->info.rider_mass_position[1], p[2] + 100);
    }
  }
  EXPECT_TRUE(bikeTerrainContact(whole, ground, ContactUse::Test) & kPartRider);
  EXPECT_FALSE(bikeTerrainContact(riderless, ground, ContactUse::Test) & kPartRider);
}

TEST_F(BikeBodies, UnknownNamesGetTheSubstituteRow) {
  EXPECT_EQ(make("no such bike").info.name, "kx250f(2013)");
  EXPECT_EQ(make("my 125 special").info.name, "cr125");
}

}  // namespace
