#include "track/decals.h"

#include <cmath>

#include "files/file_stream.h"
#include "track/object_text.h"

namespace {
// The map beside a decal texture: its suffix from the last '.' replaced.
TextureId find_map(const std::string& name, const char* kind) {
  size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  for (const char* ext : {".png", ".ppm"}) {
    TextureId id = asset_texture((stem + kind + ext).c_str());
    if (id) return id;
  }
  return 0;
}
}  // namespace

void decals_read(Terrain& terrain, const char* path) {
  ObjectText in;
  if (!in.open(path)) return;
  terrain.has_decal_list = true;
  std::vector<Decal>& decals = terrain.decals;
  const bool software = terrain.method == MethodSoftware;
  if (decals.capacity() == 0) decals.reserve(16);
  for (;;) {
    Decal d;
    char name[1024];
    if (in.scan(" [ %f %f ] %f %f %f %1023s", &d.x, &d.z, &d.angle, &d.size, &d.aspect, name) != 6) break;
    if (!std::isfinite(d.x) || !std::isfinite(d.z) || !std::isfinite(d.angle) || !std::isfinite(d.size) ||
        !std::isfinite(d.aspect))
      break;
    // A decal whose picture does not load is kept (drawn as nothing), so
    // that saving the track from the editor does not lose it.
    d.texture_name = name;
    if (software) {
      if (track_name_acceptable(name)) image_read_rgba(name, d.image);
    } else {
      d.texture = asset_texture(name);
    }
    if (terrain.shaders) {
      d.normal_map = find_map(d.texture_name, "_tnorm");
      d.specular_map = find_map(d.texture_name, "_tspec");
    }
    d.sin_angle = std::sin(d.angle);
    d.cos_angle = std::cos(d.angle);
    decals.push_back(std::move(d));
  }
}

bool decals_write(DataFile* out, const std::vector<Decal>& decals) {
  bool ok = true;
  for (const Decal& d : decals)
    if (write_formatted(out, "[%f %f] %f %f %f %s\n", d.x, d.z, d.angle, d.size, d.aspect, d.texture_name.c_str()) <
        0)
      ok = false;
  return ok;
}
