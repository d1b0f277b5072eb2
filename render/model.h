// Models (".jm" meshes) cached by file name. The mesh itself is read by the
// model renderer; until then a model records the name it was loaded from.
#pragma once
#include <string>

struct Model {
  std::string name;  // the file name as requested
};

// The cached model for name, or null when the name is empty, "null" or the
// file cannot be opened (callers then draw nothing).
const Model* model_load(const char* name);
// Forgets every cached model (tests, and the session's cache release).
void model_cache_clear();
