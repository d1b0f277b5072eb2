#include "sound/engine_sound.h"

#include <algorithm>
#include <array>

#include "platform/log.h"
#include "sound/braap_file.h"

namespace {

constexpr int kLeadSamples = kSynthRate / 10;
constexpr int kMaxSamplesPerFrame = 2 * kLeadSamples;

bool voice_alive(const EngineSound& s) { return s.voice && s.voice_serial == tarn_audio_serial() && tarn_audio_open(); }

// A silent looping voice, written at the synthesis rate and played at it:
// its positions index the ring directly.
void make_voice(EngineSound& s) {
  const AudioDriver& audio = tarn_audio();
  s.voice = audio.new_stream_voice(kSoundRingSize, kSynthRate);
  s.voice_serial = tarn_audio_serial();
  if (!s.voice) return;
  audio.set_looping(s.voice, true);
  audio.set_volume(s.voice, 0);
  audio.start(s.voice);
}

void clear_voice(EngineSound& s) {
  static const std::array<int8_t, kSoundRingSize> silence{};
  tarn_audio().write(s.voice, kSoundRingSize, silence.data(), 0);
}

}  // namespace

int engine_samples_to_write(int play_position, uint32_t write_position) {
  int64_t ahead = (int64_t(play_position) - int64_t(write_position) + kLeadSamples) % kSoundRingSize;
  if (ahead < 0) ahead += kSoundRingSize;
  return static_cast<int>(std::min<int64_t>(ahead, kMaxSamplesPerFrame));
}

void loadEngineSound(EngineSound& s, const std::string& bike_class, const std::string& graphics_name) {
  if (!voice_alive(s)) {
    s.voice = nullptr;
    if (tarn_audio_open()) make_voice(s);
  }
  s.params = engine_class_defaults(bike_class);
  s.description = engine_class_default_name(bike_class);
  for (const std::string& name : braap_file_candidates(graphics_name, bike_class)) {
    if (read_braap_file(name.c_str(), s.params)) {
      s.description = name;
      break;
    }
  }
  synth_reset(s.synth, s.params);
  s.gain = 1;
  if (s.voice) clear_voice(s);
}

void updateEngineSound(EngineSound& s, const EngineSoundInput& in, const SoundListener& listener, double volume) {
  if (!voice_alive(s)) {
    // The driver that made the voice has closed (or none was open at load):
    // a voice on the driver open now takes its place.
    s.voice = nullptr;
    if (!tarn_audio_open()) return;
    make_voice(s);
    if (!s.voice) return;
    clear_voice(s);
  }
  if (s.synth.ring.size() != kSoundRingSize) synth_reset(s.synth, s.params);
  const AudioDriver& audio = tarn_audio();
  const uint32_t from = s.synth.write_position;
  const int count = engine_samples_to_write(audio.position(s.voice), from);
  synthesise(s.synth, s.params, in.rpm, engine_load(s.params, in.torque), count);

  std::array<int8_t, kMaxSamplesPerFrame> bytes;
  for (int k = 0; k < count; ++k) bytes[static_cast<size_t>(k)] = synth_sample_byte(s.synth.ring[(from + k) % kSoundRingSize]);
  audio.write(s.voice, count, bytes.data(), static_cast<int>(from));

  EngineVoiceSettings v = engine_voice_settings(in.position, in.velocity, listener, volume, s.gain);
  audio.set_rate(s.voice, v.rate);
  audio.set_volume(s.voice, v.volume);
  audio.set_pan(s.voice, v.pan);
}

void releaseEngineSound(EngineSound& s) {
  if (voice_alive(s)) tarn_audio().free_voice(s.voice);
  s.voice = nullptr;
}
