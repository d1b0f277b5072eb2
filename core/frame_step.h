// One fixed step of the whole simulation, in its fixed order: contacts,
// roost, the world step, ruts, every bike's step, timing, particles, start
// gates, the step count, recording and the time-trial laps.
#pragma once

void frame_step();
