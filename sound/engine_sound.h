// Every bike's engine voice: a looping stream voice of the audio output that
// the main thread keeps filled, 0.1 s ahead of its play position, with the
// synthesised engine note, and whose rate, volume and pan follow the bike
// and the listener.
#pragma once
#include <string>

#include "platform/audio.h"
#include "sound/engine_listener.h"
#include "sound/engine_params.h"
#include "sound/engine_synth.h"

// What the bike gives its engine sound each frame.
struct EngineSoundInput {
  double rpm = 0;                  // engine rpm
  double torque = 0;               // engine torque (ft*lbf) at the present throttle
  double position[3] = {0, 0, 0};  // the frame body's, ft
  double velocity[3] = {0, 0, 0};  // ft/s
};

// One per rider slot; the voice stays with the slot for the whole run.
struct EngineSound {
  AudioVoice* voice = nullptr;
  int voice_serial = 0;  // the audio driver the voice belongs to
  EngineParams params;
  EngineSynth synth;
  float gain = 1;
  std::string description;  // the ".braap" file read, or the built-in block's name
};

// When a bike is created: makes the slot's voice on the first call (when an
// audio driver is open), resets the synthesis and loads the parameters: the
// class's built-in block, then the first ".braap" file found from the
// graphics name (the bike's texture name) or the class.
void loadEngineSound(EngineSound& sound, const std::string& bike_class, const std::string& graphics_name);

// Once per rendered frame for every bike with a voice: writes the new part
// of the note and sets rate, volume and pan. volume is the main loop's
// volume for the bike (0..1).
void updateEngineSound(EngineSound& sound, const EngineSoundInput& input, const SoundListener& listener, double volume);

// Frees the voice; call it before the audio driver closes.
void releaseEngineSound(EngineSound& sound);

// How many samples the writer makes when the voice plays at play_position
// and the ring has been written up to write_position: enough to stay 0.1 s
// ahead, at most 0.2 s in one frame.
int engine_samples_to_write(int play_position, uint32_t write_position);
