// The standings: the live order after every crossing, the length of a timed
// race, and the final standings with the cutting penalty.
#pragma once
#include "race/race_record.h"
#include "track/timing_gates.h"

// More gates first; equal gates: the earlier last gate; then the lower slot.
bool standings_before(const StandingsEntry& a, const StandingsEntry& b);

// Rebuilds the standings from the riders, marks half distance and settles
// the length of a timed race once its time has run out. When every rider
// that counts has finished, builds the final standings and freezes them:
// returns true exactly then (the caller writes the results and records the
// series event). Does nothing once the results are final, or without
// timing.
bool update_standings(RaceRecord& race, const TimingGates& gates, RaceRiders riders);

// The field's mean time in steps from race gate a to race gate b (a < 0
// counts as step 0): each rider's own time over every lap it rode the
// stretch whole, averaged per rider, then over riders. 7680 (60 s) when
// nobody rode it.
int reference_time(const TimingGates& gates, RaceRiders riders, int from_gate, int to_gate);

// The penalty for stretches of missed gates ridden faster than the field's
// mean plus one second, and the gate count left after whole laps are taken
// away for a penalty longer than the last lap.
struct CuttingPenalty {
  int penalty = 0;       // steps still to add to the total
  int gates_passed = 0;  // counted gates
};
CuttingPenalty cutting_penalty(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                               const BikeTiming& timing);
