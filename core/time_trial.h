// The time trial: the player laps alone against the ghost of his fastest
// lap. Every lap runs from the lap line round to it again; the lap just
// ridden is recorded, becomes the ghost when it beat the old one, and the
// ghost rides the next lap with the player.
#pragma once

struct Session;

// Before the bikes move: the laps the player and the ghost have completed.
void time_trial_before_step(Session& s);
// After the step: a lap finished by the ghost or the player.
void time_trial_after_step(Session& s);
// The lap time of a rider from the lap line round to it, in steps; 0 when
// a gate of it was missed.
int time_trial_lap_time(const Session& s, int slot);
