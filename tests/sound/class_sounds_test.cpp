// The engine sound descriptions of the generated data set: every class has
// its file and table, and the classes sound different.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "sound/engine_sound.h"
#include "sound/sound_table.h"
#include "tests/sound/signal.h"
#include "tests/support/test_env.h"

namespace {

const char* const kClasses[] = {"450f", "250f", "250", "125", "50"};

class ClassSounds : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(KR_GAME_DIR) + "/zzzz.saf", box.data() + "/zzzz.saf");
    box.rescan();
    sound_cache_reset();
    clear_messages();
  }
  void TearDown() override { sound_cache_reset(); }
  DataSandbox box;
};

// Samples of an engine held at rpm at full load, after it settles.
std::vector<float> note(const EngineParams& p, double rpm) {
  EngineSynth s;
  synth_reset(s, p);
  std::vector<float> out;
  for (int frame = 0; frame < 90; ++frame) {
    uint32_t from = s.write_position;
    synthesise(s, p, rpm, 1, 735);
    if (frame >= 30)
      for (int k = 0; k < 735; ++k) out.push_back(s.ring[(from + k) % kSoundRingSize]);
  }
  return out;
}

TEST_F(ClassSounds, EveryClassReadsItsFileAndGeneratedTable) {
  for (const char* c : kClasses) {
    EngineSound s;
    // A texture with no file of its own falls back to the class file.
    loadEngineSound(s, c, std::string("@") + c + "bike-red.png");
    EXPECT_EQ(s.description, std::string("@default") + c + ".braap");
    ASSERT_NE(s.params.table, nullptr) << c;
    EXPECT_NE(s.params.table, builtin_four_stroke_table()) << c;
    EXPECT_NE(s.params.table, builtin_two_stroke_table()) << c;
    EXPECT_GE(s.params.table->rows(), 2) << c;
    EXPECT_EQ(s.params.table->columns(), 2) << c;
    for (const SoundCell& cell : s.params.table->cells) {
      ASSERT_NE(cell.recording, nullptr);
      EXPECT_GT(cell.recording->samples.size(), 100u);
    }
  }
  EXPECT_TRUE(recent_messages().empty()) << recent_messages().front();
}

TEST_F(ClassSounds, ClassesSoundDifferent) {
  std::map<std::string, EngineParams> params;
  for (const char* c : kClasses) {
    EngineSound s;
    loadEngineSound(s, c, "");
    params[c] = s.params;
  }
  // Each class has a pipe of its own: its first echo comes at another time.
  for (const char* a : kClasses)
    for (const char* b : kClasses)
      if (std::string(a) < b) {
        EXPECT_NE(params[a].tap_delay[0], params[b].tap_delay[0]) << a << " " << b;
      }
  // Four-strokes fire every other turn: at the same rpm they fire half as
  // often as the two-strokes. (Their recordings hold three firings that
  // differ a little, so the waveform itself repeats only every third.)
  for (const char* c : kClasses) {
    EngineSynth s;
    synth_reset(s, params[c]);
    synthesise(s, params[c], 9000, 1, kSynthRate / 2);
    uint64_t before = s.events;
    synthesise(s, params[c], 9000, 1, kSynthRate);
    double per_second = params[c].firings_per_revolution == 1 ? 150 : 75;
    EXPECT_NEAR(double(s.events - before), per_second, 1.5) << c;
    EXPECT_EQ(params[c].firings_per_revolution, std::string(c).back() == 'f' ? 0.5f : 1.0f) << c;
  }
  // Bigger engines are louder at full load than the 50.
  EXPECT_GT(rms(note(params["450f"], 8000)), rms(note(params["50"], 8000)));
  // The loads differ: the 50 reaches full load at a torque the 450 does not.
  EXPECT_FLOAT_EQ(engine_load(params["50"], 1.5), 1);
  EXPECT_LT(engine_load(params["450f"], 1.5), 0.6f);
}

}  // namespace
