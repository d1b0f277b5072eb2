#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/data_files.h"
#include "tests/fuzz/fuzz_target.h"

namespace fs = std::filesystem;

namespace {
std::string g_root;

void remove_root() {
  std::error_code ec;
  if (!g_root.empty()) fs::remove_all(g_root, ec);
}
}  // namespace

const std::string& fuzz_data_folder() {
  static const std::string data = [] {
    // In memory where there is such a folder: the readers' files are
    // written for every input, and the configuration is synced to disk.
    std::error_code ec;
    std::string tmpl = fs::is_directory("/dev/shm", ec) ? "/dev/shm/kr-fuzz-XXXXXX" : "/tmp/kr-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    g_root = tmpl;
    std::atexit(remove_root);
    fs::create_directories(g_root + "/home/Kiwi Ridge");
    fs::create_directories(g_root + "/data");
    setenv("XDG_DATA_HOME", (g_root + "/home").c_str(), 1);
    setenv("KR_HOME", (g_root + "/data").c_str(), 1);
    unsetenv("TARN_LOGFILE");
    data_files_reset();
    return g_root + "/data/";
  }();
  return data;
}

std::string fuzz_write(const std::string& relative, const std::string& bytes) {
  const fs::path p = fuzz_data_folder() + relative;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p.string();
}

void fuzz_remove(const std::string& relative) {
  std::error_code ec;
  fs::remove(fuzz_data_folder() + relative, ec);
}

void fuzz_check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

size_t fuzz_choice(const uint8_t*& data, size_t& size, size_t count) {
  if (size == 0) return 0;
  const size_t choice = data[0] % count;
  ++data;
  --size;
  return choice;
}

std::string fuzz_with_choice(size_t choice, const std::string& bytes) {
  return std::string(1, static_cast<char>(choice)) + bytes;
}

bool fuzz_ends_with(const std::string& name, const char* tail) {
  const std::string t = tail;
  return name.size() >= t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
}
