// --record-audio for the headless verbs: the readback driver mixes every
// bike's engine note, heard from a watched bike, one block a step.
#pragma once
#include <cstdio>
#include <string>

class AudioRecording {
 public:
  // Opens the file and the readback driver; false when either fails.
  bool open(const std::string& file);
  // After each step: the engines' notes and one block into the file.
  void step(int watched_slot);
  void close();
  ~AudioRecording() { close(); }

 private:
  FILE* file_ = nullptr;
};
