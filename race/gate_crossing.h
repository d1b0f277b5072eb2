// The per-step gate crossing test, the finishing rule and putting a bike
// back to a gate count.
#pragma once
#include "race/race_record.h"
#include "track/timing_gates.h"

// What one crossing test did.
struct GateCrossing {
  int gate = -1;          // the race gate accepted this step, or -1
  bool finished = false;  // the bike finished with it
  // The results became final with it: write "results.txt" (write_results)
  // and record the points-series event.
  bool results_final = false;
};

// Runs once per step for the bike of `slot` (one of `riders`) with its
// front wheel at `wheel`. Tested in order are the race gates 3 and 2 behind
// the next one, the next one and the two after it. A gate behind counts
// only after a gap (a gate without a step); an uncrossed finish line that
// was never crossed ends the search. An accepted crossing records the
// step, moves the gate count past it, may finish the bike, feeds the line
// learning and re-sorts the standings. Nothing happens without timing or
// for a finished bike.
GateCrossing check_gates(RaceRecord& race, const TimingGates& gates, RaceRiders riders, int slot,
                         const double wheel[3]);

// True once the bike has finished; otherwise it finishes (and the flag is
// set) when the leader has crossed the final finish line and the bike's own
// last lap line came no earlier than that.
bool has_finished(const RaceRecord& race, const TimingGates& gates, RaceRiders riders, BikeTiming& timing);

// Puts the bike at gate count n (clamped to 0..kMaxRaceGates), forgetting
// the steps of gates from n on; a lower count takes the finish back.
// Clears the crash mark.
void reset_gates(BikeTiming& timing, int n);
