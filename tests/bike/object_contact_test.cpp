// The bike against the track's objects: a hay bale ridden into stops the
// bike, a statue (which has no body) never moves, touched statues record
// the step, and only the statues near a bike are tried.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bike/object_contact.h"
#include "platform/units.h"
#include "shapes/shape.h"
#include "tests/bike/contact_fixture.h"

namespace {

class Objects : public ContactWorld {
 protected:
  void SetUp() override {
    ContactWorld::SetUp();
    with_objects = true;
  }
  // A statue of the generated data set standing on the ground.
  int add_statue(float x, float z, float angle, const char* shape) {
    const int k = statue_add(track, x, 0, z, angle, "null", "null", shape);
    statue_grid_rebuild(track);
    statue_touched.assign(track.statues.size(), -1);
    return k;
  }
};

bool same_placement(const Statue& a, const Statue& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && std::memcmp(a.axes, b.axes, sizeof a.axes) == 0;
}

TEST_F(Objects, ABikeRiddenIntoAHayBaleStopsAgainstIt) {
  Bike& b = standing();
  // The bale lies across the bike's path 10 ft ahead of its front axle.
  const double bale_z = position_of(b, kBodyFrontWheel).z - 10;
  const int bale = add_statue(float(centre()), float(bale_z), 0, "@haybale.shp");
  ASSERT_TRUE(track.statues[bale].shape);
  const Statue placed = track.statues[bale];
  const double far_face = bale_z - placed.shape->spheres[0].radius;
  race(kStepsPerSecond);
  set_riding(b, {0, 0, -12});

  double slowest_after_touch = 1e9, farthest_nose = 1e9;
  int first_touch = -1;
  for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
    race();
    ASSERT_TRUE(state_finite(b));
    // The front tyre's leading edge.
    const WheelContact& front = b.wheel[0];
    farthest_nose = std::min(farthest_nose, position_of(b, kBodyFrontWheel).z - front.ring_radius - front.tube_radius);
    if (first_touch < 0 && statue_touched[size_t(bale)] >= 0) first_touch = statue_touched[size_t(bale)];
    if (first_touch >= 0) slowest_after_touch = std::min(slowest_after_touch, -velocity_of(b).z);
  }
  ASSERT_GE(first_touch, 0);
  // It never got through: the tyre stayed short of the bale's far side,
  // and the bike came to a stop (or bounced back).
  EXPECT_GT(farthest_nose, far_face);
  EXPECT_LT(slowest_after_touch, 0.5);
  EXPECT_GT(position_of(b).z, bale_z);
  // The bale did not move, and the touch was this run's.
  EXPECT_TRUE(same_placement(track.statues[bale], placed));
  EXPECT_LE(first_touch, steps);
  EXPECT_EQ(ode_messages(), 0);
}

TEST_F(Objects, AStatueWithNoBodyNeverMovesWhateverHitsIt) {
  // A bike driven into a barrier block at three speeds: it stops, bounces
  // back, or at the highest goes over the top throwing its rider.
  const int block = add_statue(float(centre()), float(centre() - 12), 0.3f, "@tuffblock.shp");
  ASSERT_TRUE(track.statues[block].shape);
  const Statue placed = track.statues[block];
  Bike& b = standing();
  race(kStepsPerSecond);
  for (double speed : {15.0, 25.0, 35.0}) {
    SCOPED_TRACE(speed);
    bike_reset(b);
    ASSERT_TRUE(bike_place(b, ground, centre(), centre(), 0));
    set_riding(b, {0, 0, -speed});
    for (int k = 0; k < 2 * kStepsPerSecond; ++k) {
      race();
      ASSERT_TRUE(state_finite(b));
      // Every contact with it is a joint to the static world.
      ASSERT_TRUE(same_placement(track.statues[block], placed));
    }
    EXPECT_GE(statue_touched[size_t(block)], 0);
    if (speed < 30) {
      EXPECT_GT(position_of(b).z, placed.z);  // kept on its own side
    } else {
      EXPECT_GT(b.crash.count, 0);  // over the top, without its rider
    }
  }
  EXPECT_EQ(ode_messages(), 0);
}

TEST_F(Objects, TheStatuesTouchedAreMarkedWithTheStep) {
  Bike& b = standing();
  const Vec3 front = position_of(b, kBodyFrontWheel);
  // One in the way of the front tyre, one 40 ft off, one without a shape.
  const int hit = add_statue(float(front.x), float(front.z - 1.4), 0, "@haybale.shp");
  const int far = add_statue(float(front.x + 40), float(front.z), 0, "@haybale.shp");
  add_statue(float(front.x), float(front.z + 2), 0, "null");
  statue_touched.assign(1, -1);  // shorter than the statue list: it grows
  steps = 77;
  contacts();
  ASSERT_EQ(statue_touched.size(), track.statues.size());
  EXPECT_EQ(statue_touched[size_t(hit)], 77);
  EXPECT_EQ(statue_touched[size_t(far)], -1);
  EXPECT_EQ(statue_touched[2], -1);
}

TEST(StatuePose, TheAxesAreTheColumnsOfTheRotation) {
  Statue s;
  s.x = 1;
  s.y = 2;
  s.z = 3;
  const float c = std::cos(0.5f), n = std::sin(0.5f);
  const float axes[3][3] = {{c, 0, -n}, {0, 1, 0}, {n, 0, c}};
  std::memcpy(s.axes, axes, sizeof axes);
  dVector3 p;
  dMatrix3 r;
  statue_pose(s, p, r);
  EXPECT_EQ(vec3_of(p).x, 1);
  EXPECT_EQ(vec3_of(p).y, 2);
  EXPECT_EQ(vec3_of(p).z, 3);
  for (int k = 0; k < 3; ++k) {
    Vec3 unit;
    (k == 0 ? unit.x : k == 1 ? unit.y : unit.z) = 1;
    const Vec3 image = rotate(r, unit);
    EXPECT_FLOAT_EQ(image.x, axes[k][0]);
    EXPECT_FLOAT_EQ(image.y, axes[k][1]);
    EXPECT_FLOAT_EQ(image.z, axes[k][2]);
  }
}

}  // namespace
