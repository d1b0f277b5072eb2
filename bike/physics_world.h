// The one physics world every bike lives in, its contact joint group, and
// ODE's own messages, which go to our log and are counted.
#pragma once
#include <ode/ode.h>

// Contact surfaces. Soft ERP and soft CFM make a contact a spring and a
// damper; the friction pyramid in both directions makes mu a coefficient
// of the normal force rather than a force limit. A tyre adds its first
// friction direction when it has one.
constexpr int kSpringContactMode = dContactSoftERP | dContactSoftCFM;
constexpr int kFrictionContactMode = kSpringContactMode | dContactApprox1_1 | dContactApprox1_2;
static_assert(kSpringContactMode == 24 && kFrictionContactMode == 12312);

// How a touch found by the contact code is used: only reported, turned
// into a contact joint, or pushed apart by a direct force.
enum class ContactUse { Test = -1, Joint = 0, Force = 1 };

struct PhysicsWorld {
  dWorldID world = nullptr;
  dJointGroupID contacts = nullptr;
  int contacts_made = 0;  // contact joints since the last step
};

// Creates the world (gravity (0, -32, 0), the library's ERP and CFM) and its
// contact group; the first world also starts ODE and points its messages at
// our log. False, with a log line, when ODE cannot start.
bool physics_world_create(PhysicsWorld& w);
// Destroys the world (and every body and joint still in it); the last one
// closes ODE.
void physics_world_destroy(PhysicsWorld& w);

// Advances the world by one fixed step with the exact stepper, then empties
// the contact group.
void physics_world_step(PhysicsWorld& w);

// Spring stiffness k and damping c as a contact's soft ERP and soft CFM for
// the fixed step: CFM = 1 / (c + k h), ERP = k h CFM.
void contact_spring(dSurfaceParameters& surface, double k, double c);
// Creates a contact joint in the group between b1 and b2 (either may be 0,
// the static world) and counts it.
dJointID physics_add_contact(PhysicsWorld& w, const dContact& contact, dBodyID b1, dBodyID b2);

// Wall time spent inside the world step since start-up, seconds. Only
// measured, never fed back into the simulation.
double physics_step_seconds();

// Messages ODE has given (errors, internal errors and notes) since start-up.
long physics_message_count();
