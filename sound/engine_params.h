// The parameter block that shapes one bike's engine sound, the built-in
// blocks by bike class, and the exhaust-pipe echo taps.
#pragma once
#include <string>

struct SoundTable;

// The synthesis runs at this rate into a ring of this many samples.
constexpr int kSynthRate = 44100;
constexpr int kSoundRingSize = 32768;
constexpr int kPipeTaps = 16;
constexpr int kRpmListMax = 100;
// Feet per second.
constexpr double kSpeedOfSound = 1140.63;

struct EngineParams {
  const SoundTable* table = nullptr;
  float firings_per_revolution = 0.5f;  // 0.5 four-stroke, 1 two-stroke
  float low_torque = -2.5f;             // engine torque (ft*lbf) at load 0
  float high_torque = 2.5f;             // and at load 1
  float volume_closed = 1;              // kept for the files; not used
  float volume_open = 1;
  float min_rpm = 1000;                 // firings never come slower
  // Echo taps: how many samples back each reads (1..kSoundRingSize - 1),
  // and its gain.
  int tap_delay[kPipeTaps] = {};
  float tap_gain[kPipeTaps] = {};
  float bias[kRpmListMax] = {0};  // rpm offsets taken in turn per firing
  int bias_count = 1;
  float scale[kRpmListMax] = {1};  // rpm factors taken in turn per firing
  int scale_count = 1;
};

// A pipe: length (ft), spread of the taps along it (ft), total gain, and the
// range of taps it sets (0..15).
struct PipeShape {
  float length = 5.0f;
  float spread = 0.918207f;
  float gain = -0.85f;
  int first = 0;
  int last = 15;
};

// Sets taps first..last for the pipe (the others keep their values). One tap
// echoes after the sound's round trip down the pipe; several spread from
// there towards the near end, sharing the gain. A length or spread that
// would put a tap outside the ring is clamped to it.
void set_pipe_taps(EngineParams& params, const PipeShape& pipe);

// The built-in block for a bike class: "50" the fifty block, a class ending
// in "f" the four-stroke block, anything else the two-stroke block.
EngineParams engine_class_defaults(const std::string& bike_class);
// "default_four_stroke", "default_two_stroke" or "default_fifty".
const char* engine_class_default_name(const std::string& bike_class);

// Load 0..1 from engine torque between the block's low and high torque.
float engine_load(const EngineParams& params, double torque);
