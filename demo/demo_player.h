// Playing a ".krdemo" file: the header read at the start, then each step
// the chunks up to 64 steps ahead of the race clock read into the riders'
// history rings; seeking walks the chunks back or forward. A damaged part
// of a file is refused with a message and the demo plays up to it.
#pragma once
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_chunk.h"
#include "demo/demo_header.h"
#include "demo/history_ring.h"
#include "files/file_stream.h"

// Chunks are read while they are at most this far ahead of the clock;
// records of version 4 and 5 files, this many steps ahead.
constexpr int kReadAheadSteps = 64;
constexpr int kReadAheadSteps45 = 8;
constexpr int kChunksPerRead = 128;
// A state whose step is more than this far from its chunk's is damage.
constexpr int kStepWindow = 128 * kStepsPerSecond;
// No step read from a demo lies beyond this (194 days of racing), so the
// race clock never nears overflow.
constexpr int kMaxDemoStep = INT_MAX / 2;

struct DemoPlayer {
  DataFilePtr file;
  std::string file_name;
  DemoHeader header;
  std::vector<int> rider_slots;  // per rider index; kNoSlot until placed
  long header_end = 0;
  // Time trial: the demo is shifted so that its first states fall on the
  // step at which they are read.
  bool time_trial = false;
  bool first_states_read = false;
  int first_step = 0;         // the first states chunk's step, as stored
  long long step_offset = 0;  // added to every step read
  // Version 6: the next chunk starts at `position`; the one before it had
  // `last_length` bytes of payload and step `previous_step` (INT_MIN when
  // not known). `head` holds the next chunk's head once it was read.
  long position = 0;
  uint32_t last_length = 0;
  int previous_step = INT_MIN;
  bool have_head = false;
  ChunkHead head;
  // Versions 4 and 5: the step of the next record set.
  int demo_step = 0;
  // Nothing more is read (the end, or damage) until the next seek.
  bool ended = false;
  bool warned_rider = false;
  std::vector<uint8_t> payload;
};

// Reads the header. free_slots: how many riders the session can take.
// False with a message when the file cannot be opened or its header is
// refused; the player is then closed.
bool open_demo(DemoPlayer& p, const char* path, int free_slots, bool time_trial = false);
void close_demo(DemoPlayer& p);
bool demo_playing(const DemoPlayer& p);
int demo_rider_count(const DemoPlayer& p);
// The record version the bike model decodes: 4 for version 4 files, else 5.
int demo_record_version(const DemoPlayer& p);

// The session places rider `rider` (header order) in `slot`; the stream's
// states for that rider go to that slot's ring. False for a rider or slot
// out of range.
bool set_demo_rider_slot(DemoPlayer& p, int rider, int slot);

// Every step, after recording: fills the rings up to 64 steps (8 for
// version 4 and 5 files) ahead of current_step. The first states chunk of
// a version 6 file sets current_step to its step, or in time trial shifts
// the demo onto current_step.
void read_demo_ahead(DemoPlayer& p, HistoryRings& rings, int& current_step);

// max(current + seconds x 128 - 1, 0), the step a seek goes to.
int demo_seek_target(int current_step, double seconds);
// Jumps to `target` (a race step): stands at the last chunk at least 64
// steps before it (the first chunk when there is none), empties every
// ring, sets current_step to target and reads ahead. False, with a
// message, when the file cannot be repositioned; nothing changes then.
bool seek_demo_to_step(DemoPlayer& p, HistoryRings& rings, int target, int& current_step);
