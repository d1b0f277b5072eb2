#include "render/model.h"

#include <cstring>
#include <map>
#include <memory>

#include "files/file_stream.h"

namespace {
// Misses are cached as null so that a missing file is looked for once.
std::map<std::string, std::unique_ptr<Model>>& model_cache() {
  static std::map<std::string, std::unique_ptr<Model>> cache;
  return cache;
}
}  // namespace

const Model* model_load(const char* name) {
  if (!name || !*name || std::strcmp(name, "null") == 0) return nullptr;
  auto& cache = model_cache();
  auto it = cache.find(name);
  if (it != cache.end()) return it->second.get();
  std::unique_ptr<Model> model;
  if (DataFilePtr f{open_data_file(name, "r")}) {
    model = std::make_unique<Model>();
    model->name = name;
  }
  const Model* result = model.get();
  cache.emplace(name, std::move(model));
  return result;
}

void model_cache_clear() { model_cache().clear(); }
