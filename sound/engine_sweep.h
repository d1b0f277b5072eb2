// Renders one engine running through an rpm sweep to raw audio with the
// readback driver, the way a recorded race is rendered: per step of 1/128 s
// one frame of engine sound, then one block read back and stored.
#pragma once
#include <cstdio>
#include <string>

struct EngineSweep {
  std::string bike_class = "450f";
  std::string graphics;  // the bike's texture name; empty: the class file
  double from_rpm = 2000;
  double to_rpm = 12000;
  double seconds = 5;
  double load = 1;    // 0..1, turned into a torque between the block's bounds
  int rate = 88320;   // output samples per second
  int block = 690;    // samples per step
};

// Writes raw 8-bit unsigned stereo samples to out. False with a reason
// when the readback driver cannot open (another driver is open) or the file
// cannot be written. Leaves no driver open.
// description, when given, receives the ".braap" file or built-in block used.
bool render_engine_sweep(const EngineSweep& sweep, FILE* out, std::string* error, std::string* description = nullptr);
