// Ground queries on the checkerboard triangulation. A cell (i, j) is split
// along (i, j)-(i+1, j+1) when i + j is even, along (i+1, j)-(i, j+1) when
// odd, so every even sample is the centre of a symmetric fan.
#include <cmath>

#include "track/terrain.h"

namespace {

inline int clamp_index(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }

inline float H(const Terrain& t, int i, int j) {
  const int last = t.size - 1;
  return t.heights[static_cast<size_t>(clamp_index(j, last)) * t.size + clamp_index(i, last)];
}

// Sample coordinate of a world coordinate, kept within one sample of the
// field so that the integer part cannot overflow (NaN lands on the edge).
inline float sample_coordinate(const Terrain& t, float world) {
  float u = world / t.spacing;
  if (!(u >= -1.0f)) return -1.0f;
  if (u > static_cast<float>(t.size)) return static_cast<float>(t.size);
  return u;
}

// The corners (sample indices, first corner first) of the triangle under a
// point, in the order the normal's cross product takes them.
struct Triangle {
  int ci[3], cj[3];
};

inline Triangle triangle_under(const Terrain& t, float x, float z) {
  const float u = sample_coordinate(t, x), w = sample_coordinate(t, z);
  const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(w));
  const float fx = u - i, fz = w - j;
  if ((i + j) & 1) {
    if (fx + fz <= 1) return {{i, i + 1, i}, {j, j, j + 1}};
    return {{i + 1, i, i + 1}, {j + 1, j + 1, j}};
  }
  if ((1 - fx) + fz <= 1) return {{i + 1, i, i + 1}, {j, j, j + 1}};
  return {{i, i + 1, i}, {j + 1, j + 1, j}};
}

}  // namespace

float terrain_height_at(const Terrain& t, float x, float z) {
  if (t.size == 0) return 0.0f;
  const float u = sample_coordinate(t, x), w = sample_coordinate(t, z);
  const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(w));
  const float fx = u - i, fz = w - j;
  if ((i + j) & 1) {
    if (fx + fz <= 1) {
      const float h = H(t, i, j);
      return h + fx * (H(t, i + 1, j) - h) + fz * (H(t, i, j + 1) - h);
    }
    const float h = H(t, i + 1, j + 1);
    return h + (1 - fx) * (H(t, i, j + 1) - h) + (1 - fz) * (H(t, i + 1, j) - h);
  }
  const float gx = 1 - fx;
  if (gx + fz <= 1) {
    const float h = H(t, i + 1, j);
    return h + gx * (H(t, i, j) - h) + fz * (H(t, i + 1, j + 1) - h);
  }
  const float h = H(t, i, j + 1);
  return h + fx * (H(t, i + 1, j + 1) - h) + (1 - fz) * (H(t, i, j) - h);
}

void terrain_triangle_normal(const Terrain& t, float x, float z, float out[3]) {
  if (t.size == 0) {
    out[0] = 0, out[1] = 1, out[2] = 0;
    return;
  }
  const Triangle tri = triangle_under(t, x, z);
  float p[3][3];
  for (int k = 0; k < 3; ++k) {
    p[k][0] = tri.ci[k] * t.spacing;
    p[k][1] = H(t, tri.ci[k], tri.cj[k]);
    p[k][2] = tri.cj[k] * t.spacing;
  }
  const float a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const float b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
  if (out[1] < 0) out[0] = -out[0], out[1] = -out[1], out[2] = -out[2];
}

void terrain_vertex_normal(const Terrain& t, int i, int j, float out[3]) {
  out[0] = 0, out[1] = 1, out[2] = 0;
  if (t.size == 0) return;
  static constexpr int ring[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
  const float s = t.spacing;
  const float hc = H(t, i, j);
  float d[8][3];
  for (int k = 0; k < 8; ++k) {
    d[k][0] = ring[k][0] * s;
    d[k][1] = H(t, i + ring[k][0], j + ring[k][1]) - hc;
    d[k][2] = ring[k][1] * s;
  }
  float sum[3] = {0, 0, 0};
  for (int k = 0; k < 8; ++k) {
    const float* a = d[k];
    const float* b = d[(k + 1) & 7];
    // b x a points up for the ring's winding.
    const float c[3] = {b[1] * a[2] - b[2] * a[1], b[2] * a[0] - b[0] * a[2], b[0] * a[1] - b[1] * a[0]};
    const float len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    if (len > 0) {
      sum[0] += c[0] / len, sum[1] += c[1] / len, sum[2] += c[2] / len;
    }
  }
  const float len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  if (len > 0) out[0] = sum[0] / len, out[1] = sum[1] / len, out[2] = sum[2] / len;
}

int terrain_tile_at(const Terrain& t, float x, float z) {
  if (t.tilemap.empty()) return 0;
  const int n = 1 << t.exponent;
  const float u = x / t.tile_size, w = z / t.tile_size;
  const int ti = !(u >= 0) ? 0 : u >= n ? n - 1 : static_cast<int>(u);
  const int tj = !(w >= 0) ? 0 : w >= n ? n - 1 : static_cast<int>(w);
  return t.tilemap[static_cast<size_t>(tj) * n + ti];
}

const TileType& terrain_tile_type_at(const Terrain& t, float x, float z) {
  static const TileType none;
  if (t.tile_types.empty()) return none;
  return t.tile_types[terrain_tile_at(t, x, z)];
}
