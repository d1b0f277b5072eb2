// A physics world with the generated bike shapes and a ground, for tests
// that build bikes and step them the way the frame step does.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bike/bike.h"
#include "bike/bike_step.h"
#include "bike/physics_world.h"
#include "shapes/shape.h"
#include "tests/bike/ground_fixture.h"
#include "tests/support/test_env.h"

class BikeWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(KR_GAME_DIR) + "/zzzz.saf", sandbox.data() + "/zzzz.saf");
    sandbox.rescan();
    shape_cache_clear();
    ASSERT_TRUE(physics_world_create(world));
    messages_at_start = physics_message_count();
  }
  void TearDown() override {
    bikes.clear();
    physics_world_destroy(world);
    shape_cache_clear();
  }

  Bike& make(const char* name = "crf450(2013)") {
    bikes.push_back(bike_create(world, name, int(bikes.size())));
    return *bikes.back();
  }
  // Places a bike in the middle of the ground, facing -z.
  Bike& standing(const char* name = "crf450(2013)") {
    Bike& b = make(name);
    EXPECT_TRUE(bike_place(b, ground, centre(), centre(), 0));
    return b;
  }
  double centre() const { return ground.world_size / 2; }

  // One frame step for every bike: ground contacts, the world step, each
  // bike's own step.
  void step(int n = 1) {
    for (int k = 0; k < n; ++k) {
      for (BikePtr& b : bikes) bikeTerrainContact(*b, ground, ContactUse::Joint);
      physics_world_step(world);
      for (BikePtr& b : bikes) bike_step(*b, steps);
      ++steps;
    }
  }
  long ode_messages() const { return physics_message_count() - messages_at_start; }

  DataSandbox sandbox;
  PhysicsWorld world;
  Terrain ground = plane_ground(0, 0, 0, 7);
  std::vector<BikePtr> bikes;
  int steps = 0;
  long messages_at_start = 0;
};

// Readings of a bike's state.
inline Vec3 position_of(const Bike& b, int body = kBodyFrame) { return vec3_of(dBodyGetPosition(b.body[body])); }
inline Vec3 velocity_of(const Bike& b, int body = kBodyFrame) { return vec3_of(dBodyGetLinearVel(b.body[body])); }
// The normal force the ground put on a tyre in the last world step, lbf.
inline double tyre_load(const WheelContact& w) { return w.joined ? dot(vec3_of(w.feedback.f1), w.normal) : 0.0; }
inline double weight_of(const Bike& b) { return b.total_mass * 32; }
inline bool state_finite(const Bike& b) {
  for (dBodyID body : b.body) {
    if (!is_finite(vec3_of(dBodyGetPosition(body))) || !is_finite(vec3_of(dBodyGetLinearVel(body))) ||
        !is_finite(vec3_of(dBodyGetAngularVel(body))))
      return false;
    const dReal* q = dBodyGetQuaternion(body);
    for (int k = 0; k < 4; ++k)
      if (!std::isfinite(q[k])) return false;
  }
  return true;
}
