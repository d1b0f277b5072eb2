// Per track: "terrain.hf" (header only) with the heights in a 16-bit
// "terrain.png", baked "shadingx2.ppm" and "shadows.pgm" from the track's
// sun, "tileinfo", "tilemap", and the ground tile textures (shared by every
// track, in the core archive under "ground/").
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "images/image.h"
#include "tools/datagen/course.h"
#include "tools/datagen/datagen.h"
#include "tools/datagen/ground_textures.h"
#include "track/terrain.h"

namespace {

const char* const kSurfaceNames[SurfaceCount] = {"hardpack", "loose", "sand", "grass"};

// Tile type indices in "tileinfo" order.
enum : int {
  TileHardpack = 0,
  TileLoose,
  TileSand,
  TileGrass,
  TileHardpackAlt,
  TileEdgeFirst,  // grass-hardpack-0001 .. 1110 follow, by mask
};
constexpr int kEdgeMasks = 14;  // 0001 .. 1110

std::string mask_text(int m) {
  std::string s;
  for (int b = 3; b >= 0; --b) s += ((m >> b) & 1) ? '1' : '0';
  return s;
}

std::string edge_texture_name(int mask) { return "@ground/grass-hardpack-" + mask_text(mask) + ".png"; }

void gen_ground_textures(DataSet& ds) {
  const int S = kGroundTextureSize;
  for (int s = 0; s < SurfaceCount; ++s) {
    std::vector<uint8_t> px = ground_texture(static_cast<GroundSurface>(s), 0);
    ds.add_core(std::string("ground/") + kSurfaceNames[s] + ".png", png_encode_rgb(px.data(), S, S));
  }
  std::vector<uint8_t> alt = ground_texture(SurfaceHardpack, 1);
  ds.add_core("ground/hardpack-alt1.png", png_encode_rgb(alt.data(), S, S));
  for (int m = 1; m <= kEdgeMasks; ++m) {
    std::vector<uint8_t> px = ground_transition(SurfaceGrass, SurfaceHardpack, m);
    ds.add_core(edge_texture_name(m).substr(1), png_encode_rgb(px.data(), S, S));
  }
  // The tiles' roost entries name no texture of their own: "@roost.png".
  std::vector<uint8_t> roost = roost_texture();
  ds.add_core("roost.png", png_encode_rgba(roost.data(), kRoostTextureSize, kRoostTextureSize));
}

// How each surface rides: grip falls off with slip speed (ft/s), rolling
// resistance grows with sinkage, soft ground ruts deeper and throws more.
// Hard-pack barely gives: it needs a harder push and a faster spinning
// tyre before it ruts at all. Loose dirt throws clods and a fine dust; sand
// throws its dig spray and splashes aside under a rolling tyre.
struct SurfaceRide {
  const char* friction;     // "value key" lines
  const char* roll_resist;  // "a b key" lines
  const char* roost;        // one "roost" line each
  const char* erode;
};

const SurfaceRide kRides[SurfaceCount] = {
    {"1.25 2\n1.1 12\n0.95 40\n", "3 10 10\n4 12 60\n",
     "count=8 dig=0.6 size=0.2 r=150 g=116 b=80 fade_a=-256\n",
     "erode_depth 0.1\nerode_lower 150\nerode_upper 400\nerode_radius 3\nerode_off_speed 15\n"
     "erode_on_speed 30\n"},
    {"1.1 2\n0.9 12\n0.75 40\n", "5 18 10\n6 22 60\n",
     "count=16 dig=1.2 size=0.3 grow=5 r=120 g=86 b=56 fade_a=-200\n"
     "count=4 slip_threshold=8 slow_angle=1.2 fast_angle=0.3 size=0.5 grow=8 drag=2 vscale=0.6 randomize=6 "
     "r=150 g=124 b=96 a=140 fade_a=-240\n",
     "erode_depth 1.4\nerode_lower 40\nerode_upper 130\nerode_radius 4\nerode_max_slope 0.35\n"},
    {"0.85 2\n0.72 12\n0.62 40\n", "10 34 10\n12 40 60\n",
     "count=22 dig=1.6 size=0.25 grow=6 drag=0.7 r=214 g=192 b=142 fade_a=-160\n"
     "splash=1 count=6 size=0.3 grow=3 drag=1.2 vscale=0.5 randomize=4 r=200 g=180 b=132 fade_a=-220\n",
     "erode_depth 2.4\nerode_lower 25\nerode_upper 100\nerode_radius 5\nerode_max_slope 0.45\n"},
    {"0.95 2\n0.75 12\n0.55 40\n", "4 14 10\n5 16 60\n",
     "count=5 dig=0.4 size=0.2 r=90 g=110 b=60 fade_a=-300\n",
     "erode_depth 0.25\nerode_lower 90\nerode_upper 240\nerode_radius 3\n"},
};

void append_tile(std::string& out, const std::string& texture, const SurfaceRide& ride) {
  out += "texture " + texture + "\n";
  auto each_line = [&](const char* lines, const char* keyword) {
    std::string s = lines;
    size_t pos = 0, nl;
    while ((nl = s.find('\n', pos)) != std::string::npos) {
      out += std::string(keyword) + " " + s.substr(pos, nl - pos) + "\n";
      pos = nl + 1;
    }
  };
  each_line(ride.friction, "friction");
  each_line(ride.roll_resist, "roll_resist");
  each_line(ride.roost, "roost");
  out += ride.erode;
  out += "addtile\n";
}

std::string tileinfo_text() {
  // Surfaces, then grass-to-hard-pack edges by corner mask ("tileinfo" has
  // no comment lines).
  std::string out;
  for (int s = 0; s < SurfaceCount; ++s) {
    append_tile(out, std::string("@ground/") + kSurfaceNames[s] + ".png", kRides[s]);
  }
  append_tile(out, "@ground/hardpack-alt1.png", kRides[SurfaceHardpack]);
  // Edges ride like the grass they mostly are.
  for (int m = 1; m <= kEdgeMasks; ++m) append_tile(out, edge_texture_name(m), kRides[SurfaceGrass]);
  return out;
}

bool on_course(const GeneratedTrack& t, int i, int j) {
  return t.edge_distance[static_cast<size_t>(j) * t.size + i] < 0;
}

std::string tilemap_bytes(const GeneratedTrack& t) {
  const int n = 1 << t.exponent;
  std::string map(static_cast<size_t>(n) * n, static_cast<char>(TileGrass));
  for (int tj = 0; tj < n; ++tj) {
    for (int ti = 0; ti < n; ++ti) {
      const int i = 2 * ti, j = 2 * tj;
      const int mask = on_course(t, i, j) << 3 | on_course(t, i + 2, j) << 2 | on_course(t, i, j + 2) << 1 |
                       on_course(t, i + 2, j + 2);
      int tile = TileGrass;
      if (mask == 15) {
        const size_t c = static_cast<size_t>(j + 1) * t.size + i + 1;
        if (t.feature[c] == FeatureWhoops) {
          tile = TileSand;
        } else if (std::fabs(t.bank[c]) > 0.08f) {
          tile = TileLoose;  // berms are churned up
        } else {
          tile = ((ti * 7 + tj * 13) % 5 == 0) ? TileHardpackAlt : TileHardpack;
        }
      } else if (mask != 0) {
        tile = TileEdgeFirst + mask - 1;
      }
      map[static_cast<size_t>(tj) * n + ti] = static_cast<char>(tile);
    }
  }
  return map;
}

// Light reaching each sample (255 lit): a ray towards the sun that passes
// below the ground is shadowed, with a soft edge growing with distance.
std::vector<uint8_t> bake_light(const GeneratedTrack& t) {
  std::vector<uint8_t> light(t.ground.heights.size(), 255);
  const double sx = t.sun_vector[0], sy = t.sun_vector[1], sz = t.sun_vector[2];
  const double horizontal = std::hypot(sx, sz);
  if (horizontal < 1e-6 || sy <= 0) return light;
  const double step = t.spacing;
  const double dx = sx / horizontal * step, dz = sz / horizontal * step, dy = sy / horizontal * step;
  for (int j = 0; j < t.size; ++j) {
    for (int i = 0; i < t.size; ++i) {
      const size_t at = static_cast<size_t>(j) * t.size + i;
      double x = i * t.spacing, z = j * t.spacing, y = t.ground.heights[at] + 0.3;
      double occlusion = 0;
      for (int k = 1; k < 400; ++k) {
        x += dx, z += dz, y += dy;
        if (y > t.hmax) break;
        const double d = k * step;
        const double below = t.height_at(x, z) - y;
        occlusion = std::max(occlusion, std::clamp(below / (0.5 + 0.03 * d) + 0.5, 0.0, 1.0));
        if (occlusion >= 1) break;
      }
      light[at] = static_cast<uint8_t>(std::lround(255 * (1 - 0.85 * occlusion)));
    }
  }
  return light;
}

std::string pnm(const char* magic, int size, const std::vector<uint8_t>& bytes) {
  char header[64];
  int n = std::snprintf(header, sizeof header, "%s\n%d %d\n255\n", magic, size, size);
  return std::string(header, n) + std::string(bytes.begin(), bytes.end());
}

}  // namespace

void gen_track_ground(DataSet& ds, const GeneratedTrack& t) {
  char header[160];
  std::snprintf(header, sizeof header, "%d %f %f %f\n", t.exponent, t.spacing, t.hmin, t.hmax);
  ds.write(t.folder + "/terrain.hf", header);
  ds.write(t.folder + "/terrain.png", png_encode_gray16(t.height_values.data(), t.size, t.size));

  // Shading as the game computes it after a deformation, so baked and
  // refreshed ground match.
  std::vector<uint8_t> light = bake_light(t);
  Terrain ground = t.ground;
  ground.shadow.resize(light.size());
  for (size_t k = 0; k < light.size(); ++k) ground.shadow[k] = static_cast<uint8_t>(255 - light[k]);
  ground.shading.assign(light.size() * 3, 0);
  for (int k = 0; k < 3; ++k) {
    ground.light.sun[k] = static_cast<float>(t.sun_vector[k]);
    ground.light.sun_color[k] = static_cast<float>(t.sun_color[k]);
    ground.light.ambient[k] = static_cast<float>(t.ambient[k]);
  }
  terrain_refresh(ground, 0, 0, t.size - 1, t.size - 1);
  ds.write(t.folder + "/shadingx2.ppm", pnm("P6", t.size, ground.shading));
  ds.write(t.folder + "/shadows.pgm", pnm("P5", t.size, light));

  ds.write(t.folder + "/tileinfo", tileinfo_text());
  ds.write(t.folder + "/tilemap", tilemap_bytes(t));
  gen_ground_textures(ds);
}
