// Recording a race into a ".krdemo" file: the header at the start, then
// every 16 steps one chunk with the states the recorded riders' rings took
// since the last one. Each chunk is written whole and flushed, so a file
// cut off by a crash plays up to its last chunk.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo_header.h"
#include "demo/history_ring.h"
#include "files/file_stream.h"

// States are sampled every 4 steps and written every 16.
constexpr int kStateInterval = 4;
constexpr int kChunkInterval = 16;

struct RecordedRider {
  int slot = kNoSlot;
  RiderDescription description;
  // The rider's current state, encoded. Left empty for a ring-driven rider
  // (a remote one), whose ring already holds what was received.
  std::function<StateBytes()> current_state;
};

struct RecordingStart {
  std::string track;
  int time_limit_steps = 0;
  int extra_laps = 0;
  int start_step = kDefaultDemoStartStep;
  // Time trial records the lap into the track's "lastlap.krdemo" and keeps
  // no backups; otherwise "@demos/default.krdemo" after the backups moved.
  bool time_trial = false;
  int demo_backups = 0;
  // A file of the caller's choice instead (a plain path or an "@" name);
  // no backups are kept then.
  std::string file_name;
  std::vector<RecordedRider> riders;  // any order; recorded in slot order
};

struct DemoRecorder {
  DataFilePtr file;
  std::string file_name;
  uint32_t last_length = 0;          // the previous chunk's payload length
  std::vector<RecordedRider> riders;  // slot order: the index is the rider index
  std::string rename_to;              // set by `namedemo`, applied at the finish
};

// Opens the file and writes the header; a recording still open is finished
// first. False, with a message, when there is nobody to record, a slot is
// out of range or taken twice, or the file cannot be written.
bool start_demo_recording(DemoRecorder& r, RecordingStart start);
bool demo_recording(const DemoRecorder& r);

// Every step, after the step count rose: every 4 steps (or when final)
// the riders' current states enter their rings at `step`; every 16 steps
// (or when final) their pending entries go out as one chunk. A chunk that
// cannot be written stops the recording with a message.
void record_demo_step(DemoRecorder& r, HistoryRings& rings, int step, bool final);
// A text chunk (chat), cut to 1023 characters.
bool record_demo_text(DemoRecorder& r, int step, std::string_view text);

// `namedemo`: the recording is renamed to "@demos/<name>.krdemo" when it
// finishes. False, with a message, for a name that is not a plain file name.
bool name_demo(DemoRecorder& r, const std::string& name);

// Closes the file (call record_demo_step with final first) and applies a
// pending `namedemo` rename to "@demos/default.krdemo".
void finish_demo_recording(DemoRecorder& r);
