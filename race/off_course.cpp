#include "race/off_course.h"

#include <algorithm>
#include <cmath>

#include "race/laps.h"

namespace {
bool usable(const OffCourseRule& rule) { return std::isfinite(rule.scale) && std::isfinite(rule.bias_seconds); }

// The step before gate g: the start for the first gate.
int step_before(const RaceRecord& race, const BikeTiming& t, int g) {
  return g == 0 ? race.start_step : gate_step(t, g - 1);
}
}  // namespace

double off_course_bias_steps(const OffCourseRule& rule) { return rule.bias_seconds * kStepsPerSecond; }

bool off_course_due(const RaceRecord& race, const OffCourseRule& rule) {
  return usable(rule) && race.race_step - race.start_step >= off_course_bias_steps(rule);
}

bool is_off_course(const RaceRecord& race, const TimingGates& gates, RaceRiders riders, const BikeTiming& bike,
                   int g, const OffCourseRule& rule) {
  if (!has_timing(gates) || g < 0 || !usable(rule)) return false;

  int from = race.start_step;
  for (int k = g - 1; k >= std::max(g - 3, 0); --k)
    if (gate_step(bike, k) != kNoStep) {
      from = gate_step(bike, k);
      break;
    }
  int to = race.race_step;
  for (int k = g; k < static_cast<int>(bike.gate_steps.size()); ++k)
    if (bike.gate_steps[k] != kNoStep) {
      to = bike.gate_steps[k];
      break;
    }

  for (const StandingsEntry& e : race.standings) {
    if (e.gates_passed <= g) continue;
    const RaceRider* leader = find_rider(riders, e.slot);
    if (!leader) continue;
    const int before = step_before(race, *leader->timing, g), at = gate_step(*leader->timing, g);
    if (before == kNoStep || at == kNoStep) continue;
    const double leader_time = at - before;
    return to - from >= leader_time * rule.scale + off_course_bias_steps(rule);
  }
  return false;
}
