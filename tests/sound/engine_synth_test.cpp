// The engine note, measured on the samples the synthesis renders.
#include "sound/engine_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sound/braap_file.h"
#include "sound/engine_params.h"
#include "sound/sound_table.h"
#include "tests/sound/signal.h"
#include "tests/support/test_env.h"

namespace {

// Renders seconds of an engine held at rpm and load, a frame of 1/60 s at a
// time as the main loop would, and returns the new samples.
std::vector<float> render(EngineSynth& s, const EngineParams& p, double rpm, double load, double seconds) {
  std::vector<float> out;
  const int frame = kSynthRate / 60;
  const int total = static_cast<int>(seconds * kSynthRate);
  while (static_cast<int>(out.size()) < total) {
    uint32_t from = s.write_position;
    synthesise(s, p, rpm, load, frame);
    for (int k = 0; k < frame; ++k) out.push_back(s.ring[(from + k) % kSoundRingSize]);
  }
  return out;
}

std::vector<float> tail(const std::vector<float>& x, double seconds) {
  size_t n = static_cast<size_t>(seconds * kSynthRate);
  return std::vector<float>(x.end() - static_cast<long>(std::min(n, x.size())), x.end());
}

// A one-cell table around a recording, for measurements that want to see
// exactly what one firing does.
struct OneCell {
  SoundRecording recording;
  SoundTable table;
  explicit OneCell(std::vector<float> samples, int events = 1) {
    recording.samples = std::move(samples);
    table.rpm = {0};
    table.load = {0};
    table.cells.resize(1);
    table.cells[0].recording = &recording;
    table.cells[0].events = events;
  }
};

EngineParams without_echo(const SoundTable* table) {
  EngineParams p = engine_class_defaults("250");
  apply_braap_text("", p, "test");  // silences the pipe
  p.table = table;
  return p;
}

struct PeriodCase {
  const char* bike_class;
  const char* braap;  // applied over the class block, when given
  double rpm;
  double period;  // samples at 44100 Hz
};

// Four-strokes fire every second turn, two-strokes every turn; under the
// minimum rpm the engine fires at the minimum; bias and scale move the rpm
// the firings are timed from.
const PeriodCase kPeriods[] = {
    {"450f", nullptr, 12000, 441},  {"450f", nullptr, 6000, 882},   {"250f", nullptr, 3000, 1764},
    {"125", nullptr, 12000, 220.5}, {"125", nullptr, 6000, 441},    {"50", nullptr, 9000, 294},
    {"450f", nullptr, 0, 5292},     {"250", nullptr, 500, 2646},    {"450f", "minrpm 3000", 0, 1764},
    {"450f", "bias 6000", 6000, 441}, {"125", "scale 2", 3000, 441},
};

class FiringPeriod : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(FiringPeriod, FollowsRpmAndFiringsPerRevolution) {
  const PeriodCase& c = GetParam();
  EngineParams p = engine_class_defaults(c.bike_class);
  if (c.braap) {
    // Keep the class's pipe: the echo must not change the period.
    EngineParams with_file = p;
    apply_braap_text(c.braap, with_file, "test");
    std::copy(std::begin(p.tap_delay), std::end(p.tap_delay), with_file.tap_delay);
    std::copy(std::begin(p.tap_gain), std::end(p.tap_gain), with_file.tap_gain);
    p = with_file;
  }
  EngineSynth s;
  synth_reset(s, p);
  std::vector<float> x = tail(render(s, p, c.rpm, 1, 1.4), 0.6);
  double period = measured_period(x, 100, 6000);
  EXPECT_NEAR(period, c.period, c.period * 0.01) << c.bike_class << " at " << c.rpm << " rpm";
}

INSTANTIATE_TEST_SUITE_P(Engines, FiringPeriod, ::testing::ValuesIn(kPeriods));

TEST(FiringFrequency, NeverBelowTheMinimumRpmNorFiveHertz) {
  struct Case {
    const char* bike_class;
    const char* braap;
    float frequency;
  } cases[] = {{"450f", "", 1000 * 0.5f / 60}, {"125", "", 1000.0f / 60}, {"450f", "minrpm 100", 5}};
  for (const Case& c : cases) {
    EngineParams p = engine_class_defaults(c.bike_class);
    apply_braap_text(c.braap, p, "test");
    EngineSynth s;
    synth_reset(s, p);
    render(s, p, 0, 0, 1);
    EXPECT_GT(s.events, 0u);
    EXPECT_FLOAT_EQ(s.frequency, c.frequency) << c.bike_class << " " << c.braap;
  }
}

TEST(EngineLoad, FullLoadIsFourTimesAsLoudAsNone) {
  // The built-in tables hold a quarter of the firing's amplitude at load 0.
  for (const char* bike_class : {"450f", "125", "50"}) {
    EngineParams p = engine_class_defaults(bike_class);
    double level[3];
    const double loads[3] = {0, 0.5, 1};
    for (int i = 0; i < 3; ++i) {
      EngineSynth s;
      synth_reset(s, p);
      level[i] = rms(tail(render(s, p, 7000, loads[i], 1.2), 0.8));
    }
    ASSERT_GT(level[0], 0) << bike_class;
    EXPECT_NEAR(level[2] / level[0], 4.0, 0.04) << bike_class;
    EXPECT_NEAR(level[1] / level[0], 2.5, 0.025) << bike_class;
  }
}

TEST(EngineLoad, FromTorqueBetweenTheBlocksBounds) {
  EngineParams p = engine_class_defaults("450f");  // -2.5 .. 2.5 ft*lbf
  EXPECT_FLOAT_EQ(engine_load(p, -2.5), 0);
  EXPECT_FLOAT_EQ(engine_load(p, 0), 0.5);
  EXPECT_FLOAT_EQ(engine_load(p, 30), 1);
  EXPECT_FLOAT_EQ(engine_load(p, -30), 0);
  EXPECT_FLOAT_EQ(engine_load(p, std::nan("")), 0);
  p.low_torque = p.high_torque = 1;  // no range: a step at the bound
  EXPECT_FLOAT_EQ(engine_load(p, 0.5), 0);
  EXPECT_FLOAT_EQ(engine_load(p, 1), 1);
}

TEST(PipeTaps, OneTapEchoesAfterTheRoundTripDownThePipe) {
  // A click: one full sample, then nothing.
  std::vector<float> click(1024, 0.0f);
  click[0] = 1;
  OneCell cell(click);
  EngineParams p = without_echo(&cell.table);
  apply_braap_text("pipe 10 0 0.5 3 3\n", p, "test");
  p.table = &cell.table;
  p.min_rpm = 1;  // firings at the 5 Hz floor, far apart
  EngineSynth s;
  synth_reset(s, p);
  std::vector<float> y = render(s, p, 0, 0, 0.6);
  size_t start = 0;
  while (start < y.size() && y[start] == 0) ++start;
  ASSERT_LT(start, y.size());
  ASSERT_FLOAT_EQ(y[start], 1);
  size_t click_end = start;
  while (y[click_end] != 0) ++click_end;
  size_t echo = click_end;
  while (echo < y.size() && y[echo] == 0) ++echo;
  ASSERT_LT(echo, y.size());
  double expected = 2 * 10 / kSpeedOfSound * kSynthRate;  // 773.3 samples
  EXPECT_NEAR(double(echo - start), expected, 1.0);
  EXPECT_FLOAT_EQ(y[echo], 0.5);
  EXPECT_FLOAT_EQ(y[echo + (echo - start)], 0.25) << "the echo echoes again";
}

TEST(PipeTaps, SeveralTapsShareTheGainAndSpreadFromTheFarEnd) {
  EngineParams p = engine_class_defaults("450f");  // 5 ft, spread 0.918207, gain -0.85, taps 0..15
  float total = 0;
  for (int t = 0; t < kPipeTaps; ++t) total += p.tap_gain[t];
  EXPECT_FLOAT_EQ(total, -0.85f);
  EXPECT_EQ(p.tap_delay[0], static_cast<int>(std::lround(2 * 5 / kSpeedOfSound * kSynthRate)));
  EXPECT_EQ(p.tap_delay[15], static_cast<int>(std::lround(2 * (5 - 0.918207) / kSpeedOfSound * kSynthRate)));
  for (int t = 1; t < kPipeTaps; ++t) EXPECT_LE(p.tap_delay[t], p.tap_delay[t - 1]);
}

TEST(PipeTaps, NoLengthPutsATapOutsideTheRing) {
  const char* lines[] = {"pipe 1000",           "pipe 0",           "pipe -5",      "pipe 3 5",
                         "pipe 1e30 1e30 0.5",  "pipe 5 0.9 -0.85 12 3", "pipe 5 0.9 -0.85 -4 40", "pipe 5 -20"};
  for (const char* line : lines) {
    EngineParams p = engine_class_defaults("450f");
    apply_braap_text(line, p, "test");
    for (int t = 0; t < kPipeTaps; ++t) {
      EXPECT_GE(p.tap_delay[t], 1) << line;
      EXPECT_LE(p.tap_delay[t], kSoundRingSize - 1) << line;
      EXPECT_TRUE(std::isfinite(p.tap_gain[t])) << line;
    }
    EngineSynth s;
    synth_reset(s, p);
    for (float v : render(s, p, 9000, 1, 0.2)) ASSERT_TRUE(std::isfinite(v)) << line;
  }
  // A reversed range is one tap at the first.
  EngineParams p = engine_class_defaults("450f");
  apply_braap_text("pipe 5 0.9 -0.6 12 3", p, "test");
  for (int t = 0; t < kPipeTaps; ++t) EXPECT_FLOAT_EQ(p.tap_gain[t], t == 12 ? -0.6f : 0.0f) << t;
}

TEST(SoundTableCells, OneCellPlaysAtFullAmplitudeWhateverTheRpmAndLoad) {
  std::vector<float> wave(1024);
  for (size_t i = 0; i < wave.size(); ++i) wave[i] = std::sin(float(i) * 0.05f) * 0.5f;
  OneCell cell(wave);
  EngineParams p = without_echo(&cell.table);
  double reference = 0;
  for (double rpm : {1000.0, 6000.0, 15000.0}) {
    for (double load : {0.0, 0.3, 1.0}) {
      EngineSynth s;
      synth_reset(s, p);
      std::vector<float> y = tail(render(s, p, rpm, load, 0.5), 0.3);
      float amplitude = 0;
      for (const SynthVoice& v : s.voices) amplitude += v.amplitude;
      EXPECT_FLOAT_EQ(amplitude, 1);
      float peak = 0;
      for (float v : y) peak = std::max(peak, std::fabs(v));
      EXPECT_NEAR(peak, 0.5f, 0.01f) << rpm << " " << load;
      if (rpm == 6000) {
        if (reference == 0) reference = rms(y);
        EXPECT_NEAR(rms(y), reference, reference * 1e-6) << "load changes nothing";
      }
    }
  }
}

TEST(SoundTableCells, FourNearestCellsBlendByRpmAndLoad) {
  SoundRecording a, b, c, d;
  a.samples.assign(64, 0.1f);
  b.samples.assign(64, 0.2f);
  c.samples.assign(64, 0.4f);
  d.samples.assign(64, 0.8f);
  SoundTable t;
  t.rpm = {4000, 8000};
  t.load = {0, 1};
  t.cells.resize(4);
  t.cells[0].recording = &a;  // 4000 rpm, load 0
  t.cells[1].recording = &c;  // 4000 rpm, load 1
  t.cells[2].recording = &b;  // 8000 rpm, load 0
  t.cells[3].recording = &d;  // 8000 rpm, load 1
  EngineParams p = without_echo(&t);
  p.firings_per_revolution = 0.5f;
  EngineSynth s;
  synth_reset(s, p);
  render(s, p, 5000, 0.75, 0.3);
  // At 5000 rpm a quarter of the way up, at load 0.75 three quarters across.
  float u = 0.25f, v = 0.75f;
  EXPECT_FLOAT_EQ(s.voices[0].amplitude, (1 - u) * (1 - v));
  EXPECT_FLOAT_EQ(s.voices[1].amplitude, u * (1 - v));
  EXPECT_FLOAT_EQ(s.voices[2].amplitude, (1 - u) * v);
  EXPECT_FLOAT_EQ(s.voices[3].amplitude, u * v);
  EXPECT_EQ(s.voices[1].cell, &t.cells[2]);
  EXPECT_EQ(s.voices[2].cell, &t.cells[1]);
  // Past the table's last row the top row plays alone.
  render(s, p, 20000, 1, 0.1);
  EXPECT_FLOAT_EQ(s.voices[3].amplitude, 1);
  EXPECT_EQ(s.voices[3].cell, &t.cells[3]);
}

TEST(SoundTableCells, RemappedEventsPlayInTheirOrder) {
  // Two events: the first all positive, the second all negative. Remap
  // entries 3 and 0 name events 1 and 0.
  DataSandbox box;
  std::string raw;
  for (int i = 0; i < 200; ++i) {
    int16_t v = i < 100 ? 16384 : -16384;
    raw.push_back(static_cast<char>(v & 0xff));
    raw.push_back(static_cast<char>((v >> 8) & 0xff));
  }
  box.write_data("two.raw", raw);
  box.write_data("two.table", "SOUNDTABLE 1 1\n0\n0\n3 0 -1 2 @two.raw\n");
  box.rescan();
  sound_cache_reset();
  const SoundTable* t = load_sound_table("@two.table");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->cell(0, 0).remap, (std::vector<int>{1, 0}));
  EngineParams p = without_echo(t);
  EngineSynth s;
  synth_reset(s, p);
  std::vector<int> signs;
  uint64_t seen = 0;
  for (int k = 0; k < kSynthRate * 2 && signs.size() < 6; ++k) {
    synthesise(s, p, 6000, 0, 1);
    if (s.events != seen) {
      seen = s.events;
      synthesise(s, p, 6000, 0, 1);
      signs.push_back(s.ring[(s.write_position - 1) % kSoundRingSize] > 0 ? 0 : 1);
    }
  }
  EXPECT_EQ(signs, (std::vector<int>{1, 0, 1, 0, 1, 0}));
  sound_cache_reset();
}

TEST(SoundTableCells, PositionsInLongRecordingsDoNotOverflow) {
  // 3,000,000 samples of 1000 events: event 999 starts past 2^31 in the
  // fixed-point position.
  std::vector<float> long_one(3000000, 0.0f);
  long_one[2997000] = 0.75f;
  OneCell cell(long_one, 1000);
  cell.table.cells[0].remap = {999};
  EngineParams p = without_echo(&cell.table);
  EngineSynth s;
  synth_reset(s, p);
  std::vector<float> y = render(s, p, 6000, 0, 0.2);
  ASSERT_GT(s.events, 0u);
  float first = 0;
  for (float v : y)
    if (v != 0) {
      first = v;
      break;
    }
  EXPECT_FLOAT_EQ(first, 0.75f);
  EXPECT_GT(s.voices[0].position, int64_t(1) << 31);
}

TEST(Synthesis, NonFiniteInputsMakeFiniteSound) {
  EngineParams p = engine_class_defaults("450f");
  EngineSynth s;
  synth_reset(s, p);
  for (double rpm : {std::nan(""), double(INFINITY), -double(INFINITY), -5000.0})
    for (float v : render(s, p, rpm, std::nan(""), 0.1)) ASSERT_TRUE(std::isfinite(v));
  EXPECT_GE(s.frequency, 5.0f);
}

TEST(Synthesis, SampleBytesAreSignedWithSilenceAtZero) {
  EXPECT_EQ(synth_sample_byte(0), 0);
  EXPECT_EQ(synth_sample_byte(1), 127);
  EXPECT_EQ(synth_sample_byte(-1), -127);
  EXPECT_EQ(synth_sample_byte(16), 127);
  EXPECT_EQ(synth_sample_byte(-16), -127);
  EXPECT_EQ(synth_sample_byte(0.5f), 64);
}

}  // namespace
