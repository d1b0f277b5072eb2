// The command line: the input's zero bytes split it into arguments.
#include <string_view>

#include "app/command_line.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args;
  std::string arg;
  for (size_t k = 0; k < size; ++k) {
    if (data[k] == 0) {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += static_cast<char>(data[k]);
    }
  }
  if (size) args.push_back(arg);
  const CommandLineResult r = parse_command_line(args);
  fuzz_check(!r.stop || r.exit_status == 0 || !r.error.empty(), "a refused command line says why");
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string&, std::vector<std::string>& inputs) {
  if (!name.empty()) return;
  using namespace std::literals;
  for (std::string_view line : {"--track\0rabbithill"sv, "--detail\0" "0.5\0--width\0" "800\0--height\0" "600"sv,
                                "race.krdemo"sv, "--connect\0host:19800\0--password\0secret"sv, "--bikes"sv,
                                "--lock-fps\0" "60\0--fake-lag\0" "0.25\0--fake-loss\0" "5"sv,
                                "--editor\0--track\0gullyrun"sv, "--texture-detail\0" "2\0--erode\0" "50"sv}) {
    inputs.emplace_back(line);
  }
}
