#include "bike/bike_step.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/crash.h"
#include "bike/drivetrain.h"
#include "bike/suspension.h"
#include "platform/units.h"

namespace {

// Beyond these the rider is held hard at his seat.
constexpr double kForwardFree = 0.75;
constexpr double kVerticalFreeBelow = -0.75, kVerticalFreeAbove = 0.5;
constexpr double kHardSpring = 2500;

// A one-step spring pushing the rider mass along +axis (depth >= 0) or
// -axis toward its seat.
void seat_spring(Bike& bike, Vec3 at, Vec3 axis, double depth, double k, double c) {
  dContact contact{};
  contact.surface.mode = kSpringContactMode;
  contact.surface.mu = 0;
  contact_spring(contact.surface, k, c);
  store(at, contact.geom.pos);
  store(depth >= 0 ? axis : -axis, contact.geom.normal);
  contact.geom.depth = std::fabs(depth);
  physics_add_contact(*bike.world, contact, bike.body[kBodyRider], bike.body[kBodyFrame]);
}

}  // namespace

void rider_springs(Bike& bike) {
  // A fallen rider is brought back by the crash ropes: springs at full
  // stiffness would snap him straight back to the seat.
  if (bike.crash.timer > 0) return;
  dBodyID frame = bike.body[kBodyFrame], rider = bike.body[kBodyRider];
  const dReal* r = dBodyGetRotation(frame);
  const Vec3 y = body_axis(r, 1), z = body_axis(r, 2);
  const BikeInfo& info = bike.info;
  // The seat: the rider mass position carried along by the frame.
  const Vec3 seat = vec3_of(dBodyGetPosition(frame)) +
                    rotate(r, vec3_of(info.rider_mass_position) - vec3_of(info.frame_position));
  const Vec3 q = vec3_of(dBodyGetPosition(rider));
  if (!is_finite(seat) || !is_finite(q)) return;
  const double vertical = dot(seat - q, y), forward = dot(seat - q, z);
  const double sit = bike.controls.sit, lean = bike.controls.lean;
  const double scale = info.rider_mass * kRiderMassScale;
  const BikeSetup& s = bike.setup;

  // Sitting lets the rider slide back as he sinks; leaning moves him.
  const double target = std::clamp(vertical * (0.5 + sit / 2) - lean, -kForwardFree, kForwardFree);
  const double forward_depth = forward - target;
  double k, c;
  if (forward >= -kForwardFree && forward <= kForwardFree) {
    k = s.rider_forward_spring * 600 + std::fabs(forward_depth) * 100;
    c = 0;
  } else {
    k = c = kHardSpring;
  }
  k *= scale;
  c *= scale;
  if (k > 0) seat_spring(bike, q, z, forward_depth, k, c);

  const double vertical_depth = vertical + 0.125 - sit / 2;
  if (vertical >= kVerticalFreeBelow && vertical <= kVerticalFreeAbove) {
    k = s.rider_vertical_spring * 400;
    c = s.rider_vertical_damping * 100;
  } else {
    k = c = kHardSpring;
  }
  k *= scale;
  c *= scale;
  if (k + c > 0) seat_spring(bike, q, y, vertical_depth, k, c);
}

void joint_force_correction(Bike& bike, int step) {
  if (step < 2 || bike.crash.timer > 0) return;
  const Vec3 centre = vec3_of(dBodyGetPosition(bike.body[kBodyFrame]));
  Vec3 force, torque;
  for (int j = 0; j < kBikeJoints; ++j) {
    dJointID joint = bike.joint[j];
    if (!joint) return;
    dBodyID b1 = dJointGetBody(joint, 0), b2 = dJointGetBody(joint, 1);
    if (!b1 || !b2) return;  // the rider mount of a fallen rider
    const dJointFeedback& f = bike.feedback[j];
    const Vec3 f1 = vec3_of(f.f1), f2 = vec3_of(f.f2);
    force = force + f1 + f2;
    torque = torque + vec3_of(f.t1) + cross(vec3_of(dBodyGetPosition(b1)) - centre, f1) + vec3_of(f.t2) +
             cross(vec3_of(dBodyGetPosition(b2)) - centre, f2);
  }
  if (!is_finite(force) || !is_finite(torque)) return;
  dBodyID frame = bike.body[kBodyFrame];
  dBodyAddForce(frame, -force.x, -force.y, -force.z);
  dBodyAddTorque(frame, -torque.x, -torque.y, -torque.z);
}

void bike_step(Bike& bike, int step, const KnockoutTable* knockout) {
  if (bike.presence <= 0.25f) return;
  settle_step(bike, step);
  crash_step(bike, knockout);
  // The brakes and sit/dab may be overridden for this step only.
  const BikeControls held = bike.controls;

  rider_springs(bike);
  suspension_step(bike);
  drivetrainStep(bike, step);
  joint_force_correction(bike, step);
  crash_dab_step(bike);

  bike.controls.sit = held.sit;
  bike.controls.front_brake = held.front_brake;
  bike.controls.rear_brake = held.rear_brake;
  RiderVelocityRing& ring = bike.rider_velocities;
  const dReal* v = dBodyGetLinearVel(bike.body[kBodyRider]);
  for (int k = 0; k < 3; ++k) ring.v[ring.next][k] = v[k];
  ring.next = (ring.next + 1) % 4;
}
