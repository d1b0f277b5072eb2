#include "demo/demo_recorder.h"

#include <algorithm>
#include <array>

#include "demo/demo_chunk.h"
#include "demo/demo_files.h"
#include "platform/log.h"
#include "platform/messages.h"

namespace {

// One chunk, head and payload, in one write, then flushed: a crash leaves
// either the whole chunk on disk or none of it past the last flush.
bool write_chunk(DemoRecorder& r, int step, uint8_t type, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> chunk = encode_chunk(r.last_length, step, type, payload);
  bool ok = write_block(r.file.get(), chunk.data(), chunk.size()) == chunk.size() && flush_data_file(r.file.get()) == 0;
  if (!ok) {
    show_message("Demo recording stopped: cannot write %s\n", r.file_name.c_str());
    r.file.reset();
    return false;
  }
  r.last_length = static_cast<uint32_t>(payload.size());
  return true;
}

}  // namespace

bool demo_recording(const DemoRecorder& r) { return r.file != nullptr; }

bool start_demo_recording(DemoRecorder& r, RecordingStart start) {
  if (demo_recording(r)) finish_demo_recording(r);
  if (start.riders.empty() || start.riders.size() > static_cast<size_t>(kSlotCount)) {
    show_message("Demo not recorded: no riders to record\n");
    return false;
  }
  std::sort(start.riders.begin(), start.riders.end(),
            [](const RecordedRider& a, const RecordedRider& b) { return a.slot < b.slot; });
  for (size_t i = 0; i < start.riders.size(); ++i) {
    int slot = start.riders[i].slot;
    if (slot < 0 || slot >= kSlotCount || (i > 0 && start.riders[i - 1].slot == slot)) {
      show_message("Demo not recorded: bad rider slot %d\n", slot);
      return false;
    }
  }
  std::string name;
  if (!start.file_name.empty()) {
    name = start.file_name;
  } else if (start.time_trial) {
    name = time_trial_demo_name(start.track, kLastLapDemo);
  } else {
    rotate_demo_backups(start.demo_backups);
    name = kDefaultDemo;
  }
  DataFilePtr f(open_data_file(name.c_str(), "wb"));
  if (!f) {
    show_message("Demo not recorded: cannot write %s\n", name.c_str());
    return false;
  }
  DemoHeader h;
  h.track = start.track;
  h.time_limit_steps = start.time_limit_steps;
  h.extra_laps = start.extra_laps;
  h.start_step = start.start_step;
  for (const RecordedRider& rider : start.riders) h.riders.push_back(rider.description);
  std::string text = format_demo_header(h);
  if (write_block(f.get(), text.data(), text.size()) != text.size() || flush_data_file(f.get()) != 0) {
    show_message("Demo not recorded: cannot write %s\n", name.c_str());
    return false;
  }
  r.file = std::move(f);
  r.file_name = name;
  r.last_length = 0;
  r.riders = std::move(start.riders);
  return true;
}

void record_demo_step(DemoRecorder& r, HistoryRings& rings, int step, bool final) {
  if (!demo_recording(r)) return;
  if (step % kStateInterval == 0 || final) {
    for (const RecordedRider& rider : r.riders)
      if (rider.current_state) add_state_to_history(rings, rider.slot, rider.current_state(), step);
  }
  if (step % kChunkInterval != 0 && !final) return;
  std::vector<uint8_t> payload;
  for (size_t i = 0; i < r.riders.size(); ++i) {
    HistoryRing& ring = rings.slots[r.riders[i].slot];
    for (int k = ring.pending - 1; k >= 0; --k)
      if (const HistoryEntry* e = history_entry_back(ring, k))
        append_state_entry(payload, {static_cast<uint8_t>(i), e->step, e->state});
    ring.pending = 0;
  }
  if (!payload.empty()) write_chunk(r, step, kStatesChunk, payload);
}

bool record_demo_text(DemoRecorder& r, int step, std::string_view text) {
  if (!demo_recording(r)) return false;
  text = text.substr(0, kMaxChunkText);
  return write_chunk(r, step, kTextChunk, std::vector<uint8_t>(text.begin(), text.end()));
}

bool name_demo(DemoRecorder& r, const std::string& name) {
  std::string file;
  if (!named_demo_file(name, &file)) {
    show_message("Can't name a demo '%s'\n", clean_description_text(name).c_str());
    return false;
  }
  r.rename_to = file;
  return true;
}

void finish_demo_recording(DemoRecorder& r) {
  r.file.reset();
  r.riders.clear();
  if (r.rename_to.empty()) return;
  if (!rename_data_file(kDefaultDemo, r.rename_to.c_str()))
    show_message("Can't rename %s to %s\n", kDefaultDemo, r.rename_to.c_str());
  r.rename_to.clear();
}
