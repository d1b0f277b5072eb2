// The plain build of a fuzz target: instead of searching, it replays inputs
// (a corpus folder, single files, the seeds the shipped data gives) through
// the target once each, so the test suite runs every target under the
// sanitizers without libFuzzer.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "files/data_files.h"
#include "files/data_limits.h"
#include "files/file_stream.h"
#include "tests/fuzz/fuzz_target.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: %s [--seeds GAME_DIR] PATH...\n"
    "       %s --export-seeds GAME_DIR OUT_DIR\n"
    "\n"
    "Replays inputs through this fuzz target once each: every file named and\n"
    "every file in every folder named, and with --seeds the inputs that the\n"
    "data files in GAME_DIR (the generated data set, build/game) give it.\n"
    "--export-seeds writes those inputs as files into OUT_DIR instead, as the\n"
    "starting corpus of a libFuzzer run (scripts/fuzz.sh).\n";

// Every data file of the game folder (archive members too), read before the
// target's own data folders are set up.
std::vector<std::pair<std::string, std::string>> shipped_files(const std::string& game_dir) {
  std::vector<std::pair<std::string, std::string>> files;
  setenv("XDG_DATA_HOME", "/nonexistent/kr-fuzz-no-home", 1);
  setenv("KR_HOME", game_dir.c_str(), 1);
  data_files_reset();
  for (const std::string& name : data_file_names()) {
    std::string bytes;
    if (read_whole_data_file(("@" + name).c_str(), bytes, kImageFileCap)) files.emplace_back(name, bytes);
  }
  unsetenv("KR_HOME");
  unsetenv("XDG_DATA_HOME");
  data_files_reset();
  return files;
}

std::vector<std::string> seeds(const std::string& game_dir) {
  std::vector<std::string> inputs;
  for (const auto& [name, bytes] : shipped_files(game_dir)) fuzz_seeds(name, bytes, inputs);
  fuzz_seeds("", "", inputs);
  return inputs;
}

bool read_file(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

void run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  const char* me = argv[0];
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::printf(kUsage, me, me);
    return args.empty() ? 1 : 0;
  }
  if (args[0] == "--export-seeds") {
    if (args.size() != 3) {
      std::fprintf(stderr, "%s: --export-seeds needs GAME_DIR and OUT_DIR\n", me);
      return 1;
    }
    const std::vector<std::string> inputs = seeds(args[1]);
    fs::create_directories(args[2]);
    for (size_t k = 0; k < inputs.size(); ++k) {
      std::ofstream out(fs::path(args[2]) / ("seed-" + std::to_string(k)), std::ios::binary);
      out.write(inputs[k].data(), static_cast<std::streamsize>(inputs[k].size()));
    }
    std::printf("%s: %zu seeds written to %s\n", me, inputs.size(), args[2].c_str());
    return 0;
  }
  size_t from_data = 0, from_files = 0;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--seeds") {
      if (i + 1 == args.size()) {
        std::fprintf(stderr, "%s: --seeds needs GAME_DIR\n", me);
        return 1;
      }
      const std::vector<std::string> inputs = seeds(args[++i]);
      if (inputs.empty()) {
        std::fprintf(stderr, "%s: no seeds in '%s'\n", me, args[i].c_str());
        return 1;
      }
      for (const std::string& in : inputs) run(in);
      from_data += inputs.size();
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      std::fprintf(stderr, "%s: unknown option '%s'\n", me, args[i].c_str());
      return 1;
    } else {
      paths.push_back(args[i]);
    }
  }
  for (const std::string& p : paths) {
    std::error_code ec;
    std::vector<fs::path> files;
    if (fs::is_directory(p, ec)) {
      for (const auto& e : fs::recursive_directory_iterator(p, ec))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(p);
    }
    for (const fs::path& f : files) {
      std::string input;
      if (!read_file(f, input)) {
        std::fprintf(stderr, "%s: can't read '%s'\n", me, f.c_str());
        return 1;
      }
      run(input);
      ++from_files;
    }
  }
  std::printf("%s: %zu inputs replayed (%zu seeds, %zu files)\n", me, from_data + from_files,
              from_data, from_files);
  return 0;
}
