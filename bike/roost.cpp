#include "bike/roost.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/terrain_contact.h"
#include "track/billboards.h"
#include "track/terrain.h"

namespace {

// A dig spray from a tyre that slides the way it travels (a locked wheel)
// stays this narrow.
constexpr double kSkidAngle = kPi / 64;
// A splash throws its two sprays at 45 degrees either side of the normal.
constexpr double kHalfSqrt2 = 0.70710678118654752;
// Tangential speeds below this make no splash: a wheel standing still
// has no direction to splash in.
constexpr double kSlowestSplash = 1e-6;
// Counts beyond any density are cut here before they become integers.
constexpr double kMostPerEntry = 64;

// Rodrigues' rotation of v about the unit axis k by angle a.
Vec3 rotate_about(Vec3 v, Vec3 k, double a) {
  const double c = std::cos(a), s = std::sin(a);
  return v * c + cross(k, v) * s + k * (dot(k, v) * (1 - c));
}

uint8_t faded(uint8_t value, int8_t change) { return uint8_t(std::clamp(int(value) + int(change), 0, 255)); }

// Takes a free particle and starts it; false when the pool is empty or the
// start is not a number.
bool start_particle(RoostPool& pool, const RoostBlock& block, Vec3 position, Vec3 velocity) {
  if (pool.free_count == 0) return false;
  if (!is_finite(position) || !is_finite(velocity)) return false;
  const int index = pool.free_list[--pool.free_count];
  pool.active[pool.active_count++] = uint16_t(index);
  RoostParticle& p = pool.particles[index];
  p.position = position;
  p.velocity = velocity;
  p.drag = std::isfinite(block.drag) ? block.drag : 0;
  p.grow = std::isfinite(block.grow) ? block.grow : 0;
  p.fade[0] = block.fade_r, p.fade[1] = block.fade_g, p.fade[2] = block.fade_b, p.fade[3] = block.fade_a;
  RoostSprite& s = p.sprite;
  s.x = float(position.x), s.y = float(position.y), s.z = float(position.z);
  s.size = std::isfinite(block.size) ? block.size : 0;
  s.texture = block.texture;
  s.colour[0] = block.r, s.colour[1] = block.g, s.colour[2] = block.b, s.colour[3] = block.a;
  s.shown = true;
  return true;
}

// Each velocity component shaken by up to half the entry's randomize.
Vec3 shaken(RoostPool& pool, Vec3 v, double randomize) {
  const double x = roost_random(pool) - 0.5, y = roost_random(pool) - 0.5, z = roost_random(pool) - 0.5;
  return v + Vec3{x, y, z} * randomize;
}

int emit_dig(RoostPool& pool, const Bike& bike, int wheel, const RoostBlock& block, int n) {
  const WheelContact& w = bike.wheel[wheel];
  if (!(length(w.velocity) >= block.slip_threshold)) return 0;
  dBodyID body = w.body;
  const Vec3 centre = vec3_of(dBodyGetPosition(body));
  const Vec3 centre_velocity = vec3_of(dBodyGetLinearVel(body));
  const Vec3 spin = vec3_of(dBodyGetAngularVel(body));
  Vec3 axle = rotate(dBodyGetRotation(body), w.axle);
  const double axle_length = length(axle);
  if (!(axle_length > 0) || !is_finite(centre) || !is_finite(spin)) return 0;
  axle = axle * (1 / axle_length);
  double angle;
  if (dot(centre_velocity, w.velocity) >= 0) {
    angle = kSkidAngle;
  } else {
    const double slow2 = double(block.slow_speed) * block.slow_speed, fast2 = double(block.fast_speed) * block.fast_speed;
    const double spin2 = length_squared(spin);
    const double t = fast2 > slow2 ? std::clamp((spin2 - slow2) / (fast2 - slow2), 0.0, 1.0) : (spin2 >= slow2 ? 1 : 0);
    angle = block.slow_angle + (double(block.fast_angle) - block.slow_angle) * t;
  }
  const double limit = wheel == 0 ? kFrontRoostAngle : kRearRoostAngle;
  angle = std::isfinite(angle) ? std::clamp(angle, 0.0, limit) : 0;
  // The dirt leaves the tyre the way the tyre turns.
  const double turn = dot(spin, axle) >= 0 ? 1 : -1;
  const Vec3 arm = w.point - centre;
  const double randomize = std::isfinite(block.randomize) ? block.randomize : 0;
  const double vscale = std::isfinite(block.vscale) ? block.vscale : 0;
  int made = 0;
  for (int i = 0; i < n; ++i) {
    const Vec3 at = centre + rotate_about(arm, axle, turn * angle * roost_random(pool));
    dVector3 v;
    dBodyGetPointVel(body, at.x, at.y, at.z, v);
    const Vec3 velocity = vec3_of(v);
    // Spread over the step as if thrown one after another.
    const Vec3 start = at + velocity * (i * kStep / n);
    if (!start_particle(pool, block, start, shaken(pool, velocity, randomize) * vscale)) {
      if (pool.free_count == 0) break;
      continue;
    }
    ++made;
  }
  return made;
}

int emit_splash(RoostPool& pool, const Bike& bike, int wheel, const RoostBlock& block, int n, int step) {
  const WheelContact& w = bike.wheel[wheel];
  const Vec3 v = vec3_of(dBodyGetLinearVel(w.body));
  const Vec3 normal = w.normal;
  const Vec3 tangential = v - normal * dot(v, normal);
  const double L = length(tangential);
  if (!(L > kSlowestSplash) || !std::isfinite(L)) return 0;
  const Vec3 side = cross(normal, tangential * (1 / L));
  const Vec3 sprays[2] = {(normal + side) * (L * kHalfSqrt2), (normal - side) * (L * kHalfSqrt2)};
  const double randomize = std::isfinite(block.randomize) ? block.randomize : 0;
  const double vscale = std::isfinite(block.vscale) ? block.vscale : 0;
  int made = 0;
  for (int i = 0; i < n; ++i) {
    const Vec3 velocity = sprays[(step ^ i) & 1];
    const Vec3 start = w.point + velocity * (i * kStep / n);
    const Vec3 thrown = shaken(pool, velocity, randomize) * (vscale * roost_random(pool));
    if (!start_particle(pool, block, start, thrown)) {
      if (pool.free_count == 0) break;
      continue;
    }
    ++made;
  }
  return made;
}

}  // namespace

void roost_reset(RoostPool& pool, uint32_t seed) {
  for (int k = 0; k < kRoostPoolSize; ++k) {
    pool.particles[k] = RoostParticle();
    // Handed out from the end: particle 0 first.
    pool.free_list[k] = uint16_t(kRoostPoolSize - 1 - k);
  }
  pool.free_count = kRoostPoolSize;
  pool.active_count = 0;
  pool.random.seed(seed);
}

double roost_random(RoostPool& pool) { return (pool.random() >> 8) * (1.0 / 16777216.0); }

int roost_density_share(RoostPool& pool, int density) {
  density = std::clamp(density, 0, kMaxRoostDensity);
  return density / 100 + (roost_random(pool) < (density % 100) / 100.0 ? 1 : 0);
}

int roost_entry_count(RoostPool& pool, const RoostBlock& block, int n_max) {
  const double count = std::isfinite(block.count) ? std::clamp(double(block.count), 0.0, kMostPerEntry) : 0;
  const double whole = std::floor(count);
  const int n = int(whole) + (roost_random(pool) < count - whole ? 1 : 0);
  return std::min(n_max, n);
}

int roost_emit_entry(RoostPool& pool, const Bike& bike, int wheel, const RoostBlock& block, int n, int step) {
  if (n <= 0 || !bike.wheel[wheel].body) return 0;
  if (block.mode == 1) return emit_dig(pool, bike, wheel, block, n);
  if (block.mode == 2) return emit_splash(pool, bike, wheel, block, n, step);
  return 0;
}

int roost_emit(RoostPool& pool, Bike& bike, const Terrain& ground, int density, int step, bool contacts_found) {
  const int n_max = roost_density_share(pool, density);
  if (n_max == 0) return 0;
  int made = 0;
  for (int wheel = 0; wheel < 2; ++wheel) {
    WheelContact& w = bike.wheel[wheel];
    if (!contacts_found) tyreContact(ground, w, 1, nullptr);
    if (!(w.depth > 0)) continue;
    const TileType& tile = terrain_tile_type_at(ground, float(w.point.x), float(w.point.z));
    for (const RoostBlock& block : tile.roost) {
      if (block.mode == 0) continue;
      made += roost_emit_entry(pool, bike, wheel, block, roost_entry_count(pool, block, n_max), step);
    }
  }
  return made;
}

void roost_move(RoostPool& pool, const Terrain& ground) {
  const double h = kStep;
  for (int k = 0; k < pool.active_count;) {
    const int index = pool.active[k];
    RoostParticle& p = pool.particles[index];
    p.position = p.position + p.velocity * h;
    p.velocity = p.velocity - p.velocity * (h * p.drag);
    p.velocity.y -= kGravity * h;
    RoostSprite& s = p.sprite;
    s.x = float(p.position.x), s.y = float(p.position.y), s.z = float(p.position.z);
    s.size = float(s.size + h * p.grow);
    for (int c = 0; c < 4; ++c) s.colour[c] = faded(s.colour[c], p.fade[c]);
    const bool lost = !is_finite(p.position) || !is_finite(p.velocity) || !std::isfinite(s.size);
    const bool landed = !lost && p.velocity.y < 0 &&
                        p.position.y < terrain_height_at(ground, float(p.position.x), float(p.position.z));
    if (!lost && !landed) {
      ++k;
      continue;
    }
    p = RoostParticle();
    // The last active takes this place; the list keeps no other order.
    pool.active[k] = pool.active[--pool.active_count];
    pool.free_list[pool.free_count++] = uint16_t(index);
  }
}

void roost_to_billboards(const RoostPool& pool, std::vector<Billboard>& billboards) {
  const size_t n = std::min(billboards.size(), size_t(kRoostPoolSize));
  for (size_t k = 0; k < n; ++k) {
    const RoostSprite& s = pool.particles[k].sprite;
    Billboard& b = billboards[k];
    b.x = s.x, b.y = s.y, b.z = s.z;
    b.height = s.size;
    b.aspect = 1;
    b.texture = s.shown ? s.texture : 0;
    for (int c = 0; c < 4; ++c) b.colour[c] = s.shown ? s.colour[c] : 0;
  }
}
