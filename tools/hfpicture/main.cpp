// kr_hfpicture: draws a track's ground as a PNG so a person can look at it:
// each pixel is the tile texture under it, lit by the track's shading.
//   kr_hfpicture [--game DIR] TRACK OUTPUT.png [SCALE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/data_files.h"
#include "platform/messages.h"
#include "images/image.h"
#include "track/terrain.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: kr_hfpicture [--game DIR] TRACK OUTPUT.png [PIXELS_PER_SAMPLE]\n");
  return 2;
}

// The texel of a tile's picture at world (x, z), inside the picture's margin.
void tile_texel(const Terrain& t, float x, float z, uint8_t out[3]) {
  const TileType& tile = terrain_tile_type_at(t, x, z);
  const Image& img = tile.image;
  if (img.pixels.empty()) {
    out[0] = out[1] = out[2] = 128;
    return;
  }
  float u = x / t.tile_size, v = z / t.tile_size;
  u -= static_cast<int>(u);
  v -= static_cast<int>(v);
  int px = static_cast<int>((0.0625f + 0.875f * u) * img.width);
  int py = static_cast<int>((0.0625f + 0.875f * v) * img.height);
  const uint8_t* p = img.pixels.data() + (static_cast<size_t>(py) * img.width + px) * img.channels;
  out[0] = p[0], out[1] = p[1], out[2] = p[2];
}

}  // namespace

int main(int argc, char** argv) {
  int a = 1;
  if (a + 1 < argc && std::strcmp(argv[a], "--game") == 0) {
    setenv("KR_HOME", argv[a + 1], 1);
    a += 2;
  }
  if (argc - a < 2 || argc - a > 3) return usage();
  const std::string track = argv[a];
  const char* output = argv[a + 1];
  const int scale = argc - a == 3 ? std::atoi(argv[a + 2]) : 2;
  if (scale < 1 || scale > 8) return usage();

  Terrain t;
  if (!terrain_load(t, ("@" + track).c_str(), MethodSoftware)) {
    for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "kr_hfpicture: can't load track '%s'\n", track.c_str());
    return 1;
  }
  const int side = (t.size - 1) * scale;
  if (!image_size_acceptable(side, side)) {
    std::fprintf(stderr, "kr_hfpicture: a %dx%d picture is too large; use a smaller scale\n", side, side);
    return 1;
  }
  std::vector<uint8_t> px(static_cast<size_t>(side) * side * 3);
  const float step = t.spacing / scale;
  uint8_t texel[3];
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const float wx = (x + 0.5f) * step, wz = (y + 0.5f) * step;
      tile_texel(t, wx, wz, texel);
      // Shading is stored at half scale: twice the byte is the light.
      const int i = static_cast<int>(wx / t.spacing + 0.5f), j = static_cast<int>(wz / t.spacing + 0.5f);
      const uint8_t* s = t.shading.data() + (static_cast<size_t>(j) * t.size + i) * 3;
      for (int k = 0; k < 3; ++k) {
        int v = texel[k] * s[k] * 2 / 255;
        px[(static_cast<size_t>(y) * side + x) * 3 + k] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
    }
  }
  const std::string png = png_encode_rgb(px.data(), side, side);
  if (png.empty()) {
    std::fprintf(stderr, "kr_hfpicture: can't encode the picture\n");
    return 1;
  }
  FILE* f = std::fopen(output, "wb");
  if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "kr_hfpicture: can't write '%s'\n", output);
    return 1;
  }
  std::printf("%s: %dx%d, heights %.1f..%.1f ft, %d tile types\n", output, side, side, t.hmin, t.hmax,
              t.tile_count);
  return 0;
}
