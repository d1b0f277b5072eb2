#include "tools/datagen/ground_textures.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int S = kGroundTextureSize;

uint32_t hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h;
}

double lattice(int x, int y, int period, uint32_t seed) {
  x = ((x % period) + period) % period;
  y = ((y % period) + period) % period;
  return (hash(x, y, seed) & 0xffff) / 65535.0;
}

// Value noise that repeats every `period` cells over the texture.
double value_noise(double u, double v, int period, uint32_t seed) {
  double x = u * period, y = v * period;
  int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  double fx = x - x0, fy = y - y0;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  double a = lattice(x0, y0, period, seed), b = lattice(x0 + 1, y0, period, seed);
  double c = lattice(x0, y0 + 1, period, seed), d = lattice(x0 + 1, y0 + 1, period, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double fbm(double u, double v, int base_period, uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int o = 0; o < 4; ++o) {
    sum += amp * value_noise(u, v, base_period << o, seed + o * 7919);
    norm += amp;
    amp *= 0.5;
  }
  return sum / norm;
}

struct SurfaceLook {
  double base[3], dark[3];
  int period;       // size of the blotches
  double grain;     // fine speckle strength
  double streaks;   // grass blades along one axis
};

const SurfaceLook kLooks[SurfaceCount] = {
    {{138, 104, 70}, {96, 70, 46}, 4, 0.25, 0},    // hard-pack: worn brown clay
    {{112, 78, 50}, {70, 46, 28}, 8, 0.45, 0},     // loose: dark broken dirt
    {{206, 184, 136}, {168, 146, 100}, 6, 0.35, 0},  // sand
    {{78, 118, 48}, {46, 80, 30}, 4, 0.3, 0.5},    // grass
};

void surface_pixel(GroundSurface s, int variant, double u, double v, double out[3]) {
  const SurfaceLook& L = kLooks[s];
  const uint32_t seed = 101u * (s + 1) + 977u * variant;
  double blot = fbm(u, v, L.period, seed);
  double grain = value_noise(u, v, 64, seed + 31);
  double t = std::clamp(blot * 1.4 - 0.2 + L.grain * (grain - 0.5), 0.0, 1.0);
  if (L.streaks > 0) {
    double blades = value_noise(u * 0.25, v, 128, seed + 57);
    t = std::clamp(t + L.streaks * (blades - 0.5), 0.0, 1.0);
  }
  // Pebbles on the dirt surfaces.
  double pebble = s == SurfaceGrass ? 0 : (value_noise(u, v, 32, seed + 5) > 0.82 ? 0.25 : 0.0);
  for (int k = 0; k < 3; ++k) out[k] = L.dark[k] + (L.base[k] - L.dark[k]) * t + pebble * 40;
}

uint8_t to_byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

std::vector<uint8_t> ground_texture(GroundSurface surface, int variant) {
  std::vector<uint8_t> px(S * S * 3);
  double c[3];
  for (int y = 0; y < S; ++y) {
    for (int x = 0; x < S; ++x) {
      surface_pixel(surface, variant, (x + 0.5) / S, (y + 0.5) / S, c);
      for (int k = 0; k < 3; ++k) px[(y * S + x) * 3 + k] = to_byte(c[k]);
    }
  }
  return px;
}

std::vector<uint8_t> ground_transition(GroundSurface a, GroundSurface b, int mask) {
  std::vector<uint8_t> px(S * S * 3);
  const double mw = (mask >> 3) & 1, mx = (mask >> 2) & 1, my = (mask >> 1) & 1, mz = mask & 1;
  double ca[3], cb[3];
  for (int y = 0; y < S; ++y) {
    for (int x = 0; x < S; ++x) {
      double u = (x + 0.5) / S, v = (y + 0.5) / S;
      // The tile's corners sit at the inner edge of the sixteenth margin.
      double cu = std::clamp((u - 0.0625) / 0.875, 0.0, 1.0), cv = std::clamp((v - 0.0625) / 0.875, 0.0, 1.0);
      double m = mw * (1 - cu) * (1 - cv) + mx * cu * (1 - cv) + my * (1 - cu) * cv + mz * cu * cv;
      m += 0.3 * (fbm(u, v, 8, 4242) - 0.5);
      double f = std::clamp((m - 0.5) / 0.12 + 0.5, 0.0, 1.0);
      surface_pixel(a, 0, u, v, ca);
      surface_pixel(b, 0, u, v, cb);
      for (int k = 0; k < 3; ++k) px[(y * S + x) * 3 + k] = to_byte(ca[k] + (cb[k] - ca[k]) * f);
    }
  }
  return px;
}

std::vector<uint8_t> roost_texture() {
  const int n = kRoostTextureSize;
  std::vector<uint8_t> px(static_cast<size_t>(n) * n * 4);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const double u = (x + 0.5) / n, v = (y + 0.5) / n;
      const double dx = 2 * u - 1, dy = 2 * v - 1;
      // A round clump whose edge the noise breaks up, shaded lighter on top.
      const double edge = 0.62 + 0.3 * fbm(u, v, 4, 7331);
      const double r = std::sqrt(dx * dx + dy * dy) / edge;
      const double alpha = std::clamp((1 - r) * 4, 0.0, 1.0);
      const double shade = 0.7 + 0.2 * (1 - v) + 0.1 * fbm(u, v, 8, 1181);
      uint8_t* p = &px[(static_cast<size_t>(y) * n + x) * 4];
      p[0] = p[1] = p[2] = to_byte(255 * std::min(1.0, shade));
      p[3] = to_byte(255 * alpha);
    }
  }
  return px;
}
