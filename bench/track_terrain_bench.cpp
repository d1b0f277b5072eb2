// Ground queries and the deformation brush on a 513 x 513 field.
#include <benchmark/benchmark.h>

#include <cmath>

#include "track/terrain.h"

namespace {

Terrain rolling_field() {
  Terrain t;
  t.exponent = 8;
  t.size = 513;
  t.spacing = 2;
  t.tile_size = 4;
  t.world_size = 1024;
  t.heights.resize(513 * 513);
  for (int j = 0; j < 513; ++j)
    for (int i = 0; i < 513; ++i) t.heights[j * 513 + i] = 5 * std::sin(i * 0.05f) * std::cos(j * 0.07f);
  t.hmin = -5, t.hmax = 5;
  t.shading.assign(513 * 513 * 3, 0);
  t.shadow.assign(513 * 513, 0);
  return t;
}

void BM_HeightAt(benchmark::State& state) {
  const Terrain t = rolling_field();
  float x = 1.3f, z = 7.9f, sum = 0;
  for (auto _ : state) {
    sum += terrain_height_at(t, x, z);
    x += 3.7f, z += 1.9f;
    if (x > 1024) x -= 1024;
    if (z > 1024) z -= 1024;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_HeightAt);

void BM_TriangleNormal(benchmark::State& state) {
  const Terrain t = rolling_field();
  float n[3], x = 1.3f, z = 7.9f;
  for (auto _ : state) {
    terrain_triangle_normal(t, x, z, n);
    benchmark::DoNotOptimize(n);
    x = x > 1000 ? 1.3f : x + 3.7f;
  }
}
BENCHMARK(BM_TriangleNormal);

// A rut stroke: radius 4 ft, as erosion uses.
void BM_BrushStroke(benchmark::State& state) {
  Terrain t = rolling_field();
  const float radius = static_cast<float>(state.range(0));
  float x = 100, sign = 1;
  for (auto _ : state) {
    terrain_deform(t, x, 500, radius, 0.01f * sign);
    x = x > 900 ? 100 : x + 1.5f;
    sign = -sign;
  }
}
BENCHMARK(BM_BrushStroke)->Arg(4)->Arg(16);

}  // namespace
