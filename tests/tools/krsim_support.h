// Runs krsim (or any command) and keeps what it printed.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandResult {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string out, err;
};

inline CommandResult run_command(const std::string& command, const std::string& scratch) {
  CommandResult r;
  std::string out = scratch + "/stdout", err = scratch + "/stderr";
  int raw = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  for (auto [path, text] : {std::pair{&out, &r.out}, std::pair{&err, &r.err}}) {
    if (FILE* f = std::fopen(path->c_str(), "rb")) {
      char buf[4096];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
      std::fclose(f);
    }
  }
  return r;
}

inline const std::string& krsim_path() {
  static const std::string path = std::string(KR_BINARY_DIR) + "/tools/krsim";
  return path;
}
