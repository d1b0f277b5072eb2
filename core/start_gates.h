// The starting gate: each start position's gate stands tilted up until the
// drop and then falls flat in an eighth of a second, unless a bike leans
// on it.
#pragma once
#include <vector>

struct Track;

// Per start position: 1 standing .. 0 fallen.
struct StartGates {
  std::vector<double> fall;
};

// Every gate standing, at set-up.
void start_gates_raise(StartGates& gates, Track& track);
// One step. touched_step[s] is the step a bike last touched statue s (the
// track object contacts set it); spectator_delay holds the gates a little
// longer for a spectator without a race slot.
void start_gates_step(StartGates& gates, Track& track, const std::vector<int>& touched_step, int step_count,
                      int start_step, int spectator_delay);
