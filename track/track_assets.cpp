#include "track/track_assets.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "files/data_limits.h"
#include "files/file_stream.h"

namespace {

// Ids are positions in a list of names; misses are kept as 0 so a missing
// file is looked for once.
struct NameCache {
  std::map<std::string, unsigned> by_name;
  std::vector<std::string> names;  // id - 1 -> name

  unsigned load(const char* name, bool strip_detail_mark) {
    if (!name || !*name || std::strcmp(name, "null") == 0) return 0;
    auto it = by_name.find(name);
    if (it != by_name.end()) return it->second;
    const char* file = strip_detail_mark && name[0] == '!' ? name + 1 : name;
    unsigned id = 0;
    if (DataFilePtr f{open_data_file(file, "r")}) {
      names.push_back(name);
      id = static_cast<unsigned>(names.size());
    }
    by_name.emplace(name, id);
    return id;
  }
  const char* name_of(unsigned id) const { return id == 0 || id > names.size() ? "" : names[id - 1].c_str(); }
  void clear() {
    by_name.clear();
    names.clear();
  }
};

NameCache g_textures, g_models;

TextureId texture_load(const char* name) { return g_textures.load(name, true); }
const char* texture_name(TextureId id) { return g_textures.name_of(id); }
unsigned long no_memory() { return 0; }
void no_anim_start(TextureId, double) {}
void no_anim_stop(TextureId) {}
ModelId model_load(const char* name) { return g_models.load(name, false); }
const char* model_name(ModelId id) { return g_models.name_of(id); }
void clear_both() {
  g_textures.clear();
  g_models.clear();
}

const AssetOps kNameOnly = {
    .texture_load = texture_load,
    .texture_name = texture_name,
    .texture_memory_used = no_memory,
    .texture_anim_start = no_anim_start,
    .texture_anim_stop = no_anim_stop,
    .model_load = model_load,
    .model_name = model_name,
    .clear = clear_both,
};

const AssetOps* g_ops = &kNameOnly;

}  // namespace

bool track_name_acceptable(const char* name) {
  if (!name || !*name || std::strcmp(name, "null") == 0) return true;
  if (data_file_name_acceptable(name)) return true;
  refuse_data_file(name, "not a data file");
  return false;
}

void set_asset_ops(const AssetOps* ops) { g_ops = ops ? ops : &kNameOnly; }
const AssetOps& asset_ops() { return *g_ops; }
const AssetOps& name_only_asset_ops() { return kNameOnly; }
