// The monotonic millisecond clock and sleeping.
#pragma once
#include <cstdint>

// Milliseconds since the clock's origin (the system's monotonic clock).
uint32_t tarn_milliseconds();
// Seconds and microseconds of the same clock, millisecond resolution.
void tarn_clock(long* seconds, long* microseconds);
// The clock in seconds as a double.
double tarn_seconds();
void tarn_sleep(double seconds);
