// The scene's lighting from a track's "lighting" file: sun, ambient, sky
// box, lens flares, fog and clip planes.
#pragma once
#include <string>
#include <vector>

#include "track/track_assets.h"

struct FlareElement {
  float position[2] = {0, 0};  // the two leading floats
  float colour[3] = {1, 1, 1};
  float scale = 1.0f;
  std::string texture_name;
  TextureId texture = 0;
};

constexpr int kMaxFlareElements = 8;

struct Flare {
  bool at_infinity = false;  // "flare_vector": a direction, else a point
  float where[3] = {0, 0, 0};
  int element_count = 0;
  FlareElement elements[kMaxFlareElements];
};

enum SkyFace { SkyNorth, SkyEast, SkySouth, SkyWest, SkyUp, SkyEnv, SkyFaceCount };

struct Lighting {
  float sun_vector[3] = {0.57735027f, 0.57735027f, 0.57735027f};  // unit, towards the sun
  float sun_color[3] = {1, 1, 1};
  float ambient[3] = {0.5f, 0.5f, 0.5f};
  float global_ambient[3] = {0.2f, 0.2f, 0.2f};
  std::string sky_names[SkyFaceCount];  // empty until set or defaulted
  TextureId sky[SkyFaceCount] = {};
  std::vector<Flare> flares;
  float fog_color[3] = {0, 0, 0};
  float fog_density = 0;
  bool dynamic_lighting = false;
  float near_plane = 0.25f;
  float far_plane = 5000.0f;
};

// The default texture of each sky face ("@sky-n.ppm" ...).
const char* sky_default_name(SkyFace face);

// Resets `lighting` to the defaults, then reads the file at path (a missing
// file keeps the defaults). Unknown keywords give the console message
// "Error reading lighting: Unknown identifier '...'" and reading goes on.
void lighting_read(Lighting& lighting, const char* path);
