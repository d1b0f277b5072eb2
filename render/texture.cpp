#include "render/texture.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "files/file_stream.h"

namespace {
struct TextureCache {
  std::map<std::string, TextureId> by_name;  // misses kept as 0
  std::vector<std::string> names;            // id - 1 -> name
};

TextureCache& cache() {
  static TextureCache c;
  return c;
}
}  // namespace

TextureId texture_load(const char* name) {
  if (!name || !*name || std::strcmp(name, "null") == 0) return 0;
  TextureCache& c = cache();
  auto it = c.by_name.find(name);
  if (it != c.by_name.end()) return it->second;
  const char* file = name[0] == '!' ? name + 1 : name;
  TextureId id = 0;
  if (DataFilePtr f{open_data_file(file, "r")}) {
    c.names.push_back(name);
    id = static_cast<TextureId>(c.names.size());
  }
  c.by_name.emplace(name, id);
  return id;
}

const char* texture_name(TextureId id) {
  const TextureCache& c = cache();
  if (id == 0 || id > c.names.size()) return "";
  return c.names[id - 1].c_str();
}

unsigned long texture_memory_used() { return 0; }

void texture_anim_start(TextureId, double) {}
void texture_anim_stop(TextureId) {}

void texture_cache_clear() {
  cache().by_name.clear();
  cache().names.clear();
}
