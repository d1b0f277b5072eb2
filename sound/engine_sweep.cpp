#include "sound/engine_sweep.h"

#include <cmath>

#include "platform/audio.h"
#include "platform/units.h"
#include "sound/engine_sound.h"

bool render_engine_sweep(const EngineSweep& sweep, FILE* out, std::string* error, std::string* description) {
  if (!tarn_start_recording_audio(sweep.rate, sweep.block)) {
    if (error) *error = "the readback audio driver did not open (see the log)";
    return false;
  }
  EngineSound sound;
  loadEngineSound(sound, sweep.bike_class, sweep.graphics);
  if (description) *description = sound.description;
  const EngineParams& p = sound.params;
  const double torque = p.low_torque + sweep.load * (double(p.high_torque) - p.low_torque);
  // The listener rides with the bike, as a headless run has it.
  SoundListener listener;
  EngineSoundInput input;
  input.torque = torque;
  const long steps = std::lround(sweep.seconds * kStepsPerSecond);
  bool ok = true;
  for (long step = 0; step < steps && ok; ++step) {
    double t = steps > 1 ? double(step) / double(steps - 1) : 0.0;
    input.rpm = sweep.from_rpm + t * (sweep.to_rpm - sweep.from_rpm);
    updateEngineSound(sound, input, listener, 1.0);
    size_t bytes = 0;
    const uint8_t* block = tarn_audio().read_back(&bytes);
    if (std::fwrite(block, 1, bytes, out) != bytes) ok = false;
  }
  if (std::fflush(out) != 0) ok = false;
  if (!ok && error) *error = "writing the audio failed";
  releaseEngineSound(sound);
  tarn_stop_audio();
  return ok;
}
