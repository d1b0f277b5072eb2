#include "race/laps.h"

#include <algorithm>

bool has_timing(const TimingGates& gates) {
  return !gates.checkpoints.empty() && !gates.first_lap.empty() && !gates.normal_lap.empty();
}

int first_lap_count(const TimingGates& gates) { return static_cast<int>(gates.first_lap.size()); }

int normal_lap_count(const TimingGates& gates) { return static_cast<int>(gates.normal_lap.size()); }

int race_gate_reference(const TimingGates& gates, int g) {
  const int first = first_lap_count(gates);
  if (g < first) return gates.first_lap[std::max(g, 0)];
  return gates.normal_lap[(g - first) % normal_lap_count(gates)];
}

const Checkpoint& race_gate_checkpoint(const TimingGates& gates, int g) {
  // A hand-built sequence may name gates the list does not have; the
  // reader clamps them the same way.
  const int last = static_cast<int>(gates.checkpoints.size()) - 1;
  const int k = std::clamp(lap_gate(race_gate_reference(gates, g)), 0, last);
  return gates.checkpoints[k];
}

bool is_lap_gate(const TimingGates& gates, int g) {
  if (!has_timing(gates)) return false;
  const int line = first_lap_count(gates) - 1;
  return g >= line && (g - line) % normal_lap_count(gates) == 0;
}

int laps_completed(const TimingGates& gates, int p) {
  if (!has_timing(gates)) return 0;
  const int first = first_lap_count(gates);
  if (p < first) return 0;
  return (p - first) / normal_lap_count(gates) + 1;
}

int gate_in_lap(const TimingGates& gates, int p) {
  if (!has_timing(gates)) return 0;
  const int first = first_lap_count(gates);
  if (p < first) return p;
  return (p - first) % normal_lap_count(gates) + 1;
}

int finish_gate(const TimingGates& gates, int n) {
  return first_lap_count(gates) + (n - 1) * normal_lap_count(gates) - 1;
}

int gate_step(const BikeTiming& timing, int g) {
  if (g < 0 || g >= static_cast<int>(timing.gate_steps.size())) return kNoStep;
  // Any negative step (a received record) reads as missed.
  return timing.gate_steps[g] < 0 ? kNoStep : timing.gate_steps[g];
}

int lap_time(const RaceRecord& race, const TimingGates& gates, const BikeTiming& timing, int n) {
  if (!has_timing(gates)) return 0;
  const int laps = laps_completed(gates, timing.gates_passed);
  if (n < 0) n = laps;
  if (n == 0 || n > laps) return 0;
  const int end = gate_step(timing, finish_gate(gates, n));
  const int begin = n == 1 ? race.start_step : gate_step(timing, finish_gate(gates, n - 1));
  if (end == kNoStep || begin == kNoStep) return 0;
  return end - begin;
}

int best_lap(const RaceRecord& race, const TimingGates& gates, const BikeTiming& timing) {
  const int laps = laps_completed(gates, timing.gates_passed);
  int best = 0, best_time = 0;
  for (int n = 2; n <= laps; ++n) {
    const int t = lap_time(race, gates, timing, n);
    if (t != 0 && (best == 0 || t < best_time)) {
      best = n;
      best_time = t;
    }
  }
  return best;
}
