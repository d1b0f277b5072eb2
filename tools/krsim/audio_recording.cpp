#include "tools/krsim/audio_recording.h"

#include "core/session.h"
#include "core/session_sound.h"
#include "platform/audio.h"

namespace {
constexpr int kRate = 88320;
constexpr int kBlock = 690;  // one step at that rate
}  // namespace

bool AudioRecording::open(const std::string& file) {
  file_ = std::fopen(file.c_str(), "wb");
  if (!file_) return false;
  if (!tarn_start_recording_audio(kRate, kBlock)) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  // The voices are made when a driver is open: load them again now.
  for (int slot = 0; slot < kSlotCount; ++slot)
    if (const Bike* b = slot_bike(slot)) load_slot_sound(slot, *b);
  return true;
}

void AudioRecording::step(int watched_slot) {
  if (!file_) return;
  listen_at_bike(watched_slot);
  for (int slot = 0; slot < kSlotCount; ++slot)
    if (slot_has_bike(slot)) update_slot_sound(slot, slot == watched_slot ? 1.0 : 0.8);
  tarn_audio().update();
  size_t bytes = 0;
  if (const uint8_t* samples = tarn_audio().read_back(&bytes)) std::fwrite(samples, 1, bytes, file_);
}

void AudioRecording::close() {
  if (!file_) return;
  release_slot_sounds();
  tarn_stop_audio();
  std::fclose(file_);
  file_ = nullptr;
}
