// What the gate crossing test tells the robots' line learning. The auto
// pilot installs its operations; until then every operation does nothing.
// Each receives the slot of the bike concerned.
#pragma once
#include "race/race_record.h"

struct LineLearning {
  void* context = nullptr;
  // Every 32 steps for every bike the crossing test runs for (the learning
  // picks the riders whose path it records).
  void (*record_sample)(void* context, int slot);
  // An accepted crossing by a bike whose crash mark is set: the line segment
  // being ridden is spoiled.
  void (*spoil_segment)(void* context, int slot, const BikeTiming& timing);
  // An accepted crossing of exactly the expected gate, a switch point (not
  // a marked gate). gate_steps already holds its step.
  void (*learn_at_gate)(void* context, int slot, const BikeTiming& timing, int gate);
  // An accepted crossing that skipped ahead or stepped back.
  void (*clear_recordings)(void* context, int slot);
  // The bike finished at this crossing (a robot fades out its path).
  void (*finished)(void* context, int slot);
  // Every accepted crossing of race gate `gate`, marked or not, whatever
  // its offset: gate_steps already holds its step and gates_passed is still
  // `expected`, the gate that was due. A learner that judges the crossing
  // itself needs only this one.
  void (*crossed)(void* context, int slot, const BikeTiming& timing, int gate, int expected);
};

// The table that does nothing.
const LineLearning& no_line_learning();
// Installs a table (copied); null puts the one that does nothing back.
void set_line_learning(const LineLearning* operations);
const LineLearning& line_learning();
