// The readback driver: no device and no thread; each read back mixes one
// block into memory for the caller to store (the audio recording).
#include <mutex>
#include <new>
#include <vector>

#include "platform/audio.h"
#include "platform/audio_mixer.h"
#include "platform/log.h"

namespace {

struct Readback {
  Mixer* mixer = nullptr;
  int block = 0;
  std::vector<uint8_t> out;
};

Readback g_readback;
std::mutex g_lock;

void readback_lock() { g_lock.lock(); }
void readback_unlock() { g_lock.unlock(); }

void readback_close() {
  tarn_log("Closing audio\n");
  mixer_destroy(g_readback.mixer);
  g_readback = Readback{};
}

int readback_update() { return 1; }

const uint8_t* readback_read_back(size_t* bytes) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    mixer_mix(g_readback.mixer, g_readback.out.data(), g_readback.block);
  }
  if (bytes) *bytes = g_readback.out.size();
  return g_readback.out.data();
}

AudioVoice* readback_new_voice(int count, const int8_t* samples, int rate) {
  return mixer_new_voice(g_readback.mixer, count, samples, rate);
}

AudioVoice* readback_new_stream_voice(int count, int rate) {
  return mixer_new_stream_voice(g_readback.mixer, count, rate);
}

const AudioDriver kReadbackDriver = {
    .name = "readback",
    .close = readback_close,
    .update = readback_update,
    .read_back = readback_read_back,
    .new_voice = readback_new_voice,
    .new_stream_voice = readback_new_stream_voice,
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
    .lock = readback_lock,
    .unlock = readback_unlock,
};

}  // namespace

const AudioDriver* tarn_start_recording_audio(int rate, int block) {
  tarn_log("Opening readback audio...\n");
  if (tarn_audio_open()) {
    tarn_log("Audio already open\n");
    return nullptr;
  }
  if (rate <= 0 || block <= 0) {
    tarn_log("Bad readback rate %d or block %d\n", rate, block);
    tarn_set_last_error("Bad readback rate or block");
    return nullptr;
  }
  MixerSettings s;
  s.output_rate = rate;
  s.channels = 2;
  s.voices_budget = tarn_option_number("sound-channels", 16);
  s.max_block = block;
  s.lock = readback_lock;
  s.unlock = readback_unlock;
  Mixer* mixer = mixer_create(s);
  if (!mixer) {
    tarn_log("Malloc failed\n");
    tarn_set_last_error("Malloc failed");
    return nullptr;
  }
  try {
    g_readback.out.assign(static_cast<size_t>(block) * 2, 128);
  } catch (const std::bad_alloc&) {
    mixer_destroy(mixer);
    tarn_log("Malloc failed\n");
    tarn_set_last_error("Malloc failed");
    return nullptr;
  }
  g_readback.mixer = mixer;
  g_readback.block = block;
  tarn_audio_install(&kReadbackDriver);
  tarn_log("Audio opened!\n");
  return &kReadbackDriver;
}
