// Roost: the dirt each touching tyre throws, from a slipping wheel (dig) or
// as a sideways splash, with its look and motion from the surface's tile
// type. A fixed pool of particles, each with its own drawing entry, moved
// every step until it falls back into the ground. Roost is only seen: it
// draws from its own random generator, so whatever it does, the race does
// not change.
#pragma once
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "bike/vec3.h"
#include "platform/units.h"
#include "track/track_assets.h"

struct Billboard;
struct Bike;
struct RoostBlock;
struct Terrain;

constexpr int kRoostPoolSize = 2000;
// The widest spray a front tyre throws; the rear's is limited only by the
// tile's angles.
constexpr double kFrontRoostAngle = kPi / 8;
constexpr double kRearRoostAngle = 2 * kPi;
// The roost density of the game's setting, 0..1000, default 250.
constexpr int kDefaultRoostDensity = 250;
constexpr int kMaxRoostDensity = 1000;

// What the scene draws for one particle: a clump at its position. A free
// particle's entry has no texture and is not drawn.
struct RoostSprite {
  float x = 0, y = 0, z = 0;
  float size = 0;
  TextureId texture = 0;
  uint8_t colour[4] = {0, 0, 0, 0};
  bool shown = false;
};

struct RoostParticle {
  Vec3 position, velocity;
  // From its roost entry: how it moves and fades.
  double drag = 0, grow = 0;
  int8_t fade[4] = {};
  RoostSprite sprite;
};

// The pool: every particle is either on the free list or the active list.
struct RoostPool {
  std::array<RoostParticle, kRoostPoolSize> particles;
  std::array<uint16_t, kRoostPoolSize> free_list;  // free_list[0..free_count)
  std::array<uint16_t, kRoostPoolSize> active;     // active[0..active_count)
  int free_count = 0, active_count = 0;
  std::mt19937 random;  // roost's own; never the session's
};

// Every particle free, the generator seeded. Done when a session starts.
void roost_reset(RoostPool& pool, uint32_t seed = 5489u);

// A uniform number in 0..1 from the pool's generator.
double roost_random(RoostPool& pool);

// How many particles a roost entry may make in one step at a density:
// density / 100 (and one more with the chance of the remainder), at most
// the entry's count (its whole part, and one more with the chance of its
// fraction). `n_max` is the density's part, drawn once per bike and step.
int roost_density_share(RoostPool& pool, int density);
int roost_entry_count(RoostPool& pool, const RoostBlock& block, int n_max);

// Each step before the world step, for every bike: each touching tyre
// throws the roost of the tile it stands on. `contacts_found` false (a
// remote bike) finds the tyre contacts first without making joints.
// Returns the particles made (none once the pool is empty).
int roost_emit(RoostPool& pool, Bike& bike, const Terrain& ground, int density, int step, bool contacts_found);

// One tyre's roost from one entry, n particles; returns those made.
int roost_emit_entry(RoostPool& pool, const Bike& bike, int wheel, const RoostBlock& block, int n, int step);

// Once per step after every bike: moves, drags, drops, grows and fades
// every particle; one falling into the ground (or whose motion is not a
// number) goes back to the free list with its drawing entry cleared.
void roost_move(RoostPool& pool, const Terrain& ground);

// Copies the drawing entries into the track's first kRoostPoolSize
// billboards, which the scene sorts and draws with the others.
void roost_to_billboards(const RoostPool& pool, std::vector<Billboard>& billboards);
