// The textures and models a track names, asked for by name through a table
// of operations. The renderer installs its own table (GL textures, meshes);
// the default only remembers names, so a track loads with no GL at all.
#pragma once

using TextureId = unsigned;  // 0 = no texture
using ModelId = unsigned;    // 0 = no model

struct AssetOps {
  // 0 when the name is empty, "null" or the file cannot be opened; equal
  // names give equal ids. A leading '!' asks for full detail.
  TextureId (*texture_load)(const char* name);
  // The name the texture was asked for by; "" for 0 or an unknown id.
  const char* (*texture_name)(TextureId id);
  unsigned long (*texture_memory_used)();
  // Animated textures restart when a billboard switches to them.
  void (*texture_anim_start)(TextureId id, double now);
  void (*texture_anim_stop)(TextureId id);
  // 0 when the name is empty, "null" or the file cannot be opened.
  ModelId (*model_load)(const char* name);
  const char* (*model_name)(ModelId id);
  // Forgets every cached texture and model.
  void (*clear)();
};

// Null restores the default table.
void set_asset_ops(const AssetOps* ops);
const AssetOps& asset_ops();
// The default: ids for the names of readable files.
const AssetOps& name_only_asset_ops();

// Whether a name that a track file gives for another file (a texture, model,
// shape or picture) names a data file (files/data_limits.h). One that does
// not is never opened: the console says "Refused '<name>': not a data file"
// and the refusal fails the track's load. Empty and "null" names pass (they
// name nothing).
bool track_name_acceptable(const char* name);

inline TextureId asset_texture(const char* name) {
  return track_name_acceptable(name) ? asset_ops().texture_load(name) : 0;
}
inline const char* asset_texture_name(TextureId id) { return asset_ops().texture_name(id); }
inline ModelId asset_model(const char* name) { return track_name_acceptable(name) ? asset_ops().model_load(name) : 0; }
inline const char* asset_model_name(ModelId id) { return asset_ops().model_name(id); }
inline void asset_cache_clear() { asset_ops().clear(); }
