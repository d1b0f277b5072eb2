// Every slot's engine voice: loaded when the slot's bike is made, fed the
// bike's engine and motion each frame, released before the audio closes.
#pragma once

struct Bike;

// The slot's engine sound for a new bike of this class and look.
void load_slot_sound(int slot, const Bike& bike);
// Once a frame: writes the slot's note ahead and sets its volume (0..1).
void update_slot_sound(int slot, double volume);
// The listener stands where the watched bike is and moves with it.
void listen_at_bike(int slot);
// Before the audio output closes.
void release_slot_sounds();
