// Audio output: one driver at a time behind a table of operations, and the
// voices the application plays through it. Voice samples are 8-bit signed
// (0 is silence). While no driver is open the null driver is in place: every
// operation does nothing and no voice is ever made, so callers need no
// checks of their own.
#pragma once
#include <cstddef>
#include <cstdint>

struct AudioVoice;

struct AudioDriver {
  const char* name;
  // Stops the driver's thread and frees every voice still alive.
  void (*close)();
  // Once per frame from the main loop; no driver needs it (returns 1).
  int (*update)();
  // Readback driver: mixes one block and returns its bytes (8-bit unsigned,
  // stereo interleaved). The others return null.
  const uint8_t* (*read_back)(size_t* bytes);

  // A voice from count samples at rate Hz (<= 0 means 22050), converted to
  // the output rate when it is made: it plays at the speed of its data at
  // its initial rate, which is the output rate.
  AudioVoice* (*new_voice)(int count, const int8_t* samples, int rate);
  // A voice whose count samples (all silent) are filled later with write()
  // and kept unconverted, so that positions and writes index the same
  // samples; it plays at rate Hz (the rate the samples are written at).
  AudioVoice* (*new_stream_voice)(int count, int rate);
  // A new voice sharing the same sample data.
  AudioVoice* (*copy_voice)(AudioVoice* voice);
  // Stops it; the sample data goes with its last voice.
  void (*free_voice)(AudioVoice* voice);
  // (Re)starts playback from the beginning.
  void (*start)(AudioVoice* voice);
  // Playback ends at the next mix.
  void (*stop)(AudioVoice* voice);
  // Samples of its data per second; clamped to 1..kAudioMaxRate.
  void (*set_rate)(AudioVoice* voice, int rate);
  void (*set_volume)(AudioVoice* voice, int volume);  // 0..32767, clamped
  // -32768 full left .. 32767 full right, clamped; a mono device keeps
  // every voice full left (on its one channel).
  void (*set_pan)(AudioVoice* voice, int pan);
  void (*set_looping)(AudioVoice* voice, bool looping);
  // The playback position in the sample data while playing, else 0.
  int (*position)(AudioVoice* voice);
  // Copies count samples into the voice's data from position on, wrapping
  // round its end; of more samples than the data holds only the last are
  // kept.
  void (*write)(AudioVoice* voice, int count, const int8_t* samples, int position);

  // The mixer lock. Every voice operation takes it, and the mixing of a
  // block runs under it.
  void (*lock)();
  void (*unlock)();
};

constexpr int kAudioDefaultRate = 22050;
constexpr int kAudioMaxRate = 16000000;

// The open driver, or the null driver.
const AudioDriver& tarn_audio();
bool tarn_audio_open();
// Changes every time a driver opens. A voice belongs to the driver that made
// it: a holder that kept the serial of its voice's driver knows the voice is
// gone when the serial has changed.
int tarn_audio_serial();

// Opens the readback driver: stereo 8-bit unsigned at rate Hz, block samples
// per read back. Null (with a log line) when it cannot open or a driver is
// already open.
const AudioDriver* tarn_start_recording_audio(int rate, int block);
// Closes the open driver; the null driver takes its place. With none open
// it only logs "Can't close audio, not open".
void tarn_stop_audio();

// The sound card's driver, which the display layer provides: starting it
// opens it as the open driver. Without one, starting logs "No sound card"
// and the program stays silent.
void tarn_set_sound_card_starter(const AudioDriver* (*start)());
const AudioDriver* tarn_start_sound_card();

// For drivers: makes d the open driver ("Audio already open" and false when
// one is), and puts the null driver back.
bool tarn_audio_install(const AudioDriver* d);
void tarn_audio_uninstall();
