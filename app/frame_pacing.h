// How much simulated time a frame advances: the frame-time histogram, the
// locked frame rate, warp, the 0.125 s cap, and following a server's clock.
#pragma once
#include "app/app_state.h"

// The clock the pacing reads and sleeps on; the game uses the platform
// clock, tests a scripted one.
struct PacingClock {
  double (*now)(void* context);
  void (*sleep)(void* context, double seconds);
  void* context;
};
const PacingClock& platform_pacing_clock();

struct PacingSettings {
  bool connected = false;
  double lock_fps = 0;  // 0: off
  bool warp = false;
};

// Counter for a frame of this duration: the smallest k in 0..6 with
// duration < step * 2^k, else 7.
int histogram_bucket(double seconds);

// Measures the real time since the previous frame and returns the frame
// advance w; counts the frame once in the histogram, sleeps rather than
// spins when less than a step has passed, and records the extremes of w.
double pace_frame(FrameTimes& times, const PacingSettings& settings, const PacingClock& clock);

// Scales a frame advance so that the local step count follows the
// server's: faster when behind (more so before the start), slower when
// ahead.
double follow_server(double advance, int server_step, int local_step, int start_step);
