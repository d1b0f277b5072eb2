// Loading and freeing the terrain record.
#include "track/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "files/data_limits.h"
#include "files/file_stream.h"
#include "files/ripemd160.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/decals.h"
#include "track/lighting.h"

TerrainOptions& terrain_options() {
  static TerrainOptions options;
  return options;
}

void terrain_use_lighting(Terrain& t, const Lighting& lighting) {
  for (int k = 0; k < 3; ++k) {
    t.light.sun[k] = lighting.sun_vector[k];
    t.light.sun_color[k] = lighting.sun_color[k];
    t.light.ambient[k] = lighting.ambient[k];
  }
  t.light.dynamic_lighting = lighting.dynamic_lighting;
}

void terrain_free(Terrain& t) {
  TerrainLight light = t.light;
  t = Terrain{};
  t.light = light;
}

namespace {

std::string in_folder(const char* folder, const char* file) { return std::string(folder) + "/" + file; }

bool data_file_exists(const std::string& name) {
  DataFilePtr f(open_data_file(name.c_str(), "rb"));
  return f != nullptr;
}

// Every number of the ground stays far from a float's limits: heights, the
// height range and the world's size within 2^24 feet (no cross product of
// the ground's normals can overflow), the spacing at least 2^-10 feet (the
// brush's reach in samples stays an int).
constexpr float kTerrainMaxExtent = 16777216.0f;
constexpr float kTerrainMinSpacing = 1.0f / 1024;

bool header_acceptable(int n, float s, float lo, float hi) {
  if (n < 0 || n > kTerrainMaxExponent) return false;
  if (!(s >= kTerrainMinSpacing) || !(s * static_cast<float>(2 << n) <= kTerrainMaxExtent)) return false;
  return std::fabs(lo) <= kTerrainMaxExtent && std::fabs(hi) <= kTerrainMaxExtent &&
         std::fabs(hi - lo) <= kTerrainMaxExtent;
}

// Fails with the refusal message when a track file is larger than any file
// of its kind.
bool within_cap(DataFile* f, const std::string& path, long cap) {
  if (limit_data_file(f, cap)) return true;
  refuse_data_file(path.c_str(), ("larger than " + size_text(cap)).c_str());
  return false;
}

// After a reader: a compressed file that ran past its cap is refused.
bool ended_within_cap(DataFile* f, const std::string& path, long cap) {
  if (!data_file_overflowed(f)) return true;
  refuse_data_file(path.c_str(), ("larger than " + size_text(cap)).c_str());
  return false;
}

// The 16-bit values of the height field, from the file itself after ':' or
// from "terrain.png" (edge-extended to the grid, flat when unreadable).
bool read_height_values(DataFile* f, const char* folder, int size, std::vector<uint16_t>& values) {
  const size_t count = static_cast<size_t>(size) * size;
  if (read_char(f) == ':') {
    // Read as the bytes arrive, so a short file never costs the memory its
    // header claims.
    std::vector<uint8_t> bytes;
    constexpr size_t kChunk = 1 << 16;
    while (bytes.size() < count * 2) {
      const size_t at = bytes.size();
      bytes.resize(std::min(count * 2, at + kChunk));
      if (read_block(f, bytes.data() + at, bytes.size() - at) != bytes.size() - at) return false;
    }
    values.resize(count);
    for (size_t k = 0; k < count; ++k) values[k] = static_cast<uint16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
    return true;
  }
  values.assign(count, 0);
  // A missing or damaged image gives a flat field; a refused one fails.
  Gray16Image img;
  const long refused = refused_data_file_count();
  if (!png_read_gray16(in_folder(folder, "terrain.png").c_str(), img)) return refused_data_file_count() == refused;
  for (int j = 0; j < size; ++j) {
    const int row = std::min(j, img.height - 1);
    for (int i = 0; i < size; ++i) {
      values[static_cast<size_t>(j) * size + i] = img.samples[static_cast<size_t>(row) * img.width + std::min(i, img.width - 1)];
    }
  }
  return true;
}

bool load_height_field(Terrain& t, const char* folder) {
  const std::string path = in_folder(folder, "terrain.hf");
  DataFilePtr f(open_data_file(path.c_str(), "r"));
  if (!f) {
    show_message("Can't open '%.950s'", path.c_str());
    return false;
  }
  if (!within_cap(f.get(), path, kHeightFieldCap)) {
    show_message("Error reading heights");
    return false;
  }
  int n = 0;
  float s = 0, lo = 0, hi = 0;
  if (read_formatted(f.get(), "%d %f %f %f ", &n, &s, &lo, &hi) < 4 || !header_acceptable(n, s, lo, hi)) {
    ended_within_cap(f.get(), path, kHeightFieldCap);
    show_message("Bad height field parameters");
    show_message("Error reading heights");
    return false;
  }
  const int size = (2 << n) + 1;
  std::vector<uint16_t> values;
  if (!read_height_values(f.get(), folder, size, values)) {
    show_message("Error reading heights");
    return false;
  }
  t.exponent = n;
  t.size = size;
  t.spacing = s;
  t.tile_size = 2 * s;
  t.world_size = static_cast<float>(2 << n) * s;
  t.hmin = std::min(lo, hi);
  t.hmax = std::max(lo, hi);
  t.heights.resize(values.size());
  // Rounding may carry the extreme values a hair past the range; every
  // height stays within it, as the renderer's and editor's scales assume.
  const float scale = (hi - lo) * (1.0f / 65535);
  for (size_t k = 0; k < values.size(); ++k) t.heights[k] = std::clamp(lo + scale * values[k], t.hmin, t.hmax);
  // The digest of the values serves the log alone.
  if (terrain_options().debug_level >= 2) {
    Ripemd160 digest;
    for (uint16_t v : values) {
      const uint8_t bytes[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
      digest.update(bytes, 2);
    }
    uint8_t d[20];
    digest.finish(d);
    tarn_log("%s\n", digest_hex(d).c_str());
  }
  return true;
}

bool load_shading(Terrain& t, const char* folder) {
  std::string path = in_folder(folder, "shadingx2.ppm");
  const bool doubled = data_file_exists(path);
  if (!doubled) path = in_folder(folder, "shading.ppm");
  Image img;
  if (!image_read_rgb(path.c_str(), img)) {
    show_message("Error reading shading");
    return false;
  }
  if (img.width != t.size || img.height != t.size) {
    show_message("Bad shading dimensions (%dx%d)", img.width, img.height);
    return false;
  }
  t.shading = std::move(img.pixels);
  if (!doubled) {
    for (uint8_t& b : t.shading) b >>= 1;
  }
  return true;
}

bool load_shadows(Terrain& t, const char* folder) {
  const std::string path = in_folder(folder, "shadows.pgm");
  t.shadow.assign(static_cast<size_t>(t.size) * t.size, 0);
  if (!data_file_exists(path)) return true;
  Image img;
  if (!pgm_read(path.c_str(), img)) {
    show_message("Error reading shadows");
    return false;
  }
  if (img.width != t.size || img.height != t.size) {
    // On the console too: the track fails to load because of it.
    show_message("Bad shadow dimensions (%dx%d)\n", img.width, img.height);
    return false;
  }
  // The file holds light, memory holds shadow.
  for (size_t k = 0; k < t.shadow.size(); ++k) t.shadow[k] = static_cast<uint8_t>(255 - img.pixels[k]);
  return true;
}

bool load_tiles(Terrain& t, const char* folder) {
  const std::string info = in_folder(folder, "tileinfo");
  if (DataFilePtr f{open_data_file(info.c_str(), "r")}) {
    if (!within_cap(f.get(), info, kTrackTextCap)) return false;
    tileinfo_read(t, f.get());
    if (!ended_within_cap(f.get(), info, kTrackTextCap)) return false;
  } else {
    const std::string list = in_folder(folder, "texturelist");
    DataFilePtr g(open_data_file(list.c_str(), "r"));
    if (!g) {
      show_message("Can't open '%.950s'", list.c_str());
      return false;
    }
    if (!within_cap(g.get(), list, kTrackTextCap)) return false;
    texturelist_read(t, g.get());
    if (!ended_within_cap(g.get(), list, kTrackTextCap)) return false;
  }
  if (terrain_options().debug_level >= 1) {
    tarn_log("%lu bytes texture memory used after ground tiles loaded\n", asset_ops().texture_memory_used());
  }
  const std::string map = in_folder(folder, "tilemap");
  DataFilePtr m(open_data_file(map.c_str(), "rb"));
  if (!m) {
    show_message("Can't open '%.950s'", map.c_str());
    return false;
  }
  if (!within_cap(m.get(), map, kTileMapCap)) return false;
  tilemap_read(t, m.get());
  return true;
}

}  // namespace

int terrain_load(Terrain& t, const char* folder_path, int method) {
  // A file refused on the way (too large, or named by a track file but no
  // data file) fails the load like a damaged required file.
  const long refused = refused_data_file_count();
  terrain_free(t);
  t.method = method;
  t.detail = terrain_options().detail;
  if (!load_height_field(t, folder_path)) {
    terrain_free(t);
    return 0;
  }
  terrain_render_setup(t);
  bool ok = load_shading(t, folder_path) && load_shadows(t, folder_path);
  if (ok && terrain_options().debug_level >= 1) {
    tarn_log("%lu bytes texture memory used before ground tiles loaded\n", asset_ops().texture_memory_used());
  }
  ok = ok && load_tiles(t, folder_path) && refused_data_file_count() == refused;
  if (!ok) {
    terrain_free(t);
    return 0;
  }
  if (t.shaders) terrain_build_normal_map(t);
  decals_read(t, in_folder(folder_path, "decals").c_str());
  if (refused_data_file_count() != refused) {
    terrain_free(t);
    return 0;
  }
  return 1;
}
