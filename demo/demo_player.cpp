#include "demo/demo_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/log.h"
#include "platform/messages.h"

namespace {

// Stops reading: the file is played as far as it is sound.
void refuse(DemoPlayer& p, const char* why) {
  show_message("Demo %s: %s; played up to there\n", p.file_name.c_str(), why);
  p.ended = true;
}

bool fits_step(long long s) { return s >= 0 && s <= kMaxDemoStep; }

// The next chunk's head, read once and kept until the chunk is taken.
bool peek_head(DemoPlayer& p) {
  if (p.have_head) return true;
  uint8_t b[kChunkHeadSize];
  size_t n = read_block(p.file.get(), b, sizeof b);
  if (n == 0) {
    tarn_log("Demo %s: end of the recording\n", p.file_name.c_str());
    p.ended = true;
    return false;
  }
  if (n < sizeof b) {
    refuse(p, "the file ends inside a chunk");
    return false;
  }
  ChunkHead h = decode_chunk_head(b, p.last_length);
  if (h.length > kMaxChunkPayload) {
    refuse(p, "a chunk is longer than any recording holds");
    return false;
  }
  // A recording's chunks never go back in time, and its clock stays far
  // from overflowing.
  if (h.step < 0 || h.step > kMaxDemoStep || (p.previous_step != INT_MIN && h.step < p.previous_step) ||
      !fits_step(h.step + p.step_offset)) {
    refuse(p, "a chunk's step is far outside the recording");
    return false;
  }
  p.head = h;
  p.have_head = true;
  return true;
}

// The entries of a states chunk into the rings; the chunk is refused when
// any of its steps is far from the chunk's own.
void take_states(DemoPlayer& p, HistoryRings& rings, int& current_step) {
  const ChunkHead& h = p.head;
  if (h.length % kStateEntrySize != 0) {
    tarn_log("Demo %s: skipped a states chunk of %u bytes\n", p.file_name.c_str(), h.length);
    return;
  }
  size_t count = h.length / kStateEntrySize;
  for (size_t i = 0; i < count; ++i) {
    StateEntry e = decode_state_entry(p.payload.data() + i * kStateEntrySize);
    if (std::llabs(static_cast<long long>(e.step) - h.step) > kStepWindow) {
      refuse(p, "a state's step is far from its chunk's");
      return;
    }
  }
  if (!p.first_states_read) {
    p.first_states_read = true;
    p.first_step = h.step;
    if (p.time_trial) {
      p.step_offset = static_cast<long long>(current_step) - h.step;
    } else {
      p.step_offset = 0;
      current_step = h.step;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    StateEntry e = decode_state_entry(p.payload.data() + i * kStateEntrySize);
    if (e.rider >= p.rider_slots.size()) {
      if (!p.warned_rider)
        show_message("Demo %s: states for rider %d of %d skipped\n", p.file_name.c_str(), e.rider + 1,
                     demo_rider_count(p));
      p.warned_rider = true;
      continue;
    }
    int slot = p.rider_slots[e.rider];
    long long at = e.step + p.step_offset;
    if (slot != kNoSlot && fits_step(at)) add_state_to_history(rings, slot, e.state, static_cast<int>(at));
  }
}

void take_text(DemoPlayer& p) {
  if (p.head.length == 0) return;
  size_t n = std::min<size_t>(p.head.length, kMaxChunkText);
  const char* text = reinterpret_cast<const char*>(p.payload.data());
  n = strnlen(text, n);
  show_message("%.*s", static_cast<int>(n), text);
}

void read_chunks(DemoPlayer& p, HistoryRings& rings, int& current_step) {
  for (int i = 0; i < kChunksPerRead && !p.ended; ++i) {
    if (!peek_head(p)) return;
    // Before the first states the demo has no clock yet: read on to them.
    if (p.first_states_read && p.head.step + p.step_offset > static_cast<long long>(current_step) + kReadAheadSteps)
      return;
    p.payload.resize(p.head.length);
    if (p.head.length > 0 && read_block(p.file.get(), p.payload.data(), p.head.length) != p.head.length) {
      refuse(p, "the file ends inside a chunk");
      return;
    }
    if (p.head.type == kStatesChunk) {
      take_states(p, rings, current_step);
      if (p.ended) return;
    } else if (p.head.type == kTextChunk) {
      take_text(p);
    }
    p.position += kChunkHeadSize + static_cast<long>(p.head.length);
    p.last_length = p.head.length;
    p.previous_step = p.head.step;
    p.have_head = false;
  }
}

// Versions 4 and 5: one record per rider for every step, no steps stored.
void read_record_sets(DemoPlayer& p, HistoryRings& rings, int current_step) {
  const int size = state_record_size(p.header.version);
  if (!p.first_states_read) {
    p.first_states_read = true;
    p.step_offset = p.time_trial ? current_step : 0;
  }
  // Catching up from far behind is spread over several steps.
  for (int sets = 0; sets < 2 * kStepsPerSecond && !p.ended; ++sets) {
    long long at = p.demo_step + p.step_offset;
    if (at > static_cast<long long>(current_step) + kReadAheadSteps45) return;
    if (!fits_step(at) || p.demo_step == INT_MAX) {
      p.ended = true;
      return;
    }
    for (int rider = 0; rider < demo_rider_count(p); ++rider) {
      StateBytes b{};
      if (read_block(p.file.get(), b.data(), size) != static_cast<size_t>(size)) {
        // The riders left have no state for this step.
        tarn_log("Demo %s: end of the recording\n", p.file_name.c_str());
        p.ended = true;
        return;
      }
      int slot = p.rider_slots[rider];
      if (slot != kNoSlot) add_state_to_history(rings, slot, b, static_cast<int>(at));
    }
    ++p.demo_step;
  }
}

bool read_head_at(DemoPlayer& p, long at, uint8_t b[kChunkHeadSize]) {
  return seek_data_file(p.file.get(), at) && read_block(p.file.get(), b, kChunkHeadSize) == kChunkHeadSize;
}

// Walks back from the current position to the nearest chunk whose step is
// at most target, or to the first chunk. False when the walk does not
// land on the header's end.
bool walk_back(DemoPlayer& p, long long target) {
  long pos = p.position;
  uint32_t len = p.last_length;
  int later_step = INT_MAX;
  while (pos > p.header_end) {
    long prev = pos - (static_cast<long>(len) + kChunkHeadSize);
    uint8_t b[kChunkHeadSize];
    if (prev < p.header_end || !read_head_at(p, prev, b)) return false;
    uint32_t before = read_u32_le(b) ^ len;
    int32_t step = static_cast<int32_t>(read_u32_le(b + 4));
    if (before > kMaxChunkPayload || step > later_step) return false;
    pos = prev;
    len = before;
    later_step = step;
    if (step <= target) break;
  }
  if (pos == p.header_end && len != 0) return false;
  p.position = pos;
  p.last_length = len;
  return true;
}

// Walks forward over the chunks whose steps are at most target and stands
// at the last of them (stays when the next chunk is already later).
void walk_forward(DemoPlayer& p, long long target) {
  long pos = p.position;
  uint32_t len = p.last_length;
  for (;;) {
    uint8_t b[kChunkHeadSize];
    if (!read_head_at(p, pos, b)) return;
    ChunkHead h = decode_chunk_head(b, len);
    if (h.length > kMaxChunkPayload || h.step > target) return;
    p.position = pos;
    p.last_length = len;
    pos += kChunkHeadSize + static_cast<long>(h.length);
    len = h.length;
  }
}

}  // namespace

bool demo_playing(const DemoPlayer& p) { return p.file != nullptr; }
int demo_rider_count(const DemoPlayer& p) { return static_cast<int>(p.header.riders.size()); }
int demo_record_version(const DemoPlayer& p) { return p.header.version == 4 ? 4 : 5; }

void close_demo(DemoPlayer& p) { p = DemoPlayer{}; }

bool open_demo(DemoPlayer& p, const char* path, int free_slots, bool time_trial) {
  close_demo(p);
  DataFilePtr f(open_data_file(path, "rb"));
  if (!f) {
    show_message("Can't open demo %s\n", path);
    return false;
  }
  std::string error;
  if (!read_demo_header(f.get(), free_slots, &p.header, &error)) {
    show_message("Can't play demo %s: %s\n", path, error.c_str());
    close_demo(p);
    return false;
  }
  p.header_end = data_file_position(f.get());
  p.position = p.header_end;
  p.file = std::move(f);
  p.file_name = path;
  p.time_trial = time_trial;
  p.rider_slots.assign(p.header.riders.size(), kNoSlot);
  return true;
}

bool set_demo_rider_slot(DemoPlayer& p, int rider, int slot) {
  if (rider < 0 || rider >= demo_rider_count(p) || slot < 0 || slot >= kSlotCount) return false;
  p.rider_slots[rider] = slot;
  return true;
}

void read_demo_ahead(DemoPlayer& p, HistoryRings& rings, int& current_step) {
  if (!demo_playing(p) || p.ended) return;
  if (p.header.version == 6) {
    read_chunks(p, rings, current_step);
  } else {
    read_record_sets(p, rings, current_step);
  }
}

int demo_seek_target(int current_step, double seconds) {
  double c = static_cast<double>(current_step) + seconds * kStepsPerSecond - 1;
  if (!(c > 0)) return 0;
  return c >= INT_MAX ? INT_MAX : static_cast<int>(c);
}

bool seek_demo_to_step(DemoPlayer& p, HistoryRings& rings, int target, int& current_step) {
  if (!demo_playing(p)) return false;
  target = std::max(target, 0);
  long long file_target = target - p.step_offset;
  if (p.header.version == 6) {
    // A stream that cannot seek (a compressed one) stays where it is.
    if (!seek_data_file(p.file.get(), p.position + (p.have_head ? kChunkHeadSize : 0))) {
      show_message("Can't seek in demo %s\n", p.file_name.c_str());
      return false;
    }
    if (!walk_back(p, file_target - kReadAheadSteps)) {
      show_message("Demo %s: the chunks do not lead back to the header; searching from the start\n",
                   p.file_name.c_str());
      p.position = p.header_end;
      p.last_length = 0;
    }
    walk_forward(p, file_target - kReadAheadSteps);
    seek_data_file(p.file.get(), p.position);
    p.previous_step = INT_MIN;
    p.have_head = false;
  } else {
    long long set = std::max(file_target, 0LL);
    long long set_size = static_cast<long long>(demo_rider_count(p)) * state_record_size(p.header.version);
    long long at = p.header_end + set * set_size;
    if (set > INT_MAX || at > LONG_MAX / 2 || !seek_data_file(p.file.get(), static_cast<long>(at))) {
      show_message("Can't seek in demo %s\n", p.file_name.c_str());
      return false;
    }
    p.demo_step = static_cast<int>(set);
  }
  p.ended = false;
  clear_all_history(rings);
  current_step = target;
  read_demo_ahead(p, rings, current_step);
  return true;
}
