// Starting the audio output on the sound card: an SDL audio device whose
// callback runs the software mixer.
#pragma once
#include "platform/audio.h"

// Tries the drivers in order and returns the one that opened, or null (with
// log lines; the program then stays silent). The "dsnd" driver of other
// systems has no counterpart here, so its option only skips it; "waveout"
// (default on) selects the SDL device. Null when a driver is already open.
// Options: "sound-channels" (voices budget, 16), "sound-rate" (Hz, 22050),
// "sound-mixahead" (ms, 125; the device buffer is kept well below the
// engine sound's lead of 0.1 s whatever it says).
const AudioDriver* tarn_start_audio();

// The device buffer in samples for an output rate and a mix-ahead in
// fragments of 1/64 s: a power of two no longer than the mix-ahead and no
// longer than 1/25 s.
int sdl_audio_buffer_samples(int rate, int mixahead_fragments);
// "sound-mixahead" milliseconds as fragments of 1/64 s, clamped to 1..32.
int audio_mixahead_fragments(int milliseconds);
