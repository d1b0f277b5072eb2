// The deformation brush and the shading refresh that follows it.
#include <algorithm>
#include <cmath>

#include "track/terrain.h"

namespace {

uint8_t to_byte(float v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(std::lround(v));
}

// 128 + round(127 * v) with the signed term kept within -127..127.
uint8_t encode_normal(float v) {
  long term = std::lround(127.0f * v);
  term = std::clamp(term, -127L, 127L);
  return static_cast<uint8_t>(128 + term);
}

void update_normal_map_sample(Terrain& t, int i, int j, const float n[3]) {
  const size_t k = static_cast<size_t>(j) * t.size + i;
  t.normal_map[3 * k] = encode_normal(n[0]);
  t.normal_map[3 * k + 1] = static_cast<uint8_t>(255 - t.shadow[k]);
  t.normal_map[3 * k + 2] = encode_normal(n[2]);
}

}  // namespace

void terrain_build_normal_map(Terrain& t) {
  t.normal_map.assign(static_cast<size_t>(t.size) * t.size * 3, 0);
  float n[3];
  for (int j = 0; j < t.size; ++j) {
    for (int i = 0; i < t.size; ++i) {
      terrain_vertex_normal(t, i, j, n);
      update_normal_map_sample(t, i, j, n);
    }
  }
}

void terrain_refresh(Terrain& t, int i0, int j0, int i1, int j1) {
  if (t.size == 0) return;
  i0 = std::max(i0, 0), j0 = std::max(j0, 0);
  i1 = std::min(i1, t.size - 1), j1 = std::min(j1, t.size - 1);
  if (i0 > i1 || j0 > j1) return;
  // A record put together by hand (tools, tests) may lack the light arrays.
  const size_t samples = static_cast<size_t>(t.size) * t.size;
  if (t.shading.size() != samples * 3) t.shading.assign(samples * 3, 0);
  if (t.shadow.size() != samples) t.shadow.assign(samples, 0);
  const TerrainLight& L = t.light;
  const bool with_normal_map = t.shaders && !t.normal_map.empty();
  float n[3];
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      terrain_vertex_normal(t, i, j, n);
      const size_t k = static_cast<size_t>(j) * t.size + i;
      float w = std::clamp(L.sun[0] * n[0] + L.sun[1] * n[1] + L.sun[2] * n[2], 0.0f, 1.0f);
      w *= 1.0f - t.shadow[k] / 255.0f;
      for (int c = 0; c < 3; ++c) {
        t.shading[3 * k + c] = to_byte((L.sun_color[c] * w + L.ambient[c]) * 0.5f * 255.0f);
      }
      if (with_normal_map) update_normal_map_sample(t, i, j, n);
    }
  }
  terrain_mark_stale(t, i0, j0, i1, j1);
}

void terrain_deform(Terrain& t, float x, float z, float radius, float amount) {
  if (amount == 0 || t.size == 0) return;
  if (!std::isfinite(x) || !std::isfinite(z) || !std::isfinite(radius) || !std::isfinite(amount)) return;
  const float s = t.spacing;
  const float R = radius / s;
  const float u = x / s, w = z / s;
  // A brush wider than the field, or one far outside it, is cut to what can
  // reach the field (the loop bounds must fit in an int).
  const float reach = std::min(R, 4.0f * t.size);
  const bool touches = R > 0 && u > -reach - 1 && w > -reach - 1 && u < t.size + reach + 1 && w < t.size + reach + 1;
  if (touches) {
    const int c = 2 * static_cast<int>(std::ceil(reach));
    const int ci = static_cast<int>(std::floor(u)), cj = static_cast<int>(std::floor(w));
    const int i0 = ci - c / 2 + 1, i1 = ci + c / 2;
    const int j0 = cj - c / 2 + 1, j1 = cj + c / 2;
    if (!t.frozen) {
      for (int j = std::max(j0, 0); j <= std::min(j1, t.size - 1); ++j) {
        for (int i = std::max(i0, 0); i <= std::min(i1, t.size - 1); ++i) {
          const float D = std::sqrt((u - i) * (u - i) + (w - j) * (w - j));
          if (D > R) continue;
          const float q = D / R;
          const float weight = 2 * q * q * q - 3 * q * q + 1;
          float& h = t.heights[static_cast<size_t>(j) * t.size + i];
          h += amount * weight;
          t.modified = 1;
          t.hmin = std::min(t.hmin, h);
          t.hmax = std::max(t.hmax, h);
        }
      }
    }
    terrain_refresh(t, i0, j0, i1, j1);
  }
  ++t.change_count;
}
