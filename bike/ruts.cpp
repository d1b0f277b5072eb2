#include "bike/ruts.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "track/terrain.h"

namespace {

// Pushes shorter than this have no direction worth piling along.
constexpr double kShortestPush2 = 1.0 / 1024;
// The depth of each stroke per unit of the erosion amount.
constexpr double kAmountScale = 1.0 / 2048;

// (value - low) / (high - low) clamped to 0..1; a step at low when the two
// bounds leave no room between them. Not a number: 0.
double ramp(double value, double low, double high) {
  if (std::isnan(value)) return 0;
  if (!(high > low)) return value >= low ? 1 : 0;
  return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

int next_index(int i) { return (i + 1) % kRutRingSize; }

double horizontal_distance2(double ax, double az, double bx, double bz) {
  return (ax - bx) * (ax - bx) + (az - bz) * (az - bz);
}

}  // namespace

double erode_speed_factor(const ErodeValues& e, double speed) {
  return ramp(speed, e.erode_off_speed, e.erode_on_speed);
}

double erode_push_factor(const ErodeValues& e, double push) { return ramp(push, e.erode_lower, e.erode_upper); }

int ruts_waiting(const Bike& bike) {
  return (bike.ruts.head - bike.ruts.tail + kRutRingSize) % kRutRingSize;
}

void ruts_record(Bike& bike, const Terrain& ground, double amount) {
  if (!(amount > 0)) return;
  RutRing& ring = bike.ruts;
  for (const WheelContact& w : bike.wheel) {
    if (!(w.depth > 0) || !w.joined) continue;
    if (next_index(ring.head) == ring.tail) return;  // full
    const ErodeValues& e = terrain_tile_type_at(ground, float(w.point.x), float(w.point.z)).erode;
    const double u = erode_speed_factor(e, length(w.velocity));
    // The force the ground put on the tyre in the last world step.
    const double px = u * w.feedback.f1[0], pz = u * w.feedback.f1[2];
    if (!std::isfinite(px) || !std::isfinite(pz) || !std::isfinite(w.point.x) || !std::isfinite(w.point.z)) continue;
    RutEntry& entry = ring.entries[ring.head];
    entry = {float(w.point.x), float(w.point.z), float(px), float(pz)};
    const double push2 = px * px + pz * pz;
    if (std::sqrt(push2) > e.erode_lower && push2 > kShortestPush2) ring.head = next_index(ring.head);
  }
}

int ruts_apply(Bike& bike, Terrain& ground, double amount) {
  if (!(amount > 0)) return 0;
  amount = std::min(amount, kMaxErodeAmount);
  RutRing& ring = bike.ruts;
  const dReal* frame = dBodyGetPosition(bike.body[kBodyFrame]);
  int applied = 0;
  while (applied < kRutsPerStep && ring.tail != ring.head) {
    const RutEntry& entry = ring.entries[ring.tail];
    // A frame whose position is not a number is nowhere near: nothing is
    // dug until it is.
    const double d2 = horizontal_distance2(entry.x, entry.z, frame[0], frame[2]);
    if (!(d2 >= kRutDistance * kRutDistance)) break;
    ring.tail = next_index(ring.tail);
    ++applied;
    const ErodeValues& e = terrain_tile_type_at(ground, entry.x, entry.z).erode;
    const double push = std::hypot(double(entry.push_x), double(entry.push_z));
    if (!(push > 0)) continue;
    const double s = erode_push_factor(e, push) * e.erode_displacement;
    const double pile_x = entry.x - entry.push_x / push * s, pile_z = entry.z - entry.push_z / push * s;
    const double rise = terrain_height_at(ground, float(pile_x), float(pile_z)) - terrain_height_at(ground, entry.x, entry.z);
    if (!(rise <= s * e.erode_max_slope)) continue;
    const double a = amount * kAmountScale * e.erode_depth;
    if (!std::isfinite(a) || !std::isfinite(pile_x) || !std::isfinite(pile_z)) continue;
    terrain_deform(ground, entry.x, entry.z, e.erode_radius, float(-a));
    terrain_deform(ground, float(pile_x), float(pile_z), e.erode_radius, float(a));
  }
  return applied;
}

void ruts_cut(Bike& bike, Terrain& ground, double amount) {
  if (!(amount > 0)) return;
  ruts_record(bike, ground, amount);
  ruts_apply(bike, ground, amount);
}
