// krsim sweep: one bike's engine note through an rpm sweep, rendered with
// the recording driver to a raw audio file.
#include <cstdio>
#include <string>

#include "sound/engine_sweep.h"
#include "tools/krsim/krsim.h"

namespace {

const char kUsage[] =
    "usage: krsim sweep --record-audio FILE [--class CLASS] [--graphics NAME]\n"
    "                   [--from RPM] [--to RPM] [--seconds S] [--load L] [--rate HZ]\n"
    "\n"
    "Runs one engine from --from to --to rpm (2000 to 12000) in S seconds (5) at\n"
    "load L (0..1, default 1) and writes what a player beside the bike hears to\n"
    "FILE: raw 8-bit unsigned stereo at HZ samples a second (88320, the game's\n"
    "--record-audio rate), no header. CLASS is a bike class (450f, 250f, 250,\n"
    "125, 50; default 450f) and picks the engine's description file; NAME is a\n"
    "bike texture whose own \".braap\" file is looked for first.\n"
    "For example: aplay -f U8 -c 2 -r 88320 FILE\n";

}  // namespace

int krsim_sweep(const std::vector<std::string>& args) {
  KrsimArgs a("sweep", kUsage, args);
  EngineSweep sweep;
  std::string file;
  long rate = sweep.rate;
  while (a.next()) {
    if (a.help_asked()) return a.help();
    bool ok = true;
    if (a.is("--record-audio")) ok = a.text(file);
    else if (a.is("--class")) ok = a.text(sweep.bike_class);
    else if (a.is("--graphics")) ok = a.text(sweep.graphics);
    else if (a.is("--from")) ok = a.number(sweep.from_rpm, 0, 30000);
    else if (a.is("--to")) ok = a.number(sweep.to_rpm, 0, 30000);
    else if (a.is("--seconds")) ok = a.number(sweep.seconds, 0.01, 600);
    else if (a.is("--load")) ok = a.number(sweep.load, 0, 1);
    else if (a.is("--rate")) ok = a.integer(rate, 8000, 192000);
    else return a.unknown();
    if (!ok) return 1;
  }
  if (file.empty()) return a.fail("--record-audio FILE is required");
  sweep.rate = static_cast<int>(rate);
  sweep.block = static_cast<int>(rate / 128);
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return a.fail("can't write '%s'", file.c_str());
  std::string error, engine;
  bool ok = render_engine_sweep(sweep, out, &error, &engine);
  if (std::fclose(out) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "krsim sweep: %s\n", error.empty() ? "writing the audio failed" : error.c_str());
    return 1;
  }
  std::printf("%s: %.2f s of %s (%s) from %.0f to %.0f rpm at load %.2f, %d Hz 8-bit stereo\n", file.c_str(),
              sweep.seconds, sweep.bike_class.c_str(), engine.c_str(), sweep.from_rpm, sweep.to_rpm, sweep.load,
              sweep.rate);
  return 0;
}
