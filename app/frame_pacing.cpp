#include "app/frame_pacing.h"

#include <algorithm>

#include "platform/clock.h"

namespace {
double platform_now(void*) { return tarn_seconds(); }
void platform_sleep(void*, double seconds) { tarn_sleep(seconds); }
constexpr double kMaxAdvance = 0.125;
constexpr double kWarpSteps = 100;
}  // namespace

const PacingClock& platform_pacing_clock() {
  static const PacingClock clock = {platform_now, platform_sleep, nullptr};
  return clock;
}

int histogram_bucket(double seconds) {
  double limit = kStep;
  for (int k = 0; k <= 6; ++k, limit *= 2) {
    if (seconds < limit) return k;
  }
  return 7;
}

double pace_frame(FrameTimes& times, const PacingSettings& settings, const PacingClock& clock) {
  bool counted = false;
  for (;;) {
    double now = clock.now(clock.context);
    double elapsed = now - times.previous;
    if (!counted) {
      times.histogram[histogram_bucket(elapsed)]++;
      counted = true;
    }
    double advance;
    if (!settings.connected && settings.lock_fps > 0) {
      double frame = 1.0 / settings.lock_fps;
      if (elapsed < frame) {
        clock.sleep(clock.context, frame - elapsed);
        now = clock.now(clock.context);
      }
      advance = frame;
    } else if (!settings.connected && settings.warp) {
      advance = kWarpSteps * kStep;
    } else if (elapsed >= kStep) {
      advance = std::min(elapsed, kMaxAdvance);
    } else {
      // Never more than one step: a clock that stepped back must not put
      // the game to sleep for long.
      clock.sleep(clock.context, std::min(kStep - elapsed, kStep));
      continue;
    }
    times.previous = now;
    times.shortest = std::min(times.shortest, advance);
    times.longest = std::max(times.longest, advance);
    return advance;
  }
}

double follow_server(double advance, int server_step, int local_step, int start_step) {
  double gap = (static_cast<double>(server_step) - local_step - 1) * kStep;
  if (gap >= 0) {
    if (local_step >= start_step) return advance * (1 + std::clamp(8 * gap, 0.0, 1.0) * 0.125);
    return advance * (1 + 3 * std::min(gap, 1.0));
  }
  return advance * (0.5 + 0.5 * std::clamp(gap + 1, 0.0, 1.0));
}
