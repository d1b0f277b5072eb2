#include "demo/history_ring.h"

#include "platform/log.h"

namespace {
int back_index(const HistoryRing& r, int i) { return ((r.newest - i) % kHistoryLength + kHistoryLength) % kHistoryLength; }
}  // namespace

const HistoryEntry* history_entry_back(const HistoryRing& r, int i) {
  if (i < 0 || i >= kHistoryLength) return nullptr;
  const HistoryEntry& e = r.entries[back_index(r, i)];
  return e.step == -1 ? nullptr : &e;
}

int history_count(const HistoryRing& r) {
  int n = 0;
  while (history_entry_back(r, n)) ++n;
  return n;
}

bool add_state_to_history(HistoryRings& rings, int slot, const StateBytes& state, int step) {
  if (slot < 0 || slot >= kSlotCount) {
    tarn_log("History: no ring for slot %d\n", slot);
    return false;
  }
  if (step < 0) {
    tarn_log("History: slot %d refused a state at step %d\n", slot, step);
    return false;
  }
  HistoryRing& r = rings.slots[slot];
  for (int i = 0; i < kHistoryLength; ++i) {
    HistoryEntry& e = r.entries[r.newest];
    if (e.step == -1 || e.step < step) break;
    if (e.step == step) return true;
    // A later state is superseded; when it had not been written yet it no
    // longer counts as pending.
    e.step = -1;
    if (r.pending > 0) --r.pending;
    r.newest = back_index(r, 1);
  }
  r.newest = (r.newest + 1) % kHistoryLength;
  r.entries[r.newest] = {step, state};
  if (r.pending < kHistoryLength) ++r.pending;
  return true;
}

void clear_history(HistoryRing& r) {
  for (HistoryEntry& e : r.entries) e.step = -1;
  r.newest = 0;
  r.pending = 0;
}

void clear_all_history(HistoryRings& rings) {
  for (HistoryRing& r : rings.slots) clear_history(r);
}
