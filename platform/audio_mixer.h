// The software mixer behind the device and readback drivers: voices sit in
// per-level lists, the loudest ones (up to the voices budget) are mixed with
// integer table look-ups and nearest-sample stepping, and the sum becomes
// 8-bit unsigned output, mono or stereo interleaved.
//
// Voice operations take the mixer lock; mixer_mix expects the caller to hold
// it (the device's callback runs with it held). Mixing never allocates, logs
// or waits.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/audio.h"

constexpr int kMixerLevels = 32;

struct Mixer;

struct MixerSettings {
  int output_rate = kAudioDefaultRate;
  int channels = 2;        // 1 or 2
  int voices_budget = 16;  // voices mixed per block, loudest first
  int max_block = 1024;    // longest block mixed in one call, in frames
  void (*lock)() = nullptr;
  void (*unlock)() = nullptr;
};

// Null when the settings are unusable or memory runs out.
Mixer* mixer_create(const MixerSettings& settings);
// Frees every voice and the mixer.
void mixer_destroy(Mixer* mixer);

AudioVoice* mixer_new_voice(Mixer* mixer, int count, const int8_t* samples, int rate);
AudioVoice* mixer_new_stream_voice(Mixer* mixer, int count, int rate);
// The operations of the driver table that need no mixer of their own.
AudioVoice* mixer_copy_voice(AudioVoice* voice);
void mixer_free_voice(AudioVoice* voice);
void mixer_start(AudioVoice* voice);
void mixer_stop(AudioVoice* voice);
void mixer_set_rate(AudioVoice* voice, int rate);
void mixer_set_volume(AudioVoice* voice, int volume);
void mixer_set_pan(AudioVoice* voice, int pan);
void mixer_set_looping(AudioVoice* voice, bool looping);
int mixer_position(AudioVoice* voice);
void mixer_write(AudioVoice* voice, int count, const int8_t* samples, int position);
// Samples held by the voice's data (after conversion to the output rate).
int mixer_voice_length(AudioVoice* voice);
bool mixer_voice_playing(AudioVoice* voice);
// The voice's current left and right levels (0..31).
void mixer_voice_levels(AudioVoice* voice, int* left, int* right);

// Mixes frames output frames into out (frames x channels bytes). Longer
// requests than max_block are mixed in pieces. The caller holds the lock.
void mixer_mix(Mixer* mixer, uint8_t* out, int frames);

// The arithmetic of the mixer, for its tests.
// Level of one side (0 left, 1 right) from volume and pan, truncated.
int mixer_level(int volume, int pan, int side);
// sign(s) x floor(|s| x level / 32).
int mixer_scaled_sample(int level, int sample);
// A mixed sum as an output byte: clipped to -128..127, then + 128.
uint8_t mixer_output_byte(int32_t sum);
