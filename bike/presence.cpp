#include "bike/presence.h"

#include "bike/bike.h"
#include "platform/units.h"

namespace {

// Forces left in the accumulators of disabled bodies would act all at once
// when they wake.
void clear_accumulators(Bike& b) {
  for (dBodyID body : b.body) {
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
  }
}

void enable(Bike& b, bool on) {
  for (dBodyID body : b.body) {
    if (on) dBodyEnable(body);
    else dBodyDisable(body);
  }
}

}  // namespace

void makePresent(Bike& b) {
  if (b.presence <= kPresenceThreshold) clear_accumulators(b);
  b.presence = 1;
  enable(b, true);
}

void makeAbsent(Bike& b) {
  if (b.presence <= kPresenceThreshold) clear_accumulators(b);
  b.presence = 0;
  enable(b, false);
}

void togglePresence(Bike& b) {
  if (b.presence == 0) {
    makePresent(b);
    return;
  }
  if (b.presence > kPresenceThreshold) return;
  clear_accumulators(b);
  b.presence = kPresenceThreshold;
  enable(b, false);
}

void fadePresence(Bike& b) {
  if (!(b.presence > 0)) {
    b.presence = 0;
    return;
  }
  if (b.presence <= kPresenceThreshold) clear_accumulators(b);
  b.presence -= static_cast<float>(kStep);
  if (b.presence > 1) b.presence = 1;
  enable(b, b.presence > kPresenceThreshold);
  if (b.presence < 0) b.presence = 0;
}

bool bike_present(const Bike& b) { return b.presence > kPresenceThreshold; }
