// Engine sound descriptions: a ".braap" file per bike class and two sound
// tables (four-stroke and two-stroke) with their recorded firings.
//
// A recording holds a few firings one after the other, each as long as one
// firing period at its row's rpm, so that it plays at its own speed there.
// A four-stroke firing is a low, round exhaust thump with some bark on top;
// a two-stroke one is a short crack that sets the expansion chamber
// ringing. Load 1 is the engine pulling (loud, full); load 0 the engine on a
// closed throttle (quiet, popping).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tools/datagen/datagen.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;
constexpr int kEventsPerRecording = 3;

struct Resonance {
  double frequency;  // Hz
  double amplitude;
  double decay;      // per firing period, as exp(-decay * x)
};

struct Firing {
  std::vector<Resonance> resonances;
  double noise;        // amplitude of the combustion noise
  double noise_decay;  // per firing period
  double level;        // overall
};

// Deterministic noise in -1..1 that does not hang on the library's
// distribution code (which may differ between standard libraries).
double noise(std::mt19937& rng) { return double(rng()) / 2147483647.5 - 1.0; }

// One firing of period samples.
void add_firing(std::vector<int16_t>& out, int period, const Firing& f, std::mt19937& rng) {
  // Each firing of a recording differs a little, as real ones do, but not
  // so much that the note loses its pitch.
  double jitter = 1 + 0.02 * noise(rng);
  double phase = 0.15 * noise(rng);
  const int attack = std::max(2, period / 50);
  const int release = std::max(4, period / 12);
  for (int i = 0; i < period; ++i) {
    double t = double(i) / kRate, x = double(i) / period;
    double s = 0;
    for (const Resonance& r : f.resonances)
      s += r.amplitude * std::exp(-r.decay * x) * std::sin(2 * kPi * r.frequency * jitter * t + phase);
    s += f.noise * std::exp(-f.noise_decay * x) * noise(rng);
    // Fade in and out so that one firing joins the next without a click.
    double envelope = 1;
    if (i < attack) envelope = 0.5 - 0.5 * std::cos(kPi * i / attack);
    if (i >= period - release) envelope *= 0.5 + 0.5 * std::cos(kPi * (i - (period - release)) / release);
    double v = std::clamp(f.level * envelope * s, -1.0, 1.0);
    out.push_back(static_cast<int16_t>(std::lround(v * 32767)));
  }
}

std::string raw_bytes(const std::vector<int16_t>& samples) {
  std::string bytes;
  bytes.reserve(samples.size() * 2);
  for (int16_t s : samples) {
    auto u = static_cast<uint16_t>(s);
    bytes.push_back(static_cast<char>(u & 0xff));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

Firing four_stroke_firing(double rpm, int load) {
  // Higher revs: the thump tightens and the bark comes forward.
  double rise = rpm / 13000;
  Firing f;
  f.resonances = {{95 + 40 * rise, 0.70, 4.0}, {260 + 90 * rise, 0.35 + 0.2 * rise, 7.0}, {720, 0.12, 10.0}};
  f.noise = load ? 0.18 : 0.30;
  f.noise_decay = load ? 9.0 : 18.0;
  f.level = load ? 0.85 : 0.28;
  return f;
}

Firing two_stroke_firing(double rpm, int load) {
  double rise = rpm / 14000;
  Firing f;
  f.resonances = {{180 + 60 * rise, 0.45, 5.0}, {1150 + 300 * rise, 0.55, 2.5}, {2300, 0.15, 6.0}};
  f.noise = load ? 0.30 : 0.40;
  f.noise_decay = load ? 6.0 : 14.0;
  f.level = load ? 0.8 : 0.25;
  return f;
}

struct TableShape {
  const char* name;  // "four_stroke" or "two_stroke"
  std::vector<double> rpm;
  double firings_per_revolution;
  Firing (*firing)(double rpm, int load);
  uint32_t seed;
};

// The table file and its recordings, all below "sound/".
void gen_table(DataSet& ds, const TableShape& shape) {
  std::string text = std::string("# Recorded firings of a ") + shape.name + " engine: rows by rpm, columns by load.\n";
  char line[256];
  std::snprintf(line, sizeof line, "SOUNDTABLE %zu 2\n", shape.rpm.size());
  text += line;
  for (double r : shape.rpm) {
    std::snprintf(line, sizeof line, "%.0f ", r);
    text += line;
  }
  text += "\n0 1\n";
  std::mt19937 rng(shape.seed);
  for (double r : shape.rpm) {
    for (int load = 0; load < 2; ++load) {
      const int period = static_cast<int>(std::lround(kRate * 60 / (r * shape.firings_per_revolution)));
      std::vector<int16_t> samples;
      for (int e = 0; e < kEventsPerRecording; ++e) add_firing(samples, period, shape.firing(r, load), rng);
      std::snprintf(line, sizeof line, "sound/%s_%.0f_%d.raw", shape.name, r, load);
      std::string recording = line;
      ds.add_core(recording, raw_bytes(samples));
      // On a closed throttle the firings come in an uneven order, which is
      // what makes an engine on the overrun burble.
      const char* remap = load ? "-1" : "0 2 1 1 0 2 -1";
      std::snprintf(line, sizeof line, "%s %d @%s\n", remap, kEventsPerRecording, recording.c_str());
      text += line;
    }
  }
  ds.add_core(std::string("sound/") + shape.name + ".table", text);
}

struct ClassSound {
  const char* bike_class;
  const char* text;
};

// Bigger four-strokes: a longer pipe, a deeper echo and more lumpy firing
// (bias); two-strokes: short pipes ringing high, the 50 shortest of all.
const ClassSound kClassSounds[] = {
    {"450f",
     "# 450 four-stroke: big single, long header, lumpy at low revs.\n"
     "soundtable @sound/four_stroke.table\n"
     "pipe 5.5 0.92 -0.8\n"
     "lowtorque -4\n"
     "hightorque 8\n"
     "minrpm 1100\n"
     "bias 0 35 -20 10\n"},
    {"250f",
     "# 250 four-stroke: revs higher, a shorter pipe.\n"
     "soundtable @sound/four_stroke.table\n"
     "pipe 4.2 0.8 -0.75\n"
     "lowtorque -3\n"
     "hightorque 5\n"
     "minrpm 1400\n"
     "bias 0 15 -10\n"},
    {"250",
     "# 250 two-stroke: a big expansion chamber.\n"
     "soundtable @sound/two_stroke.table\n"
     "pipe 2.6 0.5 -0.7\n"
     "lowtorque -3.5\n"
     "hightorque 6\n"
     "minrpm 1200\n"
     "scale 1 0.995 1.005\n"},
    {"125",
     "# 125 two-stroke: a short, bright chamber.\n"
     "soundtable @sound/two_stroke.table\n"
     "pipe 1.9 0.35 -0.75\n"
     "lowtorque -2.5\n"
     "hightorque 3.5\n"
     "minrpm 1500\n"},
    {"50",
     "# 50 two-stroke: the smallest pipe, few echoes.\n"
     "soundtable @sound/two_stroke.table\n"
     "pipe 1.2 0.25 -0.8 0 7\n"
     "lowtorque -1\n"
     "hightorque 1.5\n"
     "minrpm 1800\n"},
};

}  // namespace

void gen_engine_sounds(DataSet& ds) {
  gen_table(ds, {"four_stroke", {3000, 7500, 12000}, 0.5, four_stroke_firing, 450});
  gen_table(ds, {"two_stroke", {4000, 9000, 14000}, 1.0, two_stroke_firing, 125});
  for (const ClassSound& c : kClassSounds) ds.add_core(std::string("default") + c.bike_class + ".braap", c.text);
}
