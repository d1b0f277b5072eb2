// The engine note itself: one firing event per engine firing, each playing
// the recorded firings of the four sound-table cells around the engine's rpm
// and load, blended, and fed through the pipe's echo taps into a ring of
// recent output at kSynthRate.
#pragma once
#include <cstdint>
#include <vector>

#include "sound/engine_params.h"

struct SoundCell;

struct SynthVoice {
  const SoundCell* cell = nullptr;
  float amplitude = 0;
  // Fixed point with 10 fraction bits, 64-bit so that long recordings
  // cannot overflow them.
  int64_t position = 0;
  int64_t step = 0;
};

struct EngineSynth {
  std::vector<float> ring;  // kSoundRingSize samples
  uint32_t write_position = 11025;
  float previous_rpm = 1000;
  float frequency = 10;  // firings per second
  int64_t phase = 0;     // 24-bit fraction of the way to the next firing
  uint64_t events = 0;   // firings so far
  SynthVoice voices[4];
};

constexpr int kSynthPhaseOne = 1 << 24;

// Back to the state of a new engine: an empty ring, no firing yet, and the
// voices on the table's first cell.
void synth_reset(EngineSynth& synth, const EngineParams& params);

// Makes count samples at the ring's write position for an engine going from
// the previous frame's rpm to rpm over them, at the given load (0..1). The
// write position moves on by count. Non-finite inputs count as the minimum
// rpm and load 0.
void synthesise(EngineSynth& synth, const EngineParams& params, double rpm, double load, int count);

// A synthesised sample as an 8-bit signed voice sample (clipped at +-1).
int8_t synth_sample_byte(float y);
