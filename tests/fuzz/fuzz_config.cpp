// The configuration file: the input is "@config" in the home folder. Besides
// surviving it, the reader must agree with the writer: what it writes back
// reads back to the same file.
#include <fstream>
#include <sstream>

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

// Reads the file over the defaults and writes it again; returns what was written.
std::string round_trip() {
  settings_defaults();
  read_configuration();
  fuzz_check(write_configuration(), "the configuration can be written");
  return slurp(config_path());
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
  const std::string once = round_trip();
  fuzz_check(round_trip() == once, "a written configuration reads back to itself");
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
