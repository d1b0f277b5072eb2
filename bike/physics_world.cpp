#include "bike/physics_world.h"

#include <chrono>

#include <cstdio>

#include "platform/log.h"
#include "platform/units.h"

namespace {

int g_worlds = 0;
long g_messages = 0;

void log_ode(const char* kind, int number, const char* format, va_list args) {
  ++g_messages;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  tarn_log("ODE %s %d: %s\n", kind, number, text);
}

// ODE stops the program itself after an error or an internal error; the
// line in the log says why.
void ode_error(int number, const char* format, va_list args) { log_ode("error", number, format, args); }
void ode_debug(int number, const char* format, va_list args) { log_ode("internal error", number, format, args); }
void ode_message(int number, const char* format, va_list args) { log_ode("message", number, format, args); }

}  // namespace

bool physics_world_create(PhysicsWorld& w) {
  if (g_worlds == 0) {
    dSetErrorHandler(ode_error);
    dSetDebugHandler(ode_debug);
    dSetMessageHandler(ode_message);
    if (!dInitODE2(0)) {
      tarn_log("Can't start the physics library\n");
      return false;
    }
  }
  ++g_worlds;
  w.world = dWorldCreate();
  dWorldSetGravity(w.world, 0, -kGravity, 0);
  w.contacts = dJointGroupCreate(0);
  w.contacts_made = 0;
  return true;
}

void physics_world_destroy(PhysicsWorld& w) {
  if (!w.world) return;
  dJointGroupDestroy(w.contacts);
  dWorldDestroy(w.world);
  w = PhysicsWorld();
  if (--g_worlds == 0) dCloseODE();
}

namespace {
double g_step_seconds = 0;
}

void physics_world_step(PhysicsWorld& w) {
  const auto start = std::chrono::steady_clock::now();
  dWorldStep(w.world, kStep);
  g_step_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  dJointGroupEmpty(w.contacts);
  w.contacts_made = 0;
}

double physics_step_seconds() { return g_step_seconds; }

void contact_spring(dSurfaceParameters& surface, double k, double c) {
  const double stiffness = k * kStep;
  const double sum = c + stiffness;
  // No stiffness and no damping: a contact that gives without resisting.
  surface.soft_cfm = sum > 0 ? 1.0 / sum : 1e10;
  surface.soft_erp = sum > 0 ? stiffness / sum : 0.0;
}

dJointID physics_add_contact(PhysicsWorld& w, const dContact& contact, dBodyID b1, dBodyID b2) {
  dJointID j = dJointCreateContact(w.world, w.contacts, &contact);
  dJointAttach(j, b1, b2);
  ++w.contacts_made;
  return j;
}

long physics_message_count() { return g_messages; }
