// Starting gate slots, timing gates (checkpoints) and the lap sequences.
#pragma once
#include <string>
#include <vector>

struct Track;

struct Checkpoint {
  float position[3] = {0, 0, 0};   // the gate's centre
  float direction[3] = {0, 0, 0};  // of travel through the gate
  float radius = 0;                // horizontal capture radius
};

struct StartSlot {
  float position[3] = {0, 0, 0};
  float angle = 0;
  int statue = -1;  // the statue that draws this slot's gate
};

constexpr int kMaxStartSlots = 160;
constexpr int kMaxCheckpoints = 256;
constexpr int kMaxLapGates = 256;
// A lap reference of kMarkedGate + k is checkpoint k, marked as not being a
// switch point for the robots' lines.
constexpr int kMarkedGate = 100000;

struct TimingGates {
  std::vector<StartSlot> start_slots;
  std::vector<Checkpoint> checkpoints;
  std::vector<int> first_lap;  // references
  std::vector<int> normal_lap;
  int first_lap_real = 0;  // references below kMarkedGate
  int normal_lap_real = 0;
};

// The checkpoint a lap reference names (the mark removed).
inline int lap_gate(int reference) { return reference % kMarkedGate; }
// A read reference made valid for `checkpoints` gates (at least one).
int lap_reference_normalise(int reference, int checkpoints);
// Wraps an angle outside -pi..pi into it.
float wrap_angle(float angle);

// Reads "timing_gates": starting gate slots (each with its gate statue),
// checkpoints and the two lap sequences. A gate set without checkpoints, or
// with a sequence that is empty or names no unmarked gate, is dropped
// whole; the starting gates stay.
void timing_gates_read(Track& track, const char* path);
// Shows "Can't open 'timing_gates'" and returns false on failure.
bool timing_gates_write(const Track& track, const char* path);
