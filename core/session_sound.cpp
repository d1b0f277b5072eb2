#include "core/session_sound.h"

#include <array>

#include "bike/drivetrain.h"
#include "core/session.h"
#include "sound/engine_sound.h"

namespace {
// The voices stay with their slots for the whole run.
std::array<EngineSound, kSlotCount>& sounds() {
  static std::array<EngineSound, kSlotCount> s;
  return s;
}
}  // namespace

void load_slot_sound(int slot, const Bike& bike) {
  if (slot < 0 || slot >= kSlotCount) return;
  loadEngineSound(sounds()[slot], bike.info.bike_class, bike.info.bike_texture);
}

void update_slot_sound(int slot, double volume) {
  const Bike* b = slot_bike(slot);
  if (!b) return;
  EngineSoundInput in;
  in.rpm = engineRpm(*b);
  in.torque = engineTorque(*b);
  const dReal* p = dBodyGetPosition(b->body[kBodyFrame]);
  const dReal* v = dBodyGetLinearVel(b->body[kBodyFrame]);
  for (int i = 0; i < 3; ++i) {
    in.position[i] = p[i];
    in.velocity[i] = v[i];
  }
  updateEngineSound(sounds()[slot], in, sound_listener(), volume);
}

void listen_at_bike(int slot) {
  const Bike* b = slot_bike(slot);
  if (!b) return;
  SoundListener& l = sound_listener();
  const dReal* p = dBodyGetPosition(b->body[kBodyFrame]);
  const dReal* v = dBodyGetLinearVel(b->body[kBodyFrame]);
  const dReal* r = dBodyGetRotation(b->body[kBodyFrame]);
  for (int i = 0; i < 3; ++i) {
    l.position[i] = p[i];
    l.velocity[i] = v[i];
    l.right[i] = r[4 * i];  // the frame's x axis
  }
}

void release_slot_sounds() {
  for (EngineSound& s : sounds()) releaseEngineSound(s);
}
