#include "tests/support/test_env.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "files/data_files.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  char tmpl[] = "/tmp/kr-test-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

std::string TempDir::write(const std::string& relative, const std::string& content) const {
  fs::path p = fs::path(path) / relative;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
  return p.string();
}

DataSandbox::DataSandbox() {
  fs::create_directories(home());
  fs::create_directories(data());
  setenv("XDG_DATA_HOME", (root.path + "/home").c_str(), 1);
  setenv("KR_HOME", data().c_str(), 1);
  data_files_reset();
}

DataSandbox::~DataSandbox() {
  unsetenv("KR_HOME");
  data_files_reset();
}

void DataSandbox::rescan() const { data_files_reset(); }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool file_exists(const std::string& path) { return fs::exists(path); }
