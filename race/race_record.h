// The race record of a session and the timing fields every bike carries:
// where each rider is in the race, counted in simulation steps.
#pragma once
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/units.h"

// The lap count of a timed race whose length is still open, and the half
// distance before it is known.
constexpr int kOpenLaps = 1000000;
// 5 s of flaggers and robot countdown before the gate drops.
constexpr int kCountdownSteps = 5 * kStepsPerSecond;
// A gate step that is missing: the gate was skipped (or never reached).
constexpr int kNoStep = -1;
// Race gates a bike keeps steps for: some 4000 laps of the longest lap
// sequence, far beyond any race, and a bound on what a gate count can
// make the records grow to.
constexpr int kMaxRaceGates = 1 << 20;

struct StandingsEntry {
  int slot = 0;
  int gates_passed = 0;
  // The step at which race gate gates_passed - 1 was crossed (0 when none).
  // In the final standings: the total time with the cutting penalty, and
  // gates_passed may be reduced by whole laps.
  int last_gate_step = 0;
};

struct RaceRecord {
  int race_step = 0;   // 0 at the session reset, +1 per step
  int start_step = 0;  // the gate drops and race time begins
  int countdown_steps = kCountdownSteps;
  int time_limit_steps = 0;  // 0: a race of laps only
  // Laps after the time limit ("+ %d laps"); for a race of laps, the laps.
  int extra_laps = 0;
  int total_laps = kOpenLaps;
  int halfway_lap = kOpenLaps;
  std::vector<StandingsEntry> standings;        // sorted, one per rider
  std::vector<StandingsEntry> final_standings;  // built once, with penalties
  bool results_final = false;  // from then on the live standings are frozen
};

// The timing fields of one bike (the bike record embeds this).
struct BikeTiming {
  int gates_passed = 0;  // the race gate to cross next
  // Per race gate: the step it was crossed at, or kNoStep when missed. At
  // least gates_passed long unless an allocation failed.
  std::vector<int> gate_steps;
  bool finished = false;
  // Set to 1 by the bike simulation at a crash or reset; the robots' line
  // learning reads it; cleared at every accepted gate crossing.
  int crash_mark = 0;
  // False start (the local rider online): where the frame was placed on the
  // grid, and the penalty steps still to serve.
  double grid_position[3] = {0, 0, 0};
  int false_start_steps = 0;
};

// One occupied slot of the session as the race rules see it. The session
// lists them in slot order; the timing lives in the slot's bike.
struct RaceRider {
  int slot = 0;
  BikeTiming* timing = nullptr;
  // Online only. A rider that does not count keeps no results open: the
  // local rider spectating in warm-up, a remote rider gone quiet.
  bool counts = true;
  // The local rider spectating in warm-up is also left out of reference
  // times.
  bool spectator = false;
};
using RaceRiders = std::span<const RaceRider>;

// The rider of `slot` in the list, or null.
const RaceRider* find_rider(RaceRiders riders, int slot);

// Session reset: clock 0, empty standings, results open. A race of laps
// (time_limit_steps <= 0) runs `laps` laps with half distance at
// (laps + 1) / 2; a timed race's length stays open until its time runs out.
void race_reset(RaceRecord& race, int time_limit_steps, int laps, int start_step);
// A bike at the reset: no gates, not finished, no marks, no penalty.
void timing_reset(BikeTiming& timing);

// Offline gate drop: 13 to 15 s after the reset, drawn from the session's
// generator (one number).
int draw_start_step(std::mt19937& random);

// "%d minutes + %d laps", "%d minutes" or "%d laps".
std::string race_length_text(const RaceRecord& race);

// A step count in seconds.
inline double steps_to_seconds(int steps) { return steps * kStep; }
