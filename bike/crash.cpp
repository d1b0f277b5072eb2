#include "bike/crash.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/part_spheres.h"
#include "bike/sphere_contact.h"
#include "platform/units.h"

namespace {

// Thresholds, squared where the comparison is.
constexpr double kUpsideDownSpeed = 5;
constexpr double kObjectHitSpeed = 20;
constexpr double kRiderSpeedSquared = 961;               // 31 ft/s
constexpr double kRiderAccelerationSquared = 1893376;    // 1376 ft/s^2
// The ropes: stiff, well damped, and only pulling.
constexpr double kRopeStiffness = 5000, kRopeDamping = 500;
// The arms reach this share of their length before the shoulder ropes pull.
constexpr double kArmRopeShare = 0.875;
// A rider still moving at least this fast is held by his arms.
constexpr double kArmRopeSpeed = 2;
// A fresh or knocked-out rider is held within this of a point behind the
// bike's grips.
constexpr double kTetherLength = 8, kTetherBehind = 10;
// The pull back to the seat: its ropes shrink from this length at
// kCrashSteps to nothing at kSeatedAt.
constexpr double kPullBackLength = 5;
constexpr int kSeatedAt = 128;
// The pull-back ropes off to the side and above the seat, which turn the
// rider upright as they shorten.
constexpr double kPullBackSide = 5, kPullBackAbove = 10;
// Shorter than this a rope has no direction to pull in.
constexpr double kRopeSlack = 1e-9;

// A point given in a body's own coordinates (relative to its origin), in
// the world.
Vec3 body_point(dBodyID body, Vec3 local) {
  return vec3_of(dBodyGetPosition(body)) + rotate(dBodyGetRotation(body), local);
}

Vec3 point_velocity(dBodyID body, Vec3 at) {
  dVector3 v;
  dBodyGetPointVel(body, at.x, at.y, at.z, v);
  return vec3_of(v);
}

// The rider mass reference point relative to the frame's origin.
Vec3 seat_offset(const BikeInfo& info) { return vec3_of(info.rider_mass_position) - vec3_of(info.frame_position); }

// A rope from p on body a to q on body b: while the two points are farther
// apart than the rope is long, a one-step joint pulls them together along
// the line between them (any point on that line gives the same pull).
void rope(Bike& bike, dBodyID a, Vec3 p, dBodyID b, Vec3 q, double rope_length) {
  const Vec3 d = q - p;
  const double distance = length(d);
  if (!(distance > rope_length) || !(distance > kRopeSlack)) return;
  dContact contact{};
  contact.surface.mode = kSpringContactMode;
  contact.surface.mu = 0;
  contact_spring(contact.surface, kRopeStiffness, kRopeDamping);
  store(p, contact.geom.pos);
  store(d * (1.0 / distance), contact.geom.normal);
  contact.geom.depth = distance - rope_length;
  physics_add_contact(*bike.world, contact, a, b);
}

// The fallen rider's shape against his own frame and fork upper.
void rider_against_own_bike(Bike& bike) {
  PartShape& rider = bike.shape[kBodyRider];
  const Bound rider_bound = part_shape_place(rider, bike.body[kBodyRider]);
  if (rider_bound.radius < 0) return;
  for (int b : {kBodyFrame, kBodyForkUpper}) {
    PartShape& part = bike.shape[b];
    const Bound bound = part_shape_place(part, bike.body[b]);
    if (!bounds_overlap(rider_bound, bound)) continue;
    for (size_t i = 0; i < rider.centres.size(); ++i) {
      const ContactSphere s = part_sphere(rider, i);
      if (!bounds_overlap({s.centre, s.radius}, bound)) continue;
      for (size_t j = 0; j < part.centres.size(); ++j)
        sphereContact(bike.world, s, bike.body[kBodyRider], part_sphere(part, j), bike.body[b], ContactUse::Joint);
    }
  }
}

}  // namespace

int knockout_steps(const KnockoutTable* table, int count) {
  if (!table) return 0;
  const int extra = table->extra_steps[std::clamp(count, 0, kKnockoutEntries - 1)];
  return std::clamp(extra, 0, kMaxKnockoutSteps);
}

bool crash_possible(const Bike& bike) { return bike.crash.timer < 1 && bike.crash.bump_timer >= 0; }

void throwRider(Bike& bike, int trigger, const KnockoutTable* knockout) {
  if (dJointID mount = bike.joint[kJointRiderMount]) dJointAttach(mount, nullptr, nullptr);
  // His feet leave the pegs with the motion of his body there.
  const RiderGeometry& g = bike.info.rider;
  const float* pegs[2] = {g.left_footpeg, g.right_footpeg};
  for (int f = 0; f < 2; ++f) {
    const Vec3 foot = body_point(bike.body[kBodyFrame], vec3_of(pegs[f]));
    store(foot, bike.crash.feet[f]);
    store(point_velocity(bike.body[kBodyRider], foot), bike.crash.foot_velocities[f]);
  }
  bike.crash.timer = kCrashSteps + knockout_steps(knockout, bike.crash.count);
  bike.crash.count += 1;
  bike.crash.trigger = trigger;
}

bool crash_check_ground(Bike& bike, const KnockoutTable* knockout) {
  if (!crash_possible(bike)) return false;
  dBodyID rider = bike.body[kBodyRider];
  const bool upside_down = body_axis(dBodyGetRotation(rider), 1).y < 0;
  const bool fast = length_squared(vec3_of(dBodyGetLinearVel(rider))) > kUpsideDownSpeed * kUpsideDownSpeed;
  if (!upside_down || !fast) return false;
  throwRider(bike, kCrashUpsideDown, knockout);
  return true;
}

bool crash_check_object(Bike& bike, dBodyID object, const KnockoutTable* knockout) {
  if (!crash_possible(bike)) return false;
  dBodyID rider = bike.body[kBodyRider];
  Vec3 v = vec3_of(dBodyGetLinearVel(rider));
  if (object) v = v - point_velocity(object, vec3_of(dBodyGetPosition(rider)));
  const bool hard = length_squared(v) > kObjectHitSpeed * kObjectHitSpeed;
  if (!hard) return false;
  throwRider(bike, kCrashObject, knockout);
  return true;
}

int crash_check_rider_motion(Bike& bike, const KnockoutTable* knockout) {
  if (!crash_possible(bike)) return kNoCrash;
  dBodyID rider = bike.body[kBodyRider];
  const Vec3 position = vec3_of(dBodyGetPosition(rider));
  const Vec3 v = vec3_of(dBodyGetLinearVel(rider));
  // Off his seat: against the frame's own motion at his place.
  const Vec3 relative = v - point_velocity(bike.body[kBodyFrame], position);
  if (length_squared(relative) > kRiderSpeedSquared) {
    throwRider(bike, kCrashRiderSpeed, knockout);
    return kCrashRiderSpeed;
  }
  // The oldest of the four is the next one to be overwritten.
  const RiderVelocityRing& ring = bike.rider_velocities;
  const Vec3 old = vec3_of(ring.v[ring.next]);
  const Vec3 acceleration = (v - old) * (1.0 / (4 * kStep)) + Vec3{0, kGravity, 0};
  if (length_squared(acceleration) > kRiderAccelerationSquared) {
    throwRider(bike, kCrashRiderAcceleration, knockout);
    return kCrashRiderAcceleration;
  }
  return kNoCrash;
}

void crash_step(Bike& bike, const KnockoutTable* knockout) {
  crash_check_rider_motion(bike, knockout);
  if (bike.crash.timer > 0) rider_off_step(bike);
}

void rider_off_step(Bike& bike) {
  CrashState& crash = bike.crash;
  if (crash.timer <= 0) return;
  // He cannot ride from the ground.
  bike.controls.throttle = 0;
  bike.controls.sit = 0;
  bike.controls.back_up = 0;
  bike.controls.lean = 0;
  if (crash.timer <= 1) {
    // The step that seats him again makes no ropes or contacts: they would
    // act on him at his old place.
    crash.timer = 0;
    rider_reattach(bike);
    return;
  }

  const BikeInfo& info = bike.info;
  const RiderGeometry& g = info.rider;
  dBodyID rider = bike.body[kBodyRider], fork = bike.body[kBodyForkUpper], frame = bike.body[kBodyFrame];
  if (length_squared(vec3_of(dBodyGetLinearVel(rider))) >= kArmRopeSpeed * kArmRopeSpeed) {
    const double arm = kArmRopeShare * (g.upper_arm_length + g.forearm_length);
    rope(bike, rider, body_point(rider, vec3_of(g.left_shoulder)), fork, body_point(fork, vec3_of(g.left_grip)), arm);
    rope(bike, rider, body_point(rider, vec3_of(g.right_shoulder)), fork, body_point(fork, vec3_of(g.right_grip)),
         arm);
  }
  if (crash.timer > kCrashSteps - 1) {
    const Vec3 hip{0, g.right_hip[1], g.right_hip[2]};
    const Vec3 behind{0, g.right_grip[1], g.right_grip[2] + kTetherBehind};
    rope(bike, rider, body_point(rider, hip), fork, body_point(fork, behind), kTetherLength);
  }
  rider_against_own_bike(bike);

  crash.timer -= 1;
  if (crash.timer <= kCrashSteps) {
    const double t = std::clamp(double(crash.timer - kSeatedAt) / (kCrashSteps - kSeatedAt), 0.0, 1.0);
    const double pull = kPullBackLength * t;
    const Vec3 seat = seat_offset(info);
    rope(bike, rider, body_point(rider, {}), frame, body_point(frame, seat), pull);
    for (double side : {-kPullBackSide, kPullBackSide}) {
      const Vec3 off{side, kPullBackAbove, 0};
      rope(bike, rider, body_point(rider, off), frame, body_point(frame, seat + off), pull);
    }
  }
}

void rider_reattach(Bike& bike) {
  dBodyID frame = bike.body[kBodyFrame], rider = bike.body[kBodyRider];
  const Vec3 seat = body_point(frame, seat_offset(bike.info));
  dBodySetPosition(rider, seat.x, seat.y, seat.z);
  dBodySetRotation(rider, dBodyGetRotation(frame));
  // Seated with the frame's motion, so that he is not thrown at once.
  const Vec3 v = point_velocity(frame, seat);
  const dReal* w = dBodyGetAngularVel(frame);
  dBodySetLinearVel(rider, v.x, v.y, v.z);
  dBodySetAngularVel(rider, w[0], w[1], w[2]);
  bike_attach_rider(bike);
  rider_velocities_fill(bike);
}

void rider_velocities_fill(Bike& bike) {
  const dReal* v = dBodyGetLinearVel(bike.body[kBodyRider]);
  for (auto& slot : bike.rider_velocities.v)
    for (int k = 0; k < 3; ++k) slot[k] = v[k];
}

void settle_step(Bike& bike, int step) {
  constexpr double kSettleSpeed = 5;
  if (!bike.assist.settled && step > 2 * kStepsPerSecond &&
      length_squared(vec3_of(dBodyGetLinearVel(bike.body[kBodyFrame]))) < kSettleSpeed * kSettleSpeed)
    bike.assist.settled = true;
  if (!bike.assist.settled) return;
  float& t = bike.crash.bump_timer;
  if (t > 1)
    t -= 1;
  else if (t < -1)
    t += 1;
  else
    t = 0;
}

void crash_dab_step(Bike& bike) {
  if (bike.crash.timer > 0) bike.assist.dab = std::min(1.0f, bike.assist.dab + float(8 * kStep));
}
