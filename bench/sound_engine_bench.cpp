// The engine sound's cost per rendered frame, and the mixer's per block.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/audio_mixer.h"
#include "sound/engine_params.h"
#include "sound/engine_synth.h"

// One bike's frame at 60 frames a second: 735 samples with 16 pipe taps
// and 4 table voices per sample.
static void BM_SynthesiseOneBikeFrame(benchmark::State& state) {
  EngineParams p = engine_class_defaults("450f");
  EngineSynth s;
  synth_reset(s, p);
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    synthesise(s, p, 9000, 1, count);
    benchmark::DoNotOptimize(s.ring.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SynthesiseOneBikeFrame)->Arg(735)->Arg(8820);

// One 690-sample stereo block of the recording rate with a number of
// engine voices playing, the budget of 16 mixed and the rest stepped.
static void BM_MixBlock(benchmark::State& state) {
  MixerSettings settings;
  settings.output_rate = 88320;
  settings.channels = 2;
  settings.max_block = 690;
  Mixer* mixer = mixer_create(settings);
  std::vector<int8_t> ring(32768);
  for (size_t i = 0; i < ring.size(); ++i) ring[i] = static_cast<int8_t>((i * 37) % 200 - 100);
  std::vector<AudioVoice*> voices;
  for (int i = 0; i < state.range(0); ++i) {
    AudioVoice* v = mixer_new_stream_voice(mixer, 32768, 44100);
    mixer_write(v, 32768, ring.data(), 0);
    mixer_set_looping(v, true);
    mixer_set_volume(v, 1000 + i * 500);
    mixer_set_pan(v, i * 997 % 65535 - 32768);
    mixer_start(v);
    voices.push_back(v);
  }
  std::vector<uint8_t> out(690 * 2);
  for (auto _ : state) {
    mixer_mix(mixer, out.data(), 690);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 690);
  mixer_destroy(mixer);
}
BENCHMARK(BM_MixBlock)->Arg(1)->Arg(16)->Arg(40)->Arg(160);
