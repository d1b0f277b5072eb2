// The open audio driver, and the null driver that stands in while none is.
#include "platform/audio.h"

#include "platform/log.h"

namespace {

void null_close() {}
int null_update() { return 1; }
const uint8_t* null_read_back(size_t* bytes) {
  if (bytes) *bytes = 0;
  return nullptr;
}
AudioVoice* null_new_voice(int, const int8_t*, int) { return nullptr; }
AudioVoice* null_new_stream_voice(int, int) { return nullptr; }
AudioVoice* null_copy_voice(AudioVoice*) { return nullptr; }
void null_voice(AudioVoice*) {}
void null_voice_int(AudioVoice*, int) {}
void null_set_looping(AudioVoice*, bool) {}
int null_position(AudioVoice*) { return 0; }
void null_write(AudioVoice*, int, const int8_t*, int) {}
void null_lock() {}

const AudioDriver kNullDriver = {
    .name = "null",
    .close = null_close,
    .update = null_update,
    .read_back = null_read_back,
    .new_voice = null_new_voice,
    .new_stream_voice = null_new_stream_voice,
    .copy_voice = null_copy_voice,
    .free_voice = null_voice,
    .start = null_voice,
    .stop = null_voice,
    .set_rate = null_voice_int,
    .set_volume = null_voice_int,
    .set_pan = null_voice_int,
    .set_looping = null_set_looping,
    .position = null_position,
    .write = null_write,
    .lock = null_lock,
    .unlock = null_lock,
};

const AudioDriver* g_driver = nullptr;
int g_serial = 0;
const AudioDriver* (*g_sound_card)() = nullptr;

}  // namespace

const AudioDriver& tarn_audio() { return g_driver ? *g_driver : kNullDriver; }

bool tarn_audio_open() { return g_driver != nullptr; }

int tarn_audio_serial() { return g_serial; }

bool tarn_audio_install(const AudioDriver* d) {
  if (g_driver) {
    tarn_log("Audio already open\n");
    return false;
  }
  g_driver = d;
  ++g_serial;
  return true;
}

void tarn_audio_uninstall() { g_driver = nullptr; }

void tarn_stop_audio() {
  if (!g_driver) {
    tarn_log("Can't close audio, not open\n");
    return;
  }
  g_driver->close();
  g_driver = nullptr;
}

void tarn_set_sound_card_starter(const AudioDriver* (*start)()) { g_sound_card = start; }

const AudioDriver* tarn_start_sound_card() {
  if (!g_sound_card) {
    tarn_log("No sound card\n");
    return nullptr;
  }
  return g_sound_card();
}
