// The per-slot history rings: for each of the 160 slots the last 128
// (step, state record) pairs, fed by the recorder, by demo playback and by
// the multiplayer client, and read when ring-driven bikes are posed.
#pragma once
#include <array>

#include "demo/state_record.h"
#include "platform/units.h"

constexpr int kHistoryLength = 128;

struct HistoryEntry {
  int step = -1;  // -1: empty
  StateBytes state{};
};

struct HistoryRing {
  std::array<HistoryEntry, kHistoryLength> entries;
  int newest = 0;   // index of the newest entry
  int pending = 0;  // entries added since the last demo chunk, at most 128
};

struct HistoryRings {
  std::array<HistoryRing, kSlotCount> slots;
};

// Adds a state at a step: entries at later steps are dropped first (with
// the pending ones among them), and a state at the newest step already held
// leaves the ring as it is. False, with a log line, for a slot outside
// 0..159 or a negative step; nothing is stored then.
bool add_state_to_history(HistoryRings& rings, int slot, const StateBytes& state, int step);

// The i-th entry counting back from the newest (0 = newest), or null when
// the ring holds fewer entries.
const HistoryEntry* history_entry_back(const HistoryRing& ring, int i);
int history_count(const HistoryRing& ring);

void clear_history(HistoryRing& ring);
void clear_all_history(HistoryRings& rings);
