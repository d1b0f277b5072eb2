// Ruts: the speed and push factors with tile values that leave no room
// between their bounds, entries applied only once the frame is 10 ft away
// and at most four a step, the slope test, the ring filling up, the
// shading following the dug ground; and whole bikes spinning their rear
// wheel on the generated surfaces, or held standing still.
#include "bike/ruts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/bike/drive_fixture.h"
#include "track/terrain.h"

namespace {

struct HeightChange {
  double lowest = 0, highest = 0, total = 0;  // ft; total of |change| over the samples
  double lowest_z = 0;                        // where the deepest dig is
};

HeightChange change_between(const Terrain& g, const std::vector<float>& before) {
  HeightChange c;
  for (size_t k = 0; k < before.size(); ++k) {
    const double d = double(g.heights[k]) - before[k];
    if (d < c.lowest) {
      c.lowest = d;
      c.lowest_z = double(k / size_t(g.size)) * g.spacing;
    }
    c.highest = std::max(c.highest, d);
    c.total += std::fabs(d);
  }
  return c;
}

class Ruts : public RideWorld {
 protected:
  void SetUp() override {
    RideWorld::SetUp();
    types = generated_tile_types();
    ASSERT_GE(types.size(), 4u);
  }
  // The whole field one generated surface.
  void surface(const char* name) {
    const int tile = tile_named(types, name);
    ASSERT_GE(tile, 0) << name;
    ground.tile_types = types;
    ground.tile_types.resize(kMaxTileTypes);
    ground.tile_count = int(types.size());
    std::fill(ground.tilemap.begin(), ground.tilemap.end(), uint8_t(tile));
  }
  // A frame step with the ruts cut after the world step, as the session does.
  void step_cutting(double amount) {
    for (BikePtr& b : bikes) bikeTerrainContact(*b, ground, ContactUse::Joint);
    physics_world_step(world);
    for (BikePtr& b : bikes) ruts_cut(*b, ground, amount);
    for (BikePtr& b : bikes) bike_step(*b, steps);
    ++steps;
  }
  // Settles, then three seconds of full throttle (wheelie cut on) and one
  // rolling on; the change the bike made to the ground.
  HeightChange launch(Bike& b, double amount) {
    b.setup.options |= kOptionStopWheeliesThrottle;
    step(kStepsPerSecond);
    const std::vector<float> before = ground.heights;
    for (int k = 0; k < 4 * kStepsPerSecond; ++k) {
      b.controls.throttle = k < 3 * kStepsPerSecond ? 1 : 0;
      step_cutting(amount);
    }
    return change_between(ground, before);
  }
  std::vector<TileType> types;
};

TEST(RutFactors, RampsBetweenTheTilesBoundsAndStepWhereTheyMeet) {
  ErodeValues e;  // off 10, on 15; lower 50, upper 150
  struct Case {
    float off, on;
    double speed, expected;
  };
  const Case speeds[] = {
      {10, 15, 0, 0},    {10, 15, 10, 0},   {10, 15, 12.5, 0.5}, {10, 15, 15, 1},  {10, 15, 99, 1},
      {12, 12, 11.9, 0}, {12, 12, 12, 1},   {12, 12, 50, 1},     // equal speeds: a step, no 0/0
      {20, 10, 15, 0},   {20, 10, 25, 1},                         // reversed
      {10, 15, NAN, 0},  {10, 15, INFINITY, 1},
  };
  for (const Case& c : speeds) {
    e.erode_off_speed = c.off;
    e.erode_on_speed = c.on;
    const double u = erode_speed_factor(e, c.speed);
    EXPECT_TRUE(std::isfinite(u));
    EXPECT_DOUBLE_EQ(u, c.expected) << c.off << ".." << c.on << " at " << c.speed;
  }
  const Case pushes[] = {
      {50, 150, 49, 0}, {50, 150, 100, 0.5}, {50, 150, 151, 1}, {80, 80, 79, 0}, {80, 80, 80, 1}, {80, 80, 1e9, 1},
  };
  for (const Case& c : pushes) {
    e.erode_lower = c.off;
    e.erode_upper = c.on;
    EXPECT_DOUBLE_EQ(erode_push_factor(e, c.speed), c.expected) << c.off << ".." << c.on << " at " << c.speed;
  }
}

// Hand-written entries: dug only once the frame is 10 ft away, oldest
// first, at most four a step, each as a dig and a pile along the push.
TEST_F(Ruts, EntriesWaitUntilTheFrameIsTenFeetAwayAndGoFourAStep) {
  Bike& b = make();
  const Vec3 frame = position_of(b);
  auto put = [&](double x, double z) {
    b.ruts.entries[b.ruts.head] = {float(x), float(z), 0, 300};
    b.ruts.head = (b.ruts.head + 1) % kRutRingSize;
  };
  // Push toward +z: the pile lands 2 ft toward -z of each point.
  put(100, 100);
  put(frame.x + 9.9, frame.z);  // still near: everything behind it waits too
  put(120, 100);
  EXPECT_EQ(ruts_waiting(b), 3);
  std::vector<float> before = ground.heights;
  EXPECT_EQ(ruts_apply(b, ground, 100), 1);
  EXPECT_EQ(ruts_waiting(b), 2);
  const HeightChange one = change_between(ground, before);
  EXPECT_LT(one.lowest, 0);
  EXPECT_GT(one.highest, 0);
  // The dig at the point, the pile 2 ft short of it along the push; each
  // brush reaches the other's centre at half its depth.
  const double a = 100.0 / 2048 * ground.tile_types[0].erode.erode_depth;
  EXPECT_NEAR(terrain_height_at(ground, 100, 100), -a / 2, 1e-5);
  EXPECT_NEAR(terrain_height_at(ground, 100, 98), a / 2, 1e-5);
  EXPECT_EQ(ruts_apply(b, ground, 100), 0);  // the near one holds the queue
  b.ruts.tail = b.ruts.head = 0;
  for (int k = 0; k < 6; ++k) put(200 + k, 200);
  EXPECT_EQ(ruts_apply(b, ground, 100), kRutsPerStep);
  EXPECT_EQ(ruts_apply(b, ground, 100), 2);
  EXPECT_EQ(ruts_apply(b, ground, 100), 0);
  // Nothing at all with no erosion.
  put(300, 300);
  before = ground.heights;
  EXPECT_EQ(ruts_apply(b, ground, 0), 0);
  EXPECT_EQ(ground.heights, before);
}

// A pile that would stand more than displacement * max slope above the dig
// is not made, and neither is the dig.
TEST_F(Ruts, NoStrokesWhereThePileWouldStandTooSteep) {
  Bike& b = make();
  const ErodeValues& e = ground.tile_types[0].erode;  // displacement 2, max slope 0.25
  const double limit = e.erode_displacement * e.erode_max_slope;
  for (double rise : {limit + 0.05, limit - 0.05}) {
    SCOPED_TRACE(rise);
    // Ground rising toward -z by `rise` over the 2 ft to the pile point.
    ground = plane_ground(100, 0, float(-rise / 2), 9);
    const std::vector<float> before = ground.heights;
    b.ruts.head = b.ruts.tail = 0;
    b.ruts.entries[0] = {500, 500, 0, 300};
    b.ruts.head = 1;
    EXPECT_EQ(ruts_apply(b, ground, 100), 1);
    if (rise > limit) {
      EXPECT_EQ(ground.heights, before);
    } else {
      EXPECT_NE(ground.heights, before);
    }
  }
}

TEST_F(Ruts, RecordingStopsWhenTheRingIsFull) {
  surface("loose");
  Bike& b = at_start();
  b.ruts.head = kRutRingSize - 1;
  b.ruts.tail = 0;
  const RutEntry untouched = b.ruts.entries[0];
  step(kStepsPerSecond);
  for (int k = 0; k < kStepsPerSecond; ++k) {
    b.controls.throttle = 1;
    bikeTerrainContact(b, ground, ContactUse::Joint);
    physics_world_step(world);
    ruts_record(b, ground, 100);
    bike_step(b, steps++);
    EXPECT_EQ(b.ruts.head, kRutRingSize - 1);
  }
  EXPECT_EQ(b.ruts.entries[0].x, untouched.x);
}

// The dug ground is shaded again where it changed.
TEST_F(Ruts, ShadingFollowsTheDugGround) {
  Bike& b = make();
  terrain_refresh(ground, 0, 0, ground.size - 1, ground.size - 1);
  ground.stale_i0 = ground.stale_j0 = 0;
  ground.stale_i1 = ground.stale_j1 = -1;
  const std::vector<uint8_t> shading = ground.shading;
  const std::vector<float> heights = ground.heights;
  const float x = 400, z = 400;
  b.ruts.entries[0] = {x, z, 300, 0};
  b.ruts.head = 1;
  ASSERT_EQ(ruts_apply(b, ground, 100), 1);
  const int i = int(x / ground.spacing), j = int(z / ground.spacing);
  // Inside the dig, off its centre (where the ground stays level), the
  // slope turns the ground to the light or from it.
  int changed = 0;
  for (int dj = -1; dj <= 1; ++dj)
    for (int di = -1; di <= 1; ++di) {
      const size_t k = size_t(j + dj) * ground.size + size_t(i + di);
      if (ground.shading[3 * k] != shading[3 * k]) ++changed;
    }
  EXPECT_GT(changed, 0);
  EXPECT_LE(ground.stale_i0, i - 1);
  EXPECT_GE(ground.stale_i1, i + 1);
  EXPECT_LE(ground.stale_j0, j - 1);
  EXPECT_GE(ground.stale_j1, j + 1);
  // Every sample the strokes moved is shaded as a fresh shading of the
  // whole field shades it.
  Terrain fresh = ground;
  terrain_refresh(fresh, 0, 0, fresh.size - 1, fresh.size - 1);
  int moved = 0;
  for (size_t k = 0; k < heights.size(); ++k) {
    if (ground.heights[k] == heights[k]) continue;
    ++moved;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(ground.shading[3 * k + c], fresh.shading[3 * k + c]) << k;
  }
  EXPECT_GT(moved, 8);
}

// A full-throttle launch spins the rear wheel. On loose dirt it digs a rut
// behind the bike (and throws the dirt up behind it); sand ruts deeper;
// hard-pack is hardly touched. With no erosion nothing is recorded or dug.
TEST_F(Ruts, SpinningTheRearWheelDigsLooseDirtAndHardlyTouchesHardPack) {
  struct Result {
    HeightChange change;
    double bike_z;
  };
  auto run = [&](const char* name, double amount) {
    bikes.clear();
    steps = 0;
    ground = plane_ground(0, 0, 0, 9);
    surface(name);
    Bike& b = at_start();
    Result r;
    r.change = launch(b, amount);
    r.bike_z = position_of(b).z;
    EXPECT_EQ(ruts_waiting(b), 0) << "all dug once the bike had gone";
    if (amount == 0) {
      EXPECT_EQ(b.ruts.head, 0);
    }
    EXPECT_EQ(ode_messages(), 0);
    return r;
  };
  const Result none = run("loose", 0);
  EXPECT_EQ(none.change.total, 0);
  const Result loose = run("loose", 100), sand = run("sand", 100), hard = run("hardpack", 100);
  const double start_z = ground.world_size - 30;
  // A rut at least a few inches deep where the wheel spun, well behind the
  // bike by now.
  EXPECT_LT(loose.change.lowest, -0.25);
  EXPECT_GT(loose.change.lowest_z, start_z - 10);
  EXPECT_GT(loose.change.lowest_z, loose.bike_z + 50);
  EXPECT_LT(sand.change.lowest, loose.change.lowest);
  EXPECT_GT(sand.change.total, loose.change.total);
  // Hard-pack: almost untouched.
  EXPECT_GT(hard.change.lowest, -0.1);
  EXPECT_LT(hard.change.total, loose.change.total / 10);
  // Half the erosion digs less.
  const Result half = run("loose", 50);
  EXPECT_LT(half.change.total, loose.change.total);
  EXPECT_GT(half.change.total, 0);
}

// Held standing with its rear wheel spinning, a bike records the pushes
// under its tyre but digs none of them; once it has gone they are dug.
TEST_F(Ruts, ABikeStandingStillNeverDigsUnderItself) {
  surface("loose");
  Bike& b = at_start();
  step(kStepsPerSecond);
  dJointID hold = dJointCreateFixed(world.world, nullptr);
  dJointAttach(hold, b.body[kBodyFrame], nullptr);
  dJointSetFixed(hold);
  const std::vector<float> before = ground.heights;
  for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
    b.controls.throttle = 1;
    step_cutting(100);
  }
  EXPECT_GT(engineRpm(b), 9000);
  EXPECT_GT(length(b.wheel[1].velocity), 30) << "the rear tyre spins on the spot";
  EXPECT_GT(ruts_waiting(b), 100);
  EXPECT_EQ(ground.heights, before);
  // Carried 20 ft aside, the bike leaves the spot: four entries a step go.
  dJointDestroy(hold);
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0] + 20, p[1], p[2]);
  }
  const int waiting = ruts_waiting(b);
  EXPECT_EQ(ruts_apply(b, ground, 100), kRutsPerStep);
  EXPECT_EQ(ruts_waiting(b), waiting - kRutsPerStep);
  while (ruts_apply(b, ground, 100) > 0) {
  }
  EXPECT_EQ(ruts_waiting(b), 0);
  const HeightChange dug = change_between(ground, before);
  EXPECT_LT(dug.lowest, -0.1);
}

}  // namespace
