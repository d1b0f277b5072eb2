// Data folders and the sorted index of every data file and archive member.
#include "files/data_files.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/data_limits.h"
#include "platform/log.h"

extern char** environ;

namespace {

struct Folders {
  bool built = false;
  bool has_home = false;  // false when the home folder's lookup failed
  std::vector<std::string> list;
};

struct Index {
  bool built = false;
  std::vector<DataFileEntry> entries;
  std::vector<std::string> names;
};

Folders g_folders;
Index g_index;

std::string executable_folder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  buf[n] = 0;
  char* slash = std::strrchr(buf, '/');
  if (!slash) return "";
  slash[1] = 0;
  return buf;
}

void build_folders() {
  g_folders.built = true;
  g_folders.list.clear();
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && xdg[0] == '/')
    g_folders.list.push_back(std::string(xdg) + "/Kiwi Ridge/");
  else if (home && home[0])
    g_folders.list.push_back(std::string(home) + "/.local/share/Kiwi Ridge/");
  g_folders.has_home = !g_folders.list.empty();
  const char* kr_home = std::getenv("KR_HOME");
  if (kr_home) {
    g_folders.list.push_back(std::string(kr_home) + "/");
  } else {
    std::string exe = executable_folder();
    if (!exe.empty()) g_folders.list.push_back(exe);
  }
}

bool less_entry(const DataFileEntry& a, const DataFileEntry& b) {
  int c = compare_names(a.name, b.name);
  if (c != 0) return c < 0;
  return a.rank < b.rank;
}

// Walks a folder tree; depth bounds symbolic-link loops.
void walk(const std::string& root, const std::string& rel, int rank, int depth) {
  if (depth > 32) return;
  std::string dir = root + rel;
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    std::string name = rel + e->d_name;
    std::string path = root + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      walk(root, name + "/", rank, depth + 1);
    } else if (S_ISREG(st.st_mode)) {
      // Device files and pipes are no data files (reading one could block
      // or never end), so they never enter the index.
      DataFileEntry entry;
      entry.path = path;
      entry.name = name;
      entry.offset = 0;
      entry.size = static_cast<long>(st.st_size);
      entry.rank = rank;
      g_index.entries.push_back(std::move(entry));
    }
  }
  closedir(d);
}

bool ends_with_saf(const std::string& name) {
  if (name.size() < 5) return false;
  const char* tail = name.c_str() + name.size() - 4;
  return strcasecmp(tail, ".saf") == 0;
}

std::string collapse_slashes(const char* s) {
  std::string out;
  for (; *s; ++s)
    if (*s != '/' || out.empty() || out.back() != '/') out += *s;
  return out;
}

// Reads an archive's directory; returns its members, or nothing when the
// directory is malformed (the archive is then ignored whole).
std::vector<DataFileEntry> read_archive(const DataFileEntry& archive, int rank) {
  std::vector<DataFileEntry> members;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(archive.path.c_str(), "rb"), std::fclose);
  if (!file) return {};
  FILE* f = file.get();
  char line[1024];
  long dir_length = 0;
  bool ended = false;
  while (std::fgets(line, sizeof line, f)) {
    size_t len = std::strlen(line);
    dir_length += static_cast<long>(len);
    // No real archive has a directory this long: it would only cost memory.
    if (dir_length > kArchiveDirectoryCap || static_cast<long>(members.size()) >= kArchiveMemberCap) {
      tarn_log("Archive '%s' has too long a directory; ignored\n", archive.path.c_str());
      return {};
    }
    if (len == 0 || line[len - 1] != '\n') break;
    line[len - 1] = 0;
    if (std::strcmp(line, "-") == 0) {
      ended = true;
      break;
    }
    if (!std::isdigit(static_cast<unsigned char>(line[0]))) break;
    char* end = nullptr;
    long size = std::strtol(line, &end, 10);
    if (size < 0 || *end == 0) break;  // a size needs a separator and a name
    if (size > archive.size) return {};
    DataFileEntry m;
    m.path = archive.path;
    m.name = collapse_slashes(end + 1);
    m.size = size;
    m.rank = rank;
    if (m.name.empty()) break;
    members.push_back(std::move(m));
  }
  if (!ended) return {};
  // A member that runs past the end of the archive is corrupt data.
  long offset = dir_length;
  for (DataFileEntry& m : members) {
    if (m.size > archive.size - offset) return {};
    m.offset = offset;
    offset += m.size;
  }
  return members;
}

void build_index() {
  g_index.built = true;
  g_index.entries.clear();
  g_index.names.clear();
  int folders = 0;
  for (const char* f; (f = data_folder(folders)); ++folders) walk(f, "", folders, 0);
  std::stable_sort(g_index.entries.begin(), g_index.entries.end(), less_entry);
  std::vector<DataFileEntry> members;
  int ordinal = 0;
  for (const DataFileEntry& e : g_index.entries) {
    if (!ends_with_saf(e.name)) continue;
    std::vector<DataFileEntry> m = read_archive(e, folders + ordinal++);
    members.insert(members.end(), m.begin(), m.end());
  }
  g_index.entries.insert(g_index.entries.end(), members.begin(), members.end());
  std::stable_sort(g_index.entries.begin(), g_index.entries.end(), less_entry);
  for (const DataFileEntry& e : g_index.entries)
    if (g_index.names.empty() || compare_names(g_index.names.back(), e.name) != 0)
      g_index.names.push_back(e.name);
}

}  // namespace

int compare_names(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca - cb;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

const char* data_folder(int i) {
  if (!g_folders.built) build_folders();
  if (i < 0 || i >= static_cast<int>(g_folders.list.size())) return nullptr;
  return g_folders.list[i].c_str();
}

// Without a home folder the first data folder is the shipped data, which
// must never be written to; then there is no home.
const char* home_folder() {
  if (!g_folders.built) build_folders();
  return g_folders.has_home ? data_folder(0) : nullptr;
}

const std::vector<DataFileEntry>& data_file_index() {
  if (!g_index.built) build_index();
  return g_index.entries;
}

const DataFileEntry* find_data_file(const char* name) {
  const std::vector<DataFileEntry>& entries = data_file_index();
  std::string key = name;
  auto it = std::lower_bound(entries.begin(), entries.end(), key,
                             [](const DataFileEntry& e, const std::string& k) { return compare_names(e.name, k) < 0; });
  if (it == entries.end() || compare_names(it->name, key) != 0) return nullptr;
  return &*it;
}

const std::vector<std::string>& data_file_names() {
  if (!g_index.built) build_index();
  return g_index.names;
}

void describe_data_file(int i, char* buffer, size_t size) {
  if (size == 0) return;
  const std::vector<DataFileEntry>& entries = data_file_index();
  if (i < 0 || i >= static_cast<int>(entries.size())) {
    buffer[0] = 0;
    return;
  }
  std::snprintf(buffer, size, "%s -> %s", entries[i].name.c_str(), entries[i].path.c_str());
}

void make_folders_along(const char* path) {
  std::string p = path;
  for (size_t at = p.find('/', 1); at != std::string::npos; at = p.find('/', at + 1))
    mkdir(p.substr(0, at).c_str(), 0755);
}

bool open_home_folder() {
  const char* home = home_folder();
  if (!home) return false;
  make_folders_along(home);
  std::string path = home;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  char* argv[] = {const_cast<char*>("xdg-open"), path.data(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
    tarn_log("Can't run xdg-open for %s\n", path.c_str());
    return false;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void data_files_reset() {
  g_folders = Folders{};
  g_index = Index{};
}
