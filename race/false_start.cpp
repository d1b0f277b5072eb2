#include "race/false_start.h"

#include "platform/messages.h"

namespace {
// Leaving the grid by 3 ft is a false start.
constexpr double kGridToleranceSquared = 9;
// The penalty holds the rider until this long after the start.
constexpr int kHeldAfterStart = 15 * kStepsPerSecond;
}  // namespace

void false_start_place(BikeTiming& t, const double frame[3]) {
  for (int k = 0; k < 3; ++k) t.grid_position[k] = frame[k];
  t.false_start_steps = 0;
}

HeldInputs false_start_step(const RaceRecord& race, BikeTiming& t, const double frame[3], bool online) {
  HeldInputs held;
  if (race.race_step <= race.start_step) {
    held.sit_dab = true;
    if (online && t.false_start_steps == 0) {
      double moved = 0;
      for (int k = 0; k < 3; ++k) moved += (frame[k] - t.grid_position[k]) * (frame[k] - t.grid_position[k]);
      if (moved >= kGridToleranceSquared) {
        t.false_start_steps = race.start_step + kHeldAfterStart - race.race_step;
        held.penalty_given = t.false_start_steps;
        show_message("15 second false start penalty");
      }
    }
  }
  if (t.false_start_steps > 0) {
    held.sit_dab = true;
    held.stopped = true;
    --t.false_start_steps;
  }
  return held;
}
