// Lap arithmetic over the track's gate sequence. The sequence is unrolled
// without end: race gate g is first-lap entry g while g is within the first
// lap, then the normal lap's entries over and over. The last gate of the
// first lap and every normal-lap count of gates after it complete a lap.
#pragma once
#include "race/race_record.h"
#include "track/timing_gates.h"

// A track times races only with checkpoints and both lap sequences.
bool has_timing(const TimingGates& gates);
int first_lap_count(const TimingGates& gates);
int normal_lap_count(const TimingGates& gates);

// The lap reference of race gate g (kMarkedGate + k for a marked gate), its
// checkpoint (an index into gates.checkpoints), and whether it completes a
// lap. Only meaningful with has_timing and g >= 0.
int race_gate_reference(const TimingGates& gates, int g);
const Checkpoint& race_gate_checkpoint(const TimingGates& gates, int g);
bool is_lap_gate(const TimingGates& gates, int g);

// On a gate count p (the race gate to cross next). Both 0 without timing.
int laps_completed(const TimingGates& gates, int p);
// The gate within the current lap, as the sector shown on the HUD.
int gate_in_lap(const TimingGates& gates, int p);
// The race gate that completes lap n (n >= 1).
int finish_gate(const TimingGates& gates, int n);

// The step gate g was crossed at, or kNoStep (missed, negative, not yet).
int gate_step(const BikeTiming& timing, int g);

// Lap n's time in steps: lap 1 from the start, later laps from the previous
// lap's finish. 0 for lap 0, laps not completed, or a missing step. A
// negative n asks for the last completed lap.
int lap_time(const RaceRecord& race, const TimingGates& gates, const BikeTiming& timing, int n);
// The fastest of laps 2 onwards (the first includes the start); the earlier
// lap wins a tie; 0 with fewer than two laps.
int best_lap(const RaceRecord& race, const TimingGates& gates, const BikeTiming& timing);
