// The shipped bike collision shapes, read from the generated data set
// through the shape loader and laid over the bike in its creation pose.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "bike/bike_info.h"
#include "shapes/shape.h"
#include "tests/support/test_env.h"

namespace {

struct World {
  double x, y, z, r;
};

class BikeShapes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(KR_GAME_DIR) + "/zzzz.saf", sandbox.data() + "/zzzz.saf");
    sandbox.rescan();
    shape_cache_clear();
    info = bike_info_at(0);
  }
  void TearDown() override { shape_cache_clear(); }

  // Spheres of a loaded shape in creation-pose coordinates.
  std::vector<World> placed(const CollisionShape& s, const float body[3]) const {
    std::vector<World> out;
    for (const ShapeSphere& p : s.spheres)
      out.push_back({p.centre[0] + body[0], p.centre[1] + body[1], p.centre[2] + body[2], p.radius});
    return out;
  }
  const CollisionShape& load(const std::string& name) {
    const CollisionShape* s = shape_get(name.c_str());
    EXPECT_NE(s, nullptr) << name;
    static const CollisionShape empty;
    return s ? *s : empty;
  }

  DataSandbox sandbox;
  const BikeInfo* info = nullptr;
};

TEST_F(BikeShapes, EveryPartLoadsWithBoundsThatFitIt) {
  struct Case {
    std::string name;
    double min_radius, max_radius;
    double min_friction, max_friction;
  };
  const BikeInfo& b = *info;
  double front_outer = b.front_wheel.ring_radius + b.front_wheel.tube_radius;
  double rear_outer = b.rear_wheel.ring_radius + b.rear_wheel.tube_radius;
  const Case cases[] = {
      // Tyres: exactly the torus the ground contact uses.
      {b.front_wheel_shape, front_outer - 0.005, front_outer + 0.005, 0.8, 1.2},
      {b.rear_wheel_shape, rear_outer - 0.005, rear_outer + 0.005, 0.8, 1.2},
      // Frame: from the steering head to the rear fender.
      {b.frame_shape, 2.2, 3.2, 0.2, 0.8},
      // Fork upper: out to the grips at the ends of the bar.
      {b.fork_upper_shape, 1.6, 2.2, 0.2, 0.8},
      // Fork lower: axle lugs below, the legs' tops above.
      {b.fork_lower_shape, 0.8, 1.3, 0.2, 0.8},
      // Swingarm: pivot to axle, about 2 ft long.
      {b.swingarm_shape, 0.9, 1.5, 0.2, 0.8},
      // Rider: helmet above, shins below the rider mass.
      {b.rider_shape, 1.6, 3.0, 0.5, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CollisionShape& s = load(c.name);
    ASSERT_FALSE(s.spheres.empty());
    EXPECT_GE(s.bounding_radius, c.min_radius);
    EXPECT_LE(s.bounding_radius, c.max_radius);
    for (const ShapeSphere& p : s.spheres) {
      EXPECT_GT(p.radius, 0.05);
      EXPECT_GE(p.friction, c.min_friction);
      EXPECT_LE(p.friction, c.max_friction);
      EXPECT_GE(p.stiffness, 1000);
      EXPECT_LE(p.stiffness, 25000);
      EXPECT_GT(p.damping, 0);
      EXPECT_LT(p.damping, p.stiffness);
    }
  }
}

TEST_F(BikeShapes, TyreSpheresSitOnTheTyreRing) {
  const BikeWheelInfo* wheels[] = {&info->front_wheel, &info->rear_wheel};
  const std::string names[] = {info->front_wheel_shape, info->rear_wheel_shape};
  for (int w = 0; w < 2; w++) {
    SCOPED_TRACE(names[w]);
    const CollisionShape& s = load(names[w]);
    EXPECT_GE(s.spheres.size(), 12u);  // dense enough to roll over an edge
    for (const ShapeSphere& p : s.spheres) {
      EXPECT_NEAR(p.centre[0], 0, 1e-4);  // in the wheel's plane
      EXPECT_NEAR(std::hypot(p.centre[1], p.centre[2]), wheels[w]->ring_radius, 1e-3);
      EXPECT_NEAR(p.radius, wheels[w]->tube_radius, 1e-3);
    }
  }
}

// Standing on its tyres, only the tyres touch the ground; everything else
// clears it, so placing a bike at the start is not lifted by its frame.
TEST_F(BikeShapes, OnlyTheTyresReachTheGround) {
  const BikeInfo& b = *info;
  double ground = std::fmin(b.front_wheel.position[1] - b.front_wheel.ring_radius - b.front_wheel.tube_radius,
                            b.rear_wheel.position[1] - b.rear_wheel.ring_radius - b.rear_wheel.tube_radius);
  struct Part {
    std::string name;
    const float* position;
  };
  const Part parts[] = {{b.frame_shape, b.frame_position},
                        {b.fork_upper_shape, b.fork_upper_position},
                        {b.fork_lower_shape, b.fork_lower_position},
                        {b.swingarm_shape, b.swingarm_position},
                        {b.rider_shape, b.rider_mass_position}};
  for (const Part& p : parts) {
    SCOPED_TRACE(p.name);
    for (const World& s : placed(load(p.name), p.position)) EXPECT_GT(s.y - s.r, ground + 0.7);
  }
}

// The rider's shape collides with his own frame and fork once he is thrown
// off; seated, it must not start out sunk into them or the crash begins with
// a kick. It still has to cover his helmet and shoulders.
TEST_F(BikeShapes, SeatedRiderFitsOnTheBike) {
  const BikeInfo& b = *info;
  std::vector<World> rider = placed(load(b.rider_shape), b.rider_mass_position);
  std::vector<World> frame = placed(load(b.frame_shape), b.frame_position);
  std::vector<World> fork = placed(load(b.fork_upper_shape), b.fork_upper_position);
  auto dist = [](const World& a, const World& c) { return std::hypot(a.x - c.x, a.y - c.y, a.z - c.z); };
  for (const std::vector<World>* other : {&frame, &fork})
    for (const World& r : rider)
      for (const World& o : *other) EXPECT_GE(dist(r, o), r.r + o.r) << r.x << " " << r.y << " " << r.z;

  auto covered = [&](const float offset[3]) {
    World p{b.rider_mass_position[0] + offset[0], b.rider_mass_position[1] + offset[1],
            b.rider_mass_position[2] + offset[2], 0};
    for (const World& r : rider)
      if (dist(r, p) < r.r) return true;
    return false;
  };
  EXPECT_TRUE(covered(b.rider.head));
  EXPECT_TRUE(covered(b.rider.left_shoulder));
  EXPECT_TRUE(covered(b.rider.right_shoulder));
}

}  // namespace
