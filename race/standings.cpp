#include "race/standings.h"

#include <algorithm>
#include <cmath>

#include "race/gate_crossing.h"
#include "race/laps.h"

namespace {
// With nobody to compare, a cut stretch is expected to take a minute.
constexpr int kNoReference = 60 * kStepsPerSecond;

// The step of the rider's last gate, 0 before any.
int last_gate_step(const BikeTiming& t) {
  const int s = gate_step(t, t.gates_passed - 1);
  return s == kNoStep ? 0 : s;
}

// The rider's time over a..b with every gate of it crossed, or -1.
int stretch_time(const BikeTiming& t, int a, int b) {
  if (b >= t.gates_passed) return -1;  // later steps are left from a step back
  const int begin = a < 0 ? 0 : gate_step(t, a);
  if (begin == kNoStep) return -1;
  for (int g = std::max(a + 1, 0); g <= b; ++g)
    if (gate_step(t, g) == kNoStep) return -1;
  return gate_step(t, b) - begin;
}

// The race ends extra_laps laps after the leader completes the lap during
// which time ran out.
void settle_length(RaceRecord& race, const TimingGates& gates, RaceRiders riders) {
  const int limit_step = race.start_step + race.time_limit_steps;
  const int leader_laps = laps_completed(gates, race.standings[0].gates_passed);
  int n = std::max(1, std::min(leader_laps - 1, race.total_laps));
  for (;;) {
    const int line = finish_gate(gates, n);
    int first = kNoStep;
    for (const RaceRider& r : riders) {
      if (!r.timing) continue;
      const int s = gate_step(*r.timing, line);
      if (s != kNoStep && (first == kNoStep || s < first)) first = s;
    }
    if (first == kNoStep) return;
    if (first < limit_step) {
      race.total_laps = std::max(race.total_laps, n + race.extra_laps + 1);
      ++n;
    } else {
      race.total_laps = std::min(race.total_laps, n + race.extra_laps);
      return;
    }
  }
}

void build_final_standings(RaceRecord& race, const TimingGates& gates, RaceRiders riders) {
  race.final_standings.clear();
  for (const StandingsEntry& e : race.standings) {
    const RaceRider* r = find_rider(riders, e.slot);
    if (!r) continue;
    const CuttingPenalty cut = cutting_penalty(race, gates, riders, *r->timing);
    race.final_standings.push_back({e.slot, cut.gates_passed, e.last_gate_step + cut.penalty});
  }
  std::sort(race.final_standings.begin(), race.final_standings.end(), standings_before);
}
}  // namespace

bool standings_before(const StandingsEntry& a, const StandingsEntry& b) {
  if (a.gates_passed != b.gates_passed) return a.gates_passed > b.gates_passed;
  if (a.last_gate_step != b.last_gate_step) return a.last_gate_step < b.last_gate_step;
  return a.slot < b.slot;
}

bool update_standings(RaceRecord& race, const TimingGates& gates, RaceRiders riders) {
  if (race.results_final || !has_timing(gates)) return false;
  race.standings.clear();
  for (const RaceRider& r : riders) {
    if (!r.timing || race.standings.size() >= static_cast<size_t>(kSlotCount)) continue;
    race.standings.push_back({r.slot, r.timing->gates_passed, last_gate_step(*r.timing)});
  }
  std::sort(race.standings.begin(), race.standings.end(), standings_before);
  if (race.standings.empty()) return false;

  if (race.time_limit_steps > 0) {
    if (race.halfway_lap == kOpenLaps && race.race_step >= race.start_step + race.time_limit_steps / 2)
      race.halfway_lap = laps_completed(gates, race.standings[0].gates_passed) + 1;
    if (race.race_step >= race.start_step + race.time_limit_steps) settle_length(race, gates, riders);
  }

  bool open = false;
  for (const RaceRider& r : riders) {
    if (!r.timing) continue;
    // Every rider is asked, so each one's finish is marked now.
    if (!has_finished(race, gates, riders, *r.timing) && r.counts) open = true;
  }
  if (open) return false;
  build_final_standings(race, gates, riders);
  race.results_final = true;
  return true;
}

int reference_time(const TimingGates& gates, RaceRiders riders, int a, int b) {
  if (!has_timing(gates) || b <= a) return kNoReference;
  const int first = first_lap_count(gates), lap = normal_lap_count(gates);
  double sum = 0;
  int counted = 0;
  for (const RaceRider& r : riders) {
    if (!r.timing || r.spectator) continue;
    double own = 0;
    int laps = 0;
    if (a < first) {
      const int t = stretch_time(*r.timing, a, b);
      if (t >= 0) own = t, laps = 1;
    } else {
      // The same stretch in every lap, from its place in the first normal
      // lap on.
      for (int from = first + (a - first) % lap; from + (b - a) < r.timing->gates_passed; from += lap) {
        const int t = stretch_time(*r.timing, from, from + (b - a));
        if (t >= 0) own += t, ++laps;
      }
    }
    if (laps == 0) continue;
    sum += own / laps;
    ++counted;
  }
  if (counted == 0) return kNoReference;
  return static_cast<int>(std::lround(sum / counted));
}

CuttingPenalty cutting_penalty(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                               const BikeTiming& t) {
  CuttingPenalty cut;
  cut.gates_passed = t.gates_passed;
  if (!has_timing(gates)) return cut;
  int last = 0, missed = 0;
  for (int g = 0; g < t.gates_passed; ++g) {
    const int s = gate_step(t, g);
    if (s == kNoStep) {
      ++missed;
      continue;
    }
    if (missed > 0) {
      // One second of grace over the field's time for the stretch.
      const int expected = reference_time(gates, riders, g - missed - 1, g) + kStepsPerSecond;
      const int actual = s - last;
      if (actual < expected) cut.penalty += expected - actual;
    }
    missed = 0;
    last = s;
  }
  // A penalty longer than the last lap costs whole laps (never the first).
  const int first = first_lap_count(gates), lap = normal_lap_count(gates);
  const int lap_steps = lap_time(race, gates, t, -1);
  if (laps_completed(gates, t.gates_passed) > 1 && lap_steps > 0) {
    while (cut.penalty > lap_steps && cut.gates_passed - lap >= first) {
      cut.gates_passed -= lap;
      cut.penalty -= lap_steps;
    }
  }
  return cut;
}
