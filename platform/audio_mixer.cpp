// The software mixer. Positions and steps are 64-bit fixed point with a
// 31-bit fraction, so even hours of data at any rate cannot overflow them.
#include "platform/audio_mixer.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace {

constexpr int kFractionBits = 31;
constexpr int64_t kOne = int64_t(1) << kFractionBits;
// Longest sample data a voice may hold (and so the longest conversion).
constexpr int64_t kMaxSamples = int64_t(1) << 30;

// For each level, every signed sample scaled by level / 32, rounded towards
// zero. Level 0 is silent.
struct VolumeTables {
  int8_t value[kMixerLevels][256];
};

constexpr VolumeTables build_tables() {
  VolumeTables t{};
  for (int level = 0; level < kMixerLevels; ++level) {
    for (int s = -128; s < 128; ++s) {
      int magnitude = (s < 0 ? -s : s) * level / 32;
      t.value[level][s + 128] = static_cast<int8_t>(s < 0 ? -magnitude : magnitude);
    }
  }
  return t;
}

constexpr VolumeTables kTables = build_tables();

int sign_of(int s) { return (s > 0) - (s < 0); }

}  // namespace

struct SampleData {
  std::vector<int8_t> samples;
  int refs = 0;
  int natural_rate = 0;  // the rate its samples play at their own speed
};

struct VoiceLink {
  AudioVoice* prev = nullptr;
  AudioVoice* next = nullptr;
};

struct AudioVoice {
  Mixer* mixer = nullptr;
  SampleData* data = nullptr;
  int rate = 0;
  int volume = 32767;
  int pan = 0;
  int level[2] = {0, 0};        // from volume and pan
  int mixed_level[2] = {0, 0};  // what the last block was mixed at
  int listed_level[2] = {-1, -1};
  bool looping = false;
  bool playing = false;
  bool restart = false;
  bool finished = false;
  int64_t position = 0;  // fixed point
  int64_t step = kOne;   // per output sample, fixed point
  int last_sample = 0;   // the last sample played, to find zero crossings
  uint32_t visited = 0;  // serial of the last block that visited it
  VoiceLink list[2];     // its place in the level list of each side
  AudioVoice* all_prev = nullptr;
  AudioVoice* all_next = nullptr;
};

struct Mixer {
  MixerSettings settings;
  AudioVoice* head[2][kMixerLevels] = {};
  AudioVoice* tail[2][kMixerLevels] = {};
  AudioVoice* all = nullptr;
  std::vector<int32_t> sum[2];
  uint32_t block_serial = 0;
};

namespace {

struct Locked {
  explicit Locked(const Mixer* m) : mixer(m) {
    if (mixer->settings.lock) mixer->settings.lock();
  }
  ~Locked() {
    if (mixer->settings.unlock) mixer->settings.unlock();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  const Mixer* mixer;
};

bool stereo(const Mixer* m) { return m->settings.channels == 2; }

void unlist(AudioVoice* v) {
  Mixer* m = v->mixer;
  for (int side = 0; side < 2; ++side) {
    int l = v->listed_level[side];
    if (l < 0) continue;
    VoiceLink& link = v->list[side];
    if (link.prev) link.prev->list[side].next = link.next; else m->head[side][l] = link.next;
    if (link.next) link.next->list[side].prev = link.prev; else m->tail[side][l] = link.prev;
    link = {};
    v->listed_level[side] = -1;
  }
}

void list_at(AudioVoice* v, int side, int level) {
  Mixer* m = v->mixer;
  VoiceLink& link = v->list[side];
  link.prev = m->tail[side][level];
  link.next = nullptr;
  if (link.prev) link.prev->list[side].next = v; else m->head[side][level] = v;
  m->tail[side][level] = v;
  v->listed_level[side] = level;
}

// Puts a playing voice in the lists of its levels (at the end, so that among
// equally loud voices the earlier ones keep their place in the budget).
void relist(AudioVoice* v) {
  unlist(v);
  if (!v->playing) return;
  list_at(v, 0, v->level[0]);
  if (stereo(v->mixer)) list_at(v, 1, v->level[1]);
}

void update_levels(AudioVoice* v) {
  int left = mixer_level(v->volume, v->pan, 0);
  int right = stereo(v->mixer) ? mixer_level(v->volume, v->pan, 1) : 0;
  if (left == v->level[0] && right == v->level[1]) return;
  v->level[0] = left;
  v->level[1] = right;
  if (v->playing) relist(v);
}

int64_t step_for(int rate, int output_rate) { return (int64_t(rate) << kFractionBits) / output_rate; }

AudioVoice* make_voice(Mixer* m, SampleData* data) {
  AudioVoice* v = new (std::nothrow) AudioVoice;
  if (!v) return nullptr;
  v->mixer = m;
  v->data = data;
  v->rate = data->natural_rate;
  v->step = step_for(v->rate, m->settings.output_rate);
  v->pan = stereo(m) ? 0 : -32768;
  v->level[0] = mixer_level(v->volume, v->pan, 0);
  v->level[1] = stereo(m) ? mixer_level(v->volume, v->pan, 1) : 0;
  Locked lock(m);
  data->refs++;
  v->all_next = m->all;
  if (m->all) m->all->all_prev = v;
  m->all = v;
  return v;
}

SampleData* new_data(int64_t count, int natural_rate) {
  if (count <= 0 || count > kMaxSamples) return nullptr;
  SampleData* d = new (std::nothrow) SampleData;
  if (!d) return nullptr;
  try {
    d->samples.assign(static_cast<size_t>(count), 0);
  } catch (const std::bad_alloc&) {
    delete d;
    return nullptr;
  }
  d->natural_rate = natural_rate;
  return d;
}

int clamp_rate(int rate) { return std::clamp(rate, 1, kAudioMaxRate); }

// Moves a voice on by frames output samples without mixing it.
void advance(AudioVoice* v, int frames) {
  int64_t end = int64_t(v->data->samples.size()) << kFractionBits;
  v->position += v->step * frames;
  if (v->position >= end) {
    if (v->looping) {
      v->position %= end;
    } else {
      v->position = end - 1;
      v->finished = true;
    }
  }
  v->last_sample = v->data->samples[static_cast<size_t>(v->position >> kFractionBits)];
}

// Mixes frames output samples of one voice at the target levels. A change of
// level (or a restart) waits for the waveform's next zero crossing so that it
// does not click, but never longer than this block.
void mix_voice(Mixer* m, AudioVoice* v, int target_left, int target_right, int frames) {
  int left = v->mixed_level[0], right = v->mixed_level[1];
  bool pending = left != target_left || right != target_right || v->restart;
  if (!pending && left == 0 && right == 0) {
    advance(v, frames);
    return;
  }
  const int8_t* d = v->data->samples.data();
  const int64_t end = int64_t(v->data->samples.size()) << kFractionBits;
  int32_t* sum_left = m->sum[0].data();
  int32_t* sum_right = m->sum[1].data();
  const bool two = stereo(m);
  for (int i = 0; i < frames; ++i) {
    int s = d[v->position >> kFractionBits];
    if (pending && (s == 0 || v->last_sample == 0 || sign_of(s) != sign_of(v->last_sample))) {
      pending = false;
      left = target_left;
      right = target_right;
      if (v->restart) {
        v->restart = false;
        v->position = 0;
        s = d[0];
      }
      if (left == 0 && right == 0) {
        v->last_sample = s;
        advance(v, frames - i);
        break;
      }
    }
    sum_left[i] += kTables.value[left][s + 128];
    if (two) sum_right[i] += kTables.value[right][s + 128];
    v->last_sample = s;
    v->position += v->step;
    if (v->position >= end) {
      if (!v->looping) {
        v->position = end - 1;
        v->finished = true;
        break;
      }
      v->position %= end;
    }
  }
  if (pending) {
    // No crossing in the whole block: switch now rather than wait on.
    left = target_left;
    right = target_right;
    if (v->restart) {
      v->restart = false;
      v->position = 0;
    }
  }
  v->mixed_level[0] = left;
  v->mixed_level[1] = right;
}

void finish(AudioVoice* v) {
  unlist(v);
  v->playing = false;
  v->finished = false;
  v->restart = false;
  v->mixed_level[0] = v->mixed_level[1] = 0;
}

void mix_block(Mixer* m, uint8_t* out, int frames) {
  const int channels = m->settings.channels;
  for (int c = 0; c < channels; ++c) std::fill_n(m->sum[c].begin(), frames, 0);
  const uint32_t serial = ++m->block_serial;
  int budget = m->settings.voices_budget;
  for (int level = kMixerLevels - 1; level >= 0; --level) {
    for (int side = 0; side < channels; ++side) {
      AudioVoice* next = nullptr;
      for (AudioVoice* v = m->head[side][level]; v; v = next) {
        next = v->list[side].next;
        if (v->visited == serial) continue;
        v->visited = serial;
        // A voice is first met at its louder side's level.
        bool heard = budget > 0 && level >= 1;
        if (heard) budget--;
        mix_voice(m, v, heard ? v->level[0] : 0, heard ? v->level[1] : 0, frames);
        // Only v leaves the lists, so the saved next stays valid.
        if (v->finished) finish(v);
      }
    }
  }
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) out[i * channels + c] = mixer_output_byte(m->sum[c][i]);
  }
}

}  // namespace

int mixer_level(int volume, int pan, int side) {
  volume = std::clamp(volume, 0, 32767);
  pan = std::clamp(pan, -32768, 32767);
  int64_t weight = side == 0 ? 32767 - pan : 32768 + pan;
  return static_cast<int>(int64_t(volume) * weight >> 26);
}

int mixer_scaled_sample(int level, int sample) {
  return kTables.value[std::clamp(level, 0, kMixerLevels - 1)][std::clamp(sample, -128, 127) + 128];
}

uint8_t mixer_output_byte(int32_t sum) {
  if (sum < -127) return 0;
  if (sum > 126) return 255;
  return static_cast<uint8_t>(sum + 128);
}

Mixer* mixer_create(const MixerSettings& settings) {
  if (settings.output_rate <= 0 || (settings.channels != 1 && settings.channels != 2) || settings.max_block <= 0)
    return nullptr;
  Mixer* m = new (std::nothrow) Mixer;
  if (!m) return nullptr;
  m->settings = settings;
  m->settings.voices_budget = std::max(0, settings.voices_budget);
  try {
    for (auto& s : m->sum) s.assign(static_cast<size_t>(settings.max_block), 0);
  } catch (const std::bad_alloc&) {
    delete m;
    return nullptr;
  }
  return m;
}

void mixer_destroy(Mixer* m) {
  if (!m) return;
  while (AudioVoice* v = m->all) {
    m->all = v->all_next;
    if (--v->data->refs == 0) delete v->data;
    delete v;
  }
  delete m;
}

AudioVoice* mixer_new_voice(Mixer* m, int count, const int8_t* samples, int rate) {
  if (!m || count <= 0 || !samples) return nullptr;
  if (rate <= 0) rate = kAudioDefaultRate;
  rate = clamp_rate(rate);
  const int out_rate = m->settings.output_rate;
  // Nearest-sample conversion to the output rate.
  int64_t converted = std::max<int64_t>(1, int64_t(count) * out_rate / rate);
  SampleData* d = new_data(converted, out_rate);
  if (!d) return nullptr;
  for (int64_t i = 0; i < converted; ++i) {
    int64_t from = std::min<int64_t>(i * rate / out_rate, count - 1);
    d->samples[static_cast<size_t>(i)] = samples[from];
  }
  AudioVoice* v = make_voice(m, d);
  if (!v) delete d;
  return v;
}

AudioVoice* mixer_new_stream_voice(Mixer* m, int count, int rate) {
  if (!m) return nullptr;
  SampleData* d = new_data(count, clamp_rate(rate > 0 ? rate : kAudioDefaultRate));
  if (!d) return nullptr;
  AudioVoice* v = make_voice(m, d);
  if (!v) delete d;
  return v;
}

AudioVoice* mixer_copy_voice(AudioVoice* source) {
  if (!source) return nullptr;
  return make_voice(source->mixer, source->data);
}

void mixer_free_voice(AudioVoice* v) {
  if (!v) return;
  Mixer* m = v->mixer;
  bool last = false;
  {
    Locked lock(m);
    unlist(v);
    if (v->all_prev) v->all_prev->all_next = v->all_next; else m->all = v->all_next;
    if (v->all_next) v->all_next->all_prev = v->all_prev;
    last = --v->data->refs == 0;
  }
  if (last) delete v->data;
  delete v;
}

void mixer_start(AudioVoice* v) {
  if (!v) return;
  Locked lock(v->mixer);
  if (v->playing) {
    v->restart = true;
    return;
  }
  v->playing = true;
  v->finished = false;
  v->restart = false;
  v->position = 0;
  v->last_sample = 0;
  v->mixed_level[0] = v->mixed_level[1] = 0;
  relist(v);
}

void mixer_stop(AudioVoice* v) {
  if (!v) return;
  Locked lock(v->mixer);
  finish(v);
}

void mixer_set_rate(AudioVoice* v, int rate) {
  if (!v) return;
  Locked lock(v->mixer);
  v->rate = clamp_rate(rate);
  v->step = step_for(v->rate, v->mixer->settings.output_rate);
}

void mixer_set_volume(AudioVoice* v, int volume) {
  if (!v) return;
  Locked lock(v->mixer);
  v->volume = std::clamp(volume, 0, 32767);
  update_levels(v);
}

void mixer_set_pan(AudioVoice* v, int pan) {
  if (!v) return;
  Locked lock(v->mixer);
  v->pan = stereo(v->mixer) ? std::clamp(pan, -32768, 32767) : -32768;
  update_levels(v);
}

void mixer_set_looping(AudioVoice* v, bool looping) {
  if (!v) return;
  Locked lock(v->mixer);
  v->looping = looping;
}

int mixer_position(AudioVoice* v) {
  if (!v) return 0;
  Locked lock(v->mixer);
  return v->playing ? static_cast<int>(v->position >> kFractionBits) : 0;
}

void mixer_write(AudioVoice* v, int count, const int8_t* samples, int position) {
  if (!v || !samples || count <= 0) return;
  Locked lock(v->mixer);
  std::vector<int8_t>& data = v->data->samples;
  const int64_t length = static_cast<int64_t>(data.size());
  int64_t at = position;
  if (count > length) {
    samples += count - length;
    at += count - length;
    count = static_cast<int>(length);
  }
  at = ((at % length) + length) % length;
  int64_t first = std::min<int64_t>(count, length - at);
  std::copy_n(samples, first, data.begin() + at);
  std::copy_n(samples + first, count - first, data.begin());
}

int mixer_voice_length(AudioVoice* v) { return v ? static_cast<int>(v->data->samples.size()) : 0; }

bool mixer_voice_playing(AudioVoice* v) {
  if (!v) return false;
  Locked lock(v->mixer);
  return v->playing;
}

void mixer_voice_levels(AudioVoice* v, int* left, int* right) {
  *left = *right = 0;
  if (!v) return;
  Locked lock(v->mixer);
  *left = v->level[0];
  *right = v->level[1];
}

void mixer_mix(Mixer* m, uint8_t* out, int frames) {
  const int max_block = m->settings.max_block;
  while (frames > 0) {
    int n = std::min(frames, max_block);
    mix_block(m, out, n);
    out += n * m->settings.channels;
    frames -= n;
  }
}
