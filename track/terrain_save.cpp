// The track editor's writer of the ground files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_stream.h"
#include "platform/messages.h"
#include "images/image.h"
#include "track/decals.h"
#include "track/terrain.h"

namespace {

std::string in_folder(const char* folder, const char* file) { return std::string(folder) + "/" + file; }

bool write_file(const char* folder, const char* file, const std::string& bytes) {
  DataFilePtr f(open_data_file(in_folder(folder, file).c_str(), "wb"));
  bool ok = f && write_block(f.get(), bytes.data(), bytes.size()) == bytes.size() && flush_data_file(f.get()) == 0;
  if (!ok) show_message("Can't open '%s'", file);
  return ok;
}

std::string shading_file(const Terrain& t, bool doubled) {
  char header[64];
  int n = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", t.size, t.size);
  std::string out(header, n);
  out.reserve(out.size() + t.shading.size());
  for (uint8_t b : t.shading) out += static_cast<char>(doubled ? b : std::min(2 * b, 255));
  return out;
}

}  // namespace

int terrain_save(Terrain& t, const char* folder_path) {
  if (t.size == 0 || t.heights.empty()) return 0;
  auto [lo, hi] = std::minmax_element(t.heights.begin(), t.heights.end());
  t.hmin = *lo;
  t.hmax = *hi;

  char header[160];
  std::snprintf(header, sizeof header, "%d %f %f %f\n", t.exponent, t.spacing, t.hmin, t.hmax);
  if (!write_file(folder_path, "terrain.hf", header)) return 0;

  // Quantise against the range as the header states it, so that reading the
  // printed numbers back gives the heights to within one step.
  int n = 0;
  float s = 0, file_lo = 0, file_hi = 0;
  std::sscanf(header, "%d %f %f %f", &n, &s, &file_lo, &file_hi);
  const double range = static_cast<double>(file_hi) - file_lo;
  std::vector<uint16_t> values(t.heights.size());
  for (size_t k = 0; k < values.size(); ++k) {
    double v = range > 0 ? (t.heights[k] - file_lo) / range : 0.0;
    v = std::clamp(v, 0.0, 1.0);
    values[k] = static_cast<uint16_t>(v * 65535 + 0.5);
  }
  if (!write_file(folder_path, "terrain.png", png_encode_gray16(values.data(), t.size, t.size))) return 0;

  if (!write_file(folder_path, "shading.ppm", shading_file(t, false))) return 0;
  if (!write_file(folder_path, "shadingx2.ppm", shading_file(t, true))) return 0;
  if (!write_file(folder_path, "tilemap", std::string(t.tilemap.begin(), t.tilemap.end()))) return 0;
  if (t.has_decal_list) {
    DataFilePtr f(open_data_file(in_folder(folder_path, "decals").c_str(), "w"));
    if (!f || !decals_write(f.get(), t.decals) || flush_data_file(f.get()) != 0) {
      show_message("Can't open 'decals'");
      return 0;
    }
  }
  return 1;
}
