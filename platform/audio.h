// Audio output as a table of operations. The null driver is silent; the
// recording driver mixes on demand into a file (--record-audio); the SDL
// layer installs the sound card's driver at start-up.
#pragma once
#include <cstdio>

struct AudioDriver {
  const char* name;
  bool (*start)();
  // Mixes block_samples samples a step into file at rate.
  bool (*start_recording)(FILE* file, int rate, int block_samples);
  bool (*running)();
  // Once per frame, after the engine sounds were updated.
  void (*frame_update)();
  void (*stop)();
  // Writes the samples the recording driver mixed for the last step.
  void (*append_recorded)(FILE* file);
};

const AudioDriver& null_audio_driver();
void set_audio_driver(const AudioDriver* driver);
const AudioDriver& audio_driver();
