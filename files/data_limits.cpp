#include "files/data_limits.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "files/data_files.h"
#include "platform/messages.h"

namespace {

long g_refused = 0;

bool climbs_out(const std::string& relative) {
  size_t start = 0;
  for (;;) {
    size_t slash = relative.find('/', start);
    size_t end = slash == std::string::npos ? relative.size() : slash;
    if (relative.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    if (slash == std::string::npos) return false;
    start = slash + 1;
  }
}

// The path made absolute against the working folder, with "." and ".."
// resolved by the letters alone (nothing need exist).
std::string absolute_normal(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return "";
    p = std::filesystem::path(cwd) / p;
  }
  return p.lexically_normal().string();
}

}  // namespace

bool data_file_name_acceptable(const char* name) {
  if (!name || !*name) return false;
  if (name[0] == '!') ++name;
  if (name[0] == '@') return !climbs_out(name + 1);
  // A plain path is the working folder's (the game's folder, as the game is
  // started): taken as it is unless it climbs out.
  if (name[0] != '/') return !climbs_out(name);
  const std::string path = absolute_normal(name);
  if (path.empty()) return false;
  for (int i = 0; const char* folder = data_folder(i); ++i) {
    std::string root = absolute_normal(folder);
    if (root.empty()) continue;
    if (root.back() != '/') root += '/';
    if (path.size() > root.size() && path.compare(0, root.size(), root) == 0) return true;
  }
  return false;
}

void refuse_data_file(const char* name, const char* why) {
  ++g_refused;
  show_message("Refused '%.900s': %s\n", name ? name : "", why);
}

long refused_data_file_count() { return g_refused; }

std::string size_text(long bytes) {
  char text[32];
  if (bytes >= kMiB && bytes % kMiB == 0) {
    std::snprintf(text, sizeof text, "%ld MiB", bytes / kMiB);
  } else if (bytes >= kKiB && bytes % kKiB == 0) {
    std::snprintf(text, sizeof text, "%ld KiB", bytes / kKiB);
  } else {
    std::snprintf(text, sizeof text, "%ld bytes", bytes);
  }
  return text;
}
