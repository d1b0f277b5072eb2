// The state of a ring-driven bike at a step, interpolated between the two
// recorded states around it, for the bike model to pose its bodies from.
#pragma once
#include "demo/history_ring.h"
#include "demo/state_record.h"

// How far past the newer state positions are carried on: 64 steps, 0.5 s.
constexpr int kExtrapolationLimit = 64;

struct HistoryPose {
  StateRecord state;    // at the step asked for
  HistoryEntry older;   // the two recorded entries it lies between
  HistoryEntry newer;
  int distance = 1;     // newer.step - older.step; 1 when they are one entry
};

// False when the ring is empty. The two entries: the newest before `step`
// and the one after it; the oldest two when all are at or after `step`; the
// newest two when all are before it; the only one when there is one.
// Positions and the rider offset follow the line through the two states,
// carried on at most 64 steps past the newer one; quaternions are
// normalised linear blends along the shorter arc; the other values are
// blended without going past either state; gear, dab and crash come from
// the older state until the newer one is reached.
bool interpolate_history(const HistoryRing& ring, int step, const StateScale& scale, int version,
                         HistoryPose* out);

// The blend itself, at fraction f of the way from a to b (f > 1 carries
// positions on; everything else stops at b).
StateRecord blend_states(const StateRecord& a, const StateRecord& b, double f);
