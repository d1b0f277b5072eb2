// Engine voices through the readback driver: what a listener hears, measured
// on the mixed output.
#include "sound/engine_sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio.h"
#include "sound/sound_table.h"
#include "tests/sound/signal.h"
#include "tests/support/test_env.h"

namespace {

constexpr int kRate = 88200;
constexpr int kBlock = 690;

// The game's loop at 128 steps a second, one frame per step: the engine
// sound is updated, then one block is read back. No data files: every
// engine has its class's built-in block.
class EngineVoice : public ::testing::Test {
 protected:
  void SetUp() override {
    sound_cache_reset();
    ASSERT_NE(tarn_start_recording_audio(kRate, kBlock), nullptr);
  }
  void TearDown() override {
    releaseEngineSound(sound);
    tarn_stop_audio();
    sound_cache_reset();
  }
  // Runs seconds and returns the output, interleaved stereo.
  std::vector<uint8_t> run(double seconds, double volume = 1) {
    std::vector<uint8_t> out;
    for (int step = 0; step < static_cast<int>(seconds * 128); ++step) {
      updateEngineSound(sound, input, listener, volume);
      size_t bytes = 0;
      const uint8_t* block = tarn_audio().read_back(&bytes);
      out.insert(out.end(), block, block + bytes);
    }
    return out;
  }
  // The last seconds of a channel.
  static std::vector<float> last(const std::vector<uint8_t>& out, int channel, double seconds) {
    std::vector<float> c = channel_of(out, channel);
    return std::vector<float>(c.end() - static_cast<long>(seconds * kRate), c.end());
  }
  // Listener at the origin facing -z (right is +x), bike 10 ft in front.
  void place_bike(double x, double z, double vz = 0) {
    input.position[0] = x;
    input.position[2] = z;
    input.velocity[2] = vz;
  }

  EngineSound sound;
  EngineSoundInput input;
  SoundListener listener;
};

TEST_F(EngineVoice, FourStrokeAtTwelveThousandRepeatsEvery882SamplesAt88200) {
  loadEngineSound(sound, "450f", "");
  ASSERT_NE(sound.voice, nullptr);
  input.rpm = 12000;
  input.torque = 10;
  place_bike(0, -10);
  std::vector<uint8_t> out = run(1.5);
  // 100 firings a second: 441 samples of the 44100 Hz note, played at
  // twice that rate.
  EXPECT_NEAR(measured_period(last(out, 0, 0.5), 200, 4000), 882, 882 * 0.01);
}

TEST_F(EngineVoice, ApproachingBikePlaysFasterByTheDopplerFactor) {
  loadEngineSound(sound, "450f", "");
  input.rpm = 6000;  // 1764 output samples a firing when standing
  input.torque = 10;
  struct Case {
    double speed;  // towards the listener, ft/s
    double ratio;
  } cases[] = {{0, 1}, {0.1 * kSpeedOfSound, 1 / 0.9}, {-0.1 * kSpeedOfSound, 1 / 1.1}};
  for (const Case& c : cases) {
    // Held at 20 ft: only the velocity moves the pitch.
    place_bike(0, -20, c.speed);
    EXPECT_NEAR(doppler_ratio(input.position, input.velocity, listener), c.ratio, 1e-9);
    std::vector<uint8_t> out = run(1.2);
    double period = measured_period(last(out, 0, 0.6), 400, 6000);
    EXPECT_NEAR(period, 1764 / c.ratio, 1764 / c.ratio * 0.01) << c.speed << " ft/s";
  }
}

TEST_F(EngineVoice, ListenerMovingTowardsTheBikeHearsItFaster) {
  place_bike(0, -20);
  listener.velocity[2] = -0.1 * kSpeedOfSound;  // towards the bike
  EXPECT_NEAR(doppler_ratio(input.position, input.velocity, listener), 1.1, 1e-9);
  // Past eight times faster the shift stays at eight.
  listener.velocity[2] = 0;
  input.velocity[2] = 0.95 * kSpeedOfSound;
  EXPECT_NEAR(doppler_ratio(input.position, input.velocity, listener), 8, 1e-9);
  input.velocity[2] = 2 * kSpeedOfSound;
  EXPECT_NEAR(doppler_ratio(input.position, input.velocity, listener), 8, 1e-9);
  EngineVoiceSettings v = engine_voice_settings(input.position, input.velocity, listener, 1, 1);
  EXPECT_EQ(v.rate, 8 * kSynthRate);
}

TEST_F(EngineVoice, PanFollowsTheSideTheBikeIsOn) {
  loadEngineSound(sound, "125", "");
  input.rpm = 8000;
  input.torque = 10;
  place_bike(10, 0);  // to the listener's right
  std::vector<uint8_t> out = run(0.8);
  EXPECT_GT(rms(last(out, 1, 0.3)), 5);
  EXPECT_EQ(rms(last(out, 0, 0.3)), 0);
  place_bike(-10, 0);  // to the left
  out = run(0.8);
  EXPECT_GT(rms(last(out, 0, 0.3)), 5);
  EXPECT_EQ(rms(last(out, 1, 0.3)), 0);
}

TEST(EngineVoiceSettingsOf, VolumeFallsWithDistanceAndPanIsCentredOnTheListener) {
  SoundListener l;
  const double still[3] = {0, 0, 0};
  const double near[3] = {0, 0, -1}, far[3] = {0, 0, -49}, beyond[3] = {0, 0, -97}, at[3] = {0, 0, 0.01};
  EXPECT_EQ(engine_voice_settings(near, still, l, 1, 1).volume, 32767);
  EXPECT_EQ(engine_voice_settings(far, still, l, 1, 1).volume, 32767 / 2);
  EXPECT_EQ(engine_voice_settings(beyond, still, l, 1, 1).volume, 32767 / 3);
  EXPECT_EQ(engine_voice_settings(near, still, l, 0.25, 1).volume, 8191);
  EXPECT_EQ(engine_voice_settings(near, still, l, 5, 1).volume, 32767);
  EXPECT_EQ(engine_voice_settings(near, still, l, -1, 1).volume, 0);
  EngineVoiceSettings on_top = engine_voice_settings(at, still, l, 1, 1);
  EXPECT_EQ(on_top.pan, 0);
  EXPECT_EQ(on_top.rate, kSynthRate);
  EXPECT_EQ(engine_voice_settings(near, still, l, 1, 1).pan, 0);
  const double right[3] = {30, 0, 0};
  EXPECT_EQ(engine_voice_settings(right, still, l, 1, 1).pan, 32767);
  const double nan_place[3] = {NAN, 0, 0};
  EngineVoiceSettings lost = engine_voice_settings(nan_place, still, l, 1, 1);
  EXPECT_EQ(lost.volume, 0);
  EXPECT_EQ(lost.pan, 0);
  EXPECT_EQ(lost.rate, kSynthRate);
}

TEST_F(EngineVoice, WriterStaysATenthOfASecondAheadOfThePlayPosition) {
  loadEngineSound(sound, "250f", "");
  input.rpm = 9000;
  input.torque = 3;
  run(0.2);
  for (int frame = 0; frame < 200; ++frame) {
    updateEngineSound(sound, input, listener, 1);
    int play = tarn_audio().position(sound.voice);
    int lead = static_cast<int>((sound.synth.write_position - static_cast<uint32_t>(play) + kSoundRingSize) %
                                kSoundRingSize);
    EXPECT_EQ(lead, kSynthRate / 10) << frame;
    size_t bytes = 0;
    tarn_audio().read_back(&bytes);
  }
}

TEST(EngineWriter, SamplesToWrite) {
  struct Case {
    int play;
    uint32_t written;
    int count;
  } cases[] = {
      {0, 11025, 8820},   // a new voice: a full frame's worth
      {1000, 5410, 0},    // already a tenth ahead
      {1000, 5000, 410},
      {32000, 100, 3542},  // across the end of the ring
      {100, 32000, 5278},
      {5000, 4000, 5410},  // fallen behind: catch up to the lead
      {20000, 0, 8820},    // far behind: at most a fifth of a second
  };
  for (const Case& c : cases) EXPECT_EQ(engine_samples_to_write(c.play, c.written), c.count) << c.play << " " << c.written;
}

TEST_F(EngineVoice, ReloadKeepsTheVoiceAndStartsTheNoteAfresh) {
  loadEngineSound(sound, "450f", "");
  AudioVoice* voice = sound.voice;
  input.rpm = 7000;
  run(0.3);
  EXPECT_NE(sound.synth.events, 0u);
  loadEngineSound(sound, "125", "");
  EXPECT_EQ(sound.voice, voice);
  EXPECT_EQ(sound.synth.events, 0u);
  EXPECT_EQ(sound.synth.write_position, 11025u);
  EXPECT_EQ(sound.params.firings_per_revolution, 1);
}

TEST_F(EngineVoice, QuietWithVolumeZero) {
  loadEngineSound(sound, "450f", "");
  input.rpm = 9000;
  std::vector<uint8_t> out = run(0.5, 0);
  for (uint8_t b : out) ASSERT_EQ(b, 128);
}

TEST(EngineVoiceDriver, VoiceFollowsTheDriverThatIsOpen) {
  sound_cache_reset();
  EngineSound s;
  EngineSoundInput in;
  in.rpm = 5000;
  SoundListener l;
  // No driver: nothing to play, nothing made.
  loadEngineSound(s, "450f", "");
  EXPECT_EQ(s.voice, nullptr);
  updateEngineSound(s, in, l, 1);
  EXPECT_EQ(s.voice, nullptr);
  // A driver opened later gets a voice at the next frame.
  ASSERT_NE(tarn_start_recording_audio(kRate, kBlock), nullptr);
  updateEngineSound(s, in, l, 1);
  ASSERT_NE(s.voice, nullptr);
  // Closed and opened again: the old voice went with its driver and is
  // never touched again; a new one takes its place.
  tarn_stop_audio();
  updateEngineSound(s, in, l, 1);
  EXPECT_EQ(s.voice, nullptr);
  ASSERT_NE(tarn_start_recording_audio(kRate, kBlock), nullptr);
  updateEngineSound(s, in, l, 1);
  EXPECT_NE(s.voice, nullptr);
  size_t bytes = 0;
  tarn_audio().read_back(&bytes);
  releaseEngineSound(s);
  EXPECT_EQ(s.voice, nullptr);
  tarn_stop_audio();
  releaseEngineSound(s);  // twice is harmless
}

}  // namespace
