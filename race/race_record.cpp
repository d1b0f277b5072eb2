#include "race/race_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

const RaceRider* find_rider(RaceRiders riders, int slot) {
  for (const RaceRider& r : riders)
    if (r.slot == slot && r.timing) return &r;
  return nullptr;
}

void race_reset(RaceRecord& race, int time_limit_steps, int laps, int start_step) {
  race.race_step = 0;
  race.start_step = start_step;
  race.countdown_steps = kCountdownSteps;
  race.time_limit_steps = time_limit_steps > 0 ? time_limit_steps : 0;
  // A lap count from a menu or a server stays where the lap arithmetic
  // cannot overflow.
  laps = std::clamp(laps, 0, kOpenLaps);
  race.extra_laps = laps;
  race.standings.clear();
  race.final_standings.clear();
  race.results_final = false;
  if (race.time_limit_steps > 0) {
    race.total_laps = kOpenLaps;
    race.halfway_lap = kOpenLaps;
  } else {
    race.total_laps = laps;
    race.halfway_lap = (laps + 1) / 2;
  }
}

void timing_reset(BikeTiming& timing) {
  timing.gates_passed = 0;
  timing.gate_steps.clear();
  timing.finished = false;
  timing.crash_mark = 0;
  timing.false_start_steps = 0;
}

int draw_start_step(std::mt19937& random) {
  const double u = static_cast<double>(random() & 0x7FFFFFFFu) / 2147483648.0;
  return static_cast<int>(std::lround((13 + 2 * u) * kStepsPerSecond));
}

std::string race_length_text(const RaceRecord& race) {
  char text[64];
  if (race.time_limit_steps <= 0) {
    std::snprintf(text, sizeof text, "%d laps", race.extra_laps);
  } else {
    const int minutes = static_cast<int>(std::lround(race.time_limit_steps * kStep / 60));
    if (race.extra_laps > 0)
      std::snprintf(text, sizeof text, "%d minutes + %d laps", minutes, race.extra_laps);
    else
      std::snprintf(text, sizeof text, "%d minutes", minutes);
  }
  return text;
}
