// An engine sweep rendered to a raw file through the readback driver, as a
// recorded race is: the note's period follows the rpm.
#include "sound/engine_sweep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "sound/sound_table.h"
#include "tests/sound/signal.h"
#include "tests/support/test_env.h"

namespace {

TEST(EngineSweepFile, PeriodFollowsTheRpmThroughTheSweep) {
  DataSandbox box;  // no data: the built-in four-stroke block
  sound_cache_reset();
  TempDir dir;
  std::string path = dir.file("sweep.raw");
  EngineSweep sweep;
  sweep.from_rpm = 4000;
  sweep.to_rpm = 12000;
  sweep.seconds = 4;
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::string error, engine;
  ASSERT_TRUE(render_engine_sweep(sweep, out, &error, &engine)) << error;
  std::fclose(out);
  EXPECT_EQ(engine, "default_four_stroke");
  EXPECT_FALSE(tarn_audio_open());
  std::string bytes = slurp(path);
  // 690 stereo samples a step, 128 steps a second.
  ASSERT_EQ(bytes.size(), size_t(4 * 128) * 690 * 2);
  std::vector<float> left = channel_of(std::vector<uint8_t>(bytes.begin(), bytes.end()), 0);
  // The note heard at a moment was made a tenth of a second before, when
  // the engine turned at the rpm of then.
  for (double t : {1.0, 2.0, 3.0, 3.8}) {
    double heard_rpm = 4000 + (t - 0.1) / 4 * 8000;
    double expected = 88320 * 60 / (heard_rpm * 0.5);
    size_t at = static_cast<size_t>(t * 88320);
    std::vector<float> window(left.begin() + static_cast<long>(at) - 6000, left.begin() + static_cast<long>(at) + 6000);
    EXPECT_NEAR(measured_period(window, 500, 4000), expected, expected * 0.03) << "at " << t << " s";
  }
  sound_cache_reset();
}

TEST(EngineSweepFile, RefusesWhileAnotherDriverIsOpen) {
  ASSERT_NE(tarn_start_recording_audio(88320, 690), nullptr);
  TempDir dir;
  FILE* out = std::fopen(dir.file("x.raw").c_str(), "wb");
  std::string error;
  EXPECT_FALSE(render_engine_sweep(EngineSweep{}, out, &error));
  EXPECT_FALSE(error.empty());
  std::fclose(out);
  tarn_stop_audio();
}

}  // namespace
