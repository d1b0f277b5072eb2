// The configuration file: the input is "@config" in the home folder. Besides
// surviving it, the reader must agree with the writer: what it writes back
// reads back to the same file.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/settings.h"
#include "files/data_files.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
std::string config_path() { return std::string(home_folder()) + "config"; }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void put(const std::string& bytes) {
  std::ofstream out(config_path(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reads the file over the defaults and writes it again; returns what was
// written. `unbound` gets the keys of the bindings left empty.
std::string round_trip(std::vector<std::string>* unbound = nullptr) {
  settings_defaults();
  read_configuration();
  fuzz_check(write_configuration(), "the configuration can be written");
  if (unbound) {
    for (const SettingItem& item : setting_items())
      if (item.kind == SettingKind::Binding && item.binding.key_name.empty() && item.binding.axis_name.empty())
        unbound->push_back(item.key);
  }
  return slurp(config_path());
}

// The file without the lines of these keys.
std::string without(const std::string& file, const std::vector<std::string>& keys) {
  std::istringstream in(file);
  std::string out, line;
  while (std::getline(in, line)) {
    bool drop = false;
    for (const std::string& k : keys) drop = drop || line.compare(0, k.size() + 1, k + "=") == 0;
    if (!drop) out += line + "\n";
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  static const bool ready = [] {
    set_video_mode_list({"640x480", "800x600", "1024x768"});
    return true;
  }();
  (void)ready;
  put(std::string(reinterpret_cast<const char*>(data), size));
  // A binding left empty writes no line, so the next read gives it its
  // default again: the file format keeps no unbound control. Every other
  // setting must come back as written.
  std::vector<std::string> unbound;
  const std::string once = round_trip(&unbound);
  const std::string twice = without(round_trip(), unbound);
  if (twice != once) {
    // The first line that differs, for the report.
    std::istringstream a(once), b(twice);
    std::string la, lb;
    while (true) {
      const bool more_a = static_cast<bool>(std::getline(a, la)), more_b = static_cast<bool>(std::getline(b, lb));
      if (!more_a && !more_b) break;
      if (!more_a) la = "(end)";
      if (!more_b) lb = "(end)";
      if (la != lb) {
        std::fprintf(stderr, "written: %s\nthen:    %s\n", la.c_str(), lb.c_str());
        break;
      }
    }
  }
  fuzz_check(twice == once, "a written configuration reads back to itself");
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string&, std::vector<std::string>& inputs) {
  if (!name.empty()) return;
  // The file the game writes with every setting at its default, and one
  // with settings changed.
  fuzz_data_folder();
  put("");
  inputs.push_back(round_trip());
  put("xres=1024\nyres=768\nskill=Expert\nlaps=7\nserver_name=host with blanks\n"
      "throttle_key=(-0.0625,-0.9375)Joystick1 axis 1\nvideo_mode=800x600\ntrack=rabbithill\n");
  inputs.push_back(round_trip());
}
