// Presence: whether a bike's bodies take part in the simulation. Bikes of
// the riders simulated here are present; ring-driven bikes (demo ghosts,
// remote riders) are absent and posed from their states, except that a
// remote bike touched by the local bike is woken and fades back.
#pragma once

struct Bike;

// A bike takes part in collisions and in its own step only above this.
constexpr float kPresenceThreshold = 0.25f;

void makePresent(Bike& bike);
void makeAbsent(Bike& bike);
// What a touch by the local bike does to a remote bike: wakes it when it
// has run down to 0, holds it at the threshold while it is fading out.
void togglePresence(Bike& bike);
// Once a step for every remote bike: presence falls by one per second.
void fadePresence(Bike& bike);
bool bike_present(const Bike& bike);
