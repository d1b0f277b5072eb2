// Two spheres touching, each on a body or on the static world: the rule
// every part-against-part, part-against-object and tyre-against-part touch
// uses. A touch is reported, becomes a contact joint, or pushes the two
// bodies apart with a clamped spring force.
#pragma once
#include <ode/ode.h>

#include "bike/physics_world.h"
#include "bike/vec3.h"

struct WheelContact;

// A sphere in world coordinates with the surface it presents.
struct ContactSphere {
  Vec3 centre;
  double radius = 0;
  double friction = 0, stiffness = 0, damping = 0;
};

// The push of the force rule is held to this many lbf, so that two deeply
// interpenetrating bikes cannot fling each other away.
constexpr double kSphereForceLimit = 1000;

// a on body_a (0: the static world) against b on body_b. They touch when
// their centres are closer than the sum of their radii; the softer
// surface's stiffness, damping and friction act. With ContactUse::Joint a
// contact joint pushes a away from b; with ContactUse::Force the spring
// force is applied to each enabled body directly; ContactUse::Test does
// neither. A world is needed only to make joints. True when they touch.
bool sphereContact(PhysicsWorld* world, const ContactSphere& a, dBodyID body_a, const ContactSphere& b,
                   dBodyID body_b, ContactUse use);

// A tyre against a sphere elsewhere: the tyre stands in as a tube-sized
// sphere on its ring, at the ring point nearest to `toward` (the point's
// projection on the wheel plane pushed out to the ring). Rubber: friction
// 1, stiffness 25000, damping 2500.
ContactSphere tyre_sphere_toward(const WheelContact& wheel, Vec3 toward);
