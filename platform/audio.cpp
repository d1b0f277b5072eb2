#include "platform/audio.h"

namespace {
bool no() { return false; }
bool no_recording(FILE*, int, int) { return false; }
void nothing() {}
void no_samples(FILE*) {}

const AudioDriver kNull = {
    .name = "null",
    .start = no,
    .start_recording = no_recording,
    .running = no,
    .frame_update = nothing,
    .stop = nothing,
    .append_recorded = no_samples,
};
const AudioDriver* g_driver = &kNull;
}  // namespace

const AudioDriver& null_audio_driver() { return kNull; }
void set_audio_driver(const AudioDriver* driver) { g_driver = driver ? driver : &kNull; }
const AudioDriver& audio_driver() { return *g_driver; }
