#include "platform/clock.h"

#include <time.h>

#include <algorithm>
#include <cmath>

namespace {
// Monotonic time in whole milliseconds since boot (the system timer's origin).
uint64_t monotonic_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}
}  // namespace

uint32_t tarn_milliseconds() { return static_cast<uint32_t>(monotonic_ms()); }

void tarn_clock(long* seconds, long* microseconds) {
  uint64_t ms = monotonic_ms();
  *seconds = static_cast<long>(ms / 1000);
  *microseconds = static_cast<long>(ms % 1000) * 1000;
}

double tarn_seconds() { return static_cast<double>(monotonic_ms()) * 0.001; }

void tarn_sleep(double seconds) {
  if (!(seconds > 0)) return;
  // No caller means to sleep longer than this; it also keeps the
  // conversion below defined for absurd values.
  seconds = std::min(seconds, 3600.0);
  timespec ts;
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
  nanosleep(&ts, nullptr);
}
