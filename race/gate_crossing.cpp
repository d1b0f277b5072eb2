#include "race/gate_crossing.h"

#include <algorithm>
#include <new>

#include "race/laps.h"
#include "race/line_learning.h"
#include "race/standings.h"

namespace {
// Race gates tested each step, relative to the next one. The gate just
// crossed (-1) is never tested, so riding back through it changes nothing.
constexpr int kCandidates[] = {-3, -2, 0, 1, 2};
constexpr int kSampleEvery = 32;

bool crossed(const Checkpoint& c, const double wheel[3]) {
  // Only the horizontal distance counts; a wheel in the air is through.
  const double dx = wheel[0] - c.position[0];
  const double dz = wheel[2] - c.position[2];
  const double r = c.radius;
  if (!(r * r >= dx * dx + dz * dz)) return false;
  return dx * c.direction[0] + dz * c.direction[2] >= 0;
}

void record_step(BikeTiming& t, int g, int step) {
  if (g >= kMaxRaceGates) return;
  if (g >= static_cast<int>(t.gate_steps.size())) {
    // Without memory the crossing still counts; the gate reads as missed.
    try {
      t.gate_steps.resize(static_cast<size_t>(g) + 1, kNoStep);
    } catch (const std::bad_alloc&) {
      return;
    }
  }
  t.gate_steps[g] = step;
}
}  // namespace

GateCrossing check_gates(RaceRecord& race, const TimingGates& gates, RaceRiders riders, int slot,
                         const double wheel[3]) {
  GateCrossing result;
  const RaceRider* rider = find_rider(riders, slot);
  if (!rider || !has_timing(gates)) return result;
  BikeTiming& t = *rider->timing;
  if (t.finished) return result;
  const LineLearning& learning = line_learning();
  if (race.race_step % kSampleEvery == 0) learning.record_sample(learning.context, slot);

  bool gap = false;
  for (int i : kCandidates) {
    const int g = t.gates_passed + i;
    if (g < 0) continue;
    const bool recorded = gate_step(t, g) != kNoStep;
    if (!recorded) gap = true;
    if (!crossed(race_gate_checkpoint(gates, g), wheel)) {
      // No gate beyond a finish line that was never crossed is tested.
      if (is_lap_gate(gates, g) && !recorded) break;
      continue;
    }
    if (i < 0 && !gap) continue;

    if (t.crash_mark) learning.spoil_segment(learning.context, slot, t);
    record_step(t, g, race.race_step);
    learning.crossed(learning.context, slot, t, g, t.gates_passed);
    if (i != 0)
      learning.clear_recordings(learning.context, slot);
    else if (race_gate_reference(gates, g) < kMarkedGate)
      learning.learn_at_gate(learning.context, slot, t, g);
    t.gates_passed = g + 1;
    result.gate = g;

    if (is_lap_gate(gates, g)) {
      const bool enough_laps = laps_completed(gates, t.gates_passed) >= race.total_laps;
      const bool flag_fell =
          !race.standings.empty() && race.standings[0].gates_passed > finish_gate(gates, race.total_laps);
      if (enough_laps || flag_fell) {
        t.finished = true;
        result.finished = true;
        learning.finished(learning.context, slot);
      }
    }
    result.results_final = update_standings(race, gates, riders);
    t.crash_mark = 0;
    return result;
  }
  return result;
}

bool has_finished(const RaceRecord& race, const TimingGates& gates, RaceRiders riders, BikeTiming& t) {
  if (t.finished) return true;
  if (!has_timing(gates) || race.standings.empty()) return false;
  const StandingsEntry& lead = race.standings[0];
  const int last_line = race.total_laps > 0 ? finish_gate(gates, race.total_laps) : 0;
  if (lead.gates_passed <= last_line) return false;
  const RaceRider* leader = find_rider(riders, lead.slot);
  if (!leader) return false;
  const int won = gate_step(*leader->timing, last_line);
  if (won == kNoStep) return false;
  const int laps = laps_completed(gates, t.gates_passed);
  const int own = gate_step(t, laps > 0 ? finish_gate(gates, laps) : 0);
  if (own == kNoStep || own < won) return false;
  t.finished = true;
  return true;
}

void reset_gates(BikeTiming& t, int n) {
  n = std::clamp(n, 0, kMaxRaceGates);
  if (n < t.gates_passed) t.finished = false;
  t.gates_passed = n;
  if (t.gate_steps.size() > static_cast<size_t>(n)) t.gate_steps.resize(n);
  t.crash_mark = 0;
}
