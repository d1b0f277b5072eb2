// The audio drivers behind the table: the null driver in place while none is
// open, the readback driver of audio recordings, and the SDL device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio.h"
#include "platform/log.h"
#include "platform/sdl/audio_sdl.h"
#include "tests/support/test_env.h"

namespace {

// A fresh log in a scratch folder, options from the test, no driver open.
class AudioDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    unsetenv("TARN_OPTIONS");
    unsetenv("TARN_LOGFILE_FLAGS");
    setenv("TARN_LOGFILE", log_path.c_str(), 1);
    tarn_log_reset_for_tests();
  }
  void TearDown() override {
    tarn_stop_audio();
    tarn_log(nullptr);
    unsetenv("TARN_LOGFILE");
    unsetenv("TARN_OPTIONS");
    tarn_log_reset_for_tests();
  }
  void options(const char* text) {
    setenv("TARN_OPTIONS", text, 1);
    tarn_log_reset_for_tests();
  }
  bool logged(const std::string& line) const { return slurp(log_path).find("] " + line) != std::string::npos; }

  TempDir dir;
  std::string log_path = dir.file("audio.log");
};

TEST_F(AudioDriverTest, NullDriverStandsInWhileNoneIsOpen) {
  EXPECT_FALSE(tarn_audio_open());
  const AudioDriver& a = tarn_audio();
  EXPECT_STREQ(a.name, "null");
  int8_t data[4] = {1, 2, 3, 4};
  EXPECT_EQ(a.new_voice(4, data, 22050), nullptr);
  EXPECT_EQ(a.new_stream_voice(32768, 44100), nullptr);
  size_t bytes = 99;
  EXPECT_EQ(a.read_back(&bytes), nullptr);
  EXPECT_EQ(bytes, 0u);
  EXPECT_EQ(a.update(), 1);
  // Operations on no voice do nothing.
  a.start(nullptr);
  a.write(nullptr, 4, data, 0);
  EXPECT_EQ(a.position(nullptr), 0);
  tarn_stop_audio();  // closing nothing is no fault
  EXPECT_TRUE(logged("Can't close audio, not open\n"));
}

TEST_F(AudioDriverTest, ReadbackMixesOneStereoBlockPerReadBack) {
  const AudioDriver* d = tarn_start_recording_audio(88320, 690);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(tarn_audio_open());
  EXPECT_EQ(&tarn_audio(), d);
  size_t bytes = 0;
  const uint8_t* block = d->read_back(&bytes);
  ASSERT_EQ(bytes, 1380u);
  for (size_t i = 0; i < bytes; ++i) EXPECT_EQ(block[i], 128) << i;

  // A voice panned hard right is heard only on the right samples.
  std::vector<int8_t> tone(1000, 64);
  AudioVoice* v = d->new_voice(1000, tone.data(), 88320);
  d->set_pan(v, 32767);
  d->set_looping(v, true);
  d->start(v);
  block = d->read_back(&bytes);
  EXPECT_EQ(block[0], 128);
  EXPECT_EQ(block[1], 128 + 62);
  EXPECT_EQ(d->position(v), 690);
  d->free_voice(v);
  EXPECT_TRUE(logged("Opening readback audio...\n"));
  EXPECT_TRUE(logged("Audio opened!\n"));
}

TEST_F(AudioDriverTest, OneDriverAtATime) {
  int serial = tarn_audio_serial();
  ASSERT_NE(tarn_start_recording_audio(88320, 690), nullptr);
  EXPECT_NE(tarn_audio_serial(), serial);
  EXPECT_EQ(tarn_start_recording_audio(88320, 690), nullptr);
  EXPECT_EQ(tarn_start_audio(), nullptr);
  EXPECT_TRUE(logged("Audio already open\n"));
  tarn_stop_audio();
  EXPECT_FALSE(tarn_audio_open());
  EXPECT_TRUE(logged("Closing audio\n"));
  // A voice left alive when the driver closes is freed with it.
  const AudioDriver* d = tarn_start_recording_audio(22050, 100);
  ASSERT_NE(d, nullptr);
  int8_t data[8] = {};
  d->start(d->new_voice(8, data, 22050));
}

TEST_F(AudioDriverTest, ReadbackRefusesAnUnusableRateOrBlock) {
  EXPECT_EQ(tarn_start_recording_audio(0, 690), nullptr);
  EXPECT_EQ(tarn_start_recording_audio(88320, -1), nullptr);
  EXPECT_FALSE(tarn_audio_open());
  EXPECT_STREQ(tarn_last_error(), "Bad readback rate or block");
}

TEST_F(AudioDriverTest, VoicesBudgetComesFromTheOption) {
  options("[sound-channels:1]");
  const AudioDriver* d = tarn_start_recording_audio(22050, 64);
  ASSERT_NE(d, nullptr);
  std::vector<int8_t> tone(64, 64);
  AudioVoice* a = d->new_voice(64, tone.data(), 22050);
  AudioVoice* b = d->new_voice(64, tone.data(), 22050);
  for (AudioVoice* v : {a, b}) {
    d->set_pan(v, -32768);
    d->set_looping(v, true);
    d->start(v);
  }
  size_t bytes = 0;
  d->read_back(&bytes);
  const uint8_t* block = d->read_back(&bytes);
  EXPECT_EQ(block[0], 128 + 62);  // one voice heard, not two
}

TEST(AudioMixahead, OptionMillisecondsToFragments) {
  EXPECT_EQ(audio_mixahead_fragments(125), 8);
  EXPECT_EQ(audio_mixahead_fragments(5000), 32);
  EXPECT_EQ(audio_mixahead_fragments(1), 1);
  EXPECT_EQ(audio_mixahead_fragments(-50), 1);
}

TEST(AudioMixahead, DeviceBufferStaysWellUnderTheEngineLead) {
  for (int rate : {11025, 22050, 44100, 48000, 96000}) {
    for (int fragments : {1, 8, 32}) {
      int samples = sdl_audio_buffer_samples(rate, fragments);
      EXPECT_LE(samples, rate / 25) << rate << " " << fragments;
      EXPECT_LE(samples, std::max(64, rate * fragments / 64)) << rate << " " << fragments;
      EXPECT_EQ(samples & (samples - 1), 0) << "a power of two";
    }
  }
  EXPECT_EQ(sdl_audio_buffer_samples(22050, 8), 512);
}

TEST_F(AudioDriverTest, DeviceMixesOnItsOwnThreadAndClosesCleanly) {
  const AudioDriver* d = tarn_start_audio();
  ASSERT_NE(d, nullptr) << slurp(log_path);
  EXPECT_STREQ(d->name, "waveout");
  std::vector<int8_t> tone(22050, 10);
  AudioVoice* v = d->new_voice(22050, tone.data(), 22050);
  d->set_looping(v, true);
  d->start(v);
  // The callback moves the voice on in real time.
  int position = 0;
  for (int i = 0; i < 300 && position == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    position = d->position(v);
  }
  EXPECT_GT(position, 0);
  // Closing with the voice still playing returns once the callback is done.
  tarn_stop_audio();
  EXPECT_FALSE(tarn_audio_open());
  for (const char* line : {"Opening waveOut audio...\n", "Waveout rate: 22050\n", "Waveout channels: 16\n",
                           "Waveout mixahead: 125\n", "Audio opened!\n", "Closing audio\n", "Audio thread end\n"})
    EXPECT_TRUE(logged(line)) << line;
}

TEST_F(AudioDriverTest, DeviceOptions) {
  options("[sound-rate:11025][sound-mixahead:5000][sound-channels:4]");
  ASSERT_NE(tarn_start_audio(), nullptr);
  tarn_stop_audio();
  EXPECT_TRUE(logged("Waveout rate: 11025\n"));
  EXPECT_TRUE(logged("Waveout channels: 4\n"));
  EXPECT_TRUE(logged("Waveout mixahead: 500\n"));
}

TEST_F(AudioDriverTest, WaveoutOffStartsNothing) {
  options("[waveout:off][dsnd:on]");
  EXPECT_EQ(tarn_start_audio(), nullptr);
  EXPECT_FALSE(tarn_audio_open());
}

TEST_F(AudioDriverTest, FailedDeviceStartLeavesTheProgramSilent) {
  const char* before = std::getenv("SDL_AUDIODRIVER");
  std::string saved = before ? before : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(tarn_start_audio(), nullptr);
  EXPECT_FALSE(tarn_audio_open());
  EXPECT_TRUE(logged("No audio device\n"));
  setenv("SDL_AUDIODRIVER", saved.empty() ? "dummy" : saved.c_str(), 1);
  // The null driver still answers.
  EXPECT_EQ(tarn_audio().new_stream_voice(8, 8), nullptr);
}

}  // namespace
