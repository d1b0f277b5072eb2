// Constants shared by every subsystem: the fixed step, the slot count and
// the unit conversions. Lengths are feet, masses slugs, times seconds.
#pragma once

// One simulation step; every simulated quantity advances by this much.
constexpr double kStep = 1.0 / 128;
constexpr int kStepsPerSecond = 128;
// Places of a session; kNoSlot means none.
constexpr int kSlotCount = 160;
constexpr int kNoSlot = 160;
// World y is up; gravity pulls at 32 ft/s^2, so a weight in pounds is the
// mass in slugs times 32.
constexpr double kGravity = 32.0;
constexpr double kPi = 3.14159265358979323846;
// Miles per hour to feet per second.
constexpr double kMphToFeetPerSecond = 22.0 / 15.0;
constexpr double kDegreesToRadians = kPi / 180.0;
