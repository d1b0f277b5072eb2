#include "bike/bike_contact.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/part_spheres.h"
#include "bike/sphere_contact.h"
#include "platform/log.h"

namespace {

// The parts of a bike in the order they are tested.
constexpr int kPartOrder[kBikeBodies] = {kBodyFrontWheel, kBodyRearWheel, kBodyFrame,   kBodyForkUpper,
                                         kBodyForkLower,  kBodySwingarm,  kBodyRider};

// A ram: a bike whose front end hits another gets a bump timer.
constexpr float kBothFrontsBump = 192, kRamBump = 256;
constexpr double kBumpSpeed = 10;       // ft/s the bumped bike's own frame must exceed
constexpr double kRammedSpeedSquared = 25;  // 5 ft/s, the rammed bike's frame

bool is_wheel(int body) { return body == kBodyFrontWheel || body == kBodyRearWheel; }

// The parts of a remote bike that only its own rider's simulation may push:
// its front end, against the parts of ours behind our front end.
bool remote_test_only(int a_part, int b_part) {
  const bool a_rear = a_part == kBodyRearWheel || a_part == kBodyFrame || a_part == kBodySwingarm ||
                      a_part == kBodyRider;
  const bool b_front = b_part == kBodyFrontWheel || b_part == kBodyForkUpper || b_part == kBodyForkLower;
  return a_rear && b_front;
}

// A's part against B's part: A's spheres against B's tyre torus or B's
// spheres. True when any touched.
bool parts_contact(Bike& a, const PlacedBike& pa, int a_part, Bike& b, const PlacedBike& pb, int b_part,
                   ContactUse use) {
  const Bound& a_bound = pa.part[a_part];
  const Bound& b_bound = is_wheel(b_part) ? pb.tyre[b_part == kBodyFrontWheel ? 0 : 1] : pb.part[b_part];
  if (!bounds_overlap(a_bound, b_bound)) return false;
  const PartShape& a_shape = a.shape[a_part];
  const PartShape& b_shape = b.shape[b_part];
  dBodyID a_body = a.body[a_part], b_body = b.body[b_part];
  bool any = false;
  for (size_t i = 0; i < a_shape.centres.size(); ++i) {
    const ContactSphere s = part_sphere(a_shape, i);
    if (!bounds_overlap({s.centre, s.radius}, b_bound)) continue;
    if (is_wheel(b_part)) {
      const WheelContact& wheel = b.wheel[b_part == kBodyFrontWheel ? 0 : 1];
      any |= sphereContact(a.world, s, a_body, tyre_sphere_toward(wheel, s.centre), b_body, use);
      continue;
    }
    for (size_t j = 0; j < b_shape.centres.size(); ++j)
      any |= sphereContact(a.world, s, a_body, part_sphere(b_shape, j), b_body, use);
  }
  return any;
}

// Every part of A against every part of B; the part bits of each that
// touched.
void pair_contact(Bike& a, Bike& b, bool b_remote, ContactUse use, unsigned& a_bits, unsigned& b_bits) {
  a_bits = b_bits = 0;
  if (!bounds_overlap(bike_bound(a), bike_bound(b))) return;
  const PlacedBike pa = bike_parts_place(a);
  const PlacedBike pb = bike_parts_place(b);
  for (int a_part : kPartOrder) {
    for (int b_part : kPartOrder) {
      const ContactUse u = b_remote && remote_test_only(a_part, b_part) ? ContactUse::Test : use;
      if (parts_contact(a, pa, a_part, b, pb, b_part, u)) {
        a_bits |= kBodyPart[a_part];
        b_bits |= kBodyPart[b_part];
      }
    }
  }
}

double frame_speed_squared(const Bike& bike) {
  const double s = length_squared(vec3_of(dBodyGetLinearVel(bike.body[kBodyFrame])));
  return std::isfinite(s) ? s : 0.0;
}

// The bump rule after a touch: a bike that drove its front end into the
// other, moving, one is marked as the rammer.
void bump(Bike& a, unsigned a_bits, Bike& b, unsigned b_bits) {
  const double va = frame_speed_squared(a), vb = frame_speed_squared(b);
  const double fast = kBumpSpeed * kBumpSpeed;
  const bool a_front = a_bits & kPartFrontEnd, b_front = b_bits & kPartFrontEnd;
  auto mark = [](Bike& bike, float t) { bike.crash.bump_timer = std::max(bike.crash.bump_timer, t); };
  if (a_front && b_front) {
    if (va > fast) mark(a, kBothFrontsBump);
    if (vb > fast) mark(b, kBothFrontsBump);
  } else if (a_front) {
    if (b.crash.timer < 1 && std::trunc(vb) >= kRammedSpeedSquared && va > fast) mark(a, kRamBump);
  } else if (b_front) {
    if (a.crash.timer < 1 && std::trunc(va) >= kRammedSpeedSquared && vb > fast) mark(b, kRamBump);
  }
}

void record_contact(Bike& bike, int step) {
  bike.crash.last_bike_contact_step = step;
  if (bike.crash.first_bike_contact_step == -1) bike.crash.first_bike_contact_step = step;
}

// Moves every body of the bike up by dy.
void raise(Bike& bike, double dy) {
  for (dBodyID body : bike.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0], p[1] + dy, p[2]);
  }
}

}  // namespace

unsigned bikeBikeContact(Bike& a, Bike& b, bool b_remote, int step) {
  if (&a == &b || a.world != b.world) return 0;
  // A bike already held to another by joints in this step is pushed by
  // forces: each bike is in at most one jointed pair a step.
  const bool again = step == a.crash.last_bike_contact_step || step == b.crash.last_bike_contact_step;
  unsigned a_bits, b_bits;
  pair_contact(a, b, b_remote, again ? ContactUse::Force : ContactUse::Joint, a_bits, b_bits);
  if (!a_bits && !b_bits) return 0;
  record_contact(a, step);
  record_contact(b, step);
  bump(a, a_bits, b, b_bits);
  return b_bits;
}

bool bikes_touch(Bike& a, Bike& b) {
  if (&a == &b) return false;
  unsigned a_bits, b_bits;
  pair_contact(a, b, false, ContactUse::Test, a_bits, b_bits);
  return a_bits || b_bits;
}

void bikes_by_speed(std::vector<Bike*>& bikes) {
  struct Keyed {
    double speed;
    Bike* bike;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(bikes.size());
  for (Bike* b : bikes) keyed.push_back({frame_speed_squared(*b), b});
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
    if (x.speed != y.speed) return x.speed > y.speed;
    return x.bike->slot < y.bike->slot;
  });
  for (size_t k = 0; k < bikes.size(); ++k) bikes[k] = keyed[k].bike;
}

void bikes_contact(std::span<Bike* const> bikes, int step) {
  std::vector<Bike*> order(bikes.begin(), bikes.end());
  bikes_by_speed(order);
  std::vector<Bound> bounds;
  bounds.reserve(order.size());
  for (Bike* b : order) bounds.push_back(bike_bound(*b));
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t j = i + 1; j < order.size(); ++j)
      if (bounds_overlap(bounds[i], bounds[j])) bikeBikeContact(*order[i], *order[j], false, step);
}

void local_bike_contact(Bike& local, std::span<Bike* const> others, int step, std::vector<Bike*>& touched) {
  std::vector<Bike*> order(others.begin(), others.end());
  bikes_by_speed(order);
  for (Bike* b : order)
    if (b != &local && bikeBikeContact(local, *b, true, step)) touched.push_back(b);
}

bool bike_place_clear_of(Bike& bike, const Terrain& ground, double x, double z, double heading,
                         std::span<Bike* const> others) {
  if (!bike_place(bike, ground, x, z, heading)) return false;
  constexpr double kRaise = 0.25;
  for (int raised = 0;; ++raised) {
    bool clear = true;
    for (Bike* other : others)
      if (other != &bike && bikes_touch(bike, *other)) {
        clear = false;
        break;
      }
    if (clear) return true;
    if (raised == kMaxPlacementRaises) {
      tarn_log("Bike in slot %d still touches another bike %.2f ft up; left there\n", bike.slot,
               kMaxPlacementRaises * kRaise);
      return false;
    }
    raise(bike, kRaise);
  }
}

bool bikes_place_heap(std::span<Bike* const> bikes, const Terrain& ground, double x, double z, double heading) {
  // The golden angle spreads the bikes evenly round the spiral.
  constexpr double kTurn = 2.399963229728653;
  constexpr double kSpread = 1.25;  // ft, times the square root of the index
  bool all = true;
  for (size_t k = 0; k < bikes.size(); ++k) {
    const double angle = heading + kTurn * double(k), r = kSpread * std::sqrt(double(k));
    all &= bike_place_clear_of(*bikes[k], ground, x + r * std::cos(angle), z + r * std::sin(angle), angle,
                               bikes.subspan(0, k));
  }
  return all;
}
