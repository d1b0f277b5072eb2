// Loading the default track end to end, from the build's data set.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "shapes/shape.h"
#include "files/data_files.h"
#include "render/model.h"
#include "render/texture.h"
#include "track/track.h"

static void BM_TrackLoadDefault(benchmark::State& state) {
  setenv("KR_HOME", KR_GAME_DIR, 1);
  data_files_reset();
  Track track;
  for (auto _ : state) {
    // Cold caches each time, as at the first load of a session.
    shape_cache_clear();
    texture_cache_clear();
    model_cache_clear();
    track.folder = "rabbithill";
    if (!track_load(track)) {
      state.SkipWithError("rabbithill did not load");
      break;
    }
    benchmark::DoNotOptimize(track.track_digest);
    track_unload(track);
  }
}
BENCHMARK(BM_TrackLoadDefault)->Unit(benchmark::kMillisecond);

// The per-bike query of the race step: statues near a point.
static void BM_StatuesNear(benchmark::State& state) {
  setenv("KR_HOME", KR_GAME_DIR, 1);
  data_files_reset();
  Track track;
  track.folder = "rabbithill";
  if (!track_load(track)) {
    state.SkipWithError("rabbithill did not load");
    return;
  }
  std::vector<int> near;
  size_t i = 0;
  for (auto _ : state) {
    const Statue& s = track.statues[i++ % track.statues.size()];
    statues_near(track, s.x, s.z, near);
    benchmark::DoNotOptimize(near.data());
  }
  track_unload(track);
}
BENCHMARK(BM_StatuesNear);
