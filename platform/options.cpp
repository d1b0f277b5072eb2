// Options written as "[name:value]" anywhere in the TARN_OPTIONS variable.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/log.h"

namespace {

bool g_read = false;
std::string g_options;

const std::string& options_text() {
  if (!g_read) {
    const char* env = std::getenv("TARN_OPTIONS");
    g_options = env ? env : "";
    g_read = true;
  }
  return g_options;
}

// The text right after "[name:", or null when the option is not given.
const char* find_value(const char* name) {
  std::string key = "[";
  key.append(name, strnlen(name, 60));
  key += ':';
  const std::string& text = options_text();
  size_t at = text.find(key);
  if (at == std::string::npos) return nullptr;
  return text.c_str() + at + key.size();
}

}  // namespace

void tarn_options_reset() {
  g_read = false;
  g_options.clear();
}

int tarn_option_flag(const char* name, int default_value) {
  const char* v = find_value(name);
  if (!v) return default_value;
  if (std::strncmp(v, "yes]", 4) == 0 || std::strncmp(v, "on]", 3) == 0) return 1;
  if (std::strncmp(v, "no]", 3) == 0 || std::strncmp(v, "off]", 4) == 0) return 0;
  tarn_log("unrecognized setting for %s\n", name);
  return default_value;
}

int tarn_option_number(const char* name, int default_value) {
  const char* v = find_value(name);
  if (!v) return default_value;
  const char* p = v;
  if (*p == '+' || *p == '-') ++p;
  if (*p < '0' || *p > '9') {
    tarn_log("unrecognized setting for %s\n", name);
    return default_value;
  }
  return static_cast<int>(std::strtol(v, nullptr, 10));
}
