#include "config/bindings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "files/file_stream.h"

void binding_from_text(ControlBinding& binding, const char* text) {
  while (std::isspace((unsigned char)*text)) ++text;
  binding.key_name.clear();
  binding.key_code = 0;
  binding.axis_name.clear();
  binding.axis = nullptr;
  binding.low = 0.0;
  binding.high = 1.0;

  const char* close = std::strchr(text, ')');
  double low = 0.0, high = 0.0;
  // A range that is not two finite numbers would make the axis value NaN;
  // such a text is taken as a key name instead (which never resolves).
  if (text[0] == '(' && close && std::sscanf(text, "(%lf,%lf)", &low, &high) == 2 &&
      std::isfinite(low) && std::isfinite(high)) {
    binding.low = low;
    binding.high = high;
    binding.axis_name = close + 1;
    return;
  }
  if (std::strncmp(text, "(k)", 3) == 0) text += 3;
  binding.key_name = text;
}

std::string binding_to_text(const char* key, const ControlBinding& binding) {
  std::string line;
  if (!binding.key_name.empty()) {
    line = std::string(key) + "=(k)" + binding.key_name + "\n";
  } else if (!binding.axis_name.empty()) {
    // "%f" of a double takes at most 317 characters, two of them fit.
    char range[720];
    std::snprintf(range, sizeof range, "=(%f,%f)", binding.low, binding.high);
    line = std::string(key) + range + binding.axis_name + "\n";
  }
  return line;
}

bool write_binding_line(DataFile* file, const char* key, const ControlBinding& binding) {
  const std::string line = binding_to_text(key, binding);
  return line.empty() || write_block(file, line.data(), line.size()) == line.size();
}
