// Roost: the density's share and the entries' counts, the front tyre's
// narrow spray, splashes (and a wheel standing still that must not make
// any), the fixed pool that never grows and empties again, particle motion,
// the drawing entries, the generated tiles' roost, a ride that roost does
// not change, and random tile values through emission and motion.
#include "bike/roost.h"
#include "files/data_limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "files/file_stream.h"
#include "images/image.h"
#include "tests/bike/drive_fixture.h"
#include "track/billboards.h"
#include "track/terrain.h"

namespace {

// Every particle in exactly one of the two lists; the active ones finite,
// shown, and their drawing entries where they are.
void expect_pool_sound(const RoostPool& pool) {
  ASSERT_EQ(pool.free_count + pool.active_count, kRoostPoolSize);
  std::set<int> seen;
  for (int k = 0; k < pool.free_count; ++k) seen.insert(pool.free_list[k]);
  for (int k = 0; k < pool.active_count; ++k) {
    const int index = pool.active[k];
    seen.insert(index);
    const RoostParticle& p = pool.particles[index];
    ASSERT_TRUE(is_finite(p.position) && is_finite(p.velocity)) << index;
    ASSERT_TRUE(p.sprite.shown);
    ASSERT_TRUE(std::isfinite(p.sprite.size));
    ASSERT_EQ(p.sprite.x, float(p.position.x));
  }
  ASSERT_EQ(seen.size(), size_t(kRoostPoolSize));
  for (int k = 0; k < pool.free_count; ++k) ASSERT_FALSE(pool.particles[pool.free_list[k]].sprite.shown);
}

RoostBlock dig_block(float count = 10) {
  RoostBlock b;
  b.mode = 1;
  b.count = count;
  b.texture = 7;
  return b;
}

class Roost : public RideWorld {
 protected:
  void SetUp() override {
    RideWorld::SetUp();
    pool = std::make_unique<RoostPool>();
    roost_reset(*pool);
  }
  // A bike standing on the field with its rear wheel turning forward at
  // `spin` rad/s while the bike creeps forward at `creep` ft/s, the tyre
  // contacts found for it.
  Bike& spinning(double spin, double creep = 1) {
    Bike& b = at_start();
    step(kStepsPerSecond);
    for (dBodyID body : b.body) dBodySetLinearVel(body, 0, 0, -creep);
    const Vec3 w = rotate(dBodyGetRotation(b.body[kBodyRearWheel]), Vec3{-spin, 0, 0});
    dBodySetAngularVel(b.body[kBodyRearWheel], w.x, w.y, w.z);
    for (WheelContact& c : b.wheel) EXPECT_TRUE(tyreContact(ground, c, 1, nullptr));
    return b;
  }
  void one_tile(const RoostBlock& block) {
    TileType t;
    t.roost[0] = block;
    ground.tile_types[0] = t;
  }
  std::unique_ptr<RoostPool> pool;
};

TEST_F(Roost, DensityGivesItsHundredsAndTheRemainderByChance) {
  struct Case {
    int density, low, high;
    double chance_of_high;
  };
  const Case cases[] = {{250, 2, 3, 0.5}, {0, 0, 0, 0}, {1000, 10, 10, 0}, {5000, 10, 10, 0},
                        {-20, 0, 0, 0},   {55, 0, 1, 0.55}, {10, 0, 1, 0.1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.density);
    int high = 0;
    const int n = 20000;
    for (int k = 0; k < n; ++k) {
      const int share = roost_density_share(*pool, c.density);
      ASSERT_TRUE(share == c.low || share == c.high) << share;
      if (share == c.high && c.high != c.low) ++high;
    }
    if (c.high != c.low) {
      EXPECT_NEAR(double(high) / n, c.chance_of_high, 0.02);
    }
  }
  // An entry makes its count's whole part and its fraction by chance, never
  // more than the density's share; nonsense counts make nothing.
  struct CountCase {
    float count;
    int n_max, low, high;
    double chance_of_high;
  };
  const CountCase counts[] = {{10, 3, 3, 3, 0},       {10, 2, 2, 2, 0},     {1.25f, 3, 1, 2, 0.25},
                              {0.5f, 3, 0, 1, 0.5},   {-4, 3, 0, 0, 0},     {NAN, 3, 0, 0, 0},
                              {INFINITY, 3, 0, 0, 0}, {1e30f, 3, 3, 3, 0},  {7, 0, 0, 0, 0}};
  for (const CountCase& c : counts) {
    SCOPED_TRACE(testing::Message() << c.count << " at most " << c.n_max);
    RoostBlock b = dig_block(c.count);
    int high = 0;
    for (int k = 0; k < 10000; ++k) {
      const int n = roost_entry_count(*pool, b, c.n_max);
      ASSERT_TRUE(n == c.low || n == c.high) << n;
      if (n == c.high && c.high != c.low) ++high;
    }
    if (c.high != c.low) {
      EXPECT_NEAR(high / 10000.0, c.chance_of_high, 0.02);
    }
  }
}

// At the default density 250 an entry emits up to two particles in half of
// the steps and up to three in the other half.
TEST_F(Roost, DefaultDensityEmitsTwoOrThreeAStepFromEachEntry) {
  one_tile(dig_block(10));
  Bike& b = spinning(60);
  int threes = 0, steps_seen = 0;
  for (int k = 0; k < 2000; ++k) {
    const int before = pool->active_count;
    const int made = roost_emit(*pool, b, ground, kDefaultRoostDensity, k, true);
    EXPECT_EQ(pool->active_count - before, made);
    // The front tyre rolls too slowly to dig; only the rear throws.
    ASSERT_TRUE(made == 2 || made == 3) << made;
    threes += made == 3;
    ++steps_seen;
    roost_move(*pool, ground);
  }
  EXPECT_NEAR(double(threes) / steps_seen, 0.5, 0.05);
  expect_pool_sound(*pool);
}

// The dig spray: the contact point turned about the axle by up to the
// spray's angle; the front's at most pi/8, the rear's as wide as the tile
// says. A tyre that slides the way it goes (a skid) throws a narrow spray.
TEST_F(Roost, FrontSprayIsNeverWiderThanAnEighthTurn) {
  RoostBlock wide = dig_block(1);
  wide.slow_angle = wide.fast_angle = 1.5f;  // radians
  wide.randomize = 0;
  Bike& b = spinning(60);
  // Turn the front too, faster than it rolls.
  const Vec3 w = rotate(dBodyGetRotation(b.body[kBodyFrontWheel]), Vec3{-60, 0, 0});
  dBodySetAngularVel(b.body[kBodyFrontWheel], w.x, w.y, w.z);
  ASSERT_TRUE(tyreContact(ground, b.wheel[0], 1, nullptr));
  double widest[2] = {0, 0};
  for (int wheel = 0; wheel < 2; ++wheel) {
    const WheelContact& c = b.wheel[wheel];
    const Vec3 centre = vec3_of(dBodyGetPosition(c.body));
    for (int k = 0; k < 400; ++k) {
      ASSERT_EQ(roost_emit_entry(*pool, b, wheel, wide, 1, k), 1);
      const RoostParticle& p = pool->particles[pool->active[pool->active_count - 1]];
      const Vec3 a = c.point - centre, q = p.position - centre;
      const double angle = std::acos(std::clamp(dot(a, q) / (length(a) * length(q)), -1.0, 1.0));
      widest[wheel] = std::max(widest[wheel], angle);
      // Thrown off the back of the tyre, up and rearward (+z).
      EXPECT_GE(q.z - a.z, -1e-9);
    }
  }
  EXPECT_LE(widest[0], kFrontRoostAngle + 1e-9);
  EXPECT_GT(widest[0], 0.9 * kFrontRoostAngle);
  EXPECT_GT(widest[1], 1.4);
  EXPECT_LE(widest[1], 1.5 + 1e-9);
  // Locked and sliding forward: the narrow spray.
  roost_reset(*pool);
  Bike& skid = spinning(0, 30);
  ASSERT_GE(length(skid.wheel[1].velocity), wide.slip_threshold);
  double skid_widest = 0;
  const Vec3 centre = vec3_of(dBodyGetPosition(skid.wheel[1].body));
  for (int k = 0; k < 200; ++k) {
    ASSERT_EQ(roost_emit_entry(*pool, skid, 1, wide, 1, k), 1);
    const Vec3 q = pool->particles[pool->active[pool->active_count - 1]].position - centre;
    const Vec3 a = skid.wheel[1].point - centre;
    skid_widest = std::max(skid_widest, std::acos(std::clamp(dot(a, q) / (length(a) * length(q)), -1.0, 1.0)));
  }
  EXPECT_LE(skid_widest, kPi / 64 + 1e-9);
  // Below the slip threshold nothing digs.
  wide.slip_threshold = 1e6f;
  EXPECT_EQ(roost_emit_entry(*pool, b, 1, wide, 3, 0), 0);
}

// A splash throws two sprays at 45 degrees either side of the normal, turn
// about; a wheel standing still throws none (and no particle that is not a
// number, which would never land and would use up the pool).
TEST_F(Roost, SplashesToBothSidesAndNotFromAStandingWheel) {
  RoostBlock splash = dig_block(2);
  splash.mode = 2;
  splash.randomize = 0;
  splash.vscale = 1;
  Bike& b = spinning(30, 20);
  int left = 0, right = 0;
  for (int k = 0; k < 200; ++k) {
    ASSERT_EQ(roost_emit_entry(*pool, b, 1, splash, 2, k), 2);
    for (int i = 1; i <= 2; ++i) {
      const RoostParticle& p = pool->particles[pool->active[pool->active_count - i]];
      EXPECT_GE(p.velocity.y, -1e-9);  // never into the ground
      (p.velocity.x > 0 ? right : left)++;
      EXPECT_LE(length(p.velocity), 20 * 1.0000001);
    }
  }
  EXPECT_EQ(left, right);
  roost_reset(*pool);
  Bike& still = spinning(0, 0);
  for (int k = 0; k < 100; ++k) EXPECT_EQ(roost_emit_entry(*pool, still, 1, splash, 3, k), 0);
  EXPECT_EQ(pool->active_count, 0);
  splash.randomize = 15;
  for (int k = 0; k < 100; ++k) roost_emit_entry(*pool, still, 1, splash, 3, k);
  expect_pool_sound(*pool);
}

// However much is thrown, the pool keeps its 2000 particles; when it is
// empty nothing more is made; every particle falls back and is freed.
TEST_F(Roost, ThePoolNeverGrowsAndEmptiesAgain) {
  RoostBlock lots = dig_block(64);
  lots.slow_angle = lots.fast_angle = 1.5f;  // thrown high: long flights
  one_tile(lots);
  for (int k = 1; k < kRoostBlocks; ++k) ground.tile_types[0].roost[k] = lots;
  Bike& b = spinning(80);
  const RoostParticle* first = &pool->particles[0];
  int full_steps = 0;
  for (int k = 0; k < 400; ++k) {
    const bool was_full = pool->free_count == 0;
    const int made = roost_emit(*pool, b, ground, kMaxRoostDensity, k, true);
    if (was_full) {
      ++full_steps;
      EXPECT_EQ(made, 0);
    }
    roost_move(*pool, ground);
    ASSERT_LE(pool->active_count, kRoostPoolSize);
  }
  EXPECT_GT(full_steps, 0) << "the pool filled up";
  EXPECT_EQ(&pool->particles[0], first);
  expect_pool_sound(*pool);
  int steps_to_empty = 0;
  while (pool->active_count > 0 && steps_to_empty < 60 * kStepsPerSecond) {
    roost_move(*pool, ground);
    ++steps_to_empty;
  }
  EXPECT_EQ(pool->active_count, 0);
  EXPECT_LT(steps_to_empty, 10 * kStepsPerSecond);
  expect_pool_sound(*pool);
}

// Motion: drag, gravity, growth and fading (clamped, never wrapping); a
// particle rising stays even below the ground, one falling below it goes.
TEST_F(Roost, ParticlesMoveFadeAndLandOnlyWhenFalling) {
  RoostBlock b = dig_block(1);
  b.mode = 2;
  b.randomize = 0;
  b.drag = 0.5f;
  b.grow = 4;
  b.size = 0.25f;
  b.a = 3;
  b.fade_a = -2;
  b.r = 254;
  b.fade_r = 1;
  Bike& bike = spinning(30, 20);
  ASSERT_EQ(roost_emit_entry(*pool, bike, 1, b, 1, 0), 1);
  RoostParticle& p = pool->particles[pool->active[0]];
  p.position = {500, -3, 500};  // under the ground
  p.velocity = {4, 10, 0};      // and rising
  roost_move(*pool, ground);
  ASSERT_EQ(pool->active_count, 1);
  EXPECT_NEAR(p.position.x, 500 + 4 * kStep, 1e-12);
  EXPECT_NEAR(p.position.y, -3 + 10 * kStep, 1e-12);
  EXPECT_NEAR(p.velocity.x, 4 - 4 * kStep * 0.5, 1e-12);
  EXPECT_NEAR(p.velocity.y, 10 - 10 * kStep * 0.5 - 32 * kStep, 1e-12);
  EXPECT_FLOAT_EQ(p.sprite.size, 0.25f + 4 * float(kStep));
  EXPECT_EQ(p.sprite.colour[3], 1);
  EXPECT_EQ(p.sprite.colour[0], 255);
  roost_move(*pool, ground);
  EXPECT_EQ(p.sprite.colour[3], 0);  // clamped
  EXPECT_EQ(p.sprite.colour[0], 255);
  roost_move(*pool, ground);
  EXPECT_EQ(p.sprite.colour[3], 0);
  // Falling, still under the ground: gone, its drawing entry cleared.
  p.velocity = {0, -1, 0};
  roost_move(*pool, ground);
  EXPECT_EQ(pool->active_count, 0);
  EXPECT_FALSE(pool->particles[0].sprite.shown);
  expect_pool_sound(*pool);
}

TEST_F(Roost, DrawingEntriesGoToTheTracksFirstBillboards) {
  one_tile(dig_block(10));
  Bike& b = spinning(60);
  roost_emit(*pool, b, ground, 300, 0, true);
  ASSERT_GT(pool->active_count, 0);
  std::vector<Billboard> billboards(kRoostPoolSize + 5);
  billboards[kRoostPoolSize].texture = 99;  // a track's own billboard
  roost_to_billboards(*pool, billboards);
  int drawn = 0;
  for (int k = 0; k < kRoostPoolSize; ++k) {
    const RoostSprite& s = pool->particles[k].sprite;
    if (!s.shown) {
      EXPECT_EQ(billboards[k].texture, 0u);
      continue;
    }
    ++drawn;
    EXPECT_EQ(billboards[k].texture, 7u);
    EXPECT_EQ(billboards[k].x, s.x);
    EXPECT_EQ(billboards[k].height, s.size);
    EXPECT_EQ(billboards[k].colour[3], s.colour[3]);
  }
  EXPECT_EQ(drawn, pool->active_count);
  EXPECT_EQ(billboards[kRoostPoolSize].texture, 99u);
  std::vector<Billboard> few(3);
  roost_to_billboards(*pool, few);  // a short list is filled as far as it goes
}

// The generated surfaces throw roost: sand digs and splashes, loose dirt
// throws two kinds of dirt, every entry draws with "@roost.png", which the
// data set holds; loose dirt and sand rut more than hard-pack.
TEST_F(Roost, GeneratedTilesThrowRoostAndRut) {
  const std::vector<TileType> types = generated_tile_types();
  const int hard = tile_named(types, "hardpack"), loose = tile_named(types, "loose"), sand = tile_named(types, "sand");
  ASSERT_GE(hard, 0);
  ASSERT_GE(loose, 0);
  ASSERT_GE(sand, 0);
  auto entries = [](const TileType& t, int mode) {
    int n = 0;
    for (const RoostBlock& b : t.roost) n += b.mode == mode;
    return n;
  };
  EXPECT_EQ(entries(types[sand], 2), 1);
  EXPECT_GE(entries(types[sand], 1), 1);
  EXPECT_EQ(entries(types[loose], 1), 2);
  for (const TileType& t : types) {
    EXPECT_GE(entries(t, 1) + entries(t, 2), 1) << t.texture_name;
    for (const RoostBlock& b : t.roost)
      if (b.mode) {
        EXPECT_EQ(b.texture_name, "@roost.png");
      }
  }
  for (int soft : {loose, sand}) {
    const ErodeValues& s = types[soft].erode;
    const ErodeValues& h = types[hard].erode;
    EXPECT_GT(s.erode_depth, 4 * h.erode_depth);
    EXPECT_LT(s.erode_lower, h.erode_lower);
    EXPECT_LT(s.erode_off_speed, h.erode_off_speed);
  }
  std::string png;
  ASSERT_TRUE(read_whole_data_file("@roost.png", png, kImageFileCap));
  Image image;
  ASSERT_TRUE(png_decode(png, image));
  EXPECT_EQ(image.channels, 4);
  EXPECT_GE(image.width, 16);
  // A clump: clear at the corners, solid in the middle.
  EXPECT_EQ(image.pixels[3], 0);
  EXPECT_EQ(image.pixels[(size_t(image.height / 2) * image.width + image.width / 2) * 4 + 3], 255);
}

// Roost is only seen: a ride with it thrown is the same ride, to the bit,
// as one without; and the same seed throws the same roost.
TEST_F(Roost, RoostChangesNothingOfTheRideAndRepeats) {
  ground.tile_types = generated_tile_types();
  ground.tile_types.resize(kMaxTileTypes);
  ground.tile_count = 4;
  std::fill(ground.tilemap.begin(), ground.tilemap.end(), uint8_t(tile_named(ground.tile_types, "sand")));
  auto ride_with = [&](bool roost) {
    bikes.clear();
    steps = 0;
    roost_reset(*pool);
    Bike& b = at_start();
    std::vector<double> state;
    for (int k = 0; k < 3 * kStepsPerSecond; ++k) {
      b.controls.throttle = 1;
      bikeTerrainContact(b, ground, ContactUse::Joint);
      if (roost) roost_emit(*pool, b, ground, kDefaultRoostDensity, steps, true);
      physics_world_step(world);
      bike_step(b, steps++);
      if (roost) roost_move(*pool, ground);
    }
    for (dBodyID body : b.body) {
      const dReal* p = dBodyGetPosition(body);
      const dReal* v = dBodyGetLinearVel(body);
      state.insert(state.end(), {p[0], p[1], p[2], v[0], v[1], v[2]});
    }
    state.push_back(b.drivetrain.engine_speed);
    return state;
  };
  const std::vector<double> without = ride_with(false);
  const std::vector<double> with = ride_with(true);
  EXPECT_GT(pool->active_count, 50);
  EXPECT_EQ(with, without);
  std::vector<Vec3> first;
  for (int k = 0; k < pool->active_count; ++k) first.push_back(pool->particles[pool->active[k]].position);
  ride_with(true);
  ASSERT_EQ(size_t(pool->active_count), first.size());
  for (int k = 0; k < pool->active_count; ++k) {
    const Vec3 p = pool->particles[pool->active[k]].position;
    EXPECT_EQ(p.x, first[k].x);
    EXPECT_EQ(p.y, first[k].y);
  }
}

// Random tile values, including ones no sane file holds, and random wheel
// motion through emission and motion: never a particle that is not a
// number, and the pool stays whole.
TEST_F(Roost, RandomTileValuesMakeNoNaNParticles) {
  std::mt19937 rng(20130);
  std::uniform_real_distribution<float> unit(0, 1);
  auto wild = [&]() -> float {
    switch (rng() % 8) {
      case 0: return 0;
      case 1: return NAN;
      case 2: return (rng() & 1) ? INFINITY : -INFINITY;
      case 3: return (unit(rng) - 0.5f) * 1e30f;
      case 4: return -unit(rng) * 100;
      default: return unit(rng) * 100;
    }
  };
  Bike& b = spinning(40);
  for (int round = 0; round < 200; ++round) {
    TileType t;
    for (RoostBlock& r : t.roost) {
      r.mode = int(rng() % 3);
      r.count = wild(), r.slip_threshold = wild(), r.slow_angle = wild(), r.fast_angle = wild();
      r.slow_speed = wild(), r.fast_speed = wild(), r.size = wild(), r.grow = wild(), r.drag = wild();
      r.vscale = wild(), r.randomize = wild();
      r.fade_r = int8_t(rng()), r.fade_a = int8_t(rng());
    }
    if (round % 4 == 0) {
      // Equal speeds: the spray angle's ramp has no room.
      t.roost[0].mode = 1;
      t.roost[0].slow_speed = t.roost[0].fast_speed = 30;
      t.roost[0].count = 5;
      t.roost[0].slip_threshold = 0;
    }
    ground.tile_types[0] = t;
    // The wheels in random motion, now and then standing still.
    for (int w : {kBodyFrontWheel, kBodyRearWheel}) {
      const bool still = rng() % 5 == 0;
      const double s = still ? 0 : 60;
      dBodySetAngularVel(b.body[w], (unit(rng) - 0.5) * s, (unit(rng) - 0.5) * s * 0.1, (unit(rng) - 0.5) * s * 0.1);
      dBodySetLinearVel(b.body[w], (unit(rng) - 0.5) * s, (unit(rng) - 0.5) * s * 0.2, (unit(rng) - 0.5) * s);
    }
    roost_emit(*pool, b, ground, int(rng() % 1200) - 100, round, rng() % 2 == 0);
    for (int k = 0; k < 8; ++k) roost_move(*pool, ground);
    expect_pool_sound(*pool);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
