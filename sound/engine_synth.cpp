#include "sound/engine_synth.h"

#include <algorithm>
#include <cmath>

#include "sound/sound_table.h"

namespace {

constexpr uint32_t kRingMask = kSoundRingSize - 1;
constexpr int kPositionBits = 10;
constexpr float kMaxSample = 16;
constexpr float kMinFrequency = 5;

struct Bracket {
  int lower, upper;
  float t;  // 0 at lower, 1 at upper
};

// The first entry above x and the one before it (both kept in range), and
// where x lies between them.
Bracket bracket(const std::vector<float>& values, float x) {
  int n = static_cast<int>(values.size());
  int upper = 0;
  while (upper < n && !(values[static_cast<size_t>(upper)] > x)) ++upper;
  int lower = std::clamp(upper - 1, 0, n - 1);
  upper = std::clamp(upper, 0, n - 1);
  float span = values[static_cast<size_t>(upper)] - values[static_cast<size_t>(lower)];
  float t = 1;
  if (lower != upper && span > 0) t = std::clamp((x - values[static_cast<size_t>(lower)]) / span, 0.0f, 1.0f);
  return {lower, upper, t};
}

void point_voice(SynthVoice& v, const SoundCell& cell, float amplitude, uint64_t event, float frequency) {
  v.cell = &cell;
  v.amplitude = amplitude;
  const int events = std::max(1, cell.events);
  uint64_t m = cell.remap.empty() ? event : static_cast<uint64_t>(cell.remap[event % cell.remap.size()]);
  double segment = double(cell.recording->samples.size()) / events;
  v.position = static_cast<int64_t>(std::floor(segment * double(m % events))) << kPositionBits;
  // One recorded firing lasts one firing period.
  v.step = static_cast<int64_t>(std::floor(double(frequency) / kSynthRate * segment * (1 << kPositionBits)));
}

void fire(EngineSynth& s, const EngineParams& p, float rpm, float load, float through) {
  const uint64_t event = s.events;
  float e = p.scale[event % static_cast<uint64_t>(p.scale_count)] *
            (p.bias[event % static_cast<uint64_t>(p.bias_count)] + s.previous_rpm + through * (rpm - s.previous_rpm));
  if (!(e >= p.min_rpm)) e = p.min_rpm;
  s.phase -= kSynthPhaseOne;
  s.events++;
  s.frequency = std::max(kMinFrequency, e * p.firings_per_revolution / 60);
  if (!std::isfinite(s.frequency)) s.frequency = kMinFrequency;
  const SoundTable& t = *p.table;
  Bracket row = bracket(t.rpm, e);
  Bracket column = bracket(t.load, load);
  const float u = row.t, v = column.t;
  point_voice(s.voices[0], t.cell(row.lower, column.lower), (1 - u) * (1 - v), event, s.frequency);
  point_voice(s.voices[1], t.cell(row.upper, column.lower), u * (1 - v), event, s.frequency);
  point_voice(s.voices[2], t.cell(row.lower, column.upper), (1 - u) * v, event, s.frequency);
  point_voice(s.voices[3], t.cell(row.upper, column.upper), u * v, event, s.frequency);
}

float voice_sample(SynthVoice& v) {
  const std::vector<float>& data = v.cell->recording->samples;
  // Past the end of its recording a voice holds the last sample.
  int64_t i = std::min<int64_t>(v.position >> kPositionBits, static_cast<int64_t>(data.size()) - 1);
  v.position += v.step;
  return v.amplitude * data[static_cast<size_t>(i)];
}

}  // namespace

void synth_reset(EngineSynth& s, const EngineParams& p) {
  s.ring.assign(kSoundRingSize, 0.0f);
  s.write_position = 11025;
  s.previous_rpm = 1000;
  s.frequency = 10;
  s.phase = 0;
  s.events = 0;
  for (SynthVoice& v : s.voices) {
    v = SynthVoice{};
    if (p.table && !p.table->cells.empty()) v.cell = &p.table->cells[0];
  }
}

void synthesise(EngineSynth& s, const EngineParams& p, double rpm_in, double load_in, int count) {
  if (count <= 0 || !p.table || s.ring.size() != kSoundRingSize) return;
  const float rpm = std::isfinite(rpm_in) ? static_cast<float>(rpm_in) : p.min_rpm;
  const float load = std::isfinite(load_in) ? static_cast<float>(std::clamp(load_in, 0.0, 1.0)) : 0.0f;
  float* ring = s.ring.data();
  uint32_t w = s.write_position & kRingMask;
  for (int k = 0; k < count; ++k) {
    float y = 0;
    for (int t = 0; t < kPipeTaps; ++t) y += p.tap_gain[t] * ring[(w - static_cast<uint32_t>(p.tap_delay[t])) & kRingMask];
    for (SynthVoice& v : s.voices)
      if (v.cell) y += voice_sample(v);
    ring[w] = std::clamp(y, -kMaxSample, kMaxSample);
    s.phase += std::lround(s.frequency / kSynthRate * kSynthPhaseOne);
    if (s.phase >= kSynthPhaseOne) fire(s, p, rpm, load, static_cast<float>(k) / count);
    w = (w + 1) & kRingMask;
  }
  s.write_position = w;
  s.previous_rpm = rpm;
}

int8_t synth_sample_byte(float y) {
  return static_cast<int8_t>(std::clamp(std::lround(y * 127.0f), -127L, 127L));
}
