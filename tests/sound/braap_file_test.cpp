// ".braap" descriptions, the built-in blocks by class, and where a bike's
// file is found.
#include "sound/braap_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "sound/engine_sound.h"
#include "sound/sound_table.h"
#include "tests/support/test_env.h"

namespace {

bool silent_pipe(const EngineParams& p) {
  for (float g : p.tap_gain)
    if (g != 0) return false;
  return true;
}

TEST(ClassDefaults, ChosenByTheClassText) {
  struct Case {
    const char* bike_class;
    const char* name;
    float firings, low, high;
    const SoundTable* table;
  } cases[] = {
      {"450f", "default_four_stroke", 0.5f, -2.5f, 2.5f, builtin_four_stroke_table()},
      {"250f", "default_four_stroke", 0.5f, -2.5f, 2.5f, builtin_four_stroke_table()},
      {"250", "default_two_stroke", 1, -3.5f, 3.5f, builtin_two_stroke_table()},
      {"125", "default_two_stroke", 1, -3.5f, 3.5f, builtin_two_stroke_table()},
      {"50", "default_fifty", 1, -3.5f, 1.5f, builtin_two_stroke_table()},
      {"", "default_two_stroke", 1, -3.5f, 3.5f, builtin_two_stroke_table()},
      {"500", "default_two_stroke", 1, -3.5f, 3.5f, builtin_two_stroke_table()},
  };
  for (const Case& c : cases) {
    EngineParams p = engine_class_defaults(c.bike_class);
    EXPECT_STREQ(engine_class_default_name(c.bike_class), c.name) << c.bike_class;
    EXPECT_EQ(p.firings_per_revolution, c.firings) << c.bike_class;
    EXPECT_EQ(p.low_torque, c.low) << c.bike_class;
    EXPECT_EQ(p.high_torque, c.high) << c.bike_class;
    EXPECT_EQ(p.table, c.table) << c.bike_class;
    EXPECT_EQ(p.min_rpm, 1000) << c.bike_class;
    EXPECT_EQ(p.bias_count, 1);
    EXPECT_EQ(p.bias[0], 0);
    EXPECT_EQ(p.scale_count, 1);
    EXPECT_EQ(p.scale[0], 1);
    EXPECT_FALSE(silent_pipe(p));
  }
  // The two-stroke pipe is shorter: its first echo comes sooner.
  EXPECT_LT(engine_class_defaults("125").tap_delay[0], engine_class_defaults("450f").tap_delay[0]);
}

TEST(BraapText, OnlyAMinimumRpmKeepsTheBlockButSilencesThePipe) {
  EngineParams p = engine_class_defaults("450f");
  p.bias[0] = 12;
  apply_braap_text("minrpm 1500\n", p, "test");
  EXPECT_EQ(p.min_rpm, 1500);
  EXPECT_EQ(p.table, builtin_four_stroke_table());
  EXPECT_EQ(p.bias[0], 12);
  EXPECT_EQ(p.firings_per_revolution, 0.5f);
  EXPECT_TRUE(silent_pipe(p));
}

TEST(BraapText, EveryLine) {
  EngineParams p = engine_class_defaults("125");
  apply_braap_text(
      "# a comment line\n"
      "  lowtorque -6   # trailing comment\n"
      "hightorque 9.5\n"
      "minrpm 1800\n"
      "bias 10 -20 30\n"
      "scale 1.01 0.99\n"
      "pipe 3\n",
      p, "test");
  EXPECT_EQ(p.low_torque, -6);
  EXPECT_EQ(p.high_torque, 9.5f);
  EXPECT_EQ(p.min_rpm, 1800);
  ASSERT_EQ(p.bias_count, 3);
  EXPECT_EQ(p.bias[1], -20);
  ASSERT_EQ(p.scale_count, 2);
  EXPECT_EQ(p.scale[1], 0.99f);
  // "pipe 3": length 3 with the rest of the standard pipe: 16 taps sharing -0.85.
  EngineParams standard;
  set_pipe_taps(standard, PipeShape{3, 0.918207f, -0.85f, 0, 15});
  for (int t = 0; t < kPipeTaps; ++t) {
    EXPECT_EQ(p.tap_delay[t], standard.tap_delay[t]) << t;
    EXPECT_FLOAT_EQ(p.tap_gain[t], -0.85f / 16) << t;
  }
}

TEST(BraapText, ListsEmptyOrTooLong) {
  EngineParams p = engine_class_defaults("450f");
  apply_braap_text("bias\nscale\n", p, "test");
  EXPECT_EQ(p.bias_count, 1);
  EXPECT_EQ(p.bias[0], 0);
  EXPECT_EQ(p.scale_count, 1);
  EXPECT_EQ(p.scale[0], 1);
  std::string many = "scale";
  for (int i = 0; i < 150; ++i) many += " " + std::to_string(1 + i * 0.001);
  apply_braap_text(many, p, "test");
  EXPECT_EQ(p.scale_count, kRpmListMax);
  EXPECT_FLOAT_EQ(p.scale[99], 1.099f);
}

TEST(BraapText, BadValuesAndUnknownLinesChangeNothing) {
  EngineParams p = engine_class_defaults("450f");
  apply_braap_text("minrpm nan\nlowtorque\nhightorque inf\nwheelies 3\nminrpm fast\nbias 5 x 7\n", p, "test");
  EXPECT_EQ(p.min_rpm, 1000);
  EXPECT_EQ(p.low_torque, -2.5f);
  EXPECT_EQ(p.high_torque, 2.5f);
  // A list stops at the first word that is not a number.
  EXPECT_EQ(p.bias_count, 1);
  EXPECT_EQ(p.bias[0], 5);
}

TEST(BraapText, RandomBytesLeaveAUsableBlock) {
  std::mt19937 rng(7);
  static const char* kWords[] = {"pipe ", "minrpm ", "bias ", "scale ", "lowtorque ", "hightorque ", "-", "1e9 ",
                                 "0 ", "3.5 ", "nan ", "\n", "#", "99999 ", "-1e30 "};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int n = static_cast<int>(rng() % 80);
    for (int i = 0; i < n; ++i) {
      if (round % 2) text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
      else text.push_back(static_cast<char>(rng()));
    }
    EngineParams p = engine_class_defaults("450f");
    apply_braap_text(text, p, "random");
    ASSERT_NE(p.table, nullptr);
    EXPECT_TRUE(p.bias_count >= 1 && p.bias_count <= kRpmListMax);
    EXPECT_TRUE(p.scale_count >= 1 && p.scale_count <= kRpmListMax);
    for (int t = 0; t < kPipeTaps; ++t) {
      EXPECT_TRUE(p.tap_delay[t] >= 1 && p.tap_delay[t] < kSoundRingSize);
      EXPECT_TRUE(std::isfinite(p.tap_gain[t]));
    }
    EXPECT_TRUE(std::isfinite(p.min_rpm) && std::isfinite(p.low_torque) && std::isfinite(p.high_torque));
  }
}

TEST(BraapCandidates, FromTheGraphicsNameThenTheClass) {
  using V = std::vector<std::string>;
  EXPECT_EQ(braap_file_candidates("@bikes/crf450v2013-red-stripe.png", "450f"),
            (V{"@bikes/crf450v2013-red-stripe.braap", "@bikes/crf450v2013-red.braap", "@bikes/crf450v2013.braap",
               "@default450f.braap"}));
  EXPECT_EQ(braap_file_candidates("@yz125.png", "125"), (V{"@yz125.braap", "@default125.braap"}));
  // A "." or "-" before the last "/" belongs to a folder, not the name.
  EXPECT_EQ(braap_file_candidates("@my.bikes/kx-250", "250"), (V{"@default250.braap"}));
  EXPECT_EQ(braap_file_candidates("@a-b/rm.png", "250f"), (V{"@a-b/rm.braap", "@default250f.braap"}));
  EXPECT_EQ(braap_file_candidates("", "50"), (V{"@default50.braap"}));
  EXPECT_EQ(braap_file_candidates("@x.png", "999"), (V{"@x.braap"}));
}

class BraapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    sound_cache_reset();
    clear_messages();
  }
  void TearDown() override { sound_cache_reset(); }
  DataSandbox box;
};

TEST_F(BraapFiles, TheFirstFileFoundIsRead) {
  box.write_data("default250f.braap", "minrpm 1100\n");
  box.write_data("bikes/yz250f.braap", "minrpm 1200\n");
  box.rescan();
  EngineSound s;
  loadEngineSound(s, "250f", "@bikes/yz250f-blue-white.png");
  EXPECT_EQ(s.description, "@bikes/yz250f.braap");
  EXPECT_EQ(s.params.min_rpm, 1200);
  loadEngineSound(s, "250f", "@bikes/crf250.png");
  EXPECT_EQ(s.description, "@default250f.braap");
  EXPECT_EQ(s.params.min_rpm, 1100);
  // No file at all: the built-in block, pipe and all.
  loadEngineSound(s, "450f", "@bikes/crf450.png");
  EXPECT_EQ(s.description, "default_four_stroke");
  EXPECT_FALSE(silent_pipe(s.params));
  EXPECT_EQ(s.voice, nullptr) << "no audio driver is open";
}

TEST_F(BraapFiles, SoundTableLineLoadsItAndABadOneKeepsTheBlocksTable) {
  box.write_data("r.raw", std::string("\x00\x40\x00\xc0", 4));
  box.write_data("good.table", "SOUNDTABLE 1 1\n0\n0\n-1 1 @r.raw\n");
  box.write_data("bad.table", "SOUNDTABLE 1 1\n0\n0\n-1 0 @r.raw\n");
  box.write_data("default125.braap", "soundtable   @good.table  \n");
  box.write_data("default250.braap", "soundtable @good.table\nsoundtable @bad.table\n");
  box.rescan();
  EngineSound s;
  loadEngineSound(s, "125", "");
  ASSERT_NE(s.params.table, nullptr);
  EXPECT_EQ(s.params.table->cell(0, 0).recording->samples, (std::vector<float>{0.5f, -0.5f}));
  const SoundTable* good = s.params.table;
  loadEngineSound(s, "250", "");
  EXPECT_EQ(s.params.table, good);
  bool reported = false;
  for (const std::string& m : recent_messages()) reported |= m == "Error reading '@bad.table'";
  EXPECT_TRUE(reported);
}

}  // namespace
