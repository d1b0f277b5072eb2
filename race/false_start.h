// The start procedure for the local rider: a foot down until the gate
// drops, and online the false-start penalty for leaving the grid early.
#pragma once
#include "race/race_record.h"

// Inputs the session sets on the bike this step, after the controls and
// before the bike's own step.
struct HeldInputs {
  bool sit_dab = false;  // sit/dab at 1
  // Serving a penalty: front and rear brake 1, sit/dab 1, throttle 0,
  // clutch engagement 0 (lever pulled in), back up 0.
  bool stopped = false;
  int penalty_given = 0;  // a penalty set this step, in steps
};

// At the session set-up: the frame's place on the grid; no penalty.
void false_start_place(BikeTiming& timing, const double frame[3]);

// Once per step for the local rider with its frame's position. Until the
// gate drops sit/dab is held in every race. Online, a frame 3 ft or more
// from its grid place before the drop is held until 15 s after the start
// (the penalty counts down one per step) and "15 second false start
// penalty" is shown.
HeldInputs false_start_step(const RaceRecord& race, BikeTiming& timing, const double frame[3], bool online);
