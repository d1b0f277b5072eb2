#include "bike/sphere_contact.h"

#include <algorithm>
#include <cmath>

#include "bike/terrain_contact.h"

namespace {

// Closer than this two centres give no direction to push along.
constexpr double kCoincident = 1e-9;
// A tyre's rubber against anything but the ground.
constexpr double kTyreFriction = 1, kTyreStiffness = 25000, kTyreDamping = 2500;

// A surface value from a shape file: negative or not a number counts as 0.
double surface_value(double v) { return v > 0 && std::isfinite(v) ? v : 0.0; }

Vec3 point_velocity(dBodyID body, Vec3 at) {
  if (!body) return {};
  dVector3 v;
  dBodyGetPointVel(body, at.x, at.y, at.z, v);
  return vec3_of(v);
}

}  // namespace

bool sphereContact(PhysicsWorld* world, const ContactSphere& a, dBodyID body_a, const ContactSphere& b,
                   dBodyID body_b, ContactUse use) {
  if (!(a.radius > 0) || !(b.radius > 0)) return false;
  const Vec3 ab = b.centre - a.centre;
  const double reach = a.radius + b.radius;
  const double distance_squared = length_squared(ab);
  if (!(distance_squared < reach * reach)) return false;  // apart, or not a number
  if (use == ContactUse::Test || (!body_a && !body_b)) return true;

  const double distance = std::sqrt(distance_squared);
  const double depth = reach - distance;
  // Centres on top of each other: b goes up, a down.
  const Vec3 n = distance > kCoincident ? ab * (1.0 / distance) : Vec3{0, 1, 0};
  const Vec3 point = a.centre + n * (a.radius - depth / 2);
  const double k = std::min(surface_value(a.stiffness), surface_value(b.stiffness));
  const double c = std::min(surface_value(a.damping), surface_value(b.damping));

  if (use == ContactUse::Joint) {
    if (!world) return true;
    dContact contact{};
    contact.surface.mode = kFrictionContactMode;
    contact.surface.mu = std::min(surface_value(a.friction), surface_value(b.friction));
    contact_spring(contact.surface, k, c);
    store(point, contact.geom.pos);
    store(-n, contact.geom.normal);  // the direction body a is pushed
    contact.geom.depth = depth;
    physics_add_contact(*world, contact, body_a, body_b);
    return true;
  }

  // Forces: a spring and a damper along the line of centres.
  const Vec3 closing = point_velocity(body_a, point) - point_velocity(body_b, point);
  double force = depth * k + dot(closing, n) * c;
  if (!std::isfinite(force)) return true;
  force = std::clamp(force, -kSphereForceLimit, kSphereForceLimit);
  const Vec3 push = n * force;
  if (body_b && dBodyIsEnabled(body_b)) dBodyAddForceAtPos(body_b, push.x, push.y, push.z, point.x, point.y, point.z);
  if (body_a && dBodyIsEnabled(body_a))
    dBodyAddForceAtPos(body_a, -push.x, -push.y, -push.z, point.x, point.y, point.z);
  return true;
}

ContactSphere tyre_sphere_toward(const WheelContact& wheel, Vec3 toward) {
  ContactSphere s;
  if (!wheel.body || !(wheel.ring_radius > 0) || !(wheel.tube_radius > 0)) return s;
  const Vec3 centre = vec3_of(dBodyGetPosition(wheel.body));
  Vec3 axis = rotate(dBodyGetRotation(wheel.body), wheel.axle);
  const double axis_length = length(axis);
  if (!(axis_length > 0) || !std::isfinite(axis_length)) return s;
  axis = axis * (1.0 / axis_length);
  const Vec3 d = toward - centre;
  Vec3 out = d - axis * dot(d, axis);
  double out_length = length(out);
  if (!(out_length > kCoincident)) {
    // On the axle: a fixed direction in the wheel plane, up where it can be.
    out = Vec3{0, 1, 0} - axis * axis.y;
    if (length_squared(out) < 0.25) out = Vec3{1, 0, 0} - axis * axis.x;
    out_length = length(out);
  }
  if (!(out_length > 0) || !std::isfinite(out_length)) return s;
  s.centre = centre + out * (wheel.ring_radius / out_length);
  s.radius = wheel.tube_radius;
  s.friction = kTyreFriction;
  s.stiffness = kTyreStiffness;
  s.damping = kTyreDamping;
  return s;
}
