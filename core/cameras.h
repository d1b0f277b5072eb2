// The cameras the main loop drives while the player only watches: the orbit
// camera around the watched bike and the track cameras.
#pragma once
#include "bike/rider_input.h"

// Per step, with the nine action sums of the controls.
void orbit_camera_step(const double sums[kActionCount]);
void track_camera_step(const double sums[kActionCount]);
int track_camera_count();
