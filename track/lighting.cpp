#include "track/lighting.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/messages.h"
#include "track/object_text.h"

namespace {
const char* const kSkyKeys[SkyFaceCount] = {"sky_n", "sky_e", "sky_s", "sky_w", "sky_u", "sky_env"};
const char* const kSkyDefaults[SkyFaceCount] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm",
                                                "@sky-w.ppm", "@sky-u.ppm", "@sky-env.ppm"};

constexpr float kNearMin = 1.0f / 1024;
constexpr float kNearMax = 0.875f;
constexpr float kFarMax = 1048576.0f;

bool read_vec3(const char* value, float out[3]) {
  float v[3];
  if (std::sscanf(value, " [ %f %f %f ]", &v[0], &v[1], &v[2]) != 3) return false;
  std::memcpy(out, v, sizeof v);
  return true;
}

void normalise(float v[3]) {
  float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len > 0 && std::isfinite(len)) {
    for (int i = 0; i < 3; ++i) v[i] /= len;
  } else {
    // A zero or broken sun direction would light nothing; keep the sun high.
    v[0] = v[2] = 0;
    v[1] = 1;
  }
}

// The flare being built by "flare_element" lines until a point or vector
// completes it.
struct PendingFlare {
  Flare flare;
  void clear() { flare = Flare(); }
};

void complete_flare(Lighting& l, PendingFlare& pending, const char* value, bool at_infinity) {
  float where[3];
  if (!read_vec3(value, where)) return;
  Flare f = pending.flare;
  f.at_infinity = at_infinity;
  std::memcpy(f.where, where, sizeof where);
  if (l.flares.capacity() == 0) l.flares.reserve(16);
  l.flares.push_back(f);
  pending.clear();
}
}  // namespace

const char* sky_default_name(SkyFace face) { return kSkyDefaults[face]; }

void lighting_read(Lighting& l, const char* path) {
  l = Lighting();
  ObjectText in;
  PendingFlare pending;
  if (in.open(path)) {
    std::string line;
    while (in.next_line(line)) {
      // Trailing white space is not part of the value.
      while (!line.empty() && std::strchr(" \t\r\n\v\f", line.back())) line.pop_back();
      size_t k = line.find_first_not_of(" \t");
      if (k == std::string::npos) continue;
      size_t kend = line.find_first_of(" \t", k);
      std::string key = line.substr(k, kend == std::string::npos ? std::string::npos : kend - k);
      size_t v = kend == std::string::npos ? line.size() : line.find_first_not_of(" \t", kend);
      const char* value = line.c_str() + (v == std::string::npos ? line.size() : v);

      if (key == "sun_vector") {
        if (read_vec3(value, l.sun_vector)) normalise(l.sun_vector);
      } else if (key == "sun_color") {
        read_vec3(value, l.sun_color);
      } else if (key == "ambient") {
        read_vec3(value, l.ambient);
      } else if (key == "global_ambient") {
        read_vec3(value, l.global_ambient);
      } else if (key == "flare_element") {
        FlareElement e;
        char name[1024] = "";
        int got = std::sscanf(value, " [ %f %f ] [ %f %f %f ] %f %1023s", &e.position[0], &e.position[1],
                              &e.colour[0], &e.colour[1], &e.colour[2], &e.scale, name);
        if (got >= 2 && pending.flare.element_count < kMaxFlareElements) {
          if (got == 7) {
            e.texture_name = name;
            e.texture = asset_texture(name);
          }
          pending.flare.elements[pending.flare.element_count++] = e;
        }
      } else if (key == "flare_point") {
        complete_flare(l, pending, value, false);
      } else if (key == "flare_vector") {
        complete_flare(l, pending, value, true);
      } else if (key == "fog") {
        float c[3], d;
        if (std::sscanf(value, " [ %f %f %f ] %f", &c[0], &c[1], &c[2], &d) == 4) {
          std::memcpy(l.fog_color, c, sizeof c);
          l.fog_density = d;
        }
      } else if (key == "dynamic_lighting") {
        int n;
        if (std::sscanf(value, "%d", &n) == 1) l.dynamic_lighting = n > 0;
      } else if (key == "near_plane") {
        std::sscanf(value, "%f", &l.near_plane);
      } else if (key == "far_plane") {
        std::sscanf(value, "%f", &l.far_plane);
      } else {
        bool sky = false;
        for (int f = 0; f < SkyFaceCount; ++f) {
          if (key == kSkyKeys[f]) {
            char name[1024] = "";
            if (std::sscanf(value, "%1023s", name) == 1) l.sky_names[f] = name;
            sky = true;
          }
        }
        if (!sky) show_message("Error reading lighting: Unknown identifier '%.950s'\n", key.c_str());
      }
    }
  }
  // NaN fails every comparison, so test for the good range instead.
  if (!(l.near_plane >= kNearMin)) l.near_plane = kNearMin;
  if (l.near_plane > kNearMax) l.near_plane = kNearMax;
  if (!(l.far_plane >= l.near_plane)) l.far_plane = l.near_plane;
  if (l.far_plane > kFarMax) l.far_plane = kFarMax;
  for (int f = 0; f < SkyFaceCount; ++f) {
    if (l.sky_names[f].empty()) l.sky_names[f] = kSkyDefaults[f];
    l.sky[f] = asset_texture(l.sky_names[f].c_str());
  }
}
