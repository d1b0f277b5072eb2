// The sound-card driver: an SDL audio device of 8-bit unsigned samples whose
// callback mixes straight into the device's buffer. SDL holds the device lock
// while it runs the callback, so that lock is the mixer lock: voice
// operations take it and never change a voice in the middle of a mix. The
// callback only mixes: it does not log, allocate or wait on anything else.
#include "platform/sdl/audio_sdl.h"

#include <SDL.h>

#include <algorithm>

#include "platform/audio_mixer.h"
#include "platform/log.h"

namespace {

constexpr int kFragmentsPerSecond = 64;
// The device buffer stays below 1/25 s: the engine sound writes 0.1 s ahead
// of the play position, and one callback must never swallow that lead.
constexpr int kMaxBufferDivisor = 25;
constexpr int kMinBufferSamples = 64;

struct Device {
  SDL_AudioDeviceID id = 0;
  Mixer* mixer = nullptr;
  int channels = 0;
};

Device g_device;

void device_lock() { SDL_LockAudioDevice(g_device.id); }
void device_unlock() { SDL_UnlockAudioDevice(g_device.id); }

void SDLCALL mix_callback(void* /*user*/, Uint8* stream, int length) {
  mixer_mix(g_device.mixer, stream, length / g_device.channels);
}

void device_close() {
  tarn_log("Closing audio\n");
  // Returns once the callback has run for the last time.
  SDL_CloseAudioDevice(g_device.id);
  tarn_log("Audio thread end\n");
  mixer_destroy(g_device.mixer);
  g_device = Device{};
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int device_update() { return 1; }

const uint8_t* device_read_back(size_t* bytes) {
  if (bytes) *bytes = 0;
  return nullptr;
}

AudioVoice* device_new_voice(int count, const int8_t* samples, int rate) {
  return mixer_new_voice(g_device.mixer, count, samples, rate);
}

AudioVoice* device_new_stream_voice(int count, int rate) {
  return mixer_new_stream_voice(g_device.mixer, count, rate);
}

const AudioDriver kDeviceDriver = {
    .name = "waveout",
    .close = device_close,
    .update = device_update,
    .read_back = device_read_back,
    .new_voice = device_new_voice,
    .new_stream_voice = device_new_stream_voice,
    .copy_voice = mixer_copy_voice,
    .free_voice = mixer_free_voice,
    .start = mixer_start,
    .stop = mixer_stop,
    .set_rate = mixer_set_rate,
    .set_volume = mixer_set_volume,
    .set_pan = mixer_set_pan,
    .set_looping = mixer_set_looping,
    .position = mixer_position,
    .write = mixer_write,
    .lock = device_lock,
    .unlock = device_unlock,
};

const AudioDriver* open_device() {
  tarn_log("Opening waveOut audio...\n");
  if (tarn_audio_open()) {
    tarn_log("Audio already open\n");
    return nullptr;
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    tarn_log("No audio device\n");
    tarn_set_last_error("No audio device");
    return nullptr;
  }
  const char* driver = SDL_GetCurrentAudioDriver();
  tarn_log("Found a %s\n", driver ? driver : "sound device");

  int budget = std::max(0, tarn_option_number("sound-channels", 16));
  int rate = tarn_option_number("sound-rate", kAudioDefaultRate);
  if (rate < 4000 || rate > 192000) {
    tarn_log("unrecognized setting for %s\n", "sound-rate");
    rate = kAudioDefaultRate;
  }
  int fragments = audio_mixahead_fragments(tarn_option_number("sound-mixahead", 125));
  tarn_log("Waveout rate: %d\n", rate);
  tarn_log("Waveout channels: %d\n", budget);
  tarn_log("Waveout mixahead: %d\n", fragments * 1000 / kFragmentsPerSecond);

  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_U8;
  want.channels = 2;
  want.samples = static_cast<Uint16>(sdl_audio_buffer_samples(rate, fragments));
  want.callback = mix_callback;
  SDL_AudioSpec have{};
  // The mixer makes exactly the format asked for; SDL converts if the card
  // wants another, except that a mono card gets a mono mix.
  SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (id == 0) {
    tarn_log("Can't open waveOut\n");
    tarn_set_last_error("Can't open waveOut");
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  int channels = have.channels == 1 ? 1 : 2;
  if (have.channels != want.channels && have.channels != 1) {
    // A card of more channels: ask again for plain stereo and let SDL mix
    // it down.
    SDL_CloseAudioDevice(id);
    id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
      tarn_log("Can't open waveOut\n");
      tarn_set_last_error("Can't open waveOut");
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return nullptr;
    }
    channels = 2;
  }
  tarn_log("Audio buffer: %d samples, %d channel%s\n", have.samples, channels, channels == 1 ? "" : "s");

  MixerSettings s;
  s.output_rate = have.freq;
  s.channels = channels;
  s.voices_budget = budget;
  s.max_block = std::max<int>(have.samples, kMinBufferSamples);
  s.lock = device_lock;
  s.unlock = device_unlock;
  Mixer* mixer = mixer_create(s);
  if (!mixer) {
    tarn_log("malloc() failed\n");
    tarn_set_last_error("malloc() failed");
    SDL_CloseAudioDevice(id);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  g_device.id = id;
  g_device.mixer = mixer;
  g_device.channels = channels;
  tarn_audio_install(&kDeviceDriver);
  SDL_PauseAudioDevice(id, 0);
  tarn_log("Audio thread begin\n");
  tarn_log("Audio opened!\n");
  return &kDeviceDriver;
}

}  // namespace

int audio_mixahead_fragments(int milliseconds) {
  return std::clamp(static_cast<int>(int64_t(milliseconds) * kFragmentsPerSecond / 1000), 1, 32);
}

int sdl_audio_buffer_samples(int rate, int mixahead_fragments) {
  int limit = std::min<int64_t>(int64_t(rate) * mixahead_fragments / kFragmentsPerSecond, rate / kMaxBufferDivisor);
  int samples = kMinBufferSamples;
  while (samples * 2 <= limit && samples < 32768) samples *= 2;
  return samples;
}

const AudioDriver* tarn_start_audio() {
  if (tarn_audio_open()) {
    tarn_log("Audio already open\n");
    return nullptr;
  }
  // "dsnd" is tried first elsewhere; there is no such driver here, so it is
  // passed over whatever the option says.
  if (tarn_option_flag("waveout", 1)) return open_device();
  tarn_log("No audio driver enabled\n");
  return nullptr;
}
