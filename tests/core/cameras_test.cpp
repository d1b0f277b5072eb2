#include "core/cameras.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/units.h"
#include "track/track.h"

namespace {

// A ground of 2^exponent tiles a side whose height is a + bx + cz.
void make_ground(Terrain& g, double a, double b, double c, int exponent = 5, float spacing = 4) {
  g.exponent = exponent;
  g.size = (2 << exponent) + 1;
  g.spacing = spacing;
  g.world_size = static_cast<float>(2 << exponent) * spacing;
  g.heights.resize(static_cast<size_t>(g.size) * g.size);
  for (int j = 0; j < g.size; ++j)
    for (int i = 0; i < g.size; ++i) g.heights[j * g.size + i] = static_cast<float>(a + b * i * spacing + c * j * spacing);
}

struct Sums {
  double v[kActionCount] = {};
  Sums& set(RiderAction a, double x) {
    v[a] = x;
    return *this;
  }
};

TEST(OrbitCamera, FullSteerFor512StepsTurnsHalfWayRound) {
  OrbitState orbit;
  Sums left = Sums().set(SteerAction, 1);
  for (int i = 0; i < 512; ++i) orbit_camera_step(orbit, left.v);
  EXPECT_NEAR(std::fabs(orbit.angle), kPi, 1e-9);
  orbit_camera_step(orbit, left.v);
  EXPECT_NEAR(orbit.angle, -kPi + kPi / 512, 1e-9) << "kept in [-pi, pi]";
}

TEST(OrbitCamera, ThrottleAndBrakeMoveInAndOutButNeverThroughTheBike) {
  OrbitState orbit;
  Sums in = Sums().set(ThrottleAction, 1), out = Sums().set(FrontBrakeAction, 1), up = Sums().set(ShiftAction, 1);
  for (int i = 0; i < 10000; ++i) orbit_camera_step(orbit, in.v);
  EXPECT_DOUBLE_EQ(orbit.distance, 0.25);
  for (int i = 0; i < 64; ++i) orbit_camera_step(orbit, out.v);
  EXPECT_DOUBLE_EQ(orbit.distance, 1.25);
  for (int i = 0; i < 128; ++i) orbit_camera_step(orbit, up.v);
  EXPECT_DOUBLE_EQ(orbit.height, 6);
}

TEST(FreeCamera, StopsWithinItsDecelerationTimeAfterFullSpeed) {
  Track track;
  make_ground(track.terrain, 0, 0, 0);
  Cameras c;
  c.current = -1;
  c.free_camera.position[1] = 50;
  CameraTarget target;
  Sums go = Sums().set(ThrottleAction, 1), none;
  for (int i = 0; i < 1000; ++i) track_camera_step(c, track, target, false, go.v, 90);
  EXPECT_DOUBLE_EQ(c.free_speed, 100 - 60 * kStep) << "the drag acts after the throttle";
  int steps = 0;
  while (c.free_speed != 0 && steps < 1000) {
    track_camera_step(c, track, target, false, none.v, 90);
    ++steps;
  }
  EXPECT_LE(steps * kStep, 100.0 / 60 + kStep);
  EXPECT_DOUBLE_EQ(c.free_camera.fov, 90) << "the free camera takes the configured field of view";
}

TEST(FreeCamera, KeepsAboveTheGround) {
  Track track;
  make_ground(track.terrain, 10, 0, 0);
  Cameras c;
  c.current = -1;
  c.free_camera.position[0] = c.free_camera.position[2] = 60;
  c.free_camera.position[1] = 20;
  c.free_camera.pitch = -kPi / 2;  // diving straight down
  CameraTarget target;
  Sums go = Sums().set(ThrottleAction, 1);
  for (int i = 0; i < 2000; ++i) track_camera_step(c, track, target, false, go.v, 90);
  EXPECT_GE(c.free_camera.position[1], 12 - 1e-9);
}

// Two track cameras, each watching one half of a two-gate lap.
struct AutoCameraFixture : ::testing::Test {
  Track track;
  Cameras c;
  Sums none;
  CameraTarget bike;
  void SetUp() override {
    make_ground(track.terrain, 0, 0, 0);
    track.gates.checkpoints.resize(2);
    track.gates.first_lap = {0, 1};
    track.gates.normal_lap = {0, 1};
    TracksideCamera a, b;
    a.position[0] = 0, a.position[2] = 0;
    b.position[0] = 200, b.position[2] = 0;
    track.cameras.cameras = {a, b};
    track.cameras.gate_camera[0] = 0;
    track.cameras.gate_camera[1] = 1;
    cameras_use_track(c, track);
    c.current = 0;
    c.auto_camera = true;
    bike.position[0] = 100, bike.position[2] = 100;
  }
  void step() { track_camera_step(c, track, bike, false, none.v, 90); }
};

TEST_F(AutoCameraFixture, SitDabTogglesTheAutoCamera) {
  Sums sit = Sums().set(SitDabAction, 1);
  track_camera_step(c, track, bike, false, sit.v, 90);
  EXPECT_FALSE(c.auto_camera);
  track_camera_step(c, track, bike, false, sit.v, 90);
  EXPECT_FALSE(c.auto_camera) << "held: one toggle per press";
  step();
  track_camera_step(c, track, bike, false, sit.v, 90);
  EXPECT_TRUE(c.auto_camera);
}

TEST_F(AutoCameraFixture, ASectionChangeCutsAndAimsAtOnceWhileWithinASectionTheAimFollows) {
  bike.gates_passed = 1;  // heading for gate 1: camera 1's section
  step();
  EXPECT_EQ(c.current, 1);
  const CameraRecord& cam = c.track[1];
  EXPECT_NEAR(cam.yaw, std::atan2(100.0 - 200, 100.0), 1e-9) << "a cut points at the target at once";

  // The bike moves on within the section: the camera turns no faster than
  // its rates allow, and keeps turning towards it.
  bike.position[0] = 300;
  double before = cam.yaw;
  step();
  double want = std::atan2(100.0, 100.0);
  EXPECT_LT(std::fabs(cam.yaw - before), 0.01);
  for (int i = 0; i < 2000; ++i) step();
  EXPECT_NEAR(cam.yaw, want, 1e-3);
  EXPECT_EQ(c.current, 1);

  bike.gates_passed = 2;  // the next lap's gate 0 folds back onto camera 0
  step();
  EXPECT_EQ(c.current, 0);
}

TEST_F(AutoCameraFixture, TheFreeCameraIsNeverSwitchedAway) {
  c.current = -1;
  bike.gates_passed = 1;
  step();
  EXPECT_EQ(c.current, -1);
}

TEST(SmoothedGround, ALinearFieldAveragesToItsValueAtTheCentre) {
  Terrain g;
  make_ground(g, 3, 0.25, -0.5);
  for (double r : {0.0, 1.0, 10.0, 17.5}) {
    EXPECT_NEAR(smoothed_ground_height(g, 100, 120, r), 3 + 0.25 * 100 - 0.5 * 120, 1e-3) << r;
  }
  // Far outside, the clamped border samples.
  EXPECT_NEAR(smoothed_ground_height(g, -1000, -1000, 10), 3, 1e-9);
  EXPECT_TRUE(std::isfinite(smoothed_ground_height(g, std::nan(""), 5, 10)));
  Terrain empty;
  EXPECT_EQ(smoothed_ground_height(empty, 1, 1, 10), 0);
}

TEST(OrbitView, TheEyeStaysAboveGroundAndTarget) {
  Terrain g;
  make_ground(g, 0, 0, 0);
  OrbitState orbit;
  CameraTarget bike;
  bike.position[0] = 100, bike.position[1] = 1, bike.position[2] = 100;
  OrbitViewSettings spectating;
  CameraView v = orbit_camera_view(orbit, bike, g, spectating);
  EXPECT_NEAR(v.eye[1], 1 + 2.52 + 5, 1e-9);
  EXPECT_NEAR(v.eye[2], 100 + 0.52 + 10, 1e-9) << "angle 0 puts the eye on +z";

  // The player's bike, slow and facing -z: the eye is behind it on +z.
  OrbitViewSettings live{true, false, 10, 5};
  v = orbit_camera_view(orbit, bike, g, live);
  EXPECT_NEAR(v.eye[2], 100 + 0.52 + 10, 1e-9);
  // Fast and moving along +x: the eye follows the motion.
  bike.velocity[0] = 40;
  v = orbit_camera_view(orbit, bike, g, live);
  EXPECT_NEAR(v.eye[0], 100 - 10, 1e-9);
  // The view axes are orthonormal and look at the target.
  for (int a = 0; a < 3; ++a) {
    double len = 0;
    for (int i = 0; i < 3; ++i) len += v.axes[a][i] * v.axes[a][i];
    EXPECT_NEAR(len, 1, 1e-9);
  }
  EXPECT_LT(v.axes[2][0], 0) << "backward points from the target to the eye, behind it on -x";
}

}  // namespace
