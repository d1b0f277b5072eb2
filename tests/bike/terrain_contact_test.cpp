// The tyre and part spheres against hand-made ground: depth, point and
// normal at full depth, at the ring's edge, over both diagonals of the
// checkerboard, the cases whose direction is undefined, the surface tables,
// and queries far outside the field.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bike/roll.h"
#include "bike/terrain_contact.h"
#include "platform/units.h"
#include "tests/bike/ground_fixture.h"

namespace {

class GroundContact : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(physics_world_create(world));
    body = dBodyCreate(world.world);
    dMass m;
    dMassSetSphereTotal(&m, 1, 1);
    dBodySetMass(body, &m);
    wheel.body = body;
    wheel.ring_radius = 0.8;
    wheel.tube_radius = 0.3;
  }
  void TearDown() override { physics_world_destroy(world); }

  // The wheel centre at p with its axle along `axle` (world).
  void put_wheel(Vec3 p, Vec3 axle = {1, 0, 0}) {
    dBodySetPosition(body, p.x, p.y, p.z);
    // A rotation taking x to the axle.
    Vec3 a = axle * (1 / length(axle));
    const Vec3 x{1, 0, 0};
    const Vec3 turn = cross(x, a);
    const double s = length(turn), c = dot(x, a);
    dMatrix3 r;
    if (s > 1e-12)
      dRFromAxisAndAngle(r, turn.x, turn.y, turn.z, std::atan2(s, c));
    else
      dRFromAxisAndAngle(r, 0, 1, 0, c > 0 ? 0 : kPi);
    dBodySetRotation(body, r);
  }

  PhysicsWorld world;
  dBodyID body = nullptr;
  WheelContact wheel;
};

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

TEST_F(GroundContact, UprightTyreOnFlatGround) {
  const Terrain g = plane_ground(2, 0, 0, 4);
  struct Case {
    const char* what;
    double height;  // of the wheel centre above the ground
    bool touches;
    double depth;
  };
  const Case cases[] = {
      {"clear by a hair", 0.8 + 0.3 + 1e-9, false, 0},
      {"at the ring's edge", 0.8 + 0.3 - 1e-6, true, 1e-6},
      {"half squashed", 0.8 + 0.15, true, 0.15},
      {"ring on the ground: full depth", 0.8, true, 0.3},
      {"ring through the ground", 0.5, true, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    put_wheel({13, 2 + c.height, 17});
    EXPECT_EQ(tyreContact(g, wheel, 1, nullptr), c.touches);
    EXPECT_NEAR(wheel.depth, c.depth, 1e-9);
    if (!c.touches) continue;
    EXPECT_NEAR(wheel.normal.y, 1, 1e-9);
    EXPECT_NEAR(wheel.point.y, 2, 1e-9);
    EXPECT_NEAR(wheel.point.z, 17, c.height >= 0.8 ? 1e-6 : 0.7);
    EXPECT_TRUE(finite(wheel.normal) && finite(wheel.point));
  }
  // Full depth is the stiffest tyre; a light touch the softest.
  double k, c;
  tyre_spring(1.0, k, c);
  EXPECT_EQ(k, 25000);
  EXPECT_EQ(c, 2500);
  tyre_spring(2.0, k, c);
  EXPECT_EQ(k, 25000);
  tyre_spring(0.0, k, c);
  EXPECT_EQ(k, 1000);
  EXPECT_EQ(c, 200);
}

// A ridge along the diagonal of a cell: an even cell splits along
// (i, j)-(i+1, j+1), an odd one along (i+1, j)-(i, j+1). Raising the two
// ends of that diagonal makes a crest the tyre sits on; split the other way
// the cell's middle would lie 1 ft lower and the tyre would not touch.
TEST_F(GroundContact, TyreOnTheCrestOfEitherDiagonal) {
  struct Case {
    const char* what;
    int i, j;
    int ends[2][2];  // the diagonal's corners, as offsets
  };
  const Case cases[] = {
      {"even cell", 6, 8, {{0, 0}, {1, 1}}},
      {"odd cell", 7, 8, {{1, 0}, {0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Terrain g = plane_ground(0, 0, 0, 4);
    for (const auto& e : c.ends) set_height(g, c.i + e[0], c.j + e[1], 1.0f);
    const double s = g.spacing;
    const double mx = (c.i + 0.5) * s, mz = (c.j + 0.5) * s;
    // The track's own height query agrees on the split.
    EXPECT_NEAR(terrain_height_at(g, float(mx), float(mz)), 1.0, 1e-6);
    // The axle along the crest, so the ring stands across it.
    const Vec3 crest{double(c.ends[1][0] - c.ends[0][0]), 0, double(c.ends[1][1] - c.ends[0][1])};
    put_wheel({mx, 1 + 0.8 + 0.1, mz}, crest);
    ASSERT_TRUE(tyreContact(g, wheel, 1, nullptr));
    EXPECT_NEAR(wheel.depth, 0.2, 1e-9);
    EXPECT_NEAR(wheel.point.x, mx, 1e-9);
    EXPECT_NEAR(wheel.point.y, 1, 1e-9);
    EXPECT_NEAR(wheel.point.z, mz, 1e-9);
    EXPECT_NEAR(wheel.normal.y, 1, 1e-9);
    // Turned to stand along the crest, the ring rests on it the same way.
    put_wheel({mx, 1 + 0.8 + 0.1, mz}, cross(crest, Vec3{0, 1, 0}));
    ASSERT_TRUE(tyreContact(g, wheel, 1, nullptr));
    EXPECT_NEAR(wheel.depth, 0.2, 1e-9);
  }
}

// A tyre against a steep bank beside it: the deepest triangle wins and the
// normal points from the bank to the ring.
TEST_F(GroundContact, TyreAgainstABankTouchesItsFace) {
  // Height 4 - x for x < 4: a 45 degree bank facing +x.
  Terrain g = plane_ground(0, 0, 0, 4);
  for (int j = 0; j < g.size; ++j)
    for (int i = 0; i < g.size; ++i) set_height(g, i, j, std::max(0.0f, 8.0f - float(i) * g.spacing));
  // A lying tyre (axle up) 0.5 ft above the flat ground, its ring 0.2 ft
  // from the bank: its nearest point at x = 7.5 + 0.2 sqrt 2.
  const double px = 7.5 + 0.2 * std::sqrt(2.0);
  put_wheel({px + 0.8, 0.5, 11}, {0, 1, 0});
  ASSERT_TRUE(tyreContact(g, wheel, 1, nullptr));
  EXPECT_NEAR(wheel.depth, 0.1, 1e-9);
  EXPECT_NEAR(wheel.normal.x, std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(wheel.normal.y, std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(wheel.point.x + wheel.point.y, 8, 1e-9);
}

// Directions that do not exist: a ring lying in the ground's plane, a
// sphere centred on the ground, the nose pointing straight up.
TEST_F(GroundContact, UndefinedDirectionsFallBackWithoutNaN) {
  // A ring lying flat in the ground's plane touches it everywhere.
  const Terrain flat = plane_ground(1, 0, 0, 4);
  put_wheel({13, 1, 15}, {0, 1, 0});
  ASSERT_TRUE(tyreContact(flat, wheel, 1, &world));
  EXPECT_NEAR(wheel.depth, wheel.tube_radius, 1e-12);
  EXPECT_EQ(wheel.normal.y, 1);
  EXPECT_TRUE(finite(wheel.normal));
  // The same on a slope, the axle along its normal.
  const Terrain g = plane_ground(1, 0.1f, 0, 4);
  const Vec3 n = Vec3{-0.1, 1, 0} * (1 / std::sqrt(1.01));
  put_wheel({13, 1 + 0.1 * 13, 15}, n);
  ASSERT_TRUE(tyreContact(g, wheel, 1, &world));
  EXPECT_NEAR(wheel.depth, wheel.tube_radius, 1e-6);
  EXPECT_TRUE(finite(wheel.normal));
  EXPECT_NEAR(dot(wheel.normal, n), 1, 1e-6);
  physics_world_step(world);
  EXPECT_TRUE(finite(vec3_of(dBodyGetLinearVel(body))));

  // A sphere centred exactly on a corner of the ground.
  PartShape part;
  ShapeSphere sphere;
  sphere.radius = 0.4;
  sphere.friction = 0.5;
  part.shape.spheres.push_back(sphere);
  part.loaded = true;
  const int i = 6, j = 7;
  dReal position[3] = {i * g.spacing, g.heights[j * g.size + i], j * g.spacing};
  dMatrix3 identity;
  dRFromAxisAndAngle(identity, 0, 1, 0, 0);
  put_wheel({position[0], position[1], position[2]});
  const int before = world.contacts_made;
  EXPECT_TRUE(shapeTerrainContact(g, part, body, position, identity, &world));
  EXPECT_EQ(world.contacts_made, before + 1);
  EXPECT_EQ(part.centres[0].y, position[1]);
  physics_world_step(world);
  EXPECT_TRUE(finite(vec3_of(dBodyGetPosition(body))));
  EXPECT_TRUE(finite(vec3_of(dBodyGetLinearVel(body))));
  EXPECT_GT(dBodyGetLinearVel(body)[1], 0);  // pushed out, upward

  // The roll of a frame pointing straight up or down keeps the last value.
  for (double angle : {kPi / 2, -kPi / 2}) {
    dMatrix3 r;
    dRFromAxisAndAngle(r, 1, 0, 0, angle);
    EXPECT_EQ(roll_from_rotation(r, 0.3), 0.3);
  }
  dMatrix3 lean;
  dRFromAxisAndAngle(lean, 0, 0, 1, 0.25);
  EXPECT_NEAR(std::fabs(roll_from_rotation(lean, 0)), 0.25, 1e-12);
}

TEST(ContactNormal, DownwardNormalsCannotHoldAnythingUp) {
  struct Case {
    Vec3 in, out;
  };
  const double r = 1 / std::sqrt(2.0);
  const Case cases[] = {
      {{0, 1, 0}, {0, 1, 0}},
      {{0, -1, 0}, {0, 1, 0}},              // straight down: up
      {{r, -r, 0}, {1, 0, 0}},              // down and sideways: sideways
      {{0.01, -0.99995, 0}, {0, 1, 0}},     // hardly sideways: up
      {{0.6, 0.8, 0}, {0.6, 0.8, 0}},       // upward ones stay
  };
  for (const Case& c : cases) {
    const Vec3 n = settle_normal(c.in);
    EXPECT_NEAR(n.x, c.out.x, 1e-9);
    EXPECT_NEAR(n.y, c.out.y, 1e-9);
    EXPECT_NEAR(n.z, c.out.z, 1e-9);
  }
}

// Friction points (coefficient, speed): the first point faster than the
// slip, interpolated from the one before in the square of the speed.
TEST(SurfaceTables, FrictionAndRollingResistanceBySpeed) {
  TileType t;
  t.friction[0] = {1.0f, 2.0f};
  t.friction[1] = {0.8f, 10.0f};
  t.friction[2] = {0.6f, 20.0f};
  struct Case {
    double speed, friction;
  };
  const Case cases[] = {
      {0, 1.0}, {1.99, 1.0},
      {2, 1.0},  // exactly at a point: the next interval, at its start
      {6, 1.0 - 0.2 * (36 - 4) / 96.0},
      {10, 0.8},
      {15, 0.8 - 0.2 * (225 - 100) / 300.0},
      {20, 0.6}, {500, 0.6},
  };
  for (const Case& c : cases) EXPECT_NEAR(tile_friction(t, c.speed), c.friction, 1e-6) << c.speed;

  t.roll_resist[0] = {4.0f, 10.0f, 1.0f};
  t.roll_resist[1] = {8.0f, 30.0f, 11.0f};
  double a, b;
  tile_roll_resistance(t, 0.5, a, b);
  EXPECT_NEAR(a, 4, 1e-6);
  EXPECT_NEAR(b, 10, 1e-6);
  tile_roll_resistance(t, 6, a, b);  // linear in the speed, not its square
  EXPECT_NEAR(a, 6, 1e-6);
  EXPECT_NEAR(b, 20, 1e-6);
  tile_roll_resistance(t, 40, a, b);
  EXPECT_NEAR(a, 8, 1e-6);
  EXPECT_NEAR(b, 30, 1e-6);
  // The default surface: one point.
  const TileType plain;
  EXPECT_EQ(tile_friction(plain, 100), 1.0);
}

// Queries anywhere, even far outside the field or not numbers, visit only
// cells of the field.
TEST_F(GroundContact, CellRangesStayInsideTheField) {
  const Terrain g = plane_ground(0, 0, 0, 3);
  const int cells = g.size - 1;
  const double inf = std::numeric_limits<double>::infinity();
  for (double x : {-1e30, -5.0, 0.0, 7.3, 31.9, 32.0, 1e9, 1e30}) {
    CellRange r;
    ASSERT_TRUE(ground_cells(g, x, x * 0.5, 1.5, r));
    EXPECT_GE(r.i0, 0);
    EXPECT_LE(r.i1, cells);
    EXPECT_LT(r.i0, r.i1);
    EXPECT_GE(r.j0, 0);
    EXPECT_LE(r.j1, cells);
    EXPECT_LT(r.j0, r.j1);
  }
  CellRange r;
  EXPECT_FALSE(ground_cells(g, NAN, 3, 1, r));
  EXPECT_FALSE(ground_cells(g, 3, inf, 1, r));
  EXPECT_FALSE(ground_cells(Terrain(), 3, 3, 1, r));
  put_wheel({NAN, 1, 2});
  EXPECT_FALSE(tyreContact(g, wheel, 1, &world));
  put_wheel({-1e12, 0, 1e12});
  EXPECT_FALSE(tyreContact(g, wheel, 1, &world));
}

// With a world the tyre makes one contact joint whose feedback lands in the
// tyre's record, and pushes back along the ground against rolling.
TEST_F(GroundContact, TyreJointReportsItsLoadAndResistsRolling) {
  const Terrain g = plane_ground(0, 0, 0, 4);
  put_wheel({13, 0.8 + 0.2, 13});
  dBodySetLinearVel(body, 0, 0, -10);
  ASSERT_TRUE(tyreContact(g, wheel, 1, &world));
  EXPECT_TRUE(wheel.joined);
  EXPECT_EQ(world.contacts_made, 1);
  const Vec3 push = vec3_of(dBodyGetForce(body));
  EXPECT_GT(push.z, 0);  // against the motion
  EXPECT_NEAR(push.z, 5 + 10 * (0.1 / 0.3), 1e-9);
  EXPECT_EQ(push.y, 0);
  physics_world_step(world);
  EXPECT_GT(dot(vec3_of(wheel.feedback.f1), wheel.normal), 0);
  // Below 1 ft/s the push fades with the speed.
  put_wheel({13, 0.8 + 0.2, 13});
  dBodySetForce(body, 0, 0, 0);
  dBodySetLinearVel(body, 0.5, 0, 0);
  ASSERT_TRUE(tyreContact(g, wheel, 1, &world));
  EXPECT_NEAR(vec3_of(dBodyGetForce(body)).x, -0.5 * (5 + 10 * (0.1 / 0.3)), 1e-6);
  // A test makes no joint and no force.
  dBodySetForce(body, 0, 0, 0);
  const int before = world.contacts_made;
  ASSERT_TRUE(tyreContact(g, wheel, 1, nullptr));
  EXPECT_EQ(world.contacts_made, before);
  EXPECT_EQ(length(vec3_of(dBodyGetForce(body))), 0);
}

}  // namespace
