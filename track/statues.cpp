#include "track/statues.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "shapes/shape.h"
#include "files/file_stream.h"
#include "platform/messages.h"
#include "track/object_text.h"
#include "track/track.h"

namespace {
constexpr float kTwoPi = 6.28318530717958647692f;
// Angles from here up mean "no fixed heading: turn to face the viewer".
constexpr float kFacingAngle = 3.25f;

bool ends_with(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

bool normalise(float v[3]) {
  float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(len > 0) || !std::isfinite(len)) return false;
  for (int i = 0; i < 3; ++i) v[i] /= len;
  return true;
}

TextureId first_loading(const std::vector<std::string>& names) {
  for (const std::string& n : names)
    if (TextureId id = asset_texture(n.c_str())) return id;
  return 0;
}

const char* name_or_null(const std::string& s) { return s.empty() ? "null" : s.c_str(); }
}  // namespace

std::vector<std::string> statue_map_candidates(const std::string& texture, const std::string& model,
                                               const char* kind) {
  std::vector<std::string> out;
  const std::string k = kind;
  if (!texture.empty()) {
    bool repeating = ends_with(texture, "-repeat.png") || ends_with(texture, "-repeat.ppm") ||
                     ends_with(texture, "-repeat.seq");
    size_t cut = texture.rfind(repeating ? '-' : '.');
    std::string stem = cut == std::string::npos ? texture : texture.substr(0, cut);
    if (repeating) {
      for (const char* ext : {"-repeat.seq", "-repeat.png", "-repeat.ppm"}) out.push_back(stem + k + ext);
    } else {
      for (const char* ext : {".seq", ".png", ".ppm"}) out.push_back(stem + k + ext);
    }
  }
  if (!model.empty()) {
    size_t cut = model.rfind('.');
    std::string stem = cut == std::string::npos ? model : model.substr(0, cut);
    for (const char* ext : {".seq", ".png", ".ppm"}) out.push_back(stem + k + ext);
  }
  return out;
}

void statue_place(const Track& track, Statue& s) {
  const float h0 = track_ground_height(track, s.x, s.z);
  s.y = h0 + s.y_offset;
  if (s.angle >= kFacingAngle) {
    const float identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::memcpy(s.axes, identity, sizeof identity);
    // Capped so a huge angle cannot overflow to infinity.
    s.face_distance = std::pow(2.0f, std::min(s.angle, 64.0f));
    return;
  }
  s.face_distance = 0;
  float u[3] = {0, 1, 0};
  if (s.angle > -kTwoPi) {
    // Lean with the slope: the ground normal from two one-foot steps.
    const float h1 = track_ground_height(track, s.x + 1, s.z);
    const float h2 = track_ground_height(track, s.x, s.z + 1);
    u[0] = -(h1 - h0);
    u[2] = -(h2 - h0);
    if (!normalise(u)) u[0] = 0, u[1] = 1, u[2] = 0;
  }
  const float a[3] = {std::cos(s.angle), 0, -std::sin(s.angle)};
  float zaxis[3], xaxis[3];
  cross(a, u, zaxis);
  if (!normalise(zaxis)) {
    // Only a broken angle (NaN) gets here; stand the statue upright.
    const float identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::memcpy(s.axes, identity, sizeof identity);
    return;
  }
  cross(u, zaxis, xaxis);
  std::memcpy(s.axes[0], xaxis, sizeof xaxis);
  std::memcpy(s.axes[1], u, sizeof u);
  std::memcpy(s.axes[2], zaxis, sizeof zaxis);
}

int statue_add(Track& track, float x, float y_offset, float z, float angle, const char* model,
               const char* texture, const char* shape) {
  Statue s;
  s.x = x;
  s.z = z;
  s.y_offset = y_offset;
  s.angle = angle;
  if (!is_null_name(model)) s.model_name = model;
  if (!is_null_name(texture)) s.texture_name = texture;
  if (!is_null_name(shape)) s.shape_name = shape;

  s.model = asset_model(s.model_name.c_str());
  if (s.model && !s.texture_name.empty()) s.texture = asset_texture(s.texture_name.c_str());
  if (track.model_shaders) {
    s.normal_map = first_loading(statue_map_candidates(s.texture_name, s.model_name, "_norm"));
    s.specular_map = first_loading(statue_map_candidates(s.texture_name, s.model_name, "_spec"));
  }
  if (!s.shape_name.empty()) {
    if (track_name_acceptable(s.shape_name.c_str())) s.shape = shape_get(s.shape_name.c_str());
    if (!s.shape) show_message("Warning: missing shape file %.900s", s.shape_name.c_str());
  }
  statue_place(track, s);
  if (track.statues.capacity() == 0) track.statues.reserve(16);
  track.statues.push_back(std::move(s));
  return static_cast<int>(track.statues.size()) - 1;
}

void statues_read(Track& track, const char* path) {
  ObjectText in;
  if (!in.open(path)) return;
  for (;;) {
    float x, y, z, angle;
    char model[1024], texture[1024], shape[1024];
    if (in.scan(" [ %f %f %f ] %f %1023s %1023s %1023s ", &x, &y, &z, &angle, model, texture, shape) != 7) break;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || std::isnan(angle)) break;
    statue_add(track, x, y, z, angle, model, texture, shape);
  }
}

bool statues_write(const Track& track, const char* path) {
  DataFilePtr out{open_data_file(path, "w")};
  if (!out) {
    show_message("Can't open 'statues'\n");
    return false;
  }
  bool ok = true;
  for (const Statue& s : track.statues) {
    if (s.start_gate) continue;
    if (write_formatted(out.get(), "[%f %f %f] %f %s %s %s\n", s.x, s.y_offset, s.z, s.angle,
                        name_or_null(s.model_name), name_or_null(s.texture_name), name_or_null(s.shape_name)) < 0)
      ok = false;
  }
  if (flush_data_file(out.get()) != 0) ok = false;
  if (!ok) show_message("Can't write 'statues'\n");
  return ok;
}

int statue_grid_cell(float c, float world_size) {
  double cell = std::floor((static_cast<double>(c) / world_size - 0.125) * (4.0 / 3.0) * kStatueGridSide);
  // Also catches NaN (from a zero world size or a broken coordinate).
  if (!(cell >= 0)) return 0;
  if (cell > kStatueGridSide - 1) return kStatueGridSide - 1;
  return static_cast<int>(cell);
}

void statue_grid_add(Track& track, int index) {
  if (index < 0 || index >= static_cast<int>(track.statues.size())) return;
  const Statue& s = track.statues[index];
  if (!s.shape) return;
  const float w = track_world_size(track);
  const float r = static_cast<float>(s.shape->bounding_radius);
  const int i0 = statue_grid_cell(s.x - r, w), i1 = statue_grid_cell(s.x + r, w);
  const int j0 = statue_grid_cell(s.z - r, w), j1 = statue_grid_cell(s.z + r, w);
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      std::vector<int>& cell = track.statue_grid.cells[j * kStatueGridSide + i];
      if (cell.capacity() == 0) cell.reserve(16);
      // Indices arrive in increasing order from a rebuild; a late addition
      // by the editor may not, so keep the list sorted either way.
      cell.insert(std::upper_bound(cell.begin(), cell.end(), index), index);
    }
}

void statue_grid_rebuild(Track& track) {
  for (auto& cell : track.statue_grid.cells) cell.clear();
  for (int i = 0; i < static_cast<int>(track.statues.size()); ++i) statue_grid_add(track, i);
}

void statues_near(const Track& track, float x, float z, std::vector<int>& out) {
  out.clear();
  const float w = track_world_size(track);
  const int i0 = statue_grid_cell(x - kStatueNearReach, w), i1 = statue_grid_cell(x + kStatueNearReach, w);
  const int j0 = statue_grid_cell(z - kStatueNearReach, w), j1 = statue_grid_cell(z + kStatueNearReach, w);
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      const std::vector<int>& cell = track.statue_grid.cells[j * kStatueGridSide + i];
      if (cell.empty()) continue;
      // Merge two sorted lists, dropping repeats.
      size_t mid = out.size();
      out.insert(out.end(), cell.begin(), cell.end());
      std::inplace_merge(out.begin(), out.begin() + static_cast<long>(mid), out.end());
      out.erase(std::unique(out.begin(), out.end()), out.end());
    }
}
