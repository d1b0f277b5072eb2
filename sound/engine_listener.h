// How a bike's engine is heard from the listener: the Doppler shift of its
// playback rate, the fall of its volume with distance, and its stereo pan.
#pragma once

// Set by the camera each frame; headless runs keep it at the watched bike.
struct SoundListener {
  double position[3] = {0, 0, 0};  // ft
  double velocity[3] = {0, 0, 0};  // ft/s
  double right[3] = {1, 0, 0};     // the listener's right axis, unit length
};

// Where the main loop finds the listener the camera left.
SoundListener& sound_listener();

struct EngineVoiceSettings {
  int rate;    // Hz, 100..1000000
  int volume;  // 0..32767
  int pan;     // -32767..32767
};

// A source at position moving at velocity, heard by the listener, at a
// volume (0..1 and beyond) times the engine's own gain.
EngineVoiceSettings engine_voice_settings(const double position[3], const double velocity[3],
                                          const SoundListener& listener, double volume, double gain);
// The Doppler factor alone: above 1 when source and listener close in.
double doppler_ratio(const double position[3], const double velocity[3], const SoundListener& listener);
