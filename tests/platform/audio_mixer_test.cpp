// The software mixer, measured on the bytes it mixes.
#include "platform/audio_mixer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A mixer of its own per test. One block settles pending level changes,
// which wait at most one block for a zero crossing.
class MixerTest : public ::testing::Test {
 protected:
  void open(int channels, int budget = 16, int rate = 22050, int max_block = 64) {
    MixerSettings s;
    s.output_rate = rate;
    s.channels = channels;
    s.voices_budget = budget;
    s.max_block = max_block;
    mixer = mixer_create(s);
    ASSERT_NE(mixer, nullptr);
    this->channels = channels;
  }
  void TearDown() override { mixer_destroy(mixer); }

  std::vector<uint8_t> mix(int frames) {
    std::vector<uint8_t> out(static_cast<size_t>(frames * channels));
    mixer_mix(mixer, out.data(), frames);
    return out;
  }
  // Left channel (or the only one) of a mix, as signed sums.
  std::vector<int> mix_left(int frames) {
    std::vector<uint8_t> out = mix(frames);
    std::vector<int> left;
    for (size_t i = 0; i < out.size(); i += static_cast<size_t>(channels)) left.push_back(out[i] - 128);
    return left;
  }
  AudioVoice* voice(const std::vector<int8_t>& samples, int volume = 32767, bool looping = true) {
    AudioVoice* v = mixer_new_voice(mixer, static_cast<int>(samples.size()), samples.data(), 22050);
    EXPECT_NE(v, nullptr);
    mixer_set_volume(v, volume);
    mixer_set_looping(v, looping);
    return v;
  }
  static std::vector<int8_t> constant(int8_t value, int count = 64) { return std::vector<int8_t>(count, value); }

  Mixer* mixer = nullptr;
  int channels = 2;
};

struct LevelCase {
  int volume, pan, left, right;
};

// Volume v and pan p: left v(32767 - p) / 2^26, right v(32768 + p) / 2^26,
// truncated; values outside the ranges are clamped first.
const LevelCase kLevels[] = {
    {32767, 0, 15, 15},       {16384, 0, 7, 8},         {32767, -32768, 31, 0}, {32767, 32767, 0, 31},
    {20000, -10000, 12, 6},   {0, 0, 0, 0},             {2048, 0, 0, 1},        {40000, 0, 15, 15},
    {32767, -40000, 31, 0},   {-5, 0, 0, 0},
};

TEST_F(MixerTest, LevelsFromVolumeAndPanAreTruncated) {
  open(2);
  AudioVoice* v = voice(constant(100));
  for (const LevelCase& c : kLevels) {
    EXPECT_EQ(mixer_level(c.volume, c.pan, 0), c.left) << c.volume << " " << c.pan;
    EXPECT_EQ(mixer_level(c.volume, c.pan, 1), c.right) << c.volume << " " << c.pan;
    mixer_set_volume(v, c.volume);
    mixer_set_pan(v, c.pan);
    int left = -1, right = -1;
    mixer_voice_levels(v, &left, &right);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(right, c.right);
  }
}

TEST_F(MixerTest, MixedSamplesAreScaledByLevelAndTruncatedTowardsZero) {
  open(2);
  AudioVoice* plus = voice(constant(100), 16384);  // left 7, right 8
  mixer_start(plus);
  mix(64);
  std::vector<uint8_t> out = mix(8);
  // 100 x 7 / 32 = 21.875 -> 21; 100 x 8 / 32 = 25.
  EXPECT_EQ(out[0], 128 + 21);
  EXPECT_EQ(out[1], 128 + 25);
  mixer_free_voice(plus);
  AudioVoice* minus = voice(constant(-100), 16384);
  mixer_start(minus);
  mix(64);
  out = mix(8);
  EXPECT_EQ(out[0], 128 - 21);
  EXPECT_EQ(out[1], 128 - 25);
}

TEST_F(MixerTest, VolumeTablesAtTheirEnds) {
  struct Case {
    int level, sample, scaled;
  } cases[] = {{0, 127, 0}, {0, -128, 0}, {31, 127, 123}, {31, -128, -124}, {16, -1, 0},
               {16, 3, 1},  {1, 31, 0},   {1, 32, 1},     {31, -33, -31}};
  for (const Case& c : cases) EXPECT_EQ(mixer_scaled_sample(c.level, c.sample), c.scaled) << c.level << " " << c.sample;
  // Scaling never grows a sample nor flips its sign.
  for (int level = 0; level < kMixerLevels; ++level) {
    for (int s = -128; s < 128; ++s) {
      int scaled = mixer_scaled_sample(level, s);
      EXPECT_LE(std::abs(scaled), std::abs(s));
      EXPECT_GE(scaled * s, 0);
    }
  }
}

TEST_F(MixerTest, OutputConversionClipsAtItsBounds) {
  struct Case {
    int32_t sum;
    uint8_t byte;
  } cases[] = {{-100000, 0}, {-129, 0}, {-128, 0}, {-127, 1}, {-1, 127}, {0, 128},
               {1, 129},     {126, 254}, {127, 255}, {128, 255}, {100000, 255}};
  for (const Case& c : cases) EXPECT_EQ(mixer_output_byte(c.sum), c.byte) << c.sum;

  // Ten full voices of 127 sum to 1230 and clip; of -128, to -1240.
  open(1);
  std::vector<AudioVoice*> loud;
  for (int i = 0; i < 10; ++i) loud.push_back(voice(constant(127)));
  for (AudioVoice* v : loud) mixer_start(v);
  mix(64);
  for (int s : mix_left(16)) EXPECT_EQ(s, 127);
  for (AudioVoice* v : loud) mixer_write(v, 64, constant(-128).data(), 0);
  mix(64);
  for (int s : mix_left(16)) EXPECT_EQ(s, -128);
}

TEST_F(MixerTest, VoicesBudgetKeepsTheLoudest) {
  // Mono: full volume is level 31, half level 15, a quarter level 7. The
  // quietest starts first and still loses its place.
  open(1, 2);
  AudioVoice* quiet = voice(constant(64), 8192);
  AudioVoice* middle = voice(constant(64), 16384);
  AudioVoice* loud = voice(constant(64), 32767);
  for (AudioVoice* v : {quiet, middle, loud}) mixer_start(v);
  mix(64);
  // 64 x 31 / 32 = 62 and 64 x 15 / 32 = 30; the 14 of the quietest is left out.
  for (int s : mix_left(16)) EXPECT_EQ(s, 62 + 30);
  // Once the loudest stops, the quietest takes its place.
  mixer_stop(loud);
  mix(64);
  for (int s : mix_left(16)) EXPECT_EQ(s, 30 + 14);
}

TEST_F(MixerTest, SeventeenEqualVoicesSixteenHeardTheLastInTime) {
  open(2);
  std::vector<int8_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[static_cast<size_t>(i)] = static_cast<int8_t>(i % 2 ? 4 : 0);
  std::vector<AudioVoice*> voices;
  for (int i = 0; i < 17; ++i) voices.push_back(voice(ramp, 32767));
  for (AudioVoice* v : voices) {
    mixer_set_pan(v, -32768);  // level 31 on the left
    mixer_start(v);
  }
  mix(64);
  std::vector<int> left = mix_left(32);
  // Odd samples of 4 at level 31 give 3 each: sixteen of them, not seventeen.
  for (size_t i = 0; i < left.size(); ++i) EXPECT_EQ(left[i], i % 2 ? 16 * 3 : 0) << i;
  for (AudioVoice* v : voices) EXPECT_EQ(mixer_position(v), 96);
}

TEST_F(MixerTest, LoopingVoiceWraps) {
  open(1);
  std::vector<int8_t> ramp;
  for (int i = 0; i < 10; ++i) ramp.push_back(static_cast<int8_t>(i * 10));
  AudioVoice* v = voice(ramp);
  mixer_start(v);
  std::vector<int> out = mix_left(35);
  for (int i = 0; i < 35; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], mixer_scaled_sample(31, ramp[i % 10])) << i;
  EXPECT_EQ(mixer_position(v), 5);
  EXPECT_TRUE(mixer_voice_playing(v));
}

TEST_F(MixerTest, FinishedVoiceLeavesTheListsAndFreesItsPlace) {
  open(1, 1);
  std::vector<int8_t> short_one(10, 100);
  short_one[0] = 0;
  AudioVoice* once = voice(short_one, 32767, false);
  AudioVoice* background = voice(constant(32), 16384);  // level 15: 15 each
  mixer_start(once);
  mixer_start(background);
  std::vector<int> out = mix_left(24);
  EXPECT_EQ(out[1], mixer_scaled_sample(31, 100));
  EXPECT_EQ(out[9], mixer_scaled_sample(31, 100));
  for (size_t i = 10; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << i;
  EXPECT_FALSE(mixer_voice_playing(once));
  EXPECT_EQ(mixer_position(once), 0);
  // The budget of one now goes to the other voice.
  mix(64);
  for (int s : mix_left(8)) EXPECT_EQ(s, 15);
  // A finished voice starts again from its beginning.
  mixer_stop(background);
  mixer_start(once);
  out = mix_left(4);
  EXPECT_EQ(out[1], mixer_scaled_sample(31, 100));
}

TEST_F(MixerTest, NearestSampleSteppingFollowsTheRate) {
  open(1);
  std::vector<int8_t> ramp;
  for (int i = 0; i < 40; ++i) ramp.push_back(static_cast<int8_t>(i * 3));
  AudioVoice* v = voice(ramp);
  mixer_set_rate(v, 33075);  // one and a half samples per output sample
  mixer_start(v);
  std::vector<int> out = mix_left(20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], mixer_scaled_sample(31, ramp[i * 3 / 2])) << i;
  EXPECT_EQ(mixer_position(v), 30);
}

TEST_F(MixerTest, DataIsConvertedToTheOutputRateWhenTheVoiceIsMade) {
  open(1);
  std::vector<int8_t> data = {0, 10, 20, 30, 40};
  AudioVoice* half = mixer_new_voice(mixer, 5, data.data(), 11025);
  EXPECT_EQ(mixer_voice_length(half), 10);
  mixer_start(half);
  std::vector<int> out = mix_left(10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], mixer_scaled_sample(31, data[i / 2])) << i;
  // A rate of 0 means the default rate.
  AudioVoice* default_rate = mixer_new_voice(mixer, 5, data.data(), 0);
  EXPECT_EQ(mixer_voice_length(default_rate), 5);
}

TEST_F(MixerTest, StreamVoiceKeepsItsSamplesAndPlaysAtItsRate) {
  open(1);
  AudioVoice* v = mixer_new_stream_voice(mixer, 32768, 44100);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(mixer_voice_length(v), 32768);
  std::vector<int8_t> ramp;
  for (int i = 0; i < 40; ++i) ramp.push_back(static_cast<int8_t>(i));
  mixer_write(v, 40, ramp.data(), 0);
  mixer_start(v);
  std::vector<int> out = mix_left(20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], mixer_scaled_sample(31, ramp[2 * i])) << i;
  EXPECT_EQ(mixer_position(v), 40);
}

TEST_F(MixerTest, WriteWrapsAndKeepsOnlyTheLastSamples) {
  open(1);
  AudioVoice* v = mixer_new_stream_voice(mixer, 8, 22050);
  std::vector<int8_t> three = {70, 71, 72};
  mixer_write(v, 3, three.data(), 6);
  std::vector<int8_t> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back(static_cast<int8_t>(i * 8));
  mixer_start(v);
  std::vector<int> out = mix_left(8);
  std::vector<int> expect = {72, 0, 0, 0, 0, 0, 70, 71};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], mixer_scaled_sample(31, expect[i])) << i;
  // Twelve samples at 2 leave the data as if they had been written one
  // after the other, wrapping: each place holds the last sample to land on it.
  mixer_write(v, 12, twelve.data(), 2);
  mixer_stop(v);
  mixer_start(v);
  out = mix_left(8);
  for (int k = 0; k < 8; ++k) {
    int written = ((k - 2) % 8 + 8) % 8;  // the offset of the write landing on k
    int value = written + 8 < 12 ? twelve[written + 8] : twelve[written];
    EXPECT_EQ(out[static_cast<size_t>(k)], mixer_scaled_sample(31, value)) << k;
  }
  // A negative position counts back from the end.
  mixer_write(v, 1, three.data(), -1);
  mixer_stop(v);
  mixer_start(v);
  EXPECT_EQ(mix_left(8)[7], mixer_scaled_sample(31, 70));
}

TEST_F(MixerTest, LevelChangeWaitsForAZeroCrossing) {
  open(1);
  // A square wave: five samples of +64, five of -64.
  std::vector<int8_t> square;
  for (int i = 0; i < 10; ++i) square.push_back(i < 5 ? 64 : -64);
  AudioVoice* v = voice(square);
  mixer_start(v);
  mix(3);  // now three samples into the positive half, at level 31
  mixer_set_volume(v, 16384);  // level 15
  std::vector<int> out = mix_left(7);
  EXPECT_EQ(out[0], 62);  // still the old level until the sign changes
  EXPECT_EQ(out[1], 62);
  EXPECT_EQ(out[2], -30);  // the first negative sample is at the new level
  EXPECT_EQ(out[6], -30);
}

TEST_F(MixerTest, WaitForAZeroCrossingEndsWithTheBlock) {
  // A constant waveform never crosses zero, and a voice at rate 0 never
  // moves: the new level still arrives one block later.
  open(1);
  AudioVoice* v = voice(constant(64));
  mixer_set_rate(v, 0);
  mixer_start(v);
  mix(64);
  mixer_set_volume(v, 16384);
  std::vector<int> first = mix_left(64);
  EXPECT_EQ(first[0], 62);
  for (int s : mix_left(8)) EXPECT_EQ(s, 30);
}

TEST_F(MixerTest, RestartedVoiceGoesBackToItsBeginningAtAZeroCrossing) {
  open(1);
  std::vector<int8_t> data = {0, 20, 40, 60, -20, -40, 5, 6, 7, 8, 9, 10};
  AudioVoice* v = voice(data);
  mixer_start(v);
  mix(2);  // at sample 2 (40)
  mixer_start(v);
  std::vector<int> out = mix_left(5);
  EXPECT_EQ(out[0], mixer_scaled_sample(31, 40));
  EXPECT_EQ(out[1], mixer_scaled_sample(31, 60));
  // Sample 4 (-20) changes sign: there the voice goes back to sample 0.
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], mixer_scaled_sample(31, 20));
  EXPECT_EQ(out[4], mixer_scaled_sample(31, 40));
}

TEST_F(MixerTest, MonoDeviceKeepsEveryVoiceOnItsOneChannel) {
  open(1);
  AudioVoice* v = voice(constant(64));
  mixer_set_pan(v, 32767);
  int left = -1, right = -1;
  mixer_voice_levels(v, &left, &right);
  EXPECT_EQ(left, 31);
  EXPECT_EQ(right, 0);
  mixer_start(v);
  mix(64);
  for (int s : mix_left(8)) EXPECT_EQ(s, 62);
}

TEST_F(MixerTest, CopiesShareTheDataUntilTheLastIsFreed) {
  open(1);
  AudioVoice* a = voice(constant(0));
  AudioVoice* b = mixer_copy_voice(a);
  ASSERT_NE(b, nullptr);
  mixer_set_looping(b, true);
  mixer_write(a, 64, constant(32).data(), 0);
  mixer_free_voice(a);
  mixer_start(b);
  mix(64);
  for (int s : mix_left(8)) EXPECT_EQ(s, 31);
  mixer_free_voice(b);
  for (int s : mix_left(8)) EXPECT_EQ(s, 0);
}

TEST_F(MixerTest, NullVoicesAndBadSettingsAreHarmless) {
  MixerSettings bad;
  bad.channels = 3;
  EXPECT_EQ(mixer_create(bad), nullptr);
  bad.channels = 2;
  bad.output_rate = 0;
  EXPECT_EQ(mixer_create(bad), nullptr);
  open(2);
  EXPECT_EQ(mixer_new_voice(mixer, 0, nullptr, 22050), nullptr);
  EXPECT_EQ(mixer_new_stream_voice(mixer, -1, 22050), nullptr);
  mixer_start(nullptr);
  mixer_set_volume(nullptr, 5);
  mixer_write(nullptr, 3, nullptr, 0);
  mixer_free_voice(nullptr);
  EXPECT_EQ(mixer_position(nullptr), 0);
}

// Every voice operation takes the mixer lock, in pairs.
int g_locks = 0, g_unlocks = 0;
void count_lock() { ++g_locks; }
void count_unlock() { ++g_unlocks; }

TEST(MixerLock, EveryVoiceOperationTakesIt) {
  MixerSettings s;
  s.lock = count_lock;
  s.unlock = count_unlock;
  Mixer* m = mixer_create(s);
  ASSERT_NE(m, nullptr);
  std::vector<int8_t> data(16, 1);
  AudioVoice* v = mixer_new_voice(m, 16, data.data(), 22050);
  int before = g_locks;
  mixer_start(v);
  mixer_set_rate(v, 11025);
  mixer_set_volume(v, 100);
  mixer_set_pan(v, 100);
  mixer_set_looping(v, true);
  mixer_position(v);
  mixer_write(v, 4, data.data(), 0);
  mixer_stop(v);
  EXPECT_EQ(g_locks - before, 8);
  mixer_free_voice(v);
  EXPECT_EQ(g_locks, g_unlocks);
  mixer_destroy(m);
}

}  // namespace
